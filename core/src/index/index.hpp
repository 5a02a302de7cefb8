#pragma once
// The document index: a flat view of one parsed document (groups, tasks,
// references, modules, flows and the other declarations), with each group's
// assignee handed down to the tasks beneath it that name none of their own.
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "varn/model.hpp"

namespace varn::index {

struct IndexGroup {
  std::string name;
  uint8_t depth = 0;
  Strings path;  // the enclosing groups' names, then this group's own
  Strings atoms;
  std::optional<std::string> assignee;  // its own, never an inherited one
};

struct IndexTask {
  std::string text;
  std::optional<std::string> label;
  std::string kind;  // the MarkerKind's name
  Strings group_path;
  std::optional<std::string> assignee;
  Strings gates;
};

struct IndexRef {
  Strings path;
  std::string context;  // the text of the prose line that holds the reference
};

struct IndexMod {
  std::string name;
  std::optional<std::string> kind;
};

struct IndexFlow {
  std::vector<std::pair<Strings, Strings>> edges;  // (from, to)
};

struct IndexFileScope {
  Strings paths;
  Strings group_path;
};

struct IndexPolicy {
  std::vector<std::pair<std::string, Strings>> rules;  // (path, gate names)
  Strings group_path;
};

struct DocumentIndex {
  std::vector<IndexGroup> groups;
  std::vector<IndexTask> tasks;
  std::vector<IndexRef> refs;
  std::vector<IndexMod> mods;
  std::vector<IndexFlow> flows;
  Strings validators;
  Strings forms;
  // Sorted by key so that the same document always gives the same text.
  std::map<std::string, std::string> variables;
  Strings remembers;
  Strings recalls;
  Strings embed_markers;
  std::vector<IndexFileScope> file_scopes;
  std::vector<IndexPolicy> policies;
  Strings escalations;
};

// One walk over the tree, then the hand-down of group assignees. Never fails.
DocumentIndex build_document_index(const Document& doc);

// The index as pretty JSON text (two spaces a level, no final line feed).
std::string serialize_document_index(const DocumentIndex& index);

}  // namespace varn::index

#pragma once
// The document index: a flat view of one parsed document (groups, tasks,
// references, modules, flows and the other declarations), with each group's
// assignee handed down to the tasks beneath it that name none of their own.
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "varn/model.hpp"

namespace varn::json {
class Writer;
}

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

// The index as pretty JSON text (two spaces a level, no final line feed). The
// index is emptied as it is written.
std::string serialize_document_index(DocumentIndex&& index);

// The same text written a part at a time: records are written, and freed, as
// they are handed over.
class IndexText {
 public:
  IndexText();
  ~IndexText();
  // Writes the records that `index` holds and empties it; without `all` the
  // tasks (still waiting for the assignees handed down) and the variables (a
  // later one replaces an earlier) stay.
  void flush(DocumentIndex& index, bool all);
  // The whole text, with the records that `index` still holds.
  std::string finish(DocumentIndex&& index);

 private:
  std::vector<std::unique_ptr<json::Writer>> sections_;  // one per member
};

// Group paths as a tree of names, each node holding the assignee of the last
// group with exactly that path; a task takes the deepest one along its path.
// Walking the tree costs one step per path segment, like writing the path.
struct PathTrie {
  std::optional<std::string> assignee;
  std::map<std::string, std::unique_ptr<PathTrie>, std::less<>> children;

  void insert(const Strings& path, const std::string& value);
  const std::optional<std::string>* deepest(const Strings& path) const;
};

// The index of a document given one top-level node at a time, written as it
// goes, so that neither the tree nor the index is ever held whole.
struct IndexBuilder {
  DocumentIndex index;  // the records not yet written
  PathTrie assignees;   // of every group so far
  IndexText text;

  void node(const Node& n);
  std::string finish();
};

}  // namespace varn::index

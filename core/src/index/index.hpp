#pragma once
// The document index: a flat view of one parsed document (groups, tasks,
// references, modules, flows and the other declarations), with each group's
// assignee handed down to the tasks beneath it that name none of their own.
//
// Its text repeats a prose line once for every reference in it and a group's
// name once for every record below the group, so it can grow as the square
// of its source. The records hold each such text once: the size of the text
// is known, and can be refused, before any of it is written.
#include <cstddef>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "varn/errors.hpp"
#include "varn/model.hpp"
#include "varn/result.hpp"

namespace varn::index {

// A group path as a node of the tree of all the paths of a document, so that
// its names are held once however many records stand under it.
struct PathNode {
  std::string name;
  const PathNode* parent = nullptr;  // null for a top-level group's path
  std::size_t name_size = 0;         // of the name as a JSON string's inside
  std::optional<std::string> assignee;  // of the last group with exactly this path
  std::map<std::string, std::unique_ptr<PathNode>, std::less<>> children;
};

// The names of the path that ends at `at`, outermost first; none for null,
// the top level.
Strings path_names(const PathNode* at);

struct IndexGroup {
  const PathNode* path;  // ends with the group's own name
  uint8_t depth = 0;
  Strings atoms;
  std::optional<std::string> assignee;  // its own, never an inherited one
};

struct IndexTask {
  std::string text;
  std::optional<std::string> label;
  MarkerKind kind = MarkerKind::Open;
  const PathNode* group_path;  // null at the top level
  std::optional<std::string> assignee;
  Strings gates;
};

struct IndexRef {
  Strings path;
  std::size_t context;  // the prose line that holds the reference, in `contexts`
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
  const PathNode* group_path;
};

struct IndexPolicy {
  std::vector<std::pair<std::string, Strings>> rules;  // (path, gate names)
  const PathNode* group_path;
};

// A variable's key: the names of a group path and the variable's own, joined
// by ':', or the bare name when `path` is null.
struct VariableKey {
  const PathNode* path;
  std::string name;
};

// Keys in the order of their joined texts, without joining them: a name may
// hold a ':', so keys of different paths can be one text.
struct KeyOrder {
  bool operator()(const VariableKey& a, const VariableKey& b) const;
};

struct DocumentIndex {
  PathNode paths;   // the top level, the root of every group path
  Strings contexts; // each prose line that holds references, once
  std::vector<IndexGroup> groups;
  std::vector<IndexTask> tasks;
  std::vector<IndexRef> refs;
  std::vector<IndexMod> mods;
  std::vector<IndexFlow> flows;
  Strings validators;
  Strings forms;
  // Sorted by key so that the same document always gives the same text.
  std::map<VariableKey, std::string, KeyOrder> variables;
  Strings remembers;
  Strings recalls;
  Strings embed_markers;
  std::vector<IndexFileScope> file_scopes;
  std::vector<IndexPolicy> policies;
  Strings escalations;
};

// The index of a document given one top-level node at a time, or a group
// member by member (`open`, its members, `close`) as a streamed parse hands
// it on, so that the tree is never held whole.
struct IndexBuilder {
  DocumentIndex index;
  // The groups open: each one's path, and the assignee its members inherit.
  struct OpenGroup {
    PathNode* path;
    std::optional<std::string> inherited;
  };
  std::vector<OpenGroup> open_groups;

  void node(const Node& n);
  void open(const Node& group);
  void close();
  // Hands the group assignees down to the tasks; the finished index.
  DocumentIndex finish() &&;
};

// One walk over the tree, then the hand-down of group assignees. Never fails.
DocumentIndex build_document_index(const Document& doc);

// The length in bytes of the index's JSON text, counted without writing it:
// a text that stands in it many times is measured once.
std::size_t index_text_size(const DocumentIndex& index);

// The index as pretty JSON text (two spaces a level, no final line feed), in
// one buffer of exactly its size; refused when that is more than `limit`
// bytes, before any of it is written.
Result<std::string, SizeError> serialize_document_index(const DocumentIndex& index, std::size_t limit = SIZE_MAX);

}  // namespace varn::index

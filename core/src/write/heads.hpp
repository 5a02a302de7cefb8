#pragma once
// Head lines that both writers spell alike: an issue's, a sync heading's,
// a define's and a mutation's.
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "varn/model.hpp"

namespace varn::write {

// How a writer spells a gate ({name body}, or the renderer's name alone) and
// which gates it counts as the same.
struct GateSpelling {
  std::function<void(std::string&, const Gate&)> append;
  std::function<bool(const std::vector<Gate>&, const std::vector<Gate>&)> same;
  bool keeps_bodies = true;  // false: gates are read back by name alone
};
// An issue's head line that reads back as its title and gates: the gates the
// title does not hold follow it (behind a comment mark when the title would
// take them in), or go on from a '{' that the title leaves open.
std::string issue_head(const IssueDef& issue, const GateSpelling& spelling);

// A heading line for a name whose atoms the reader drops (a declaration
// under "Sync"): `hashes`, then the name, with atoms holding a bar or a quote
// where its "//" needs them.
std::string heading_line(std::string_view hashes, std::string_view name);

// A define's head line (without indent): "define:" and the target, its
// atoms, then " from " and the scope; or, when that does not read back (an
// entity holding " from ", after which no atom is read), the atoms first.
std::string define_line(const Define& define);

// A mutation's head line (without indent): `written`, or, where the comment
// cut would take some of it, the line with the gate put in where its bars or
// quotes hide the "//" (`gated`: `written` holds the gate, which the
// renderer leaves out otherwise).
std::string mutate_head(std::string written, const Mutate& mutate, bool gated);

}  // namespace varn::write

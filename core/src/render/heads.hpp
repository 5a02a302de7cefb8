#pragma once
// The head lines whose parts the renderer may have to place so that the
// line reads back: each is written in its template's order where that reads
// back, else in the few plain orders of its kind, else with its pieces placed
// by the line search, else in the template's order.
#include <string>

#include "varn/model.hpp"

namespace varn::render {

// "#" marks, the name and the atoms; the gates only where the name's "//"
// needs their bars or quotes.
std::string heading_line(const Group& group);
// The marker, the text and the gate names (bodies left out).
std::string task_head(const Task& task);
// "define:", the target, the atoms and " from " with the scope.
std::string define_line(const Define& define);
// "mutate:", the target and the id; the gate only where the line's "//"
// needs its bars or quotes.
std::string mutate_head(const Mutate& mutate);
// "@path", then ": " and the gates when there are any.
std::string policy_rule_line(const PolicyRule& rule);
// A sync declaration under a "Sync" heading, whose atoms the reader drops:
// "###", the name, and atoms holding a bar or a quote where its "//" needs
// them.
std::string sync_heading(const std::string& name);

}  // namespace varn::render

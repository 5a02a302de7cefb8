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

// "issue: " and the title; the gates that the title does not hold follow it
// (behind a comment mark when the title would take them in), or go on from a
// '{' that the title leaves open.
std::string issue_head(const IssueDef& issue);
// "if", the condition between bars and ":"; bare where the bars would close
// early on a bar inside it and leave a "//" to the comment cut.
std::string condition_line(const Compute& condition);
// "$name.method(args)", or the "mod:" form where only that one reads back
// (an invocation read from a "mod:" line keeps its arguments as its name,
// which the "$" form cannot always say).
std::string mod_invoke_line(const ModInvoke& invoke);

}  // namespace varn::render

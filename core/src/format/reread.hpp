#pragma once
// Reading one written line back with the parser's own dispatcher, for the
// few one-line kinds whose spelling the writer chooses among several.
#include <string>
#include <string_view>

#include "varn/model.hpp"

namespace varn::format {

// The node that `line` gives when parsed alone (so without children or body
// lines), if any.
std::optional<Node> reread_line(std::string_view line);

// True when `line`, parsed alone, gives exactly this node.
bool rereads_as(std::string_view line, const Webhook& webhook);
bool rereads_as(std::string_view line, const ModInvoke& invoke);

// A webhook line (without indent) that reads back as `webhook`: `preferred`
// when it does, else the first spelling of the url and payload that does,
// else `preferred` (or the plain spelling when it is empty).
std::string webhook_line(const Webhook& webhook, std::string preferred = {});

// An invocation line (without indent): "$name.method(args)", or the "mod:"
// form when only that one reads back (an invocation read from a "mod:" line
// keeps its arguments as its name, which the "$" form cannot always say).
std::string mod_invoke_line(const ModInvoke& invoke);

}  // namespace varn::format

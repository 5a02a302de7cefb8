#pragma once
// Reading one written line back with the parser's own dispatcher, for the
// few one-line kinds whose spelling the writer chooses among several.
#include <string_view>

#include "varn/model.hpp"

namespace varn::format {

// True when `line`, parsed alone, gives exactly this node.
bool rereads_as(std::string_view line, const Webhook& webhook);
bool rereads_as(std::string_view line, const ModInvoke& invoke);

}  // namespace varn::format

#pragma once
// Reading one written line back with the parser's own dispatcher, for the
// few one-line kinds whose spelling the writer chooses among several.
#include <string>
#include <string_view>

#include "varn/model.hpp"

namespace varn::format {

// True when `line`, parsed alone, gives exactly this node.
bool rereads_as(std::string_view line, const Webhook& webhook);
bool rereads_as(std::string_view line, const ModInvoke& invoke);

// A webhook line (without indent) that reads back as `webhook`: `preferred`
// when it does, else the first spelling of the url and payload that does,
// else `preferred` (or the plain spelling when it is empty).
std::string webhook_line(const Webhook& webhook, std::string preferred = {});

}  // namespace varn::format

#pragma once
// A webhook's line: its three parts in the order and spellings that read back.
#include <string>

#include "varn/model.hpp"

namespace varn::render {

// A webhook line (without indent) that reads back as `webhook`: `preferred`
// when it does, else the first of the parts' orders and spellings that does
// (the plain "on:|T| url: U payload: \"P\"" first), else `preferred` (or the
// plain spelling when it is empty). The orders and spellings are tried only
// for a webhook that `webhook_has_no_line` does not rule out.
std::string webhook_line(const Webhook& webhook, std::string preferred = {});

// True when no line reads back as `webhook`: a part that the parser's rules
// cannot give, whatever the line around it (see the reasons in the body).
bool webhook_has_no_line(const Webhook& webhook);

}  // namespace varn::render

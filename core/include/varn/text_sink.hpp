#pragma once
// A long text handed on piece by piece as it is written, so that its reader
// copies each piece straight to where it goes while the writer reuses one
// buffer: the text is never held whole on the writer's side.
#include <functional>
#include <string_view>

namespace varn {

// Called with each piece, in order. A piece never ends inside a UTF-8
// character of a text that is valid UTF-8.
using TextSink = std::function<void(std::string_view)>;

}  // namespace varn

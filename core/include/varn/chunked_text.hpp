#pragma once
// A long text handed over in the chunks it was written in, so that its reader
// copies it once, straight to where it goes, instead of joining it first.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace varn {

struct TextChunk {
  std::unique_ptr<char[]> text;
  std::size_t size = 0;

  std::string_view view() const { return {text.get(), size}; }
};

// In order. A chunk never ends inside a UTF-8 character of a text that is
// valid UTF-8.
using TextChunks = std::vector<TextChunk>;

inline std::string join(const TextChunks& chunks) {
  std::size_t size = 0;
  for (const TextChunk& p : chunks) size += p.size;
  std::string all;
  all.reserve(size);
  for (const TextChunk& p : chunks) all.append(p.view());
  return all;
}

}  // namespace varn

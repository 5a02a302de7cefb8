#include "write/sink.hpp"

#include "text/unicode.hpp"

namespace varn::write {

LineSink::LineSink(std::string_view unit, bool trim_lines) : unit_(unit), trim_lines_(trim_lines) {}

void LineSink::indent(std::size_t depth) {
  const std::size_t want = depth * unit_.size();
  // Doubling keeps the indentation cache linear in the deepest depth seen.
  while (indents_.size() < want) indents_.append(indents_.empty() ? unit_ : indents_);
  out_.append(indents_.data(), want);
}

std::string& LineSink::open(std::size_t depth) {
  line_start_ = out_.size();
  indent(depth);
  text_start_ = out_.size();
  return out_;
}

void LineSink::close() {
  if (trim_lines_) {
    const std::string_view line(out_.data() + line_start_, out_.size() - line_start_);
    const std::size_t kept = text::trim_end(line).size();
    // Nothing but indentation: an empty line.
    out_.resize(line_start_ + (line_start_ + kept <= text_start_ ? 0 : kept));
  }
  out_.push_back('\n');
}

void LineSink::blank() { out_.push_back('\n'); }

void LineSink::drop_blank_lines() {
  while (out_.ends_with("\n\n")) out_.pop_back();
}

bool LineSink::last_line_blank() const {
  return out_.size() == 1 ? out_[0] == '\n' : out_.size() >= 2 && out_.ends_with("\n\n");
}

std::string LineSink::take_trimmed() {
  // No shrinking to fit: that would copy the whole text, and room never
  // written to holds no memory.
  out_.resize(text::trim_end(out_).size());
  return std::move(out_);
}

void append_repeated(std::string& out, std::string_view s, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) out.append(s);
}

void append_joined(std::string& out, const Strings& items, std::string_view sep, std::string_view prefix,
                   std::string_view suffix) {
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i) out.append(sep);
    out.append(prefix);
    out.append(items[i]);
    out.append(suffix);
  }
}

}  // namespace varn::write

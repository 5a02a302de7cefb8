// The inline scanner and the small text operations the construct handlers
// share. The scanner walks the bytes of the text: every mark it looks for is
// an ASCII byte, which never occurs inside a multi-byte character, so only
// the characters around a mark are decoded. Positions are byte offsets at
// character boundaries, and text is copied out by byte ranges of the input,
// so bytes that are not valid UTF-8 pass through unchanged.
#include "parse/inline.hpp"

#include <cstdint>
#include <cstring>
#include <utility>

#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::parse {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

// The text with the character reads the scanner needs; positions are bytes.
struct Chars {
  std::string_view text;
  std::size_t n;

  explicit Chars(std::string_view s) : text(s), n(s.size()) {}

  text::Decoded at(std::size_t i) const { return text::decode(text, i); }
  // The character before byte `i` (0 < i).
  char32_t before(std::size_t i) const { return text::decode(text, i - text::last_char_len(text, i)).cp; }
  bool is(std::size_t i, char c) const { return i < n && text[i] == c; }
  std::string_view slice(std::size_t from, std::size_t to) const { return text.substr(from, to - from); }
};

bool is_name_char(char32_t c) {
  return c == '-' || c == '.' || c == ':' || c == '_' || text::is_alphanumeric(c);
}

bool is_ref_char(char32_t c) {
  return c == '-' || c == '.' || c == '/' || c == '~' || c == '_' || text::is_alphanumeric(c);
}

bool ends_a_project_name(char c) {
  return c == '#' || c == '$' || c == '%' || c == '*' || c == '@' || c == '{' || c == '|';
}

// The end of the run of characters from `from` that satisfy `pred`.
template <class Pred>
std::size_t end_of_run(const Chars& c, std::size_t from, Pred pred) {
  std::size_t end = from;
  while (end < c.n) {
    const text::Decoded d = c.at(end);
    if (!pred(d.cp)) break;
    end += d.len;
  }
  return end;
}

std::string without_trailing_dots(std::string_view s) {
  while (!s.empty() && s.back() == '.') s.remove_suffix(1);
  return std::string(s);
}

bool starts_alphanumeric(const Chars& c, std::size_t i) { return i < c.n && text::is_alphanumeric(c.at(i).cp); }

// A reference from the "@" at `at`: the `Ref` and the bytes it used.
std::pair<Ref, std::size_t> parse_ref(const Chars& c, std::size_t at) {
  Ref ref;
  std::size_t k = at + 1;
  if (c.text.substr(at + 1).starts_with("workspace:")) {
    // The scope runs to a ".@" only across reference characters; anything
    // else in between means the "@workspace:" has no scope at all. '@' is no
    // reference character, so the run stops at the first ".@" if it reaches
    // one, and the scan is paid for by the path read that follows either way.
    const std::size_t scope_start = at + 11;
    const std::size_t end = end_of_run(c, scope_start, is_ref_char);
    if (c.is(end, '@') && end > scope_start && c.text[end - 1] == '.') {
      ref.workspace_scope = std::string(c.slice(scope_start, end - 1));
      k = end + 1;
    }
  }

  std::size_t segment_start = kNone;
  auto end_segment = [&](std::size_t end) {
    if (segment_start != kNone && end > segment_start) ref.path.emplace_back(c.slice(segment_start, end));
    segment_start = kNone;
  };
  while (k < c.n) {
    const text::Decoded d = c.at(k);
    if (is_ref_char(d.cp)) {
      if (segment_start == kNone) segment_start = k;
      k += d.len;
    } else if (d.cp == ':') {
      end_segment(k);
      ++k;
    } else if (d.cp == '(' && c.is(k + 1, 's') && c.is(k + 2, ')')) {
      end_segment(k);
      ref.plural = true;
      k += 3;
    } else {
      break;
    }
  }
  end_segment(k);
  if (ref.path.empty()) ref.path.emplace_back();
  return {std::move(ref), k - at};
}

// Byte position of the first pair of `mark` bytes at or after `from`, or kNone.
std::size_t find_closing_pair(const Chars& c, std::size_t from, char mark) {
  const char pair[2] = {mark, mark};
  const std::size_t p = c.text.find(std::string_view(pair, 2), from);
  return p == std::string_view::npos ? kNone : p;
}

// True for the bytes that may start a marked span.
constexpr bool is_mark(unsigned char b) {
  return b == '#' || b == '$' || b == '%' || b == '*' || b == '@' || b == '|';
}

struct Scanner {
  const Chars& c;
  const bool all;  // every span is kept, else only the references
  Inlines out;
  std::size_t pending = kNone;  // first byte of the pending text run

  Scanner(const Chars& chars, bool keep_all) : c(chars), all(keep_all) {}

  // A span other than a reference, made only when it is kept.
  template <class T, class... Parts>
  void add(Parts&&... parts) {
    if (all) out.push_back(T{std::forward<Parts>(parts)...});
  }

  // Ordinary characters are only ever taken one after another, so the pending
  // run always ends right before the character that flushes it.
  void flush(std::size_t i) {
    if (pending != kNone && i > pending) add<InlineText>(std::string(c.slice(pending, i)));
    pending = kNone;
  }

  bool starts_project_ref(std::size_t i) const {
    if (!starts_alphanumeric(c, i + 1)) return false;
    if (i == 0) return true;
    const char32_t prev = c.before(i);
    return text::is_white_space(prev) || prev == '(';
  }

  bool starts_ref(std::size_t i) const {
    if (i == 0) return true;
    const char32_t prev = c.before(i);
    return text::is_white_space(prev) || prev == '(' || prev == ':';
  }

  // Reads the marked span at `i`, if one starts there, and returns the
  // position after it.
  std::optional<std::size_t> marked_span(std::size_t i) {
    const std::size_t n = c.n;
    const char ch = c.text[i];
    if (ch == '#' && starts_alphanumeric(c, i + 1)) {
      flush(i);
      const std::size_t end = end_of_run(c, i + 1, is_name_char);
      add<InlineChannel>(std::string(c.slice(i + 1, end)));
      return end;
    }
    if (ch == '$') {
      flush(i);
      const std::size_t j = end_of_run(c, i + 1, is_name_char);
      const std::string_view word = c.slice(i + 1, j);
      if (!word.empty() && word.back() == '.' && c.is(j, '@')) {
        auto [ref, m] = parse_ref(c, j);
        ref.mod_scope = without_trailing_dots(word);
        out.emplace_back(std::move(ref));
        return j + m;
      }
      add<InlineModCall>(without_trailing_dots(word), std::nullopt);
      return j;
    }
    if (ch == '%' && starts_project_ref(i)) {
      flush(i);
      std::size_t end = i + 1;
      while (end < n && !ends_a_project_name(c.text[end])) ++end;
      // Trailing whitespace goes back to the text; the name starts with an
      // alphanumeric, so it never empties.
      while (text::is_white_space(c.before(end))) end -= text::last_char_len(c.text, end);
      add<InlineProjectRef>(std::string(c.slice(i + 1, end)));
      return end;
    }
    if (ch == '*' && c.is(i + 1, '*')) {
      flush(i);
      const std::size_t p = find_closing_pair(c, i + 2, '*');
      if (p == kNone) {
        add<InlineBold>(std::string(c.slice(i + 2, n)));
        return n;
      }
      add<InlineBold>(std::string(c.slice(i + 2, p)));
      return p + 2;
    }
    if (ch == '@' && starts_ref(i)) {
      flush(i);
      auto [ref, m] = parse_ref(c, i);
      out.emplace_back(std::move(ref));
      return i + m;
    }
    if (ch == '|' && c.is(i + 1, '|')) {
      flush(i);
      const std::size_t p = find_closing_pair(c, i + 2, '|');
      if (p == kNone) {
        add<Compute>(std::string(c.slice(i + 2, n)), true);
        return n;
      }
      add<Compute>(std::string(c.slice(i + 2, p)), true);
      return p + 2;
    }
    if (ch == '|') {
      flush(i);
      // The closing bar is the first one not followed by another bar.
      std::size_t q = i + 1;
      while (q < n && !(c.text[q] == '|' && !c.is(q + 1, '|'))) ++q;
      add<Compute>(std::string(c.slice(i + 1, q)), false);
      return q < n ? q + 1 : n;
    }
    return std::nullopt;
  }

  Inlines run() {
    // Room for about one item per sixteen bytes up front: a line of spans
    // otherwise grows its list, and moves every item, several times.
    if (all) out.reserve(std::min<std::size_t>(16, 1 + c.n / 16));
    const auto* bytes = reinterpret_cast<const unsigned char*>(c.text.data());
    std::size_t i = 0;
    while (i < c.n) {
      if (is_mark(bytes[i])) {
        if (auto next = marked_span(i)) {
          i = *next;
          continue;
        }
      }
      if (pending == kNone) pending = i;
      ++i;
    }
    flush(c.n);
    drop_slack(out);
    return std::move(out);
  }
};

// The first whitespace-separated word of `inner` as a byte range [start, end);
// a text without a word gives [0, 0).
std::pair<std::size_t, std::size_t> first_word(std::string_view inner) {
  const std::string_view rest = text::trim_start(inner);
  if (rest.empty()) return {0, 0};
  const std::size_t start = inner.size() - rest.size();
  return {start, start + text::word_length(rest)};
}

Gate gate_from_inner(std::string_view inner) {
  const auto [start, end] = first_word(inner);
  Gate gate;
  gate.name = start == end ? std::string(inner) : std::string(inner.substr(start, end - start));
  // The body is what follows the name's word, trimmed: cut where the word
  // ends (a character boundary), and absent when nothing follows the word.
  if (start != end && end < inner.size()) gate.body = std::string(text::trim(inner.substr(end)));
  return gate;
}

}  // namespace

Inlines parse_inline(std::string_view text, Spans keep) {
  if (text.empty() || keep == Spans::None) return {};
  const Chars chars(text);
  return Scanner(chars, keep == Spans::All).run();
}

std::pair<Ref, std::size_t> parse_ref(std::string_view text) {
  if (text.empty()) return {Ref{Strings{""}, false, std::nullopt, std::nullopt}, 0};
  return parse_ref(Chars(text), 0);
}

std::optional<std::size_t> find_matching_brace(std::string_view text, std::size_t open) {
  // '{' and '}' are single bytes that never occur inside a multi-byte
  // character, so walking bytes sees exactly the brace characters.
  std::int64_t depth = 0;
  for (std::size_t i = open; i < text.size(); ++i) {
    if (text[i] == '{') {
      ++depth;
    } else if (text[i] == '}') {
      if (depth == 1) return i;
      --depth;
    }
  }
  return std::nullopt;
}

std::vector<Gate> extract_gates(std::string_view text) {
  std::vector<Gate> gates;
  visit_gate_spans(text, [&](std::size_t open, std::size_t close) {
    gates.push_back(gate_from_inner(text.substr(open + 1, close - open - 1)));
    return true;
  });
  return gates;
}

std::string strip_gates(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  std::size_t from = 0;
  from = visit_gate_spans(text, [&](std::size_t open, std::size_t close) {
    out.append(text.substr(from, open - from));
    from = close + 1;
    return true;
  });
  out.append(text.substr(from));
  return out;
}

std::string unquote(std::string_view text) {
  text = text::trim(text);
  if (text.size() >= 2 && text.front() == '"' && text.back() == '"') text = text.substr(1, text.size() - 2);
  return std::string(text);
}

std::string text_between_bars(std::string_view text) {
  const std::size_t first = text.find('|');
  if (first == std::string_view::npos) return std::string(text);
  const std::size_t second = text.find('|', first + 1);
  if (second == std::string_view::npos) return std::string(text);
  return std::string(text.substr(first + 1, second - first - 1));
}

ScopePrefix parse_scope_prefix(std::string_view text) {
  constexpr std::string_view kDotAt = ".@";
  if (text.starts_with('$')) {
    const std::size_t k = text.find(kDotAt);
    if (k != std::string_view::npos) return {std::string(text.substr(1, k - 1)), std::nullopt, text.substr(k + 2)};
  }
  constexpr std::string_view kWorkspace = "@workspace:";
  if (text.starts_with(kWorkspace)) {
    const std::string_view after = text.substr(kWorkspace.size());
    const std::size_t k = after.find(kDotAt);
    if (k != std::string_view::npos) return {std::nullopt, std::string(after.substr(0, k)), after.substr(k + 2)};
  }
  if (text.starts_with('@')) return {std::nullopt, std::nullopt, text.substr(1)};
  return {std::nullopt, std::nullopt, text};
}

}  // namespace varn::parse

// Webhook lines from an alphabet of the parser's keywords and marks: each
// tree that some line gives is written so that it reads back, and each other
// tree is one that no line can give.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "write/read_back.hpp"
#include "render/webhook.hpp"

namespace varn::render {
namespace {

using write::read_alone;
using write::rereads_as;

const std::vector<std::string> kPieces = {"on:", "url:", "payload:", "|", "\"", "//", " ", "a", "\\"};

std::string show(const Webhook& w) {
  return "trigger [" + w.trigger + "] url [" + w.url + "] payload " + (w.payload ? "[" + *w.payload + "]" : "none");
}

// Every value of up to `n` pieces, calling `each` with it.
template <class F>
void each_text(std::size_t n, std::string& text, F&& each) {
  each(text);
  if (n == 0) return;
  for (const std::string& piece : kPieces) {
    const std::size_t size = text.size();
    text += piece;
    each_text(n - 1, text, each);
    text.resize(size);
  }
}

// Every webhook that a line of up to five pieces after the keyword gives.
TEST(WebhookLine, EveryTreeALineGivesReadsBack) {
  std::set<std::tuple<std::string, std::string, std::optional<std::string>>> seen;
  std::string value;
  std::size_t failures = 0;
  each_text(5, value, [&](const std::string& v) {
    const std::optional<Node> node = read_alone("webhook: " + v);
    const Webhook* w = node ? node->get_if<Webhook>() : nullptr;
    if (!w || !seen.insert({w->trigger, w->url, w->payload}).second) return;
    EXPECT_FALSE(webhook_has_no_line(*w)) << show(*w) << " from [" << v << "]";
    const std::string line = webhook_line(*w);
    if (!rereads_as(line, *w) && ++failures <= 20) {
      ADD_FAILURE() << show(*w) << " from [" << v << "] written [" << line << "]";
    }
  });
  EXPECT_EQ(failures, 0u);
  EXPECT_GT(seen.size(), 1000u);
}

// True when some line of up to five pieces, each a keyword, a mark or one of
// the webhook's own parts, reads back as `w`: a search that knows nothing of
// how the writer orders and spells the parts.
bool some_short_line_gives(const Webhook& w) {
  std::vector<std::string> pieces = {"on:", "url:", "payload:", "|", "\"", " ", w.trigger, w.url};
  if (w.payload) pieces.push_back(*w.payload);
  bool found = false;
  std::string value;
  auto search = [&](auto& self, std::size_t n) -> void {
    if (found) return;
    if (rereads_as("webhook: " + value, w)) {
      found = true;
      return;
    }
    if (n == 0) return;
    for (const std::string& piece : pieces) {
      if (piece.empty()) continue;
      const std::size_t size = value.size();
      value += piece;
      self(self, n - 1);
      value.resize(size);
    }
  };
  search(search, 5);
  return found;
}

// Webhooks whose parts are drawn from the pieces: each is written so that it
// reads back, or is named as having no line, or no short line gives it.
TEST(WebhookLine, EveryTreeReadsBackOrHasNoLine) {
  std::uint64_t state = 0x9e3779b97f4a7c15u;
  auto next = [&] {
    state ^= state << 13;
    state ^= state >> 7;
    state ^= state << 17;
    return state;
  };
  auto text = [&] {
    // The pieces but the last, the backslash: escapes only matter to the
    // comment cut, which the lines above try.
    std::string t;
    for (std::uint64_t n = next() % 3; n > 0; --n) t += kPieces[next() % (kPieces.size() - 1)];
    return t;
  };
  std::size_t written = 0;
  std::size_t named = 0;
  std::size_t failures = 0;
  for (int i = 0; i < 4000; ++i) {
    Webhook w{text(), text(), std::nullopt};
    if (next() % 4 != 0) w.payload = text();
    if (webhook_has_no_line(w)) {
      ++named;
      continue;
    }
    if (rereads_as(webhook_line(w), w)) {
      ++written;
      continue;
    }
    if (some_short_line_gives(w) && ++failures <= 20) ADD_FAILURE() << show(w) << " written [" << webhook_line(w) << "]";
  }
  EXPECT_EQ(failures, 0u);
  EXPECT_GT(written, 2000u);
  EXPECT_GT(named, 1400u);
}

TEST(WebhookLine, PartsNoLineCanGive) {
  EXPECT_FALSE(webhook_has_no_line(Webhook{"a", "b", "c"}));
  EXPECT_FALSE(webhook_has_no_line(Webhook{"a|b", "", std::nullopt}));
  EXPECT_TRUE(webhook_has_no_line(Webhook{"a|b|c", "", std::nullopt}));
  EXPECT_TRUE(webhook_has_no_line(Webhook{"a| ", "", std::nullopt}));
  EXPECT_TRUE(webhook_has_no_line(Webhook{"", "a b", std::nullopt}));
  // A quote and a space before the url keep its own leading quote.
  EXPECT_FALSE(webhook_has_no_line(Webhook{"", "\"a", std::nullopt}));
  EXPECT_TRUE(webhook_has_no_line(Webhook{"", "", "a\""}));
  EXPECT_TRUE(webhook_has_no_line(Webhook{"a\nb", "", std::nullopt}));
}

}  // namespace
}  // namespace varn::render

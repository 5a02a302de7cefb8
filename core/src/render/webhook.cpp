#include "render/webhook.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "write/read_back.hpp"

namespace varn::render {

namespace {

// The three parts of a webhook line, each read after the first occurrence of
// its keyword anywhere in the line's value.
enum class Part { Trigger, Url, Payload };

constexpr std::string_view keyword(Part part) {
  switch (part) {
    case Part::Trigger: return "on:";
    case Part::Url: return "url:";
    case Part::Payload: return "payload:";
  }
  return {};
}

// How a part that gets a keyword of its own is spelled after it.
// "|T|", T to the end of the line, nothing, the keyword alone (the bars in a
// later part's text)
enum class TriggerForm { Bars, Open, Omitted, Later };
// U, "U", "U, "U ", " U (the space keeps the url's own leading quotes), nothing
enum class UrlForm { Bare, Quoted, OpenQuote, SpacedQuote, SpacedOpen, Omitted };
enum class PayloadForm { Quoted, OpenQuote, Bare, CloseQuote, Omitted };  // "P", "P, P, P", nothing

struct Layout {
  // A lone bar or quote (or one of each) before everything, read by no
  // part, sets where the comment cut stands for the parts' own bars, quotes
  // and "//".
  std::string_view lead;
  std::array<Part, 3> order;
  bool on_first;  // an "on:" of its own leads, its bars come in the trigger's turn
  TriggerForm trigger;
  UrlForm url;
  PayloadForm payload;
};

// `text` without its leading whitespace, then without its leading quotes: where
// the url's or the payload's own text starts.
std::string_view value_start(std::string_view text) { return parse::strip_leading(text::trim_start(text), '"'); }
// Where the url's word starts: white space after the quotes comes before it.
std::string_view url_start(std::string_view text) { return text::trim_start(value_start(text)); }

class LineBuilder {
 public:
  LineBuilder(const Webhook& w, const Layout& layout) : w_(w), layout_(layout) {}

  // The line's value, or nothing when this layout cannot say the webhook.
  std::optional<std::string> build() {
    value_ = layout_.lead;
    if (layout_.on_first) value_.append(value_.empty() ? "on:" : " on:");
    for (Part part : layout_.order) {
      const std::size_t at = value_.find(keyword(part));
      if (at != std::string::npos) {
        // The keyword stands earlier, inside another part's text or on its
        // own: the part is read from there, and the line goes on with what
        // its value still lacks.
        if (!continue_part(part, std::string_view(value_).substr(at + keyword(part).size()))) return std::nullopt;
      } else {
        write_part(part);
      }
    }
    return std::move(value_);
  }

 private:
  bool continue_part(Part part, std::string_view after) {
    switch (part) {
      case Part::Trigger: {
        if (layout_.trigger == TriggerForm::Later) return true;
        const std::size_t open = after.find('|');
        if (open != std::string_view::npos && after.find('|', open + 1) != std::string_view::npos) return true;
        if (layout_.trigger == TriggerForm::Open) {
          // Without a second bar the trigger runs to the end of the line.
          if (!w_.trigger.starts_with(after)) return false;
          value_.append(w_.trigger.substr(after.size()));
        } else if (open == std::string_view::npos) {
          value_.append(" |").append(w_.trigger).append("|");
        } else {
          const std::string_view head = after.substr(open + 1);
          if (!w_.trigger.starts_with(head)) return false;
          value_.append(w_.trigger.substr(head.size())).append("|");
        }
        return true;
      }
      case Part::Url: {
        const std::string_view head = url_start(after);
        // A word ended by a space, or by the end of the line and its quotes.
        if (text::word_length(head) < head.size() || parse::strip_trailing(head, '"') == w_.url) return true;
        if (!w_.url.starts_with(head)) return false;
        value_.append(w_.url.substr(head.size()));
        if (layout_.url == UrlForm::SpacedQuote) value_.append(" \"");
        return true;
      }
      case Part::Payload: {
        if (!w_.payload) return false;
        const std::string_view head = value_start(after);
        const std::string& p = *w_.payload;
        if (parse::strip_quotes(after) == p) return true;  // read already
        if (head.empty()) {
          // Unless a quote after the keyword already opens it.
          if (text::trim(after).empty()) {
            if (after.empty()) value_.push_back(' ');
            value_.append(payload_opening());
          }
          value_.append(p).append(payload_closing());
          return true;
        }
        if (!p.starts_with(head)) return false;
        value_.append(p.substr(head.size()));
        // Text that another part started needs a closing quote only to keep
        // the whitespace it ends in.
        if (text::trim_end(p).size() < p.size()) value_.append(payload_closing());
        return true;
      }
    }
    return false;
  }

  std::string_view payload_opening() const {
    return layout_.payload == PayloadForm::Bare || layout_.payload == PayloadForm::CloseQuote ? "" : "\"";
  }
  std::string_view payload_closing() const {
    return layout_.payload == PayloadForm::Quoted || layout_.payload == PayloadForm::CloseQuote ? "\"" : "";
  }

  void write_part(Part part) {
    auto open = [&] {
      if (!value_.empty()) value_.push_back(' ');
      value_.append(keyword(part));
    };
    switch (part) {
      case Part::Trigger:
        if (layout_.trigger == TriggerForm::Omitted) return;
        open();
        if (layout_.trigger == TriggerForm::Later) return;
        if (layout_.trigger == TriggerForm::Open) {
          value_.append(w_.trigger);
        } else {
          value_.append("|").append(w_.trigger).append("|");
        }
        return;
      case Part::Url:
        if (layout_.url == UrlForm::Omitted) return;
        open();
        value_.append(layout_.url == UrlForm::Bare ? " " : layout_.url == UrlForm::SpacedOpen ? " \" " : " \"")
            .append(w_.url);
        if (layout_.url == UrlForm::Quoted) value_.append("\"");
        if (layout_.url == UrlForm::SpacedQuote) value_.append(" \"");
        return;
      case Part::Payload:
        if (layout_.payload == PayloadForm::Omitted || !w_.payload) return;
        open();
        value_.append(" ").append(payload_opening()).append(*w_.payload);
        value_.append(payload_closing());
        return;
    }
  }

  const Webhook& w_;
  const Layout& layout_;
  std::string value_;
};

}  // namespace

namespace {

// Calls `f` with each layout that can say `webhook`, the plain order and
// spellings first, until it returns true; true when one did.
template <class F>
bool any_layout(const Webhook& webhook, F&& f) {
  const std::string barred = "|" + webhook.trigger + "|";
  const bool held = webhook.url.find(barred) != std::string::npos ||
                    (webhook.payload && webhook.payload->find(barred) != std::string::npos);
  for (std::string_view lead : {"", "|", "\"", "|\"", "\"|"}) {
    std::array<Part, 3> order = {Part::Trigger, Part::Url, Part::Payload};
    do {
      for (bool on_first : {false, true}) {
        for (PayloadForm payload :
             {PayloadForm::Quoted, PayloadForm::Bare, PayloadForm::OpenQuote, PayloadForm::CloseQuote,
              PayloadForm::Omitted}) {
          if ((payload == PayloadForm::Omitted) == webhook.payload.has_value()) continue;
          for (TriggerForm trigger : {TriggerForm::Omitted, TriggerForm::Bars, TriggerForm::Open, TriggerForm::Later}) {
            if (trigger == TriggerForm::Omitted && (on_first || !webhook.trigger.empty())) continue;
            if (trigger == TriggerForm::Later && !held) continue;
            for (UrlForm url :
                 {UrlForm::Omitted, UrlForm::Bare, UrlForm::Quoted, UrlForm::OpenQuote, UrlForm::SpacedQuote,
                  UrlForm::SpacedOpen}) {
              // An empty url goes without its keyword or between quotes.
              const bool empty_form = url == UrlForm::Omitted || url == UrlForm::Bare;
              if (empty_form && webhook.url.empty() != (url == UrlForm::Omitted)) continue;
              if (f(Layout{lead, order, on_first, trigger, url, payload})) return true;
            }
          }
        }
      }
    } while (std::next_permutation(order.begin(), order.end()));
  }
  return false;
}

}  // namespace

std::string webhook_line(const Webhook& webhook, std::string preferred) {
  if (!preferred.empty() && write::rereads_as(preferred, webhook)) return preferred;
  // A part whose keyword an earlier one already holds is read from there, so
  // the line only goes on with the rest of its value.
  std::string line;
  const bool found = !webhook_has_no_line(webhook) && any_layout(webhook, [&](const Layout& layout) {
    std::optional<std::string> value = LineBuilder(webhook, layout).build();
    if (!value) return false;
    line = "webhook: " + *value;
    return write::rereads_as(line, webhook);
  });
  if (found) return line;
  if (!preferred.empty()) return preferred;
  // No line says it: the plain spelling.
  line = "webhook: on:|" + webhook.trigger + "|";
  if (!webhook.url.empty()) line += " url: " + webhook.url;
  if (webhook.payload) line += " payload: \"" + *webhook.payload + "\"";
  return line;
}

namespace {

constexpr std::string_view kPayload = "payload:";

// Where the payload's keyword stands inside the url or the trigger (at
// `keyword`): before that part, which the payload then holds; or it is the
// part's, and the payload goes on from the part's rest.
bool payload_fits_url(std::string_view payload, std::string_view url, std::size_t keyword) {
  // The url's rest (less its quotes), then what follows the url: a space, or
  // the end of the line, where a url loses the quotes it ends in.
  const std::string_view rest = url.substr(keyword + kPayload.size());
  const std::string_view head = parse::strip_leading(rest, '"');
  const bool spaced = payload.size() > head.size() && text::word_length(payload.substr(head.size())) == 0;
  const bool follows = rest.empty() || (head.empty() && spaced) || (!head.empty() && payload.starts_with(head) && spaced) ||
                       (!head.empty() && payload == head && !url.ends_with('"'));
  return follows || payload.find(parse::strip_trailing(url, '"')) != std::string_view::npos;
}

bool payload_fits_trigger(std::string_view payload, std::string_view trigger, std::size_t keyword) {
  // The payload holds the trigger and its closing bar, or ends with its
  // keyword and it; or goes on from the trigger's rest to its closing bar or
  // to the end of the line.
  const std::string_view rest = trigger.substr(keyword + kPayload.size());
  const bool follows = payload.starts_with(std::string(value_start(rest)) + "|") || payload == parse::strip_quotes(rest);
  return follows || payload.find(std::string(trigger) + "|") != std::string_view::npos ||
         payload.ends_with("on:" + std::string(parse::strip_trailing(trigger, '"')));
}

// A trigger without a closing bar runs to the end of the line, after its
// "on:". A payload whose keyword stands before it ends with both; else its
// keyword is the trigger's. A url holding "on:" stands in the trigger, or its
// "on:" is the trigger's, which goes on with the url's rest.
bool open_trigger_fits(const Webhook& webhook, std::size_t payload_in_trigger) {
  const std::string_view trigger = webhook.trigger;
  const std::string_view bare_trigger = parse::strip_trailing(trigger, '"');
  if (webhook.payload) {
    const std::string_view payload = *webhook.payload;
    const bool ends = payload.ends_with("on:" + std::string(bare_trigger));
    const bool from_trigger = payload_in_trigger != std::string_view::npos &&
                              payload == parse::strip_quotes(trigger.substr(payload_in_trigger + kPayload.size()));
    if (!ends && !from_trigger) return false;
  }
  const std::string_view url = webhook.url;
  const std::size_t on = url.find("on:");
  return on == std::string_view::npos || trigger.find(parse::strip_trailing(url, '"')) != std::string_view::npos ||
         trigger.starts_with(url.substr(on + 3));
}

}  // namespace

// Each test below follows from the parser's rules alone. A part's text stands
// in the line as it is: the trigger between bars or, when no second bar
// follows its keyword, as all the rest of the line; the url as one word; the
// payload as the rest of the line less the quotes and spaces at its ends. So
// a keyword inside a part's text is in the line, and the first of that
// keyword is there or before.
bool webhook_has_no_line(const Webhook& webhook) {
  const std::string_view trigger = webhook.trigger;
  const std::string_view url = webhook.url;
  const std::string_view payload = webhook.payload ? std::string_view(*webhook.payload) : std::string_view();
  for (std::string_view part : {trigger, url, payload}) {
    if (part.find('\n') != std::string_view::npos) return true;
  }
  // The url is one word.
  if (text::word_length(url) != url.size()) return true;
  // The payload loses the quotes at both of its ends.
  if (payload.starts_with('"') || payload.ends_with('"')) return true;
  // A trigger holds no bar, or one when it runs to the end of the line, which
  // ends in no whitespace.
  const auto bars = std::count(trigger.begin(), trigger.end(), '|');
  const bool open_trigger = bars == 1;
  if (bars > 1 || (open_trigger && text::trim_end(trigger).size() != trigger.size())) return true;
  const std::size_t payload_in_trigger = trigger.find(kPayload);
  const std::size_t payload_in_url = url.find(kPayload);
  if ((payload_in_trigger != std::string_view::npos || payload_in_url != std::string_view::npos) && !webhook.payload) {
    return true;
  }
  if (open_trigger && !open_trigger_fits(webhook, payload_in_trigger)) return true;
  if (payload_in_url != std::string_view::npos && !payload_fits_url(payload, url, payload_in_url)) return true;
  return payload_in_trigger != std::string_view::npos && !payload_fits_trigger(payload, trigger, payload_in_trigger);
}

}  // namespace varn::render

#include "format/reread.hpp"

#include "parse/parser.hpp"

namespace varn::format {
namespace {

template <class T>
const T* reread(std::string_view line, std::optional<Node>& holder) {
  parse::Parser p;
  p.lines = {line};
  holder = parse::parse_node(p, 0);
  return holder ? std::get_if<T>(&holder->value) : nullptr;
}

}  // namespace

bool rereads_as(std::string_view line, const Webhook& webhook) {
  std::optional<Node> holder;
  const Webhook* w = reread<Webhook>(line, holder);
  return w && w->trigger == webhook.trigger && w->url == webhook.url && w->payload == webhook.payload;
}

bool rereads_as(std::string_view line, const ModInvoke& invoke) {
  std::optional<Node> holder;
  const ModInvoke* m = reread<ModInvoke>(line, holder);
  return m && m->name == invoke.name && m->method == invoke.method && m->args == invoke.args;
}

std::string webhook_line(const Webhook& webhook, std::string preferred) {
  if (!preferred.empty() && rereads_as(preferred, webhook)) return preferred;
  // Every part is searched in the whole line, the url is the first word after
  // its surrounding quotes are stripped, and the payload runs to the end of
  // the line: of the spellings below, the first that reads back whole is
  // written. (A part found inside another one, such as a "payload:" within
  // the url, is not written again.)
  enum class Url { Bare, Quoted, OpenQuote, SpacedQuote, InTrigger };
  auto spell = [&](Url form, bool payload) {
    std::string line = "webhook:";
    if (form == Url::InTrigger) return line + " on:" + webhook.trigger;
    if (!webhook.trigger.empty()) line += " on:|" + webhook.trigger + "|";
    if (!webhook.url.empty()) {
      line += " url: ";
      if (form != Url::Bare) line += '"';
      line += webhook.url;
      // A closing quote stays in the url when a payload follows; before the
      // end of the line it goes, with any quote the url ends in.
      if (form == Url::Quoted) line += '"';
      if (form == Url::SpacedQuote) line += " \"";
    }
    if (payload && webhook.payload) line += " payload: \"" + *webhook.payload + "\"";
    return line;
  };
  for (bool payload : {true, false}) {
    for (Url form : {Url::Bare, Url::Quoted, Url::OpenQuote, Url::SpacedQuote, Url::InTrigger}) {
      std::string candidate = spell(form, payload);
      if (rereads_as(candidate, webhook)) return candidate;
    }
  }
  return preferred.empty() ? spell(Url::Bare, true) : preferred;
}

}  // namespace varn::format

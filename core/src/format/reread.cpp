#include "format/reread.hpp"

#include "parse/parser.hpp"

namespace varn::format {
namespace {

template <class T>
const T* reread(std::string_view line, std::optional<Node>& holder) {
  parse::Parser p;
  p.lines = parse::Lines::one(line);
  holder = parse::parse_node(p, 0);
  return holder ? holder->get_if<T>() : nullptr;
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
  // the url, is not written again: the payload then follows without its
  // keyword.)
  enum class Url { Bare, Quoted, OpenQuote, SpacedQuote, InTrigger };
  enum class Payload { Keyed, Unkeyed, None };
  auto spell = [&](Url form, Payload payload) {
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
    if (payload != Payload::None && webhook.payload) {
      line += payload == Payload::Keyed ? " payload: \"" : " \"";
      line += *webhook.payload + "\"";
    }
    return line;
  };
  for (Payload payload : {Payload::Keyed, Payload::Unkeyed, Payload::None}) {
    for (Url form : {Url::Bare, Url::Quoted, Url::OpenQuote, Url::SpacedQuote, Url::InTrigger}) {
      std::string candidate = spell(form, payload);
      if (rereads_as(candidate, webhook)) return candidate;
    }
  }
  return preferred.empty() ? spell(Url::Bare, Payload::Keyed) : preferred;
}

std::string mod_invoke_line(const ModInvoke& invoke) {
  std::string line = "$" + invoke.name;
  if (invoke.method) line += "." + *invoke.method;
  if (invoke.args) line += "(" + *invoke.args + ")";
  if (!rereads_as(line, invoke) && invoke.method) {
    std::string mod = "mod:" + *invoke.method;
    if (invoke.args) mod += " " + *invoke.args;
    if (rereads_as(mod, invoke)) return mod;
  }
  return line;
}

}  // namespace varn::format

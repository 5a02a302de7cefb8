#include "format/reread.hpp"

#include "format/format.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"

namespace varn::format {

namespace {

template <class T>
const T* reread(std::string_view line, std::optional<Node>& holder) {
  holder = read_alone(line);
  return holder ? holder->get_if<T>() : nullptr;
}

}  // namespace

std::optional<Node> read_alone(std::string_view line) {
  parse::Parser p;
  p.lines = parse::Lines::as_given({line});
  return parse::parse_node(p, 0);
}

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

bool rereads_as(std::string_view line, const Define& define) {
  std::optional<Node> holder;
  const Define* d = reread<Define>(line, holder);
  if (!d || d->entity != define.entity || d->from_scope != define.from_scope || d->mod_scope != define.mod_scope ||
      d->workspace_scope != define.workspace_scope) {
    return false;
  }
  return same_atoms(d->atoms, define.atoms);
}

std::string webhook_line(const Webhook& webhook, std::string preferred) {
  if (!preferred.empty() && rereads_as(preferred, webhook)) return preferred;
  // Every part is searched in the whole line, the url is the first word after
  // its surrounding quotes are stripped, and the payload runs to the end of
  // the line: of the spellings below, the first that reads back whole is
  // written. (A part found inside another one, such as a "payload:" within
  // the url, is not written again: the payload then follows without its
  // keyword.)
  enum class Url { Bare, Quoted, OpenQuote, SpacedQuote, InTrigger, Omitted };
  enum class Payload { Keyed, Unkeyed, Bare, None };
  auto spell = [&](Url form, Payload payload, bool trigger) {
    std::string line = "webhook:";
    if (form == Url::InTrigger) return line + " on:" + webhook.trigger;
    if (trigger && !webhook.trigger.empty()) line += " on:|" + webhook.trigger + "|";
    if (!webhook.url.empty() && form != Url::Omitted) {
      line += " url: ";
      if (form != Url::Bare) line += '"';
      line += webhook.url;
      // A closing quote stays in the url when a payload follows; before the
      // end of the line it goes, with any quote the url ends in.
      if (form == Url::Quoted) line += '"';
      if (form == Url::SpacedQuote) line += " \"";
    }
    if (payload == Payload::Bare && webhook.payload) {
      line += " payload: " + *webhook.payload;
    } else if (payload != Payload::None && webhook.payload) {
      line += payload == Payload::Keyed ? " payload: \"" : " \"";
      line += *webhook.payload + "\"";
    }
    return line;
  };
  for (Payload payload : {Payload::Keyed, Payload::Unkeyed, Payload::None}) {
    for (Url form : {Url::Bare, Url::Quoted, Url::OpenQuote, Url::SpacedQuote, Url::InTrigger}) {
      std::string candidate = spell(form, payload, true);
      if (rereads_as(candidate, webhook)) return candidate;
    }
  }
  // A trigger that holds "url:" or "payload:" starts that part itself: the
  // rest of it follows the trigger's closing bar.
  auto run_on = [&](std::string_view key, const std::string& part, std::string_view after) -> std::string {
    const std::size_t at = webhook.trigger.find(key);
    if (at == std::string::npos) return {};
    const std::string head(
        parse::strip_leading(text::trim_start(std::string_view(webhook.trigger).substr(at + key.size())), '"'));
    if (!part.starts_with(head + "|")) return {};
    std::string candidate = "webhook: on:|" + webhook.trigger + "|" + part.substr(head.size() + 1);
    candidate.append(after);
    return rereads_as(candidate, webhook) ? candidate : std::string();
  };
  if (webhook.payload) {
    if (std::string line = run_on("payload:", *webhook.payload, ""); !line.empty()) return line;
  }
  const std::string payload = webhook.payload ? " payload: \"" + *webhook.payload + "\"" : "";
  if (std::string line = run_on("url:", webhook.url, payload); !line.empty()) return line;
  // The trigger (and the url) found inside an unquoted payload, after the
  // payload's keyword or before it.
  if (webhook.payload) {
    for (Url form : {Url::Bare, Url::Quoted, Url::Omitted}) {
      std::string candidate = spell(form, Payload::Bare, false);
      if (rereads_as(candidate, webhook)) return candidate;
    }
    std::string candidate = "webhook: on: payload: " + *webhook.payload;
    if (rereads_as(candidate, webhook)) return candidate;
  }
  // A "url:" or "payload:" inside the trigger (or the url): the line goes on
  // with the rest of that part (a url's closing quote kept by a lone one).
  for (Url form : {Url::Omitted, Url::Bare}) {
    std::string line = spell(form, Payload::None, true);
    for (int part = 0; part < 2; ++part) {
      std::optional<Node> holder;
      const Webhook* w = reread<Webhook>(line, holder);
      if (!w) break;
      if (w->url != webhook.url && !w->url.empty() && webhook.url.starts_with(w->url)) {
        line += webhook.url.substr(w->url.size());
        if (webhook.url.ends_with('"')) line += " \"";
      } else if (w->payload && webhook.payload && *w->payload != *webhook.payload &&
                 webhook.payload->starts_with(*w->payload)) {
        line += webhook.payload->substr(w->payload->size());
      }
    }
    if (rereads_as(line, webhook)) return line;
  }
  // The url first, and the trigger after it as it is, to the end of the line.
  if (!webhook.payload) {
    for (std::string_view quote : {"", "\""}) {
      std::string line = "webhook: url: ";
      line.append(quote).append(webhook.url).append(quote).append(" on:").append(webhook.trigger);
      if (rereads_as(line, webhook)) return line;
    }
  }
  return preferred.empty() ? spell(Url::Bare, Payload::Keyed, true) : preferred;
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

std::string define_line(const Define& define) {
  // The entity's words are read back joined by single spaces, and the first
  // " from @" starts the scope: a second space keeps one in the entity.
  auto append_entity = [&](std::string& line) {
    constexpr std::string_view kFrom = " from @";
    std::string_view rest = define.entity;
    for (std::size_t at; (at = rest.find(kFrom)) != std::string_view::npos; rest.remove_prefix(at + kFrom.size())) {
      line.append(rest.substr(0, at)).append(" from  @");
    }
    line.append(rest);
  };
  auto spell = [&](bool atoms_first) {
    std::string line = "define:";
    append_target(line, "", define.mod_scope, define.workspace_scope);
    if (!atoms_first) append_entity(line);
    for (const Atom& a : define.atoms) {
      if (!atoms_first) line.push_back(' ');
      append_atom(line, a);
      if (atoms_first) line.push_back(' ');
    }
    if (atoms_first) append_entity(line);
    if (define.from_scope) line.append(" from ").append(*define.from_scope);
    return line;
  };
  std::string line = spell(false);
  if (define.atoms.empty() || rereads_as(line, define)) return line;
  std::string atoms_first = spell(true);
  return rereads_as(atoms_first, define) ? atoms_first : line;
}

}  // namespace varn::format

#include "write/read_back.hpp"

#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>

#include "parse/headings.hpp"
#include "parse/inline.hpp"
#include "parse/parser.hpp"
#include "parse/text.hpp"
#include "text/unicode.hpp"
#include "write/head_texts.hpp"

namespace varn::write {

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

}  // namespace varn::write

#include "format/reread.hpp"

#include "parse/parser.hpp"

namespace varn::format {
namespace {

template <class T>
const T* reread(std::string_view line, std::optional<Node>& holder) {
  parse::Parser p;
  p.lines = {line};
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

}  // namespace varn::format

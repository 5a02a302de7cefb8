#include "parse/inline.hpp"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace varn::parse {
namespace {

std::string q(std::string_view s) {
  std::string out = "\"";
  out += s;
  out += '"';
  return out;
}

// One span in a compact form that shows every field, e.g.
// Ref(["tasks","open"] plural ws="acme").
std::string show(const Inline& span) {
  struct Show {
    std::string operator()(const InlineText& t) const { return "Text(" + q(t.value) + ")"; }
    std::string operator()(const Ref& r) const {
      std::string s = "Ref([";
      for (std::size_t k = 0; k < r.path.size(); ++k) {
        if (k) s += ',';
        s += q(r.path[k]);
      }
      s += "]";
      if (r.plural) s += " plural";
      if (r.mod_scope) s += " mod=" + q(*r.mod_scope);
      if (r.workspace_scope) s += " ws=" + q(*r.workspace_scope);
      return s + ")";
    }
    std::string operator()(const InlineChannel& c) const { return "Channel(" + q(c.name) + ")"; }
    std::string operator()(const InlineModCall& m) const {
      return "ModCall(" + q(m.name) + (m.args ? " args=" + q(*m.args) : "") + ")";
    }
    std::string operator()(const Compute& c) const { return "Compute(" + q(c.expr) + (c.live ? " live" : "") + ")"; }
    std::string operator()(const InlineBold& b) const { return "Bold(" + q(b.value) + ")"; }
    std::string operator()(const Atom& a) const { return "Atom(" + q(a.name) + ")"; }
    std::string operator()(const Gate& g) const { return "Gate(" + q(g.name) + ")"; }
    std::string operator()(const Time& t) const { return "Time(" + q(t.constraint) + ")"; }
    std::string operator()(const InlineProjectRef& p) const { return "ProjectRef(" + q(p.name) + ")"; }
  };
  return visit_held(Show{}, span);
}

std::string show(const Inlines& spans) {
  std::string s;
  for (std::size_t k = 0; k < spans.size(); ++k) s += (k ? ", " : "") + show(spans[k]);
  return s;
}

std::string show(const std::vector<Gate>& gates) {
  std::string s;
  for (std::size_t k = 0; k < gates.size(); ++k) {
    s += (k ? ", " : "") + q(gates[k].name) + ":" + (gates[k].body ? q(*gates[k].body) : "absent");
  }
  return s;
}

struct Case {
  std::string_view in;
  std::string_view want;
};

TEST(ParseInline, Table) {
  const Case cases[] = {
      {"", ""},
      {"plain text", R"~(Text("plain text"))~"},
      {"see @alice and #dev", R"~(Text("see "), Ref(["alice"]), Text(" and "), Channel("dev"))~"},
      // References only after whitespace, "(" or ":" or at the start.
      {"x@y", R"~(Text("x@y"))~"},
      {"(@x)", R"~(Text("("), Ref(["x"]), Text(")"))~"},
      {"owner:@x", R"~(Text("owner:"), Ref(["x"]))~"},
      {"@workspace:acme.@tasks(s):open", R"~(Ref(["tasks","open"] plural ws="acme"))~"},
      {"@workspace:acme", R"~(Ref(["workspace","acme"]))~"},
      {"@workspace:", R"~(Ref(["workspace"]))~"},
      {"@workspace:.@", R"~(Ref([""] ws=""))~"},
      // A scope is taken only across reference characters up to the ".@".
      {"@workspace:a b.@c d", R"~(Ref(["workspace","a"]), Text(" b.@c d"))~"},
      {"ping @workspace:acme and $crm.@contacts",
       R"~(Text("ping "), Ref(["workspace","acme"]), Text(" and "), Ref(["contacts"] mod="crm"))~"},
      {"@workspace:a:b.@c", R"~(Ref(["workspace","a","b."]), Text("@c"))~"},
      {"@workspace:a.b.@c", R"~(Ref(["c"] ws="a.b"))~"},
      {"@", R"~(Ref([""]))~"},
      {"@:", R"~(Ref([""]))~"},
      {"@(s)", R"~(Ref([""] plural))~"},
      {"@a(s)x", R"~(Ref(["a","x"] plural))~"},
      {"@a(b", R"~(Ref(["a"]), Text("(b"))~"},
      {"@a(s", R"~(Ref(["a"]), Text("(s"))~"},
      {"@a::b", R"~(Ref(["a","b"]))~"},
      {"@bob.", R"~(Ref(["bob."]))~"},
      {"@a/b~c-d_e.f!", R"~(Ref(["a/b~c-d_e.f"]), Text("!"))~"},
      // Module calls and module-scoped references.
      {"$deploy.", R"~(ModCall("deploy"))~"},
      {"$crm.@contacts", R"~(Ref(["contacts"] mod="crm"))~"},
      {"$a..@b", R"~(Ref(["b"] mod="a"))~"},
      {"$m.@workspace:w.@x", R"~(Ref(["x"] mod="m" ws="w"))~"},
      {"$a..b", R"~(ModCall("a..b"))~"},
      {"$x. y", R"~(ModCall("x"), Text(" y"))~"},
      {"$", R"~(ModCall(""))~"},
      {"$ x", R"~(ModCall(""), Text(" x"))~"},
      {"a$b:c!", R"~(Text("a"), ModCall("b:c"), Text("!"))~"},
      // Channels.
      {"#1", R"~(Channel("1"))~"},
      {"# x", R"~(Text("# x"))~"},
      {"#", R"~(Text("#"))~"},
      {"#a.b:c-d_e!", R"~(Channel("a.b:c-d_e"), Text("!"))~"},
      {"x#y", R"~(Text("x"), Channel("y"))~"},
      // Bold.
      {"**bold", R"~(Bold("bold"))~"},
      {"a ** b **c", R"~(Text("a "), Bold(" b "), Text("c"))~"},
      {"**", R"~(Bold(""))~"},
      {"***", R"~(Bold("*"))~"},
      {"****", R"~(Bold(""))~"},
      {"*****", R"~(Bold(""), Text("*"))~"},
      {"a*b*", R"~(Text("a*b*"))~"},
      // Computes.
      {"|x|", R"~(Compute("x"))~"},
      {"||x||", R"~(Compute("x" live))~"},
      {"|a||b|", R"~(Compute("a|"), Text("b"), Compute(""))~"},
      {"|", R"~(Compute(""))~"},
      {"||", R"~(Compute("" live))~"},
      {"|||", R"~(Compute("|" live))~"},
      {"||a|", R"~(Compute("a|" live))~"},
      {"a|b", R"~(Text("a"), Compute("b"))~"},
      // Project references.
      {"50% off", R"~(Text("50% off"))~"},
      {"%proj rest @x", R"~(ProjectRef("proj rest"), Text(" "), Ref(["x"]))~"},
      {"%a %b", R"~(ProjectRef("a"), Text(" "), ProjectRef("b"))~"},
      {"%a   ", R"~(ProjectRef("a"), Text("   "))~"},
      {"%a{b}", R"~(ProjectRef("a"), Text("{b}"))~"},
      {"(%p)", R"~(Text("("), ProjectRef("p)"))~"},
      {"x%a", R"~(Text("x%a"))~"},
      {"%", R"~(Text("%"))~"},
      // Multi-byte characters: positions count characters, text keeps bytes.
      {"café @zoë #日本 **ü** |π|",
       R"~(Text("café "), Ref(["zoë"]), Text(" "), Channel("日本"), Text(" "), Bold("ü"), Text(" "), Compute("π"))~"},
      {"x\u3000@y", "Text(\"x\u3000\"), Ref([\"y\"])"},
      {"\u00a0%proj\u3000", "Text(\"\u00a0\"), ProjectRef(\"proj\"), Text(\"\u3000\")"},
      {"50%\u3000off", "Text(\"50%\u3000off\")"},
      {"%é", R"~(ProjectRef("é"))~"},
      {"$mödul.@réf", R"~(Ref(["réf"] mod="mödul"))~"},
      {"**é**ü", R"~(Bold("é"), Text("ü"))~"},
      {"|é||ü|", R"~(Compute("é|"), Text("ü"), Compute(""))~"},
      {"@workspace:ß.@ü(s)", R"~(Ref(["ü"] plural ws="ß"))~"},
      // Bytes that are not UTF-8 pass through unchanged.
      {"a\xff@b", "Text(\"a\xff@b\")"},
      {"\xff #x\xfe", "Text(\"\xff \"), Channel(\"x\"), Text(\"\xfe\")"},
      {"**\xc3**", "Bold(\"\xc3\")"},
      {"@ab\xe2\x82", "Ref([\"ab\"]), Text(\"\xe2\x82\")"},
      {"#\xff", "Text(\"#\xff\")"},
      {"|\xf0\x9f|", "Compute(\"\xf0\x9f\")"},
      // The character before a mark is read backwards: a stray continuation
      // byte after a whole character is a character of its own, no space.
      {"\xc3\x82\x82@x", "Text(\"\xc3\x82\x82@x\")"},
      {"\xe2\x80\x83@x", "Text(\"\xe2\x80\x83\"), Ref([\"x\"])"},
      {"\xe2\x80@x", "Text(\"\xe2\x80@x\")"},
      {"\x80(@x", "Text(\"\x80(\"), Ref([\"x\"])"},
      {"%p\xe2\x80\x83\xe2\x80\x83#c", "ProjectRef(\"p\"), Text(\"\xe2\x80\x83\xe2\x80\x83\"), Channel(\"c\")"},
      {"%p\x80 #c", "ProjectRef(\"p\x80\"), Text(\" \"), Channel(\"c\")"},
  };
  for (const Case& c : cases) EXPECT_EQ(show(parse_inline(c.in)), c.want) << testing::PrintToString(c.in);
}

TEST(ExtractGates, Table) {
  const Case cases[] = {
      {"a {b c} {d}", R"~("b":"c", "d":absent)~"},
      {"{review   }", R"~("review":"")~"},
      {"{review}", R"~("review":absent)~"},
      {"{  review}", R"~("review":absent)~"},
      {"{  review  }", R"~("review":"")~"},
      {"{}", R"~("":absent)~"},
      {"{  }", R"~("  ":absent)~"},
      {"{a {b} c}", R"~("a":"{b} c")~"},
      {"x {a", ""},
      {"{a} {b", R"~("a":absent)~"},
      {"}{a}", R"~("a":absent)~"},
      {"no gates", ""},
      // Whitespace of more than one byte between or before words.
      {"{review\u3000now}", R"~("review":"now")~"},
      {"{\u3000ab x}", R"~("ab":"x")~"},
      {"{\u3000é}", R"~("é":absent)~"},
      {"{é\u3000 ü\u00a0}", R"~("é":"ü")~"},
      {"{a\xff b}", "\"a\xff\":\"b\""},
  };
  for (const Case& c : cases) EXPECT_EQ(show(extract_gates(c.in)), c.want) << testing::PrintToString(c.in);
}

TEST(StripGates, Table) {
  const Case cases[] = {
      {"a {b c} {d}", "a  "},
      {"{a {b} c}", ""},
      {"x {a", "x {a"},
      {"{a} {b", " {b"},
      {"}{a}x", "}x"},
      {"é{\u3000}ü", "éü"},
      {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(strip_gates(c.in), c.want) << testing::PrintToString(c.in);
}

TEST(FindMatchingBrace, Table) {
  struct BraceCase {
    std::string_view in;
    std::size_t open;
    std::optional<std::size_t> want;
  };
  const BraceCase cases[] = {
      {"{a{b}c}", 0, 6}, {"{a{b}c}", 2, 4}, {"{", 0, std::nullopt}, {"x}", 0, std::nullopt},
      {"", 0, std::nullopt}, {"{}", 5, std::nullopt}, {"é{ü}", 2, 5}, {"{{}", 0, std::nullopt},
  };
  for (const BraceCase& c : cases) {
    EXPECT_EQ(find_matching_brace(c.in, c.open), c.want) << testing::PrintToString(c.in) << " at " << c.open;
  }
}

TEST(Unquote, Table) {
  const Case cases[] = {
      {"\"\"", ""},   {"\"", "\""},         {"  \"a b\"  ", "a b"}, {"\"a", "\"a"},
      {"", ""},       {"\u3000\"x\"\u3000", "x"}, {"\"\"\"", "\""},  {"plain", "plain"},
  };
  for (const Case& c : cases) EXPECT_EQ(unquote(c.in), c.want) << testing::PrintToString(c.in);
}

TEST(TextBetweenBars, Table) {
  const Case cases[] = {
      {"a|b|c", "b"}, {"a|b", "a|b"}, {"||", ""}, {"none", "none"}, {"|é|ü|", "é"}, {"", ""},
  };
  for (const Case& c : cases) EXPECT_EQ(text_between_bars(c.in), c.want) << testing::PrintToString(c.in);
}

TEST(ParseScopePrefix, Table) {
  struct ScopeCase {
    std::string_view in;
    std::optional<std::string> mod, workspace;
    std::string_view rest;
  };
  const ScopeCase cases[] = {
      {"$m.@workspace:w.@x", "m", std::nullopt, "workspace:w.@x"},
      {"$crm.@contacts", "crm", std::nullopt, "contacts"},
      {"$.@x", "", std::nullopt, "x"},
      {"$crm", std::nullopt, std::nullopt, "$crm"},
      {"@workspace:acme.@tasks", std::nullopt, "acme", "tasks"},
      {"@workspace:.@t", std::nullopt, "", "t"},
      {"@workspace:acme", std::nullopt, std::nullopt, "workspace:acme"},
      {"@workspace:", std::nullopt, std::nullopt, "workspace:"},
      {"@tasks", std::nullopt, std::nullopt, "tasks"},
      {"@", std::nullopt, std::nullopt, ""},
      {"tasks", std::nullopt, std::nullopt, "tasks"},
      {"", std::nullopt, std::nullopt, ""},
      {"$mö.@é", "mö", std::nullopt, "é"},
  };
  for (const ScopeCase& c : cases) {
    const ScopePrefix got = parse_scope_prefix(c.in);
    EXPECT_EQ(got.mod_scope, c.mod) << testing::PrintToString(c.in);
    EXPECT_EQ(got.workspace_scope, c.workspace) << testing::PrintToString(c.in);
    EXPECT_EQ(got.rest, c.rest) << testing::PrintToString(c.in);
  }
}

// Every short text over the marker characters, a multi-byte character and a
// stray byte: nothing fails, text runs are never empty or adjacent, and the
// references alone are the references of all the spans.
TEST(InlineScanner, TotalOnEveryShortText) {
  const std::vector<std::string> alphabet = {"@", "$", "#", "%", "*", "|", "{", "}", ".", ":",
                                             "(", "s", ")", "a", " ", "\xff", "é", "\xe3\x80"};
  std::vector<std::string> texts = {""};
  for (std::size_t len = 0; len < 4; ++len) {
    const std::size_t before = texts.size();
    for (std::size_t k = 0; k < before; ++k) {
      if (texts[k].size() < len) continue;
      for (const std::string& a : alphabet) texts.push_back(texts[k] + a);
    }
  }
  for (const std::string& t : texts) {
    const Inlines spans = parse_inline(t);
    Inlines refs;
    for (const Inline& span : spans) {
      if (held_if<Ref>(span)) refs.push_back(span);
    }
    EXPECT_EQ(show(parse_inline(t, Spans::Refs)), show(refs)) << testing::PrintToString(t);
    EXPECT_TRUE(parse_inline(t, Spans::None).empty());
    for (std::size_t k = 0; k < spans.size(); ++k) {
      const auto* text = std::get_if<InlineText>(&spans[k]);
      if (!text) continue;
      EXPECT_FALSE(text->value.empty()) << testing::PrintToString(t);
      if (k > 0) {
        EXPECT_FALSE(std::holds_alternative<InlineText>(spans[k - 1])) << testing::PrintToString(t);
      }
    }
    const std::vector<Gate> gates = extract_gates(t);
    const std::string stripped = strip_gates(t);
    EXPECT_LE(stripped.size(), t.size());
    if (gates.empty()) {
      EXPECT_EQ(stripped, t);
    }
    for (std::size_t open = 0; open <= t.size(); ++open) {
      if (auto close = find_matching_brace(t, open)) {
        EXPECT_EQ(t[*close], '}');
      }
    }
    (void)unquote(t);
    (void)text_between_bars(t);
    (void)parse_scope_prefix(t);
  }
}

std::string repeat(std::string_view piece, std::size_t times) {
  std::string s;
  s.reserve(piece.size() * times);
  for (std::size_t k = 0; k < times; ++k) s += piece;
  return s;
}

// Long lines of patterns that a rescan from the start, or a search to the
// end of the line per marker, would make quadratic.
TEST(InlineScanner, LongLinesStayLinear) {
  constexpr std::size_t kTimes = 50000;
  EXPECT_EQ(parse_inline(repeat("@workspace:x ", kTimes)).size(), 2 * kTimes);
  EXPECT_EQ(parse_inline(repeat("|a", kTimes)).size(), kTimes);
  EXPECT_EQ(parse_inline(repeat("%a ", kTimes)).size(), 2 * kTimes);
  EXPECT_EQ(parse_inline(repeat("**a", kTimes)).size(), kTimes);
  EXPECT_EQ(extract_gates(repeat("{g é}", kTimes)).size(), kTimes);
  EXPECT_EQ(strip_gates(repeat("{g}x", kTimes)), repeat("x", kTimes));
  EXPECT_TRUE(extract_gates(repeat("{", kTimes)).empty());
}

}  // namespace
}  // namespace varn::parse

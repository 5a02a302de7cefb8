"""Random .varn documents made from the language's line forms alone, and the
writers' properties checked over them.

  document(r)    a document of 1-N blocks: every line form, nested by
                 indentation, values mostly ordinary words and in a minority
                 of places the tokens the line readers react to
  json_value(r)  a JSON text for from_json
  markdown(r)    a Markdown text for from_markdown
  deep_document(r)
                 a chain of openers 120 to 127 deep with a document below it
  barred_lines(r)
                 a line whose value goes between bars or quotes, the value
                 made of bars, quotes, slashes and spaces
  check_document(v, source), check_conversion(v, name, text)
                 the properties, each failure named by its class

The CLI runs them over many seeds and shrinks each failure to its fewest
lines and words:

    python3 line_forms.py --seed 0 --count 100000 --jobs 4 [--odd 0.4] [--build build/python]
        [--deep | --barred] [--shrink 2]

Everything is drawn from the `random.Random` given, so a seed names a
document. Parse raises for two documents only: a `sync:` without a name and
a class other than canon, ops or data under a "Sync" heading; both are kept
(they check that fmt raises the same error).
"""
import argparse
import json
import os
import random
import re
import sys

WORDS = ("alpha beta task owner review deploy build api data orders launch ship note plan release team "
         "sales docs x y a1 b_2 ready done open high low").split()
# What the comment cut, the gate reader, the scope reader and the line rules
# react to.
ODD = ['"', '""', '"q // x"', "|", "|p//q|", "||", "{", "}", "{g b}", "{}", "//", "#", ":", "::", "=", "==",
       "@", "$", "%", "(s)", ":v", "workspace:", ".@", "-->", "--", "---", "[ ]", "[x]", "?", "*", "**", "\\",
       "\t", "\u3000", "\u00a0", "\r", "é", "名前", "  ", ",", "/", "^", "+", "-", " from snap:", " where ",
       " from ", " as @", "url:", "on:", "payload:", "limit:", "git:closes #7", '"""', "```", "sync:", "https://h/x",
       '"{', '}"', "|{", '"|', "|}", " :a", "{g}"]
# Starts of a key line's value that a writer could read as another line.
VALUE_STARTS = ["=", ":", "-", "#", "[ ] ", "?", "%", "|", '"', "//", "+", "@", "$", "{g}", ""]


def odd(r):
    return r.choice(ODD)


def word(r, rate=None):
    """An ordinary word, in a minority of places an odd token, alone or glued;
    how often is drawn once per document (`odd_rate`)."""
    if r.random() >= (getattr(r, "odd_rate", 0.12) if rate is None else rate):
        return r.choice(WORDS)
    return r.choice([odd(r), r.choice(WORDS) + odd(r), odd(r) + r.choice(WORDS)])


def words(r, lo=1, hi=3, rate=None):
    return " ".join(word(r, rate) for _ in range(r.randint(lo, hi)))


def value(r):
    """A key line's value: words, sometimes led by what could start a line."""
    return (r.choice(VALUE_STARTS) if r.random() < 0.2 else "") + words(r, 0 if r.random() < 0.1 else 1)


def quoted(r):
    """A text that its reader takes trimmed with every quote at its ends
    stripped: quotes of its own at the ends, white space inside them."""
    if r.random() >= 0.3:
        return r.choice([words(r), '"' + words(r) + '"'])
    return r.choice(['"', '""']) + r.choice(["", " "]) + words(r) + r.choice(["", '"', ' "'])


def key(r, name):
    """A key and its colon, spaced as a writer may not expect."""
    return name + (r.choice([":", ":", ":", " :", ": ", " : "]) if r.random() < 0.3 else ":")


def comment(r):
    return "  // " + words(r) if r.random() < 0.08 else ""


def ref(r):
    scope = r.choice(["", "", "", "workspace:w.@", "workspace:"])
    path = ":".join(word(r, 0.05) for _ in range(r.randint(1, 2)))
    return "@" + scope + path + ("(s)" if r.random() < 0.2 else "")


def span(r):
    """One inline span as prose and task text carry them."""
    return r.choice([
        lambda: ref(r), lambda: "#" + word(r, 0.05), lambda: "$" + word(r, 0.05),
        lambda: "$m.@" + word(r, 0.05), lambda: "%" + words(r, 1, 2), lambda: "**" + words(r) + "**",
        lambda: "|" + words(r) + "|", lambda: "||" + words(r) + "||", lambda: "(" + ref(r) + ")",
    ])()


def inline_text(r, lo=1, hi=6):
    return " ".join(span(r) if r.random() < 0.25 else word(r) for _ in range(r.randint(lo, hi)))


def gate(r):
    return "{" + word(r, 0.05) + (" " + words(r) if r.random() < 0.5 else "") + "}"


# Each line form: (r, indentation, depth) -> list of (form, line). A block
# form calls `block` for its members one step deeper.


def L(form, ind, text):
    return [(form, " " * ind + text)]


def step(r):
    return r.choice([2, 2, 2, 4, 1, 3])


def block(r, ind, depth, lo=1, hi=4):
    if depth > 3:
        return []
    out = []
    for _ in range(r.randint(lo, hi)):
        out += FORMS[r.choices(NAMES, weights=WEIGHTS)[0]][1](r, ind, depth)
    return out


def members(r, ind, depth, lo=0, hi=3):
    return block(r, ind + step(r), depth + 1, lo, hi)


def heading(r, ind, depth):
    parts = [word(r) for _ in range(r.randint(0, 3))]
    for _ in range(r.randint(0, 3)):
        parts.append(r.choice([
            lambda: ":" + word(r, 0.05), lambda: ":" + word(r, 0.05) + ":" + word(r), lambda: ":",
            lambda: r.choice(["on:", "due:", "deadline:", "timebox:", "available:", "blackout:", "routine:"])
            + r.choice(["", "2025-01-31", "mon", word(r)]),
            lambda: gate(r),
        ])())
    r.shuffle(parts)
    head = "#" * r.choice([1, 1, 2, 2, 3]) + r.choice([" ", " ", ""]) + " ".join(parts)
    return L("heading", ind, head + comment(r)) + members(r, ind, depth)


LATTICE_KEYS = {
    "Constraint": ["rule", "applies_to"], "Pressure Effect": ["dynamic", "target"],
    "Schema": ["name", "type", "required"], "Frontier": ["expected_schema", "missing_field", "strategy"],
    "Validates": ["- artifact", "artifact", "schema"], "Symmetry": [], "Unit Cell": [],
}


def key_lines(r, ind, depth, keys, form):
    """Key lines of a lattice node, between other members."""
    out = []
    for _ in range(r.randint(0, 4)):
        if keys and r.random() < 0.7:
            out += L(form + ".key", ind, key(r, r.choice(keys)) + r.choice(["", " "]) + value(r))
        else:
            out += block(r, ind, depth + 1, 1, 1)
    return out


def lattice_heading(r, ind, depth):
    title = r.choice(list(LATTICE_KEYS))
    level = 2 if r.random() < 0.9 else r.choice([1, 3])
    return (L("lattice heading", ind, "#" * level + " " + title + comment(r))
            + key_lines(r, ind + step(r), depth, LATTICE_KEYS[title], "lattice heading"))


def lattice_line(r, ind, depth):
    kw = r.choice(["lattice_constraint", "pressure_effect", "lattice_schema", "lattice_frontier",
                   "lattice_validates", "symmetry", "unit_cell"])
    keys = {"lattice_constraint": ["rule", "applies_to"], "pressure_effect": ["dynamic", "target"],
            "lattice_schema": ["name", "type", "required"],
            "lattice_frontier": ["expected_schema", "missing_field", "strategy"],
            "lattice_validates": ["- artifact", "artifact", "schema"]}.get(kw, [])
    head = kw + ":" + (" " + words(r) if kw == "lattice_constraint" and r.random() < 0.6 else "")
    return L("lattice line", ind, head) + key_lines(r, ind + r.choice([4, 4, 4, 2]), depth, keys, "lattice line")


def sync_heading(r, ind, depth):
    out = L("sync heading", ind, "#" * r.randint(1, 2) + " Sync")
    for _ in range(r.randint(0, 2)):
        sub = ind + 2
        # Atoms, which the lowering drops, may hide a "//" that starts the name.
        atoms = " ".join(":" + r.choice([word(r), '"', "|"]) for _ in range(r.randint(0, 1) if r.random() < 0.2 else 0))
        out += L("sync heading.item", sub, "### " + (atoms + " " if atoms else "") + words(r))
        for k in r.sample(["class", "source", "identity", "mode", "target", "schedule", "scope"], r.randint(0, 3)):
            v = (r.choice(["canon", "ops", "data", ""] * 30 + ["weekly"]) if k == "class"
                 else r.choice([words(r), "https://h/x // y", value(r)]))
            out += L("sync heading.key", sub + 2, k + ": " + v)
    if r.random() < 0.3:
        out += L("sync heading.prose", ind + 2, words(r))
    return out


def sync_line(r, ind, depth):
    name = words(r) if r.random() < 0.99 else ""
    out = L("sync", ind, "sync:" + r.choice([" ", ""]) + name + comment(r))
    for k in r.sample(["class", "source", "identity", "mode", "target", "schedule", "scope", "other"],
                      r.randint(0, 3)):
        out += L("sync.key", ind + 2, k + ": " + value(r))
    return out


def entity(r, ind, depth):
    out = L("entity", ind, r.choice(["## Entity:", "## Entity :"]) + " " + words(r))
    for k in r.sample(["source", "identity", "namespace"], r.randint(0, 3)):
        out += L("entity.key", ind + 2, k + ": " + value(r))
    if r.random() < 0.6:
        out += L("entity.fields", ind + 2, "fields:")
        for _ in range(r.randint(0, 3)):
            out += L("entity.field", ind + 4, "- " + word(r) + ": " + words(r, 1, 1))
    return out


def metric(r, ind, depth):
    out = L("metric", ind, r.choice(["## Metric:", "## Metric :"]) + " " + words(r))
    for k in r.sample(["source", "grain", "dimensions", "cross_source", "formula"], r.randint(0, 4)):
        if k == "formula" and r.random() < 0.5:
            out += L("metric.formula", ind + 2, "formula: " + r.choice(["|", ""]))
            for _ in range(r.randint(0, 3)):
                out += L("metric.formula", ind + 4, r.choice(["", "- "]) + words(r))
        else:
            v = {"dimensions": "[" + ", ".join(words(r, 1, 1) for _ in range(r.randint(0, 3))) + "]",
                 "cross_source": r.choice(["true", "false", "yes"])}.get(k, value(r))
            out += L("metric.key", ind + 2, k + ": " + v)
    return out


BOXES = [" ", "", "x", "o", "!", "3", "+3", "3!", "3o", "A!", "A?", "?", "ao", "X", "+", "-3", "99999999999", "+!",
         " x ", "Review?"]


def task(r, ind, depth):
    prefix = r.choice(["", "", "", "+", "++", "-", "--"])
    text = inline_text(r, 0, 5)
    if r.random() < 0.3:
        text += " " + gate(r)
    if r.random() < 0.1:
        text += " git:closes #" + r.choice(["12", "", "99999999999", "4x"])
    box = r.choice(BOXES) if r.random() < 0.8 else word(r).replace("]", "") + r.choice(["", "!", "?", "o"])
    out = L("task", ind, prefix + "[" + box + "] " + text + comment(r))
    sub = ind + step(r)
    if depth > 3:
        return out
    for _ in range(r.randint(0, 4)):
        roll = r.random()
        if roll < 0.25:
            out += L("task.clause", sub, key(r, r.choice(["status", "depends", "validate", "note"])) + " "
                     + r.choice([words(r), "", "@build", value(r)]))
        elif roll < 0.45:
            out += L("task.section", sub, r.choice(["on_pass:", "on pass:", "on_fail:", "on fail:", "match:"]))
        elif roll < 0.6:
            out += L("task.arm", sub, r.choice([word(r) + ":", word(r) + "::", "needs review:", value(r) + ":"]))
        else:
            out += block(r, sub, depth + 1, 1, 1)
    return out


def prose(r, ind, depth):
    return L("prose", ind, inline_text(r) + comment(r))


def comment_line(r, ind, depth):
    return L("comment", ind, r.choice(["//", "// ", "///", "////"]) + words(r, 0))


def marks(r, ind, depth):
    return L("spawn" if r.random() < 0.4 else "divider", ind,
             r.choice(["+", "++"]) if r.random() < 0.4 else "-" * r.randint(3, 6) + comment(r))


def scope_prefix(r):
    return r.choice(["@", "@", "@", "$m.@", "@workspace:w.@", "@workspace:", "$", "@workspace:.@"])


FIELD_VALUES = ["", "[]", "true", "false", "nil", '"q"', '""', '"', "@ana", "|2025-01-01|", "|", ":a/:b", ":open",
                "-42", "007", "0.5", "1e3", "inf", "12ab", "+", "True"]


def field_line(r):
    name = word(r) + ("(s)" if r.random() < 0.2 else "")
    v = r.choice(FIELD_VALUES) if r.random() < 0.6 else words(r)
    return name + ": " + v


def define(r, ind, depth):
    # An entity may start or end with "from", before which alone atoms are
    # read; an atom's bar or quote may hide a "//" after it.
    head = "define:" + scope_prefix(r) + r.choice(["", "", "", "from ", " from "]) + words(r, 1, 2)
    head += "".join(" :" + r.choice([word(r, 0.05), word(r, 0.05), "|", '"']) for _ in range(r.randint(0, 2)))
    if r.random() < 0.3:
        head += r.choice([" from @", " from "]) + word(r)
    elif r.random() < 0.1:
        head += " from"
    out = L("define", ind, head + comment(r))
    for _ in range(r.randint(0, 3)):
        out += L("define.field", ind + step(r), field_line(r) if r.random() < 0.9 else words(r))
    return out


def mutate(r, ind, depth):
    head = "mutate:" + scope_prefix(r) + word(r)
    if r.random() < 0.6:
        head += ":" + r.choice(["42", " 42", word(r), ""])
    if r.random() < 0.3:
        head = head + " " + gate(r) if r.random() < 0.7 else head.replace(":", ":" + gate(r), 1)
    out = L("mutate", ind, head + comment(r))
    batch = r.random() < 0.4
    for _ in range(r.randint(0, 3)):
        line = (r.choice(["t1", "t2", word(r)]) + ": " if batch else "") + word(r) + ": " + words(r)
        out += L("mutate.pair", ind + step(r), line)
    return out


def delete(r, ind, depth):
    return L("delete", ind, "delete:" + scope_prefix(r) + word(r) + r.choice(["", ":12", ": 12", ":" + word(r)]))


def query_expr(r):
    e = scope_prefix(r).lstrip("@") if r.random() < 0.7 else scope_prefix(r)
    e += words(r, 1, 2) + ("(s)" if r.random() < 0.4 else "")
    clauses = [" from snap:" + word(r), " where " + words(r)]
    r.shuffle(clauses)
    return e + "".join(c for c in clauses if r.random() < 0.4)


def query(r, ind, depth):
    if r.random() < 0.5:
        return L("query?", ind, r.choice(["? ", "? ? "]) + query_expr(r) + comment(r))
    out = L("query", ind, "query:" + (" " + words(r) if r.random() < 0.1 else ""))
    sub = ind + step(r)
    out += L("query.expr", sub, query_expr(r))
    for _ in range(r.randint(0, 3)):
        out += L("query.clause", sub, r.choice([
            lambda: "sort: " + words(r), lambda: "limit: " + r.choice(["5", "+7", "many", "", "4294967296"]),
            lambda: "include: " + ", ".join(word(r) for _ in range(r.randint(1, 3))), lambda: words(r)])())
    return out


def variable(r, ind, depth):
    name = r.choice([word(r).replace(" ", ""), "a.b", "x:y", "symmetry:x"])
    v = r.choice([lambda: words(r), lambda: "", lambda: "||" + words(r) + "||", lambda: "|" + words(r) + "|",
                  lambda: ref(r), lambda: "$m.@" + word(r), lambda: "|", lambda: "||"])()
    return L("variable", ind, name + r.choice([" = ", "=", " ="]) + v + comment(r))


def edge(r):
    # A comma before the names, which they drop, lets a segment open in the
    # first of them.
    names = lambda: r.choice(["", "", "", ", "]) + ", ".join(word(r, 0.08) for _ in range(r.randint(0, 2)))  # noqa: E731
    out = names()
    for _ in range(r.randint(1, 2)):
        seg = r.choice(["", "", word(r), "wait:|5m|", "timeout:|1h|", "wait:5m", "{approve}", "{a b}"])
        arrow = (" --" + seg + "--> ") if seg else r.choice([" --> ", " +--> ", " +-->"])
        out += arrow + names()
    return out


def flow(r, ind, depth):
    kw = r.choice(["flow:", "states:"])
    out = L(kw[:-1], ind, kw)
    for _ in range(r.randint(0, 3)):
        out += L(kw[:-1] + ".edge", ind + step(r), edge(r) if r.random() < 0.9 else words(r))
    return out


META = ["id", "targets", "requires", "blocks", "depends_on"]


def validate(r, ind, depth):
    out = L("validate", ind, "validate " + words(r, 0, 2) + ":")
    sub = ind + step(r)
    for _ in range(r.randint(0, 3)):
        if r.random() < 0.5:
            out += L("validate.meta", sub, key(r, r.choice(META)) + " " + ", ".join(words(r, 0, 1) for _ in "ab"))
        else:
            out += block(r, sub, depth + 1, 1, 1)
    return out


def check(r, ind, depth):
    out = L("check", ind, "check:" + r.choice(["", " "]) + words(r, 0, 2) + comment(r))
    for _ in range(r.randint(0, 3)):
        out += L("check.line", ind + step(r), key(r, r.choice(META + ["when", "note", "path"])) + " " + value(r))
    return out


def conditional(r, ind, depth):
    cond = r.choice([lambda: words(r), lambda: "|" + words(r) + "|", lambda: "||" + words(r) + "||",
                     lambda: "| a |", lambda: "||", lambda: ""])()
    return L("if", ind, "if " + cond + ":") + members(r, ind, depth, 0, 3)


FORM_KEYS = ["ui_page", "ui_layout", "schema_version", "storage_canonical", "storage_entity", "storage_duckdb",
             "projection_entity", "projection_duckdb"]


def form(r, ind, depth):
    out = L("form", ind, "form:" + r.choice([" ", ""]) + words(r, 0, 2) + comment(r))
    for _ in range(r.randint(0, 4)):
        line = (key(r, r.choice(FORM_KEYS)) + " " + r.choice(['"' + words(r) + '"', words(r), "3", "+3", "-1"])
                if r.random() < 0.5 else field_line(r))
        out += L("form.line", ind + step(r), line)
    return out


def mod_def(r, ind, depth):
    out = L("mod", ind, "mod:$" + words(r, 1, 2) + r.choice(["", "", " :v", ":v"]) + comment(r))
    sub = ind + step(r)
    for _ in range(r.randint(0, 4)):
        roll = r.random()
        if roll < 0.15:
            out += L("mod.block", sub, "prompt: " + '"""')
            out += [("mod.block", " " * (sub + r.choice([0, 2, 4])) + words(r)) for _ in range(r.randint(0, 2))]
            out += L("mod.block", sub, '"""')
        elif roll < 0.3:
            out += L("mod.bare", sub, words(r))
        else:
            k = r.choice(["kind", "description", "trigger", "note"])
            v = " / ".join(words(r, 1, 1) for _ in range(r.randint(1, 3))) if k == "trigger" else value(r)
            out += L("mod.key", sub, k + ": " + v)
    return out


def invocation(r, ind, depth):
    if r.random() < 0.3:
        return L("mod:", ind, "mod:" + word(r) + (" " + words(r) if r.random() < 0.6 else ""))
    text = "$" * r.choice([1, 1, 2]) + word(r)
    if r.random() < 0.6:
        text += "." + word(r) + r.choice(["", ".c"])
    if r.random() < 0.5:
        text += "(" + ", ".join(word(r) for _ in range(r.randint(0, 2))) + ")"
    return L("$invoke", ind, text + comment(r))


def use(r, ind, depth):
    if r.random() < 0.4:
        head = "use $" + words(r, 1, 2)
    else:
        head = "use @" + word(r)
        if r.random() < 0.7:
            head += " from " + r.choice(["$" + word(r), "@workspace:" + word(r), "@" + word(r), word(r)])
            if r.random() < 0.4:
                head += " as @" + word(r)
    out = L("use", ind, head + comment(r))
    for _ in range(r.randint(0, 2)):
        out += L("use.config", ind + step(r), word(r) + ": " + value(r))
    return out


def git(r, ind, depth):
    out = L("git", ind, "git:" + r.choice([" ", ""]) + r.choice(["commit", "push", "status", word(r)])
            + r.choice(["", " ", "  "]) + words(r, 0, 2) + comment(r))
    for _ in range(r.randint(0, 2)):
        out += L("git.line", ind + step(r), r.choice([word(r) + ": " + value(r), words(r)]))
    return out


def snapshots(r, ind, depth):
    return r.choice([
        lambda: L("snap", ind, "snap:" + r.choice([" ", "", "snap: "]) + quoted(r)),
        lambda: L("diff", ind, "diff: " + words(r) + (" from snap:" + r.choice(["", " "]) + word(r)
                                                       if r.random() < 0.6 else "")),
        lambda: L("history", ind, "history: " + words(r) + (" limit: " + r.choice(["5", "x", "+7", ""])
                                                             if r.random() < 0.6 else "")),
        lambda: L("status", ind, "status: " + " / ".join(r.choice([words(r), '"' + word(r) + '"', ""])
                                                         for _ in range(r.randint(2, 3)))),
    ])()


def routine(r, ind, depth):
    trig = word(r) + r.choice([":", "::", "", ": "])
    expr = r.choice(["|" + words(r) + "|", "|" + words(r), "", words(r)])
    return L("routine", ind, "routine:" + r.choice([" ", ""]) + trig + expr + comment(r))


def webhook(r, ind, depth):
    parts = ["on:" + r.choice(["|" + words(r) + "|", " " + word(r)]),
             "url:" + r.choice([" /hooks/" + word(r), ' "https://h/' + word(r) + '"', " " + value(r), '" /x"']),
             "payload:" + r.choice([' "' + words(r) + '"', " " + gate(r), " " + words(r)])]
    r.shuffle(parts)
    return L("webhook", ind, "webhook: " + " ".join(p for p in parts if r.random() < 0.7))


def files(r, ind, depth):
    kw = r.choice(["files:", "policy:"])
    out = L(kw[:-1], ind, kw)
    for _ in range(r.randint(0, 3)):
        if kw == "files:":
            line = r.choice(["@", ""]) + r.choice(["src/" + word(r), word(r) + "/", words(r)])
        else:
            line = r.choice(["@", "@", ""]) + word(r) + "/" + (": " + " ".join(gate(r) for _ in range(r.randint(
                0, 2))) if r.random() < 0.7 else "")
        out += L(kw[:-1] + ".line", ind + step(r), line)
    return out


def gate_def(r, ind, depth):
    return L("gate", ind, "gate:" + r.choice([" ", ""]) + words(r, 0, 2) + comment(r)) + members(r, ind, depth)


def memory(r, ind, depth):
    return r.choice([
        lambda: L("escalate", ind, "escalate: " + words(r)), lambda: L("remember", ind, "remember: " + quoted(r)),
        lambda: L("recall", ind, "recall: " + quoted(r)),
        lambda: L("embed", ind, r.choice(["^", "^^"]) + words(r)), lambda: L("bold", ind, "**" + words(r) + "**"),
    ])()


ISSUE_KEYS = ["status", "priority", "labels", "estimate", "id", "on", "assignee", "milestone", "due_date", "other"]


def attrs(r, ind, keys, block_key, form):
    out = []
    for k in r.sample(keys, r.randint(0, 3)):
        v = {"labels": "[:a, " + word(r) + "]", "reactions": "[:+1, " + word(r) + "]",
             "estimate": r.choice(["2.5", "two", "1e3"]), "due_date": "|2025-01-31|",
             "created_at": "|2025-01-31|", "milestone": quoted(r)}.get(k, value(r))
        out += L(form + ".attr", ind, k + ": " + v)
    if r.random() < 0.3:
        out += L(form + ".block", ind, block_key + ": |")
        out += [(form + ".block", " " * (ind + 2) + r.choice([words(r), "", "// " + word(r)]))
                for _ in range(r.randint(0, 2))]
    elif r.random() < 0.2:
        out += L(form + ".attr", ind, block_key + ": " + r.choice(['"' + words(r) + '"', words(r)]))
    return out


def issue(r, ind, depth):
    out = L("issue", ind, "issue:" + r.choice([" ", ""]) + words(r) + (" " + gate(r) if r.random() < 0.3 else "")
            + comment(r))
    sub = ind + step(r)
    out += attrs(r, sub, ISSUE_KEYS, "description", "issue")
    if depth < 3 and r.random() < 0.3:  # what follows a child opener is a child too
        out += thread(r, sub, depth + 1) + block(r, sub, depth + 1, 0, 2)
    return out


def thread(r, ind, depth):
    out = L("comment:", ind, "comment:" + r.choice([" ", ""]) + words(r, 0, 2)
            + (" " + gate(r) if r.random() < 0.3 else ""))
    sub = ind + step(r)
    out += attrs(r, sub, ["author", "on", "reactions", "created_at", "other"], "body", "comment:")
    if depth < 3 and r.random() < 0.2:
        out += thread(r, sub, depth + 1) + block(r, sub, depth + 1, 0, 2)
    return out


PROJECT_KEYS = ["brief", "heartbeat", "framework", "status", "phase", "routine", "kpi", "completion",
                "inhibited_until", "fitness", "pressure", "owner"]


def commands(r, ind, depth):
    out = L("commands", ind, "commands:")
    for _ in range(r.randint(0, 2)):
        sub = ind + step(r)
        out += L("commands.entry", sub, r.choice(["/", "//", "/"]) + words(r, 1, 2))
        for k in r.sample(["description", "params", "prompt"], r.randint(0, 3)):
            if k == "prompt" and r.random() < 0.5:
                out += L("commands.prompt", sub + 2, "prompt: |")
                out += [("commands.prompt", " " * (sub + 4) + r.choice([words(r), "|", "// x"]))
                        for _ in range(r.randint(1, 2))]
            else:
                out += L("commands.key", sub + 2, k + ": " + value(r))
    return out


def serve(r, ind, depth):
    out = L("serve", ind, "serve: " + words(r, 1, 1) + r.choice(["", " | " + words(r), " | a | b", " |"]))
    for k in r.sample(["port", "open", "x"], r.randint(0, 2)):
        out += L("serve.key", ind + step(r), k + ": " + value(r))
    return out


def project(r, ind, depth):
    out = L("project", ind, "project:" + r.choice([" ", ""]) + words(r) + comment(r))
    sub = ind + step(r)
    for _ in range(r.randint(0, 4)):
        roll = r.random()
        if roll < 0.15:
            out += commands(r, sub, depth + 1)
        elif roll < 0.25:
            out += serve(r, sub, depth + 1)
        else:
            k = r.choice(PROJECT_KEYS)
            out += L("project.key", sub, k + ": " + (r.choice(["0.8", "high", "1e3"]) if k in ("fitness", "pressure")
                                                      else value(r)))
    return out


def project_scope(r, ind, depth):
    out = L("%scope", ind, "%" + words(r) + comment(r)) + members(r, ind, depth, 0, 3)
    if r.random() < 0.6:
        out += L("%scope.close", r.choice([0, ind, ind + 2]), "-" * r.randint(3, 5))
    return out


def code(r, ind, depth):
    out = L("code", ind, "```" + r.choice(["", "py", " sql", "js // x"]))
    out += [("code.line", " " * (ind + r.choice([0, 2, 4])) + r.choice([words(r), "", "x = 1  ", "// y"]))
            for _ in range(r.randint(0, 3))]
    return out + (L("code", ind, "```") if r.random() < 0.9 else [])


# name: (weight, form)
FORMS = {
    "heading": (8, heading), "lattice heading": (4, lattice_heading), "sync heading": (1, sync_heading),
    "entity": (1, entity), "metric": (1, metric), "task": (10, task), "prose": (10, prose),
    "comment": (2, comment_line), "marks": (2, marks), "define": (3, define), "mutate": (3, mutate),
    "delete": (1, delete), "query": (3, query), "variable": (3, variable), "flow": (2, flow),
    "validate": (2, validate), "check": (2, check), "if": (2, conditional), "form": (2, form),
    "sync": (1, sync_line), "mod": (2, mod_def), "invocation": (2, invocation), "use": (2, use), "git": (1, git),
    "snapshots": (2, snapshots), "routine": (1, routine), "webhook": (2, webhook), "files": (2, files),
    "gate": (2, gate_def), "memory": (2, memory), "issue": (2, issue), "comment:": (1, thread),
    "project": (1, project), "commands": (1, commands), "serve": (1, serve), "%scope": (2, project_scope),
    "lattice line": (3, lattice_line), "code": (1, code),
}
NAMES = list(FORMS)
WEIGHTS = [FORMS[n][0] for n in NAMES]


def tagged_lines(r, odd_rate=None):
    """The document as (form, line) pairs."""
    r.odd_rate = r.choice([0.05, 0.12, 0.12, 0.3]) if odd_rate is None else odd_rate
    out = []
    for form, line in block(r, 0, 0, 1, r.choice([1, 3, 6, 12])):
        if r.random() < 0.03:  # white space the indentation count and the trim see
            lead = len(line) - len(line.lstrip(" "))
            if lead >= 4:
                line = "\t" + line[4:]
            elif lead >= 3:
                line = "\u3000" + line[3:]
            line += r.choice(["", " ", "\t", "\r"])
        out.append((form, line))
        if r.random() < 0.04:  # ends commands blocks and scopes, stays in text blocks
            out.append(("blank", r.choice(["", "", "  ", "\t"])))
    return out


def join(lines, r=None):
    sep = "\r\n" if r is not None and r.random() < 0.05 else "\n"
    return sep.join(lines) + ("" if r is not None and r.random() < 0.05 else sep)


def document(r):
    return join([line for _, line in tagged_lines(r)], r)


def json_value(r):
    def val(depth):
        roll = r.random()
        if depth < 4 and roll < 0.25:
            return {text(): val(depth + 1) for _ in range(r.randint(0, 4))}
        if depth < 4 and roll < 0.4:
            return [val(depth + 1) for _ in range(r.randint(0, 4))]
        return r.choice([None, True, False, 0, -7, 2 ** 63, 2 ** 64 - 1, -(2 ** 63), 1.0, 0.5, -1e300, 1e-7,
                         text(), text(), text()])

    def text():
        return "".join(word(r, 0.3) + r.choice(["", " ", ": "]) for _ in range(r.randint(0, 3)))

    out = json.dumps(val(0), ensure_ascii=r.random() < 0.5, indent=r.choice([None, 2]))
    return out[:r.randint(0, len(out))] if r.random() < 0.03 else out


def markdown(r):
    lines = []
    for _ in range(r.randint(1, 10)):
        lines += r.choice([
            lambda: ["#" * r.randint(1, 7) + r.choice([" ", "", "  "]) + words(r, 0, 3)],
            lambda: [" " * r.randint(0, 2) + r.choice(["- [ ] ", "- [x] ", "- [X] ", "- ", "- [!] ", "-[ ] ", "* "])
                     + words(r, 0, 3, 0.25)],
            lambda: ["```" + r.choice(["", "py", " sql"])] + [" " * r.randint(0, 4) + words(r, 0, 3, 0.25)
                                                              for _ in range(r.randint(0, 2))]
            + (["```"] if r.random() < 0.8 else []),
            lambda: [words(r, 1, 5, 0.25) for _ in range(r.randint(1, 3))],
            lambda: [r.choice(["", " ", "\t"])],
        ])()
    return join(lines, r)


# ---- Documents nested to the limit, and values between bars ---------------

LIMIT = 127  # the deepest block the reader nests; a deeper one's lines are its enclosing block's
OPENERS = ["heading", "task", "%scope", "gate", "validate"]


def opener(r, ind):
    """The first line of a heading, task, scope, gate or validation, one that
    opens a block one depth deeper whatever its words: a "//" could cut the
    bracket or colon it needs, "#(" is prose, and a scope needs a name."""
    while True:
        form, line = FORMS[r.choice(OPENERS)][1](r, ind, LIMIT)[0]
        head = line.lstrip(" ")
        if "//" not in line and not head.startswith("#(") and (form != "%scope" or head[1:2].isalnum()):
            return "chain " + form, line


def at_limit(r, ind):
    """Lines for a block at the limit: mostly openers whose own lines a block
    one deeper would take, so that the block at the limit takes them; a
    "Sync" heading's nameless sub-heading, a scope's closing dashes."""
    out = []
    for _ in range(r.randint(1, 3)):
        out += r.choice([
            lambda: lattice_line(r, ind, 2), lambda: lattice_heading(r, ind, 2), lambda: sync_heading(r, ind, 2),
            lambda: L("sync heading", ind, "# Sync") + L("sync heading.item", ind + r.randint(1, 2), "#" * r.randint(
                1, 3)) + L("sync heading.key", ind + 3, "class: " + r.choice(["canon", "data", "weekly"])),
            lambda: L("%scope", ind, "%" + r.choice(WORDS)) + L("%scope.close", ind + r.randint(0, 2), "---"),
            lambda: block(r, ind, 0, 1, 2),
        ])()
    return out


def deep_lines(r, odd_rate=None):
    """A document nested to the limit as (form, line) pairs: a chain of 120 to
    127 openers, each a column or a few deeper than the one before, an
    ordinary document below the last, and in half of them, before it, a chain
    on to the limit or one short of it with `at_limit` lines at its foot."""
    depth = r.randint(LIMIT - 7, LIMIT)
    body = tagged_lines(r, odd_rate)
    out, ind = [], 0
    for _ in range(depth):
        out.append(opener(r, ind))
        ind += r.choice([1, 1, 1, 2, 3])
    if r.random() < 0.5:
        foot = ind
        for _ in range(max(depth, r.choice([LIMIT, LIMIT, LIMIT - 1])) - depth):
            out.append(opener(r, foot))
            foot += r.choice([1, 2])
        out += at_limit(r, foot)
    return out + [(form, " " * ind + line) for form, line in body]


def deep_document(r):
    return join([line for _, line in deep_lines(r)], r)


# A value's pieces: what ends or reopens the bars and quotes around it, what
# starts a comment, and a gate's braces.
PIECES = ["a", " ", "|", '"', "//", "/", "\\", "{", "}"]
# Lines whose writers put a value (each V) between bars or quotes.
BARRED = [
    "issue: t\n    due_date: |V|", "comment: c\n    created_at: |V|", 'issue: t\n    milestone: "V"',
    'issue: t\n    id: "V"', "serve: web |V|", "routine: daily:|V|", "x = |V|", "x = ||V||", "if |V|:\n  a",
    "if ||V||:", "flow:\n    a --timeout:|V|--> b", "states:\n    a --wait:|V|--> b", "webhook: on:|V| url: /x",
    'webhook: on:|t| url: "V" payload: "V"', 'snap: "V"', 'remember: "V"', 'recall: "V"', 'status: "a" / "V"',
    'define:@e\n    name: "V"', "define:@e\n    at: |V|", 'form: f\n    ui_page: "V"', "[ ] V/git:closes #1/V",
    "[ ] aV git:closes #2", "[ ] t {g V}", "define:@e :|V| from @x", '# t :"V"', "## t :|V| {g V}", "issue: t {g V}",
    "mutate:@e:1 {g V}", '? e where "V" from snap:s', 'mod:$m\n    note: "V"', "check: c\n    note: |V|",
    'webhook: on:|t| payload: "V"',
]


def barred_lines(r, odd_rate=None):
    """One such line (with its opener), each value 0 to 6 pieces drawn at
    random, so that a bar, a quote and a "//" come at its start, middle and
    end, alone and doubled; in some without the bars or quotes around it, or
    the space after its key's colon. Tagged by the line form."""
    form = text = r.choice(BARRED)
    if r.random() < 0.4:  # no bars or quotes but the value's own
        text = re.sub(r'(\|\|?|")V(\|\|?|")', "V", text)
    if r.random() < 0.3:
        text = re.sub(r'(?<=:) (?=\|?\|?"?V)', "", text)
    head, *tails = text.split("V")
    text = head + "".join("".join(r.choice(PIECES) for _ in range(r.randint(0, 6))) + tail for tail in tails)
    return [(form, line) for line in text.split("\n")]


# ---- The properties -------------------------------------------------------

def load(text):
    """JSON with a repeated key kept (a module definition's `kind` follows
    its node `kind`)."""
    def pairs(items):
        out = {}
        for k, v in items:
            while k in out:
                k += "'"
            out[k] = v
        return out
    return json.loads(text, object_pairs_hook=pairs)


NODE_LISTS = ("nodes", "children", "on_pass", "on_fail")


def nodes_in(nodes, depth=0):
    """Every node of a node list and below it, with the depth of its list."""
    for node in nodes or ():
        yield node, depth
        for k in NODE_LISTS:
            yield from nodes_in(node.get(k), depth + 1)
        for arm in node.get("match_arms") or ():
            yield from nodes_in(arm.get("children"), depth + 1)


def left_out(tree):
    """The tree without the fields that render leaves out on purpose (see
    README, "Limits worth knowing")."""
    def drop(record, *names):
        for name in names:
            record.pop(name, None)

    for node, _ in nodes_in(tree["nodes"]):
        kind = node["kind"]
        if kind in ("Task", "Issue", "ThreadComment"):
            for gate in node["gates"]:
                drop(gate, "body")
        if kind == "Group":
            drop(node, "gates")
        elif kind == "Task":
            drop(node, "inline", "closes")
            drop(node["marker"], "priority")
        elif kind == "Prose":
            drop(node, "inline")
        elif kind == "Mutate":
            if node.pop("gate", None) and node.get("id") is None:  # the space before the gate goes with it
                node["entity"] = node["entity"].rstrip(" ")
        elif kind == "Flow":
            drop(node, "name")
        elif kind == "Variable":
            drop(node["value"].get("Ref", {}), "plural", "mod_scope", "workspace_scope")
        elif kind in ("Validate", "Check"):
            drop(node, "meta")
        elif kind == "ModDef":
            drop(node, "versioned")
        elif kind == "UseBlock":
            drop(node, "entity", "from_mod", "from_workspace", "alias")
        elif kind == "SyncDef":
            drop(node, "mode", "target", "schedule", "scope")
    return tree


def code_line_ends(tree):
    """The tree with each code line's trailing white space removed: fmt
    removes it as from every line."""
    for node, _ in nodes_in(tree["nodes"]):
        if node["kind"] == "CodeBlock":
            node["content"] = "\n".join(line.rstrip() for line in node["content"].split("\n"))
    return tree


def nested_mark(tree):
    """A spawn mark or divider below the top level: render writes it at column
    0, where it ends the blocks around it."""
    return any(depth and node["kind"] in ("Spawn", "Divider") for node, depth in nodes_in(tree["nodes"]))


def difference(a, b, site="Document", path="", nodes=False):
    """Where two trees first differ: (node kind and field, path, a's part, b's
    part); `nodes` says that a and b are nodes or lists of them."""
    if isinstance(a, list) and isinstance(b, list):
        for i, (x, y) in enumerate(zip(a, b)):
            if x != y:
                return difference(x, y, site, f"{path}[{i}]", nodes)
        if len(a) != len(b):
            extra = (a if len(a) > len(b) else b)[min(len(a), len(b))]
            what = extra.get("kind", "item") if nodes and isinstance(extra, dict) else "item"
            return f"{site} {'+' if len(b) > len(a) else '-'}{what}", path, len(a), len(b)
    if isinstance(a, dict) and isinstance(b, dict):
        site = a.get("kind", site) if nodes else site
        for k in list(a) + [k for k in b if k not in a]:
            x, y = a.get(k, "<absent>"), b.get(k, "<absent>")
            if x != y:
                inner = site if k in NODE_LISTS else f"{site}.{k}"
                if k in a and k in b:
                    return difference(x, y, inner, f"{path}.{k}", k in NODE_LISTS)
                return inner, f"{path}.{k}", x, y
    return site, path, a, b


def _call(f, x):
    """(result, None), or (None, the exception) for ValueError; anything else
    is a finding of its own."""
    try:
        out = f(x)
    except ValueError as e:
        return None, e
    except Exception as e:  # noqa: BLE001 - every input must give str or ValueError
        return None, e
    return out, None


def _wrong(name, out, err):
    if err is not None and type(err) is not ValueError:
        return (f"wrong result: {name} raises {type(err).__name__}", str(err)[:200])
    if err is None and type(out) is not str:
        return (f"wrong result: {name} returns {type(out).__name__}", "")
    return None


def json_depth(x):
    """The levels of lists and objects nested in a JSON value."""
    if not isinstance(x, (dict, list)):
        return 0
    return 1 + max(map(json_depth, x.values() if isinstance(x, dict) else x), default=0)


def check_document(v, source, fmt_only=False):
    """The properties of one document: a list of (class, details), details a
    dict of texts for the report. `v` is the module; `fmt_only` checks fmt's
    properties alone, which is what shrinking an "fmt" failure needs."""
    found = []
    names = ("parse", "fmt") if fmt_only else ("parse", "fmt", "to_json", "build_index")
    got = {name: _call(getattr(v, name), source) for name in names}
    for name, (out, e) in got.items():
        bad = _wrong(name, out, e)
        if bad:
            found.append((bad[0], {"error": bad[1]}))
    (tree_text, err), (once, e) = got["parse"], got["fmt"]
    if err is not None or e is not None:
        if str(err) != str(e):
            found.append(("fmt raises unlike parse", {"parse": str(err), "fmt": str(e) if e else once}))
        return found
    tree = load(tree_text)
    back, e = _call(v.parse, once)
    if e is not None:
        found.append(("fmt: text does not parse", {"fmt": once, "error": str(e)}))
    elif back != tree_text and code_line_ends(load(back)) != code_line_ends(load(tree_text)):
        site, path, a, b = difference(tree, load(back))
        found.append((f"fmt changes the tree at {site}", {"fmt": once, "path": path, "want": a, "got": b}))
    twice, _ = _call(v.fmt, once)
    if twice != once:
        found.append(("fmt not idempotent", {"fmt": once, "fmt twice": twice}))
    if fmt_only:
        return found
    rendered, e = _call(v.render, tree_text)
    bad = _wrong("render", rendered, e)
    # render's JSON reader refuses 128 levels of nesting (62 headings deep): no finding
    too_deep = e is not None and "recursion limit exceeded" in str(e) and json_depth(tree) >= 128
    if bad or (e is not None and not too_deep):
        found.append((bad[0] if bad else "render raises", {"error": str(e)}))
    elif e is None and not nested_mark(tree):
        back, e = _call(v.parse, rendered)
        if e is not None:
            found.append(("render: text does not parse", {"render": rendered, "error": str(e)}))
        else:
            want, again = left_out(load(tree_text)), left_out(load(back))
            if want != again:
                site, path, a, b = difference(want, again)
                found.append((f"render changes the tree at {site}",
                              {"render": rendered, "path": path, "want": a, "got": b}))
            else:  # up to spaces at line ends, where an untrimmed text may end
                twice, _ = _call(v.render, back)
                if twice is None or [x.rstrip(" ") for x in twice.split("\n")] != \
                        [x.rstrip(" ") for x in rendered.split("\n")]:
                    found.append(("render not stable", {"render": rendered, "render twice": twice}))
    return found


def check_conversion(v, name, text):
    """from_json / from_markdown give str or ValueError, and their text parses."""
    out, e = _call(getattr(v, name), text)
    bad = _wrong(name, out, e)
    if bad:
        return [(bad[0], {"error": bad[1]})]
    if e is None:
        _, e2 = _call(v.parse, out)
        if e2 is not None:
            return [(f"{name}: text does not parse", {name: out, "error": str(e2)})]
    return []


# ---- Shrinking and the CLI ------------------------------------------------

def shrink(fails, lines):
    """The fewest lines (then words) that still fail: `fails(lines)` says."""
    n = 2
    while len(lines) >= 2:
        chunk = max(1, len(lines) // n)
        for i in range(0, len(lines), chunk):
            trial = lines[:i] + lines[i + chunk:]
            if trial and fails(trial):
                lines, n = trial, max(n - 1, 2)
                break
        else:
            if chunk == 1:
                break
            n = min(len(lines), n * 2)
    for i in range(len(lines)):  # then the words of each line
        form, text = lines[i]
        pieces = text.split(" ")
        j = 0
        while j < len(pieces):
            trial = pieces[:j] + pieces[j + 1:]
            if trial and fails(lines[:i] + [(form, " ".join(trial))] + lines[i + 1:]):
                pieces = trial
            else:
                j += 1
        lines[i] = (form, " ".join(pieces))
    return lines


def shrink_deep(fails, lines):
    """`shrink` for `deep_lines`: the chain stays, its depth being what the
    lines below it need, but each opener a bare "#" where that still fails."""
    chain = [x for x in lines if x[0].startswith("chain")]
    rest = shrink(lambda ls: fails(chain + ls), [x for x in lines if not x[0].startswith("chain")])
    for i, (form, text) in enumerate(chain):
        trial = chain[:i] + [(form, text[:len(text) - len(text.lstrip(" "))] + "#")] + chain[i + 1:]
        if fails(trial + rest):
            chain = trial
    return chain + rest


def run_seeds(args):
    """One worker: the failures of a range of seeds, the first `most` of each
    class shrunk (all where it is None)."""
    build, start, stop, odd_rate, kind, most = args
    v = module(build)
    results, shrunk = [], {}
    for seed in range(start, stop):
        r = random.Random(seed)
        tagged = LINES[kind](r, odd_rate)
        source = join([t for _, t in tagged], r)
        for cls, details in check_document(v, source):
            if most is not None and shrunk.get(cls, 0) >= most:
                results.append((cls, seed, source, [], details))
                continue
            shrunk[cls] = shrunk.get(cls, 0) + 1

            def fails(ls, cls=cls):
                return any(c == cls for c, _ in check_document(v, join([t for _, t in ls]), cls.startswith("fmt")))
            small = (shrink_deep if kind == "deep" else shrink)(fails, list(tagged)) if fails(tagged) else tagged
            text = join([t for _, t in small])
            det = next((d for c, d in check_document(v, text) if c == cls), details)
            results.append((cls, seed, text, sorted({f for f, _ in small}), det))
        if kind:
            continue
        for name, maker in (("from_json", json_value), ("from_markdown", markdown)):
            text = maker(random.Random(seed))
            for cls, details in check_conversion(v, name, text):
                if name == "from_markdown":  # line by line, as a document
                    def fails(ls, cls=cls):
                        return any(c == cls for c, _ in check_conversion(v, name, join([t for _, t in ls])))
                    text = join([t for _, t in shrink(fails, [(name, t) for t in text.splitlines()])])
                    details = next((d for c, d in check_conversion(v, name, text) if c == cls), details)
                results.append((cls, seed, text, [name], details))
    return results


LINES = {None: tagged_lines, "deep": deep_lines, "barred": barred_lines}


def module(build=None):
    if build:
        sys.path.insert(0, build)
    else:
        sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build", "python"))
    import varn_lang
    return varn_lang


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--seed", type=int, default=0)
    ap.add_argument("--count", type=int, default=1000)
    ap.add_argument("--jobs", type=int, default=1)
    ap.add_argument("--build", help="the directory holding varn_lang (default: build/python of this repo)")
    ap.add_argument("--check", action="store_true", help="run the properties (the default)")
    ap.add_argument("--show", type=int, default=1, help="examples to show per class")
    ap.add_argument("--odd", type=float, help="the share of odd tokens in every document (default: drawn)")
    ap.add_argument("--print", dest="show_doc", type=int, help="print the document of this seed and stop")
    ap.add_argument("--deep", dest="kind", action="store_const", const="deep",
                    help="documents nested to the limit (deep_lines) in place of ordinary ones")
    ap.add_argument("--barred", dest="kind", action="store_const", const="barred",
                    help="lines of values between bars or quotes (barred_lines) in place of documents")
    ap.add_argument("--shrink", type=int, help="failures of each class that each worker's seeds shrink (default: all)")
    args = ap.parse_args()
    if args.show_doc is not None:
        r = random.Random(args.show_doc)
        sys.stdout.write(join([t for _, t in LINES[args.kind](r)], r))
        return 0
    chunk = max(1, min(500, args.count // max(1, args.jobs * 4)))
    end = args.seed + args.count
    tasks = [(args.build, s, min(s + chunk, end), args.odd, args.kind, args.shrink)
             for s in range(args.seed, end, chunk)]
    if args.jobs > 1:
        import multiprocessing
        with multiprocessing.Pool(args.jobs) as pool:
            parts = pool.map(run_seeds, tasks, chunksize=1)
    else:
        parts = [run_seeds(t) for t in tasks]
    classes = {}
    for cls, seed, text, forms, det in (x for p in parts for x in p):
        classes.setdefault(cls, []).append((len(text), seed, text, forms, det))
    total = sum(len(x) for x in classes.values())
    print(f"{args.count} documents from seed {args.seed}: {total} failures in {len(classes)} classes")
    for cls, found in sorted(classes.items(), key=lambda kv: -len(kv[1])):
        found.sort(key=lambda x: (x[0], x[1]))
        forms = sorted({f for x in found for f in x[3]})
        print(f"\n== {cls}: {len(found)} (seeds {', '.join(str(x[1]) for x in found[:5])}{'…' if len(found) > 5 else ''})")
        print(f"   line forms: {', '.join(forms)}")
        shown = {}
        for x in found:
            shown.setdefault(x[2], x)
        for _, seed, text, _, det in list(shown.values())[:args.show]:
            print(f"-- seed {seed}, source: {text!r}")
            for k, val in det.items():
                print(f"   {k}: {val!r}")
    return 1 if total else 0


if __name__ == "__main__":
    sys.exit(main())

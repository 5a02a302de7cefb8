"""Random "interlocking" head lines of every kind whose parts a writer places:
bodies drawn from what the comment cut, the gate reader, atoms, bars and
quotes react to. The flavour of core/src/tests/interlocking.hpp (not its very
lines: the C++ tests and this bench each have their own stream)."""
import random

TOKENS = [" ", " ", " ", ":", ":", "/", "//", '"', "}", "\\", " :a", "#", "{", "@", "a", "b", "g", "é", "|", "{g}", " :b:1"]
RARE = ["||", "{}", " :aa"]


def body(r, most=500):
    """Tokens up to a length in [2, most] bytes; "||", "{}" and " :aa" seldom."""
    length, size, parts = r.randint(2, most), 0, []
    while size < length:
        t = r.choice(RARE) if r.randrange(32) == 0 else r.choice(TOKENS)
        parts.append(t)
        size += len(t.encode())
    return "".join(parts)


def webhook(r):
    parts = [f"on:|{body(r)}|", f"url: {body(r, 60)}", f'payload: "{body(r)}"']
    r.shuffle(parts)
    return "webhook:" + "".join(" " + p for p in parts if r.randrange(2))


def variable(r):
    bars = r.choice(["|", "||", ""])
    return f"x = {bars}{body(r)}{bars}"


KINDS = {
    "heading": lambda r: "#" * r.randint(1, 3) + " " + body(r),
    "task": lambda r: r.choice(["[ ] ", "[x] ", "[A] ", "--[!] ", "+[ ] ", "-[o] ", "[Perf?] "]) + body(r),
    "define": lambda r: f"define:@{body(r)}{' from @' + body(r, 60) if r.randrange(2) else ''}\n  a: 1",
    "mutate": lambda r: f"mutate:@{body(r, 120)}{':' + body(r) if r.randrange(2) else ''}{r.choice(['', ' {g}'])}",
    "webhook": webhook,
    "issue": lambda r: "issue: " + body(r),
    "comment": lambda r: f"comment:{body(r)}\n  body: x",
    "sync heading": lambda r: f"## Sync\n  ### {body(r)}\n    source: {body(r, 40)}",
    "sync line": lambda r: f"sync: {body(r)}\n  source: {body(r, 40)}\n  mode: pull",
    "policy": lambda r: f"policy:\n  @{body(r, 40)}:{body(r)}\n  @b: {{g}}",
    "query shorthand": lambda r: "? " + r.choice(["", "@a where ", "$m.@a(s) "]) + body(r),
    "query block": lambda r: f"query:\n  {body(r)}\n  limit: 3",
    "invocation": lambda r: r.choice(["$", "$m.", "mod:"]) + body(r),
    "conditional": lambda r: f"if |{body(r)}|:\n  x",
    "use": lambda r: f"use @{body(r, 60)}{' from ' + body(r) if r.randrange(2) else ''}",
    "variable": variable,
    "quoted statement": lambda r: r.choice(["snap: ", "remember: ", "recall: "]) + body(r),
    "routine": lambda r: f"routine: {body(r, 60)} |{body(r)}|",
}


def document(size, parses, seed=1):
    """Blocks of every kind in turn, a blank line after each, until `size`
    bytes of UTF-8; a block is kept only when `parses` holds for it (a
    nameless "sync:" fails the whole document)."""
    r = random.Random(seed)
    makers = list(KINDS.values())
    blocks, total, i = [], 0, 0
    while total < size:
        block = makers[i % len(makers)](r) + "\n\n"
        i += 1
        if parses(block):
            blocks.append(block)
            total += len(block.encode())
    return "".join(blocks)

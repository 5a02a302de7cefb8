"""Speed, scaling and memory of the varn_lang functions on large generated inputs.

    scripts/build && PYTHONPATH=build/python python3 bench/bench.py [--mb 20] [--repeat 3] [--no-memory] [--only NAME...]
    PYTHONPATH=build/python python3 bench/bench.py --only writers [--repeat 3]

Inputs are generated: a mixed .varn document made of every construct (the
seed files of the parse fuzzer and the examples, repeated with fresh numbers),
a JSON document of records, and Markdown. Every function is timed (best of
--repeat runs) at the largest size and at a quarter of it, and reported in
MB/s of input (1 MB = 10^6 bytes of UTF-8); "scale" is the time per byte at
the full size over that at a quarter (1.00 is perfectly linear). The two
sizes are timed in turn, the quarter size as four calls back to back, so that
both timings span about as long a spell of the machine.

Yardsticks, timed in the same run (a function and its yardstick in turn): json.loads of the JSON a function reads or
writes; for parse also orjson.dumps of its tree (OPT_INDENT_2) and cmark
(cmarkgfm.markdown_to_html) on Markdown of the same size, when installed;
fmt, to_json and build_index against parse of the same document.

Memory: each function runs once more in a fresh child process; the figure is
the peak resident memory the call added, less the size of the str it returns,
over the larger of its argument and result in UTF-8 bytes. Besides the inputs
above, parse also reads one long line of spans, and the four that read source
read a text of line feeds only.

Layouts: the same 200,000 lines of prose (ten words and two spans each) and
tasks (every seventh line) under one "#" heading that holds them all, and
under a heading every 50 lines; and the span line, "@x " * 3,300,000. For
parse, fmt, to_json and build_index (not on the span line, whose index would
repeat the line once per reference): memory as above and ns per byte of
input, with the ratio of the one-heading document's ns per byte to the
sectioned one's (timed in turn). Run by default, or alone with
--only layouts.

Writers (only when --only names `writers`): fmt and render where the parts of
a head line interlock (bars, quotes, backslashes, braces and "//" among
atoms and gates), in µs per byte of .varn source, on
core/src/format/tests/cases/hard-heading.varn repeated 100 times and on 1 MB
of random head lines of every kind (bench/interlocking.py); render is given
parse's JSON of the text, its time still counted per byte of the text. Each
is timed in turn with its yardstick: fmt with parse of the same text, render
with json.loads of its input.
"""
import argparse
import json
import os
import pathlib
import re
import subprocess
import sys
import tempfile
import timeit

import interlocking
import varn_lang

MB = 1_000_000
ROOT = pathlib.Path(__file__).resolve().parent.parent
FUNCTIONS = ("parse", "fmt", "render", "from_json", "from_markdown", "to_json", "build_index")
SECTIONS = ("writers", "layouts")  # "writers" runs only when --only names it


# --- generated inputs ---------------------------------------------------------

def repeat_blocks(size, block):
    """Blocks block(0), block(1), ... joined until they reach `size` bytes of UTF-8."""
    blocks, total, i = [], 0, 0
    while total < size:
        text = block(i)
        blocks.append(text)
        total += len(text.encode())
        i += 1
    return "".join(blocks)


def construct_files():
    """One text per construct: the parse fuzzer's seeds and the examples, each
    kept only when it parses on its own (a seed may carry a diagnostic)."""
    paths = sorted((ROOT / "fuzz" / "seeds" / "parse_fuzz").glob("*")) + sorted((ROOT / "examples").glob("*.varn"))
    texts = []
    for p in paths:
        text = p.read_text(encoding="utf-8", errors="replace")
        if not text.endswith("\n"):
            text += "\n"
        try:
            varn_lang.parse(text)
        except ValueError:
            continue
        texts.append(text)
    return texts


def prose_block(i):
    return (
        f"# Section {i} :tag{i % 7} due:2025-{i % 12 + 1:02d}-{i % 28 + 1:02d} {{owner @user{i % 13}}}\n"
        f"  Coordinate with @user{i} and @team.lead in #chan{i % 17} before build {i} ships.   // note {i}\n"
        f"  Release notes live in %project-{i % 5} (draft); run $deploy.@staging{i} then $notify.\n"
        f"  **Status** is |progress_{i} * 100| percent, burning ||burn_rate|| a day.\n"
        f"  - [ ] task {i} for @user{i % 5} due:2025-01-{i % 28 + 1:02d}\n"
        f"    A plain prose line, number {i}, with nothing special in it at all, café naïve.\n"
    )


def varn_document(size, constructs):
    """Every construct in turn, numbers renewed per block so no two blocks are alike."""
    pieces = [prose_block] + [
        (lambda i, t=t: re.sub(r"\d+", lambda m: str(int(m.group()) + i), t)) for t in constructs
    ]
    return repeat_blocks(size, lambda i: pieces[i % len(pieces)](i))


def json_document(size):
    """An object of records and plain members, as from_json would be fed."""
    def member(i):
        record = {"name": f"item {i}", "count": i, "ratio": i / 7, "active": i % 2 == 0,
                  "tags": ["a", "b", f"t{i % 9}"], "owner": None}
        return f'"item_{i}": {json.dumps(record)}, "note_{i}": "plain text number {i}", '
    return "{" + repeat_blocks(size, member)[:-2] + "}"


def markdown_document(size):
    """Headings, checklists, bullets, fenced code and paragraphs."""
    return repeat_blocks(size, lambda i: (
        f"## Topic {i}\n\n"
        f"A paragraph about topic {i}, long enough to look like real writing.\n\n"
        f"- [x] done item {i}\n- [ ] open item {i}\n- plain bullet {i}\n\n"
        f"```python\nprint({i})\n```\n\n"
    ))


def span_line(size):
    """One prose line full of spans."""
    return repeat_blocks(size, lambda i: f"@u{i} #c{i} $m{i}.@x |e{i}| **b{i}** %p{i} ") + "\n"


SPANS = ("@dana", "#launch", "%website", "**bold**", "|freeze_date|", "$billing.charge(42)")
WORDS = ("sync", "with", "team", "before", "the", "freeze", "notes", "live", "in", "draft", "cut", "branch",
         "merges", "after", "friday", "ship")


def layout_line(i):
    """Ten words and two different spans, indented; every seventh line a task."""
    words = [WORDS[(i * 7 + k * 3) % len(WORDS)] for k in range(10)]
    words.insert(3, SPANS[i % 6])
    words.insert(8, SPANS[(i + 1 + (i // 6) % 5) % 6])
    text = " ".join(words)
    return f"  [ ] {text}\n" if i % 7 == 6 else f"  {text}\n"


def one_heading(lines):
    """Every line under one title heading, as README's example lays a document out."""
    return "# Spring launch :q2 due:2025-04-30 {owner @dana}\n" + "".join(layout_line(i) for i in range(lines))


def sectioned(lines):
    """The same lines under a heading every 50 lines."""
    return "".join((f"# Section {i // 50} :q2 due:2025-04-30 {{owner @dana}}\n" if i % 50 == 0 else "")
                   + layout_line(i) for i in range(lines))


# --- timing -------------------------------------------------------------------

def best_of(func, arg, repeat):
    return min(timeit.repeat(lambda: func(arg), number=1, repeat=repeat))


def best_of_pair(f, a, g, b, repeat, g_calls=1):
    """Best times of f(a) and g(b), timed in turn, so that both see the same
    spells of a busy machine: a ratio of two separate runs swings with them.
    With `g_calls`, each timing of g is that many calls back to back (the
    time of one given), so that a short call is timed over as long a spell
    as a long one and is as likely to meet a busy moment."""
    tf, tg = [], []
    for _ in range(repeat):
        tf += timeit.repeat(lambda: f(a), number=1, repeat=1)
        tg.append(timeit.timeit(lambda: g(b), number=g_calls) / g_calls)
    return min(tf), min(tg)


def optional(name):
    try:
        return __import__(name)
    except ImportError:
        return None


class Table:
    def __init__(self):
        print(f"{'measure':<34}{'MB':>8}{'seconds':>10}{'MB/s':>9}{'scale':>8}  yardstick")

    def line(self, label, size, seconds, scale=None, note=""):
        sc = f"{scale:>8.2f}" if scale is not None else " " * 8
        print(f"{label:<34}{size / MB:>8.1f}{seconds:>10.3f}{size / MB / seconds:>9.1f}{sc}  {note}")


def timed(func, big, small, repeat):
    """(output, best time at each size), or (None, the ValueError text)."""
    try:
        out = func(big)
    except ValueError as e:
        return None, str(e)
    return out, best_of_pair(func, big, func, small, repeat, g_calls=max(1, round(len(big) / len(small))))


# --- writers on interlocking lines ---------------------------------------------

def parses(text):
    try:
        varn_lang.parse(text)
    except ValueError:
        return False
    return True


def writers(repeat):
    hard = (ROOT / "core" / "src" / "format" / "tests" / "cases" / "hard-heading.varn").read_text(encoding="utf-8")
    cases = [("hard-heading.varn x100", hard * 100), ("random interlocking lines", interlocking.document(MB, parses))]
    print(f"writers where head lines interlock (µs per byte of .varn source, best of {repeat}):")
    print(f"  {'input':<30}{'MB':>6}{'fmt':>10}{'render':>10}  yardsticks")
    for label, text in cases:
        size = len(text.encode())
        tree = varn_lang.parse(text)
        f, p = best_of_pair(varn_lang.fmt, text, varn_lang.parse, text, repeat)
        r, js = best_of_pair(varn_lang.render, tree, json.loads, tree, repeat)
        print(f"  {label:<30}{size / MB:>6.2f}{f / size * 1e6:>10.3f}{r / size * 1e6:>10.3f}"
              f"  fmt / parse x{f / p:.1f}, render / json.loads(its input) x{r / js:.1f}")


# --- memory -------------------------------------------------------------------

CHILD = r"""
import os, sys, resource
import varn_lang
name, path = sys.argv[1], sys.argv[2]
with open(path, encoding="utf-8") as f:
    arg = f.read()
def rss_kb(field):
    with open("/proc/self/status") as f:
        for line in f:
            if line.startswith(field):
                return int(line.split()[1])
# Forget the peak of reading the file, so that the peak below is the call's.
try:
    with open("/proc/self/clear_refs", "w") as f:
        f.write("5")
    before = rss_kb("VmRSS:")
    peak = lambda: rss_kb("VmHWM:")
except OSError:
    before = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    peak = lambda: resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
out = getattr(varn_lang, name)(arg)
used = peak() * 1024 - before * 1024 - sys.getsizeof(out)
larger = max(len(arg.encode()), len(out.encode()))
print(used / larger)
"""


def memory_figure(name, text):
    with tempfile.NamedTemporaryFile("w", encoding="utf-8", suffix=".in", delete=False) as f:
        f.write(text)
    try:
        r = subprocess.run([sys.executable, "-c", CHILD, name, f.name], capture_output=True, text=True)
        return float(r.stdout.strip()) if r.returncode == 0 else None
    finally:
        os.unlink(f.name)


# --- layouts ------------------------------------------------------------------

def layouts(repeat, with_memory, lines=200_000, span_refs=3_300_000):
    one, sections, span = one_heading(lines), sectioned(lines), "@x " * span_refs
    print(f"layouts: {lines:,} lines under one heading ({len(one) / MB:.1f} MB) and under a heading every 50 "
          f"({len(sections) / MB:.1f} MB); the span line \"@x \" * {span_refs:,} ({len(span) / MB:.1f} MB)")
    print(f"  {'function':<13}{'memory: one':>12}{'sections':>10}{'span line':>11}"
          f"{'ns/byte: one':>15}{'sections':>10}{'one/sections':>14}{'span line':>11}")
    for name in ("parse", "fmt", "to_json", "build_index"):
        func = getattr(varn_lang, name)
        t1, t2 = best_of_pair(func, one, func, sections, repeat)
        n1, n2 = t1 / len(one) * 1e9, t2 / len(sections) * 1e9
        on_span = name != "build_index"
        ns = best_of(func, span, repeat) / len(span) * 1e9 if on_span else None
        figures = [memory_figure(name, text) if with_memory else None for text in (one, sections)]
        figures.append(memory_figure(name, span) if with_memory and on_span else None)
        m = ["" if f is None else f"{f:.2f}" for f in figures]
        print(f"  {name:<13}{m[0]:>12}{m[1]:>10}{m[2]:>11}{n1:>15.1f}{n2:>10.1f}{n1 / n2:>14.2f}"
              f"{'' if ns is None else f'{ns:.1f}':>11}")


# --- main ---------------------------------------------------------------------

def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--mb", type=float, default=20, help="size of the largest inputs in MB (default 20)")
    ap.add_argument("--repeat", type=int, default=3, help="timed runs per measurement; the best counts")
    ap.add_argument("--no-memory", action="store_true", help="skip the memory figures")
    ap.add_argument("--only", nargs="+", choices=FUNCTIONS + SECTIONS, metavar="NAME",
                    help="measure only these functions (default: all), or the writers section")
    args = ap.parse_args()
    chosen = [n for n in FUNCTIONS if not args.only or n in args.only]
    if args.only and "writers" in args.only:
        writers(args.repeat)
    if args.only and "layouts" in args.only:
        layouts(args.repeat, not args.no_memory)
    if not chosen:
        return
    full = int(args.mb * MB)
    constructs = construct_files()
    orjson, cmark = optional("orjson"), optional("cmarkgfm")

    inputs = {}  # function -> (full-size input, quarter-size input)
    for size in (full, full // 4):
        doc = varn_document(size, constructs)
        tree = varn_lang.parse(doc)
        for name in ("parse", "fmt", "to_json", "build_index"):
            inputs.setdefault(name, []).append(doc)
        inputs.setdefault("render", []).append(tree)
        inputs.setdefault("from_json", []).append(json_document(size))
        inputs.setdefault("from_markdown", []).append(markdown_document(size))

    print(f"varn_lang bench: {len(constructs)} construct files, largest input {args.mb:g} MB, best of {args.repeat}")
    t = Table()
    results = {}
    for name in chosen:
        func = getattr(varn_lang, name)
        big, small = inputs[name]
        out, secs = timed(func, big, small, args.repeat)
        if out is None:
            print(f"{name:<34}ValueError: {secs}")
            continue
        secs, small_secs = secs
        scale = (secs / len(big.encode())) / (small_secs / len(small.encode()))
        results[name] = (out, secs)
        note = ""
        if name in ("parse", "to_json", "build_index"):
            js = best_of(json.loads, out, args.repeat)
            note = f"json.loads(output) {js:.3f}s: x{secs / js:.2f}"
        elif name in ("render", "from_json"):
            js = best_of(json.loads, big, args.repeat)
            note = f"json.loads(input) {js:.3f}s: x{secs / js:.2f}"
        t.line(name, len(big.encode()), secs, scale, note)

    # The targets, each function timed in turn with its yardstick.
    if "parse" in results:
        print("targets (timed in turn, best of each):")
        out = results["parse"][0]
        doc = inputs["parse"][0]
        parse = varn_lang.parse
        if orjson is not None:
            tree = json.loads(out)
            p, od = best_of_pair(parse, doc, lambda x: orjson.dumps(x, option=orjson.OPT_INDENT_2), tree, args.repeat)
            del tree
            print(f"  parse / orjson.dumps(tree, OPT_INDENT_2) = {p:.3f} / {od:.3f} = x{p / od:.2f}")
        if cmark is not None:
            md = markdown_document(len(doc.encode()))
            p, cm = best_of_pair(parse, doc, cmark.markdown_to_html, md, args.repeat)
            print(f"  parse / cmark on Markdown of the same size = {p:.3f} / {cm:.3f} = x{p / cm:.2f}")
        for name in ("fmt", "to_json", "build_index"):
            if name in results:
                f, p = best_of_pair(getattr(varn_lang, name), doc, parse, doc, args.repeat)
                print(f"  {name} / parse = {f:.3f} / {p:.3f} = x{f / p:.2f}")
    if "render" in results:
        tree = inputs["render"][0]
        r, js = best_of_pair(varn_lang.render, tree, json.loads, tree, args.repeat)
        print(f"  render / json.loads(its input) = {r:.3f} / {js:.3f} = x{r / js:.2f}")

    if not args.no_memory:
        print("memory beyond the returned str, over the larger text (UTF-8 bytes):")
        cases = [(n, inputs[n][0]) for n in chosen]
        labels = list(chosen)
        if "parse" in chosen:
            cases.append(("parse", span_line(full)))
            labels.append("parse (one line of spans)")
        # Blank lines are read and dropped: they should cost nothing.
        for name in ("parse", "fmt", "to_json", "build_index"):
            if name in chosen:
                cases.append((name, "\n" * full))
                labels.append(f"{name} (line feeds only)")
        for label, (name, text) in zip(labels, cases):
            fig = memory_figure(name, text)
            print(f"  {label:<32}{'failed' if fig is None else f'{fig:.2f}'}")
    if not args.only:
        layouts(args.repeat, not args.no_memory)


if __name__ == "__main__":
    main()

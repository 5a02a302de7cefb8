"""Throughput of the varn_lang functions on large generated inputs.

    scripts/build && PYTHONPATH=build/python python3 bench/bench.py [--mb 10 50] [--repeat 3]

Every function is timed with timeit (best of --repeat runs) and reported in MB/s
of input (1 MB = 10^6 bytes of UTF-8). Where a function reads or writes JSON,
json.loads of that JSON is timed beside it as a yardstick. parse is also run at
5 and 10 MB (below the largest size) so that its scaling is visible: MB/s should
stay about the same as the input grows.
"""
import argparse
import json
import timeit

import varn_lang

MB = 1_000_000


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


def varn_document(size):
    """Headings with indented children: prose with inline spans, comments, dividers."""
    return repeat_blocks(size, lambda i: (
        f"# Section {i} :tag{i % 7} due:2025-{i % 12 + 1:02d}-{i % 28 + 1:02d} {{owner @user{i % 13}}}\n"
        f"  Coordinate with @user{i} and @team.lead in #chan{i % 17} before build {i} ships.   // note {i}\n"
        f"  Release notes live in %project-{i % 5} (draft); run $deploy.@staging{i} then $notify.\n"
        f"  **Status** is |progress_{i} * 100| percent, burning ||burn_rate|| a day.\n"
        f"  ## Details {i}\n"
        f"    A plain prose line, number {i}, with nothing special in it at all, café naïve.\n"
        f"    // a comment line {i} with @nobody and #nothing in it\n"
        f"    See (@docs/{i}:intro) and #release-{i % 3}: mail x@y is not a ref.\n"
        f"  ---\n"
    ))


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


# --- timing -------------------------------------------------------------------

def best_of(func, arg, repeat):
    return min(timeit.repeat(lambda: func(arg), number=1, repeat=repeat))


def availability(name):
    """None when the function is built, else the message saying it is not."""
    probe = {"render": '{"nodes": []}', "from_json": "{}"}.get(name, "# x\n")
    try:
        getattr(varn_lang, name)(probe)
    except ValueError as e:
        if "not available" in str(e):
            return str(e)
    return None


def row(name, text, repeat, output_is_json, input_is_json):
    func = getattr(varn_lang, name)
    size = len(text.encode())
    try:
        out = func(text)
        seconds = best_of(func, text, repeat)
    except ValueError as e:
        print(f"{name:<14}{size / MB:>9.1f}  ValueError: {e}")
        return None
    out_size = len(out.encode())
    line = f"{name:<14}{size / MB:>9.1f}{seconds:>10.3f}{size / MB / seconds:>10.1f}{out_size / MB:>11.1f}"
    yardstick = out if output_is_json else text if input_is_json else None
    if yardstick is not None:
        js = best_of(json.loads, yardstick, repeat)
        ysize = len(yardstick.encode())
        line += f"  | {'output' if output_is_json else 'input':>6}{js:>10.3f}{ysize / MB / js:>9.1f}"
    print(line)
    return out


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("--mb", type=float, nargs="+", default=[10, 50], help="input sizes in MB (default: 10 50)")
    ap.add_argument("--repeat", type=int, default=3, help="timed runs per measurement; the best counts")
    args = ap.parse_args()
    sizes = sorted(set(args.mb))
    parse_sizes = sorted(set(sizes) | {s for s in (5, 10) if s < max(sizes)})

    print(f"varn_lang throughput, best of {args.repeat} runs; MB/s is MB of input per second.")
    print("Right of '|': json.loads of the same JSON text, the function's output or its input.")
    print(f"{'function':<14}{'input MB':>9}{'seconds':>10}{'MB/s':>10}{'output MB':>11}"
          f"  | {'json':>6}{'seconds':>10}{'MB/s':>9}")

    skipped = {n: why for n in ("parse", "fmt", "render", "from_json", "from_markdown", "to_json", "build_index")
               if (why := availability(n))}

    for size in parse_sizes:
        doc = varn_document(int(size * MB))
        tree = None if "parse" in skipped else row("parse", doc, args.repeat, True, False)
        if size not in sizes:
            continue
        for name in ("fmt", "to_json", "build_index"):
            if name not in skipped:
                row(name, doc, args.repeat, name != "fmt", False)
        del doc
        if "render" not in skipped and tree is not None:
            row("render", tree, args.repeat, False, True)
        del tree
        if "from_json" not in skipped:
            row("from_json", json_document(int(size * MB)), args.repeat, False, True)
        if "from_markdown" not in skipped:
            row("from_markdown", markdown_document(int(size * MB)), args.repeat, False, False)

    for name, why in skipped.items():
        print(f"{name}: skipped ({why})")


if __name__ == "__main__":
    main()

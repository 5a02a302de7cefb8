"""A short tour of varn_lang: each of its seven functions on the files beside this one.

    scripts/example                 # builds, then runs this
    PYTHONPATH=build/python python3 examples/tour.py [--full]

Every function takes one str and returns one str; a failure is a ValueError.
Long outputs are cut to a few lines unless --full is given.
"""
import pathlib
import sys

import varn_lang

HERE = pathlib.Path(__file__).resolve().parent
FULL = "--full" in sys.argv[1:]
MAX_LINES = 25


def call(func, text):
    """Print what func(text) returns, or the ValueError it raises; return the result or None."""
    try:
        out = func(text)
    except ValueError as e:
        print(f"ValueError: {e}")
        return None
    lines = out.splitlines()
    shown = lines if FULL else lines[:MAX_LINES]
    print("\n".join(shown))
    if len(shown) < len(lines):
        print(f"... ({len(lines) - len(shown)} more lines; --full shows all)")
    return out


def heading(title):
    print(f"\n{'=' * 8} {title} {'=' * (60 - len(title))}")


docs = {p.name: p.read_text(encoding="utf-8") for p in sorted(HERE.glob("*.varn"))}
first = next(iter(docs))

heading("parse(source): the document tree as JSON")
trees = {}
for name, source in docs.items():
    print(f"--- {name}")
    trees[name] = call(varn_lang.parse, source)

heading("fmt(source): the canonical layout")
for name, source in docs.items():
    print(f"--- {name}")
    call(varn_lang.fmt, source)

heading("render(doc_json): the JSON tree back to source")
print(f"--- parse({first}) rendered")
call(varn_lang.render, trees[first] or "{}")

heading("from_json(json): any JSON value as a document")
print("--- data.json")
call(varn_lang.from_json, (HERE / "data.json").read_text(encoding="utf-8"))

heading("from_markdown(md): Markdown as a document")
print("--- notes.md")
call(varn_lang.from_markdown, (HERE / "notes.md").read_text(encoding="utf-8"))

heading("to_json(source): a plain JSON summary")
for name, source in docs.items():
    print(f"--- {name}")
    call(varn_lang.to_json, source)

heading("build_index(source): an index of the document")
for name, source in docs.items():
    print(f"--- {name}")
    call(varn_lang.build_index, source)

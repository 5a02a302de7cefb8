"""The writers over documents made from the line forms alone (line_forms.py),
not from the corpora: fmt keeps the tree and is idempotent, render reads
back, every function gives a str or a ValueError, and the text of the
conversions parses; fmt also over documents nested to the limit, render also
over values between bars and quotes. `python3 line_forms.py --count N
[--deep | --barred]` runs the same over more seeds, with the failures
shrunk."""
import functools
import random

import pytest

import line_forms
import varn_lang
from test_render_corpus import NODE_KINDS, NOT_FROM_SOURCE

SEEDS = range(3000)
CHUNKS = [range(start, start + 250) for start in range(0, len(SEEDS), 250)]

@functools.lru_cache(maxsize=None)
def document_findings(seed):
    return line_forms.check_document(varn_lang, line_forms.document(random.Random(seed)))


def failures(seeds, prefix):
    return [(seed, cls, details) for seed in seeds for cls, details in document_findings(seed)
            if cls.startswith(prefix)]


@pytest.mark.parametrize("seeds", CHUNKS, ids=lambda s: f"{s.start}")
def test_fmt_keeps_the_tree_and_is_idempotent(seeds):
    assert failures(seeds, "fmt") == []


@pytest.mark.parametrize("seeds", CHUNKS, ids=lambda s: f"{s.start}")
def test_render_reads_back(seeds):
    assert failures(seeds, "render") == []


@pytest.mark.parametrize("seeds", CHUNKS, ids=lambda s: f"{s.start}")
def test_every_function_gives_a_str_or_a_value_error(seeds):
    assert failures(seeds, "wrong result") == []


@pytest.mark.parametrize("seeds", CHUNKS, ids=lambda s: f"{s.start}")
def test_conversions_write_text_that_parses(seeds):
    found = [(seed, name, f) for seed in seeds
             for name, maker in (("from_json", line_forms.json_value), ("from_markdown", line_forms.markdown))
             for f in line_forms.check_conversion(varn_lang, name, maker(random.Random(seed)))]
    assert found == []


def test_documents_hold_every_kind_that_parse_writes():
    seen = set()

    def walk(node):
        if isinstance(node, dict):
            seen.add(node.get("kind"))
            node = list(node.values())
        if isinstance(node, list):
            for x in node:
                walk(x)
    for seed in SEEDS[:1000]:
        try:
            walk(line_forms.load(varn_lang.parse(line_forms.document(random.Random(seed))))["nodes"])
        except ValueError:  # a nameless sync: or a bad class under "Sync"
            pass
    assert set(NODE_KINDS) - NOT_FROM_SOURCE <= seen


def test_a_seed_names_one_document():
    assert line_forms.document(random.Random(7)) == line_forms.document(random.Random(7))
    assert line_forms.json_value(random.Random(7)) == line_forms.json_value(random.Random(7))
    assert line_forms.markdown(random.Random(7)) == line_forms.markdown(random.Random(7))


def test_fmt_keeps_trees_nested_to_the_limit():
    found = []
    for seed in range(300):
        tagged = line_forms.deep_lines(random.Random(seed))
        source = line_forms.join([t for _, t in tagged])
        found += [(seed, cls) for cls, _ in line_forms.check_document(varn_lang, source) if cls.startswith("fmt")]
        try:
            nodes, kinds = line_forms.load(varn_lang.parse(source))["nodes"], []
        except ValueError:  # a nameless sync: or a bad class under "Sync" in the document below the chain
            continue
        while nodes:
            kinds, nodes = kinds + [nodes[0]["kind"]], nodes[0].get("children")
        chain = sum(form.startswith("chain") for form, _ in tagged)  # each opener one depth deeper
        assert len(kinds) >= chain and "Prose" not in kinds[:chain], seed
    assert found == []


def test_values_between_bars_and_quotes_read_back():
    lines = (line_forms.barred_lines(random.Random(seed)) for seed in range(5000))
    found = [(text, cls) for text in (line_forms.join([t for _, t in ls]) for ls in lines)
             for cls, _ in line_forms.check_document(varn_lang, text) if cls.startswith("render")]
    assert found == []

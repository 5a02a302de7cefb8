"""Tests of build_index: the JSON index of a parsed document."""

import json
import os
import pathlib
import re

import pytest

import varn_lang

# The same expected text as the core's own test of the empty index.
EMPTY_INDEX = (pathlib.Path(__file__).resolve().parents[2] / "core" / "src" / "index" / "tests" / "data" /
               "empty.json").read_text(encoding="utf-8")


@pytest.mark.parametrize("source", ["", "\n\n", "   \n"])
def test_empty_document(source):
    assert varn_lang.build_index(source) == EMPTY_INDEX


def test_one_top_level_group():
    out = varn_lang.build_index("# Intro\n")
    assert out.startswith(
        '{\n  "groups": [\n    {\n      "name": "Intro",\n      "depth": 1,\n'
        '      "path": [\n        "Intro"\n      ],\n      "atoms": [],\n'
        '      "assignee": null\n    }\n  ],\n  "tasks": [],'
    )
    assert out.endswith('"escalations": []\n}')


def test_group_assignee_and_references():
    index = json.loads(varn_lang.build_index("# Launch :@ops\n  see @alice here\n"))
    assert list(index) == [
        "groups", "tasks", "refs", "mods", "flows", "validators", "forms", "variables",
        "remembers", "recalls", "embed_markers", "file_scopes", "policies", "escalations",
    ]
    assert index["groups"] == [
        {"name": "Launch", "depth": 1, "path": ["Launch"], "atoms": ["@ops"], "assignee": "@ops"}
    ]
    assert index["refs"] == [{"path": ["alice"], "context": "see @alice here"}]


def test_same_source_gives_identical_text():
    source = "# A :@x\n  ## B\n    see @y\n" * 50
    assert varn_lang.build_index(source) == varn_lang.build_index(source)


def test_result_is_str_and_a_wrong_argument_raises():
    assert type(varn_lang.build_index("text")) is str
    with pytest.raises(TypeError):
        varn_lang.build_index(None)


def test_assignees_through_parse():
    source = (
        "[ ] top\n"
        "# Ops :@ops\n"
        "  [ ] inherits\n"
        "  [ ] own @team:alice\n"
        "  ## Inner\n"
        "    [ ] deeper\n"
        "# Ops\n"
        "  [ ] same path\n"
    )
    tasks = json.loads(varn_lang.build_index(source))["tasks"]
    assert [(t["text"], t["group_path"], t["assignee"]) for t in tasks] == [
        ("top", [], None),
        ("inherits", ["Ops"], "@ops"),
        ("own @team:alice", ["Ops"], "@team:alice"),
        ("deeper", ["Ops", "Inner"], "@ops"),
        ("same path", ["Ops"], "@ops"),
    ]


def test_variables_sorted_and_qualified():
    source = "b = 1\n# G\n  ## H\n    a = ||x||\n"
    assert json.loads(varn_lang.build_index(source))["variables"] == {"G:H:a": "||x||", "a": "||x||", "b": "1"}
    assert '"variables": {\n    "G:H:a": "||x||",\n    "a": "||x||",\n    "b": "1"\n  }' in varn_lang.build_index(source)


# --- an index too large to be had ------------------------------------------

# One prose line of n references, each of which carries the whole line: an
# index of about 3·n² bytes. Prints the length of the index, or the message
# of its MemoryError, with how long the call took and the memory it added.
REFERENCES = r"""
import json, sys, time, varn_lang
source = "@x " * int(sys.argv[1])
start = time.monotonic()
out, added = measured(lambda: varn_lang.build_index(source))
seconds = time.monotonic() - start
if isinstance(out, MemoryError):
    print(json.dumps({"error": str(out), "seconds": seconds, "added": added}))
else:
    print(json.dumps({"size": len(out.encode()), "contexts": out.count('"context": "@x'), "added": added}))
"""

GB = 1 << 30


def index_of_references(child, n, address_space=None):
    if not child.can_measure:
        pytest.skip("needs Linux's /proc/self/clear_refs")
    done = child.run(child.measured + REFERENCES, str(n), address_space=address_space)
    assert done.returncode == 0, done.stderr
    return json.loads(done.stdout)


def test_an_index_that_cannot_fit_is_refused_at_once(child):
    if child.under_asan and os.sysconf("SC_PHYS_PAGES") * os.sysconf("SC_PAGE_SIZE") >= 30_000_000_000:
        pytest.skip("under ASan the bound is the machine's memory, and this machine could hold the index")
    result = index_of_references(child, 100_000, address_space=2 * GB)
    assert int(re.search(r"would take (\d+) bytes", result["error"]).group(1)) > 30_000_000_000
    if not child.under_asan:
        assert result["seconds"] < 1
        assert result["added"] < 100 << 20


def test_an_index_that_fits_is_written_and_the_size_it_is_refused_at_is_its_own(child):
    fits = index_of_references(child, 10_000, address_space=4 * GB)
    assert fits["contexts"] == 10_000
    assert fits["size"] > 300_000_000
    if not child.under_asan:
        refused = index_of_references(child, 10_000, address_space=256 << 20)
        assert f"would take {fits['size']} bytes" in refused["error"]

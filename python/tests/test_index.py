"""Tests of build_index: the JSON index of a parsed document."""

import json
import pathlib

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

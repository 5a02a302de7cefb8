"""Tests of the conversions: to_json, from_json and from_markdown."""

import json

import pytest

import varn_lang


# --- to_json ----------------------------------------------------------------


@pytest.mark.parametrize("source", ["", "\n", "// only a comment\n", "---\n"])
def test_to_json_of_nothing_summarised(source):
    assert varn_lang.to_json(source) == "{}"


def test_to_json_nests_groups_and_sorts_keys():
    source = "# Zeta\n  hello\n# Alpha\n  ## Inner\n    deep\nlast\n"
    assert varn_lang.to_json(source) == (
        '{\n  "Alpha": {\n    "Inner": {\n      "prose": [\n        "deep"\n      ]\n    }\n  },\n'
        '  "Zeta": {\n    "prose": [\n      "hello"\n    ]\n  },\n'
        '  "prose": [\n    "last"\n  ]\n}'
    )


def test_to_json_is_valid_json_with_unescaped_non_ascii():
    out = varn_lang.to_json('caf\u00e9 "quoted" \\ tab\there\n')
    assert "caf\u00e9" in out
    assert json.loads(out) == {"prose": ['caf\u00e9 "quoted" \\ tab    here']}

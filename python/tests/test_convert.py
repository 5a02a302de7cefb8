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


# --- from_json --------------------------------------------------------------


@pytest.mark.parametrize(
    "text, expected",
    [
        ("{}", ""),
        ("[]", ""),
        ('"plain"', "plain"),
        ("[1, \"a\", null]", "1\na\nnil"),
        ('{"b": 1, "a": 2}', "a: 2\nb: 1"),
        ('{"a": 1, "a": 2}', "a: 2"),
        ('{"tags": ["red", 1]}', 'tags: "red"\ntags: 1'),
        ('{"user": {"name": "Ann", "age": 30}}', 'define:@user\n    age: 30\n    name: "Ann"'),
        ('{"users": [{"n": 1}, {"n": 2}]}', "define:@users\n    n: 1\n\ndefine:@users\n    n: 2"),
        ('{"k": "caf\\u00e9 \\ud83d\\ude00"}', "k: caf\u00e9 \U0001F600"),
        # A nameless "sync:" reads as prose with a space before its colon,
        # but not where it stands in a code block.
        ('["sync:"]', "sync :"),
        ('["```\\nsync:\\n```"]', "```\nsync:\n```"),
        ('"```\\nsync:\\n```"', "```\nsync:\n```"),
        ('["```", "sync:"]', "```\nsync:"),
        ('["# Sync\\n  ## a\\n    class: weekly\\n    ```\\n    class: x"]',
         "# Sync\n  ## a\n    // class: weekly\n    ```\n    class: x"),
    ],
)
def test_from_json(text, expected):
    assert varn_lang.from_json(text) == expected


@pytest.mark.parametrize(
    "text, message",
    [
        ("", "JSON conversion error: EOF while parsing a value at line 1 column 0"),
        ("{", "JSON conversion error: EOF while parsing an object at line 1 column 1"),
        ("[1] 2", "JSON conversion error: trailing characters at line 1 column 5"),
        ("1e400", "JSON conversion error: number out of range at line 1 column 5"),
        ('"\\ud800"', "JSON conversion error: unexpected end of hex escape at line 1 column 8"),
        ("[" * 128 + "]" * 128, "JSON conversion error: recursion limit exceeded at line 1 column 128"),
        ("[" * 100000 + "]" * 100000, "JSON conversion error: recursion limit exceeded at line 1 column 128"),
    ],
)
def test_from_json_errors(text, message):
    with pytest.raises(ValueError) as info:
        varn_lang.from_json(text)
    assert info.value.args == (message,)


def test_from_json_at_the_nesting_limit():
    assert varn_lang.from_json("[" * 127 + "7" + "]" * 127) == "7"


# --- from_markdown ----------------------------------------------------------


@pytest.mark.parametrize(
    "md, expected",
    [
        ("", ""),
        ("# Title", "# Title"),
        ("#Title\n###### Six", "# Title\n\n###### Six"),
        ("- [ ] buy milk\n- [x] done\n- [X] also\n- item", "[!] buy milk\n[x] done\n[x] also\n[!] item"),
        ("one\n  two\nthree\n\nfour", "one two three\nfour"),
        ("text\n- item", "text\n[!] item"),
        ("```sql\nselect 1\n```", "```sql\nselect 1\n```"),
        ("```\nnever closed", "```\nnever closed\n```"),
        ("sync:\n\n```\nsync:\n```", "sync :\n```\nsync:\n```"),
        ("####### seven\n#\n  # indented", "####### seven\n#\n# indented"),
        ("\u2028para\u2028", "para"),
        ("\u0145", "\u0145"),
    ],
)
def test_from_markdown(md, expected):
    assert varn_lang.from_markdown(md) == expected


def test_from_markdown_many_hash_lines_end():
    out = varn_lang.from_markdown("####### x\n" * 50000)
    assert out == "\n".join(["####### x"] * 50000)

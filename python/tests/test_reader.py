"""render(doc_json): how the JSON AST reader's failures reach Python, and
that what parse() writes reads back.

Run with PYTHONPATH pointing at the build's python/ directory."""

import pytest

import varn_lang

NOT_AVAILABLE = "render() is not available yet in this build of varn_lang"

GROUP = '{"kind":"Group","depth":1,"name":"A","atoms":[],"gates":[],"children":['


def nested_groups(levels):
    return '{"nodes":[' + GROUP * levels + "]}" * levels + "]}"


@pytest.mark.parametrize(
    "doc_json, message",
    [
        ("", "EOF while parsing a value at line 1 column 0"),
        ('{"x": [1,]}', "trailing comma at line 1 column 10"),
        ('"\\ud800"', "unexpected end of hex escape at line 1 column 8"),
        ("1e400", "number out of range at line 1 column 5"),
        ("{}", "missing field `nodes` at line 1 column 2"),
        ('{"nodes": [{"kind": "Snap"}]}', "missing field `name` at line 1 column 28"),
        ('{"nodes": [{"kind": "Snap", "name": "a", "name": "b"}]}', "duplicate field `name` at line 1 column 54"),
        ('{"nodes": [["History", "t", -1]]}', "invalid value: integer `-1`, expected u32 at line 1 column 32"),
        ('{"nodes": [["Snap"]]}', "invalid length 0, expected struct Snap with 1 element at line 1 column 20"),
        (
            '{"nodes": [{"kind": "Spawn", "parallel": null}]}',
            "unknown variant `parallel`, expected `Parallel` or `Sequential` at line 1 column 47",
        ),
        (nested_groups(63), "recursion limit exceeded at line 1 column %d" % (10 + 71 * 62 + 46)),
    ],
)
def test_reading_failures_raise_value_error_with_their_place(doc_json, message):
    with pytest.raises(ValueError) as info:
        varn_lang.render(doc_json)
    assert info.value.args == (message,)


SOURCES = [
    "",
    "# Plan\n\nsome prose with a @ref and #channel\n---\n// a note\n",
    "# A\n## B\n### C\ntext\n",
]


@pytest.mark.parametrize("source", SOURCES)
def test_what_parse_writes_reads_back(source):
    try:
        out = varn_lang.render(varn_lang.parse(source))
    except ValueError as e:
        assert e.args == (NOT_AVAILABLE,)
    else:
        assert type(out) is str


def test_deep_document_within_the_limit_reads():
    try:
        out = varn_lang.render(nested_groups(62))
    except ValueError as e:
        assert e.args == (NOT_AVAILABLE,)
    else:
        assert type(out) is str

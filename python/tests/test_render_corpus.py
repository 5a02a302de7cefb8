"""render() reads back every node kind that parse() writes: over corpora that
hold every construct of the language, each node alone and whole documents.

Run with PYTHONPATH pointing at the build's python/ directory."""

import json
import pathlib

import pytest

import varn_lang

SRC = pathlib.Path(__file__).resolve().parents[2] / "core" / "src"
CORPUS = sorted(
    [*(SRC / "render/tests/corpus").glob("*.varn"), *(SRC / "format/tests/corpus").glob("*.varn"),
     *(SRC / "parse/tests/cases").glob("*.varn")]
)
# The render corpus is written to read back as it renders.
STABLE = sorted((SRC / "render/tests/corpus").glob("*.varn"))

NODE_KINDS = [
    "Group", "Task", "Prose", "Comment", "Spawn", "Divider", "Define", "Mutate", "Delete", "Query", "Variable",
    "Flow", "States", "Validate", "Check", "Form", "ModDef", "ModInvoke", "Git", "Conditional", "Snap", "Diff",
    "History", "StatusDef", "Routine", "Bold", "Webhook", "UseBlock", "Remember", "Recall", "EmbedMarker",
    "FilesDef", "PolicyDef", "Escalate", "SyncDef", "EntityDef", "MetricDef", "GateDef", "LatticeValidates",
    "LatticeConstraint", "LatticeSchema", "LatticeFrontier", "PressureEffect", "UnitCell", "Symmetry",
    "CodeBlock", "Serve", "Issue", "ThreadComment", "Commands", "Project", "ProjectScope", "BoundDef",
    "BuildDef", "RunDef", "Directive",
]
# No source line gives these; they arrive only through the JSON AST.
NOT_FROM_SOURCE = {"BoundDef", "BuildDef", "RunDef", "Directive"}
NODE_LISTS = ("nodes", "children", "on_pass", "on_fail")


class Members(list):
    """An object's members in text order, a repeated key included (`ModDef`
    carries `kind` twice)."""


def load(text):
    return json.loads(text, object_pairs_hook=Members)


def dump(value):
    if isinstance(value, Members):
        return "{" + ",".join(json.dumps(k) + ":" + dump(v) for k, v in value) + "}"
    if isinstance(value, list):
        return "[" + ",".join(dump(v) for v in value) + "]"
    return json.dumps(value)


def nodes_in(value):
    """Every node object at any depth, in document order."""
    if isinstance(value, Members):
        for key, member in value:
            if key in NODE_LISTS and isinstance(member, list):
                for node in member:
                    yield node
                    yield from nodes_in(node)
            elif key != "inline":
                yield from nodes_in(member)
    elif isinstance(value, list):
        for item in value:
            yield from nodes_in(item)


def kind_of(node):
    return next(v for k, v in node if k == "kind")  # the first `kind` is the tag


def parsed(path):
    return varn_lang.parse(path.read_text(encoding="utf-8"))


def test_the_corpora_hold_every_kind_that_parse_writes():
    seen = {kind_of(node) for path in CORPUS for node in nodes_in(load(parsed(path)))}
    assert seen == set(NODE_KINDS) - NOT_FROM_SOURCE


@pytest.mark.parametrize("path", CORPUS, ids=lambda p: str(p.relative_to(SRC)))
def test_every_node_renders_alone_from_its_json(path):
    for node in nodes_in(load(parsed(path))):
        assert type(varn_lang.render('{"nodes":[' + dump(node) + "]}")) is str, dump(node)


@pytest.mark.parametrize("path", CORPUS, ids=lambda p: str(p.relative_to(SRC)))
def test_render_reads_what_parse_writes(path):
    assert type(varn_lang.render(parsed(path))) is str


@pytest.mark.parametrize("path", STABLE, ids=lambda p: p.stem)
def test_rendered_text_parses_and_renders_to_itself(path):
    once = varn_lang.render(parsed(path))
    assert varn_lang.render(varn_lang.parse(once)) == once


@pytest.mark.parametrize(
    "node, text",
    [
        # The record's own `kind` follows the tag, as parse writes it.
        ('{"kind":"ModDef","name":"m","kind":"job","description":null,"trigger":null,"body":[["a","b"]],'
         '"versioned":false}', "mod:$m\n    a: b"),
        ('["ModDef","m","job",null,["t"],[],true]', "mod:$m"),
        ('{"kind":"Directive","kind":"k","value":"v"}', "@k v"),
        ('["Directive","k","v"]', "@k v"),
        ('{"kind":"BoundDef","name":"b","children":[{"kind":"Directive","kind":"x","value":"y"}]}', "bound:b\n    @x y"),
        ('["BuildDef","c",[]]', "build:c"),
        ('{"kind":"RunDef","name":"r","children":[["RunDef","s",[]]]}', "run:r\n    run:s"),
    ],
)
def test_nodes_read_from_json_render_exactly(node, text):
    assert varn_lang.render('{"nodes":[' + node + "]}") == text

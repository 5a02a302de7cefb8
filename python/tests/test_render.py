"""render(doc_json): the JSON AST back to source text, four spaces a depth."""
import json
import pathlib

import pytest

import varn_lang

CORPUS = pathlib.Path(__file__).resolve().parents[2] / "core" / "src" / "render" / "tests" / "corpus"


def doc(*nodes):
    return json.dumps({"nodes": list(nodes)})


def test_empty_document_renders_to_the_empty_string():
    assert varn_lang.render('{"nodes": []}') == ""


def test_exact_text_of_a_document_built_as_json():
    text = varn_lang.render(doc(
        {"kind": "Group", "depth": 2, "name": "Plan", "atoms": [{"name": "q3", "value": None}], "gates": [],
         "children": [
             {"kind": "Task", "marker": {"kind": "Completed", "priority": "None", "prefix": "None", "seq": None},
              "label": None, "text": "Ship", "inline": [], "gates": [{"name": "ok", "body": "x"}], "children": [],
              "closes": 4},
             {"kind": "Prose", "text": "note", "inline": []},
         ]},
        {"kind": "Define", "entity": "task", "atoms": [], "fields": [
            {"name": "ratio", "plural": False, "default": {"Float": 1.0}},
            {"name": "tag", "plural": True, "default": {"Enum": ["a", "b"]}}]},
        {"kind": "Webhook", "trigger": "push", "url": "https://h/x", "payload": "p"},
    ))
    assert text == (
        "## Plan :q3\n\n"
        "    [x] Ship {ok}\n"
        "    note\n"
        "define:@task\n"
        "    ratio: 1.0\n"
        "    tag(s): :a/:b\n\n"
        'webhook: on:|push| url: "https://h/x " payload: "p"'
    )
    hook = json.loads(varn_lang.parse(text))["nodes"][-1]
    assert (hook["url"], hook["payload"]) == ("https://h/x", "p")


# Each source renders to the text beside it, which parses back to the same tree.
SAME_TREE = [
    ("define:@task :x from @base\n    done: false", "define:@task :x from @base\n    done: false"),
    ("define:@m\n    ratio: 1.0\n    n: 3", "define:@m\n    ratio: 1.0\n    n: 3"),
    ("lattice_constraint: invariant\n    rule: a < b\n    applies_to: x, y",
     "lattice_constraint: invariant\n    rule: a < b\n    applies_to: x, y"),
    ("issue: Fix {p1}\n    status: :open", "issue: Fix {p1}\n    status: :open"),
    ("issue: Bug {approve @x}", "issue: Bug {approve @x}"),
    ("query:\n    task(s) where open\n    sort: due\n    limit: 5\n    include: owner",
     "query:\n    task(s) where open\n    sort: due\n    limit: 5\n    include: owner"),
    ("? task(s) where open", "? task(s) where open"),
    ("use @orders\n    a: b", "use @orders\n    a: b"),
    ("use @orders from orders_db", "use @orders from orders_db"),
    ("mutate:@task\n    priority: high\n    t1: status: done", "mutate:@task\n    priority: high\n    t1:status:done"),
    ('mod:$m\n    prompt: """\n        a\n        b\n    """',
     'mod:$m\n    prompt: """\n        a\n        b\n    """'),
    ("[3?] decide", "[3?] decide"),
    ("routine: nightly: |run|", "routine:nightly: |run|"),
]


@pytest.mark.parametrize("source, rendered", SAME_TREE)
def test_render_writes_what_parses_back(source, rendered):
    tree = varn_lang.parse(source)
    assert varn_lang.render(tree) == rendered
    assert varn_lang.parse(rendered) == tree


@pytest.mark.parametrize("name", ["blocks", "markers", "statements", "definitions", "lattice"])
def test_rendering_a_rendered_document_again_changes_nothing(name):
    first = varn_lang.render(varn_lang.parse((CORPUS / f"{name}.varn").read_text(encoding="utf-8")))
    assert varn_lang.render(varn_lang.parse(first)) == first


def test_text_is_written_unescaped():
    text = varn_lang.render(doc({"kind": "Prose", "text": 'say "hi"\\ \u00e9', "inline": []}))
    assert text == 'say "hi"\\ \u00e9'

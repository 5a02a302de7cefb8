"""The parse diagnostics of sync declarations as Python sees them, and the
lowering of "Sync" groups."""

import json

import pytest

import varn_lang

INVALID = "parse_error: Invalid sync class '{}' in sync declaration '{}'; expected canon, ops, or data"


@pytest.mark.parametrize(
    "source, message",
    [
        ("sync:", "parse_error: sync: declaration on line 1 has no name"),
        ("a\n\nsync:", "parse_error: sync: declaration on line 3 has no name"),
        ("sync:   // later", "parse_error: sync: declaration on line 1 has no name"),
        # only the first diagnostic survives, though the walk reads on
        ("x\nsync:\n  class: ops\n\n\n\n\n\nsync:", "parse_error: sync: declaration on line 2 has no name"),
        ("# Sync\n  ## orders\n    class: weekly", INVALID.format("weekly", "orders")),
        ("# Sync\n  ### a\n    class: x\n  ### b\n    class: y", INVALID.format("x", "a")),
        # a diagnostic of the walk wins over the lowering pass, which then never runs
        ("# Sync\n  ## orders\n    class: weekly\nsync:", "parse_error: sync: declaration on line 4 has no name"),
    ],
)
def test_parse_raises_the_first_diagnostic(source, message):
    with pytest.raises(ValueError) as info:
        varn_lang.parse(source)
    assert info.value.args == (message,)
    assert type(info.value) is ValueError


def test_sync_group_lowers_to_sync_defs():
    doc = json.loads(varn_lang.parse("## Sync\n  ### orders\n    class: ops\n    target: dw\n  note"))
    group = doc["nodes"][0]
    assert group["kind"] == "Group" and group["name"] == "Sync"
    assert group["children"][0] == {
        "kind": "SyncDef",
        "name": "orders",
        "class": "ops",
        "source": "",
        "identity": "",
        "mode": "",
        "target": "dw",
        "schedule": "",
        "scope": "",
    }
    assert group["children"][1]["kind"] == "Prose"


@pytest.mark.parametrize("cls", ["", "canon", "ops", "data"])
def test_valid_classes_pass(cls):
    line = f"    class: {cls}\n" if cls else ""
    doc = json.loads(varn_lang.parse("# Sync\n  ## s\n" + line))
    assert doc["nodes"][0]["children"][0]["class"] == cls


def test_line_form_does_not_check_the_class():
    doc = json.loads(varn_lang.parse("sync: orders\n  class: weekly\n  class: ops"))
    assert doc["nodes"][0]["class"] == "weekly"

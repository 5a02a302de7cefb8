"""The type stub found beside the imported module agrees with the module: the
same names, the same argument names and docstrings, and mypy reads it."""

import ast
import os
import re

import pytest

import varn_lang

STUB = os.path.join(os.path.dirname(varn_lang.__file__), "varn_lang.pyi")


@pytest.fixture(scope="module")
def stub():
    """The stub's top-level names: each function and class, and __all__'s value."""
    with open(STUB, encoding="utf-8") as f:
        tree = ast.parse(f.read(), STUB, feature_version=(3, 9))
    names = {}
    for node in tree.body:
        if isinstance(node, ast.Assign):
            names[ast.unparse(node.targets[0])] = node.value
        else:
            names[node.name] = node
    return names


def test_stub_names_are_the_module_names(stub):
    assert ast.literal_eval(stub["__all__"]) == varn_lang.__all__
    assert {n for n in stub if not n.startswith("_")} == {n for n in dir(varn_lang) if not n.startswith("_")}


@pytest.mark.parametrize("name", varn_lang.__all__)
def test_stub_function_matches_the_module(stub, name):
    func = getattr(varn_lang, name)
    # One str argument, by position or by keyword, and a str result.
    (arg,) = [a.arg for a in stub[name].args.args]
    assert ast.unparse(stub[name].args) == arg + ": str"
    assert ast.unparse(stub[name].returns) == "str"
    assert ast.get_docstring(stub[name]) == func.__doc__
    try:
        func(**{arg: ""})  # a wrong name would raise TypeError
    except ValueError:
        pass


def test_stub_panic_exception_has_the_module_base(stub):
    bases = [ast.unparse(b) for b in stub["PanicException"].bases]
    assert bases == [b.__name__ for b in varn_lang.PanicException.__bases__]


GOOD_CALLER = """\
import varn_lang

def run(text: str) -> str:
    try:
        out = varn_lang.parse(text) + varn_lang.fmt(source=text)
    except varn_lang.PanicException:
        raise
    out += varn_lang.render(doc_json=out) + varn_lang.from_json(json="{}")
    return out + varn_lang.from_markdown(md="") + varn_lang.to_json(text) + varn_lang.build_index(text)
"""

# Each line after the import, with the error code mypy must flag it with.
BAD_CALLER = {
    'varn_lang.parse(b"# a")': "arg-type",
    "varn_lang.fmt()": "call-arg",
    'varn_lang.parse_file("a.varn")': "attr-defined",
    'count: int = varn_lang.to_json("")': "assignment",
}


def test_mypy_strict_checks_callers_against_the_stub(tmp_path, monkeypatch):
    api = pytest.importorskip("mypy.api")
    (tmp_path / "good.py").write_text(GOOD_CALLER)
    (tmp_path / "bad.py").write_text("import varn_lang\n" + "\n".join(BAD_CALLER) + "\n")
    monkeypatch.chdir(tmp_path)
    monkeypatch.setenv("MYPYPATH", os.path.dirname(STUB))
    out, err, status = api.run(["--strict", "--cache-dir", "cache", "good.py", "bad.py"])
    flagged = re.findall(r"^(\w+)\.py:(\d+): error: .*\[([\w-]+)\]$", out, re.M)
    assert flagged == [("bad", str(line), code) for line, code in enumerate(BAD_CALLER.values(), 2)], out + err
    assert status == 1

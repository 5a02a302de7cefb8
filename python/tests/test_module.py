"""Tests of the varn_lang module surface: registration, argument binding,
text conversion, error mapping and module lifecycle.

Run with PYTHONPATH pointing at the build's python/ directory."""

import importlib
import inspect
import json
import os
import sys
import tempfile

import pytest

import varn_lang

NAMES = ["parse", "fmt", "render", "from_json", "from_markdown", "to_json", "build_index"]

SIGNATURES = {
    "parse": ("source", "Parse .varn source text, return JSON AST string."),
    "fmt": ("source", "Format .varn source text with consistent indentation."),
    "render": ("doc_json", "Render a JSON AST back to .varn text."),
    "from_json": ("json", "Convert JSON to .varn text."),
    "from_markdown": ("md", "Convert Markdown to .varn text."),
    "to_json": ("source", "Convert .varn source to JSON string."),
    "build_index": ("source", "Build document index as JSON string."),
}

EMPTY_DOCUMENT = '{\n  "nodes": []\n}'

# Functions whose core operation may still be a stub; such a stub answers
# with ValueError and this text.
NOT_AVAILABLE = "is not available yet in this build of varn_lang"


# --- registration ---------------------------------------------------------


def test_all_lists_the_seven_functions_in_order():
    assert varn_lang.__all__ == NAMES
    assert type(varn_lang.__all__) is list


def test_module_name_and_doc():
    assert varn_lang.__name__ == "varn_lang"
    assert varn_lang.__doc__ == ""


@pytest.mark.parametrize("name", NAMES)
def test_function_is_a_builtin_bound_to_the_module(name):
    func = getattr(varn_lang, name)
    assert inspect.isbuiltin(func)
    assert func.__name__ == name
    assert func.__qualname__ == name
    assert func.__module__ == "varn_lang"
    assert func.__self__ is varn_lang


@pytest.mark.parametrize("name", NAMES)
def test_signature_and_docstring(name):
    arg, doc = SIGNATURES[name]
    func = getattr(varn_lang, name)
    assert func.__text_signature__ == "(%s)" % arg
    assert str(inspect.signature(func)) == "(%s)" % arg
    param = inspect.signature(func).parameters[arg]
    assert param.kind is inspect.Parameter.POSITIONAL_OR_KEYWORD
    assert param.default is inspect.Parameter.empty
    assert func.__doc__ == doc


def test_panic_exception_is_a_base_exception_only():
    panic = varn_lang.PanicException
    assert isinstance(panic, type)
    assert issubclass(panic, BaseException)
    assert not issubclass(panic, Exception)
    assert panic.__name__ == "PanicException"
    assert panic.__module__ == "varn_lang"
    assert "PanicException" not in varn_lang.__all__


# --- parse and argument binding -------------------------------------------


def test_parse_empty_by_position():
    assert varn_lang.parse("") == EMPTY_DOCUMENT


def test_parse_empty_by_keyword():
    assert varn_lang.parse(source="") == EMPTY_DOCUMENT


def test_parse_accepts_str_subclass():
    class Text(str):
        pass

    assert varn_lang.parse(Text("")) == EMPTY_DOCUMENT


def test_parse_returns_exact_str():
    assert type(varn_lang.parse("hello")) is str


def test_parse_non_str_argument():
    with pytest.raises(TypeError) as info:
        varn_lang.parse(1)
    assert str(info.value) == "argument 'source': expected str, got int"


@pytest.mark.parametrize("value", [b"x", None, 1.5, ["x"]])
def test_parse_other_non_str_arguments(value):
    with pytest.raises(TypeError, match=r"^argument 'source': "):
        varn_lang.parse(value)


def test_parse_non_str_by_keyword():
    with pytest.raises(TypeError) as info:
        varn_lang.parse(source=b"x")
    assert str(info.value) == "argument 'source': expected str, got bytes"


def test_parse_missing_argument():
    with pytest.raises(TypeError) as info:
        varn_lang.parse()
    assert str(info.value) == "parse() missing 1 required positional argument: 'source'"


def test_parse_too_many_positional():
    with pytest.raises(TypeError) as info:
        varn_lang.parse("a", "b")
    assert str(info.value) == "parse() takes 1 positional argument but 2 were given"
    with pytest.raises(TypeError, match=r"but 3 were given$"):
        varn_lang.parse("a", "b", "c")


def test_parse_unexpected_keyword():
    with pytest.raises(TypeError) as info:
        varn_lang.parse(text="x")
    assert str(info.value) == "parse() got an unexpected keyword argument 'text'"


def test_parse_unexpected_keyword_beside_the_right_one():
    with pytest.raises(TypeError) as info:
        varn_lang.parse(source="x", text="y")
    assert str(info.value) == "parse() got an unexpected keyword argument 'text'"


def test_parse_multiple_values():
    with pytest.raises(TypeError) as info:
        varn_lang.parse("a", source="b")
    assert str(info.value) == "parse() got multiple values for argument 'source'"


def test_binding_via_kwargs_dict():
    assert varn_lang.parse(**{"source": ""}) == EMPTY_DOCUMENT
    with pytest.raises(TypeError, match="unexpected keyword argument 'sourc'"):
        varn_lang.parse(**{"sourc": ""})


@pytest.mark.parametrize("name", NAMES)
def test_each_function_names_itself_and_its_argument(name):
    arg, _ = SIGNATURES[name]
    func = getattr(varn_lang, name)
    with pytest.raises(TypeError) as info:
        func()
    assert str(info.value) == "%s() missing 1 required positional argument: '%s'" % (name, arg)
    with pytest.raises(TypeError) as info:
        func(**{arg: 1})
    assert str(info.value) == "argument '%s': expected str, got int" % arg
    with pytest.raises(TypeError) as info:
        func(nope="")
    assert str(info.value) == "%s() got an unexpected keyword argument 'nope'" % name
    with pytest.raises(TypeError) as info:
        func("", "")
    assert str(info.value) == "%s() takes 1 positional argument but 2 were given" % name
    with pytest.raises(TypeError) as info:
        func("", **{arg: ""})
    assert str(info.value) == "%s() got multiple values for argument '%s'" % (name, arg)


# --- text conversion ------------------------------------------------------


def test_lone_surrogate_raises_unicode_encode_error():
    with pytest.raises(UnicodeEncodeError):
        varn_lang.parse("\ud800")
    # UnicodeEncodeError is a ValueError, like every other failure of a call.
    assert issubclass(UnicodeEncodeError, ValueError)


def test_nul_character_passes_through():
    out = varn_lang.parse("a\x00b")
    assert "\\u0000" in out
    assert "a\\u0000b" in out


def test_non_ascii_text_round_trips():
    out = varn_lang.parse("h\u00e9llo \u65e5\u672c \U0001f600")
    assert "h\u00e9llo \u65e5\u672c \U0001f600" in out


ARGUMENTS = {
    "ascii": {"source": "# Plan\n- [ ] ship @dana\n", "json": '{"a": {"b": 1}}', "md": "# T\n- [ ] x\n"},
    "non-ascii": {"source": "# Caf\u00e9\n- [ ] \u65e5\u672c @d\u00e1na\n", "json": '{"\u00e9": {"b": "\u65e5"}}',
                  "md": "# Caf\u00e9\n- [ ] \u65e5\n"},
}


@pytest.mark.parametrize("kind", sorted(ARGUMENTS))
@pytest.mark.parametrize("name", NAMES)
def test_calls_leave_the_argument_str_as_it_was(name, kind):
    # The module must not leave a UTF-8 copy cached inside the caller's str.
    texts = ARGUMENTS[kind]
    arg = {"render": varn_lang.parse(texts["source"]), "from_json": texts["json"],
           "from_markdown": texts["md"]}.get(name, texts["source"])
    arg = "".join(list(arg))  # a fresh str that no one has asked for its UTF-8 yet
    before = sys.getsizeof(arg)
    try:
        getattr(varn_lang, name)(arg)
    except ValueError:
        pass
    assert sys.getsizeof(arg) == before


@pytest.mark.parametrize("text", ["plain", "caf\u00e9 na\u00efve", "\u65e5\u672c \u00e9", "\U0001f600 \u65e5 \u00e9",
                                  "\u00ff" * 9 + "x" * 17, "\U0010ffff"])
def test_result_holds_every_character_width(text):
    # The result is built straight from the core's UTF-8; each str width is
    # reached, and an ASCII result is a compact ASCII str.
    out = varn_lang.parse(text + "\n")
    assert json.loads(out)["nodes"][0]["text"] == text
    assert out.isascii() == text.isascii()
    assert out == "".join(list(out))


@pytest.mark.parametrize("char", ["\u00e9", "\u65e5", "\U0001f600"])
def test_long_lines_of_wide_characters_keep_every_character(char):
    # The result is written in pieces and escaped in segments of bytes; no
    # character may be cut where they end, whatever its width and offset.
    lines = [("x" * shift + char * 3000)[:2500] + "\n" for shift in range(4)]
    out = varn_lang.parse("".join(lines))
    texts = [node["text"] for node in json.loads(out)["nodes"]]
    assert texts == [line[:-1] for line in lines]


@pytest.mark.parametrize("chars", [["\u00e9"], ["\u65e5"], ["\U0001f600"], ["\u00e9", "\u65e5", "\U0001f600"]])
def test_result_widens_where_a_wider_character_first_comes(chars):
    # The str is written as the core hands its pieces on and is copied into a
    # wider one when a wider character first comes, many pieces in: what was
    # written before must come across whole.
    lines = ["prose line %d" % i for i in range(30000)]
    for k, char in enumerate(chars):
        lines[10000 * (k + 1) - 1] += " " + char
    out = varn_lang.parse("\n".join(lines) + "\n")
    assert [node["text"] for node in json.loads(out)["nodes"]] == lines


def test_result_longer_than_the_room_taken_for_it():
    # One-letter lines give far more JSON than the room taken at the start.
    for char in ("a", "\u00e9"):
        out = varn_lang.parse((char + "\n") * 200000)
        nodes = json.loads(out)["nodes"]
        assert len(nodes) == 200000 and all(node["text"] == char for node in nodes)
        assert out.endswith("\n  ]\n}")


@pytest.mark.parametrize("text", ["\u00e9", "x\u0080", "\u00ff" * 3 + "plain ascii run" + "\u00e0",
                                  "".join(map(chr, range(0xa1, 0x100))), "a" * 40 + "\u00e7" + "b" * 7])
def test_latin1_arguments_reach_the_core_as_utf8(text):
    # A str of one byte a character is encoded by the module itself.
    assert json.loads(varn_lang.parse(text + "\n"))["nodes"][0]["text"] == text
    assert varn_lang.from_markdown(text) == text


def test_large_text():
    source = "a line of prose\n" * 20000
    out = varn_lang.parse(source)
    assert type(out) is str
    assert out.startswith('{\n  "nodes": [')


# --- error mapping --------------------------------------------------------


def _check_reader_error(info, name):
    assert type(info.value) is ValueError
    assert len(info.value.args) == 1
    message = info.value.args[0]
    assert type(message) is str
    if message != "%s() %s" % (name, NOT_AVAILABLE):
        # The JSON reader's message carries the position where it stopped.
        assert " at line " in message and " column " in message


def test_render_of_text_that_is_no_json_raises_value_error():
    with pytest.raises(ValueError) as info:
        varn_lang.render("this is not json")
    _check_reader_error(info, "render")


def test_from_json_of_invalid_json_raises_value_error():
    with pytest.raises(ValueError) as info:
        varn_lang.from_json("{")
    _check_reader_error(info, "from_json")


@pytest.mark.parametrize("name", ["fmt", "render", "from_json", "from_markdown", "to_json", "build_index"])
def test_stubbed_operations_raise_value_error(name):
    func = getattr(varn_lang, name)
    source = '{"nodes": []}' if name in ("render", "from_json") else ""
    try:
        out = func(source)
    except ValueError as e:
        assert type(e) is ValueError
        assert e.args == ("%s() %s" % (name, NOT_AVAILABLE),)
    else:
        # The operation is implemented in this build.
        assert type(out) is str


# --- module lifecycle -----------------------------------------------------


def test_reload_returns_the_same_module():
    assert importlib.reload(varn_lang) is varn_lang
    assert varn_lang.__all__ == NAMES
    assert varn_lang.parse("") == EMPTY_DOCUMENT


def test_second_import_returns_the_same_module():
    saved = sys.modules.pop("varn_lang")
    try:
        again = importlib.import_module("varn_lang")
        assert again is saved
        assert again.__all__ == NAMES
    finally:
        sys.modules["varn_lang"] = saved


def _run_in_subinterpreter():
    try:
        import _testcapi

        if hasattr(_testcapi, "run_in_subinterp"):
            return _testcapi.run_in_subinterp
    except ImportError:
        pass
    try:
        import _xxsubinterpreters as interpreters
    except ImportError:
        return None

    def run(code):
        interp = interpreters.create()
        try:
            interpreters.run_string(interp, code)
        finally:
            interpreters.destroy(interp)
        return 0

    return run


def test_subinterpreter_import_raises_import_error():
    run = _run_in_subinterpreter()
    if run is None:
        pytest.skip("this interpreter cannot run subinterpreters")
    with tempfile.TemporaryDirectory() as tmp:
        report = os.path.join(tmp, "report.txt")
        code = (
            "import sys\n"
            "sys.path[:0] = %r\n"
            "try:\n"
            "    import varn_lang\n"
            "    result = 'imported'\n"
            "except ImportError as e:\n"
            "    result = 'ImportError: ' + str(e)\n"
            "with open(%r, 'w') as f:\n"
            "    f.write(result)\n"
        ) % (sys.path, report)
        run(code)
        with open(report) as f:
            result = f.read()
    assert result.startswith("ImportError: ")
    assert "subinterpreters" in result
    # The main interpreter's module is untouched.
    assert varn_lang.parse("") == EMPTY_DOCUMENT


def test_large_non_ascii_argument_reads_the_same_as_ascii():
    # A non-ASCII argument is copied and the copy is given back to the system
    # while the call reads on; every byte must still be read as written. "é"
    # and "ee" are both two bytes, and stand only in prose.
    block = ("# Section {i} :tag{i}\n"
             "  Coordinate with @user{i} in #chan{i}, caf\u00e9 {i}.\n"
             "  - [ ] task {i} for @team.lead{i} na\u00e9ve\n"
             "    ```\n    code {i} \u00e9\n    ```\n"
             "plain line {i} \u00e9t\u00e9\n\n")
    doc = "".join(block.format(i=i) for i in range(40_000))
    assert len(doc.encode()) > 4 << 20
    plain = doc.replace("\u00e9", "ee")
    for name in ("parse", "fmt", "to_json", "build_index"):
        func = getattr(varn_lang, name)
        assert func(doc).replace("\u00e9", "ee") == func(plain), name


# --- memory ---------------------------------------------------------------

# Prints, for each unit of argv[2:], the memory the function argv[1] adds when
# called on 10 MB of that unit repeated, less the size of its result, over the
# size of its argument in UTF-8 (which the module copies it to when it is not
# ASCII).
MEMORY_OF_CALLS = r"""
import json, sys, varn_lang
func = getattr(varn_lang, sys.argv[1])
figures = []
for unit in sys.argv[2:]:
    arg = unit * (10_000_000 // len(unit))
    out, added = measured(lambda: func(arg))
    figures.append((added - sys.getsizeof(out)) / len(arg.encode()))
print(json.dumps(figures))
"""

BLANK_LINES = ["\n", "\r\n", " \n", "\t\n", "\n\t \n\u3000\n"]


@pytest.mark.parametrize("name", ["parse", "fmt", "to_json", "build_index"])
def test_blank_lines_take_no_memory(name, child):
    if child.under_asan or not child.can_measure:
        pytest.skip("needs Linux's /proc/self/clear_refs, and no ASan, whose own memory hides the module's")
    done = child.run(child.measured + MEMORY_OF_CALLS, name, *BLANK_LINES)
    assert done.returncode == 0, done.stderr
    for unit, figure in zip(BLANK_LINES, json.loads(done.stdout)):
        assert figure < 1.5, (unit, figure)


# A heading that holds every line costs what the same lines in sections
# cost, and a line of references about its own size: each member of a group
# is written as it completes, and fmt and to_json build no inline spans.
# Prints, for the function argv[1], the memory it adds beyond its result
# over the larger text, for the heading and for the line.
MEMORY_OF_LAYOUTS = r"""
import json, sys, varn_lang
func = getattr(varn_lang, sys.argv[1])
line = "  sync with @dana before the **freeze** on |freeze_date| in #launch and %website\n"
task = "  [ ] cut the branch with @team:lead before $billing.charge(42)\n"
figures = []
for arg in ("# Launch :q2\n" + (line * 6 + task) * 20_000, "@x " * 1_000_000):
    out, added = measured(lambda: func(arg))
    if isinstance(out, MemoryError):
        figures.append(None)
        continue
    figures.append((added - sys.getsizeof(out)) / max(len(arg.encode()), len(out.encode())))
print(json.dumps(figures))
"""


@pytest.mark.parametrize("name, under_heading, line_of_refs",
                         [("parse", 1.5, None), ("fmt", 2, 1.5), ("to_json", 2, 1.5), ("build_index", 3, None)])
def test_one_heading_costs_what_sections_cost(name, under_heading, line_of_refs, child):
    if child.under_asan or not child.can_measure:
        pytest.skip("needs Linux's /proc/self/clear_refs, and no ASan, whose own memory hides the module's")
    done = child.run(child.measured + MEMORY_OF_LAYOUTS, name)
    assert done.returncode == 0, done.stderr
    heading, refs = json.loads(done.stdout)
    assert heading < under_heading
    if line_of_refs is not None:
        assert refs < line_of_refs

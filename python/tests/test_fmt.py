"""fmt(source): the canonical layout, and a parse error passed through."""
import pytest

import varn_lang


def test_empty_document_is_one_line_feed():
    assert varn_lang.fmt("") == "\n"
    assert varn_lang.fmt("\n\n   \n") == "\n"


def test_layout():
    source = "# A\n    text   \n\n\n# B\n [ ] t\n\tprose\n# C\nplain\n# D\n"
    assert varn_lang.fmt(source) == "# A\n  text\n\n# B\n  [ ] t\n    prose\n\n# C\nplain\n# D\n"


def test_result_is_idempotent_and_keeps_the_tree():
    source = "# A :x {g}\n  [x] done\n    depends: @b\n\n\n? task(s) where open\nflow:\n  a --go--> b\n"
    once = varn_lang.fmt(source)
    assert varn_lang.fmt(once) == once
    assert varn_lang.parse(once) == varn_lang.parse(source)


def test_parse_error_passes_through_unchanged():
    with pytest.raises(ValueError) as fmt_error:
        varn_lang.fmt("x\nsync:\n")
    with pytest.raises(ValueError) as parse_error:
        varn_lang.parse("x\nsync:\n")
    assert type(fmt_error.value) is ValueError
    assert fmt_error.value.args == parse_error.value.args == ("parse_error: sync: declaration on line 2 has no name",)


def test_non_str_argument_is_a_type_error():
    with pytest.raises(TypeError):
        varn_lang.fmt(b"x")

// The varn_lang extension module: seven functions, each taking one str and
// returning one str, over the core operations in varn/operations.hpp.
//
// Written straight over the CPython C API and kept to what Python 3.9 offers.
// The core never throws on purpose and reports failures as values; this file
// is the only place where those values become Python exceptions.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <string>
#include <string_view>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include "text/unicode.hpp"
#include "varn/operations.hpp"

namespace {

using Operation = varn::ops::TextResult (*)(std::string_view);

// What argument binding and dispatch need to know about one function.
struct Signature {
  const char* name;
  const char* arg;
  Operation op;
};

// Registration order, which is also the order of __all__.
constexpr Signature kSignatures[] = {
    {"parse", "source", varn::ops::parse},
    {"fmt", "source", varn::ops::fmt},
    {"render", "doc_json", varn::ops::render},
    {"from_json", "json", varn::ops::from_json},
    {"from_markdown", "md", varn::ops::from_markdown},
    {"to_json", "source", varn::ops::to_json},
    {"build_index", "source", varn::ops::build_index},
};

// Raised for a C++ exception escaping the core. It derives from BaseException
// so that a plain `except Exception` does not swallow what is a bug.
PyObject* g_panic = nullptr;

// The module is built once per process; later initialisations (reload, a
// fresh import after removal from sys.modules) hand back the same object.
PyObject* g_module = nullptr;

// ID of the interpreter that first imported us, -1 before that. The module
// holds process-wide state, so it refuses every other interpreter.
std::atomic<std::int64_t> g_interpreter{-1};

// Binds exactly one argument, given by position or by keyword, with the
// wording CPython uses for a Python function `def name(arg)`. Keywords are
// checked before the positional count, as CPython does. Returns a borrowed
// reference, or nullptr with TypeError set.
PyObject* bind_one(const Signature& sig, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames) {
  PyObject* value = nargs > 0 ? args[0] : nullptr;
  Py_ssize_t nkw = kwnames ? PyTuple_GET_SIZE(kwnames) : 0;
  for (Py_ssize_t i = 0; i < nkw; ++i) {
    PyObject* key = PyTuple_GET_ITEM(kwnames, i);
    if (PyUnicode_CompareWithASCIIString(key, sig.arg) != 0) {
      PyErr_Format(PyExc_TypeError, "%s() got an unexpected keyword argument '%S'", sig.name, key);
      return nullptr;
    }
    if (value) {
      PyErr_Format(PyExc_TypeError, "%s() got multiple values for argument '%s'", sig.name, sig.arg);
      return nullptr;
    }
    value = args[nargs + i];
  }
  if (nargs > 1) {
    PyErr_Format(PyExc_TypeError, "%s() takes 1 positional argument but %zd were given", sig.name,
                 nargs);
    return nullptr;
  }
  if (!value) {
    PyErr_Format(PyExc_TypeError, "%s() missing 1 required positional argument: '%s'", sig.name,
                 sig.arg);
    return nullptr;
  }
  return value;
}

// The first position at or after `i` that holds a non-ASCII byte, or `n`.
std::size_t ascii_end(const unsigned char* s, std::size_t i, std::size_t n) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ull;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s + i, 8);
    if (word & kHigh) break;
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

// The character at `i`, which is not ASCII; a length of 0 when the bytes
// there are no well-formed UTF-8 (a real U+FFFD takes three bytes).
varn::text::Decoded decode_at(const unsigned char* s, std::size_t i, std::size_t n) {
  const varn::text::Decoded d = varn::text::decode(std::string_view(reinterpret_cast<const char*>(s), n), i);
  return d.len == 1 ? varn::text::Decoded{0, 0} : d;
}

// Counts the characters from `i` on (those before it are ASCII) and finds the
// widest; false when the text is not valid UTF-8.
bool measure(const unsigned char* s, std::size_t i, std::size_t n, std::size_t& count, Py_UCS4& widest) {
  count = i;
  widest = 127;
  while (i < n) {
    const std::size_t next = ascii_end(s, i, n);
    count += next - i;
    i = next;
    if (i == n) break;
    const varn::text::Decoded d = decode_at(s, i, n);
    if (d.len == 0) return false;
    widest = std::max<Py_UCS4>(widest, d.cp);
    ++count;
    i += d.len;
  }
  return true;
}

// Writes the characters of text already found valid.
template <class Char>
void fill(const unsigned char* s, std::size_t n, Char* out) {
  std::size_t i = 0;
  while (i < n) {
    const std::size_t next = ascii_end(s, i, n);
    if constexpr (sizeof(Char) == 1) {
      std::memcpy(out, s + i, next - i);
      out += next - i;
    } else {
      for (std::size_t k = i; k < next; ++k) *out++ = s[k];
    }
    i = next;
    if (i == n) break;
    const varn::text::Decoded d = decode_at(s, i, n);
    i += d.len;
    *out++ = static_cast<Char>(d.cp);
  }
}

// The str of UTF-8 text that the core produced, built in one allocation of its
// final size: a first pass finds the character count and the widest character,
// a second writes the characters straight into the str. A general decoder
// would grow and widen its buffer, copying outputs of hundreds of megabytes.
// Text that is not valid UTF-8 goes to CPython's decoder, which raises its
// own UnicodeDecodeError.
PyObject* str_from_utf8(std::string_view text) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  const std::size_t first = ascii_end(s, 0, n);
  if (first == n) {
    PyObject* str = PyUnicode_New(static_cast<Py_ssize_t>(n), 127);
    if (str) std::memcpy(PyUnicode_DATA(str), s, n);
    return str;
  }
  std::size_t count = 0;
  Py_UCS4 widest = 0;
  if (!measure(s, first, n, count, widest)) {
    return PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(n), "strict");
  }
  PyObject* str = PyUnicode_New(static_cast<Py_ssize_t>(count), widest);
  if (!str) return nullptr;
  switch (PyUnicode_KIND(str)) {
    case PyUnicode_1BYTE_KIND: fill(s, n, PyUnicode_1BYTE_DATA(str)); break;
    case PyUnicode_2BYTE_KIND: fill(s, n, PyUnicode_2BYTE_DATA(str)); break;
    default: fill(s, n, PyUnicode_4BYTE_DATA(str)); break;
  }
  return str;
}

// The UTF-8 form of a non-ASCII str, in a bytes object of our own. A str of
// one byte a character (Latin-1) is encoded here in one pass over runs of
// ASCII; CPython's encoder takes several times as long on large texts. Wider
// strs go to CPython, which also reports a lone surrogate.
PyObject* utf8_copy(PyObject* str) {
  if (PyUnicode_KIND(str) != PyUnicode_1BYTE_KIND) return PyUnicode_AsUTF8String(str);
  const auto* s = PyUnicode_1BYTE_DATA(str);
  const std::size_t n = static_cast<std::size_t>(PyUnicode_GET_LENGTH(str));
  std::size_t high = 0;
  for (std::size_t i = ascii_end(s, 0, n); i < n; i = ascii_end(s, i + 1, n)) ++high;
  PyObject* bytes = PyBytes_FromStringAndSize(nullptr, static_cast<Py_ssize_t>(n + high));
  if (!bytes) return nullptr;
  auto* out = reinterpret_cast<unsigned char*>(PyBytes_AS_STRING(bytes));
  for (std::size_t i = 0; i < n;) {
    const std::size_t next = ascii_end(s, i, n);
    std::memcpy(out, s + i, next - i);
    out += next - i;
    i = next;
    if (i == n) break;
    *out++ = static_cast<unsigned char>(0xC0 | (s[i] >> 6));
    *out++ = static_cast<unsigned char>(0x80 | (s[i] & 0x3F));
    ++i;
  }
  return bytes;
}

// Hands the heap pages that a large call freed (its tree, its pieces of
// text) back to the system before the result str is allocated: freed heap
// memory stays resident, and a large str is mapped afresh rather than built
// in it, so without this the two would add up.
void release_freed_memory(std::size_t input_size) {
#ifdef __GLIBC__
  if (input_size >= (std::size_t{1} << 20)) malloc_trim(0);
#else
  (void)input_size;
#endif
}

// One call of a module function: bind, convert, run the core, convert back.
PyObject* call(const Signature& sig, PyObject* const* args, Py_ssize_t nargs, PyObject* kwnames) {
  PyObject* arg = bind_one(sig, args, nargs, kwnames);
  if (!arg) return nullptr;
  if (!PyUnicode_Check(arg)) {
    PyErr_Format(PyExc_TypeError, "argument '%s': expected str, got %.200s", sig.arg,
                 Py_TYPE(arg)->tp_name);
    return nullptr;
  }
  // An ASCII str is its own UTF-8 and is read in place. Any other str is
  // encoded into a bytes object of our own, freed as soon as the core is done:
  // asking CPython for its UTF-8 form would cache a copy inside the caller's
  // str for as long as the str lives. Sizes are used throughout so NUL
  // characters pass through. A lone surrogate fails here with Python's own
  // UnicodeEncodeError.
  if (PyUnicode_READY(arg) < 0) return nullptr;
  PyObject* encoded = nullptr;
  const char* data = nullptr;
  Py_ssize_t size = 0;
  if (PyUnicode_IS_ASCII(arg)) {
    data = PyUnicode_AsUTF8AndSize(arg, &size);  // no copy, nothing cached
  } else {
    encoded = utf8_copy(arg);
    if (encoded) {
      data = PyBytes_AS_STRING(encoded);
      size = PyBytes_GET_SIZE(encoded);
    }
  }
  if (!data) {
    Py_XDECREF(encoded);
    return nullptr;
  }

  try {
    auto result = sig.op(std::string_view(data, static_cast<std::size_t>(size)));
    Py_CLEAR(encoded);
    release_freed_memory(static_cast<std::size_t>(size));
    if (result.ok()) {
      // The core's buffer is freed before returning, so only the str outlives the call.
      std::string text = std::move(result).value();
      return str_from_utf8(text);
    }
    // The error text should be UTF-8 already; "replace" guarantees that a
    // stray byte cannot turn the ValueError into a decoding error.
    const std::string& text = result.error();
    PyObject* message =
        PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
    if (!message) return nullptr;
    PyErr_SetObject(PyExc_ValueError, message);  // a str value: one argument
    Py_DECREF(message);
    return nullptr;
  } catch (const std::bad_alloc&) {
    Py_XDECREF(encoded);
    return PyErr_NoMemory();
  } catch (const std::exception& e) {
    Py_XDECREF(encoded);
    PyErr_SetString(g_panic, e.what());
    return nullptr;
  } catch (...) {
    Py_XDECREF(encoded);
    PyErr_SetString(g_panic, "unknown C++ exception in varn_lang");
    return nullptr;
  }
}

template <std::size_t I>
PyObject* fastcall(PyObject* /*module*/, PyObject* const* args, Py_ssize_t nargs,
                   PyObject* kwnames) {
  return call(kSignatures[I], args, nargs, kwnames);
}

// The doc's first line and "--" give CPython the text signature, so that
// inspect.signature shows the argument's name.
template <std::size_t I>
PyMethodDef method(const char* doc) {
  // The cast through void(*)() is how a fast-call function goes into
  // ml_meth without a function-type-cast warning.
  return {kSignatures[I].name,
          reinterpret_cast<PyCFunction>(reinterpret_cast<void (*)()>(&fastcall<I>)),
          METH_FASTCALL | METH_KEYWORDS, doc};
}

// Function objects keep a pointer to their PyMethodDef: these live forever.
PyMethodDef g_methods[] = {
    method<0>("parse(source)\n--\n\nParse .varn source text, return JSON AST string."),
    method<1>("fmt(source)\n--\n\nFormat .varn source text with consistent indentation."),
    method<2>("render(doc_json)\n--\n\nRender a JSON AST back to .varn text."),
    method<3>("from_json(json)\n--\n\nConvert JSON to .varn text."),
    method<4>("from_markdown(md)\n--\n\nConvert Markdown to .varn text."),
    method<5>("to_json(source)\n--\n\nConvert .varn source to JSON string."),
    method<6>("build_index(source)\n--\n\nBuild document index as JSON string."),
};
static_assert(std::size(g_methods) == std::size(kSignatures));

// No methods or slots here: the functions are added one by one below so that
// each also lands in __all__.
PyModuleDef g_def = {PyModuleDef_HEAD_INIT, "varn_lang", "", 0, nullptr, nullptr,
                     nullptr,               nullptr,     nullptr};

// Appends `name` to the module's __all__, creating the list on first use.
int append_to_all(PyObject* module, PyObject* name) {
  PyObject* all = PyDict_GetItemString(PyModule_GetDict(module), "__all__");  // borrowed
  if (!all) {
    PyObject* list = PyList_New(0);
    if (!list) return -1;
    int rc = PyModule_AddObject(module, "__all__", list);  // steals on success
    if (rc < 0) {
      Py_DECREF(list);
      return -1;
    }
    all = list;
  }
  return PyList_Append(all, name);
}

// Creates one function bound to the module and registers it under its name.
int add_function(PyObject* module, PyObject* module_name, PyMethodDef* def) {
  PyObject* func = PyCFunction_NewEx(def, module, module_name);
  if (!func) return -1;
  PyObject* name = PyObject_GetAttrString(func, "__name__");
  int rc = -1;
  if (name && append_to_all(module, name) == 0) rc = PyObject_SetAttr(module, name, func);
  Py_XDECREF(name);
  Py_DECREF(func);
  return rc;
}

// The module body: the panic exception, then the seven functions in order.
// The first failure stops it with the Python error set.
int exec_module(PyObject* module) {
  if (!g_panic) {
    g_panic = PyErr_NewException("varn_lang.PanicException", PyExc_BaseException, nullptr);
    if (!g_panic) return -1;
  }
  Py_INCREF(g_panic);
  if (PyModule_AddObject(module, "PanicException", g_panic) < 0) {
    Py_DECREF(g_panic);
    return -1;
  }
  PyObject* module_name = PyModule_GetNameObject(module);
  if (!module_name) return -1;
  int rc = 0;
  for (PyMethodDef& def : g_methods) {
    if ((rc = add_function(module, module_name, &def)) < 0) break;
  }
  Py_DECREF(module_name);
  return rc;
}

}  // namespace

PyMODINIT_FUNC PyInit_varn_lang(void) {
  std::int64_t id = PyInterpreterState_GetID(PyInterpreterState_Get());
  if (id == -1) return nullptr;
  std::int64_t first = -1;
  if (!g_interpreter.compare_exchange_strong(first, id) && first != id) {
    PyErr_SetString(PyExc_ImportError,
                    "varn_lang does not support subinterpreters: it can be imported "
                    "only once per process");
    return nullptr;
  }
  if (g_module) {
    Py_INCREF(g_module);
    return g_module;
  }
  PyObject* module = PyModule_Create2(&g_def, 1013);
  if (!module) return nullptr;
  if (exec_module(module) < 0) {
    Py_DECREF(module);
    return nullptr;
  }
  Py_INCREF(module);  // the process keeps one reference for later imports
  g_module = module;
  return module;
}

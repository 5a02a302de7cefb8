// The varn_lang extension module: seven functions, each taking one str and
// returning one str, over the core operations in varn/operations.hpp.
//
// Written straight over the CPython C API and kept to what Python 3.9 offers.
// The core never throws on purpose and reports failures as values; this file
// is the only place where those values become Python exceptions.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <algorithm>
#include <bit>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <exception>
#include <iterator>
#include <new>
#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/mman.h>
#include <unistd.h>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "memory/pages.hpp"
#include "text/unicode.hpp"
#include "varn/operations.hpp"

namespace {

using Operation = varn::ops::TextResult (*)(std::string_view, const varn::Consumed&);
using SinkOperation = std::optional<std::string> (*)(std::string_view, const varn::TextSink&, const varn::Consumed&);
using IndexOperation = varn::ops::IndexResult (*)(std::string_view, const varn::Consumed&);

// What argument binding and dispatch need to know about one function.
struct Signature {
  const char* name;
  const char* arg;
  Operation op;
  // The same operation handing on its text piece by piece as it writes, when
  // it has one: a long result then goes straight into the str.
  SinkOperation sink_op = nullptr;
  // In place of `op` for the one operation that can also find that its
  // result would take more memory than the process can get.
  IndexOperation index_op = nullptr;
};

// Registration order, which is also the order of __all__.
constexpr Signature kSignatures[] = {
    {"parse", "source", varn::ops::parse, varn::ops::parse_to},
    {"fmt", "source", varn::ops::fmt},
    {"render", "doc_json", [](std::string_view s, const varn::Consumed&) { return varn::ops::render(s); }},
    {"from_json", "json", [](std::string_view s, const varn::Consumed&) { return varn::ops::from_json(s); }},
    {"from_markdown", "md", [](std::string_view s, const varn::Consumed&) { return varn::ops::from_markdown(s); }},
    {"to_json", "source", varn::ops::to_json, varn::ops::to_json_to},
    {"build_index", "source", nullptr, nullptr, varn::ops::build_index},
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
#if defined(__SSE2__)
  for (; i + 16 <= n; i += 16) {
    const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(s + i)));
    if (high != 0) return i + static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(high)));
  }
#endif
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
Char* fill(const unsigned char* s, std::size_t n, Char* out) {
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
  return out;
}

// A str built from UTF-8 text that the core hands over piece by piece, each
// ending at a character boundary, written straight into the str: each piece
// is measured (character count, widest character) and its characters stored
// at once. The str grows by reallocation, which for a large one moves no
// bytes, and widens (one copy of what it holds) when a wider character comes;
// so a long result is neither joined in a buffer of its own first nor held
// twice. Text that is not valid UTF-8 goes to CPython's decoder, which raises
// its own UnicodeDecodeError.
class StrBuilder {
 public:
  // `expected`: about how many characters will come. Room for them is taken
  // at the start, so that a long str is one mapping from the first piece on
  // and grows without moving; pages never written cost nothing.
  explicit StrBuilder(std::size_t expected = 0) : expected_(static_cast<Py_ssize_t>(std::min<std::size_t>(expected, PY_SSIZE_T_MAX / 8))) {}
  StrBuilder(const StrBuilder&) = delete;
  StrBuilder& operator=(const StrBuilder&) = delete;
  ~StrBuilder() { Py_XDECREF(str_); }

  // False, with a Python error set, when the piece could not be added; the
  // builder then takes no more.
  bool append(std::string_view piece) {
    if (failed_) return false;
    if (piece.empty()) return true;
    const auto* s = reinterpret_cast<const unsigned char*>(piece.data());
    const std::size_t first = ascii_end(s, 0, piece.size());
    std::size_t count = piece.size();
    Py_UCS4 widest = 127;
    if (first < piece.size() && !measure(s, first, piece.size(), count, widest)) {
      Py_XDECREF(PyUnicode_DecodeUTF8(piece.data(), static_cast<Py_ssize_t>(piece.size()), "strict"));
      if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "varn_lang: a result was not UTF-8");
      return fail();
    }
    if (!make_room(static_cast<Py_ssize_t>(count), widest)) return fail();
    void* data = PyUnicode_DATA(str_);
    switch (PyUnicode_KIND(str_)) {
      case PyUnicode_1BYTE_KIND: fill(s, piece.size(), static_cast<Py_UCS1*>(data) + length_); break;
      case PyUnicode_2BYTE_KIND: fill(s, piece.size(), static_cast<Py_UCS2*>(data) + length_); break;
      default: fill(s, piece.size(), static_cast<Py_UCS4*>(data) + length_); break;
    }
    length_ += static_cast<Py_ssize_t>(count);
    return true;
  }

  // The str (a new reference), or nullptr with the error set.
  PyObject* finish() {
    if (failed_) return nullptr;
    if (!str_) return PyUnicode_New(0, 0);
    if (length_ != capacity_ && PyUnicode_Resize(&str_, length_) < 0) return fail(), nullptr;
    PyObject* str = str_;
    str_ = nullptr;
    return str;
  }

 private:
  bool fail() {
    failed_ = true;
    Py_CLEAR(str_);
    return false;
  }

  // Room for `count` more characters up to `widest`.
  bool make_room(Py_ssize_t count, Py_UCS4 widest) {
    const Py_UCS4 max = widest <= 127 ? max_ : widest <= 255 ? std::max<Py_UCS4>(max_, 255)
                                           : widest <= 0xFFFF ? std::max<Py_UCS4>(max_, 0xFFFF)
                                                              : 0x10FFFF;
    if (length_ + count <= capacity_ && max == max_) return true;
    Py_ssize_t capacity = std::max(length_ + count, str_ ? 2 * capacity_ : expected_);
    if (str_ && max == max_) {
      if (PyUnicode_Resize(&str_, capacity) < 0) return false;
    } else {
      // A new str, wider or first: an ASCII str and a wider one differ in
      // layout, so what is held is copied across.
      PyObject* wider = PyUnicode_New(capacity, max);
      if (!wider && capacity > length_ + count) {
        // Only what is needed when the system will not promise more.
        PyErr_Clear();
        capacity = length_ + count;
        wider = PyUnicode_New(capacity, max);
      }
      if (!wider) return false;
      if (str_ && length_ > 0 && PyUnicode_CopyCharacters(wider, 0, str_, 0, length_) < 0) {
        Py_DECREF(wider);
        return false;
      }
      Py_XSETREF(str_, wider);
      max_ = max;
    }
    capacity_ = capacity;
    varn::memory::advise_sequential_fill(PyUnicode_DATA(str_), static_cast<std::size_t>(capacity_) * PyUnicode_KIND(str_));
    return true;
  }

  PyObject* str_ = nullptr;  // `capacity_` characters, the first `length_` written
  Py_ssize_t length_ = 0;
  Py_ssize_t capacity_ = 0;
  Py_ssize_t expected_ = 0;
  Py_UCS4 max_ = 127;
  bool failed_ = false;
};

PyObject* str_from_utf8(std::string_view text) {
  StrBuilder str;
  str.append(text);
  return str.finish();
}

// The str of an operation's text, or nullptr with ValueError set to its error.
PyObject* value_error(const std::string& text) {
  // The error text should be UTF-8 already; "replace" guarantees that a
  // stray byte cannot turn the ValueError into a decoding error.
  PyObject* message = PyUnicode_DecodeUTF8(text.data(), static_cast<Py_ssize_t>(text.size()), "replace");
  if (!message) return nullptr;
  PyErr_SetObject(PyExc_ValueError, message);  // a str value: one argument
  Py_DECREF(message);
  return nullptr;
}

// MemoryError, for a result refused before it was made, naming its size.
PyObject* raise_error(const varn::SizeError& e) {
  PyErr_SetString(PyExc_MemoryError, varn::display(e).c_str());
  return nullptr;
}
PyObject* raise_error(const std::string& text) { return value_error(text); }
PyObject* raise_error(const varn::ops::IndexError& e) {
  return std::visit([](const auto& x) { return raise_error(x); }, e);
}

template <class E>
PyObject* result_str(varn::Result<std::string, E> result) {
  if (!result.ok()) return raise_error(result.error());
  // The core's buffer is freed before returning, so only the str outlives the call.
  const std::string text = std::move(result).value();
  return str_from_utf8(text);
}


// The UTF-8 form of a str that is not ASCII, in a mapping of our own: asking
// CPython for it would cache a copy inside the caller's str for as long as the
// str lives. The core reads it front to back and reports how far it is done,
// and the whole pages behind that point go back to the system at once, so
// that a large argument is not held twice (once in the str, once here) while
// the result grows.
class Utf8Copy {
 public:
  Utf8Copy() = default;
  Utf8Copy(const Utf8Copy&) = delete;
  Utf8Copy& operator=(const Utf8Copy&) = delete;
  ~Utf8Copy() { unmap(); }

  // False when the str holds a lone surrogate (then nothing is mapped) or the
  // mapping fails (then MemoryError is set).
  bool encode(PyObject* str) {
    const int kind = PyUnicode_KIND(str);
    const void* chars = PyUnicode_DATA(str);
    const Py_ssize_t length = PyUnicode_GET_LENGTH(str);
    std::size_t n = 0;
    if (kind == PyUnicode_1BYTE_KIND) {
      // One byte more for every character past ASCII.
      const auto* s = static_cast<const unsigned char*>(chars);
      const auto count = static_cast<std::size_t>(length);
      n = count;
      for (std::size_t i = ascii_end(s, 0, count); i < count; i = ascii_end(s, i + 1, count)) ++n;
    } else {
      for (Py_ssize_t i = 0; i < length; ++i) {
        const Py_UCS4 c = PyUnicode_READ(kind, chars, i);
        if (c >= 0xD800 && c < 0xE000) return false;
        n += c < 0x80 ? 1 : c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
      }
    }
    mapped_ = std::max<std::size_t>(n, 1);
    void* at = mmap(nullptr, mapped_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) {
      mapped_ = 0;
      PyErr_NoMemory();
      return false;
    }
    data_ = static_cast<char*>(at);
    size_ = n;
    // Written once from start to end, like a large result.
    varn::memory::advise_sequential_fill(data_, mapped_);
    if (kind == PyUnicode_1BYTE_KIND) {
      encode_latin1(static_cast<const unsigned char*>(chars), static_cast<std::size_t>(length));
      return true;
    }
    char* out = data_;
    for (Py_ssize_t i = 0; i < length; ++i) {
      const Py_UCS4 c = PyUnicode_READ(kind, chars, i);
      if (c < 0x80) {
        *out++ = static_cast<char>(c);
      } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
      } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
      } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
      }
    }
    return true;
  }

  std::string_view text() const { return {data_, size_}; }

 private:
  // One byte a character: runs of ASCII are copied whole, which is several
  // times faster than a character at a time on large texts.
  void encode_latin1(const unsigned char* s, std::size_t n) {
    auto* out = reinterpret_cast<unsigned char*>(data_);
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
  }

 public:
  // No byte before `offset` is read again: the whole pages before it are
  // returned, a megabyte or more at a time to keep the system calls few.
  void consumed(std::size_t offset) {
    static const std::size_t page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    constexpr std::size_t kStep = std::size_t{1} << 20;
    const std::size_t upto = std::min(offset, size_) / page * page;
    if (upto < released_ + kStep) return;
    madvise(data_ + released_, upto - released_, MADV_DONTNEED);
    released_ = upto;
  }

  void unmap() {
    if (data_) munmap(data_, mapped_);
    data_ = nullptr;
    size_ = mapped_ = released_ = 0;
  }

 private:
  char* data_ = nullptr;
  std::size_t size_ = 0;
  std::size_t mapped_ = 0;
  std::size_t released_ = 0;
};

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
  // An ASCII str is its own UTF-8 and is read in place, which caches nothing.
  // Any other str is encoded into a copy of our own, released as the core
  // reads on and freed as soon as it is done. Sizes are used throughout so
  // NUL characters pass through.
  if (PyUnicode_READY(arg) < 0) return nullptr;
  Utf8Copy copy;
  std::string_view source;
  if (PyUnicode_IS_ASCII(arg)) {
    Py_ssize_t size = 0;
    const char* data = PyUnicode_AsUTF8AndSize(arg, &size);  // no copy, nothing cached
    if (!data) return nullptr;
    source = std::string_view(data, static_cast<std::size_t>(size));
  } else if (copy.encode(arg)) {
    source = copy.text();
  } else {
    // A lone surrogate fails here with Python's own UnicodeEncodeError.
    if (!PyErr_Occurred()) Py_XDECREF(PyUnicode_AsUTF8String(arg));
    if (!PyErr_Occurred()) PyErr_SetString(PyExc_SystemError, "varn_lang: the argument could not be encoded");
    return nullptr;
  }

  try {
    varn::Consumed consumed;
    if (!PyUnicode_IS_ASCII(arg)) consumed = [&copy](std::size_t offset) { copy.consumed(offset); };
    auto done_with_input = [&] {
      copy.unmap();
      release_freed_memory(source.size());
    };
    if (sig.sink_op) {
      // A parse's JSON is several times the size of its source; a summary
      // is about its size. Room never written costs nothing.
      StrBuilder str(8 * source.size());
      const auto error = sig.sink_op(source, [&str](std::string_view piece) { str.append(piece); }, consumed);
      done_with_input();
      if (error) return value_error(*error);
      return str.finish();
    }
    if (sig.index_op) {
      auto result = sig.index_op(source, consumed);
      done_with_input();
      return result_str(std::move(result));
    }
    auto result = sig.op(source, consumed);
    done_with_input();
    return result_str(std::move(result));
  } catch (const std::bad_alloc&) {
    return PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(g_panic, e.what());
    return nullptr;
  } catch (...) {
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

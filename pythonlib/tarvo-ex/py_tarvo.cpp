// The _tarvo module: pack objects, (type word, value) tuples <-> pack items,
// the walks between dicts/lists and packs, methods and protocols.
#include "py_tarvo.h"

#include <ctype.h>
#include <limits.h>
#include <stdlib.h>
#include <string.h>
#include <strings.h>

#include <algorithm>

#include "tarvo_bits/little_endian.h"
#include "tarvo_bits/name_index.h"
#include "tarvo_bits/pack_types.h"

PYTARVO_SOURCE_FILE;

PyObject* ErrorObject = NULL;

namespace {

const char kToPack[] = "_PyTarvo_ObjectToPackItem";
const char kToObject[] = "_PyTarvo_PackItemToObject";

// A row's put returns 0 or a pack code for the common report, or kRaised
// when it has raised its own message.
const int kRaised = 1;

typedef int (*PutFn)(tarvo_t* pack, const char* key, PyObject* value);
// Returns a new reference to the item's value, or NULL with an exception set.
typedef PyObject* (*BuildFn)(const tarvo_item_t* item);

// ---- puts: one per type word ------------------------------------------------

int put_pack(tarvo_t*, const char*, PyObject*) {
  PYTARVO_RAISE("%s: PCK not implemented", kToPack);
  return kRaised;
}

int dict_check(PyObject* value) { return PyDict_Check(value); }
int list_check(PyObject* value) { return PyList_Check(value); }

// How a nested container is written: "obj" and "arr" differ only here.
struct NestedPut {
  const char* tag;   // "OBJ" / "ARR" in the type-mismatch message
  const char* noun;  // "object" / "array" in the refused-put message
  int (*check)(PyObject* value);
  tarvo_t* (*open)(tarvo_t* pack, const char* name);
  int (*walk)(PyObject* value, tarvo_t* child);
};

const NestedPut kPutObject = {"OBJ", "object", dict_check, tarvo_put_object, PyTarvo_DictToPack};
const NestedPut kPutArray = {"ARR", "array", list_check, tarvo_put_array, PyTarvo_ListToPack};

int put_nested(const NestedPut& how, tarvo_t* pack, const char* key, PyObject* value) {
  tarvo_t* child = NULL;
  int err = 0;
  int rc = kRaised;
  if (!how.check(value)) {
    PYTARVO_RAISE("%s: %p is not an %s", kToPack, value, how.tag);
    return kRaised;
  }
  // A dict that holds itself must end in an exception, not a crash.
  if (PyTarvo_EnterDescent(" while packing a nested container") != 0) return kRaised;
  child = how.open(pack, key);
  err = TARVO_PTR_ERR(child);
  if (err != 0) {
    PYTARVO_RAISE("Error putting %s[%s] into pack[@:%p], err[%s]", how.noun, PyTarvo_Text(key),
                  pack, tarvo_perror(err));
  } else {
    rc = how.walk(value, child) == 0 ? 0 : kRaised;
    tarvo_finish(child);
  }
  PyTarvo_LeaveDescent();
  return rc;
}

int put_object(tarvo_t* pack, const char* key, PyObject* value) {
  return put_nested(kPutObject, pack, key, value);
}

int put_array(tarvo_t* pack, const char* key, PyObject* value) {
  return put_nested(kPutArray, pack, key, value);
}

int put_raw(tarvo_t* pack, const char* key, PyObject* value) {
  char* bytes = NULL;
  Py_ssize_t length = 0;
  if (PyString_AsStringAndSize(value, &bytes, &length) < 0) return TARVO_ERR_BAD_PARAM;
  // The pack stores a 32-bit length: refuse what would be cut short.
  if (static_cast<uint64_t>(length) > UINT32_MAX) return TARVO_ERR_BAD_PARAM;
  return tarvo_put_raw(pack, key, bytes, static_cast<unsigned int>(length));
}

int put_str(tarvo_t* pack, const char* key, PyObject* value) {
  const char* text = PyString_AsString(value);
  if (text == NULL) return TARVO_ERR_BAD_PARAM;
  return tarvo_put_str(pack, key, text);
}

// Called after a conversion of value gave its failure value: true, with the
// message raised, when the conversion failed.
bool conversion_failed(const char* key, PyObject* value, bool long_object) {
  if (!PyErr_Occurred()) return false;
  if (long_object) {
    PYTARVO_RAISE("Invalid key[%s] long object[@:%p]", PyTarvo_Text(key), value);
  } else {
    PYTARVO_RAISE("Invalid key[%s] object[@:%p]", PyTarvo_Text(key), value);
  }
  return true;
}

int put_int32(tarvo_t* pack, const char* key, PyObject* value) {
  long n = PyInt_AsLong(value);
  if (n == -1 && conversion_failed(key, value, true)) return kRaised;
  return tarvo_put_int32(pack, key, static_cast<int32_t>(static_cast<uint32_t>(n)));
}

int put_uint32(tarvo_t* pack, const char* key, PyObject* value) {
  long n = PyInt_AsLong(value);
  if (n == -1 && conversion_failed(key, value, true)) return kRaised;
  return tarvo_put_uint32(pack, key, static_cast<uint32_t>(n));
}

int put_int64(tarvo_t* pack, const char* key, PyObject* value) {
  long long n = PyLong_AsLongLong(value);
  if (n == -1 && conversion_failed(key, value, true)) return kRaised;
  return tarvo_put_int64(pack, key, n);
}

int put_uint64(tarvo_t* pack, const char* key, PyObject* value) {
  unsigned long long n = PyLong_AsUnsignedLongLong(value);
  if (n == static_cast<unsigned long long>(-1) && conversion_failed(key, value, true))
    return kRaised;
  return tarvo_put_uint64(pack, key, n);
}

int put_double(tarvo_t* pack, const char* key, PyObject* value) {
  double d = PyFloat_AsDouble(value);
  if (d == -1.0 && conversion_failed(key, value, false)) return kRaised;
  return tarvo_put_double(pack, key, d);
}

int put_bool(tarvo_t* pack, const char* key, PyObject* value) {
  long n = PyInt_AsLong(value);
  if (n == -1 && conversion_failed(key, value, false)) return kRaised;
  // The low byte is stored, but a non-zero n whose low byte is 0 stays true.
  signed char b = static_cast<signed char>(n & 0xff);
  if (b == 0 && n != 0) b = 1;
  return tarvo_put_bool(pack, key, b);
}

int put_null(tarvo_t* pack, const char* key, PyObject*) { return tarvo_put_null(pack, key); }

// ---- builders: one per plain type code ---------------------------------------

PyObject* build_pack(const tarvo_item_t*) {
  return PYTARVO_RAISE("%s: PCK item to object not implemented", kToObject);
}

int walk_into_dict(const tarvo_item_t* item, tarvo_t* child, PyObject* dict) {
  // Version-1 keys carry their parent's path; version-2 names stand alone.
  const char* prefix = tarvo_get_version(item->pack) == 1 ? item->key : NULL;
  return PyTarvo_PackToDict(prefix, child, dict);
}

int fill_list(tarvo_t* pack, PyObject* list);

int walk_into_list(const tarvo_item_t*, tarvo_t* child, PyObject* list) {
  return fill_list(child, list);
}

// How a nested container is read: objects and arrays differ only here.
struct NestedBuild {
  const char* opener;  // name of the open in its failure message
  int (*open)(const tarvo_item_t* item, tarvo_t** child);
  PyObject* (*make)(tarvo_t* child);
  int (*walk)(const tarvo_item_t* item, tarvo_t* child, PyObject* container);
};

PyObject* new_dict(tarvo_t*) { return PyDict_New(); }

// A list is made with as many empty slots as the array counts items, up to
// this many, so that a lying count costs no more than that; the walk fills
// them and appends the rest.
const int kListSlots = 256;

PyObject* new_list(tarvo_t* child) {
  const int count = tarvo_get_item_count(child);
  return PyList_New(std::min(std::max(count, 0), kListSlots));
}

const NestedBuild kBuildObject = {"get_pack_form_item", tarvo_get_pack_from_item, new_dict,
                                  walk_into_dict};
const NestedBuild kBuildArray = {"get_array_form_item", tarvo_get_array_from_item, new_list,
                                 walk_into_list};

// Returns a new reference to the filled container, or NULL.
PyObject* build_nested(const NestedBuild& how, const tarvo_item_t* item) {
  PyObject* container = NULL;
  PyObject* result = NULL;
  tarvo_t* child = NULL;
  int err = 0;
  if (PyTarvo_EnterDescent(" while parsing a nested container") != 0) return NULL;
  err = how.open(item, &child);
  if (err != 0) {
    PYTARVO_RAISE("%s: %s fail, err[%s]", kToObject, how.opener, tarvo_perror(err));
    goto done;
  }
  container = how.make(child);
  if (container != NULL && how.walk(item, child, container) == 0) {
    result = container;
    container = NULL;
  }
  tarvo_finish(child);
done:
  Py_XDECREF(container);
  PyTarvo_LeaveDescent();
  return result;
}

PyObject* build_object(const tarvo_item_t* item) { return build_nested(kBuildObject, item); }
PyObject* build_array(const tarvo_item_t* item) { return build_nested(kBuildArray, item); }

PyObject* build_raw(const tarvo_item_t* item) {
  return PyString_FromStringAndSize(item->value, static_cast<Py_ssize_t>(item->value_size));
}

PyObject* build_str(const tarvo_item_t* item) {
  // The stored NUL is not part of the text.
  return PyString_FromStringAndSize(item->value, static_cast<Py_ssize_t>(item->value_size - 1));
}

PyObject* build_int32(const tarvo_item_t* item) {
  return PyInt_FromLong(tarvo::load_le<int32_t>(item->value));
}
PyObject* build_uint32(const tarvo_item_t* item) {
  return PyInt_FromLong(tarvo::load_le<uint32_t>(item->value));
}
PyObject* build_int64(const tarvo_item_t* item) {
  return PyLong_FromLongLong(tarvo::load_le<int64_t>(item->value));
}
PyObject* build_uint64(const tarvo_item_t* item) {
  return PyLong_FromUnsignedLongLong(tarvo::load_le<uint64_t>(item->value));
}
PyObject* build_bool(const tarvo_item_t* item) { return PyBool_FromLong(item->value[0] != 0); }
PyObject* build_null(const tarvo_item_t*) { Py_RETURN_NONE; }
PyObject* build_float(const tarvo_item_t* item) {
  return PyFloat_FromDouble(tarvo::load_le<float>(item->value));
}
PyObject* build_double(const tarvo_item_t* item) {
  return PyFloat_FromDouble(tarvo::load_le<double>(item->value));
}

// Bounds of an item's value_size: the pack library's, within what a str can
// hold. Every code but that of "pack" has a row there; a code without one
// fails the build here.
constexpr size_t kAnySize = static_cast<size_t>(PY_SSIZE_T_MAX);
constexpr size_t min_size_of(int code) {
  return code == TARVO_TYPE_PACK ? 0 : tarvo::pack_type(code)->min_size();
}
constexpr size_t max_size_of(int code) {
  return code == TARVO_TYPE_PACK ? kAnySize
                                 : std::min(tarvo::pack_type(code)->max_size(), kAnySize);
}

// One row per type word; where two words could match, the first row wins.
constexpr size_t word_length(const char* word) {
  size_t n = 0;
  while (word[n] != '\0') ++n;
  return n;
}

constexpr uint64_t le32_at(const char* p) {
  return static_cast<uint64_t>(static_cast<unsigned char>(p[0])) |
         static_cast<uint64_t>(static_cast<unsigned char>(p[1])) << 8 |
         static_cast<uint64_t>(static_cast<unsigned char>(p[2])) << 16 |
         static_cast<uint64_t>(static_cast<unsigned char>(p[3])) << 24;
}

// The bytes of a word of n (1 to 8) bytes as one number: its first and last
// four, which overlap below eight, or below four the bytes at 0, n / 2 and
// n - 1. Every byte is in it, so with n it tells any two words apart, and a
// word is matched in one compare instead of a loop over its bytes.
constexpr uint64_t word_key(const char* p, size_t n) {
  return n >= 4 ? le32_at(p) | le32_at(p + n - 4) << 32
                : static_cast<uint64_t>(static_cast<unsigned char>(p[0])) |
                      static_cast<uint64_t>(static_cast<unsigned char>(p[n / 2])) << 8 |
                      static_cast<uint64_t>(static_cast<unsigned char>(p[n - 1])) << 16;
}
constexpr size_t kMaxKeyedWord = 8;

struct TypeRow {
  const char* word;  // type word in lower case, compared without regard to case
  size_t length;     // of word
  uint64_t key;      // word_key of word
  int code;          // plain type code
  PutFn put;
  BuildFn build;
  size_t min_size;  // value_size an item of this code must have
  size_t max_size;
  constexpr TypeRow(const char* w, int c, PutFn p, BuildFn b)
      : word(w),
        length(word_length(w)),
        key(word_key(w, word_length(w))),
        code(c),
        put(p),
        build(b),
        min_size(min_size_of(c)),
        max_size(max_size_of(c)) {}
};

constexpr TypeRow kTypeRows[] = {
    {"pack", TARVO_TYPE_PACK, put_pack, build_pack},
    {"obj", TARVO_TYPE_OBJECT, put_object, build_object},
    {"arr", TARVO_TYPE_ARRAY, put_array, build_array},
    {"raw", TARVO_TYPE_RAW, put_raw, build_raw},
    {"str", TARVO_TYPE_STR, put_str, build_str},
    {"int32", TARVO_TYPE_INT32, put_int32, build_int32},
    {"uint32", TARVO_TYPE_UINT32, put_uint32, build_uint32},
    {"int64", TARVO_TYPE_INT64, put_int64, build_int64},
    {"uint64", TARVO_TYPE_UINT64, put_uint64, build_uint64},
    {"double", TARVO_TYPE_DOUBLE, put_double, build_double},
    {"float", TARVO_TYPE_FLOAT, put_double, build_float},  // written as a double
    {"boolean", TARVO_TYPE_BOOL, put_bool, build_bool},
    {"none", TARVO_TYPE_NULL, put_null, build_null},
};
constexpr size_t kRowCount = sizeof kTypeRows / sizeof kTypeRows[0];

// A word goes to one slot by its length and its first and last bytes, case
// folded; the table below is built so that no two rows share a slot, so one
// case-insensitive compare decides.
constexpr size_t kWordSlots = 32;
constexpr size_t word_slot(size_t length, unsigned char first, unsigned char last) {
  return (length * 8 + first + (static_cast<size_t>(last) << 3)) % kWordSlots;
}

// Row index + 1 per slot, 0 for an empty slot; rows that would share a slot
// leave the table without the later one, which the check below refuses.
struct WordSlots {
  unsigned char row[kWordSlots] = {};
  size_t placed = 0;
};

constexpr WordSlots make_word_slots() {
  WordSlots slots;
  for (size_t i = 0; i < kRowCount; ++i) {
    const char* word = kTypeRows[i].word;
    const size_t n = kTypeRows[i].length;
    const size_t slot =
        word_slot(n, static_cast<unsigned char>(word[0]), static_cast<unsigned char>(word[n - 1]));
    if (slots.row[slot] == 0) {
      slots.row[slot] = static_cast<unsigned char>(i + 1);
      ++slots.placed;
    }
  }
  return slots;
}

// Folding leaves these bytes alone in every locale, so a row's slot is that
// of every word the C library folds to it.
constexpr bool lower_case_words() {
  for (const TypeRow& row : kTypeRows)
    for (size_t i = 0; i < row.length; ++i)
      if (!((row.word[i] >= 'a' && row.word[i] <= 'z') ||
            (row.word[i] >= '0' && row.word[i] <= '9')))
        return false;
  return true;
}

constexpr WordSlots kWordSlotTable = make_word_slots();
static_assert(kWordSlotTable.placed == kRowCount, "every type word needs a slot of its own");
static_assert(lower_case_words(), "type words are written in lower-case letters and digits");
constexpr bool keyed_words() {
  for (const TypeRow& row : kTypeRows)
    if (row.length == 0 || row.length > kMaxKeyedWord) return false;
  return true;
}
static_assert(keyed_words(), "a type word's key holds all its bytes");

const TypeRow* row_in_slot(size_t slot) {
  const unsigned index = kWordSlotTable.row[slot];
  return index == 0 ? NULL : &kTypeRows[index - 1];
}

// The row of a type word of length bytes, or NULL; a word holding a NUL
// byte has no row. A word written as the table writes it needs no case
// folding; any other goes by the C library's folding, as strcasecmp's: a
// word it calls equal to a row's word has that word's length and, folded,
// its first and last bytes.
const TypeRow* row_by_word(const char* word, size_t length) {
  if (length == 0) return NULL;
  const unsigned char first = static_cast<unsigned char>(word[0]);
  const unsigned char last = static_cast<unsigned char>(word[length - 1]);
  const TypeRow* row = row_in_slot(word_slot(length, first, last));
  if (row != NULL && row->length == length && row->key == word_key(word, length)) return row;
  row = row_in_slot(word_slot(length, static_cast<unsigned char>(tolower(first)),
                              static_cast<unsigned char>(tolower(last))));
  return row != NULL && row->length == length && strcasecmp(row->word, word) == 0 ? row : NULL;
}

// Row index + 1 per plain type code, 0 for codes no row names.
struct CodeRows {
  unsigned char row[256] = {};
};

constexpr CodeRows make_code_rows() {
  CodeRows rows;
  for (size_t i = kRowCount; i-- > 0;)
    rows.row[kTypeRows[i].code] = static_cast<unsigned char>(i + 1);
  return rows;
}

constexpr CodeRows kCodeRows = make_code_rows();

const TypeRow* row_by_code(int code) {
  if (code < 0 || code > 255 || kCodeRows.row[code] == 0) return NULL;
  return &kTypeRows[kCodeRows.row[code] - 1];
}

// The type words as str objects, one per row, made at module start and
// shared by every tuple that parse builds.
PyObject* gWordObjects[kRowCount];

bool make_word_objects() {
  for (size_t i = 0; i < kRowCount; ++i) {
    if (gWordObjects[i] == NULL) gWordObjects[i] = PyString_InternFromString(kTypeRows[i].word);
    if (gWordObjects[i] == NULL) return false;
  }
  return true;
}

// Steals value (also on failure); returns a new reference to (word, value).
PyObject* make_pair(const TypeRow* row, PyObject* value) {
  PyObject* pair = NULL;
  PyObject* word = gWordObjects[row - kTypeRows];
  if (value == NULL) return NULL;
  pair = PyTuple_New(2);
  if (pair == NULL) {
    Py_DECREF(value);
    return NULL;
  }
  Py_INCREF(word);
  PyTuple_SET_ITEM(pair, 0, word);
  PyTuple_SET_ITEM(pair, 1, value);
  return pair;
}

// ---- conversions ------------------------------------------------------------

// The row and type word of a tuple (NULL with the exception set when it has
// none). An exact 2-tuple whose word is an exact str naming a row is read
// directly; every other tuple goes through the interpreter's own parser, so
// that its messages stay the interpreter's.
const TypeRow* tuple_row(PyObject* tuple, const char** word, PyObject** value) {
  const TypeRow* row = NULL;
  if (PyTuple_CheckExact(tuple) && PyTuple_GET_SIZE(tuple) == 2 &&
      PyString_CheckExact(PyTuple_GET_ITEM(tuple, 0))) {
    PyObject* first = PyTuple_GET_ITEM(tuple, 0);
    *word = PyString_AS_STRING(first);
    *value = PyTuple_GET_ITEM(tuple, 1);
    row = row_by_word(*word, static_cast<size_t>(PyString_GET_SIZE(first)));
    if (row != NULL) return row;
  }
  if (!PyArg_ParseTuple(tuple, "sO:[key]=(type,val)", word, value)) return NULL;
  row = row_by_word(*word, strlen(*word));
  if (row == NULL) PYTARVO_RAISE("%s: Unknown type[%10s...] not supported", kToPack, *word);
  return row;
}

// Puts one (type word, value) tuple; key is NULL for an array element.
int _PyTarvo_ObjectToPackItem(const char* key, PyObject* tuple, tarvo_t* pack) {
  const char* word = NULL;
  PyObject* value = NULL;
  const TypeRow* row = NULL;
  int rc = 0;
  if (tuple == NULL || pack == NULL) {
    PYTARVO_RAISE("Invalid(null) args for %s", kToPack);
    return -1;
  }
  // The argument parser takes only tuples; anything else is the caller's type error.
  if (!PyTuple_Check(tuple)) {
    PyErr_Format(PyExc_TypeError, "[key]=(type,val)() must be a tuple, not %.200s",
                 Py_TYPE(tuple)->tp_name);
    return -1;
  }
  row = tuple_row(tuple, &word, &value);
  if (row == NULL) return -1;
  // The caller owns tuple, and the tuple holds value.
  rc = row->put(pack, key, value);
  if (rc < 0) {
    PYTARVO_RAISE("Error putting key[%s] val[type:%s] into pack[@:%p], err[%s]", PyTarvo_Text(key),
                  word, pack, tarvo_perror(rc));
  }
  return rc == 0 ? 0 : -1;
}

// Returns a new reference to the (type word, value) tuple of one item.
PyObject* _PyTarvo_PackItemToObject(const tarvo_item_t* item) {
  const TypeRow* row = NULL;
  if (item == NULL) return PYTARVO_RAISE("Null item for %s", kToObject);
  row = row_by_code(item->type);
  if (row == NULL)
    return PYTARVO_RAISE("%s: Unknown type[%d] not supported", kToObject, item->type);
  if (item->value_size < row->min_size || item->value_size > row->max_size ||
      (item->value == NULL && item->value_size > 0)) {
    return PYTARVO_RAISE("%s: Malformed item[%s] type[%d] size[%zu]", kToObject,
                         PyTarvo_Text(item->key), item->type, item->value_size);
  }
  return make_pair(row, row->build(item));
}

// Key strs of the walks, one per slot by the text's hash: records of one
// shape repeat their names, and a key found here is neither made, hashed
// nor freed again. Keys are never interned (interning costs a lookup now and
// a removal when the dict is cleared). Making and dropping a str runs no
// Python code, so a lookup is whole under the interpreter lock.
const size_t kKeySlots = 256;
PyObject* gKeys[kKeySlots];

// New reference to a str of the text at text (up to its NUL), or NULL. One
// pass over the text gives both its length and its slot.
PyObject* key_object(const char* text) {
  uint32_t h = tarvo::NAME_HASH_START;
  size_t length = 0;
  for (; text[length] != '\0'; ++length) h = tarvo::name_hash(h, text + length, 1);
  PyObject*& slot = gKeys[(h ^ (h >> 16)) % kKeySlots];
  if (slot == NULL || static_cast<size_t>(PyString_GET_SIZE(slot)) != length ||
      memcmp(PyString_AS_STRING(slot), text, length) != 0) {
    PyObject* key = PyString_FromStringAndSize(text, static_cast<Py_ssize_t>(length));
    if (key == NULL) return NULL;
    Py_XDECREF(slot);
    slot = key;
  }
  Py_INCREF(slot);
  return slot;
}

// Stores value (borrowed) in dict under the key of text. 0, or -1 with the
// exception set.
int set_item_text(PyObject* dict, const char* text, PyObject* value) {
  PyObject* key = key_object(text);
  int rc = -1;
  if (key == NULL) return -1;
  rc = PyDict_SetItem(dict, key, value);
  Py_DECREF(key);
  return rc;
}

// Places value (borrowed) into a dict under key less the "prefix," part, or
// appends it to a list; 0 when nothing is stored.
int _PyTarvo_AddObjectToContainer(PyObject* container, const char* key, const char* prefix,
                                  PyObject* value) {
  if (PyDict_Check(container)) {
    const char* stored = key != NULL ? key : "";
    if (key != NULL && prefix != NULL) {
      size_t n = strlen(prefix);
      if (strncmp(key, prefix, n) == 0 && key[n] == ',') stored = key + n + 1;
    }
    return set_item_text(container, stored, value);
  }
  if (PyList_Check(container)) return PyList_Append(container, value);
  return 0;
}

// Converts one item and places it: into the empty list slot slot when that
// is not negative, else as _PyTarvo_AddObjectToContainer places it; 0 or -1.
int place_item(PyObject* container, const tarvo_item_t* item, const char* prefix, Py_ssize_t slot) {
  PyObject* tuple = _PyTarvo_PackItemToObject(item);
  int rc = -1;
  if (tuple == NULL) return -1;
  if (slot >= 0) {
    PyList_SET_ITEM(container, slot, tuple);
    return 0;
  }
  rc = _PyTarvo_AddObjectToContainer(container, item->key, prefix, tuple);
  Py_DECREF(tuple);
  return rc == 0 ? 0 : -1;
}

// The text of a dict key that becomes an item name, or NULL with the
// message raised: a name ends at its first NUL, so a key holding one would
// be cut short and could merge with another key.
const char* key_text(PyObject* key) {
  PyObject* shown = NULL;
  if (!PyString_Check(key)) {
    PYTARVO_RAISE("key must be string");
    return NULL;
  }
  const char* text = PyString_AS_STRING(key);
  if (strlen(text) == static_cast<size_t>(PyString_GET_SIZE(key))) return text;
  shown = PyObject_Repr(key);
  if (shown != NULL) {
    PYTARVO_RAISE("Invalid key[%s]: a name cannot hold a NUL byte", PyString_AS_STRING(shown));
    Py_DECREF(shown);
  }
  return NULL;
}

const int kEndOfItems = 1;

// Fills current with the item at position (counted from 1) of a pack that
// counts count items. Returns 0, or kEndOfItems just past the last counted
// item, else -1 with the message raised: a pack whose items end before its
// count, or go on after it, holds bad data.
int step_item(tarvo_t* pack, tarvo_item_t* current, int position, int count) {
  int r = position == 1 ? tarvo_first_item(pack, current) : tarvo_next_item(current, current);
  if (r == TARVO_ERR_NOT_FOUND && position > count) return kEndOfItems;
  if (r == 0 && position > count) {
    PYTARVO_RAISE("Pack[@:%p] holds more items than its count[%d], err[%s]", pack, count,
                  tarvo_perror(TARVO_ERR_BAD_DATA));
    return -1;
  }
  if (r == 0) return 0;
  if (r == TARVO_ERR_NOT_FOUND) r = TARVO_ERR_BAD_DATA;
  if (position == 1) {
    PYTARVO_RAISE("Error getting first item of pack[%p], err[%s]", pack, tarvo_perror(r));
  } else {
    PYTARVO_RAISE("Error getting %dth item(next to [%p]) of pack[%p], err[%s]", position, current,
                  pack, tarvo_perror(r));
  }
  return -1;
}

// Places every item of pack into container (a dict or a list); exactly as
// many items as the pack counts must be present. The first empty_slots
// items go into a list's empty slots, which never outnumber the count.
// 0, or -1 with an exception set.
int walk_items(tarvo_t* pack, PyObject* container, const char* prefix, Py_ssize_t empty_slots) {
  tarvo_item_t item;
  const int count = tarvo_get_item_count(pack);
  if (count < 0) {
    PYTARVO_RAISE("Error fetching item count of pack[@:%p], err[%s]", pack, tarvo_perror(count));
    return -1;
  }
  memset(&item, 0, sizeof item);
  for (int position = 1;; ++position) {
    int r = step_item(pack, &item, position, count);
    if (r == kEndOfItems) return 0;
    const Py_ssize_t slot = position <= empty_slots ? position - 1 : -1;
    if (r != 0 || place_item(container, &item, prefix, slot) != 0) return -1;
  }
}

// Fills a list that new_list made: its slots are all empty.
int fill_list(tarvo_t* pack, PyObject* list) {
  return walk_items(pack, list, NULL, PyList_GET_SIZE(list));
}

}  // namespace

// ---- walks --------------------------------------------------------------------

int PyTarvo_DictToPack(PyObject* dict, tarvo_t* pack) {
  Py_ssize_t pos = 0;
  PyObject* key = NULL;
  PyObject* value = NULL;
  int rc = 0;
  while (rc == 0 && PyDict_Next(dict, &pos, &key, &value)) {
    const char* text = key_text(key);
    if (text == NULL) return -1;
    // Python code run by a conversion may change the dict: own both meanwhile.
    Py_INCREF(key);
    Py_INCREF(value);
    rc = _PyTarvo_ObjectToPackItem(text, value, pack);
    Py_DECREF(key);
    Py_DECREF(value);
  }
  return rc;
}

int PyTarvo_ListToPack(PyObject* list, tarvo_t* pack) {
  Py_ssize_t n = 0;
  int rc = 0;
  if (list == NULL || pack == NULL) {
    PYTARVO_RAISE("Invalid(null) args for %s", "PyTarvo_ListToPack");
    return -1;
  }
  n = PyList_Size(list);
  if (n < 0) return -1;
  for (Py_ssize_t i = 0; rc == 0 && i < n; ++i) {
    PyObject* element = PyList_GetItem(list, i);
    if (element == NULL) {
      PYTARVO_RAISE("%s: Error getting %dth element of list[%p]", "PyTarvo_ListToPack",
                    static_cast<int>(i + 1), list);
      return -1;
    }
    Py_INCREF(element);
    rc = _PyTarvo_ObjectToPackItem(NULL, element, pack);
    Py_DECREF(element);
  }
  return rc;
}

int PyTarvo_PackToDict(const char* prefix, tarvo_t* pack, PyObject* dict) {
  if (pack == NULL || dict == NULL) {
    PYTARVO_RAISE("Invalid(null) args for %s", "PyTarvo_PackToDict");
    return -1;
  }
  return walk_items(pack, dict, prefix, 0);
}

int PyTarvo_PackToList(tarvo_t* pack, PyObject* list) {
  if (pack == NULL || list == NULL) {
    PYTARVO_RAISE("Invalid(null) args for %s", "PyTarvo_PackToList");
    return -1;
  }
  return walk_items(pack, list, NULL, 0);
}

// ---- object checks ------------------------------------------------------------

namespace {

// The record of a working pack object, or NULL. Fields of a foreign object
// are never read.
PyTarvoObject* working(PyObject* self) {
  if (!PyTarvo_Check(self)) return NULL;
  PyTarvoObject* o = reinterpret_cast<PyTarvoObject*>(self);
  return o->buffer != NULL && o->dict != NULL ? o : NULL;
}

// size, items: every failure reads "[%p] not a valid pack object".
PyTarvoObject* check_counted(PyObject* self) {
  if (!PyTarvo_Check(self) || reinterpret_cast<PyTarvoObject*>(self)->buffer == NULL) {
    PYTARVO_RAISE("[%p] not a valid pack object", self);
    return NULL;
  }
  return reinterpret_cast<PyTarvoObject*>(self);
}

}  // namespace

// reset, pack, send, recv: a missing part names the operation; the type is
// checked before any field is read.
PyTarvoObject* PyTarvo_CheckObject(PyObject* self, const char* operation, const char* file,
                                   int line) {
  PyTarvoObject* o = working(self);
  if (o == NULL && (self == NULL || PyTarvo_Check(self))) {
    PyErr_Format(ErrorObject, "[%s:%d] Invalid(null) args for %s", file, line, operation);
  } else if (o == NULL || !PyDict_Check(o->dict)) {
    PyErr_Format(ErrorObject, "[%s:%d] [%p] not a valid pack object", file, line, self);
    o = NULL;
  }
  return o;
}

namespace {

// "Pack[@:%p] dict[@:%p type:%10s...] not valid"; the dict only of a pack object.
void raise_not_valid(PyObject* self) {
  PyObject* dict = PyTarvo_Check(self) ? reinterpret_cast<PyTarvoObject*>(self)->dict : NULL;
  const char* doc = dict != NULL ? Py_TYPE(dict)->tp_doc : NULL;
  PYTARVO_RAISE("Pack[@:%p] dict[@:%p type:%10s...] not valid", self, dict, PyTarvo_Text(doc));
}

// parse, setPack, getPack, close, repr.
PyTarvoObject* check_plain(PyObject* self) {
  PyTarvoObject* o = working(self);
  if (o == NULL && (self == NULL || PyTarvo_Check(self))) {
    PYTARVO_RAISE("Invalid(null) args");
  } else if (o == NULL || !PyDict_Check(o->dict)) {
    raise_not_valid(self);
    o = NULL;
  }
  return o;
}

// Mapping and buffer operations check presence only.
PyTarvoObject* check_present(PyObject* self) {
  PyTarvoObject* o = working(self);
  if (o == NULL) PYTARVO_RAISE("Invalid(null) args");
  return o;
}

}  // namespace

// Python code can run in the middle of a walk (__int__, __float__, a __del__
// or weakref callback of a collection) and other threads run while a
// transfer waits; a reopen or a rewrite there would pull the buffer and the
// temp area from under the walk's child handles or the transfer.
int PyTarvo_CheckIdle(PyObject* self, const char* operation) {
  if (!PyTarvo_Check(self) || reinterpret_cast<PyTarvoObject*>(self)->busy == 0) return 0;
  PYTARVO_RAISE("%s: Pack[@:%p] is in use by a walk", operation, self);
  return -1;
}

// ---- the type's life ----------------------------------------------------------

static PyObject* PyTarvo_Create(PyObject*, PyObject* args) {
  unsigned int version = 0;
  unsigned int size = 0;
  unsigned int tmp_size = 0;
  PyTarvoObject* o = NULL;
  PyObject* result = NULL;
  int err = 0;
  if (!PyArg_ParseTuple(args, "III:__init__(tmp_size)", &version, &size, &tmp_size)) return NULL;
  if (size == 0) return PYTARVO_RAISE("Size must be at least [%d]", 0);
  if (tmp_size < size) tmp_size = size;
  // The pack library measures buffers in int.
  if (size > INT_MAX || tmp_size > INT_MAX)
    return PYTARVO_RAISE("Error creating pack, err[%s]", tarvo_perror(TARVO_ERR_BAD_PARAM));
  // One block with the collector's header in front: record, buffer, temp area.
  o = reinterpret_cast<PyTarvoObject*>(
      _PyObject_GC_Malloc(sizeof(PyTarvoObject) + size_t{size} + tmp_size));
  if (o == NULL) return PyErr_NoMemory();
  // The buffer starts zeroed: getPack and send never hand out bytes the
  // object did not write (what the block held before may be anyone's).
  memset(o, 0, sizeof *o + size_t{size});
  o->buffer = reinterpret_cast<char*>(o + 1);
  o->tmp = o->buffer + size;
  o->total = size;
  o->tmp_size = tmp_size;
  o->version = static_cast<int32_t>(version);
  o->dict = PyDict_New();
  if (o->dict == NULL) {
    PyErr_NoMemory();
    goto done;
  }
  o->ppack = tarvo_open_w(static_cast<int>(version), o->buffer, static_cast<int>(size), o->tmp,
                          static_cast<int>(tmp_size));
  err = TARVO_PTR_ERR(o->ppack);
  if (err != 0) {
    PYTARVO_RAISE("Error creating pack, err[%s]", tarvo_perror(err));
    goto done;
  }
  o->size = static_cast<int32_t>(size);
  result = PyObject_INIT(reinterpret_cast<PyObject*>(o), &PyTarvoType);
  PyObject_GC_Track(result);
  o = NULL;
done:
  if (o != NULL) {
    Py_XDECREF(o->dict);
    PyObject_GC_Del(o);
  }
  return result;
}

static void PyTarvo_Destroy(PyObject* self) {
  PyTarvoObject* o = reinterpret_cast<PyTarvoObject*>(self);
  PyObject_GC_UnTrack(self);
  Py_CLEAR(o->dict);
  // The block of tarvo(...) and that of tarvoType() both came from the collector.
  Py_TYPE(self)->tp_free(self);
}

// The dict may refer back to its owner: the collector sees through it.
static int PyTarvo_Traverse(PyObject* self, visitproc visit, void* arg) {
  Py_VISIT(reinterpret_cast<PyTarvoObject*>(self)->dict);
  return 0;
}

static int PyTarvo_Clear(PyObject* self) {
  Py_CLEAR(reinterpret_cast<PyTarvoObject*>(self)->dict);
  return 0;
}

// A pack object owns its buffer, temp area and open handle, none of which a
// copy or a pickle can carry: refused rather than handed out as an empty shell.
static PyObject* PyTarvo_Reduce(PyObject* self, PyObject*) {
  PyErr_Format(PyExc_TypeError, "can't pickle %s objects", Py_TYPE(self)->tp_name);
  return NULL;
}

static PyObject* PyTarvo_Print(PyObject* self) {
  PyTarvoObject* o = check_plain(self);
  if (o == NULL) return NULL;
  return PyString_FromFormat("[tarvo: size:%d, realsize:%d, max:%u, items:%d, valid:%d]", o->size,
                             tarvo_get_size(o->ppack), o->total, tarvo_get_item_count(o->ppack),
                             tarvo_valid(o->ppack));
}

static PyObject* PyTarvo_GetDict(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_present(self);
  if (o == NULL) return NULL;
  Py_INCREF(o->dict);
  return o->dict;
}

// ---- methods ------------------------------------------------------------------

static PyObject* PyTarvo_Size(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_counted(self);
  return o == NULL ? NULL : PyInt_FromLong(o->size);
}

static PyObject* PyTarvo_ItemCount(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_counted(self);
  int n = 0;
  if (o == NULL) return NULL;
  n = tarvo_get_item_count(o->ppack);
  if (n < 0) return PYTARVO_RAISE("Error getting item count, err[%s]", tarvo_perror(n));
  return PyInt_FromLong(n);
}

static PyObject* PyTarvo_Reset(PyObject* self, PyObject*) {
  PyTarvoObject* o = PYTARVO_CHECK_OBJECT(self, "PyTarvo_Reset");
  int err = 0;
  int root = 0;
  if (o == NULL || PyTarvo_CheckIdle(self, "PyTarvo_Reset") != 0) return NULL;
  o->ppack = tarvo_open_w(o->version, o->buffer, static_cast<int>(o->total), o->tmp,
                          static_cast<int>(o->tmp_size));
  err = TARVO_PTR_ERR(o->ppack);
  if (err != 0)
    return PYTARVO_RAISE("Error resetting pack[%p], err[%s]", o->ppack, tarvo_perror(err));
  // size keeps its value: what lies past the fresh root up to it is the old
  // pack's, cleared so that getPack never hands it out again.
  root = tarvo_get_size(o->ppack);
  if (root >= 0 && root < o->size) {
    memset(o->buffer + root, 0, std::min<size_t>(o->size, o->total) - static_cast<size_t>(root));
  }
  PyDict_Clear(o->dict);
  Py_RETURN_NONE;
}

static PyObject* PyTarvo_Close(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_plain(self);
  int r = 0;
  if (o == NULL || PyTarvo_CheckIdle(self, "PyTarvo_Close") != 0) return NULL;
  r = tarvo_close(o->ppack);
  if (r != 0) return PYTARVO_RAISE("Error closing pack, err[%s]", tarvo_perror(r));
  Py_RETURN_NONE;
}

static PyObject* PyTarvo_Pack(PyObject* self, PyObject*) {
  PyTarvoObject* o = PYTARVO_CHECK_OBJECT(self, "PyTarvo_Pack");
  PyObject* dict = NULL;
  int rc = 0;
  int size = 0;
  if (o == NULL || PyTarvo_CheckIdle(self, "PyTarvo_Pack") != 0) return NULL;
  dict = o->dict;
  Py_INCREF(dict);
  {
    PyTarvoInUse walk(o);
    rc = PyTarvo_DictToPack(dict, o->ppack);
  }
  Py_DECREF(dict);
  if (rc != 0) return NULL;
  // A failed measurement keeps the last size; close reports the broken handle.
  size = tarvo_get_size(o->ppack);
  if (size >= 0) o->size = size;
  return PyTarvo_Close(self, NULL);
}

PyObject* PyTarvo_Parse(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_plain(self);
  if (o == NULL || PyTarvo_CheckIdle(self, "PyTarvo_Parse") != 0) return NULL;
  PyDict_Clear(o->dict);
  int rc = 0;
  {
    PyTarvoInUse walk(o);
    rc = PyTarvo_PackToDict(NULL, o->ppack, o->dict);
  }
  if (rc == 0) Py_RETURN_NONE;
  // A walk that went through checked every top-level item and the count, so
  // only a failed one needs the check: a pack that does not pass it fails
  // with its message and an empty dict, as though the walk never began.
  if (tarvo_valid(o->ppack) == 0) {
    PyDict_Clear(o->dict);
    return PYTARVO_RAISE("Invalid pack[@:%p size:%d]", o->ppack, o->size);
  }
  return NULL;
}

static PyObject* PyTarvo_SetPack(PyObject* self, PyObject* args) {
  PyTarvoObject* o = check_plain(self);
  const char* data = NULL;
  int n = 0;
  if (o == NULL || PyTarvo_CheckIdle(self, "PyTarvo_SetPack") != 0) return NULL;
  if (!PyArg_ParseTuple(args, "s#", &data, &n)) return NULL;
  if (n < 0 || static_cast<uint32_t>(n) >= o->total) {
    return PYTARVO_RAISE("Length[%d] of buffer[%p] is invalid, cur pack capacity:%d", n, data,
                         static_cast<int>(o->total));
  }
  // data may be a buffer object over this very pack.
  memmove(o->buffer, data, static_cast<size_t>(n));
  return PYTARVO_LOAD(o, n, data);
}

PyObject* PyTarvo_Load(PyTarvoObject* o, int length, const void* shown, const char* file,
                       int line) {
  int err = 0;
  o->size = length;
  o->ppack = tarvo_open_rw(o->buffer, length, o->tmp, static_cast<int>(o->tmp_size));
  err = TARVO_PTR_ERR(o->ppack);
  if (err != 0) {
    return PyErr_Format(ErrorObject, "[%s:%d] open_w Length[%d] of buffer[%p] is fail, err[%s]",
                        file, line, length, shown, tarvo_perror(err));
  }
  o->version = tarvo_get_version(o->ppack);
  return PyTarvo_Parse(reinterpret_cast<PyObject*>(o), NULL);
}

static PyObject* PyTarvo_GetPack(PyObject* self, PyObject*) {
  PyTarvoObject* o = check_plain(self);
  Py_ssize_t n = 0;
  if (o == NULL) return NULL;
  // Never hand out more than the buffer holds.
  if (o->size > 0) n = static_cast<uint32_t>(o->size) < o->total ? o->size : o->total;
  return PyString_FromStringAndSize(o->buffer, n);
}

static PyObject* PyTarvo_GetVersion(PyObject*, PyObject* args) {
  const char* data = NULL;
  int n = 0;
  char* copy = NULL;
  alignas(16) char area[512];
  tarvo_t* pack = NULL;
  int err = 0;
  PyObject* result = NULL;
  if (!PyArg_ParseTuple(args, "s#", &data, &n) || n < 0) return PYTARVO_RAISE("Invalid args");
  // Opening a version-1 pack writes into it: the caller's str stays untouched.
  copy = static_cast<char*>(malloc(n > 0 ? static_cast<size_t>(n) : 1));
  if (copy == NULL) return PyErr_NoMemory();
  memcpy(copy, data, static_cast<size_t>(n));
  pack = tarvo_open_rw(copy, n, area, static_cast<int>(sizeof area));
  err = TARVO_PTR_ERR(pack);
  if (err != 0) {
    PYTARVO_RAISE("tarvo data error, err[%s]", tarvo_perror(err));
  } else {
    result = PyInt_FromLong(tarvo_get_version(pack));
  }
  free(copy);
  return result;
}

// ---- mapping protocol -------------------------------------------------------------

static Py_ssize_t PyTarvo_MappingLength(PyObject* self) {
  PyTarvoObject* o = check_present(self);
  return o == NULL ? -1 : PyDict_Size(o->dict);
}

static PyObject* PyTarvo_MappingGetItem(PyObject* self, PyObject* key) {
  PyTarvoObject* o = check_present(self);
  PyObject* value = NULL;
  if (o == NULL) return NULL;
  if (!PyString_Check(key)) return PYTARVO_RAISE("key must be string");
  value = PyDict_GetItem(o->dict, key);
  if (value == NULL || PyErr_Occurred()) {
    return PYTARVO_RAISE("Error getting key[%s] from pack dict[@:%p]", PyString_AS_STRING(key),
                         o->dict);
  }
  Py_INCREF(value);
  return value;
}

static int PyTarvo_MappingSetItem(PyObject* self, PyObject* key, PyObject* value) {
  PyTarvoObject* o = check_present(self);
  if (o == NULL) return -1;
  if (value == NULL) {
    if (PyString_Check(key)) return PyDict_DelItem(o->dict, key);
    PYTARVO_RAISE("key must be string");
    return -1;
  }
  return key_text(key) == NULL ? -1 : PyDict_SetItem(o->dict, key, value);
}

// ---- buffer protocol: the whole pack buffer as one segment -------------------------

static Py_ssize_t PyTarvo_GetSegCount(PyObject* self, Py_ssize_t* length) {
  PyTarvoObject* o = check_present(self);
  if (o == NULL) return -1;
  if (length != NULL) *length = o->total;
  return 1;
}

static Py_ssize_t PyTarvo_GetBuffer(PyObject* self, Py_ssize_t index, void** address) {
  PyTarvoObject* o = check_present(self);
  if (o == NULL) return -1;
  // The index counts bytes from the buffer's start.
  if (index < 0 || index >= static_cast<Py_ssize_t>(o->total)) {
    PYTARVO_RAISE("Invalid segment[%d], total[%d]", static_cast<int>(index),
                  static_cast<int>(o->total));
    return -1;
  }
  if (address != NULL) *address = o->buffer + index;
  return static_cast<Py_ssize_t>(o->total) - index;
}

static Py_ssize_t PyTarvo_GetCharBuffer(PyObject* self, Py_ssize_t index, char** address) {
  return PyTarvo_GetBuffer(self, index, reinterpret_cast<void**>(address));
}

// ---- tables -----------------------------------------------------------------------

static PyMethodDef PyTarvoModuleMethods[] = {
    {"tarvo", PyTarvo_Create, METH_VARARGS, "create tarvo"},
    {"version", PyTarvo_GetVersion, METH_VARARGS, "get version"},
    {"quillet2tarvo", PyTarvo_Quillet2Tarvo, METH_VARARGS, "convert quillet to tarvo2"},
    {NULL, NULL, 0, NULL},
};

static PyMethodDef PyTarvoTypeMethods[] = {
    {"getdict", PyTarvo_GetDict, METH_NOARGS, "get the dict object of tarvo"},
    {"size", PyTarvo_Size, METH_NOARGS, "get pack size"},
    {"items", PyTarvo_ItemCount, METH_NOARGS, "get pack item count"},
    {"reset", PyTarvo_Reset, METH_NOARGS, "reset pack by size"},
    {"pack", PyTarvo_Pack, METH_NOARGS, "pack dict into tarvo"},
    {"parse", PyTarvo_Parse, METH_NOARGS, "parse tarvo into dict"},
    {"setPack", PyTarvo_SetPack, METH_VARARGS, "set pack buffer"},
    {"getPack", PyTarvo_GetPack, METH_NOARGS, "get pack buffer"},
    {"close", PyTarvo_Close, METH_NOARGS, "close pack"},
    {"send", PyTarvo_Send, METH_VARARGS, "send pack via net"},
    {"recv", PyTarvo_Recv, METH_VARARGS, "recv pack via net"},
    {"__reduce__", PyTarvo_Reduce, METH_VARARGS, "pack objects cannot be pickled"},
    {"__reduce_ex__", PyTarvo_Reduce, METH_VARARGS, "pack objects cannot be copied"},
    {NULL, NULL, 0, NULL},
};

static PyMappingMethods PyTarvoMappingMethods = {
    PyTarvo_MappingLength,
    PyTarvo_MappingGetItem,
    PyTarvo_MappingSetItem,
};

static PyBufferProcs PyTarvoBufferMethods = {
    PyTarvo_GetBuffer,  // read buffer
    PyTarvo_GetBuffer,  // write buffer
    PyTarvo_GetSegCount,
    PyTarvo_GetCharBuffer,  // character buffer
    NULL,
    NULL,
};

PyTypeObject PyTarvoType = {
    PyVarObject_HEAD_INIT(&PyType_Type, 0) "tarvo",  // tp_name
    sizeof(PyTarvoObject),                           // tp_basicsize
    0,                                               // tp_itemsize
    PyTarvo_Destroy,                                 // tp_dealloc
    NULL,                                            // tp_print
    NULL,                                            // tp_getattr
    NULL,                                            // tp_setattr
    NULL,                                            // tp_compare
    PyTarvo_Print,                                   // tp_repr
    NULL,                                            // tp_as_number
    NULL,                                            // tp_as_sequence
    &PyTarvoMappingMethods,                          // tp_as_mapping
    NULL,                                            // tp_hash
    NULL,                                            // tp_call
    PyTarvo_Print,                                   // tp_str
    PyObject_GenericGetAttr,                         // tp_getattro
    PyObject_GenericSetAttr,                         // tp_setattro
    &PyTarvoBufferMethods,                           // tp_as_buffer
    Py_TPFLAGS_DEFAULT | Py_TPFLAGS_HAVE_GC,         // tp_flags
    "tarvo object",                                  // tp_doc
    PyTarvo_Traverse,                                // tp_traverse
    PyTarvo_Clear,                                   // tp_clear
    NULL,                                            // tp_richcompare
    0,                                               // tp_weaklistoffset
    NULL,                                            // tp_iter
    NULL,                                            // tp_iternext
    PyTarvoTypeMethods,                              // tp_methods
    NULL,                                            // tp_members
    NULL,                                            // tp_getset
    NULL,                                            // tp_base
    NULL,                                            // tp_dict
    NULL,                                            // tp_descr_get
    NULL,                                            // tp_descr_set
    0,                                               // tp_dictoffset
    NULL,                                            // tp_init
    PyType_GenericAlloc,                             // tp_alloc
    PyType_GenericNew,                               // tp_new
    PyObject_GC_Del,                                 // tp_free
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    NULL,
    0,
};

PyMODINIT_FUNC init_tarvo(void) {
  PyObject* module = Py_InitModule4("_tarvo", PyTarvoModuleMethods, NULL, NULL, PYTHON_API_VERSION);
  PyObject* dict = NULL;
  if (module == NULL) return;
  dict = PyModule_GetDict(module);
  if (PyType_Ready(&PyTarvoType) < 0 || !make_word_objects()) return;
  PyDict_SetItemString(dict, "tarvoType", reinterpret_cast<PyObject*>(&PyTarvoType));
  ErrorObject = Py_BuildValue("s", "tarvo.error");
  PyDict_SetItemString(dict, "error", ErrorObject);
  if (PyErr_Occurred()) Py_FatalError("Error initing module tarvo");
}

// The array services as the interpreter and the builtins see them: arrays
// and keys given as value cells.
//
// A subscript is hashed from the bytes of the key cell as they are: a
// string's own bytes, or the decimal text of an int written into a local
// buffer. Only other kinds of key (floats, patterns, ...) go through a
// converted string object. So a lookup that hits allocates nothing, and a
// new element shares the subscript's string object instead of copying it.
// An int with a shared key object (split's keys) takes that object and its
// stored hash, so that `w[i]` over a split array neither formats nor hashes
// and matches its element by identity.
#include <cstdio>
#include <cstring>

#include "arrays/table.h"
#include "arrays/tablecore.h"
#include "format/printf.h"
#include "image/table_hash.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

const char kUninitIndex[] = "Uninitialized variable used as array index";

inline bool isArray(const Cell* c) {
  return c && c->tag == Tag::Array && c->w.t && c->w.t->kind == TableKind::Array;
}

// Decimal text of n at the end of buf; returns its start.
inline char* formatInt(char* end, int32_t n) { return awk_l_format(n, end, 1, 0, 0); }

// The bytes of a subscript. `owned` is set when a string object had to be
// made for it (the caller releases it, or hands it to the table).
struct Key {
  const char* p;
  uint32_t len;
  const AwkString* obj = nullptr;  // the string object holding the bytes, if any
  AwkString* owned = nullptr;
  uint32_t hash = 0;               // known already (shared keys); 0: not yet
  char buf[12];
};

// The key of an int subscript: a shared key object when there is one,
// else its decimal text in k's buffer.
void intKey(int32_t n, Key& k) {
  if (n > 0 && n < kSharedKeys && st_sharedkey[n]) {
    k.obj = st_sharedkey[n];
    k.p = k.obj->text();
    k.len = k.obj->len;
    k.hash = st_sharedhash[n];
    return;
  }
  char* end = k.buf + sizeof k.buf;
  k.p = formatInt(end, n);
  k.len = uint32_t(end - k.p);
}

// Inline in every service: the string case is the one lookups live on.
[[gnu::always_inline]] inline void keyOf(const Cell* c, Key& k) {
  switch (c->tag) {
    case Tag::String:
    case Tag::Field:
    case Tag::VmString:
    case Tag::VmField:
      k.obj = c->w.s;
      k.p = c->w.s->text();
      k.len = c->w.s->len;
      return;
    case Tag::Int:
      intKey(c->w.i, k);
      return;
    case Tag::Uninit:
      k.p = "";
      k.len = 0;
      return;
    default:
      k.owned = awk_a2s(c);
      k.p = k.owned->text();
      k.len = k.owned->len;
      return;
  }
}

// A string object for a new element's key: the subscript's own object when
// it has one (a new reference), else a fresh one (image strings are copied,
// as converting them to strings does).
AwkString* keyString(const Cell* c, Key& k) {
  if (k.owned) {
    AwkString* s = k.owned;
    k.owned = nullptr;
    return s;
  }
  if (c->tag == Tag::String || c->tag == Tag::Field) return stringDup(c->w.s);
  if (k.hash) return stringDup(const_cast<AwkString*>(k.obj));  // a shared key
  return stringNew1(k.p, k.len);
}

inline uint32_t hashOf(const Key& k) {
  return k.hash ? k.hash : vorn::image::tableHash(k.p, k.len);
}

// The remembered element when it is the one the key names.
inline AwkSlot* lastHit(const AwkTable* t, const Key& k) {
  if (t != st_lastTable) return nullptr;
  AwkSlot* s = st_lastSlot;
  const AwkString* key = s->key;
  return key == k.obj || st_keyeq(key, k.p, k.len) ? s : nullptr;
}

inline AwkSlot* remember(AwkTable* t, AwkSlot* s) {
  st_lastTable = t;
  st_lastSlot = s;
  return s;
}

// The slot for the subscript, created when missing and `create` is set.
[[gnu::always_inline]] inline AwkSlot* findOrCreate(AwkTable* t, const Cell* keycell, Key& k, bool create) {
  if (AwkSlot* s = lastHit(t, k)) return s;
  const uint32_t h = hashOf(k);
  int32_t stop;
  AwkSlot* s = st_lookup(t, k.p, k.len, h, &stop, k.obj);
  if (!s && create) s = st_create(t, keyString(keycell, k), h, stop);
  return s ? remember(t, s) : nullptr;
}

inline void notify(AwkTable* t) {
  if (t->sigflag && awk_tabsignal) awk_tabsignal(t);
}

}  // namespace

// Returns 1 when the element exists or was created. Flag 4 turns a scalar
// element into a new 8-slot array and hands out that array.
int awk_tabfind(Cell* arr, Cell* key, Cell* out, int flags) {
  if (!isArray(arr)) return 0;
  if (key->tag == Tag::Uninit && (flags & (kTabCreate | kTabArray))) oops('n', kUninitIndex);
  AwkTable* t = arr->w.t;
  Key k;
  keyOf(key, k);
  AwkSlot* s = findOrCreate(t, key, k, (flags & (kTabCreate | kTabArray)) != 0);
  if (k.owned) stringFree(k.owned);
  if (!s) return 0;
  if (flags & kTabArray) {
    Cell& v = s->value;
    if (v.tag != Tag::Array && v.tag != Tag::PackedArray && v.tag != Tag::RawPointer) {
      Cell old = v;
      v.tag = Tag::Array;
      v.w.word = 0;
      v.w.t = awk_sanew(8);
      if (old.tag > Tag::Float) awk_unaccess(&old);
    }
    if (out) awk_fromvm(s, out);
  } else if ((flags & kTabValue) && out) {
    awk_fromvm(s, out);
  }
  return 1;
}

AwkSlot* awk_tabslot(Cell* arr, Cell* key) {
  if (!isArray(arr) || key->tag == Tag::Uninit) return nullptr;
  Key k;
  keyOf(key, k);
  AwkSlot* s = findOrCreate(arr->w.t, key, k, true);
  if (k.owned) stringFree(k.owned);
  return s;
}

int awk_tabincr(Cell* arr, Cell* key, int32_t c) {
  AwkSlot* s = awk_tabslot(arr, key);
  if (!s) return 0;
  Cell& v = s->value;
  int32_t sum;
  if (v.tag > Tag::Int || __builtin_add_overflow(v.w.i, c, &sum)) return 0;
  cellSetInt(&v, sum);
  notify(arr->w.t);
  return 1;
}

// The remembered element is forgotten whenever the table's slots move or
// are freed, so while it is still s, s is live and holds the same key.
int awk_slotstore(AwkTable* t, AwkSlot* s, Cell* value) {
  if (t != st_lastTable || s != st_lastSlot) return 0;
  Cell old = s->value;
  s->value = *value;
  cellRelease(&old);
  notify(t);
  return 1;
}

int awk_tabadd(Cell* arr, Cell* key, Cell* value) {
  if (key->tag == Tag::Uninit) oops('n', kUninitIndex);
  if (!isArray(arr)) {
    if (key->tag > Tag::Float) awk_unaccess(key);
    if (value->tag > Tag::Float) awk_unaccess(value);
    return 0;
  }
  AwkTable* t = arr->w.t;
  Key k;
  keyOf(key, k);
  int32_t stop = -1;
  uint32_t h = 0;
  AwkSlot* s = lastHit(t, k);
  if (!s) {
    h = hashOf(k);
    s = st_lookup(t, k.p, k.len, h, &stop, k.obj);
  }
  if (s) {
    Cell old = s->value;
    s->value = *value;
    cellRelease(&old);
    if (k.owned) stringFree(k.owned);
    cellRelease(key);
  } else {
    // The key cell's own reference moves into the table when it has one.
    AwkString* ks;
    if (k.owned) {
      ks = k.owned;
      if (key->tag > Tag::Float) awk_unaccess(key);
    } else if (key->tag == Tag::String || key->tag == Tag::Field) {
      ks = key->w.s;
    } else if (k.hash) {
      ks = stringDup(const_cast<AwkString*>(k.obj));  // a shared key; the cell is an int
    } else {
      ks = stringNew1(k.p, k.len);
      if (key->tag > Tag::Float) awk_unaccess(key);
    }
    s = st_create(t, ks, h, stop);
    s->value = *value;
  }
  remember(t, s);
  notify(t);
  return 1;
}

int awk_tabdelete(Cell* arr, Cell* key) {
  if (!isArray(arr)) return 0;
  AwkTable* t = arr->w.t;
  if (!key) {
    awk_stclear(t);
  } else {
    Key k;
    keyOf(key, k);
    int32_t at = -1;
    AwkSlot* s = st_lookup(t, k.p, k.len, hashOf(k), &at, k.obj);
    if (k.owned) stringFree(k.owned);
    if (s) {
      AwkString* ks = s->key;
      Cell old = s->value;
      st_markdead(t, at);
      stringFree(ks);
      if (old.tag > Tag::Float) awk_unaccess(&old);
    }
  }
  notify(t);
  return 1;
}

AwkString* awk_gettab(Cell* arr, const char* key) {
  if (!isArray(arr)) return nullptr;
  AwkSlot* s = awk_stfindb(arr->w.t, key, uint32_t(std::strlen(key)));
  return s ? awk_a2s(&s->value) : nullptr;
}

int awk_getarray(Cell* arr, int32_t n, Cell* out) {
  if (!isArray(arr)) return 0;
  char buf[12];
  char* end = buf + sizeof buf;
  const char* p = formatInt(end, n);
  AwkSlot* s = awk_stfindb(arr->w.t, p, uint32_t(end - p));
  if (!s) return 0;
  awk_fromvm(s, out);
  return 1;
}

namespace {

Cell scalarCell(Tag tag, intptr_t word, double d) {
  Cell c{};
  c.tag = tag;
  switch (tag) {
    case Tag::Int: c.w.i = int32_t(word); break;
    case Tag::Float: cellSetFloat(&c, d, kUnlimitedDecimals); break;
    default: c.w.word = word; break;
  }
  return c;
}

}  // namespace

int awk_settab(AwkTable* t, const char* key, Tag tag, intptr_t word, double d) {
  Cell v = scalarCell(tag, word, d);
  if (!t || t->kind != TableKind::Array) {
    if (v.tag > Tag::Float) awk_unaccess(&v);
    return 0;
  }
  awk_stadd(t, stringNew(key), &v);
  return 1;
}

int awk_setarray(AwkTable* t, int32_t n, Tag tag, intptr_t word, double d) {
  char buf[12];
  char* end = buf + sizeof buf;
  const char* p = formatInt(end, n);
  Cell v = scalarCell(tag, word, d);
  if (!t || t->kind != TableKind::Array) {
    if (v.tag > Tag::Float) awk_unaccess(&v);
    return 0;
  }
  awk_stadd(t, stringNew1(p, uint32_t(end - p)), &v);
  return 1;
}

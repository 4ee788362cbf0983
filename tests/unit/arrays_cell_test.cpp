// The array services on value cells: element lookup and creation, stores,
// deletes, arrays of arrays, reference counts, the signal hook and the
// uninitialized-subscript note.
#include <gtest/gtest.h>

#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "arrays/table.h"
#include "test_support.h"
#include "values/alloc.h"
#include "values/convert.h"

namespace {

using namespace tsupport;

Cell arrayCell(AwkTable* t) {
  Cell c{};
  c.tag = Tag::Array;
  c.w.t = t;
  return c;
}
Cell newArray() { return arrayCell(awk_sanew(8)); }
void store(Cell* arr, const char* key, int v) {
  Cell k = strCell(key), c = intCell(v);
  awk_tabadd(arr, &k, &c);
}
int find(Cell* arr, const char* key, Cell* out, int flags) {
  Cell k = strCell(key);
  int r = awk_tabfind(arr, &k, out, flags);
  awk_unaccess(&k);
  return r;
}
// arr[key] read without creating it; -1 when absent.
int64_t valueAt(Cell* arr, const char* key) {
  Cell out{};
  return find(arr, key, &out, kTabValue) ? out.w.i : -1;
}

class ArraysCell : public ::testing::Test {
 protected:
  void SetUp() override { awk_convinit(); }
};

// Subscripts of every kind reach the same element as their string form.
TEST_F(ArraysCell, SubscriptsOfEveryKind) {
  struct Case {
    Cell key;
    const char* text;
  } cases[] = {
      {intCell(42), "42"}, {intCell(-7), "-7"}, {intCell(0), "0"}, {intCell(INT32_MIN), "-2147483648"},
      {floatCell(1.5, 1), "1.5"}, {floatCell(3.0, 0), "3"}, {strCell("abc"), "abc"},
  };
  Cell arr = newArray();
  int n = 0;
  for (Case& c : cases) {
    Cell v = intCell(++n);
    Cell k = c.key;
    if (k.tag > Tag::Float) awk_access(&k);
    ASSERT_EQ(awk_tabadd(&arr, &k, &v), 1);
    EXPECT_EQ(valueAt(&arr, c.text), n) << c.text;
    if (c.key.tag > Tag::Float) awk_unaccess(&c.key);
  }
  EXPECT_EQ(awk_tablength(arr.w.t), int32_t(std::size(cases)));

  // An image string is looked up in place but stored as a copy of its own.
  Cell vm = strCell("vm");
  vm.tag = Tag::VmString;
  Cell vk = vm, vv = intCell(1);
  awk_access(&vk);
  awk_tabadd(&arr, &vk, &vv);
  const AwkSlot* s = awk_stfindb(arr.w.t, "vm", 2);
  ASSERT_NE(s, nullptr);
  EXPECT_NE(s->key, vm.w.s);
  EXPECT_EQ(vm.w.s->ref, 1);
  Cell out{};
  EXPECT_EQ(awk_tabfind(&arr, &vm, &out, 0), 1);
  awk_unaccess(&vm);
  awk_unaccess(&arr);
}

bool noted(const std::string& err) {
  return err.find("note") != std::string::npos &&
         err.find("Uninitialized variable used as array index") != std::string::npos;
}

// awk_tabfind on one element under each set of flags. Asked for an array, it
// keeps an element that is an array, a packed array or a raw pointer, and
// replaces any other value (released) with a new array.
struct FindCase {
  const char* what;
  int flags;
  Tag before;  // the element's value beforehand; Uninit: absent
  int result;
  bool created;
  Tag out;
  bool note;  // the uninitialized-subscript note, when the key is uninitialized
};

const FindCase kFindCases[] = {
    {"in, absent", 0, Tag::Uninit, 0, false, Tag::Uninit, false},
    {"in, present", 0, Tag::Int, 1, false, Tag::Uninit, false},
    {"read, absent: created", 3, Tag::Uninit, 1, true, Tag::Uninit, true},
    {"read, present", 3, Tag::Int, 1, false, Tag::Int, true},
    {"copy only, absent", 2, Tag::Uninit, 0, false, Tag::Uninit, false},
    {"as array, absent", 7, Tag::Uninit, 1, true, Tag::Array, true},
    {"as array, present scalar", 7, Tag::Int, 1, false, Tag::Array, true},
    {"as array, present string", 7, Tag::String, 1, false, Tag::Array, true},
    {"as array, present array: kept", 7, Tag::Array, 1, false, Tag::Array, true},
    {"as array, present raw pointer: kept", 7, Tag::RawPointer, 1, false, Tag::RawPointer, true},
    {"as array without the copy flag", 5, Tag::Uninit, 1, true, Tag::Array, true},
};

// Each case with key "k", and with an uninitialized key (subscript "").
TEST_F(ArraysCell, FindFlags) {
  for (const FindCase& c : kFindCases) {
    for (const char* key : {"k", ""}) {
      SCOPED_TRACE(std::string(c.what) + (*key ? "" : ", uninitialized key"));
      Cell arr = newArray(), inner{}, out{};
      AwkTable* kept = nullptr;
      AwkString* str = stringNew("scalar");
      if (c.before == Tag::Int) store(&arr, key, 9);
      if (c.before == Tag::String) awk_settab(arr.w.t, key, Tag::String, intptr_t(stringDup(str)));
      if (c.before == Tag::RawPointer) awk_settab(arr.w.t, key, Tag::RawPointer, 1234);
      if (c.before == Tag::Array) {
        find(&arr, key, &inner, 7);
        store(&inner, "col", 1);
        kept = inner.w.t;
        awk_unaccess(&inner);
      }
      Cell k = *key ? strCell(key) : Cell{};
      int result = -1;
      std::string err = stderrOf([&] { result = awk_tabfind(&arr, &k, &out, c.flags); });
      if (*key) awk_unaccess(&k);
      EXPECT_EQ(result, c.result);
      EXPECT_EQ(noted(err), !*key && c.note) << err;
      EXPECT_EQ(awk_tablength(arr.w.t), (c.before != Tag::Uninit || c.created) ? 1 : 0);
      EXPECT_EQ(out.tag, c.out);
      if (out.tag == Tag::Int) {
        EXPECT_EQ(out.w.i, 9);
      }
      if (out.tag == Tag::RawPointer) {
        EXPECT_EQ(out.w.word, 1234);
      }
      EXPECT_EQ(str->ref, 1) << "a replaced string is released";
      if (out.tag == Tag::Array) {
        const AwkSlot* s = awk_stfindb(arr.w.t, key, uint32_t(std::strlen(key)));
        ASSERT_NE(s, nullptr);
        EXPECT_EQ(s->value.tag, Tag::Array);
        EXPECT_EQ(out.w.t, s->value.w.t);
        EXPECT_EQ(out.w.t->use, 2);  // the element and out
        if (c.before == Tag::Array) {
          EXPECT_EQ(out.w.t, kept);
          EXPECT_EQ(awk_tablength(out.w.t), 1);
        } else {
          EXPECT_EQ(out.w.t->capacity, 8);
        }
      }
      if (out.tag > Tag::Float) awk_unaccess(&out);
      stringFree(str);
      awk_unaccess(&arr);
    }
  }
  // A store through an uninitialized subscript is noted too.
  Cell arr = newArray(), none{}, v = intCell(1);
  EXPECT_TRUE(noted(stderrOf([&] { awk_tabadd(&arr, &none, &v); })));
  EXPECT_EQ(valueAt(&arr, ""), 1);
  awk_unaccess(&arr);
}

TEST_F(ArraysCell, NonArraysFail) {
  Cell cells[] = {intCell(1), strCell("a"), Cell{}};
  for (Cell& c : cells) {
    Cell k = strCell("k"), out{};
    EXPECT_EQ(awk_tabfind(&c, &k, &out, 7), 0);
    EXPECT_EQ(out.tag, Tag::Uninit);
    EXPECT_EQ(awk_tabdelete(&c, &k), 0);
    EXPECT_EQ(awk_tabdelete(&c, nullptr), 0);
    EXPECT_EQ(awk_gettab(&c, "k"), nullptr);
    EXPECT_EQ(awk_getarray(&c, 1, &out), 0);
    // tabadd consumes its key and value even when it fails.
    AwkString* ks = k.w.s;
    AwkString* vs = stringNew("v");
    Cell v{};
    cellSetString(&v, stringDup(vs));
    stringDup(ks);
    EXPECT_EQ(awk_tabadd(&c, &k, &v), 0);
    EXPECT_EQ(ks->ref, 1);
    EXPECT_EQ(vs->ref, 1);
    stringFree(ks);
    stringFree(vs);
    if (c.tag > Tag::Float) awk_unaccess(&c);
  }
  EXPECT_EQ(awk_settab(nullptr, "x", Tag::Int, 1), 0);
}

// Reference counts: stores take over the caller's references, replacing a
// value releases the old one, and a shared key object is not copied.
TEST_F(ArraysCell, ReferencesMoveIntoTheTable) {
  Cell arr = newArray();
  AwkString* key = stringNew("name");
  AwkString* v1 = stringNew("first");
  AwkString* v2 = stringNew("second");
  Cell k{}, v{};
  cellSetString(&k, stringDup(key));
  cellSetString(&v, stringDup(v1));
  awk_tabadd(&arr, &k, &v);
  EXPECT_EQ(key->ref, 2);  // the table took the key cell's reference
  EXPECT_EQ(v1->ref, 2);
  const AwkSlot* s = awk_stfindb(arr.w.t, "name", 4);
  EXPECT_EQ(s->key, key);
  cellSetString(&k, stringDup(key));
  cellSetString(&v, stringDup(v2));
  awk_tabadd(&arr, &k, &v);
  EXPECT_EQ(key->ref, 2);  // found: the key cell's reference given back
  EXPECT_EQ(v1->ref, 1);   // old value released
  EXPECT_EQ(v2->ref, 2);
  Cell out{};
  Cell look{};
  cellSetString(&look, stringDup(key));
  awk_tabfind(&arr, &look, &out, 3);
  EXPECT_EQ(out.w.s, v2);
  EXPECT_EQ(v2->ref, 3);
  awk_unaccess(&out);
  awk_unaccess(&look);
  EXPECT_EQ(key->ref, 2);
  awk_tabdelete(&arr, &look);  // look still names the key's text
  EXPECT_EQ(key->ref, 1);
  EXPECT_EQ(v2->ref, 1);
  EXPECT_EQ(awk_tablength(arr.w.t), 0);
  stringFree(key);
  stringFree(v1);
  stringFree(v2);
  awk_unaccess(&arr);
}

TEST_F(ArraysCell, FreeingReleasesEverything) {
  const int32_t before = awk_malloccount;
  {
    Cell arr = newArray();
    for (int i = 0; i < 1000; ++i) {
      Cell k = intCell(i), v = strCell("value");
      awk_tabadd(&arr, &k, &v);
    }
    Cell sub{};
    find(&arr, "sub", &sub, 7);
    store(&sub, "1", 2);
    awk_unaccess(&sub);
    Cell copy = arr;
    awk_access(&copy);
    EXPECT_EQ(arr.w.t->use, 2);
    awk_unaccess(&copy);
    EXPECT_EQ(arr.w.t->use, 1);
    Cell it{};
    awk_tabkeys(&arr, &it, 1);
    awk_unaccess(&arr);  // the key list keeps the keys alive
    int n = 0;
    Cell var{};
    while (awka_forin(&it, &var)) {
      ++n;
      awk_unaccess(&var);
    }
    EXPECT_EQ(n, 1001);
    awk_unaccess(&it);
  }
  EXPECT_EQ(awk_malloccount, before);
}

TEST_F(ArraysCell, UseCountSaturates) {
  AwkTable* t = awk_sanew(8);
  Cell arr = arrayCell(t);
  for (int i = 1; i < 70000; ++i) awk_tabuse(t);
  EXPECT_EQ(t->use, kTablePermanent);
  for (int i = 0; i < 70000; ++i) awk_safree(t);
  EXPECT_EQ(t->use, kTablePermanent);  // never freed
  store(&arr, "k", 1);  // still usable
  EXPECT_EQ(valueAt(&arr, "k"), 1);
}

TEST_F(ArraysCell, ScalarsByNameAndNumber) {
  AwkTable* t = awk_sanew(8);
  Cell arr = arrayCell(t);
  EXPECT_EQ(awk_settab(t, "s", Tag::String, intptr_t(stringNew("old"))), 1);
  EXPECT_EQ(awk_settab(t, "s", Tag::String, intptr_t(stringNew("text"))), 1);  // "old" released
  EXPECT_EQ(awk_settab(t, "i", Tag::Int, -5), 1);
  EXPECT_EQ(awk_settab(t, "f", Tag::Float, 0, 2.25), 1);
  EXPECT_EQ(awk_setarray(t, 3, Tag::Int, 33), 1);
  EXPECT_EQ(awk_setarray(t, -3, Tag::String, intptr_t(stringNew("minus"))), 1);
  struct {
    const char* key;
    const char* text;
  } cases[] = {{"s", "text"}, {"i", "-5"}, {"f", "2.25"}, {"3", "33"}, {"-3", "minus"}};
  for (const auto& c : cases) {
    AwkString* v = awk_gettab(&arr, c.key);
    ASSERT_NE(v, nullptr) << c.key;
    EXPECT_EQ(v->view(), c.text) << c.key;
    stringFree(v);
  }
  EXPECT_EQ(awk_gettab(&arr, "nope"), nullptr);
  EXPECT_EQ(awk_getr(t, "i"), -5);
  Cell out{};
  ASSERT_EQ(awk_getarray(&arr, 3, &out), 1);
  EXPECT_EQ(out.w.i, 33);
  awk_unaccess(&arr);
}

std::vector<AwkTable*> g_signalled;
void recordSignal(AwkTable* t) { g_signalled.push_back(t); }

TEST_F(ArraysCell, SignalFlagPassesChangesOn) {
  awk_tabsignal = recordSignal;
  g_signalled.clear();
  Cell plain = arrayCell(awk_sanew(8));
  Cell marked = arrayCell(awk_sanew(8));
  marked.w.t->sigflag = 1;
  for (Cell* a : {&plain, &marked}) {
    store(a, "INT", 1);
    Cell look = strCell("INT"), out{};
    awk_tabfind(a, &look, &out, 3);  // reading is not a change
    awk_tabdelete(a, &look);
    awk_tabdelete(a, nullptr);
    awk_unaccess(&look);
  }
  EXPECT_EQ(g_signalled, (std::vector<AwkTable*>{marked.w.t, marked.w.t, marked.w.t}));
  awk_tabsignal = nullptr;
  store(&marked, "x", 1);  // no hook installed: nothing to call
  EXPECT_EQ(g_signalled.size(), 3u);
  awk_unaccess(&plain);
  awk_unaccess(&marked);
}

// The element found last is remembered for the store that usually follows
// (awk_tabadd's second lookup, awk_slotstore's direct store); every change
// that moves or frees slots must make the table forget it, and the store
// then goes the long way and still lands on the right element.
TEST_F(ArraysCell, RememberedElementIsForgottenOnChange) {
  struct Case {
    const char* name;
    void (*change)(Cell* arr);
    bool direct;
    int32_t length;  // after the store
  } cases[] = {
      {"nothing in between", [](Cell*) {}, true, 1},
      {"another key read, then ours again",
       [](Cell* a) { store(a, "other", 1); valueAt(a, "k"); }, true, 2},
      {"another key read", [](Cell* a) { store(a, "other", 1); }, false, 2},
      {"the small table grew",
       [](Cell* a) { for (int i = 0; i < 300; ++i) store(a, std::to_string(i).c_str(), i); }, false, 301},
      {"the element deleted",
       [](Cell* a) { Cell k = strCell("k"); awk_tabdelete(a, &k); awk_unaccess(&k); }, false, 1},
      {"the array cleared", [](Cell* a) { awk_tabdelete(a, nullptr); }, false, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    for (bool slot : {true, false}) {
      Cell arr = newArray();
      Cell k = strCell("k"), out{};
      AwkSlot* s = slot ? awk_tabslot(&arr, &k) : nullptr;
      if (!slot) awk_tabfind(&arr, &k, &out, kTabCreate | kTabValue);
      c.change(&arr);
      Cell v = intCell(9);
      const int direct = slot ? awk_slotstore(arr.w.t, s, &v) : 0;
      EXPECT_EQ(direct, slot && c.direct ? 1 : 0);
      if (!direct) awk_tabadd(&arr, &k, &v);
      else awk_unaccess(&k);
      EXPECT_EQ(valueAt(&arr, "k"), 9);
      EXPECT_EQ(awk_tablength(arr.w.t), c.length);
      awk_unaccess(&arr);
    }
  }
  {  // freed, and a new table made (the allocator hands out the same block)
    Cell a = newArray(), out{};
    Cell k = strCell("k");
    awk_tabfind(&a, &k, &out, kTabCreate | kTabValue);
    AwkTable* old = a.w.t;
    awk_unaccess(&a);
    Cell b = newArray();
    EXPECT_EQ(b.w.t, old) << "the test wants the block reused";
    EXPECT_EQ(awk_tabfind(&b, &k, &out, 0), 0);
    awk_unaccess(&k);
    awk_unaccess(&b);
  }
  Cell scalar = intCell(3), key = strCell("k"), none{};
  EXPECT_EQ(awk_tabslot(&scalar, &key), nullptr);
  Cell arr = newArray();
  EXPECT_EQ(awk_tabslot(&arr, &none), nullptr) << "an uninitialized subscript takes the long way";
  awk_unaccess(&key);
  awk_unaccess(&arr);
}

}  // namespace

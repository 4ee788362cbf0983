// Hash tables: capacity and growth, stable entries, the slot order against
// a reference model through insertions, deletions and growth, and key-list
// snapshots.
#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "arrays/table.h"
#include "arrays/tablecore.h"
#include "image/table_hash.h"

namespace {

void put(AwkTable* t, const std::string& key, int v) {
  AwkString* k = stringNew(key);
  AwkSlot* s = awk_stfindhp(t, k, true);
  stringFree(k);
  ASSERT_NE(s, nullptr);
  cellSetInt(&s->value, v);
}

// Removes key (its element holds an int, which needs no release).
bool del(AwkTable* t, const std::string& key) {
  AwkString* k = stringNew(key);
  const int gone = awk_stdelelt(t, k);
  stringFree(k);
  return gone != 0;
}

const AwkSlot* get(AwkTable* t, const std::string& key) {
  return awk_stfindb(t, key.data(), uint32_t(key.size()));
}

// Checks the model against the table: every key found with its value, the
// count, the load limit, and that every used slot is reachable from its home.
void checkTable(AwkTable* t, const std::map<std::string, int>& model, const char* where) {
  ASSERT_EQ(awk_tablength(t), int32_t(model.size())) << where;
  ASSERT_LE(int64_t(t->count) * 4, int64_t(t->capacity) * 3) << where;
  if (t->capacity > kBlockSlots) {
    ASSERT_EQ(t->capacity % kBlockSlots, 0) << where;
  }
  for (const auto& [k, v] : model) {
    const AwkSlot* s = get(t, k);
    ASSERT_NE(s, nullptr) << where << ": key " << k << " lost";
    ASSERT_EQ(s->value.w.i, v) << where << ": key " << k;
  }
  int32_t used = 0;
  for (int32_t i = 0; i < t->capacity; ++i)
    if (awk_slotat(t, i)) ++used;
  ASSERT_EQ(used, t->count) << where;
}

std::vector<std::string> layout(AwkTable* t) {  // "" for a free slot
  awk_tabsettle(t);
  std::vector<std::string> out(size_t(t->capacity));
  for (int32_t i = 0; i < t->capacity; ++i)
    if (AwkSlot* s = awk_slotat(t, i)) out[size_t(i)] = s->key->view();
  return out;
}

struct CapacityCase {
  int32_t initial;
  int inserts;
  int32_t capacity;
};

// 6 * 4 = 24 = 8 * 3 still fits, 7 * 4 > 8 * 3 grows; a table without slots
// gets 8; doubling keeps odd sizes below 256 and rounds up to whole blocks
// of 256 above.
const CapacityCase kCapacityCases[] = {
    {8, 6, 8},     {8, 7, 16},      {8, 12, 16},     {8, 13, 32},    {4, 3, 4},    {4, 4, 8},
    {1, 1, 2},     {0, 1, 8},       {256, 192, 256}, {256, 193, 512}, {300, 0, 512}, {300, 385, 1024},
    {10, 8, 20},   {160, 121, 512},
};

TEST(ArraysTable, CapacityAfterInsertions) {
  for (const CapacityCase& c : kCapacityCases) {
    AwkTable* t = awk_sanew(c.initial);
    for (int i = 0; i < c.inserts; ++i) put(t, "k" + std::to_string(i), i);
    EXPECT_EQ(t->capacity, c.capacity) << c.initial << " + " << c.inserts;
    EXPECT_EQ(t->count, c.inserts);
    int e = 1;
    while ((1 << e) < t->capacity) ++e;
    EXPECT_EQ(t->sizeexp, e) << c.initial << " + " << c.inserts;
  }
}

TEST(ArraysTable, NewTablesFindCreateAndValues) {
  AwkTable* t = awk_sanew(8);
  EXPECT_EQ(awk_stfindb(t, "x", 1), nullptr);
  AwkTable* l = awk_stnew(TableKind::KeyList, 3, kKeyEntrySize);
  AwkTable* z = awk_sanew(0);
  EXPECT_EQ(z->slots, nullptr);
  EXPECT_EQ(awk_stfindb(z, "", 0), nullptr);
  // A key list is not an array: lookups fail instead of misreading slots.
  EXPECT_EQ(awk_stfindb(l, "x", 1), nullptr);
  EXPECT_EQ(awk_tablength(l), 0);

  AwkString* k = stringNew("alpha");
  EXPECT_EQ(awk_stfindhp(t, k, false), nullptr);
  EXPECT_EQ(t->count, 0);
  AwkSlot* s = awk_stfindhp(t, k, true);
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(s->value.tag, Tag::Uninit);
  EXPECT_EQ(s->key, k);    // shares the caller's object
  EXPECT_EQ(k->ref, 2);    // the table's reference
  EXPECT_EQ(s->hash, vorn::image::tableHash("alpha", 5));
  EXPECT_EQ(awk_stfindhp(t, k, true), s);  // found, not created twice
  EXPECT_EQ(t->count, 1);
  cellSetInt(&s->value, 42);
  EXPECT_EQ(awk_getr(t, "alpha"), 42);
  EXPECT_EQ(awk_getr(t, "beta"), 0);
  // Keys with NUL bytes and empty keys are keys like any other.
  put(t, std::string("a\0b", 3), 1);
  put(t, std::string("a\0c", 3), 2);
  put(t, "", 3);
  EXPECT_EQ(get(t, std::string("a\0b", 3))->value.w.i, 1);
  EXPECT_EQ(get(t, std::string("a\0c", 3))->value.w.i, 2);
  EXPECT_EQ(get(t, "")->value.w.i, 3);
  EXPECT_EQ(get(t, "a"), nullptr);
  stringFree(k);
}

// Growth re-inserts the old entries in ascending order of their old slots,
// into an empty table of twice the size. A second, independent linear-probing
// table follows the same operations and must agree slot for slot.
struct ModelTable {
  std::vector<std::string> slot;  // "" with used = false: free
  std::vector<bool> used;
  size_t count = 0;

  explicit ModelTable(size_t cap) : slot(cap), used(cap) {}
  static uint32_t hash(const std::string& k) { return vorn::image::tableHash(k.data(), k.size()); }
  size_t place(const std::string& k) {
    size_t i = hash(k) % slot.size();
    while (used[i]) i = (i + 1) % slot.size();
    slot[i] = k;
    used[i] = true;
    return i;
  }
  long find(const std::string& k) const {
    for (size_t i = hash(k) % slot.size();; i = (i + 1) % slot.size()) {
      if (!used[i]) return -1;
      if (slot[i] == k) return long(i);
    }
  }
  void insert(const std::string& k) {
    if (find(k) >= 0) return;
    if (++count * 4 > slot.size() * 3) {
      size_t cap = slot.size() * 2;
      if (cap > 256) cap = (cap + 255) / 256 * 256;
      ModelTable bigger(cap);
      for (size_t i = 0; i < slot.size(); ++i)
        if (used[i]) bigger.place(slot[i]);
      slot = std::move(bigger.slot);
      used = std::move(bigger.used);
    }
    place(k);
  }
  void erase(const std::string& k) {
    long at = find(k);
    if (at < 0) return;
    used[size_t(at)] = false;
    --count;
    for (size_t j = (size_t(at) + 1) % slot.size(); used[j]; j = (j + 1) % slot.size()) {
      used[j] = false;
      place(slot[j]);
    }
  }
  std::vector<std::string> layout() const {  // "" for a free slot
    std::vector<std::string> out(slot.size());
    for (size_t i = 0; i < slot.size(); ++i)
      if (used[i]) out[i] = slot[i];
    return out;
  }
};

// 1500 keys whose home is slot 5 in tables of up to 2048 slots: a run
// longer than an index word can tell distances in.
const std::vector<std::string>& oneHomeKeys() {
  static const std::vector<std::string> keys = [] {
    std::vector<std::string> out;
    for (uint32_t n = 0; out.size() < 1500; ++n) {
      std::string k = "c" + std::to_string(n);
      if ((ModelTable::hash(k) & 2047) == 5) out.push_back(k);
    }
    return out;
  }();
  return keys;
}

// Random insertions and deletions from tables of every starting capacity
// (split, the symbol table, size hints), with key pools below, around and
// above one block of 256 slots, phases that grow the table and then delete
// most of it (freed entries reused across growth), pools at full load (runs
// that wrap around) and keys of one home up to 2048 slots (a run longer than
// an index word can tell distances in): every key keeps its value and every
// slot holds the model's key, so a deletion leaves the layout that
// re-inserting the run after the hole gives.
TEST(ArraysTable, RandomOperationsAgainstModels) {
  struct Run {
    int32_t start;
    int keys, ops, deletePercent;
    bool oneHome = false;
  };
  const std::vector<std::string>& oneHome = oneHomeKeys();
  const Run runs[] = {{8, 3000, 6000, 25}, {8, 40, 3000, 30}, {8, 400, 3000, 40}, {8, 3000, 2500, 60},
                      {3, 1500, 2500, 20}, {5, 1500, 2500, 20}, {12, 1500, 2500, 20}, {100, 1500, 2500, 20},
                      {255, 1500, 2500, 20}, {300, 1500, 2500, 20}, {600, 1500, 2500, 20},
                      {1000, 1500, 2500, 20}, {10, 7, 3000, 30}, {64, 48, 3000, 30},
                      {256, 192, 3000, 30}, {1024, 768, 3000, 30}, {8, 1500, 600, 50, true},
                      {2048, 1500, 600, 50, true}};
  for (const Run& r : runs) {
    std::mt19937 rng{uint32_t(r.start * 7 + r.keys + r.deletePercent)};
    AwkTable* t = awk_sanew(r.start);
    ModelTable m(size_t(t->capacity));
    std::map<std::string, int> model;
    if (r.oneHome)  // the run starts longer than the words can tell
      for (const std::string& k : oneHome) {
        m.insert(k);
        put(t, k, -1);
        model[k] = -1;
      }
    for (int op = 0; op < r.ops; ++op) {
      const uint32_t pick = rng() % uint32_t(r.keys);
      std::string k = r.oneHome ? oneHome[pick] : std::to_string(pick);
      const int percent = (op / 700) % 3 == 2 ? 100 - r.deletePercent : r.deletePercent;
      if (int(rng() % 100) < percent) {
        m.erase(k);
        EXPECT_EQ(del(t, k), model.erase(k) == 1);
      } else {
        m.insert(k);
        put(t, k, op);
        model[k] = op;
      }
      std::string where = "start " + std::to_string(r.start) + ", " + std::to_string(r.keys) + " keys, op " +
                          std::to_string(op);
      ASSERT_EQ(t->capacity, int32_t(m.slot.size())) << where;
      if (op % 97 == 0 || r.keys <= 800 || (r.oneHome && op % 5 == 0)) {
        ASSERT_EQ(layout(t), m.layout()) << where;
        checkTable(t, model, where.c_str());
        if (::testing::Test::HasFatalFailure()) return;
      }
    }
    EXPECT_EQ(layout(t), m.layout()) << "start " << r.start;
    awk_safree(t);
  }
}

// Deletions leave dead slots that settle together, when the slot order is
// next needed or before an insertion: the layout must be the one deleting
// the keys one at a time gives, with every remaining key found in between.
// One-home keys make one run longer than an index word tells distances in,
// with hundreds of dead slots in it; decimal keys make many short runs.
TEST(ArraysTable, DeletionsSettledTogetherLeaveTheLayoutOfOneAtATime) {
  const std::vector<std::string>& oneHome = oneHomeKeys();
  std::vector<std::string> decimal;
  for (int i = 0; i < 1500; ++i) decimal.push_back(std::to_string(i));
  struct Case {
    const std::vector<std::string>* pool;
    size_t keys;  // the first ones of the pool
    int deletions;
    bool settleByInsert;  // else by walking the slots
  };
  // (The model's deletion costs the square of the run's length.)
  const Case cases[] = {{&oneHome, 1100, 150, false}, {&oneHome, 1100, 150, true}, {&oneHome, 300, 2, true},
                        {&decimal, 1500, 1100, false}, {&decimal, 1500, 700, true}, {&decimal, 1500, 1500, false}};
  for (const Case& c : cases) {
    const std::string where =
        std::to_string(c.deletions) + " deletions, " + (c.pool == &oneHome ? "one home" : "decimal");
    std::mt19937 rng{uint32_t(c.deletions)};
    AwkTable* t = awk_sanew(2048);
    ModelTable m(size_t(t->capacity));
    std::map<std::string, int> model;
    const std::vector<std::string> keys(c.pool->begin(), c.pool->begin() + long(c.keys));
    for (const std::string& k : keys) {
      m.insert(k);
      put(t, k, int(model.size()));
      model[k] = int(model.size());
    }
    std::vector<std::string> order = keys;
    std::shuffle(order.begin(), order.end(), rng);
    for (int i = 0; i < c.deletions; ++i) {
      m.erase(order[size_t(i)]);
      model.erase(order[size_t(i)]);
      ASSERT_TRUE(del(t, order[size_t(i)])) << where;
    }
    EXPECT_EQ(t->dead, c.deletions) << where;
    checkTable(t, model, where.c_str());
    if (c.settleByInsert) {
      m.insert("new");
      put(t, "new", -1);
      model["new"] = -1;
      EXPECT_EQ(t->dead, 0) << where;
    }
    EXPECT_EQ(layout(t), m.layout()) << where;
    checkTable(t, model, where.c_str());
    awk_safree(t);
  }
}

// Above 256 slots, entries stay where they are through growth, and deleted
// entries are handed out again before new ones are made.
TEST(ArraysTable, BlocksAboveTwoHundredFiftySix) {
  AwkTable* t = awk_sanew(8);
  std::map<std::string, int> model;
  for (int i = 0; i < 1000; ++i) put(t, std::to_string(i), model[std::to_string(i)] = i);
  const AwkSlot* early = get(t, "5");
  for (int i = 1000; i < 100000; ++i) put(t, std::to_string(i), model[std::to_string(i)] = i);
  EXPECT_EQ(t->capacity, 262144);
  EXPECT_EQ(t->sizeexp, 18);
  EXPECT_EQ(get(t, "5"), early);
  checkTable(t, model, "100000 keys");
  for (int i = 0; i < 100000; i += 2) {
    ASSERT_TRUE(del(t, std::to_string(i)));
    model.erase(std::to_string(i));
  }
  checkTable(t, model, "after deleting half");
  for (int i = 0; i < 50000; ++i) put(t, "n" + std::to_string(i), model["n" + std::to_string(i)] = i);
  EXPECT_EQ(t->nents, 100000);
  checkTable(t, model, "after refilling");
  awk_safree(t);
}

TEST(ArraysTable, KeyListIsASnapshot) {
  AwkTable* t = awk_sanew(8);
  for (int i = 0; i < 20; ++i) put(t, "k" + std::to_string(i), i);
  std::vector<std::string> before = layout(t);
  before.erase(std::remove(before.begin(), before.end(), ""), before.end());
  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = t;
  Cell it{};
  awk_tabkeys(&arr, &it, 0);
  ASSERT_EQ(it.tag, Tag::Array);
  AwkTable* list = it.w.t;
  EXPECT_EQ(list->capacity, 20);
  // Change the array under the list: delete, add, grow.
  for (int i = 0; i < 20; i += 3) del(t, "k" + std::to_string(i));
  for (int i = 100; i < 200; ++i) put(t, "k" + std::to_string(i), i);
  std::vector<std::string> seen;
  Cell var{};
  while (awka_forin(&it, &var)) {
    ASSERT_EQ(var.tag, Tag::String);
    EXPECT_EQ(var.w.s->ref, 1);  // a private copy
    seen.emplace_back(var.w.s->view());
    stringFree(var.w.s);
  }
  EXPECT_EQ(seen, before);
  EXPECT_EQ(list->count, list->capacity);
  EXPECT_EQ(awk_nextindex(&it), nullptr);  // stays exhausted
  EXPECT_EQ(awka_forin(&it, &var), 0);
  // A scalar, or a key list handed over as if it were an array, gives an
  // empty list; neither steps.
  Cell scalar{}, again{};
  cellSetInt(&scalar, 5);
  for (Cell* c : {&scalar, &it}) {
    awk_tabkeys(c, &again, 1);
    EXPECT_EQ(again.w.t->capacity, 0);
    EXPECT_EQ(awk_nextindex(&again), nullptr);
  }
  EXPECT_EQ(awk_nextindex(&scalar), nullptr);
}

// Keys are compared in place a word at a time: every length up to and past
// the word paths, with a difference at every position, must agree with a
// byte-by-byte comparison.
TEST(ArraysTable, KeyEqualityAtEveryLengthAndPosition) {
  for (uint32_t len = 0; len <= 40; ++len) {
    std::string base;
    for (uint32_t i = 0; i < len; ++i) base += char('a' + i % 26);
    AwkString* k = stringNew(base);
    EXPECT_TRUE(st_keyeq(k, base.data(), len)) << len;
    if (len > 0) {
      EXPECT_FALSE(st_keyeq(k, base.data(), len - 1)) << len;
    }
    std::string longer = base + "z";
    EXPECT_FALSE(st_keyeq(k, longer.data(), len + 1)) << len;
    for (uint32_t i = 0; i < len; ++i) {
      std::string other = base;
      other[i] = char(other[i] ^ 0x20);
      EXPECT_FALSE(st_keyeq(k, other.data(), len)) << "length " << len << ", byte " << i;
    }
    stringFree(k);
  }
}

}  // namespace

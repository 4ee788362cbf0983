// Natural comparison and the sorting of key lists under every SORTTYPE bit.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "arrays/table.h"

namespace {

std::vector<std::string> sorted(const std::vector<std::string>& keys, int sorttype) {
  AwkTable* list = awk_stnew(TableKind::KeyList, int32_t(keys.size()), kKeyEntrySize);
  for (size_t i = 0; i < keys.size(); ++i) list->keys[i] = stringNew(keys[i]);
  awk_vasort(list, sorttype);
  std::vector<std::string> out;
  for (int32_t i = 0; i < list->capacity; ++i) {
    out.emplace_back(list->keys[i]->view());
    stringFree(list->keys[i]);
  }
  return out;
}

int natcmp(const std::string& a, const std::string& b, int t) {
  int r = awk_natcmpb(a.data(), uint32_t(a.size()), b.data(), uint32_t(b.size()), t);
  return r < 0 ? -1 : r > 0 ? 1 : 0;
}

struct SortCase {
  const char* what;
  int sorttype;
  std::vector<std::string> keys;
  std::vector<std::string> expect;
};

// (tests/cases/lang/sorttype has the plain orders of each SORTTYPE.)
const SortCase kSortCases[] = {
    {"bytewise descending", 10, {"10", "9", "100", "a2", "a10"}, {"a2", "a10", "9", "100", "10"}},
    {"slot order kept", 0, {"10", "9", "100", "a2", "a10"}, {"10", "9", "100", "a2", "a10"}},
    {"leading minus bytewise", 2, {"-5", "-3"}, {"-3", "-5"}},
    {"minus after a blank", 1, {"x -3", "x -5"}, {"x -5", "x -3"}},
    {"minus after a tab", 1, {"x\t-3", "x\t-5"}, {"x\t-5", "x\t-3"}},
    {"negatives before positives", 1, {"5", "-2", "0", "-10"}, {"-10", "-2", "0", "5"}},
    {"fractions with comma", 1, {"1,5", "1,25"}, {"1,25", "1,5"}},
    {"fraction shorter wins when prefix", 1, {"2.50", "2.5"}, {"2.5", "2.50"}},
    {"integer part decides first", 1, {"10.1", "9.99"}, {"9.99", "10.1"}},
    {"mixed case", 1, {"b", "B", "a", "A"}, {"A", "B", "a", "b"}},
    {"case folded", 5, {"B", "a"}, {"a", "B"}},
    {"case folded, case breaks ties", 5, {"b", "B", "a", "A"}, {"A", "a", "B", "b"}},
    {"case folded descending", 13, {"B", "a", "c"}, {"c", "B", "a"}},
    {"case folded numbers", 5, {"Item10", "item9"}, {"item9", "Item10"}},
    {"leading zeros ignored", 1, {"007", "10", "8"}, {"007", "8", "10"}},
    {"zeros break ties", 1, {"01", "1"}, {"1", "01"}}, {"zeros significant", 33, {"01", "2"}, {"2", "01"}},
    {"zeros ignored against larger", 1, {"2", "01"}, {"01", "2"}},
    {"numbers inside words", 1, {"file10.txt", "file2.txt", "file1.txt"}, {"file1.txt", "file2.txt", "file10.txt"}},
    {"several numbers", 1, {"v1.10", "v1.9", "v1.2.3"}, {"v1.10", "v1.2.3", "v1.9"}},
    {"several numbers no fractions", 17, {"v1.10", "v1.9", "v1.2.3"}, {"v1.2.3", "v1.9", "v1.10"}},
    {"prefix is smaller", 1, {"abc", "ab", "abcd"}, {"ab", "abc", "abcd"}},
    {"byte mode with fold", 4, {"b", "A", "a10", "a9"}, {"A", "a10", "a9", "b"}},
    {"byte mode with fold descending", 12, {"b", "A", "c"}, {"c", "b", "A"}},
    {"empty key first", 1, {"x", "", "1"}, {"", "1", "x"}},
    {"high bytes", 1, {"\xe9", "e", "z"}, {"e", "z", "\xe9"}},
    {"integers and near-integers", 1, {"-0", "5", "-50", "007", "0", "-5", "50", "-05"},
     {"-50", "-5", "-05", "-0", "0", "5", "007", "50"}},  // zeros break ties unsigned
    {"integers descending", 9, {"3", "-3", "30", "-30", "0"}, {"30", "3", "0", "-3", "-30"}},
    {"integers with zeros significant", 33, {"10", "9", "0", "-1"}, {"-1", "0", "9", "10"}},
    {"long common prefix", 1, {"abcdefghij10", "abcdefghij9", "abcdefgh"},
     {"abcdefgh", "abcdefghij9", "abcdefghij10"}},
    {"number right after the prefix", 1, {"abcdefg10", "abcdefg9"}, {"abcdefg9", "abcdefg10"}},
    {"number after a prefix", 1, {"k10", "k9", "k100", "k0", "key5", "k-3", "k-12"},
     {"k-3", "k-12", "k0", "k9", "k10", "k100", "key5"}},
    {"decimals", 1, {"13.9", "13.81", "13", "2.50", "2.5", "894", "0.25", "0"},
     {"0", "0.25", "2.5", "2.50", "13", "13.81", "13.9", "894"}},
    {"embedded NUL", 2, {std::string("ab\0c", 4), "ab", std::string("ab\0", 3)},
     {"ab", std::string("ab\0", 3), std::string("ab\0c", 4)}},
};

TEST(ArraysNatSort, SortsEveryCase) {
  for (const SortCase& c : kSortCases)
    EXPECT_EQ(sorted(c.keys, c.sorttype), c.expect) << c.what << " (SORTTYPE " << c.sorttype << ")";
}

struct CmpCase {
  const char* a;
  const char* b;
  int sorttype;
  int expect;  // sign
};

const CmpCase kCmpCases[] = {
    {"abc", "abc", 1, 0}, {"", "", 1, 0},
    {"a", "A", 5, 1},  // equal but for case: the case difference decides
    {"A", "a", 5, -1}, {"abc", "ABD", 5, -1},
    {"x 10", "x 9", 1, 1}, {"x -10", "x -9", 1, -1},
    {"-10", "-9", 1, -1}, {"a-10", "a-9", 1, 1},  // a dash, not a sign
    {"0.5", ".5", 1, 1},  // same value: the zero breaks the tie
    {"1.05", "1.5", 1, -1}, {"1.05", "1.5", 17, 1},  // two numbers 05 and 5: equal, the zero breaks the tie
    {"1.5x", "1.5", 1, 1}, {"12", "12a", 1, -1},
    {"a1b2", "a1b10", 1, -1}, {"a01b2", "a1b10", 1, -1},  // rest decides before the zeros
    {"a01b2", "a1b2", 1, 1},  // only the zeros differ
    {"a01b2", "a1b2", 33, 1},  // zeros significant: 01 has more integer digits
    {"9", "10", 2, 1}, {"9", "10", 4, 1},  // no natural bit: bytes
    {".5", ",5", 17, 1},  // separators at a number's start once compared forever
    {"a.5", "a,5", 17, 1}, {"a.5", "a,5", 1, 1},
};

TEST(ArraysNatSort, ComparesPairs) {
  for (const CmpCase& c : kCmpCases) {
    EXPECT_EQ(natcmp(c.a, c.b, c.sorttype), c.expect)
        << '"' << c.a << "\" vs \"" << c.b << "\" SORTTYPE " << c.sorttype;
    EXPECT_EQ(natcmp(c.b, c.a, c.sorttype), -c.expect)
        << '"' << c.b << "\" vs \"" << c.a << "\" SORTTYPE " << c.sorttype;
  }
  // A key of many numbers is compared number after number without nesting
  // on the native stack.
  std::string a, b;
  for (int i = 0; i < 200000; ++i) {
    a += "01x";
    b += "1x";
  }
  EXPECT_EQ(natcmp(a + "a", b + "b", 1), -1);  // the tail decides
  EXPECT_EQ(natcmp(a + "b", b + "a", 1), 1);
  EXPECT_EQ(natcmp(a, b, 1), 1);               // equal but for zeros
}

// The sort takes shortcuts (lists of plain integers without comparisons,
// integers by value, an eight-byte prefix, decimals by integer part and
// fraction); whichever it takes, its result must be a permutation in which
// every neighbour pair is in order under the full comparison, which must be
// antisymmetric. Each generator favours one shortcut.
TEST(ArraysNatSort, ShortcutsAgreeWithFullComparison) {
  std::mt19937 rng(99);
  auto below = [&](uint64_t n) { return std::to_string(rng() % n); };
  const char* stems[] = {"",   "-",  "x",  "item", "Item", "abcdefgh",     "abcdefghij",   "a b -", "0",
                         "v1.", "k", "K", "x -",  "a.",   "abcdefghijkl", "abcdefghijkm", "\t",    "q0"};
  const char alphabet[] = "0123456789..,,--  aAbB\t";
  const std::function<std::string()> gens[] = {
      [&] {
        std::string k;
        for (int n = int(rng() % 8); n > 0; --n) k += alphabet[rng() % (sizeof alphabet - 1)];
        return k;
      },
      [&] {
        return std::to_string(
            std::uniform_int_distribution<int64_t>(-999999999999999999LL, 999999999999999999LL)(rng));
      },
      [&] { return std::to_string(int(rng() % 100000) - 50000); },
      [&] { return std::to_string(rng() % 20000); },
      [&] {
        std::string k = stems[rng() % std::size(stems)];
        switch (rng() % 6) {
          case 0: return k + "0" + below(100);
          case 1: return k + below(100) + "x";
          case 2: return k + char('a' + rng() % 26);
          case 3: return k + std::to_string(int(rng() % 2000) - 1000);
          case 4: return k + below(100) + "." + below(100);
          default: return k + below(100000);
        }
      },
      [&] {
        std::string k = below(rng() % 3 ? 100 : 100000);
        switch (rng() % 4) {
          case 0: return k;
          case 1: return k + "." + below(100);
          case 2: return k + ".0" + below(10);
          default: return k + "." + below(1000);
        }
      },
  };
  for (const auto& gen : gens) {
    std::vector<std::string> keys = {"0", "0.5", "00.5", "1.", ".5", "1,5", "-1.5", "1.5x", "x1.5"};
    if (&gen == &gens[1] || &gen == &gens[2] || &gen == &gens[3]) keys = {};  // integers only
    for (int i = 0; i < 3000; ++i) keys.push_back(gen());
    std::sort(keys.begin(), keys.end());  // the keys of an array are distinct
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::shuffle(keys.begin(), keys.end(), rng);
    for (int t : {1, 2, 4, 5, 8, 9, 10, 12, 13, 17, 25, 33, 49, 57}) {
      for (size_t i = 0; i + 1 < keys.size(); ++i)
        ASSERT_EQ(natcmp(keys[i], keys[i + 1], t), -natcmp(keys[i + 1], keys[i], t))
            << '"' << keys[i] << "\" \"" << keys[i + 1] << "\" t=" << t;
      const std::vector<std::string> out = sorted(keys, t);
      std::vector<std::string> a = keys, b = out;
      std::sort(a.begin(), a.end());
      std::sort(b.begin(), b.end());
      ASSERT_EQ(a, b) << "not a permutation, t=" << t;
      const bool bytewise = t == 2 || t == 10;
      const int dir = (t & 8) ? -1 : 1;
      for (size_t i = 0; i + 1 < out.size(); ++i) {
        int c = bytewise ? out[i].compare(out[i + 1]) : natcmp(out[i], out[i + 1], t);
        ASSERT_LE(c * dir, 0) << '"' << out[i] << "\" before \"" << out[i + 1] << "\" t=" << t;
      }
    }
  }
}

// Keys that are one prefix followed by a plain integer are sorted by value;
// one key of another shape among them must send the list back to the
// comparisons.
TEST(ArraysNatSort, OnePrefixAndNumbersSortByValue) {
  std::mt19937 rng(7);
  const char* const odd[] = {"",    "id007", "jd3", "Id3", "5", "id-3", "id.3",
                             "id,3", "id",    "i3",  "idd3", "id 3", "hd99999"};
  for (const char* extra : odd) {
    std::vector<std::string> keys;
    for (int i = 0; i < 2000; ++i) keys.push_back("id" + std::to_string(rng() % 100000));
    if (*extra) keys.push_back(extra);
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    std::shuffle(keys.begin(), keys.end(), rng);
    for (int t : {1, 5, 9, 13, 17, 33}) {
      const std::vector<std::string> out = sorted(keys, t);
      ASSERT_EQ(out.size(), keys.size());
      const int dir = (t & 8) ? -1 : 1;
      for (size_t i = 0; i + 1 < out.size(); ++i)
        ASSERT_LT(natcmp(out[i], out[i + 1], t) * dir, 0)
            << '"' << out[i] << "\" before \"" << out[i + 1] << "\" t=" << t << " with \"" << extra << '"';
    }
  }
}

// A numbered array's key list is placed by value instead of sorted: it must
// be the list the sort gives, for every order that sorts by value, and the
// placement must only be taken for plain integers without a gap.
TEST(ArraysNatSort, RangeKeysAreTheSortedList) {
  struct RangeCase {
    const char* what;
    std::vector<std::string> keys;
    std::vector<std::string> deleted;   // taken out again, leaving free entries
    bool placed;                        // awk_rangekeys builds the list
  };
  auto range = [](int from, int to) {
    std::vector<std::string> k;
    for (int i = from; i <= to; ++i) k.push_back(std::to_string(i));
    std::shuffle(k.begin(), k.end(), std::mt19937(uint32_t(from + 7 * to)));
    return k;
  };
  auto with = [](std::vector<std::string> k, std::initializer_list<const char*> more) {
    k.insert(k.end(), more.begin(), more.end());
    return k;
  };
  const RangeCase cases[] = {
      {"1 .. 3000", range(1, 3000), {}, true},
      {"-40 .. 40", range(-40, 40), {}, true},
      {"two keys", {"8", "7"}, {}, true},
      {"one key", {"5"}, {}, false},
      {"a gap", with(range(1, 50), {"52"}), {}, false},
      {"a gap left by deletion", range(0, 600), {"300"}, false},
      {"the ends deleted", range(0, 600), {"0", "600", "599"}, true},
      {"a word among them", with(range(1, 50), {"x"}), {}, false},
      {"a leading zero", with(range(2, 50), {"01"}), {}, false},
      {"minus zero", with(range(1, 50), {"-0"}), {}, false},
      {"far apart", {"-999999999999999999", "999999999999999999"}, {}, false},
  };
  for (const RangeCase& c : cases) {
    AwkTable* t = awk_sanew(8);
    for (const std::string& k : c.keys) {
      AwkString* key = stringNew(k);
      cellSetInt(&awk_stfindhp(t, key, true)->value, 1);
      stringFree(key);
    }
    for (const std::string& k : c.deleted) {
      AwkString* key = stringNew(k);
      awk_stdelelt(t, key);
      stringFree(key);
    }
    for (int sorttype : {0, 1, 2, 9, 17, 33, 57}) {
      AwkTable* placed = awk_rangekeys(t, sorttype);
      EXPECT_EQ(placed != nullptr, c.placed && sorttype % 2 == 1) << c.what << ", SORTTYPE " << sorttype;
      if (!placed) continue;
      AwkTable* list = awk_stindex(t);
      awk_vasort(list, sorttype);
      ASSERT_EQ(placed->capacity, list->capacity) << c.what;
      for (int32_t i = 0; i < list->capacity; ++i)
        ASSERT_EQ(placed->keys[i]->view(), list->keys[i]->view()) << c.what << ", SORTTYPE " << sorttype
                                                                  << ", position " << i;
      awk_safree(placed);
      awk_safree(list);
    }
    awk_safree(t);
  }
}

}  // namespace

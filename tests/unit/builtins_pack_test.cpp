// pack/unpack round trips over random values for every numeric letter, in
// both byte orders, aligned and not; and symbolic chmod modes as a table.
#include <random>
#include <string>
#include <vector>

#include "builtins/fsargs.h"
#include "builtins/pack.h"
#include "builtins_fixture.h"

namespace {

using namespace btest;

class PackBuiltins : public BuiltinTest {};

// Packs values under fmt, unpacks the result again and returns element "v".
Cell roundTrip(const std::string& fmt, std::vector<Cell> values) {
  AwkString* packed =
      awk_pack(fmt.data(), uint32_t(fmt.size()), values.data(), int(values.size()), nullptr);
  Cell arr = newArray();
  awk_unpack(fmt.data(), uint32_t(fmt.size()),
             reinterpret_cast<const unsigned char*>(packed->text()), packed->len, arr.w.t);
  AwkSlot* slot = awk_stfindb(arr.w.t, "v", 1);
  Cell out{};
  if (slot) cellCopyRef(&out, &slot->value);
  stringFree(packed);
  drop(&arr);
  for (Cell& v : values) drop(&v);
  return out;
}

double numberOf(const Cell& c) { return c.tag == Tag::Int ? c.w.i : c.x.d; }

TEST_F(PackBuiltins, NumericLettersRoundTrip) {
  struct Letter {
    char letter;
    double lo, hi;
  } letters[] = {{'b', -128, 127}, {'B', 0, 255}, {'s', -32768, 32767}, {'S', 0, 65535},
                 {'l', -2147483648.0, 2147483647}, {'L', 0, 4294967295.0},
                 {'f', -1e6, 1e6}, {'d', -1e300, 1e300}};
  std::mt19937_64 rng(8);
  for (const Letter& l : letters) {
    for (const char* prefix : {"", "<", "#", "#<"}) {
      // "@b" first, so that an aligned field starts past byte 0.
      const std::string fmt = std::string(prefix) + "@b v@" + l.letter;
      std::uniform_real_distribution<double> dist(l.lo, l.hi);
      for (int i = 0; i < 500; ++i) {
        double v = dist(rng);
        if (l.letter != 'f' && l.letter != 'd') v = std::floor(v);
        if (l.letter == 'f') v = double(float(v));
        const bool isInt = v == std::floor(v) && v >= -2147483648.0 && v <= 2147483647;
        Cell got = roundTrip(fmt, {num(1), isInt ? num(int32_t(v)) : flt(v)});
        ASSERT_EQ(numberOf(got), v) << fmt << " " << v;
      }
    }
  }
}

TEST_F(PackBuiltins, StringFieldsRoundTrip) {
  struct Case {
    const char* fmt;
    const char* value;
    const char* want;
  } cases[] = {{"v@a", "abc", "abc"},  {"v@A", "abc", "abc"},   {"v@6a", "abc", "abc"},
               {"v@6A", "ab c", "ab c"}, {"v@+6A", "abc", "abc"}, {"v@2a", "abc", "ab"},
               {"v@&4A", "ab", "ab  "}};
  for (const Case& c : cases) EXPECT_EQ(text(roundTrip(c.fmt, {str(c.value)})), c.want) << c.fmt;
}

TEST(SymbolicChmod, Table) {
  struct Case {
    const char* mode;
    uint32_t from;
    int result;
    uint32_t want;
  } cases[] = {
      {"u+x,go-w", 0100644, 1, 0100744}, {"=", 0107777, 1, 0101000},  {"a+", 0644, 1, 0644},
      {"+x", 0644, 1, 0755},             {"o=", 0755, 1, 0750},       {"ug=rw,o-r", 0644, 1, 0660},
      {"g+rs", 0600, 1, 02640},          {"u-x+s", 0755, 1, 04655},   {"UG+X", 0644, 1, 0754},
      {"a-rwx,u+r", 0644, 1, 0400},      {"o+t", 0644, 1, 0644},      {"u+hlav", 0644, 1, 0644},
      {"go-w+r", 0777, 1, 0755},         {"u", 0644, 0, 0},           {"", 0644, 0, 0},
      {"u+x,", 0644, 0, 0},              {"u+q", 0644, -1, 0},        {"z+x", 0644, -1, 0},
      {"u!x", 0644, -1, 0},              {"u+x,,g+w", 0644, -1, 0},
  };
  for (const Case& c : cases) {
    uint32_t out = 0;
    const std::string m = c.mode;
    EXPECT_EQ(awk_chmodsym(m.data(), uint32_t(m.size()), c.from, &out), c.result) << c.mode;
    if (c.result == 1) {
      EXPECT_EQ(out, c.want) << c.mode;
    }
  }
}

}  // namespace

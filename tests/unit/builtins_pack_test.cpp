// pack/unpack round trips over random values for every numeric letter, in
// both byte orders, aligned and not; and symbolic chmod modes as a table.
#include <random>
#include <string>

#include "builtins/fsargs.h"
#include "builtins/pack.h"
#include "builtins_fixture.h"

using namespace btest;

class PackBuiltins : public BuiltinTest {};

TEST_F(PackBuiltins, NumericLettersRoundTrip) {
  const struct { char letter; double lo, hi; } letters[] = {
      {'b', -128, 127}, {'B', 0, 255}, {'s', -32768, 32767}, {'S', 0, 65535},
      {'l', -2147483648.0, 2147483647}, {'L', 0, 4294967295.0}, {'f', -1e6, 1e6},
      {'d', -1e300, 1e300}};
  std::mt19937_64 rng(8);
  for (const auto& l : letters) {
    for (const char* prefix : {"", "<", "#", "#<"}) {
      // "@b" first, so that an aligned field starts past byte 0.
      const std::string fmt = std::string(prefix) + "@b v@" + l.letter;
      for (int i = 0; i < 500; ++i) {
        double v = std::uniform_real_distribution<double>(l.lo, l.hi)(rng);
        v = l.letter == 'f' ? double(float(v)) : l.letter == 'd' ? v : std::floor(v);
        const bool isInt = v == std::floor(v) && v >= -2147483648.0 && v <= 2147483647;
        Cell values[2] = {num(1), isInt ? num(int32_t(v)) : flt(v)};
        AwkString* packed = awk_pack(fmt.data(), uint32_t(fmt.size()), values, 2, nullptr);
        Cell arr = newArray();
        awk_unpack(fmt.data(), uint32_t(fmt.size()),
                   reinterpret_cast<const unsigned char*>(packed->text()), packed->len, arr.w.t);
        const AwkSlot* got = awk_stfindb(arr.w.t, "v", 1);
        ASSERT_TRUE(got && (got->value.tag == Tag::Int ? got->value.w.i : got->value.x.d) == v)
            << fmt << " " << v;
        stringFree(packed);
        drop(&arr);
      }
    }
  }
}

TEST(SymbolicChmod, Table) {
  const struct { const char* mode; uint32_t from; int result; uint32_t want; } cases[] = {
      {"u+x,go-w", 0100644, 1, 0100744}, {"=", 0107777, 1, 0101000},  {"a+", 0644, 1, 0644},
      {"+x", 0644, 1, 0755},             {"o=", 0755, 1, 0750},       {"ug=rw,o-r", 0644, 1, 0660},
      {"g+rs", 0600, 1, 02640},          {"u-x+s", 0755, 1, 04655},   {"UG+X", 0644, 1, 0754},
      {"a-rwx,u+r", 0644, 1, 0400},      {"o+t", 0644, 1, 0644},      {"u+hlav", 0644, 1, 0644},
      {"go-w+r", 0777, 1, 0755},         {"u", 0644, 0, 0644},        {"", 0644, 0, 0644},
      {"u+x,", 0644, 0, 0644},           {"u+q", 0644, -1, 0644},     {"z+x", 0644, -1, 0644},
      {"u!x", 0644, -1, 0644},           {"u+x,,g+w", 0644, -1, 0644},
  };
  for (const auto& c : cases) {
    uint32_t out = c.from;  // failures leave it alone
    EXPECT_EQ(awk_chmodsym(c.mode, uint32_t(std::strlen(c.mode)), c.from, &out), c.result) << c.mode;
    EXPECT_EQ(out, c.want) << c.mode;
  }
}

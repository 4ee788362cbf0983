// _cvtin and _cvtout: binary images in the machine's byte order, their
// sizes and signs, round trips over the 32-bit range, and bad specs.
#include <cmath>
#include <cstring>
#include <limits>

#include "streams_fixture.h"

using namespace stest;

static auto* const kEnv = ::testing::AddGlobalTestEnvironment(new StreamsEnvironment);

namespace {

template <typename T>
std::string image(T v) {
  std::string s(sizeof v, '\0');
  std::memcpy(s.data(), &v, sizeof v);
  return s;
}

struct OutCase {
  Cell (*value)();
  const char* spec;
  std::string bytes;
};

const OutCase kOut[] = {
    {[] { return intCell(65); }, "c", "A"},
    {[] { return intCell(0x141); }, "C", "A"},            // the low byte only
    {[] { return intCell(-1); }, "c", "\xff"},
    {[] { return intCell(-2); }, "s", image<int16_t>(-2)},
    {[] { return intCell(0x12345); }, "S", image<uint16_t>(0x2345)},
    {[] { return intCell(-123456); }, "l", image<int32_t>(-123456)},
    {[] { return fltCell(4294967295.0); }, "L", image<uint32_t>(4294967295u)},
    {[] { return strCell("77"); }, "l", image<int32_t>(77)},
    {[] { return fltCell(1.5); }, "d", image<double>(1.5)},
    {[] { return intCell(3); }, "d", image<double>(3.0)},
    {[] { return fltCell(0.25); }, "f", image<float>(0.25f)},
    {[] { return intCell(7); }, "long", image<int32_t>(7)},   // only the first letter counts
};

TEST(CvtOut, Images) {
  for (const OutCase& c : kOut) {
    SCOPED_TRACE(c.spec);
    EXPECT_EQ(callText(b__cvtout, {c.value(), strCell(c.spec)}), c.bytes);
  }
}

// _cvtin(_cvtout(x, spec), spec) gives x back over the whole range.
TEST(CvtRoundTrip, ThirtyTwoBits) {
  const int64_t signedValues[] = {0, 1, -1, 255, -256, 65535, -65536, 2147483647, -2147483648LL,
                                  123456789, -987654321};
  for (int64_t x : signedValues) {
    Cell img = call(b__cvtout, {intCell(int32_t(x)), strCell("l")});
    Cell back = call(b__cvtin, {img, strCell("l")});
    EXPECT_EQ(int(back.tag), int(Tag::Int));
    EXPECT_EQ(back.w.i, x);
  }
  const double unsignedValues[] = {0, 1, 2147483647.0, 2147483648.0, 3000000000.0, 4294967295.0};
  for (double x : unsignedValues) {
    Cell img = call(b__cvtout, {fltCell(x), strCell("L")});
    Cell back = call(b__cvtin, {img, strCell("L")});
    EXPECT_EQ(back.tag == Tag::Int ? double(back.w.i) : back.x.d, x);
  }
  for (double x : {0.1, -1e300, 6.02214076e23, std::numeric_limits<double>::denorm_min()}) {
    Cell img = call(b__cvtout, {fltCell(x), strCell("d")});
    Cell back = call(b__cvtin, {img, strCell("d")});
    EXPECT_EQ(back.x.d, x);
  }
}

}  // namespace

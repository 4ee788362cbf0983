// Differential test of the printf engine against the C library's snprintf:
// many thousands of random values, conversions and flag sets that both
// support. The generator leaves out the combinations where the two differ
// on purpose; format_printf_test.cpp checks the engine's side of each.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "format/printf.h"
#include "values/convert.h"

namespace {

constexpr int kRounds = 60000;

std::string awkFormat(const std::string& fmt, const Cell& arg) {
  AwkString* f = stringNew1(fmt.data(), uint32_t(fmt.size()));
  const char* err = nullptr;
  AwkString* s = awk_asprintf(f, 1, &arg, &err);
  EXPECT_EQ(err, nullptr) << fmt;
  std::string r(s->text(), s->len);
  stringFree(s);
  stringFree(f);
  return r;
}

template <typename T>
std::string cFormat(const std::string& fmt, T v) {
  char buf[1024];
  int n = std::snprintf(buf, sizeof buf, fmt.c_str(), v);
  return std::string(buf, size_t(n));
}

// A random conversion: flags from "-+ 0#", then an optional width and precision.
struct RandomConversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  char conv = 'd';

  std::string text() const {
    std::string s = "%" + flags;
    if (width >= 0) s += std::to_string(width);
    if (precision >= 0) s += "." + std::to_string(precision);
    return s + conv;
  }
  bool has(char f) const { return flags.find(f) != std::string::npos; }
};

RandomConversion randomConversion(std::mt19937_64& rng, const char* convs) {
  RandomConversion s;
  for (char f : std::string("-+ 0#"))
    if (rng() % 4 == 0) s.flags += f;
  if (rng() % 2) s.width = int(rng() % 25);
  if (rng() % 2) s.precision = int(rng() % 21);
  s.conv = convs[rng() % std::char_traits<char>::length(convs)];
  return s;
}

int32_t randomInt(std::mt19937_64& rng) {
  switch (rng() % 4) {
    case 0: return int32_t(rng() % 200) - 100;
    case 1: return int32_t(rng() % 2000000) - 1000000;
    default: return int32_t(uint32_t(rng()));
  }
}

double randomDouble(std::mt19937_64& rng) {
  std::uniform_real_distribution<double> mant(1.0, 10.0);
  int range = rng() % 3 == 0 ? 300 : 20;
  int e = int(rng() % uint64_t(2 * range + 1)) - range;
  double v = mant(rng) * std::pow(10.0, e);
  switch (rng() % 8) {
    case 0: v = std::round(v); break;                 // integral values
    case 1: v = std::round(v * 1000) / 1000; break;   // short decimals, ties
    case 2: v = double(int(rng() % 100)) / 8; break;  // exact binary fractions
    default: break;
  }
  if (rng() % 2) v = -v;
  if (v == 0) v = 0.0;  // a negative zero prints as 0 here
  return v;
}

TEST(PrintfDifferential, IntegerConversions) {
  std::mt19937_64 rng(12345);
  int compared = 0;
  for (int i = 0; i < kRounds; ++i) {
    RandomConversion s = randomConversion(rng, "diuxXo");
    int32_t v = randomInt(rng);
    // Left out: "0" with a precision still pads with zeros, precision 0
    // still shows the digit 0, and "#" always adds its prefix to o/x/X.
    if (s.has('0') && s.precision >= 0) continue;
    if (s.precision == 0 && v == 0) continue;
    if (s.has('#') && (s.conv == 'o' || s.conv == 'x' || s.conv == 'X')) {
      if (v == 0 || s.conv == 'o') continue;
    }
    Cell c{};
    cellSetInt(&c, v);
    const std::string fmt = s.text();
    // C's unsigned conversions take the same 32-bit pattern.
    ASSERT_EQ(awkFormat(fmt, c), cFormat(fmt, v)) << "format " << fmt << " value " << v;
    ++compared;
  }
  EXPECT_GT(compared, kRounds / 2);
}

TEST(PrintfDifferential, FloatConversions) {
  std::mt19937_64 rng(67890);
  int compared = 0;
  for (int i = 0; i < kRounds; ++i) {
    RandomConversion s = randomConversion(rng, "eEfgG");
    double v = randomDouble(rng);
    if (s.conv == 'f' && std::fabs(v) >= 1e49) continue;  // 51 integer digits: exponent form
    Cell c{};
    cellSetFloat(&c, v, kUnlimitedDecimals);
    const std::string fmt = s.text();
    ASSERT_EQ(awkFormat(fmt, c), cFormat(fmt, v)) << "format " << fmt << " value " << v;
    ++compared;
  }
  EXPECT_GT(compared, kRounds * 9 / 10);
}

TEST(PrintfDifferential, CharactersAndStrings) {
  std::mt19937_64 rng(4242);
  for (int i = 0; i < kRounds / 4; ++i) {
    RandomConversion s = randomConversion(rng, "cs");
    // "0" pads text conversions with zeros here (undefined in C); a
    // precision cuts %c as it cuts %s (C ignores it for %c).
    if (s.has('0')) continue;
    if (s.conv == 'c') s.precision = -1;
    s.flags.erase(std::remove_if(s.flags.begin(), s.flags.end(),
                                 [](char f) { return f == '+' || f == ' ' || f == '#'; }),
                  s.flags.end());
    const std::string fmt = s.text();
    if (s.conv == 'c') {
      int v = int(rng() % 256);
      Cell c{};
      cellSetInt(&c, v);
      ASSERT_EQ(awkFormat(fmt, c), cFormat(fmt, v)) << fmt << " " << v;
    } else {
      std::string text;
      for (int n = int(rng() % 30); n > 0; --n) text += char(' ' + rng() % 95);
      Cell c{};
      cellSetString(&c, stringNew(text));
      ASSERT_EQ(awkFormat(fmt, c), cFormat(fmt, text.c_str())) << fmt << " \"" << text << "\"";
      stringFree(c.w.s);
    }
  }
}

}  // namespace

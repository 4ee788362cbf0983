// The printf engine over value cells (sprintf, printf, CONVFMT) and over C
// arguments (the run-time's messages): formats against their expected
// texts, the coded error texts, and the once-per-run precision warning.
// Then a differential test against the C library's snprintf: many
// thousands of random values, conversions and flag sets that both support
// (leaving out where the engine differs on purpose, rows of the table).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "format/printf.h"
#include "test_support.h"
#include "values/convert.h"

namespace {

Cell I(int32_t v) { return tsupport::intCell(v); }
Cell F(double v, int dec = kUnlimitedDecimals) { return tsupport::floatCell(v, int16_t(dec)); }
Cell S(const std::string& s) { return tsupport::strCell(s); }
Cell U() { Cell c{}; cellSetUninit(&c); return c; }

struct Result {
  std::string text;
  std::string err;   // the coded text, "" for none
  bool operator==(const Result& o) const { return text == o.text && err == o.err; }
};
void PrintTo(const Result& r, std::ostream* os) { *os << '"' << r.text << "\" " << r.err; }

// sprintf(fmt, args...); frees the argument strings.
Result format(const std::string& fmt, std::vector<Cell> args) {
  AwkString* f = stringNew1(fmt.data(), uint32_t(fmt.size()));
  const char* err = nullptr;
  AwkString* s = awk_asprintf(f, int(args.size()), args.data(), &err);
  Result r{std::string(s->text(), s->len), err ? err : ""};
  stringFree(s);
  stringFree(f);
  for (Cell& c : args)
    if (c.tag == Tag::String) stringFree(c.w.s);
  return r;
}

struct FormatCase {
  const char* fmt;
  std::vector<Cell> args;
  std::string expect;
  const char* err;
};

const char kFewer[] = "e:fewer arguments than print format specifications";
const char kIllegal[] = "e:illegal format string";
const char kUnrecognized[] = "e:unrecognized print format character";

TEST(Asprintf, FormatsAndTheirTexts) {
  // What the C library's snprintf does alike is checked by the differential
  // tests below; these rows are the engine's own.
  const std::string x(5000, 'x');
  const FormatCase cases[] = {
      // widths, flags, signs
      {"%05s", {S("ab")}, "000ab", ""}, {"%ld", {I(3)}, "3", ""},
      // C differs: "0" pads whatever the precision, a value always shows a
      // digit, "#" always adds its prefix, a precision cuts %c
      {"%08.3d", {I(5)}, "00000005", ""}, {"%.0d", {I(0)}, "0", ""}, {"%#x", {I(0)}, "0x0", ""},
      {"%#.3o", {I(8)}, "0010", ""}, {"%.0c", {I(65)}, "", ""},
      // integers in other bases
      {"%x", {I(-1)}, "ffffffff", ""}, {"%x", {I(0x12345)}, "12345", ""}, {"%b", {I(5)}, "101", ""},
      {"%#B", {I(5)}, "0B101", ""}, {"%08b", {I(5)}, "00000101", ""}, {"%u", {I(-1)}, "4294967295", ""},
      {"%+u", {I(5)}, "5", ""}, {"%x", {F(4294967295.0)}, "ffffffff", ""},
      {"%u", {S("3000000000")}, "3000000000", ""},
      // characters and strings
      {"%c", {I(256 + 66)}, "B", ""}, {"%c", {S("hello")}, "h", ""}, {"%c", {F(67.9)}, "C", ""},
      {"%5c|%-3c|", {I(65), I(66)}, "    A|B  |", ""},
      {"%s", {S(std::string("a\0b", 3))}, std::string("a\0b", 3), ""},
      {"%-6.2s|%4.3s|%.9s|", {S("abcd"), S("abcd"), S("abcd")}, "ab    | abc|abcd|", ""},
      {"%c", {S("")}, std::string("\0", 1), ""}, {"%s|%d", {U(), U()}, "|0", ""},
      {"%s", {F(3.14159265)}, "3.14159", ""}, {"%s", {I(-3)}, "-3", ""}, {"%d", {S("12abc")}, "12", ""},
      {"%d", {F(-3.9)}, "-3", ""},
      // floats
      {"%,2f", {F(3.5, 1)}, "3,50", ""}, {"%,f", {F(3.5, 1)}, "4", ""},  // "," is a precision mark too
      {"%,6f", {F(3.5, 1)}, "3,500000", ""}, {"%e", {F(0.0)}, "0.000000e+00", ""},
      {"%^e", {I(12345)}, "12.34500e+03", ""}, {"%^e", {F(0.00012345)}, "123.4500e-06", ""},
      {"%^e", {F(1.5)}, "1.500000e+00", ""}, {"%^E", {F(1234567.0)}, "1.234567E+06", ""},
      {"%g", {I(100000)}, "100000", ""}, {"%g", {I(1000000)}, "1e+06", ""},
      {"%g", {F(99999.95)}, "99999.9", ""},  // the double is just below .95
      {"%g", {F(0.0)}, "0", ""}, {"%,3g", {F(2.5, 1)}, "2,5", ""}, {"%z.4f", {F(2.5, 1)}, "2.5", ""},
      {"%z.4f", {F(2.0, 1)}, "2", ""}, {"%#z.4f", {F(2.0, 1)}, "2.", ""}, {"%ze", {F(1.5)}, "1.5e+00", ""},
      {"%m", {F(-1234.5, 1)}, "(1234.50)", ""}, {"%m", {I(12)}, " 12.00 ", ""},
      {"%.1m", {F(-0.25, 2)}, "(0.2)", ""}, {"%10m|", {F(-5.0, 0)}, "    (5.00)|", ""},
      {"%010m|", {F(-5.0, 0)}, "(00005.00)|", ""}, {"%.2f", {F(1e50)}, "1.00e+50", ""},
      {"%f", {F(1e60)}, "1.000000e+60", ""}, {"%f", {F(-1e60)}, "-1.000000e+60", ""},
      // fixed notation up to fifty integer digits: 2^165 has 50, 2^167 has 51
      {"%.2f", {F(std::ldexp(1.0, 165))}, "46768052394588893382517914646921056628989841375232.00", ""},
      {"%.2f", {F(std::ldexp(1.0, 167))}, "1.87e+50", ""},
      // the tolerant zero
      {"%g", {F(0.1 + 0.2 - 0.3, 1)}, "0", ""}, {"%f", {F(-0.0)}, "0.000000", ""},
      {"%e", {F(1e-30, 2)}, "0.000000e+00", ""}, {"%e", {F(1e-30)}, "1.000000e-30", ""},
      {"%.2f", {F(-0.001, 3)}, "-0.00", ""},
      // stars
      {"%*d|", {I(5), I(42)}, "   42|", ""}, {"%-*d|", {I(5), I(42)}, "42   |", ""},
      {"%*d|", {I(-5), I(42)}, "42   |", ""}, {"%.*f", {I(2), F(3.14159)}, "3.14", ""},
      {"%*.*f|", {I(8), I(3), F(3.14159)}, "   3.142|", ""}, {"%.*f", {I(-2), F(3.7)}, "4", ""},
      // long results grow the buffer
      {"<%3000d>", {I(7)}, std::string("<").append(2999, ' ') + "7>", ""},
      {"%s-%s", {S(x), S(x)}, x + "-" + x, ""},
      // literal text and percent signs
      {"100%%", {}, "100%", ""}, {"abc%", {}, "abc%", ""}, {"", {}, "", ""}, {"plain", {}, "plain", ""},
      // errors
      {"a%db%dc", {I(1)}, "a1b", kFewer}, {"%d", {}, "", kFewer}, {"%*d", {I(5)}, "", kFewer},
      {"%d", {I(1), I(2)}, "1", "n:too many arguments"}, {"x", {I(1)}, "x", "n:too many arguments"},
      {"a%yb", {I(1)}, "a", kUnrecognized}, {"%h", {I(1)}, "", kUnrecognized},
      {"%p", {I(1)}, "", kUnrecognized}, {"%5%", {I(1)}, "", kUnrecognized},
      {"ab%5", {I(1)}, "ab", kIllegal}, {"%5!d", {I(1)}, "", kIllegal},
      {"%2147480000d", {I(1)}, "", "w:output string too long, truncated"},
  };
  for (const FormatCase& c : cases) {
    SCOPED_TRACE(std::string("format \"") + c.fmt + "\"");
    EXPECT_EQ(format(c.fmt, c.args), (Result{c.expect, c.err}));
  }
}

TEST(Asprintf, PrecisionCapWarnsOncePerRun) {
  awk_printfreset();
  Result r;
  std::string err = tsupport::stderrOf([&] { r = format("%.60f", {I(1)}); });
  EXPECT_EQ(r.text, "1." + std::string(50, '0'));
  EXPECT_NE(err.find("printf/sprintf limited to 50 digits after decimal point"), std::string::npos) << err;
  err = tsupport::stderrOf([&] { r = format("%.55e", {I(1)}); });
  EXPECT_EQ(r.text, "1." + std::string(50, '0') + "e+00");
  EXPECT_EQ(err, "");
  r = format("%.60d|%.60s", {I(1), S("abc")});
  EXPECT_EQ(r.text, std::string(49, '0') + "1|abc");
}

template <typename... Args>
std::string cfmt(const char* fmt, Args... args) {
  char buf[600];
  int n = awk_sprintf(buf, fmt, args...);
  EXPECT_EQ(size_t(n), std::char_traits<char>::length(buf));
  return buf;
}

TEST(Vprint, CArguments) {
  EXPECT_EQ(cfmt("%d|%5d|%-5d|", -5, 42, 42), "-5|   42|42   |");
  EXPECT_EQ(cfmt("%x %X %o %b", 0x12345, -1, 0x10008, 0x30005), "2345 FFFF 10 101");  // 16 bits without l
  EXPECT_EQ(cfmt("%lx %lo", -1, 8), "ffffffff 10");
  EXPECT_EQ(cfmt("%h", -9), "-9");
  EXPECT_EQ(cfmt("[%s] [%.2s] [%4s]", "abc", "abc", "x"), "[abc] [ab] [   x]");
  EXPECT_EQ(cfmt("%s", static_cast<const char*>(nullptr)), "(null)");
  EXPECT_EQ(cfmt("%5.1f %g %e", 2.25, 1e6, -0.5), "  2.2 1e+06 -5.000000e-01");
  EXPECT_EQ(cfmt("%.1f", -0.0), "-0.0");
  EXPECT_EQ(cfmt("%c%c", 'o', 'k'), "ok");
  EXPECT_EQ(cfmt("100%% %q"), "100% q");
  EXPECT_EQ(cfmt("%s(line %d): %m", "f", 12, 3.5), "f(line 12):  3.50 ");
  char want[32];  // a pointer is full-width hex
  std::snprintf(want, sizeof want, "%lx", static_cast<unsigned long>(reinterpret_cast<uintptr_t>(want)));
  EXPECT_EQ(cfmt("%p", static_cast<void*>(want)), want);
  char* out = nullptr;   // and to a stream
  size_t len = 0;
  FILE* f = open_memstream(&out, &len);
  EXPECT_EQ(awk_fprintf(f, "%-4s|%04d|%+.1f", "ab", 7, 1.25), 14);
  std::fclose(f);
  EXPECT_EQ(std::string(out, len), "ab  |0007|+1.2");
  free(out);
}

std::string budgeted(int budget, const char* fmt, ...) {
  char buf[64];
  std::memset(buf, '#', sizeof buf);
  va_list ap;
  va_start(ap, fmt);
  int n = awk_vprint(fmt, ap, nullptr, buf, budget);
  va_end(ap);
  EXPECT_LT(n, budget);
  return std::string(buf, size_t(n)) + (buf[n] == 0 ? "" : "<no NUL>");
}

TEST(Vprint, BudgetStopsQuietly) {
  EXPECT_EQ(budgeted(10, "%s", "abcdefgh"), "abcdefgh");
  EXPECT_EQ(budgeted(9, "%s", "abcdefgh"), "");
  EXPECT_EQ(budgeted(9, "ab%5d", 1), "ab    1");
  EXPECT_EQ(budgeted(8, "ab%5d", 1), "ab");
  EXPECT_EQ(budgeted(9, "abcdefghijk"), "");
}

TEST(VprintDeathTest, MalformedSpecIsFatal) {
  EXPECT_EXIT(cfmt("%5"), testing::ExitedWithCode(2), "Bad printf format");
}

// Every digit count and sign against the C library.
TEST(LFormat, MatchesSnprintfAtEveryWidth) {
  std::vector<int32_t> values = {INT32_MIN, INT32_MIN + 1, INT32_MAX, -1, 0, 1};
  for (int64_t p = 1; p <= 1000000000; p *= 10)
    for (int64_t v : {p - 1, p, p + 1, 2 * p - 1, 5 * p + 3})
      if (v <= INT32_MAX) {
        values.push_back(int32_t(v));
        values.push_back(int32_t(-v));
      }
  for (int32_t v : values) {
    char buf[64], want[64];
    char* end = buf + sizeof buf;
    std::snprintf(want, sizeof want, "%d", v);
    EXPECT_EQ(std::string(awk_l_format(v, end, 1, 0, 0), end), want);
    std::snprintf(want, sizeof want, "%u", uint32_t(v));
    EXPECT_EQ(std::string(awk_l_format(v, end, 0, 0, 0), end), want);
  }
}

constexpr int kRounds = 60000;

template <typename T>
std::string cFormat(const std::string& fmt, T v) {
  char buf[1024];
  int n = std::snprintf(buf, sizeof buf, fmt.c_str(), v);
  return std::string(buf, size_t(n));
}

// A random conversion: flags from "-+ 0#", then an optional width and precision.
struct RandomConversion {
  std::string flags, text = "%";
  int precision = -1;
  char conv;

  RandomConversion(std::mt19937_64& rng, const char* convs) {
    for (char f : std::string("-+ 0#"))
      if (rng() % 4 == 0) flags += f;
    text += flags;
    if (rng() % 2) text += std::to_string(rng() % 25);
    if (rng() % 2) text.append(".").append(std::to_string(precision = int(rng() % 21)));
    conv = convs[rng() % std::char_traits<char>::length(convs)];
    text += conv;
  }
  bool has(char f) const { return flags.find(f) != std::string::npos; }
};

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
    RandomConversion s(rng, "diuxXo");
    int32_t v = randomInt(rng);
    // Left out: "0" with a precision still pads with zeros, precision 0
    // still shows the digit 0, and "#" always adds its prefix to o/x/X.
    if (s.has('0') && s.precision >= 0) continue;
    if (s.precision == 0 && v == 0) continue;
    if (s.has('#') && (s.conv == 'o' || s.conv == 'x' || s.conv == 'X')) {
      if (v == 0 || s.conv == 'o') continue;
    }
    const std::string& fmt = s.text;
    // C's unsigned conversions take the same 32-bit pattern.
    ASSERT_EQ(format(fmt, {I(v)}), (Result{cFormat(fmt, v), ""})) << "format " << fmt << " value " << v;
    ++compared;
  }
  EXPECT_GT(compared, kRounds / 2);
}

TEST(PrintfDifferential, FloatConversions) {
  std::mt19937_64 rng(67890);
  int compared = 0;
  for (int i = 0; i < kRounds; ++i) {
    RandomConversion s(rng, "eEfgG");
    double v = randomDouble(rng);
    if (s.conv == 'f' && std::fabs(v) >= 1e49) continue;  // 51 integer digits: exponent form
    const std::string& fmt = s.text;
    ASSERT_EQ(format(fmt, {F(v)}), (Result{cFormat(fmt, v), ""})) << "format " << fmt << " value " << v;
    ++compared;
  }
  EXPECT_GT(compared, kRounds * 9 / 10);
}

}  // namespace

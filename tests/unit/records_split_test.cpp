// The splitting engine in every mode, into the field table and into an
// array: default blanks, one byte, every byte, a separator pattern (from a
// string and from a regular-expression value), the number 0, and FPAT.
#include "records_fixture.h"

using namespace rectest;

namespace {

enum class Sep { Text, Regex, Zero };

struct SplitCase {
  const char* name;
  Sep kind;
  const char* fs;     // FS text (Text, Regex); FPAT when fpat is set
  bool fpat;
  std::string input;
  std::vector<std::string> want;
};

const std::vector<SplitCase> kCases = {
    // Default splitting: runs of blanks, tabs and newlines; no empty fields.
    {"blanks", Sep::Text, " ", false, "  two\t words  ", {"two", "words"}},
    {"blanks-all-kinds", Sep::Text, " ", false, "a\nb\vc\fd\re", {"a", "b", "c", "d", "e"}},
    {"blanks-empty", Sep::Text, " ", false, "", {}},
    {"blanks-only", Sep::Text, " ", false, " \t \n", {}},
    {"blanks-long", Sep::Text, " ", false, "  alpha beta\tgamma   delta epsilon\r\nzeta eta  theta iota kappa  ",
     {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa"}},
    {"blanks-field-across-chunks", Sep::Text, " ", false, std::string(15, ' ') + std::string(40, 'w') + " x",
     {std::string(40, 'w'), "x"}},
    {"blanks-high-bytes", Sep::Text, " ", false, "a\xA0" "b \x85x", {"a\xA0" "b", "\x85x"}},
    {"blanks-nul-is-data", Sep::Text, " ", false, std::string("a\0b c", 5), {std::string("a\0b", 3), "c"}},
    // One byte: every occurrence ends a field; the tail is a field.
    {"colon", Sep::Text, ":", false, "a::b:", {"a", "", "b", ""}},
    {"colon-empty", Sep::Text, ":", false, "", {}},
    {"colon-none", Sep::Text, ":", false, "abc", {"abc"}},
    {"tab-is-one-byte", Sep::Text, "\t", false, "a\t\tb c", {"a", "", "b c"}},
    {"regex-metachar-as-byte", Sep::Text, "|", false, "x|y", {"x", "y"}},
    // Every byte a field.
    {"each-byte", Sep::Text, "", false, "abc", {"a", "b", "c"}},
    {"each-byte-empty", Sep::Text, "", false, "", {}},
    // A pattern from a longer string.
    {"pattern", Sep::Text, "[,;]+", false, "a,;b;c", {"a", "b", "c"}},
    {"pattern-leading", Sep::Text, ", *", false, ", a, b", {"", "a", "b"}},
    {"pattern-trailing", Sep::Text, ", *", false, "a, b, ", {"a", "b", ""}},
    {"pattern-empty-text", Sep::Text, "ab", false, "", {}},
    {"pattern-never-empty", Sep::Text, "x*", false, "axxb", {"a", "b"}},
    // A regular-expression value.
    {"regex-value", Sep::Regex, "[0-9]+", false, "a12b3c", {"a", "b", "c"}},
    // The number 0 without FPAT splits at the byte '0'.
    {"number-zero", Sep::Zero, nullptr, false, "10203", {"1", "2", "3"}},
    // FPAT: the fields are the matches.
    {"fpat-empty-between", Sep::Text, "[^,]*", true, "a,,b", {"a", "", "b"}},
    {"fpat-words", Sep::Text, "[a-z]+", true, "12ab 3cd4", {"ab", "cd"}},
    {"fpat-trailing-empty", Sep::Text, "[^,]*", true, "a,", {"a", ""}},
    {"fpat-empty-text", Sep::Text, "[^,]*", true, "", {""}},
    {"fpat-no-match", Sep::Text, "[0-9]+", true, "abc", {}},
    {"fpat-quoted", Sep::Text, "([^,]+)|(\"[^\"]+\")", true, "a,\"b,c\",d", {"a", "\"b,c\"", "d"}},
};

Cell sepCell(const SplitCase& c) {
  switch (c.kind) {
    case Sep::Zero:
      return intCell(0);
    case Sep::Regex: {
      Cell r{};
      r.tag = Tag::Regex;
      r.w.re = awk_regcomp(c.fs, int32_t(std::strlen(c.fs)), 0);
      return r;
    }
    default:
      return strCell(c.fs);
  }
}

class SplitTest : public RecordsTest {};

TEST_F(SplitTest, FieldTableInEveryMode) {
  for (const SplitCase& c : kCases) {
    SCOPED_TRACE(c.name);
    if (c.fpat) {
      assign(pv::FS, intCell(0));   // no note about both being active
      assign(pv::FPAT, c.fs);
    } else {
      assign(pv::FPAT, intCell(0));
      assign(pv::FS, sepCell(c));
    }
    setRecord(c.input);
    std::string err = stderrOf([&] { EXPECT_EQ(fields(), c.want); });
    EXPECT_EQ(err, "");
  }
}

// Default splitting into the field table works sixteen bytes at a time;
// into an array it goes byte by byte. Both must cut every text alike,
// whatever bytes sit at the chunk edges.
TEST_F(SplitTest, DefaultSplitAgreesWithTheBytewiseSplitOnRandomText) {
  const std::string alphabet = std::string(" \t\n\v\f\rab\x08\x0e\x1f\x80\xff\x85\xa0", 15) + '\0';
  uint32_t seed = 12345;
  auto next = [&] { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; };
  for (int round = 0; round < 2000; ++round) {
    std::string text;
    size_t len = next() % 90;
    for (size_t k = 0; k < len; ++k) text += alphabet[next() % alphabet.size()];
    setRecord(text);
    std::vector<std::string> table = fields();
    AwkTable* t = awk_sanew(8);
    AwkString* s = stringNew1(text.data(), uint32_t(text.size()));
    Cell fs = strCell(" ");
    int32_t n = awk_make_fields(s, t, &fs, nullptr);
    ASSERT_EQ(table, elements(t, n)) << "round " << round;
    awk_unaccess(&fs);
    stringFree(s);
    awk_safree(t);
  }
}

TEST_F(SplitTest, BothFsAndFpatNoteOnce) {
  assign(pv::FS, ",");
  assign(pv::FPAT, "[a-z]+");
  setRecord("ab,cd");
  std::string err = stderrOf([] { EXPECT_EQ(fields(), (std::vector<std::string>{"ab", "cd"})); });
  EXPECT_NE(err.find("Both FS and FPAT active: only FPAT will be used"), std::string::npos) << err;
  setRecord("x y");
  err = stderrOf([] { EXPECT_EQ(nf(), 2); });
  EXPECT_EQ(err, "");   // shown once until FS or FPAT is assigned again
  assign(pv::FS, ":");
  setRecord("x");
  err = stderrOf([] { EXPECT_EQ(nf(), 1); });
  EXPECT_NE(err.find("Both FS and FPAT"), std::string::npos);
}

}  // namespace

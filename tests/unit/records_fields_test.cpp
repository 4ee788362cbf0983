// Fields and the record where AWK cases cannot reach; the splitting engine in
// every mode, into the field table and into an array (default blanks, one
// byte, every byte, a pattern from a string or a regular-expression value, the
// number 0, FPAT); the handlers of RS, FPAT, RECLEN and the generic ones.
#include <cerrno>

#include "records_fixture.h"
#include "regex/accel.h"

using namespace rectest;

namespace {

using Strings = std::vector<std::string>;

using FieldsTest = RecordsTest;

TEST_F(FieldsTest, FieldsOfAnEarlierRecordNeverComeBack) {
  setRecord("a b c d");
  EXPECT_EQ(nf(), 4);   // split, but no field read
  setRecord("x");
  EXPECT_EQ(field(3), "");
  assign(pv::NF, intCell(3));
  EXPECT_EQ(record(), "x  ");
  setRecord("1 2 3 4 5");
  assign(pv::NF, intCell(2));
  setRecord("y");
  assign(pv::NF, intCell(4));
  EXPECT_EQ(fields(), (Strings{"y", "", "", ""}));
}

// The next record takes $0's object only when the field table alone holds
// it; a copy the program keeps, of $0 or of a field, keeps its text.
TEST_F(FieldsTest, NextRecordReusesOnlyAnUnsharedRecord) {
  setRecord("first record here");
  EXPECT_EQ(field(2), "record");   // split: the split holds $0 too
  Cell kept0{}, kept2{};
  awk_getfield(0, &kept0);
  awk_getfield(2, &kept2);
  AwkString* r = awk_nextrecord("second", 6);
  EXPECT_NE(r, kept0.w.s);
  Cell c{};
  cellSetHead(&c, Tag::Field);
  c.w.s = r;
  awk_setfield(0, &c);
  EXPECT_EQ(fields(), (Strings{"second"}));
  AwkString* again = awk_nextrecord("third one", 9);
  EXPECT_EQ(again, r);
  c.w.s = again;
  awk_setfield(0, &c);
  EXPECT_EQ(fields(), (Strings{"third", "one"}));
  EXPECT_EQ(std::string(kept0.w.s->view()) + "|" + std::string(kept2.w.s->view()),
            "first record here|record");
  awk_unaccess(&kept0);
  awk_unaccess(&kept2);
}

TEST_F(FieldsTest, OutOfRangeIndicesAreEmptyAndAssignNothing) {
  setRecord("a");
  for (auto [index, message] : {std::pair{-1, "Out of range field reference: $-1"},
                                {kMaxFields + 1, "Out of range field reference: $50000001"}}) {
    Cell out{};
    std::string err = stderrOf([&] { EXPECT_EQ(awk_getfield(index, &out), kMaxFields); });
    EXPECT_NE(err.find(message), std::string::npos) << err;
    EXPECT_TRUE(cellIsStringy(&out));
    EXPECT_EQ(take(out), "");
  }
  Cell v = strCell("z");
  std::string err = stderrOf([&] { awk_setfield(-5, &v); });
  EXPECT_NE(err.find("Out of range field assignment: $-5"), std::string::npos) << err;
  EXPECT_EQ(nf(), 1);
}

TEST_F(FieldsTest, InvalidNfAssignmentsAreErrorsWithReplacements) {
  for (int32_t bad : {0, -3}) {
    setRecord("a b");
    std::string err = stderrOf([&] { assign(pv::NF, intCell(bad)); });
    EXPECT_NE(err.find("invalid assignment to NF"), std::string::npos) << err;
    EXPECT_EQ(nf(), 1);
  }
}

TEST_F(FieldsTest, StringAddTruncatesAtMax) {
  AwkString* d = stringInit(8);
  d->len = 0;
  AwkString* s = stringNew("abcdef");
  for (int i = 0; i < 2; ++i) awk_stringAdd(d, s, 8);
  EXPECT_EQ(std::string(d->view()), "abcdefab");
  EXPECT_EQ(d->text()[8], '\0');
  stringFree(s);
  stringFree(d);
}

TEST_F(FieldsTest, RsAssignmentsSetTheSeparatorState) {
  struct RsCase { const char* name; Cell value; int rschar; const char* readBack; } cases[] = {
      {"newline", strCell("\n"), '\n', "\n"}, {"one-byte", strCell(";"), ';', ";"},
      {"empty-paragraph", strCell(""), kRsParagraph, ""}, {"number-zero", intCell(0), kRsNone, "0"},
      {"pattern", strCell("a+b"), kRsPattern, "a+b"}, {"float-as-text", tsupport::floatCell(5.0, 0), '5', "5"},
  };
  for (RsCase& c : cases) {
    SCOPED_TRACE(c.name);
    assign(pv::RS, c.value);
    EXPECT_EQ(awk_rschar, c.rschar);
    EXPECT_EQ(awk_rspat != nullptr, c.rschar == kRsPattern);
    EXPECT_EQ(readText(pv::RS), c.readBack);
  }
  std::string err = stderrOf([] { assign(pv::RS, intCell(5)); });
  EXPECT_NE(err.find("RS disabled by numeric assignment"), std::string::npos) << err;
  EXPECT_EQ(awk_rschar, kRsNone);
  EXPECT_EQ(readInt(pv::RS), 5);
}

TEST_F(FieldsTest, RsAndRawmodeUseTurnsTheFastPathOff) {
  for (auto [name, var, used] : {std::tuple{"RECLEN", pv::RECLEN, false}, {"RS", pv::RS, true},
                                  {"RAWMODE", pv::RAWMODE, true}}) {
    awk_miscflags &= ~kMiscRsUsed;
    readText(var);
    EXPECT_EQ((awk_miscflags & kMiscRsUsed) != 0, used) << name;
  }
}

TEST_F(FieldsTest, FpatAssignments) {
  assign(pv::FPAT, "[0-9]+");
  EXPECT_NE(awk_fpatere, nullptr);
  EXPECT_EQ(readText(pv::FPAT), "[0-9]+");
  assign(pv::FPAT, "");
  EXPECT_EQ(awk_fpatere, nullptr);
  std::string err = stderrOf([&] { assign(pv::FPAT, tsupport::floatCell(1.5, 1)); });
  EXPECT_NE(err.find("invalid assignment to FPAT"), std::string::npos) << err;
  EXPECT_EQ(awk_fpatere, nullptr);
  EXPECT_EQ(readText(pv::FPAT), "1.5");
}

TEST_F(FieldsTest, ReclenRejectsOutOfRangeValues) {
  for (int32_t bad : {0, -4}) {
    awk_reclen = 10;
    std::string err = stderrOf([&] { assign(pv::RECLEN, intCell(bad)); });
    EXPECT_NE(err.find("Invalid RECLEN value; RECLEN set to 2147480000"), std::string::npos) << err;
    EXPECT_EQ(awk_reclen, kNoLimit);
  }
  assign(pv::RECLEN, intCell(10));
  EXPECT_EQ(readInt(pv::RECLEN), 10);
}

TEST_F(FieldsTest, GenericHandlers) {
  assign(pv::NR, intCell(41));
  EXPECT_EQ(awk_nr, 41);
  EXPECT_EQ(readInt(pv::NR), 41);
  assign(pv::SUBSEP, intCell(12));   // strings take any value as text
  EXPECT_EQ(std::string(awk_subsep->view()), "12");
  assign(pv::SUBSEP, "\034");
  errno = 0;
  assign(pv::ERRNO, intCell(ENOENT));
  EXPECT_EQ(errno, ENOENT);
  EXPECT_EQ(readInt(pv::ERRNO_OS), ENOENT);
  // PROGFN is the shared empty string, whatever is assigned.
  assign(pv::PROGFN, "x");
  EXPECT_EQ(readText(pv::PROGFN), "");
  EXPECT_EQ(string_empty->len, 0u);
  // Read-only variables ignore assignments.
  assign(pv::STACKAVAIL, intCell(5));
  int32_t sa = readInt(pv::STACKAVAIL);
  EXPECT_GT(sa, 0);
  EXPECT_LE(sa, 1000000);
  EXPECT_GE(readInt(pv::MEMAVAIL), 1024);
}

enum class Sep { Text, Regex, Zero };

// fs: the FS text (Text, Regex), or FPAT when fpat is set.
struct SplitCase { const char* name; Sep kind; const char* fs; bool fpat; std::string input; Strings want; };

const std::vector<SplitCase> kCases = {
    // Default splitting: runs of blanks, tabs and newlines; no empty fields.
    {"blanks", Sep::Text, " ", false, "  two\t words  ", {"two", "words"}},
    {"blanks-all-kinds", Sep::Text, " ", false, "a\nb\vc\fd\re", {"a", "b", "c", "d", "e"}},
    {"blanks-empty", Sep::Text, " ", false, "", {}}, {"blanks-only", Sep::Text, " ", false, " \t \n", {}},
    {"blanks-long", Sep::Text, " ", false, "  alpha beta\tgamma   delta epsilon\r\nzeta eta  theta iota kappa  ",
     {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota", "kappa"}},
    {"blanks-field-across-chunks", Sep::Text, " ", false, std::string(15, ' ') + std::string(40, 'w') + " x",
     {std::string(40, 'w'), "x"}},
    {"blanks-high-bytes", Sep::Text, " ", false, "a\xA0" "b \x85x", {"a\xA0" "b", "\x85x"}},
    {"blanks-nul-is-data", Sep::Text, " ", false, std::string("a\0b c", 5), {std::string("a\0b", 3), "c"}},
    // One byte: every occurrence ends a field; the tail is a field.
    {"colon", Sep::Text, ":", false, "a::b:", {"a", "", "b", ""}},
    {"colon-empty", Sep::Text, ":", false, "", {}}, {"colon-none", Sep::Text, ":", false, "abc", {"abc"}},
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

Cell regexCell(const char* pattern) {
  Cell r{};
  r.tag = Tag::Regex;
  r.w.re = awk_regcomp(pattern, int32_t(std::strlen(pattern)), 0);
  return r;
}

Cell sepCell(const SplitCase& c) {
  return c.kind == Sep::Zero ? intCell(0) : c.kind == Sep::Regex ? regexCell(c.fs) : strCell(c.fs);
}

// The pieces awk_make_fields cuts text into, as split() stores them.
Strings splitToArray(const std::string& text, Cell* fs) {
  AwkString* s = stringNew1(text.data(), uint32_t(text.size()));
  AwkTable* t = awk_sanew(8);
  Strings pieces = elements(t, awk_make_fields(s, t, fs, nullptr));
  awk_safree(t);
  stringFree(s);
  return pieces;
}

// Random texts over an alphabet, the same on every run.
struct RandomText {
  uint32_t seed;
  uint32_t next() { return seed = seed * 1103515245u + 12345u, (seed >> 16) & 0x7FFF; }
  std::string operator()(const std::string& alphabet, size_t maxLen) {
    std::string text;
    for (size_t k = next() % maxLen; k > 0; --k) text += alphabet[next() % alphabet.size()];
    return text;
  }
};

using SplitTest = RecordsTest;

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
  RandomText random{12345};
  Cell fs = strCell(" ");
  for (int round = 0; round < 2000; ++round) {
    std::string text = random(alphabet, 90);
    setRecord(text);
    ASSERT_EQ(fields(), splitToArray(text, &fs)) << "round " << round;
  }
  awk_unaccess(&fs);
}

// A pattern whose matches are runs of one byte class is cut at those runs
// directly once a first search has analysed it; the matcher must agree on
// every text, runs at either end and empty texts included.
TEST_F(SplitTest, ByteRunPatternsSplitAsTheMatcherDoes) {
  RandomText random{777};
  for (const char* pat : {"[^a-z0-9]+", "[ab]+", "[ ,\t]+", "0+", "[^a]+"}) {
    Cell fs = regexCell(pat);
    splitToArray("a,b", &fs);   // analyses the pattern
    ASSERT_NE(awk_rerunset(fs.w.re), nullptr) << pat;
    for (int round = 0; round < 500; ++round) {
      std::string text = random("ab01 ,\t\xe9", 24);
      Strings direct = splitToArray(text, &fs);
      accelEnable(false);
      Strings matched = splitToArray(text, &fs);
      accelEnable(true);
      ASSERT_EQ(direct, matched) << pat << " on \"" << text << "\"";
    }
    awk_unaccess(&fs);
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

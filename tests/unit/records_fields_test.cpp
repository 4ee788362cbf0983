// Fields and the record where AWK cases cannot reach, and the handlers of
// the special variables RS, FPAT, RECLEN and the generic ones.
#include <cerrno>

#include "records_fixture.h"

using namespace rectest;

namespace {

using Strings = std::vector<std::string>;

class FieldsTest : public RecordsTest {};

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
  awk_miscflags &= ~kMiscRsUsed;
  readInt(pv::RECLEN);
  EXPECT_EQ(awk_miscflags & kMiscRsUsed, 0);
  readText(pv::RS);
  EXPECT_NE(awk_miscflags & kMiscRsUsed, 0);
  awk_miscflags &= ~kMiscRsUsed;
  readInt(pv::RAWMODE);
  EXPECT_NE(awk_miscflags & kMiscRsUsed, 0);
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

}  // namespace

// Shared set-up for the record, field and special-variable tests: the
// shared strings, the field table, default separators, and helpers that
// set FS/FPAT/RS through their handlers and read fields back as text.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrays/table.h"
#include "diag/oops.h"
#include "image/format.h"
#include "io/fields.h"
#include "io/globals.h"
#include "io/record.h"
#include "io/specvars.h"
#include "regex/regex.h"
#include "test_support.h"

namespace rectest {

namespace pv = vorn::image::pv;

using tsupport::intCell;
using tsupport::stderrOf;
using tsupport::strCell;

// A cell's text; the cell is released.
inline std::string take(Cell c) {
  AwkString* s = awk_a2s_unacc(&c);
  std::string r(s->view());
  stringFree(s);
  return r;
}

// Assigns a special variable through its handler; the cell is released.
inline void assign(int idx, Cell c) {
  ASSERT_TRUE(awk_pvset(idx, &c));
  awk_unaccess(&c);
}
inline void assign(int idx, const std::string& s) { assign(idx, strCell(s)); }

// Reads a special variable as text, or as a number.
inline std::string readText(int idx) {
  Cell c{};
  EXPECT_TRUE(awk_pvget(idx, &c));
  return take(c);
}
inline int32_t readInt(int idx) { return std::stoi(readText(idx)); }

// Installs text as a new $0, as the record loop does.
inline void setRecord(const std::string& text) {
  Cell c{};
  c.tag = Tag::Field;
  c.w.s = stringNew1(text.data(), uint32_t(text.size()));
  awk_setfield(0, &c);
}

inline std::string field(int32_t i) {
  Cell c{};
  awk_getfield(i, &c);
  return take(c);
}
inline std::string record() {
  AwkString* s = awk_get0();
  std::string r(s->view());
  stringFree(s);
  return r;
}
inline int32_t nf() { return readInt(pv::NF); }

// All fields 1..NF.
inline std::vector<std::string> fields() {
  std::vector<std::string> v;
  int32_t n = nf();
  for (int32_t i = 1; i <= n; ++i) v.push_back(field(i));
  return v;
}

// Elements 1..n of an array table as text.
inline std::vector<std::string> elements(AwkTable* t, int32_t n) {
  std::vector<std::string> v;
  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = t;
  for (int32_t i = 1; i <= n; ++i) {
    Cell e{};
    bool found = awk_getarray(&arr, i, &e);
    EXPECT_TRUE(found && e.tag == Tag::Field) << "element " << i;
    v.push_back(found ? take(e) : "<missing>");
  }
  return v;
}

// Start-up of the layers these tests use, once per test program.
class RecordsEnvironment : public ::testing::Environment {
 public:
  void SetUp() override {
    awk_debuge = 1;   // E errors report and return
    if (!string_empty) string_empty = stringNew("");
    awk_convinit();
    awk_fieldinit();
    awk_varinit();
  }
};

inline auto* const kRecordsEnvironment = ::testing::AddGlobalTestEnvironment(new RecordsEnvironment);

// Each test starts from the default separators and an empty record.
class RecordsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    assign(pv::FS, " ");
    assign(pv::FPAT, intCell(0));
    assign(pv::RS, "\n");
    assign(pv::OFS, " ");
    awk_reclen = kNoLimit;
    awk_rawmode = 7;
    setRecord("");
  }
};

}  // namespace rectest

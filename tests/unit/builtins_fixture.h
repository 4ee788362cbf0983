// Cells and calls for the builtin library's tests: argument cells of each
// type, a result cell installed as awk_retval, and readers of results.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "test_support.h"

namespace btest {

inline Cell str(const std::string& s) { return tsupport::strCell(s); }

inline Cell field(const std::string& s) {
  Cell c = str(s);
  c.tag = Tag::Field;
  return c;
}

inline Cell num(int32_t v) { return tsupport::intCell(v); }
inline Cell flt(double v, int16_t dec = kUnlimitedDecimals) { return tsupport::floatCell(v, dec); }

inline Cell newArray() {
  Cell c{};
  c.tag = Tag::Array;
  c.w.t = awk_sanew(4);
  return c;
}

using tsupport::text;

inline void drop(Cell* c) {
  if (c->tag > Tag::Float) awk_unaccess(c);
  cellSetUninit(c);
}

// Runs one builtin the way the interpreter does: a fresh uninitialized
// result, the argument cells, and afterwards whatever is left in them
// released. Returns the result cell (owned by the caller).
inline Cell call(BuiltinFn fn, std::vector<Cell> args) {
  Cell result{};
  cellSetUninit(&result);
  Cell* saved = awk_retval;
  awk_retval = &result;
  fn(int(args.size()), args.data());
  awk_retval = saved;
  for (Cell& a : args) drop(&a);
  return result;
}

inline std::string callText(BuiltinFn fn, std::vector<Cell> args) {
  Cell r = call(fn, std::move(args));
  std::string out = text(r);
  drop(&r);
  return out;
}

// An int result (the test fails on any other tag).
inline int32_t callInt(BuiltinFn fn, std::vector<Cell> args) {
  Cell r = call(fn, std::move(args));
  EXPECT_EQ(int(r.tag), int(Tag::Int));
  int32_t v = r.tag == Tag::Int ? r.w.i : -999999;
  drop(&r);
  return v;
}

class BuiltinTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!string_empty) string_empty = stringNew("");
    awk_convinit();
  }
};

}  // namespace btest

// Shared set-up for the getline, stream-builtin and process tests: the
// stream table of io_fixture.h (a private temporary working directory and
// the three standard records), plus calls of builtins the way the
// interpreter makes them and readers of their results.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins/btable.h"
#include "interp/interp.h"
#include "io/record.h"
#include "io_fixture.h"

namespace stest {

using iotest::drop;
using iotest::fileidCell;
using iotest::intCell;
using iotest::readFile;
using iotest::strCell;
using iotest::writeFile;

class StreamsEnvironment : public iotest::IoEnvironment {
 public:
  void SetUp() override {
    if (!string_empty) string_empty = stringNew("");
    iotest::IoEnvironment::SetUp();
  }
};

inline Cell fltCell(double v) {
  Cell c{};
  cellSetFloat(&c, v, kUnlimitedDecimals);
  return c;
}

// A reference to a plain cell, as `getline var` passes its target.
inline Cell localRef(Cell* target) {
  Cell c{};
  c.tag = Tag::Ref;
  c.aux8a = uint8_t(RefKind::Local);
  c.w.cell = target;
  return c;
}

// Runs a builtin on owned argument cells; returns its result cell (owned
// by the caller). Whatever is left in the arguments is released.
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

// An int result; the test fails on any other tag.
inline int32_t callInt(BuiltinFn fn, std::vector<Cell> args) {
  Cell r = call(fn, std::move(args));
  EXPECT_EQ(int(r.tag), int(Tag::Int));
  int32_t v = r.tag == Tag::Int ? r.w.i : -999999;
  drop(&r);
  return v;
}

using tsupport::text;

// A string result's bytes; the test fails on any other tag.
inline std::string callText(BuiltinFn fn, std::vector<Cell> args) {
  Cell r = call(fn, std::move(args));
  EXPECT_EQ(int(r.tag), int(Tag::String));
  std::string out = text(r);
  drop(&r);
  return out;
}

// getline var < source: the result, the target's text in *value and the
// target's tag in *tag (both optional).
inline int32_t getlineFrom(Cell source, std::string* value = nullptr, Tag* tag = nullptr) {
  Cell target{};
  cellSetString(&target, stringNew("stale"));
  int32_t r = callInt(b_getline, {localRef(&target), source});
  if (value) *value = text(target);
  if (tag) *tag = target.tag;
  drop(&target);
  return r;
}

inline int32_t getlineFrom(const std::string& name, std::string* value = nullptr) {
  return getlineFrom(strCell(name), value);
}

// A fileid of the command's pipe, as `cmd | getline` makes it.
inline Cell pipeFrom(const std::string& cmd) {
  Cell r = call(b___pipeopen, {strCell(cmd), intCell(0)});
  return r;
}

using tsupport::stderrOf;

inline bool contains(const std::string& hay, const std::string& needle) {
  return hay.find(needle) != std::string::npos;
}

}  // namespace stest

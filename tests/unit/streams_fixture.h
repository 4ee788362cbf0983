// Shared set-up for the getline, stream-builtin and process tests: the
// stream table of io_fixture.h (a private temporary working directory and
// the three standard records), the builtin calls of builtins_fixture.h,
// and readers of getline's results.
#pragma once
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "builtins_fixture.h"
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

inline Cell fltCell(double v) { return tsupport::floatCell(v); }

using btest::call;
using btest::callInt;
using btest::callText;
using tsupport::localRef;
using tsupport::text;

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

using tsupport::stderrOf;

inline bool contains(const std::string& hay, const std::string& needle) {
  return hay.find(needle) != std::string::npos;
}

}  // namespace stest

// Helpers every unit test may need: value cells built from C++ values, and a
// hook that catches the end of the run (awk_exithook) so a test can look at
// the exit status instead of losing its process.
#pragma once
#include <gtest/gtest.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "values/cell.h"
#include "values/convert.h"
#include "values/strobj.h"

namespace tsupport {

inline Cell strCell(const std::string& s) {
  Cell c{};
  cellSetString(&c, stringNew1(s.data(), uint32_t(s.size())));
  return c;
}
inline Cell intCell(int32_t v) {
  Cell c{};
  cellSetInt(&c, v);
  return c;
}
inline Cell floatCell(double v, int16_t dec = kUnlimitedDecimals) {
  Cell c{};
  cellSetFloat(&c, v, dec);
  return c;
}

// A reference to a plain cell, as `getline var` or an output argument
// passes its target.
inline Cell localRef(Cell* target) {
  Cell c{};
  c.tag = Tag::Ref;
  c.aux8a = uint8_t(RefKind::Local);
  c.w.cell = target;
  return c;
}

// A cell's value as text, through the string conversion.
inline std::string text(const Cell& c) {
  AwkString* s = awk_a2s(&c);
  std::string out(s->view());
  stringFree(s);
  return out;
}

// Runs f with standard error captured; returns what was written.
template <typename F>
std::string stderrOf(F f) {
  std::fflush(stderr);
  testing::internal::CaptureStderr();
  f();
  std::fflush(stderr);
  return testing::internal::GetCapturedStderr();
}

// A whole file's bytes ("" when it cannot be read).
inline std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Set awk_exithook = exitHook and setjmp(exitJump): a run that ends comes
// back there with its status in exitStatus.
inline std::jmp_buf exitJump;
inline int exitStatus;
inline void exitHook(int status) {
  exitStatus = status;
  std::longjmp(exitJump, 1);
}

}  // namespace tsupport

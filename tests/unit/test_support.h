// Helpers every unit test may need: value cells built from C++ values, and a
// hook that catches the end of the run (awk_exithook) so a test can look at
// the exit status instead of losing its process.
#pragma once
#include <csetjmp>
#include <cstdint>
#include <string>

#include "values/cell.h"
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

// Set awk_exithook = exitHook and setjmp(exitJump): a run that ends comes
// back there with its status in exitStatus.
inline std::jmp_buf exitJump;
inline int exitStatus;
inline void exitHook(int status) {
  exitStatus = status;
  std::longjmp(exitJump, 1);
}

}  // namespace tsupport

// Numeric constants as the run-time's number scanner reads them. A constant
// in a program must behave exactly like the same text scanned at run time:
// the same choice between int and float, the same value and the same
// decimals count (the number of decimal places the float is known to carry).
#pragma once
#include <cstdint>
#include <string_view>

namespace vorn::compiler {

// The decimals count that stands for "unlimited"; no float carries more.
inline constexpr int kUnlimitedDecimals = 400;

struct NumberScan {
  bool numeric = false;   // the whole text (after leading blanks) is a number
  bool isInt = false;     // an int cell (else a float)
  int32_t intValue = 0;
  double floatValue = 0;
  int decimals = 0;       // floats only
  bool hexTooLong = false;     // more than 8 significant hex digits
  bool tooManyDigits = false;  // more than 15 significant digits
  bool outOfRange = false;     // exponent out of range and the value 0 or not finite
};

// Scans `text` the way the run-time does: blanks and tabs first, a sign,
// "0x" hex, else decimal digits with one "." or "," separator and one
// exponent. Never reads past the view.
NumberScan scanNumber(std::string_view text);

}  // namespace vorn::compiler

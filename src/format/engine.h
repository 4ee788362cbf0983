// Internals shared by the two faces of the printf engine: float digit
// generation and field justification.
#pragma once
#include <cstdint>
#include <cstdio>

#include "format/printf.h"

// Significant digits of a finite, non-negative value, correctly rounded:
// `n` digits (1..kMaxSig) and the position of the decimal point relative to
// the first digit (12.5 with 3 digits is "125", decpt 2). Zero has decpt 1.
inline constexpr int kMaxSig = 60;
struct FloatDigits {
  char d[kMaxSig + 1];
  int n;
  int decpt;
};
void awk_ecvt(double v, int n, FloatDigits* out);

// Fixed notation of a finite, non-negative value with `decimals` places
// (0..50), as "int.frac" (no point when decimals is 0). Writes into buf
// (at least kFixedBufSize bytes); returns the length.
inline constexpr int kFixedBufSize = 400;
int awk_fcvt(double v, int decimals, char* buf);

// How one converted text is laid out in its field.
struct JustInfo {
  uint32_t len;      // text bytes written
  uint32_t pad;      // pad characters
  uint32_t preflen;  // text bytes that go before a zero fill
  bool left;
};
JustInfo awk_justinfo(const char* text, uint32_t len, const Conversion* conv);

// Destination of the output: a growable byte buffer.
struct OutBuf {
  char* data;
  uint32_t len;
  uint32_t room;
  char* heap;        // data when it was allocated here, else null
};
// Writes the laid-out text into `out` (which must have room).
void awk_outputjust(const char* text, const Conversion* conv, const JustInfo& j, OutBuf* out);
// Writes the laid-out text to a stream.
void awk_outputjust(const char* text, const Conversion* conv, const JustInfo& j, FILE* stream);

// True for the conversions whose text is cut by the precision.
inline bool cvtIsText(int conv) { return conv == 's' || conv == 'S' || conv == 'c' || conv == 'C'; }

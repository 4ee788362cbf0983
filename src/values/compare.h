// Comparison and truth of value cells.
#pragma once
#include <cstdint>

#include "image/opcodes.h"
#include "values/cell.h"

// Bits of a comparison class.
inline constexpr int kCmpInt = 1;
inline constexpr int kCmpFloat = 2;
inline constexpr int kCmpMayString = 4;
inline constexpr int kCmpString = 8;
inline constexpr int kCmpUninit = 16;

// Operator codes of the compare instruction, as images carry them.
inline constexpr int kOpLt = vorn::image::cmp::kLess, kOpLe = vorn::image::cmp::kLessEqual,
                     kOpGt = vorn::image::cmp::kGreater, kOpGe = vorn::image::cmp::kGreaterEqual,
                     kOpEq = vorn::image::cmp::kEqual, kOpNe = vorn::image::cmp::kNotEqual;

// Comparison class of each tag (0..13).
extern const uint8_t awk_cmptypes[14];

// Comparison class of a cell; a field that scans as a number adds 1 or 2.
int awk_basetype(const Cell* c);

// Sign of left minus right under AWK's rules (numeric or text per pair of
// classes). Cells are read, not consumed. May raise comparison notes.
int awk_cmp_any(int op, const Cell* right, const Cell* left);

// A pattern value used as a condition matches $0: the record layer, which
// owns $0, sets this; unset, a pattern is false.
struct AwkPattern;
extern int (*awk_recordmatch)(AwkPattern* re);

// Non-zero when the value is true (may be negative).
int awk_testany(const Cell* c);
int awka_testany(const Cell* c);

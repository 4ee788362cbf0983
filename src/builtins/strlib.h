// The algorithms behind the string, bit and numeric builtins that do not
// need a value cell: base conversion, byte translation tables and the
// random-number generator. The b_ handlers in b_string.cpp, b_numeric.cpp
// and their neighbours wrap these in the builtin calling convention.
#pragma once
#include <cstdint>

// ---- convertnum -----------------------------------------------------------

// Reads an integer in `base` (2..16), or with base 0 the base the text
// announces: a 0x prefix or an h suffix for 16, a leading 0 for 8, else 10.
// A leading sign is honoured; reading stops at the first byte that is not
// a digit of the base. Wraps around as unsigned 32-bit arithmetic.
int32_t awk_convertnum(const char* text, uint32_t len, int base);

// ---- translate ------------------------------------------------------------

inline constexpr int kTranslateSetMax = 400;   // bytes in an expanded set

// Expands a translate set into out (at least kTranslateSetMax bytes):
// "a-b" is every byte from a up to b unless `literal`. Returns the number of
// bytes written; *cut is set when the set had to be cut at the maximum.
int awk_trexpand(const char* set, uint32_t len, bool literal, unsigned char* out, bool* cut);

// Translation flags, from the letters of the fourth argument.
inline constexpr int kTrLiteral = 1;      // "n": no ranges
inline constexpr int kTrComplement = 2;   // "c": complement the from set
inline constexpr int kTrDelete = 4;       // "d": delete from-bytes past the to set
inline constexpr int kTrSqueeze = 8;      // "s": squeeze runs of one mapped byte
int awk_trflags(const char* flags, uint32_t len);

// What each input byte becomes: kTrKeep (not in the from set), kTrDrop
// (deleted), or the output byte.
inline constexpr int16_t kTrKeep = 256;
inline constexpr int16_t kTrDrop = -1;
struct TranslateTable {
  int16_t map[256];
};

// Builds the table from expanded sets (the complement, when asked for, is
// taken here).
void awk_trtable(TranslateTable* t, const unsigned char* from, int nfrom,
                 const unsigned char* to, int nto, int flags);

// Applies the table to len bytes of in, writing to out (room for len bytes);
// returns the bytes written. With squeeze, a run of input bytes that map to
// one output byte gives it once; dropped bytes do not end a run, kept ones do.
uint32_t awk_trapply(const TranslateTable* t, const char* in, uint32_t len, char* out,
                     bool squeeze);

// ---- Random numbers ---------------------------------------------------------

// L'Ecuyer's combined generator with a Bays-Durham shuffle of 32 entries,
// on signed 32-bit values whose products wrap around.
struct AwkRandom {
  int32_t g1;
  int32_t g2;
  int32_t y;
  int32_t tab[32];
  bool seeded;
};

extern AwkRandom awk_random;

// Seeds with |s| (at least 1).
void awk_rseed(AwkRandom* r, int32_t s);
// One output, in [0, 0.99999988].
double awk_rnext(AwkRandom* r);

// The seed srand derives from its float argument.
int32_t awk_srandseed(double x);

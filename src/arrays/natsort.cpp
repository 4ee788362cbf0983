// Ordering of key lists: the natural comparison and the quicksort.
//
// The natural comparison walks the common prefix of two keys; at the first
// mismatch that touches a number (a run of digits with "." or "," inside)
// it compares the two numbers by value: more integer digits is greater,
// then the first differing digit, then the fraction digit by digit. A "-"
// before the number makes it negative when it follows white space, or when
// it starts the key at the top level. When the numbers are equal the rest
// of both keys is compared the same way; leading zeros only break the tie.
// That "compare the rest" step is a loop here, not a recursion, so a key of
// many numbers cannot exhaust the native stack; a step that would compare
// the same two remainders again ends with the plain byte difference.
//
// The quicksort takes the middle element as pivot, recurses into the
// smaller part and loops on the larger, so its depth is logarithmic. Keys
// that are all plain integers need no comparisons: they are radix-sorted by
// value, as are keys that are one prefix followed by plain integers; keys
// that are plain integers filling a range without gaps (a numbered array)
// are each put at the position their value gives (awk_rangekeys).
#include <bit>
#include <cstdint>
#include <cstring>
#include <utility>

#include "arrays/table.h"
#include "arrays/tablecore.h"
#include "diag/oops.h"
#include "values/alloc.h"

namespace {

inline int at(const unsigned char* p, uint32_t len, uint32_t i) { return i < len ? p[i] : 0; }
inline bool isDigit(int c) { return c >= '0' && c <= '9'; }
inline bool isSep(int c) { return c == '.' || c == ','; }
inline bool isNum(int c) { return isDigit(c) || isSep(c); }
inline bool isWhite(int c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline int upper(int c) { return c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c; }
inline int sign(int64_t v) { return v < 0 ? -1 : v > 0 ? 1 : 0; }

constexpr int kNatural = 1;
constexpr int kFoldCase = 4;
constexpr int kDescending = 8;
constexpr int kNoFraction = 16;
constexpr int kZeros = 32;

// A key as the sort sees it: the first eight bytes packed big-endian (zero
// past the end, as the comparison reads positions past the length) and, for
// a key that is a plain decimal integer, or ends in one after a prefix, the
// value of that integer. The sort then compares most pairs without touching
// the string objects, which lie all over memory.
struct SortEnt {
  uint64_t pre;
  int64_t num;
  AwkString* s;
  uint32_t plen;   // tail: bytes before the number; dec: digits before the point
  bool isnum;      // the whole key is a plain integer
  bool tail;       // the key is a prefix and a plain non-negative integer
  bool dec;        // the key is a plain non-negative integer, maybe with a fraction
};

uint64_t prefixOf(const AwkString* s) {
  const unsigned char* p = reinterpret_cast<const unsigned char*>(s->text());
  const uint32_t n = s->len < 8 ? s->len : 8;
  uint64_t v = 0;
  for (uint32_t i = 0; i < 8; ++i) v = (v << 8) | (i < n ? p[i] : 0);
  return v;
}

// A plain decimal integer: an optional "-", then "0" or digits without a
// leading zero, at most 18 of them. Among such keys the natural order is
// the numeric order under every flag.
bool plainInt(const AwkString* s, int64_t* out) {
  const char* p = s->text();
  uint32_t n = s->len, i = 0;
  bool neg = false;
  if (n > 0 && p[0] == '-') {
    neg = true;
    i = 1;
  }
  const uint32_t digits = n - i;
  if (digits == 0 || digits > 18 || (p[i] == '0' && (digits > 1 || neg))) return false;
  int64_t v = 0;
  for (; i < n; ++i) {
    if (!isDigit(static_cast<unsigned char>(p[i]))) return false;
    v = v * 10 + (p[i] - '0');
  }
  *out = neg ? -v : v;
  return true;
}

// A key "<prefix><digits>": the digits a plain integer (no leading zero,
// at most 18 of them) ending the key, the prefix not empty and not ending in
// ".", "," or "-" (which would make the digits a fraction or a negative
// number). Two such keys with the same prefix compare, naturally, as their
// numbers do under every flag: the walk matches the prefix, stops inside
// the digits and compares digit counts, then the first differing digit.
bool tailInt(const AwkString* s, uint32_t* plen, int64_t* out) {
  const char* p = s->text();
  const uint32_t n = s->len;
  uint32_t q = n;
  while (q > 0 && isDigit(static_cast<unsigned char>(p[q - 1]))) --q;
  const uint32_t digits = n - q;
  if (q == 0 || digits == 0 || digits > 18 || (p[q] == '0' && digits > 1)) return false;
  const char c = p[q - 1];
  if (c == '.' || c == ',' || c == '-') return false;
  int64_t v = 0;
  for (uint32_t i = q; i < n; ++i) v = v * 10 + (p[i] - '0');
  *plen = q;
  *out = v;
  return true;
}

// A key "<digits>" or "<digits>.<digits>": the integer part plain (no
// leading zero, at most 18 digits), the fraction at least one digit. Under
// the natural order without bits 16 and 32 two such keys compare by their
// integer parts, then their fractions digit by digit, a key without
// fraction, or with a shorter one that the other continues, first: exactly
// the walk of steps 7 and 10. ilen receives the integer digits.
bool plainDecimal(const AwkString* s, uint32_t* ilen, int64_t* out) {
  const char* p = s->text();
  const uint32_t n = s->len;
  uint32_t i = 0;
  int64_t v = 0;
  while (i < n && isDigit(static_cast<unsigned char>(p[i]))) v = v * 10 + (p[i++] - '0');
  if (i == 0 || i > 18 || (p[0] == '0' && i > 1)) return false;
  if (i < n) {
    if (p[i] != '.' || i + 1 == n) return false;
    for (uint32_t j = i + 1; j < n; ++j)
      if (!isDigit(static_cast<unsigned char>(p[j]))) return false;
  }
  *ilen = i;
  *out = v;
  return true;
}

// Two plain decimals: integer parts by value, then the fractions (with
// their points) bytewise, a prefix first.
inline int decimalCmp(const SortEnt& a, const SortEnt& b) {
  if (a.num != b.num) return a.num < b.num ? -1 : 1;
  const uint32_t fa = a.s->len - a.plen, fb = b.s->len - b.plen;
  const uint32_t m = fa < fb ? fa : fb;
  const int c = m ? std::memcmp(a.s->text() + a.plen, b.s->text() + b.plen, m) : 0;
  if (c) return c;
  return fa < fb ? -1 : fa > fb ? 1 : 0;
}

// The prefixes of two tail keys of the same prefix length are equal.
inline bool samePrefix(const SortEnt& a, const SortEnt& b) {
  if (a.plen <= 8) return ((a.pre ^ b.pre) >> (64 - 8 * a.plen)) == 0;
  return std::memcmp(a.s->text(), b.s->text(), a.plen) == 0;
}

template <class Cmp>
void quicksort(SortEnt* v, int32_t lo, int32_t hi, Cmp cmp) {
  while (lo < hi) {
    const SortEnt pivot = v[lo + (hi - lo) / 2];
    int32_t i = lo, j = hi;
    while (i <= j) {
      // The bounds keep a comparison that is not transitive from running off
      // the range; a consistent one never needs them.
      while (i <= hi && cmp(v[i], pivot) < 0) ++i;
      while (j >= lo && cmp(v[j], pivot) > 0) --j;
      if (i <= j) {
        std::swap(v[i], v[j]);
        ++i;
        --j;
      }
    }
    if (j - lo < hi - i) {
      quicksort(v, lo, j, cmp);
      lo = i;
    } else {
      quicksort(v, i, hi, cmp);
      hi = j;
    }
  }
}

// Sorts n plain-integer keys by value with an LSD radix sort over the bytes
// of their biased values (complemented for a descending order), skipping
// the bytes on which all values agree. Distinct plain integers never compare equal, so
// every correct sort yields the order the quicksort would; this one is
// linear, which matters for lists of a million numeric keys.
struct NumEnt {
  uint64_t key;
  AwkString* s;
};

// a holds the keys with their values, built while the list was checked to
// be all integers (so no separate array of values is needed); it is left
// scrambled.
void radixSort(AwkString** keys, NumEnt* a, int32_t n) {
  auto* b = static_cast<NumEnt*>(space(n * int32_t(sizeof(NumEnt))));
  static uint32_t count[8][256];
  std::memset(count, 0, sizeof count);
  for (int32_t i = 0; i < n; ++i)
    for (int d = 0; d < 8; ++d) ++count[d][(a[i].key >> (8 * d)) & 0xFF];
  NumEnt* from = a;
  for (int d = 0; d < 8; ++d) {
    uint32_t* c = count[d];
    bool trivial = false;
    for (int v = 0; v < 256; ++v)
      if (c[v] == uint32_t(n)) trivial = true;
    if (trivial) continue;
    uint32_t sum = 0;
    for (int v = 0; v < 256; ++v) {
      const uint32_t x = c[v];
      c[v] = sum;
      sum += x;
    }
    NumEnt* to = from == a ? b : a;
    for (int32_t i = 0; i < n; ++i) to[c[(from[i].key >> (8 * d)) & 0xFF]++] = from[i];
    from = to;
  }
  for (int32_t i = 0; i < n; ++i) keys[i] = from[i].s;
  spfree(b);
}

}  // namespace

// Natural comparison of two byte strings under the SORTTYPE flag bits t.
// Returns <0, 0 or >0. Positions at or past a length read as NUL.
int awk_natcmpb(const char* as, uint32_t la, const char* bs, uint32_t lb, int t) {
  auto a = reinterpret_cast<const unsigned char*>(as);
  auto b = reinterpret_cast<const unsigned char*>(bs);
  int nest = 0;
  int zpending = 0;  // the innermost non-zero zero-count difference
  auto finish = [&](int r) { return r ? r : zpending; };

  for (;;) {
    // Step 1: the common prefix, NUL terminator included.
    const uint32_t m = la < lb ? la : lb;
    int casediff = 0;
    uint32_t i = 0;
    int x = 0, y = 0;
    bool mismatch = false;
    for (; i <= m; ++i) {
      x = at(a, la, i);
      y = at(b, lb, i);
      if (x == y) continue;
      if ((t & kFoldCase) && x < 128 && y < 128 && upper(x) == upper(y)) {
        if (!casediff) casediff = x - y;
        continue;
      }
      mismatch = true;
      break;
    }
    if (!mismatch) return finish(la != lb ? sign(int64_t(la) - int64_t(lb)) : casediff);

    // Step 2: the plain result.
    const int plain = ((t & kFoldCase) && x < 128 && y < 128) ? upper(x) - upper(y) : x - y;
    if (!(t & kNatural)) return finish(plain);
    // Step 3.
    if (!isNum(x) && !isNum(y)) return finish(plain);
    // Step 4: back to the start of the number.
    uint32_t s = i;
    while (s > 0 && (isDigit(a[s - 1]) || (isSep(a[s - 1]) && !(t & kNoFraction)))) --s;
    if (!isNum(at(a, la, s)) || !isNum(at(b, lb, s))) return finish(plain);
    // Step 5: the sign.
    const bool neg = s > 0 && a[s - 1] == '-' &&
                     ((s - 1 > 0 && isWhite(a[s - 2])) || (s - 1 == 0 && nest == 0));
    auto signed_ = [neg, &finish](int r) { return finish(neg ? -r : r); };
    // Step 6: leading zeros.
    uint32_t pa = s, pb = s;
    int z = 0;
    if (!(t & kZeros)) {
      while (at(a, la, pa) == '0') ++pa;
      while (at(b, lb, pb) == '0') ++pb;
      z = int(pa - s) - int(pb - s);
    }
    // Step 7: the digits both agree on, then the integer digits left.
    while (isDigit(at(a, la, pa)) && at(a, la, pa) == at(b, lb, pb)) ++pa, ++pb;
    const int d = at(a, la, pa) - at(b, lb, pb);
    uint32_t na = 0, nb = 0;
    while (isDigit(at(a, la, pa + na))) ++na;
    while (isDigit(at(b, lb, pb + nb))) ++nb;
    // Steps 8 and 9.
    if (na != nb) return signed_(na > nb ? 1 : -1);
    if (na > 0) return signed_(d);
    // Step 10: equal integer parts; the fraction digit by digit.
    if (!(t & kNoFraction)) {
      while (at(a, la, pa) == at(b, lb, pb) && isNum(at(a, la, pa))) ++pa, ++pb;
      const int ca = at(a, la, pa), cb = at(b, lb, pb);
      if (ca != cb) {
        if (isNum(ca) && isNum(cb)) return signed_(ca - cb);
        if (isNum(ca)) return signed_(1);
        if (isNum(cb)) return signed_(-1);
      }
    }
    // Step 11: the rest of both keys.
    if (pa == 0 && pb == 0) return finish(plain);
    if (z) zpending = z;
    a += pa;
    la -= pa;
    b += pb;
    lb -= pb;
    nest = 1;
  }
}

int awk_natcmp(const AwkString* a, const AwkString* b, int t) {
  return awk_natcmpb(a->text(), a->len, b->text(), b->len, t);
}

namespace {
// SORTTYPE 2 and 10 are bytewise whatever their bits; any other value with
// bit 1 orders naturally.
inline bool isBytewise(int t) { return t == 2 || t == 10; }
inline bool isNatural(int t) { return !isBytewise(t) && (t & kNatural); }
}  // namespace

AwkTable* awk_rangekeys(AwkTable* t, int sorttype) {
  if (!isNatural(sorttype) || !t || t->kind != TableKind::Array || t->count < 2) return nullptr;
  // One pass over the entries, in storage order, for the range; a second
  // puts each key where its value says. A key that is not a plain integer,
  // or a gap in the range, sends the list the general way.
  int64_t lo = INT64_MAX, hi = INT64_MIN;
  for (int32_t e = 1; e <= t->nents; ++e) {
    const AwkSlot* s = st_entry(t, uint32_t(e));
    int64_t v;
    if (s->hash == 0) continue;
    if (!plainInt(s->key, &v)) return nullptr;
    lo = v < lo ? v : lo;
    hi = v > hi ? v : hi;
  }
  // Distinct keys that are plain integers have distinct values, so count
  // values spanning count positions leave no gap.
  if (hi - lo != int64_t(t->count) - 1) return nullptr;
  const int32_t n = t->count;
  const bool desc = (sorttype & kDescending) != 0;
  AwkTable* list = awk_stnew(TableKind::KeyList, n, kKeyEntrySize);
  for (int32_t e = 1; e <= t->nents; ++e) {
    const AwkSlot* s = st_entry(t, uint32_t(e));
    int64_t v;
    if (s->hash == 0 || !plainInt(s->key, &v)) continue;
    const int64_t at = v - lo;
    list->keys[desc ? n - 1 - at : at] = stringDup(s->key);
  }
  return list;
}

// Sorts the key list through an array of SortEnt. The shortcuts give the
// same answer as the full comparison: two plain integers compare by value;
// without case folding, keys whose first eight bytes differ are decided by
// the first differing byte unless a number starts there.
void awk_vasort(AwkTable* list, int t) {
  if (!list || list->kind != TableKind::KeyList || list->capacity < 2 || t == 0) return;
  const int32_t n = list->capacity;
  const bool desc = (t & kDescending) != 0;
  const bool bytewise = isBytewise(t);
  const bool natural = isNatural(t);
  const bool fold = !bytewise && (t & kFoldCase);
  const bool decimals = natural && !(t & (kNoFraction | kZeros));

  if (n > INT32_MAX / int32_t(sizeof(SortEnt))) awk_oom(n);
  // A list of nothing but plain integers (the keys of a numbered array), or
  // of one prefix each followed by a plain integer ("id1", "id2", ...: see
  // tailInt), is sorted by value without comparisons. The first key tells
  // whether the list can be one, before any room is taken for it.
  const AwkString* first = list->keys[0];
  int64_t v;
  uint32_t plen = 0;
  const bool ints = natural && plainInt(first, &v);
  const bool tails = natural && !ints && tailInt(first, &plen, &v);
  if (ints || tails) {
    auto* ents = static_cast<NumEnt*>(space(n * int32_t(sizeof(NumEnt))));
    auto value = [&](const AwkString* s) {
      if (!tails) return plainInt(s, &v);
      uint32_t p;
      return tailInt(s, &p, &v) && p == plen && std::memcmp(s->text(), first->text(), plen) == 0;
    };
    int32_t i = 0;
    for (; i < n && value(list->keys[i]); ++i) {
      const uint64_t k = uint64_t(v) ^ (uint64_t(1) << 63);  // order-preserving bias
      ents[i] = {desc ? ~k : k, list->keys[i]};
    }
    if (i == n) radixSort(list->keys, ents, n);
    spfree(ents);
    if (i == n) return;
  }
  auto* ents = static_cast<SortEnt*>(space(n * int32_t(sizeof(SortEnt))));
  for (int32_t i = 0; i < n; ++i) {
    SortEnt& e = ents[i];
    e.s = list->keys[i];
    e.pre = prefixOf(e.s);
    e.plen = 0;
    e.isnum = natural && plainInt(e.s, &e.num);
    e.dec = decimals && plainDecimal(e.s, &e.plen, &e.num);
    e.tail = natural && !e.isnum && !e.dec && tailInt(e.s, &e.plen, &e.num);
  }

  auto ascending = [=](const SortEnt& a, const SortEnt& b) -> int {
    if (a.isnum && b.isnum) return a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
    if (a.dec && b.dec) return decimalCmp(a, b);
    if (a.tail && b.tail && a.plen == b.plen && samePrefix(a, b))
      return a.num < b.num ? -1 : a.num > b.num ? 1 : 0;
    if (bytewise) {
      if (a.pre != b.pre) return a.pre < b.pre ? -1 : 1;
      return sign(stringCmp(a.s, b.s));
    }
    if (!fold && a.pre != b.pre) {
      const int shift = 56 - (std::countl_zero(a.pre ^ b.pre) & ~7);
      const int x = int(a.pre >> shift) & 0xFF, y = int(b.pre >> shift) & 0xFF;
      if (!natural || (!isNum(x) && !isNum(y))) return x - y;
    }
    return awk_natcmp(a.s, b.s, t);
  };
  if (desc)
    quicksort(ents, 0, n - 1, [&](const SortEnt& a, const SortEnt& b) { return -sign(ascending(a, b)); });
  else
    quicksort(ents, 0, n - 1, ascending);

  for (int32_t i = 0; i < n; ++i) list->keys[i] = ents[i].s;
  spfree(ents);
}

// The item parser of the pack/unpack format language. Both engines call
// awk_packitem in a loop; it owns every format-level message, so a format
// is judged the same way whichever direction it drives.
#include <cstdint>

#include "builtins/pack.h"
#include "diag/oops.h"

void awk_packstart(PackParser* ps, const char* fmt, uint32_t len, const char* who) {
  ps->p = fmt;
  ps->end = fmt + len;
  ps->who = who;
  ps->little = false;
  ps->align = false;
}

int awk_packbad(const PackParser* ps) {
  oops('w', "Bad %s format string", ps->who);
  return -1;
}

int awk_packitem(PackParser* ps, PackItem* item) {
  for (;;) {
    const char* p = ps->p;
    while (p < ps->end && (*p == ' ' || *p == '\t' || *p == '#' || *p == '<' || *p == '>')) {
      if (*p == '#') ps->align = true;
      if (*p == '<') ps->little = true;
      if (*p == '>') ps->little = false;
      ++p;
    }
    if (p == ps->end) {
      ps->p = p;
      return 0;
    }
    const char* at = p;
    while (at < ps->end && *at != '@') ++at;
    if (at == ps->end) {
      ps->p = at;
      return awk_packbad(ps);
    }
    *item = PackItem{p, uint32_t(at - p), 1, false, ps->little, ps->align, false, false, 0};
    uint64_t count = 0;
    bool tooLarge = false;
    const char* q = at + 1;
    for (;; ++q) {
      if (q == ps->end) {
        ps->p = q;
        return awk_packbad(ps);
      }
      const char c = *q;
      if (c >= '0' && c <= '9') {
        item->explicitCount = true;
        count = count * 10 + uint64_t(c - '0');
        if (count > kPackLimit) {
          tooLarge = true;
          count = uint64_t(kPackLimit) + 1;  // stays above the limit, never overflows
        }
      } else if (c == '<') {
        item->little = true;
      } else if (c == '>') {
        item->little = false;
      } else if (c == '#') {
        item->align = true;
      } else if (c == '+') {
        item->plus = true;
      } else if (c == '&') {
        item->raw = true;
      } else {
        item->letter = c;
        break;
      }
    }
    ps->p = q + 1;
    if (tooLarge) {
      oops('w', "pack/unpack count too large, max is %d", int(kPackLimit));
      count = kPackLimit;
    }
    if (item->explicitCount) item->count = uint32_t(count);
    if ((item->letter == 'a' || item->letter == 'A') && item->plus && !item->explicitCount)
      return awk_packbad(ps);
    if (item->count != 0) return 1;
  }
}

int awk_packsize(char letter) {
  switch (letter) {
    case 'b': case 'B': case 'c': case 'C': return 1;
    case 's': case 'S': return 2;
    case 'l': case 'L': case 'f': return 4;
    case 'd': case 'p': return 8;
    default: return 0;
  }
}

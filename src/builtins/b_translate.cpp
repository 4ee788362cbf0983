// translate(s, from, to [, flags]): byte-for-byte translation through a
// 256-entry table built from the two expanded sets (strlib.cpp).
#include "builtins/btable.h"
#include "builtins/strlib.h"
#include "diag/oops.h"

namespace {

// Expands one set, warning when it is cut at the maximum size.
int expandSet(const AwkString* set, bool literal, unsigned char* out) {
  bool cut = false;
  int n = awk_trexpand(set->text(), set->len, literal, out, &cut);
  if (cut) oops('w', "Too many characters in argument to translate()");
  return n;
}

}  // namespace

void b_translate(int argc, Cell* args) {
  if (argc < 3 || argc > 4) awk_assert2(0x4301);
  for (int i = 0; i < argc; ++i)
    if (!cellIsStringy(&args[i])) awk_assert2(0x4301);
  const int flags = argc == 4 ? awk_trflags(args[3].w.s->text(), args[3].w.s->len) : 0;
  const bool literal = flags & kTrLiteral;
  unsigned char from[kTranslateSetMax], to[kTranslateSetMax];
  int nfrom = expandSet(args[1].w.s, literal, from);
  int nto = expandSet(args[2].w.s, literal, to);
  TranslateTable table;
  awk_trtable(&table, from, nfrom, to, nto, flags);
  const AwkString* s = args[0].w.s;
  AwkString* r = stringInit(s->len);
  uint32_t n = awk_trapply(&table, s->text(), s->len, r->text(), flags & kTrSqueeze);
  if (n < s->len) {
    // Deleted or squeezed bytes: keep the result at its own size.
    AwkString* shorter = stringNew1(r->text(), n);
    stringFree(r);
    r = shorter;
  }
  cellSetString(awk_retval, r);
}

// paste(x1, ..., xk, sep): joins strings and the elements 1, 2, ... of
// arrays with a separator that may itself be an array of separators.
//
// The pieces are gathered first (each one reference), so that the total
// length is known before the one allocation of the result and the cut at
// kNoLimit can be made exactly.
#include <cstring>
#include <vector>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "io/globals.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

inline bool isArray(const Cell& c) { return c.tag == Tag::Array; }

// Element n of the array cell as a new string reference, or null.
AwkString* element(Cell* arr, int32_t n) {
  Cell v;
  if (!awk_getarray(arr, n, &v)) return nullptr;
  return awk_a2s_unacc(&v);
}

}  // namespace

void b_paste(int argc, Cell* args) {
  if (argc < 1) return;
  Cell* sep = &args[argc - 1];
  std::vector<AwkString*> pieces;
  for (int i = 0; i + 1 < argc; ++i) {
    if (isArray(args[i])) {
      for (int32_t n = 1; n < INT32_MAX; ++n) {
        AwkString* e = element(&args[i], n);
        if (!e) break;
        pieces.push_back(e);
      }
    } else {
      pieces.push_back(awk_a2s(&args[i]));
    }
  }
  // Separator j stands between pieces j and j + 1; an array supplies
  // sep[j], or the last element of it that was found.
  std::vector<AwkString*> seps;
  AwkString* plain = nullptr;
  if (!isArray(*sep)) plain = awk_a2s(sep);
  AwkString* lastFound = nullptr;
  for (size_t j = 1; j < pieces.size(); ++j) {
    AwkString* s = plain;
    if (!plain) {
      AwkString* e = j <= size_t(INT32_MAX) ? element(sep, int32_t(j)) : nullptr;
      if (e) {
        stringFree(lastFound);
        lastFound = e;
      }
      s = lastFound;
    }
    seps.push_back(s ? stringDup(s) : nullptr);
  }
  uint64_t total = 0;
  for (size_t j = 0; j < pieces.size(); ++j) {
    total += pieces[j]->len;
    if (j < seps.size() && seps[j]) total += seps[j]->len;
  }
  if (total > uint64_t(kNoLimit)) {
    oops('w', "paste result too long, truncated");
    total = uint64_t(kNoLimit);
  }
  AwkString* r = stringInit(uint32_t(total));
  uint64_t at = 0;
  auto append = [&](const AwkString* s) {
    uint64_t n = s->len;
    if (n > total - at) n = total - at;
    if (n) std::memcpy(r->text() + at, s->text(), size_t(n));
    at += n;
  };
  for (size_t j = 0; j < pieces.size(); ++j) {
    append(pieces[j]);
    if (j < seps.size() && seps[j]) append(seps[j]);
  }
  for (AwkString* s : pieces) stringFree(s);
  for (AwkString* s : seps) stringFree(s);
  stringFree(plain);
  stringFree(lastFound);
  cellSetString(awk_retval, r);
}

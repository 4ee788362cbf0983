// The packing engine: format items and AWK values to bytes.
//
// Bytes go into one process-wide buffer that only grows (100 bytes at
// first, then the needed size plus 100), so repeated packs of similar
// records allocate nothing. Before each value at least 15 bytes of room are
// made (the widest field plus its alignment padding). The buffer never
// passes kPackLimit bytes: a pack that would is cut there with a warning.
// Values come from the argument list (each value item consumes one; past
// the end they are uninitialized) or from an array: named items by their
// name, unnamed items by the next number "1", "2", ...
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "arrays/table.h"
#include "builtins/pack.h"
#include "diag/oops.h"
#include "values/convert.h"

namespace {

char* buf = nullptr;
size_t cap = 0;
size_t used = 0;

// Makes room for n more bytes; false (after the warning) past the limit.
bool room(size_t n) {
  if (used + n <= cap) return true;
  if (used + n > kPackLimit) {
    oops('w', "pack() result string too long, truncated to %d", int(kPackLimit));
    return false;
  }
  // At least the needed size plus 100; doubling keeps long packs linear.
  size_t want = used + n + 100;
  if (want < cap * 2) want = cap * 2;
  if (want > kPackLimit) want = kPackLimit;
  char* grown = static_cast<char*>(std::realloc(buf, want));
  if (!grown) awk_oom(12);
  buf = grown;
  cap = want;
  return true;
}

void putBytes(uint64_t v, int size, bool little) {
  for (int i = 0; i < size; ++i) {
    int shift = 8 * (little ? i : size - 1 - i);
    buf[used++] = char(v >> shift);
  }
}

struct Source {
  Cell* args;
  int argc;
  int next;
  Cell* array;
  int32_t elem;
};

const Cell kUninit{};

// The value for the next repetition of item (borrowed).
const Cell* takeValue(Source* src, const PackItem& it) {
  if (src->array) {
    AwkTable* t = src->array->w.t;
    AwkSlot* slot;
    if (it.namelen) {
      slot = awk_stfindb(t, it.name, it.namelen);
    } else {
      char key[16];
      int n = std::snprintf(key, sizeof key, "%d", int(++src->elem));
      slot = awk_stfindb(t, key, uint32_t(n));
    }
    return slot ? &slot->value : &kUninit;
  }
  return src->next < src->argc ? &src->args[src->next] : &kUninit;
}

uint8_t byteOf(const Cell* v) {
  if (cellIsStringy(v)) return uint8_t(v->w.s->text()[0]);
  return uint8_t(awk_a2l(v));
}

double doubleOf(const Cell* v) {
  if (v->tag == Tag::Float) return v->x.d;
  if (v->tag == Tag::Int) return v->w.i;
  Cell f;
  awk_cvtf(v, &f);
  return f.tag == Tag::Float ? f.x.d : f.w.i;
}

// The word a `p` item stores: numbers unchanged (addresses past 32 bits
// arrive as floats), texts by the address of their bytes.
uint64_t pointerOf(const Cell* v) {
  switch (v->tag) {
    case Tag::Uninit: return 0;
    case Tag::Int: return uint64_t(uint32_t(v->w.i));
    case Tag::Float:
      return v->x.d >= 0 && v->x.d < 18446744073709551616.0 ? uint64_t(v->x.d) : 0;
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
    case Tag::Address:
      return uint64_t(reinterpret_cast<uintptr_t>(v->w.s->text()));
    case Tag::RawPointer: return uint64_t(reinterpret_cast<uintptr_t>(v->w.p));
    default:
      oops('w', "illegal value for \"@p\" conversion");
      return uint64_t(v->w.word);
  }
}

// A string item; false when the limit cut it.
bool packString(const PackItem& it, const Cell* v) {
  AwkString* s = awk_a2s(v);
  uint64_t n = s->len, pad = 1;
  if (it.explicitCount) {
    if (n > it.count) n = it.count;
    pad = it.count - n;
  }
  const char padc = it.letter == 'a' ? '\0' : ' ';
  bool whole = true;
  if (used + n + pad > kPackLimit) {
    oops('w', "pack() result string too long, truncated to %d", int(kPackLimit));
    whole = false;
  }
  size_t total = whole ? size_t(n + pad) : kPackLimit - used;
  if (!room(total)) {
    stringFree(s);
    return false;
  }
  // Lay out pad and text in order, then keep what fits.
  size_t start = used;
  auto put = [&](const char* bytes, char fill, uint64_t len) {
    size_t k = size_t(len);
    if (used + k > start + total) k = start + total - used;
    if (bytes) std::memcpy(buf + used, bytes, k);
    else std::memset(buf + used, fill, k);
    used += k;
  };
  if (it.plus) put(nullptr, padc, pad);
  put(s->text(), 0, n);
  if (!it.plus) put(nullptr, padc, pad);
  stringFree(s);
  return whole;
}

// One repetition of a value item; false when packing must stop.
bool packValue(const PackItem& it, char letter, const Cell* v) {
  if (!room(15)) return false;
  int size = awk_packsize(letter);
  if (it.align && size > 1)
    while (used % size) buf[used++] = 0;
  switch (letter) {
    case 'b': case 'B': case 'c': case 'C': buf[used++] = char(byteOf(v)); break;
    case 's': case 'S': putBytes(uint16_t(awk_a2l(v)), 2, it.little); break;
    case 'l': putBytes(uint32_t(awk_a2l(v)), 4, it.little); break;
    case 'L': putBytes(uint32_t(awk_a2ls(v, 1)), 4, it.little); break;
    case 'f': {
      float f = float(doubleOf(v));
      uint32_t w;
      std::memcpy(&w, &f, 4);
      putBytes(w, 4, it.little);
      break;
    }
    case 'd': {
      double d = doubleOf(v);
      uint64_t w;
      std::memcpy(&w, &d, 8);
      putBytes(w, 8, it.little);
      break;
    }
    case 'p': putBytes(pointerOf(v), 8, it.little); break;
  }
  return true;
}

// The letter as pack reads it: exact, or d, f, p in either case; 0 if none.
char packLetter(char c) {
  if (std::strchr("aAbBcCsSlLfdpxX", c) && c) return c;
  if (c == 'D' || c == 'F' || c == 'P') return char(c - 'A' + 'a');
  return 0;
}

}  // namespace

AwkString* awk_pack(const char* fmt, uint32_t fmtlen, Cell* args, int argc, Cell* array) {
  Source src{args, argc, 0, array, 0};
  used = 0;
  if (!room(100)) return stringNew1("", 0);
  PackParser ps;
  awk_packstart(&ps, fmt, fmtlen, "pack");
  PackItem it;
  bool go = true;
  while (go && awk_packitem(&ps, &it) == 1) {
    const char letter = packLetter(it.letter);
    if (!letter) {
      awk_packbad(&ps);
      break;
    }
    if (letter == 'a' || letter == 'A') {
      go = packString(it, takeValue(&src, it));
      if (!array) ++src.next;
      continue;
    }
    if (letter == 'x') {
      size_t n = it.count;
      if (used + n > kPackLimit) {
        oops('w', "pack() result string too long, truncated to %d", int(kPackLimit));
        n = kPackLimit - used;
        go = false;
      }
      room(n);
      std::memset(buf + used, 0, n);
      used += n;
      continue;
    }
    if (letter == 'X') {
      used = used > it.count ? used - it.count : 0;
      continue;
    }
    for (uint32_t i = 0; go && i < it.count; ++i) {
      go = packValue(it, letter, takeValue(&src, it));
      if (!array) ++src.next;
    }
  }
  return stringNew1(buf, uint32_t(used));
}

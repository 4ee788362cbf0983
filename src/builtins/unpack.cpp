// The unpacking worker: bytes to array elements under a format.
//
// A read position walks the data; it never passes the end. Each repetition
// of an item first checks that bytes remain (none left ends the unpacking),
// skips alignment padding, and stops before a multi-byte field that the
// remaining bytes cannot hold. Named items store under their name (so a
// repeated named item keeps its last value); unnamed items store under the
// next element number. Pointers read from the data are dereferenced only
// through the memory probe, so a garbage pointer is a warning, never a
// fault.
#include <cstdio>
#include <cstring>

#include "arrays/table.h"
#include "builtins/memprobe.h"
#include "builtins/pack.h"
#include "diag/oops.h"

namespace {

struct Reader {
  const unsigned char* data;
  size_t len;
  size_t pos;
  AwkTable* t;
  int32_t elem;
};

uint64_t getBytes(Reader* r, int size, bool little) {
  uint64_t v = 0;
  for (int i = 0; i < size; ++i) {
    int shift = 8 * (little ? i : size - 1 - i);
    v |= uint64_t(r->data[r->pos + size_t(i)]) << shift;
  }
  r->pos += size_t(size);
  return v;
}

void store(Reader* r, const PackItem& it, Tag tag, intptr_t word, double d = 0,
           int16_t decimals = kUnlimitedDecimals) {
  Cell v{};
  if (tag == Tag::Float) {
    cellSetFloat(&v, d, decimals);
  } else {
    cellSetHead(&v, tag);
    v.w.word = word;
  }
  AwkString* key;
  if (it.namelen) {
    key = stringNew1(it.name, it.namelen);
  } else {
    char num[16];
    key = stringNew1(num, uint32_t(std::snprintf(num, sizeof num, "%d", int(++r->elem))));
  }
  awk_stadd(r->t, key, &v);
}

void storeText(Reader* r, const PackItem& it, const unsigned char* p, size_t n) {
  store(r, it, Tag::String, reinterpret_cast<intptr_t>(stringNew1(p, uint32_t(n))));
}

// A string field at the read position.
void unpackString(Reader* r, const PackItem& it) {
  const unsigned char padc = it.letter == 'a' ? 0 : ' ';
  const unsigned char* p = r->data + r->pos;
  size_t rest = r->len - r->pos, n;
  if (it.explicitCount) {
    n = it.count < rest ? it.count : rest;
  } else {
    const void* hit = std::memchr(p, padc, rest);
    n = hit ? size_t(static_cast<const unsigned char*>(hit) - p) + 1 : rest;
  }
  r->pos += n;
  size_t from = 0, to = n;
  if (it.raw) {
    // the whole field
  } else if (it.plus) {
    while (from < to && p[from] == padc) ++from;
  } else if (padc == 0) {
    const void* nul = std::memchr(p, 0, n);
    if (nul) to = size_t(static_cast<const unsigned char*>(nul) - p);
  } else {
    while (to > 0 && p[to - 1] == ' ') --to;
  }
  storeText(r, it, p + from, to - from);
}

void unpackValue(Reader* r, const PackItem& it) {
  switch (it.letter) {
    case 'b': store(r, it, Tag::Int, int8_t(getBytes(r, 1, false))); break;
    case 'B': store(r, it, Tag::Int, intptr_t(getBytes(r, 1, false))); break;
    case 'c': storeText(r, it, r->data + r->pos++, 1); break;
    case 's': store(r, it, Tag::Int, int16_t(getBytes(r, 2, it.little))); break;
    case 'S': store(r, it, Tag::Int, intptr_t(getBytes(r, 2, it.little))); break;
    case 'l': store(r, it, Tag::Int, int32_t(getBytes(r, 4, it.little))); break;
    case 'L': {
      uint32_t v = uint32_t(getBytes(r, 4, it.little));
      if (v & 0x80000000u) store(r, it, Tag::Float, 0, double(v), 0);  // a whole number
      else store(r, it, Tag::Int, intptr_t(v));
      break;
    }
    case 'f': {
      uint32_t w = uint32_t(getBytes(r, 4, it.little));
      float f;
      std::memcpy(&f, &w, 4);
      store(r, it, Tag::Float, 0, double(f));
      break;
    }
    case 'd': {
      uint64_t w = getBytes(r, 8, it.little);
      double d;
      std::memcpy(&d, &w, 8);
      store(r, it, Tag::Float, 0, d);
      break;
    }
    case 'p': {
      uintptr_t addr = uintptr_t(getBytes(r, 8, it.little));
      AwkString* s = addr ? awk_memstring(addr, kPackLimit) : nullptr;
      if (addr && !s) oops('w', "invalid value supplied to unpack()");
      if (s) store(r, it, Tag::String, reinterpret_cast<intptr_t>(s));
      else store(r, it, Tag::Uninit, 0);
      break;
    }
  }
}

}  // namespace

int awk_unpack(const char* fmt, uint32_t fmtlen, const unsigned char* bytes, size_t len,
               AwkTable* t) {
  Reader r{bytes, len, 0, t, 0};
  PackParser ps;
  awk_packstart(&ps, fmt, fmtlen, "unpack");
  PackItem it;
  while (awk_packitem(&ps, &it) == 1) {
    if (!std::strchr("aAbBcsSlLfdpxX", it.letter) || !it.letter) {
      awk_packbad(&ps);
      return 0;
    }
    if (it.letter == 'x' || it.letter == 'X') {
      if (r.pos >= r.len) return 1;
      if (it.letter == 'X') {
        r.pos -= it.count < r.pos ? it.count : r.pos;
        continue;
      }
      if (it.count > r.len - r.pos) {
        r.pos = r.len;
        return 1;
      }
      r.pos += it.count;
      continue;
    }
    const bool isString = it.letter == 'a' || it.letter == 'A';
    const uint32_t reps = isString ? 1 : it.count;
    for (uint32_t i = 0; i < reps; ++i) {
      if (r.pos >= r.len) return 1;
      if (isString) {
        unpackString(&r, it);
      } else {
        const size_t size = size_t(awk_packsize(it.letter));
        if (it.align && size > 1) {
          size_t pad = (size - r.pos % size) % size;
          if (pad > r.len - r.pos) return 1;
          r.pos += pad;
        }
        if (r.len - r.pos < size) return 1;
        unpackValue(&r, it);
      }
    }
  }
  return 0;
}

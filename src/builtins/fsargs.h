// Small helpers shared by the file-system builtins.
#pragma once
#include <cstdint>
#include <cstring>

#include "values/cell.h"

// The path a string argument names, or null when it cannot name one (not a
// string, or a NUL byte inside, which the host would silently cut).
inline const char* awk_patharg(const Cell& c) {
  if (!cellIsStringy(&c)) return nullptr;
  const AwkString* s = c.w.s;
  return std::memchr(s->text(), 0, s->len) ? nullptr : s->text();
}

// The first byte of an optional string argument folded to lower case, or
// dflt when the argument is absent.
inline int awk_letterarg(int argc, const Cell* args, int i, int dflt) {
  if (argc <= i || !cellIsStringy(&args[i])) return dflt;
  unsigned char c = static_cast<unsigned char>(args[i].w.s->text()[0]);
  return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c;
}

// The file-system type name of a statfs magic number ("" when unknown).
const char* awk_fstypename(int64_t magic);

// Applies a symbolic mode ("u+x,go-w") to mode. Returns 1 with *out set,
// 0 when the text ends before an operator (no message), -1 for a character
// that does not belong (the caller reports "Invalid chmod mode").
int awk_chmodsym(const char* text, uint32_t len, uint32_t mode, uint32_t* out);

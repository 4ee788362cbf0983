// Calls into C functions declared `extern`, through libffi.
//
// Each extern has a descriptor in the image: the result type code, one type
// code per parameter and the name "library:function". The first call
// resolves the name (dllsearch.cpp) and caches the address; a failed
// resolution is tried again at the next call. The libffi call interface is
// prepared once per descriptor and argument count and kept with it.
//
// A call converts each argument cell into one C argument of the C type its
// code names (types 11-16 take none), calls the function, stores the result
// by the result code and then writes pointer parameters back. Types map to
// this host's C types: `long` and every pointer are 64 bits, and a 64-bit
// result becomes an int when it fits and a float otherwise.
//
// Pointer parameters (short*, int*, long*, double*, float*) point at a
// temporary of the exact C type. The variable the argument names takes the
// converted value before the call (so a callback sees it) and the value the
// function left after it. The variable is reached through its reference
// whatever its kind: a global or local cell directly, a special variable, a
// field or an array element through the reference's own read and assign.
#include <ffi.h>

#include <algorithm>
#include <cstring>

#include "host/extern.h"
#include "image/format.h"
#include "io/refs.h"
#include "io/stream.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "values/compare.h"
#include "values/convert.h"

namespace {

namespace img = vorn::image;

constexpr int kMaxParams = 20;
constexpr int kTypesAt = 8;
constexpr int kNameAt = 28;
constexpr int kUnsigned = 0x20;
constexpr int kOtherConvention = 0x40 | 0x80;

// Type codes with the unsigned bit masked off.
enum TypeCode {
  kShort = 1, kInt = 2, kLong = 3, kDouble = 4, kFloat = 5, kStringObj = 6, kCharPtr = 7,
  kVoidPtr = 8, kValue = 9, kChar = 10,
  kShortPtr = 17, kIntPtr = 18, kLongPtr = 19, kDoublePtr = 20, kFloatPtr = 21,
};

// Storage of one C argument, or of the temporary a pointer parameter
// points at.
union Word {
  int8_t c;
  uint8_t uc;
  int16_t s;
  uint16_t us;
  int32_t i;
  uint32_t ui;
  int64_t l;
  uint64_t ul;
  double d;
  float f;
  void* p;
};

// What libffi leaves for a result: small integers widened to a full word.
union Result {
  ffi_arg a;
  ffi_sarg s;
  double d;
  float f;
  void* p;
};

struct ExternFn {
  void* fn = nullptr;  // resolved address, null until found
  int argc = -1;       // argument count the call interface was prepared for
  ffi_cif cif;
  ffi_type* types[kMaxParams];
};

ExternFn* externFns = nullptr;  // one per extern, made at the first call

// A pointer parameter to write back after the call.
struct Pointee {
  Cell* arg;  // the argument cell (usually a reference)
  int code;   // type code with the unsigned bit
  Word tmp;   // what the function receives the address of
};

ffi_type* cType(int code, bool asResult) {
  const bool uns = code & kUnsigned;
  switch (code & 0x1F) {
    case kShort: return uns ? &ffi_type_uint16 : &ffi_type_sint16;
    case kInt: return uns ? &ffi_type_uint32 : &ffi_type_sint32;
    case kLong: return uns ? &ffi_type_uint64 : &ffi_type_sint64;
    case kDouble: return &ffi_type_double;
    case kFloat: return &ffi_type_float;
    case kChar: return uns ? &ffi_type_uint8 : &ffi_type_sint8;
    case kStringObj: case kCharPtr: case kVoidPtr: case kValue:
    case kShortPtr: case kIntPtr: case kLongPtr: case kDoublePtr: case kFloatPtr:
      return &ffi_type_pointer;
    default: return asResult ? &ffi_type_void : nullptr;  // no argument, no result
  }
}

const char* typeName(const Cell* c) {
  return uint16_t(c->tag) < 14 ? awk_typenames[uint16_t(c->tag)] : "?";
}

bool stringy(const Cell* c) {
  return cellIsStringy(c) || c->tag == Tag::Address;
}

// A char* or void* argument. Returns false (after the error) when the
// value cannot be passed as a pointer.
bool pointerArg(Cell* c, bool isVoid, Word* w) {
  switch (c->tag) {
    case Tag::Uninit: w->p = nullptr; return true;
    case Tag::Int:
      if (c->w.i != 0 && !isVoid) oops('n', "non-zero integer value supplied as (char*) argument");
      w->p = reinterpret_cast<void*>(uintptr_t(awk_a2addr(c)));
      return true;
    default: break;
  }
  if (stringy(c)) {
    w->p = c->w.s->text();
    return true;
  }
  if (isVoid) {
    // Addresses above 32 bits are floats; a stream is its stdio stream.
    switch (c->tag) {
      case Tag::Float:
      case Tag::RawPointer: w->p = reinterpret_cast<void*>(uintptr_t(awk_a2addr(c))); return true;
      case Tag::FileId:
        if (c->w.f->flags & SF_SOCKET) w->p = reinterpret_cast<void*>(intptr_t(awk_a2ll(c)));
        else w->p = c->w.f->fp;
        return true;
      default: break;
    }
  }
  oops('e', isVoid ? "%s supplied as (void*) argument" : "%s supplied as (char*) argument",
       typeName(c));
  return false;
}

int8_t charArg(const Cell* c) {
  switch (c->tag) {
    case Tag::Uninit:
    case Tag::Int: return int8_t(c->w.i);
    case Tag::Float: return int8_t(awk_a2l(c));
    case Tag::Array:
      oops('n', "table supplied as char paramter");
      return 0;
    default: return stringy(c) ? int8_t(c->w.s->text()[0]) : 0;
  }
}

// Assigns v (consumed) to the variable behind a pointer argument.
void assignPointee(Cell* arg, Cell* v) {
  if (Cell* target = awk_getrefp(arg)) {
    cellRelease(target);
    cellCopy(target, v);
  } else {
    awk_setref(arg, v);
  }
}

// Converts the variable behind a pointer argument for the call: fills the
// temporary and gives the variable the converted value.
void preparePointee(Pointee* pt) {
  const int code = pt->code & 0x1F;
  const bool uns = pt->code & kUnsigned;
  Cell held;
  const Cell* v = awk_getrefp(pt->arg);
  if (!v) {
    awk_getref(pt->arg, &held, 0);
    v = &held;
  }
  if (!(awk_basetype(v) & (kCmpInt | kCmpFloat))) {
    oops('n', code == kDoublePtr  ? "non-numeric argument supplied for double* parameter"
              : code == kFloatPtr ? "non-numeric argument supplied for float* parameter"
                                  : "non-numeric argument supplied for int*, short* or long* parameter");
  }
  Cell nv;
  switch (code) {
    case kShortPtr: {
      int32_t x = awk_a2l(v);
      if (uns) x &= 0xFFFF;
      pt->tmp.i = x;  // the function sees the low 16 bits
      cellSetInt(&nv, x);
      break;
    }
    case kIntPtr:
      pt->tmp.i = awk_a2ls(v, uns);
      if (uns) awk_u64num(pt->tmp.ui, &nv);
      else cellSetInt(&nv, pt->tmp.i);
      break;
    case kLongPtr:
      pt->tmp.l = awk_a2ll(v);
      if (uns) awk_u64num(pt->tmp.ul, &nv);
      else awk_i64num(pt->tmp.l, &nv);
      break;
    default: {  // double* and float*
      Cell f;
      awk_cvtf(v, &f);
      if (code == kFloatPtr) {
        pt->tmp.f = float(f.x.d);
        cellSetFloat(&nv, pt->tmp.f, kUnlimitedDecimals);
      } else {
        pt->tmp.d = f.x.d;
        cellSetFloat(&nv, f.x.d, kUnlimitedDecimals);
      }
      break;
    }
  }
  if (v == &held) cellRelease(&held);
  assignPointee(pt->arg, &nv);
}

// Gives the variable the value the function left in the temporary.
void writeBackPointee(Pointee* pt) {
  const bool uns = pt->code & kUnsigned;
  Cell nv;
  switch (pt->code & 0x1F) {
    case kShortPtr: cellSetInt(&nv, uns ? int32_t(pt->tmp.us) : int32_t(pt->tmp.s)); break;
    case kIntPtr:
      if (uns) awk_u64num(pt->tmp.ui, &nv);
      else cellSetInt(&nv, pt->tmp.i);
      break;
    case kLongPtr:
      if (uns) awk_u64num(pt->tmp.ul, &nv);
      else awk_i64num(pt->tmp.l, &nv);
      break;
    case kDoublePtr: cellSetFloat(&nv, pt->tmp.d, kUnlimitedDecimals); break;
    default: cellSetFloat(&nv, pt->tmp.f, kUnlimitedDecimals); break;
  }
  assignPointee(pt->arg, &nv);
}

// Converts argument c for a parameter of the given code into w. Returns
// false when the call must be abandoned.
bool convertArg(int code, Cell* c, Word* w, Pointee* pointees, int* npointees) {
  const bool uns = code & kUnsigned;
  switch (code & 0x1F) {
    case kShort: w->s = int16_t(awk_a2ls(c, uns)); return true;
    case kInt: w->i = awk_a2ls(c, uns); return true;
    case kLong: w->l = awk_a2ll(c); return true;
    case kDouble:
    case kFloat: {
      Cell f;
      awk_cvtf(c, &f);
      if ((code & 0x1F) == kFloat) w->f = float(f.x.d);
      else w->d = f.x.d;
      return true;
    }
    case kStringObj:
      if (c->tag != Tag::String) {
        AwkString* s = awk_a2s(c);
        cellRelease(c);
        cellSetString(c, s);
      }
      w->p = c->w.s;
      return true;
    case kCharPtr: return pointerArg(c, false, w);
    case kVoidPtr: return pointerArg(c, true, w);
    case kValue:
      if (c->tag == Tag::Field) c->tag = Tag::String;
      w->p = c;
      return true;
    case kChar: {
      int8_t b = charArg(c);
      if (uns) w->uc = uint8_t(b);
      else w->c = b;
      return true;
    }
    default: {  // the pointer parameters
      Pointee* pt = &pointees[(*npointees)++];
      pt->arg = c;
      pt->code = code;
      preparePointee(pt);
      w->p = &pt->tmp;
      return true;
    }
  }
}

void storeResult(int code, const Result& r, Cell* out) {
  const bool uns = code & kUnsigned;
  Cell v;
  switch (code & 0x1F) {
    case kShort: cellSetInt(&v, uns ? int32_t(uint16_t(r.a)) : int32_t(int16_t(r.s))); break;
    case kChar: cellSetInt(&v, uns ? int32_t(uint8_t(r.a)) : int32_t(int8_t(r.s))); break;
    case kInt:
      if (uns) awk_u64num(uint32_t(r.a), &v);
      else cellSetInt(&v, int32_t(r.s));
      break;
    case kLong:
      if (uns) awk_u64num(uint64_t(r.a), &v);
      else awk_i64num(int64_t(r.s), &v);
      break;
    case kDouble: cellSetFloat(&v, r.d, kUnlimitedDecimals); break;
    case kFloat: cellSetFloat(&v, r.f, kUnlimitedDecimals); break;
    case kStringObj:
      if (!r.p) return;
      cellSetString(&v, stringDup(static_cast<AwkString*>(r.p)));
      break;
    case kCharPtr:
      if (!r.p) return;
      cellSetString(&v, stringNew(static_cast<const char*>(r.p)));
      break;
    case kVoidPtr: case kShortPtr: case kIntPtr: case kLongPtr: case kDoublePtr: case kFloatPtr:
      awk_grantextern(r.p);
      awk_u64num(reinterpret_cast<uintptr_t>(r.p), &v);
      break;
    default: return;  // void, value and the codes without a C result
  }
  cellRelease(out);
  cellCopy(out, &v);
}

// The descriptor of extern idx, checked once: it must hold its fixed part
// and a NUL-terminated name inside its segment.
const unsigned char* descriptor(int idx) {
  if (idx < 0 || idx >= awk_nexterns) awk_assert2(0x9100);
  uint32_t vaddr = awk_externtab[idx];
  int32_t room = vm_room(vaddr);
  const unsigned char* d = vm_v2pcode(vaddr);
  if (room <= kNameAt || !std::memchr(d + kNameAt, 0, size_t(room - kNameAt))) awk_assert2(0x9101);
  return d;
}

}  // namespace

void awk_cfun(const unsigned char* operand, Cell* result, Cell* args) {
  int16_t id;
  std::memcpy(&id, operand + 2, 2);
  const int idx = id - img::gid::kExternFirst;
  const unsigned char* d = descriptor(idx);
  if (!externFns) externFns = new ExternFn[size_t(awk_nexterns)];
  ExternFn& e = externFns[idx];
  if (!e.fn) {
    e.fn = awk_dllresolve(reinterpret_cast<const char*>(d + kNameAt));
    if (!e.fn) return;
  }
  const int rcode = int16_t(img::be16(d + 2));
  const int argc = std::min<int>(operand[0], kMaxParams);

  Word words[kMaxParams];
  void* values[kMaxParams];
  Pointee pointees[kMaxParams];
  int nwords = 0, npointees = 0;
  for (int i = 0; i < argc; ++i) {
    const int code = d[kTypesAt + i];
    if (!cType(code, false)) continue;
    if (!convertArg(code, &args[i], &words[nwords], pointees, &npointees)) return;
    values[nwords] = &words[nwords];
    ++nwords;
  }
  if (rcode & kOtherConvention) return;

  if (e.argc != argc) {
    int n = 0;
    for (int i = 0; i < argc; ++i) {
      if (ffi_type* t = cType(d[kTypesAt + i], false)) e.types[n++] = t;
    }
    if (ffi_prep_cif(&e.cif, FFI_DEFAULT_ABI, unsigned(n), cType(rcode, true), e.types) != FFI_OK)
      awk_assert2(0x9102);
    e.argc = argc;
  }
  Result r{};
  ffi_call(&e.cif, FFI_FN(e.fn), &r, values);
  storeResult(rcode, r, result);
  for (int i = 0; i < npointees; ++i) writeBackPointee(&pointees[i]);
}

// AWK-level formatting: sprintf, printf and float-to-string conversion
// over value cells. The engine reports nothing itself; the first problem
// stops formatting and is handed back as a coded text ("e:...") with the
// partial result, except surplus arguments, which only add a note text.
//
// The result is built in a stack buffer that moves to the allocator when it
// outgrows it; the room grows to exactly what the next piece needs plus the
// rest of the format, and the result stays below the string limit.
#include <cstring>

#include "format/engine.h"
#include "values/alloc.h"
#include "values/compare.h"
#include "values/convert.h"
#include "values/strobj.h"

namespace {

constexpr int64_t kMaxResult = int64_t(kStringLimit) - 1;
constexpr uint32_t kStackRoom = 256;

const char kFewerArgs[] = "e:fewer arguments than print format specifications";
const char kIllegal[] = "e:illegal format string";
const char kUnrecognized[] = "e:unrecognized print format character";
const char kTooLong[] = "w:output string too long, truncated";
const char kTooMany[] = "n:too many arguments";

// Makes room for `need` bytes in total; false when that passes the limit.
bool reserve(OutBuf* ob, int64_t need) {
  if (need <= int64_t(ob->room)) return true;
  if (need > kMaxResult) return false;
  if (ob->heap) {
    ob->heap = static_cast<char*>(respace(ob->heap, int32_t(need)));
  } else {
    ob->heap = static_cast<char*>(space(int32_t(need)));
    std::memcpy(ob->heap, ob->data, ob->len);
  }
  ob->data = ob->heap;
  ob->room = uint32_t(need);
  return true;
}

void append(OutBuf* ob, const char* p, uint32_t n) {
  reserve(ob, int64_t(ob->len) + n);
  std::memcpy(ob->data + ob->len, p, n);
  ob->len += n;
}

bool isAwkConversion(int lc) {
  switch (lc) {
    case 'b': case 'c': case 'd': case 'e': case 'f': case 'g': case 'i':
    case 'm': case 'o': case 's': case 'u': case 'x':
      return true;
    default:
      return false;
  }
}

}  // namespace

// Formats nargs cells under fmt. Returns a new string object (partial when
// *err is an error text); *err is null, an error text, or the note text
// for surplus arguments.
AwkString* awk_asprintf(const AwkString* fmt, int nargs, const Cell* args, const char** err) {
  char stackBuf[kStackRoom];
  OutBuf ob{stackBuf, 0, kStackRoom, nullptr};
  reserve(&ob, int64_t(fmt->len) + 10);
  *err = nullptr;
  const char* p = fmt->text();
  const char* const end = p + fmt->len;
  int ai = 0;
  char cvtbuf[kCvtBufSize];

  while (p < end) {
    const char* pct = static_cast<const char*>(std::memchr(p, '%', size_t(end - p)));
    if (!pct) {
      append(&ob, p, uint32_t(end - p));
      break;
    }
    if (pct > p) append(&ob, p, uint32_t(pct - p));
    if (pct + 1 == end) {  // a lone "%" at the very end is kept
      append(&ob, "%", 1);
      p = end;
      break;
    }
    if (pct[1] == '%') {
      append(&ob, "%", 1);
      p = pct + 2;
      continue;
    }
    if (ai >= nargs) {
      *err = kFewerArgs;
      break;
    }
    Conversion sp;
    const char* next = awk_get_print_fmt(&sp, pct + 1);
    if (!next || next > end) {
      *err = kIllegal;
      break;
    }
    if (sp.star & 1) {
      if (ai >= nargs) { *err = kFewerArgs; break; }
      sp.width = awk_a2l(&args[ai++]);
    }
    if (sp.star & 2) {
      if (ai >= nargs) { *err = kFewerArgs; break; }
      sp.precision = awk_a2l(&args[ai++]);
    }
    if (ai >= nargs) {
      *err = kFewerArgs;
      break;
    }
    const int lc = sp.conv | 0x20;
    if (sp.conv == '%' || !isAwkConversion(lc)) {
      *err = kUnrecognized;
      break;
    }
    const Cell* arg = &args[ai++];
    int64_t ival = 0;
    double dval = 0;
    AwkString* sval = nullptr;
    const char* text;
    uint32_t len;
    switch (lc) {
      case 'b': case 'o': case 'u': case 'x':
        ival = uint32_t(awk_a2ls(arg, 1));
        sp.islong = 1;
        break;
      case 'd': case 'i':
        ival = awk_a2l(arg);
        sp.islong = 1;
        break;
      case 'c':
        if (awk_basetype(arg) & (kCmpInt | kCmpFloat)) {
          ival = awk_a2l(arg);
        } else {
          sval = awk_a2s(arg);
          ival = static_cast<unsigned char>(sval->len ? sval->text()[0] : 0);
          stringFree(sval);
          sval = nullptr;
        }
        break;
      case 's':
        if (arg->tag == Tag::String || arg->tag == Tag::Field)
          sval = stringDup(arg->w.s);  // the common case, without a conversion
        else
          sval = awk_a2s(arg);
        break;
      default: {  // e f g m
        Cell num;
        awk_cvtf(arg, &num);
        dval = awk_fcmp(&num.x.d, num.w.dec) == 0 ? 0.0 : num.x.d;
        break;
      }
    }
    text = awk_sprint_cvt(cvtbuf, &sp, ival, dval, sval ? sval->text() : nullptr,
                          sval ? sval->len : 0, &len);
    JustInfo j = awk_justinfo(text, len, &sp);
    int64_t need = int64_t(ob.len) + j.len + j.pad + j.preflen + (end - next) + 11;
    if (!reserve(&ob, need)) {
      if (sval) stringFree(sval);
      *err = kTooLong;
      break;
    }
    awk_outputjust(text, &sp, j, &ob);
    if (sval) stringFree(sval);
    p = next;
  }
  if (!*err && ai < nargs) *err = kTooMany;
  AwkString* result = stringNew1(ob.data, ob.len);
  if (ob.heap) spfree(ob.heap);
  return result;
}

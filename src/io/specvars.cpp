// The special-variable table and its handlers.
//
// Each slot pairs a handler with the address of the run-time global it
// serves; most variables are a plain string or 32-bit integer and share the
// generic handlers. A read hands the cell its own reference; an assignment
// copies what it needs and leaves the caller's reference alone. RS, FS and
// FPAT keep the value as assigned for reads and a usable form (separator
// byte or pattern) for the reader and the splitter.
#include "io/specvars.h"

#include <cerrno>
#include <cstdlib>
#include <unistd.h>

#include "diag/position.h"
#include "io/fields.h"
#include "io/globals.h"
#include "io/record.h"
#include "io/stream.h"
#include "regex/regex.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/alloc.h"
#include "values/arith.h"
#include "values/convert.h"

int32_t awk_criterrcode = 0;
int32_t awk_xmslimit = 0;
int32_t awk_xmsresize = 0;
int32_t awk_emslimit = 0;

Cell awk_rsval = {};
Cell awk_fsval = {};
Cell awk_fsopt = {};
AwkPattern* awk_fpatere = nullptr;
bool awk_printedfpatmsg = false;

namespace {
Cell fpatval = {};   // FPAT as assigned

// Replaces *keep with a copy of value (its own reference).
void keepCopy(Cell* keep, const Cell* value) {
  awk_unaccess(keep);
  *keep = *value;
  awk_access(keep);
}

void readCopy(const Cell* keep, Cell* cell) {
  *cell = *keep;
  awk_access(cell);
}

constexpr uint16_t kAnchorsOrGroups = kReHasBol | kReHasEol | kReNested | kReBackref;
}  // namespace

// SIGNAL's handler belongs to the signal layer, which sits above this one:
// start-up puts it into its slot.
#define PV(name) static_cast<void*>(&name)
AwkPvHandler awk_pv_table[vorn::image::kSpecialCount] = {
    awk_vRS,          awk_vFS,        awk_vFPAT,       awk_vNF,       awk_vRECLEN,
    awk_vRAWMODE,     awk_vSTACKAVAIL, awk_vMEMAVAIL,  awk_pvstring,  awk_pvstring,
    awk_pvstring,     awk_pvstring,   awk_pvstring,    awk_pvstring,  awk_pvstring,
    awk_pvstring,     awk_pvint,      awk_vERRNO,      awk_vERRNO_OS, awk_pvlong,
    awk_pvint,        awk_pvint,      awk_pvint,       awk_pvint,     awk_pvlong,
    awk_pvlong,       awk_vFLOATMASK, awk_vFLOATMASK,  awk_pvint,     awk_pvstring,
    awk_pvint,        awk_pvstring,   awk_vSYMINFO,    awk_vFUNINFO,  nullptr,
    awk_pvint,        awk_pvint,
};
void* awk_pv_args[vorn::image::kSpecialCount] = {
    nullptr,           nullptr,          nullptr,         PV(awk_nf),         PV(awk_reclen),
    PV(awk_rawmode),   nullptr,          nullptr,         PV(awk_convfmt),    PV(awk_ofmt),
    PV(awk_ofs),       PV(awk_ors),      PV(awk_subsep),  PV(awk_tmpdir),     PV(awk_filename),
    PV(awk_dlls),      PV(awk_sorttype), nullptr,         nullptr,            PV(awk_criterrcode),
    PV(awk_xmslimit),  PV(awk_xmsresize), PV(awk_emslimit), PV(awk_warnings), PV(awk_fnr),
    PV(awk_nr),        PV(awk_mask87),   PV(awk_mask87),  PV(awk_linenumber), PV(string_empty),
    PV(awk_linenumber), PV(string_empty), nullptr,        nullptr,            nullptr,
    PV(awk_malloccount), PV(awk_bufsize),
};
#undef PV
static_assert(sizeof(awk_warnings) == sizeof(int32_t), "WARNINGS is served as a 32-bit int");

bool awk_pvget(int idx, Cell* out) {
  if (idx < 0 || idx >= vorn::image::kSpecialCount || !awk_pv_table[idx]) return false;
  awk_pv_table[idx](0, out, awk_pv_args[idx]);
  return true;
}

bool awk_pvset(int idx, Cell* value) {
  if (idx < 0 || idx >= vorn::image::kSpecialCount || !awk_pv_table[idx]) return false;
  awk_pv_table[idx](1, value, awk_pv_args[idx]);
  return true;
}

// The shared empty string behind PROGFN and PROGCTIME is never replaced:
// assignments to them are ignored.
void awk_pvstring(int set, Cell* cell, void* arg) {
  auto* g = static_cast<AwkString**>(arg);
  if (!set) {
    cellSetString(cell, stringDup(*g ? *g : string_empty));
    return;
  }
  if (g == &string_empty) return;
  AwkString* s = awk_a2s(cell);
  if (*g) stringFree(*g);
  *g = s;
}

void awk_pvint(int set, Cell* cell, void* arg) {
  auto* g = static_cast<int32_t*>(arg);
  if (set)
    *g = awk_a2l(cell);
  else
    cellSetInt(cell, *g);
}

void awk_pvlong(int set, Cell* cell, void* arg) { awk_pvint(set, cell, arg); }

void awk_vRS(int set, Cell* cell, void* /*arg*/) {
  awk_miscflags |= kMiscRsUsed;
  if (!set) {
    readCopy(&awk_rsval, cell);
    return;
  }
  keepCopy(&awk_rsval, cell);
  if (awk_rspat) awk_ererelease(awk_rspat);
  awk_rspat = nullptr;
  switch (cell->tag) {
    case Tag::Int:
      awk_rschar = kRsNone;
      if (cell->w.i != 0) oops('n', "RS disabled by numeric assignment");
      return;
    case Tag::Uninit:
      awk_rschar = kRsNone;
      return;
    case Tag::Regex:
      awk_rspat = cell->w.re;
      if (awk_rspat) awk_eredup(awk_rspat);
      break;
    default: {
      AwkString* s = awk_a2s(cell);
      if (s->len <= 1) {
        awk_rschar = s->len == 0 ? kRsParagraph : static_cast<unsigned char>(s->text()[0]);
        stringFree(s);
        return;
      }
      awk_rspat = awk_str1ere(s, "RS pattern", 0, 0);
      stringFree(s);
      break;
    }
  }
  awk_rschar = awk_rspat ? kRsPattern : kRsNone;
  if (awk_rspat && (awk_ereflags(awk_rspat) & kAnchorsOrGroups))
    oops('f', "RS pattern may not contain ^ or $ or (( ))");
}

void awk_vFS(int set, Cell* cell, void* /*arg*/) {
  if (!set) {
    readCopy(&awk_fsval, cell);
    return;
  }
  awk_printedfpatmsg = false;
  keepCopy(&awk_fsval, cell);
  awk_unaccess(&awk_fsopt);
  if (cell->tag == Tag::Int && cell->w.i == 0) {
    cellSetInt(&awk_fsopt, 0);
    return;
  }
  if (cell->tag == Tag::Regex) {
    awk_fsopt = *cell;
    awk_access(&awk_fsopt);
    return;
  }
  AwkString* s = awk_a2s(cell);
  if (s->len > 1) {
    if (AwkPattern* p = awk_str1ere(s, "FS pattern", 0, 0)) {
      stringFree(s);
      awk_fsopt.tag = Tag::Regex;
      awk_fsopt.w.word = 0;
      awk_fsopt.w.re = p;
      return;
    }
  }
  awk_fsopt.tag = Tag::String;
  awk_fsopt.w.word = 0;
  awk_fsopt.w.s = s;
}

void awk_vFPAT(int set, Cell* cell, void* /*arg*/) {
  if (!set) {
    readCopy(&fpatval, cell);
    return;
  }
  awk_printedfpatmsg = false;
  if (awk_fpatere) awk_ererelease(awk_fpatere);
  awk_fpatere = nullptr;
  keepCopy(&fpatval, cell);
  switch (cell->tag) {
    case Tag::Uninit:
      return;
    case Tag::Int:
      if (cell->w.i == 0) return;
      break;
    case Tag::String: case Tag::Field: case Tag::VmString: case Tag::VmField:
      if (cell->w.s->len != 0) awk_fpatere = awk_str1ere(cell->w.s, "FPAT pattern", 0, 0);
      return;
    case Tag::Regex:
      awk_fpatere = cell->w.re;
      if (awk_fpatere) awk_eredup(awk_fpatere);
      return;
    default:
      break;
  }
  oops('n', "invalid assignment to FPAT");
}

void awk_vRECLEN(int set, Cell* cell, void* /*arg*/) {
  if (!set) {
    cellSetInt(cell, awk_reclen);
    return;
  }
  int32_t n = awk_a2l(cell);
  if (n < 1 || n > kNoLimit) {
    oops('w', "Invalid RECLEN value; RECLEN set to %d", kNoLimit);
    n = kNoLimit;
  }
  awk_reclen = n;
}

void awk_vRAWMODE(int set, Cell* cell, void* /*arg*/) {
  awk_miscflags |= kMiscRsUsed;
  if (!set) {
    cellSetInt(cell, awk_rawmode);
    return;
  }
  awk_rawmode = awk_a2l(cell);
  if (awk_binmode == 0) awk_setmodeall();
}

void awk_vSTACKAVAIL(int set, Cell* cell, void* /*arg*/) {
  if (set) return;
  int n = awk_restackavail();
  cellSetInt(cell, n < 1000000 ? n : 1000000);
}

// What the C library could hand out at once, probed with blocks of 32 MiB
// down to 1 KiB held together.
void awk_vMEMAVAIL(int set, Cell* cell, void* /*arg*/) {
  if (set) return;
  void* held[16];
  int32_t sum = 0;
  for (int i = 0; i < 16; ++i) {
    size_t size = size_t(1) << (25 - i);
    held[i] = std::malloc(size);
    if (held[i]) sum += int32_t(size);
  }
  for (void* p : held) std::free(p);
  cellSetInt(cell, sum);
}

void awk_vERRNO(int set, Cell* cell, void* /*arg*/) {
  if (set)
    errno = awk_a2l(cell);
  else
    cellSetInt(cell, errno);
}

void awk_vERRNO_OS(int set, Cell* cell, void* arg) { awk_vERRNO(set, cell, arg); }

namespace {

// A string global set to text, released first if it held one.
void setString(AwkString** g, const char* text) {
  if (*g) stringFree(*g);
  *g = stringNew(text);
}

// A predefined global's cell when the image has it.
Cell* predefined(int gid) {
  int i = gid - vorn::image::gid::kGlobalFirst;
  return i < awk_ngvars ? awk_gvar(gid) : nullptr;
}

void setPredefString(Cell* c, const char* text) {
  if (!c) return;
  awk_unaccess(c);
  c->tag = Tag::String;
  c->w.word = 0;
  c->w.s = stringNew(text);
}

void setPredefInt(Cell* c, int32_t v) {
  if (!c) return;
  awk_unaccess(c);
  cellSetInt(c, v);
}

// Assigns text to a special variable through its handler.
void assignText(int idx, const char* text) {
  Cell c{};
  cellSetString(&c, stringNew(text));
  awk_pv_table[idx](1, &c, awk_pv_args[idx]);
  awk_unaccess(&c);
}

}  // namespace

void awk_varinit() {
  namespace pv = vorn::image::pv;
  namespace pd = vorn::image::predef;
  awk_convinit();
  setString(&awk_ofs, " ");
  setString(&awk_ors, "\n");
  setString(&awk_subsep, "\034");
  setString(&awk_filename, "");
  setString(&awk_dlls, "");
  if (!awk_tmpdir) awk_tmpdir = stringNew("");
  // Setting the defaults is not a use of RS by the program: the fast main
  // input path stays as the image asked.
  int32_t keep = awk_miscflags & kMiscRsUsed;
  assignText(pv::FS, " ");
  assignText(pv::RS, "\n");
  awk_miscflags = (awk_miscflags & ~kMiscRsUsed) | keep;
  awk_reclen = kNoLimit;
  awk_rawmode = 7;
  awk_bufsize = 4096;
  awk_warnings = 7;
  awk_nr = awk_fnr = 0;
  awk_sorttype = 1;

  if (awk_filemodecell) setPredefString(awk_filemodecell, "r");
  setPredefInt(predefined(pd::g_OSMODE), 4);
  setPredefInt(predefined(pd::g_PID), int32_t(getpid()));
  setPredefString(predefined(pd::g_PROMPT), "vorn input? ");
  setPredefInt(predefined(pd::g_SYSSWAP), 1);
  setPredefString(predefined(pd::g_VENDOR), "Corvale Automation");
  setPredefString(predefined(pd::g_VERSION), "5.0");
}

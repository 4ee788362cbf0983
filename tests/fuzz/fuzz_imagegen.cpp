// Generates well-formed program images from the fuzzer's bytes and runs
// them. Every image is built with the image writer and the test assembler
// and keeps the shapes the load-time check demands (known opcodes, operands
// in range, one stack height per instruction, jumps onto instructions), but
// the operand types are random: an int where the compiler pushes a string,
// a reference returned from its frame, an array concatenated. The loader
// must accept the image (a refusal means the generator is wrong and
// aborts) and the run must end normally or with one of the run-time's
// messages, never on a signal.
//
// The code has no backward jumps and calls only functions of higher gid,
// so every run ends. Builtins are limited to those without side effects on
// the process (no output, files, processes or screen).
#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/builtins.h"
#include "image/format.h"
#include "image/opcodes.h"
#include "image/writer.h"
#include "image_asm.h"
#include "values/cell.h"
#include "interp/interp.h"
#include "io/fields.h"
#include "io/specvars.h"
#include "io/stream.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "program/symtab.h"
#include "values/strobj.h"

using vorn::image::Op;
using vorn::testasm::Asm;
namespace img = vorn::image;

namespace {

std::jmp_buf exitJump;
void exitHook(int) { std::longjmp(exitJump, 1); }
std::string imagePath;

constexpr int kProgramGlobals = 4;
constexpr int kMaxHeight = 40;
constexpr int kMaxFunctions = 3;

const int kSafeBuiltins[] = {5,  6,  7,  8,  11, 12, 13, 14, 17, 18, 19, 20, 21, 22, 23, 24,
                             30, 31, 32, 33, 34, 35, 36, 41, 42, 43, 44, 45, 46, 89, 90, 113};
const char* const kStrings[] = {"", "a", "12", "x y z", "(a)|b", "[", "a*", "\\1", "%d%s"};

// Instructions the generator picks from, with what they take and leave.
struct Pick {
  Op op;
  int pops, pushes;
};
const Pick kPicks[] = {
    {Op::op_cmp, 2, 1},      {Op::op_icmp, 2, 1},     {Op::op_tostr, 1, 1},
    {Op::op_toint, 1, 1},    {Op::op_tofloat, 1, 1},  {Op::op_tonum, 1, 1},
    {Op::op_not, 1, 1},      {Op::op_inot, 1, 1},     {Op::op_tobool, 1, 1},
    {Op::op_itobool, 1, 1},  {Op::op_aset, 3, 0},     {Op::op_aget, 2, 1},
    {Op::op_in, 2, 1},       {Op::op_gpusharr, 0, 1}, {Op::op_lpusharr, 0, 1},
    {Op::op_agetarr, 2, 1},  {Op::op_gstore, 1, 0},   {Op::op_gpush, 0, 1},
    {Op::op_lstore, 1, 0},   {Op::op_lpush, 0, 1},    {Op::op_pushi32, 0, 1},
    {Op::op_pushf, 0, 1},    {Op::op_pushu, 0, 1},    {Op::op_pushs, 0, 1},
    {Op::op_pushreu, 0, 1},  {Op::op_concat, 0, 1},   {Op::op_subsep, 0, 1},
    {Op::op_div, 2, 1},      {Op::op_bcall, 1, 1},    {Op::op_pushun, 0, 0},
    {Op::op_call, 1, 1},     {Op::op_jt, 1, 0},       {Op::op_jf, 1, 0},
    {Op::op_andjmp, 1, 0},   {Op::op_orjmp, 1, 0},    {Op::op_pop, 1, 0},
    {Op::op_sub, 2, 1},      {Op::op_mod, 2, 1},      {Op::op_neg, 1, 1},
    {Op::op_add, 2, 1},      {Op::op_pow, 2, 1},      {Op::op_match, 2, 1},
    {Op::op_mul, 2, 1},      {Op::op_line, 0, 0},     {Op::op_dup, 1, 2},
    {Op::op_addi32, 1, 1},   {Op::op_pvset, 1, 0},    {Op::op_pvget, 0, 1},
    {Op::op_forin, 1, 0},    {Op::op_fornext, 0, 1},  {Op::op_delete, 1, 0},
    {Op::op_getfld, 1, 1},   {Op::op_setfld, 2, 0},   {Op::op_newarr, 0, 1},
    {Op::op_pushi16, 0, 1},  {Op::op_refsave, 2, 2},  {Op::op_refstore, 1, 0},
    {Op::op_swap, 2, 2},     {Op::op_match0u, 0, 1},  {Op::op_gref, 0, 1},
    {Op::op_lref, 0, 1},     {Op::op_aref, 2, 1},     {Op::op_fref, 1, 1},
    {Op::op_pvref, 0, 1},    {Op::op_mkarr, 1, 1},    {Op::op_retv, 1, 0},
    {Op::op_ptype, 1, 1},    {Op::op_exit, 1, 0},     {Op::op_next, 0, 0},
    {Op::op_ret, 0, 0},
};

struct Gen {
  FuzzedDataProvider& in;
  img::ImageWriter& w;
  std::vector<uint32_t> strings;
  int nfuncs;
  int params[kMaxFunctions], locals[kMaxFunctions];

  int pickInt(int lo, int hi) { return in.ConsumeIntegralInRange<int>(lo, hi); }
  int16_t local(int fn) {
    int p = params[fn], l = locals[fn];
    int k = pickInt(0, p + l - 1);
    return k < p ? Asm::param(k + 1) : Asm::local(k - p + 1);
  }
  uint32_t str() { return strings[size_t(pickInt(0, int(strings.size()) - 1))]; }
  int global() { return 8000 + pickInt(0, img::kPredefinedCount + kProgramGlobals - 1); }

  void function(int fn);
};

// One function: straight code with forward jumps. A pending jump target is
// placed where the fall-through height equals the height the jump arrives
// with (cells are pushed or popped to get there).
void Gen::function(int fn) {
  Asm a;
  struct Pending { Asm::Label label; int height; };
  std::vector<Pending> pending;
  int h = 0;
  if (locals[fn] > 0) a.op(Op::op_locals).u(uint16_t(locals[fn]));
  const bool haveLocal = params[fn] + locals[fn] > 0;
  auto jumpTo = [&](int height) {
    Asm::Label l = a.label();
    pending.push_back({l, height});
    return l;
  };
  auto reachHeight = [&](int target) {
    for (; h < target; ++h) a.op(Op::op_pushu);
    for (; h > target; --h) a.op(Op::op_pop);
  };
  int count = pickInt(1, 48);
  for (int i = 0; i < count && in.remaining_bytes() > 0; ++i) {
    if (!pending.empty() && in.ConsumeBool()) {
      reachHeight(pending.back().height);
      a.here(pending.back().label);
      pending.pop_back();
      continue;
    }
    const Pick& p = kPicks[pickInt(0, int(std::size(kPicks)) - 1)];
    if (h < p.pops || h + p.pushes - p.pops > kMaxHeight - 6) {
      a.op(h < p.pops ? Op::op_pushi16 : Op::op_pop);
      if (h < p.pops) a.h(int16_t(pickInt(-2, 3))), ++h; else --h;
      continue;
    }
    bool needsLocal = p.op == Op::op_lpusharr || p.op == Op::op_lstore ||
                      p.op == Op::op_lpush || p.op == Op::op_forin ||
                      p.op == Op::op_fornext || p.op == Op::op_lref;
    if (needsLocal && !haveLocal) continue;
    if (p.op != Op::op_call) a.op(p.op);
    switch (p.op) {
      case Op::op_cmp: case Op::op_icmp: a.b(uint8_t(2 * pickInt(0, 5))); break;
      case Op::op_gpusharr: case Op::op_gstore: case Op::op_gpush: case Op::op_gref:
        a.g(global()); break;
      case Op::op_lpusharr: case Op::op_lstore: case Op::op_lpush: case Op::op_forin:
      case Op::op_lref:
        a.l(local(fn)); break;
      case Op::op_pushi32: case Op::op_addi32: a.w(in.ConsumeIntegral<int32_t>()); break;
      case Op::op_pushf: a.d(in.ConsumeFloatingPoint<double>(), uint16_t(pickInt(0, 400))); break;
      case Op::op_pushs: a.a(str()); break;
      case Op::op_pushreu: case Op::op_match0u: a.a(str()).b(uint8_t(pickInt(0, 255))); break;
      case Op::op_concat: {
        int n = pickInt(0, h < 4 ? h : 4);
        a.b(uint8_t(n));
        h -= n;
        break;
      }
      case Op::op_bcall: {   // h >= 1: the slot and up to 4 arguments
        int argc = pickInt(0, h - 1 < 4 ? h - 1 : 4);
        a.p(uint8_t(argc), uint8_t(argc))
            .s(kSafeBuiltins[pickInt(0, int(std::size(kSafeBuiltins)) - 1)]);
        h -= argc;   // the table counts the slot
        break;
      }
      case Op::op_pushun: {
        int n = pickInt(0, 3);
        a.b(uint8_t(n));
        h += n;
        break;
      }
      case Op::op_call: {   // h >= 1; only functions of higher gid, so every run ends
        int callee = fn + 1 + (fn + 1 < nfuncs ? pickInt(0, nfuncs - fn - 2) : 0);
        if (callee >= nfuncs) callee = fn + 1 < nfuncs ? fn + 1 : -1;
        int np = callee >= 0 ? params[callee] + pickInt(0, 1) : 0;
        if (callee < 0 || h < np + 1) {
          // No callee or too few cells: a builtin call on the slot instead.
          a.op(Op::op_bcall).p(0, 0).s(img::slot::b_length);
          break;
        }
        a.op(Op::op_call).p(uint8_t(np), uint8_t(pickInt(0, np))).c(1000 + callee);
        h -= np;
        break;
      }
      case Op::op_jt: case Op::op_jf:
        a.jumpTo(jumpTo(h - 1));
        break;
      case Op::op_andjmp: case Op::op_orjmp:
        a.jumpTo(jumpTo(h));   // jumping keeps the cell, falling through pops it
        break;
      case Op::op_fornext: {
        Asm::Label end = jumpTo(h);
        a.jumpTo(end).l(local(fn));
        break;
      }
      case Op::op_line: a.u(uint16_t(pickInt(0, 100))); break;
      case Op::op_pvset: case Op::op_pvget: case Op::op_pvref:
        a.v(pickInt(0, img::kSpecialCount - 1)); break;
      case Op::op_ptype: a.u(uint16_t(pickInt(0, 13))); break;
      case Op::op_delete: {   // h >= 1; the table counts one cell
        int mode = h >= 2 ? pickInt(1, 2) : 1;
        a.u(uint16_t(mode));
        h -= mode - 1;
        break;
      }
      case Op::op_pushi16: a.h(int16_t(pickInt(-3, 30))); break;
      default: break;
    }
    h += p.pushes - p.pops;
    if (p.op == Op::op_retv || p.op == Op::op_exit || p.op == Op::op_next ||
        p.op == Op::op_ret) {
      // Nothing falls through; the next instruction is reached only by a
      // pending jump, so take its height.
      if (pending.empty()) break;
      h = pending.back().height;
      a.here(pending.back().label);
      pending.pop_back();
    }
  }
  while (!pending.empty()) {
    reachHeight(pending.back().height);
    a.here(pending.back().label);
    pending.pop_back();
  }
  reachHeight(0);
  a.op(Op::op_ret);
  w.setFunction(1000 + fn, a.function(uint16_t(params[fn]), uint16_t(locals[fn])));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::string dir = "/dev/shm";
  if (access(dir.c_str(), W_OK) != 0) dir = "/tmp";
  imagePath = dir + "/vorn-fuzzgen-" + std::to_string(getpid()) + ".ae";
  string_empty = stringNew("");
  awk_fieldinit();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  FuzzedDataProvider in(data, size);
  img::ImageWriter w;
  Gen g{in, w, {}, 0, {}, {}};
  for (const char* s : kStrings) g.strings.push_back(w.addString(s));
  g.nfuncs = g.pickInt(1, kMaxFunctions);
  for (int i = 0; i < g.nfuncs; ++i) {
    g.params[i] = i == 0 ? 0 : g.pickInt(0, 2);   // the phase function takes none
    g.locals[i] = g.pickInt(0, 3);
  }
  for (int i = g.nfuncs - 1; i >= 0; --i) g.function(i);
  w.setRootGid(img::root::kBegin1Function, 1000);
  w.setGlobalCount(img::kPredefinedCount + kProgramGlobals);
  std::vector<uint8_t> image = w.build();
  img::ImageWriter::writeFile(imagePath, image);

  static bool ioReady = false;
  static Cell stdCells[3];
  // The run-time state (fields, special variables, tables reachable from
  // them) may still hold string objects of the previous image, so its
  // segments are kept, not freed: the target leaks a few hundred bytes per
  // run. Run it in chunks of some millions of executions.
  // The record starts empty for every image (gsub on $0 grows it).
  if (ioReady) {
    Cell empty;
    cellSetString(&empty, stringDup(string_empty));
    awk_setfield(0, &empty);
  }
  for (int n = 0; n < img::kMaxSegments; ++n) {
    awk_segbase[n] = nullptr;
    awk_segsize[n] = 0;
  }
  awk_vm_reset();
  awk_exithook = exitHook;
  if (setjmp(exitJump) == 0) {
    if (!vm_open(imagePath.c_str()) || !awk_validaefile()) {
      std::fprintf(stderr, "the loader refused a generated image\n");
      std::abort();
    }
    awk_readroot();
    const int stdGids[3] = {img::predef::g_stdin, img::predef::g_stdout, img::predef::g_stderr};
    if (!ioReady) {
      awk_initio();
      for (int i = 0; i < 3; ++i) stdCells[i] = *awk_gvar(stdGids[i]);
      ioReady = true;
    } else {
      for (int i = 0; i < 3; ++i) *awk_gvar(stdGids[i]) = stdCells[i];
    }
    awk_varinit();
    awk_sp = &awk_stack[kStackTopCell];
    awk_fp = awk_sp;
    awk_gt_conditions = 0;
    awk_linenumber = 0;
    awk_fun_gid = 0;
    awk_runphase(1000);
  }
  awk_exithook = nullptr;
  return 0;
}

// Shared set-up for the interpreter tests: build an image with the image
// writer and the test assembler, load it in-process from memory,
// run functions through the native call entries, and read the results out
// of global variables. A run that ends (fatal message, exit) is caught
// through the exit hook, so one test binary can check many of them.
#pragma once
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "diag/oops.h"
#include "image_asm.h"
#include "interp/interp.h"
#include "program/symtab.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "test_support.h"

namespace interptest {

using vorn::image::Op;
using vorn::testasm::Asm;
namespace img = vorn::image;

// Program globals follow the 18 predefined ones.
inline constexpr int kG0 = 8000 + img::kPredefinedCount;
inline constexpr int kProgramGlobals = 8;

// Leaves the interpreter state as start-up would: empty stack, no frame,
// no pending conditions.
inline void resetInterpreter() {
  awk_sp = &awk_stack[kStackTopCell];
  awk_fp = awk_sp;
  awk_gt_conditions = 0;
  awk_exitstatus = 0;
  awk_linenumber = 0;
  awk_fun_gid = 0;
  awk_debug_gid = 0;
  awk_debug_caller = 0;
}

// One program under construction: functions by gid, strings, symbols.
struct Program {
  img::ImageWriter writer;

  uint32_t str(const std::string& s) { return writer.addString(s); }
  void fn(int gid, const Asm& a, int params = 0, int locals = 0, std::string names = ";") {
    writer.setFunction(gid, a.function(uint16_t(params), uint16_t(locals), std::move(names)));
  }
  void symbol(const std::string& name, int kind, int gid, img::SymbolDefinition def) {
    writer.addSymbol(name, {kind, int16_t(gid), 0, {def}});
  }
  void function(const std::string& name, int gid) {
    symbol(name, img::symkind::kFunction, gid,
           img::SymbolDefinition::make(img::defkind::kFunction, 0, gid));
  }
  void builtin(const std::string& name, int slot, uint16_t flags, int minArgs, int maxArgs,
               uint16_t types) {
    symbol(name, img::symkind::kBuiltin, slot,
           img::SymbolDefinition::builtin(flags, uint16_t(minArgs << 12 | maxArgs << 8), types));
  }

  // Builds the image and loads it from memory; false if refused. The
  // loaded image is used where it lies, so it stays until the next load
  // replaces it, whatever becomes of this object.
  bool load() {
    static std::vector<uint8_t> loaded;
    writer.setGlobalCount(img::kPredefinedCount + kProgramGlobals);
    std::vector<uint8_t> bytes = writer.build();
    awk_vm_reset();
    loaded = std::move(bytes);
    vm_borrowimage(loaded.data(), loaded.size(), "prog");
    if (awk_validaefile() != 1) return false;
    if (!string_empty) string_empty = stringNew("");
    awk_readroot();
    resetInterpreter();
    return true;
  }
};

// Runs f; returns -1 when it returned normally, else the status the run
// ended with. Everything written to standard error lands in *err.
inline int guarded(const std::function<void()>& f, std::string* err = nullptr) {
  testing::internal::CaptureStderr();
  awk_exithook = tsupport::exitHook;
  tsupport::exitStatus = -1;
  if (setjmp(tsupport::exitJump) == 0) f();
  awk_exithook = nullptr;
  std::string text = testing::internal::GetCapturedStderr();
  if (err) *err = text;
  if (tsupport::exitStatus != -1) resetInterpreter();
  return tsupport::exitStatus;
}

// Builds and loads function 1000, the BEGIN rule, as { body; store into G0 }:
// body leaves one value. Functions it calls are added to p before.
template <typename Body>
bool buildStore(Program& p, Body body) {
  Asm a;
  a.op(Op::op_line).u(1);
  body(a);
  a.op(Op::op_gstore).g(kG0).op(Op::op_ret);
  p.fn(1000, a);
  p.writer.setRootGid(img::root::kBegin1Function, 1000);
  return p.load();
}

// As buildStore, then runs it; true when the run returns and leaves the
// stack balanced.
template <typename Body>
bool runStore(Program& p, Body body) {
  if (!buildStore(p, body)) return false;
  Cell* base = awk_sp;
  return guarded([] { awki0(1000); }) == -1 && awk_sp == base;
}

// Loads a program whose only function, 1000, returns at once.
inline bool loadEmptyProgram() {
  Program p;
  p.fn(1000, Asm().op(Op::op_ret));
  return p.load();
}

// An operand: pushed by one instruction, or set into a cell.
struct Val {
  enum Kind { I, F, S, U } kind;
  int32_t i = 0;
  double d = 0;
  int dec = 0;
  const char* s = "";
};
inline Val I(int32_t v) { return {Val::I, v}; }
inline Val F(double v, int dec) { return {Val::F, 0, v, dec}; }
inline Val S(const char* s) { return {Val::S, 0, 0, 0, s}; }
inline Val U() { return {Val::U}; }

inline void push(Asm& a, Program& p, const Val& v) {
  switch (v.kind) {
    case Val::I: a.op(Op::op_pushi32).w(v.i); break;
    case Val::F: a.op(Op::op_pushf).d(v.d, uint16_t(v.dec)); break;
    case Val::S: a.op(Op::op_pushs).a(p.str(v.s)); break;
    case Val::U: a.op(Op::op_pushu); break;
  }
}

inline Cell* global(int gid) { return awk_gvar(gid); }

inline std::string text(const Cell* c) {
  return cellIsStringy(c) ? std::string(c->w.s->view()) : std::string("<not a string>");
}

}  // namespace interptest

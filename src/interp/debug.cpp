// The debugger builtins: arming the statement hook, walking the chain of
// call frames, and reading or changing a frame's parameters and locals by
// name.
//
// Frame 1 is the current frame (awk_fp, awk_fun_gid, awk_linenumber);
// frame k + 1 is the caller of frame k, whose frame cell recorded the
// caller's gid, its line at the call and its frame offset. Frames built by
// bytecode calls (tag 30) are walked into, and so is the frame of a phase
// that the run-time entered when the phase's function holds rules (a
// program of one module runs its rules' function as the phase itself); a
// generated phase function that only calls the modules' ones, and other
// native calls, end the chain.
//
// A function's name list reads "p1 p2;l1 l2": parameter i (from 1) lives
// i cells above the frame cell, local i i cells below it. Names match
// whole, never as the tail or head of a longer name.
#include <cstring>
#include <string>
#include <string_view>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "image/format.h"
#include "interp/frame.h"
#include "interp/interp.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "program/symtab.h"
#include "values/convert.h"

namespace gid = vorn::image::gid;

namespace {

// True for a phase function (named by the root record) that holds rules.
bool rulesPhase(int g) {
  namespace root = vorn::image::root;
  static constexpr int kPhases[] = {root::kInitFunction,      root::kBegin1Function,
                                    root::kBegin2Function,    root::kMainFunction,
                                    root::kEnd1Function,      root::kEnd2Function,
                                    root::kBeginFileFunction, root::kEndFileFunction,
                                    root::kExitFunction};
  bool phase = false;
  for (int off : kPhases) phase = phase || rootI16(off) == g;
  const unsigned char* code = phase ? awk_funaddr(g) : nullptr;
  if (!code) return false;
  uint16_t module;
  std::memcpy(&module, code + vorn::image::fnhdr::kModule, sizeof module);
  return module != vorn::image::kGeneratedModule;
}

struct FrameAt {
  Cell* frame;
  int gid;
  int line;
};

// Walks to frame n (n <= 1: the current one); false past the chain's end.
bool walkTo(int32_t n, FrameAt* at) {
  *at = {awk_fp, awk_fun_gid, awk_linenumber};
  bool phaseReached = false;   // a phase's frame ends the chain
  for (int32_t k = 1; k < n; ++k) {
    const Cell* f = at->frame;
    if (!f || phaseReached || f->tag == Tag::FrameMain) return false;   // the record loop records no caller
    at->gid = f->aux16b;
    at->line = f->aux16a;
    at->frame = awk_frameat(f->x.word2);
    if (at->frame->tag == Tag::FrameCall) continue;
    if (!rulesPhase(at->gid)) return false;
    phaseReached = true;
  }
  return at->frame != nullptr;
}

struct NameParts {
  std::string_view params, locals;
};

NameParts nameParts(int g) {
  std::string_view list = awk_funnames(g);
  size_t semi = list.find(';');
  if (semi == std::string_view::npos) return {};
  return {list.substr(0, semi), list.substr(semi + 1)};
}

// The names of part a program declared: the compiler's hidden locals (for
// arguments computed in order, loop key lists) are named with a leading
// "$", which no AWK name has, and are left out.
std::string declaredNames(std::string_view part) {
  std::string out;
  size_t p = 0;
  while (p < part.size()) {
    size_t e = part.find(' ', p);
    if (e == std::string_view::npos) e = part.size();
    std::string_view word = part.substr(p, e - p);
    if (!word.empty() && word[0] != '$') {
      if (!out.empty()) out += ' ';
      out += word;
    }
    p = e + 1;
  }
  return out;
}

// Position (from 1) of name among the blank-separated names of part; 0 if
// it is not there.
int position(std::string_view part, std::string_view name) {
  int i = 0;
  size_t p = 0;
  while (p < part.size()) {
    while (p < part.size() && part[p] == ' ') ++p;
    if (p == part.size()) break;
    size_t e = part.find(' ', p);
    if (e == std::string_view::npos) e = part.size();
    ++i;
    if (part.substr(p, e - p) == name) return i;
    p = e;
  }
  return 0;
}

int32_t intArg(const Cell* c) {
  return c->tag == Tag::Int ? c->w.i : awk_a2l(c);
}

std::string_view nameArg(const Cell* c) {
  if (!cellIsStringy(c)) awk_assert2(0x2401);
  return c->w.s->view();
}

// The cell of variable `name` in frame n, or null.
Cell* stackVar(int32_t n, std::string_view name) {
  FrameAt at;
  if (!walkTo(n, &at) || name.empty()) return nullptr;
  NameParts parts = nameParts(at.gid);
  if (int i = position(parts.params, name)) return i <= at.frame->aux8b ? at.frame + i : nullptr;
  if (int i = position(parts.locals, name)) {
    // A hostile name list may name more locals than the header reserved.
    if (i > fnLocalCount(awk_funaddr(at.gid))) return nullptr;
    return at.frame - i;
  }
  return nullptr;
}

inline void copyCell(Cell* dst, const Cell* src) {
  *dst = *src;
  if (dst->tag > Tag::Float) awk_access(dst);
}

}  // namespace

void b_debug_function(int argc, Cell* args) {
  awk_debug_caller = awk_fun_gid;
  if (argc < 1) {
    awk_debug_gid = awk_fun_gid;
    return;
  }
  int g = awk_gname2gid(nameArg(&args[0]));
  if (g < gid::kFunctionFirst || g > gid::kFunctionLast || g - gid::kFunctionFirst >= awk_nfuncs ||
      !awk_funaddrs[g - gid::kFunctionFirst]) {
    oops('w', "invalid debug_function() function name");
    return;
  }
  awk_debug_gid = int16_t(g);
}

void b_debug_get_frame(int argc, Cell* args) {
  FrameAt at;
  if (!walkTo(intArg(&args[0]), &at)) return;
  cellSetInt(awk_retval, at.gid);
  if (argc < 2) return;
  if (args[1].tag != Tag::Array) awk_assert2(0x2402);
  AwkTable* info = args[1].w.t;
  awk_stclear(info);
  NameParts parts = nameParts(at.gid);
  awk_setarray(info, 1, Tag::Int, at.gid);
  awk_setarray(info, 2, Tag::Int, at.line & 0x7FFF);
  awk_setarray(info, 3, Tag::Int, at.frame->aux8a);
  awk_setarray(info, 4, Tag::String, reinterpret_cast<intptr_t>(stringNew(parts.params)));
  awk_setarray(info, 5, Tag::String, reinterpret_cast<intptr_t>(stringNew(declaredNames(parts.locals).c_str())));
}

void b_debug_get_stack_var(int argc, Cell* args) {
  Cell* v = stackVar(intArg(&args[0]), nameArg(&args[1]));
  if (v) copyCell(awk_retval, v);
  if (argc >= 3) {
    Cell ok;
    cellSetInt(&ok, v ? 1 : 0);
    awk_setref(&args[2], &ok);
  }
}

void b_debug_set_stack_var(int, Cell* args) {
  cellSetInt(awk_retval, 0);
  Cell* v = stackVar(intArg(&args[0]), nameArg(&args[1]));
  if (!v) return;
  Cell value;
  copyCell(&value, &args[2]);   // before the release: the value may be the cell's own
  if (v->tag > Tag::Float) awk_unaccess(v);
  *v = value;
  cellSetInt(awk_retval, 1);
}

// The dispatch loop.
//
// One activation of awk_interp runs one function's bytecode: fetch the
// opcode byte, advance past the opcode unit, jump through the label table
// (opcode / 2, generated from the opcode list in opcode order), and let the
// handler read its operands and come back. Handlers step over operands by
// the widths the opcode list gives (OPND, INSN, AT below), constants the
// compiler folds into the same code as literal offsets. The load-time pass has checked
// every instruction, operand, jump target and local offset, so the loop
// checks nothing but the stack at frame builds and local reservations.
// It has not checked operand types: compiled code gives each instruction
// the types it expects, but an image may not, so every handler copes with
// any cell through a tag test off its fast path (a foreign type is
// converted, a reference to a stack cell stored beyond its frame is
// replaced by its value, a non-array used as an array is replaced by one).
//
// Invariants:
// - `sp` mirrors awk_sp. It is written back before every call that may
//   look at the stack (services, builtins, calls, diagnostics) and read
//   again after calls that may leave it elsewhere.
// - Every cell above the frame cell belongs to this activation; unwinding
//   releases them all and leaves the stack at the frame cell.
// - The integer fast paths apply only to tags 0 and 1 (an uninitialized
//   cell's word is 0) and never overflow; everything else goes to the
//   float services, which leave their result in the left operand's cell.
#include <climits>
#include <cstring>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "image/opcodes.h"
#include "interp/frame.h"
#include "arrays/cellops.h"
#include "interp/interp.h"
#include "interp/services.h"
#include "io/fields.h"
#include "io/globals.h"
#include "regex/regex.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "program/runstate.h"
#include "program/symtab.h"
#include "io/vars.h"
#include "values/alloc.h"
#include "values/arith.h"
#include "values/compare.h"
#include "values/convert.h"


namespace {

constexpr char kIllegalParamType[] = "Illegal type for function parameter";
constexpr char kStringTooLong[] = "String too long, is truncated";

inline void release(Cell* c) { awk_cellrelease(c); }
inline void copyCell(Cell* dst, const Cell* src) { awk_cellcopy(dst, src); }

// The string object at a virtual address of the image; an address outside
// the loaded segments goes to vm_v2pcode, which reports it.
inline AwkString* imageString(uint32_t vaddr) {
  const uint32_t seg = vaddr >> 16, off = vaddr & 0xFFFF;
  if (seg < uint32_t(vorn::image::kMaxSegments) && awk_segbase[seg] &&
      off < uint32_t(awk_segsize[seg])) [[likely]]
    return reinterpret_cast<AwkString*>(awk_segbase[seg] + off);
  return reinterpret_cast<AwkString*>(vm_v2pcode(vaddr));
}

// Header of function gid (checked at load to be a function gid).
inline AwkCode* funAddr(int gid) {
  const uint32_t i = uint32_t(gid - vorn::image::gid::kFunctionFirst);
  if (i < uint32_t(awk_nfuncs) && awk_funaddrs[i]) [[likely]]
    return awk_funaddrs[i];
  return awk_funaddr(gid);
}

inline bool isSmall(Tag t) { return uint16_t(t) <= uint16_t(Tag::Int); }

// Stores a float result computed inline and reads the sticky flags exactly as
// the float services do after an operation. `sp` is the current top, written
// back before a warning may look at the stack.
inline void floatResult(Cell* dst, double v, int dec, Cell* sp) {
  cellSetFloat(dst, v, int16_t(dec < kUnlimitedDecimals ? dec : kUnlimitedDecimals));
  if (awk_fpcheckall || !__builtin_isfinite(v)) {
    awk_sp = sp;
    awk_mathchk();
  }
}

// Truth of the top cell for a conditional jump, which then pops it.
inline bool jumpTruth(Cell* top) {
  if (isSmall(top->tag)) return top->w.i != 0;
  awk_sp = top;
  bool truth = awk_testany(top) != 0;
  release(top);
  return truth;
}

inline Cell* localAt(Cell* fp, int16_t off) {
  return reinterpret_cast<Cell*>(reinterpret_cast<char*>(fp) + off);
}

// Compiled code converts the operands of concatenation and matching to
// strings first; any other cell (an image may put one there) is converted
// here, off the fast path.
[[gnu::noinline, gnu::cold]] void convertToString(Cell* c) {
  AwkString* s = awk_a2s(c);
  release(c);
  cellSetString(c, s);
}
inline void makeString(Cell* c) {
  if (c->tag != Tag::String && !cellIsStringy(c)) [[unlikely]]
    convertToString(c);
}

// A reference stored beyond the running function: see awk_pinvalue.
[[gnu::noinline, gnu::cold]] void pinValue(Cell* c) { awk_pinvalue(c); }

// A non-array used as an array by op_aref becomes a new empty one.
[[gnu::noinline, gnu::cold]] void replaceByArray(Cell* c) {
  release(c);
  c->tag = Tag::Array;
  c->w.word = 0;
  c->w.t = awk_sanew(4);
}

inline void setArray(Cell* c, AwkTable* t) {
  c->tag = Tag::Array;
  c->w.word = 0;
  c->w.t = t;
}

// The truth of an int comparison result r (sign of left minus right) for a
// compare kind (image::cmp).
inline int32_t cmpTruth(int kind, int r) {
  namespace cmp = vorn::image::cmp;
  switch (kind) {
    case cmp::kLess: return r < 0;
    case cmp::kLessEqual: return r <= 0;
    case cmp::kGreater: return r > 0;
    case cmp::kGreaterEqual: return r >= 0;
    case cmp::kEqual: return r == 0;
    default: return r != 0;
  }
}

inline int32_t intCmpTruth(int kind, int32_t l, int32_t r) {
  namespace cmp = vorn::image::cmp;
  switch (kind) {
    case cmp::kLess: return l < r;
    case cmp::kLessEqual: return l <= r;
    case cmp::kGreater: return l > r;
    case cmp::kGreaterEqual: return l >= r;
    case cmp::kEqual: return l == r;
    default: return l != r;
  }
}

// Appends the pieces top[n-2] .. top[0] to the string of top[n-1] in place,
// when that is safe and gives the same result as building a new string:
// the concatenation is about to be stored back into `target`, the variable
// the first piece was copied from (`s = s x`), and that variable and the
// stack cell hold the only two references to the string. The object is
// then grown in its allocator block (which moves it to the next bucket only
// when the bucket is full, so repeated appends copy the text a logarithmic
// number of times) and both holders are pointed at the result; the store
// that follows releases the variable's reference and moves the stack cell
// in. Returns false, changing nothing, when the case does not apply.
bool appendInPlace(Cell* top, int n, Cell* target) {
  Cell* first = &top[n - 1];
  AwkString* s = first->w.s;
  if (first->tag != Tag::String || !cellIsStringy(target) || target->w.s != s || s->ref != 2 ||
      awk_blockbucket(s) < 0)
    return false;
  uint64_t total = s->len;
  for (int i = 0; i < n - 1; ++i) {
    if (top[i].tag != Tag::String) return false;   // the general path converts it
    total += top[i].w.s->len;
  }
  if (total > uint64_t(kNoLimit)) return false;  // the general path cuts and warns
  const uint32_t oldlen = s->len;
  auto* r = static_cast<AwkString*>(respace(s, int32_t(total + sizeof(AwkString) + 1)));
  char* out = r->text() + oldlen;
  for (int i = n - 2; i >= 0; --i) {
    AwkString* piece = top[i].w.s;
    std::memcpy(out, piece->text(), piece->len);
    out += piece->len;
    stringFree(piece);
  }
  *out = '\0';
  r->len = uint32_t(total);
  first->w.s = r;
  target->w.s = r;
  return true;
}

// Concatenates the n string cells from top[n-1] (deepest, first) to top[0]
// into top[n-1]. Pieces are cut to the length limit with a warning.
void concatCells(Cell* top, int n) {
  uint64_t total = 0;
  for (int i = 0; i < n; ++i) {
    makeString(&top[i]);
    total += top[i].w.s->len;
  }
  if (total > uint64_t(kNoLimit)) {
    oops('w', kStringTooLong);
    total = kNoLimit;
  }
  AwkString* r = stringInit(uint32_t(total));
  char* out = r->text();
  uint64_t room = total;
  for (int i = n - 1; i >= 0; --i) {
    AwkString* s = top[i].w.s;
    uint32_t take = s->len < room ? s->len : uint32_t(room);
    std::memcpy(out, s->text(), take);
    out += take;
    room -= take;
    stringFree(s);
  }
  cellSetString(&top[n - 1], r);
}

}  // namespace

// The dispatch loop's speed depends on where its handlers fall within
// 64-byte lines: the same code ran a CPU-bound loop 15% slower when an
// unrelated change elsewhere moved the function's start by 16 bytes. So the
// start is pinned: 64-byte aligned, then 32 bytes of padding, the offset
// at which the measured layout is the fast one. The body then sits in the
// same place within its lines whatever else the program contains.
[[gnu::aligned(64), gnu::patchable_function_entry(32, 0)]] void awk_interp(AwkCode* code) {
  static void* const kHandlers[vorn::image::kOpcodeCount] = {
#define VORN_OP_LABEL(name, code, operands, pops, pushes, flow, picture) &&L_##name,
      VORN_OPCODES(VORN_OP_LABEL)
#undef VORN_OP_LABEL
  };

  unsigned char* pc = code + vorn::image::kFunctionHeaderSize;
  Cell* sp = awk_sp;
  Cell* const fp = awk_fp;
  // The global cells stay where the loader put them for the whole run.
  Cell* const globals = awk_globvars;
#define GVAR(p) (globals + (opU16(p) - vorn::image::gid::kGlobalFirst))

  using vorn::image::kOpcodeBytes;
// Operand and instruction widths from the opcode list, and the offset of
// operand i from the first one: what the handlers step over.
#define OPND(name) (vorn::image::kOperandBytes<vorn::image::Op::name>)
#define INSN(name) (vorn::image::kInstructionBytes<vorn::image::Op::name>)
#define AT(name, i) (vorn::image::kOperandAt<vorn::image::Op::name, i>)
#define SYNC() (awk_sp = sp)
#define RELOAD() (sp = awk_sp)
#define DISPATCH()                  \
  do {                              \
    unsigned op_ = pc[0];           \
    pc += kOpcodeBytes;             \
    goto* kHandlers[op_ >> 1];      \
  } while (0)

  DISPATCH();

L_op_cmp: {
  int kind = opByte(pc);
  pc += OPND(op_cmp);
  Cell* r = sp;
  Cell* l = sp + 1;
  int32_t t;
  if (isSmall(l->tag) && isSmall(r->tag)) {
    t = intCmpTruth(kind, l->w.i, r->w.i);
  } else {
    SYNC();
    t = cmpTruth(kind, awk_cmp_any(kind, r, l));
    release(r);
    release(l);
  }
  // A condition jump right after takes the truth directly (the int cell it
  // would pop owns nothing).
  if (pc[0] == uint8_t(vorn::image::Op::op_jf)) {
    sp += 2;
    pc = t ? pc + INSN(op_jf) : opJump(pc + kOpcodeBytes);
    DISPATCH();
  }
  if (pc[0] == uint8_t(vorn::image::Op::op_jt)) {
    sp += 2;
    pc = t ? opJump(pc + kOpcodeBytes) : pc + INSN(op_jt);
    DISPATCH();
  }
  cellSetInt(l, t);
  ++sp;
  DISPATCH();
}

L_op_icmp: {
  int kind = opByte(pc);
  pc += OPND(op_icmp);
  int32_t t = intCmpTruth(kind, sp[1].w.i, sp[0].w.i);
  if (pc[0] == uint8_t(vorn::image::Op::op_jf)) {
    sp += 2;
    pc = t ? pc + INSN(op_jf) : opJump(pc + kOpcodeBytes);
    DISPATCH();
  }
  cellSetInt(sp + 1, t);
  ++sp;
  DISPATCH();
}

L_op_tostr: {
  switch (sp->tag) {
    case Tag::String:
      break;
    case Tag::Field: case Tag::VmString: case Tag::VmField:
      sp->tag = Tag::String;
      break;
    default: {
      SYNC();
      AwkString* s = awk_a2s(sp);
      release(sp);
      cellSetString(sp, s);
    }
  }
  DISPATCH();
}

L_op_toint: {
  if (isSmall(sp->tag)) {
    cellSetHead(sp, Tag::Int);
  } else {
    SYNC();
    int32_t v = awk_a2l(sp);
    release(sp);
    cellSetInt(sp, v);
  }
  DISPATCH();
}

L_op_tofloat: {
  if (sp->tag != Tag::Float) {
    SYNC();
    Cell old = *sp;
    awk_cvtf(&old, sp);
    release(&old);
  }
  DISPATCH();
}

L_op_tonum: {
  if (isSmall(sp->tag)) {
    cellSetHead(sp, Tag::Int);
  } else if (sp->tag != Tag::Float) {
    SYNC();
    Cell old = *sp;
    awk_cvtn(&old, sp);
    release(&old);
  }
  DISPATCH();
}

L_op_andjmp: {
  bool truth;
  if (isSmall(sp->tag)) {
    truth = sp->w.i != 0;
  } else {
    SYNC();
    truth = awk_testany(sp) != 0;
    release(sp);
  }
  if (!truth) {
    cellSetInt(sp, 0);
    pc = opJump(pc);
  } else {
    ++sp;
    pc += OPND(op_andjmp);
  }
  DISPATCH();
}

L_op_orjmp: {
  bool truth;
  if (isSmall(sp->tag)) {
    truth = sp->w.i != 0;
  } else {
    SYNC();
    truth = awk_testany(sp) != 0;
    release(sp);
  }
  if (truth) {
    cellSetInt(sp, 1);
    pc = opJump(pc);
  } else {
    ++sp;
    pc += OPND(op_orjmp);
  }
  DISPATCH();
}

L_op_nop1:
L_op_nop2:
L_op_nop3:
  DISPATCH();

L_op_not: {
  if (isSmall(sp->tag)) {
    cellSetInt(sp, sp->w.i == 0);
  } else {
    SYNC();
    int32_t t = awk_testany(sp) == 0;
    release(sp);
    cellSetInt(sp, t);
  }
  DISPATCH();
}

L_op_inot:
  cellSetInt(sp, sp->w.i == 0);
  DISPATCH();

L_op_tobool: {
  SYNC();
  int32_t t = awk_testany(sp) != 0;
  release(sp);
  cellSetInt(sp, t);
  DISPATCH();
}

L_op_itobool:
  cellSetInt(sp, sp->w.i != 0);
  DISPATCH();

L_op_aset: {
  // V A K: the key and the value move into the table.
  SYNC();
  awk_pinvalue(sp + 2);
  awk_tabadd(sp + 1, sp, sp + 2);
  release(sp + 1);
  sp += 3;
  DISPATCH();
}

L_op_aget: {
  SYNC();
  Cell v;
  cellSetUninit(&v);
  awk_tabfind(sp + 1, sp, &v, kTabCreate | kTabValue);
  release(sp);
  release(sp + 1);
  ++sp;
  *sp = v;
  DISPATCH();
}

L_op_in: {
  SYNC();
  int32_t t = awk_tabfind(sp + 1, sp, nullptr, 0) != 0;
  release(sp);
  release(sp + 1);
  ++sp;
  cellSetInt(sp, t);
  DISPATCH();
}

L_op_gpusharr: {
  Cell* g = GVAR(pc);
  pc += OPND(op_gpusharr);
  if (g->tag != Tag::Array) {
    SYNC();
    release(g);
    setArray(g, awk_sanew(4));
  }
  --sp;
  copyCell(sp, g);
  DISPATCH();
}

L_op_lpusharr: {
  Cell* l = localAt(fp, opI16(pc));
  pc += OPND(op_lpusharr);
  SYNC();
  if (l->tag == Tag::Ref) {
    Cell v;
    cellSetUninit(&v);
    awk_getref(l, &v, 1);
    *--sp = v;
  } else {
    if (l->tag != Tag::Array) {
      release(l);
      setArray(l, awk_sanew(4));
    }
    --sp;
    copyCell(sp, l);
  }
  DISPATCH();
}

L_op_agetarr: {
  SYNC();
  Cell v;
  cellSetUninit(&v);
  awk_tabfind(sp + 1, sp, &v, kTabArray);
  release(sp);
  release(sp + 1);
  ++sp;
  *sp = v;
  DISPATCH();
}

L_op_gstore: {
  Cell* g = GVAR(pc);
  pc += OPND(op_gstore);
  if (g->tag > Tag::Float) {
    SYNC();
    release(g);
  }
  if (sp->tag == Tag::Ref) [[unlikely]] {
    SYNC();
    pinValue(sp);
  }
  cellCopy(g, sp++);
  DISPATCH();
}

L_op_gpush: {
  Cell* g = GVAR(pc);
  // `g++` or `g += c` as a statement (gpush g, addi32 c, gstore g) on an
  // int that does not overflow: the sum goes straight into the global.
  constexpr int kAdd = OPND(op_gpush);               // where op_addi32 would be
  constexpr int kStore = kAdd + INSN(op_addi32);     // and then op_gstore
  if (pc[kAdd] == uint8_t(vorn::image::Op::op_addi32) && isSmall(g->tag) &&
      pc[kStore] == uint8_t(vorn::image::Op::op_gstore) &&
      opU16(pc + kStore + kOpcodeBytes) == opU16(pc)) {
    int32_t s;
    if (!__builtin_add_overflow(g->w.i, opI32w(pc + kAdd + kOpcodeBytes), &s)) {
      cellSetInt(g, s);
      pc += kStore + INSN(op_gstore);
      DISPATCH();
    }
  }
  pc += OPND(op_gpush);
  --sp;
  copyCell(sp, g);
  // A number made numeric right away (`g + ...` compiles to gpush,
  // tonum): only an int or uninitialized cell changes, into an int.
  if (pc[0] == uint8_t(vorn::image::Op::op_tonum) && sp->tag <= Tag::Float) {
    if (isSmall(sp->tag)) cellSetHead(sp, Tag::Int);
    pc += INSN(op_tonum);
  }
  DISPATCH();
}

L_op_lstore: {
  Cell* l = localAt(fp, opI16(pc));
  pc += OPND(op_lstore);
  if (l->tag == Tag::Ref) {
    SYNC();
    awk_setref(l, sp);
  } else {
    if (l->tag > Tag::Float) {
      SYNC();
      release(l);
    }
    cellCopy(l, sp);
  }
  ++sp;
  DISPATCH();
}

L_op_lpush: {
  Cell* l = localAt(fp, opI16(pc));
  pc += OPND(op_lpush);
  --sp;
  if (l->tag == Tag::Ref) {
    cellSetUninit(sp);
    SYNC();
    Cell v;
    cellSetUninit(&v);
    awk_getref(l, &v, 0);
    *sp = v;
  } else {
    copyCell(sp, l);
    if (pc[0] == uint8_t(vorn::image::Op::op_tonum) && sp->tag <= Tag::Float) {
      if (isSmall(sp->tag)) cellSetHead(sp, Tag::Int);
      pc += INSN(op_tonum);
    }
  }
  DISPATCH();
}

L_op_pushi32:
  --sp;
  cellSetInt(sp, opI32w(pc));
  pc += OPND(op_pushi32);
  DISPATCH();

L_op_pushf:
  --sp;
  cellSetFloat(sp, opF64(pc), opDecimals(pc));
  pc += OPND(op_pushf);
  DISPATCH();

L_op_pushu:
L_op_pushslot:
  --sp;
  cellSetUninit(sp);
  DISPATCH();

L_op_pushs: {
  SYNC();
  AwkString* s = imageString(opU32w(pc));
  pc += OPND(op_pushs);
  --sp;
  cellSetString(sp, stringDup(s));
  DISPATCH();
}

L_op_pushreu: {
  SYNC();
  AwkPattern* p = awka_erecomp(opU32w(pc), opByte(pc + AT(op_pushreu, 1)));
  if (!p) {
    // The diagnostic has been given; the constant stays uncompiled.
    pc += OPND(op_pushreu);
    --sp;
    cellSetUninit(sp);
    DISPATCH();
  }
  opSetU32w(pc, uint32_t(awk_pattab_add(p)));
  pc[-kOpcodeBytes] = uint8_t(vorn::image::Op::op_pushre);
  goto L_op_pushre;
}

L_op_pushre: {
  AwkPattern* p = awk_pattab[opU32w(pc)];
  pc += OPND(op_pushre);
  --sp;
  sp->tag = Tag::Regex;
  sp->w.word = 0;
  sp->w.re = p;
  awk_eredup(p);
  DISPATCH();
}

L_op_concat: {
  int n = opByte(pc);
  pc += OPND(op_concat);
  SYNC();
  if (n == 0) {
    --sp;
    cellSetString(sp, stringDup(string_empty));
    DISPATCH();
  }
  if (n >= 2) {
    // `v = v x ...`: the result goes straight back into the variable the
    // first piece came from.
    Cell* target = nullptr;
    const unsigned next = pc[0] >> 1;
    if (next == unsigned(vorn::image::Op::op_gstore) >> 1) {
      target = GVAR(pc + kOpcodeBytes);
    } else if (next == unsigned(vorn::image::Op::op_lstore) >> 1) {
      target = localAt(fp, opI16(pc + kOpcodeBytes));
    }
    if (target && appendInPlace(sp, n, target)) {
      sp += n - 1;
      DISPATCH();
    }
  }
  concatCells(sp, n);
  sp += n - 1;
  DISPATCH();
}

L_op_subsep:
  --sp;
  cellSetString(sp, stringDup(awk_subsep));
  DISPATCH();

L_op_div: {
  Cell* r = sp;
  Cell* l = sp + 1;
  if (l->tag <= Tag::Float && r->tag <= Tag::Float) {
    int dl, dr;
    const double a = awk_numval(l, &dl), b = awk_numval(r, &dr);
    const double v = a / b;
    // Two ints divide exactly when their double quotient is integral: the
    // quotient of 32-bit integers is rounded by less than 1/|R|, so an
    // inexact one never rounds to an integer. This spares the integer
    // division the exactness test would otherwise take.
    if (isSmall(l->tag) && isSmall(r->tag) && r->w.i != 0 && v == double(int64_t(v)) &&
        v != 2147483648.0) {
      cellSetInt(l, int32_t(v));
      ++sp;
      DISPATCH();
    }
    // Otherwise the float quotient, exactly as awkf_div computes it.
    const int16_t dec = r->tag == Tag::Float ? kUnlimitedDecimals : awk_quotdec(dl, r->w.i);
    floatResult(l, v, dec, sp);
  } else {
    SYNC();
    awkf_div(r);
  }
  ++sp;
  DISPATCH();
}

L_op_exit: {
  awk_gt_conditions |= kCondExit;
  if (sp->tag == Tag::Int) {
    awk_exitstatus = sp->w.i;
  } else if (sp->tag != Tag::Uninit) {
    SYNC();
    awk_exitstatus = awk_a2l(sp);
    release(sp);
  }
  ++sp;
  goto unwind;
}

L_op_cfun: {
  int n = opByte(pc);
  SYNC();
  svcCfun(pc, sp + n, sp);
  pc += OPND(op_cfun);
  for (int i = 0; i < n; ++i) release(sp + i);
  sp += n;
  awk_sp = sp;
  if (awk_gt_conditions) goto unwind;  // `exit` or `next` in a callback
  DISPATCH();
}

L_op_bcall: {
  int pop = pc[0];
  int argc = pc[1];
  int slot = opI16(pc + AT(op_bcall, 1));
  pc += OPND(op_bcall);
  SYNC();
  Cell* saved = awk_retval;
  awk_retval = sp + pop;
  awk_b_table[slot](argc, sp);
  awk_retval = saved;
  for (int i = 0; i < pop; ++i) release(sp + i);
  sp += pop;
  awk_sp = sp;
  if (awk_gt_conditions) [[unlikely]] goto unwind;  // `exit` or `next` in call()
  DISPATCH();
}

L_op_pushun: {
  int n = opByte(pc);
  pc += OPND(op_pushun);
  if (sp - n <= awk_spmax) {
    SYNC();
    oops('f', msg_stackoverflow);
  }
  for (int i = 0; i < n; ++i) cellSetUninit(--sp);
  DISPATCH();
}

L_op_call: {
  int nparams = pc[0];
  int nargs = pc[1];
  int gid = opU16(pc + AT(op_call, 1));
  pc += OPND(op_call);
  SYNC();
  if (sp <= awk_spmax) oops('f', msg_stackoverflow);
  awk_pushframe(Tag::FrameCall, nargs, nparams);
  awk_fun_gid = int16_t(gid);
  awk_interp(funAddr(gid));
  awk_popframe();
  sp = awk_sp;
  for (int i = 0; i < nparams; ++i) release(sp + i);
  sp += nparams;
  awk_sp = sp;
  if (awk_gt_conditions) goto unwind;
  // A result made numeric right away (`f(x) + ...`), as after op_gpush.
  if (pc[0] == uint8_t(vorn::image::Op::op_tonum) && sp->tag <= Tag::Float) {
    if (isSmall(sp->tag)) cellSetHead(sp, Tag::Int);
    pc += INSN(op_tonum);
  }
  DISPATCH();
}

L_op_jmp:
  pc = opJump(pc);
  DISPATCH();

L_op_jt: {
  const bool truth = jumpTruth(sp++);
  pc = truth ? opJump(pc) : pc + OPND(op_jt);
  DISPATCH();
}

L_op_jf: {
  const bool truth = jumpTruth(sp++);
  pc = truth ? pc + OPND(op_jf) : opJump(pc);
  DISPATCH();
}

L_op_pop:
  if (sp->tag > Tag::Float) {
    SYNC();
    release(sp);
  }
  ++sp;
  DISPATCH();

L_op_sub: {
  Cell* r = sp;
  Cell* l = sp + 1;
  int32_t d;
  if (isSmall(l->tag) && isSmall(r->tag) && !__builtin_sub_overflow(l->w.i, r->w.i, &d)) {
    cellSetInt(l, d);
  } else if (l->tag <= Tag::Float && r->tag <= Tag::Float) {
    // Both numbers: the float operation inline, exactly as awkf_minus does it.
    int dl, dr;
    const double a = awk_numval(l, &dl), b = awk_numval(r, &dr);
    floatResult(l, a - b, dl > dr ? dl : dr, sp);
  } else {
    SYNC();
    awkf_minus(r);
  }
  ++sp;
  DISPATCH();
}

L_op_mod:
  SYNC();
  awkf_mod(sp);
  ++sp;
  DISPATCH();

L_op_neg:
  if (isSmall(sp->tag) && sp->w.i != INT32_MIN) {
    cellSetInt(sp, -sp->w.i);
  } else {
    SYNC();
    awkf_neg(sp);
  }
  DISPATCH();

L_op_add: {
  Cell* r = sp;
  Cell* l = sp + 1;
  int32_t s;
  if (isSmall(l->tag) && isSmall(r->tag) && !__builtin_add_overflow(l->w.i, r->w.i, &s)) {
    cellSetInt(l, s);
  } else if (l->tag <= Tag::Float && r->tag <= Tag::Float) {
    // Both numbers: the float operation inline, exactly as awkf_plus does it.
    int dl, dr;
    const double a = awk_numval(l, &dl), b = awk_numval(r, &dr);
    floatResult(l, a + b, dl > dr ? dl : dr, sp);
  } else {
    SYNC();
    awkf_plus(r);
  }
  ++sp;
  DISPATCH();
}

L_op_pow:
  SYNC();
  awkf_power(sp);
  ++sp;
  DISPATCH();

L_op_retv: {
  Cell* slot = fp + fp->aux8b + 1;
  if (slot->tag > Tag::Float) {
    SYNC();
    release(slot);
  }
  if (sp->tag == Tag::Ref) [[unlikely]] {
    SYNC();
    pinValue(sp);
  }
  cellCopy(slot, sp++);
  goto unwind;
}

L_op_ret:
  goto unwind;

L_op_match: {
  // S P: S is a string (converted by the compiler), P anything.
  SYNC();
  makeString(sp + 1);
  int32_t t = 0;
  if (AwkPattern* p = awk_getere(sp, "~ or !~", 4)) {
    AwkString* s = sp[1].w.s;
    t = awk_erematch(p, s->text(), int32_t(s->len), 0, 0, 64) != 0;
  }
  release(sp);
  release(sp + 1);
  ++sp;
  cellSetInt(sp, t);
  DISPATCH();
}

L_op_mul: {
  Cell* r = sp;
  Cell* l = sp + 1;
  if (isSmall(l->tag) && isSmall(r->tag) && uint32_t(l->w.i) + 46339u <= 2 * 46339u &&
      uint32_t(r->w.i) + 46339u <= 2 * 46339u) {
    cellSetInt(l, l->w.i * r->w.i);
  } else if (l->tag <= Tag::Float && r->tag <= Tag::Float) {
    // Both numbers: the float product inline, exactly as awkf_times does it.
    int dl, dr;
    const double a = awk_numval(l, &dl), b = awk_numval(r, &dr);
    floatResult(l, a * b, dl + dr, sp);
  } else {
    SYNC();
    awkf_times(r);
  }
  ++sp;
  DISPATCH();
}

L_op_line:
  --awk_time_counter;
  awk_linenumber = opU16(pc);
  pc += OPND(op_line);
  if (awk_intflag) [[unlikely]] {
    SYNC();
    svcProcessint(0);
    RELOAD();
    if (awk_gt_conditions) goto unwind;
  }
  if (awk_debug_gid != 0 && awk_debug_caller != awk_fun_gid) [[unlikely]] {
    SYNC();
    awk_debughook();
    RELOAD();
    if (awk_gt_conditions) goto unwind;
  }
  DISPATCH();

L_op_dup:
  --sp;
  copyCell(sp, sp + 1);
  DISPATCH();

L_op_addi32: {
  int32_t c = opI32w(pc);
  pc += OPND(op_addi32);
  int32_t s;
  if (isSmall(sp->tag) && !__builtin_add_overflow(sp->w.i, c, &s)) {
    cellSetInt(sp, s);
  } else if (sp->tag <= Tag::Float) {
    // A number plus the constant: the float sum inline, as awkf_plus does it.
    int d;
    const double v = awk_numval(sp, &d) + double(c);
    floatResult(sp, v, d, sp);
  } else {
    --sp;
    cellSetInt(sp, c);
    SYNC();
    awkf_plus(sp);
    ++sp;
  }
  DISPATCH();
}

L_op_locals: {
  int n = opU16(pc);
  pc += OPND(op_locals);
  if (n > 0) {
    if (sp - awk_stack <= n + (awk_spmax - awk_stack)) {
      SYNC();
      oops('f', msg_stackoverflow);
    }
    sp -= n;
    std::memset(static_cast<void*>(sp), 0, sizeof(Cell) * size_t(n));
  }
  DISPATCH();
}

L_op_pvset: {
  int idx = opI16(pc);
  pc += OPND(op_pvset);
  SYNC();
  awk_pinvalue(sp);
  if (awk_setvarg(vorn::image::gid::kSpecialFirst + idx, sp) != 0) {
    release(sp);
    awk_nosvc(vorn::image::kSpecialNames[idx]);
  }
  ++sp;
  awk_sp = sp;
  DISPATCH();
}

L_op_pvget: {
  int idx = opI16(pc);
  pc += OPND(op_pvget);
  --sp;
  cellSetUninit(sp);
  SYNC();
  // NF bounds every loop over the fields: read it without the handler table.
  if (idx == vorn::image::pv::NF) {
    awk_splitrecord();
    cellSetInt(sp, awk_nf);
    DISPATCH();
  }
  if (awk_getvarg(vorn::image::gid::kSpecialFirst + idx, sp) != 0)
    awk_nosvc(vorn::image::kSpecialNames[idx]);
  DISPATCH();
}

L_op_ptype: {
  uint16_t want = opU16(pc);
  pc += OPND(op_ptype);
  if (uint16_t(sp->tag) != want) {
    SYNC();
    oops('f', kIllegalParamType);
  }
  DISPATCH();
}

L_op_forin: {
  Cell* l = localAt(fp, opI16(pc));
  pc += OPND(op_forin);
  SYNC();
  release(l);
  cellSetUninit(l);
  awk_tabkeys(sp, l, awk_sorttype);
  release(sp);
  ++sp;
  awk_time_counter = 0;
  DISPATCH();
}

L_op_fornext: {
  Cell* l = localAt(fp, opI16(pc + AT(op_fornext, 1)));
  AwkString* k = awk_nextindex(l);
  if (!k) {
    pc = opJump(pc);
  } else {
    pc += OPND(op_fornext);
    --sp;
    cellSetString(sp, stringDup(k));
  }
  DISPATCH();
}

L_op_delete: {
  int mode = opU16(pc);
  pc += OPND(op_delete);
  SYNC();
  if (mode == 1) {
    awk_tabdelete(sp, nullptr);
    release(sp);
    ++sp;
  } else {
    awk_tabdelete(sp, sp + 1);
    release(sp);
    release(sp + 1);
    sp += 2;
  }
  awk_sp = sp;
  DISPATCH();
}

L_op_getfld: {
  SYNC();
  svcGetfield(sp->w.i, sp);
  DISPATCH();
}

L_op_setfld: {
  SYNC();
  awk_pinvalue(sp + 1);
  svcSetfield(sp->w.i, sp + 1);
  sp += 2;
  awk_sp = sp;
  DISPATCH();
}

L_op_next:
  awk_gt_conditions |= kCondNext;
  goto unwind;

L_op_newarr:
  SYNC();
  --sp;
  setArray(sp, awk_sanew(4));
  DISPATCH();

L_op_pushi16:
  --sp;
  cellSetInt(sp, opI16(pc));
  pc += OPND(op_pushi16);
  DISPATCH();

L_op_refsave: {
  // `A[K]++` or `A[K] += c` as a statement (refsave, aget, tonum for `+=`,
  // addi32 c, refstore) on an int element: one lookup, the sum stored in
  // place. (tonum leaves an int or an uninitialized value as addi32 sees it.)
  SYNC();
  if (pc[0] == uint8_t(vorn::image::Op::op_aget)) {
    int add = INSN(op_aget);
    if (pc[add] == uint8_t(vorn::image::Op::op_tonum)) add += INSN(op_tonum);
    const int store = add + INSN(op_addi32);
    if (pc[add] == uint8_t(vorn::image::Op::op_addi32) &&
        pc[store] == uint8_t(vorn::image::Op::op_refstore) &&
        awk_tabincr(sp + 1, sp, opI32w(pc + add + kOpcodeBytes))) {
      release(sp);
      release(sp + 1);
      sp += 2;
      pc += store + INSN(op_refstore);
      DISPATCH();
    }
    // Any other `A[K] op= v`: the element is looked up once, here, and the
    // store goes straight to it unless the table changed meanwhile.
    if (AwkSlot* s = awk_tabslot(sp + 1, sp)) {
      Cell v;
      awk_fromvm(s, &v);
      awka_table_saveslot(sp, sp + 1, s);
      ++sp;
      *sp = v;
      pc += INSN(op_aget);
      DISPATCH();
    }
  }
  awka_table_save(sp, sp + 1);
  DISPATCH();
}

L_op_refstore:
  SYNC();
  awka_table_reassign(sp);
  ++sp;
  awk_sp = sp;
  DISPATCH();

L_op_swap: {
  Cell t = sp[0];
  sp[0] = sp[1];
  sp[1] = t;
  DISPATCH();
}

L_op_match0u: {
  SYNC();
  AwkPattern* p = awka_erecomp(opU32w(pc), opByte(pc + AT(op_match0u, 1)));
  if (!p) {
    pc += OPND(op_match0u);
    --sp;
    cellSetInt(sp, 0);
    DISPATCH();
  }
  opSetU32w(pc, uint32_t(awk_pattab_add(p)));
  pc[-kOpcodeBytes] = uint8_t(vorn::image::Op::op_match0);
  goto L_op_match0;
}

L_op_match0: {
  AwkPattern* p = awk_pattab[opU32w(pc)];
  pc += OPND(op_match0);
  SYNC();
  int32_t m;
  if (const AwkString* rec = awk_peek0()) {
    m = awk_rematches(p, rec->text(), int32_t(rec->len), 0);
  } else {
    AwkString* s = svcGet0();
    m = awk_rematches(p, s->text(), int32_t(s->len), 0);
    stringFree(s);
  }
  --sp;
  cellSetInt(sp, m);
  DISPATCH();
}

L_op_gref:
  --sp;
  sp->tag = Tag::Ref;
  sp->aux8a = uint8_t(RefKind::Global);
  sp->w.word = 0;
  sp->w.i = opU16(pc);
  pc += OPND(op_gref);
  DISPATCH();

L_op_lref: {
  Cell* l = localAt(fp, opI16(pc));
  pc += OPND(op_lref);
  --sp;
  if (l->tag == Tag::Ref) {
    copyCell(sp, l);
  } else {
    sp->tag = Tag::Ref;
    sp->aux8a = uint8_t(RefKind::Local);
    sp->w.cell = l;
  }
  DISPATCH();
}

L_op_aref: {
  // A K: the array cell becomes the element reference and keeps its table.
  // A cell that is no array (only a foreign image pushes one) becomes a
  // new empty array first, as op_mkarr would make it.
  SYNC();
  AwkString* key = awk_a2s(sp);
  release(sp);
  ++sp;
  if (sp->tag != Tag::Array) [[unlikely]]
    replaceByArray(sp);
  sp->tag = Tag::Ref;
  sp->aux8a = uint8_t(RefKind::Element);
  sp->x.key = key;
  DISPATCH();
}

L_op_fref:
  sp->tag = Tag::Ref;
  sp->aux8a = uint8_t(RefKind::Field);
  DISPATCH();

L_op_pvref:
  --sp;
  sp->tag = Tag::Ref;
  sp->aux8a = uint8_t(RefKind::Special);
  sp->w.word = 0;
  sp->w.i = vorn::image::gid::kSpecialFirst + opU16(pc);
  pc += OPND(op_pvref);
  DISPATCH();

L_op_mkarr:
  if (sp->tag != Tag::Array) {
    SYNC();
    release(sp);
    setArray(sp, awk_sanew(4));
  }
  DISPATCH();

unwind:
  while (sp < fp) {
    if (sp->tag > Tag::Float) {
      SYNC();
      release(sp);
    }
    ++sp;
  }
  awk_sp = sp;
#undef OPND
#undef INSN
#undef AT
#undef SYNC
#undef RELOAD
#undef DISPATCH
#undef GVAR
}


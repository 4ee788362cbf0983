// The instruction set: one list from which the opcode enum, the names, the
// operand layouts, the stack effects, the dispatch table, the operand widths
// the interpreter steps over, the compiler's stack tracking, the load-time
// checker and the disassembler are all generated.
//
// Each entry is X(name, code, operands, pops, pushes, flow, picture). The
// opcode byte is `code` (always even); the handler index is code / 2. Every
// instruction is one 16-bit unit (opcode byte, zero byte) followed by its
// operands, each a whole number of 16-bit units, big-endian. Operand kind
// letters:
//
//   b  a byte, then a zero byte                      (1 unit)
//   p  two bytes                                     (1 unit)
//   h  signed 16-bit value                           (1 unit)
//   u  unsigned 16-bit value                         (1 unit)
//   j  jump: signed offset from the offset unit      (1 unit)
//   l  local: signed byte offset from the frame cell, a multiple of the
//      cell size (format.h)                          (1 unit)
//   g  global variable gid                           (1 unit)
//   v  special-variable index, gid - first special gid (1 unit)
//   s  builtin slot                                  (1 unit)
//   c  AWK function gid                              (1 unit)
//   e  external function id                          (1 unit)
//   w  32-bit value, low half first                  (2 units)
//   a  virtual address of a string object, as w      (2 units)
//   r  index of a compiled pattern (rewritten forms) (2 units)
//   d  IEEE double, big-endian, then u16 decimals    (5 units)
//
// Stack effect: `pops` and `pushes` count working cells of the evaluation
// stack. N is the count the first operand carries (the byte of a b, the
// first byte of a p, the value of a u): op_concat n pops n, a call pops its
// n argument cells and the result slot. `flow` says where control goes:
//   fall    on to the next instruction
//   end     nowhere in this function (return, exit, next)
//   jump    to the j operand only
//   branch  on, or to the j operand with the same effect
//   keep    on with the effect, or to the j operand leaving the height as
//           it was (the && and || tests, the for-in step)
// The picture column shows the cells for a reader (top of stack rightmost).
#pragma once

#define VORN_OPCODES(X)                                                         \
  X(op_cmp,        0, "b",  2,   1, fall,   "L R -> i      compare with kind b (cmp:: below)") \
  X(op_icmp,       2, "b",  2,   1, fall,   "L R -> i      compare two ints") \
  X(op_tostr,      4, "",   1,   1, fall,   "x -> s        to string") \
  X(op_toint,      6, "",   1,   1, fall,   "x -> i        to int") \
  X(op_tofloat,    8, "",   1,   1, fall,   "x -> f        to float") \
  X(op_tonum,     10, "",   1,   1, fall,   "x -> n        to int or float as the text gives") \
  X(op_andjmp,    12, "j",  1,   0, keep,   "x -> | 0      &&: false leaves int 0 and jumps") \
  X(op_nop1,      14, "",   0,   0, fall,   "-             nothing") \
  X(op_orjmp,     16, "j",  1,   0, keep,   "x -> | 1      ||: true leaves int 1 and jumps") \
  X(op_nop2,      18, "",   0,   0, fall,   "-             nothing") \
  X(op_not,       20, "",   1,   1, fall,   "x -> i        logical not") \
  X(op_inot,      22, "",   1,   1, fall,   "x -> i        logical not of an int") \
  X(op_tobool,    24, "",   1,   1, fall,   "x -> i        truth as 0 or 1") \
  X(op_itobool,   26, "",   1,   1, fall,   "x -> i        truth of an int as 0 or 1") \
  X(op_aset,      28, "",   3,   0, fall,   "V A K ->      A[K] = V") \
  X(op_aget,      30, "",   2,   1, fall,   "A K -> v      A[K], created when missing") \
  X(op_in,        32, "",   2,   1, fall,   "A K -> i      K in A") \
  X(op_gpusharr,  34, "g",  0,   1, fall,   "-> A          global made an array, pushed") \
  X(op_lpusharr,  36, "l",  0,   1, fall,   "-> A          local made an array, pushed") \
  X(op_agetarr,   38, "",   2,   1, fall,   "A K -> A2     A[K] made an array, pushed") \
  X(op_gstore,    40, "g",  1,   0, fall,   "x ->          store into global") \
  X(op_gpush,     42, "g",  0,   1, fall,   "-> x          push global") \
  X(op_lstore,    44, "l",  1,   0, fall,   "x ->          store into local (through a reference)") \
  X(op_lpush,     46, "l",  0,   1, fall,   "-> x          push local (through a reference)") \
  X(op_pushi32,   48, "w",  0,   1, fall,   "-> i          push int constant") \
  X(op_pushf,     50, "d",  0,   1, fall,   "-> f          push float constant with decimals") \
  X(op_pushu,     52, "",   0,   1, fall,   "-> u          push uninitialized") \
  X(op_pushs,     54, "a",  0,   1, fall,   "-> s          push string constant of the image") \
  X(op_nop3,      56, "",   0,   0, fall,   "-             nothing") \
  X(op_pushreu,   58, "ab", 0,   1, fall,   "-> r          pattern constant, first use; becomes op_pushre") \
  X(op_pushre,    60, "rb", 0,   1, fall,   "-> r          push compiled pattern") \
  X(op_concat,    62, "b",  N,   1, fall,   "s1..sn -> s   concatenate n strings") \
  X(op_subsep,    64, "",   0,   1, fall,   "-> s          push SUBSEP") \
  X(op_div,       66, "",   2,   1, fall,   "L R -> q      divide") \
  X(op_exit,      68, "",   1,   0, end,    "x ->          request exit with status x; unwind") \
  X(op_cfun,      70, "be", N+1, 1, fall,   "slot a1..an -> slot   external library call") \
  X(op_bcall,     72, "ps", N+1, 1, fall,   "slot a1..an -> slot   builtin call (pop, argc)") \
  X(op_pushslot,  74, "",   0,   1, fall,   "-> u          push a result slot") \
  X(op_pushun,    76, "b",  0,   N, fall,   "-> u..u       push n uninitialized cells") \
  X(op_call,      78, "pc", N+1, 1, fall,   "slot p1..pn -> slot   AWK call (nparams, nargs)") \
  X(op_jmp,       80, "j",  0,   0, jump,   "-             jump") \
  X(op_jt,        82, "j",  1,   0, branch, "x ->          jump if true") \
  X(op_jf,        84, "j",  1,   0, branch, "x ->          jump if false") \
  X(op_pop,       86, "",   1,   0, fall,   "x ->          drop") \
  X(op_sub,       88, "",   2,   1, fall,   "L R -> L-R    subtract") \
  X(op_mod,       90, "",   2,   1, fall,   "L R -> L%R    floored modulus") \
  X(op_neg,       92, "",   1,   1, fall,   "x -> -x       negate") \
  X(op_add,       94, "",   2,   1, fall,   "L R -> L+R    add") \
  X(op_pow,       96, "",   2,   1, fall,   "L R -> L^R    power") \
  X(op_retv,      98, "",   1,   0, end,    "x ->          return x; unwind") \
  X(op_ret,      100, "",   0,   0, end,    "-             return; unwind") \
  X(op_match,    102, "",   2,   1, fall,   "S P -> i      S ~ P") \
  X(op_mul,      104, "",   2,   1, fall,   "L R -> L*R    multiply") \
  X(op_line,     106, "u",  0,   0, fall,   "-             statement start at line n") \
  X(op_dup,      108, "",   1,   2, fall,   "x -> x x      duplicate") \
  X(op_addi32,   110, "w",  1,   1, fall,   "L -> L+c      add int constant") \
  X(op_locals,   112, "u",  0,   0, fall,   "-> u..u       reserve n locals") \
  X(op_pvset,    114, "v",  1,   0, fall,   "x ->          assign special variable") \
  X(op_pvget,    116, "v",  0,   1, fall,   "-> x          read special variable") \
  X(op_ptype,    118, "u",  1,   1, fall,   "x -> x        demand parameter type") \
  X(op_forin,    120, "l",  1,   0, fall,   "A ->          for-in: key list into local") \
  X(op_fornext,  122, "jl", 0,   1, keep,   "-> k          for-in: next key, or jump at end") \
  X(op_delete,   124, "u",  N,   0, fall,   "A -> | K A -> delete all (1) or one element (2)") \
  X(op_getfld,   126, "",   1,   1, fall,   "n -> v        field value") \
  X(op_setfld,   128, "",   2,   0, fall,   "V n ->        assign field") \
  X(op_next,     130, "",   0,   0, end,    "-             request next record; unwind") \
  X(op_newarr,   132, "",   0,   1, fall,   "-> A          push new empty array") \
  X(op_pushi16,  134, "h",  0,   1, fall,   "-> i          push small int constant") \
  X(op_refsave,  136, "",   2,   2, fall,   "A K -> A K    save element for a by-reference store") \
  X(op_refstore, 138, "",   1,   0, fall,   "V ->          store into the last saved element") \
  X(op_swap,     140, "",   2,   2, fall,   "a b -> b a    exchange") \
  X(op_match0u,  142, "ab", 0,   1, fall,   "-> i          $0 ~ constant pattern, first use; becomes op_match0") \
  X(op_match0,   144, "rb", 0,   1, fall,   "-> i          $0 ~ compiled pattern (end of match + 1, or 0)") \
  X(op_gref,     146, "g",  0,   1, fall,   "-> r          reference to global") \
  X(op_lref,     148, "l",  0,   1, fall,   "-> r          reference to local") \
  X(op_aref,     150, "",   2,   1, fall,   "A K -> r      reference to array element") \
  X(op_fref,     152, "",   1,   1, fall,   "n -> r        reference to field") \
  X(op_pvref,    154, "v",  0,   1, fall,   "-> r          reference to special variable") \
  X(op_mkarr,    156, "",   1,   1, fall,   "x -> A        make array")

namespace vorn::image {

enum class Op : unsigned char {
#define VORN_OP_ENUM(name, code, operands, pops, pushes, flow, picture) name = code,
  VORN_OPCODES(VORN_OP_ENUM)
#undef VORN_OP_ENUM
};

inline constexpr int kOpcodeCount = 79;
// Compare kinds, the operand of op_cmp and op_icmp: the relation of the
// left operand to the right.
namespace cmp {
inline constexpr int kLess = 0, kLessEqual = 2, kGreater = 4, kGreaterEqual = 6, kEqual = 8,
                     kNotEqual = 10;
inline constexpr const char* kRelationNames[] = {"<", "<=", ">", ">=", "==", "!="};
// A valid kind is even and at most kNotEqual.
constexpr bool valid(int kind) { return kind >= 0 && kind <= kNotEqual && kind % 2 == 0; }
}  // namespace cmp

// The most operands one instruction has.
inline constexpr int kMaxOperands = 2;

enum class Flow : unsigned char { fall, end, jump, branch, keep };

// A number of stack cells: a fixed part, plus the first operand's count
// when `counted`.
struct CellCount {
  int base = 0;
  bool counted = false;
  constexpr CellCount(int n) : base(n) {}  // NOLINT: table entries are plain numbers
  constexpr CellCount(int n, bool c) : base(n), counted(c) {}
  constexpr int of(int count) const { return base + (counted ? count : 0); }
};
constexpr CellCount operator+(CellCount c, int n) { return {c.base + n, c.counted}; }

// Texts are held in the entries, not pointed at, so that the table is
// constant data a program's start need not relocate. The stack pictures of
// the list above are for its readers only.
struct OpInfo {
  char name[16];         // "op_cmp"
  char operands[4];      // operand kind letters, see above
  int units;             // total length in 16-bit units, opcode unit included
  CellCount pops, pushes;
  Flow flow;
};

// Number of 16-bit units an operand kind letter occupies.
constexpr int operandUnits(char kind) {
  switch (kind) {
    case 'w': case 'a': case 'r': return 2;
    case 'd': return 5;
    default: return 1;
  }
}

constexpr int instructionUnits(const char* operands) {
  int n = 1;
  for (const char* p = operands; *p; ++p) n += operandUnits(*p);
  return n;
}

namespace opdata {
// The names the table's effect columns use.
inline constexpr CellCount N{0, true};
inline constexpr Flow fall = Flow::fall, end = Flow::end, jump = Flow::jump,
                      branch = Flow::branch, keep = Flow::keep;

inline constexpr OpInfo kTable[kOpcodeCount] = {
#define VORN_OP_INFO(name, code, operands, pops, pushes, flow, picture) \
  {#name, operands, instructionUnits(operands), pops, pushes, flow},
    VORN_OPCODES(VORN_OP_INFO)
#undef VORN_OP_INFO
};
}  // namespace opdata

// Indexed by opcode byte / 2.
inline constexpr const OpInfo (&kOpInfo)[kOpcodeCount] = opdata::kTable;

constexpr const OpInfo& opInfo(Op op) { return kOpInfo[int(op) / 2]; }

// Bytes of the opcode unit, of an instruction's operands, of the whole
// instruction, and the offset of operand i from the first operand: what the
// interpreter steps over.
inline constexpr int kOpcodeBytes = 2;
template <Op op>
inline constexpr int kOperandBytes = (opInfo(op).units - 1) * 2;
template <Op op>
inline constexpr int kInstructionBytes = opInfo(op).units * 2;
constexpr int operandOffset(const OpInfo& info, int i) {
  int n = 0;
  for (int k = 0; k < i; ++k) n += operandUnits(info.operands[k]) * 2;
  return n;
}
template <Op op, int i>
inline constexpr int kOperandAt = operandOffset(opInfo(op), i);

// One instruction's effect on the working cells, its first operand's count
// (see above) filled in.
struct StackStep {
  int pops = 0, pushes = 0;
  bool falls = true;       // continues with the next instruction
  bool jumps = false;      // may go to its j operand
  int jumpPops = 0, jumpPushes = 0;
};

constexpr StackStep stackStep(const OpInfo& info, int count) {
  StackStep s;
  s.pops = info.pops.of(count);
  s.pushes = info.pushes.of(count);
  s.falls = info.flow != Flow::end && info.flow != Flow::jump;
  s.jumps = info.flow == Flow::jump || info.flow == Flow::branch || info.flow == Flow::keep;
  // keep: the jump leaves the height as it was (jumpPops = jumpPushes = 0).
  if (info.flow == Flow::branch || info.flow == Flow::jump) {
    s.jumpPops = s.pops;
    s.jumpPushes = s.pushes;
  }
  return s;
}

// The list must stay dense and in code order: index i has code 2*i; no
// instruction has more than kMaxOperands operands, the ones with a counted
// effect carry the count first, and the ones that jump their j operand.
namespace detail {
constexpr bool opcodesDense() {
  int i = 0;
#define VORN_OP_CHECK(name, code, operands, pops, pushes, flow, picture) \
  if ((code) != 2 * i++) return false;
  VORN_OPCODES(VORN_OP_CHECK)
#undef VORN_OP_CHECK
  return i == kOpcodeCount;
}
constexpr bool operandsFit() {
  for (const OpInfo& info : kOpInfo) {
    int n = 0;
    for (const char* k = info.operands; *k; ++k) ++n;
    if (n > kMaxOperands) return false;
    char first = info.operands[0];
    if ((info.pops.counted || info.pushes.counted) && first != 'b' && first != 'p' && first != 'u')
      return false;
    if ((info.flow == Flow::jump || info.flow == Flow::branch || info.flow == Flow::keep) !=
        (first == 'j'))
      return false;
  }
  return true;
}
}  // namespace detail
static_assert(detail::opcodesDense(), "opcode list must be dense and ordered");
static_assert(detail::operandsFit(), "operand lists must fit the decoder");

}  // namespace vorn::image

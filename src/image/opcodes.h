// The instruction set: one list from which the opcode enum, the names, the
// operand layouts, the dispatch table, the load-time checker and the
// disassembler are all generated.
//
// Each entry is X(name, code, operands, stack effect). The opcode byte is
// `code` (always even); the handler index is code / 2. Every instruction is
// one 16-bit unit (opcode byte, zero byte) followed by its operands, each a
// whole number of 16-bit units, big-endian. Operand kind letters:
//
//   b  a byte, then a zero byte                      (1 unit)
//   p  two bytes                                     (1 unit)
//   h  signed 16-bit value                           (1 unit)
//   u  unsigned 16-bit value                         (1 unit)
//   j  jump: signed offset from the offset unit      (1 unit)
//   l  local: signed byte offset from the frame cell (1 unit)
//   g  global variable gid, 8000 and up              (1 unit)
//   v  special-variable index, gid - 200             (1 unit)
//   s  builtin slot 1..120                           (1 unit)
//   c  AWK function gid 1000..2999                   (1 unit)
//   e  external function id 10000..11999            (1 unit)
//   w  32-bit value, low half first                  (2 units)
//   a  virtual address of a string object, as w      (2 units)
//   r  index of a compiled pattern (rewritten forms) (2 units)
//   d  IEEE double, big-endian, then u16 decimals    (5 units)
#pragma once

#define VORN_OPCODES(X)                                                         \
  X(op_cmp,       0, "b",  "L R -> i      compare with kind b (0 < 2 <= 4 > 6 >= 8 == 10 !=)") \
  X(op_icmp,      2, "b",  "L R -> i      compare two ints")                   \
  X(op_tostr,     4, "",   "x -> s        to string")                          \
  X(op_toint,     6, "",   "x -> i        to int")                             \
  X(op_tofloat,   8, "",   "x -> f        to float")                           \
  X(op_tonum,    10, "",   "x -> n        to int or float as the text gives")  \
  X(op_andjmp,   12, "j",  "x -> | 0      &&: false leaves int 0 and jumps")   \
  X(op_nop1,     14, "",   "-             nothing")                            \
  X(op_orjmp,    16, "j",  "x -> | 1      ||: true leaves int 1 and jumps")    \
  X(op_nop2,     18, "",   "-             nothing")                            \
  X(op_not,      20, "",   "x -> i        logical not")                        \
  X(op_inot,     22, "",   "x -> i        logical not of an int")              \
  X(op_tobool,   24, "",   "x -> i        truth as 0 or 1")                    \
  X(op_itobool,  26, "",   "x -> i        truth of an int as 0 or 1")          \
  X(op_aset,     28, "",   "V A K ->      A[K] = V")                           \
  X(op_aget,     30, "",   "A K -> v      A[K], created when missing")         \
  X(op_in,       32, "",   "A K -> i      K in A")                             \
  X(op_gpusharr, 34, "g",  "-> A          global made an array, pushed")       \
  X(op_lpusharr, 36, "l",  "-> A          local made an array, pushed")        \
  X(op_agetarr,  38, "",   "A K -> A2     A[K] made an array, pushed")         \
  X(op_gstore,   40, "g",  "x ->          store into global")                  \
  X(op_gpush,    42, "g",  "-> x          push global")                        \
  X(op_lstore,   44, "l",  "x ->          store into local (through a reference)") \
  X(op_lpush,    46, "l",  "-> x          push local (through a reference)")   \
  X(op_pushi32,  48, "w",  "-> i          push int constant")                  \
  X(op_pushf,    50, "d",  "-> f          push float constant with decimals")  \
  X(op_pushu,    52, "",   "-> u          push uninitialized")                 \
  X(op_pushs,    54, "a",  "-> s          push string constant of the image")  \
  X(op_nop3,     56, "",   "-             nothing")                            \
  X(op_pushreu,  58, "ab", "-> r          pattern constant, first use; becomes op_pushre") \
  X(op_pushre,   60, "rb", "-> r          push compiled pattern")              \
  X(op_concat,   62, "b",  "s1..sn -> s   concatenate n strings")              \
  X(op_subsep,   64, "",   "-> s          push SUBSEP")                        \
  X(op_div,      66, "",   "L R -> q      divide")                             \
  X(op_exit,     68, "",   "x ->          request exit with status x; unwind") \
  X(op_cfun,     70, "be", "slot a1..an -> slot   external library call")      \
  X(op_bcall,    72, "ps", "slot a1..an -> slot   builtin call (pop, argc)")   \
  X(op_pushslot, 74, "",   "-> u          push a result slot")                 \
  X(op_pushun,   76, "b",  "-> u..u       push n uninitialized cells")         \
  X(op_call,     78, "pc", "slot p1..pn -> slot   AWK call (nparams, nargs)")  \
  X(op_jmp,      80, "j",  "-             jump")                               \
  X(op_jt,       82, "j",  "x ->          jump if true")                       \
  X(op_jf,       84, "j",  "x ->          jump if false")                      \
  X(op_pop,      86, "",   "x ->          drop")                               \
  X(op_sub,      88, "",   "L R -> L-R    subtract")                           \
  X(op_mod,      90, "",   "L R -> L%R    floored modulus")                    \
  X(op_neg,      92, "",   "x -> -x       negate")                             \
  X(op_add,      94, "",   "L R -> L+R    add")                                \
  X(op_pow,      96, "",   "L R -> L^R    power")                              \
  X(op_retv,     98, "",   "x ->          return x; unwind")                   \
  X(op_ret,     100, "",   "-             return; unwind")                     \
  X(op_match,   102, "",   "S P -> i      S ~ P")                              \
  X(op_mul,     104, "",   "L R -> L*R    multiply")                           \
  X(op_line,    106, "u",  "-             statement start at line n")          \
  X(op_dup,     108, "",   "x -> x x      duplicate")                          \
  X(op_addi32,  110, "w",  "L -> L+c      add int constant")                   \
  X(op_locals,  112, "u",  "-> u..u       reserve n locals")                   \
  X(op_pvset,   114, "v",  "x ->          assign special variable")            \
  X(op_pvget,   116, "v",  "-> x          read special variable")              \
  X(op_ptype,   118, "u",  "x -> x        demand parameter type")              \
  X(op_forin,   120, "l",  "A ->          for-in: key list into local")        \
  X(op_fornext, 122, "jl", "-> k          for-in: next key, or jump at end")   \
  X(op_delete,  124, "u",  "A -> | K A -> delete all (1) or one element (2)")  \
  X(op_getfld,  126, "",   "n -> v        field value")                        \
  X(op_setfld,  128, "",   "V n ->        assign field")                       \
  X(op_next,    130, "",   "-             request next record; unwind")        \
  X(op_newarr,  132, "",   "-> A          push new empty array")               \
  X(op_pushi16, 134, "h",  "-> i          push small int constant")            \
  X(op_refsave, 136, "",   "A K -> A K    save element for a by-reference store") \
  X(op_refstore,138, "",   "V ->          store into the last saved element")  \
  X(op_swap,    140, "",   "a b -> b a    exchange")                           \
  X(op_match0u, 142, "ab", "-> i          $0 ~ constant pattern, first use; becomes op_match0") \
  X(op_match0,  144, "rb", "-> i          $0 ~ compiled pattern (end of match + 1, or 0)") \
  X(op_gref,    146, "g",  "-> r          reference to global")                \
  X(op_lref,    148, "l",  "-> r          reference to local")                 \
  X(op_aref,    150, "",   "A K -> r      reference to array element")         \
  X(op_fref,    152, "",   "n -> r        reference to field")                 \
  X(op_pvref,   154, "v",  "-> r          reference to special variable")      \
  X(op_mkarr,   156, "",   "x -> A        make array")

namespace vorn::image {

enum class Op : unsigned char {
#define VORN_OP_ENUM(name, code, operands, effect) name = code,
  VORN_OPCODES(VORN_OP_ENUM)
#undef VORN_OP_ENUM
};

inline constexpr int kOpcodeCount = 79;

struct OpInfo {
  const char* name;      // "op_cmp"
  const char* operands;  // operand kind letters, see above
  const char* effect;    // stack effect, for the disassembler
  int units;             // total length in 16-bit units, opcode unit included
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

// Indexed by opcode byte / 2.
inline constexpr OpInfo kOpInfo[kOpcodeCount] = {
#define VORN_OP_INFO(name, code, operands, effect) \
  {#name, operands, effect, instructionUnits(operands)},
    VORN_OPCODES(VORN_OP_INFO)
#undef VORN_OP_INFO
};

// The list must stay dense and in code order: index i has code 2*i.
namespace detail {
constexpr bool opcodesDense() {
  int i = 0;
#define VORN_OP_CHECK(name, code, operands, effect) \
  if ((code) != 2 * i++) return false;
  VORN_OPCODES(VORN_OP_CHECK)
#undef VORN_OP_CHECK
  return i == kOpcodeCount;
}
}  // namespace detail
static_assert(detail::opcodesDense(), "opcode list must be dense and ordered");

}  // namespace vorn::image

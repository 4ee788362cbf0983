// Constant patterns compiled at run time.
//
// The first execution of a pattern-constant instruction compiles the
// pattern and rewrites the instruction to carry an index into this table
// (a 64-bit pointer does not fit the 32-bit operand). Entries are never
// removed: the table keeps one use of each pattern for the whole run, so
// rewritten code can always rely on its index.
#include "interp/interp.h"
#include "image/format.h"
#include "image/opcodes.h"
#include "program/vm.h"
#include "values/alloc.h"

AwkPattern** awk_pattab = nullptr;
int32_t awk_npattab = 0;
static int32_t pattabCap = 0;

// Appends p (its use moves into the table) and returns its index.
int32_t awk_pattab_add(AwkPattern* p) {
  if (awk_npattab == pattabCap) {
    pattabCap = pattabCap ? pattabCap * 2 : 16;
    awk_pattab = static_cast<AwkPattern**>(
        respace(awk_pattab, int32_t(sizeof(AwkPattern*)) * pattabCap));
  }
  awk_pattab[awk_npattab] = p;
  return awk_npattab++;
}

// The loader has checked the code, so each instruction and the jump target
// lie inside the function; the opcode tests only follow that decoding.
AwkPattern* awk_rulefilter(const AwkCode* code) {
  using vorn::image::Op;
  auto is = [](const AwkCode* pc, Op op) { return pc[0] == uint8_t(op); };
  const AwkCode* const end = code + fnLength(code);
  const AwkCode* pc = code + vorn::image::kFunctionHeaderSize;
  if (pc < end && is(pc, Op::op_line)) pc += vorn::image::kInstructionBytes<Op::op_line>;
  if (pc >= end || !is(pc, Op::op_match0)) return nullptr;
  AwkPattern* p = awk_pattab[opU32w(pc + vorn::image::kOpcodeBytes)];
  pc += vorn::image::kInstructionBytes<Op::op_match0>;
  if (pc >= end || !is(pc, Op::op_jf)) return nullptr;
  const AwkCode* to = pc + vorn::image::kOpcodeBytes;
  to += opI16(to);
  return to < end && is(to, Op::op_ret) ? p : nullptr;
}

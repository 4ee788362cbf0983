// The one instruction decoder: the disassembler, the compiler's listings and
// the load-time checker all read code through it. It works from the opcode
// list's operand kind letters alone, on big-endian image bytes, so a new
// opcode needs no change here.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>

#include "image/opcodes.h"
#include "image/reader.h"

namespace vorn::image {

// One decoded operand: its kind letter and its value. For 'd' the double is
// in `real` and the decimals count in `value`; for 'p' the two bytes are the
// high and low byte of `value`; for 'j' `target` is the jump target's offset
// in the decoded bytes.
struct Operand {
  char kind = 0;
  int64_t value = 0;
  double real = 0;
  int64_t target = 0;
};

// The operands of one instruction, in kind-letter order.
struct Operands {
  std::array<Operand, kMaxOperands> items{};
  size_t count = 0;
  size_t size() const { return count; }
  bool empty() const { return count == 0; }
  const Operand& operator[](size_t i) const { return items[i]; }
  const Operand* begin() const { return items.data(); }
  const Operand* end() const { return items.data() + count; }
};

struct Instruction {
  size_t offset = 0;        // in the decoded bytes
  uint8_t opcode = 0;
  const OpInfo* info = nullptr;
  Operands operands;
  size_t length = 0;        // bytes
};

// Decodes the instruction at `offset` of `code` (a function's bytes, header
// included, or bare code). Fails on an odd offset, an odd or unknown opcode
// byte, a nonzero second byte, a nonzero pad byte after a byte operand, or
// operands that run past the end.
Read<Instruction> decodeInstruction(std::span<const uint8_t> code, size_t offset);

// The count an instruction's first operand carries (see opcodes.h): the
// byte of a b, the first byte of a p, the value of a u; 0 otherwise.
int operandCount(const Instruction& ins);

// The instruction's effect on the working cells.
inline StackStep stackStep(const Instruction& ins) {
  return stackStep(*ins.info, operandCount(ins));
}

// printf into a std::string, for messages about image bytes.
std::string printed(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

}  // namespace vorn::image

#include "image/decode.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace vorn::image {

std::string printed(const char* fmt, ...) {
  char buf[512];
  va_list ap;
  va_start(ap, fmt);
  std::vsnprintf(buf, sizeof buf, fmt, ap);
  va_end(ap);
  return buf;
}

Read<Instruction> decodeInstruction(std::span<const uint8_t> fn, size_t offset) {
  using R = Read<Instruction>;
  if (offset % 2) return R::fail(printed("instruction at odd offset %zu", offset));
  if (offset >= fn.size() || fn.size() - offset < 2)
    return R::fail(printed("truncated instruction at %zu", offset));
  uint8_t code = fn[offset];
  if (code % 2 || code / 2 >= kOpcodeCount)
    return R::fail(printed("bad opcode 0x%02X at %zu", code, offset));
  Instruction ins;
  ins.offset = offset;
  ins.opcode = code;
  ins.info = &kOpInfo[code / 2];
  if (fn[offset + 1] != 0)
    return R::fail(printed("%s at %zu: second byte is 0x%02X, not 0", ins.info->name, offset,
                           fn[offset + 1]));
  ins.length = size_t(ins.info->units) * 2;
  if (fn.size() - offset < ins.length)
    return R::fail(printed("%s at %zu: operands run past the end of the function (%zu bytes "
                           "needed, %zu left)", ins.info->name, offset, ins.length, fn.size() - offset));
  size_t pos = offset + 2;
  for (const char* k = ins.info->operands; *k; ++k) {
    const uint8_t* p = fn.data() + pos;
    Operand& o = ins.operands.items[ins.operands.count++];
    o.kind = *k;
    switch (*k) {
      case 'b':
        if (p[1] != 0)
          return R::fail(printed("%s at %zu: byte operand 0x%02X%02X has a nonzero pad byte",
                                 ins.info->name, offset, p[0], p[1]));
        o.value = p[0];
        break;
      case 'p': case 'u': case 'g': case 'v': case 's': case 'c': case 'e':
        o.value = be16(p);
        break;
      case 'h': case 'l':
        o.value = int16_t(be16(p));
        break;
      case 'j':
        o.value = int16_t(be16(p));
        o.target = int64_t(pos) + o.value;
        break;
      case 'w': case 'a': case 'r':
        o.value = int64_t(uint32_t(be16(p + 2)) << 16 | be16(p));
        break;
      case 'd': {
        uint64_t bits = uint64_t(be32(p)) << 32 | be32(p + 4);
        std::memcpy(&o.real, &bits, sizeof bits);
        o.value = be16(p + 8);
        break;
      }
      default:
        return R::fail(printed("%s: unknown operand kind '%c'", ins.info->name, *k));
    }
    pos += size_t(operandUnits(*k)) * 2;
  }
  Read<Instruction> r;
  r.value = ins;
  return r;
}

int operandCount(const Instruction& ins) {
  if (ins.operands.empty()) return 0;
  const Operand& o = ins.operands[0];
  switch (o.kind) {
    case 'b': case 'u': return int(o.value);
    case 'p': return int(o.value >> 8);
    default: return 0;
  }
}

}  // namespace vorn::image

#include "compiler/emitter.h"

#include <cstdio>
#include <cstring>

namespace vorn::compiler {

using image::kOpInfo;

namespace {

[[noreturn]] void bad(Op op, const char* why) {
  throw EmitError(std::string(kOpInfo[int(op) / 2].name) + ": " + why);
}

void checkRange(Op op, int64_t v, int64_t lo, int64_t hi) {
  if (v < lo || v > hi) bad(op, "operand out of range");
}

}  // namespace

int64_t Emitter::floatBits(double v) {
  int64_t bits;
  std::memcpy(&bits, &v, sizeof bits);
  return bits;
}

void Emitter::emit(Op op, std::initializer_list<int64_t> operands) {
  const image::OpInfo& info = kOpInfo[int(op) / 2];
  size_t want = 0;
  for (const char* k = info.operands; *k; ++k) want += (*k == 'p' || *k == 'd') ? 2 : 1;
  if (operands.size() != want) bad(op, "wrong number of operands");
  lastOp_ = op;
  lastOffset_ = code_.size();
  unit(uint16_t(uint8_t(op)) << 8);
  const int64_t* v = operands.begin();
  for (const char* k = info.operands; *k; ++k) {
    switch (*k) {
      case 'b':
        checkRange(op, *v, 0, 255);
        unit(uint16_t(*v << 8));
        ++v;
        break;
      case 'p':
        checkRange(op, v[0], 0, 255);
        checkRange(op, v[1], 0, 255);
        unit(uint16_t(v[0] << 8 | v[1]));
        v += 2;
        break;
      case 'h':
      case 'l':
        checkRange(op, *v, -32768, 32767);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'u':
        checkRange(op, *v, 0, 65535);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'g':
        checkRange(op, *v, 8000, 9999);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'v':
        checkRange(op, *v, 0, 36);
        unit(uint16_t(*v));
        ++v;
        break;
      case 's':
        checkRange(op, *v, 1, 120);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'c':
        checkRange(op, *v, 1000, 2999);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'e':
        checkRange(op, *v, 10000, 11999);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'w':
      case 'a':
      case 'r': {
        checkRange(op, *v, INT32_MIN, UINT32_MAX);
        uint32_t w = uint32_t(*v);
        unit(uint16_t(w));
        unit(uint16_t(w >> 16));
        ++v;
        break;
      }
      case 'j':
        checkRange(op, *v, 0, int64_t(labels_.size()) - 1);
        fixups_.emplace_back(code_.size(), Label(*v));
        unit(0);
        ++v;
        break;
      case 'd': {
        uint64_t bits = uint64_t(v[0]);
        for (int i = 3; i >= 0; --i) unit(uint16_t(bits >> (16 * i)));
        checkRange(op, v[1], 0, 65535);
        unit(uint16_t(v[1]));
        v += 2;
        break;
      }
      default:
        bad(op, "unknown operand kind");
    }
  }
}

void Emitter::pushFloat(double v, int decimals) { emit(Op::op_pushf, {floatBits(v), decimals}); }

Emitter::Label Emitter::newLabel() {
  labels_.push_back(-1);
  return Label(labels_.size() - 1);
}

void Emitter::bind(Label l) { labels_.at(size_t(l)) = int64_t(code_.size()); }

void Emitter::finish() {
  for (auto [at, l] : fixups_) {
    int64_t target = labels_.at(size_t(l));
    if (target < 0) throw EmitError("jump to an unbound label");
    int64_t rel = target - int64_t(at);
    if (rel < -32768 || rel > 32767) throw EmitError("jump too far");
    code_[at] = uint8_t(uint16_t(rel) >> 8);
    code_[at + 1] = uint8_t(rel);
  }
  fixups_.clear();
}

std::string listCode(const std::vector<uint8_t>& code, size_t base) {
  std::string out;
  size_t pc = 0;
  auto u16 = [&](size_t at) { return uint16_t(code[at] << 8 | code[at + 1]); };
  while (pc + 2 <= code.size()) {
    uint8_t opc = code[pc];
    if (opc & 1 || opc / 2 >= image::kOpcodeCount) {
      out += "?? bad opcode\n";
      break;
    }
    const image::OpInfo& info = kOpInfo[opc / 2];
    if (pc + size_t(info.units) * 2 > code.size()) {
      out += "?? truncated\n";
      break;
    }
    char buf[64];
    std::snprintf(buf, sizeof buf, "%4zu %s", pc + base, info.name);
    out += buf;
    size_t at = pc + 2;
    for (const char* k = info.operands; *k; ++k) {
      uint16_t w = u16(at);
      switch (*k) {
        case 'b': std::snprintf(buf, sizeof buf, " %u", unsigned(w >> 8)); break;
        case 'p': std::snprintf(buf, sizeof buf, " %u %u", unsigned(w >> 8), unsigned(w & 0xFF)); break;
        case 'h': case 'l': std::snprintf(buf, sizeof buf, " %d", int(int16_t(w))); break;
        case 'j': std::snprintf(buf, sizeof buf, " ->%d", int(at + base) + int(int16_t(w))); break;
        case 'w': case 'a': case 'r': {
          uint32_t v = uint32_t(u16(at + 2)) << 16 | w;
          if (*k == 'w') std::snprintf(buf, sizeof buf, " %d", int32_t(v));
          else std::snprintf(buf, sizeof buf, " 0x%08X", v);
          break;
        }
        case 'd': {
          uint64_t bits = 0;
          for (int i = 0; i < 4; ++i) bits = bits << 16 | u16(at + 2 * size_t(i));
          double d;
          std::memcpy(&d, &bits, sizeof d);
          std::snprintf(buf, sizeof buf, " %.17g/%u", d, unsigned(u16(at + 8)));
          break;
        }
        default: std::snprintf(buf, sizeof buf, " %u", unsigned(w)); break;
      }
      out += buf;
      at += size_t(image::operandUnits(*k)) * 2;
    }
    out += "\n";
    pc += size_t(info.units) * 2;
  }
  return out;
}

}  // namespace vorn::compiler

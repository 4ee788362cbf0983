#include "compiler/emitter.h"

#include <cstdio>
#include <cstring>

#include "image/decode.h"
#include "image/format.h"

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
  track(op, operands.begin());
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
        checkRange(op, *v, image::gid::kGlobalFirst, image::gid::kGlobalLast);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'v':
        checkRange(op, *v, 0, image::kSpecialCount - 1);
        unit(uint16_t(*v));
        ++v;
        break;
      case 's':
        checkRange(op, *v, image::gid::kBuiltinFirst, image::gid::kBuiltinLast);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'c':
        checkRange(op, *v, image::gid::kFunctionFirst, image::gid::kFunctionLast);
        unit(uint16_t(*v));
        ++v;
        break;
      case 'e':
        checkRange(op, *v, image::gid::kExternFirst, image::gid::kExternLast);
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

// The stack effect of one instruction, from the opcode list, as the loader's
// check computes it: along the fall-through and along a jump.
void Emitter::track(Op op, const int64_t* v) {
  const image::OpInfo& info = image::opInfo(op);
  const image::StackStep step = image::stackStep(info, info.operands[0] ? int(v[0]) : 0);
  if (step.jumps) {
    const int64_t jumpLabel = v[0];  // a jump's j operand comes first
    if (jumpLabel >= 0 && jumpLabel < int64_t(labelHeight_.size())) {
      int h = height_ - step.jumpPops + step.jumpPushes;
      note(h);
      if (labelHeight_[size_t(jumpLabel)] < 0) labelHeight_[size_t(jumpLabel)] = h;
    }
  }
  setHeight(height_ - step.pops + step.pushes);
  live_ = step.falls;
}

void Emitter::pushFloat(double v, int decimals) { emit(Op::op_pushf, {floatBits(v), decimals}); }

Emitter::Label Emitter::newLabel() {
  labels_.push_back(-1);
  labelHeight_.push_back(-1);
  return Label(labels_.size() - 1);
}

// Code after an unconditional transfer is reached only by jumps, with the
// height they bring.
void Emitter::bind(Label l) {
  labels_.at(size_t(l)) = int64_t(code_.size());
  int h = labelHeight_.at(size_t(l));
  if (!live_ && h >= 0) setHeight(h);
  live_ = true;
}

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
  for (size_t pc = 0; pc + 2 <= code.size();) {
    auto ins = image::decodeInstruction(code, pc);
    if (!ins) {
      out += "?? " + ins.error + "\n";
      break;
    }
    out += image::printed("%4zu %s", pc + base, ins.value.info->name);
    for (const image::Operand& o : ins.value.operands) {
      switch (o.kind) {
        case 'b': case 'u': case 'g': case 'v': case 's': case 'c': case 'e':
          out += image::printed(" %u", unsigned(o.value));
          break;
        case 'p': out += image::printed(" %u %u", unsigned(o.value >> 8), unsigned(o.value & 0xFF)); break;
        case 'h': case 'l': out += image::printed(" %d", int(o.value)); break;
        case 'j': out += image::printed(" ->%d", int(o.target + int64_t(base))); break;
        case 'w': out += image::printed(" %d", int32_t(uint32_t(o.value))); break;
        case 'a': case 'r': out += image::printed(" 0x%08X", unsigned(o.value)); break;
        case 'd': out += image::printed(" %.17g/%u", o.real, unsigned(o.value)); break;
      }
    }
    out += "\n";
    pc += ins.value.length;
  }
  return out;
}

}  // namespace vorn::compiler

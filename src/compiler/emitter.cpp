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

// The stack effect of one instruction, as the loader's check computes it:
// cells popped and pushed when it falls through, and when it jumps.
void Emitter::track(Op op, const int64_t* v) {
  int pops = 0, pushes = 0, jumpPops = -1, jumpPushes = -1;
  bool falls = true;
  int64_t jumpLabel = -1;
  switch (op) {
    case Op::op_cmp: case Op::op_icmp: pops = 2; pushes = 1; break;
    case Op::op_tostr: case Op::op_toint: case Op::op_tofloat: case Op::op_tonum:
    case Op::op_not: case Op::op_inot: case Op::op_tobool: case Op::op_itobool:
    case Op::op_neg: case Op::op_addi32: case Op::op_getfld: case Op::op_fref:
    case Op::op_mkarr: case Op::op_ptype:
      pops = 1; pushes = 1; break;
    case Op::op_andjmp: case Op::op_orjmp:
      pops = 1; jumpPops = 1; jumpPushes = 1; jumpLabel = v[0]; break;
    case Op::op_aset: pops = 3; break;
    case Op::op_aget: case Op::op_in: case Op::op_agetarr: case Op::op_div:
    case Op::op_sub: case Op::op_mod: case Op::op_add: case Op::op_pow:
    case Op::op_match: case Op::op_mul: case Op::op_aref:
      pops = 2; pushes = 1; break;
    case Op::op_gpusharr: case Op::op_lpusharr: case Op::op_gpush: case Op::op_lpush:
    case Op::op_pushi32: case Op::op_pushf: case Op::op_pushu: case Op::op_pushs:
    case Op::op_pushreu: case Op::op_subsep: case Op::op_pushslot: case Op::op_pvget:
    case Op::op_newarr: case Op::op_pushi16: case Op::op_match0u: case Op::op_gref:
    case Op::op_lref: case Op::op_pvref: case Op::op_pushre: case Op::op_match0:
      pushes = 1; break;
    case Op::op_jt: case Op::op_jf: pops = 1; jumpLabel = v[0]; break;
    case Op::op_gstore: case Op::op_lstore: case Op::op_pop: case Op::op_pvset:
    case Op::op_forin: case Op::op_refstore:
      pops = 1; break;
    case Op::op_concat: pops = int(v[0]); pushes = 1; break;
    case Op::op_exit: case Op::op_retv: pops = 1; falls = false; break;
    case Op::op_ret: case Op::op_next: falls = false; break;
    case Op::op_cfun: case Op::op_bcall: case Op::op_call: pops = int(v[0]) + 1; pushes = 1; break;
    case Op::op_pushun: pushes = int(v[0]); break;
    case Op::op_jmp: falls = false; jumpLabel = v[0]; break;
    case Op::op_dup: pops = 1; pushes = 2; break;
    case Op::op_fornext: pushes = 1; jumpPushes = 0; jumpLabel = v[0]; break;
    case Op::op_delete: pops = int(v[0]); break;
    case Op::op_setfld: pops = 2; break;
    case Op::op_refsave: case Op::op_swap: pops = 2; pushes = 2; break;
    default: break;
  }
  if (jumpLabel >= 0 && jumpLabel < int64_t(labelHeight_.size())) {
    int h = height_ - (jumpPops >= 0 ? jumpPops : pops) + (jumpPushes >= 0 ? jumpPushes : pushes);
    note(h);
    if (labelHeight_[size_t(jumpLabel)] < 0) labelHeight_[size_t(jumpLabel)] = h;
  }
  setHeight(height_ - pops + pushes);
  live_ = falls;
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

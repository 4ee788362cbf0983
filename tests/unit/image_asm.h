// Asm: a tiny bytecode assembler for tests that build program images by hand,
//   a.op(Op::op_pushi32).w(5).op(Op::op_lstore).l(Asm::local(1)).op(Op::op_jf).jumpTo(done);
// Each operand call is checked against the opcode's operand kinds (opcodes.h),
// so a wrong or missing operand throws std::logic_error at once instead of
// producing bytes the run-time would refuse. Jumps go to labels, resolved by
// code(); raw() appends a 16-bit unit unchecked, for deliberately malformed code.
#pragma once
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "image/format.h"
#include "image/opcodes.h"
#include "image/writer.h"

namespace vorn::testasm {

using vorn::image::Op;

class Asm {
 public:
  struct Label { int id = -1; };

  Asm& op(Op o) {
    requireComplete();
    const auto& info = vorn::image::kOpInfo[int(o) / 2];
    current_ = info.name;
    pending_ = info.operands;
    unit(uint16_t(uint8_t(o)) << 8);
    return *this;
  }

  Asm& b(uint8_t v) { expect('b'); return unit(uint16_t(v) << 8); }
  Asm& p(uint8_t hi, uint8_t lo) { expect('p'); return unit(uint16_t(hi << 8 | lo)); }
  Asm& h(int16_t v) { expect('h'); return unit(uint16_t(v)); }
  Asm& u(uint16_t v) { expect('u'); return unit(v); }
  Asm& l(int16_t offset) { expect('l'); return unit(uint16_t(offset)); }
  Asm& g(int gid) { expect('g'); return unit(uint16_t(gid)); }
  Asm& v(int index) { expect('v'); return unit(uint16_t(index)); }
  Asm& s(int slot) { expect('s'); return unit(uint16_t(slot)); }
  Asm& c(int gid) { expect('c'); return unit(uint16_t(gid)); }
  Asm& e(int id) { expect('e'); return unit(uint16_t(id)); }
  Asm& w(int64_t v) { expect('w'); return word(uint32_t(v)); }
  Asm& a(uint32_t vaddr) { expect('a'); return word(vaddr); }
  Asm& r(uint32_t index) { expect('r'); return word(index); }
  Asm& d(double value, uint16_t decimals) {
    expect('d');
    uint64_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 48; shift >= 0; shift -= 16) unit(uint16_t(bits >> shift));
    return unit(decimals);
  }
  Asm& jumpTo(Label target) {
    expect('j');
    if (target.id < 0 || size_t(target.id) >= labels_.size())
      throw std::logic_error("jump to a label this Asm did not make");
    fixups_.emplace_back(code_.size(), target.id);
    return unit(0);
  }

  // Frame offsets of parameter n and local n (both from 1).
  static int16_t param(int n) { return int16_t(24 * n); }
  static int16_t local(int n) { return int16_t(-24 * n); }

  Label label() { labels_.push_back(-1); return Label{int(labels_.size() - 1)}; }
  // Binds the label to the next instruction.
  Asm& here(Label at) {
    requireComplete();
    labels_.at(size_t(at.id)) = int(code_.size());
    return *this;
  }

  Asm& raw(uint16_t u16) { pending_ = ""; return unit(u16); }

  // Offset of the next instruction from the function start (header included),
  // as the disassembler and jump targets count it.
  size_t offset() const { return vorn::image::kFunctionHeaderSize + code_.size(); }

  // The bytecode with jumps resolved.
  std::vector<uint8_t> code() const {
    requireComplete();
    std::vector<uint8_t> out = code_;
    for (auto [pos, id] : fixups_) {
      int target = labels_[size_t(id)];
      if (target < 0) throw std::logic_error("jump to a label that was never placed");
      int rel = target - int(pos);   // relative to the offset unit itself
      if (rel < -32768 || rel > 32767) throw std::logic_error("jump too far");
      out[pos] = uint8_t(uint16_t(rel) >> 8);
      out[pos + 1] = uint8_t(rel);
    }
    return out;
  }

  vorn::image::FunctionImage function(uint16_t params = 0, uint16_t locals = 0,
                                      std::string nameList = ";",
                                      uint16_t module = vorn::image::kGeneratedModule) const {
    vorn::image::FunctionImage fn;
    fn.paramCount = params;
    fn.localCount = locals;
    fn.module = module;
    fn.code = code();
    fn.nameList = std::move(nameList);
    return fn;
  }

 private:
  Asm& unit(uint16_t u16) {
    code_.push_back(uint8_t(u16 >> 8));
    code_.push_back(uint8_t(u16));
    return *this;
  }
  Asm& word(uint32_t v) {   // low half first
    unit(uint16_t(v));
    return unit(uint16_t(v >> 16));
  }
  void expect(char kind) {
    if (*pending_ != kind)
      throw std::logic_error(std::string(current_) + ": operand '" + kind + "' given, " +
                             (*pending_ ? std::string("'") + *pending_ + "' expected"
                                        : std::string("no more operands expected")));
    ++pending_;
  }
  void requireComplete() const {
    if (*pending_)
      throw std::logic_error(std::string(current_) + ": operand '" + *pending_ + "' missing");
  }

  std::vector<uint8_t> code_;
  std::vector<int> labels_;
  std::vector<std::pair<size_t, int>> fixups_;
  const char* current_ = "";
  const char* pending_ = "";
};

}  // namespace vorn::testasm

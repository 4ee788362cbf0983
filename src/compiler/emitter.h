// The bytecode emitter: every instruction goes through emit(), which checks
// the operands against the opcode table (count and range per kind letter)
// and encodes them big-endian; jumps name labels that are patched when the
// function is finished. A wrong operand is a compiler bug and throws.
#pragma once
#include <cstdint>
#include <initializer_list>
#include <stdexcept>
#include <string>
#include <vector>

#include "image/format.h"
#include "image/opcodes.h"

namespace vorn::compiler {

using image::Op;

struct EmitError : std::logic_error {
  using std::logic_error::logic_error;
};

class Emitter {
 public:
  using Label = int;

  // Operands in kind-letter order; 'p' and 'd' take two values (the two
  // bytes; the double's bits via floatBits() and the decimals), 'j' takes a
  // label.
  void emit(Op op, std::initializer_list<int64_t> operands = {});
  void pushFloat(double v, int decimals);
  static int64_t floatBits(double v);

  Label newLabel();
  void bind(Label l);

  // Working cells on the evaluation stack after the code emitted so far,
  // counted as the loader's check counts them (per instruction, along
  // jumps); the run-time leaves room for at most kMaxWorkCells unchecked.
  static constexpr int kMaxWorkCells = image::kStackHeadroom;
  int height() const { return height_; }
  // The most cells in use since the last resetPeak().
  int peak() const { return peak_; }
  void resetPeak() { peak_ = height_; }
  // After a statement was abandoned half-way: statements start with no
  // working cells.
  void restartStatement() {
    height_ = peak_ = 0;
    live_ = true;
  }
  // The most cells in use anywhere in the function.
  int maxHeight() const { return max_; }
  // Resolves every jump; throws if a label was never bound or a jump does
  // not fit 16 bits.
  void finish();

  size_t size() const { return code_.size(); }
  const std::vector<uint8_t>& code() const { return code_; }
  std::vector<uint8_t> take() { return std::move(code_); }
  Op lastOp() const { return lastOp_; }
  size_t lastOffset() const { return lastOffset_; }
  // Drops the code from `offset` on (used to discard a trailing jump).
  void truncate(size_t offset) { code_.resize(offset); }

 private:
  void unit(uint16_t v) {
    code_.push_back(uint8_t(v >> 8));
    code_.push_back(uint8_t(v));
  }
  void track(Op op, const int64_t* v);
  void setHeight(int h) {
    height_ = h;
    note(h);
  }
  void note(int h) {
    if (h > peak_) peak_ = h;
    if (h > max_) max_ = h;
  }

  std::vector<uint8_t> code_;
  int height_ = 0;
  int peak_ = 0;
  int max_ = 0;
  bool live_ = true;                // the last instruction falls through
  std::vector<int> labelHeight_;    // height on arrival by a jump, -1 unknown
  std::vector<int64_t> labels_;                   // bound offset or -1
  std::vector<std::pair<size_t, Label>> fixups_;  // offset of a j unit
  Op lastOp_ = Op::op_nop1;
  size_t lastOffset_ = 0;
};

// One line per instruction, "offset name operands", for tests and --dump.
std::string listCode(const std::vector<uint8_t>& code, size_t base = 0);

}  // namespace vorn::compiler

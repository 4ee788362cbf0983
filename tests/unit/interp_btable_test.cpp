// The builtin table and the small builtins it carries directly: every slot
// has a handler, peek and poke work byte-wise on granted memory only, and
// the port builtins leave their result uninitialized.
#include <gtest/gtest.h>

#include "builtins/btable.h"
#include "host/memgrant.h"
#include "test_support.h"

namespace {

using tsupport::intCell;
using tsupport::stderrOf;

TEST(BuiltinTable, EverySlotHasAHandler) {
  EXPECT_EQ(awk_b_table[0], nullptr);
  for (int s = 1; s < vorn::image::kBuiltinSlots; ++s)
    EXPECT_NE(awk_b_table[s], nullptr) << vorn::image::kBuiltinNames[s];
}

// Points awk_retval at a result cell for one test and clears it after, so
// that no later code writes through a pointer to a dead local.
struct ResultCell {
  Cell cell{};
  ResultCell() { awk_retval = &cell; }
  ~ResultCell() { awk_retval = nullptr; }
};

// Addresses above 2^31 (every stack address here) are floats in AWK.
Cell addressCell(const void* p) { return tsupport::floatCell(double(reinterpret_cast<uintptr_t>(p)), 0); }

TEST(BuiltinPeekPoke, ByteWiseOnGrantedMemory) {
  unsigned char buf[4] = {0x00, 0xFF, 0x7F, 0x80};
  awk_memgrant(buf, sizeof buf);
  ResultCell r;
  for (int i = 0; i < 4; ++i) {
    Cell a = addressCell(buf + i);
    b_peek(1, &a);
    ASSERT_EQ(int(r.cell.tag), int(Tag::Int));
    EXPECT_EQ(r.cell.w.i, int32_t{buf[i]});
  }
  Cell args[2] = {addressCell(buf + 2), intCell(0x1234)};   // only the low byte is stored
  cellSetUninit(&r.cell);
  b_poke(2, args);
  EXPECT_EQ(buf[2], 0x34);
  EXPECT_EQ(int(r.cell.tag), int(Tag::Uninit));
  awk_memrevoke(buf);
}

TEST(BuiltinPeekPoke, RefusesMemoryNotHandedOut) {
  // Only block[1..2] is handed out: block[0] is the byte just before it.
  unsigned char block[4] = {0, 1, 2, 3};
  unsigned char* buf = block + 1;
  unsigned char other = 9;
  awk_memgrant(buf, 2);
  ResultCell r;
  for (const void* p : {static_cast<void*>(buf + 2), static_cast<void*>(&other), static_cast<void*>(block)}) {
    Cell a = addressCell(p);
    std::string err = stderrOf([&] { b_peek(1, &a); });
    EXPECT_EQ(int(r.cell.tag), int(Tag::Uninit));
    EXPECT_NE(err.find("invalid argument to peek"), std::string::npos) << err;
  }
  Cell args[2] = {addressCell(&other), intCell(1)};
  std::string err = stderrOf([&] { b_poke(2, args); });
  EXPECT_EQ(other, 9);
  EXPECT_NE(err.find("invalid argument to poke"), std::string::npos) << err;
  awk_memrevoke(buf);
  Cell a = addressCell(buf);
  EXPECT_FALSE(awk_memgranted(reinterpret_cast<uintptr_t>(buf)));
  stderrOf([&] { b_peek(1, &a); });
  EXPECT_EQ(int(r.cell.tag), int(Tag::Uninit));
}

TEST(BuiltinPorts, LeaveNoResult) {
  ResultCell r;
  for (BuiltinFn fn : {b_inp, b_inpw, b_outp, b_outpw, b_interrupt}) {
    Cell args[2] = {intCell(0x378), intCell(7)};
    fn(2, args);
    EXPECT_EQ(int(r.cell.tag), int(Tag::Uninit));
  }
}

}  // namespace

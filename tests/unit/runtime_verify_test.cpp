// The loader's acceptance rules, in-process: images built with the writer (or
// patched, for layouts it never makes) are refused or accepted and made native.
#include <gtest/gtest.h>

#include <functional>

#include "image/fixed_symbols.h"
#include "program/symtab.h"
#include "runtime/loader.h"
#include "runtime/startup.h"
#include "runtime_helpers.h"
#include "values/alloc.h"

using namespace vorn::image;
using rtest::Asm;

namespace {

// File offset of a virtual address in an image.
size_t fileOffset(const std::vector<uint8_t>& img, uint32_t vaddr) {
  size_t off = kRootSize + (vaddr & 0xFFFF);
  for (uint32_t i = 0; i < vaddr >> 16; ++i) off += size_t(int16_t(be16(img.data() + root::kSegmentSizes + 2 * i)));
  return off;
}
uint32_t functionEntry(const std::vector<uint8_t>& img, int index) {
  uint32_t table = be32(img.data() + root::kFunctionTable);
  return be32(img.data() + fileOffset(img, table) + 4 * size_t(index));
}

class Verify : public ::testing::Test {
 protected:
  // Loads an image in-process: 1 accepted, 0 refused, -status when the load
  // ended the run (a fatal message).
  int load(const std::vector<uint8_t>& img, bool reset = true) {
    std::string path = dir / "img.ae";
    if (reset) awk_vm_reset();
    rtest::writeBytes(path, img);
    int r = 0;
    int status = rtest::exitOf([&] { r = vm_open(path.c_str()) ? awk_validaefile() : 0; });
    return status == -1 ? r : -status;
  }
  rtest::TempDir dir;
};

// expected: 1 accepted, 0 refused.
struct Case { const char* name; std::function<std::vector<uint8_t>()> image; int expected; };

// An image whose BEGIN function (gid 1000) is what `body` writes, with
// gid 1001 that just returns and gid 1002 that returns its second of two
// parameters.
std::function<std::vector<uint8_t>()> image(std::function<void(ImageWriter&, Asm&)> body,
                                            uint16_t params = 0, uint16_t locals = 0) {
  return [=] {
    ImageWriter w;
    Asm a;
    body(w, a);
    w.setFunction(1000, a.function(params, locals));
    w.setFunction(1001, rtest::retOnly());
    w.setFunction(1002, Asm().op(Op::op_lpush).l(Asm::param(2)).op(Op::op_retv).function(2, 0));
    w.setRootGid(root::kBegin1Function, 1000);
    return w.build();
  };
}

// The same for a BEGIN that needs no writer (popped: then op_pop, op_ret).
using Body = void (*)(Asm&);
auto begin(Body body, uint16_t params = 0, uint16_t locals = 0, bool pop = false) {
  return image([=](ImageWriter&, Asm& a) {
    body(a);
    if (pop) a.op(Op::op_pop).op(Op::op_ret);
  }, params, locals);
}
auto popped(Body body, uint16_t params = 0, uint16_t locals = 0) { return begin(body, params, locals, true); }

auto pushes(int n) {
  return image([n](ImageWriter&, Asm& a) {
    for (int i = 0; i < n; ++i) a.op(Op::op_pushi16).h(int16_t(i));
    for (int i = 0; i < n; ++i) a.op(Op::op_pop);
    a.op(Op::op_ret);
  });
}

// BEGIN pushes the string object made of `bytes` (and, if `inner`, the one
// 8 bytes into it). With `crowd`, forty string objects come first in
// segment 0, pushed in descending address order, and everything else lies
// in segment 1: the loader's region keys crowd together and come in reverse.
auto stringObject(std::vector<uint8_t> bytes, bool inner = false, bool crowd = false) {
  return image([=](ImageWriter& w, Asm& a) {
    uint32_t v = w.addBytes(bytes);
    if (crowd) {
      std::vector<uint32_t> strings;
      for (int i = 0; i < 40; ++i) strings.push_back(w.addString("string " + std::to_string(i)));
      w.addBytes(std::vector<uint8_t>(32000));
      for (auto s = strings.rbegin(); s != strings.rend(); ++s) a.op(Op::op_pushs).a(*s).op(Op::op_pop);
    }
    a.op(Op::op_pushs).a(v).op(Op::op_pop);
    if (inner) a.op(Op::op_pushs).a(v + 8).op(Op::op_pop);
    a.op(Op::op_ret);
  });
}
// Nine bytes whose second half reads as an empty string object.
const std::vector<uint8_t> kNested = {0, 0, 0, 9, 0, 1, 0, 0, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0};

void everyOperandKind(ImageWriter& w, Asm& a) {
  uint32_t s = w.addString("text");
  auto l = a.label(), end = a.label();
  a.op(Op::op_locals).u(1).op(Op::op_line).u(3);
  a.op(Op::op_pushi32).w(0x12345678).op(Op::op_lstore).l(Asm::local(1));
  a.op(Op::op_pushf).d(2.5, 1).op(Op::op_gstore).g(8017);
  a.op(Op::op_pushs).a(s).op(Op::op_pushreu).a(s).b(0).op(Op::op_match).op(Op::op_pop);
  a.op(Op::op_pvget).v(3).op(Op::op_pop);
  a.op(Op::op_pushslot).op(Op::op_pushs).a(s).op(Op::op_bcall).p(1, 1).s(17).op(Op::op_pop);
  a.op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1001).op(Op::op_pop);
  a.op(Op::op_gpusharr).g(8002).op(Op::op_pushs).a(s).op(Op::op_in).op(Op::op_jf).jumpTo(l);
  a.here(l).op(Op::op_match0u).a(s).b(0).op(Op::op_pop);
  a.op(Op::op_newarr).op(Op::op_forin).l(Asm::local(1));
  a.op(Op::op_fornext).jumpTo(end).l(Asm::local(1)).op(Op::op_pop);
  a.here(end).op(Op::op_ret);
}

// Layouts the writer never produces: the minimal image, with gid 1001 too,
// patched afterwards.
template <typename F>
std::function<std::vector<uint8_t>()> patched(F patch) {
  return [=] {
    ImageWriter w = rtest::minimalWriter();
    w.setFunction(1001, rtest::retOnly());
    auto img = w.build();
    patch(img);
    return img;
  };
}
// The same with the root's 16-bit field at `at` set to v.
auto root16(size_t at, uint16_t v) {
  return patched([=](std::vector<uint8_t>& img) { putBe16(img.data() + at, v); });
}
uint8_t* secondEntry(std::vector<uint8_t>& img) {
  return img.data() + fileOffset(img, be32(img.data() + root::kFunctionTable)) + 4;
}

const Case kCodeCases[] = {
    {"40 working cells", pushes(40), 1}, {"41 working cells", pushes(41), 0},
    {"odd opcode byte", begin([](Asm& a) { a.raw(0x0100).op(Op::op_ret); }), 0},
    {"opcode beyond the table", begin([](Asm& a) { a.raw(0x9E00).op(Op::op_ret); }), 0},
    {"nonzero byte after the opcode", begin([](Asm& a) { a.raw(0x5601).op(Op::op_ret); }), 0},
    {"operand runs past the end", begin([](Asm& a) { a.op(Op::op_ret).raw(0x3000); }), 0},
    {"jump past the end", begin([](Asm& a) { a.op(Op::op_jmp).raw(0x0100).op(Op::op_ret); }), 0},
    {"jump before the code", begin([](Asm& a) { a.op(Op::op_jmp).raw(uint16_t(-4)).op(Op::op_ret); }), 0},
    {"jump into an operand", popped([](Asm& a) { a.op(Op::op_jmp).raw(4).op(Op::op_pushi32).w(7); }), 0},
    {"jump to an instruction", begin([](Asm& a) {
       auto l = a.label();
       a.op(Op::op_jmp).jumpTo(l).op(Op::op_pushi16).h(1).op(Op::op_pop).here(l).op(Op::op_ret); }), 1},
    {"loop back", begin([](Asm& a) {
       auto l = a.label();
       a.here(l).op(Op::op_line).u(1).op(Op::op_pushi16).h(0).op(Op::op_jt).jumpTo(l).op(Op::op_ret); }), 1},
    {"different heights where paths meet", begin([](Asm& a) {
       auto l = a.label();
       a.op(Op::op_pushi16).h(1).op(Op::op_jt).jumpTo(l).op(Op::op_pushi16).h(2).here(l).op(Op::op_ret); }), 0},
    {"stack underflow", popped([](Asm&) {}), 0},
    {"falls off the end", begin([](Asm& a) { a.op(Op::op_pushi16).h(1).op(Op::op_pop); }), 0},
    {"local inside the frame",
     popped([](Asm& a) { a.op(Op::op_locals).u(2).op(Op::op_lpush).l(Asm::local(2)); }, 0, 2), 1},
    {"local below the frame",
     popped([](Asm& a) { a.op(Op::op_locals).u(1).op(Op::op_lpush).l(Asm::local(2)); }, 0, 1), 0},
    {"parameter the header lacks", popped([](Asm& a) { a.op(Op::op_lpush).l(Asm::param(1)); }), 0},
    {"local between cells", popped([](Asm& a) { a.op(Op::op_locals).u(1).op(Op::op_lpush).l(-12); }, 0, 1), 0},
    {"locals without op_locals", begin([](Asm& a) { a.op(Op::op_ret); }, 0, 1), 0},
    {"op_locals count differs", begin([](Asm& a) { a.op(Op::op_locals).u(1).op(Op::op_ret); }, 0, 2), 0},
    {"op_locals not first",
     begin([](Asm& a) { a.op(Op::op_line).u(1).op(Op::op_locals).u(1).op(Op::op_ret); }, 0, 1), 0},
    {"global past the count", popped([](Asm& a) { a.op(Op::op_gpush).g(8000 + kPredefinedCount); }), 0},
    {"last global", popped([](Asm& a) { a.op(Op::op_gpush).g(8000 + kPredefinedCount - 1); }), 1},
    {"special variable 37", popped([](Asm& a) { a.op(Op::op_pvget).v(37); }), 0},
    {"builtin slot 0", popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_bcall).p(0, 0).s(0); }), 0},
    {"builtin slot 121", popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_bcall).p(0, 0).s(121); }), 0},
    {"builtin with more arguments than it pops",
     popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_pushi16).h(1).op(Op::op_bcall).p(1, 2).s(17); }), 0},
    {"builtin pops below its result slot",
     popped([](Asm& a) { a.op(Op::op_pushi16).h(1).op(Op::op_bcall).p(1, 1).s(17); }), 0},
    {"extern id without externs",
     popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_cfun).b(0).e(10000); }), 0},
    {"call of a gid without code",
     popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1005); }), 0},
    {"call with fewer cells than the callee's parameters",
     popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_pushu).op(Op::op_call).p(1, 1).c(1002); }), 0},
    {"call with all parameter cells",
     popped([](Asm& a) { a.op(Op::op_pushun).b(3).op(Op::op_call).p(2, 0).c(1002); }), 1},
    {"call supplying more arguments than cells",
     popped([](Asm& a) { a.op(Op::op_pushslot).op(Op::op_call).p(0, 1).c(1001); }), 0},
    {"rewritten pattern constant", popped([](Asm& a) { a.op(Op::op_pushre).r(0).b(0); }), 0},
    {"rewritten $0 match", popped([](Asm& a) { a.op(Op::op_match0).r(0).b(0); }), 0},
    {"comparison kind 3",
     popped([](Asm& a) { a.op(Op::op_pushi16).h(1).op(Op::op_pushi16).h(2).op(Op::op_cmp).b(3); }), 0},
    {"byte operand with a nonzero pad byte",
     popped([](Asm& a) { a.op(Op::op_pushi16).h(1).op(Op::op_pushi16).h(2).op(Op::op_cmp).raw(0x0801); }), 0},
    {"concatenation of more cells than there are",
     popped([](Asm& a) { a.op(Op::op_pushi16).h(1).op(Op::op_pushi16).h(2).op(Op::op_concat).b(3); }), 0},
    {"|| leaves its value when it jumps", popped([](Asm& a) {
       auto l = a.label();
       a.op(Op::op_pushi16).h(1).op(Op::op_orjmp).jumpTo(l).op(Op::op_pushi16).h(0).here(l); }), 1},
    {"delete mode 3", popped([](Asm& a) { a.op(Op::op_newarr).op(Op::op_pushu).op(Op::op_delete).u(3); }), 0},
    {"float with 401 decimals", popped([](Asm& a) { a.op(Op::op_pushf).d(1.5, 401); }), 0},
    {"string constant 0", popped([](Asm& a) { a.op(Op::op_pushs).a(0); }), 0},
    {"string object past its segment", stringObject({0, 0, 0x7F, 0xFF, 0, 1, 0, 0, 'a', 'b', 0}), 0},
    {"string object without its NUL", stringObject({0, 0, 0, 2, 0, 1, 0, 0, 'a', 'b', 'c', 'd'}), 0},
    {"string object inside another", stringObject(kNested, true), 0},
    {"crowded string objects", stringObject(kNested, false, true), 1},
    {"crowded string objects, one inside another", stringObject(kNested, true, true), 0},
    {"phase function with a parameter", begin([](Asm& a) { a.op(Op::op_ret); }, 1, 0), 0},
    {"fewer globals than the predefined ones",
     image([](ImageWriter& w, Asm& a) { w.setGlobalCount(kPredefinedCount - 1); a.op(Op::op_ret); }), 0},
    {"every operand kind", image(everyOperandKind, 0, 1), 1},
    {"negative segment size", patched([](auto& img) {
       uint32_t n = be32(img.data() + root::kSegmentCount);
       putBe32(img.data() + root::kSegmentCount, n + 1);
       putBe16(img.data() + root::kSegmentSizes + 2 * n, 0x8000); }), 0},
    {"function longer than its segment", patched([](auto& img) {
       putBe16(img.data() + fileOffset(img, functionEntry(img, 0)) + fnhdr::kLength, 0x7FFE); }), 0},
    {"function length odd", patched([](auto& img) {
       size_t at = fileOffset(img, functionEntry(img, 0)) + fnhdr::kLength;
       putBe16(img.data() + at, uint16_t(be16(img.data() + at) + 1)); }), 0},
    {"function table past its segment", root16(root::kFunctionCount, 0x7FFF), 0},
    {"phase gid past the function table", root16(root::kMainFunction, 1002), 0},
    {"phase gid of a builtin", root16(root::kEnd1Function, 17), 0},
    {"negative function count", root16(root::kFunctionCount, 0xFFFF), 0},
    {"functions overlap", patched([](auto& img) { putBe32(secondEntry(img), functionEntry(img, 0) + 2); }), 0},
    {"code in a segment cut off by a zero size",  // segment 7 is absent
     patched([](auto& img) { putBe32(secondEntry(img), (functionEntry(img, 1) & 0xFFFF) | 7u << 16); }), 1},
};

TEST_F(Verify, CodeCasesLoadOrAreRefused) {
  for (const Case& c : kCodeCases) EXPECT_EQ(load(c.image()), c.expected) << c.name;
}

TEST_F(Verify, OperandsAndStringsBecomeNative) {
  ImageWriter w;
  uint32_t s = w.addString("hello");
  Asm a;
  a.op(Op::op_pushi32).w(-123456789).op(Op::op_pop).op(Op::op_pushf).d(0.1, 1).op(Op::op_pop);
  a.op(Op::op_pushs).a(s).op(Op::op_pop).op(Op::op_pushi16).h(-2).op(Op::op_pop);
  a.op(Op::op_pushs).a(s).op(Op::op_pop).op(Op::op_ret);  // a shared string is converted once
  w.setFunction(1000, a.function(0, 0, ";", 0));
  w.addModule("dir/prog.awk");
  w.setRootGid(root::kBegin1Function, 1000);
  ASSERT_EQ(load(w.build()), 1);
  awk_readroot();
  unsigned char* hdr = awk_funaddr(1000);
  EXPECT_EQ(fnLength(hdr), a.code().size() + kFunctionHeaderSize);
  EXPECT_EQ(fnModule(hdr), 0);
  unsigned char* pc = hdr + kFunctionHeaderSize;
  EXPECT_EQ(pc[0], uint8_t(Op::op_pushi32));
  EXPECT_EQ(opI32w(pc + 2), -123456789);
  pc += 8;
  EXPECT_EQ(pc[0], uint8_t(Op::op_pushf));
  EXPECT_EQ(opF64(pc + 2), 0.1);
  EXPECT_EQ(opDecimals(pc + 2), 1);
  pc += 14;
  EXPECT_EQ(opU32w(pc + 2), s);
  auto* str = reinterpret_cast<AwkString*>(vm_v2pcode(opU32w(pc + 2)));
  EXPECT_EQ(str->len, 5u);
  EXPECT_EQ(str->ref, 1);
  EXPECT_EQ(str->view(), "hello");
  pc += 8;
  EXPECT_EQ(opI16(pc + 2), -2);
  // The module's name object was converted too.
  AwkString* file = awk_gid2filename(1000);
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(file->view(), "dir/prog.awk");
  stringFree(file);
}

// The fixed symbols' block as the compiler writes it, then changed: a slot
// that names a fixed symbol exactly is checked against the unchanged block,
// anything else in full. Accepted images have every name converted once.
TEST_F(Verify, FixedSymbolBlock) {
  auto withBlock = [](std::function<void(std::vector<uint8_t>&, std::vector<uint8_t*>&, uint8_t*)> patch) {
    return [=] {
      ImageWriter w = rtest::minimalWriter();
      for (int i = 0; i < kFixedSymbolCount; ++i) w.addFixedSymbol(i);
      auto img = w.build();
      const uint8_t* t = img.data() + fileOffset(img, be32(img.data() + root::kSymbolTable));
      uint8_t* slot = img.data() + fileOffset(img, be32(t + symtab::kSlots));
      std::vector<uint8_t*> used;
      uint8_t* free = nullptr;
      for (uint32_t i = 0; i < be32(t + symtab::kCapacity); ++i, slot += symtab::kSlotSize)
        if (be32(slot)) used.push_back(slot);
        else if (!free) free = slot;
      patch(img, used, free);
      return img;
    };
  };
  const Case cases[] = {
      {"as written", withBlock([](auto&, auto&, auto*) {}), 1},
      {"a byte of a record in the block changed",
       withBlock([](auto& img, auto& used, auto*) { img[fileOffset(img, be32(used[0] + 8)) + 19] ^= 1; }), 1},
      {"two slots name one fixed symbol",
       withBlock([](auto&, auto& used, auto* free) { std::memcpy(free, used[5], symtab::kSlotSize); }), 1},
      {"a fixed name with another's record",  // after the first slot has placed the block
       withBlock([](auto&, auto& used, auto*) { std::memcpy(used[4] + 8, used[5] + 8, 4); }), 0},
      {"a name inside the block that starts no string",
       withBlock([](auto&, auto& used, auto*) { putBe32(used[3] + 4, be32(used[3] + 4) + 1); }), 0},
  };
  for (const Case& c : cases) {
    ASSERT_EQ(load(c.image()), c.expected) << c.name;
    if (!c.expected) continue;
    awk_readroot();
    int names = 0;
    const AwkSymtab* table = awk_symbols();
    for (int32_t i = 0; i < table->capacity; ++i) {
      const AwkSymSlot& s = table->slots[i];
      if (!s.hash) continue;
      ++names;
      EXPECT_EQ(s.key->ref, 1) << c.name << ": converted once";
      EXPECT_NE(findFixedSymbol(s.key->view()), nullptr) << c.name << ": " << s.key->view();
    }
    EXPECT_EQ(names, kFixedSymbolCount + (c.name == std::string("two slots name one fixed symbol"))) << c.name;
  }
}

TEST_F(Verify, BuildStampsMustAgree) {
  ImageWriter a = rtest::minimalWriter();
  a.setBuildStamp(5);
  ImageWriter b = rtest::minimalWriter();
  b.setBuildStamp(6);
  auto imgA = a.build(), imgB = b.build();
  EXPECT_EQ(load(imgA), 1);
  EXPECT_EQ(load(imgA, false), 1) << "the same compilation again";
  EXPECT_EQ(load(imgB, false), 0) << "another compilation in the same process";
  EXPECT_EQ(load(imgB), 1) << "after a reset";
}

TEST_F(Verify, AddressesBeyondASegmentAreInvalid) {
  ASSERT_EQ(load(rtest::minimalWriter().build()), 1);
  int32_t size0 = awk_segsize[0];
  EXPECT_EQ(vm_room(uint32_t(size0 - 1)), 1);
  EXPECT_EQ(vm_room(uint32_t(size0)), 0);
  EXPECT_EQ(vm_room(7u << 16), 0);
  EXPECT_EQ(rtest::exitOf([&] { vm_v2pcode(uint32_t(size0)); }), 2) << "an offset at the segment's size";
}

// A symbol table whose slots lie in a segment that was not read fails its
// first use with "invalid vmid"; the loader's reset must still give back
// every block the half-built table took.
TEST_F(Verify, FailedTableSetUpLeavesNothingBehind) {
  ImageWriter w = rtest::minimalWriter();
  for (int i = 0; i < 300; ++i)
    w.addSymbol("n" + std::to_string(i),
                rtest::record(symkind::kGlobal, 8000, {SymbolDefinition::make(defkind::kGlobal, 0, 8000)}));
  auto img = w.build();
  // Point the last chunk of the slot directory into absent segment 9.
  uint32_t tab = be32(img.data() + root::kSymbolTable);
  size_t obj = fileOffset(img, tab);
  int32_t capacity = int32_t(be32(img.data() + obj + symtab::kCapacity));
  ASSERT_GT(capacity, 256);
  size_t dir = fileOffset(img, be32(img.data() + obj + symtab::kSlots));
  putBe32(img.data() + dir + 4 * size_t(capacity / 256 - 1), 9u << 16);

  awk_vm_reset();
  int32_t before = awk_malloccount;
  ASSERT_EQ(load(img, false), 1);
  awk_readroot();  // the table is built at its first use
  EXPECT_EQ(rtest::exitOf([] { awk_symbols(); }), 2) << "the slots in an absent segment were read";
  awk_vm_reset();
  EXPECT_EQ(awk_malloccount, before);
}

}  // namespace

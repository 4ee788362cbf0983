// The disassembler and image dump: exact decoding of every operand kind,
// refusal of malformed code with an error line, and no crash on any
// corruption of a whole image.
#include <gtest/gtest.h>

#include <cstring>

#include "image/builtins.h"
#include "image/disasm.h"
#include "image/reader.h"
#include "image_asm.h"

namespace {

using namespace vorn::image;
using vorn::testasm::Asm;

FunctionView viewOf(const std::vector<uint8_t>& bytes) {
  FunctionView f;
  f.bytes = bytes;
  f.length = uint16_t(bytes.size());
  return f;
}

std::vector<uint8_t> withHeader(const std::vector<uint8_t>& code) {
  std::vector<uint8_t> b(kFunctionHeaderSize, 0);
  putBe16(&b[fnhdr::kKind], 1);
  putBe16(&b[fnhdr::kLength], uint16_t(kFunctionHeaderSize + code.size()));
  b.insert(b.end(), code.begin(), code.end());
  return b;
}

// An image with every table: a function using every operand kind (1000,
// named main_fn), one more function, a module, an extern, stored arguments.
std::vector<uint8_t> sampleImage() {
  ImageWriter w;
  uint32_t str = w.addString("say \"hi\"\n");
  Asm a;
  auto end = a.label();
  a.op(Op::op_locals).u(2).op(Op::op_line).u(36).op(Op::op_pushi32).w(-7).op(Op::op_pushi16).h(-5);
  a.op(Op::op_cmp).b(8).op(Op::op_jf).jumpTo(end).op(Op::op_lpush).l(Asm::local(1));
  a.op(Op::op_lstore).l(Asm::param(2)).op(Op::op_gpush).g(8002).op(Op::op_pvget).v(25);
  a.op(Op::op_pushslot).op(Op::op_pushs).a(str).op(Op::op_bcall).p(1, 1).s(slot::b_substr);
  a.op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1001).op(Op::op_cfun).b(0).e(10000);
  a.op(Op::op_pushre).r(3).b(1).op(Op::op_pushf).d(3.25, 2).op(Op::op_fornext).jumpTo(end).l(Asm::local(2));
  a.here(end).op(Op::op_ret);
  w.setFunction(1000, a.function(1, 2, "s;i j", 0));
  w.setFunction(1002, Asm().op(Op::op_ret).function(1, 0, "p;"));
  w.addModule("prog.awk");
  w.setStoredArgs({"prog", "arg"});
  std::vector<uint8_t> desc(28, 0);
  putBe16(desc.data(), 1 << 9);
  desc.insert(desc.end(), {'f', 0});
  w.addExtern(w.addBytes(desc, 4));
  w.addSymbol("main_fn", {symkind::kFunction, 1000, 0, {SymbolDefinition::make(defkind::kFunction, 0, 1000, 4)}});
  for (const char* n : {"a", "b", "c", "substr"})
    w.addSymbol(n, {symkind::kGlobal, 8020, 0, {SymbolDefinition::make(defkind::kGlobal, 0, 8020, 1)}});
  w.setRootGid(root::kBegin1Function, 1000);
  return w.build();
}

TEST(ImageDisasm, EveryOperandKindDecodes) {
  const std::vector<uint8_t> image = sampleImage();  // the reader only views it
  ImageReader r;
  ASSERT_TRUE(r.open(image));
  auto fn = r.function(1000);
  ASSERT_TRUE(fn) << fn.error;
  const std::string expected =
      "    10  op_locals   2\n"
      "    14  op_line     36\n"
      "    18  op_pushi32  -7\n"
      "    24  op_pushi16  -5\n"
      "    28  op_cmp      8 (==)\n"
      "    32  op_jf       -> 106\n"
      "    36  op_lpush    -24 (local 1)\n"
      "    40  op_lstore   +48 (param 2)\n"
      "    44  op_gpush    8002 (ARGV)\n"
      "    48  op_pvget    25 (NR)\n"
      "    52  op_pushslot\n"
      "    54  op_pushs    0x00000008 \"say \\\"hi\\\"\\n\"\n"
      "    60  op_bcall    1 1, 14 (substr)\n"
      "    66  op_pushslot\n"
      "    68  op_call     0 0, 1001\n"
      "    74  op_cfun     0, 10000\n"
      "    80  op_pushre   #3, 1\n"
      "    88  op_pushf    3.25 dec 2\n"
      "   100  op_fornext  -> 106, -48 (local 2)\n"
      "   106  op_ret\n";
  EXPECT_EQ(disassembleFunction(fn.value, &r), expected);
}

// Every opcode assembles from its kind letters and decodes back to itself.
TEST(ImageDisasm, EveryOpcodeRoundTrips) {
  for (int i = 0; i < kOpcodeCount; ++i) {
    const OpInfo& info = kOpInfo[i];
    SCOPED_TRACE(info.name);
    Asm a;
    auto self = a.label();
    a.here(self);
    a.op(Op(2 * i));
    int n = 0;
    for (const char* k = info.operands; *k; ++k, ++n) {
      switch (*k) {
        case 'b': a.b(uint8_t(n + 1)); break;
        case 'p': a.p(uint8_t(n + 1), uint8_t(n + 2)); break;
        case 'h': a.h(int16_t(-n - 1)); break;
        case 'u': a.u(uint16_t(n + 1)); break;
        case 'l': a.l(Asm::local(n + 1)); break;
        case 'g': a.g(8000 + n); break;
        case 'v': a.v(n); break;
        case 's': a.s(n + 1); break;
        case 'c': a.c(1000 + n); break;
        case 'e': a.e(10000 + n); break;
        case 'w': a.w(-1000000 - n); break;
        case 'a': a.a(0x00010000u + 8 * uint32_t(n)); break;
        case 'r': a.r(uint32_t(n + 7)); break;
        case 'd': a.d(1.5 + n, uint16_t(n)); break;
        case 'j': a.jumpTo(self); break;
        default: FAIL() << "unknown kind " << *k;
      }
    }
    auto bytes = withHeader(a.code());
    auto ins = decodeInstruction(bytes, kFunctionHeaderSize);
    ASSERT_TRUE(ins) << ins.error;
    EXPECT_EQ(ins.value.info, &info);
    EXPECT_EQ(ins.value.opcode, 2 * i);
    EXPECT_EQ(ins.value.length, bytes.size() - kFunctionHeaderSize);
    ASSERT_EQ(ins.value.operands.size(), std::strlen(info.operands));
    for (size_t k = 0; k < ins.value.operands.size(); ++k) {
      const Operand& o = ins.value.operands[k];
      EXPECT_EQ(o.kind, info.operands[k]);
      if (o.kind == 'j') { EXPECT_EQ(o.target, int64_t(kFunctionHeaderSize)); }
      if (o.kind == 'w') { EXPECT_EQ(int32_t(o.value), -1000000 - int(k)); }
      if (o.kind == 'c') { EXPECT_EQ(o.value, 1000 + int(k)); }
    }
    EXPECT_NE(disassembleFunction(viewOf(bytes), nullptr).find(info.name), std::string::npos);
  }
}

TEST(ImageDisasm, MalformedInstructionsAreErrors) {
  const struct { const char* what; std::vector<uint8_t> code; size_t offset; const char* error; } cases[] = {
      {"odd opcode", {0x03, 0x00}, 10, "bad opcode 0x03"},
      {"opcode past the table", {0x9E, 0x00}, 10, "bad opcode 0x9E"},
      {"nonzero second byte", {0x56, 0x01}, 10, "second byte"},
      {"truncated w operand", {0x30, 0x00, 0x00, 0x05}, 10, "run past the end"},
      {"truncated d operand", {0x32, 0x00, 0x40, 0x09, 0, 0, 0, 0, 0, 0}, 10, "run past the end"},
      {"lone byte", {0x56}, 10, "truncated instruction"},
      {"odd offset", {0x56, 0x00, 0x56, 0x00}, 11, "odd offset"},
      {"offset past the end", {0x56, 0x00}, 12, "truncated instruction"},
      {"pad byte of b", {0x00, 0x00, 0x08, 0x01}, 10, "pad byte"},
  };
  for (const auto& c : cases) {
    auto bytes = withHeader(c.code);
    auto ins = decodeInstruction(bytes, c.offset);
    ASSERT_FALSE(ins) << c.what;
    EXPECT_NE(ins.error.find(c.error), std::string::npos) << c.what << ": " << ins.error;
  }
}

TEST(ImageDisasm, ListingStopsAtTheFirstBadInstruction) {
  Asm a;
  a.op(Op::op_line).u(1).op(Op::op_pushu);
  a.raw(0xF000);          // not an opcode
  a.op(Op::op_ret);
  std::string out = disassembleFunction(viewOf(withHeader(a.code())), nullptr);
  EXPECT_EQ(out,
            "    10  op_line     1\n"
            "    14  op_pushu\n"
            "error: bad opcode 0xF0 at 16\n");

  Asm jumpy;
  jumpy.op(Op::op_jmp).raw(0x0100);  // 256 bytes forward: outside the function
  jumpy.op(Op::op_ret);
  out = disassembleFunction(viewOf(withHeader(jumpy.code())), nullptr);
  EXPECT_NE(out.find("error: jump at 10 leaves the function (target 268)"), std::string::npos) << out;
  EXPECT_NE(out.find("op_ret"), std::string::npos);
}

// The dump shows every table, also of an image bound to an executable; it
// names a function from the symbol table and shows its header, name list
// and code.
TEST(ImageDisasm, DumpShowsEveryTable) {
  auto img = sampleImage();
  std::string dump = dumpImage(img);
  for (const char* piece : {"root record", "segments (1)", "modules", "\"prog.awk\"", "functions",
                            "function 1002", "externs", "\"f\"  params 1", "stored arguments",
                            "\"arg\"", "symbol table  capacity 8  count 5", "phases          init=0 begin1=1000",
                            "function 1000 main_fn @0x", "params 1  locals 2  module 0  length 108",
                            "names \"s;i j\"", "   106  op_ret\n", "\"main_fn\"", "function (kind 1)  gid 1000",
                            "def kind 1  module 0  gid 1000  line 4"}) {
    EXPECT_NE(dump.find(piece), std::string::npos) << piece << "\n" << dump;
  }
  EXPECT_EQ(dump.find("error:"), std::string::npos) << dump;
  std::vector<uint8_t> exe(5000, 0x90);
  exe.insert(exe.end(), img.begin(), img.end());
  exe.resize(exe.size() + 4);
  putBe32(&exe[exe.size() - 4], uint32_t(img.size()));
  EXPECT_EQ(dumpImage(exe), dump);
  EXPECT_EQ(dumpImage(std::vector<uint8_t>(10, 0)).rfind("error:", 0), 0u);
}

// No single corrupted byte, and no truncation, may crash the dump; the
// sanitizer build turns any wild read into a failure here.
TEST(ImageDisasm, CorruptionNeverCrashes) {
  const auto good = sampleImage();
  int errors = 0;
  for (size_t i = 0; i < good.size(); ++i) {
    if (i >= root::kSegmentSizes + 2 && i < kRootSize) continue;  // unused size entries
    for (uint8_t v : {uint8_t(0xFF), uint8_t(0x80), uint8_t(0x01)}) {
      auto bad = good;
      bad[i] ^= v;
      errors += dumpImage(bad).find("error:") != std::string::npos;
    }
  }
  EXPECT_GT(errors, 0);
  for (size_t len = 0; len < good.size(); len += 7)
    EXPECT_FALSE(dumpImage(std::vector<uint8_t>(good.begin(), good.begin() + long(len))).empty());
}

}  // namespace

// The image writer, checked through the reader and, where the run-time's own
// reading matters (symbol lookup, segment layout), through an independent
// walk over the raw bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iterator>
#include <string>
#include <vector>

#include "image/format.h"
#include "image/reader.h"
#include "image/table_hash.h"
#include "image/writer.h"
#include "image_asm.h"

namespace {

using namespace vorn::image;
using vorn::testasm::Asm;

// vaddr -> bytes, the way the loader translates: root record, then the
// segments in order, each exactly as long as its size entry.
struct RawImage {
  const std::vector<uint8_t>& img;
  const uint8_t* at(uint32_t vaddr) const {
    uint32_t seg = vaddr >> 16, off = vaddr & 0xFFFF;
    size_t pos = kRootSize;
    for (uint32_t n = 0; n < seg; ++n) pos += be16(&img[root::kSegmentSizes + 2 * n]);
    EXPECT_LT(seg, be32(&img[root::kSegmentCount]));
    EXPECT_LT(off, be16(&img[root::kSegmentSizes + 2 * seg]));
    return &img[pos + off];
  }
  uint32_t u32(uint32_t vaddr) const { return be32(at(vaddr)); }
};

// Looks a name up as the run-time will: hash, home slot, linear probe with
// wrap-around, slot i in chunk i / 256 above 256 slots. Returns the record
// vaddr or 0.
uint32_t rawLookup(const std::vector<uint8_t>& img, const std::string& name) {
  RawImage raw{img};
  const uint8_t* tab = raw.at(be32(&img[root::kSymbolTable]));
  uint32_t cap = be32(tab + symtab::kCapacity);
  uint32_t slots = be32(tab + symtab::kSlots);
  uint32_t h = tableHash(name.data(), name.size());
  for (uint32_t i = h % cap, n = 0; n < cap; i = (i + 1) % cap, ++n) {
    uint32_t slotV = cap <= 256 ? slots + 12 * i : raw.u32(slots + 4 * (i / 256)) + 12 * (i % 256);
    const uint8_t* s = raw.at(slotV);
    if (be32(s) == 0) return 0;
    if (be32(s) != h) continue;
    const uint8_t* key = raw.at(be32(s + 4));
    if (be32(key) == name.size() && std::memcmp(key + 8, name.data(), name.size()) == 0)
      return be32(s + 8);
  }
  return 0;
}

std::vector<std::string> manyNames(int n) {
  std::vector<std::string> names;
  for (int i = 0; i < n; ++i) names.push_back("v" + std::to_string(i * 7919 % 100003));
  return names;
}

TEST(ImageWriter, RootRecordRoundTrip) {
  ImageWriter w;
  Asm a;
  a.op(Op::op_ret);
  for (int gid : {1000, 1001, 1004}) w.setFunction(gid, a.function());
  struct { int offset; int gid; int16_t RootInfo::*field; } phases[] = {
      {root::kInitFunction, 1000, &RootInfo::initFunction},
      {root::kMainFunction, 1001, &RootInfo::mainFunction},
      {root::kEnd1Function, 1004, &RootInfo::end1Function},
      {root::kEnd2Function, 1000, &RootInfo::end2Function},
      {root::kExitFunction, 1001, &RootInfo::exitFunction},
      {root::kBegin2Function, 1004, &RootInfo::begin2Function},
      {root::kBegin1Function, 1000, &RootInfo::begin1Function},
      {root::kBeginFileFunction, 1001, &RootInfo::beginFileFunction},
      {root::kEndFileFunction, 1004, &RootInfo::endFileFunction},
  };
  for (auto& p : phases) w.setRootGid(p.offset, p.gid);
  w.setGlobalCount(40);
  w.setFlags(0x21);
  w.setBuildStamp(0xCAFEF00D);
  auto img = w.build();

  ImageReader r;
  ASSERT_TRUE(r.open(img)) << r.open(img).error;
  const RootInfo& t = r.root();
  EXPECT_EQ(t.magic, kMagic);
  EXPECT_EQ(t.version, kVersion);
  EXPECT_EQ(t.globalCount, 40);
  EXPECT_EQ(t.flags, 0x21);
  EXPECT_EQ(t.buildStamp, 0xCAFEF00Du);
  EXPECT_EQ(t.storedArgs, 0u);
  EXPECT_EQ(t.externTable, 0u);
  EXPECT_EQ(t.externCount, 0);
  for (auto& p : phases) EXPECT_EQ(t.*p.field, p.gid) << "root offset " << p.offset;
  EXPECT_TRUE(r.notes().empty());

  // Function table: gids 1000..1004, gaps are 0.
  auto ft = r.functionTable();
  ASSERT_TRUE(ft) << ft.error;
  ASSERT_EQ(ft.value.size(), 5u);
  EXPECT_NE(ft.value[0], 0u);
  EXPECT_NE(ft.value[1], 0u);
  EXPECT_EQ(ft.value[2], 0u);
  EXPECT_EQ(ft.value[3], 0u);
  EXPECT_NE(ft.value[4], 0u);
  EXPECT_FALSE(r.function(1002));
}

TEST(ImageWriter, DefaultsAreUsable) {
  ImageWriter w;
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  EXPECT_EQ(r.root().globalCount, kPredefinedCount);
  EXPECT_NE(r.root().buildStamp, 0u);
  EXPECT_EQ(r.root().functionCount, 0);
  // Two builds of one writer carry the same stamp.
  ImageReader r2;
  auto img2 = w.build();
  ASSERT_TRUE(r2.open(img2));
  EXPECT_EQ(r.root().buildStamp, r2.root().buildStamp);
  // Another writer is another compilation.
  ImageWriter other;
  auto img3 = other.build();
  ImageReader r3;
  ASSERT_TRUE(r3.open(img3));
  EXPECT_NE(r3.root().buildStamp, r.root().buildStamp);
  auto st = r.symbolTable();
  ASSERT_TRUE(st) << st.error;
  EXPECT_EQ(st.value.capacity, 8);
  EXPECT_EQ(st.value.count, 0);
}

TEST(ImageWriter, FunctionsKeepHeaderCodeAndNameList) {
  struct Case { int gid; uint16_t params, locals, module; std::string names; bool hasNames; };
  const Case cases[] = {
      {1000, 2, 1, 0, "str len;padamt", true},
      {1001, 0, 0, 1, ";", true},
      {1002, 0, 0, kGeneratedModule, "", false},
      {2999, 3, 0, 0, "a b c;", true},
  };
  ImageWriter w;
  std::vector<std::vector<uint8_t>> codes;
  for (const Case& c : cases) {
    Asm a;
    if (c.locals) a.op(Op::op_locals).u(c.locals);
    a.op(Op::op_line).u(uint16_t(c.gid % 100)).op(Op::op_pushi32).w(c.gid).op(Op::op_retv);
    FunctionImage fn = a.function(c.params, c.locals, c.names, c.module);
    fn.hasNameList = c.hasNames;
    codes.push_back(fn.code);
    w.setFunction(c.gid, fn);
  }
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  EXPECT_EQ(r.root().functionCount, 2000);
  for (size_t i = 0; i < std::size(cases); ++i) {
    const Case& c = cases[i];
    auto f = r.function(c.gid);
    ASSERT_TRUE(f) << f.error;
    EXPECT_EQ(f.value.kind, 1);
    EXPECT_EQ(f.value.paramCount, c.params);
    EXPECT_EQ(f.value.localCount, c.locals);
    EXPECT_EQ(f.value.module, c.module);
    EXPECT_EQ(f.value.length, kFunctionHeaderSize + codes[i].size());
    EXPECT_EQ(std::vector<uint8_t>(f.value.code().begin(), f.value.code().end()), codes[i]);
    EXPECT_TRUE(f.value.nameListTerminated);
    EXPECT_EQ(f.value.nameList, c.hasNames ? c.names : "");
    EXPECT_EQ(f.value.vaddr % 2, 0u) << "functions start at even offsets";
  }
}

TEST(ImageWriter, StringsAreAlignedCountedAndShared) {
  const std::string cases[] = {"", "a", "hello world", std::string("nul\0inside", 10),
                               "\xff\x80\x01", std::string(1000, 'x'), std::string(32758, 'y')};
  ImageWriter w;
  std::vector<uint32_t> vaddrs;
  for (const auto& s : cases) vaddrs.push_back(w.addString(s));
  for (size_t i = 0; i < std::size(cases); ++i)
    EXPECT_EQ(w.addString(cases[i]), vaddrs[i]) << "identical strings share one object";
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  RawImage raw{img};
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_NE(vaddrs[i], 0u);
    EXPECT_EQ(vaddrs[i] % 8, 0u) << "string objects are 8-aligned";
    auto s = r.stringAt(vaddrs[i]);
    ASSERT_TRUE(s) << s.error;
    EXPECT_EQ(s.value, cases[i]);
    const uint8_t* p = raw.at(vaddrs[i]);
    EXPECT_EQ(be32(p), cases[i].size());
    EXPECT_EQ(be16(p + 4), 1) << "reference count 1 as stored";
    EXPECT_EQ(be16(p + 6), 0);
  }
  EXPECT_THROW(w.addString(std::string(32759, 'z')), ImageError);
}

TEST(ImageWriter, ObjectsSpillIntoSegmentsAndNeverCrossThem) {
  ImageWriter w;
  std::vector<std::pair<uint32_t, std::string>> placed;
  for (int i = 0; i < 300; ++i) {
    std::string s(700 + i * 37 % 500, char('a' + i % 26));
    placed.emplace_back(w.addString(s), s);
  }
  Asm a;
  for (int i = 0; i < 5000; ++i) a.op(Op::op_nop1);
  a.op(Op::op_ret);
  for (int gid = 1000; gid < 1010; ++gid) w.setFunction(gid, a.function(0, 0, "p;q"));
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  int segs = int(r.root().segmentCount);
  EXPECT_GE(segs, 8);
  size_t total = kRootSize;
  for (int n = 0; n < segs; ++n) {
    int size = r.root().segmentSizes[size_t(n)];
    EXPECT_GT(size, 0);
    EXPECT_LE(size, kMaxSegmentSize);
    total += size_t(size);
  }
  EXPECT_EQ(total, img.size());
  // Segment 0 begins with 4 zero bytes: no object at vaddr 0.
  ASSERT_GE(r.segment(0).size(), 4u);
  for (int i = 0; i < 4; ++i) EXPECT_EQ(r.segment(0)[size_t(i)], 0);
  for (auto& [v, s] : placed) {
    EXPECT_NE(v, 0u);
    auto got = r.stringAt(v);  // fails when the object would run past its segment
    ASSERT_TRUE(got) << got.error;
    EXPECT_EQ(got.value, s);
  }
  for (int gid = 1000; gid < 1010; ++gid) {
    auto f = r.function(gid);
    ASSERT_TRUE(f) << f.error;
    EXPECT_EQ(f.value.nameList, "p;q");
  }
}

TEST(ImageWriter, RefusesWhatCannotBeLaidOut) {
  struct Case { const char* what; std::function<void(ImageWriter&)> act; };
  const Case cases[] = {
      {"string longer than a segment", [](ImageWriter& w) { w.addString(std::string(40000, 'x')); }},
      {"function longer than a segment", [](ImageWriter& w) {
         FunctionImage fn;
         fn.code.assign(32758, 0);
         w.setFunction(1000, fn);
         w.build();
       }},
      {"function whose name list overflows the segment", [](ImageWriter& w) {
         FunctionImage fn;
         fn.code.assign(32700, 0);
         fn.nameList = std::string(100, 'n');
         w.setFunction(1000, fn);
         w.build();
       }},
      {"odd code length", [](ImageWriter& w) {
         FunctionImage fn;
         fn.code.assign(3, 0);
         w.setFunction(1000, fn);
       }},
      {"function gid below range", [](ImageWriter& w) { w.setFunction(999, {}); }},
      {"function gid above range", [](ImageWriter& w) { w.setFunction(3000, {}); }},
      {"root offset that holds no gid", [](ImageWriter& w) { w.setRootGid(root::kFlags, 1000); }},
      {"phase gid out of range", [](ImageWriter& w) { w.setRootGid(root::kMainFunction, 8000); }},
      {"phase function without code", [](ImageWriter& w) {
         w.setRootGid(root::kMainFunction, 1005);
         w.build();
       }},
      {"stamp 0", [](ImageWriter& w) { w.setBuildStamp(0); }},
      {"too many globals", [](ImageWriter& w) { w.setGlobalCount(2001); }},
      {"duplicate symbol", [](ImageWriter& w) {
         w.addSymbol("x", {});
         w.addSymbol("x", {});
       }},
      {"bad alignment", [](ImageWriter& w) { w.addBytes(std::vector<uint8_t>{1}, 3); }},
      {"more than 600 segments", [](ImageWriter& w) {
         for (int i = 0; i < 601; ++i) w.addString(std::string(20000, char(i)) + std::to_string(i));
       }},
  };
  for (const Case& c : cases) {
    ImageWriter w;
    EXPECT_THROW(c.act(w), ImageError) << c.what;
  }
  ImageWriter ok;
  EXPECT_NO_THROW(ok.setGlobalCount(2000));
  FunctionImage fn;
  fn.code.assign(32756, 0);
  fn.hasNameList = false;   // 10 + 32756 + the NUL = 32767
  ok.setFunction(1000, fn);
  EXPECT_NO_THROW(ok.build());
}

TEST(ImageWriter, RawBytesKeepTheirAlignment) {
  ImageWriter w;
  w.addString("odd");
  struct Case { std::vector<uint8_t> bytes; unsigned align; };
  const Case cases[] = {{{1}, 1}, {{2, 3}, 2}, {{4, 5, 6}, 4}, {{7, 8, 9, 10, 11}, 8}, {{}, 2}};
  std::vector<uint32_t> at;
  for (const Case& c : cases) at.push_back(w.addBytes(c.bytes, c.align));
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  for (size_t i = 0; i < std::size(cases); ++i) {
    EXPECT_EQ(at[i] % cases[i].align, 0u);
    auto b = r.bytesAt(at[i], cases[i].bytes.size());
    ASSERT_TRUE(b) << b.error;
    EXPECT_TRUE(std::equal(b.value.begin(), b.value.end(), cases[i].bytes.begin()));
  }
}

TEST(ImageWriter, ModulesAndExterns) {
  ImageWriter w;
  const char* files[] = {"prog.awk", "", "lib/util.awk"};
  for (int i = 0; i < 3; ++i) EXPECT_EQ(w.addModule(files[i]), i);
  // A descriptor: 2 parameters, returns int, "libc.so:abs".
  std::vector<uint8_t> desc(28, 0);
  putBe16(desc.data(), 2 << 9);
  putBe16(desc.data() + 2, 2);
  desc[8] = 2;
  desc[9] = 7;
  std::string name = "libc.so:abs";
  desc.insert(desc.end(), name.begin(), name.end());
  desc.push_back(0);
  uint32_t dv = w.addBytes(desc, 4);
  EXPECT_EQ(w.addExtern(dv), 0);
  EXPECT_EQ(w.addExtern(0x12345678), 1);
  const uint8_t types[] = {8, 0x22, 4};
  EXPECT_EQ(w.addExternFunction(0x24, types, "libm.so;frexp"), 2);
  EXPECT_THROW(w.addExternFunction(2, std::vector<uint8_t>(21, 2), "x:y"), ImageError);
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  auto mods = r.modules();
  ASSERT_TRUE(mods) << mods.error;
  ASSERT_EQ(mods.value.size(), 3u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(mods.value[size_t(i)].name, files[i]);
    EXPECT_EQ(mods.value[size_t(i)].nameVaddr == 0, files[i][0] == 0);
  }
  auto ext = r.externTable();
  ASSERT_TRUE(ext);
  ASSERT_EQ(ext.value.size(), 3u);
  EXPECT_EQ(ext.value[0], dv);
  EXPECT_EQ(ext.value[1], 0x12345678u);
  struct Case { uint32_t vaddr; int params; int16_t ret; std::vector<uint8_t> types; std::string name; };
  const Case cases[] = {{dv, 2, 2, {2, 7}, name}, {ext.value[2], 3, 0x24, {8, 0x22, 4}, "libm.so;frexp"}};
  for (const Case& c : cases) {
    auto e = r.externAt(c.vaddr);
    ASSERT_TRUE(e) << e.error;
    EXPECT_EQ(e.value.paramCount(), c.params);
    EXPECT_EQ(e.value.returnType, c.ret);
    EXPECT_EQ(e.value.address, 0u);
    EXPECT_TRUE(std::equal(c.types.begin(), c.types.end(), e.value.paramTypes.begin()));
    EXPECT_EQ(e.value.paramTypes[c.types.size()], 0);
    EXPECT_EQ(e.value.name, c.name);
    // The first word shifted right by 25 is the parameter count.
    EXPECT_EQ(r.u32At(c.vaddr).value >> 25, uint32_t(c.params));
  }
}

TEST(ImageWriter, StoredArgumentList) {
  const std::vector<std::vector<std::string>> lists = {
      {"prog"}, {"/tmp/x.ae", "-F:", "file one", "a=1"}, {std::string(2000, 'q'), "b"}};
  for (const auto& list : lists) {
    ImageWriter w;
    w.setStoredArgs(list);
    auto img = w.build();
    ImageReader r;
    ASSERT_TRUE(r.open(img));
    EXPECT_NE(r.root().storedArgs, 0u);
    auto got = r.storedArgs();
    ASSERT_TRUE(got) << got.error;
    EXPECT_EQ(got.value, list);
    // The raw list ends with an empty string.
    size_t len = 0;
    for (const auto& s : list) len += s.size() + 1;
    auto raw = r.bytesAt(r.root().storedArgs, len + 1);
    ASSERT_TRUE(raw);
    EXPECT_EQ(raw.value[len], 0);
    EXPECT_EQ(raw.value[len - 1], 0);
  }
  ImageWriter w;
  EXPECT_THROW(w.setStoredArgs({}), ImageError);
  EXPECT_THROW(w.setStoredArgs({"prog", "", "lost"}), ImageError);
  EXPECT_THROW(w.setStoredArgs({"prog", std::string("a\0b", 3)}), ImageError);
}

// Every added name must be found by the run-time's probe, with its record.
TEST(ImageWriter, SymbolLookupProbesAsTheRunTime) {
  struct Case { int names; int capacity; };
  const Case cases[] = {{0, 8}, {1, 8}, {6, 8}, {7, 16}, {12, 16}, {13, 32},
                        {100, 256}, {192, 256}, {193, 512}, {400, 1024}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.names);
    ImageWriter w;
    auto names = manyNames(c.names);
    for (int i = 0; i < c.names; ++i) {
      SymbolRecord rec;
      rec.kind = symkind::kGlobal;
      rec.gid = int16_t(8018 + i);
      rec.compilerBits = uint16_t(i & 0xFFF);
      rec.definitions.push_back(SymbolDefinition::make(defkind::kGlobal, i % 3, 8018 + i, i + 1));
      if (i % 5 == 0)
        rec.definitions.push_back(SymbolDefinition::make(defkind::kModuleVariable, 2, 8500 + i, 7));
      w.addSymbol(names[size_t(i)], rec);
    }
    auto img = w.build();
    ImageReader r;
    ASSERT_TRUE(r.open(img));
    auto st = r.symbolTable();
    ASSERT_TRUE(st) << st.error;
    EXPECT_EQ(st.value.capacity, c.capacity);
    EXPECT_EQ(st.value.count, c.names);
    EXPECT_EQ(int(st.value.used.size()), c.names);
    EXPECT_EQ(st.value.entrySize, 12);
    EXPECT_EQ(st.value.kind, 1);
    EXPECT_EQ(1 << st.value.sizeExponent, c.capacity);
    for (int i = 0; i < c.names; ++i) {
      const std::string& n = names[size_t(i)];
      uint32_t recV = rawLookup(img, n);
      ASSERT_NE(recV, 0u) << n;
      auto viaReader = r.lookup(n);
      ASSERT_TRUE(viaReader) << viaReader.error;
      EXPECT_EQ(viaReader.value, recV);
      auto rec = r.symbolRecord(recV);
      ASSERT_TRUE(rec) << rec.error;
      EXPECT_EQ(rec.value.kind(), symkind::kGlobal);
      EXPECT_EQ(rec.value.gid, 8018 + i);
      EXPECT_EQ(rec.value.compilerBits(), i & 0xFFF);
      ASSERT_EQ(rec.value.definitionCount(), i % 5 == 0 ? 2 : 1);
      EXPECT_EQ(rec.value.definitions[0].kind(), defkind::kGlobal);
      EXPECT_EQ(rec.value.definitions[0].module(), i % 3);
      EXPECT_EQ(rec.value.definitions[0].gid(), 8018 + i);
      EXPECT_EQ(rec.value.definitions[0].line, i + 1);
      if (i % 5 == 0) {
        EXPECT_EQ(rec.value.definitions[1].gid(), 8500 + i);
      }
    }
    for (const char* absent : {"", "nope", "v", "ARGC"}) {
      EXPECT_EQ(rawLookup(img, absent), 0u) << absent;
      EXPECT_EQ(r.lookup(absent).value, 0u);
    }
  }
}

// Names whose hashes collide at one home slot, near the end of the table, so
// the probe must wrap around to slot 0.
TEST(ImageWriter, SymbolProbeWrapsAround) {
  std::vector<std::string> sameHome;
  for (int i = 0; sameHome.size() < 4 && i < 100000; ++i) {
    std::string n = "k" + std::to_string(i);
    if (homeSlot(tableHash(n.data(), n.size()), 8) == 7) sameHome.push_back(n);
  }
  ASSERT_EQ(sameHome.size(), 4u);
  ImageWriter w;
  for (size_t i = 0; i < sameHome.size(); ++i) {
    SymbolRecord rec;
    rec.kind = symkind::kFunction;
    rec.gid = int16_t(1000 + i);
    w.addSymbol(sameHome[i], rec);
  }
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  auto st = r.symbolTable();
  ASSERT_TRUE(st);
  std::vector<uint32_t> slots;
  for (auto& s : st.value.used) slots.push_back(s.index);
  EXPECT_EQ(slots, (std::vector<uint32_t>{0, 1, 2, 7})) << "the first name at its home, the rest wrapped";
  for (size_t i = 0; i < sameHome.size(); ++i) {
    auto rec = r.symbolRecord(rawLookup(img, sameHome[i]));
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.value.gid, int16_t(1000 + i));
  }
}

TEST(ImageWriter, BuiltinRecordWords) {
  ImageWriter w;
  SymbolRecord rec;
  rec.kind = symkind::kBuiltin;
  rec.gid = 14;
  rec.definitions.push_back(SymbolDefinition::builtin(kBuiltinCallable, 2 << 12 | 3 << 8, 3 | 1 << 3 | 1 << 6));
  w.addSymbol("substr", rec);
  auto img = w.build();
  uint32_t v = rawLookup(img, "substr");
  ASSERT_NE(v, 0u);
  const uint8_t* p = RawImage{img}.at(v);
  EXPECT_EQ(be32(p) >> 28, uint32_t(symkind::kBuiltin));
  EXPECT_EQ(be32(p) & 0xFFFF, 1u);
  EXPECT_EQ(be16(p + 4), 14);
  EXPECT_EQ(be16(p + 8), kBuiltinCallable);
  EXPECT_EQ(be16(p + 10), 2 << 12 | 3 << 8);
  EXPECT_EQ(be16(p + 12), 3 | 1 << 3 | 1 << 6);
}

std::string tempPath(const char* tag) {
  return ::testing::TempDir() + "vorn_image_" + tag + "_" + std::to_string(getpid());
}

std::vector<uint8_t> slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
}

void spit(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream f(path, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::vector<uint8_t> fakeRuntime(int markers) {
  std::vector<uint8_t> exe = {'\x7f', 'F', 'A', 'K', 'E'};
  exe.resize(3000, 0x90);
  for (int i = 0; i < markers; ++i) {
    exe.insert(exe.end(), std::begin(kBindMarker), std::end(kBindMarker));
    exe.resize(exe.size() + 500, 0xCC);
  }
  return exe;
}

TEST(ImageWriter, WriteFileRoundTrip) {
  ImageWriter w;
  w.addString("payload");
  auto img = w.build();
  std::string path = tempPath("plain") + ".ae";
  ImageWriter::writeFile(path, img);
  EXPECT_EQ(slurp(path), img);
  unlink(path.c_str());
  EXPECT_THROW(ImageWriter::writeFile("/nonexistent-dir/x.ae", img), ImageError);
}

TEST(ImageWriter, BindPatchesMarkerAndAppendsImage) {
  ImageWriter w;
  w.setStoredArgs({"bound", "x"});
  auto img = w.build();
  std::string rt = tempPath("rt"), out = tempPath("bound");
  auto exe = fakeRuntime(1);
  size_t markerAt = 3000;
  spit(rt, exe);
  struct Case { std::string name; std::string stored; };
  const Case cases[] = {{"prog", "prog"}, {"", ""}, {"averyverylongname", "averyverylo"},
                        {"elevenchars", "elevenchars"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ImageWriter::bind(rt, out, img, c.name);
    auto got = slurp(out);
    ASSERT_EQ(got.size(), exe.size() + img.size() + 4);
    EXPECT_TRUE(std::equal(exe.begin(), exe.begin() + long(markerAt), got.begin()));
    std::string marker(got.begin() + long(markerAt), got.begin() + long(markerAt) + 12);
    EXPECT_EQ(marker, c.stored + std::string(12 - c.stored.size(), '\0'));
    EXPECT_NE(marker.substr(0, 4), "X1X2");
    EXPECT_TRUE(std::equal(exe.begin() + long(markerAt) + 12, exe.end(), got.begin() + long(markerAt) + 12));
    EXPECT_EQ(be32(&got[got.size() - 4]), img.size());
    auto inner = ImageReader::imageOfExecutable(got);
    ASSERT_TRUE(inner) << inner.error;
    ImageReader r;
    ASSERT_TRUE(r.open(inner.value));
    EXPECT_EQ(r.storedArgs().value, (std::vector<std::string>{"bound", "x"}));
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
  }
  // A bound executable has no marker left; a name reading X1X2 would undo the binding.
  EXPECT_THROW(ImageWriter::bind(out, out + "2", img, "again"), ImageError);
  EXPECT_THROW(ImageWriter::bind(rt, out, img, "X1X2"), ImageError);
  EXPECT_THROW(ImageWriter::bind(rt + "-missing", out, img, "p"), ImageError);
  spit(rt, fakeRuntime(2));
  EXPECT_THROW(ImageWriter::bind(rt, out, img, "p"), ImageError) << "two markers, not ELF";
  unlink(rt.c_str());
  unlink(out.c_str());
}

// A writable copy of the marker in this test program's own data; the
// writer's read-only constant is a second copy in the same file.
[[gnu::used]] char ownMarker[12] = {'X', '1', 'X', '2', 'X', '3', 'X', '4', 'X', 0, 0, 0};

size_t countMarkers(const std::vector<uint8_t>& bytes) {
  size_t n = 0;
  for (auto it = bytes.begin();
       (it = std::search(it, bytes.end(), std::begin(kBindMarker), std::end(kBindMarker))) != bytes.end();
       ++it)
    ++n;
  return n;
}

// Binding an ELF file with a read-only and a writable copy of the marker
// patches the writable one only.
void expectBindsOneMarker(const std::string& exePath) {
  auto before = slurp(exePath);
  ASSERT_GE(countMarkers(before), 1u);
  ImageWriter w;
  auto img = w.build();
  std::string out = tempPath("elf");
  ImageWriter::bind(exePath, out, img, "elfprog");
  auto after = slurp(out);
  ASSERT_EQ(after.size(), before.size() + img.size() + 4);
  EXPECT_EQ(countMarkers(after), countMarkers(before) - 1);
  const char patched[12] = {'e', 'l', 'f', 'p', 'r', 'o', 'g', 0, 0, 0, 0, 0};
  EXPECT_NE(std::search(after.begin(), after.end(), std::begin(patched), std::end(patched)), after.end());
  unlink(out.c_str());
}

TEST(ImageWriter, BindPicksTheWritableMarkerOfAnElfFile) {
  ASSERT_EQ(ownMarker[1], '1');
  expectBindsOneMarker("/proc/self/exe");
}

TEST(ImageWriter, BindsTheRealRunTime) {
  const char* vrun = std::getenv("VRUN");
  if (!vrun || access(vrun, R_OK) != 0) GTEST_SKIP() << "VRUN not set";
  expectBindsOneMarker(vrun);
}

TEST(ImageWriter, ReaderRefusesMalformedRoots) {
  ImageWriter w;
  w.addString(std::string(100, 's'));
  auto good = w.build();
  struct Case { const char* what; std::function<void(std::vector<uint8_t>&)> spoil; const char* error; };
  const Case cases[] = {
      {"short root", [](auto& b) { b.resize(1000); }, "too short"},
      {"bad magic", [](auto& b) { b[0] ^= 1; }, "magic"},
      {"bad version", [](auto& b) { b[7] ^= 1; }, "version"},
      {"601 segments", [](auto& b) { putBe32(&b[root::kSegmentCount], 601); }, "segment count"},
      {"negative size", [](auto& b) { putBe16(&b[root::kSegmentSizes], 0x8000); }, "negative"},
      {"short segment 0", [](auto& b) { b.resize(kRootSize + 10); }, "segment 0"},
  };
  for (const Case& c : cases) {
    auto bad = good;
    c.spoil(bad);
    ImageReader r;
    auto res = r.open(bad);
    ASSERT_FALSE(res) << c.what;
    EXPECT_NE(res.error.find(c.error), std::string::npos) << c.what << ": " << res.error;
  }
}

TEST(ImageWriter, ReaderTreatsCutLaterSegmentsAsAbsent) {
  ImageWriter w;
  uint32_t first = w.addString(std::string(30000, 'a'));
  uint32_t second = w.addString(std::string(30000, 'b'));
  auto img = w.build();
  ASSERT_EQ(second >> 16, 1u);
  img.resize(img.size() - 100);
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  EXPECT_EQ(r.notes().size(), 1u);
  EXPECT_TRUE(r.stringAt(first));
  EXPECT_FALSE(r.stringAt(second));
  EXPECT_TRUE(r.segment(1).empty());
}

}  // namespace

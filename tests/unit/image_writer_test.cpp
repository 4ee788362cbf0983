// The image writer: what it refuses, objects spilling over many segments,
// binding to a run-time, its name index, and the reader's view of what it
// wrote, checked on layouts only the writer makes (cut segments, big symbol
// tables, externs). Ordinary round trips are covered by every compiled program.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>

#include "image/fixed_symbols.h"
#include "image/name_index.h"
#include "image/signatures.h"
#include "image/reader.h"
#include "image_asm.h"

namespace {

using namespace vorn::image;
using vorn::testasm::Asm;

TEST(ImageWriter, ObjectsSpillIntoSegmentsAndNeverCrossThem) {
  ImageWriter w;
  std::vector<std::pair<uint32_t, std::string>> placed;
  for (int i = 0; i < 300; ++i) {
    std::string s(700 + i * 37 % 500, char('a' + i % 26));
    placed.emplace_back(w.addString(s), s);
  }
  EXPECT_EQ(w.addString(placed[5].second), placed[5].first) << "identical strings share one object";
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  size_t total = kRootSize;
  for (uint32_t n = 0; n < r.root().segmentCount; ++n) total += size_t(r.root().segmentSizes[n]);
  EXPECT_GE(r.root().segmentCount, 8u);
  EXPECT_EQ(total, img.size());
  for (auto& [v, s] : placed) {
    auto got = r.stringAt(v);  // fails when the object would run past its segment
    ASSERT_TRUE(got) << got.error;
    EXPECT_EQ(got.value, s);
  }
  auto cut = r.stringAt(uint32_t(r.root().segmentSizes[0] - 4));
  EXPECT_NE(cut.error.find("header runs past its segment"), std::string::npos) << cut.error;
}

FunctionImage codeOf(size_t bytes, std::string names = "") {
  FunctionImage fn;
  fn.code.assign(bytes, 0);
  fn.nameList = std::move(names);
  return fn;
}

TEST(ImageWriter, RefusesWhatCannotBeLaidOut) {
  const struct { const char* what; std::function<void(ImageWriter&)> act; } cases[] = {
      {"string longer than a segment", [](ImageWriter& w) { w.addString(std::string(40000, 'x')); }},
      {"function longer than a segment", [](ImageWriter& w) { w.setFunction(1000, codeOf(32758)); w.build(); }},
      {"function whose name list overflows the segment",
       [](ImageWriter& w) { w.setFunction(1000, codeOf(32700, std::string(100, 'n'))); w.build(); }},
      {"odd code length", [](ImageWriter& w) { w.setFunction(1000, codeOf(3)); }},
      {"function gid below range", [](ImageWriter& w) { w.setFunction(999, {}); }},
      {"function gid above range", [](ImageWriter& w) { w.setFunction(3000, {}); }},
      {"root offset that holds no gid", [](ImageWriter& w) { w.setRootGid(root::kFlags, 1000); }},
      {"phase gid out of range", [](ImageWriter& w) { w.setRootGid(root::kMainFunction, 8000); }},
      {"phase function without code", [](ImageWriter& w) { w.setRootGid(root::kMainFunction, 1005); w.build(); }},
      {"stamp 0", [](ImageWriter& w) { w.setBuildStamp(0); }},
      {"too many globals", [](ImageWriter& w) { w.setGlobalCount(2001); }},
      {"duplicate symbol", [](ImageWriter& w) { w.addSymbol("x", {}); w.addSymbol("x", {}); }},
      {"duplicate fixed symbol", [](ImageWriter& w) { w.addFixedSymbol(3); w.addFixedSymbol(3); }},
      {"fixed name added as another symbol too", [](ImageWriter& w) {
         w.addSymbol("NR", {});
         w.addFixedSymbol(int(findFixedSymbol("NR") - kFixedSymbols.data()));
       }},
      {"fixed symbol past the list", [](ImageWriter& w) { w.addFixedSymbol(kFixedSymbolCount); }},
      {"bad alignment", [](ImageWriter& w) { w.addBytes(std::vector<uint8_t>{1}, 3); }},
      {"string one byte too long", [](ImageWriter& w) { w.addString(std::string(32759, 'z')); }},
      {"extern with 21 parameters",
       [](ImageWriter& w) { w.addExternFunction(2, std::vector<uint8_t>(21, 2), "x:y"); }},
      {"no stored arguments", [](ImageWriter& w) { w.setStoredArgs({}); }},
      {"empty stored argument", [](ImageWriter& w) { w.setStoredArgs({"prog", "", "lost"}); }},
      {"NUL in a stored argument", [](ImageWriter& w) { w.setStoredArgs({"p", std::string("a\0b", 3)}); }},
      {"file in a missing directory", [](ImageWriter& w) { ImageWriter::writeFile("/nonexistent/x.ae", w.build()); }},
      {"more than 600 segments", [](ImageWriter& w) {
         for (int i = 0; i < 601; ++i) w.addString(std::string(20000, char(i)) + std::to_string(i));
       }},
  };
  for (const auto& c : cases) {
    ImageWriter w;
    EXPECT_THROW(c.act(w), ImageError) << c.what;
  }
  ImageWriter ok;
  EXPECT_NO_THROW(ok.setGlobalCount(2000));
  FunctionImage fn = codeOf(32756);
  fn.hasNameList = false;   // 10 + 32756 + the NUL = 32767
  ok.setFunction(1000, fn);
  EXPECT_NO_THROW(ok.build());
}

// Externs as descriptors, unnamed modules, empty blocks, gaps in the
// function table, and symbol tables above 256 slots (chunked).
TEST(ImageWriter, ReaderSeesExternsAndChunkedSymbols) {
  ImageWriter w;
  EXPECT_EQ(w.addModule(""), 0);
  EXPECT_NE(w.addBytes({}, 2), 0u);
  w.setFunction(1000, Asm().op(Op::op_ret).function());
  w.setFunction(1002, Asm().op(Op::op_ret).function());
  const uint8_t types[] = {8, 0x22, 4};
  w.addExternFunction(0x24, types, "libm.so;frexp");
  std::vector<std::string> names;
  for (int i = 0; i < 400; ++i) {
    names.push_back("v" + std::to_string(i * 7919 % 100003));
    w.addSymbol(names.back(), {symkind::kGlobal, int16_t(8018 + i), 0,
                               {SymbolDefinition::make(defkind::kGlobal, i % 3, 8018 + i, i + 1)}});
  }
  auto img = w.build();
  ImageReader r;
  ASSERT_TRUE(r.open(img));
  auto e = r.externAt(r.externTable().value.at(0));
  ASSERT_TRUE(e) << e.error;
  EXPECT_EQ(e.value.paramCount(), 3);
  EXPECT_EQ(e.value.returnType, 0x24);
  EXPECT_EQ(e.value.name, "libm.so;frexp");
  EXPECT_EQ(r.u32At(r.externTable().value[0]).value >> 25, 3u);
  EXPECT_EQ(r.modules().value.at(0).name, "");
  EXPECT_EQ(r.function(1002).value.code().size(), 2u);
  EXPECT_FALSE(r.function(1001)) << "a gap";
  EXPECT_FALSE(r.function(1003)) << "past the table";
  auto st = r.symbolTable();
  ASSERT_TRUE(st) << st.error;
  EXPECT_EQ(st.value.capacity, 1024);
  for (int i = 0; i < 400; ++i) {
    auto rec = r.symbolRecord(r.lookup(names[size_t(i)]).value);
    ASSERT_TRUE(rec) << names[size_t(i)];
    EXPECT_EQ(rec.value.gid, 8018 + i);
    EXPECT_EQ(rec.value.definitions[0].module(), i % 3);
  }
  EXPECT_EQ(r.lookup("nope").value, 0u);
}

// The fixed symbols' prepared records and names read back exactly as the
// general path writes the same records, and take the same slots.
TEST(ImageWriter, FixedSymbolsMatchTheGeneralPath) {
  ImageWriter prepared, general;
  for (ImageWriter* w : {&prepared, &general}) {
    w->addString("NR");   // a program string the general path shares
    w->addSymbol("a", {symkind::kGlobal, 8018, 0, {SymbolDefinition::make(defkind::kGlobal, 0, 8018, 1)}});
  }
  for (size_t i = 0; i < kFixedSymbols.size(); ++i) {
    const FixedSymbol& f = kFixedSymbols[i];
    prepared.addFixedSymbol(int(i));
    SymbolDefinition d = SymbolDefinition::make(defkind::kGlobal, kPredefinedModule, 0);
    if (f.kind == symkind::kBuiltin) {
      const BuiltinSignature& sig = *builtinSignature(f.gid);
      d = SymbolDefinition::builtin(builtinFlagWord(sig), builtinCountWord(sig), builtinTypeWord(sig));
    }
    general.addSymbol(f.name(), f.kind, f.gid, std::span(&d, 1));
  }
  const auto a = prepared.build(), b = general.build();
  ImageReader ra, rb;
  ASSERT_TRUE(ra.open(a));
  ASSERT_TRUE(rb.open(b));
  auto ta = ra.symbolTable(), tb = rb.symbolTable();
  ASSERT_TRUE(ta) << ta.error;
  ASSERT_TRUE(tb) << tb.error;
  ASSERT_EQ(ta.value.used.size(), kFixedSymbols.size() + 1);
  ASSERT_EQ(ta.value.used.size(), tb.value.used.size());
  for (size_t k = 0; k < ta.value.used.size(); ++k) {
    const SymbolSlot &x = ta.value.used[k], &y = tb.value.used[k];
    EXPECT_EQ(x.index, y.index) << y.key;
    EXPECT_EQ(x.hash, y.hash) << y.key;
    EXPECT_EQ(x.key, y.key);
    auto rx = ra.symbolRecord(x.recordVaddr), ry = rb.symbolRecord(y.recordVaddr);
    ASSERT_TRUE(rx) << x.key << ": " << rx.error;
    ASSERT_TRUE(ry) << y.key << ": " << ry.error;
    EXPECT_EQ(rx.value.word0, ry.value.word0) << y.key;
    EXPECT_EQ(rx.value.gid, ry.value.gid) << y.key;
    ASSERT_EQ(rx.value.definitions.size(), 1u) << y.key;
    const SymbolDefinitionView &dx = rx.value.definitions[0], &dy = ry.value.definitions[0];
    EXPECT_EQ(std::tie(dx.info, dx.line, dx.flags, dx.extra), std::tie(dy.info, dy.line, dy.flags, dy.extra))
        << y.key;
  }
}

std::string tempPath(const char* tag) {
  return ::testing::TempDir() + "vorn_image_" + tag + "_" + std::to_string(getpid());
}
std::vector<uint8_t> slurp(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), {}};
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

TEST(ImageWriter, BindPatchesMarkerAndAppendsImage) {
  ImageWriter w;
  w.setStoredArgs({"bound", "x"});
  auto img = w.build();
  std::string rt = tempPath("rt"), out = tempPath("bound");
  auto exe = fakeRuntime(1);
  ImageWriter::writeFile(rt, exe);
  const std::pair<std::string, std::string> names[] = {{"prog", "prog"}, {"", ""}, {"averyverylongname", "averyverylo"}};
  for (const auto& [name, stored] : names) {
    ImageWriter::bind(rt, out, img, name);
    auto got = slurp(out);
    ASSERT_EQ(got.size(), exe.size() + img.size() + 4);
    EXPECT_EQ(std::string(got.begin() + 3000, got.begin() + 3012), stored + std::string(12 - stored.size(), '\0'));
    EXPECT_TRUE(std::equal(exe.begin() + 3012, exe.end(), got.begin() + 3012));
    auto inner = ImageReader::imageOfExecutable(got);
    ASSERT_TRUE(inner) << inner.error;
    EXPECT_TRUE(std::equal(img.begin(), img.end(), inner.value.begin()));
    struct stat st;
    ASSERT_EQ(stat(out.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u);
  }
  // A bound executable has no marker left; a name reading X1X2 would undo the binding.
  EXPECT_THROW(ImageWriter::bind(out, out + "2", img, "again"), ImageError);
  EXPECT_THROW(ImageWriter::bind(rt, out, img, "X1X2"), ImageError);
  EXPECT_THROW(ImageWriter::bind(rt + "-missing", out, img, "p"), ImageError);
  ImageWriter::writeFile(rt, fakeRuntime(2));
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
TEST(ImageWriter, BindPicksTheWritableMarkerOfAnElfFile) {
  auto before = slurp("/proc/self/exe");
  ASSERT_GE(countMarkers(before), 1u);
  ImageWriter w;
  auto img = w.build();
  std::string out = tempPath("elf");
  ImageWriter::bind("/proc/self/exe", out, img, "elfprog");
  auto after = slurp(out);
  ASSERT_EQ(after.size(), before.size() + img.size() + 4);
  EXPECT_EQ(countMarkers(after), countMarkers(before) - 1);
  const char patched[12] = {'e', 'l', 'f', 'p', 'r', 'o', 'g', 0, 0, 0, 0, 0};
  EXPECT_NE(std::search(after.begin(), after.end(), std::begin(patched), std::end(patched)), after.end());
  unlink(out.c_str());
}

TEST(ImageWriter, ReaderRefusesMalformedRoots) {
  ImageWriter w;
  w.addString(std::string(100, 's'));
  auto good = w.build();
  const struct { const char* what; std::function<void(std::vector<uint8_t>&)> spoil; const char* error; } cases[] = {
      {"short root", [](auto& b) { b.resize(1000); }, "too short"},
      {"bad magic", [](auto& b) { b[0] ^= 1; }, "magic"},
      {"bad version", [](auto& b) { b[7] ^= 1; }, "version"},
      {"601 segments", [](auto& b) { putBe32(&b[root::kSegmentCount], 601); }, "segment count"},
      {"negative size", [](auto& b) { putBe16(&b[root::kSegmentSizes], 0x8000); }, "negative"},
      {"short segment 0", [](auto& b) { b.resize(kRootSize + 10); }, "segment 0"},
  };
  for (const auto& c : cases) {
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

// Positions found by name across growth; a second add keeps the first position.
TEST(NameIndex, FindsEveryNameAcrossGrowth) {
  std::vector<std::string> names;
  NameIndex index;
  auto nameAt = [&](int32_t i) -> const std::string& { return names[size_t(i)]; };
  EXPECT_EQ(index.find("x", nameAt), -1) << "empty index";
  for (int i = 0; i < 1000; ++i) {
    std::string n = "n";
    n += std::to_string(i);
    ASSERT_EQ(index.findOrAdd(n, int32_t(names.size()), nameAt), -1) << n;
    names.push_back(n);
  }
  names.push_back("");  // the empty name is a name like any other
  ASSERT_EQ(index.findOrAdd("", 1000, nameAt), -1);
  for (int32_t i = 0; i <= 1000; ++i) {
    EXPECT_EQ(index.find(names[size_t(i)], nameAt), i);
    EXPECT_EQ(index.findOrAdd(names[size_t(i)], 5000, nameAt), i);
  }
  for (const char* absent : {"n1000", "n", "N1", "n01"}) EXPECT_EQ(index.find(absent, nameAt), -1) << absent;
}

}  // namespace

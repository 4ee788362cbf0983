// The program symbol table: lookups (also in tables of several 256-slot
// chunks), module-qualified names, access by name, SYMINFO and FUNINFO.
#include <gtest/gtest.h>

#include "arrays/table.h"
#include "builtins/btable.h"
#include "runtime/loader.h"
#include "program/symtab.h"
#include "io/specvars.h"
#include "io/vars.h"
#include "runtime_helpers.h"

using namespace vorn::image;
using rtest::Asm;

namespace {

using rtest::record;

class SymtabTest : public ::testing::Test {
 protected:
  // Modules: 0 src/Main.awk, 1 lib/util.AWK, 2 unnamed.
  // Globals: 8018 count (module 0), 8019 count (module 1, module-level),
  // 8020 hidden (module 1 only), 8021.. filler names.
  static constexpr int kFillers = 300;
  rtest::TempDir dir;

  void SetUp() override {
    awk_vm_reset();
    ImageWriter w;
    w.addModule("src/Main.awk");
    w.addModule("lib/util.AWK");
    w.addModule("");
    w.setGlobalCount(kPredefinedCount + 3 + kFillers);
    Asm a;
    a.op(Op::op_ret);
    w.setFunction(1000, a.function(0, 0, ";", 0));
    w.setFunction(1001, a.function(0, 0, ";", 1));
    w.setFunction(1002, a.function());  // generated
    w.setFunction(1003, a.function(0, 0, ";", 2));
    w.setRootGid(root::kBegin1Function, 1000);
    auto def = SymbolDefinition::make;
    w.addSymbol("count", record(symkind::kGlobal, 8018, {def(defkind::kGlobal, 0, 8018, 2),
                                                         def(defkind::kModuleVariable, 1, 8019, 7)}));
    w.addSymbol("hidden", record(symkind::kModuleOnly, 0, {def(defkind::kModuleVariable2, 0, 0, 1),
                                                           def(defkind::kModuleVariable2, 1, 8020, 4)}));
    w.addSymbol("skipped", record(symkind::kSkipped, 8018, {def(defkind::kGlobal, 0, 8018, 1)}));
    w.addSymbol("ARGC", record(symkind::kPredefinedGlobal, 8000, {def(defkind::kGlobal, kPredefinedModule, 0, 0)}));
    w.addSymbol("NR", record(symkind::kSpecialVariable, 225, {def(defkind::kGlobal, kPredefinedModule, 0, 0)}));
    w.addSymbol("length", record(symkind::kBuiltin, 17, {SymbolDefinition::builtin(0x800, 0x01F0, 3)}));
    w.addSymbol(":BEGIN", record(symkind::kModuleOnly, 0, {def(defkind::kModuleFunction, 0, 1000, 3)}));
    w.addSymbol("helper", record(symkind::kFunction, 1001, {def(defkind::kFunction, 1, 1001, 9)}));
    for (int i = 0; i < kFillers; ++i)
      w.addSymbol("v" + std::to_string(i),
                  record(symkind::kGlobal, 8021 + i, {def(defkind::kGlobal, 0, 8021 + i, i)}));
    std::string path = dir / "sym.ae";
    rtest::writeBytes(path, w.build());
    ASSERT_EQ(vm_open(path.c_str()), 1);
    ASSERT_EQ(awk_validaefile(), 1);
    awk_readroot();
  }
};

TEST_F(SymtabTest, Lookups) {
  struct Case { const char* name; int gid; } cases[] = {
      {"count", 8018},        {"util:count", 8019},  {"UTIL:count", 8019},  {"main:count", 8018},
      {"nosuch:count", 0},    {"util:nosuch", 0},    {"nosuch", 0},         {"Count", 0},
      {"hidden", 0},          {"main:hidden", 0},    {"util:hidden", 8020}, {"skipped", 0},
      {"main:skipped", 0},    {"ARGC", 8000},        {"main:ARGC", 0},      {"NR", 225},
      {"length", 17},         {"util:length", 0},    {"helper", 1001},      {"util:helper", 1001},
      {"main:helper", 0},     {"main:BEGIN", 0},     {"v0", 8021},          {"v299", 8320},
      {"v150", 8171},         {"v300", 0},           {"", 0},               {":BEGIN", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(awk_gname2gid(c.name), c.gid) << c.name;
  uint32_t rec = 0;
  EXPECT_EQ(awk_gname2gid("length", &rec), 17);
  AwkSymRecord r = awk_symrecord(rec);
  EXPECT_EQ(r.kind, symkind::kBuiltin);
  EXPECT_EQ(awk_symword(r, 8), 0x800);
  EXPECT_EQ(awk_symword(r, 10), 0x01F0);
  EXPECT_EQ(awk_symword(r, 12), 3);
}

TEST_F(SymtabTest, AccessByName) {
  Cell v = tsupport::intCell(42), out;
  EXPECT_EQ(awk_setvar("util:count", &v), 0);
  EXPECT_EQ(awk_getvar("util:count", &out), 0);
  EXPECT_EQ(out.tag, Tag::Int);
  EXPECT_EQ(out.w.i, 42);
  EXPECT_EQ(awk_getvar("count", &out), 0);
  EXPECT_EQ(out.tag, Tag::Uninit);
  EXPECT_EQ(awk_setvar("nosuch", &v), 1);
  EXPECT_EQ(awk_getvar("helper", &out), 1) << "a function is not a variable";
  awk_setvargl(8000, 7);
  EXPECT_EQ(awk_getvar("ARGC", &out), 0);
  EXPECT_EQ(out.w.i, 7);
  // Strings move into the global; a copy taken by getvar has its own reference.
  Cell s = tsupport::strCell("text");
  EXPECT_EQ(awk_setvarg(8021, &s), 0);
  EXPECT_EQ(awk_getvarg(8021, &out), 0);
  EXPECT_EQ(out.w.s, s.w.s);
  EXPECT_EQ(s.w.s->ref, 2);
  awk_unaccess(&out);
  EXPECT_EQ(s.w.s->ref, 1);
  EXPECT_EQ(awk_getvarg(8000 + kPredefinedCount + 3 + kFillers, &out), 1) << "past the globals";
  EXPECT_EQ(awk_getvarg(1000, &out), 1);
}

TEST_F(SymtabTest, ModuleFileNames) {
  struct { int gid; const char* file; } cases[] = {
      {1000, "src/Main.awk"}, {1001, "lib/util.AWK"}, {1002, "-"}, {1003, "-"}, {999, "-"}, {1004, "-"}};
  for (const auto& c : cases) {
    AwkString* f = awk_gid2filename(c.gid);   // null: none
    EXPECT_EQ(f ? std::string(f->view()) : "-", c.file) << c.gid;
    if (f) stringFree(f);
  }
  for (auto [modno, size, file] : {std::tuple{1, 64, "lib/util.AWK"}, {3, 64, ""}, {0, 5, "src/"}}) {
    char buf[64];
    awk_modno2filename(buf, size, modno);
    EXPECT_STREQ(buf, file) << modno;
  }
  for (auto [name, modno] : {std::pair{"util", 1}, {"MAIN", 0}, {"util.awk", -1}, {"", -1}})
    EXPECT_EQ(awk_filename2modno(name), modno) << name;
}

// setawkvar's third argument: 1 stores the text as a field would be, 0 as a
// plain string (the rest of both builtins is in tests/cases/lang/modules_vars).
TEST_F(SymtabTest, SetAwkVarStoresTextAsFieldOrString) {
  Cell result, args[3];
  awk_retval = &result;
  for (auto [flag, stored] : {std::pair{1, Tag::Field}, {0, Tag::String}}) {
    cellSetString(&args[0], stringNew("count"));
    cellSetString(&args[1], stringNew("10"));
    cellSetInt(&args[2], flag);
    b_setawkvar(3, args);
    EXPECT_EQ(result.w.i, 1);
    EXPECT_EQ(awk_gvar(8018)->tag, stored);
    EXPECT_EQ(awk_gvar(8018)->w.s->view(), "10");
    awk_unaccess(&args[0]);
    awk_unaccess(&args[1]);
  }
  awk_retval = nullptr;
}

TEST(Symtab, Basename) {
  struct { const char* path; const char* base; } cases[] = {
      {"dir/prog.awk", "prog"}, {"C:\\x\\Lib.Tar.gz", "Lib"}, {"plain", "plain"}, {"", ""}, {"a/b/", ""}, {".hidden", ""}};
  for (const auto& c : cases) {
    char buf[32];
    EXPECT_STREQ(awk_basename(buf, sizeof buf, c.path), c.base) << c.path;
  }
}

TEST_F(SymtabTest, SymInfoAndFunInfo) {
  Cell si{}, fi{};
  ASSERT_TRUE(awk_pvget(pv::SYMINFO, &si));
  ASSERT_TRUE(awk_pvget(pv::FUNINFO, &fi));
  ASSERT_EQ(si.tag, Tag::Array);
  auto text = [](const Cell& c, const char* key) -> std::string {
    AwkSlot* s = awk_stfindb(c.w.t, key, uint32_t(std::strlen(key)));
    return s && cellIsStringy(&s->value) ? std::string(s->value.w.s->view()) : "<none>";
  };
  EXPECT_EQ(text(si, "8000"), "ARGC");
  EXPECT_EQ(text(si, "225"), "NR");
  EXPECT_EQ(text(si, "8018"), "count src/Main.awk 2");
  EXPECT_EQ(text(si, "8019"), "count lib/util.AWK 7");
  EXPECT_EQ(text(si, "8020"), "util:hidden lib/util.AWK 4");
  EXPECT_EQ(text(si, "8021"), "v0 src/Main.awk 0");
  EXPECT_EQ(text(fi, "1000"), "Main:BEGIN src/Main.awk 3");
  EXPECT_EQ(text(fi, "1001"), "helper lib/util.AWK 9");
  EXPECT_EQ(text(fi, "17"), "<none>");
  EXPECT_EQ(text(si, "17"), "<none>") << "builtins are not listed";
  Cell five{}, again{};   // assignments are ignored; later reads share the table
  cellSetInt(&five, 5);
  ASSERT_TRUE(awk_pvset(pv::SYMINFO, &five));
  ASSERT_TRUE(awk_pvget(pv::SYMINFO, &again));
  EXPECT_EQ(again.w.t, si.w.t);
  for (Cell* c : {&again, &si, &fi}) awk_unaccess(c);
}

}  // namespace

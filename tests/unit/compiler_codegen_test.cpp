// The code generator: the compiled forms the interpreter's fast paths rely
// on (one of each operand kind, as listings) and the symbols of the image.
// What programs do, wide statements cut into pieces included, is checked by
// the AWK cases.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "compiler/compile.h"
#include "compiler/emitter.h"
#include "image/format.h"
#include "image/reader.h"

using namespace vorn::compiler;

namespace {

CompileOutput compile(const std::vector<SourceInput>& files) {
  Diagnostics diag;
  CompileOutput out;
  EXPECT_TRUE(compileProgram(files, {}, diag, out)) << diag.format();
  return out;
}

// Listing of function `name` of the compiled program, without the op_line
// instructions and the offset column.
std::string listing(const std::string& src, const std::string& name) {
  CompileOutput out = compile({{"t.awk", src}});
  for (const auto& f : out.functions) {
    if (f.name != name) continue;
    std::istringstream all(listCode(f.code));
    std::string kept;
    for (std::string l; std::getline(all, l);)
      if (l.find("op_line") == std::string::npos) kept += l.substr(l.find("op_")) + "\n";
    return kept;
  }
  ADD_FAILURE() << "no function " << name;
  return {};
}

const struct { const char* src; const char* fn; const char* code; } kCases[] = {
    {"BEGIN { x = 5; x = 70000; x = 0.10; x = 1e-3; x = 1234567890 }", ":BEGIN",
     "op_pushi16 5\nop_gstore 8018\nop_pushi32 70000\nop_gstore 8018\n"
     "op_pushf 0.10000000000000001/2\nop_gstore 8018\nop_pushf 0.001/3\nop_gstore 8018\n"
     "op_pushf 1234567890/0\nop_gstore 8018\nop_ret\n"},
    {"function f(a, b, c) { }\nBEGIN { f(1); x = f(1, 2, 3) }", ":BEGIN",
     "op_pushun 3\nop_pushi16 1\nop_call 3 1 1000\nop_pop\n"
     "op_pushslot\nop_pushi16 3\nop_pushi16 2\nop_pushi16 1\nop_call 3 3 1000\nop_gstore 8018\nop_ret\n"},
    {"BEGIN { x = substr(y, 2, 3) }", ":BEGIN",
     "op_pushslot\nop_pushi16 3\nop_pushi16 2\nop_gpush 8019\nop_tostr\nop_bcall 3 3 14\nop_gstore 8018\nop_ret\n"},
    {"BEGIN { for (k in a) n++ }", ":BEGIN",
     "op_locals 1\nop_gpusharr 8019\nop_forin -24\nop_fornext ->52 -24\nop_gstore 8018\n"
     "op_gpush 8020\nop_addi32 1\nop_gstore 8020\nop_jmp ->16\nop_ret\n"},
    {"BEGIN { a[\"k\"] = 1; x = a[\"k\"] }", ":BEGIN",
     "op_pushi16 1\nop_gpusharr 8018\nop_pushs 0x00000018\nop_aset\n"
     "op_gpusharr 8018\nop_pushs 0x00000018\nop_aget\nop_gstore 8019\nop_ret\n"},
    {"BEGIN { a[k] += 2 }", ":BEGIN",
     "op_gpusharr 8018\nop_gpush 8019\nop_refsave\nop_aget\nop_tonum\nop_addi32 2\nop_refstore\nop_ret\n"},
    {"NF", ":ACTION1",
     "op_pvget 3\nop_jf ->32\nop_pushslot\nop_pushi16 0\nop_getfld\nop_bcall 1 1 1\nop_pop\nop_ret\n"},
    {"BEGIN { local t; t = NR; OFS = \"-\"; exit t }", ":BEGIN",
     "op_locals 1\nop_pvget 25\nop_lstore -24\nop_pushs 0x00000018\nop_pvset 10\nop_lpush -24\nop_toint\nop_exit\nop_ret\n"},
    {"BEGIN { x = (1 < 2) == (a ~ \"b\") }", ":BEGIN",
     "op_pushi16 1\nop_pushi16 2\nop_icmp 0\nop_gpush 8019\nop_tostr\nop_pushs 0x00000018\nop_match\nop_icmp 8\n"
     "op_gstore 8018\nop_ret\n"},
    {"extern \"libm.so.6:cos\" double mycos(double)\nBEGIN { x = mycos(0) }", ":BEGIN",
     "op_pushslot\nop_pushi16 0\nop_cfun 1 10000\nop_gstore 8018\nop_ret\n"},
    {"function h(n: int) { }", "h", "op_lpush 24\nop_ptype 1\nop_pop\nop_ret\n"},
    {"BEGIN { print 1, 2 > \"f\"; print 3 | \"cat\" }", ":BEGIN",
     "op_pushslot\nop_pushi16 2\nop_pushi16 1\nop_pushi16 1\nop_pushs 0x00000018\nop_bcall 4 4 3\nop_pop\n"
     "op_pushslot\nop_pushi16 3\nop_pushi16 2\nop_pushslot\nop_pushi16 1\nop_pushs 0x00000028\n"
     "op_bcall 2 2 47\nop_bcall 3 3 3\nop_pop\nop_ret\n"},
    {"BEGIN { getline; getline x; getline < \"f\"; \"cmd\" | getline y }", ":BEGIN",
     "op_pushslot\nop_bcall 0 0 9\nop_pop\n"
     "op_pushslot\nop_gref 8018\nop_bcall 1 1 9\nop_pop\n"
     "op_pushslot\nop_pushs 0x00000018\nop_pushi16 0\nop_fref\nop_bcall 2 2 9\nop_pop\n"
     "op_pushslot\nop_pushslot\nop_pushi16 0\nop_pushs 0x00000028\nop_bcall 2 2 47\nop_gref 8019\n"
     "op_bcall 2 2 9\nop_pop\nop_ret\n"},
    {"function f(&r, a) { r = a[1] }\nBEGIN { f(x, arr) }", ":BEGIN",
     "op_pushslot\nop_gpusharr 8019\nop_gref 8018\nop_call 2 2 1000\nop_pop\nop_ret\n"},
    {"BEGIN { a[1][2] = 3; n = length(a[1]) }", ":BEGIN",
     "op_pushi16 3\nop_gpusharr 8018\nop_pushi16 1\nop_agetarr\nop_pushi16 2\nop_aset\n"
     "op_pushslot\nop_gpusharr 8018\nop_pushi16 1\nop_aget\nop_bcall 1 1 17\nop_gstore 8019\nop_ret\n"},
    {"/a/,/b/ { n++ }", ":ACTION1",
     "op_gpush 8019\nop_jt ->24\nop_match0u 0x00000018 0\nop_jf ->56\n"
     "op_match0u 0x00000028 0\nop_not\nop_gstore 8019\nop_gpush 8018\nop_addi32 1\nop_gstore 8018\nop_ret\n"},
    {"BEGIN { substr(s, 2) = \"x\" }", ":BEGIN",
     "op_pushslot\nop_pushi16 2\nop_gref 8018\nop_pushs 0x00000018\nop_bcall 3 3 10\nop_pop\nop_ret\n"},
};

TEST(Codegen, CompiledForms) {
  for (const auto& c : kCases) EXPECT_EQ(listing(c.src, c.fn), c.code) << c.src;
}

// Phases of several modules are generated functions calling each module's
// one; a phase of one module's function is that function (no call per record).
TEST(Codegen, PhaseFunctionsCallEachModule) {
  CompileOutput out = compile({{"a.awk", "BEGIN { x = 1 }"}, {"b.awk", "BEGIN { y = 2 }\nEND { }"}});
  std::string begin, end;
  for (const auto& f : out.functions) {
    if (f.name == "(BEGIN)") begin = listCode(f.code);
    if (f.name == "(END)") end = listCode(f.code);
  }
  EXPECT_EQ(begin,
            "   0 op_pushslot\n   2 op_call 0 0 1000\n   8 op_pop\n"
            "  10 op_pushslot\n  12 op_call 0 0 1001\n  18 op_pop\n  20 op_ret\n");
  EXPECT_EQ(end, "");
}

// A printf too wide for the evaluation stack is cut between conversions (the
// rest of wide statements is in tests/cases/lang/wide_statements); "*" takes a
// value of its own, so the last piece is "%*d\n" with two values.
TEST(Codegen, WidePrintfIsCutBetweenConversions) {
  std::string fmt, args;
  for (int i = 1; i <= 30; ++i) fmt += "%d-";
  for (int i = 1; i <= 32; ++i) args += ", x" + std::to_string(i);
  std::string pf = listing("BEGIN { printf \"" + fmt + "%*d\\n\"" + args + " }", ":BEGIN");
  EXPECT_NE(pf.find("op_bcall 9 9 2\n"), std::string::npos) << pf;
}

// The symbol record of each name: its kind and gid, and when
// `definitionKind` is given, its one definition's kind.
struct RecordWant {
  const char* name;
  int kind, gid;
  int definitionKind = -1;
};
void expectRecords(const vorn::image::ImageReader& r, std::initializer_list<RecordWant> wants) {
  for (const RecordWant& w : wants) {
    SCOPED_TRACE(w.name);
    auto rec = r.symbolRecord(r.lookup(w.name).value);
    ASSERT_TRUE(rec);
    EXPECT_EQ(rec.value.kind(), w.kind);
    EXPECT_EQ(rec.value.gid, w.gid);
    if (w.definitionKind < 0) continue;
    ASSERT_EQ(rec.value.definitions.size(), 1u);
    EXPECT_EQ(rec.value.definitions[0].kind(), w.definitionKind);
  }
}

// Every kind of name has its record. A program's name that is also a
// builtin's or a predefined variable's takes that name's record: a global, a
// function or an extern replaces it, a module's static replaces it with a
// record reached only through the module. Names the program leaves alone
// keep their records.
TEST(Codegen, ImageHasSymbolsForEveryKindOfName) {
  CompileOutput out = compile({{"prog.awk",
                                "static kbhit\nfunction f() { }\nstatic function s() { }\n"
                                "function peek(x) { return x }\nstatic function sleep(x) { return x }\n"
                                "extern int puts(char*)\nextern int spawn(char*)\n"
                                "BEGIN { kbhit = 2; g = 1; ord = 1; print sleep(1) peek(2) }"}});
  vorn::image::ImageReader r;
  ASSERT_TRUE(r.open(out.image));
  namespace symkind = vorn::image::symkind;
  namespace defkind = vorn::image::defkind;
  expectRecords(r, {
      {"ARGC", 12, 8000}, {"stdout", 12, 8017}, {"NR", 13, 225}, {"BUFSIZE", 13, 236},
      {"print", 14, 1},   {"table", 14, 120},   {"f", 1, 1000},  {"g", 4, 8019},
      {"puts", 1, 10000}, {"s", 0, 0},          {":BEGIN", 0, 0},
      {"ord", symkind::kGlobal, 8020, defkind::kGlobal},  // after kbhit and g, in source order
      {"peek", symkind::kFunction, 1002, defkind::kFunction},
      {"spawn", symkind::kFunction, 10001, defkind::kFunction},
      {"kbhit", symkind::kModuleOnly, 0, defkind::kModuleVariable},
      {"sleep", symkind::kModuleOnly, 0, defkind::kModuleFunction},
      {"getkey", symkind::kBuiltin, 37, 0},
      {"ENVIRON", symkind::kPredefinedGlobal, 8004, defkind::kGlobal},
  });
  // Builtin records: callable flag, counts and type codes.
  auto sub = r.symbolRecord(r.lookup("substr").value).value;
  ASSERT_EQ(sub.definitions.size(), 1u);
  EXPECT_EQ(sub.definitions[0].info, 0x0800u << 16 | 0x23u << 8);
  EXPECT_EQ(sub.definitions[0].line, 3 | 1 << 3 | 1 << 6);
  auto fp = r.symbolRecord(r.lookup("__fprint").value).value;
  EXPECT_EQ(fp.definitions[0].info >> 16, 0u);
  // The static function is reachable only through its module.
  auto st = r.symbolRecord(r.lookup("s").value).value;
  ASSERT_EQ(st.definitions.size(), 1u);
  EXPECT_EQ(st.definitions[0].kind(), 2);
  EXPECT_EQ(st.definitions[0].module(), 0);
  EXPECT_EQ(st.definitions[0].gid(), 1001);
  EXPECT_EQ(st.definitions[0].line, 3);
  // One slot per name.
  auto table = r.symbolTable();
  ASSERT_TRUE(table);
  std::set<std::string> keys;
  for (const auto& slot : table.value.used) EXPECT_TRUE(keys.insert(slot.key).second) << slot.key;
  EXPECT_EQ(keys.size(), size_t(table.value.count));
}

}  // namespace

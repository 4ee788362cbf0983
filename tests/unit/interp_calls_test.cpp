// Calls, frames and references: the reference services, the native entries,
// call by name, and the stack and pass-by-reference limits. Unwinding on
// exit and next, missing arguments and by-reference parameters as AWK uses
// them are covered by the cases in tests/cases/lang.
#include "arrays/table.h"
#include "builtins/btable.h"
#include "interp_fixture.h"

namespace interptest {
namespace {

namespace slot = img::slot;

// The reference services used by builtins, on each kind they can reach
// without the field layer.
TEST(InterpRefs, GetAndSetThroughEachKind) {
  ASSERT_TRUE(loadEmptyProgram());
  Cell local{}, refs[3] = {};
  refs[0].aux8a = uint8_t(RefKind::Global);
  refs[0].w.i = kG0 + 2;
  refs[1] = tsupport::localRef(&local);
  refs[2].aux8a = uint8_t(RefKind::Element);
  refs[2].w.t = awk_sanew(4);
  refs[2].x.key = stringNew("e");
  for (Cell& r : refs) {
    r.tag = Tag::Ref;
    Cell v = tsupport::intCell(41);
    awk_setref(&r, &v);
    EXPECT_EQ(awk_getrefl(&r), 41);
    AwkString* s = awk_getrefs(&r);
    EXPECT_EQ(std::string(s->view()), "41");
    stringFree(s);
  }
  EXPECT_EQ(awk_getrefp(&refs[0]), global(kG0 + 2));
  EXPECT_EQ(awk_getrefp(&refs[1]), &local);
  EXPECT_EQ(awk_getrefp(&refs[2]), nullptr);
  Cell plain = tsupport::intCell(3);
  EXPECT_EQ(awk_getrefp(&plain), &plain);
  awk_unaccess(&refs[2]);
}

// digits(a, b, c, d, e, f) stores argcount in G0 and returns the six
// parameters as decimal digits, so that one read from elsewhere shows.
Asm digitsFunction() {
  Asm f;
  f.op(Op::op_line).u(1).op(Op::op_pushslot).op(Op::op_bcall).p(0, 0).s(slot::b_argcount);
  f.op(Op::op_gstore).g(kG0).op(Op::op_pushi32).w(0);
  for (int i = 1; i <= 6; ++i) {
    f.op(Op::op_pushi32).w(10).op(Op::op_mul).op(Op::op_lpush).l(Asm::param(i)).op(Op::op_add);
  }
  return f.op(Op::op_retv);
}

// Regression: awki0 and awki4 pushed a fixed number of parameter cells (0 and
// 4), so parameters beyond those were read from the caller's own cells.
TEST(InterpNative, EntriesPushEveryDeclaredParameter) {
  Program p;
  p.fn(1001, digitsFunction(), 6, 0, "a b c d e f;");
  ASSERT_TRUE(p.load());
  Cell* base = awk_sp;
  // The caller's cells above the top hold 7s: where parameters that were
  // not pushed would be read from.
  Cell kept[8];
  for (int i = 0; i < 8; ++i) {
    kept[i] = base[i];
    cellSetInt(base + i, 7);
  }
  Cell result;
  awk_retval = &result;
  EXPECT_EQ(awki4(1001, 2, 1, 2, 3, 4), 123400);
  EXPECT_EQ(global(kG0)->w.i, 2);
  EXPECT_EQ(awki0(1001), 0);
  Cell args[2] = {tsupport::intCell(5), tsupport::intCell(6)}, out;
  awkin(1001, 2, args, &out);
  EXPECT_EQ(tsupport::text(out), "560000");
  EXPECT_EQ(global(kG0)->w.i, 2);
  EXPECT_EQ(awk_sp, base);
  EXPECT_EQ(awk_retval, &result);
  for (int i = 0; i < 8; ++i) base[i] = kept[i];

  std::string err;
  int32_t r = 1;
  awk_debuge = 1;  // the error reports and returns
  guarded([&] { r = awki4(0, 0, 0, 0, 0, 0); }, &err);
  awk_debuge = 0;
  EXPECT_EQ(r, 0);
  EXPECT_NE(err.find("Attempt to call unregistered call back function"), std::string::npos);
}

// call() and calla() by name, through the image's symbol table: BEGIN pushes
// the arguments, calls the builtin and stores its result in G0.
struct ByNameCase {
  const char* name;
  std::function<void(Program&, Asm&)> args;
  int argc, builtinSlot;
  const char* err;   // a piece of standard error, "" for none
  int gid;           // the global then read as text
  const char* want;
};

const ByNameCase kByName[] = {
    {"missing name", [](Program& p, Asm& a) { a.op(Op::op_pushs).a(p.str("nosuch")); }, 1, slot::b_call,
     "call() function name 'nosuch' not found", kG0, ""},
    {"builtin without the callable flag", [](Program& p, Asm& a) { a.op(Op::op_pushs).a(p.str("substr")); }, 1,
     slot::b_call, "Function substr can not be called at runtime", kG0, ""},
    // counter(a, b, c) calls call("argcount"), which runs in counter's frame.
    {"callable builtin", [](Program& p, Asm& a) {
       for (int i = 0; i < 3; ++i) a.op(Op::op_pushi32).w(i);
       a.op(Op::op_pushs).a(p.str("counter")); }, 4, slot::b_call, "", kG0, "3"},
    // calla(name, arr) passes arr[1], arr[2], ... up to the first missing key.
    {"calla stops at the first missing key", [](Program& p, Asm& a) {
       for (auto [k, v] : {std::pair{"1", 4}, {"2", 5}, {"4", 9}})
         a.op(Op::op_pushi32).w(v).op(Op::op_gpusharr).g(kG0 + 1).op(Op::op_pushs).a(p.str(k)).op(Op::op_aset);
       a.op(Op::op_gpush).g(kG0 + 1).op(Op::op_pushs).a(p.str("digits")); }, 2, slot::b_calla, "", kG0, "450000"},
    {"calla with an error argument", [](Program& p, Asm& a) {
       a.op(Op::op_gref).g(kG0 + 2).op(Op::op_pushi32).w(1).op(Op::op_pushs).a(p.str("digits")); }, 3,
     slot::b_calla, "", kG0 + 2, "w:calla argument not an array"},
};

TEST(InterpCallByName, CallAndCalla) {
  for (const ByNameCase& c : kByName) {
    SCOPED_TRACE(c.name);
    Program p;
    p.function("digits", 1001);
    p.fn(1001, digitsFunction(), 6, 0, "a b c d e f;");
    Asm counter;
    counter.op(Op::op_line).u(1).op(Op::op_pushslot).op(Op::op_pushs).a(p.str("argcount"));
    p.fn(1002, counter.op(Op::op_bcall).p(1, 1).s(slot::b_call).op(Op::op_retv), 3, 0, "a b c;");
    p.function("counter", 1002);
    p.builtin("argcount", slot::b_argcount, img::kBuiltinCallable, 0, 0, 0);
    p.builtin("substr", slot::b_substr, 0, 2, 3, 0);
    ASSERT_TRUE(buildStore(p, [&](Asm& a) {
      c.args(p, a.op(Op::op_pushslot));
      a.op(Op::op_bcall).p(uint8_t(c.argc), uint8_t(c.argc)).s(c.builtinSlot);
    }));
    std::string err;
    EXPECT_EQ(guarded([] { awki0(1000); }, &err), -1);
    if (*c.err) {
      EXPECT_NE(err.find(c.err), std::string::npos) << err;
    } else {
      EXPECT_EQ(err, "");
    }
    EXPECT_EQ(tsupport::text(*global(c.gid)), c.want);
  }
}

// Unbounded recursion, and one frame of more locals than the stack holds.
TEST(InterpLimits, DeepRecursionAndHugeFramesOverflowTheStack) {
  for (int locals : {0, 6000}) {
    Program p;
    Asm f;
    if (locals) f.op(Op::op_locals).u(uint16_t(locals));
    else f.op(Op::op_line).u(4).op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1000).op(Op::op_pop);
    p.fn(1000, f.op(Op::op_ret), 0, locals);
    ASSERT_TRUE(p.load());
    std::string err;
    EXPECT_EQ(guarded([] { awki0(1000); }, &err), 2);
    EXPECT_NE(err.find("awk stack overflow"), std::string::npos) << err;
  }
}

TEST(InterpLimits, PassByReferenceStackHoldsNineteenPairs) {
  ASSERT_TRUE(loadEmptyProgram());
  Cell arr{}, key = tsupport::strCell("k");
  arr.tag = Tag::Array;
  arr.w.t = awk_sanew(4);
  for (int i = 0; i < kRefStackDepth; ++i) awka_table_save(&key, &arr);
  EXPECT_EQ(awka_table_depth(), kRefStackDepth);
  std::string err;
  EXPECT_EQ(guarded([&] { awka_table_save(&key, &arr); }, &err), 2);
  EXPECT_NE(err.find("Pass-By-Reference Stack Overflow"), std::string::npos) << err;
  for (int i = kRefStackDepth; i > 0; --i) {
    Cell v = tsupport::intCell(i);
    awka_table_reassign(&v);
  }
  EXPECT_EQ(awka_table_depth(), 0);
  EXPECT_EQ(awk_tablength(arr.w.t), 1);
  awk_unaccess(&arr);
  awk_unaccess(&key);
}

}  // namespace
}  // namespace interptest

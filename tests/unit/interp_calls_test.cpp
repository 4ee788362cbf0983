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
  Cell local{};
  Cell refs[3] = {};
  refs[0].tag = Tag::Ref;
  refs[0].aux8a = uint8_t(RefKind::Global);
  refs[0].w.i = kG0 + 2;
  refs[1].tag = Tag::Ref;
  refs[1].aux8a = uint8_t(RefKind::Local);
  refs[1].w.cell = &local;
  refs[2].tag = Tag::Ref;
  refs[2].aux8a = uint8_t(RefKind::Element);
  refs[2].w.t = awk_sanew(4);
  refs[2].x.key = stringNew("e");
  for (Cell& r : refs) {
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

// f(a, b, c, d) returns a*1000 + b*100 + c*10 + d and stores argcount.
Asm digitsFunction() {
  Asm f;
  f.op(Op::op_line).u(1).op(Op::op_pushslot).op(Op::op_bcall).p(0, 0).s(slot::b_argcount);
  f.op(Op::op_gstore).g(kG0).op(Op::op_pushi32).w(0);
  for (int i = 1; i <= 4; ++i) {
    f.op(Op::op_pushi32).w(10).op(Op::op_mul).op(Op::op_lpush).l(Asm::param(i)).op(Op::op_add);
  }
  f.op(Op::op_retv);
  return f;
}

// A function of six parameters returning 100 * argcount + the sum of its
// parameters, so that a parameter read from the caller's cells shows.
Asm sixParamsFunction() {
  Asm f;
  f.op(Op::op_line).u(1).op(Op::op_pushslot).op(Op::op_bcall).p(0, 0).s(slot::b_argcount);
  f.op(Op::op_pushi32).w(100).op(Op::op_mul);
  for (int i = 1; i <= 6; ++i) {
    f.op(Op::op_lpush).l(Asm::param(i)).op(Op::op_add);
  }
  f.op(Op::op_retv);
  return f;
}

// Regression: awki0 and awki4 pushed a fixed number of parameter cells (0 and
// 4), so parameters beyond those were read from the caller's own cells.
TEST(InterpNative, NativeEntriesPushEveryDeclaredParameter) {
  Program p;
  p.fn(1001, sixParamsFunction(), 6, 0, "a b c d e f;");
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
  EXPECT_EQ(awki4(1001, 4, 1, 2, 3, 4), 410);
  EXPECT_EQ(awk_sp, base);
  EXPECT_EQ(awki0(1001), 0);
  EXPECT_EQ(awk_sp, base);
  EXPECT_EQ(awk_retval, &result);
  for (int i = 0; i < 8; ++i) base[i] = kept[i];
}

TEST(InterpNative, Awki4AndAwkin) {
  Program p;
  p.fn(1001, digitsFunction(), 4, 0, "a b c d;");
  ASSERT_TRUE(p.load());
  Cell* base = awk_sp;
  Cell result;
  awk_retval = &result;
  EXPECT_EQ(awki4(1001, 2, 1, 2, 3, 4), 1234);
  EXPECT_EQ(global(kG0)->w.i, 2);
  EXPECT_EQ(awk_retval, &result);

  Cell args[2];
  cellSetInt(&args[0], 5);
  cellSetInt(&args[1], 6);
  Cell out;
  awkin(1001, 2, args, &out);
  EXPECT_EQ(int(out.tag), int(Tag::Int));
  EXPECT_EQ(out.w.i, 5600);  // the missing c and d read as 0
  EXPECT_EQ(global(kG0)->w.i, 2);
  EXPECT_EQ(awk_sp, base);
  EXPECT_EQ(awk_retval, &result);

  std::string err;
  int32_t r = 1;
  awk_debuge = 1;  // the error reports and returns
  guarded([&] { r = awki4(0, 0, 0, 0, 0, 0); }, &err);
  awk_debuge = 0;
  EXPECT_EQ(r, 0);
  EXPECT_NE(err.find("Attempt to call unregistered call back function"), std::string::npos);
}

// call() and calla() by name, with the symbol table of the image.
class InterpCallByName : public ::testing::Test {
 protected:
  // BEGIN runs `body`, which pushes call's arguments; the result goes to G0.
  void SetUp() override {
    p.function("digits", 1001);
    p.fn(1001, digitsFunction(), 4, 0, "a b c d;");
    p.builtin("argcount", slot::b_argcount, img::kBuiltinCallable, 0, 0, 0);
    p.builtin("substr", slot::b_substr, 0, 2, 3, 0);
  }
  int run(const std::function<void(Asm&)>& args, int argc, int builtinSlot,
          std::string* err) {
    Asm a;
    a.op(Op::op_line).u(1).op(Op::op_pushslot);
    args(a);
    a.op(Op::op_bcall).p(uint8_t(argc), uint8_t(argc)).s(builtinSlot).op(Op::op_gstore).g(kG0);
    a.op(Op::op_ret);
    p.fn(1000, a);
    if (!p.load()) return -2;
    return guarded([&] { awki0(1000); }, err);
  }
  Program p;
};

TEST_F(InterpCallByName, MissingNameWarns) {
  std::string err;
  EXPECT_EQ(run([&](Asm& a) { a.op(Op::op_pushs).a(p.str("nosuch")); }, 1, slot::b_call, &err),
            -1);
  EXPECT_NE(err.find("call() function name 'nosuch' not found"), std::string::npos) << err;
  EXPECT_EQ(int(global(kG0)->tag), int(Tag::Uninit));
}

TEST_F(InterpCallByName, BuiltinWithoutTheFlagIsNotCalled) {
  std::string err;
  EXPECT_EQ(run([&](Asm& a) { a.op(Op::op_pushs).a(p.str("substr")); }, 1, slot::b_call, &err),
            -1);
  EXPECT_NE(err.find("Function substr can not be called at runtime"), std::string::npos) << err;
}

TEST_F(InterpCallByName, CallableBuiltinRunsInTheCallersFrame) {
  // digits(...) calls call("argcount") with three arguments supplied.
  Asm f;
  f.op(Op::op_line).u(1).op(Op::op_pushslot).op(Op::op_pushs).a(p.str("argcount"));
  f.op(Op::op_bcall).p(1, 1).s(slot::b_call).op(Op::op_retv);
  p.fn(1002, f, 3, 0, "a b c;");
  p.function("counter", 1002);
  std::string err;
  EXPECT_EQ(run([&](Asm& a) {
              for (int i = 0; i < 3; ++i) a.op(Op::op_pushi32).w(i);
              a.op(Op::op_pushs).a(p.str("counter"));
            }, 4, slot::b_call, &err), -1);
  EXPECT_EQ(global(kG0)->w.i, 3) << err;
}

// calla(name, arr) passes arr[1], arr[2], ... up to the first missing key.
TEST_F(InterpCallByName, CallaStopsAtTheFirstMissingKey) {
  std::string err;
  EXPECT_EQ(run([&](Asm& a) {
              for (auto [k, v] : {std::pair{"1", 4}, {"2", 5}, {"4", 9}}) {
                a.op(Op::op_pushi32).w(v).op(Op::op_gpusharr).g(kG0 + 1).op(Op::op_pushs).a(p.str(k));
                a.op(Op::op_aset);
              }
              a.op(Op::op_gpush).g(kG0 + 1).op(Op::op_pushs).a(p.str("digits"));
            }, 2, slot::b_calla, &err), -1);
  EXPECT_EQ(global(kG0)->w.i, 4500);
  EXPECT_EQ(err, "");
}

TEST_F(InterpCallByName, CallaWithErrorArgumentReportsNothing) {
  std::string err;
  EXPECT_EQ(run([&](Asm& a) {
              a.op(Op::op_gref).g(kG0 + 2);
              a.op(Op::op_pushi32).w(1);    // not an array
              a.op(Op::op_pushs).a(p.str("digits"));
            }, 3, slot::b_calla, &err), -1);
  EXPECT_EQ(err, "");
  EXPECT_EQ(text(global(kG0 + 2)), "w:calla argument not an array");
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
  Cell arr{};
  arr.tag = Tag::Array;
  arr.w.t = awk_sanew(4);
  Cell key;
  cellSetString(&key, stringNew("k"));
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

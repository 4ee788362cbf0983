// The dispatch loop's instructions in forms compiled code does not produce
// or cannot show: unary truth tests, short-circuit jumps on any operand,
// empty concatenation, the one-time rewrite of pattern constants, and operand
// types that compiled code never mixes but an accepted image may (one case
// per class of crash found by running generated images). The integer fast
// paths are checked through AWK in tests/cases/lang/fast_paths, and a ~
// whose pattern is an array in tests/cases/lang/exit_error.

#include "interp_fixture.h"
#include "regex/regex.h"

namespace interptest {
namespace {

struct TruthCase { const char* name; Op op; Val x; int32_t want; };

const TruthCase kTruth[] = {
    {"not 0", Op::op_not, I(0), 1}, {"not 7", Op::op_not, I(7), 0},
    {"not uninitialized", Op::op_not, U(), 1}, {"not empty string", Op::op_not, S(""), 1},
    {"not string", Op::op_not, S("a"), 0}, {"tobool float zero", Op::op_tobool, F(0.0, 0), 0},
    {"tobool string 0 is true", Op::op_tobool, S("0"), 1}, {"itobool", Op::op_itobool, I(-3), 1},
    {"inot", Op::op_inot, I(0), 1}, {"toint of float", Op::op_toint, F(3.75, 2), 3},
    {"toint of uninitialized", Op::op_toint, U(), 0},
    {"toint of numeric string", Op::op_toint, S("42abc"), 42},
    // x && y and x || y leave 0 or 1 when they jump, and pop x otherwise
    // (then 9 is pushed in its place).
    {"&& jumps", Op::op_andjmp, I(0), 0}, {"&& goes on", Op::op_andjmp, S("x"), 9},
    {"|| jumps", Op::op_orjmp, S("x"), 1}, {"|| goes on", Op::op_orjmp, U(), 9},
};

TEST(InterpTruth, UnaryConversionsAndShortCircuits) {
  for (const TruthCase& c : kTruth) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      auto end = a.label();
      push(a, p, c.x);
      if (c.op == Op::op_andjmp || c.op == Op::op_orjmp) {
        a.op(c.op).jumpTo(end).op(Op::op_pushi32).w(9);
      } else {
        a.op(c.op);
      }
      a.here(end);
    }));
    Cell* g = global(kG0);
    ASSERT_EQ(int(g->tag), int(Tag::Int));
    EXPECT_EQ(g->w.i, c.want);
  }
}

// A pattern constant is compiled once: after the first run the
// instruction reads op_pushre and carries a pattern-table index.
TEST(InterpPatterns, ConstantIsCompiledOnceAndRewritten) {
  Program p;
  Asm a;
  a.op(Op::op_line).u(1);
  size_t at = a.offset();
  a.op(Op::op_pushreu).a(p.str("a+b")).b(0).op(Op::op_gstore).g(kG0).op(Op::op_pushs).a(p.str("xaab"));
  a.op(Op::op_gpush).g(kG0).op(Op::op_match).op(Op::op_gstore).g(kG0 + 1).op(Op::op_ret);
  p.fn(1000, a);
  ASSERT_TRUE(p.load());
  unsigned char* code = awk_funaddr(1000);
  EXPECT_EQ(code[at], uint8_t(Op::op_pushreu));
  int before = awk_npattab;
  awki0(1000);
  EXPECT_EQ(code[at], uint8_t(Op::op_pushre));
  EXPECT_EQ(awk_npattab, before + 1);
  EXPECT_EQ(int(global(kG0)->tag), int(Tag::Regex));
  EXPECT_EQ(global(kG0 + 1)->w.i, 1);
  awki0(1000);  // the second run uses the compiled pattern
  EXPECT_EQ(awk_npattab, before + 1);
  EXPECT_EQ(global(kG0 + 1)->w.i, 1);
}

struct TextCase {
  const char* name;
  std::function<void(Program&, Asm&)> body;   // leaves one value for G0
  std::function<void(Program&)> helpers;      // further functions, or null
  const char* want;                           // G0 as text
};

// Functions used by the cases: 1001 returns a reference to its own local;
// 1002 stores a reference to its local into G1; 1003 assigns through its
// parameter.
void refReturner(Program& p) {
  Asm a;
  a.op(Op::op_locals).u(1).op(Op::op_pushi32).w(41).op(Op::op_lstore).l(Asm::local(1));
  a.op(Op::op_lref).l(Asm::local(1)).op(Op::op_retv);
  p.fn(1001, a, 0, 1);
  Asm b;
  b.op(Op::op_locals).u(1).op(Op::op_pushs).a(p.str("kept")).op(Op::op_lstore).l(Asm::local(1));
  b.op(Op::op_lref).l(Asm::local(1)).op(Op::op_gstore).g(kG0 + 1).op(Op::op_ret);
  p.fn(1002, b, 0, 1);
}
void paramUser(Program& p) {
  Asm a;   // p = "v" through the reference in p
  a.op(Op::op_pushs).a(p.str("v")).op(Op::op_lstore).l(Asm::param(1)).op(Op::op_lpush).l(Asm::param(1));
  a.op(Op::op_gstore).g(kG0 + 1).op(Op::op_ret);
  p.fn(1003, a, 1, 0);
}

const TextCase kText[] = {
    {"concat of pieces in push order",
     [](Program& p, Asm& a) {
       for (const char* s : {"ab", "cd", "", "e"}) a.op(Op::op_pushs).a(p.str(s));
       a.op(Op::op_concat).b(4);
     }, nullptr, "abcde"},
    {"concat of one piece",
     [](Program& p, Asm& a) { a.op(Op::op_pushs).a(p.str("only")).op(Op::op_concat).b(1); }, nullptr, "only"},
    {"concat of nothing", [](Program&, Asm& a) { a.op(Op::op_concat).b(0); }, nullptr, ""},
    // Operands of types compiled code never mixes.
    {"concat of an int and an array",
     [](Program&, Asm& a) {
       a.op(Op::op_pushi32).w(5).op(Op::op_newarr).op(Op::op_pushf).d(2.5, 1).op(Op::op_concat).b(3);
     }, nullptr, "52.5"},
    {"match with an int subject",
     [](Program& p, Asm& a) {
       a.op(Op::op_pushi32).w(123).op(Op::op_pushs).a(p.str("^12")).op(Op::op_match);
     }, nullptr, "1"},
    {"match with an array subject",
     [](Program& p, Asm& a) {
       a.op(Op::op_newarr).op(Op::op_pushs).a(p.str("x")).op(Op::op_match);
     }, nullptr, "0"},
    {"element reference through an int, used by the callee",
     [](Program& p, Asm& a) {
       a.op(Op::op_pushslot).op(Op::op_pushi32).w(3).op(Op::op_pushs).a(p.str("k")).op(Op::op_aref);
       a.op(Op::op_call).p(1, 1).c(1003).op(Op::op_pop).op(Op::op_gpush).g(kG0 + 1);
     }, paramUser, "v"},
    {"reference to a local returned from its frame",
     [](Program&, Asm& a) {
       a.op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1001).op(Op::op_pushslot);
       a.op(Op::op_call).p(0, 0).c(1002);   // reuses the dead frame's cells
       a.op(Op::op_pop);
     }, refReturner, "41"},
    {"reference to a local stored in a global",
     [](Program&, Asm& a) {
       a.op(Op::op_pushslot).op(Op::op_call).p(0, 0).c(1002).op(Op::op_pop).op(Op::op_pushslot);
       a.op(Op::op_call).p(0, 0).c(1001);   // overwrites the dead frame
       a.op(Op::op_pop).op(Op::op_gpush).g(kG0 + 1);
     }, refReturner, "kept"},
};

TEST(InterpText, ConcatAndForeignOperands) {
  for (const TextCase& c : kText) {
    SCOPED_TRACE(c.name);
    Program p;
    if (c.helpers) c.helpers(p);
    ASSERT_TRUE(runStore(p, [&](Asm& a) { c.body(p, a); a.op(Op::op_tostr); }));
    EXPECT_EQ(text(global(kG0)), c.want);
  }
}

}  // namespace
}  // namespace interptest

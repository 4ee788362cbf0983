// The dispatch loop's instructions: integer fast paths and their edges,
// comparisons on and off the fast path, unary truth tests and the one-time
// rewrite of pattern constants. What AWK programs show of jumps,
// concatenation and for-in is covered by tests/cases/lang.
#include <climits>
#include <cmath>

#include "interp_fixture.h"
#include "regex/regex.h"

namespace interptest {
namespace {

// An operand pushed by one instruction.
struct Val {
  enum Kind { I, F, S, U } kind;
  int32_t i = 0;
  double d = 0;
  int dec = 0;
  const char* s = "";
};
Val I(int32_t v) { return {Val::I, v}; }
Val F(double v, int dec) { return {Val::F, 0, v, dec}; }
Val S(const char* s) { return {Val::S, 0, 0, 0, s}; }
Val U() { return {Val::U}; }

void push(Asm& a, Program& p, const Val& v) {
  switch (v.kind) {
    case Val::I: a.op(Op::op_pushi32).w(v.i); break;
    case Val::F: a.op(Op::op_pushf).d(v.d, uint16_t(v.dec)); break;
    case Val::S: a.op(Op::op_pushs).a(p.str(v.s)); break;
    case Val::U: a.op(Op::op_pushu); break;
  }
}

// Builds and loads BEGIN = { push operands; body; store into G0 }.
template <typename Body>
bool buildStore(Program& p, Body body) {
  Asm a;
  a.op(Op::op_line).u(1);
  body(a);
  a.op(Op::op_gstore).g(kG0);
  a.op(Op::op_ret);
  p.fn(1000, a);
  p.writer.setRootGid(img::root::kBegin1Function, 1000);
  return p.load();
}

// As buildStore, then runs it; true when the stack is left balanced.
template <typename Body>
bool runStore(Program& p, Body body) {
  if (!buildStore(p, body)) return false;
  Cell* base = awk_sp;
  awki0(1000);
  return awk_sp == base;  // the stack is balanced
}

struct ArithCase {
  const char* name;
  Op op;
  Val l, r;   // r unused for op_neg; r.i is the constant for op_addi32
  Tag tag;
  double value;
};

const ArithCase kArith[] = {
    {"add max+1 overflows to float", Op::op_add, I(INT_MAX), I(1), Tag::Float, 2147483648.0},
    {"add min-1 overflows to float", Op::op_add, I(INT_MIN), I(-1), Tag::Float, -2147483649.0},
    {"add mixed signs stays int", Op::op_add, I(INT_MAX), I(INT_MIN), Tag::Int, -1},
    {"add uninitialized is 0", Op::op_add, U(), I(5), Tag::Int, 5},
    {"add float operand", Op::op_add, F(1.5, 1), I(2), Tag::Float, 3.5},
    {"sub min-1 overflows", Op::op_sub, I(INT_MIN), I(1), Tag::Float, -2147483649.0},
    {"sub reaching min stays int", Op::op_sub, I(-1), I(INT_MAX), Tag::Int, double(INT_MIN)},
    {"sub 0-min overflows", Op::op_sub, I(0), I(INT_MIN), Tag::Float, 2147483648.0},
    {"sub max-(-1) overflows", Op::op_sub, I(INT_MAX), I(-1), Tag::Float, 2147483648.0},
    {"mul 46339 squared is int", Op::op_mul, I(46339), I(46339), Tag::Int, 2147302921.0},
    {"mul 46340 squared is float", Op::op_mul, I(46340), I(46340), Tag::Float, 2147395600.0},
    {"mul -46339 by 46339 is int", Op::op_mul, I(-46339), I(46339), Tag::Int, -2147302921.0},
    {"mul outside the range is float", Op::op_mul, I(100000), I(2), Tag::Float, 200000},
    {"mul by uninitialized", Op::op_mul, I(7), U(), Tag::Int, 0},
    {"div exact is int", Op::op_div, I(6), I(3), Tag::Int, 2},
    {"div exact negative is int", Op::op_div, I(-6), I(3), Tag::Int, -2},
    {"div inexact is float", Op::op_div, I(7), I(2), Tag::Float, 3.5},
    {"div min by -1 is float", Op::op_div, I(INT_MIN), I(-1), Tag::Float, 2147483648.0},
    {"div uninitialized by 5", Op::op_div, U(), I(5), Tag::Int, 0},
    {"neg min is float", Op::op_neg, I(INT_MIN), U(), Tag::Float, 2147483648.0},
    {"neg int", Op::op_neg, I(5), U(), Tag::Int, -5},
    {"neg uninitialized", Op::op_neg, U(), U(), Tag::Int, 0},
    {"neg float", Op::op_neg, F(2.25, 2), U(), Tag::Float, -2.25},
    {"addi32 overflow", Op::op_addi32, I(INT_MAX), I(1), Tag::Float, 2147483648.0},
    {"addi32 negative constant", Op::op_addi32, I(5), I(-7), Tag::Int, -2},
    {"addi32 on uninitialized", Op::op_addi32, U(), I(1), Tag::Int, 1},
    {"mod is always float", Op::op_mod, I(7), I(3), Tag::Float, 1},
    {"pow is float", Op::op_pow, I(2), I(10), Tag::Float, 1024},
};

TEST(InterpArith, FastPathEdges) {
  for (const ArithCase& c : kArith) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      push(a, p, c.l);
      if (c.op == Op::op_addi32) {
        a.op(Op::op_addi32).w(c.r.i);
      } else if (c.op == Op::op_neg) {
        a.op(Op::op_neg);
      } else {
        push(a, p, c.r);
        a.op(c.op);
      }
    }));
    Cell* g = global(kG0);
    EXPECT_EQ(int(g->tag), int(c.tag));
    if (g->tag == Tag::Int) {
      EXPECT_EQ(g->w.i, int32_t(c.value));
    } else if (g->tag == Tag::Float) {
      EXPECT_DOUBLE_EQ(g->x.d, c.value);
    }
  }
}

TEST(InterpArith, DivisionByZeroTakesTheFloatPath) {
  Program p;
  ASSERT_TRUE(buildStore(p, [&](Asm& a) {
    a.op(Op::op_pushi32).w(1);
    a.op(Op::op_pushi32).w(0);
    a.op(Op::op_div);
  }));
  std::string err;
  EXPECT_EQ(guarded([] { awki0(1000); }, &err), -1);
  EXPECT_EQ(int(global(kG0)->tag), int(Tag::Float));
}

struct CmpCase {
  const char* name;
  Op op;
  int kind;   // 0 < 2 <= 4 > 6 >= 8 == 10 !=
  Val l, r;
  int32_t want;
};

const CmpCase kCmp[] = {
    {"int <", Op::op_cmp, 0, I(1), I(2), 1},
    {"int < false", Op::op_cmp, 0, I(2), I(2), 0},
    {"int <=", Op::op_cmp, 2, I(2), I(2), 1},
    {"int >", Op::op_cmp, 4, I(3), I(2), 1},
    {"int >= false", Op::op_cmp, 6, I(2), I(3), 0},
    {"int ==", Op::op_cmp, 8, I(5), I(5), 1},
    {"int !=", Op::op_cmp, 10, I(5), I(5), 0},
    {"int extremes", Op::op_cmp, 0, I(INT_MIN), I(INT_MAX), 1},
    {"uninitialized == 0 on the fast path", Op::op_cmp, 8, U(), I(0), 1},
    {"uninitialized == empty string", Op::op_cmp, 8, U(), S(""), 1},
    {"uninitialized == \"0\" is text", Op::op_cmp, 8, U(), S("0"), 0},
    {"strings compare as text", Op::op_cmp, 0, S("abc"), S("abd"), 1},
    {"string text order", Op::op_cmp, 4, S("b"), S("abc"), 1},
    {"numeric string against number", Op::op_cmp, 4, S("10"), I(9), 1},
    {"float against int", Op::op_cmp, 4, F(2.5, 1), I(2), 1},
    {"floats equal within decimals", Op::op_cmp, 8, F(0.30000000000000004, 1), F(0.3, 1), 1},
    {"icmp <", Op::op_icmp, 0, I(-1), I(0), 1},
    {"icmp !=", Op::op_icmp, 10, I(4), I(4), 0},
};

TEST(InterpCompare, Kinds) {
  for (const CmpCase& c : kCmp) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      push(a, p, c.l);
      push(a, p, c.r);
      a.op(c.op).b(uint8_t(c.kind));
    }));
    Cell* g = global(kG0);
    ASSERT_EQ(int(g->tag), int(Tag::Int));
    EXPECT_EQ(g->w.i, c.want);
  }
}

struct TruthCase {
  const char* name;
  Op op;
  Val x;
  int32_t want;
};

const TruthCase kTruth[] = {
    {"not 0", Op::op_not, I(0), 1},
    {"not 7", Op::op_not, I(7), 0},
    {"not uninitialized", Op::op_not, U(), 1},
    {"not empty string", Op::op_not, S(""), 1},
    {"not string", Op::op_not, S("a"), 0},
    {"tobool float zero", Op::op_tobool, F(0.0, 0), 0},
    {"tobool string 0 is true", Op::op_tobool, S("0"), 1},
    {"itobool", Op::op_itobool, I(-3), 1},
    {"inot", Op::op_inot, I(0), 1},
    {"toint of float", Op::op_toint, F(3.75, 2), 3},
    {"toint of uninitialized", Op::op_toint, U(), 0},
    {"toint of numeric string", Op::op_toint, S("42abc"), 42},
};

TEST(InterpTruth, UnaryConversions) {
  for (const TruthCase& c : kTruth) {
    SCOPED_TRACE(c.name);
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      push(a, p, c.x);
      a.op(c.op);
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
  a.op(Op::op_pushreu).a(p.str("a+b")).b(0);
  a.op(Op::op_gstore).g(kG0);
  a.op(Op::op_pushs).a(p.str("xaab"));
  a.op(Op::op_gpush).g(kG0);
  a.op(Op::op_match);
  a.op(Op::op_gstore).g(kG0 + 1);
  a.op(Op::op_ret);
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

// x && y and x || y leave 0 or 1 when they jump, and pop x otherwise.
TEST(InterpTruth, ShortCircuitJumps) {
  struct Case {
    Op op;
    Val x;
    int32_t want;   // value left in G0: the jump's int, or 9 when it fell through
  } cases[] = {
      {Op::op_andjmp, I(0), 0}, {Op::op_andjmp, S("x"), 9},
      {Op::op_orjmp, S("x"), 1}, {Op::op_orjmp, U(), 9},
  };
  for (const Case& c : cases) {
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      auto end = a.label();
      push(a, p, c.x);
      a.op(c.op).jumpTo(end);
      a.op(Op::op_pushi32).w(9);
      a.here(end);
    }));
    EXPECT_EQ(global(kG0)->w.i, c.want);
  }
}

TEST(InterpConcat, PiecesInPushOrder) {
  struct Case {
    std::vector<const char*> pieces;
    const char* want;
  } cases[] = {
      {{"ab", "cd", "", "e"}, "abcde"},
      {{"only"}, "only"},
      {{}, ""},
  };
  for (const Case& c : cases) {
    Program p;
    ASSERT_TRUE(runStore(p, [&](Asm& a) {
      for (const char* s : c.pieces) a.op(Op::op_pushs).a(p.str(s));
      a.op(Op::op_concat).b(uint8_t(c.pieces.size()));
    }));
    EXPECT_EQ(text(global(kG0)), c.want);
  }
}

TEST(InterpPatterns, MatchOperatorNeedsAPattern) {
  Program p;
  ASSERT_TRUE(buildStore(p, [&](Asm& a) {
    a.op(Op::op_pushs).a(p.str("abc"));
    a.op(Op::op_newarr);
    a.op(Op::op_match);
  }));
  std::string err;
  EXPECT_EQ(guarded([] { awki0(1000); }, &err), 2);
  EXPECT_NE(err.find("regular expression required for ~ or !~"), std::string::npos) << err;
}

}  // namespace
}  // namespace interptest

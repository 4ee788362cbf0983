// Operand types that compiled code never mixes but an accepted image may:
// each instruction copes with any cell it is given. One case per class of
// crash found by running generated images.
#include "interp_fixture.h"

namespace interptest {
namespace {

struct ForeignCase {
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

const ForeignCase kForeign[] = {
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

TEST(InterpForeignTypes, EachInstructionCopesWithAnyCell) {
  for (const ForeignCase& c : kForeign) {
    SCOPED_TRACE(c.name);
    Program p;
    Asm a;
    a.op(Op::op_line).u(1);
    c.body(p, a);
    a.op(Op::op_tostr).op(Op::op_gstore).g(kG0).op(Op::op_ret);
    p.fn(1000, a);
    if (c.helpers) c.helpers(p);
    ASSERT_TRUE(p.load());
    EXPECT_EQ(guarded([] { awki0(1000); }), -1);
    EXPECT_EQ(text(global(kG0)), c.want);
  }
}

}  // namespace
}  // namespace interptest

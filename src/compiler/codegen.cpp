// Code generation. Each expression is compiled onto the evaluation stack and
// reports a static type (int, number, string or unknown) so that redundant
// conversions are skipped and comparisons of known ints use op_icmp. Forms
// follow what the interpreter relies on: builtin and AWK calls push a result
// slot and then the arguments last to first (computed first to last into
// hidden locals beforehand when one of them has side effects); arrays are
// pushed with op_gpusharr / op_lpusharr / op_agetarr / op_mkarr; compound
// assignment to an element saves the (array, key) pair with op_refsave and
// stores with op_refstore; constant patterns are op_pushreu / op_match0u.
// Rules of one kind in a module go into one phase function (the main rules
// into several when one would outgrow a segment); the root record's phase
// functions are generated and call the modules' ones in order, except that a
// phase of one such function names it directly (no call per record). When an END
// rule reads the record, the main phase keeps $0 in a hidden global (so do
// next and exit) and END starts by making it the record again.
#include "compiler/codegen.h"

#include <algorithm>
#include <cstring>
#include <functional>

#include "compiler/effects.h"
#include "compiler/emitter.h"
#include "image/builtins.h"
#include "image/format.h"
#include "image/signatures.h"

namespace vorn::compiler {

namespace {

using image::ArgType;
namespace slot = image::slot;

enum class ST { Any, Int, Num, Str };

constexpr size_t kChunkLimit = 16000;   // start a new main function beyond this
// print and printf statements with more items than this are written in
// pieces, and longer concatenations are joined in steps, so that the
// evaluation stack keeps within its unchecked room.
constexpr int kPrintInPieces = 24;
constexpr size_t kConcatStep = 16;
constexpr size_t kFunctionLimit = 30000;

struct CompileAbort {};

struct Loop {
  Emitter::Label brk, cont;
};

struct FnCtx {
  Emitter em;
  int module = 0;
  FuncDecl* fn = nullptr;
  int nlocals = 0;       // slots allocated so far
  int localBase = 0;     // first slot of the current rule's locals
  size_t errorsBefore = 0;  // errors reported before this function
  std::vector<std::string> localNames;
  std::vector<int> freeTemps;
  std::vector<Loop> loops;
};

class Gen {
 public:
  Gen(Unit& u, image::ImageWriter& w) : u_(u), w_(w) {}
  bool run(CodegenResult& out);

 private:
  // ---- helpers
  void error(uint32_t off, std::string text) { u_.error(f_->module, off, std::move(text)); }
  int line(uint32_t off) const { return u_.file(f_->module)->lineOf(off) & 0xFFFF; }
  void emit(Op op, std::initializer_list<int64_t> v = {}) { f_->em.emit(op, v); }
  Emitter::Label label() { return f_->em.newLabel(); }
  void bind(Emitter::Label l) { f_->em.bind(l); }
  void jump(Op op, Emitter::Label l) { f_->em.emit(op, {l}); }
  int newLocal(const char* hiddenName);
  int localOffset(int slotIndex) {
    if (slotIndex >= INT16_MAX / image::kCellSize - 1) {
      error(0, "too many local variables");
      throw CompileAbort{};
    }
    return -image::kCellSize * (slotIndex + 1);
  }
  int varOffset(const Node* v) {
    if (v->var == VarKind::Param) return image::kCellSize * (v->index + 1);
    return localOffset((f_->fn ? 0 : f_->localBase) + v->index);
  }
  int takeTemp();
  void giveTemp(int slotIndex) { f_->freeTemps.push_back(slotIndex); }
  uint32_t str(const std::string& s) { return w_.addString(s); }
  static const Node* ungroup(const Node* n) {
    while (n->kind == NK::Group && n->list.size() == 1) n = n->list[0];
    return n;
  }

  // ---- expressions
  ST expr(const Node* n);
  void cond(const Node* n);
  void effect(const Node* n);
  void pushInt(int64_t v);
  void toStr(ST t) {
    if (t != ST::Str) emit(Op::op_tostr);
  }
  ST field(const Node* n);
  void fieldNumber(const Node* e);
  void key(const std::vector<Node*>& subs);
  void array(const Node* n);
  void ref(const Node* n, const char* what);
  ST assign(const Node* n, bool value);
  ST incdec(const Node* n, bool value);
  void load(const Node* v);
  void store(const Node* v);
  ST arith(Tok op, const Node* rhs, ST left = ST::Any);
  ST arithOp(Tok op, ST right);
  ST call(const Node* n);
  ST builtin(const Node* n);
  void arg(const Node* e, ArgType t, const char* fname, int pos);
  void pushArgs(const std::vector<const Node*>& args, const std::function<bool(size_t)>& inPlace,
                const std::function<void(size_t)>& push);
  ST getline(const Node* n);
  void concatPieces(const Node* n, std::vector<const Node*>& out);

  // ---- statements
  void stmt(const Node* n);
  void print(const Node* n);
  bool printInPieces(const Node* n, const std::vector<const Node*>& items);
  void lineOf(const Node* n) { emit(Op::op_line, {line(n->offset)}); }
  void checkStack(uint32_t off);

  // ---- functions
  void beginFunction(FnCtx& ctx, int module, FuncDecl* fn);
  std::vector<uint8_t> endFunction(int paramCount, const std::vector<Param>* typed);
  void genUserFunction(FuncDecl* fn);
  void genRule(const Rule& r);
  void genPhases(CodegenResult& out);
  void putFunction(int gid, int module, int params, std::vector<uint8_t> code, std::string nameList,
                   bool hasNameList, const std::string& display, uint32_t offset);

  Unit& u_;
  image::ImageWriter& w_;
  FnCtx* f_ = nullptr;
  CodegenResult* out_ = nullptr;
  int lastRecord_ = 0;  // hidden global keeping the record for END; 0 when no END reads it
  void keepRecord() {
    if (!lastRecord_) return;
    pushInt(0);
    emit(Op::op_getfld);
    emit(Op::op_gstore, {lastRecord_});
  }
};

// ============================================================ helpers

int Gen::newLocal(const char* hiddenName) {
  int idx = f_->nlocals++;
  f_->localNames.push_back(hiddenName);
  localOffset(idx);
  return idx;
}

int Gen::takeTemp() {
  if (!f_->freeTemps.empty()) {
    int t = f_->freeTemps.back();
    f_->freeTemps.pop_back();
    return t;
  }
  return newLocal("$t");
}

void Gen::pushInt(int64_t v) {
  if (v >= -32768 && v <= 32767) emit(Op::op_pushi16, {v});
  else emit(Op::op_pushi32, {v});
}

void Gen::load(const Node* v) {
  switch (v->var) {
    case VarKind::Global: emit(Op::op_gpush, {v->index}); break;
    case VarKind::Param:
    case VarKind::Local: emit(Op::op_lpush, {varOffset(v)}); break;
    case VarKind::Special: emit(Op::op_pvget, {v->index}); break;
    case VarKind::Unresolved: throw CompileAbort{};
  }
}

void Gen::store(const Node* v) {
  switch (v->var) {
    case VarKind::Global: emit(Op::op_gstore, {v->index}); break;
    case VarKind::Param:
    case VarKind::Local: emit(Op::op_lstore, {varOffset(v)}); break;
    case VarKind::Special: emit(Op::op_pvset, {v->index}); break;
    case VarKind::Unresolved: throw CompileAbort{};
  }
}

// ============================================================ expressions

void Gen::fieldNumber(const Node* e) {
  e = ungroup(e);
  if (e->kind == NK::Num && e->isInt) {
    pushInt(e->ival);
    return;
  }
  if (expr(e) != ST::Int) emit(Op::op_toint);
}

ST Gen::field(const Node* n) {
  fieldNumber(n->a);
  emit(Op::op_getfld);
  return ST::Any;
}

// The subscript of an element: one expression as it is, several joined
// with SUBSEP.
void Gen::key(const std::vector<Node*>& subs) {
  if (subs.size() == 1) {
    expr(subs[0]);
    return;
  }
  if (subs.size() > 127) {
    error(subs[0]->offset, "too many subscripts");
    throw CompileAbort{};
  }
  for (size_t i = 0; i < subs.size(); ++i) {
    if (i) emit(Op::op_subsep);
    toStr(expr(subs[i]));
  }
  emit(Op::op_concat, {int64_t(2 * subs.size() - 1)});
}

// Pushes the array a name (or element) stands for, making it one if needed.
void Gen::array(const Node* n) {
  n = ungroup(n);
  if (n->kind == NK::Var) {
    switch (n->var) {
      case VarKind::Global: emit(Op::op_gpusharr, {n->index}); return;
      case VarKind::Param:
      case VarKind::Local: emit(Op::op_lpusharr, {varOffset(n)}); return;
      case VarKind::Special:
        emit(Op::op_pvget, {n->index});
        emit(Op::op_mkarr);
        return;
      case VarKind::Unresolved: throw CompileAbort{};
    }
  }
  if (n->kind == NK::Index) {
    array(n->a);
    key(n->list);
    emit(Op::op_agetarr);
    return;
  }
  expr(n);
  emit(Op::op_mkarr);
}

void Gen::ref(const Node* n, const char* what) {
  n = ungroup(n);
  switch (n->kind) {
    case NK::Var:
      switch (n->var) {
        case VarKind::Global: emit(Op::op_gref, {n->index}); return;
        case VarKind::Param:
        case VarKind::Local: emit(Op::op_lref, {varOffset(n)}); return;
        case VarKind::Special: emit(Op::op_pvref, {n->index}); return;
        case VarKind::Unresolved: throw CompileAbort{};
      }
      return;
    case NK::Field:
      fieldNumber(n->a);
      emit(Op::op_fref);
      return;
    case NK::Index:
      array(n->a);
      key(n->list);
      emit(Op::op_aref);
      return;
    default:
      error(n->offset, std::string(what) + " must be a variable, field or array element");
      throw CompileAbort{};
  }
}

// The left operand is on the stack, of static type `left`. Operands that are
// not known to be numbers are scanned first (op_tonum), so that a field or
// string holding an integer text takes part as an int: `sum += $3` stays an
// integer while it fits, as AWK users expect, instead of becoming a float.
ST Gen::arith(Tok op, const Node* rhs, ST left) {
  if (left != ST::Num && left != ST::Int) emit(Op::op_tonum);
  const Node* r = ungroup(rhs);
  if ((op == Tok::Plus || op == Tok::Minus) && r->kind == NK::Num && r->isInt && r->ival != INT32_MIN) {
    emit(Op::op_addi32, {op == Tok::Plus ? r->ival : -int64_t(r->ival)});
    return ST::Num;
  }
  return arithOp(op, expr(rhs));
}

// Both operands are on the stack; the right one is of static type `right`.
ST Gen::arithOp(Tok op, ST right) {
  if (right != ST::Num && right != ST::Int) emit(Op::op_tonum);
  switch (op) {
    case Tok::Plus: emit(Op::op_add); break;
    case Tok::Minus: emit(Op::op_sub); break;
    case Tok::Star: emit(Op::op_mul); break;
    case Tok::Slash: emit(Op::op_div); break;
    case Tok::Percent: emit(Op::op_mod); break;
    case Tok::Pow: emit(Op::op_pow); break;
    default: throw CompileAbort{};
  }
  return ST::Num;
}

static Tok compoundOp(Tok t) {
  switch (t) {
    case Tok::AddAssign: return Tok::Plus;
    case Tok::SubAssign: return Tok::Minus;
    case Tok::MulAssign: return Tok::Star;
    case Tok::DivAssign: return Tok::Slash;
    case Tok::ModAssign: return Tok::Percent;
    case Tok::PowAssign: return Tok::Pow;
    default: return Tok::End;
  }
}

ST Gen::assign(const Node* n, bool value) {
  const Node* lhs = n->a;
  if (lhs->kind == NK::Call) {
    // substr(v, m [, n]) = t  →  __lsubstr(t, &v, m [, n])
    if (value) {
      error(n->offset, "a substring assignment has no value");
      throw CompileAbort{};
    }
    const auto& a = lhs->list;
    emit(Op::op_pushslot);
    for (size_t i = a.size(); i-- > 1;) arg(a[i], ArgType::Int, "substr", int(i) + 1);
    ref(a[0], "the first argument of an assigned substr");
    toStr(expr(n->b));
    int argc = int(a.size()) + 1;
    emit(Op::op_bcall, {argc, argc, slot::b___lsubstr});
    emit(Op::op_pop);
    return ST::Any;
  }
  Tok op = compoundOp(n->op);
  // A compound assignment whose right side changes things ("x += x++")
  // reads its target after the right side, which waits in a hidden local.
  int rtemp = -1;
  ST rtype = ST::Any;
  if (op != Tok::End && hasSideEffects(n->b)) {
    rtemp = takeTemp();
    rtype = expr(n->b);
    emit(Op::op_lstore, {localOffset(rtemp)});
  }
  struct GiveBack {
    Gen* g;
    int t;
    ~GiveBack() {
      if (t >= 0) g->giveTemp(t);
    }
  } giveBack{this, rtemp};
  auto rhs = [&] {
    if (rtemp < 0) return arith(op, n->b);
    emit(Op::op_tonum);
    emit(Op::op_lpush, {localOffset(rtemp)});
    return arithOp(op, rtype);
  };
  if (n->op == Tok::Assign) {
    ST t;
    switch (lhs->kind) {
      case NK::Var:
        t = expr(n->b);
        if (value) emit(Op::op_dup);
        store(lhs);
        return t;
      case NK::Field:
        t = expr(n->b);
        if (value) emit(Op::op_dup);
        fieldNumber(lhs->a);
        emit(Op::op_setfld);
        return t;
      case NK::Index:
        t = expr(n->b);
        if (value) emit(Op::op_dup);
        array(lhs->a);
        key(lhs->list);
        emit(Op::op_aset);
        return t;
      default:
        throw CompileAbort{};
    }
  }
  switch (lhs->kind) {
    case NK::Var:
      load(lhs);
      rhs();
      if (value) emit(Op::op_dup);
      store(lhs);
      return ST::Num;
    case NK::Field: {
      const Node* num = ungroup(lhs->a);
      if (num->kind == NK::Num && num->isInt) {
        pushInt(num->ival);
        emit(Op::op_getfld);
        rhs();
        if (value) emit(Op::op_dup);
        pushInt(num->ival);
        emit(Op::op_setfld);
      } else if (!value) {
        fieldNumber(lhs->a);
        emit(Op::op_dup);
        emit(Op::op_getfld);
        rhs();
        emit(Op::op_swap);
        emit(Op::op_setfld);
      } else {
        int t = takeTemp();
        fieldNumber(lhs->a);
        emit(Op::op_lstore, {localOffset(t)});
        emit(Op::op_lpush, {localOffset(t)});
        emit(Op::op_getfld);
        rhs();
        emit(Op::op_dup);
        emit(Op::op_lpush, {localOffset(t)});
        emit(Op::op_setfld);
        giveTemp(t);
      }
      return ST::Num;
    }
    case NK::Index:
      array(lhs->a);
      key(lhs->list);
      emit(Op::op_refsave);
      emit(Op::op_aget);
      rhs();
      if (value) emit(Op::op_dup);
      emit(Op::op_refstore);
      return ST::Num;
    default:
      throw CompileAbort{};
  }
}

ST Gen::incdec(const Node* n, bool value) {
  const Node* t = n->a;
  int64_t d = n->op == Tok::Incr ? 1 : -1;
  bool post = n->post;
  // The value on the stack is the old one (post) or the new one (pre).
  auto bump = [&] {
    if (value && post) {
      emit(Op::op_tonum);
      emit(Op::op_dup);
      emit(Op::op_addi32, {d});
    } else {
      emit(Op::op_addi32, {d});
      if (value) emit(Op::op_dup);
    }
  };
  switch (t->kind) {
    case NK::Var:
      load(t);
      bump();
      store(t);
      return ST::Num;
    case NK::Field: {
      const Node* num = ungroup(t->a);
      if (num->kind == NK::Num && num->isInt) {
        pushInt(num->ival);
        emit(Op::op_getfld);
        bump();
        pushInt(num->ival);
        emit(Op::op_setfld);
      } else if (!value) {
        fieldNumber(t->a);
        emit(Op::op_dup);
        emit(Op::op_getfld);
        emit(Op::op_addi32, {d});
        emit(Op::op_swap);
        emit(Op::op_setfld);
      } else {
        int tmp = takeTemp();
        fieldNumber(t->a);
        emit(Op::op_lstore, {localOffset(tmp)});
        emit(Op::op_lpush, {localOffset(tmp)});
        emit(Op::op_getfld);
        bump();
        emit(Op::op_lpush, {localOffset(tmp)});
        emit(Op::op_setfld);
        giveTemp(tmp);
      }
      return ST::Num;
    }
    case NK::Index:
      array(t->a);
      key(t->list);
      emit(Op::op_refsave);
      emit(Op::op_aget);
      bump();
      emit(Op::op_refstore);
      return ST::Num;
    default:
      throw CompileAbort{};
  }
}

void Gen::concatPieces(const Node* n, std::vector<const Node*>& out) {
  for (const Node* c : n->list) {
    const Node* u = ungroup(c);
    if (c->kind == NK::Concat && out.size() + c->list.size() <= 255) concatPieces(c, out);
    else out.push_back(u == c ? c : c);
  }
}

ST Gen::expr(const Node* n) {
  switch (n->kind) {
    case NK::Num:
      if (n->isInt) {
        pushInt(n->ival);
        return ST::Int;
      }
      f_->em.pushFloat(n->fval, n->decimals);
      return ST::Num;
    case NK::Str:
      emit(Op::op_pushs, {str(n->text)});
      return ST::Str;
    case NK::Regex:
      emit(Op::op_match0u, {str(n->text), 0});
      emit(Op::op_itobool);
      return ST::Int;
    case NK::Group:
      if (n->list.size() != 1) {
        error(n->offset, "a list in parentheses is only valid before 'in' or as the items of print");
        throw CompileAbort{};
      }
      return expr(n->list[0]);
    case NK::Var:
      load(n);
      return ST::Any;
    case NK::Field:
      return field(n);
    case NK::Index:
      array(n->a);
      key(n->list);
      emit(Op::op_aget);
      return ST::Any;
    case NK::Unary:
      switch (n->op) {
        case Tok::Minus: {
          ST t = expr(n->a);
          if (t != ST::Num && t != ST::Int) emit(Op::op_tonum);
          emit(Op::op_neg);
          return ST::Num;
        }
        case Tok::Plus:
          expr(n->a);
          emit(Op::op_tonum);
          return ST::Num;
        default: {
          const Node* a = ungroup(n->a);
          bool isInt = a->kind == NK::Regex;
          if (isInt) emit(Op::op_match0u, {str(a->text), 0});
          else isInt = expr(n->a) == ST::Int;
          emit(isInt ? Op::op_inot : Op::op_not);
          return ST::Int;
        }
      }
    case NK::Binary: {
      namespace cmp = image::cmp;
      static const std::pair<Tok, int> kinds[] = {
          {Tok::Less, cmp::kLess}, {Tok::Le, cmp::kLessEqual},   {Tok::Greater, cmp::kGreater},
          {Tok::Ge, cmp::kGreaterEqual}, {Tok::Eq, cmp::kEqual}, {Tok::Ne, cmp::kNotEqual}};
      for (auto [t, k] : kinds) {
        if (n->op == t) {
          ST l = expr(n->a);
          ST r = expr(n->b);
          emit(l == ST::Int && r == ST::Int ? Op::op_icmp : Op::op_cmp, {k});
          return ST::Int;
        }
      }
      ST l = expr(n->a);
      return arith(n->op, n->b, l);
    }
    case NK::Concat: {
      std::vector<const Node*> pieces;
      concatPieces(n, pieces);
      if (f_->em.height() + int(pieces.size()) + 4 <= Emitter::kMaxWorkCells) {
        for (const Node* p : pieces) toStr(expr(p));
        emit(Op::op_concat, {int64_t(pieces.size())});
        return ST::Str;
      }
      // Joined in steps: the first pieces, then the result so far with the
      // next ones.
      size_t i = 0;
      while (i < pieces.size()) {
        size_t held = i ? 1 : 0;
        size_t take = std::min(kConcatStep - held, pieces.size() - i);
        for (size_t k = 0; k < take; ++k) toStr(expr(pieces[i + k]));
        emit(Op::op_concat, {int64_t(take + held)});
        i += take;
      }
      return ST::Str;
    }
    case NK::Match: {
      toStr(expr(n->a));
      const Node* p = ungroup(n->b);
      if (p->kind == NK::Regex) emit(Op::op_pushreu, {str(p->text), 0});
      else expr(n->b);
      emit(Op::op_match);
      if (n->op == Tok::NoMatch) emit(Op::op_inot);
      return ST::Int;
    }
    case NK::In:
      array(n->b);
      key(n->list);
      emit(Op::op_in);
      return ST::Int;
    case NK::And:
    case NK::Or: {
      Emitter::Label end = label();
      cond(n->a);
      jump(n->kind == NK::And ? Op::op_andjmp : Op::op_orjmp, end);
      cond(n->b);
      emit(Op::op_tobool);
      bind(end);
      return ST::Int;
    }
    case NK::Cond: {
      Emitter::Label other = label(), end = label();
      cond(n->a);
      jump(Op::op_jf, other);
      ST a = expr(n->b);
      jump(Op::op_jmp, end);
      bind(other);
      ST b = expr(n->c);
      bind(end);
      return a == b ? a : (a != ST::Str && b != ST::Str && a != ST::Any && b != ST::Any) ? ST::Num : ST::Any;
    }
    case NK::Assign:
      return assign(n, true);
    case NK::IncDec:
      return incdec(n, true);
    case NK::Call:
      return call(n);
    case NK::Getline:
      return getline(n);
    default:
      error(n->offset, "statement used as an expression");
      throw CompileAbort{};
  }
}

// A value whose truth is all that matters: constant patterns match $0, and
// logical operators need not produce exactly 0 or 1.
void Gen::cond(const Node* n) {
  const Node* u = ungroup(n);
  if (u->kind == NK::Regex) {
    emit(Op::op_match0u, {str(u->text), 0});
    return;
  }
  if (u->kind == NK::Unary && u->op == Tok::Not) {
    const Node* a = ungroup(u->a);
    if (a->kind == NK::Regex) {
      emit(Op::op_match0u, {str(a->text), 0});
      emit(Op::op_inot);
      return;
    }
  }
  if (u->kind == NK::And || u->kind == NK::Or) {
    Emitter::Label end = label();
    cond(u->a);
    jump(u->kind == NK::And ? Op::op_andjmp : Op::op_orjmp, end);
    cond(u->b);
    bind(end);
    return;
  }
  expr(u);
}

void Gen::effect(const Node* n) {
  const Node* u = ungroup(n);
  if (u->kind == NK::Assign) {
    assign(u, false);
  } else if (u->kind == NK::IncDec) {
    incdec(u, false);
  } else {
    expr(u);
    emit(Op::op_pop);
  }
}

void Gen::arg(const Node* e, ArgType t, const char* fname, int pos) {
  const Node* u = ungroup(e);
  switch (t) {
    case ArgType::Any:
      expr(e);
      return;
    case ArgType::Int:
      if (u->kind == NK::Num && u->isInt) {
        pushInt(u->ival);
      } else if (expr(e) != ST::Int) {
        emit(Op::op_toint);
      }
      return;
    case ArgType::Float:
      if (u->kind == NK::Num) {
        f_->em.pushFloat(u->fval, u->isInt ? 0 : u->decimals);
      } else {
        expr(e);
        emit(Op::op_tofloat);
      }
      return;
    case ArgType::String:
      toStr(expr(e));
      return;
    case ArgType::Ref: {
      std::string what = "argument " + std::to_string(pos) + " of " + fname;
      ref(e, what.c_str());
      return;
    }
    case ArgType::Array:
      if (u->kind != NK::Var && u->kind != NK::Index) {
        error(e->offset, "argument " + std::to_string(pos) + " of " + fname + " must be an array");
        throw CompileAbort{};
      }
      array(u);
      return;
    case ArgType::Pattern:
      if (u->kind == NK::Regex) emit(Op::op_pushreu, {str(u->text), 0});
      else expr(e);
      return;
    case ArgType::Stream: {
      ST st = expr(e);
      if (st == ST::Int || st == ST::Num) emit(Op::op_tostr);
      return;
    }
  }
}

// Pushes arguments last to first, as calls and output statements take
// them; push(i) evaluates argument i onto the stack. When an argument has
// side effects, AWK's left-to-right order can be seen, so the values are
// first computed first to last into hidden locals (constants and what
// inPlace() names, references and arrays, are still pushed in place). A
// list without side effects compiles as it always did.
void Gen::pushArgs(const std::vector<const Node*>& args, const std::function<bool(size_t)>& inPlace,
                   const std::function<void(size_t)>& push) {
  bool ordered = false;
  if (args.size() > 1)
    for (const Node* a : args) ordered = ordered || hasSideEffects(a);
  std::vector<int> temps(args.size(), -1);
  if (ordered) {
    for (size_t i = 0; i < args.size(); ++i) {
      NK k = ungroup(args[i])->kind;
      if (k == NK::Num || k == NK::Str || k == NK::Regex || inPlace(i)) continue;
      temps[i] = takeTemp();
      push(i);
      emit(Op::op_lstore, {localOffset(temps[i])});
    }
  }
  for (size_t i = args.size(); i-- > 0;) {
    if (temps[i] < 0) {
      push(i);
    } else {
      emit(Op::op_lpush, {localOffset(temps[i])});
      giveTemp(temps[i]);
    }
  }
}

ST Gen::builtin(const Node* n) {
  const auto* sig = image::builtinSignature(n->index);
  std::vector<Node*> args = n->list;
  Node dollar0(NK::Field);
  Node zero(NK::Num);
  if (n->index == slot::b_length && args.empty()) {
    zero.isInt = true;
    zero.text = "0";
    dollar0.a = &zero;
    dollar0.offset = n->offset;
    args.push_back(&dollar0);
  }
  if (n->index == slot::b_fflush) {
    // fflush() flushes every output stream, as system("") does; the
    // standard streams' names mean the streams themselves.
    if (args.empty()) {
      emit(Op::op_pushslot);
      emit(Op::op_pushs, {str("")});
      emit(Op::op_bcall, {1, 1, slot::b_system});
      return ST::Num;
    }
    const Node* f = ungroup(args[0]);
    if (f->kind == NK::Str && (f->text == "/dev/stdout" || f->text == "/dev/stderr")) {
      emit(Op::op_pushslot);
      for (size_t i = args.size(); i-- > 1;) arg(args[i], image::argType(*sig, int(i)), sig->name, int(i) + 1);
      emit(Op::op_gpush, {f->text == "/dev/stdout" ? image::predef::g_stdout : image::predef::g_stderr});
      emit(Op::op_bcall, {int(args.size()), int(args.size()), n->index});
      return ST::Any;
    }
  }
  int argc = int(args.size());
  emit(Op::op_pushslot);
  auto type = [&](size_t i) { return image::argType(*sig, int(i)); };
  pushArgs({args.begin(), args.end()},
           [&](size_t i) { return type(i) == ArgType::Ref || type(i) == ArgType::Array; },
           [&](size_t i) { arg(args[i], type(i), sig->name, int(i) + 1); });
  emit(Op::op_bcall, {argc, argc, n->index});
  switch (n->index) {
    case slot::b_length: case slot::b_index: case slot::b_rindex: case slot::b_match:
    case slot::b_split: case slot::b_ord: case slot::b_sub: case slot::b_gsub:
    case slot::b_subs: case slot::b_gsubs:
      return ST::Int;
    case slot::b_int: case slot::b_sqrt: case slot::b_exp: case slot::b_log:
    case slot::b_sin: case slot::b_cos: case slot::b_atan2: case slot::b_rand:
    case slot::b_srand: case slot::b_and: case slot::b_or: case slot::b_xor:
    case slot::b_not: case slot::b_shiftl: case slot::b_shiftr: case slot::b_system:
      return ST::Num;
    default:
      return ST::Any;
  }
}

ST Gen::call(const Node* n) {
  switch (n->call) {
    case CallKind::Builtin:
      return builtin(n);
    case CallKind::User: {
      FuncDecl* fn = n->fn;
      int np = int(fn->params.size()), na = int(n->list.size());
      int nparams = std::max(np, na);
      if (nparams > 255) {
        error(n->offset, "too many arguments");
        throw CompileAbort{};
      }
      if (np > na) emit(Op::op_pushun, {np - na + 1});
      else emit(Op::op_pushslot);
      auto byRefOrArray = [&](size_t i) {
        return i < size_t(np) && (fn->params[i].byRef || fn->paramIsArray[i]);
      };
      pushArgs({n->list.begin(), n->list.end()}, byRefOrArray, [&](size_t i) {
        const Node* a = n->list[i];
        const Node* u = ungroup(a);
        if (i < size_t(np) && fn->params[i].byRef) {
          std::string what = "argument " + std::to_string(i + 1) + " of " + fn->name;
          ref(a, what.c_str());
        } else if (i < size_t(np) && fn->paramIsArray[i]) {
          if (u->kind == NK::Var || u->kind == NK::Index) array(u);
          else {
            expr(a);
            emit(Op::op_mkarr);
          }
        } else {
          expr(a);
        }
      });
      emit(Op::op_call, {nparams, na, fn->gid});
      return ST::Any;
    }
    case CallKind::Extern: {
      const ExternDecl* ex = u_.externOrder[size_t(n->index)];
      int na = int(n->list.size());
      emit(Op::op_pushslot);
      auto pointer = [&](size_t i) {
        int code = i < ex->paramTypes.size() ? ex->paramTypes[i] & 0x1F : 0;
        const Node* u = ungroup(n->list[i]);
        return code >= 17 && code <= 21 && (u->kind == NK::Var || u->kind == NK::Field || u->kind == NK::Index);
      };
      pushArgs({n->list.begin(), n->list.end()}, pointer, [&](size_t i) {
        if (pointer(i)) ref(ungroup(n->list[i]), "a pointer argument");
        else expr(n->list[i]);
      });
      emit(Op::op_cfun, {na, image::gid::kExternFirst + n->index});
      return ST::Any;
    }
    case CallKind::Unresolved:
      break;
  }
  throw CompileAbort{};
}

ST Gen::getline(const Node* n) {
  auto target = [&] {
    if (n->a) {
      ref(n->a, "the target of getline");
    } else {
      pushInt(0);
      emit(Op::op_fref);
    }
  };
  emit(Op::op_pushslot);
  if (n->op == Tok::Pipe) {
    emit(Op::op_pushslot);
    pushInt(0);
    toStr(expr(n->b));
    emit(Op::op_bcall, {2, 2, slot::b___pipeopen});
    target();
    emit(Op::op_bcall, {2, 2, slot::b_getline});
  } else if (n->op == Tok::Less) {
    arg(n->b, ArgType::Stream, "getline", 2);
    target();
    emit(Op::op_bcall, {2, 2, slot::b_getline});
  } else if (n->a) {
    target();
    emit(Op::op_bcall, {1, 1, slot::b_getline});
  } else {
    emit(Op::op_bcall, {0, 0, slot::b_getline});
  }
  return ST::Int;
}

// ============================================================ statements

// Cuts a printf format into pieces that each consume at most `group`
// arguments (a conversion takes one, and one more per "*"), with the count
// each piece consumes. False when the format holds anything the cut could
// change (a malformed conversion), so that it stays whole.
static bool splitFormat(const std::string& fmt, size_t group,
                        std::vector<std::pair<std::string, size_t>>& out) {
  size_t start = 0, used = 0;
  for (size_t i = 0; i < fmt.size();) {
    if (fmt[i] != '%') {
      ++i;
      continue;
    }
    if (i + 1 >= fmt.size()) break;  // a final "%" is copied
    if (fmt[i + 1] == '%') {
      i += 2;
      continue;
    }
    size_t j = i + 1, takes = 1;
    for (; j < fmt.size(); ++j) {
      char c = fmt[j];
      if (c == '*') ++takes;
      else if (!std::strchr(" +#,-.0123456789^lz", c)) break;
    }
    char conv = j < fmt.size() ? fmt[j] : 0;
    if (!((conv >= 'a' && conv <= 'z') || (conv >= 'A' && conv <= 'Z'))) return false;
    if (used + takes > group && used > 0) {
      out.emplace_back(fmt.substr(start, i - start), used);
      start = i;
      used = 0;
    }
    used += takes;
    i = j + 1;
  }
  out.emplace_back(fmt.substr(start), used);
  return true;
}

// print and printf with more items than the stack's room allows at once:
// the items are evaluated (last to first, as always) into hidden locals,
// then written by several printf calls. print's items become "%s" with OFS
// between them and ORS after the last; "%s" converts numbers through OFMT
// as print does. printf needs a constant format, which is cut between
// conversions. False when the statement cannot be cut.
bool Gen::printInPieces(const Node* n, const std::vector<const Node*>& items) {
  bool isPrintf = n->op == Tok::kwPrintf;
  constexpr size_t kGroup = 12;
  std::vector<std::pair<std::string, size_t>> formats;
  if (isPrintf) {
    const Node* f = ungroup(items[0]);
    if (f->kind != NK::Str || !splitFormat(f->text, kGroup, formats)) return false;
  }
  int count = int(items.size());
  std::vector<int> temps(size_t(count), -1);
  // Into the hidden locals first to last when that order can be seen.
  bool ordered = std::any_of(items.begin(), items.end(), [](const Node* i) { return hasSideEffects(i); });
  for (int k = 0, first = isPrintf ? 1 : 0; k < count - first; ++k) {
    int i = ordered ? first + k : count - 1 - k;
    temps[size_t(i)] = takeTemp();
    expr(items[size_t(i)]);
    emit(Op::op_lstore, {localOffset(temps[size_t(i)])});
  }
  int dest = -1;
  Tok redir = n->b ? n->c->op : Tok::End;
  if (n->b) {
    dest = takeTemp();
    if (redir == Tok::Pipe) {
      emit(Op::op_pushslot);
      pushInt(1);
      toStr(expr(n->b));
      emit(Op::op_bcall, {2, 2, slot::b___pipeopen});
    } else {
      arg(n->b, ArgType::Stream, isPrintf ? "printf" : "print", 0);
    }
    emit(Op::op_lstore, {localOffset(dest)});
  }
  static const int kOFS = int(std::find(std::begin(image::kSpecialNames), std::end(image::kSpecialNames),
                                        std::string_view("OFS")) - std::begin(image::kSpecialNames));
  static const int kORS = int(std::find(std::begin(image::kSpecialNames), std::end(image::kSpecialNames),
                                        std::string_view("ORS")) - std::begin(image::kSpecialNames));
  // One printf call with the format and the argument pushers in order.
  auto call = [&](const std::string& fmt, const std::vector<std::function<void()>>& args) {
    emit(Op::op_pushslot);
    for (size_t k = args.size(); k-- > 0;) args[k]();
    emit(Op::op_pushs, {str(fmt)});
    int argc = int(args.size()) + 1;
    if (n->b) {
      pushInt(redir == Tok::Greater ? 1 : 2);
      emit(Op::op_lpush, {localOffset(dest)});
      argc += 2;
    }
    emit(Op::op_bcall, {argc, argc, n->b ? slot::b___fprintf : slot::b_printf});
    emit(Op::op_pop);
  };
  auto item = [&](int i) { return [this, t = temps[size_t(i)]] { emit(Op::op_lpush, {localOffset(t)}); }; };
  if (isPrintf) {
    int next = 1;
    for (size_t p = 0; p < formats.size(); ++p) {
      // Arguments beyond what the format uses are evaluated all the same;
      // one of them goes to the last piece, so that the run-time still
      // notes the surplus.
      size_t take = formats[p].second + (p + 1 < formats.size() ? 0 : 1);
      std::vector<std::function<void()>> args;
      for (size_t k = 0; k < take && next < count; ++k) args.push_back(item(next++));
      call(formats[p].first, args);
    }
  } else {
    for (int first = 0; first < count; first += int(kGroup)) {
      int last = std::min(count, first + int(kGroup));
      std::vector<std::function<void()>> args;
      std::string fmt;
      for (int i = first; i < last; ++i) {
        args.push_back(item(i));
        args.push_back([this, i, last, count] {
          emit(Op::op_pvget, {i + 1 < last ? kOFS : last < count ? kOFS : kORS});
        });
        fmt += "%s%s";
      }
      call(fmt, args);
    }
  }
  for (int t : temps)
    if (t >= 0) giveTemp(t);
  if (dest >= 0) giveTemp(dest);
  return true;
}

void Gen::print(const Node* n) {
  bool isPrintf = n->op == Tok::kwPrintf;
  std::vector<const Node*> items(n->list.begin(), n->list.end());
  Node dollar0(NK::Field), zero(NK::Num);
  if (items.empty() && !isPrintf) {
    zero.isInt = true;
    dollar0.a = &zero;
    items.push_back(&dollar0);
  }
  int count = int(items.size());
  if (count > kPrintInPieces && printInPieces(n, items)) return;
  emit(Op::op_pushslot);
  pushArgs(items, [](size_t) { return false; }, [&](size_t i) {
    if (isPrintf && i == 0) toStr(expr(items[0]));
    else expr(items[i]);
  });
  if (!n->b) {
    emit(Op::op_bcall, {count, count, isPrintf ? slot::b_printf : slot::b_print});
    emit(Op::op_pop);
    return;
  }
  Tok redir = n->c->op;
  pushInt(redir == Tok::Greater ? 1 : 2);
  if (redir == Tok::Pipe) {
    emit(Op::op_pushslot);
    pushInt(1);
    toStr(expr(n->b));
    emit(Op::op_bcall, {2, 2, slot::b___pipeopen});
  } else {
    arg(n->b, ArgType::Stream, isPrintf ? "printf" : "print", 0);
  }
  emit(Op::op_bcall, {count + 2, count + 2, isPrintf ? slot::b___fprintf : slot::b___fprint});
  emit(Op::op_pop);
}

void Gen::stmt(const Node* n) {
  switch (n->kind) {
    case NK::Block:
      for (const Node* s : n->list) stmt(s);
      return;
    case NK::Nop:
    case NK::Local:
      return;
    default:
      break;
  }
  try {
    switch (n->kind) {
      case NK::ExprStmt:
        lineOf(n);
        effect(n->a);
        checkStack(n->offset);
        return;
      case NK::Print:
        lineOf(n);
        print(n);
        checkStack(n->offset);
        return;
      case NK::If: {
        lineOf(n);
        Emitter::Label other = label(), end = label();
        cond(n->a);
        jump(Op::op_jf, other);
        checkStack(n->offset);
        stmt(n->b);
        if (n->c) {
          jump(Op::op_jmp, end);
          bind(other);
          stmt(n->c);
        } else {
          bind(other);
        }
        bind(end);
        return;
      }
      case NK::While: {
        Emitter::Label head = label(), end = label();
        bind(head);
        lineOf(n);
        cond(n->a);
        jump(Op::op_jf, end);
        checkStack(n->offset);
        f_->loops.push_back({end, head});
        stmt(n->b);
        f_->loops.pop_back();
        jump(Op::op_jmp, head);
        bind(end);
        return;
      }
      case NK::Do: {
        Emitter::Label body = label(), cont = label(), end = label();
        bind(body);
        f_->loops.push_back({end, cont});
        stmt(n->b);
        f_->loops.pop_back();
        bind(cont);
        lineOf(n);
        cond(n->a);
        jump(Op::op_jt, body);
        checkStack(n->offset);
        bind(end);
        return;
      }
      case NK::For: {
        Emitter::Label head = label(), cont = label(), end = label();
        if (n->a) {
          lineOf(n);
          if (n->a->kind == NK::ExprStmt) effect(n->a->a);
          else stmt(n->a);
          checkStack(n->offset);
        }
        bind(head);
        lineOf(n);
        if (n->b) {
          cond(n->b);
          jump(Op::op_jf, end);
          checkStack(n->offset);
        }
        f_->loops.push_back({end, cont});
        stmt(n->d);
        f_->loops.pop_back();
        bind(cont);
        if (n->c) {
          if (n->c->kind == NK::ExprStmt) effect(n->c->a);
          else stmt(n->c);
          checkStack(n->offset);
        }
        jump(Op::op_jmp, head);
        bind(end);
        return;
      }
      case NK::ForIn: {
        lineOf(n);
        int list = newLocal("$k");
        array(n->b);
        emit(Op::op_forin, {localOffset(list)});
        checkStack(n->offset);
        Emitter::Label head = label(), end = label();
        bind(head);
        lineOf(n);
        f_->em.emit(Op::op_fornext, {end, localOffset(list)});
        store(n->a);
        f_->loops.push_back({end, head});
        stmt(n->d);
        f_->loops.pop_back();
        jump(Op::op_jmp, head);
        bind(end);
        return;
      }
      case NK::Next:
        lineOf(n);
        keepRecord();
        emit(Op::op_next);
        return;
      case NK::Exit:
        lineOf(n);
        keepRecord();
        if (n->a) {
          if (expr(n->a) != ST::Int) emit(Op::op_toint);
        } else {
          emit(Op::op_pushu);
        }
        emit(Op::op_exit);
        checkStack(n->offset);
        return;
      case NK::Return:
        lineOf(n);
        if (n->a) {
          expr(n->a);
          emit(Op::op_retv);
          checkStack(n->offset);
        } else {
          emit(Op::op_ret);
        }
        return;
      case NK::Break:
      case NK::Continue:
        lineOf(n);
        if (f_->loops.empty()) {
          error(n->offset, n->kind == NK::Break ? "break outside a loop" : "continue outside a loop");
          return;
        }
        jump(Op::op_jmp, n->kind == NK::Break ? f_->loops.back().brk : f_->loops.back().cont);
        return;
      case NK::Delete:
        lineOf(n);
        if (n->list.empty()) {
          array(n->a);
          emit(Op::op_delete, {1});
        } else {
          if (n->list.size() == 1) toStr(expr(n->list[0]));
          else key(n->list);
          array(n->a);
          emit(Op::op_delete, {2});
        }
        checkStack(n->offset);
        return;
      default:
        error(n->offset, "expression used as a statement");
        return;
    }
  } catch (const CompileAbort&) {
    // The error is reported; the rest of the function is still checked.
    f_->em.restartStatement();
  } catch (const EmitError& e) {
    error(n->offset, std::string("internal error: ") + e.what());
  }
}

// The run-time checks for stack overflow only when frames and locals are
// set up; everything a statement pushes in between must fit in the room it
// keeps for that (the loader refuses code that could need more).
void Gen::checkStack(uint32_t off) {
  if (f_->em.peak() > Emitter::kMaxWorkCells)
    error(off, "this needs more than " + std::to_string(Emitter::kMaxWorkCells) +
                   " cells of the evaluation stack at once; split it into smaller expressions");
  f_->em.resetPeak();
}

// ============================================================ functions

void Gen::beginFunction(FnCtx& ctx, int module, FuncDecl* fn) {
  ctx.module = module;
  ctx.fn = fn;
  ctx.errorsBefore = u_.diag.errorCount();
  if (fn) {
    ctx.nlocals = int(fn->locals.size());
    ctx.localNames = fn->locals;
  }
  f_ = &ctx;
}

// Finishes the current function: op_ret at the end, op_locals in front
// (jumps are relative, so prepending keeps them valid).
std::vector<uint8_t> Gen::endFunction(int /*paramCount*/, const std::vector<Param>* typed) {
  // Every statement checked its own need; this only guards the image.
  if (f_->em.maxHeight() > Emitter::kMaxWorkCells && u_.diag.errorCount() == f_->errorsBefore)
    throw EmitError("the evaluation stack would need more than its room");
  emit(Op::op_ret);
  f_->em.finish();
  std::vector<uint8_t> body = f_->em.take();
  Emitter head;
  if (f_->nlocals > 0) head.emit(Op::op_locals, {f_->nlocals});
  if (typed) {
    bool any = false;
    for (size_t i = 0; i < typed->size(); ++i) {
      int tag = (*typed)[i].typeTag;
      if (!tag) continue;
      if (!any && f_->fn) head.emit(Op::op_line, {line(f_->fn->offset)});
      any = true;
      head.emit(Op::op_lpush, {image::kCellSize * int64_t(i + 1)});
      head.emit(Op::op_ptype, {tag});
      head.emit(Op::op_pop);
    }
  }
  std::vector<uint8_t> code = head.take();
  code.insert(code.end(), body.begin(), body.end());
  return code;
}

void Gen::putFunction(int gid, int module, int params, std::vector<uint8_t> code, std::string nameList,
                      bool hasNameList, const std::string& display, uint32_t offset) {
  size_t total = image::kFunctionHeaderSize + code.size() + nameList.size() + 1;
  if (total > kFunctionLimit) {
    if (module >= 0) u_.error(module, offset, "function '" + display + "' is too large; split it up");
    else u_.diag.error("generated function " + display + " is too large");
    return;
  }
  image::FunctionImage fi;
  fi.paramCount = uint16_t(params);
  fi.localCount = uint16_t(f_ ? f_->nlocals : 0);
  fi.module = module >= 0 ? uint16_t(module) : image::kGeneratedModule;
  fi.code = code;
  fi.nameList = nameList;
  fi.hasNameList = hasNameList;
  w_.setFunction(gid, std::move(fi));
  out_->functions.push_back({display, gid, module, std::move(code), std::move(nameList)});
}

static std::string joinNames(const std::vector<std::string>& v) {
  std::string s;
  for (size_t i = 0; i < v.size(); ++i) {
    if (i) s += ' ';
    s += v[i];
  }
  return s;
}

void Gen::genUserFunction(FuncDecl* fn) {
  FnCtx ctx;
  beginFunction(ctx, fn->module, fn);
  stmt(fn->body);
  std::vector<uint8_t> code;
  try {
    code = endFunction(int(fn->params.size()), &fn->params);
  } catch (const EmitError& e) {
    u_.error(fn->module, fn->offset, std::string("internal error: ") + e.what());
    f_ = nullptr;
    return;
  }
  std::vector<std::string> pn;
  for (const Param& p : fn->params) pn.push_back(p.name);
  putFunction(fn->gid, fn->module, int(fn->params.size()), std::move(code),
              joinNames(pn) + ";" + joinNames(ctx.localNames), true, fn->name, fn->offset);
  f_ = nullptr;
}

void Gen::genRule(const Rule& r) {
  f_->localBase = f_->nlocals;
  for (const std::string& l : r.locals) newLocal(l.c_str());
  f_->freeTemps.clear();
  if (r.kind != RuleKind::Main) {
    if (r.action) stmt(r.action);
    return;
  }
  Emitter::Label skip = label();
  try {
    if (r.pattern) {
      emit(Op::op_line, {line(r.offset)});
      if (r.pattern2) {
        Emitter::Label inRange = label();
        emit(Op::op_gpush, {r.rangeGid});
        jump(Op::op_jt, inRange);
        cond(r.pattern);
        jump(Op::op_jf, skip);
        bind(inRange);
        cond(r.pattern2);
        emit(Op::op_not);
        emit(Op::op_gstore, {r.rangeGid});
      } else {
        cond(r.pattern);
        jump(Op::op_jf, skip);
      }
      checkStack(r.offset);
    }
    if (r.action) {
      stmt(r.action);
    } else {
      emit(Op::op_line, {line(r.offset)});
      emit(Op::op_pushslot);
      pushInt(0);
      emit(Op::op_getfld);
      emit(Op::op_bcall, {1, 1, slot::b_print});
      emit(Op::op_pop);
    }
  } catch (const CompileAbort&) {
    f_->em.restartStatement();
  } catch (const EmitError& e) {
    error(r.offset, std::string("internal error: ") + e.what());
  }
  bind(skip);
}

void Gen::genPhases(CodegenResult& out) {
  struct KindInfo {
    RuleKind kind;
    const char* name;
    int rootOffset;
  };
  static const KindInfo kinds[] = {
      {RuleKind::Init, ":INIT", image::root::kInitFunction},
      {RuleKind::Begin, ":BEGIN", image::root::kBegin1Function},
      {RuleKind::Main, ":ACTION", image::root::kMainFunction},
      {RuleKind::End, ":END", image::root::kEnd1Function},
      {RuleKind::BeginFile, ":BEGINFILE", image::root::kBeginFileFunction},
      {RuleKind::EndFile, ":ENDFILE", image::root::kEndFileFunction},
      {RuleKind::Exit, ":EXIT", image::root::kExitFunction},
  };
  const int lastRecord = lastRecord_;
  for (const KindInfo& k : kinds) {
    std::vector<int> gids;
    for (size_t m = 0; m < u_.prog.modules.size(); ++m) {
      Module& mod = u_.prog.modules[m];
      int chunk = 0;
      size_t i = 0;
      auto& rules = mod.rules;
      while (i < rules.size()) {
        while (i < rules.size() && rules[i].kind != k.kind) ++i;
        if (i >= rules.size()) break;
        FnCtx ctx;
        beginFunction(ctx, int(m), nullptr);
        uint32_t first = rules[i].offset;
        // One function per kind and module, split when the code grows past
        // what one segment holds comfortably.
        for (; i < rules.size(); ++i) {
          if (rules[i].kind != k.kind) continue;
          if (ctx.em.size() > kChunkLimit) break;
          if (k.kind == RuleKind::Main && rules[i].pattern2) rules[i].rangeGid = u_.newGlobal(int(m), rules[i].offset);
          genRule(rules[i]);
        }
        ++chunk;
        if (u_.nextFunction > image::gid::kFunctionLast) {
          if (!u_.functionsExhausted) u_.error(int(m), first, "too many functions (at most 2000)");
          u_.functionsExhausted = true;
          f_ = nullptr;
          return;
        }
        int gid = u_.nextFunction++;
        std::string name = k.name;
        if (k.kind == RuleKind::Main) name += std::to_string(chunk);
        else if (chunk > 1) name += std::to_string(chunk);
        std::vector<uint8_t> code;
        try {
          code = endFunction(0, nullptr);
        } catch (const EmitError& e) {
          u_.error(int(m), first, std::string("internal error: ") + e.what());
          f_ = nullptr;
          continue;
        }
        putFunction(gid, int(m), 0, std::move(code), ";" + joinNames(ctx.localNames), true, name, first);
        out.phases.push_back({name, int(m), gid, first});
        gids.push_back(gid);
        f_ = nullptr;
      }
    }
    bool saveRecord = lastRecord && k.kind == RuleKind::Main;
    if (gids.empty() && !saveRecord) continue;
    // A phase made of one module's one function runs that function itself:
    // a wrapper would cost a call (an interpreter entry) per record.
    if (gids.size() == 1 && !lastRecord) {
      w_.setRootGid(k.rootOffset, gids[0]);
      continue;
    }
    Emitter em;
    // The END rules see the last record: the main pass keeps $0 as the
    // rules left it (next and exit keep it before they leave), and END
    // begins by making it the record again.
    if (lastRecord && k.kind == RuleKind::End) {
      em.emit(Op::op_gpush, {lastRecord});
      em.emit(Op::op_pushi16, {0});
      em.emit(Op::op_setfld);
    }
    for (int g : gids) {
      em.emit(Op::op_pushslot);
      em.emit(Op::op_call, {0, 0, g});
      em.emit(Op::op_pop);
    }
    if (saveRecord) {
      em.emit(Op::op_pushi16, {0});
      em.emit(Op::op_getfld);
      em.emit(Op::op_gstore, {lastRecord});
    }
    em.emit(Op::op_ret);
    if (u_.nextFunction > image::gid::kFunctionLast) {
      if (!u_.functionsExhausted) u_.diag.error("too many functions (at most 2000)");
      u_.functionsExhausted = true;
      return;
    }
    int gid = u_.nextFunction++;
    image::FunctionImage fi;
    fi.code = em.code();
    fi.hasNameList = false;
    w_.setFunction(gid, std::move(fi));
    w_.setRootGid(k.rootOffset, gid);
    out.functions.push_back({std::string("(") + (k.name + 1) + ")", gid, -1, em.take(), ""});
  }
}

bool Gen::run(CodegenResult& out) {
  out_ = &out;
  size_t before = u_.diag.errorCount();
  for (const Module& mod : u_.prog.modules)
    for (const Rule& r : mod.rules)
      if (r.kind == RuleKind::End && !lastRecord_ && readsRecord(r.action))
        lastRecord_ = u_.newGlobal(0, r.offset);
  for (auto& m : u_.prog.modules)
    for (FuncDecl* fn : m.functions)
      if (fn->gid) genUserFunction(fn);
  genPhases(out);
  return u_.diag.errorCount() == before;
}

}  // namespace

bool generateProgram(Unit& u, image::ImageWriter& w, CodegenResult& out) {
  Gen g(u, w);
  return g.run(out);
}

}  // namespace vorn::compiler

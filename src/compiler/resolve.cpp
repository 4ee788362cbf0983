// Name resolution. Declarations come first (functions, externs and static
// names of every module), so that calls may precede definitions. Then every
// body is walked once: a variable name means, in this order, a parameter or
// `local` of the enclosing function (or rule), a static name of the module,
// a special variable, a predefined global, or a user global (created on
// first use). Calls resolve to a user function (static first), an extern,
// or a builtin. Parameters used as arrays are marked; a parameter passed on
// to an array parameter becomes one too (iterated to a fixed point), so
// that callers know to pass arrays rather than values.
#include <algorithm>
#include <unordered_map>

#include "compiler/posixclass.h"
#include "compiler/recheck.h"
#include "compiler/unit.h"
#include "image/builtins.h"
#include "image/format.h"
#include "image/signatures.h"

namespace vorn::compiler {

int Unit::newGlobal(int module, uint32_t offset) {
  if (nextGlobal > image::gid::kGlobalLast) {
    // Said once: every later name would repeat it.
    if (!globalsExhausted) error(module, offset, "too many global variables (at most 1982)");
    globalsExhausted = true;
    return 0;
  }
  return nextGlobal++;
}

namespace {

const std::unordered_map<std::string, int>& specialIndex() {
  static const std::unordered_map<std::string, int> m = [] {
    std::unordered_map<std::string, int> r;
    for (int i = 0; i < image::kSpecialCount; ++i) r.emplace(image::kSpecialNames[i], i);
    return r;
  }();
  return m;
}

const std::unordered_map<std::string, int>& predefinedGid() {
  static const std::unordered_map<std::string, int> m = [] {
    std::unordered_map<std::string, int> r;
    for (int i = 0; i < image::kPredefinedCount; ++i) r.emplace(image::kPredefinedNames[i], image::gid::kGlobalFirst + i);
    return r;
  }();
  return m;
}

struct Scope {
  int module = 0;
  FuncDecl* fn = nullptr;
  const std::vector<std::string>* locals = nullptr;
};

class Resolver {
 public:
  explicit Resolver(Unit& u) : u_(u) {}
  bool run();

 private:
  void declare();
  void walk(Node* n, const Scope& s);
  void walkArray(Node* n, const Scope& s);
  // A bare name given as a call argument may be either kind (neutral).
  void resolveVar(Node* n, const Scope& s, bool asArray, bool neutral = false);
  void noteUse(GlobalSym& g, const std::string& name, int module, uint32_t offset, bool asArray);
  void resolveCall(Node* n, const Scope& s);
  bool reservedName(int module, uint32_t offset, const std::string& name, const char* what);

  Unit& u_;
};

bool Resolver::reservedName(int module, uint32_t offset, const std::string& name, const char* what) {
  if (specialIndex().count(name) || predefinedGid().count(name)) {
    u_.error(module, offset, "'" + name + "' is a predefined variable and cannot name " + what);
    return true;
  }
  return false;
}

void Resolver::declare() {
  size_t nm = u_.prog.modules.size();
  u_.statics.resize(nm);
  u_.staticFunctions.resize(nm);
  u_.nextGlobal = image::gid::kGlobalFirst + image::kPredefinedCount;
  for (size_t m = 0; m < nm; ++m) {
    Module& mod = u_.prog.modules[m];
    for (FuncDecl* fn : mod.functions) {
      if (reservedName(int(m), fn->offset, fn->name, "a function")) continue;
      auto& table = fn->isStatic ? u_.staticFunctions[m] : u_.functions;
      auto [it, fresh] = table.emplace(fn->name, fn);
      if (!fresh) {
        u_.error(int(m), fn->offset, "function '" + fn->name + "' is already defined");
        continue;
      }
      if (u_.nextFunction > image::gid::kFunctionLast) {
        if (!u_.functionsExhausted) u_.error(int(m), fn->offset, "too many functions (at most 2000)");
        u_.functionsExhausted = true;
        continue;
      }
      for (const Param& p : fn->params)
        reservedName(int(m), p.offset, p.name, "a parameter");
      fn->gid = u_.nextFunction++;
      fn->paramIsArray.assign(fn->params.size(), false);
      for (size_t i = 0; i < fn->params.size(); ++i)
        if (fn->params[i].typeTag == 5) fn->paramIsArray[i] = true;
    }
    for (ExternDecl& ex : mod.externs) {
      if (reservedName(int(m), ex.offset, ex.name, "an external function")) continue;
      if (u_.functions.count(ex.name) || u_.externs.count(ex.name)) {
        u_.error(int(m), ex.offset, "'" + ex.name + "' is already defined");
        continue;
      }
      if (u_.externOrder.size() > size_t(image::gid::kExternLast - image::gid::kExternFirst)) {
        u_.error(int(m), ex.offset, "too many external functions");
        continue;
      }
      ex.index = int(u_.externOrder.size());
      u_.externs.emplace(ex.name, &ex);
      u_.externOrder.push_back(&ex);
    }
    for (const StaticVar& sv : mod.statics) {
      if (reservedName(int(m), sv.offset, sv.name, "a static variable")) continue;
      if (u_.staticFunctions[m].count(sv.name)) {
        u_.error(int(m), sv.offset, "'" + sv.name + "' is already a function");
        continue;
      }
      GlobalSym g;
      g.gid = u_.newGlobal(int(m), sv.offset);
      g.module = int(m);
      g.offset = sv.offset;
      u_.statics[m].emplace(sv.name, g);
    }
  }
  if (u_.declaredNames) {
    for (const std::string& name : *u_.declaredNames) {
      if (specialIndex().count(name) || predefinedGid().count(name) || u_.functions.count(name) ||
          u_.externs.count(name) || u_.globals.count(name))
        continue;
      GlobalSym g;
      g.gid = u_.newGlobal(0, 0);
      u_.globals.emplace(name, g);
      u_.globalOrder.push_back(name);
    }
  }
}

// Records a use of a user global as a scalar or an array; the second kind
// is an error that names where the first was.
void Resolver::noteUse(GlobalSym& g, const std::string& name, int module, uint32_t offset, bool asArray) {
  int& mine = asArray ? g.arrayModule : g.scalarModule;
  uint32_t& mineOff = asArray ? g.arrayOffset : g.scalarOffset;
  if (mine < 0) {
    mine = module;
    mineOff = offset;
  }
  int other = asArray ? g.scalarModule : g.arrayModule;
  if (other < 0 || g.mixReported) return;
  g.mixReported = true;
  uint32_t otherOff = asArray ? g.scalarOffset : g.arrayOffset;
  const SourceFile* f = u_.file(other);
  u_.error(module, offset,
           "'" + name + "' is used as " + (asArray ? "an array" : "a scalar") + " here and as " +
               (asArray ? "a scalar" : "an array") + " at " + f->name + ":" +
               std::to_string(f->lineOf(otherOff)) + ":" + std::to_string(f->columnOf(otherOff)));
}

void Resolver::resolveVar(Node* n, const Scope& s, bool asArray, bool neutral) {
  const std::string& name = n->text;
  if (s.fn) {
    for (size_t i = 0; i < s.fn->params.size(); ++i) {
      if (s.fn->params[i].name == name) {
        n->var = VarKind::Param;
        n->index = int(i);
        if (asArray) s.fn->paramIsArray[i] = true;
        return;
      }
    }
  }
  if (s.locals) {
    auto it = std::find(s.locals->begin(), s.locals->end(), name);
    if (it != s.locals->end()) {
      n->var = VarKind::Local;
      n->index = int(it - s.locals->begin());
      return;
    }
  }
  auto& st = u_.statics[size_t(s.module)];
  if (auto it = st.find(name); it != st.end()) {
    n->var = VarKind::Global;
    n->index = it->second.gid;
    if (!neutral) noteUse(it->second, name, s.module, n->offset, asArray);
    return;
  }
  if (auto it = specialIndex().find(name); it != specialIndex().end()) {
    n->var = VarKind::Special;
    n->index = it->second;
    return;
  }
  if (auto it = predefinedGid().find(name); it != predefinedGid().end()) {
    n->var = VarKind::Global;
    n->index = it->second;
    return;
  }
  if (u_.functions.count(name) || u_.staticFunctions[size_t(s.module)].count(name) || u_.externs.count(name)) {
    u_.error(s.module, n->offset, "function '" + name + "' used as a variable");
    n->var = VarKind::Global;
    n->index = image::gid::kGlobalFirst;
    return;
  }
  auto [it, fresh] = u_.globals.emplace(name, GlobalSym{});
  if (fresh) {
    it->second.gid = u_.newGlobal(s.module, n->offset);
    it->second.module = s.module;
    it->second.offset = n->offset;
    u_.globalOrder.push_back(name);
  }
  n->var = VarKind::Global;
  n->index = it->second.gid ? it->second.gid : image::gid::kGlobalFirst;
  if (!neutral) noteUse(it->second, name, s.module, n->offset, asArray);
}

void Resolver::walkArray(Node* n, const Scope& s) {
  if (!n) return;
  if (n->kind == NK::Var) {
    resolveVar(n, s, true);
  } else if (n->kind == NK::Index) {
    walkArray(n->a, s);
    for (Node* k : n->list) walk(k, s);
  } else if (n->kind == NK::Group && n->list.size() == 1) {
    walkArray(n->list[0], s);
  } else {
    walk(n, s);
  }
}

void Resolver::resolveCall(Node* n, const Scope& s) {
  const std::string& name = n->text;
  if (n->call != CallKind::Builtin) {
    auto& sf = u_.staticFunctions[size_t(s.module)];
    FuncDecl* fn = nullptr;
    if (auto it = sf.find(name); it != sf.end()) fn = it->second;
    else if (auto it2 = u_.functions.find(name); it2 != u_.functions.end()) fn = it2->second;
    if (fn && fn->gid) {
      n->call = CallKind::User;
      n->fn = fn;
      n->index = fn->gid;
      fn->called = true;
      if (n->list.size() > fn->params.size())
        u_.warning(s.module, n->offset,
                   "function '" + name + "' called with " + std::to_string(n->list.size()) +
                       " arguments but has " + std::to_string(fn->params.size()) +
                       (fn->params.size() == 1 ? " parameter" : " parameters"));
    } else if (auto it3 = u_.externs.find(name); it3 != u_.externs.end()) {
      n->call = CallKind::Extern;
      n->index = it3->second->index;
      size_t want = it3->second->paramTypes.size();
      if (n->list.size() != want)
        u_.error(s.module, n->offset,
                 "external function '" + name + "' takes " + std::to_string(want) +
                     (want == 1 ? " argument" : " arguments"));
    } else if (const auto* sig = image::findBuiltin(name); sig && name.compare(0, 2, "__") != 0) {
      n->call = CallKind::Builtin;
      n->index = sig->slot;
    } else if (!fn) {
      u_.error(s.module, n->offset, "function '" + name + "' is not defined");
      for (Node* a : n->list) walk(a, s);
      return;
    } else {
      for (Node* a : n->list) walk(a, s);
      return;
    }
  }
  if (n->call == CallKind::Builtin) {
    const auto* sig = image::builtinSignature(n->index);
    int argc = int(n->list.size());
    bool implicit = (name == "length" || name == "fflush") && argc == 0;
    if (!implicit && (argc < sig->minArgs || (sig->maxArgs != image::kNoLimit && argc > sig->maxArgs))) {
      std::string want = sig->minArgs == sig->maxArgs ? std::to_string(sig->minArgs)
                         : sig->maxArgs == image::kNoLimit
                             ? "at least " + std::to_string(sig->minArgs)
                             : std::to_string(sig->minArgs) + " to " + std::to_string(sig->maxArgs);
      u_.error(s.module, n->offset, name + " takes " + want + (sig->maxArgs == 1 && sig->minArgs == 1 ? " argument" : " arguments"));
    }
    for (int i = 0; i < argc; ++i) {
      Node* a = n->list[size_t(i)];
      image::ArgType t = image::argType(*sig, i);
      bool pattern = t == image::ArgType::Pattern && a->kind == NK::Str &&
                     (n->index != image::slot::b_split || a->text.size() > 1);
      if (pattern) expandPosixClasses(a->text);
      if (t == image::ArgType::Array) walkArray(a, s);
      else if (a->kind == NK::Var) resolveVar(a, s, false, true);
      else walk(a, s);
      // A string constant given as a pattern is compiled as one at run time
      // (split's separator only when longer than one byte).
      if (pattern) {
        std::string w = regexWarning(a->text);
        if (!w.empty()) u_.warning(s.module, a->offset, std::move(w));
      }
    }
    return;
  }
  if (n->call == CallKind::User) {
    for (size_t i = 0; i < n->list.size(); ++i) {
      Node* a = n->list[i];
      if (a->kind == NK::Var) {
        resolveVar(a, s, false, true);
        if (a->var == VarKind::Param && i < n->fn->params.size())
          u_.edges.push_back({s.fn, a->index, n->fn, int(i)});
      } else {
        walk(a, s);
      }
    }
    return;
  }
  // An external function reads what it is given at run time (an array given
  // where it wants a scalar is the run-time's error to report).
  for (Node* a : n->list) {
    if (a->kind == NK::Var) resolveVar(a, s, false, true);
    else walk(a, s);
  }
}

void Resolver::walk(Node* n, const Scope& s) {
  if (!n) return;
  switch (n->kind) {
    case NK::Var:
      resolveVar(n, s, false);
      return;
    case NK::Index:
      walkArray(n->a, s);
      for (Node* k : n->list) walk(k, s);
      return;
    case NK::In:
      for (Node* k : n->list) walk(k, s);
      walkArray(n->b, s);
      return;
    case NK::ForIn:
      walk(n->a, s);
      walkArray(n->b, s);
      walk(n->d, s);
      return;
    case NK::Delete:
      walkArray(n->a, s);
      for (Node* k : n->list) walk(k, s);
      return;
    case NK::Call:
      resolveCall(n, s);
      return;
    case NK::Str:
      // Constant patterns had their classes rewritten; a string that still
      // holds one is most likely meant as a dynamic pattern.
      if (mentionsPosixClass(n->text))
        u_.warning(s.module, n->offset,
                   "[:class:] forms work in constant patterns only; used as a dynamic regular "
                   "expression this string will not match as it reads");
      return;
    case NK::Local:
      for (Node* v : n->list)
        if (!reservedName(s.module, v->offset, v->text, "a local variable")) resolveVar(v, s, false);
      return;
    case NK::Assign:
      if (n->a->kind == NK::Call) {
        // substr(v, m [, n]) = t
        Node* c = n->a;
        if (c->list.size() < 2 || c->list.size() > 3)
          u_.error(s.module, c->offset, "substr takes 2 to 3 arguments");
        for (Node* a : c->list) walk(a, s);
        walk(n->b, s);
        return;
      }
      if (n->op == Tok::Assign && n->a->kind == NK::Var) {
        // Arrays are values here (table(), a function's result): a plain
        // assignment of what may be one says nothing about the kind.
        const Node* r = n->b;
        while (r->kind == NK::Group && r->list.size() == 1) r = r->list[0];
        if (r->kind == NK::Call || r->kind == NK::Var || r->kind == NK::Index || r->kind == NK::Cond) {
          resolveVar(n->a, s, false, true);
          walk(n->b, s);
          return;
        }
      }
      break;
    default:
      break;
  }
  for (Node* c : {n->a, n->b, n->c, n->d}) walk(c, s);
  for (Node* c : n->list) walk(c, s);
}

bool Resolver::run() {
  size_t before = u_.diag.errorCount();
  declare();
  for (size_t m = 0; m < u_.prog.modules.size(); ++m) {
    Module& mod = u_.prog.modules[m];
    for (FuncDecl* fn : mod.functions) {
      if (!fn->gid) continue;
      Scope s;
      s.module = int(m);
      s.fn = fn;
      s.locals = &fn->locals;
      for (const std::string& l : fn->locals)
        for (const Param& p : fn->params)
          if (p.name == l) u_.error(int(m), fn->offset, "'" + l + "' is both a parameter and a local of '" + fn->name + "'");
      walk(fn->body, s);
    }
    for (Rule& r : mod.rules) {
      Scope s;
      s.module = int(m);
      s.locals = &r.locals;
      walk(r.pattern, s);
      walk(r.pattern2, s);
      walk(r.action, s);
    }
  }
  // Array parameters flow from callees to callers.
  for (bool changed = true; changed;) {
    changed = false;
    for (const ParamEdge& e : u_.edges) {
      if (e.callee->paramIsArray[size_t(e.arg)] && !e.caller->paramIsArray[size_t(e.param)]) {
        e.caller->paramIsArray[size_t(e.param)] = true;
        changed = true;
      }
    }
  }
  return u_.diag.errorCount() == before;
}

}  // namespace

bool resolveProgram(Unit& u) { return Resolver(u).run(); }

}  // namespace vorn::compiler

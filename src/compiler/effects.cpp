#include "compiler/effects.h"

#include "image/builtins.h"
#include "image/format.h"
#include "image/signatures.h"

namespace vorn::compiler {

namespace {

namespace slot = image::slot;

// Any node of the subtree for which `pred` holds.
template <class Pred>
bool any(const Node* n, Pred pred) {
  if (!n) return false;
  if (pred(n)) return true;
  for (const Node* c : {n->a, n->b, n->c, n->d})
    if (any(c, pred)) return true;
  for (const Node* c : n->list)
    if (any(c, pred)) return true;
  return false;
}

bool builtinSetsState(const Node* n) {
  switch (n->index) {
    case slot::b_match: case slot::b_sub: case slot::b_gsub: case slot::b_subs:
    case slot::b_gsubs: case slot::b_srand: case slot::b_getline:
      return true;
    default:
      break;
  }
  const auto* sig = image::builtinSignature(n->index);
  for (size_t i = 0; i < n->list.size(); ++i) {
    image::ArgType t = image::argType(*sig, int(i));
    if (t == image::ArgType::Ref || t == image::ArgType::Array) return true;
  }
  return false;
}

}  // namespace

bool hasSideEffects(const Node* n) {
  return any(n, [](const Node* x) {
    switch (x->kind) {
      case NK::Assign: case NK::IncDec: case NK::Getline:
        return true;
      case NK::Call:
        return x->call != CallKind::Builtin || builtinSetsState(x);
      default:
        return false;
    }
  });
}

bool readsRecord(const Node* n) {
  return any(n, [](const Node* x) {
    switch (x->kind) {
      case NK::Field: case NK::Regex:
        return true;
      case NK::Var:
        return x->var == VarKind::Special && x->index == image::pv::NF;
      case NK::Print:
        return x->list.empty() && x->op == Tok::kwPrint;
      case NK::Call:
        if (x->call == CallKind::User) return true;
        if (x->call != CallKind::Builtin) return false;
        return (x->index == slot::b_length && x->list.empty()) ||
               ((x->index == slot::b_sub || x->index == slot::b_gsub || x->index == slot::b_subs ||
                 x->index == slot::b_gsubs) && x->list.size() < 3);
      default:
        return false;
    }
  });
}

}  // namespace vorn::compiler

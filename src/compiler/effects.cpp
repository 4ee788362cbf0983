#include "compiler/effects.h"

#include <algorithm>
#include <set>

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

namespace {

bool isSubstitution(int slotIndex) {
  return slotIndex == slot::b_sub || slotIndex == slot::b_gsub || slotIndex == slot::b_subs ||
         slotIndex == slot::b_gsubs;
}

// As readsRecord, following calls into user functions once each. A
// constant pattern reads $0 only where it stands for a match of it: not
// as the right side of ~ or as a builtin's argument.
bool readsRecordIn(const Node* n, std::set<const FuncDecl*>& seen) {
  if (!n) return false;
  auto patternOrReads = [&](const Node* c) { return c->kind != NK::Regex && readsRecordIn(c, seen); };
  switch (n->kind) {
    case NK::Field: case NK::Regex:
      return true;
    case NK::Var:
      return n->var == VarKind::Special && n->index == image::pv::NF;
    case NK::Print:
      if (n->list.empty() && n->op == Tok::kwPrint) return true;
      break;
    case NK::Match:
      return readsRecordIn(n->a, seen) || patternOrReads(n->b);
    case NK::Call:
      if (n->call == CallKind::User && n->fn && seen.insert(n->fn).second && readsRecordIn(n->fn->body, seen))
        return true;
      if (n->call == CallKind::Builtin) {
        if ((n->index == slot::b_length && n->list.empty()) || (isSubstitution(n->index) && n->list.size() < 3))
          return true;
        return std::any_of(n->list.begin(), n->list.end(), patternOrReads);
      }
      break;
    default:
      break;
  }
  for (const Node* c : {n->a, n->b, n->c, n->d})
    if (readsRecordIn(c, seen)) return true;
  return std::any_of(n->list.begin(), n->list.end(), [&](const Node* c) { return readsRecordIn(c, seen); });
}

}  // namespace

bool readsRecord(const Node* n) {
  std::set<const FuncDecl*> seen;
  return readsRecordIn(n, seen);
}

}  // namespace vorn::compiler

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

// Builtins whose result depends on their arguments alone. Every other one
// reads or changes state the program can see (streams, files, processes,
// the clock, the generator, RSTART, the screen), so the order of the calls
// matters: an fwrite() and an ftell() of the same stream, say.
bool builtinIsPure(int slotIndex) {
  switch (slotIndex) {
    case slot::b_length: case slot::b_substr: case slot::b_index: case slot::b_rindex:
    case slot::b_sprintf: case slot::b_toupper: case slot::b_tolower: case slot::b_typeof:
    case slot::b_ord: case slot::b_char: case slot::b__precof: case slot::b_translate:
    case slot::b_strdup: case slot::b_paste: case slot::b_not: case slot::b_and:
    case slot::b_or: case slot::b_xor: case slot::b_shiftl: case slot::b_shiftr:
    case slot::b_int: case slot::b_convertnum: case slot::b_atan2: case slot::b_cos:
    case slot::b_exp: case slot::b_log: case slot::b_sin: case slot::b_sqrt:
    case slot::b__cvtin: case slot::b__cvtout: case slot::b_regex: case slot::b_table:
    case slot::b_ctime: case slot::b_pack: case slot::b_unpack: case slot::b_split:
    case slot::b_splitp:
      return true;
    default:
      return false;
  }
}

bool builtinSetsState(const Node* n) {
  if (!builtinIsPure(n->index)) return true;
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

// Questions the code generator asks about a subtree before choosing how to
// compile it: whether evaluating it can change state another expression
// could see, and whether it reads the current record.
#pragma once
#include "compiler/ast.h"

namespace vorn::compiler {

// True when evaluating `n` may assign a variable, field or element, or run
// code that may: assignments, increments, getline, calls of user and
// external functions, and of builtins that set variables (through a
// reference or array argument, $0 for sub and gsub, RSTART and RLENGTH for
// match, the seed for srand).
bool hasSideEffects(const Node* n);

// True when `n` reads $0, a field or NF: a field, NF, a constant pattern
// used as a condition, print without items, length without arguments,
// sub or gsub on $0, or a call of a user function that reads them.
bool readsRecord(const Node* n);

}  // namespace vorn::compiler

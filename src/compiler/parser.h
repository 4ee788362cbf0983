// The parser: recursive descent over the lexer's tokens with POSIX AWK's
// precedence, one module (source file) at a time.
//
// Expression levels, lowest first: assignment (right), ?: (right), ||, &&,
// in, ~ !~, relational (non-associative; ">" is a redirection inside print
// lists), "cmd | getline", concatenation, + -, * / %, unary ! + -, ^ (right),
// postfix ++ --, prefix ++ --, $, grouping. Depth is bounded (kMaxDepth) on
// both the recursion and the height of every built subtree, so hostile
// input cannot exhaust the stack here or in later passes. A syntax error
// is reported and the parser skips to the end of the statement or item, so
// that every error of a file is found in one run.
#pragma once
#include "compiler/ast.h"
#include "compiler/diag.h"

namespace vorn::compiler {

inline constexpr int kMaxDepth = 600;

// Parses `m.file` into `m`, allocating nodes in `prog`. Returns false when an
// error was reported.
bool parseModule(Program& prog, Module& m, int moduleNumber, Diagnostics& diag);

}  // namespace vorn::compiler

// State shared by the resolver and the code generator for one compilation:
// what every global name means, gid allocation, and the per-module tables.
#pragma once
#include <string>
#include <unordered_map>
#include <vector>

#include "compiler/ast.h"
#include "compiler/diag.h"
#include "image/format.h"

namespace vorn::compiler {

struct GlobalSym {
  int gid = 0;
  int module = 0;     // module of first use or declaration
  uint32_t offset = 0;
  // First use as a scalar and as an array (module -1: none yet); a name
  // used both ways is reported once.
  int scalarModule = -1, arrayModule = -1;
  uint32_t scalarOffset = 0, arrayOffset = 0;
  bool mixReported = false;
};

// One edge of the array-parameter inference: caller's parameter `param` is
// passed as argument `arg` of `callee`.
struct ParamEdge {
  FuncDecl* caller;
  int param;
  FuncDecl* callee;
  int arg;
};

struct Unit {
  Program& prog;
  Diagnostics& diag;

  std::unordered_map<std::string, GlobalSym> globals;            // user globals, in gid order of creation
  std::vector<std::string> globalOrder;
  std::vector<std::unordered_map<std::string, GlobalSym>> statics;  // per module
  std::unordered_map<std::string, FuncDecl*> functions;           // global functions
  std::vector<std::unordered_map<std::string, FuncDecl*>> staticFunctions;
  std::unordered_map<std::string, ExternDecl*> externs;
  std::vector<ExternDecl*> externOrder;
  std::vector<ParamEdge> edges;
  int nextGlobal = image::gid::kGlobalFirst;
  int nextFunction = image::gid::kFunctionFirst;
  bool globalsExhausted = false;    // the limits are reported once
  bool functionsExhausted = false;
  const std::vector<std::string>* declaredNames = nullptr;  // from the command line

  Unit(Program& p, Diagnostics& d) : prog(p), diag(d) {}

  const SourceFile* file(int module) const { return prog.modules[size_t(module)].file.get(); }
  void error(int module, uint32_t offset, std::string text) {
    const SourceFile* f = file(module);
    diag.error(f, f->lineOf(offset), f->columnOf(offset), std::move(text));
  }
  void warning(int module, uint32_t offset, std::string text) {
    const SourceFile* f = file(module);
    diag.warning(f, f->lineOf(offset), f->columnOf(offset), std::move(text));
  }
  // A new hidden global (no name); 0 when the range is exhausted.
  int newGlobal(int module, uint32_t offset);
};

// Declares functions, externs and statics, resolves every name in every
// body, and infers which parameters are arrays. False on errors.
bool resolveProgram(Unit& u);

}  // namespace vorn::compiler

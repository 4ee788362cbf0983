// The code generator: resolved syntax trees to the compiled forms the
// interpreter expects, one function at a time, written through the image
// writer.
#pragma once
#include <vector>

#include "compiler/compile.h"
#include "compiler/unit.h"
#include "image/writer.h"

namespace vorn::compiler {

struct PhaseEntry {
  std::string name;   // ":BEGIN", ":ACTION1", ...
  int module = 0;
  int gid = 0;
  uint32_t offset = 0;  // source offset of the first rule
};

struct CodegenResult {
  std::vector<PhaseEntry> phases;         // module-level phase functions
  std::vector<CompiledFunction> functions;
};

// Generates every function into `w` (functions, root phase gids); the
// symbol table is left to the caller. False on errors.
bool generateProgram(Unit& u, image::ImageWriter& w, CodegenResult& out);

}  // namespace vorn::compiler

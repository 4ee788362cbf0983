// The compiler's entry point: AWK source files in, a program image out.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "compiler/diag.h"

namespace vorn::compiler {

struct SourceInput {
  std::string name;   // file name, shown in messages and stored in the module table
  std::string text;
  bool named = true;  // false: program text from the command line (unnamed module)
};

struct CompileOptions {
  bool storeArgs = false;              // write a stored argument list
  std::vector<std::string> storedArgs; // element 0 replaces ARGV[0]
  uint16_t flags = 0;                  // image flags word
  // Names the command line assigns (-v, operand assignments): declared as
  // globals, so that the run-time finds them even when the program does
  // not use them.
  std::vector<std::string> declaredNames;
  bool quietWarnings = false;          // report errors only
};

// A compiled function, kept for tests and listings.
struct CompiledFunction {
  std::string name;   // "f", ":BEGIN", ":ACTION1", "(main)" ...
  int gid = 0;
  int module = -1;    // -1 for generated functions
  std::vector<uint8_t> code;
  std::string nameList;
};

struct CompileOutput {
  std::vector<uint8_t> image;
  std::vector<CompiledFunction> functions;
  int globalCount = 0;
};

// Compiles the sources as one program, one module per source. Returns false
// (with the messages in `diag`) when any error was found.
bool compileProgram(const std::vector<SourceInput>& sources, const CompileOptions& options,
                    Diagnostics& diag, CompileOutput& out);

}  // namespace vorn::compiler

// Helpers shared by the vornc and vorn command lines.
#pragma once
#include <string>
#include <vector>

#include "compiler/compile.h"

namespace vorn::compiler {

inline constexpr const char* kVersionText = "0.1.0";

// Reads a whole file ("-" is standard input); false with `error` set when it
// cannot.
bool readSource(const std::string& path, std::string& text, std::string& error);
// Directory of the running executable (from /proc/self/exe), with a
// trailing "/"; empty when unknown.
std::string executableDir();
// Makes running out of memory end the command with "PROG: out of memory"
// and status 2 instead of an uncaught exception.
void exitOnOutOfMemory(const char* prog);
// Compiles and prints the diagnostics to stderr; false on errors.
bool compileAndReport(const std::vector<SourceInput>& sources, const CompileOptions& options,
                      CompileOutput& out);

}  // namespace vorn::compiler

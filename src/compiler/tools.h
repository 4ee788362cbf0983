// Helpers shared by the vornc and vorn command lines.
#pragma once
#include <string>
#include <vector>

#include "compiler/compile.h"

namespace vorn::compiler {

inline constexpr const char* kVersionText = VORN_VERSION;  // from CMake's project()

// Reads a whole file ("-" is standard input); false with `error` set when it
// cannot.
bool readSource(const std::string& path, std::string& text, std::string& error);
// Directory of the running executable (from /proc/self/exe), with a
// trailing "/"; empty when unknown.
std::string executableDir();
// Compiles and prints the diagnostics to stderr; false on errors.
bool compileAndReport(const std::vector<SourceInput>& sources, const CompileOptions& options,
                      CompileOutput& out);

}  // namespace vorn::compiler

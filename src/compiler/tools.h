// Helpers shared by the vornc and vorn command lines.
#pragma once
#include <string>
#include <vector>

#include "compiler/compile.h"
#include "image/version.h"

namespace vorn::compiler {

// Reads a whole file ("-" is standard input); false with `error` set when it
// cannot.
bool readSource(const std::string& path, std::string& text, std::string& error);
// Directory of the running executable (from /proc/self/exe), with a
// trailing "/"; empty when unknown.
std::string executableDir();
// A command-line assignment name=value (-v or an operand) whose name is an
// AWK identifier: sets `name` and returns the element with the escapes of
// its value decoded, as in a string constant. Anything else: returns false.
bool commandAssignment(const std::string& arg, std::string& name, std::string& decoded);
// Makes running out of memory end the command with "PROG: out of memory"
// and status 2 instead of an uncaught exception.
void exitOnOutOfMemory(const char* prog);
// What getopt_long's answer `opt` (':' or '?') says is wrong with the
// command line: a missing value or an unknown option.
std::string optionProblem(int opt, char** argv);
// Compiles and prints the diagnostics to stderr; false on errors.
bool compileAndReport(const std::vector<SourceInput>& sources, const CompileOptions& options,
                      CompileOutput& out);

}  // namespace vorn::compiler

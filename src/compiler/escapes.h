// Escape sequences of AWK strings, shared by string constants and by the
// values of -v and command-line assignments.
#pragma once
#include <cstddef>
#include <string>

namespace vorn::compiler {

// Decodes the escape whose backslash is just before `pos` in `s` (pos is
// the index of the letter), appends what it stands for to `out`, and
// returns the index after it. \n \t \r \a \b \f \v \\ \" \/, octal \ooo and
// hex \xhh are decoded; a backslash-newline is dropped; any other escape
// keeps its backslash, so that "\." keeps its meaning in a dynamic regular
// expression. A backslash at the very end stays a backslash.
size_t decodeEscape(const std::string& s, size_t pos, std::string& out);

// Every escape of `s` decoded.
std::string decodeEscapes(const std::string& s);

}  // namespace vorn::compiler

// A syntax check of regular expressions in the run-time's dialect, so that
// a pattern the run-time would refuse is pointed out where it is written.
//
// It follows the run-time's pattern grammar (alternation, branches, pieces
// with at most one postfix operator, groups, brackets, escapes, anchors,
// backreferences, intervals) without building a node program, and gives the
// run-time's own diagnostic texts: the first error, or else the last
// warning. The one limit it cannot see is the size of the node program
// ("pattern takes too much room").
#pragma once
#include <string>
#include <string_view>

namespace vorn::compiler {

struct RegexCheck {
  bool ok = true;        // false: the run-time refuses the pattern
  std::string message;   // the error, or the last warning; empty if none
};

RegexCheck checkRegex(std::string_view pattern);

// The compiler's warning for a pattern, or "" when the run-time takes it
// without a word.
std::string regexWarning(std::string_view pattern);

}  // namespace vorn::compiler

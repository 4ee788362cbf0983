// POSIX character classes ([:alpha:] and its siblings) inside bracket
// expressions, which the run-time's patterns do not know, rewritten into
// the byte ranges they stand for in the C locale.
#pragma once
#include <string>

namespace vorn::compiler {

// Rewrites every class inside a bracket expression of the pattern `re`
// ("[[:digit:]_]" becomes "[0-9_]", "[^[:space:]]" the negated ranges).
// Returns true when something was rewritten. Unknown class names stay.
bool expandPosixClasses(std::string& re);

// True when `s` holds a class name in the [:name:] form.
bool mentionsPosixClass(const std::string& s);

}  // namespace vorn::compiler

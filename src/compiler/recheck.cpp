#include "compiler/recheck.h"

#include <cstdint>
#include <vector>

namespace vorn::compiler {

namespace {

// Groups nested deeper than this are not followed (the check then passes
// the pattern on to the run-time, whose verdict stands).
constexpr int kMaxNesting = 500;

bool isDigit(char c) { return c >= '0' && c <= '9'; }
// One more decimal digit of a count; long runs of digits stop growing it.
long saturate(long n, char digit) { return n > 100000 ? n : n * 10 + (digit - '0'); }

bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

struct Checker {
  std::string_view p;
  size_t i = 0;
  int groups = 0;
  std::vector<uint8_t> groupState;  // 0 open, 1 closed and may match empty, 2 closed, never empty
  std::string error, warning;
  int depth = 0;
  bool tooDeep = false;

  bool failed() const { return !error.empty() || tooDeep; }
  bool atEnd() const { return i >= p.size(); }
  char peek(size_t k = 0) const { return i + k < p.size() ? p[i + k] : 'a'; }  // past the end: a harmless letter

  bool alternation();
  bool branch();
  bool piece();
  bool atom();
  void bracket();
  int escape();  // after the backslash; the byte's value
};

// Each parse function returns whether its piece may match the empty
// string; after an error the return values no longer matter.
bool Checker::alternation() {
  bool empty = branch();
  while (!failed() && !atEnd() && p[i] == '|') {
    ++i;
    bool other = branch();
    empty = empty || other;
  }
  return empty;
}

bool Checker::branch() {
  bool empty = true;
  while (!failed() && !atEnd() && p[i] != '|' && p[i] != ')') empty = piece() && empty;
  return empty;
}

bool Checker::piece() {
  bool empty = atom();
  if (failed() || atEnd()) return empty;
  switch (p[i]) {
    case '*':
      if (empty) error = "operand of * or {} possibly empty";
      ++i;
      return true;
    case '+':
      if (empty) error = "operand of + or {} possibly empty";
      ++i;
      return empty;
    case '?':
      ++i;
      return true;
    case '{': {
      // {m}, {m,} or {m,n}; anything else leaves the brace to be a literal.
      size_t k = i + 1;
      if (k >= p.size() || !isDigit(p[k])) return empty;
      long m = 0, n;
      while (k < p.size() && isDigit(p[k])) m = saturate(m, p[k++]);
      bool open = false;
      n = m;
      if (k < p.size() && p[k] == ',') {
        ++k;
        if (k < p.size() && isDigit(p[k])) {
          n = 0;
          while (k < p.size() && isDigit(p[k])) n = saturate(n, p[k++]);
        } else {
          open = true;
        }
      }
      if (k >= p.size() || p[k] != '}' || (!open && n < m)) return empty;
      i = k + 1;
      // The copies re-read the atom's text with the same group numbers; only
      // the starred last copy of {m,} can fail.
      if (open && empty) error = "operand of * or {} possibly empty";
      return empty || m == 0;
    }
    default:
      return empty;
  }
}

bool Checker::atom() {
  char c = p[i];
  switch (c) {
    case '(': {
      if (++depth > kMaxNesting) {
        tooDeep = true;
        return false;
      }
      ++i;
      int g = groups++;
      groupState.push_back(0);
      bool empty = alternation();
      --depth;
      if (failed()) return empty;
      if (atEnd() || p[i] != ')') {
        error = "missing )";
        return empty;
      }
      ++i;
      groupState[size_t(g)] = empty ? 1 : 2;
      return empty;
    }
    case '.':
      ++i;
      return false;
    case '[':
      bracket();
      return false;
    case '\\':
      if (i + 1 >= p.size()) {
        error = "trailing \\";
        return false;
      }
      ++i;
      escape();
      return false;
    case '*':
    case '+':
    case '?':
      error = std::string("unexpected ") + c;
      return false;
    case '^': {
      size_t j = i;
      while (j > 0 && p[j - 1] == '(') --j;
      bool quiet = j == 0 || (p[j - 1] == '|' && (j < 2 || p[j - 2] != '\\'));
      if (!quiet) warning = "unexpected ^";
      ++i;
      return true;
    }
    case '$': {
      char d = peek(1);
      if (d >= '1' && d <= '9') {
        i += 1;
        long n = 0;
        while (!atEnd() && isDigit(p[i])) n = saturate(n, p[i++]);
        if (n > groups || groupState[size_t(n - 1)] == 0) {
          error = "$number exceeds paren count";
          return false;
        }
        return groupState[size_t(n - 1)] == 1;
      }
      size_t k = i + 1;
      while (k < p.size() && p[k] == ')') ++k;
      if (k < p.size() && p[k] != '|' && p[k] != '?' && p[k] != '*' && p[k] != '+')
        warning = "unexpected $";
      ++i;
      return true;
    }
    default:
      ++i;
      return false;
  }
}

void Checker::bracket() {
  ++i;  // [
  if (!atEnd() && p[i] == '^') ++i;
  bool first = true;
  for (;;) {
    if (atEnd()) {
      error = "missing ]";
      return;
    }
    if (p[i] == ']' && !first) {
      ++i;
      return;
    }
    first = false;
    int lo;
    if (p[i] == '\\') {
      ++i;
      if (atEnd()) {
        error = "missing ]";
        return;
      }
      lo = escape();
    } else {
      lo = static_cast<unsigned char>(p[i++]);
    }
    if (!atEnd() && p[i] == '-' && peek(1) != ']') {
      ++i;
      if (atEnd()) {
        error = "missing ]";
        return;
      }
      int hi;
      if (p[i] == '\\') {
        ++i;
        if (atEnd()) {
          error = "missing ]";
          return;
        }
        hi = escape();
      } else {
        hi = static_cast<unsigned char>(p[i++]);
      }
      if (lo > hi) {
        error = "character range with first > last";
        return;
      }
    }
  }
}

int Checker::escape() {
  char c = p[i++];
  if (isDigit(c)) {
    int v = c - '0';
    for (int k = 0; k < 2 && !atEnd() && p[i] >= '0' && p[i] <= '7'; ++k) v = v * 8 + (p[i++] - '0');
    if (v > 255) warning = "invalid backslash escape sequence; must be in range \\0 to \\377";
    return v & 0xFF;
  }
  if (c == 'x' || c == 'X') {
    int v = 0, k = 0;
    for (; k < 2 && !atEnd() && isHex(p[i]); ++k) {
      char h = p[i++];
      v = v * 16 + (isDigit(h) ? h - '0' : (h | 0x20) - 'a' + 10);
    }
    if (k == 0) {
      warning = "invalid hex escape sequence";
      return static_cast<unsigned char>(c);
    }
    return v;
  }
  switch (c) {
    case 'a': return 7;
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'v': return 11;
    default: return static_cast<unsigned char>(c);
  }
}

}  // namespace

RegexCheck checkRegex(std::string_view pattern) {
  Checker c;
  c.p = pattern;
  c.alternation();
  if (!c.failed() && !c.atEnd()) c.error = "missing (";  // a ")" no group opened
  RegexCheck r;
  if (c.tooDeep) return r;
  if (!c.error.empty()) {
    r.ok = false;
    r.message = c.error;
  } else {
    r.message = c.warning;
  }
  return r;
}

std::string regexWarning(std::string_view pattern) {
  RegexCheck r = checkRegex(pattern);
  if (r.message.empty()) return {};
  if (!r.ok) return "this regular expression does not compile: " + r.message;
  return "in this regular expression: " + r.message;
}

}  // namespace vorn::compiler

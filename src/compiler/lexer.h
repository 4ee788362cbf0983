// The lexer: source bytes to tokens, one at a time, on demand.
//
// The division/regular-expression ambiguity is settled by the parser: a "/"
// where an operand must start is handed back with rescanRegex(), which reads
// the regular expression from just after that slash. Newlines are tokens
// (the parser decides where they end statements); a backslash before a
// newline, blanks, tabs, carriage returns and comments are skipped.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

#include "compiler/diag.h"

namespace vorn::compiler {

enum class Tok : uint8_t {
  End, Newline, Error,
  Name,        // identifier
  FuncName,    // identifier immediately followed by "("
  Number, String, Regex,
  Builtin,     // a reserved builtin function name (length, substr, ...)
  // keywords
  kwBEGIN, kwEND, kwINIT, kwBEGINFILE, kwENDFILE, kwEXIT,
  kwFunction, kwIf, kwElse, kwWhile, kwFor, kwDo, kwBreak, kwContinue,
  kwNext, kwExit, kwReturn, kwDelete, kwGetline, kwPrint, kwPrintf, kwIn,
  // punctuation and operators
  LBrace, RBrace, LParen, RParen, LBracket, RBracket, Semicolon, Comma,
  Plus, Minus, Star, Slash, Percent, Pow, Not, Greater, Less, Pipe,
  Question, Colon, Tilde, NoMatch, Dollar, Amp,
  Assign, AddAssign, SubAssign, MulAssign, DivAssign, ModAssign, PowAssign,
  Eq, Ne, Le, Ge, And, Or, Incr, Decr, Append,
};

const char* tokName(Tok t);

struct Token {
  Tok kind = Tok::End;
  uint32_t offset = 0;   // first byte
  uint32_t length = 0;
  bool spaceBefore = false;
  std::string text;      // name, decoded string, regex source, number text
  int builtinSlot = 0;   // Tok::Builtin
};

class Lexer {
 public:
  Lexer(const SourceFile& file, Diagnostics& diag) : src_(file), diag_(diag) {}

  Token next();
  // Reads a regular expression that starts right after the slash at
  // `slashOffset` and ends at the next unescaped slash outside brackets.
  Token rescanRegex(uint32_t slashOffset);
  // Continues lexing at `offset`.
  void reset(uint32_t offset) { pos_ = offset; }
  uint32_t position() const { return pos_; }

  void error(uint32_t offset, std::string text);
  void warning(uint32_t offset, std::string text);
  const SourceFile& file() const { return src_; }

 private:
  Token make(Tok k, uint32_t start) const;
  Token lexNumber(uint32_t start);
  Token lexString(uint32_t start);
  Token lexWord(uint32_t start);

  const SourceFile& src_;
  Diagnostics& diag_;
  uint32_t pos_ = 0;
};

}  // namespace vorn::compiler

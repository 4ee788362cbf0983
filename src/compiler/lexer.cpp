#include "compiler/lexer.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "compiler/escapes.h"
#include "image/signatures.h"

namespace vorn::compiler {

namespace {

bool isAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_'; }
bool isDigit(char c) { return c >= '0' && c <= '9'; }
bool isHex(char c) { return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F'); }

// A word holds its name, so that the sorted table below is constant data
// the dynamic loader need not relocate at every start.
struct Word {
  char name[12];
  Tok kind;
  int slot;
  constexpr std::string_view text() const { return name; }
};

// The keywords and the POSIX builtins' names, sorted by name when the
// compiler is compiled: a program's compile builds no table for them. A
// builtin named like a keyword (getline, print, printf) is the keyword.
constexpr Word kKeywords[] = {
    {"BEGIN", Tok::kwBEGIN, 0},       {"END", Tok::kwEND, 0},
    {"INIT", Tok::kwINIT, 0},         {"BEGINFILE", Tok::kwBEGINFILE, 0},
    {"ENDFILE", Tok::kwENDFILE, 0},   {"EXIT", Tok::kwEXIT, 0},
    {"function", Tok::kwFunction, 0}, {"func", Tok::kwFunction, 0},
    {"if", Tok::kwIf, 0},             {"else", Tok::kwElse, 0},
    {"while", Tok::kwWhile, 0},       {"for", Tok::kwFor, 0},
    {"do", Tok::kwDo, 0},             {"break", Tok::kwBreak, 0},
    {"continue", Tok::kwContinue, 0}, {"next", Tok::kwNext, 0},
    {"exit", Tok::kwExit, 0},         {"return", Tok::kwReturn, 0},
    {"delete", Tok::kwDelete, 0},     {"getline", Tok::kwGetline, 0},
    {"print", Tok::kwPrint, 0},       {"printf", Tok::kwPrintf, 0},
    {"in", Tok::kwIn, 0}};

constexpr bool isKeyword(std::string_view name) {
  for (const Word& k : kKeywords)
    if (k.text() == name) return true;
  return false;
}

// Whether builtin `slot` is a word of the language of its own.
constexpr bool isBuiltinWord(int slot) {
  const image::BuiltinSignature& sig = *image::builtinSignature(slot);
  return sig.posix && !isKeyword(sig.name);
}

constexpr size_t countWords() {
  size_t n = std::size(kKeywords);
  for (int s = 1; s < image::kBuiltinSlots; ++s) n += isBuiltinWord(s);
  return n;
}

constexpr std::array<Word, countWords()> kWords = [] {
  std::array<Word, countWords()> a{};
  size_t n = 0;
  for (const Word& k : kKeywords) a[n++] = k;
  for (int s = 1; s < image::kBuiltinSlots; ++s) {
    if (!isBuiltinWord(s)) continue;
    Word& w = a[n++];
    const std::string_view name = image::builtinSignature(s)->name;
    for (size_t i = 0; i < name.size() && i + 1 < sizeof w.name; ++i) w.name[i] = name[i];
    w.kind = Tok::Builtin;
    w.slot = s;
  }
  std::sort(a.begin(), a.end(), [](const Word& x, const Word& y) { return x.text() < y.text(); });
  return a;
}();
static_assert(std::adjacent_find(kWords.begin(), kWords.end(),
                                 [](const Word& x, const Word& y) { return x.text() == y.text(); }) ==
                  kWords.end(),
              "each word has one meaning");
static_assert(std::all_of(kWords.begin(), kWords.end(),
                          [](const Word& w) { return w.text().size() + 1 < sizeof w.name; }),
              "each name fits its entry");

const Word* findWord(std::string_view name) {
  auto it = std::lower_bound(kWords.begin(), kWords.end(), name,
                             [](const Word& w, std::string_view n) { return w.text() < n; });
  return it != kWords.end() && it->text() == name ? &*it : nullptr;
}

}  // namespace

const char* tokName(Tok t) {
  switch (t) {
    case Tok::End: return "end of file";
    case Tok::Newline: return "newline";
    case Tok::Error: return "invalid token";
    case Tok::Name: case Tok::FuncName: return "name";
    case Tok::Number: return "number";
    case Tok::String: return "string";
    case Tok::Regex: return "regular expression";
    case Tok::Builtin: return "builtin function name";
    case Tok::kwBEGIN: return "BEGIN";
    case Tok::kwEND: return "END";
    case Tok::kwINIT: return "INIT";
    case Tok::kwBEGINFILE: return "BEGINFILE";
    case Tok::kwENDFILE: return "ENDFILE";
    case Tok::kwEXIT: return "EXIT";
    case Tok::kwFunction: return "function";
    case Tok::kwIf: return "if";
    case Tok::kwElse: return "else";
    case Tok::kwWhile: return "while";
    case Tok::kwFor: return "for";
    case Tok::kwDo: return "do";
    case Tok::kwBreak: return "break";
    case Tok::kwContinue: return "continue";
    case Tok::kwNext: return "next";
    case Tok::kwExit: return "exit";
    case Tok::kwReturn: return "return";
    case Tok::kwDelete: return "delete";
    case Tok::kwGetline: return "getline";
    case Tok::kwPrint: return "print";
    case Tok::kwPrintf: return "printf";
    case Tok::kwIn: return "in";
    case Tok::LBrace: return "'{'";
    case Tok::RBrace: return "'}'";
    case Tok::LParen: return "'('";
    case Tok::RParen: return "')'";
    case Tok::LBracket: return "'['";
    case Tok::RBracket: return "']'";
    case Tok::Semicolon: return "';'";
    case Tok::Comma: return "','";
    case Tok::Plus: return "'+'";
    case Tok::Minus: return "'-'";
    case Tok::Star: return "'*'";
    case Tok::Slash: return "'/'";
    case Tok::Percent: return "'%'";
    case Tok::Pow: return "'^'";
    case Tok::Not: return "'!'";
    case Tok::Greater: return "'>'";
    case Tok::Less: return "'<'";
    case Tok::Pipe: return "'|'";
    case Tok::Question: return "'?'";
    case Tok::Colon: return "':'";
    case Tok::Tilde: return "'~'";
    case Tok::NoMatch: return "'!~'";
    case Tok::Dollar: return "'$'";
    case Tok::Amp: return "'&'";
    case Tok::Assign: return "'='";
    case Tok::AddAssign: return "'+='";
    case Tok::SubAssign: return "'-='";
    case Tok::MulAssign: return "'*='";
    case Tok::DivAssign: return "'/='";
    case Tok::ModAssign: return "'%='";
    case Tok::PowAssign: return "'^='";
    case Tok::Eq: return "'=='";
    case Tok::Ne: return "'!='";
    case Tok::Le: return "'<='";
    case Tok::Ge: return "'>='";
    case Tok::And: return "'&&'";
    case Tok::Or: return "'||'";
    case Tok::Incr: return "'++'";
    case Tok::Decr: return "'--'";
    case Tok::Append: return "'>>'";
  }
  return "token";
}

void Lexer::error(uint32_t offset, std::string text) {
  diag_.error(&src_, src_.lineOf(offset), src_.columnOf(offset), std::move(text));
}

void Lexer::warning(uint32_t offset, std::string text) {
  diag_.warning(&src_, src_.lineOf(offset), src_.columnOf(offset), std::move(text));
}

Token Lexer::make(Tok k, uint32_t start) const {
  Token t;
  t.kind = k;
  t.offset = start;
  t.length = pos_ - start;
  return t;
}

Token Lexer::next() {
  const std::string& s = src_.text;
  const uint32_t n = uint32_t(s.size());
  bool space = false;
  for (;;) {
    if (pos_ >= n) {
      Token t = make(Tok::End, pos_);
      t.spaceBefore = space;
      return t;
    }
    char c = s[pos_];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\f' || c == '\v') {
      ++pos_;
      space = true;
    } else if (c == '\\' && pos_ + 1 < n && s[pos_ + 1] == '\n') {
      pos_ += 2;
      space = true;
    } else if (c == '\\' && pos_ + 2 < n && s[pos_ + 1] == '\r' && s[pos_ + 2] == '\n') {
      pos_ += 3;
      space = true;
    } else if (c == '#') {
      while (pos_ < n && s[pos_] != '\n') ++pos_;
    } else {
      break;
    }
  }
  const uint32_t start = pos_;
  char c = s[pos_];
  char d = pos_ + 1 < n ? s[pos_ + 1] : '\0';
  Token t;
  auto op = [&](Tok k, int len) {
    pos_ += uint32_t(len);
    return make(k, start);
  };
  if (isAlpha(c)) {
    t = lexWord(start);
  } else if (isDigit(c) || (c == '.' && isDigit(d))) {
    t = lexNumber(start);
  } else if (c == '"') {
    t = lexString(start);
  } else {
    switch (c) {
      case '\n': t = op(Tok::Newline, 1); break;
      case '{': t = op(Tok::LBrace, 1); break;
      case '}': t = op(Tok::RBrace, 1); break;
      case '(': t = op(Tok::LParen, 1); break;
      case ')': t = op(Tok::RParen, 1); break;
      case '[': t = op(Tok::LBracket, 1); break;
      case ']': t = op(Tok::RBracket, 1); break;
      case ';': t = op(Tok::Semicolon, 1); break;
      case ',': t = op(Tok::Comma, 1); break;
      case '?': t = op(Tok::Question, 1); break;
      case ':': t = op(Tok::Colon, 1); break;
      case '~': t = op(Tok::Tilde, 1); break;
      case '$': t = op(Tok::Dollar, 1); break;
      case '+':
        t = d == '+' ? op(Tok::Incr, 2) : d == '=' ? op(Tok::AddAssign, 2) : op(Tok::Plus, 1);
        break;
      case '-':
        t = d == '-' ? op(Tok::Decr, 2) : d == '=' ? op(Tok::SubAssign, 2) : op(Tok::Minus, 1);
        break;
      case '*':
        if (d == '*') {
          bool eq = pos_ + 2 < n && s[pos_ + 2] == '=';
          t = eq ? op(Tok::PowAssign, 3) : op(Tok::Pow, 2);
        } else {
          t = d == '=' ? op(Tok::MulAssign, 2) : op(Tok::Star, 1);
        }
        break;
      case '/': t = d == '=' ? op(Tok::DivAssign, 2) : op(Tok::Slash, 1); break;
      case '%': t = d == '=' ? op(Tok::ModAssign, 2) : op(Tok::Percent, 1); break;
      case '^': t = d == '=' ? op(Tok::PowAssign, 2) : op(Tok::Pow, 1); break;
      case '!':
        t = d == '=' ? op(Tok::Ne, 2) : d == '~' ? op(Tok::NoMatch, 2) : op(Tok::Not, 1);
        break;
      case '>':
        t = d == '=' ? op(Tok::Ge, 2) : d == '>' ? op(Tok::Append, 2) : op(Tok::Greater, 1);
        break;
      case '<': t = d == '=' ? op(Tok::Le, 2) : op(Tok::Less, 1); break;
      case '=': t = d == '=' ? op(Tok::Eq, 2) : op(Tok::Assign, 1); break;
      case '|': t = d == '|' ? op(Tok::Or, 2) : op(Tok::Pipe, 1); break;
      case '&': t = d == '&' ? op(Tok::And, 2) : op(Tok::Amp, 1); break;
      default: {
        ++pos_;
        t = make(Tok::Error, start);
        unsigned char u = static_cast<unsigned char>(c);
        if (u >= 0x20 && u < 0x7F) {
          error(start, std::string("invalid character '") + c + "'");
        } else {
          char buf[48];
          snprintf(buf, sizeof buf, "invalid character 0x%02X", unsigned(u));
          error(start, buf);
        }
      }
    }
  }
  t.spaceBefore = space;
  return t;
}

Token Lexer::lexWord(uint32_t start) {
  const std::string& s = src_.text;
  while (pos_ < s.size() && (isAlpha(s[pos_]) || isDigit(s[pos_]))) ++pos_;
  std::string_view w(s.data() + start, pos_ - start);
  Token t = make(Tok::Name, start);
  if (const Word* known = findWord(w)) {
    t.kind = known->kind;
    t.builtinSlot = known->slot;
  } else if (pos_ < s.size() && s[pos_] == '(') {
    t.kind = Tok::FuncName;
  }
  t.text.assign(w);
  return t;
}

Token Lexer::lexNumber(uint32_t start) {
  const std::string& s = src_.text;
  const size_t n = s.size();
  if (s[pos_] == '0' && pos_ + 2 < n && (s[pos_ + 1] == 'x' || s[pos_ + 1] == 'X') &&
      isHex(s[pos_ + 2])) {
    pos_ += 2;
    while (pos_ < n && isHex(s[pos_])) ++pos_;
  } else {
    while (pos_ < n && isDigit(s[pos_])) ++pos_;
    if (pos_ < n && s[pos_] == '.') {
      ++pos_;
      while (pos_ < n && isDigit(s[pos_])) ++pos_;
    }
    if (pos_ < n && (s[pos_] == 'e' || s[pos_] == 'E')) {
      size_t q = pos_ + 1;
      if (q < n && (s[q] == '+' || s[q] == '-')) ++q;
      if (q < n && isDigit(s[q])) {
        pos_ = uint32_t(q);
        while (pos_ < n && isDigit(s[pos_])) ++pos_;
      }
    }
  }
  Token t = make(Tok::Number, start);
  t.text.assign(s, start, pos_ - start);
  return t;
}

Token Lexer::lexString(uint32_t start) {
  const std::string& s = src_.text;
  const size_t n = s.size();
  ++pos_;  // opening quote
  std::string out;
  for (;;) {
    if (pos_ >= n || s[pos_] == '\n') {
      error(start, pos_ >= n ? "unterminated string" : "newline in string");
      break;
    }
    char c = s[pos_++];
    if (c == '"') break;
    if (c != '\\') {
      out += c;
      continue;
    }
    pos_ = decodeEscape(s, pos_, out);
  }
  Token t = make(Tok::String, start);
  t.text = std::move(out);
  return t;
}

Token Lexer::rescanRegex(uint32_t slashOffset) {
  const std::string& s = src_.text;
  const size_t n = s.size();
  pos_ = slashOffset + 1;
  std::string out;
  bool inBracket = false;
  for (;;) {
    if (pos_ >= n || s[pos_] == '\n') {
      error(slashOffset, "unterminated regular expression");
      break;
    }
    char c = s[pos_++];
    if (c == '\\' && pos_ < n && s[pos_] != '\n') {
      char e = s[pos_++];
      if (e == '/') {
        out += '/';
      } else {
        out += '\\';
        out += e;
      }
      continue;
    }
    if (inBracket) {
      if (c == ']') inBracket = false;
      out += c;
      continue;
    }
    if (c == '[') {
      inBracket = true;
      out += c;
      // "]" right after "[" or "[^" is a member, not the end.
      if (pos_ < n && s[pos_] == '^') out += s[pos_++];
      if (pos_ < n && s[pos_] == ']') out += s[pos_++];
      continue;
    }
    if (c == '/') break;
    out += c;
  }
  Token t = make(Tok::Regex, slashOffset);
  t.text = std::move(out);
  return t;
}

}  // namespace vorn::compiler

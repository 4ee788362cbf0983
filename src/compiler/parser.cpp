#include "compiler/parser.h"

#include <algorithm>

#include "compiler/numlit.h"
#include "compiler/posixclass.h"
#include "compiler/recheck.h"
#include "image/signatures.h"

namespace vorn::compiler {

namespace {

struct SyntaxError {};

// Expression context flags.
enum : unsigned {
  kNoIn = 1,    // "in" belongs to a for (k in a) header
  kNoGt = 2,    // ">" is an output redirection (print lists)
};

class Parser {
 public:
  Parser(Program& prog, Module& m, int moduleNumber, Diagnostics& diag)
      : prog_(prog), m_(m), module_(moduleNumber), diag_(diag), lex_(*m.file, diag) {
    advance();
  }

  void parseProgram();

 private:
  // ---- tokens
  void advance() {
    if (hasPeek_) {
      tok_ = std::move(peek_);
      hasPeek_ = false;
    } else {
      tok_ = lex_.next();
    }
  }
  const Token& peek() {
    if (!hasPeek_) {
      peek_ = lex_.next();
      hasPeek_ = true;
    }
    return peek_;
  }
  bool is(Tok k) const { return tok_.kind == k; }
  bool accept(Tok k) {
    if (!is(k)) return false;
    advance();
    return true;
  }
  void skipNewlines() {
    while (is(Tok::Newline)) advance();
  }
  void expect(Tok k, const char* what) {
    if (!accept(k)) fail(tok_.offset, std::string("expected ") + what + describeFound());
  }
  std::string describeFound() const {
    if (is(Tok::Name) || is(Tok::FuncName) || is(Tok::Builtin)) return " before '" + tok_.text + "'";
    if (is(Tok::Error)) return "";
    return std::string(" before ") + tokName(tok_.kind);
  }
  [[noreturn]] void fail(uint32_t offset, std::string text) {
    error(offset, std::move(text));
    throw SyntaxError{};
  }
  void error(uint32_t offset, std::string text) {
    const SourceFile& f = *m_.file;
    diag_.error(&f, f.lineOf(offset), f.columnOf(offset), std::move(text));
  }
  void warning(uint32_t offset, std::string text) {
    const SourceFile& f = *m_.file;
    diag_.warning(&f, f.lineOf(offset), f.columnOf(offset), std::move(text));
  }
  // Warns about a constant pattern the run-time would refuse or warn about.
  void checkPattern(uint32_t offset, const std::string& text) {
    std::string w = regexWarning(text);
    if (!w.empty()) warning(offset, std::move(w));
  }
  [[noreturn]] void unexpected() {
    if (is(Tok::Error)) throw SyntaxError{};  // already reported by the lexer
    if (is(Tok::End)) fail(tok_.offset, "unexpected end of file");
    if (is(Tok::Newline)) fail(tok_.offset, "unexpected newline");
    if (is(Tok::Name) || is(Tok::FuncName) || is(Tok::Builtin))
      fail(tok_.offset, "syntax error at '" + tok_.text + "'");
    fail(tok_.offset, std::string("syntax error at ") + tokName(tok_.kind));
  }

  // ---- nodes
  struct DepthGuard {
    Parser& p;
    explicit DepthGuard(Parser& parser) : p(parser) {
      if (++p.depth_ > kMaxDepth) {
        --p.depth_;
        p.fail(p.tok_.offset, "program nested too deeply");
      }
    }
    ~DepthGuard() { --p.depth_; }
  };
  Node* make(NK k, uint32_t offset) { return prog_.make(k, offset); }
  // Records the subtree height; refuses trees too tall for the later passes.
  Node* seal(Node* n) {
    int d = 0;
    for (Node* c : {n->a, n->b, n->c, n->d})
      if (c) d = std::max(d, c->depth);
    for (Node* c : n->list)
      if (c) d = std::max(d, c->depth);
    n->depth = d + 1;
    if (n->depth > kMaxDepth) fail(n->offset, "expression nested too deeply");
    return n;
  }
  Node* node(NK k, uint32_t off, Tok op, Node* a = nullptr, Node* b = nullptr, Node* c = nullptr) {
    Node* n = make(k, off);
    n->op = op;
    n->a = a;
    n->b = b;
    n->c = c;
    return seal(n);
  }

  static bool isLvalue(const Node* n) {
    return n->kind == NK::Var || n->kind == NK::Index || n->kind == NK::Field;
  }

  // ---- items
  void parseItem();
  void parseFunction(bool isStatic, uint32_t start);
  void parseExtern(uint32_t start);
  void parseStaticVars();
  void parseRule();
  Node* parseAction();
  void syncItem();

  // ---- statements
  Node* parseBlock();
  void parseStatementsUntilBrace(Node* block);
  Node* parseStatement();
  Node* parseSimpleStatement();
  void endSimpleStatement();
  Node* parsePrint();
  Node* parseDelete();
  Node* parseFor();
  Node* parseLocal();
  Node* parseBody();
  void syncStatement();

  // ---- expressions
  Node* parseExpr(unsigned f = 0);
  Node* parseTernary(unsigned f);
  Node* parseOr(unsigned f);
  Node* parseAnd(unsigned f);
  Node* parseIn(unsigned f);
  // With a seed, the seed is the first operand (what follows "k in a").
  Node* parseMatch(unsigned f, Node* seed = nullptr);
  Node* parseComparison(unsigned f, Node* seed = nullptr);
  Node* parsePipeGetline(unsigned f);
  // With a seed, the seed is the first operand (a "cmd | getline" before).
  Node* parseConcat(unsigned f, Node* seed = nullptr);
  Node* parseAdditive(unsigned f, Node* seed = nullptr);
  Node* parseMul(unsigned f, Node* seed = nullptr);
  Node* assignOperand(Node* operand, unsigned f);
  Node* parseUnary(unsigned f);
  Node* parsePow(unsigned f);
  Node* parsePostfix(unsigned f);
  Node* parsePrimary(unsigned f);
  Node* parseNameRef();
  Node* parseSubscripts(Node* base);
  Node* parseCallArgs(Node* call);
  Node* parseGetlineTail(Node* g, bool allowFile);
  Node* parseNumber();
  bool startsConcatOperand() const;
  std::vector<Node*> parseExprList(Tok close);

  Program& prog_;
  Module& m_;
  int module_;
  Diagnostics& diag_;
  Lexer lex_;
  Token tok_;
  Token peek_;
  bool hasPeek_ = false;
  int depth_ = 0;
  // statement context
  bool inFunction_ = false;
  RuleKind ruleKind_ = RuleKind::Main;
  int loopDepth_ = 0;
  std::vector<std::string>* locals_ = nullptr;
};

// ============================================================ items

void Parser::parseProgram() {
  for (;;) {
    while (is(Tok::Newline) || is(Tok::Semicolon)) advance();
    if (is(Tok::End)) break;
    if (diag_.tooMany()) break;
    try {
      parseItem();
    } catch (const SyntaxError&) {
      syncItem();
    }
  }
}

// Skips to a likely start of the next item: past a balanced "}" that ends
// the current one, or to a newline at brace depth 0.
void Parser::syncItem() {
  int depth = 0;
  for (;;) {
    if (is(Tok::End)) return;
    if (is(Tok::LBrace)) ++depth;
    if (is(Tok::RBrace)) {
      if (depth <= 1) {
        advance();
        return;
      }
      --depth;
    }
    if (is(Tok::Newline) && depth == 0) return;
    if (is(Tok::kwFunction) && depth == 0) return;
    advance();
  }
}

void Parser::parseItem() {
  uint32_t start = tok_.offset;
  if (is(Tok::kwFunction)) {
    parseFunction(false, start);
    return;
  }
  if (is(Tok::Name) && tok_.text == "static") {
    const Token& p = peek();
    if (p.kind == Tok::kwFunction) {
      advance();
      parseFunction(true, start);
      return;
    }
    if (p.kind == Tok::Name) {
      advance();
      parseStaticVars();
      return;
    }
  }
  if ((is(Tok::Name) || is(Tok::FuncName)) && tok_.text == "extern") {
    const Token& p = peek();
    if (p.kind == Tok::String || p.kind == Tok::Name || p.kind == Tok::Builtin) {
      advance();
      parseExtern(start);
      return;
    }
  }
  parseRule();
}

void Parser::parseStaticVars() {
  for (;;) {
    if (!is(Tok::Name)) fail(tok_.offset, "expected a variable name after static");
    for (const auto& s : m_.statics)
      if (s.name == tok_.text) error(tok_.offset, "'" + tok_.text + "' is already declared static");
    m_.statics.push_back({tok_.text, tok_.offset});
    advance();
    if (!accept(Tok::Comma)) break;
    skipNewlines();
  }
  if (!(is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::End))) unexpected();
}

void Parser::parseFunction(bool isStatic, uint32_t start) {
  advance();  // function
  if (!(is(Tok::Name) || is(Tok::FuncName))) {
    if (is(Tok::Builtin) || (tok_.kind >= Tok::kwBEGIN && tok_.kind <= Tok::kwIn))
      fail(tok_.offset, "'" + std::string(is(Tok::Builtin) ? tok_.text : tokName(tok_.kind)) +
                            "' is a reserved word and cannot name a function");
    fail(tok_.offset, "expected a function name" + describeFound());
  }
  FuncDecl* fn = &prog_.funcs.emplace_back();
  fn->name = tok_.text;
  fn->offset = tok_.offset;
  fn->module = module_;
  fn->isStatic = isStatic;
  (void)start;
  advance();
  expect(Tok::LParen, "'(' after the function name");
  skipNewlines();
  if (!is(Tok::RParen)) {
    for (;;) {
      Param p;
      if (accept(Tok::Amp)) p.byRef = true;
      p.offset = tok_.offset;
      if (!(is(Tok::Name) || is(Tok::FuncName))) fail(tok_.offset, "expected a parameter name" + describeFound());
      p.name = tok_.text;
      advance();
      if (accept(Tok::Colon)) {
        std::string t = tok_.text;
        if (t == "int") p.typeTag = 1;
        else if (t == "float") p.typeTag = 2;
        else if (t == "string") p.typeTag = 3;
        else if (t == "array") p.typeTag = 5;
        else fail(tok_.offset, "expected a parameter type (int, float, string or array)" + describeFound());
        advance();
      }
      if (p.name == fn->name) error(p.offset, "parameter '" + p.name + "' has the name of its function");
      for (const auto& q : fn->params)
        if (q.name == p.name) error(p.offset, "duplicate parameter '" + p.name + "'");
      fn->params.push_back(std::move(p));
      skipNewlines();
      if (accept(Tok::RParen)) break;
      expect(Tok::Comma, "',' or ')' in the parameter list");
      skipNewlines();
    }
  } else {
    advance();
  }
  if (fn->params.size() > 255) error(fn->offset, "too many parameters");
  skipNewlines();
  if (!is(Tok::LBrace)) fail(tok_.offset, "expected '{' to begin the function body" + describeFound());
  m_.functions.push_back(fn);
  inFunction_ = true;
  locals_ = &fn->locals;
  try {
    fn->body = parseBlock();
  } catch (...) {
    inFunction_ = false;
    locals_ = nullptr;
    throw;
  }
  inFunction_ = false;
  locals_ = nullptr;
}

// extern [ "library:function" ] type name(type, ...)
void Parser::parseExtern(uint32_t start) {
  ExternDecl ex;
  ex.offset = start;
  ex.module = module_;
  std::string lib;
  bool haveLib = false;
  if (is(Tok::String)) {
    lib = tok_.text;
    haveLib = true;
    advance();
  }
  // Reads a C type; returns its descriptor code, -1 for void.
  auto parseType = [&](bool result) -> int {
    bool isUnsigned = false;
    if (is(Tok::Name) && tok_.text == "unsigned") {
      isUnsigned = true;
      advance();
    }
    std::string t = tok_.text;
    if (!(is(Tok::Name) || is(Tok::Builtin) || is(Tok::FuncName)))
      fail(tok_.offset, "expected a C type" + describeFound());
    uint32_t at = tok_.offset;
    int code;
    if (t == "short") code = 1;
    else if (t == "int") code = 2;
    else if (t == "long") code = 3;
    else if (t == "double") code = 4;
    else if (t == "float") code = 5;
    else if (t == "string") code = 6;
    else if (t == "char") code = 10;
    else if (t == "void") code = 0;
    else if (t == "value") code = 9;
    else fail(at, "unknown C type '" + t + "'");
    if (isUnsigned && !(code == 1 || code == 2 || code == 3 || code == 10))
      fail(at, "'unsigned' applies to short, int, long and char only");
    bool kindFuncName = is(Tok::FuncName);
    advance();
    if (!kindFuncName && is(Tok::Star)) {
      advance();
      switch (code) {
        case 10: code = 7; break;
        case 0: code = 8; break;
        case 1: code = 17; break;
        case 2: code = 18; break;
        case 3: code = 19; break;
        case 4: code = 20; break;
        case 5: code = 21; break;
        default: fail(at, "no pointer form of '" + t + "'");
      }
    } else if (code == 0 && !result) {
      fail(at, "a parameter cannot be void");
    }
    if (isUnsigned) code |= 0x20;
    return code;
  };
  ex.returnType = parseType(true);
  if (!(is(Tok::Name) || is(Tok::FuncName))) fail(tok_.offset, "expected the function's name" + describeFound());
  ex.name = tok_.text;
  advance();
  expect(Tok::LParen, "'('");
  skipNewlines();
  if (!accept(Tok::RParen)) {
    for (;;) {
      if (is(Tok::Name) && tok_.text == "void" && peek().kind == Tok::RParen && ex.paramTypes.empty()) {
        advance();
        advance();
        break;
      }
      ex.paramTypes.push_back(parseType(false));
      if (is(Tok::Name)) advance();  // an optional parameter name
      skipNewlines();
      if (accept(Tok::RParen)) break;
      expect(Tok::Comma, "',' or ')'");
      skipNewlines();
    }
  }
  if (ex.paramTypes.size() > 20) error(start, "an external function takes at most 20 parameters");
  if (!haveLib) {
    ex.cname = ":" + ex.name;
  } else if (lib.find(':') == std::string::npos && lib.find(';') == std::string::npos) {
    ex.cname = lib + ":" + ex.name;
  } else {
    ex.cname = lib;
  }
  m_.externs.push_back(std::move(ex));
  if (!(is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::End))) unexpected();
}

void Parser::parseRule() {
  Rule r;
  r.offset = tok_.offset;
  switch (tok_.kind) {
    case Tok::kwBEGIN: r.kind = RuleKind::Begin; break;
    case Tok::kwEND: r.kind = RuleKind::End; break;
    case Tok::kwINIT: r.kind = RuleKind::Init; break;
    case Tok::kwBEGINFILE: r.kind = RuleKind::BeginFile; break;
    case Tok::kwENDFILE: r.kind = RuleKind::EndFile; break;
    case Tok::kwEXIT: r.kind = RuleKind::Exit; break;
    default: r.kind = RuleKind::Main;
  }
  ruleKind_ = r.kind;
  locals_ = &r.locals;
  struct Reset {
    Parser& p;
    ~Reset() { p.locals_ = nullptr; }
  } reset{*this};
  if (r.kind != RuleKind::Main) {
    const char* name = tokName(tok_.kind);
    advance();
    if (!is(Tok::LBrace)) fail(tok_.offset, std::string(name) + " must be followed by an action in braces");
    r.action = parseAction();
    m_.rules.push_back(std::move(r));
    return;
  }
  if (!is(Tok::LBrace)) {
    r.pattern = parseExpr();
    if (accept(Tok::Comma)) {
      skipNewlines();
      r.pattern2 = parseExpr();
    }
  }
  if (is(Tok::LBrace)) {
    r.action = parseAction();
  } else if (!(is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::End))) {
    unexpected();
  }
  m_.rules.push_back(std::move(r));
}

Node* Parser::parseAction() { return parseBlock(); }

// ============================================================ statements

Node* Parser::parseBlock() {
  DepthGuard g(*this);
  Node* block = make(NK::Block, tok_.offset);
  expect(Tok::LBrace, "'{'");
  parseStatementsUntilBrace(block);
  expect(Tok::RBrace, "'}'");
  return seal(block);
}

void Parser::parseStatementsUntilBrace(Node* block) {
  for (;;) {
    while (is(Tok::Newline) || is(Tok::Semicolon)) advance();
    if (is(Tok::RBrace)) return;
    if (is(Tok::End)) fail(tok_.offset, "unexpected end of file: missing '}'");
    if (diag_.tooMany()) throw SyntaxError{};
    try {
      block->list.push_back(parseStatement());
    } catch (const SyntaxError&) {
      syncStatement();
    }
  }
}

// Skips the rest of a broken statement: to the next newline or ";" outside
// braces, or to the "}" that closes the enclosing block (left in place).
void Parser::syncStatement() {
  int depth = 0;
  for (;;) {
    if (is(Tok::End)) return;
    if (is(Tok::LBrace)) ++depth;
    if (is(Tok::RBrace)) {
      if (depth == 0) return;
      --depth;
    }
    if ((is(Tok::Newline) || is(Tok::Semicolon)) && depth == 0) {
      advance();
      return;
    }
    advance();
  }
}

// A statement that may be empty (";") as the body of if/while/for.
Node* Parser::parseBody() {
  skipNewlines();
  if (is(Tok::RBrace) || is(Tok::End) || is(Tok::kwElse))
    fail(tok_.offset, "expected a statement" + describeFound());
  if (is(Tok::Semicolon)) {
    Node* n = make(NK::Nop, tok_.offset);
    advance();
    return n;
  }
  return parseStatement();
}

Node* Parser::parseStatement() {
  DepthGuard g(*this);
  uint32_t off = tok_.offset;
  switch (tok_.kind) {
    case Tok::LBrace:
      return parseBlock();
    case Tok::kwIf: {
      advance();
      expect(Tok::LParen, "'(' after if");
      skipNewlines();
      Node* cond = parseExpr();
      skipNewlines();
      expect(Tok::RParen, "')'");
      Node* n = make(NK::If, off);
      n->a = cond;
      n->b = parseBody();
      // An else may follow after newlines or a ";" that ended the branch.
      uint32_t save = lex_.position();
      Token saveTok = tok_;
      bool savedPeek = hasPeek_;
      Token savePeek = peek_;
      while (is(Tok::Newline) || (is(Tok::Semicolon) && n->b->kind != NK::Nop)) advance();
      if (is(Tok::kwElse)) {
        advance();
        n->c = parseBody();
      } else {
        lex_.reset(save);
        tok_ = std::move(saveTok);
        hasPeek_ = savedPeek;
        peek_ = std::move(savePeek);
      }
      return seal(n);
    }
    case Tok::kwWhile: {
      advance();
      expect(Tok::LParen, "'(' after while");
      skipNewlines();
      Node* n = make(NK::While, off);
      n->a = parseExpr();
      skipNewlines();
      expect(Tok::RParen, "')'");
      if (is(Tok::Semicolon)) {
        n->b = make(NK::Nop, tok_.offset);
        advance();
      } else {
        ++loopDepth_;
        try {
          n->b = parseBody();
        } catch (...) {
          --loopDepth_;
          throw;
        }
        --loopDepth_;
      }
      return seal(n);
    }
    case Tok::kwDo: {
      advance();
      Node* n = make(NK::Do, off);
      ++loopDepth_;
      try {
        n->b = parseBody();
      } catch (...) {
        --loopDepth_;
        throw;
      }
      --loopDepth_;
      while (is(Tok::Newline) || is(Tok::Semicolon)) advance();
      expect(Tok::kwWhile, "'while' after the body of do");
      expect(Tok::LParen, "'(' after while");
      skipNewlines();
      n->a = parseExpr();
      skipNewlines();
      expect(Tok::RParen, "')'");
      endSimpleStatement();
      return seal(n);
    }
    case Tok::kwFor:
      return parseFor();
    case Tok::kwElse:
      fail(off, "else without a matching if");
    case Tok::kwFunction:
      fail(off, "a function cannot be defined inside an action or another function");
    case Tok::Semicolon: {
      advance();
      return make(NK::Nop, off);
    }
    default: {
      Node* n = parseSimpleStatement();
      endSimpleStatement();
      return n;
    }
  }
}

void Parser::endSimpleStatement() {
  if (is(Tok::Newline) || is(Tok::Semicolon)) {
    advance();
    return;
  }
  if (is(Tok::RBrace) || is(Tok::End)) return;
  unexpected();
}

Node* Parser::parseFor() {
  uint32_t off = tok_.offset;
  advance();
  expect(Tok::LParen, "'(' after for");
  skipNewlines();
  Node* init = nullptr;
  if (!is(Tok::Semicolon)) {
    init = parseSimpleStatement();
    skipNewlines();
    if (init->kind == NK::ExprStmt && init->a->kind == NK::In && is(Tok::RParen) &&
        init->a->list.size() == 1 && init->a->list[0]->kind == NK::Var) {
      advance();
      Node* n = make(NK::ForIn, off);
      n->a = init->a->list[0];
      n->b = init->a->b;
      ++loopDepth_;
      try {
        n->d = parseBody();
      } catch (...) {
        --loopDepth_;
        throw;
      }
      --loopDepth_;
      return seal(n);
    }
  }
  Node* n = make(NK::For, off);
  n->a = init;
  expect(Tok::Semicolon, "';' in for");
  skipNewlines();
  if (!is(Tok::Semicolon)) n->b = parseExpr();
  skipNewlines();
  expect(Tok::Semicolon, "';' in for");
  skipNewlines();
  if (!is(Tok::RParen)) n->c = parseSimpleStatement();
  skipNewlines();
  expect(Tok::RParen, "')'");
  ++loopDepth_;
  try {
    n->d = parseBody();
  } catch (...) {
    --loopDepth_;
    throw;
  }
  --loopDepth_;
  return seal(n);
}

Node* Parser::parseSimpleStatement() {
  uint32_t off = tok_.offset;
  switch (tok_.kind) {
    case Tok::kwPrint:
    case Tok::kwPrintf:
      return parsePrint();
    case Tok::kwNext: {
      if (!inFunction_ && ruleKind_ != RuleKind::Main) {
        std::string rule = tokName(Tok(int(Tok::kwBEGIN) + int(ruleKind_) - 1));
        bool vowel = rule[0] == 'E' || rule[0] == 'I';
        error(off, "next cannot be used in " + std::string(vowel ? "an " : "a ") + rule + " rule");
      }
      advance();
      return make(NK::Next, off);
    }
    case Tok::kwExit: {
      advance();
      Node* n = make(NK::Exit, off);
      if (!(is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::RBrace) || is(Tok::End))) n->a = parseExpr();
      return seal(n);
    }
    case Tok::kwReturn: {
      if (!inFunction_) error(off, "return outside a function");
      advance();
      Node* n = make(NK::Return, off);
      if (!(is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::RBrace) || is(Tok::End))) n->a = parseExpr();
      return seal(n);
    }
    case Tok::kwBreak:
    case Tok::kwContinue: {
      bool brk = is(Tok::kwBreak);
      if (loopDepth_ == 0) error(off, std::string(brk ? "break" : "continue") + " outside a loop");
      advance();
      return make(brk ? NK::Break : NK::Continue, off);
    }
    case Tok::kwDelete:
      return parseDelete();
    case Tok::Name:
      if (tok_.text == "local" && peek().kind == Tok::Name) return parseLocal();
      if (tok_.text == "nextfile") {
        Tok after = peek().kind;
        if (after == Tok::Newline || after == Tok::Semicolon || after == Tok::RBrace || after == Tok::End) {
          // The run-time has no operation that abandons the current input
          // file; compiled as a variable it would silently do nothing.
          error(off, "nextfile is not supported: the run-time cannot skip the rest of an input file");
          advance();
          return make(NK::Nop, off);
        }
      }
      break;
    default:
      break;
  }
  Node* n = make(NK::ExprStmt, off);
  n->a = parseExpr();
  return seal(n);
}

Node* Parser::parseLocal() {
  uint32_t off = tok_.offset;
  advance();
  Node* n = make(NK::Local, off);
  for (;;) {
    if (!is(Tok::Name)) fail(tok_.offset, "expected a variable name after local" + describeFound());
    Node* v = make(NK::Var, tok_.offset);
    v->text = tok_.text;
    if (locals_) {
      if (std::find(locals_->begin(), locals_->end(), v->text) != locals_->end())
        warning(v->offset, "'" + v->text + "' is already declared local");
      else
        locals_->push_back(v->text);
    }
    n->list.push_back(v);
    advance();
    if (!accept(Tok::Comma)) break;
    skipNewlines();
  }
  return seal(n);
}

Node* Parser::parseDelete() {
  uint32_t off = tok_.offset;
  advance();
  bool paren = accept(Tok::LParen);
  if (!is(Tok::Name)) fail(tok_.offset, "expected an array name after delete" + describeFound());
  Node* target = parseNameRef();
  if (paren) expect(Tok::RParen, "')'");
  Node* n = make(NK::Delete, off);
  if (target->kind == NK::Index) {
    // delete a[k]: the last subscript list names the element.
    n->a = target->a;
    n->list = target->list;
  } else {
    n->a = target;
  }
  return seal(n);
}

Node* Parser::parsePrint() {
  uint32_t off = tok_.offset;
  Node* n = make(NK::Print, off);
  n->op = tok_.kind;
  advance();
  auto atEnd = [&] {
    return is(Tok::Newline) || is(Tok::Semicolon) || is(Tok::RBrace) || is(Tok::End) ||
           is(Tok::Greater) || is(Tok::Append) || is(Tok::Pipe);
  };
  if (!atEnd()) {
    for (;;) {
      n->list.push_back(parseExpr(kNoGt));
      if (!accept(Tok::Comma)) break;
      skipNewlines();
    }
    if (n->list.size() == 1 && n->list[0]->kind == NK::Group) {
      Node* g = n->list[0];
      n->list = g->list;
    }
  }
  if (is(Tok::Greater) || is(Tok::Append) || is(Tok::Pipe)) {
    n->c = make(NK::Nop, tok_.offset);  // where the redirection is
    n->c->op = tok_.kind;
    advance();
    n->b = parseConcat(kNoGt);
  }
  if (n->op == Tok::kwPrintf && n->list.empty()) error(off, "printf needs a format");
  if (n->list.size() > 250) error(off, "too many items to print");
  return seal(n);
}

// ============================================================ expressions

std::vector<Node*> Parser::parseExprList(Tok close) {
  std::vector<Node*> out;
  skipNewlines();
  if (is(close)) return out;
  for (;;) {
    out.push_back(parseExpr());
    skipNewlines();
    if (!accept(Tok::Comma)) break;
    skipNewlines();
  }
  return out;
}

Node* Parser::parseExpr(unsigned f) {
  DepthGuard g(*this);
  Node* lhs = parseTernary(f);
  Tok k = tok_.kind;
  switch (k) {
    case Tok::Assign: case Tok::AddAssign: case Tok::SubAssign: case Tok::MulAssign:
    case Tok::DivAssign: case Tok::ModAssign: case Tok::PowAssign: {
      bool substrTarget = lhs->kind == NK::Call && lhs->text == "substr" && k == Tok::Assign;
      if (!isLvalue(lhs) && !substrTarget) {
        if (lhs->kind == NK::Group) fail(tok_.offset, "cannot assign to a parenthesized expression");
        fail(tok_.offset, "the left side of an assignment must be a variable, field or element");
      }
      uint32_t off = tok_.offset;
      advance();
      skipNewlines();
      Node* rhs = parseExpr(f);
      return node(NK::Assign, off, k, lhs, rhs);
    }
    default:
      return lhs;
  }
}

Node* Parser::parseTernary(unsigned f) {
  Node* c = parseOr(f);
  if (!is(Tok::Question)) return c;
  uint32_t off = tok_.offset;
  advance();
  skipNewlines();
  DepthGuard g(*this);
  Node* a = parseExpr(f);
  skipNewlines();
  expect(Tok::Colon, "':' in a conditional expression");
  skipNewlines();
  Node* b = parseExpr(f);
  return node(NK::Cond, off, Tok::Question, c, a, b);
}

Node* Parser::parseOr(unsigned f) {
  Node* l = parseAnd(f);
  while (is(Tok::Or)) {
    uint32_t off = tok_.offset;
    advance();
    skipNewlines();
    l = node(NK::Or, off, Tok::Or, l, assignOperand(parseAnd(f), f));
  }
  return l;
}

Node* Parser::parseAnd(unsigned f) {
  Node* l = parseIn(f);
  while (is(Tok::And)) {
    uint32_t off = tok_.offset;
    advance();
    skipNewlines();
    l = node(NK::And, off, Tok::And, l, assignOperand(parseIn(f), f));
  }
  return l;
}

Node* Parser::parseIn(unsigned f) {
  Node* l = parseMatch(f);
  while (is(Tok::kwIn)) {
    uint32_t off = tok_.offset;
    advance();
    if (!is(Tok::Name)) fail(tok_.offset, "expected an array name after in" + describeFound());
    Node* arr = parseNameRef();
    Node* n = make(NK::In, off);
    if (l->kind == NK::Group)
      n->list = l->list;
    else
      n->list.push_back(l);
    n->b = arr;
    l = seal(n);
    if (f & kNoIn) break;
    // "k in a == 0" and "k in a ~ re" compare the membership, as other
    // AWKs read them; arithmetic after "in a" stays an error.
    l = parseMatch(f, l);
  }
  return l;
}

Node* Parser::parseMatch(unsigned f, Node* seed) {
  Node* l = parseComparison(f, seed);
  while (is(Tok::Tilde) || is(Tok::NoMatch)) {
    Tok k = tok_.kind;
    uint32_t off = tok_.offset;
    advance();
    Node* re = parseComparison(f);
    if (re->kind == NK::Str) {
      expandPosixClasses(re->text);
      checkPattern(re->offset, re->text);
    }
    l = node(NK::Match, off, k, l, re);
  }
  return l;
}

Node* Parser::parseComparison(unsigned f, Node* seed) {
  Node* l = seed ? seed : parsePipeGetline(f);
  for (;;) {
    Tok k = tok_.kind;
    bool rel = k == Tok::Less || k == Tok::Le || k == Tok::Ne || k == Tok::Eq || k == Tok::Ge ||
               (k == Tok::Greater && !(f & kNoGt));
    if (!rel) return l;
    uint32_t off = tok_.offset;
    advance();
    l = node(NK::Binary, off, k, l, assignOperand(parsePipeGetline(f), f));
  }
}

// An assignment as the right operand of &&, || or a comparison
// ("if (1 && x = 2)"), as other AWKs read it.
Node* Parser::assignOperand(Node* operand, unsigned f) {
  switch (tok_.kind) {
    case Tok::Assign: case Tok::AddAssign: case Tok::SubAssign: case Tok::MulAssign:
    case Tok::DivAssign: case Tok::ModAssign: case Tok::PowAssign:
      break;
    default:
      return operand;
  }
  if (!isLvalue(operand)) return operand;
  DepthGuard g(*this);
  Tok k = tok_.kind;
  uint32_t off = tok_.offset;
  advance();
  skipNewlines();
  return node(NK::Assign, off, k, operand, parseExpr(f));
}

Node* Parser::parsePipeGetline(unsigned f) {
  Node* l = parseConcat(f);
  while (is(Tok::Pipe) && peek().kind == Tok::kwGetline) {
    uint32_t off = tok_.offset;
    advance();
    advance();
    Node* g = make(NK::Getline, off);
    g->op = Tok::Pipe;
    g->b = l;
    // What follows the getline continues the expression: "cmd" | getline x y
    // concatenates y to the result, as arithmetic would apply to it.
    l = parseConcat(f, parseGetlineTail(g, false));
  }
  return l;
}

bool Parser::startsConcatOperand() const {
  switch (tok_.kind) {
    case Tok::Name: case Tok::FuncName: case Tok::Number: case Tok::String: case Tok::Dollar:
    case Tok::Not: case Tok::LParen: case Tok::Incr: case Tok::Decr: case Tok::Builtin:
    case Tok::Minus: case Tok::Plus:
      return true;
    default:
      return false;
  }
}

Node* Parser::parseConcat(unsigned f, Node* seed) {
  Node* first = parseAdditive(f, seed);
  // "a -1" and "a +1" are differences, and "a !b" is not a concatenation.
  auto operandNext = [&] {
    return startsConcatOperand() && !is(Tok::Minus) && !is(Tok::Plus) && !is(Tok::Not) &&
           !(is(Tok::kwIn) && (f & kNoIn));
  };
  if (!operandNext()) return first;
  Node* n = make(NK::Concat, first->offset);
  n->list.push_back(first);
  while (operandNext()) {
    n->list.push_back(parseAdditive(f));
    if (n->list.size() > 255) {
      // Keep op_concat's count within its byte: nest the pieces so far.
      n = seal(n);
      Node* outer = make(NK::Concat, n->offset);
      outer->list.push_back(n);
      n = outer;
    }
  }
  return seal(n);
}

Node* Parser::parseAdditive(unsigned f, Node* seed) {
  Node* l = parseMul(f, seed);
  while (is(Tok::Plus) || is(Tok::Minus)) {
    Tok k = tok_.kind;
    uint32_t off = tok_.offset;
    advance();
    l = node(NK::Binary, off, k, l, parseMul(f));
  }
  return l;
}

Node* Parser::parseMul(unsigned f, Node* seed) {
  Node* l = seed ? seed : parseUnary(f);
  while (is(Tok::Star) || is(Tok::Slash) || is(Tok::Percent)) {
    Tok k = tok_.kind;
    uint32_t off = tok_.offset;
    advance();
    l = node(NK::Binary, off, k, l, parseUnary(f));
  }
  return l;
}

Node* Parser::parseUnary(unsigned f) {
  if (is(Tok::Not) || is(Tok::Minus) || is(Tok::Plus)) {
    DepthGuard g(*this);
    Tok k = tok_.kind;
    uint32_t off = tok_.offset;
    advance();
    Node* operand = parseUnary(f);
    // Fold the sign of an int constant: "-5" is the constant -5.
    if (k == Tok::Minus && operand->kind == NK::Num && operand->isInt && operand->depth == 1 &&
        operand->ival != INT32_MIN && operand->op != Tok::Minus) {
      operand->ival = -operand->ival;
      operand->fval = operand->ival;
      operand->text = "-" + operand->text;
      operand->offset = off;
      operand->op = Tok::Minus;
      return operand;
    }
    return node(NK::Unary, off, k, operand);
  }
  return parsePow(f);
}

Node* Parser::parsePow(unsigned f) {
  Node* base = parsePostfix(f);
  if (!is(Tok::Pow)) return base;
  DepthGuard g(*this);
  uint32_t off = tok_.offset;
  advance();
  Node* exp;
  if (is(Tok::Minus) || is(Tok::Plus) || is(Tok::Not)) {
    Tok k = tok_.kind;
    uint32_t uo = tok_.offset;
    advance();
    exp = node(NK::Unary, uo, k, parsePow(f));
  } else {
    exp = parsePow(f);
  }
  return node(NK::Binary, off, Tok::Pow, base, exp);
}

Node* Parser::parsePostfix(unsigned f) {
  Node* e = parsePrimary(f);
  if ((is(Tok::Incr) || is(Tok::Decr)) && isLvalue(e)) {
    Node* n = node(NK::IncDec, tok_.offset, tok_.kind, e);
    n->post = true;
    advance();
    return n;
  }
  return e;
}

Node* Parser::parseNumber() {
  Node* n = make(NK::Num, tok_.offset);
  n->text = tok_.text;
  NumberScan s = scanNumber(tok_.text);
  n->isInt = s.isInt;
  n->ival = s.intValue;
  n->fval = s.isInt ? double(s.intValue) : s.floatValue;
  n->decimals = s.decimals;
  if (s.hexTooLong) warning(tok_.offset, "hex number larger than 8 digits");
  if (s.outOfRange) warning(tok_.offset, "numeric constant out of range");
  advance();
  return n;
}

// name, name[subscripts], name[i][j]...
Node* Parser::parseNameRef() {
  Node* v = make(NK::Var, tok_.offset);
  v->text = tok_.text;
  advance();
  if (is(Tok::LBracket)) return parseSubscripts(v);
  return v;
}

Node* Parser::parseSubscripts(Node* base) {
  while (is(Tok::LBracket)) {
    uint32_t off = tok_.offset;
    advance();
    Node* n = make(NK::Index, off);
    n->a = base;
    n->list = parseExprList(Tok::RBracket);
    if (n->list.empty()) fail(tok_.offset, "expected a subscript");
    expect(Tok::RBracket, "']'");
    base = seal(n);
  }
  return base;
}

Node* Parser::parseCallArgs(Node* call) {
  expect(Tok::LParen, "'('");
  call->list = parseExprList(Tok::RParen);
  expect(Tok::RParen, "')' after the arguments");
  if (call->list.size() > 250) error(call->offset, "too many arguments");
  return seal(call);
}

// After "getline" (or "cmd | getline"): an optional variable, then for the
// plain form an optional "< file".
Node* Parser::parseGetlineTail(Node* g, bool allowFile) {
  if (is(Tok::Dollar) || is(Tok::Name)) {
    DepthGuard dg(*this);
    if (is(Tok::Dollar)) {
      uint32_t off = tok_.offset;
      advance();
      Node* operand;
      if (is(Tok::Incr) || is(Tok::Decr)) {
        Tok k = tok_.kind;
        uint32_t o2 = tok_.offset;
        advance();
        Node* target = parsePrimary(0);
        if (!isLvalue(target)) fail(o2, "++ and -- need a variable, field or element");
        operand = node(NK::IncDec, o2, k, target);
      } else {
        operand = parsePrimary(0);
      }
      g->a = node(NK::Field, off, Tok::Dollar, operand);
    } else {
      g->a = parseNameRef();
    }
  }
  if (allowFile && is(Tok::Less)) {
    uint32_t off = tok_.offset;
    advance();
    g->op = Tok::Less;
    g->b = parsePostfix(0);
    if (startsConcatOperand() && !is(Tok::Minus) && !is(Tok::Plus) && !is(Tok::Not) && !is(Tok::LParen))
      warning(tok_.offset,
              "this is not part of the file name of getline <; put the file name in parentheses");
    (void)off;
  }
  return seal(g);
}

Node* Parser::parsePrimary(unsigned f) {
  DepthGuard g(*this);
  uint32_t off = tok_.offset;
  switch (tok_.kind) {
    case Tok::Number:
      return parseNumber();
    case Tok::String: {
      Node* n = make(NK::Str, off);
      n->text = std::move(tok_.text);
      advance();
      return n;
    }
    case Tok::Slash:
    case Tok::DivAssign: {
      hasPeek_ = false;
      Token t = lex_.rescanRegex(off);
      Node* n = make(NK::Regex, off);
      n->text = std::move(t.text);
      expandPosixClasses(n->text);
      checkPattern(off, n->text);
      advance();
      return n;
    }
    case Tok::LParen: {
      advance();
      std::vector<Node*> items = parseExprList(Tok::RParen);
      expect(Tok::RParen, "')'");
      if (items.empty()) fail(off, "empty parentheses");
      if (items.size() == 1) {
        // Keep the grouping visible: "(a > b)" inside print is a comparison,
        // and "(x)" is not an lvalue.
        Node* n = make(NK::Group, off);
        n->list = std::move(items);
        return seal(n);
      }
      // A list is only valid before "in" or as a print list; the code
      // generator refuses it anywhere else.
      Node* n = make(NK::Group, off);
      n->list = std::move(items);
      return seal(n);
    }
    case Tok::Dollar: {
      advance();
      Node* operand;
      if (is(Tok::Incr) || is(Tok::Decr)) {
        Tok k = tok_.kind;
        uint32_t o2 = tok_.offset;
        advance();
        Node* target = parsePrimary(f);
        if (!isLvalue(target)) fail(o2, "++ and -- need a variable, field or element");
        operand = node(NK::IncDec, o2, k, target);
      } else if (is(Tok::Minus) || is(Tok::Plus) || is(Tok::Not)) {
        // "$+i++" is $(+(i++)): a sign takes the postfix with its operand.
        Tok k = tok_.kind;
        uint32_t o2 = tok_.offset;
        advance();
        operand = node(NK::Unary, o2, k, parsePostfix(f));
      } else if (is(Tok::Dollar)) {
        // "$$0++" increments the inner field, "$$a++++" both.
        operand = parsePostfix(f);
      } else {
        operand = parsePrimary(f);
      }
      return node(NK::Field, off, Tok::Dollar, operand);
    }
    case Tok::Incr:
    case Tok::Decr: {
      Tok k = tok_.kind;
      advance();
      Node* target = parsePrimary(f);
      if (!isLvalue(target)) fail(off, "++ and -- need a variable, field or element");
      return node(NK::IncDec, off, k, target);
    }
    case Tok::Not:
    case Tok::Minus:
    case Tok::Plus:
      return parseUnary(f);
    case Tok::Name:
      return parseNameRef();
    case Tok::FuncName: {
      Node* c = make(NK::Call, off);
      c->text = tok_.text;
      advance();
      return parseCallArgs(c);
    }
    case Tok::Builtin: {
      Node* c = make(NK::Call, off);
      c->text = tok_.text;
      c->call = CallKind::Builtin;
      c->index = tok_.builtinSlot;
      advance();
      if (is(Tok::LParen)) return parseCallArgs(c);
      if (c->text == "length") return seal(c);  // length without parentheses: length($0)
      fail(tok_.offset, "expected '(' after " + c->text);
    }
    case Tok::kwGetline: {
      advance();
      Node* gl = make(NK::Getline, off);
      gl->op = Tok::kwGetline;
      return parseGetlineTail(gl, true);
    }
    default:
      // An operand was due: say so, unless the token is an end of some kind.
      if (is(Tok::Error) || is(Tok::End)) unexpected();
      fail(tok_.offset, "expected an expression" + describeFound());
  }
}

}  // namespace

bool parseModule(Program& prog, Module& m, int moduleNumber, Diagnostics& diag) {
  size_t before = diag.errorCount();
  Parser p(prog, m, moduleNumber, diag);
  p.parseProgram();
  return diag.errorCount() == before;
}

}  // namespace vorn::compiler

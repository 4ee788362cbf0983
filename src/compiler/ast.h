// The syntax tree. One node type for expressions and statements (a kind, an
// operator token, up to four children and a list), allocated from an arena
// that lives as long as the program. The parser fills in the shape; the
// resolver fills in what names mean (the `ref` fields); the code generator
// reads both.
#pragma once
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "compiler/diag.h"
#include "compiler/lexer.h"

namespace vorn::compiler {

enum class NK : uint8_t {
  // expressions
  Num, Str, Regex, Var, Field, Index, Group, Unary, Binary, Concat, Match, In,
  And, Or, Cond, Assign, IncDec, Call, Getline,
  // statements
  Block, ExprStmt, Print, If, While, Do, For, ForIn, Next, Exit, Return,
  Break, Continue, Delete, Local, Nop,
};

// What a variable name refers to, filled in by the resolver.
enum class VarKind : uint8_t { Unresolved, Global, Param, Local, Special };
// What a call refers to.
enum class CallKind : uint8_t { Unresolved, User, Builtin, Extern };

struct FuncDecl;

struct Node {
  NK kind;
  Tok op = Tok::End;      // operator, or the statement's keyword
  bool post = false;      // IncDec: postfix
  uint32_t offset = 0;    // source offset of the node's first token
  int depth = 1;          // height of the subtree, bounded by the parser
  std::string text;       // name, string bytes, regex source, number text
  // Num
  bool isInt = false;
  int32_t ival = 0;
  double fval = 0;
  int decimals = 0;
  Node* a = nullptr;
  Node* b = nullptr;
  Node* c = nullptr;
  Node* d = nullptr;
  std::vector<Node*> list;
  // resolution
  VarKind var = VarKind::Unresolved;
  CallKind call = CallKind::Unresolved;
  int index = 0;          // gid, parameter/local index, special index, slot
  FuncDecl* fn = nullptr; // CallKind::User

  explicit Node(NK k) : kind(k) {}
};

struct Param {
  std::string name;
  uint32_t offset = 0;
  bool byRef = false;
  int typeTag = 0;        // demanded tag (op_ptype), 0 = any
};

struct FuncDecl {
  std::string name;
  uint32_t offset = 0;
  int module = 0;
  bool isStatic = false;
  std::vector<Param> params;
  Node* body = nullptr;
  // resolver
  int gid = 0;
  std::vector<std::string> locals;   // declared with `local`
  std::vector<bool> paramIsArray;
  bool called = false;
};

enum class RuleKind : uint8_t { Main, Begin, End, Init, BeginFile, EndFile, Exit };

struct Rule {
  RuleKind kind = RuleKind::Main;
  uint32_t offset = 0;
  Node* pattern = nullptr;   // Main only; null = every record
  Node* pattern2 = nullptr;  // range end
  Node* action = nullptr;    // Block; null = print $0
  std::vector<std::string> locals;  // declared with `local` in the action
  int rangeGid = 0;          // hidden state of a range pattern
};

// C types of extern declarations, as descriptor type codes.
struct ExternDecl {
  std::string name;          // the AWK name
  std::string cname;         // "library:function"
  uint32_t offset = 0;
  int module = 0;
  int returnType = 0;
  std::vector<int> paramTypes;
  int index = -1;            // extern number (gid - gid::kExternFirst)
};

struct StaticVar {
  std::string name;
  uint32_t offset = 0;
};

struct Module {
  std::unique_ptr<SourceFile> file;
  std::vector<Rule> rules;
  std::vector<FuncDecl*> functions;
  std::vector<ExternDecl> externs;
  std::vector<StaticVar> statics;
};

struct Program {
  std::deque<Node> nodes;
  std::deque<FuncDecl> funcs;
  std::vector<Module> modules;

  Node* make(NK k, uint32_t offset) {
    nodes.emplace_back(k);
    nodes.back().offset = offset;
    return &nodes.back();
  }
};

// A readable S-expression of a subtree, for tests and debugging.
std::string dumpTree(const Node* n);
std::string dumpModule(const Module& m);

}  // namespace vorn::compiler

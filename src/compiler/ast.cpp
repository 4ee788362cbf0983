#include "compiler/ast.h"

namespace vorn::compiler {

namespace {

const char* kindName(NK k) {
  switch (k) {
    case NK::Num: return "num";
    case NK::Str: return "str";
    case NK::Regex: return "regex";
    case NK::Var: return "var";
    case NK::Field: return "$";
    case NK::Index: return "index";
    case NK::Group: return "group";
    case NK::Unary: return "unary";
    case NK::Binary: return "binary";
    case NK::Concat: return "concat";
    case NK::Match: return "match";
    case NK::In: return "in";
    case NK::And: return "and";
    case NK::Or: return "or";
    case NK::Cond: return "cond";
    case NK::Assign: return "assign";
    case NK::IncDec: return "incdec";
    case NK::Call: return "call";
    case NK::Getline: return "getline";
    case NK::Block: return "block";
    case NK::ExprStmt: return "expr";
    case NK::Print: return "print";
    case NK::If: return "if";
    case NK::While: return "while";
    case NK::Do: return "do";
    case NK::For: return "for";
    case NK::ForIn: return "forin";
    case NK::Next: return "next";
    case NK::Exit: return "exit";
    case NK::Return: return "return";
    case NK::Break: return "break";
    case NK::Continue: return "continue";
    case NK::Delete: return "delete";
    case NK::Local: return "local";
    case NK::Nop: return "nop";
  }
  return "?";
}

std::string opText(Tok t) {
  std::string s = tokName(t);
  if (s.size() >= 2 && s.front() == '\'') s = s.substr(1, s.size() - 2);
  return s;
}

void dump(const Node* n, std::string& out) {
  if (!n) {
    out += "_";
    return;
  }
  switch (n->kind) {
    case NK::Num:
      out += n->text;
      return;
    case NK::Str:
      out += '"';
      for (char c : n->text) {
        if (c == '\n') out += "\\n";
        else if (c == '"' || c == '\\') out += '\\', out += c;
        else out += c;
      }
      out += '"';
      return;
    case NK::Regex:
      out += "/" + n->text + "/";
      return;
    case NK::Var:
      out += n->text;
      return;
    default:
      break;
  }
  out += "(";
  out += kindName(n->kind);
  switch (n->kind) {
    case NK::Unary: case NK::Binary: case NK::Match: case NK::Assign: case NK::IncDec:
      out.append(" ").append(opText(n->op));
      if (n->kind == NK::IncDec) out += n->post ? " post" : " pre";
      break;
    case NK::Call:
      out.append(" ").append(n->text);
      break;
    case NK::Print:
      out += n->op == Tok::kwPrintf ? " printf" : "";
      if (n->c) out.append(" ").append(opText(n->c->op));
      break;
    case NK::Getline:
      if (n->op != Tok::kwGetline) out.append(" ").append(opText(n->op));
      break;
    default:
      break;
  }
  // Kinds with optional children print every slot, so shapes stay apparent.
  int fixed = n->kind == NK::For ? 4 : n->kind == NK::If ? 3 : n->kind == NK::Getline ? 2 : 0;
  const Node* kids[] = {n->a, n->b, n->c, n->d};
  for (int i = 0; i < 4; ++i) {
    if (n->kind == NK::Print && i == 2) continue;
    if (kids[i] || i < fixed) {
      out += " ";
      dump(kids[i], out);
    }
  }
  if (!n->list.empty()) {
    out += " [";
    bool first = true;
    for (const Node* c : n->list) {
      if (!first) out += " ";
      first = false;
      dump(c, out);
    }
    out += "]";
  }
  out += ")";
}

}  // namespace

std::string dumpTree(const Node* n) {
  std::string out;
  dump(n, out);
  return out;
}

std::string dumpModule(const Module& m) {
  std::string out;
  for (const FuncDecl* f : m.functions) {
    out += "function " + f->name + "(";
    for (size_t i = 0; i < f->params.size(); ++i) {
      if (i) out += ",";
      if (f->params[i].byRef) out += "&";
      out += f->params[i].name;
    }
    out += ") " + dumpTree(f->body) + "\n";
  }
  static const char* kinds[] = {"", "BEGIN ", "END ", "INIT ", "BEGINFILE ", "ENDFILE ", "EXIT "};
  for (const Rule& r : m.rules) {
    out += kinds[int(r.kind)];
    if (r.pattern) out += dumpTree(r.pattern) + " ";
    if (r.pattern2) out += ", " + dumpTree(r.pattern2) + " ";
    out += r.action ? dumpTree(r.action) : std::string("-");
    out += "\n";
  }
  return out;
}

}  // namespace vorn::compiler

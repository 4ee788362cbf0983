#include "compiler/diag.h"

#include <algorithm>
#include <cstdint>

namespace vorn::compiler {

SourceFile::SourceFile(std::string n, std::string t) : name(std::move(n)), text(std::move(t)) {
  lineStarts.push_back(0);
  for (size_t i = 0; i < text.size(); ++i)
    if (text[i] == '\n') lineStarts.push_back(uint32_t(i + 1));
}

int SourceFile::lineOf(uint32_t offset) const {
  auto it = std::upper_bound(lineStarts.begin(), lineStarts.end(), offset);
  return int(it - lineStarts.begin());
}

int SourceFile::columnOf(uint32_t offset) const {
  int line = lineOf(offset);
  return int(offset - lineStarts[size_t(line - 1)]) + 1;
}

std::string_view SourceFile::lineText(int line) const {
  if (line < 1 || size_t(line) > lineStarts.size()) return {};
  size_t b = lineStarts[size_t(line - 1)];
  size_t e = text.find('\n', b);
  if (e == std::string::npos) e = text.size();
  if (e > b && text[e - 1] == '\r') --e;
  return std::string_view(text).substr(b, e - b);
}

void Diagnostics::add(Severity s, const SourceFile* file, int line, int column, std::string text) {
  // A second message at the same place is almost always a consequence of
  // the first.
  std::string name = file ? file->name : std::string();
  for (auto it = list_.rbegin(); it != list_.rend() && it - list_.rbegin() < 4; ++it)
    if (it->fileName == name && it->line == line && it->column == column && it->severity == s) return;
  if (s == Severity::Error) {
    if (errors_ >= kMaxErrors) return;
    ++errors_;
  }
  list_.push_back({s, file != nullptr, std::move(name), line, column, std::move(text),
                   file ? std::string(file->lineText(line)) : std::string()});
}

void Diagnostics::error(const SourceFile* file, int line, int column, std::string text) {
  add(Severity::Error, file, line, column, std::move(text));
}

void Diagnostics::warning(const SourceFile* file, int line, int column, std::string text) {
  add(Severity::Warning, file, line, column, std::move(text));
}

std::string Diagnostics::format(const Diagnostic& d) {
  std::string out;
  const char* sev = d.severity == Severity::Error ? "error: " : "warning: ";
  if (!d.located) return std::string("vornc: ") + sev + d.text + "\n";
  out = d.fileName + ":" + std::to_string(d.line) + ":" + std::to_string(d.column) + ": " +
        sev + d.text + "\n";
  std::string_view src = d.sourceLine;
  out += " ";
  out.append(src);
  out += "\n ";
  // The caret lines up under tabs as the line above does.
  for (int i = 1; i < d.column && size_t(i - 1) < src.size(); ++i) out += src[size_t(i - 1)] == '\t' ? '\t' : ' ';
  out += "^\n";
  return out;
}

// Messages come from several passes (lexer and parser, then resolver, then
// code generator); they are shown in source order, files in the order
// their first message was reported, messages without a place last.
std::string Diagnostics::format(bool errorsOnly) const {
  std::vector<std::string> files;
  auto rank = [&](const Diagnostic& d) -> size_t {
    if (!d.located) return SIZE_MAX;
    auto it = std::find(files.begin(), files.end(), d.fileName);
    if (it != files.end()) return size_t(it - files.begin());
    files.push_back(d.fileName);
    return files.size() - 1;
  };
  std::vector<std::pair<size_t, const Diagnostic*>> order;
  for (const auto& d : list_)
    if (!errorsOnly || d.severity == Severity::Error) order.emplace_back(rank(d), &d);
  std::stable_sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    if (a.first != b.first) return a.first < b.first;
    if (a.second->line != b.second->line) return a.second->line < b.second->line;
    return a.second->column < b.second->column;
  });
  std::string out;
  for (const auto& [r, d] : order) out += format(*d);
  return out;
}

}  // namespace vorn::compiler

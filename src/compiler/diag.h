// Compile diagnostics: "file:line:column: error: text", the source line and
// a caret under the column. Every error of a compilation is collected (one
// per position at most); the caller prints them and fails with status 2.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace vorn::compiler {

// A source text with its name and the offsets of its line starts.
struct SourceFile {
  std::string name;
  std::string text;
  std::vector<uint32_t> lineStarts;  // offset of each line's first byte

  SourceFile(std::string name, std::string text);
  // 1-based line and column of a byte offset.
  int lineOf(uint32_t offset) const;
  int columnOf(uint32_t offset) const;
  std::string_view lineText(int line) const;  // without the newline
};

enum class Severity { Error, Warning };

// A message keeps its own copy of the file name and the source line, so it
// outlives the sources it was reported on.
struct Diagnostic {
  Severity severity;
  bool located;  // false for messages that belong to no file
  std::string fileName;
  int line, column;
  std::string text;
  std::string sourceLine;
};

class Diagnostics {
 public:
  static constexpr size_t kMaxErrors = 500;

  void error(const SourceFile* file, int line, int column, std::string text);
  void warning(const SourceFile* file, int line, int column, std::string text);
  void error(std::string text) { error(nullptr, 0, 0, std::move(text)); }

  size_t errorCount() const { return errors_; }
  bool tooMany() const { return errors_ >= kMaxErrors; }
  const std::vector<Diagnostic>& all() const { return list_; }
  // Everything (or the errors only), formatted, in source order.
  std::string format(bool errorsOnly = false) const;
  static std::string format(const Diagnostic& d);

 private:
  void add(Severity s, const SourceFile* file, int line, int column, std::string text);
  std::vector<Diagnostic> list_;
  size_t errors_ = 0;
};

}  // namespace vorn::compiler

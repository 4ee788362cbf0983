// ImageWriter: lays out a program image. Used by the compiler and by tests
// that need images no compiler would write.
//
// Strings and raw data are placed as they are added (so their virtual
// addresses are known at once); functions, the function table, the module
// table, the extern table, the symbol table and the stored argument list are
// placed by build(). No segment exceeds 32,767 bytes; segment 0 begins with
// 4 zero bytes so that no object has the virtual address 0.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace vorn::image {

struct ImageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// One function: the header fields and the bytecode that follows the header.
struct FunctionImage {
  uint16_t kind = 1;
  uint16_t paramCount = 0;
  uint16_t localCount = 0;
  uint16_t module = 0xFFFF;        // module number, 0xFFFF when generated
  std::vector<uint8_t> code;       // big-endian bytecode, header excluded
  std::string nameList;            // "p1 p2;l1 l2"; stored NUL-terminated after the code
  bool hasNameList = true;         // generated functions may have none
};

// One definition of a symbol record (12 bytes in the image).
struct SymbolDefinition {
  uint32_t info = 0;     // kind << 28 | compiler bits << 25 | module << 16 | gid or type info
  uint16_t line = 0;     // for builtins: the argument type codes
  uint16_t flags = 0;
  uint32_t extra = 0;    // written by the compiler, not read by the run-time

  static SymbolDefinition make(int kind, int module, int gidOrInfo, int line = 0) {
    SymbolDefinition d;
    d.info = uint32_t(kind) << 28 | uint32_t(module & 0x1FF) << 16 | uint16_t(gidOrInfo);
    d.line = uint16_t(line);
    return d;
  }
  // Builtin records: flags (0x800 = callable by name), counts (min << 12 |
  // max << 8, max 15 = no limit), type codes (3 bits per argument).
  static SymbolDefinition builtin(uint16_t flagWord, uint16_t counts, uint16_t types) {
    SymbolDefinition d;
    d.info = uint32_t(flagWord) << 16 | counts;
    d.line = types;
    return d;
  }
};

struct SymbolRecord {
  int kind = 0;                 // symkind::*
  int16_t gid = 0;              // primary definition, 0 for module-only names
  uint16_t compilerBits = 0;    // bits 16-27 of the first word
  std::vector<SymbolDefinition> definitions;
};

class ImageWriter {
 public:
  ImageWriter();

  // Adds a string object (refcount 1, NUL-terminated); returns its vaddr.
  // Identical strings share one object.
  uint32_t addString(std::string_view bytes);
  // Adds raw bytes (aligned to `align`, at most 8); returns their vaddr.
  uint32_t addBytes(std::span<const uint8_t> bytes, unsigned align = 2);

  // Function gid (1000..2999) gets this code; gaps stay 0 in the table.
  void setFunction(int gid, FunctionImage fn);
  // Module n (in call order from 0) with its source file name ("" = unnamed).
  int addModule(std::string_view fileName);
  // Extern table entry (a word, usually the vaddr of a descriptor); returns
  // its index (gid - 10000).
  int addExtern(uint32_t word);
  // Places an external function descriptor (parameter count << 9 in the
  // first u16, the return type code, a zero address word, up to 20
  // parameter type codes, the NUL-terminated "library:function" name) and
  // adds its vaddr to the extern table; returns its index (gid - 10000).
  int addExternFunction(int16_t returnType, std::span<const uint8_t> paramTypes,
                        std::string_view name);
  void addSymbol(std::string_view name, SymbolRecord record);
  // The same from the record's parts (the definitions are copied).
  void addSymbol(std::string_view name, int kind, int16_t gid,
                 std::span<const SymbolDefinition> definitions, uint16_t compilerBits = 0);
  // The same for a caller that has the name's tableHash already.
  void addSymbolHashed(std::string_view name, uint32_t hash, int kind, int16_t gid,
                       std::span<const SymbolDefinition> definitions, uint16_t compilerBits = 0);
  // Adds the fixed symbol kFixedSymbols[index] (image/fixed_symbols.h)
  // with its prepared record and name; the first one brings the whole
  // prepared block into the image.
  void addFixedSymbol(int index);
  // Room for this many symbols with their definitions and for `fixed`
  // fixed symbols, so that adding them allocates nothing more.
  void reserveSymbols(size_t symbols, size_t definitions, size_t fixed = 0);

  void setRootGid(int offset, int gid);        // root::kInitFunction ...
  void setGlobalCount(int count);
  void setFlags(uint16_t flags);
  void setBuildStamp(uint32_t stamp);
  void setStoredArgs(std::vector<std::string> args);  // element 0 replaces the image path

  // Lays everything out and returns the image bytes (no trailer).
  std::vector<uint8_t> build();

  // Helpers for the two ways an image is shipped.
  static void writeFile(const std::string& path, std::span<const uint8_t> image);
  // Copies the executable `runtime` to `out`, patches its binding marker with
  // `name`, appends the image and its trailer, and makes `out` executable.
  static void bind(const std::string& runtime, const std::string& out,
                   std::span<const uint8_t> image, std::string_view name);

 private:
  struct Impl;
  std::shared_ptr<Impl> impl_;
};

}  // namespace vorn::image

// ImageReader: a small, bounds-checked parser of program image bytes, for
// tools (the compiler's dump) and tests. The run-time has its own loader and
// does not use it.
//
// Nothing here trusts the bytes: every virtual address is checked against
// the segment it names, every length against the bytes that remain, and
// every failure comes back as a Read<T> with an error text instead of a
// crash. The reader keeps a view of the caller's bytes; they must outlive it.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/format.h"

namespace vorn::image {

// A value or the reason there is none. `if (r)` tests for success.
template <class T>
struct Read {
  T value{};
  std::string error;     // empty on success
  explicit operator bool() const { return error.empty(); }
  static Read fail(std::string why) { Read r; r.error = std::move(why); return r; }
};

// The root record's fields, as stored.
struct RootInfo {
  uint32_t magic = 0, version = 0;
  uint32_t symbolTable = 0, moduleTable = 0, functionTable = 0, externTable = 0;
  int16_t moduleCount = 0, functionCount = 0, externCount = 0, globalCount = 0;
  int16_t initFunction = 0, mainFunction = 0, end1Function = 0, end2Function = 0;
  int16_t exitFunction = 0, begin2Function = 0, begin1Function = 0;
  int16_t beginFileFunction = 0, endFileFunction = 0;
  uint32_t storedArgs = 0;
  uint16_t flags = 0;
  uint32_t buildStamp = 0;
  uint32_t segmentCount = 0;
  std::array<int16_t, kMaxSegments> segmentSizes{};
};

// A function: its header fields, its bytes (header included, `length`
// bytes), and the name list stored after it.
struct FunctionView {
  uint32_t vaddr = 0;
  uint16_t kind = 0, paramCount = 0, localCount = 0, module = 0, length = 0;
  std::span<const uint8_t> bytes;   // header + code
  std::string nameList;             // text before the NUL
  bool nameListTerminated = false;  // false when no NUL was found in the segment
  std::span<const uint8_t> code() const {
    return bytes.size() >= kFunctionHeaderSize ? bytes.subspan(kFunctionHeaderSize)
                                               : std::span<const uint8_t>{};
  }
};

struct ModuleEntry {
  uint32_t nameVaddr = 0;
  std::string name;                 // empty when unnamed
  std::array<uint32_t, 4> compilerWords{};
};

// The symbol-table object and its used slots.
struct SymbolSlot {
  uint32_t index = 0, hash = 0, keyVaddr = 0, recordVaddr = 0;
  std::string key;
};
struct SymbolTableView {
  uint16_t useCount = 0;
  uint8_t kind = 0, entrySize = 0, signalFlag = 0;
  uint16_t sizeExponent = 0;
  int32_t capacity = 0, count = 0;
  uint32_t slotsVaddr = 0;          // slot array, or chunk directory above 256 slots
  std::vector<SymbolSlot> used;     // in slot order
};

struct SymbolDefinitionView {
  uint32_t info = 0;
  uint16_t line = 0, flags = 0;
  uint32_t extra = 0;
  int kind() const { return int(info >> 28); }
  int module() const { return int(info >> 16 & 0x1FF); }
  int16_t gid() const { return int16_t(info & 0xFFFF); }
};
struct SymbolRecordView {
  uint32_t vaddr = 0;
  uint32_t word0 = 0;
  int16_t gid = 0;
  int kind() const { return int(word0 >> 28); }
  int compilerBits() const { return int(word0 >> 16 & 0xFFF); }
  int definitionCount() const { return int(word0 & 0xFFFF); }
  std::vector<SymbolDefinitionView> definitions;
};

// An external function descriptor.
struct ExternView {
  uint32_t vaddr = 0;
  uint16_t word0 = 0;               // parameter count << 9
  int16_t returnType = 0;
  uint32_t address = 0;
  std::array<uint8_t, 20> paramTypes{};
  std::string name;
  int paramCount() const { return word0 >> 9; }
};

class ImageReader {
 public:
  // Parses the root record and the segment table of `image` (no trailer).
  // Fails on a short root record, a bad magic or version, more than 600
  // segments, a negative size or a short segment 0. A later segment that is
  // cut short is treated as absent (and every later one), as the run-time
  // does; notes() says so. The reader keeps a view of `image`, which must
  // outlive it: a temporary vector is refused at compile time.
  Read<bool> open(std::span<const uint8_t> image);
  Read<bool> open(std::vector<uint8_t>&&) = delete;

  // The image inside a bound executable (or any file ending in a trailer):
  // the `trailer` bytes before the last 4, as a view into `file`.
  static Read<std::span<const uint8_t>> imageOfExecutable(std::span<const uint8_t> file);
  static Read<std::span<const uint8_t>> imageOfExecutable(std::vector<uint8_t>&&) = delete;

  const RootInfo& root() const { return root_; }
  const std::vector<std::string>& notes() const { return notes_; }
  // Bytes of segment n, empty when absent.
  std::span<const uint8_t> segment(int n) const;
  int segmentCount() const { return int(segments_.size()); }

  // `len` bytes at vaddr, all inside one present segment.
  Read<std::span<const uint8_t>> bytesAt(uint32_t vaddr, size_t len) const;
  // The bytes from vaddr to the end of its segment.
  Read<std::span<const uint8_t>> restOfSegment(uint32_t vaddr) const;
  Read<uint16_t> u16At(uint32_t vaddr) const;
  Read<uint32_t> u32At(uint32_t vaddr) const;
  // A string object's bytes; fails when its header or text (and NUL) runs
  // past its segment.
  Read<std::string> stringAt(uint32_t vaddr) const;
  // A NUL-terminated text at vaddr (not a string object).
  Read<std::string> cstringAt(uint32_t vaddr) const;

  // The function address table (function count entries; 0 = no code).
  Read<std::vector<uint32_t>> functionTable() const;
  Read<FunctionView> functionAt(uint32_t vaddr) const;
  // The function of gid 1000.., through the function table.
  Read<FunctionView> function(int gid) const;
  Read<std::vector<ModuleEntry>> modules() const;
  Read<std::vector<uint32_t>> externTable() const;
  Read<ExternView> externAt(uint32_t vaddr) const;
  // The stored argument list; an empty vector when the image has none.
  Read<std::vector<std::string>> storedArgs() const;

  Read<SymbolTableView> symbolTable() const;
  Read<SymbolRecordView> symbolRecord(uint32_t vaddr) const;
  // Finds a name as the run-time does: hash, home slot, linear probe with
  // wrap-around, stop at the first free slot. The record's vaddr, 0 when
  // absent.
  Read<uint32_t> lookup(std::string_view name) const;

 private:
  // The symbol-table object, checked: entry size, capacity, and a slot array
  // (or directory) that fits its segment. No slots are read.
  Read<SymbolTableView> tableHeader() const;
  // Slot i of the symbol table (hash, key, record), through the directory
  // above 256 slots.
  Read<std::array<uint32_t, 3>> slotAt(const SymbolTableView& t, uint32_t i) const;

  std::span<const uint8_t> image_;
  RootInfo root_;
  std::vector<std::span<const uint8_t>> segments_;
  std::vector<std::string> notes_;
};

}  // namespace vorn::image

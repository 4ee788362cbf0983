// The image writer.
//
// Objects are laid out in one pass, one after another, into the current
// segment; an object that would not fit starts the next segment, so every
// object lies wholly inside one segment and no segment exceeds 32,767 bytes.
// Segment 0 begins with 4 zero bytes, so no object has the virtual address 0.
// The segments are laid out where the image file holds them, after room for
// the root record, so the finished layout is the image.
// String objects and raw data are placed when they are added (their
// addresses are needed at once, as operands); build() works on a copy of that
// layout and appends the functions, the tables, the stored argument list and
// the symbol table, so it may be called again after more objects are added.
//
// The symbol table is written as the run-time's hash tables hold their
// entries: slots of (hash, key, record), each entry at the first free slot
// from its home slot upwards, wrapping to slot 0; above 256 slots the table
// points at a directory of 256-slot chunks. Entries go in in the order the
// symbols were added. The fixed symbols' records and names come from their
// prepared block, copied in whole ahead of the other records; the other
// symbols' names share a string object the program already has.
#include "image/writer.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>

#include "image/fixed_symbols.h"
#include "image/format.h"
#include "image/name_index.h"
#include "image/table_hash.h"

namespace vorn::image {

namespace {

std::string errorText(const char* fmt, auto... args) {
  char buf[512];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

// The image as it is laid out: room for the root record, then the
// segments one after another, as the file holds them; and the string pool
// that refers into them.
struct Layout {
  std::vector<uint8_t> image = std::vector<uint8_t>(kRootSize + 4, 0);
  std::vector<size_t> segStart{size_t(kRootSize)};   // where each segment begins in `image`
  std::vector<uint32_t> strings;  // vaddr of each string object, found by its text through
  NameIndex stringIndex;          // this index (the text is read back from the segment)

  // Reserves `size` zeroed bytes aligned to `align` (a power of two) and
  // returns their vaddr; `what` names the object in errors, followed by
  // `name` in quotes when there is one (the text is made only for an error).
  uint32_t place(size_t size, unsigned align, std::string_view what, std::string_view name = {}) {
    size_t off = (currentSize() + align - 1) & ~size_t(align - 1);
    if (off + size > size_t(kMaxSegmentSize)) return placeInNewSegment(size, what, name);
    image.resize(segStart.back() + off + size, 0);
    return uint32_t(segStart.size() - 1) << 16 | uint32_t(off);
  }

  // Bytes so far in the last segment, and in segment n.
  size_t currentSize() const { return image.size() - segStart.back(); }
  size_t segmentSize(size_t n) const {
    return (n + 1 < segStart.size() ? segStart[n + 1] : image.size()) - segStart[n];
  }

  // The rare case of place(): the object starts the next segment, or fits
  // in none.
  [[gnu::noinline]] uint32_t placeInNewSegment(size_t size, std::string_view what, std::string_view name) {
    auto described = [&] {
      std::string d(what);
      if (!name.empty()) d.append(" '").append(name).append("'");
      return d;
    };
    if (size > size_t(kMaxSegmentSize))
      throw ImageError(errorText("%s is too large for a segment (%zu bytes, at most %d)",
                              described().c_str(), size, kMaxSegmentSize));
    if (segStart.size() == size_t(kMaxSegments))
      throw ImageError(errorText("image needs more than %d segments (placing %s)",
                              kMaxSegments, described().c_str()));
    segStart.push_back(image.size());
    image.resize(image.size() + size, 0);
    return uint32_t(segStart.size() - 1) << 16;
  }

  uint8_t* at(uint32_t vaddr) { return image.data() + segStart[vaddr >> 16] + (vaddr & 0xFFFF); }
  const uint8_t* at(uint32_t vaddr) const {
    return image.data() + segStart[vaddr >> 16] + (vaddr & 0xFFFF);
  }

  std::string_view textAt(uint32_t vaddr) const {
    const uint8_t* p = at(vaddr);
    return {reinterpret_cast<const char*>(p + kStringHeader), be32(p)};
  }

  // The vaddr of the string object holding `s`, or 0.
  uint32_t findString(std::string_view s, uint32_t hash) const {
    auto textOf = [this](int32_t i) { return textAt(strings[size_t(i)]); };
    int32_t found = stringIndex.findHashed(s, hash, textOf);
    return found >= 0 ? strings[size_t(found)] : 0;
  }

  // Fills in a string object at p (its bytes zero so far).
  static void putString(uint8_t* p, std::string_view s) {
    putBe32(p, uint32_t(s.size()));
    putBe16(p + 4, 1);
    std::memcpy(p + kStringHeader, s.data(), s.size());
  }

  // A new string object, not shared with any other.
  uint32_t placeString(std::string_view s) {
    if (s.size() > size_t(kMaxSegmentSize - kStringHeader - 1))
      throw ImageError(errorText("string of %zu bytes is too long for a segment (at most %d)",
                              s.size(), kMaxSegmentSize - kStringHeader - 1));
    uint32_t v = place(kStringHeader + s.size() + 1, 8, "string");
    putString(at(v), s);
    return v;
  }

  uint32_t string(std::string_view s) {
    const uint32_t hash = tableHash(s.data(), s.size());
    if (uint32_t found = findString(s, hash)) return found;
    uint32_t v = placeString(s);
    stringIndex.findOrAddHashed(s, hash, int32_t(strings.size()),
                                [this](int32_t i) { return textAt(strings[size_t(i)]); });
    strings.push_back(v);
    return v;
  }

  uint32_t bytes(std::span<const uint8_t> b, unsigned align, std::string_view what) {
    uint32_t v = place(b.size(), align, what);
    if (!b.empty()) std::memcpy(at(v), b.data(), b.size());
    return v;
  }
};

constexpr int kRootGidOffsets[] = {
    root::kInitFunction, root::kMainFunction,  root::kEnd1Function,
    root::kEnd2Function, root::kExitFunction,  root::kBegin2Function,
    root::kBegin1Function, root::kBeginFileFunction, root::kEndFileFunction};

// A stamp that differs between compilations: time, process id and a count
// of writers made by this process, mixed; 0 is reserved for "none accepted
// yet" in the run-time, so it is never 0.
uint32_t defaultStamp() {
  static uint32_t made = 0;
  uint32_t s = uint32_t(std::time(nullptr)) * 2654435761u ^ uint32_t(getpid()) << 7 ^
               ++made * 0x9E3779B9u;
  return s ? s : 1;
}

}  // namespace

struct ImageWriter::Impl {
  Layout layout;
  std::map<int, FunctionImage> functions;
  std::vector<uint32_t> moduleNames;   // vaddr of each module's name, 0 = unnamed
  std::vector<uint32_t> externs;
  // A symbol as added: its record's fields, its definitions a run of
  // `symbolDefinitions`, its name's tableHash. A fixed symbol has its
  // record and name in kFixedSymbolBlock instead.
  struct Symbol {
    uint32_t nameAt, nameSize;   // the name's bytes in `symbolText`; for a fixed symbol, its index
    uint32_t hash;
    uint32_t firstDefinition;
    int16_t gid;
    uint16_t compilerBits;
    uint16_t definitionCount;
    uint8_t kind;
    bool fixed;
  };
  std::vector<Symbol> symbols;
  std::vector<SymbolDefinition> symbolDefinitions;
  std::string symbolText;  // every other symbol's name, one after another
  NameIndex symbolNames;   // positions in `symbols`, of the symbols that are not fixed
  std::array<bool, kFixedSymbolCount> fixedNameTaken{};  // by a fixed symbol or another of that name
  bool hasFixed = false;

  std::string_view nameOf(const Symbol& s) const {
    if (s.fixed) return kFixedSymbols[s.nameAt].name();
    return std::string_view(symbolText).substr(s.nameAt, s.nameSize);
  }
  // A name can be in the table once: marks a fixed name as taken.
  void takeFixedName(std::string_view name, size_t index) {
    if (fixedNameTaken[index])
      throw ImageError(errorText("symbol '%.*s' added twice", int(name.size()), name.data()));
    fixedNameTaken[index] = true;
  }
  std::map<int, int16_t> rootGids;
  int globalCount = kPredefinedCount;
  uint16_t flags = 0;
  uint32_t stamp = 0;   // none set yet: build() makes the default once
  bool hasStoredArgs = false;
  std::vector<std::string> storedArgs;
};

ImageWriter::ImageWriter() : impl_(std::make_shared<Impl>()) {}

uint32_t ImageWriter::addString(std::string_view bytes) { return impl_->layout.string(bytes); }

uint32_t ImageWriter::addBytes(std::span<const uint8_t> bytes, unsigned align) {
  if (align == 0 || align > 8 || (align & (align - 1)))
    throw ImageError(errorText("alignment %u is not 1, 2, 4 or 8", align));
  return impl_->layout.bytes(bytes, align, "data block");
}

void ImageWriter::setFunction(int gid, FunctionImage fn) {
  if (gid < gid::kFunctionFirst || gid > gid::kFunctionLast)
    throw ImageError(errorText("function gid %d is outside %d..%d", gid, gid::kFunctionFirst,
                            gid::kFunctionLast));
  if (fn.code.size() % 2)
    throw ImageError(errorText("function %d has an odd code length (%zu bytes)", gid, fn.code.size()));
  if (fn.hasNameList && fn.nameList.find('\0') != std::string::npos)
    throw ImageError(errorText("function %d has a NUL in its name list", gid));
  impl_->functions[gid] = std::move(fn);
}

int ImageWriter::addModule(std::string_view fileName) {
  if (impl_->moduleNames.size() >= size_t(kPredefinedModule))
    throw ImageError(errorText("more than %d modules", kPredefinedModule));
  impl_->moduleNames.push_back(fileName.empty() ? 0 : addString(fileName));
  return int(impl_->moduleNames.size() - 1);
}

int ImageWriter::addExtern(uint32_t word) {
  if (impl_->externs.size() > size_t(gid::kExternLast - gid::kExternFirst))
    throw ImageError(errorText("more than %d external functions",
                            gid::kExternLast - gid::kExternFirst + 1));
  impl_->externs.push_back(word);
  return int(impl_->externs.size() - 1);
}

int ImageWriter::addExternFunction(int16_t returnType, std::span<const uint8_t> paramTypes,
                                   std::string_view name) {
  constexpr size_t kMaxParams = 20, kNameAt = 28;
  if (paramTypes.size() > kMaxParams)
    throw ImageError(errorText("external function %.*s has %zu parameters (at most %zu)",
                               int(name.size()), name.data(), paramTypes.size(), kMaxParams));
  if (name.find('\0') != std::string_view::npos)
    throw ImageError("external function name contains a NUL byte");
  std::vector<uint8_t> d(kNameAt + name.size() + 1, 0);
  putBe16(d.data(), uint16_t(paramTypes.size() << 9));
  putBe16(d.data() + 2, uint16_t(returnType));
  std::copy(paramTypes.begin(), paramTypes.end(), d.begin() + 8);
  std::copy(name.begin(), name.end(), d.begin() + kNameAt);
  return addExtern(impl_->layout.bytes(d, 4, "extern descriptor"));
}

void ImageWriter::addSymbol(std::string_view name, SymbolRecord record) {
  addSymbol(name, record.kind, record.gid, record.definitions, record.compilerBits);
}

void ImageWriter::addSymbol(std::string_view name, int kind, int16_t gid,
                            std::span<const SymbolDefinition> definitions, uint16_t compilerBits) {
  addSymbolHashed(name, tableHash(name.data(), name.size()), kind, gid, definitions, compilerBits);
}

void ImageWriter::addSymbolHashed(std::string_view name, uint32_t hash, int kind, int16_t gid,
                                  std::span<const SymbolDefinition> definitions,
                                  uint16_t compilerBits) {
  if (definitions.size() > 0xFFFF)
    throw ImageError(errorText("symbol '%.*s' has too many definitions", int(name.size()),
                            name.data()));
  if (kind < 0 || kind > 15)
    throw ImageError(errorText("symbol '%.*s' has kind %d", int(name.size()), name.data(), kind));
  Impl& in = *impl_;
  auto& symbols = in.symbols;
  if (in.symbolNames.findOrAddHashed(name, hash, int32_t(symbols.size()),
                                     [&in](int32_t i) { return in.nameOf(in.symbols[size_t(i)]); }) >= 0)
    throw ImageError(errorText("symbol '%.*s' added twice", int(name.size()), name.data()));
  if (const FixedSymbol* f = findFixedSymbol(name)) in.takeFixedName(name, size_t(f - kFixedSymbols.data()));
  auto& defs = in.symbolDefinitions;
  symbols.push_back({uint32_t(in.symbolText.size()), uint32_t(name.size()), hash, uint32_t(defs.size()),
                     gid, compilerBits, uint16_t(definitions.size()), uint8_t(kind), false});
  in.symbolText.append(name);
  defs.insert(defs.end(), definitions.begin(), definitions.end());
}

void ImageWriter::addFixedSymbol(int index) {
  if (index < 0 || index >= kFixedSymbolCount)
    throw ImageError(errorText("fixed symbol %d is outside 0..%d", index, kFixedSymbolCount - 1));
  Impl& in = *impl_;
  const FixedSymbol& f = kFixedSymbols[size_t(index)];
  in.takeFixedName(f.name(), size_t(index));
  in.symbols.push_back({uint32_t(index), f.size, f.hash, 0, f.gid, 0, 1, f.kind, true});
  in.hasFixed = true;
}

void ImageWriter::reserveSymbols(size_t symbols, size_t definitions, size_t fixed) {
  Impl& in = *impl_;
  in.symbols.reserve(symbols + fixed);
  in.symbolDefinitions.reserve(definitions);
  in.symbolText.reserve(symbols * 8);
  in.symbolNames.reserve(symbols);
}

void ImageWriter::setRootGid(int offset, int gid) {
  if (std::find(std::begin(kRootGidOffsets), std::end(kRootGidOffsets), offset) ==
      std::end(kRootGidOffsets))
    throw ImageError(errorText("root record offset %d holds no function gid", offset));
  if (gid != 0 && (gid < gid::kFunctionFirst || gid > gid::kFunctionLast))
    throw ImageError(errorText("phase function gid %d is not a function gid", gid));
  impl_->rootGids[offset] = int16_t(gid);
}

void ImageWriter::setGlobalCount(int count) {
  if (count < 0 || count > gid::kGlobalLast - gid::kGlobalFirst + 1)
    throw ImageError(errorText("global count %d is outside 0..%d", count,
                            gid::kGlobalLast - gid::kGlobalFirst + 1));
  impl_->globalCount = count;
}

void ImageWriter::setFlags(uint16_t flags) { impl_->flags = flags; }

void ImageWriter::setBuildStamp(uint32_t stamp) {
  if (stamp == 0) throw ImageError("build stamp 0 is reserved");
  impl_->stamp = stamp;
}

// The list is stored as NUL-terminated texts ended by an empty one, so an
// empty argument would silently end it early (and lose the ones after it);
// such lists are refused.
void ImageWriter::setStoredArgs(std::vector<std::string> args) {
  if (args.empty()) throw ImageError("stored argument list needs at least the program path");
  for (size_t i = 0; i < args.size(); ++i) {
    if (args[i].empty())
      throw ImageError(errorText("stored argument %zu is empty; the list cannot carry it", i));
    if (args[i].find('\0') != std::string::npos)
      throw ImageError(errorText("stored argument %zu contains a NUL byte", i));
  }
  impl_->hasStoredArgs = true;
  impl_->storedArgs = std::move(args);
}

std::vector<uint8_t> ImageWriter::build() {
  // Made when first needed: a compiler that sets its own stamp spares the
  // clock and process-id calls.
  if (impl_->stamp == 0) impl_->stamp = defaultStamp();
  const Impl& in = *impl_;
  // A copy of the bytes laid out so far; the string pool stays with the
  // original, which build() only reads (no object it adds is shared later).
  Layout L{in.layout.image, in.layout.segStart, {}, {}};
  // At most what the objects below take with their alignment, so that the
  // image is written once, not copied as it grows.
  size_t toAdd = symtab::kObjectSize + 64;
  for (const auto& [gid, fn] : in.functions)
    toAdd += kFunctionHeaderSize + fn.code.size() + (fn.hasNameList ? fn.nameList.size() : 0) + 2 + 4;
  toAdd += in.externs.size() * 4 + in.moduleNames.size() * kModuleEntrySize;
  for (const std::string& a : in.storedArgs) toAdd += a.size() + 1;
  for (const Impl::Symbol& sym : in.symbols)
    if (!sym.fixed)
      toAdd += kSymbolRecordHeader + size_t(sym.definitionCount) * kSymbolDefinitionSize + 3 +
               kStringHeader + sym.nameSize + 1 + 7;
  if (in.hasFixed) toAdd += kFixedSymbolBlock.size() + 7;
  uint32_t slotCount = 8;
  while (in.symbols.size() * 4 > size_t(slotCount) * 3) slotCount *= 2;
  toAdd += slotCount * (symtab::kSlotSize + 1) + 8;  // the slots, and a directory above 256
  if (!in.functions.empty()) toAdd += size_t(in.functions.rbegin()->first - 999) * 4;
  L.image.reserve(L.image.size() + toAdd);

  // Functions: header, code, name list and its NUL together in one segment.
  std::vector<uint32_t> ftab;
  if (!in.functions.empty()) ftab.assign(size_t(in.functions.rbegin()->first - 999), 0);
  for (const auto& [offset, gid] : in.rootGids)
    if (gid != 0 && !in.functions.count(gid))
      throw ImageError(errorText("phase function %d has no code", gid));
  for (const auto& [gid, fn] : in.functions) {
    const std::string names = fn.hasNameList ? fn.nameList : std::string();
    size_t length = kFunctionHeaderSize + fn.code.size();
    size_t total = length + names.size() + 1;
    if (total > size_t(kMaxSegmentSize))
      throw ImageError(errorText("function %d is too long for a segment (%zu bytes with its "
                              "name list, at most %d)", gid, total, kMaxSegmentSize));
    // Formatted without printf, whose code a one-line program's compile
    // would otherwise page in for a text only an error shows.
    uint32_t v = L.place(total, 2, "function " + std::to_string(gid));
    uint8_t* p = L.at(v);
    putBe16(p + fnhdr::kKind, fn.kind);
    putBe16(p + fnhdr::kParamCount, fn.paramCount);
    putBe16(p + fnhdr::kLocalCount, fn.localCount);
    putBe16(p + fnhdr::kModule, fn.module);
    putBe16(p + fnhdr::kLength, uint16_t(length));
    if (!fn.code.empty()) std::memcpy(p + kFunctionHeaderSize, fn.code.data(), fn.code.size());
    std::memcpy(p + length, names.data(), names.size());
    ftab[size_t(gid - gid::kFunctionFirst)] = v;
  }

  auto wordTable = [&L](const std::vector<uint32_t>& words, const char* what) -> uint32_t {
    if (words.empty()) return 0;
    uint32_t v = L.place(words.size() * 4, 4, what);
    for (size_t i = 0; i < words.size(); ++i) putBe32(L.at(v) + 4 * i, words[i]);
    return v;
  };
  uint32_t ftabV = wordTable(ftab, "function table");
  uint32_t externV = wordTable(in.externs, "extern table");

  uint32_t modV = 0;
  if (!in.moduleNames.empty()) {
    modV = L.place(in.moduleNames.size() * kModuleEntrySize, 4, "module table");
    for (size_t i = 0; i < in.moduleNames.size(); ++i)
      putBe32(L.at(modV) + i * kModuleEntrySize, in.moduleNames[i]);
  }

  uint32_t argsV = 0;
  if (in.hasStoredArgs) {
    std::vector<uint8_t> list;
    for (const std::string& a : in.storedArgs) {
      list.insert(list.end(), a.begin(), a.end());
      list.push_back(0);
    }
    list.push_back(0);
    argsV = L.bytes(list, 2, "stored argument list");
  }

  // Symbol table: capacity is the smallest power of two >= 8 that keeps the
  // load at or below 3/4, as the run-time's tables keep it.
  uint32_t cap = 8;
  while (in.symbols.size() * 4 > size_t(cap) * 3) cap *= 2;
  std::vector<std::array<uint32_t, 3>> slots(cap, {0, 0, 0});
  auto addSlot = [&slots, cap](uint32_t hash, uint32_t keyV, uint32_t recV) {
    uint32_t i = homeSlot(hash, cap);
    while (slots[i][0] != 0) i = (i + 1) & (cap - 1);
    slots[i] = {hash, keyV, recV};
  };
  auto putRecord = [&in](uint8_t* p, const Impl::Symbol& sym) {
    putBe32(p, uint32_t(sym.kind) << 28 | uint32_t(sym.compilerBits & 0xFFF) << 16 |
                   uint32_t(sym.definitionCount));
    putBe16(p + 4, uint16_t(sym.gid));
    for (size_t i = 0; i < sym.definitionCount; ++i) {
      const SymbolDefinition& d = in.symbolDefinitions[sym.firstDefinition + i];
      uint8_t* q = p + kSymbolRecordHeader + i * kSymbolDefinitionSize;
      putBe32(q, d.info);
      putBe16(q + 4, d.line);
      putBe16(q + 6, d.flags);
      putBe32(q + 8, d.extra);
    }
  };
  auto recordSize = [](const Impl::Symbol& sym) {
    return kSymbolRecordHeader + size_t(sym.definitionCount) * kSymbolDefinitionSize;
  };
  // The fixed symbols' block, then each other symbol's record and its name
  // unless an earlier string object holds it. When they all fit in the
  // current segment they are laid out as place() and string() would lay
  // them out, with the room made once.
  std::vector<uint32_t> sharedKey(in.symbols.size());
  size_t end = L.currentSize();
  if (in.hasFixed) end = ((end + 7) & ~size_t(7)) + kFixedSymbolBlock.size();
  for (size_t k = 0; k < in.symbols.size() && end <= size_t(kMaxSegmentSize); ++k) {
    const Impl::Symbol& sym = in.symbols[k];
    if (sym.fixed) continue;
    end = ((end + 3) & ~size_t(3)) + recordSize(sym);
    sharedKey[k] = in.layout.findString(in.nameOf(sym), sym.hash);
    if (!sharedKey[k]) end = ((end + 7) & ~size_t(7)) + kStringHeader + sym.nameSize + 1;
  }
  // A fixed symbol's slot: its record and name lie in the block at vaddr `block`.
  auto addFixedSlot = [&](const Impl::Symbol& sym, uint32_t block) {
    const FixedSymbol& f = kFixedSymbols[sym.nameAt];
    addSlot(sym.hash, block + f.key, block + f.record);
  };
  if (end <= size_t(kMaxSegmentSize)) {
    const size_t base = L.segStart.back();
    const uint32_t segV = uint32_t(L.segStart.size() - 1) << 16;
    size_t off = L.currentSize();
    L.image.resize(base + end, 0);
    uint8_t* seg = L.image.data() + base;
    uint32_t blockV = 0;
    if (in.hasFixed) {
      off = (off + 7) & ~size_t(7);
      blockV = segV | uint32_t(off);
      std::memcpy(seg + off, kFixedSymbolBlock.data(), kFixedSymbolBlock.size());
      off += kFixedSymbolBlock.size();
    }
    for (size_t k = 0; k < in.symbols.size(); ++k) {
      const Impl::Symbol& sym = in.symbols[k];
      if (sym.fixed) {
        addFixedSlot(sym, blockV);
        continue;
      }
      off = (off + 3) & ~size_t(3);
      const uint32_t recV = segV | uint32_t(off);
      putRecord(seg + off, sym);
      off += recordSize(sym);
      uint32_t keyV = sharedKey[k];
      if (!keyV) {
        off = (off + 7) & ~size_t(7);
        keyV = segV | uint32_t(off);
        Layout::putString(seg + off, in.nameOf(sym));
        off += kStringHeader + sym.nameSize + 1;
      }
      addSlot(sym.hash, keyV, recV);
    }
  } else {
    const uint32_t blockV =
        in.hasFixed ? L.bytes(kFixedSymbolBlock, 8, "fixed symbol records") : 0;
    for (const Impl::Symbol& sym : in.symbols) {
      if (sym.fixed) {
        addFixedSlot(sym, blockV);
        continue;
      }
      const std::string_view name = in.nameOf(sym);
      uint32_t recV = L.place(recordSize(sym), 4, "symbol record of", name);
      putRecord(L.at(recV), sym);
      uint32_t keyV = in.layout.findString(name, sym.hash);
      addSlot(sym.hash, keyV ? keyV : L.placeString(name), recV);
    }
  }
  auto writeSlots = [&L, &slots](uint32_t first, uint32_t n) {
    uint32_t v = L.place(size_t(n) * symtab::kSlotSize, 4, "symbol table slots");
    uint8_t* p = L.at(v);
    for (uint32_t k = 0; k < n; ++k, p += symtab::kSlotSize)
      for (int w = 0; w < 3; ++w) putBe32(p + 4 * w, slots[first + k][w]);
    return v;
  };
  uint32_t slotsV;
  if (cap <= uint32_t(symtab::kChunkSlots)) {
    slotsV = writeSlots(0, cap);
  } else {
    std::vector<uint32_t> dir;
    for (uint32_t c = 0; c < cap; c += symtab::kChunkSlots) dir.push_back(writeSlots(c, symtab::kChunkSlots));
    slotsV = wordTable(dir, "symbol table directory");
  }
  uint32_t symV = L.place(symtab::kObjectSize, 4, "symbol table");
  {
    uint8_t* p = L.at(symV);
    putBe16(p + symtab::kUseCount, 1);
    p[symtab::kKind] = 1;
    p[symtab::kEntrySize] = symtab::kSlotSize;
    uint16_t exponent = 0;
    while ((1u << exponent) < cap) ++exponent;
    putBe16(p + symtab::kSizeExponent, exponent);
    putBe32(p + symtab::kCapacity, cap);
    putBe32(p + symtab::kCount, uint32_t(in.symbols.size()));
    putBe32(p + symtab::kSlots, slotsV);
  }

  // The root record, in the room left for it before the segments.
  uint8_t* r = L.image.data();
  putBe32(r + root::kMagic, kMagic);
  putBe32(r + root::kVersion, kVersion);
  putBe32(r + root::kSymbolTable, symV);
  putBe32(r + root::kModuleTable, modV);
  putBe32(r + root::kFunctionTable, ftabV);
  putBe32(r + root::kExternTable, externV);
  putBe16(r + root::kModuleCount, uint16_t(in.moduleNames.size()));
  putBe16(r + root::kFunctionCount, uint16_t(ftab.size()));
  putBe16(r + root::kExternCount, uint16_t(in.externs.size()));
  putBe16(r + root::kGlobalCount, uint16_t(in.globalCount));
  for (const auto& [offset, gid] : in.rootGids) putBe16(r + offset, uint16_t(gid));
  putBe32(r + root::kStoredArgs, argsV);
  putBe16(r + root::kFlags, in.flags);
  putBe32(r + root::kBuildStamp, in.stamp);
  putBe32(r + root::kSegmentCount, uint32_t(L.segStart.size()));
  for (size_t n = 0; n < L.segStart.size(); ++n)
    putBe16(r + root::kSegmentSizes + 2 * n, uint16_t(L.segmentSize(n)));
  return std::move(L.image);
}

namespace {

void writeAll(int fd, const uint8_t* p, size_t n, const std::string& path) {
  while (n > 0) {
    ssize_t k = ::write(fd, p, n);
    if (k < 0 && errno == EINTR) continue;
    if (k <= 0)
      throw ImageError(errorText("cannot write %s: %s", path.c_str(), std::strerror(errno)));
    p += k;
    n -= size_t(k);
  }
}

std::vector<uint8_t> readAll(const std::string& path) {
  std::FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) throw ImageError(errorText("cannot open %s: %s", path.c_str(), std::strerror(errno)));
  std::vector<uint8_t> data;
  uint8_t buf[65536];
  size_t k;
  while ((k = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + k);
  bool bad = std::ferror(f);
  std::fclose(f);
  if (bad) throw ImageError(errorText("cannot read %s", path.c_str()));
  return data;
}

// Writes `parts` straight into an existing non-regular file (a device, a
// FIFO): such a file is written, never replaced.
void writeInPlace(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts) {
  int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC);
  if (fd < 0) throw ImageError(errorText("cannot open %s: %s", path.c_str(), std::strerror(errno)));
  try {
    for (auto part : parts) writeAll(fd, part.data(), part.size(), path);
  } catch (...) {
    ::close(fd);
    throw;
  }
  if (::close(fd) != 0)
    throw ImageError(errorText("cannot write %s: %s", path.c_str(), std::strerror(errno)));
}

// Writes `parts` to `path`. A regular file (or none) is replaced atomically:
// the bytes go to a temporary file beside it, which gets `mode` and is
// renamed over it, so a failure never leaves a half-written file. Symbolic
// links are followed, so the file they name is replaced, not the link. Any
// other existing file (/dev/null, a FIFO) is written in place.
void writeReplacing(const std::string& path, std::initializer_list<std::span<const uint8_t>> parts,
                    mode_t mode) {
  struct stat st;
  std::string target = path;
  if (::stat(path.c_str(), &st) == 0) {
    if (!S_ISREG(st.st_mode)) return writeInPlace(path, parts);
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
  } else if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    // A link to a file not yet there: create that file through the link.
    int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, mode);
    if (fd < 0) throw ImageError(errorText("cannot create %s: %s", path.c_str(), std::strerror(errno)));
    ::close(fd);
    return writeReplacing(path, parts, mode);
  }
  std::string tmp = target + ".XXXXXX";
  int fd = ::mkstemp(tmp.data());
  if (fd < 0) throw ImageError(errorText("cannot create %s: %s", tmp.c_str(), std::strerror(errno)));
  try {
    for (auto part : parts) writeAll(fd, part.data(), part.size(), tmp);
    if (::fchmod(fd, mode) != 0)
      throw ImageError(errorText("cannot set the mode of %s: %s", tmp.c_str(), std::strerror(errno)));
    if (::close(fd) != 0) {
      fd = -1;
      throw ImageError(errorText("cannot write %s: %s", tmp.c_str(), std::strerror(errno)));
    }
    fd = -1;
    if (::rename(tmp.c_str(), target.c_str()) != 0)
      throw ImageError(errorText("cannot rename %s to %s: %s", tmp.c_str(), target.c_str(),
                              std::strerror(errno)));
  } catch (...) {
    if (fd >= 0) ::close(fd);
    ::unlink(tmp.c_str());
    throw;
  }
}

// Offsets of every copy of the binding marker in `exe`.
std::vector<size_t> findMarkers(std::span<const uint8_t> exe) {
  std::vector<size_t> hits;
  auto it = exe.begin();
  while ((it = std::search(it, exe.end(), std::begin(kBindMarker), std::end(kBindMarker))) !=
         exe.end()) {
    hits.push_back(size_t(it - exe.begin()));
    ++it;
  }
  return hits;
}

// Keeps the offsets that lie in a writable data section of an ELF-64 file:
// the run-time's marker is initialised data, while a read-only copy of the
// same bytes (a constant the run-time compares against) must stay intact.
std::vector<size_t> inWritableData(std::span<const uint8_t> exe, const std::vector<size_t>& hits) {
  std::vector<size_t> kept;
  if (exe.size() < sizeof(Elf64_Ehdr) || std::memcmp(exe.data(), ELFMAG, SELFMAG) != 0 ||
      exe[EI_CLASS] != ELFCLASS64)
    return kept;
  Elf64_Ehdr eh;
  std::memcpy(&eh, exe.data(), sizeof eh);
  if (eh.e_shentsize != sizeof(Elf64_Shdr) || eh.e_shoff > exe.size() ||
      size_t(eh.e_shnum) * sizeof(Elf64_Shdr) > exe.size() - eh.e_shoff)
    return kept;
  for (int s = 0; s < eh.e_shnum; ++s) {
    Elf64_Shdr sh;
    std::memcpy(&sh, exe.data() + eh.e_shoff + size_t(s) * sizeof sh, sizeof sh);
    if (sh.sh_type != SHT_PROGBITS || !(sh.sh_flags & SHF_WRITE)) continue;
    for (size_t h : hits)
      if (h >= sh.sh_offset && h - sh.sh_offset + sizeof kBindMarker <= sh.sh_size) kept.push_back(h);
  }
  return kept;
}

}  // namespace

void ImageWriter::writeFile(const std::string& path, std::span<const uint8_t> image) {
  writeReplacing(path, {image}, 0644);
}

void ImageWriter::bind(const std::string& runtime, const std::string& out,
                       std::span<const uint8_t> image, std::string_view name) {
  if (name.substr(0, 4) == "X1X2")
    throw ImageError("a bound program's name must not begin with X1X2");
  if (image.size() > 0xFFFFFFFFu) throw ImageError("image too large to bind");
  std::vector<uint8_t> exe = readAll(runtime);
  std::vector<size_t> hits = findMarkers(exe);
  if (hits.size() > 1) hits = inWritableData(exe, hits);
  if (hits.empty())
    throw ImageError(errorText("%s has no binding marker (not a stand-alone run-time?)",
                            runtime.c_str()));
  if (hits.size() > 1)
    throw ImageError(errorText("%s has %zu binding markers; cannot tell which to patch",
                            runtime.c_str(), hits.size()));
  // The name (at most 11 bytes) and NUL padding replace all 12 marker bytes.
  uint8_t* marker = exe.data() + hits[0];
  std::memset(marker, 0, sizeof kBindMarker);
  std::memcpy(marker, name.data(), std::min(name.size(), sizeof kBindMarker - 1));
  uint8_t trailer[kTrailerSize];
  putBe32(trailer, uint32_t(image.size()));
  writeReplacing(out, {exe, image, trailer}, 0755);
}

}  // namespace vorn::image

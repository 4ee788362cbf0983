// The load-time preparation pass. It runs once per loaded image, before
// anything else reads the image, and either accepts the image and turns it
// into the host's layout or refuses it (awk_validaefile then fails with the
// invalid-image message). After it the interpreter checks nothing.
//
// What is checked:
// - the root record: counts not negative, at least the predefined globals,
//   phase gids naming functions with code and no parameters;
// - tables (functions, modules, externs, symbols, their records) and the
//   stored argument list lie inside their segments;
// - every function: header and code inside its segment, functions pairwise
//   disjoint; each instruction decodes (image/decode.h: known opcode, zero
//   second and pad bytes, operands inside the function), jump targets land on an instruction of
//   the same function, local offsets name a parameter or a local the header
//   declares, gids and indexes are in their ranges, op_locals (if any) is
//   the first instruction and reserves exactly the header's locals, and
//   op_pushre/op_match0 (which only arise by rewriting) do not occur;
// - the stack: an abstract run over every path gives each instruction one
//   height of working cells, never below zero, never above the head-room
//   the interpreter relies on (kStackHeadroom), and no path runs off the
//   end;
// - string objects the image names (constants, pattern sources, symbol
//   names, module names) lie inside their segment, end with a NUL, and do
//   not overlap each other or any code or table.
// The records and names of the fixed symbols (image/fixed_symbols.h) are
// known: when the image holds their block unchanged, a slot that names one
// of them exactly is checked against the block, which is one region,
// instead of record by record and name by name (most of what a one-line
// program's check cost). Any other slot, and every slot of an image without
// the block, is checked in full.
// Anything in a segment that was not read (a short file) is left alone: it
// fails with "invalid vmid" when it is used.
//
// What is converted, in place: function headers and every operand unit to
// native order (a 32-bit operand, low unit first, then reads as one native
// word; a double operand becomes a native double), and every string object
// to the native layout. Tables and symbol records stay big-endian and are
// read through be16/be32.
#include <algorithm>
#include <array>
#include <bit>
#include <cstring>
#include <vector>

#include "image/decode.h"
#include "image/fixed_symbols.h"
#include "image/format.h"
#include "image/opcodes.h"
#include "runtime/loader.h"

using namespace vorn::image;

namespace {

constexpr int kMaxStoredArgs = 1000;
constexpr int kMaxSymtabCapacity = 1 << 20;
constexpr int kMaxDecimals = 400;    // "unlimited"

// A byte range of one segment that the pass reads or rewrites.
struct Region {
  int seg;
  int32_t start, end;   // [start, end)
  bool rewritten;       // code or a string object: converted in place
  uint32_t string;      // the vaddr of the string object it is, or 0
  uint32_t key;         // segment and start: the address order

  Region(int seg, int32_t start, int32_t end, bool rewritten, uint32_t string)
      : seg(seg), start(start), end(end), rewritten(rewritten), string(string),
        key(uint32_t(seg) << 16 | uint32_t(start)) {}
};

// The positions of `regions` in order of their keys. Keys spread the way
// an image's objects are need one counting pass into about as many buckets
// as keys, and an insertion sort that moves each little; keys that crowd
// into few buckets (only a made-up image has them) are sorted by comparison
// instead. A comparison sort of the few hundred regions every image has
// (its symbol records and names, visited in hash order) cost more than all
// the rest of the pass.
std::vector<uint32_t> orderByKey(const std::vector<Region>& regions) {
  const size_t n = regions.size();
  std::vector<uint32_t> order(n);
  uint32_t lo = ~0u, hi = 0, prev = 0;
  bool sorted = true;
  for (size_t i = 0; i < n; ++i) {
    const uint32_t k = regions[i].key;
    lo = std::min(lo, k);
    hi = std::max(hi, k);
    sorted = sorted && prev <= k;
    prev = k;
    order[i] = uint32_t(i);
  }
  if (sorted) return order;
  const size_t buckets = std::bit_floor(n);
  int shift = 0;
  while (((hi - lo) >> shift) >= buckets) ++shift;
  std::vector<uint32_t> start(buckets + 1, 0);
  for (const Region& r : regions) ++start[((r.key - lo) >> shift) + 1];
  for (size_t b = 0; b < buckets; ++b) start[b + 1] += start[b];
  for (size_t i = 0; i < n; ++i) order[start[(regions[i].key - lo) >> shift]++] = uint32_t(i);
  auto less = [&regions](uint32_t x, uint32_t y) { return regions[x].key < regions[y].key; };
  size_t moves = 0;
  for (size_t i = 1; i < n; ++i) {
    const uint32_t x = order[i];
    size_t j = i;
    for (; j > 0 && less(x, order[j - 1]); --j) order[j] = order[j - 1];
    order[j] = x;
    moves += i - j;
    if (moves > 4 * n) {
      std::sort(order.begin(), order.end(), less);
      break;
    }
  }
  return order;
}

// The fixed symbols by table hash, to place their block from a slot.
constexpr std::array<FixedSymbol, kFixedSymbolCount> kFixedByHash = [] {
  std::array<FixedSymbol, kFixedSymbolCount> a = kFixedSymbols;
  std::sort(a.begin(), a.end(), [](const FixedSymbol& x, const FixedSymbol& y) { return x.hash < y.hash; });
  return a;
}();

// The fixed symbols by where their names lie in the block (names start
// 8-aligned): 1 + the symbol's index, 0 where no name starts. A slot's
// name is placed with one look instead of a search per slot.
constexpr auto kFixedByKey = [] {
  std::array<uint8_t, kFixedSymbolBlock.size() / 8 + 1> a{};
  for (size_t i = 0; i < kFixedSymbols.size(); ++i) a[kFixedSymbols[i].key / 8] = uint8_t(i + 1);
  return a;
}();
static_assert(kFixedSymbolCount < 256);
static_assert(std::all_of(kFixedSymbols.begin(), kFixedSymbols.end(),
                          [](const FixedSymbol& f) { return f.key % 8 == 0; }));

struct Fn {
  int gid;
  uint32_t vaddr;
  unsigned char* hdr;
  int len, params, locals;
};

struct Pass {
  int globalCount = 0, functionCount = 0, externCount = 0, moduleCount = 0;
  std::vector<Region> regions;
  std::vector<uint32_t> strings;   // string objects to convert, each once (made by disjoint())
  std::vector<Fn> fns;             // functions with code in a present segment
  std::vector<uint32_t> fnTable;   // the function table, 0 where absent/unknown
  std::vector<int> fnParams;       // parameter count by gid - kFunctionFirst, -1 if unknown
  bool fnTableKnown = false;
  // The fixed symbols' block: not looked for yet, found unchanged at
  // `fixedBase`, or not there.
  enum class Block { Unknown, Found, Absent } block = Block::Unknown;
  uint32_t fixedBase = 0;
  std::array<bool, kFixedSymbolCount> fixedListed{};   // names already listed for conversion

  bool present(uint32_t v) const { return vm_room(v) > 0; }
  static int seg(uint32_t v) { return int16_t(v >> 16); }

  // Records a region of n bytes at v, which must lie in its segment.
  bool region(uint32_t v, int64_t n, bool rewritten) {
    if (n < 0 || vm_room(v) < n) return false;
    regions.emplace_back(seg(v), int32_t(v & 0xFFFF), int32_t((v & 0xFFFF) + n), rewritten, 0);
    return true;
  }

  // A string object named by the image: inside its segment, NUL-terminated.
  bool stringObject(uint32_t v) {
    if (v == 0 || !present(v)) return true;  // none, or fails when used
    int32_t room = vm_room(v);
    if (room < kStringHeader + 1) return false;
    const unsigned char* p = awk_segbase[seg(v)] + (v & 0xFFFF);
    uint32_t len = be32(p);
    if (len > uint32_t(room - kStringHeader - 1) || p[kStringHeader + len] != 0) return false;
    // A shared object is named many times; disjoint() keeps one of its
    // (identical) regions for conversion.
    int32_t start = int32_t(v & 0xFFFF);
    regions.emplace_back(seg(v), start, start + kStringHeader + int32_t(len) + 1, true, v);
    return true;
  }

  // Rewritten regions may coincide with an identical one (a shared object)
  // but overlap nothing else. The regions are visited in address order;
  // repeats of a string object, which start where it does, are passed over
  // when the objects to convert are listed.
  bool disjoint() {
    const std::vector<uint32_t> order = orderByKey(regions);
    strings.reserve(regions.size());
    size_t sameStart = 0;   // the first position of the regions starting where `a` does
    for (size_t i = 0; i < order.size(); ++i) {
      const Region& a = regions[order[i]];
      if (a.key != regions[order[sameStart]].key) sameStart = i;
      if (a.string && std::none_of(order.begin() + ptrdiff_t(sameStart), order.begin() + ptrdiff_t(i),
                                   [&](uint32_t k) { return regions[k].string == a.string; }))
        strings.push_back(a.string);
      for (size_t j = i + 1; j < order.size(); ++j) {
        const Region& b = regions[order[j]];
        if (b.seg != a.seg || b.start >= a.end) break;
        if (!a.rewritten && !b.rewritten) continue;
        bool same = a.start == b.start && a.end == b.end && a.rewritten == b.rewritten;
        if (!same) return false;
      }
    }
    return true;
  }

  bool findBlock(uint32_t hash, uint32_t key, uint32_t rec);
  bool fixedSlot(uint32_t hash, uint32_t key, uint32_t rec);

  bool root();
  void reserveRegions();
  bool functionTable();
  bool function(const Fn& f);
  bool modules();
  bool externs();
  bool symbols();
  bool storedArgs();
  void convert();
};

bool Pass::root() {
  moduleCount = int16_t(be16(rootbuf + root::kModuleCount));
  functionCount = int16_t(be16(rootbuf + root::kFunctionCount));
  externCount = int16_t(be16(rootbuf + root::kExternCount));
  globalCount = int16_t(be16(rootbuf + root::kGlobalCount));
  // Start-up and the stream layer write the predefined globals.
  return moduleCount >= 0 && functionCount >= 0 && externCount >= 0 &&
         globalCount >= kPredefinedCount && awk_segbase[0] != nullptr;
}

// Room for the regions an image of this size names, so that the list is
// not copied as it grows: two per symbol (the record and the name) beyond
// the fixed ones, which the unchanged block of an image from the compiler
// covers in one; one per function; a few tables. A count past any real
// program's is not trusted. Reserving for every symbol took pages of memory
// that a small program's check never used.
void Pass::reserveRegions() {
  size_t symbols = 0;
  uint32_t tab = be32(rootbuf + root::kSymbolTable);
  if (tab != 0 && vm_room(tab) >= symtab::kObjectSize)
    symbols = be32(awk_segbase[seg(tab)] + (tab & 0xFFFF) + symtab::kCount);
  symbols = symbols > size_t(kFixedSymbolCount) ? symbols - size_t(kFixedSymbolCount) : 0;
  regions.reserve(2 * std::min<size_t>(symbols, 4096) + size_t(std::min(functionCount, 2000)) + 64);
}

bool Pass::functionTable() {
  fnTable.assign(size_t(functionCount), 0);
  fnParams.assign(size_t(functionCount), -1);
  if (functionCount == 0) return true;
  uint32_t table = be32(rootbuf + root::kFunctionTable);
  if (!present(table)) return true;  // loading it fails with "invalid vmid"
  if (!region(table, int64_t(functionCount) * 4, false)) return false;
  fnTableKnown = true;
  const unsigned char* p = awk_segbase[seg(table)] + (table & 0xFFFF);
  for (int i = 0; i < functionCount; ++i) {
    uint32_t v = be32(p + 4 * i);
    fnTable[size_t(i)] = v;
    if (v == 0 || !present(v)) continue;
    if (vm_room(v) < kFunctionHeaderSize) return false;
    unsigned char* hdr = awk_segbase[seg(v)] + (v & 0xFFFF);
    int len = be16(hdr + fnhdr::kLength);
    if (len < kFunctionHeaderSize + 2 || len % 2 != 0 || !region(v, len, true)) return false;
    fns.push_back({gid::kFunctionFirst + i, v, hdr, len, be16(hdr + fnhdr::kParamCount),
                   be16(hdr + fnhdr::kLocalCount)});
    fnParams[size_t(i)] = fns.back().params;
  }
  // Phase functions are called with no parameter cells.
  for (int off = root::kInitFunction; off <= root::kEndFileFunction; off += 2) {
    int g = int16_t(be16(rootbuf + off));
    if (g == 0) continue;
    int i = g - gid::kFunctionFirst;
    if (i < 0 || i >= functionCount || fnTable[size_t(i)] == 0) return false;
    if (fnParams[size_t(i)] > 0) return false;
  }
  return true;
}

bool Pass::function(const Fn& f) {
  const std::span<const uint8_t> code(f.hdr, size_t(f.len));
  const int len = f.len;
  std::vector<int> at(size_t(len), -1);   // instruction index by offset
  std::vector<Instruction> insns;
  for (size_t pc = kFunctionHeaderSize; pc < size_t(len);) {
    auto ins = decodeInstruction(code, pc);
    if (!ins) return false;
    at[pc] = int(insns.size());
    insns.push_back(ins.value);
    pc += ins.value.length;
  }

  auto localOk = [&](int64_t off) {
    if (off % kCellSize != 0 || off == 0) return false;
    int64_t k = off / kCellSize;
    return k > 0 ? k <= f.params : -k <= f.locals;
  };

  // Per instruction: operand checks, stack effect and successors.
  struct InsnFlow {
    StackStep step;
    int jump = -1;           // index of the jump target
  };
  std::vector<InsnFlow> flow(insns.size());
  for (size_t n = 0; n < insns.size(); ++n) {
    const Instruction& in = insns[n];
    InsnFlow& fl = flow[n];
    fl.step = stackStep(in);
    for (const Operand& o : in.operands) {
      const uint32_t u = uint32_t(o.value);
      switch (o.kind) {
        case 'l': if (!localOk(o.value)) return false; break;
        case 'g': if (u < gid::kGlobalFirst || u >= uint32_t(gid::kGlobalFirst + globalCount)) return false; break;
        case 'v': if (u >= kSpecialCount) return false; break;
        case 's': if (u < gid::kBuiltinFirst || u > gid::kBuiltinLast) return false; break;
        case 'e': if (u < gid::kExternFirst || u >= uint32_t(gid::kExternFirst + externCount)) return false; break;
        case 'c': {
          int i = int(u) - gid::kFunctionFirst;
          if (i < 0 || i >= functionCount || fnTable[size_t(i)] == 0) return false;
          break;
        }
        case 'a':
          if (u == 0 || !stringObject(u)) return false;
          break;
        case 'd':
          if (o.value > kMaxDecimals) return false;
          break;
        case 'j':
          if (o.target < kFunctionHeaderSize || o.target >= len || at[size_t(o.target)] < 0)
            return false;
          fl.jump = at[size_t(o.target)];
          break;
        case 'r': return false;  // rewritten forms never come from a compiler
        default: break;          // b, p, h, u, w: any value
      }
    }
    const int first = in.operands.empty() ? 0 : int(in.operands[0].value);
    switch (Op(in.opcode)) {
      case Op::op_cmp: case Op::op_icmp:
        if (!cmp::valid(first)) return false;
        break;
      case Op::op_bcall:  // pop, argc
        if ((first & 0xFF) > first >> 8) return false;
        break;
      case Op::op_call: {  // nparams, nargs
        if ((first & 0xFF) > first >> 8) return false;
        // The callee addresses as many parameter cells as its header says.
        int callee = int(in.operands[1].value) - gid::kFunctionFirst;
        if (first >> 8 < fnParams[size_t(callee)]) return false;
        break;
      }
      case Op::op_locals:
        if (n != 0 || first != f.locals) return false;
        break;
      case Op::op_delete:
        if (first != 1 && first != 2) return false;
        break;
      default: break;
    }
  }
  if (f.locals > 0 && (insns.empty() || Op(insns[0].opcode) != Op::op_locals)) return false;

  // Heights of working cells: one per instruction on every path.
  std::vector<int> height(insns.size(), -1);
  std::vector<size_t> work;
  auto reach = [&](size_t i, int h) {
    if (i >= insns.size() || h < 0 || h > kStackHeadroom) return false;
    if (height[i] < 0) {
      height[i] = h;
      work.push_back(i);
      return true;
    }
    return height[i] == h;
  };
  if (insns.empty() || !reach(0, 0)) return false;
  while (!work.empty()) {
    size_t i = work.back();
    work.pop_back();
    const StackStep& st = flow[i].step;
    int h = height[i];
    if (h < st.pops) return false;
    if (st.falls && !reach(i + 1, h - st.pops + st.pushes)) return false;
    if (st.jumps && !reach(size_t(flow[i].jump), h - st.jumpPops + st.jumpPushes)) return false;
  }
  return true;
}

bool Pass::modules() {
  if (moduleCount == 0) return true;
  uint32_t table = be32(rootbuf + root::kModuleTable);
  if (!present(table)) return true;
  if (!region(table, int64_t(moduleCount) * kModuleEntrySize, false)) return false;
  const unsigned char* p = awk_segbase[seg(table)] + (table & 0xFFFF);
  for (int i = 0; i < moduleCount; ++i)
    if (!stringObject(be32(p + i * kModuleEntrySize))) return false;
  return true;
}

bool Pass::externs() {
  if (externCount == 0) return true;
  uint32_t table = be32(rootbuf + root::kExternTable);
  return !present(table) || region(table, int64_t(externCount) * 4, false);
}

// Looks for the block where the slot's record and name would put it if the
// slot is a fixed symbol's. The block is compared at most once, so a
// made-up image cannot make this cost more than one comparison per image;
// slots that only share a fixed symbol's hash (a program's own record for
// such a name) are passed over.
bool Pass::findBlock(uint32_t hash, uint32_t key, uint32_t rec) {
  auto f = std::lower_bound(kFixedByHash.begin(), kFixedByHash.end(), hash,
                            [](const FixedSymbol& x, uint32_t h) { return x.hash < h; });
  for (; f != kFixedByHash.end() && f->hash == hash; ++f) {
    const uint32_t base = rec - f->record;
    if (seg(base) != seg(rec) || (rec & 0xFFFF) < f->record || key != base + f->key) continue;
    block = Block::Absent;
    if (vm_room(base) < int32_t(kFixedSymbolBlock.size()) ||
        std::memcmp(awk_segbase[seg(base)] + (base & 0xFFFF), kFixedSymbolBlock.data(),
                    kFixedSymbolBlock.size()) != 0)
      return false;
    // Its strings are converted; no other object may overlap it.
    region(base, int64_t(kFixedSymbolBlock.size()), true);
    block = Block::Found;
    fixedBase = base;
    return true;
  }
  return false;
}

// Whether the slot names a fixed symbol's record and name in the unchanged
// block (each name is then listed for conversion once).
bool Pass::fixedSlot(uint32_t hash, uint32_t key, uint32_t rec) {
  if (block == Block::Absent) return false;
  if (block == Block::Unknown && !findBlock(hash, key, rec)) return false;
  if (seg(key) != seg(fixedBase) || key < fixedBase) return false;
  const uint32_t at = key - fixedBase;
  if (at % 8 != 0 || at / 8 >= kFixedByKey.size() || kFixedByKey[at / 8] == 0) return false;
  const size_t i = size_t(kFixedByKey[at / 8] - 1);
  const FixedSymbol* f = &kFixedSymbols[i];
  if (f->hash != hash || rec != fixedBase + f->record) return false;
  if (!fixedListed[i]) strings.push_back(key);
  fixedListed[i] = true;
  return true;
}

bool Pass::symbols() {
  uint32_t tab = be32(rootbuf + root::kSymbolTable);
  if (tab == 0 || !present(tab)) return true;
  if (!region(tab, symtab::kObjectSize, false)) return false;
  const unsigned char* t = awk_segbase[seg(tab)] + (tab & 0xFFFF);
  int32_t capacity = int32_t(be32(t + symtab::kCapacity));
  if (capacity <= 0 || capacity > kMaxSymtabCapacity || t[symtab::kEntrySize] != symtab::kSlotSize)
    return false;
  uint32_t slots = be32(t + symtab::kSlots);
  // The slot arrays: one, or a directory of 256-slot chunks.
  std::vector<uint32_t> chunks;
  if (capacity <= symtab::kChunkSlots) {
    chunks.push_back(slots);
  } else {
    if (capacity % symtab::kChunkSlots != 0) return false;
    int nchunks = capacity / symtab::kChunkSlots;
    if (!present(slots)) return true;
    if (!region(slots, int64_t(nchunks) * 4, false)) return false;
    const unsigned char* dir = awk_segbase[seg(slots)] + (slots & 0xFFFF);
    for (int c = 0; c < nchunks; ++c) chunks.push_back(be32(dir + 4 * c));
  }
  int perChunk = std::min<int32_t>(capacity, symtab::kChunkSlots);
  for (uint32_t chunk : chunks) {
    if (!present(chunk)) continue;
    if (!region(chunk, int64_t(perChunk) * symtab::kSlotSize, false)) return false;
    const unsigned char* s = awk_segbase[seg(chunk)] + (chunk & 0xFFFF);
    for (int i = 0; i < perChunk; ++i, s += symtab::kSlotSize) {
      if (be32(s) == 0) continue;
      uint32_t key = be32(s + 4), rec = be32(s + 8);
      if (fixedSlot(be32(s), key, rec)) continue;
      if (key == 0 || !stringObject(key)) return false;
      if (rec == 0) return false;
      if (!present(rec)) continue;
      const unsigned char* r = awk_segbase[seg(rec)] + (rec & 0xFFFF);
      if (vm_room(rec) < kSymbolRecordHeader) return false;
      int ndefs = be16(r + 2);
      int kind = r[0] >> 4;
      // Builtin records are read at offsets 8 to 13 whatever their count.
      int need = std::max(ndefs, kind == symkind::kBuiltin ? 1 : 0);
      if (!region(rec, kSymbolRecordHeader + int64_t(need) * kSymbolDefinitionSize, false))
        return false;
    }
  }
  return true;
}

bool Pass::storedArgs() {
  uint32_t v = be32(rootbuf + root::kStoredArgs);
  if (v == 0 || !present(v)) return true;
  const unsigned char* p = awk_segbase[seg(v)] + (v & 0xFFFF);
  int32_t room = vm_room(v);
  int count = 0;
  for (int32_t i = 0; i < room; ++count) {
    if (count > kMaxStoredArgs) return false;
    const void* nul = std::memchr(p + i, 0, size_t(room - i));
    if (!nul) return false;
    int32_t end = int32_t(static_cast<const unsigned char*>(nul) - p);
    if (end == i) return region(v, end + 1, false);
    i = end + 1;
  }
  return false;
}

inline void swap16(unsigned char* p) { std::swap(p[0], p[1]); }

void Pass::convert() {
  std::vector<const unsigned char*> done;
  for (const Fn& f : fns) {
    if (std::find(done.begin(), done.end(), f.hdr) != done.end()) continue;
    done.push_back(f.hdr);
    unsigned char* code = f.hdr;
    for (int i = 0; i < kFunctionHeaderSize; i += 2) swap16(code + i);
    for (int pc = kFunctionHeaderSize; pc < f.len;) {
      const OpInfo& info = kOpInfo[code[pc] / 2];
      int at = pc + 2;
      for (const char* k = info.operands; *k; ++k) {
        unsigned char* p = code + at;
        switch (*k) {
          case 'b': case 'p': break;
          case 'd':
            std::reverse(p, p + 8);
            swap16(p + 8);
            break;
          default:
            for (int u = 0; u < operandUnits(*k); ++u) swap16(p + 2 * u);
        }
        at += 2 * operandUnits(*k);
      }
      pc += 2 * info.units;
    }
  }
  for (uint32_t v : strings) {
    unsigned char* p = awk_segbase[seg(v)] + (v & 0xFFFF);
    std::reverse(p, p + 4);
    swap16(p + 4);
  }
}

}  // namespace

bool awk_prepareimage() {
  Pass pass;
  if (!pass.root()) return false;
  pass.reserveRegions();
  if (!pass.functionTable()) return false;
  for (const Fn& f : pass.fns)
    if (!pass.function(f)) return false;
  if (!pass.modules() || !pass.externs() || !pass.symbols() || !pass.storedArgs()) return false;
  if (!pass.disjoint()) return false;
  pass.convert();
  return true;
}

// The image reader: every access goes through bytesAt(), which checks that
// the virtual address names a present segment and that the requested bytes
// lie inside it. Counts read from the image (functions, modules, slots,
// definitions) only ever bound loops over such checked accesses, so a
// corrupt count yields an error, not a wild read or a huge allocation.
#include "image/reader.h"

#include <cstdio>
#include <cstring>

#include "image/table_hash.h"

namespace vorn::image {

namespace {

std::string text(const char* fmt, auto... args) {
  char buf[256];
  std::snprintf(buf, sizeof buf, fmt, args...);
  return buf;
}

template <class T>
Read<T> ok(T v) {
  Read<T> r;
  r.value = std::move(v);
  return r;
}

}  // namespace

Read<bool> ImageReader::open(std::span<const uint8_t> image) {
  image_ = image;
  root_ = RootInfo{};
  segments_.clear();
  notes_.clear();
  if (image.size() < size_t(kRootSize))
    return Read<bool>::fail(text("image too short for a root record (%zu bytes, need %d)",
                                 image.size(), kRootSize));
  const uint8_t* r = image.data();
  RootInfo& t = root_;
  t.magic = be32(r + root::kMagic);
  t.version = be32(r + root::kVersion);
  t.symbolTable = be32(r + root::kSymbolTable);
  t.moduleTable = be32(r + root::kModuleTable);
  t.functionTable = be32(r + root::kFunctionTable);
  t.externTable = be32(r + root::kExternTable);
  t.moduleCount = int16_t(be16(r + root::kModuleCount));
  t.functionCount = int16_t(be16(r + root::kFunctionCount));
  t.externCount = int16_t(be16(r + root::kExternCount));
  t.globalCount = int16_t(be16(r + root::kGlobalCount));
  t.initFunction = int16_t(be16(r + root::kInitFunction));
  t.mainFunction = int16_t(be16(r + root::kMainFunction));
  t.end1Function = int16_t(be16(r + root::kEnd1Function));
  t.end2Function = int16_t(be16(r + root::kEnd2Function));
  t.exitFunction = int16_t(be16(r + root::kExitFunction));
  t.begin2Function = int16_t(be16(r + root::kBegin2Function));
  t.begin1Function = int16_t(be16(r + root::kBegin1Function));
  t.beginFileFunction = int16_t(be16(r + root::kBeginFileFunction));
  t.endFileFunction = int16_t(be16(r + root::kEndFileFunction));
  t.storedArgs = be32(r + root::kStoredArgs);
  t.flags = be16(r + root::kFlags);
  t.buildStamp = be32(r + root::kBuildStamp);
  t.segmentCount = be32(r + root::kSegmentCount);
  for (int n = 0; n < kMaxSegments; ++n)
    t.segmentSizes[size_t(n)] = int16_t(be16(r + root::kSegmentSizes + 2 * n));
  if (t.magic != kMagic) return Read<bool>::fail(text("bad magic 0x%08X", t.magic));
  if (t.version != kVersion) return Read<bool>::fail(text("bad version 0x%08X", t.version));
  if (t.segmentCount > uint32_t(kMaxSegments))
    return Read<bool>::fail(text("segment count %u exceeds %d", t.segmentCount, kMaxSegments));

  size_t pos = kRootSize;
  bool cut = false;
  for (uint32_t n = 0; n < t.segmentCount; ++n) {
    int size = t.segmentSizes[n];
    if (size < 0) return Read<bool>::fail(text("segment %u has negative size %d", n, size));
    if (cut || size == 0) {
      segments_.emplace_back();
      continue;
    }
    if (image.size() - pos < size_t(size)) {
      if (n == 0)
        return Read<bool>::fail(text("segment 0 needs %d bytes, %zu remain", size,
                                     image.size() - pos));
      notes_.push_back(text("segment %u needs %d bytes, %zu remain: it and later segments are "
                            "absent", n, size, image.size() - pos));
      cut = true;
      segments_.emplace_back();
      continue;
    }
    segments_.push_back(image.subspan(pos, size_t(size)));
    pos += size_t(size);
  }
  if (!cut && pos < image.size())
    notes_.push_back(text("%zu bytes follow the last segment", image.size() - pos));
  return ok(true);
}

Read<std::span<const uint8_t>> ImageReader::imageOfExecutable(std::span<const uint8_t> file) {
  using R = Read<std::span<const uint8_t>>;
  if (file.size() < size_t(kTrailerSize)) return R::fail("file too short for a trailer");
  uint32_t len = be32(file.data() + file.size() - kTrailerSize);
  if (len > file.size() - kTrailerSize)
    return R::fail(text("trailer says %u image bytes, the file holds %zu", len,
                        file.size() - kTrailerSize));
  return ok(file.subspan(file.size() - kTrailerSize - len, len));
}

std::span<const uint8_t> ImageReader::segment(int n) const {
  if (n < 0 || size_t(n) >= segments_.size()) return {};
  return segments_[size_t(n)];
}

Read<std::span<const uint8_t>> ImageReader::restOfSegment(uint32_t vaddr) const {
  using R = Read<std::span<const uint8_t>>;
  uint32_t seg = vaddr >> 16, off = vaddr & 0xFFFF;
  std::span<const uint8_t> s = segment(int(seg));
  if (s.empty()) return R::fail(text("address 0x%08X: segment %u is absent", vaddr, seg));
  if (off > s.size())
    return R::fail(text("address 0x%08X: offset past the end of segment %u (%zu bytes)", vaddr,
                        seg, s.size()));
  return ok(s.subspan(off));
}

Read<std::span<const uint8_t>> ImageReader::bytesAt(uint32_t vaddr, size_t len) const {
  using R = Read<std::span<const uint8_t>>;
  auto rest = restOfSegment(vaddr);
  if (!rest) return rest;
  if (rest.value.size() < len)
    return R::fail(text("address 0x%08X: %zu bytes run past the end of segment %u", vaddr, len,
                        vaddr >> 16));
  return ok(rest.value.first(len));
}

Read<uint16_t> ImageReader::u16At(uint32_t vaddr) const {
  auto b = bytesAt(vaddr, 2);
  if (!b) return Read<uint16_t>::fail(b.error);
  return ok(be16(b.value.data()));
}

Read<uint32_t> ImageReader::u32At(uint32_t vaddr) const {
  auto b = bytesAt(vaddr, 4);
  if (!b) return Read<uint32_t>::fail(b.error);
  return ok(be32(b.value.data()));
}

Read<std::string> ImageReader::stringAt(uint32_t vaddr) const {
  using R = Read<std::string>;
  if (vaddr == 0) return R::fail("string at address 0");
  auto rest = restOfSegment(vaddr);
  if (!rest) return R::fail(rest.error);
  if (rest.value.size() < size_t(kStringHeader))
    return R::fail(text("string at 0x%08X: header runs past its segment", vaddr));
  uint32_t len = be32(rest.value.data());
  if (len > rest.value.size() - kStringHeader || rest.value.size() - kStringHeader - len < 1)
    return R::fail(text("string at 0x%08X: %u bytes run past its segment", vaddr, len));
  const uint8_t* p = rest.value.data() + kStringHeader;
  if (p[len] != 0) return R::fail(text("string at 0x%08X: no NUL after its %u bytes", vaddr, len));
  return ok(std::string(reinterpret_cast<const char*>(p), len));
}

Read<std::string> ImageReader::cstringAt(uint32_t vaddr) const {
  auto rest = restOfSegment(vaddr);
  if (!rest) return Read<std::string>::fail(rest.error);
  const void* nul = std::memchr(rest.value.data(), 0, rest.value.size());
  if (!nul) return Read<std::string>::fail(text("text at 0x%08X has no NUL in its segment", vaddr));
  return ok(std::string(reinterpret_cast<const char*>(rest.value.data()),
                        size_t(static_cast<const uint8_t*>(nul) - rest.value.data())));
}

Read<std::vector<uint32_t>> ImageReader::functionTable() const {
  using R = Read<std::vector<uint32_t>>;
  if (root_.functionCount < 0)
    return R::fail(text("negative function count %d", root_.functionCount));
  if (root_.functionCount == 0) return ok(std::vector<uint32_t>{});
  auto b = bytesAt(root_.functionTable, size_t(root_.functionCount) * 4);
  if (!b) return R::fail("function table: " + b.error);
  std::vector<uint32_t> t(size_t(root_.functionCount));
  for (size_t i = 0; i < t.size(); ++i) t[i] = be32(b.value.data() + 4 * i);
  return ok(std::move(t));
}

Read<FunctionView> ImageReader::functionAt(uint32_t vaddr) const {
  using R = Read<FunctionView>;
  auto hdr = bytesAt(vaddr, kFunctionHeaderSize);
  if (!hdr) return R::fail("function header: " + hdr.error);
  FunctionView f;
  f.vaddr = vaddr;
  const uint8_t* p = hdr.value.data();
  f.kind = be16(p + fnhdr::kKind);
  f.paramCount = be16(p + fnhdr::kParamCount);
  f.localCount = be16(p + fnhdr::kLocalCount);
  f.module = be16(p + fnhdr::kModule);
  f.length = be16(p + fnhdr::kLength);
  if (f.length < kFunctionHeaderSize)
    return R::fail(text("function at 0x%08X: length %u is shorter than its header", vaddr,
                        f.length));
  auto all = bytesAt(vaddr, f.length);
  if (!all) return R::fail("function body: " + all.error);
  f.bytes = all.value;
  auto names = cstringAt(vaddr + f.length);
  if (names) {
    f.nameList = names.value;
    f.nameListTerminated = true;
  }
  return ok(std::move(f));
}

Read<FunctionView> ImageReader::function(int gid) const {
  auto t = functionTable();
  if (!t) return Read<FunctionView>::fail(t.error);
  if (gid < gid::kFunctionFirst || size_t(gid - gid::kFunctionFirst) >= t.value.size())
    return Read<FunctionView>::fail(text("gid %d is not in the function table", gid));
  uint32_t v = t.value[size_t(gid - gid::kFunctionFirst)];
  if (v == 0) return Read<FunctionView>::fail(text("function %d has no code", gid));
  return functionAt(v);
}

Read<std::vector<ModuleEntry>> ImageReader::modules() const {
  using R = Read<std::vector<ModuleEntry>>;
  if (root_.moduleCount < 0) return R::fail(text("negative module count %d", root_.moduleCount));
  std::vector<ModuleEntry> mods;
  if (root_.moduleCount == 0) return ok(std::move(mods));
  auto b = bytesAt(root_.moduleTable, size_t(root_.moduleCount) * kModuleEntrySize);
  if (!b) return R::fail("module table: " + b.error);
  for (int i = 0; i < root_.moduleCount; ++i) {
    const uint8_t* p = b.value.data() + i * kModuleEntrySize;
    ModuleEntry m;
    m.nameVaddr = be32(p);
    for (int w = 0; w < 4; ++w) m.compilerWords[size_t(w)] = be32(p + 4 + 4 * w);
    if (m.nameVaddr != 0) {
      auto s = stringAt(m.nameVaddr);
      if (!s) return R::fail(text("module %d name: ", i) + s.error);
      m.name = s.value;
    }
    mods.push_back(std::move(m));
  }
  return ok(std::move(mods));
}

Read<std::vector<uint32_t>> ImageReader::externTable() const {
  using R = Read<std::vector<uint32_t>>;
  if (root_.externCount < 0) return R::fail(text("negative extern count %d", root_.externCount));
  if (root_.externCount == 0) return ok(std::vector<uint32_t>{});
  auto b = bytesAt(root_.externTable, size_t(root_.externCount) * 4);
  if (!b) return R::fail("extern table: " + b.error);
  std::vector<uint32_t> t(size_t(root_.externCount));
  for (size_t i = 0; i < t.size(); ++i) t[i] = be32(b.value.data() + 4 * i);
  return ok(std::move(t));
}

Read<ExternView> ImageReader::externAt(uint32_t vaddr) const {
  using R = Read<ExternView>;
  auto b = bytesAt(vaddr, 28);
  if (!b) return R::fail("extern descriptor: " + b.error);
  ExternView e;
  e.vaddr = vaddr;
  const uint8_t* p = b.value.data();
  e.word0 = be16(p);
  e.returnType = int16_t(be16(p + 2));
  e.address = be32(p + 4);
  std::memcpy(e.paramTypes.data(), p + 8, 20);
  auto name = cstringAt(vaddr + 28);
  if (!name) return R::fail("extern descriptor name: " + name.error);
  e.name = name.value;
  return ok(std::move(e));
}

Read<std::vector<std::string>> ImageReader::storedArgs() const {
  using R = Read<std::vector<std::string>>;
  std::vector<std::string> args;
  if (root_.storedArgs == 0) return ok(std::move(args));
  auto rest = restOfSegment(root_.storedArgs);
  if (!rest) return R::fail("stored argument list: " + rest.error);
  std::span<const uint8_t> s = rest.value;
  for (;;) {
    const void* nul = std::memchr(s.data(), 0, s.size());
    if (!nul) return R::fail("stored argument list runs past its segment");
    size_t n = size_t(static_cast<const uint8_t*>(nul) - s.data());
    if (n == 0) break;
    args.emplace_back(reinterpret_cast<const char*>(s.data()), n);
    s = s.subspan(n + 1);
  }
  return ok(std::move(args));
}

Read<SymbolTableView> ImageReader::tableHeader() const {
  using R = Read<SymbolTableView>;
  auto b = bytesAt(root_.symbolTable, symtab::kObjectSize);
  if (!b) return R::fail("symbol table: " + b.error);
  const uint8_t* p = b.value.data();
  SymbolTableView t;
  t.useCount = be16(p + symtab::kUseCount);
  t.kind = p[symtab::kKind];
  t.entrySize = p[symtab::kEntrySize];
  t.signalFlag = p[symtab::kSignalFlag];
  t.sizeExponent = be16(p + symtab::kSizeExponent);
  t.capacity = int32_t(be32(p + symtab::kCapacity));
  t.count = int32_t(be32(p + symtab::kCount));
  t.slotsVaddr = be32(p + symtab::kSlots);
  if (t.entrySize != symtab::kSlotSize)
    return R::fail(text("symbol table: entry size %u, expected %d", t.entrySize, symtab::kSlotSize));
  if (t.capacity <= 0) return R::fail(text("symbol table: capacity %d", t.capacity));
  // The slot array (or the directory) must fit its segment; this also bounds
  // every loop over the slots.
  if (t.capacity <= symtab::kChunkSlots) {
    auto slots = bytesAt(t.slotsVaddr, size_t(t.capacity) * symtab::kSlotSize);
    if (!slots) return R::fail("symbol table slots: " + slots.error);
  } else {
    if (t.capacity % symtab::kChunkSlots)
      return R::fail(text("symbol table: capacity %d is not a multiple of %d", t.capacity,
                          symtab::kChunkSlots));
    auto dir = bytesAt(t.slotsVaddr, size_t(t.capacity / symtab::kChunkSlots) * 4);
    if (!dir) return R::fail("symbol table directory: " + dir.error);
  }
  return ok(std::move(t));
}

Read<SymbolTableView> ImageReader::symbolTable() const {
  using R = Read<SymbolTableView>;
  auto t = tableHeader();
  if (!t) return t;
  for (uint32_t i = 0; i < uint32_t(t.value.capacity); ++i) {
    auto slot = slotAt(t.value, i);
    if (!slot) return R::fail(slot.error);
    if (slot.value[0] == 0) continue;
    SymbolSlot s{i, slot.value[0], slot.value[1], slot.value[2], {}};
    auto key = stringAt(s.keyVaddr);
    if (!key) return R::fail(text("symbol slot %u key: ", i) + key.error);
    s.key = key.value;
    t.value.used.push_back(std::move(s));
  }
  return t;
}

Read<std::array<uint32_t, 3>> ImageReader::slotAt(const SymbolTableView& t, uint32_t i) const {
  using R = Read<std::array<uint32_t, 3>>;
  uint32_t base = t.slotsVaddr, k = i;
  if (t.capacity > symtab::kChunkSlots) {
    auto chunk = u32At(t.slotsVaddr + i / symtab::kChunkSlots * 4);
    if (!chunk) return R::fail("symbol table directory: " + chunk.error);
    base = chunk.value;
    k = i % symtab::kChunkSlots;
  }
  // Offsets are added within the segment; a sum that would carry into the
  // segment number is past the segment.
  uint32_t off = (base & 0xFFFF) + k * symtab::kSlotSize;
  if (off > 0xFFFF) return R::fail(text("symbol slot %u lies past its segment", i));
  auto b = bytesAt((base & 0xFFFF0000u) | off, symtab::kSlotSize);
  if (!b) return R::fail(text("symbol slot %u: ", i) + b.error);
  return ok(std::array<uint32_t, 3>{be32(b.value.data()), be32(b.value.data() + 4),
                                    be32(b.value.data() + 8)});
}

Read<SymbolRecordView> ImageReader::symbolRecord(uint32_t vaddr) const {
  using R = Read<SymbolRecordView>;
  auto hdr = bytesAt(vaddr, kSymbolRecordHeader);
  if (!hdr) return R::fail("symbol record: " + hdr.error);
  SymbolRecordView rec;
  rec.vaddr = vaddr;
  rec.word0 = be32(hdr.value.data());
  rec.gid = int16_t(be16(hdr.value.data() + 4));
  size_t n = size_t(rec.definitionCount());
  auto defs = bytesAt(vaddr, kSymbolRecordHeader + n * kSymbolDefinitionSize);
  if (!defs) return R::fail(text("symbol record with %zu definitions: ", n) + defs.error);
  for (size_t i = 0; i < n; ++i) {
    const uint8_t* p = defs.value.data() + kSymbolRecordHeader + i * kSymbolDefinitionSize;
    rec.definitions.push_back({be32(p), be16(p + 4), be16(p + 6), be32(p + 8)});
  }
  return ok(std::move(rec));
}

Read<uint32_t> ImageReader::lookup(std::string_view name) const {
  using R = Read<uint32_t>;
  auto th = tableHeader();
  if (!th) return R::fail(th.error);
  const SymbolTableView& t = th.value;
  uint32_t cap = uint32_t(t.capacity);
  uint32_t h = tableHash(name.data(), name.size());
  uint32_t i = homeSlot(h, cap);
  for (uint32_t probes = 0; probes < cap; ++probes, i = (i + 1) % cap) {
    auto slot = slotAt(t, i);
    if (!slot) return R::fail(slot.error);
    if (slot.value[0] == 0) return ok(uint32_t(0));
    if (slot.value[0] != h) continue;
    auto key = stringAt(slot.value[1]);
    if (!key) return R::fail(text("symbol slot %u key: ", i) + key.error);
    if (key.value == name) return ok(slot.value[2]);
  }
  return ok(uint32_t(0));  // a full table without the name
}

}  // namespace vorn::image

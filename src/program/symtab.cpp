// The symbol table's native side table, name lookups (plain and
// module-qualified), and the module file names used in messages. Reading
// and assigning variables by gid or name is io/vars.cpp, which reaches the
// special variables' handlers.
#include "program/symtab.h"

#include <strings.h>

#include <cstring>

#include "image/format.h"
#include "image/table_hash.h"
#include "program/vm.h"
#include "diag/oops.h"
#include "values/alloc.h"

using namespace vorn::image;

Cell* awk_globvars = nullptr;
int32_t awk_ngvars = 0;
namespace {
AwkSymtab* nativeTable = nullptr;
bool symtabPending = false;   // the loaded image's table is not built yet

void buildSymtab() {
  symtabPending = false;
  uint32_t tab = rootU32(root::kSymbolTable);
  if (tab == 0) return;
  const unsigned char* t = vm_v2pcode(tab);
  int32_t capacity = int32_t(be32(t + symtab::kCapacity));
  // Published at once: a bad address below ends the run, and whoever
  // resets the loader must still find (and free) the table.
  auto* st = static_cast<AwkSymtab*>(spacec(sizeof(AwkSymtab)));
  nativeTable = st;
  st->slots = static_cast<AwkSymSlot*>(spacec(capacity * int32_t(sizeof(AwkSymSlot))));
  st->count = int32_t(be32(t + symtab::kCount));
  uint32_t slots = be32(t + symtab::kSlots);
  const unsigned char* dir = capacity > symtab::kChunkSlots ? vm_v2pcode(slots) : nullptr;
  for (int32_t c = 0; c * symtab::kChunkSlots < capacity; ++c) {
    const unsigned char* chunk = vm_v2pcode(dir ? be32(dir + 4 * c) : slots);
    int n = capacity - c * symtab::kChunkSlots;
    if (n > symtab::kChunkSlots) n = symtab::kChunkSlots;
    for (int i = 0; i < n; ++i) {
      const unsigned char* s = chunk + i * symtab::kSlotSize;
      AwkSymSlot& slot = st->slots[c * symtab::kChunkSlots + i];
      slot.hash = be32(s);
      if (slot.hash == 0) continue;
      slot.key = reinterpret_cast<AwkString*>(vm_v2pcode(be32(s + 4)));
      slot.record = be32(s + 8);
    }
  }
  st->capacity = capacity;  // lookups see the table only once it is complete
}
}  // namespace

void awk_symtab_reset() {
  symtabPending = false;
  if (!nativeTable) return;
  spfree(nativeTable->slots);
  spfree(nativeTable);
  nativeTable = nullptr;
}

void awk_vtransfer() {
  awk_symtab_reset();
  symtabPending = true;
}

const AwkSymtab* awk_symbols() {
  if (symtabPending) buildSymtab();
  return nativeTable;
}

uint32_t awk_getr(const AwkSymtab* t, std::string_view name) {
  if (!t || t->capacity <= 0) return 0;
  uint32_t h = tableHash(name.data(), name.size());
  uint32_t cap = uint32_t(t->capacity);
  uint32_t i = homeSlot(h, cap);
  for (uint32_t probes = 0; probes < cap; ++probes) {
    const AwkSymSlot& s = t->slots[i];
    if (s.hash == 0) return 0;
    if (s.hash == h && s.key->view() == name) return s.record;
    if (++i == cap) i = 0;
  }
  return 0;
}

AwkSymRecord awk_symrecord(uint32_t vaddr) {
  const unsigned char* p = vm_v2pcode(vaddr);
  return {p[0] >> 4, int16_t(be16(p + 4)), be16(p + 2), p};
}

AwkSymDef awk_symdef(const AwkSymRecord& r, int i) {
  const unsigned char* d = r.base + kSymbolRecordHeader + i * kSymbolDefinitionSize;
  uint32_t info = be32(d);
  return {int(info >> 28), int(info >> 16 & 0x1FF), int(info & 0xFFFF), be16(d + 4), be16(d + 6)};
}

uint16_t awk_symword(const AwkSymRecord& r, int offset) { return be16(r.base + offset); }

// ---- names ----------------------------------------------------------------------

int awk_gname2gid(std::string_view name, uint32_t* record) {
  size_t colon = name.find(':');
  if (colon == std::string_view::npos) {
    uint32_t r = awk_getr(awk_symbols(), name);
    if (r == 0) return 0;
    AwkSymRecord rec = awk_symrecord(r);
    if (rec.kind == symkind::kSkipped) return 0;
    if (record) *record = r;
    return rec.gid;
  }
  uint32_t r = awk_getr(awk_symbols(), name.substr(colon + 1));
  if (r == 0) return 0;
  int modno = awk_filename2modno(name.substr(0, colon));
  if (modno < 0) return 0;
  AwkSymRecord rec = awk_symrecord(r);
  if (rec.kind >= symkind::kSkipped && rec.kind <= symkind::kBuiltin) return 0;
  for (int i = 0; i < rec.ndefs; ++i) {
    AwkSymDef d = awk_symdef(rec, i);
    if (d.module != modno) continue;
    if (d.kind == defkind::kFunction || d.kind == defkind::kModuleFunction ||
        d.kind == defkind::kGlobal || d.kind == defkind::kModuleVariable ||
        (d.kind == defkind::kModuleVariable2 && d.gid != 0)) {
      if (record) *record = r;
      return d.gid;
    }
  }
  return 0;
}


// ---- modules ----------------------------------------------------------------------

namespace {
// The name object of module n, or null.
const AwkString* moduleName(int n) {
  if (n < 0 || n >= awk_nmodules) return nullptr;
  uint32_t v = be32(vm_v2pcode(awk_modtab + uint32_t(n) * kModuleEntrySize));
  if (v == 0) return nullptr;
  return reinterpret_cast<const AwkString*>(vm_v2pcode(v));
}
}  // namespace

AwkString* awk_gid2filename(int gid) {
  int i = gid - gid::kFunctionFirst;
  if (i < 0 || i >= awk_nfuncs || !awk_funaddrs[i]) return nullptr;
  const AwkString* s = moduleName(fnModule(awk_funaddrs[i]));
  return s ? stringNew1(s->text(), s->len) : nullptr;
}

void awk_modno2filename(char* buf, int bufsize, int n) {
  buf[0] = 0;
  const AwkString* s = moduleName(n);
  if (!s || bufsize <= 0) return;
  size_t len = s->len < size_t(bufsize - 1) ? s->len : size_t(bufsize - 1);
  std::memcpy(buf, s->text(), len);
  buf[len] = 0;
}

char* awk_basename(char* buf, int bufsize, const char* path) {
  const char* start = path;
  for (const char* p = path; *p; ++p)
    if (*p == '/' || *p == '\\') start = p + 1;
  size_t len = std::strcspn(start, ".");
  if (bufsize <= 0) return buf;
  if (len > size_t(bufsize - 1)) len = size_t(bufsize - 1);
  std::memcpy(buf, start, len);
  buf[len] = 0;
  return buf;
}

int awk_filename2modno(std::string_view name) {
  char file[512], base[512];
  for (int n = 0; n < awk_nmodules; ++n) {
    awk_modno2filename(file, sizeof file, n);
    if (!file[0]) continue;
    awk_basename(base, sizeof base, file);
    if (std::strlen(base) == name.size() && strncasecmp(base, name.data(), name.size()) == 0)
      return n;
  }
  return -1;
}

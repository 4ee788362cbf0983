// addressof, and the memory that peek and poke may touch because the
// program was handed its address.
//
// A string handed out by addressof stays granted while anything but the
// grant itself still holds it: the grant keeps one reference, so the bytes
// cannot be freed and reused under a later poke, and grants whose string
// has no other holder are withdrawn whenever another string is granted.
//
// An address an external function returned opens the bytes from there to
// the end of the memory mapping that holds it, at most kExternWindow bytes,
// writable only if the mapping is. The run-time cannot know how large the
// object is; the mapping bounds keep a peek from faulting. Only the newest
// kMaxExternGrants such blocks stay granted.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <deque>
#include <vector>

#include "host/memgrant.h"
#include "host/extern.h"
#include "diag/oops.h"

namespace {

constexpr uint64_t kExternWindow = 64 * 1024;
constexpr size_t kMaxExternGrants = 256;

std::vector<AwkString*> heldStrings;
std::deque<const void*> externBlocks;

// The mapping that holds p: its end and whether it is writable. False when
// p lies in no readable mapping.
bool mappingOf(uintptr_t p, uintptr_t* end, bool* writable) {
  FILE* maps = std::fopen("/proc/self/maps", "r");
  if (!maps) return false;
  char line[512];
  bool found = false;
  while (!found && std::fgets(line, sizeof line, maps)) {
    unsigned long lo, hi;
    char perms[5];
    if (std::sscanf(line, "%lx-%lx %4s", &lo, &hi, perms) != 3) continue;
    if (p < lo || p >= hi || perms[0] != 'r') continue;
    *end = hi;
    *writable = perms[1] == 'w';
    found = true;
  }
  std::fclose(maps);
  return found;
}

}  // namespace

void awk_grantstring(AwkString* s) {
  for (size_t i = 0; i < heldStrings.size();) {
    AwkString* h = heldStrings[i];
    if (h == s) return;
    if (h->ref == 1) {
      awk_memrevoke(h->text());
      stringFree(h);
      heldStrings[i] = heldStrings.back();
      heldStrings.pop_back();
    } else {
      ++i;
    }
  }
  heldStrings.push_back(stringDup(s));
  awk_memgrant(s->text(), uint64_t(s->len) + 1);  // with the NUL
}

void awk_grantextern(const void* p) {
  const uintptr_t a = reinterpret_cast<uintptr_t>(p);
  if (!p || awk_memgranted(a)) return;
  uintptr_t end;
  bool writable;
  if (!mappingOf(a, &end, &writable)) return;
  if (externBlocks.size() == kMaxExternGrants) {
    awk_memrevoke(externBlocks.front());
    externBlocks.pop_front();
  }
  awk_memgrant(p, std::min<uint64_t>(end - a, kExternWindow), writable);
  externBlocks.push_back(p);
}

void b_addressof(int argc, Cell* args) {
  if (argc < 1) awk_assert2(0x9103);
  const Cell* c = &args[0];
  if (c->tag != Tag::String && c->tag != Tag::Field) {
    awk_oopsinvarg("addressof");
    return;
  }
  awk_grantstring(c->w.s);
  cellSetHead(awk_retval, Tag::Address);
  awk_retval->w.s = stringDup(c->w.s);
}

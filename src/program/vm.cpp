#include "program/vm.h"

#include "diag/oops.h"

using namespace vorn::image;

unsigned char rootbuf[kRootSize];
unsigned char* awk_segbase[kMaxSegments];
int32_t awk_segsize[kMaxSegments];
unsigned char** awk_funaddrs = nullptr;
int32_t awk_nfuncs = 0;
uint32_t* awk_externtab = nullptr;
int32_t awk_nexterns = 0;
uint32_t awk_modtab = 0;
int32_t awk_nmodules = 0;
uint32_t awk_vargs = 0;
uint32_t awk_buildstamp = 0;
int awk_vm_debug = 0;
uint32_t* awk_funvaddrs = nullptr;

unsigned char* vm_v2pcode(uint32_t vaddr) {
  int seg = int16_t(vaddr >> 16);
  uint32_t off = vaddr & 0xFFFF;
  if (seg < 0 || seg >= kMaxSegments || !awk_segbase[seg] || off >= uint32_t(awk_segsize[seg]))
    oops('i', "invalid vmid: %d", seg);
  return awk_segbase[seg] + off;
}

unsigned char* awk_funaddr(int gid) {
  int i = gid - gid::kFunctionFirst;
  if (i < 0 || i >= awk_nfuncs) awk_assert2(0x1101);
  if (awk_funaddrs[i]) return awk_funaddrs[i];
  if (awk_funvaddrs[i] == 0) awk_assert2(0x1102);
  return vm_v2pcode(awk_funvaddrs[i]);  // its segment is absent: "invalid vmid"
}


std::string_view awk_funnames(int gid) {
  int i = gid - gid::kFunctionFirst;
  if (i < 0 || i >= awk_nfuncs || !awk_funaddrs[i]) return {};
  const unsigned char* hdr = awk_funaddrs[i];
  const int32_t room = vm_room(awk_funvaddrs[i]);
  const int len = fnLength(hdr);
  if (len >= room) return {};
  const char* names = reinterpret_cast<const char*>(hdr) + len;
  const void* nul = std::memchr(names, 0, size_t(room - len));
  if (!nul) return {};   // a list running off its segment is no list
  return {names, size_t(static_cast<const char*>(nul) - names)};
}

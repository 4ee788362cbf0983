// The block allocator: power-of-two buckets with an 8-byte header.
//
// Bucket b holds blocks of 8 << b bytes below the 4096-byte page size and of
// (8 << b) + 4096 bytes from the page bucket (9) upward. An allocated block's
// header starts with the mark 0xEF and the bucket index; a free block's
// header holds the link to the next free block of its bucket, which wipes the
// mark, so a second free of the same block is recognised and ignored. Blocks
// are never coalesced and memory is never given back: freed blocks only
// return to their bucket's list. Small buckets are refilled a piece of at
// most a 4096-byte page at a time (smallPiece), large ones one block at a
// time, all cut from a reserve that is topped up 128 KiB beyond each
// request so that few system calls are made.
// The memory itself comes from anonymous mappings (the C library owns the
// program break).
#include "values/alloc.h"

#include <sys/mman.h>

#include <bit>
#include <cstdint>
#include <cstring>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

#include "diag/oops.h"

int32_t awk_malloccount = 0;

namespace {
// MALLOCS is assignable: the count wraps instead of overflowing.
inline void countBlocks(int d) {
  awk_malloccount = int32_t(uint32_t(awk_malloccount) + uint32_t(d));
}

constexpr uint32_t kPageSize = kAllocPageSize;
constexpr int kPageBucket = 9;
constexpr int kBuckets = 30;
constexpr uint32_t kReserveExtra = 131072;
constexpr unsigned char kMark = kAllocMark;

struct FreeBlock {
  FreeBlock* next;
};

FreeBlock* g_buckets[kBuckets];
char* g_reserve = nullptr;
uint32_t g_reserveLeft = 0;

// Fresh memory from the system: the stand-in for extending the data segment.
// It is carved from large anonymous mappings (address space only until a
// page is touched). Past the first 2 MiB of each mapping the kernel may back
// it with huge pages, so that big arrays, whose lookups land on random
// pages, take few TLB misses and page faults, while a small program keeps
// small pages. Requests too large for a mapping get one of their own.
// Under the leak checker every mapping is registered as a root, so that
// heap blocks of the C library referred to only from our blocks (compiled
// automata, stdio buffers) count as reachable.
constexpr size_t kArenaBytes = size_t(64) << 20;
constexpr size_t kHugeBytes = size_t(2) << 20;
char* g_arena = nullptr;
size_t g_arenaLeft = 0;

char* mapRegion(size_t bytes) {
  void* p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (p == MAP_FAILED) return nullptr;
#if defined(__SANITIZE_ADDRESS__)
  __lsan_register_root_region(p, bytes);
#endif
  return static_cast<char*>(p);
}

char* morecore(size_t bytes) {
  bytes = (bytes + kPageSize - 1) & ~size_t(kPageSize - 1);
  if (bytes > kArenaBytes / 4) return mapRegion(bytes);
  if (bytes > g_arenaLeft) {
    char* region = mapRegion(kArenaBytes + kHugeBytes);
    if (!region) return mapRegion(bytes);
    // Start on a huge-page boundary; the slack before it stays unused.
    const uintptr_t at = reinterpret_cast<uintptr_t>(region);
    char* aligned = region + ((kHugeBytes - at % kHugeBytes) % kHugeBytes);
    madvise(aligned + kHugeBytes, kArenaBytes - kHugeBytes, MADV_HUGEPAGE);
    g_arena = aligned;
    g_arenaLeft = kArenaBytes;
  }
  char* p = g_arena;
  g_arena += bytes;
  g_arenaLeft -= bytes;
  return p;
}

// A piece of `bytes` for a refill, cut from the reserve when it fits.
char* takePiece(uint32_t bytes) {
  if (g_reserveLeft == 0) {
    // Whole pages, all of them used: morecore hands out whole pages, and
    // a reserve that ended short of its last page would lose the rest of it
    // at every top-up (pieces smaller than a page leave such ends).
    const size_t size = (size_t(bytes) + kReserveExtra + kPageSize - 1) & ~size_t(kPageSize - 1);
    if (size > UINT32_MAX) return morecore(bytes);
    char* fresh = morecore(size);
    if (!fresh) return nullptr;
    g_reserve = fresh;
    g_reserveLeft = uint32_t(size);
  }
  if (bytes <= g_reserveLeft) {
    char* piece = g_reserve;
    g_reserve += bytes;
    g_reserveLeft -= bytes;
    return piece;
  }
  return morecore(bytes);  // the reserve keeps its remainder for later pieces
}

// The piece a small bucket is refilled with: a page for blocks of 512
// bytes and more, eight blocks (at least 512 bytes) below that, so that
// the few blocks of each size a short program needs share pages instead
// of touching one page per size.
uint32_t smallPiece(uint32_t blockSize) {
  return blockSize >= 512 ? kPageSize : blockSize * 8 < 512 ? 512 : blockSize * 8;
}

void refill(int bucket) {
  int32_t s = int32_t(uint32_t(1) << (bucket + 3));
  if (s <= 0) return;
  uint32_t blockSize = uint32_t(s) < kPageSize ? uint32_t(s) : uint32_t(s) + kPageSize;
  uint32_t pieceSize = uint32_t(s) < kPageSize ? smallPiece(uint32_t(s)) : blockSize;
  char* piece = takePiece(pieceSize);
  if (!piece) return;
  uint32_t n = pieceSize / blockSize;
  for (uint32_t i = 0; i < n; ++i) {
    auto* b = reinterpret_cast<FreeBlock*>(piece + size_t(i) * blockSize);
    b->next = i + 1 < n ? reinterpret_cast<FreeBlock*>(piece + size_t(i + 1) * blockSize) : nullptr;
  }
  g_buckets[bucket] = reinterpret_cast<FreeBlock*>(piece);
}

// Smallest bucket whose blocks hold n user bytes, or -1 when none can.
int bucketFor(uint32_t n) {
  if (n <= kPageSize - 8) {
    int b = int(std::bit_width(n + 7)) - 3;  // 8 << b >= n + 8
    return b < 1 ? 1 : b;
  }
  uint64_t need = uint64_t(n) - (kPageSize - 8);  // 8 << b >= need
  int b = int(std::bit_width(need - 1)) - 3;
  if (b < kPageBucket) b = kPageBucket;
  return b < kBuckets ? b : -1;
}

}  // namespace

void* bsdmalloc(uint32_t n) {
  int b = bucketFor(n);
  if (b < 0) return nullptr;
  if (!g_buckets[b]) {
    refill(b);
    if (!g_buckets[b]) return nullptr;
  }
  FreeBlock* blk = g_buckets[b];
  g_buckets[b] = blk->next;
  unsigned char* h = reinterpret_cast<unsigned char*>(blk);
  std::memset(h, 0, 8);
  h[0] = kMark;
  h[1] = uint8_t(b);
  return h + 8;
}

void bsdfree(void* p) {
  if (!p) return;
  unsigned char* h = static_cast<unsigned char*>(p) - 8;
  if (h[0] != kMark) return;
  int b = h[1];
  auto* blk = reinterpret_cast<FreeBlock*>(h);
  blk->next = g_buckets[b];
  g_buckets[b] = blk;
}

void* bsdrealloc(void* p, uint32_t n) {
  if (!p) return bsdmalloc(n);
  int i = static_cast<unsigned char*>(p)[-7];
  uint32_t onb = awk_bucketsize(i);
  uint32_t below = i > 0 ? awk_bucketsize(i - 1) : 0;
  if (n <= onb && n > below) return p;
  bsdfree(p);
  // The old bytes are intact after the free: only the header was rewritten.
  void* q = bsdmalloc(n);
  if (!q) return nullptr;
  if (q != p) std::memmove(q, p, n < onb ? n : onb);
  return q;
}

void* space(int32_t size) {
  if (size == 0) size = 1;
  void* p = size < 0 ? nullptr : bsdmalloc(uint32_t(size));
  if (!p) awk_oom(1);
  countBlocks(1);
  return p;
}

void* spacec(int32_t size) {
  void* p = space(size);
  std::memset(p, 0, size_t(size > 0 ? size : 1));
  return p;
}

void* respace(void* block, int32_t size) {
  void* p = size < 0 ? nullptr : bsdrealloc(block, uint32_t(size));
  if (!p) awk_oom(2);
  if (!block) countBlocks(1);
  return p;
}

void* sppool(uint32_t bytes) {
  char* p = takePiece(bytes);
  if (!p) awk_oom(1);
  return p;
}

void spfree(void* block) {
  if (!block || static_cast<unsigned char*>(block)[-8] != kMark) return;
  bsdfree(block);
  countBlocks(-1);
}

// The block allocator's wrappers. They never return null: running out of
// memory is the fatal diagnostic "out of memory (%d)".
#pragma once
#include <cstdint>

void* space(int32_t size);                 // size 0 is taken as 1
void* spacec(int32_t size);                // zero-filled
void* respace(void* block, int32_t size);  // null block: fresh allocation
void spfree(void* block);                  // null or foreign blocks are ignored

extern int32_t awk_malloccount;            // live blocks (MALLOCS)

// Fresh zero-filled memory of `bytes` (a multiple of 8) without a block
// header, never given back: for pools of equal-sized blocks that keep their
// own free list, where a header would push each block into a bucket of
// nearly twice its size. spfree ignores such memory.
void* sppool(uint32_t bytes);

// The allocator proper; only the wrappers above call these.
void* bsdmalloc(uint32_t size);
void bsdfree(void* block);
void* bsdrealloc(void* block, uint32_t size);

inline constexpr uint32_t kAllocPageSize = 4096;
inline constexpr unsigned char kAllocMark = 0xEF;   // first header byte of a block

// Bucket of an allocated block (for tests and _refcnt-like inspection).
// Inline: a record's string asks on every read whether it can be reused.
inline int awk_blockbucket(const void* block) {
  const unsigned char* h = static_cast<const unsigned char*>(block) - 8;
  return h[0] == kAllocMark ? h[1] : -1;
}
// Usable bytes of a block of bucket b.
inline uint32_t awk_bucketsize(int bucket) {
  uint32_t s = uint32_t(8) << bucket;
  return s < kAllocPageSize ? s - 8 : s + kAllocPageSize - 8;
}

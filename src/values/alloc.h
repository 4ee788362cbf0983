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

// Bucket of an allocated block (for tests and _refcnt-like inspection).
int awk_blockbucket(const void* block);
// Usable bytes of a block of bucket b.
uint32_t awk_bucketsize(int bucket);

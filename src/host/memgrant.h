// Address grants for peek and poke: only memory the program was handed
// (an `address` value's bytes, a block returned by an external library)
// may be read or written byte-wise. The layers that hand out addresses
// register the block and withdraw it when it goes away. A block granted
// read-only may be peeked but not poked.
#pragma once
#include <cstdint>

void awk_memgrant(const void* base, uint64_t len, bool writable = true);
void awk_memrevoke(const void* base);
bool awk_memgranted(uint64_t addr, bool write = false);

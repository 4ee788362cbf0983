// Storage of the 256-entry blocks and 256-word index blocks of big arrays.
#pragma once
#include "arrays/table.h"

// A block of kBlockSlots entries, uninitialized (entries are written in
// full when handed out). Entry blocks are exactly kBlockSlots * 40 bytes
// without an allocator header (with one they would take a 12 KiB bucket
// each: a fifth of a big array's memory); freed blocks are kept for the
// next one. They count in MALLOCS like any other block.
AwkSlot* sp_newblock();
void sp_freeblock(AwkSlot* block);  // null is ignored
// A zeroed block of kBlockSlots index words, kept the same way.
uint32_t* sp_newindex();
void sp_freeindex(uint32_t* block);  // null is ignored

// Storage of the 256-slot blocks of a table's directory.
#pragma once
#include "arrays/table.h"

// A zeroed block of kBlockSlots slots. Directory blocks are exactly
// kBlockSlots * 40 bytes without an allocator header (with one they would
// take a 12 KiB bucket each: a fifth of a big array's memory); freed blocks
// are kept for the next directory block. They count in MALLOCS like any
// other block.
AwkSlot* sp_newblock();
void sp_freeblock(AwkSlot* block);  // null is ignored

// Reading memory at an address the program supplied (an address an
// external library returned, a pointer inside a packed record) without
// trusting it: every byte is fetched by the kernel on our behalf, so an
// address that cannot be read gives a short count instead of a fault.
#pragma once
#include <cstddef>
#include <cstdint>

#include "values/strobj.h"

// Copies up to max bytes from addr into dst, stopping before the first byte
// that cannot be read. Returns the bytes copied (0 for a null or unmapped
// address).
size_t awk_memread(uintptr_t addr, void* dst, size_t max);

// The NUL-terminated text at addr as a new string (at most limit bytes; a
// text that runs into unreadable memory ends there). Null when not even the
// first byte can be read.
AwkString* awk_memstring(uintptr_t addr, uint32_t limit);

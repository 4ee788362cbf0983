// Output statements: print, printf and their redirected forms write through
// one small layer (awk_put_init, awk_putout, awk_put_end) that selects the
// stream, writes bytes and applies the flush and error-report policy.
#pragma once
#include <cstddef>
#include <cstdint>

#include "values/cell.h"
#include "io/stream.h"

// Builtin slots 1-4. Results: none (awk_retval left uninitialized).
void b_print(int argc, Cell* args);      // items...
void b_printf(int argc, Cell* args);     // format, values...
void b___fprint(int argc, Cell* args);   // destination, kind, items...
void b___fprintf(int argc, Cell* args);  // destination, kind, format, values...

// Starts an output statement on r: 1 when output can proceed, 0 when r is
// null or has no stdio stream (the statement then writes nothing).
int awk_put_init(AwkStream* r);
// Writes a counted string to the current stream; returns the bytes not
// written (0 on success).
int32_t awk_putout(const AwkString* s);
int32_t awk_putoutn(const char* bytes, size_t len);
// Ends the statement: flush policy, and with check set the once-per-stream
// broken-pipe report.
void awk_put_end(int check);

// The stream that unredirected output goes to (the `stdout` variable's), or
// null after reporting that it cannot be had.
AwkStream* awk_stdoutsf();

// The record reader: cuts the bytes of an input stream into records at the
// record separator, walks the ARGV operands for the main input, and keeps
// NR, FNR, FILENAME and RSM.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "values/strobj.h"

struct AwkStream;
struct AwkPattern;

// What the reader needs from the layers above it: the begin-file and
// end-file rules, command-line assignments among the operands, the signal
// poll of an interrupted read. Start-up fills them; an empty hook is
// skipped.
struct AwkReaderHooks {
  void (*beginFile)();
  void (*endFile)();
  void (*assign)(const char* text);
  void (*pollSignals)(int abortOnly);
};
extern AwkReaderHooks awk_readerhooks;

// The one record buffer shared by every read. The bytes between len and
// start are the separator text of the last record read into it.
struct AwkRecBuf {
  int32_t cap;    // bytes allocated; grows, never shrinks
  int32_t len;    // end of the record text
  int32_t start;  // where the next byte goes; after a record, just past its separator
  char* ptr;
};
extern AwkRecBuf awk_recbuf;

// Separator state, set by the RS handler.
inline constexpr int kRsParagraph = -1;  // RS is the empty string
inline constexpr int kRsNone = -2;       // RS assigned a number or nothing
inline constexpr int kRsPattern = -3;    // awk_rspat separates records
extern int awk_rschar;                   // 0..255, or one of the above
extern AwkPattern* awk_rspat;            // owned; null unless kRsPattern

// Bits of awk_readrec's opts.
inline constexpr int kReadInPlace = 1;   // the record may stay in the stdio buffer
inline constexpr int kReadPattern = 2;   // feed every byte to the separator pattern

// Grows the record buffer to at least size bytes (never shrinks it).
void awk_lstrexp2(int32_t size);

// What the caller of next_record does with the record: keeps it as a
// value; stores it as $0 before anything else runs (the old $0's object
// may then be reused); or drops it (only the counts and RSM matter, and
// the record is returned as the empty string).
enum class RecordUse { Value, Dollar0, Drop };

// The next record of stream (null: the main input) as a new string, or
// null at the end of the input (main input: after the last operand).
AwkString* next_record(AwkStream* stream, RecordUse use = RecordUse::Value);

// Passes over the main input's records, already in its stdio buffer, that
// cannot match `filter` (plain texts: see awk_literalat), or over all of
// them when `filter` is null, counting them in NR and FNR as if read: for
// a main rule that does nothing with a record its pattern does not match,
// or a program without one. Does nothing where a record read would do
// more than count (RSM used, a separator pattern, a terminal).
void skip_records(AwkPattern* filter);

// Reader core: appends bytes of stream to the record buffer at start,
// setting len and start. sep is a byte value, or -1/-2 for none. Returns
// the record's first byte (the buffer, or with kReadInPlace possibly the
// stdio buffer), or null when nothing at all was consumed.
const char* awk_readrec(AwkStream* stream, int sep, int32_t maxlen, int opts);

// Opens the next main-input file into awk_datasf: 1 if one is open, 0 when
// the operands are exhausted.
int awk_nextfile();

// Forgets the main-input walk (the pending wildcard, the read-standard-
// input-once and in-file flags), for a run that starts over.
void awk_recreset();

// Regular expressions: the pattern compiler, the matcher and the pattern
// builtins. One compilation and one match run at a time; the results of a
// match must be read (awk_erepatpos, awk_ereparenpos) before the next one.
#pragma once
#include <cstdint>

#include "values/cell.h"
#include "regex/pattern.h"
#include "values/strobj.h"

// ---- Compiler -------------------------------------------------------------

// Compiles `len` bytes of `text` (not NUL-terminated). Returns the pattern
// with use count 1, or null after an error (see awk_ereerr).
AwkPattern* awk_regcomp(const char* text, int32_t len, int flags);
// awk_regcomp, and unless flag 4 keeps a string copy of the text as source.
AwkPattern* awk_erencomp(void* ignored, const char* text, int32_t len, int flags);
// Diagnostic of the last compilation ("e:..." or "w:..."), or null.
const char* awk_ereerr();
void awk_eredup(AwkPattern* p);
void awk_ererelease(AwkPattern* p);       // frees at use count 0 or below
int awk_ereflags(const AwkPattern* p);    // 0 for null
// Compiles a string object; reports a diagnostic as "in %s: %s" with `what`
// unless `quiet` (then any diagnostic, warnings included, yields null).
AwkPattern* awk_str1ere(AwkString* s, const char* what, int flags, int quiet);

// ---- Matcher --------------------------------------------------------------

// Searches subject[start..len) for the leftmost (by default longest) match;
// `^` holds only at `anchorpos`. Returns 0 for no match, else match end + 1.
int32_t awk_erematch(AwkPattern* p, const char* subject, int32_t len, int32_t start,
                     int32_t anchorpos, int flags);
// awk_erematch(p, subject, len, 0, 0, flags) != 0, for callers that read
// no position afterwards (a pattern used as a condition): a plain text is
// looked for without the matcher's set-up, and then what awk_erepatpos and
// awk_ereparenpos report is unspecified.
bool awk_rematches(AwkPattern* p, const char* subject, int32_t len, int flags);
// Where the plain text that p (used as a condition, as awk_rematches with
// no flags) stands for, or the first of the plain texts of an alternation
// of them, first occurs in subject[0..len): -1 when nowhere, -2 when p is
// not known to be such a pattern (not one, or not yet analysed by a first
// search). Lets a reader pass over text that cannot match.
int32_t awk_literalat(AwkPattern* p, const char* subject, int32_t len);
// For a pattern whose matches are exactly the runs of one or more bytes of
// one set ([^a-z0-9]+, [ \t]+), once a first search has analysed it: the
// set, 256 flags by byte value. Null for any other pattern, and for one
// compiled to fold case. Lets a splitter cut at such runs itself.
const bool* awk_rerunset(AwkPattern* p);
// Start and exclusive end of the last match; returns 0 if there was none.
int awk_erepatpos(int32_t* start, int32_t* end);
// Group n (1-based) of the last match; returns 0 unless groups were tracked,
// 1 <= n <= group count and a match was found, else the group count. A group
// that took no part gives -1, -1; one that opened but never closed, end -1.
int awk_ereparenpos(int n, int32_t* start, int32_t* end);
// Byte-by-byte matching for the record reader.
void awk_eresetup(AwkPattern* p, int flags);
// Feeds `byte` (0-255) at `position`, or -1 at end of input. Non-zero when
// a match is complete.
int awk_erestep(int byte, int32_t position);

// ---- Pattern builtins -----------------------------------------------------

// Pattern of a string, field or regular_expression cell; any other type is
// the error "regular expression required for %s".
AwkPattern* awk_getere(Cell* c, const char* what, int flags);
// Pattern for a string through the four-entry cache; valid only until the
// next cache miss.
AwkPattern* awk_str2ere(AwkString* s, int flags);
// Compiles the pattern constant at image virtual address `vaddr`.
AwkPattern* awka_erecomp(uint32_t vaddr, int flags);
// `~`: true if the subject cell's string matches anywhere.
int awk_tilde(Cell* pattern, Cell* subject);

void b_match(int argc, Cell* args);
void b_sub(int argc, Cell* args);
void b_gsub(int argc, Cell* args);
void b_subs(int argc, Cell* args);
void b_gsubs(int argc, Cell* args);
void b_regex(int argc, Cell* args);

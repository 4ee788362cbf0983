/* A small shared library for the extern test cases: what the C library
 * cannot show. Short and float pointer parameters, results wider than the
 * declared type (all bits set), value-cell and string-object parameters, a
 * name exported only with a leading underscore, many mixed arguments,
 * callbacks called several times or after they were freed, and an int
 * array for qsort. */
#include <stdint.h>
#include <stdlib.h>

typedef long (*callback)(long, long, long, long);

short twice_short(short* p) { *p = (short)(*p * 2); return *p; }
float half_float(float* p) { *p = *p / 2; return *p; }

/* Declared in AWK with several narrower result types. */
unsigned long all_ones(void) { return ~0UL; }
long minus_big(void) { return -5000000000L; }

int char_code(int c) { return c; }

/* A value cell begins with its 16-bit tag; a string object with its length. */
int cell_tag(const uint16_t* cell) { return cell[0]; }
unsigned string_length(const uint32_t* s) { return s[0]; }
const void* same_string(const void* s) { return s; }

int _only_underscore(int x) { return 3 * x; }

/* Ten ints and ten doubles, interleaved: more than the argument registers. */
double sum20(int a1, double b1, int a2, double b2, int a3, double b3, int a4, double b4, int a5,
             double b5, int a6, double b6, int a7, double b7, int a8, double b8, int a9,
             double b9, int a10, double b10) {
  return a1 + a2 + a3 + a4 + a5 + a6 + a7 + a8 + a9 + a10 +
         b1 + b2 + b3 + b4 + b5 + b6 + b7 + b8 + b9 + b10;
}

/* Calls cb(i, -i, i << 40, &i) for i = 1..n and sums the results. */
long call_each(callback cb, int n) {
  long sum = 0;
  for (int i = 1; i <= n; ++i) sum += cb(i, -i, (long)i << 40, (long)(intptr_t)&i);
  return sum;
}

static callback kept;
void keep_callback(callback cb) { kept = cb; }
long call_kept(int x) { return kept(x, 0, 0, 0); }

/* Parses the integers of text into buf (room for n); returns the count. */
int ints_parse(int* buf, int n, const char* text) {
  int count = 0;
  char* end;
  while (count < n) {
    long v = strtol(text, &end, 10);
    if (end == text) break;
    buf[count++] = (int)v;
    text = end;
  }
  return count;
}

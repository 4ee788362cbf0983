// sub, gsub, subs and gsubs: replace the first or every match of a pattern
// (or occurrence of a plain text) in a target string.
//
// The result is assembled in one pass: each search runs over the original
// string from the position that corresponds to the scan position of the
// string being built (the matcher never looks behind its start, so this is
// the same search), and the text between matches is copied once. `^`
// therefore holds only at the start of the original target, even when an
// earlier replacement was empty. An empty match right where a non-empty one
// ended is skipped, and the byte after an empty match is copied unchanged,
// so inserted text is never searched again and every step advances.
#include <cstring>
#include <string>

#include "io/refs.h"
#include "io/fields.h"
#include "regex/regex.h"
#include "diag/oops.h"
#include "values/convert.h"
#include "values/strobj.h"

namespace {

constexpr int64_t kMaxResult = kStringLimit;
constexpr size_t kKeptBuffer = size_t(1) << 20;

const char* subname;   // builtin now running, for messages

struct Replacement {
  const char* text;
  int32_t len;
  int mode;
  int amps, dollars;   // counted by the pre-scan
  int ngroups;
};

// Appends the replacement for the match [ms, me) of `subj` to out.
void expand(std::string& out, const Replacement& r, const char* subj, int32_t ms, int32_t me) {
  if (r.mode != 1) {
    for (int32_t j = 0; j < r.len; j++) {
      char b = r.text[j];
      if (b == '&') out.append(subj + ms, size_t(me - ms));
      else if (b == '\\' && j + 1 < r.len) out += r.text[++j];
      else out += b;
    }
    return;
  }
  int k = 0;   // backslashes directly before the current byte
  for (int32_t j = 0; j < r.len; j++) {
    char b = r.text[j];
    if (b == '\\') {
      out += b;
      k++;
      continue;
    }
    bool dollar = b == '$' && r.dollars && j + 1 < r.len && r.text[j + 1] >= '0' &&
                  r.text[j + 1] <= '9';
    if (b != '&' && !dollar) {
      out += b;
      k = 0;
      continue;
    }
    out.resize(out.size() - size_t((k + 1) / 2));
    bool escaped = k & 1;
    k = 0;
    if (escaped) {
      out += b;
      continue;
    }
    if (b == '&') {
      out.append(subj + ms, size_t(me - ms));
      continue;
    }
    int n = r.text[++j] - '0';
    if (n == 0) {
      out.append(subj + ms, size_t(me - ms));
    } else if (n <= r.ngroups) {
      int32_t gs, ge;
      if (awk_ereparenpos(n, &gs, &ge) && gs >= 0 && ge >= gs) out.append(subj + gs, size_t(ge - gs));
    } else {
      oops('N', "%s replacement string contains invalid $%d ", subname, n);
      out += '$';
      out += r.text[j];
    }
  }
}

// First occurrence of needle in hay at or after `from`; -1 if none.
int32_t findText(const AwkString* hay, int32_t from, const AwkString* needle) {
  if (from > int32_t(hay->len)) return -1;
  if (needle->len == 0) return from;
  const char* h = hay->text();
  const char* end = h + hay->len;
  for (const char* q = h + from; size_t(end - q) >= needle->len; q++) {
    q = static_cast<const char*>(memchr(q, needle->text()[0], size_t(end - q)));
    if (!q || size_t(end - q) < needle->len) return -1;
    if (memcmp(q, needle->text(), needle->len) == 0) return int32_t(q - h);
  }
  return -1;
}

// The worker behind the four builtins; leaves the count in the result cell.
void substitute(int argc, Cell* args, bool global, bool plain, const char* name) {
  subname = name;
  int mode = argc >= 4 ? awk_a2l(&args[3]) : 1;
  AwkPattern* p = nullptr;
  AwkString* needle = nullptr;
  if (plain) {
    needle = awk_a2s(&args[0]);
  } else {
    p = awk_getere(&args[0], name, 132);
    if (!p) {
      cellSetInt(awk_retval, 0);
      return;
    }
  }
  AwkString* repl = awk_a2s(&args[1]);
  AwkString* cur = argc >= 3 ? awk_getrefs(&args[2]) : awk_get0();

  Replacement r{repl->text(), int32_t(repl->len), mode, 0, 0, p ? p->ngroups : 0};
  if (mode != 0) {
    for (int32_t j = 0; j < r.len; j++) {
      if (r.text[j] == '&') r.amps++;
      else if (r.text[j] == '$' && mode == 1 && p && p->ngroups > 0) r.dollars++;
    }
  }
  int mflags = r.dollars ? kReGroups : 0;
  // Copies kept out of r: the loop reads them at every match, and reading
  // them back from r right after the call that may change memory was a
  // store-forwarding stall per match.
  const int64_t inserts = r.amps + r.dollars;   // places the matched text may appear

  const char* subj = cur->text();
  int32_t n = int32_t(cur->len);
  // The result is built in one buffer kept from call to call, so a call
  // allocates only the string it stores; a buffer grown past kKeptBuffer is
  // given back afterwards.
  static std::string& out = *new std::string();
  out.clear();
  int32_t copied = 0;     // bytes of cur already accounted for in out
  int32_t from = 0;       // search position in cur
  bool prevEmpty = true;
  int32_t count = 0;
  for (;;) {
    int32_t ms, me;
    if (p) {
      if (!awk_erematch(p, subj, n, from, 0, mflags)) break;
      awk_erepatpos(&ms, &me);
      if (ms == me && ms == from && !prevEmpty) {
        if (ms >= n) break;
        from++;
        prevEmpty = true;
        continue;
      }
    } else {
      ms = findText(cur, from, needle);
      if (ms < 0) break;
      me = ms + int32_t(needle->len);
    }
    int64_t bound = int64_t(out.size()) + (ms - copied) + r.len +
                    int64_t(me - ms) * inserts + (n - me);
    if (bound > kMaxResult) {
      oops('W', "%s result string too long", name);
      break;
    }
    count++;
    out.append(subj + copied, size_t(ms - copied));
    if (inserts) expand(out, r, subj, ms, me);
    else out.append(r.text, size_t(r.len));
    copied = me;
    from = me;
    if (me >= n || !global) break;
    prevEmpty = ms == me;
    if (prevEmpty) from++;
  }
  // The target is stored only when something was replaced: storing an
  // unchanged field would still rebuild $0 (losing its spacing), and an
  // unchanged number would turn into a string.
  if (count) {
    out.append(subj + copied, size_t(n - copied));
    Cell v;
    cellSetString(&v, stringNew1(out.data(), uint32_t(out.size())));
    if (argc >= 3) awk_setref(&args[2], &v);
    else awk_setfield(0, &v);
  }
  if (out.capacity() > kKeptBuffer) std::string().swap(out);
  stringFree(cur);
  stringFree(repl);
  if (needle) stringFree(needle);
  cellSetInt(awk_retval, count);
}

}  // namespace

void b_sub(int argc, Cell* args) { substitute(argc, args, false, false, "sub"); }
void b_gsub(int argc, Cell* args) { substitute(argc, args, true, false, "gsub"); }
void b_subs(int argc, Cell* args) { substitute(argc, args, false, true, "subs"); }
void b_gsubs(int argc, Cell* args) { substitute(argc, args, true, true, "gsubs"); }

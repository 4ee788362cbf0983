// Wildcard directory search for ARGV operands and findfirst/findnext.
//
// Only the last component of a pattern may hold wildcards; the directory
// before it is read entry by entry and every name that matches is handed
// out as "directory/name". Matching is case-sensitive; '/' and '\' in a
// pattern match either separator, and names starting with '.' are not
// special. The matcher backtracks only to the last '*' seen, so its time
// stays linear in the name for each pattern position however many stars
// the pattern holds.
#include "io/dosmatch.h"

#include <sys/stat.h>

#include <climits>
#include <cstdlib>
#include <cstring>

#include "values/strobj.h"

namespace {

// The shared result buffer. A path that does not fit is skipped, never cut.
char pathbuf[PATH_MAX];

// Length of the set at p ('[' ... ']') and whether c is in it; 0 when the
// set is malformed (no closing ']').
int matchSet(const char* p, unsigned char c, bool* in) {
  const char* q = p + 1;
  bool neg = false;
  if (*q == '!') {
    neg = true;
    ++q;
  }
  bool hit = false;
  bool first = true;
  while (*q && (*q != ']' || first)) {
    unsigned char lo = static_cast<unsigned char>(*q), hi = lo;
    if (q[1] == '-' && q[2] && q[2] != ']') {
      hi = static_cast<unsigned char>(q[2]);
      q += 3;
    } else {
      q += 1;
    }
    if (c != 0 && c >= lo && c <= hi) hit = true;
    first = false;
  }
  if (*q != ']') return 0;
  *in = hit != neg && c != 0;
  return int(q + 1 - p);
}

bool isSep(char c) { return c == '/' || c == '\\'; }

// Pattern bytes consumed when the element at p matches byte c, else 0.
int matchOne(const char* p, char c) {
  switch (*p) {
    case '?':
      return 1;
    case '[': {
      bool in = false;
      int n = matchSet(p, static_cast<unsigned char>(c), &in);
      return in ? n : 0;
    }
    case '/': case '\\':
      return isSep(c) ? 1 : 0;
    default:
      return *p == c ? 1 : 0;
  }
}

}  // namespace

int awk_wildcheck(const char* p) {
  while (*p) {
    if (*p == ']') return -2;
    if (*p == '[') {
      bool in;
      int n = matchSet(p, 'a', &in);
      if (n == 0) return -2;
      p += n;
    } else {
      ++p;
    }
  }
  return 0;
}

bool awk_haswild(const char* text) { return std::strpbrk(text, "*?") != nullptr; }

int awk_wildmatch(const char* pattern, const char* name) {
  if (awk_wildcheck(pattern) != 0) return -2;
  const char* p = pattern;
  const char* n = name;
  const char* starP = nullptr;   // pattern just after the last '*'
  const char* starN = nullptr;   // name position that star now covers up to
  while (*n) {
    if (*p == '*') {
      while (*p == '*') ++p;
      starP = p;
      starN = n;
      continue;
    }
    if (*p) {
      if (int k = matchOne(p, *n)) {
        p += k;
        ++n;
        continue;
      }
    }
    if (!starP) return -1;
    p = starP;
    n = ++starN;
  }
  while (*p == '*') ++p;
  return *p ? -1 : int(n - name);
}

void awk_dosmatchclose(AwkDosMatch* st) {
  if (st->dir) closedir(st->dir);
  std::free(st->dirpart);
  std::free(st->comp);
  st->dir = nullptr;
  st->dirpart = st->comp = nullptr;
}

const char* awk_dosmatch(const char* pattern, int attr, int first, AwkDosMatch* st) {
  if (first) {
    awk_dosmatchclose(st);
    const char* slash = std::strrchr(pattern, '/');
    size_t dlen = slash ? size_t(slash - pattern) + 1 : 0;
    if (dlen > 1) --dlen;   // drop the trailing '/' unless the part is "/"
    const char* comp = slash ? slash + 1 : pattern;
    if (awk_wildcheck(comp) != 0) return nullptr;
    st->dirpart = strndup(pattern, dlen);
    st->comp = strdup(comp);
    st->dir = opendir(dlen ? st->dirpart : ".");
    if (!st->dir) {
      awk_dosmatchclose(st);
      return nullptr;
    }
  }
  if (!st->dir) return nullptr;
  size_t dlen = std::strlen(st->dirpart);
  bool addSlash = dlen > 0 && st->dirpart[dlen - 1] != '/';
  while (struct dirent* e = readdir(st->dir)) {
    if (awk_wildmatch(st->comp, e->d_name) < 0) continue;
    size_t nlen = std::strlen(e->d_name);
    if (dlen + (addSlash ? 1 : 0) + nlen + 1 > sizeof pathbuf) continue;
    char* w = pathbuf;
    std::memcpy(w, st->dirpart, dlen);
    w += dlen;
    if (addSlash) *w++ = '/';
    std::memcpy(w, e->d_name, nlen + 1);
    if (attr & kDosMatchDirs) return pathbuf;
    struct stat sb;
    if (stat(pathbuf, &sb) == 0 && S_ISDIR(sb.st_mode)) continue;
    return pathbuf;
  }
  awk_dosmatchclose(st);
  return nullptr;
}

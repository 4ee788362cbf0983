// Differential test against the C library's POSIX matcher (REG_EXTENDED,
// leftmost-longest): random patterns over a small alphabet in the syntax
// both engines share, matched against random subjects; the overall match
// start and end must agree.
//
// Known differences, kept out: subjects hold no newline (which `.` and
// negated brackets match here); patterns whose `*`, `+` or `{m,}` operand
// may be empty are refused here; the generator avoids invalid intervals,
// empty groups and empty alternatives (undefined in POSIX); and patterns
// with `^` or `$` inside a group or where they cannot hold are skipped,
// because the C library lets such anchors hold: /(^[a-b]){2}(.+b)*/ on
// "bbbacbcb" matches there, though the second `^` is not at the start.
#include <gtest/gtest.h>
#include <regex.h>

#include <random>
#include <string>

#include "regex/regex.h"

namespace {

// True if `^` or `$` occurs inside parentheses (outside brackets).
bool anchorInGroup(const std::string& p) {
  int depth = 0;
  for (size_t i = 0; i < p.size(); i++) {
    char c = p[i];
    if (c == '[') {
      i++;
      if (i < p.size() && p[i] == '^') i++;
      if (i < p.size() && p[i] == ']') i++;
      while (i < p.size() && p[i] != ']') i++;
    } else if (c == '(') {
      depth++;
    } else if (c == ')') {
      depth--;
    } else if ((c == '^' || c == '$') && depth > 0) {
      return true;
    }
  }
  return false;
}

struct Gen {
  std::mt19937 rng;
  int pick(int n) { return int(rng() % unsigned(n)); }

  std::string atom(int depth) {
    switch (pick(depth > 0 ? 9 : 7)) {
      case 0: case 1: case 2: return std::string(1, char('a' + pick(3)));
      case 3: return ".";
      case 4: {
        static const char* const sets[] = {"[ab]", "[^a]", "[a-b]", "[^bc]", "[c]", "[]a]"};
        return sets[pick(6)];
      }
      case 5: return pick(4) == 0 ? "^" : "a";
      case 6: return pick(4) == 0 ? "$" : "b";
      default: return "(" + alternation(depth - 1) + ")";
    }
  }

  std::string piece(int depth) {
    std::string a = atom(depth);
    switch (pick(10)) {
      case 0: case 1: return a + "*";
      case 2: return a + "+";
      case 3: return a + "?";
      case 4: {
        int m = pick(3), n = m + pick(3);
        if (pick(3) == 0) return a + "{" + std::to_string(m) + ",}";
        if (pick(2)) return a + "{" + std::to_string(m) + "}";
        return a + "{" + std::to_string(m) + "," + std::to_string(n) + "}";
      }
      default: return a;
    }
  }

  std::string branch(int depth) {
    std::string s;
    for (int k = 1 + pick(3); k > 0; k--) s += piece(depth);
    return s;
  }

  std::string alternation(int depth) {
    std::string s = branch(depth);
    while (pick(4) == 0) s += "|" + branch(depth);
    return s;
  }

  std::string subject() {
    std::string s;
    for (int k = pick(12); k > 0; k--) s += char('a' + pick(3));
    return s;
  }
};

TEST(RegexDifferential, AgreesWithPosixLeftmostLongest) {
  Gen g{std::mt19937(20240607)};
  int compared = 0, patterns = 0;
  for (int iter = 0; iter < 4000; iter++) {
    std::string pat = g.alternation(2);
    AwkPattern* ours = awk_regcomp(pat.data(), int32_t(pat.size()), 0);
    if (!ours) continue;   // an operand that may be empty, refused here
    if (awk_ereerr() || anchorInGroup(pat)) {   // anchors the C library mishandles
      awk_ererelease(ours);
      continue;
    }
    regex_t theirs;
    if (regcomp(&theirs, pat.c_str(), REG_EXTENDED) != 0) {
      awk_ererelease(ours);
      continue;
    }
    patterns++;
    for (int k = 0; k < 25; k++) {
      std::string subj = g.subject();
      regmatch_t m[1];
      bool theirHit = regexec(&theirs, subj.c_str(), 1, m, 0) == 0;
      bool ourHit = awk_erematch(ours, subj.data(), int32_t(subj.size()), 0, 0, 0) != 0;
      int32_t s = -1, e = -1;
      awk_erepatpos(&s, &e);
      ASSERT_EQ(ourHit, theirHit) << "/" << pat << "/ on \"" << subj << "\"";
      if (ourHit) {
        ASSERT_EQ(s, m[0].rm_so) << "/" << pat << "/ on \"" << subj << "\"";
        ASSERT_EQ(e, m[0].rm_eo) << "/" << pat << "/ on \"" << subj << "\"";
      }
      compared++;
    }
    regfree(&theirs);
    awk_ererelease(ours);
  }
  EXPECT_GT(patterns, 1500);
  EXPECT_GT(compared, 40000);
}

// First-match mode finds a match exactly when the longest search does, at
// the same start, never ending later.
TEST(RegexDifferential, FirstMatchModeAgreesOnStart) {
  Gen g{std::mt19937(7)};
  for (int iter = 0; iter < 1500; iter++) {
    std::string pat = g.alternation(2);
    AwkPattern* p = awk_regcomp(pat.data(), int32_t(pat.size()), 0);
    if (!p) continue;
    for (int k = 0; k < 10; k++) {
      std::string subj = g.subject();
      int32_t ls = -1, le = -1, fs = -1, fe = -1;
      bool longest = awk_erematch(p, subj.data(), int32_t(subj.size()), 0, 0, 0) != 0;
      awk_erepatpos(&ls, &le);
      bool first = awk_erematch(p, subj.data(), int32_t(subj.size()), 0, 0, kReFirst) != 0;
      awk_erepatpos(&fs, &fe);
      ASSERT_EQ(first, longest) << pat << " " << subj;
      if (first) {
        ASSERT_EQ(fs, ls) << pat << " " << subj;
        ASSERT_LE(fe, le) << pat << " " << subj;
      }
    }
    awk_ererelease(p);
  }
}

}  // namespace

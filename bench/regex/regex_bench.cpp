// Linear-time benchmark of the matcher: patterns that are exponential for
// backtracking engines, and typical filter patterns over line-shaped text.
// Prints milliseconds per megabyte of subject for each case, once through
// the thread simulation alone and once with the fast roads (literal search,
// quick reject, cached automaton) that untracked searches take.
//
//   regex_bench [megabytes]   (default 4)
//
// Build (release libraries from any build directory B):
//   g++ -O2 -std=c++20 -Isrc bench/regex/regex_bench.cpp -o regex_bench \
//     -Wl,--start-group B/libvorn_*.a -Wl,--end-group -lffi -lncurses -ldl -lm
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "regex/accel.h"
#include "regex/regex.h"

namespace {

AwkPattern* compile(const std::string& s, int flags = 0) {
  AwkPattern* p = awk_regcomp(s.data(), int32_t(s.size()), flags);
  if (!p) {
    std::fprintf(stderr, "%s: %s\n", s.c_str(), awk_ereerr());
    std::exit(1);
  }
  return p;
}

double msPerMb(double seconds, size_t bytes) { return seconds * 1000.0 / (double(bytes) / 1e6); }

double cpuSeconds() {
  timespec ts;
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
  return double(ts.tv_sec) + double(ts.tv_nsec) / 1e9;
}

// Best of three runs of f in processor seconds: the machine may be shared,
// and wall time then counts the other processes too.
template <typename F>
double best(F f) {
  double b = 1e9;
  for (int k = 0; k < 3; k++) {
    double t0 = cpuSeconds();
    f();
    double s = cpuSeconds() - t0;
    if (s < b) b = s;
  }
  return b;
}

// One search over the whole subject (what `~` does on a long string).
void wholeSubject(const char* name, const std::string& pat, const std::string& subj, int flags) {
  double ms[2];
  int32_t r[2];
  for (int fast = 0; fast < 2; fast++) {
    accelEnable(fast);
    AwkPattern* p = compile(pat);
    double s = best([&] { r[fast] = awk_erematch(p, subj.data(), int32_t(subj.size()), 0, 0, flags); });
    ms[fast] = msPerMb(s, subj.size());
    awk_ererelease(p);
  }
  std::printf("%-36s %9.2f %9.2f ms/MB  (result %d%s)\n", name, ms[0], ms[1], r[1],
              r[0] == r[1] ? "" : ", DIFFERS");
}

// A filter: every line searched in first-match mode, as `$0 ~ /re/` does.
void perLine(const char* name, const std::string& pat, const std::vector<std::string>& lines,
             size_t bytes, int flags = kReFirst) {
  double ms[2];
  long hits[2];
  for (int fast = 0; fast < 2; fast++) {
    accelEnable(fast);
    AwkPattern* p = compile(pat);
    double s = best([&] {
      hits[fast] = 0;
      for (const auto& l : lines)
        hits[fast] += awk_erematch(p, l.data(), int32_t(l.size()), 0, 0, flags) != 0;
    });
    ms[fast] = msPerMb(s, bytes);
    awk_ererelease(p);
  }
  std::printf("%-36s %9.2f %9.2f ms/MB  (%ld lines match%s)\n", name, ms[0], ms[1], hits[1],
              hits[0] == hits[1] ? "" : ", DIFFERS");
}

// Every match of every line, as gsub finds them (longest mode).
void everyMatch(const char* name, const std::string& pat, const std::vector<std::string>& lines,
                size_t bytes) {
  double ms[2];
  long hits[2];
  for (int fast = 0; fast < 2; fast++) {
    accelEnable(fast);
    AwkPattern* p = compile(pat);
    double s = best([&] {
      hits[fast] = 0;
      for (const auto& l : lines) {
        int32_t from = 0, n = int32_t(l.size());
        while (from <= n && awk_erematch(p, l.data(), n, from, 0, 0)) {
          int32_t ms, me;
          awk_erepatpos(&ms, &me);
          hits[fast]++;
          from = me > ms ? me : me + 1;
        }
      }
    });
    ms[fast] = msPerMb(s, bytes);
    awk_ererelease(p);
  }
  std::printf("%-36s %9.2f %9.2f ms/MB  (%ld matches%s)\n", name, ms[0], ms[1], hits[1],
              hits[0] == hits[1] ? "" : ", DIFFERS");
}

}  // namespace

int main(int argc, char** argv) {
  size_t mb = argc > 1 ? size_t(std::atol(argv[1])) : 4;
  size_t n = mb * 1000000;

  std::printf("%-36s %9s %9s\n", "", "simulation", "fast");
  std::string as(n, 'a');
  wholeSubject("(a|aa)*b on a^n (no match)", "(a|aa)*b", as, 0);
  std::string asb = as.substr(0, n - 1) + "b";
  wholeSubject("(a|aa)*b on a^n b", "(a|aa)*b", asb, 0);
  std::string q;
  for (int k = 0; k < 30; k++) q += "a?";
  for (int k = 0; k < 30; k++) q += "a";
  wholeSubject("a?^30 a^30 on a^n", q, as, 0);
  wholeSubject("a?^30 a^30 on a^n, first match", q, as, kReFirst);
  std::string ab;
  for (size_t k = 0; k < n; k++) ab += char('a' + (k * 7 + k / 3) % 2);
  wholeSubject("(a|b)*abbb(a|b)*c on random ab", "(a|b)*abbb(a|b)*c", ab, 0);
  wholeSubject("(x?|y?){30}z on a^n", "(x?|y?){30}z", as, 0);

  // Line-shaped text: words from a small vocabulary.
  static const char* const words[] = {"alpha", "beta", "gamma", "delta", "epsilon", "zeta",
                                      "eta", "theta", "iota", "kappa", "lambda", "mu",
                                      "12345", "6789", "foo", "bar", "baz", "quux"};
  std::vector<std::string> lines;
  size_t bytes = 0;
  unsigned seed = 1;
  while (bytes < n) {
    std::string l;
    for (int w = 0; w < 10; w++) {
      seed = seed * 1103515245 + 12345;
      l += words[(seed >> 16) % 18];
      l += ' ';
    }
    bytes += l.size() + 1;
    lines.push_back(l);
  }
  perLine("literal /quux iota/", "quux iota", lines, bytes);
  perLine("alternation /lambda mu|zeta eta/", "lambda mu|zeta eta", lines, bytes);
  perLine("bracket /[0-9][0-9]+ [fq]/", "[0-9][0-9]+ [fq]", lines, bytes);
  perLine("no match /xyz/", "xyz", lines, bytes);
  // The filters of bench/programs, in the longest mode a pattern used as a
  // condition asks for.
  perLine("filter /apple|banana|cherry|zulu/", "apple|banana|cherry|zulu", lines, bytes, 0);
  perLine("filter /alpha|beta|iota|zeta/", "alpha|beta|iota|zeta", lines, bytes, 0);
  perLine("filter /[0-9][0-9] [a-f][a-z]+ $/", "[0-9][0-9] [a-f][a-z]+ $", lines, bytes, 0);
  perLine("filter /(foo|bar) (baz|quux) /", "(foo|bar) (baz|quux) ", lines, bytes, 0);
  everyMatch("gsub-style /a/", "a", lines, bytes);
  everyMatch("gsub-style /[0-9]+/", "[0-9]+", lines, bytes);
  everyMatch("gsub-style /[a-z]+a /", "[a-z]+a ", lines, bytes);
  return 0;
}

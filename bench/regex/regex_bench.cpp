// Linear-time benchmark of the matcher: patterns that are exponential for
// backtracking engines, and typical filter patterns over line-shaped text.
// Prints milliseconds per megabyte of subject for each case.
//
//   regex_bench [megabytes]   (default 4)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

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

// One search over the whole subject (what `~` does on a long string).
void wholeSubject(const char* name, const std::string& pat, const std::string& subj, int flags) {
  AwkPattern* p = compile(pat);
  auto t0 = std::chrono::steady_clock::now();
  int32_t r = awk_erematch(p, subj.data(), int32_t(subj.size()), 0, 0, flags);
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-34s %9.2f ms/MB  (result %d)\n", name, msPerMb(s, subj.size()), r);
  awk_ererelease(p);
}

// A filter: every line searched in first-match mode, as `$0 ~ /re/` does.
void perLine(const char* name, const std::string& pat, const std::vector<std::string>& lines,
             size_t bytes) {
  AwkPattern* p = compile(pat);
  auto t0 = std::chrono::steady_clock::now();
  long hits = 0;
  for (const auto& l : lines)
    hits += awk_erematch(p, l.data(), int32_t(l.size()), 0, 0, kReFirst) != 0;
  double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  std::printf("%-34s %9.2f ms/MB  (%ld lines match)\n", name, msPerMb(s, bytes), hits);
  awk_ererelease(p);
}

}  // namespace

int main(int argc, char** argv) {
  size_t mb = argc > 1 ? size_t(std::atol(argv[1])) : 4;
  size_t n = mb * 1000000;

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
  return 0;
}

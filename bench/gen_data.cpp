// Deterministic benchmark input: the same bytes on every machine.
//
//   gen_data text SIZE_MB > text.txt   lines of words and numbers
//   gen_data csv  SIZE_MB > data.csv   comma-separated records
//
// A fixed linear congruential generator picks words from a small
// vocabulary with a skewed distribution, so that counting programs see
// both frequent and rare keys.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

uint64_t state = 0x2545F4914F6CDD1DULL;
uint32_t next() {
  state = state * 6364136223846793005ULL + 1442695040888963407ULL;
  return uint32_t(state >> 33);
}

const char* const kWords[] = {
    "the", "quick", "brown", "fox", "jumps", "over", "lazy", "dog", "apple",
    "banana", "cherry", "delta", "echo", "foxtrot", "golf", "hotel", "india",
    "juliet", "kilo", "lima", "mike", "november", "oscar", "papa", "quebec",
    "romeo", "sierra", "tango", "uniform", "victor", "whiskey", "xray",
    "yankee", "zulu", "alpha", "bravo", "charlie", "data", "error", "warning"};
constexpr int kWordCount = sizeof kWords / sizeof kWords[0];

const char* word() {
  uint32_t r = next();
  // Skewed: low indexes far more often than high ones.
  return kWords[(r % kWordCount) * (r % kWordCount) / kWordCount];
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: gen_data text|csv SIZE_MB\n");
    return 2;
  }
  bool csv = std::strcmp(argv[1], "csv") == 0;
  long long limit = std::atoll(argv[2]) * 1024LL * 1024LL;
  long long written = 0;
  char line[512];
  for (long id = 1; written < limit; ++id) {
    int n;
    if (csv) {
      n = std::snprintf(line, sizeof line, "%ld,%s,%s,%u.%02u,%u\n", id, word(), word(),
                        next() % 1000, next() % 100, next() % 50);
    } else {
      char key[16];
      std::snprintf(key, sizeof key, "k%u", next() % 50000);
      n = std::snprintf(line, sizeof line, "%s %s %u %u.%02u %s %s %s %02u-%s\n", key, word(),
                        next() % 1000, next() % 100, next() % 100, word(), word(), word(),
                        next() % 100, word());
    }
    std::fwrite(line, 1, size_t(n), stdout);
    written += n;
  }
  return 0;
}

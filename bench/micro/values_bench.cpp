// Number scanning and formatting against the C library on the same inputs:
// awk_s2n vs strtod, awk_a2s (CONVFMT "%.6g") vs snprintf, awk_asprintf vs
// snprintf for a few common formats.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "format/printf.h"
#include "values/convert.h"

namespace {

constexpr int kInputs = 1024;

std::vector<std::string> intTexts() {
  std::mt19937 rng(1);
  std::vector<std::string> v;
  for (int i = 0; i < kInputs; ++i) v.push_back(std::to_string(int32_t(rng() % 2000000) - 1000000));
  return v;
}

std::vector<std::string> floatTexts() {
  std::mt19937 rng(2);
  std::vector<std::string> v;
  char buf[64];
  for (int i = 0; i < kInputs; ++i) {
    std::snprintf(buf, sizeof buf, "%.*f", int(rng() % 6) + 1, double(rng() % 10000000) / 1000.0);
    v.push_back(buf);
  }
  return v;
}

std::vector<AwkString*> asObjects(const std::vector<std::string>& texts) {
  std::vector<AwkString*> v;
  for (const std::string& t : texts) v.push_back(stringNew(t));
  return v;
}

void scanAwk(benchmark::State& state, const std::vector<std::string>& texts) {
  std::vector<AwkString*> objs = asObjects(texts);
  Cell out;
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(awk_s2n(objs[i++ & (kInputs - 1)], &out, 1));
    benchmark::DoNotOptimize(out);
  }
}

void scanC(benchmark::State& state, const std::vector<std::string>& texts) {
  size_t i = 0;
  for (auto _ : state) benchmark::DoNotOptimize(std::strtod(texts[i++ & (kInputs - 1)].c_str(), nullptr));
}

void BM_ScanInt_s2n(benchmark::State& s) { scanAwk(s, intTexts()); }
void BM_ScanInt_strtod(benchmark::State& s) { scanC(s, intTexts()); }
void BM_ScanFloat_s2n(benchmark::State& s) { scanAwk(s, floatTexts()); }
void BM_ScanFloat_strtod(benchmark::State& s) { scanC(s, floatTexts()); }

std::vector<double> floatValues() {
  std::vector<double> v;
  for (const std::string& t : floatTexts()) v.push_back(std::strtod(t.c_str(), nullptr));
  return v;
}

void BM_IntToString_a2s(benchmark::State& state) {
  std::mt19937 rng(3);
  std::vector<Cell> cells(kInputs);
  for (Cell& c : cells) cellSetInt(&c, int32_t(rng()));
  size_t i = 0;
  for (auto _ : state) {
    AwkString* s = awk_a2s(&cells[i++ & (kInputs - 1)]);
    benchmark::DoNotOptimize(s);
    stringFree(s);
  }
}

void BM_IntToString_snprintf(benchmark::State& state) {
  std::mt19937 rng(3);
  std::vector<int32_t> v(kInputs);
  for (int32_t& x : v) x = int32_t(rng());
  char buf[32];
  size_t i = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%d", v[i++ & (kInputs - 1)]));
  }
}

void BM_FloatToString_a2s(benchmark::State& state) {
  awk_convinit();
  std::vector<Cell> cells(kInputs);
  std::vector<double> v = floatValues();
  for (int i = 0; i < kInputs; ++i) cellSetFloat(&cells[i], v[i], kUnlimitedDecimals);
  size_t i = 0;
  for (auto _ : state) {
    AwkString* s = awk_a2s(&cells[i++ & (kInputs - 1)]);
    benchmark::DoNotOptimize(s);
    stringFree(s);
  }
}

void BM_FloatToString_snprintf(benchmark::State& state) {
  std::vector<double> v = floatValues();
  char buf[32];
  size_t i = 0;
  for (auto _ : state)
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%.6g", v[i++ & (kInputs - 1)]));
}

void BM_Sprintf_asprintf(benchmark::State& state) {
  AwkString* fmt = stringNew("%5d %-8s %.2f|%x");
  std::vector<double> v = floatValues();
  Cell args[4];
  cellSetString(&args[1], stringNew("name"));
  size_t i = 0;
  const char* err;
  for (auto _ : state) {
    size_t k = i++ & (kInputs - 1);
    cellSetInt(&args[0], int32_t(k));
    cellSetFloat(&args[2], v[k], kUnlimitedDecimals);
    cellSetInt(&args[3], int32_t(k * 7919));
    AwkString* s = awk_asprintf(fmt, 4, args, &err);
    benchmark::DoNotOptimize(s);
    stringFree(s);
  }
}

void BM_Sprintf_snprintf(benchmark::State& state) {
  std::vector<double> v = floatValues();
  char buf[128];
  size_t i = 0;
  for (auto _ : state) {
    size_t k = i++ & (kInputs - 1);
    benchmark::DoNotOptimize(std::snprintf(buf, sizeof buf, "%5d %-8s %.2f|%x", int(k), "name",
                                           v[k], unsigned(k * 7919)));
  }
}

}  // namespace

BENCHMARK(BM_ScanInt_s2n);
BENCHMARK(BM_ScanInt_strtod);
BENCHMARK(BM_ScanFloat_s2n);
BENCHMARK(BM_ScanFloat_strtod);
BENCHMARK(BM_IntToString_a2s);
BENCHMARK(BM_IntToString_snprintf);
BENCHMARK(BM_FloatToString_a2s);
BENCHMARK(BM_FloatToString_snprintf);
BENCHMARK(BM_Sprintf_asprintf);
BENCHMARK(BM_Sprintf_snprintf);

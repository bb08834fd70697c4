// Variant operations that run once per field per row in the exports and in Locate.
#include <benchmark/benchmark.h>

#include "common/variant.h"

namespace {

using kvr::Variant;

void BM_CopyInteger(benchmark::State& state) {
  Variant v(12345);
  for (auto _ : state) {
    Variant copy = v;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_CopyInteger);

void BM_CopyShortText(benchmark::State& state) {
  Variant v("АИ-95");
  for (auto _ : state) {
    Variant copy = v;
    benchmark::DoNotOptimize(copy);
  }
}
BENCHMARK(BM_CopyShortText);

void BM_TextToInteger(benchmark::State& state) {
  Variant v("104");
  for (auto _ : state) benchmark::DoNotOptimize(v.AsInteger());
}
BENCHMARK(BM_TextToInteger);

void BM_FloatToText(benchmark::State& state) {
  Variant v(1234.56);
  for (auto _ : state) benchmark::DoNotOptimize(v.AsText());
}
BENCHMARK(BM_FloatToText);

void BM_CompareIntegerWithText(benchmark::State& state) {
  Variant a(3), b("3");
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_CompareIntegerWithText);

void BM_CompareTexts(benchmark::State& state) {
  Variant a("Наличные"), b("Наличные");
  for (auto _ : state) benchmark::DoNotOptimize(a == b);
}
BENCHMARK(BM_CompareTexts);

void BM_ArrayPutGet(benchmark::State& state) {
  kvr::VariantArray table(0, 12, 0, 3, kvr::VT_BSTR);
  int i = 0;
  for (auto _ : state) {
    table.Put(i % 13, 1, Variant(i));
    benchmark::DoNotOptimize(table.Get(i % 13, 1));
    ++i;
  }
}
BENCHMARK(BM_ArrayPutGet);

}  // namespace

BENCHMARK_MAIN();

// What instrumentation costs a hot member when it is switched off: a method guard with no
// profiler assigned and a trace call with the trace off, against the same work bare.
#include <benchmark/benchmark.h>

#include "support/method_scope.hpp"
#include "support/trace.hpp"
#include "tessaglyph/method_counter.hpp"

namespace {

// Stands for the body of a data-point read: a little arithmetic the optimiser cannot drop.
inline double work(double x) {
  return x * 1.0000001 + 0.5;
}

void BM_BareMember(benchmark::State& state) {
  double x = 1.0;
  for (auto _ : state) {
    x = work(x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_BareMember);

void BM_MemberWithNoProfilerAndNoTrace(benchmark::State& state) {
  tg::disableTrace();
  tg::MethodCounter* profiler = nullptr;
  benchmark::DoNotOptimize(profiler);
  double x = 1.0;
  for (auto _ : state) {
    tg::MethodScope scope(profiler, "TessaglyphFile::point");
    TG_TRACE("file.point x = " + std::to_string(x));
    x = work(x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_MemberWithNoProfilerAndNoTrace);

void BM_MemberWithProfiler(benchmark::State& state) {
  tg::MethodCounter profiler;
  double x = 1.0;
  for (auto _ : state) {
    tg::MethodScope scope(&profiler, "TessaglyphFile::point");
    x = work(x);
    benchmark::DoNotOptimize(x);
  }
}
BENCHMARK(BM_MemberWithProfiler);

}  // namespace

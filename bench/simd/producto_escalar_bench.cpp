// Scalar product in GFLOP/s (2 flops per element), side by side: the SSE
// routine, a plain C++ loop and the one-thread OpenBLAS sdot.
#include <benchmark/benchmark.h>
#include <cblas.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <random>

extern "C" int sse_producto_escalar(const float* vector_1, const float* vector_2,
                                    uint32_t dimension, float* resultado);

namespace {

struct Vectores {
  explicit Vectores(size_t n)
      : a(static_cast<float*>(std::aligned_alloc(64, n * sizeof(float)))),
        b(static_cast<float*>(std::aligned_alloc(64, n * sizeof(float)))) {
    std::mt19937 azar(1);
    std::uniform_real_distribution<float> valores(-1.0f, 1.0f);
    for (size_t i = 0; i < n; i++) {
      a.get()[i] = valores(azar);
      b.get()[i] = valores(azar);
    }
  }
  struct Liberar {
    void operator()(float* p) const { std::free(p); }
  };
  std::unique_ptr<float, Liberar> a, b;
};

void contar_flops(benchmark::State& state, size_t n) {
  state.counters["GFLOP/s"] = benchmark::Counter(2.0 * static_cast<double>(n) * 1e-9,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

void BM_sse_producto_escalar(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  Vectores v(n);
  float resultado = 0.0f;
  for (auto _ : state) {
    benchmark::DoNotOptimize(
        sse_producto_escalar(v.a.get(), v.b.get(), static_cast<uint32_t>(n), &resultado));
    benchmark::DoNotOptimize(resultado);
  }
  contar_flops(state, n);
}

float bucle_simple(const float* a, const float* b, size_t n) {
  float suma = 0.0f;
  for (size_t i = 0; i < n; i++) {
    suma += a[i] * b[i];
  }
  return suma;
}

void BM_bucle_cpp(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  Vectores v(n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(bucle_simple(v.a.get(), v.b.get(), n));
  }
  contar_flops(state, n);
}

void BM_openblas_sdot(benchmark::State& state) {
  const size_t n = static_cast<size_t>(state.range(0));
  Vectores v(n);
  for (auto _ : state) {
    benchmark::DoNotOptimize(cblas_sdot(static_cast<int>(n), v.a.get(), 1, v.b.get(), 1));
  }
  contar_flops(state, n);
}

constexpr int64_t kKi = 1024;
constexpr int64_t kMi = 1024 * 1024;

BENCHMARK(BM_sse_producto_escalar)->Arg(kKi)->Arg(kMi);
BENCHMARK(BM_bucle_cpp)->Arg(kKi)->Arg(kMi);
BENCHMARK(BM_openblas_sdot)->Arg(kKi)->Arg(kMi);

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  openblas_set_num_threads(1);
  // The kernel OpenBLAS picked for this processor (or OPENBLAS_CORETYPE)
  // decides whether the comparison is against 128- or 256-bit code.
  benchmark::AddCustomContext("openblas_core", openblas_get_corename());
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}

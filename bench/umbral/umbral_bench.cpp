// Thresholding throughput at 256 KiB (cache-resident) and 64 MiB (memory
// bound). Every contender converts the same buffer in place; the buffer lies
// 16 bytes past a 32-byte boundary, as the pixel data of a read image do.
//
// LimiteEnSitio is the in-place memory limit: one unrolled SSE pass that
// loads, xors and stores every 16 bytes, the least any in-place pass can do.
#include <benchmark/benchmark.h>
#include <emmintrin.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <opencv2/core.hpp>
#include <opencv2/imgproc.hpp>

#include "umbral_rutina.h"

namespace {

constexpr uint8_t kUmbral = 128;

struct Liberar {
  void operator()(uint8_t* p) const { std::free(p); }
};

class Buffer {
 public:
  explicit Buffer(size_t bytes)
      : bloque_(static_cast<uint8_t*>(std::aligned_alloc(64, bytes + 64))), bytes_(bytes) {
    for (size_t i = 0; i < bytes_; ++i) datos()[i] = static_cast<uint8_t>(i * 131 + (i >> 9));
  }
  uint8_t* datos() const { return bloque_.get() + 16; }
  size_t bytes() const { return bytes_; }

 private:
  std::unique_ptr<uint8_t, Liberar> bloque_;
  size_t bytes_;
};

template <typename Pasada>
void Medir(benchmark::State& state, Pasada pasada) {
  const Buffer buffer(static_cast<size_t>(state.range(0)));
  for (auto _ : state) {
    pasada(buffer.datos(), buffer.bytes());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void Umbralizado(benchmark::State& state) {
  Medir(state, [](uint8_t* p, size_t n) { umbralizado(p, static_cast<uint32_t>(n), 1, kUmbral); });
}

void LimiteEnSitio(benchmark::State& state) {
  Medir(state, [](uint8_t* p, size_t n) {
    const __m128i mascara = _mm_set1_epi8(static_cast<char>(0x80));
    for (size_t i = 0; i < n; i += 64) {
      auto* q = reinterpret_cast<__m128i*>(p + i);
      const __m128i a = _mm_load_si128(q), b = _mm_load_si128(q + 1);
      const __m128i c = _mm_load_si128(q + 2), d = _mm_load_si128(q + 3);
      _mm_store_si128(q, _mm_xor_si128(a, mascara));
      _mm_store_si128(q + 1, _mm_xor_si128(b, mascara));
      _mm_store_si128(q + 2, _mm_xor_si128(c, mascara));
      _mm_store_si128(q + 3, _mm_xor_si128(d, mascara));
    }
  });
}

void OpenCv(benchmark::State& state) {
  cv::setNumThreads(1);
  // THRESH_BINARY keeps values above the threshold: > 127 is >= 128.
  Medir(state, [](uint8_t* p, size_t n) {
    cv::Mat imagen(1, static_cast<int>(n), CV_8UC1, p);
    cv::threshold(imagen, imagen, kUmbral - 1, 255, cv::THRESH_BINARY);
  });
}

void BucleCpp(benchmark::State& state) {
  Medir(state, [](uint8_t* p, size_t n) {
    for (size_t i = 0; i < n; ++i) p[i] = p[i] >= kUmbral ? 255 : 0;
  });
}

constexpr int64_t k256KiB = 256 << 10;
constexpr int64_t k64MiB = int64_t{64} << 20;

BENCHMARK(Umbralizado)->Arg(k256KiB)->Arg(k64MiB);
BENCHMARK(LimiteEnSitio)->Arg(k256KiB)->Arg(k64MiB);
BENCHMARK(OpenCv)->Arg(k256KiB)->Arg(k64MiB);
BENCHMARK(BucleCpp)->Arg(k256KiB)->Arg(k64MiB);

}  // namespace

BENCHMARK_MAIN();

// BMP_WriteFile + BMP_ReadFile of a 4096 x 4096 image (8 and 24 bits) beside
// raw fwrite + fread of the same bytes into a fresh heap block, which is the
// least a reader of the file can do.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mapabits.h"

namespace {

constexpr UINT kLado = 4096;

std::string RutaTemporal(const char* nombre) {
  return std::filesystem::temp_directory_path() /
         (std::string("lab-bmp-bench-") + std::to_string(getpid()) + "-" + nombre);
}

struct LiberarBmp {
  void operator()(BMP* bmp) const { BMP_Free(bmp); }
};

std::unique_ptr<BMP, LiberarBmp> Imagen(USHORT bits) {
  std::unique_ptr<BMP, LiberarBmp> bmp(BMP_Create(kLado, kLado, bits));
  for (UINT i = 0; i < bmp->Header.ImageDataSize; ++i) bmp->Data[i] = static_cast<UCHAR>(i * 7);
  return bmp;
}

void BmpEscribirLeer(benchmark::State& state) {
  const auto bmp = Imagen(static_cast<USHORT>(state.range(0)));
  const std::string ruta = RutaTemporal("bmp.bmp");
  for (auto _ : state) {
    BMP_WriteFile(bmp.get(), ruta.c_str());
    BMP* leida = BMP_ReadFile(ruta.c_str());
    if (leida == nullptr) state.SkipWithError(BMP_GetErrorDescription());
    BMP_Free(leida);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * bmp->Header.FileSize);
  std::filesystem::remove(ruta);
}

void CrudoEscribirLeer(benchmark::State& state) {
  const auto bmp = Imagen(static_cast<USHORT>(state.range(0)));
  std::vector<UCHAR> bytes(bmp->Header.FileSize);
  const std::string ruta = RutaTemporal("crudo.bin");
  for (auto _ : state) {
    FILE* f = std::fopen(ruta.c_str(), "wb");
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
    f = std::fopen(ruta.c_str(), "rb");
    auto* destino = static_cast<UCHAR*>(std::malloc(bytes.size()));
    if (std::fread(destino, 1, bytes.size(), f) != bytes.size()) state.SkipWithError("short read");
    std::fclose(f);
    benchmark::DoNotOptimize(destino);
    std::free(destino);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 2 * bytes.size());
  std::filesystem::remove(ruta);
}

BENCHMARK(BmpEscribirLeer)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);
BENCHMARK(CrudoEscribirLeer)->Arg(8)->Arg(24)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();

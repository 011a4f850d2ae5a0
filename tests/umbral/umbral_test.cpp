// The SIMD black-and-white routine against a scalar reference: every count
// around the 16-byte blocks, every threshold, buffers at every alignment,
// bytes past the end untouched, and the calling convention kept.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"
#include "umbral_rutina.h"

extern "C" uint32_t llamar_vigilando(void* rutina, uint8_t* datos, uint32_t ancho, uint32_t alto,
                                     uint32_t umbral, uint64_t registros[7]);

namespace {

constexpr size_t kGuarda = 48;
constexpr uint8_t kValorGuarda = 0x5C;

// A buffer whose first byte lies `desfase` bytes past a 32-byte boundary,
// followed by guard bytes, filled with reproducible random levels.
class Zona {
 public:
  Zona(size_t n, size_t desfase, uint32_t semilla) : n_(n) {
    bloque_ = std::make_unique<uint8_t[]>(n + kGuarda + 64);
    const auto base = reinterpret_cast<uintptr_t>(bloque_.get());
    datos_ = bloque_.get() + ((32 - base % 32) % 32) + desfase;
    std::mt19937 azar(semilla);
    std::generate(datos_, datos_ + n, [&] { return static_cast<uint8_t>(azar()); });
    std::fill(datos_ + n, datos_ + n + kGuarda, kValorGuarda);
  }
  uint8_t* datos() { return datos_; }
  std::vector<uint8_t> Contenido() const { return {datos_, datos_ + n_ + kGuarda}; }

 private:
  size_t n_;
  std::unique_ptr<uint8_t[]> bloque_;
  uint8_t* datos_;
};

// What the routine must leave: the first n bytes thresholded, the rest as is.
std::vector<uint8_t> Referencia(std::vector<uint8_t> bytes, size_t n, uint32_t umbral) {
  const auto t = static_cast<uint8_t>(umbral);
  for (size_t i = 0; i < n; ++i) bytes[i] = bytes[i] >= t ? 255 : 0;
  return bytes;
}

void Comprobar(size_t n, size_t desfase, uint32_t umbral, uint32_t semilla) {
  Zona zona(n, desfase, semilla);
  const auto esperado = Referencia(zona.Contenido(), n, umbral);
  ASSERT_EQ(umbralizado(zona.datos(), static_cast<uint32_t>(n), 1, umbral), 1);
  ASSERT_EQ(zona.Contenido(), esperado) << "n " << n << ", umbral " << umbral;
}

TEST(Umbralizado, KnownLevels) {
  struct Caso {
    uint32_t umbral;
    std::array<uint8_t, 6> entrada, salida;
  } casos[] = {
      {128, {0, 127, 128, 129, 255, 200}, {0, 0, 255, 255, 255, 255}},
      {255, {255, 254, 0, 128, 255, 1}, {255, 0, 0, 0, 255, 0}},
      {1, {0, 1, 2, 255, 0, 128}, {0, 255, 255, 255, 0, 255}},
      {256, {0, 1, 2, 255, 0, 128}, {255, 255, 255, 255, 255, 255}},  // low byte 0
  };
  for (auto& c : casos) {
    ASSERT_EQ(umbralizado(c.entrada.data(), 3, 2, c.umbral), 1);
    EXPECT_EQ(c.entrada, c.salida) << c.umbral;
  }
}

TEST(Umbralizado, EveryCountAroundTheBlocks) {
  for (size_t n = 1; n <= 80; ++n) {  // a count of 0 needs a wrapping product: below
    for (const uint32_t umbral : {1u, 77u, 128u, 255u, 256u, 0xFFFFFF80u}) {
      Comprobar(n, 0, umbral, static_cast<uint32_t>(n * 1000 + umbral));
    }
  }
}

TEST(Umbralizado, LargeCounts) {
  for (const size_t n : {4096 * 3 + 7, (1 << 20) + 15, (1 << 21) + 16}) {
    Comprobar(n, 16, 100, static_cast<uint32_t>(n));
  }
}

TEST(Umbralizado, EveryThreshold) {
  for (uint32_t umbral = 1; umbral <= 256; ++umbral) Comprobar(256 + 13, 16, umbral, umbral);
}

TEST(Umbralizado, ShortBuffersAtEveryAlignment) {
  for (size_t n = 1; n < 16; ++n) {
    for (size_t desfase = 0; desfase < 32; ++desfase) Comprobar(n, desfase, 99, 7);
  }
}

TEST(Umbralizado, InvalidArgumentsTouchNothing) {
  struct Caso {
    bool nulo;
    uint32_t ancho, alto, umbral;
  } casos[] = {{false, 4, 4, 0}, {true, 4, 4, 128}, {false, 0, 4, 128}, {false, 4, 0, 128}};
  for (const Caso& c : casos) {
    Zona zona(16, 0, 3);
    const auto antes = zona.Contenido();
    EXPECT_EQ(umbralizado(c.nulo ? nullptr : zona.datos(), c.ancho, c.alto, c.umbral), 0);
    EXPECT_EQ(zona.Contenido(), antes);
  }
}

TEST(Umbralizado, ThePixelCountIsTakenModulo2To32) {
  // 65536 x 65537 = 2^32 + 65536: the routine converts 65536 bytes.
  const size_t n = 65536;
  Zona zona(n, 0, 11);
  const auto esperado = Referencia(zona.Contenido(), n, 50);
  ASSERT_EQ(umbralizado(zona.datos(), 65536, 65537, 50), 1);
  EXPECT_EQ(zona.Contenido(), esperado);
  // 65536 x 65536 wraps to 0: valid arguments, nothing converted.
  const auto antes = zona.Contenido();
  EXPECT_EQ(umbralizado(zona.datos(), 65536, 65536, 50), 1);
  EXPECT_EQ(zona.Contenido(), antes);
}

TEST(Umbralizado, ConvertsTheFirstBytesOfAPaddedImageReadFromAFile) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("seis_por_dos.bmp");
  BmpPtr creada(BMP_Create(6, 2, 8));
  for (UINT y = 0; y < 2; ++y) {
    for (UINT x = 0; x < 6; ++x)
      BMP_SetPixelIndex(creada.get(), x, y, static_cast<UCHAR>(40 * x + y));
  }
  creada->Data[6] = creada->Data[7] = 200;  // padding of the first stored row
  BMP_WriteFile(creada.get(), ruta.c_str());

  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(bmp, nullptr);
  const std::vector<uint8_t> antes(bmp->Data, bmp->Data + 16);
  ASSERT_EQ(umbralizado(bmp->Data, 6, 2, 100), 1);
  const std::vector<uint8_t> despues(bmp->Data, bmp->Data + 16);
  EXPECT_EQ(Referencia(antes, 12, 100), despues);
  EXPECT_EQ(despues[6], 255);                                           // padding converted
  EXPECT_EQ(std::vector<uint8_t>(despues.begin() + 12, despues.end()),  // last 2 pixels + padding
            std::vector<uint8_t>(antes.begin() + 12, antes.end()));
}

TEST(Umbralizado, KeepsTheCalleeSavedRegisters) {
  for (const size_t n : {5, 16, 37}) {
    Zona zona(n, 0, 5);
    const auto esperado = Referencia(zona.Contenido(), n, 128);
    uint64_t registros[7] = {0x0123456789ABCDEF,
                             0x1111111111111111,
                             0x2222222222222222,
                             0x3333333333333333,
                             0x4444444444444444,
                             0x5555555555555555,
                             0};
    const std::vector<uint64_t> centinelas(registros, registros + 6);
    EXPECT_EQ(llamar_vigilando(reinterpret_cast<void*>(&umbralizado), zona.datos(),
                               static_cast<uint32_t>(n), 1, 128, registros),
              1u);
    EXPECT_EQ(std::vector<uint64_t>(registros, registros + 6), centinelas);
    EXPECT_EQ(registros[6], 0u);
    EXPECT_EQ(zona.Contenido(), esperado);
  }
}

}  // namespace

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>

#include "tests/simd/sse.h"

namespace {

constexpr float kGuarda = -1234.5f;

// The 16 matrix floats and 4 result floats, each group 16-byte aligned, with
// four guard floats on each side of the result.
struct Datos {
  alignas(16) float matriz[16];
  alignas(16) float antes[4] = {kGuarda, kGuarda, kGuarda, kGuarda};
  alignas(16) float suma[4] = {kGuarda, kGuarda, kGuarda, kGuarda};
  alignas(16) float despues[4] = {kGuarda, kGuarda, kGuarda, kGuarda};

  void comprobar_guardas() const {
    for (int j = 0; j < 4; j++) {
      EXPECT_EQ(antes[j], kGuarda);
      EXPECT_EQ(despues[j], kGuarda);
    }
  }
};

float referencia(const float* m, int j) { return ((m[j] + m[4 + j]) + m[8 + j]) + m[12 + j]; }

void esperar_igual(float obtenido, float esperado, int columna) {
  if (std::isnan(esperado)) {
    EXPECT_TRUE(std::isnan(obtenido)) << "column " << columna;
  } else {
    EXPECT_EQ(std::bit_cast<uint32_t>(obtenido), std::bit_cast<uint32_t>(esperado))
        << "column " << columna << ": " << obtenido << " vs " << esperado;
  }
}

TEST(SseRenglones, MatrizDeLaDemo) {
  Datos d;
  for (int i = 0; i < 16; i++) {
    d.matriz[i] = static_cast<float>(i + 1);
  }
  ASSERT_EQ(sse_renglones(d.matriz, d.suma), 1);
  EXPECT_EQ(d.suma[0], 28.0f);
  EXPECT_EQ(d.suma[1], 32.0f);
  EXPECT_EQ(d.suma[2], 36.0f);
  EXPECT_EQ(d.suma[3], 40.0f);
  d.comprobar_guardas();
}

TEST(SseRenglones, OrdenDeSumaFijoYEspeciales) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  Datos d;
  const float filas[16] = {
      1e8f,  inf,  nan,  1.0f,  //
      1.0f,  -inf, 1.0f, 2.0f,  //
      -1e8f, 1.0f, 1.0f, 3.0f,  //
      0.0f,  1.0f, 1.0f, inf,   //
  };
  std::copy(std::begin(filas), std::end(filas), d.matriz);
  ASSERT_EQ(sse_renglones(d.matriz, d.suma), 1);
  EXPECT_EQ(d.suma[0], 0.0f);  // 1e8 + 1 rounds back to 1e8
  EXPECT_TRUE(std::isnan(d.suma[1]));
  EXPECT_TRUE(std::isnan(d.suma[2]));
  EXPECT_EQ(d.suma[3], inf);
  d.comprobar_guardas();
}

TEST(SseRenglones, MatricesAleatoriasComoLaReferencia) {
  std::mt19937 azar(5);
  std::uniform_int_distribution<uint32_t> bits;
  std::uniform_real_distribution<float> normales(-1e6f, 1e6f);
  for (int vuelta = 0; vuelta < 500; vuelta++) {
    Datos d;
    for (float& v : d.matriz) {
      // Every bit pattern now and then: denormals, infinities, NaNs.
      v = vuelta % 4 == 0 ? std::bit_cast<float>(bits(azar)) : normales(azar);
    }
    ASSERT_EQ(sse_renglones(d.matriz, d.suma), 1);
    for (int j = 0; j < 4; j++) {
      esperar_igual(d.suma[j], referencia(d.matriz, j), j);
    }
    d.comprobar_guardas();
  }
}

TEST(SseRenglones, PunterosNulosNoEscribenNada) {
  Datos d;
  for (float& v : d.matriz) {
    v = 1.0f;
  }
  EXPECT_EQ(sse_renglones(nullptr, d.suma), 0);
  EXPECT_EQ(sse_renglones(d.matriz, nullptr), 0);
  for (float v : d.suma) {
    EXPECT_EQ(v, kGuarda);
  }
  d.comprobar_guardas();
}

}  // namespace

#include "routines/sumar_diagonal.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <random>
#include <vector>

namespace {

constexpr long kGuarda = 0x5A5A5A5A5A5A5A5AL;

// Wrap-around sum of the diagonal, done in unsigned arithmetic.
long referencia(const std::vector<long>& matriz, unsigned long n) {
  uint64_t suma = 0;
  for (unsigned long k = 0; k < n; k++) {
    suma += static_cast<uint64_t>(matriz[k * (n + 1)]);
  }
  return static_cast<long>(suma);
}

struct Caso {
  const char* nombre;
  std::vector<long> matriz;
  unsigned long n;
  long esperado;
};

TEST(SumarDiagonal, CasosConocidos) {
  const Caso casos[] = {
      {"3x3 de 1 a 9", {1, 2, 3, 4, 5, 6, 7, 8, 9}, 3, 15},
      {"un elemento", {-42}, 1, -42},
      {"desborda al minimo", {LONG_MAX, 7, 7, 1}, 2, LONG_MIN},
      {"negativos", {-5, 100, 100, 3}, 2, -2},
      {"minimo mas minimo da 0", {LONG_MIN, 0, 0, LONG_MIN}, 2, 0},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    long resultado[3] = {kGuarda, kGuarda, kGuarda};
    EXPECT_EQ(sumar_diagonal(c.matriz.data(), c.n, &resultado[1]), 1);
    EXPECT_EQ(resultado[1], c.esperado);
    EXPECT_EQ(resultado[0], kGuarda);
    EXPECT_EQ(resultado[2], kGuarda);
  }
}

TEST(SumarDiagonal, MatricesAleatoriasComoLaReferencia) {
  std::mt19937_64 azar(1234);
  for (unsigned long n = 1; n <= 17; n++) {
    for (int vuelta = 0; vuelta < 20; vuelta++) {
      std::vector<long> matriz(n * n);
      for (long& v : matriz) {
        v = static_cast<long>(azar());
      }
      const std::vector<long> copia = matriz;
      long resultado = kGuarda;
      ASSERT_EQ(sumar_diagonal(matriz.data(), n, &resultado), 1);
      EXPECT_EQ(resultado, referencia(matriz, n)) << "n = " << n;
      EXPECT_EQ(matriz, copia);
    }
  }
}

TEST(SumarDiagonal, FueraDeLaDiagonalNoInfluye) {
  std::vector<long> matriz = {1, LONG_MAX, LONG_MIN, -9, 2, 12345, 77, -1, 3};
  long resultado = 0;
  ASSERT_EQ(sumar_diagonal(matriz.data(), 3, &resultado), 1);
  EXPECT_EQ(resultado, 6);
}

TEST(SumarDiagonal, ArgumentosRechazadosNoEscribenNada) {
  long matriz[4] = {1, 2, 3, 4};
  long resultado = kGuarda;
  EXPECT_EQ(sumar_diagonal(nullptr, 2, &resultado), 0);
  EXPECT_EQ(sumar_diagonal(matriz, 0, &resultado), 0);
  EXPECT_EQ(sumar_diagonal(matriz, 2, nullptr), 0);
  EXPECT_EQ(resultado, kGuarda);
}

}  // namespace

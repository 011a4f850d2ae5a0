#include "routines/ocurrencias_en_array.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

namespace {

constexpr int kGuarda = 0x5A5A5A5A;

TEST(OcurrenciasEnArray, ValoresDelArrayDeLaDemo) {
  const int array[10] = {1, 1, 5, 6, 6, 5, 4, 8, 7, 6};
  const struct {
    int valor;
    int veces;
  } casos[] = {{6, 3}, {1, 2}, {5, 2}, {4, 1}, {7, 1}, {8, 1}, {9, 0}, {0, 0}, {-6, 0}};
  for (const auto& c : casos) {
    int resultado[3] = {kGuarda, 77, kGuarda};  // 77: whatever the count held before
    EXPECT_EQ(ocurrencias_en_array(c.valor, array, 10, &resultado[1]), 1) << c.valor;
    EXPECT_EQ(resultado[1], c.veces) << c.valor;
    EXPECT_EQ(resultado[0], kGuarda);
    EXPECT_EQ(resultado[2], kGuarda);
  }
}

TEST(OcurrenciasEnArray, LongitudUnoSoloMiraElPrimero) {
  const int array[3] = {4, 4, 4};
  int resultado = kGuarda;
  ASSERT_EQ(ocurrencias_en_array(4, array, 1, &resultado), 1);
  EXPECT_EQ(resultado, 1);
  ASSERT_EQ(ocurrencias_en_array(3, array, 1, &resultado), 1);
  EXPECT_EQ(resultado, 0);
}

TEST(OcurrenciasEnArray, ExtremosYNegativos) {
  const std::vector<int> array = {INT_MIN, -1, 0, INT_MAX, -1, INT_MIN, 1, -1};
  for (int valor : {INT_MIN, -1, 0, INT_MAX, 1, 2}) {
    int resultado = kGuarda;
    ASSERT_EQ(ocurrencias_en_array(valor, array.data(), array.size(), &resultado), 1);
    EXPECT_EQ(resultado, std::count(array.begin(), array.end(), valor)) << valor;
  }
}

TEST(OcurrenciasEnArray, ArraysAleatoriosComoLaReferencia) {
  std::mt19937 azar(99);
  std::uniform_int_distribution<int> pocos(-3, 3);  // small range: many duplicates
  for (size_t longitud = 1; longitud <= 64; longitud++) {
    std::vector<int> array(longitud);
    for (int& v : array) {
      v = pocos(azar);
    }
    const std::vector<int> copia = array;
    for (int valor = -4; valor <= 4; valor++) {
      int resultado = kGuarda;
      ASSERT_EQ(ocurrencias_en_array(valor, array.data(), longitud, &resultado), 1);
      EXPECT_EQ(resultado, std::count(array.begin(), array.end(), valor));
    }
    EXPECT_EQ(array, copia);
  }
}

TEST(OcurrenciasEnArray, ArgumentosRechazadosNoEscribenNada) {
  const int array[2] = {1, 2};
  int resultado = kGuarda;
  EXPECT_EQ(ocurrencias_en_array(1, nullptr, 2, &resultado), 0);
  EXPECT_EQ(ocurrencias_en_array(1, array, 0, &resultado), 0);
  EXPECT_EQ(ocurrencias_en_array(1, array, 2, nullptr), 0);
  EXPECT_EQ(resultado, kGuarda);
}

}  // namespace

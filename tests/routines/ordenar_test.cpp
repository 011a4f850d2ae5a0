#include "routines/ordenar.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <random>
#include <vector>

namespace {

constexpr int kGuarda = 0x5A5A5A5A;
constexpr size_t kGuardas = 4;

// Sorts datos inside a buffer with guard values on both sides and checks
// that the guards survive; returns the routine's status.
int ordenar_con_guardas(std::vector<int>& datos) {
  std::vector<int> bufer(kGuardas, kGuarda);
  bufer.insert(bufer.end(), datos.begin(), datos.end());
  bufer.insert(bufer.end(), kGuardas, kGuarda);
  int estado = ordenar(bufer.data() + kGuardas, datos.size());
  for (size_t i = 0; i < kGuardas; i++) {
    EXPECT_EQ(bufer[i], kGuarda) << "before the array, " << i;
    EXPECT_EQ(bufer[bufer.size() - 1 - i], kGuarda) << "after the array, " << i;
  }
  std::copy_n(bufer.begin() + kGuardas, datos.size(), datos.begin());
  return estado;
}

TEST(Ordenar, CasosConocidos) {
  const struct {
    const char* nombre;
    std::vector<int> entrada;
    std::vector<int> esperado;
  } casos[] = {
      {"demo", {5, 9, 4, 6, 8, 1, 3, 7, 2, 0}, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9}},
      {"ya ascendente", {1, 2, 3, 4}, {1, 2, 3, 4}},
      {"descendente", {9, 7, 5, 3, 1}, {1, 3, 5, 7, 9}},
      {"negativos", {-3, 2, -7}, {-7, -3, 2}},
      {"duplicados", {5, 1, 5, 1}, {1, 1, 5, 5}},
      {"extremos con signo", {INT_MAX, INT_MIN, -1, 0}, {INT_MIN, -1, 0, INT_MAX}},
      {"un elemento", {42}, {42}},
      {"dos iguales", {3, 3}, {3, 3}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    std::vector<int> datos = c.entrada;
    EXPECT_EQ(ordenar_con_guardas(datos), 1);
    EXPECT_EQ(datos, c.esperado);
  }
}

TEST(Ordenar, ArraysAleatoriosComoLaReferencia) {
  std::mt19937 azar(7);
  std::uniform_int_distribution<int> amplio(INT_MIN, INT_MAX);
  std::uniform_int_distribution<int> estrecho(-5, 5);
  for (size_t n = 2; n <= 40; n++) {
    for (int vuelta = 0; vuelta < 10; vuelta++) {
      std::vector<int> datos(n);
      for (int& v : datos) {
        v = vuelta % 2 ? amplio(azar) : estrecho(azar);
      }
      std::vector<int> esperado = datos;
      std::sort(esperado.begin(), esperado.end());
      ASSERT_EQ(ordenar_con_guardas(datos), 1);
      EXPECT_EQ(datos, esperado) << "n = " << n;
    }
  }
}

TEST(Ordenar, VacioNoTocaNadaYDevuelveUno) {
  std::vector<int> vacio;
  EXPECT_EQ(ordenar_con_guardas(vacio), 1);
}

TEST(Ordenar, PunteroNuloDevuelveCero) {
  EXPECT_EQ(ordenar(nullptr, 5), 0);
  EXPECT_EQ(ordenar(nullptr, 0), 0);
}

}  // namespace

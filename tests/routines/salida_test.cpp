// Every console program fails, and says so on standard error, when its
// standard output cannot be written: a full device or a closed descriptor.
#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "tests/routines/proceso.h"

namespace {

struct Programa {
  std::string nombre;
  std::vector<std::string> orden;
  std::string entrada;
};

std::vector<Programa> programas() {
  std::vector<Programa> lista = {
      {"demo_diagonal", {DEMO_DIAGONAL}, ""}, {"demo_contar", {DEMO_CONTAR}, "6\n"},
      {"demo_ordenar", {DEMO_ORDENAR}, ""},   {"demo_filas", {DEMO_FILAS}, ""},
      {"demo_producto", {DEMO_PRODUCTO}, ""}, {"demo_juego", {DEMO_JUEGO}, ""},
  };
#ifdef DEMO_I386
  std::vector<std::string> i386{DEMO_I386};
  if (*I386_RUNNER != '\0') i386.insert(i386.begin(), I386_RUNNER);
  lista.push_back({"demo_i386", i386, ""});
#endif
#ifdef DEMO_RELOJ
  lista.push_back({"demo_reloj",
                   {DEMO_RELOJ, FIRMWARE_IMAGES, testing::TempDir() + "demo_reloj_salida.png"},
                   ""});
#endif
  return lista;
}

void PrintTo(const Programa& programa, std::ostream* os) { *os << programa.nombre; }

using Caso = std::tuple<Programa, SalidaEstandar>;

class SalidaNoEscrita : public testing::TestWithParam<Caso> {};

TEST_P(SalidaNoEscrita, FallaYLoDiceEnErrores) {
  const auto& [programa, destino] = GetParam();
  ResultadoProceso r = ejecutar_programa(programa.orden, programa.entrada, destino);
  EXPECT_GT(r.estado, 0);
  const std::string motivo =
      destino == SalidaEstandar::Llena ? "No space left on device" : "Bad file descriptor";
  EXPECT_NE(r.errores.find(programa.nombre + ": cannot write standard output: " + motivo),
            std::string::npos)
      << r.errores;
}

INSTANTIATE_TEST_SUITE_P(
    Programas, SalidaNoEscrita,
    testing::Combine(testing::ValuesIn(programas()),
                     testing::Values(SalidaEstandar::Llena, SalidaEstandar::Cerrada)),
    [](const testing::TestParamInfo<Caso>& caso) {
      return std::get<0>(caso.param).nombre +
             (std::get<1>(caso.param) == SalidaEstandar::Llena ? "_Llena" : "_Cerrada");
    });

}  // namespace

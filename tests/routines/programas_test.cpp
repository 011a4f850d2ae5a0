// The console programs run as processes: exact standard output and status.
#include <gtest/gtest.h>

#include <string>

#include "tests/routines/proceso.h"

namespace {

TEST(Programas, DemoDiagonal) {
  ResultadoProceso r = ejecutar_programa(DEMO_DIAGONAL);
  EXPECT_EQ(r.salida, "Los argumentos son correctos y el resultado es: 15");
  EXPECT_EQ(r.estado, 0);
}

TEST(Programas, DemoOrdenar) {
  ResultadoProceso r = ejecutar_programa(DEMO_ORDENAR);
  EXPECT_EQ(r.salida, "Los argumentos son correctos.\n0  1  2  3  4  5  6  7  8  9  ");
  EXPECT_EQ(r.estado, 0);
}

TEST(Programas, DemoContarConValoresValidos) {
  const std::string pregunta = "Introduce el numero que desea buscar en el vector:";
  const struct {
    const char* entrada;
    const char* cuenta;
  } casos[] = {{"6\n", "3"}, {"1\n", "2"},  {"5", "2"},    {"  8\n", "1"},     {"9\n", "0"},
               {"0\n", "0"}, {"+4\n", "1"}, {"-6\n", "0"}, {"7 \r\n", "1"}};
  for (const auto& c : casos) {
    ResultadoProceso r = ejecutar_programa(DEMO_CONTAR, c.entrada);
    EXPECT_EQ(r.salida, pregunta + "Los argumentos son correctos y el resultado es: " + c.cuenta)
        << c.entrada;
    EXPECT_EQ(r.estado, 0) << c.entrada;
    EXPECT_EQ(r.errores, "") << c.entrada;
  }
}

TEST(Programas, DemoContarSinNumeroNoBuscaYFalla) {
  for (const char* entrada :
       {"", "seis\n", "6.5\n", "12abc\n", "99999999999\n", "6 abc\n", "7 basura\n"}) {
    ResultadoProceso r = ejecutar_programa(DEMO_CONTAR, entrada);
    EXPECT_EQ(r.salida, "Introduce el numero que desea buscar en el vector:") << entrada;
    EXPECT_NE(r.estado, 0) << entrada;
    EXPECT_NE(r.errores.find("No se ha introducido un numero entero decimal."), std::string::npos)
        << entrada;
  }
}

#ifdef DEMO_I386
TEST(Programas, DemoI386) {
  const char* esperado =
      "int_a_cadena_decimal(0) = \"0000000000\"\n"
      "int_a_cadena_decimal(42) = \"0000000042\"\n"
      "int_a_cadena_decimal(-1) = \"-0000000001\"\n"
      "int_a_cadena_decimal(2147483647) = \"2147483647\"\n"
      "int_a_cadena_decimal(-2147483648) = \"-2147483648\"\n"
      "uint_a_cadena_binario(0x00000000) = \"00000000000000000000000000000000\"\n"
      "uint_a_cadena_binario(0x00000005) = \"00000000000000000000000000000101\"\n"
      "uint_a_cadena_binario(0x80000000) = \"10000000000000000000000000000000\"\n"
      "uint_a_cadena_binario(0xFFFFFFFF) = \"11111111111111111111111111111111\"\n"
      "extraer_campos_float(1, bits 0x3F800000): mantisa 0x000000, exponente 127, signo 0\n"
      "extraer_campos_float(-2.5, bits 0xC0200000): mantisa 0x200000, exponente 128, signo 1\n"
      "extraer_campos_float(-0, bits 0x80000000): mantisa 0x000000, exponente 0, signo 1\n"
      "extraer_campos_float(1.4013e-45, bits 0x00000001): mantisa 0x000001, exponente 0, signo 0\n"
      "extraer_campos_float(inf, bits 0x7F800000): mantisa 0x000000, exponente 255, signo 0\n"
      "extraer_campos_float(nan, bits 0x7FC00000): mantisa 0x400000, exponente 255, signo 0\n"
      "logicas(0x12345678, 0x9ABCDEF0) = 0x12BCDEF0\n"
      "logicas(0xFFFFFFFF, 0x00000000) = 0xFF000000\n"
      "logicas(0x00000000, 0xFFFFFFFF) = 0x00FFFFFF\n";
  std::vector<std::string> orden{DEMO_I386};
  if (*I386_RUNNER != '\0') orden.insert(orden.begin(), I386_RUNNER);
  ResultadoProceso r = ejecutar_programa(orden);
  EXPECT_EQ(r.salida, esperado);
  EXPECT_EQ(r.estado, 0);
}
#endif

}  // namespace

#include "routines/leer_entero.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>

namespace {

TEST(ConvertirEntero, AceptaEnterosDecimalesQueCabenEnUnInt) {
  const struct {
    const char* texto;
    int valor;
  } casos[] = {{"6", 6},   {"0", 0},
               {"-5", -5}, {"+7", 7},
               {"007", 7}, {"2147483647", INT_MAX},
               {"-0", 0},  {"-2147483648", INT_MIN}};
  for (const auto& c : casos) {
    int valor = 12345;
    EXPECT_TRUE(convertir_entero(c.texto, &valor)) << c.texto;
    EXPECT_EQ(valor, c.valor) << c.texto;
  }
}

TEST(ConvertirEntero, RechazaLoQueNoEsUnEnteroSinTocarElValor) {
  for (const char* texto : {"", "abc", "6abc", "1.5", "+", "-", "+-5", "--5", "0x10", "2147483648",
                            "-2147483649", "99999999999999999999"}) {
    int valor = 12345;
    EXPECT_FALSE(convertir_entero(texto, &valor)) << texto;
    EXPECT_EQ(valor, 12345) << texto;
  }
}

bool leer_de(const std::string& entrada, int* valor) {
  std::FILE* f = fmemopen(const_cast<char*>(entrada.data()), entrada.size(), "r");
  bool leido = leer_entero(f, valor);
  std::fclose(f);
  return leido;
}

// The whole line is the answer: only blanks may surround the number.
TEST(LeerEntero, LeeLaLineaEnteraYSoloAceptaUnNumero) {
  const struct {
    const char* entrada;
    bool leido;
    int valor;
  } casos[] = {{" \n\t 42\n", true, 42}, {"-8 \r\n9", true, -8}, {"7\t\n", true, 7},
               {"", false, 3},           {"   \n", false, 3},      {"seis\n", false, 3},
               {"6x\n", false, 3},       {"-8 9", false, 3},       {"6 abc\n", false, 3},
               {"7 basura", false, 3}};
  for (const auto& c : casos) {
    int valor = 3;
    EXPECT_EQ(leer_de(c.entrada, &valor), c.leido) << c.entrada;
    EXPECT_EQ(valor, c.valor) << c.entrada;
  }
}

}  // namespace

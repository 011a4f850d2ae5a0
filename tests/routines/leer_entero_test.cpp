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

TEST(LeerEntero, SaltaEspaciosYLeeUnaPalabra) {
  int valor = 0;
  EXPECT_TRUE(leer_de(" \n\t 42\n", &valor));
  EXPECT_EQ(valor, 42);
  EXPECT_TRUE(leer_de("-8 9", &valor));
  EXPECT_EQ(valor, -8);
  valor = 3;
  EXPECT_FALSE(leer_de("", &valor));
  EXPECT_FALSE(leer_de("   \n", &valor));
  EXPECT_FALSE(leer_de("seis\n", &valor));
  EXPECT_FALSE(leer_de("6x\n", &valor));
  EXPECT_EQ(valor, 3);
}

}  // namespace

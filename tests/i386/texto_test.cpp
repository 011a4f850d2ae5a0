#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

#include "routines/int_a_cadena_decimal.h"
#include "routines/uint_a_cadena_binario.h"

namespace {

constexpr unsigned char kGuarda = 0xA5;
constexpr size_t kBufer = 40;

std::string decimal_referencia(int numero) {
  char texto[16];
  if (numero < 0) {
    std::snprintf(texto, sizeof texto, "-%010u", 0u - static_cast<unsigned>(numero));
  } else {
    std::snprintf(texto, sizeof texto, "%010d", numero);
  }
  return texto;
}

std::string binario_referencia(unsigned numero) {
  std::string texto;
  for (int bit = 31; bit >= 0; bit--) {
    texto.push_back((numero >> bit) & 1u ? '1' : '0');
  }
  return texto;
}

// Checks the text, its zero byte, the returned address, and that every byte
// after the zero byte still holds its guard.
void comprobar(const unsigned char* bufer, const char* devuelto, const std::string& esperado) {
  EXPECT_EQ(devuelto, reinterpret_cast<const char*>(bufer));
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(bufer), esperado.size()), esperado);
  EXPECT_EQ(bufer[esperado.size()], 0);
  for (size_t i = esperado.size() + 1; i < kBufer; i++) {
    ASSERT_EQ(bufer[i], kGuarda) << "byte " << i << " written";
  }
}

void comprobar_decimal(int numero, const std::string& esperado) {
  SCOPED_TRACE(numero);
  unsigned char bufer[kBufer];
  std::memset(bufer, kGuarda, sizeof bufer);
  const char* devuelto = int_a_cadena_decimal(numero, reinterpret_cast<char*>(bufer));
  comprobar(bufer, devuelto, esperado);
}

void comprobar_binario(unsigned numero, const std::string& esperado) {
  SCOPED_TRACE(numero);
  unsigned char bufer[kBufer];
  std::memset(bufer, kGuarda, sizeof bufer);
  const char* devuelto = uint_a_cadena_binario(numero, reinterpret_cast<char*>(bufer));
  comprobar(bufer, devuelto, esperado);
}

TEST(IntACadenaDecimal, CasosConocidos) {
  const struct {
    int numero;
    const char* texto;
  } casos[] = {{0, "0000000000"},          {42, "0000000042"},
               {-1, "-0000000001"},        {INT_MAX, "2147483647"},
               {INT_MIN, "-2147483648"},   {-2147483647, "-2147483647"},
               {1000000000, "1000000000"}, {-999999999, "-0999999999"},
               {7, "0000000007"},          {-10, "-0000000010"}};
  for (const auto& c : casos) {
    comprobar_decimal(c.numero, c.texto);
  }
}

TEST(IntACadenaDecimal, ValoresAleatoriosComoLaReferencia) {
  std::mt19937 azar(21);
  std::uniform_int_distribution<int> todos(INT_MIN, INT_MAX);
  for (int vuelta = 0; vuelta < 3000; vuelta++) {
    const int numero = todos(azar) >> (vuelta % 31);  // every magnitude, both signs
    comprobar_decimal(numero, decimal_referencia(numero));
  }
}

TEST(UintACadenaBinario, CasosConocidos) {
  comprobar_binario(0, std::string(32, '0'));
  comprobar_binario(0x80000000u, "1" + std::string(31, '0'));
  comprobar_binario(5, std::string(29, '0') + "101");
  comprobar_binario(0xFFFFFFFFu, std::string(32, '1'));
  comprobar_binario(0x12345678u, "00010010001101000101011001111000");
}

TEST(UintACadenaBinario, ValoresAleatoriosComoLaReferencia) {
  std::mt19937 azar(22);
  for (int vuelta = 0; vuelta < 3000; vuelta++) {
    const unsigned numero = static_cast<unsigned>(azar());
    comprobar_binario(numero, binario_referencia(numero));
  }
}

}  // namespace

// 32-bit program that calls each i386 routine on a few values and prints
// what it produced.
#include <bit>
#include <cstdint>
#include <cstdio>
#include <initializer_list>

#include "extraer_campos_float.h"
#include "int_a_cadena_decimal.h"
#include "logicas.h"
#include "uint_a_cadena_binario.h"

#include "host/output_check.h"

namespace {

void mostrar_decimal(int numero) {
  char cadena[12];
  std::printf("int_a_cadena_decimal(%d) = \"%s\"\n", numero, int_a_cadena_decimal(numero, cadena));
}

void mostrar_binario(unsigned int numero) {
  char cadena[33];
  std::printf("uint_a_cadena_binario(0x%08X) = \"%s\"\n", numero,
              uint_a_cadena_binario(numero, cadena));
}

void mostrar_campos(uint32_t bits) {
  uint32_t mantisa = 0;
  uint8_t exponente = 0;
  uint8_t signo = 0;
  float dato = std::bit_cast<float>(bits);
  extraer_campos_float(dato, &mantisa, &exponente, &signo);
  std::printf("extraer_campos_float(%g, bits 0x%08X): mantisa 0x%06X, exponente %u, signo %u\n",
              static_cast<double>(dato), bits, mantisa, exponente, signo);
}

void mostrar_logicas(uint32_t alto, uint32_t bajo) {
  std::printf("logicas(0x%08X, 0x%08X) = 0x%08X\n", alto, bajo, logicas(alto, bajo));
}

}  // namespace

int main() {
  for (int numero : {0, 42, -1, 2147483647, -2147483647 - 1}) {
    mostrar_decimal(numero);
  }
  for (unsigned int numero : {0u, 5u, 0x80000000u, 0xFFFFFFFFu}) {
    mostrar_binario(numero);
  }
  // 1.0, -2.5, -0.0, the smallest denormal, infinity and a quiet NaN.
  for (uint32_t bits :
       {0x3F800000u, 0xC0200000u, 0x80000000u, 0x00000001u, 0x7F800000u, 0x7FC00000u}) {
    mostrar_campos(bits);
  }
  mostrar_logicas(0x12345678u, 0x9ABCDEF0u);
  mostrar_logicas(0xFFFFFFFFu, 0u);
  mostrar_logicas(0u, 0xFFFFFFFFu);
  return host::finish_output(0, "demo_i386");
}

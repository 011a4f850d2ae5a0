#include <gtest/gtest.h>

#include <cstdint>
#include <random>

#include "routines/extraer_campos_float.h"
#include "routines/logicas.h"

// The same routine seen with its float argument as raw bits: an i386 float
// argument may travel through the x87 unit, which would quiet a signalling
// NaN before the routine sees it.
extern "C" void extraer_campos_float_bits(uint32_t dato, uint32_t* mantisa, uint8_t* exponente,
                                          uint8_t* signo) __asm__("extraer_campos_float");

namespace {

constexpr uint32_t kGuarda32 = 0x5A5A5A5A;
constexpr uint8_t kGuarda8 = 0xA5;

struct Campos {
  uint32_t mantisa;
  uint8_t exponente;
  uint8_t signo;
};

// Extracts into targets surrounded by guards and checks the guards survive:
// exactly 4, 1 and 1 bytes are written.
Campos extraer(uint32_t bits) {
  uint32_t palabras[3] = {kGuarda32, kGuarda32, kGuarda32};
  uint8_t bytes[5] = {kGuarda8, kGuarda8, kGuarda8, kGuarda8, kGuarda8};
  extraer_campos_float_bits(bits, &palabras[1], &bytes[1], &bytes[3]);
  EXPECT_EQ(palabras[0], kGuarda32);
  EXPECT_EQ(palabras[2], kGuarda32);
  EXPECT_EQ(bytes[0], kGuarda8);
  EXPECT_EQ(bytes[2], kGuarda8);
  EXPECT_EQ(bytes[4], kGuarda8);
  return {palabras[1], bytes[1], bytes[3]};
}

void comprobar(uint32_t bits, uint32_t mantisa, unsigned exponente, unsigned signo) {
  const Campos c = extraer(bits);
  EXPECT_EQ(c.mantisa, mantisa) << std::hex << bits;
  EXPECT_EQ(c.exponente, exponente) << std::hex << bits;
  EXPECT_EQ(c.signo, signo) << std::hex << bits;
}

TEST(ExtraerCamposFloat, CasosConocidos) {
  comprobar(0x3F800000, 0, 127, 0);         // 1.0
  comprobar(0xC0200000, 0x200000, 128, 1);  // -2.5
  comprobar(0x00000000, 0, 0, 0);           // +0.0
  comprobar(0x80000000, 0, 0, 1);           // -0.0
  comprobar(0x00000001, 1, 0, 0);           // smallest denormal
  comprobar(0x807FFFFF, 0x7FFFFF, 0, 1);    // largest negative denormal
  comprobar(0x7F800000, 0, 255, 0);         // +infinity
  comprobar(0xFF800000, 0, 255, 1);         // -infinity
  comprobar(0x7FC00000, 0x400000, 255, 0);  // quiet NaN
  comprobar(0x7F800001, 1, 255, 0);         // signalling NaN, payload kept
  comprobar(0x7F7FFFFF, 0x7FFFFF, 254, 0);  // largest finite
}

TEST(ExtraerCamposFloat, PatronesAleatoriosComoLaReferencia) {
  std::mt19937 azar(31);
  for (int vuelta = 0; vuelta < 5000; vuelta++) {
    const uint32_t bits = static_cast<uint32_t>(azar());
    comprobar(bits, bits & 0x007FFFFFu, (bits >> 23) & 0xFFu, bits >> 31);
  }
}

TEST(ExtraerCamposFloat, ConElArgumentoFloatDeclarado) {
  uint32_t mantisa = 0;
  uint8_t exponente = 0, signo = 0;
  extraer_campos_float(-2.5f, &mantisa, &exponente, &signo);
  EXPECT_EQ(mantisa, 0x200000u);
  EXPECT_EQ(exponente, 128);
  EXPECT_EQ(signo, 1);
}

TEST(Logicas, CasosConocidosYAleatorios) {
  EXPECT_EQ(logicas(0x12345678u, 0x9ABCDEF0u), 0x12BCDEF0u);
  EXPECT_EQ(logicas(0xFFFFFFFFu, 0u), 0xFF000000u);
  EXPECT_EQ(logicas(0u, 0xFFFFFFFFu), 0x00FFFFFFu);
  std::mt19937 azar(41);
  for (int vuelta = 0; vuelta < 5000; vuelta++) {
    const uint32_t alto = static_cast<uint32_t>(azar()), bajo = static_cast<uint32_t>(azar());
    EXPECT_EQ(logicas(alto, bajo), (alto & 0xFF000000u) | (bajo & 0x00FFFFFFu));
  }
}

}  // namespace

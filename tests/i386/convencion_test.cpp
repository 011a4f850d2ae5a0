// The i386 routines keep ebx, esi, edi and ebp, as cdecl asks.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

#include "routines/extraer_campos_float.h"
#include "routines/int_a_cadena_decimal.h"
#include "routines/logicas.h"
#include "routines/uint_a_cadena_binario.h"
#include "tests/i386/convencion_i386.h"

namespace {

uint32_t dir(const void* p) { return static_cast<uint32_t>(reinterpret_cast<uintptr_t>(p)); }

TEST(ConvencionI386, RutinasConservanLosRegistros) {
  char decimal[12], negativo[12], binario[33];
  uint32_t mantisa = 0;
  uint8_t exponente = 0, signo = 0;
  const struct {
    const char* nombre;
    const void* rutina;
    uint32_t argumentos[4];
    uint32_t devuelto;
  } llamadas[] = {
      {"int_a_cadena_decimal",
       reinterpret_cast<const void*>(&int_a_cadena_decimal),
       {123, dir(decimal), 0, 0},
       dir(decimal)},
      {"int_a_cadena_decimal negativo",
       reinterpret_cast<const void*>(&int_a_cadena_decimal),
       {0x80000000u, dir(negativo), 0, 0},
       dir(negativo)},
      {"uint_a_cadena_binario",
       reinterpret_cast<const void*>(&uint_a_cadena_binario),
       {6, dir(binario), 0, 0},
       dir(binario)},
      {"logicas",
       reinterpret_cast<const void*>(&logicas),
       {0xAB000000u, 0x00CDEF12u, 0, 0},
       0xABCDEF12u},
  };
  for (const auto& l : llamadas) {
    uint32_t alterados = 0xFFFFFFFF;
    EXPECT_EQ(llamar_comprobando_registros_i386(l.rutina, l.argumentos, &alterados), l.devuelto)
        << l.nombre;
    EXPECT_EQ(alterados, 0u) << l.nombre;
  }
  EXPECT_STREQ(decimal, "0000000123");
  EXPECT_STREQ(negativo, "-2147483648");
  EXPECT_EQ(std::strncmp(binario + 29, "110", 4), 0);

  const uint32_t campos[4] = {0xC0200000u, dir(&mantisa), dir(&exponente), dir(&signo)};
  uint32_t alterados = 0xFFFFFFFF;
  llamar_comprobando_registros_i386(reinterpret_cast<const void*>(&extraer_campos_float), campos,
                                    &alterados);
  EXPECT_EQ(alterados, 0u);
  EXPECT_EQ(mantisa, 0x200000u);
  EXPECT_EQ(exponente, 128);
  EXPECT_EQ(signo, 1);
}

TEST(ConvencionI386, LaComprobacionDetectaRegistrosAlterados) {
  const uint32_t sin_argumentos[4] = {};
  uint32_t alterados = 0;
  llamar_comprobando_registros_i386(reinterpret_cast<const void*>(&altera_registros_i386),
                                    sin_argumentos, &alterados);
  EXPECT_EQ(alterados, ALTERADO_EBX | ALTERADO_ESI | ALTERADO_EDI | ALTERADO_EBP);
}

}  // namespace

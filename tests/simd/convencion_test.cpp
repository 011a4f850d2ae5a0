// The SSE routines keep rbx, rbp and r12 to r15 on every path.
#include <gtest/gtest.h>

#include <cstdint>

#include "tests/routines/convencion_x86_64.h"
#include "tests/simd/sse.h"

namespace {

uint64_t dir(const void* p) { return reinterpret_cast<uint64_t>(p); }

TEST(ConvencionSse, RutinasConservanLosRegistros) {
  alignas(16) float matriz[16] = {};
  alignas(16) float suma[4] = {};
  alignas(16) float vector[40] = {};
  float resultado = 0;
  const struct {
    const char* nombre;
    const void* rutina;
    uint64_t argumentos[4];
    uint32_t estado;
  } llamadas[] = {
      {"sse_renglones",
       reinterpret_cast<const void*>(&sse_renglones),
       {dir(matriz), dir(suma), 0, 0},
       1},
      {"sse_renglones nulo",
       reinterpret_cast<const void*>(&sse_renglones),
       {dir(matriz), 0, 0, 0},
       0},
      {"sse_producto_escalar",
       reinterpret_cast<const void*>(&sse_producto_escalar),
       {dir(vector), dir(vector), 39, dir(&resultado)},
       1},
      {"sse_producto_escalar nulo",
       reinterpret_cast<const void*>(&sse_producto_escalar),
       {0, dir(vector), 39, dir(&resultado)},
       0},
  };
  for (const auto& l : llamadas) {
    uint32_t alterados = 0xFFFFFFFF;
    const uint64_t estado = llamar_comprobando_registros(l.rutina, l.argumentos, &alterados);
    EXPECT_EQ(static_cast<uint32_t>(estado), l.estado) << l.nombre;
    EXPECT_EQ(alterados, 0u) << l.nombre;
  }
}

}  // namespace

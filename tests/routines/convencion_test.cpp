// The x86-64 routines keep rbx, rbp and r12 to r15, on their success paths
// and on their rejection paths alike.
#include <gtest/gtest.h>

#include <cstdint>

#include "routines/ocurrencias_en_array.h"
#include "routines/ordenar.h"
#include "routines/sumar_diagonal.h"
#include "tests/routines/convencion_x86_64.h"

namespace {

uint64_t dir(const void* p) { return reinterpret_cast<uint64_t>(p); }

struct Llamada {
  const char* nombre;
  const void* rutina;
  uint64_t argumentos[4];
  uint64_t estado;
};

TEST(ConvencionX86_64, RutinasEnterasConservanLosRegistros) {
  long matriz[4] = {1, 2, 3, 4};
  long suma = 0;
  int array[4] = {4, 3, 3, 1};
  int cuenta = 0;
  const Llamada llamadas[] = {
      {"sumar_diagonal",
       reinterpret_cast<const void*>(&sumar_diagonal),
       {dir(matriz), 2, dir(&suma), 0},
       1},
      {"sumar_diagonal nulo",
       reinterpret_cast<const void*>(&sumar_diagonal),
       {0, 2, dir(&suma), 0},
       0},
      {"ocurrencias_en_array",
       reinterpret_cast<const void*>(&ocurrencias_en_array),
       {3, dir(array), 4, dir(&cuenta)},
       1},
      {"ocurrencias_en_array longitud 0",
       reinterpret_cast<const void*>(&ocurrencias_en_array),
       {3, dir(array), 0, dir(&cuenta)},
       0},
      {"ordenar", reinterpret_cast<const void*>(&ordenar), {dir(array), 4, 0, 0}, 1},
      {"ordenar nulo", reinterpret_cast<const void*>(&ordenar), {0, 4, 0, 0}, 0},
  };
  for (const Llamada& l : llamadas) {
    uint32_t alterados = 0xFFFFFFFF;
    uint64_t estado = llamar_comprobando_registros(l.rutina, l.argumentos, &alterados);
    EXPECT_EQ(static_cast<uint32_t>(estado), l.estado) << l.nombre;
    EXPECT_EQ(alterados, 0u) << l.nombre;
  }
  EXPECT_EQ(suma, 5);
  EXPECT_EQ(cuenta, 2);
  EXPECT_EQ(array[0], 1);
  EXPECT_EQ(array[3], 4);
}

TEST(ConvencionX86_64, LaComprobacionDetectaRegistrosAlterados) {
  const uint64_t sin_argumentos[4] = {};
  uint32_t alterados = 0;
  llamar_comprobando_registros(reinterpret_cast<const void*>(&altera_registros_x86_64),
                               sin_argumentos, &alterados);
  EXPECT_EQ(alterados, ALTERADO_RBX | ALTERADO_RBP | ALTERADO_R12 | ALTERADO_R13 | ALTERADO_R14 |
                           ALTERADO_R15);
}

}  // namespace

// The SSE console programs run as processes: exact standard output and status.
#include <gtest/gtest.h>

#include "tests/routines/proceso.h"

namespace {

TEST(ProgramasSse, DemoFilas) {
  ResultadoProceso r = ejecutar_programa(DEMO_FILAS);
  EXPECT_EQ(
      r.salida,
      "Los argumentos son validos y la suma es:28.000000 - 32.000000 - 36.000000 - 40.000000");
  EXPECT_EQ(r.estado, 0);
}

TEST(ProgramasSse, DemoProducto) {
  ResultadoProceso r = ejecutar_programa(DEMO_PRODUCTO);
  EXPECT_EQ(r.salida, "Los argumentos son validos y la suma es");
  EXPECT_EQ(r.estado, 0);
}

}  // namespace

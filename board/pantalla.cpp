#include "pantalla.h"

// First in the SDRAM: the LCD controller scans from 0xA0000000.
__attribute__((section(".sdram.frame_buffer"), aligned(8)))
uint16_t glcd_marco[GLCD_TAMANO_Y][GLCD_TAMANO_X];

namespace {

// In 64 bits, so that a rectangle reaching past INT32_MAX cannot wrap.
int32_t acotar(int64_t v, int32_t limite) {
  return v < 0 ? 0 : v > limite ? limite : static_cast<int32_t>(v);
}

}  // namespace

void pantalla_rellenar(int32_t x, int32_t y, int32_t ancho, int32_t alto, uint16_t color) {
  const int32_t x0 = acotar(x, GLCD_TAMANO_X);
  const int32_t y0 = acotar(y, GLCD_TAMANO_Y);
  const int32_t x1 = acotar(int64_t{x} + ancho, GLCD_TAMANO_X);
  const int32_t y1 = acotar(int64_t{y} + alto, GLCD_TAMANO_Y);
  for (int32_t fila = y0; fila < y1; ++fila) {
    for (int32_t columna = x0; columna < x1; ++columna) {
      glcd_marco[fila][columna] = color;
    }
  }
}

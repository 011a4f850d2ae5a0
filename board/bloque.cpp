// A game block: its whole 15 x 15 cell in one colour, so painting it black
// erases it completely.
#include "bloque.h"

#include "pantalla.h"

void bloque_pintar(int32_t x, int32_t y, int16_t color) {
  pantalla_rellenar(x, y, BLOQUE_TAMANO, BLOQUE_TAMANO, static_cast<uint16_t>(color));
}

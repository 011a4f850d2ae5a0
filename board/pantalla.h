// The LCD frame buffer: 480 x 272 RGB565 pixels in SDRAM, row-major from the
// top-left corner, the layout the LCD controller scans.
#ifndef PANTALLA_H
#define PANTALLA_H

#include <stdint.h>

#include "glcd.h"

extern "C" uint16_t glcd_marco[GLCD_TAMANO_Y][GLCD_TAMANO_X];

// Fills the part of the rectangle that lies on the screen.
void pantalla_rellenar(int32_t x, int32_t y, int32_t ancho, int32_t alto, uint16_t color);

inline bool pantalla_contiene(int32_t x, int32_t y) {
  return x >= 0 && x < GLCD_TAMANO_X && y >= 0 && y < GLCD_TAMANO_Y;
}

#endif

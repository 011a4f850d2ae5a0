// Painter of one game block on the LCD.
#ifndef BLOQUE_H
#define BLOQUE_H

#include <stdint.h>

#define BLOQUE_TAMANO 15  // side of a block in pixels

#ifdef __cplusplus
extern "C" {
#endif

// Paints the 15 x 15 block whose top-left corner is (x, y) in an RGB565
// colour; colour 0 (black) erases it.
void bloque_pintar(int32_t x, int32_t y, int16_t color);

#ifdef __cplusplus
}
#endif

#endif

// Graphic LCD: 480 x 272 RGB565 panel with text in three bitmap fonts.
#ifndef GLCD_H
#define GLCD_H

#include <stdint.h>

#define GLCD_TAMANO_X 480
#define GLCD_TAMANO_Y 272

#define RGB(r, g, b) ((((r) & 0xF8) << 8) | (((g) & 0xFC) << 3) | (((b) & 0xF8) >> 3))

#define BLACK RGB(0, 0, 0)
#define DARKBLUE RGB(0, 0, 128)
#define DARKGREEN RGB(0, 128, 0)
#define DARKCYAN RGB(0, 128, 128)
#define MAROON RGB(128, 0, 0)
#define PURPLE RGB(128, 0, 128)
#define OLIVE RGB(128, 255, 0)
#define ORANGE RGB(255, 128, 0)
#define LIGHTGREY RGB(192, 192, 192)
#define DARKGREY RGB(128, 128, 128)
#define BLUE RGB(0, 0, 255)
#define GREEN RGB(0, 255, 0)
#define CYAN RGB(0, 255, 255)
#define RED RGB(255, 0, 0)
#define MAGENTA RGB(255, 0, 255)
#define YELLOW RGB(255, 255, 0)
#define WHITE RGB(255, 255, 255)

#define NEGRO BLACK
#define AZUL_OSCURO DARKBLUE
#define VERDE_OSCURO DARKGREEN
#define CIAN_OSCURO DARKCYAN
#define MARRON MAROON
#define PURPURA PURPLE
#define OLIVA OLIVE
#define NARANJA ORANGE
#define GRIS_CLARO LIGHTGREY
#define GRIS_OSCURO DARKGREY
#define AZUL BLUE
#define VERDE GREEN
#define CIAN CYAN
#define ROJO RED
#define AMARILLO YELLOW
#define BLANCO WHITE

#define FONT8X16 0
#define FONT12X24 1
#define FONT16X32 2
#define NUMERO_FONTS 3

// One bitmap font: glyphs for the characters primer_caracter..ultimo_caracter,
// each pixels_alto rows of pixels_ancho bits, most significant bit leftmost,
// every row padded to whole bytes.
typedef struct {
  uint32_t pixels_ancho;
  uint32_t pixels_alto;
  uint32_t primer_caracter;
  uint32_t ultimo_caracter;
  const uint8_t* datos;
} font_t;

#ifdef __cplusplus
extern "C" {
#endif

void glcd_inicializar(void);
// Prints formatted text with its top-left corner at (x, y), filling the
// background behind the glyphs; safe in interrupt handlers.
int32_t glcd_xprintf(int32_t x, int32_t y, uint16_t color, uint16_t color_fondo, uint32_t font,
                     const char* formato, ...) __attribute__((format(printf, 6, 7)));

#ifdef __cplusplus
}
#endif

#endif

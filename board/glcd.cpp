// Graphic LCD service: brings up the SDRAM and the panel, and draws
// formatted text cell by cell straight into the frame buffer.
#include "glcd.h"

#include <stdarg.h>

#include "error.h"
#include "formato.h"
#include "glcd_fuentes.h"
#include "lcd.h"
#include "pantalla.h"
#include "sdram.h"

namespace {

struct Cursor {
  int32_t x;
  int32_t y;
  uint16_t color;
  uint16_t fondo;
  const font_t* fuente;
};

const uint8_t* glifo(const font_t& f, uint8_t caracter) {
  const uint32_t c = caracter < f.primer_caracter || caracter > f.ultimo_caracter ? '?' : caracter;
  const uint32_t bytes_por_fila = (f.pixels_ancho + 7) / 8;
  return f.datos + (c - f.primer_caracter) * f.pixels_alto * bytes_por_fila;
}

// Every pixel of the cell: set bits in the text colour, clear ones in the
// background; the parts off the screen are skipped.
void dibujar_caracter(void* contexto, char caracter) {
  Cursor& cursor = *static_cast<Cursor*>(contexto);
  const font_t& f = *cursor.fuente;
  const uint8_t* datos = glifo(f, static_cast<uint8_t>(caracter));
  const uint32_t bytes_por_fila = (f.pixels_ancho + 7) / 8;
  for (uint32_t fila = 0; fila < f.pixels_alto; ++fila) {
    const int64_t y = int64_t{cursor.y} + fila;
    for (uint32_t columna = 0; columna < f.pixels_ancho; ++columna) {
      const int64_t x = int64_t{cursor.x} + columna;
      if (x < 0 || x >= GLCD_TAMANO_X || y < 0 || y >= GLCD_TAMANO_Y) {
        continue;
      }
      const uint8_t byte = datos[fila * bytes_por_fila + columna / 8];
      const bool activo = (byte & (0x80u >> (columna % 8))) != 0;
      glcd_marco[y][x] = activo ? cursor.color : cursor.fondo;
    }
  }
  // Saturates instead of wrapping round to the left of the screen.
  const int64_t siguiente = int64_t{cursor.x} + f.pixels_ancho;
  cursor.x = siguiente > GLCD_TAMANO_X ? GLCD_TAMANO_X : static_cast<int32_t>(siguiente);
}

}  // namespace

void glcd_inicializar(void) {
  sdram_inicializar();
  pantalla_rellenar(0, 0, GLCD_TAMANO_X, GLCD_TAMANO_Y, NEGRO);
  lcd_inicializar(&glcd_marco[0][0]);
}

int32_t glcd_xprintf(int32_t x, int32_t y, uint16_t color, uint16_t color_fondo, uint32_t font,
                     const char* formato, ...) {
  ASSERT(font < NUMERO_FONTS, "Fuente no valida.");
  Cursor cursor = {x, y, color, color_fondo, &glcd_fuentes[font]};
  va_list argumentos;
  va_start(argumentos, formato);
  const int32_t escritos = formato_aplicar(dibujar_caracter, &cursor, formato, argumentos);
  va_end(argumentos);
  return escritos;
}

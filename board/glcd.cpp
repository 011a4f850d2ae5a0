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

// The part [desde, hasta) of a cell side `largo` pixels long, starting at
// `inicio`, that falls within [0, limite).
void visible(int32_t inicio, uint32_t largo, int32_t limite, uint32_t& desde, uint32_t& hasta) {
  const int64_t primero = -int64_t{inicio};
  const int64_t ultimo = int64_t{limite} - inicio;
  desde = primero <= 0 ? 0 : primero >= largo ? largo : static_cast<uint32_t>(primero);
  hasta = ultimo <= 0 ? 0 : ultimo >= largo ? largo : static_cast<uint32_t>(ultimo);
}

// Every pixel of the cell on the screen: set bits in the text colour, clear
// ones in the background.
void dibujar_caracter(void* contexto, char caracter) {
  Cursor& cursor = *static_cast<Cursor*>(contexto);
  const font_t& f = *cursor.fuente;
  const uint8_t* datos = glifo(f, static_cast<uint8_t>(caracter));
  const uint32_t bytes_por_fila = (f.pixels_ancho + 7) / 8;
  uint32_t columna0, columna1, fila0, fila1;
  visible(cursor.x, f.pixels_ancho, GLCD_TAMANO_X, columna0, columna1);
  visible(cursor.y, f.pixels_alto, GLCD_TAMANO_Y, fila0, fila1);
  for (uint32_t fila = fila0; fila < fila1 && columna0 < columna1; ++fila) {
    const uint8_t* bits = datos + fila * bytes_por_fila;
    uint16_t* pixel = &glcd_marco[cursor.y + static_cast<int32_t>(fila)]
                                 [cursor.x + static_cast<int32_t>(columna0)];
    for (uint32_t columna = columna0; columna < columna1; ++columna) {
      const bool activo = (bits[columna / 8] & (0x80u >> (columna % 8))) != 0;
      *pixel++ = activo ? cursor.color : cursor.fondo;
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

// Text and blocks on the LCD, drawn on the host into the same frame buffer
// the firmware uses: glyph cells from the generated fonts, '?' for
// characters outside a font, and clipping at every edge without wrapping
// onto the next row.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

#include "bloque.h"
#include "error_stop.h"
#include "glcd.h"
#include "glcd_fuentes.h"
#include "lcd.h"
#include "pantalla.h"
#include "sdram.h"

// The panel bring-up is not the subject here.
void sdram_inicializar() {}
void lcd_inicializar(const uint16_t*) {}
bool lcd_encendido() { return true; }

namespace {

constexpr uint16_t kTestigo = 0x1234;  // what no drawing writes
constexpr uint16_t kTinta = VERDE;
constexpr uint16_t kFondo = AZUL;

class Pantalla : public testing::Test {
 protected:
  void SetUp() override { pantalla_rellenar(0, 0, GLCD_TAMANO_X, GLCD_TAMANO_Y, kTestigo); }

  // Whether (x, y) holds what `caracter` of `font` puts there when its cell
  // starts at (x0, y0).
  static bool pixel_de_glifo(uint32_t font, unsigned char caracter, int x0, int y0, int x, int y) {
    const font_t& f = glcd_fuentes[font];
    const uint32_t ancho_bytes = (f.pixels_ancho + 7) / 8;
    const uint8_t* g = f.datos + (caracter - f.primer_caracter) * f.pixels_alto * ancho_bytes;
    const int columna = x - x0;
    const int fila = y - y0;
    const bool activo = (g[fila * ancho_bytes + columna / 8] & (0x80 >> (columna % 8))) != 0;
    return glcd_marco[y][x] == (activo ? kTinta : kFondo);
  }

  static int contar(uint16_t color) {
    int n = 0;
    for (const auto& fila : glcd_marco) {
      for (const uint16_t p : fila) {
        n += p == color ? 1 : 0;
      }
    }
    return n;
  }
};

TEST_F(Pantalla, EveryPixelOfEveryCellIsGlyphOrBackground) {
  for (uint32_t font = 0; font < NUMERO_FONTS; ++font) {
    SCOPED_TRACE(font);
    SetUp();
    const std::string texto = "12:5\xE1\x01";  // a Latin-1 letter, then a control: '?'
    EXPECT_EQ(glcd_xprintf(3, 5, kTinta, kFondo, font, "%s", texto.c_str()), 6);
    const font_t& f = glcd_fuentes[font];
    const int ancho = static_cast<int>(f.pixels_ancho);
    const int alto = static_cast<int>(f.pixels_alto);
    for (int i = 0; i < 6; ++i) {
      const unsigned char c = i == 5 ? '?' : static_cast<unsigned char>(texto[i]);
      for (int y = 5; y < 5 + alto; ++y) {
        for (int x = 3 + i * ancho; x < 3 + (i + 1) * ancho; ++x) {
          ASSERT_TRUE(pixel_de_glifo(font, c, 3 + i * ancho, 5, x, y))
              << "character " << i << " at " << x << "," << y;
        }
      }
    }
    EXPECT_EQ(contar(kTestigo), GLCD_TAMANO_X * GLCD_TAMANO_Y - 6 * ancho * alto);
  }
}

TEST_F(Pantalla, TextIsClippedAtEveryEdge) {
  const struct {
    int x, y;
    int visibles;                      // pixels of the 8 x 16 cells that land on the screen
  } casos[] = {{-4, 0, (4 + 8) * 16},  // "AB": the right half of A, all of B
               {GLCD_TAMANO_X - 4, 0, 4 * 16},  // the left half of A; B beyond the edge
               {0, GLCD_TAMANO_Y - 2, 2 * 8 * 2},
               {0, -15, 2 * 8 * 1},
               {GLCD_TAMANO_X, 0, 0},
               {-100, 0, 0}};
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    SetUp();
    glcd_xprintf(c.x, c.y, kTinta, kFondo, FONT8X16, "AB");
    EXPECT_EQ(GLCD_TAMANO_X * GLCD_TAMANO_Y - contar(kTestigo), c.visibles);
  }
  SetUp();
  glcd_xprintf(GLCD_TAMANO_X - 4, 10, kTinta, kFondo, FONT8X16, "AB");
  EXPECT_EQ(glcd_marco[11][0], kTestigo) << "nothing wraps onto the next row";
  EXPECT_TRUE(pixel_de_glifo(FONT8X16, 'A', GLCD_TAMANO_X - 4, 10, GLCD_TAMANO_X - 1, 20));
}

TEST_F(Pantalla, BlocksFillTheirCellClippedAtTheEdges) {
  const struct {
    int x, y;
    int visibles;
  } casos[] = {{0, 0, 225},      {100, 50, 225}, {GLCD_TAMANO_X - 10, 0, 150},
               {-5, -5, 100},    {-15, 0, 0},    {0, GLCD_TAMANO_Y - 1, 15},
               {INT32_MAX, 0, 0}};
  for (const auto& c : casos) {
    SCOPED_TRACE(testing::Message() << c.x << "," << c.y);
    SetUp();
    bloque_pintar(c.x, c.y, static_cast<int16_t>(BLANCO));
    EXPECT_EQ(contar(BLANCO), c.visibles);
  }
  SetUp();
  bloque_pintar(GLCD_TAMANO_X - 10, 10, static_cast<int16_t>(BLANCO));
  EXPECT_EQ(glcd_marco[11][0], kTestigo) << "nothing wraps onto the next row";
}

TEST_F(Pantalla, AFontNumberOutsideTheTableStops) {
  const ErrorStop e =
      expect_error_stop([] { glcd_xprintf(0, 0, kTinta, kFondo, NUMERO_FONTS, "x"); });
  EXPECT_EQ(e.message, "Fuente no valida.");
  EXPECT_EQ(contar(kTestigo), GLCD_TAMANO_X * GLCD_TAMANO_Y);
}

}  // namespace

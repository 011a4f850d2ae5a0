// imagen_prueba gris|color SALIDA.bmp [ANCHO ALTO]
//
// Draws a test picture with the BMP library: a grey one (8 bits, grey-ramp
// palette) or a colour one (24 bits), with gradients, a disc, a ring and bars
// spanning dark and bright levels, so a threshold has edges to show.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "mapabits.h"

namespace {

constexpr UINT kAnchoPorDefecto = 320;
constexpr UINT kAltoPorDefecto = 200;

struct Liberar {
  void operator()(BMP* bmp) const { BMP_Free(bmp); }
};

struct Color {
  UCHAR r, g, b;
};

UCHAR Escala(long valor, long maximo) {
  return static_cast<UCHAR>(maximo > 0 ? valor * 255 / maximo : 0);
}

// The picture as a colour at each point (x from the left, y from the top).
Color Dibujo(UINT x, UINT y, UINT ancho, UINT alto) {
  const long dx = 2L * x - ancho, dy = 2L * y - alto;
  const long radio = (ancho < alto ? ancho : alto) / 3;
  const long d2 = (dx * dx + dy * dy) / 4;
  if (d2 < radio * radio / 4) return {255, 240, 40};                           // bright disc
  if (d2 < radio * radio && d2 > radio * radio * 9 / 16) return {20, 30, 90};  // dark ring
  if (y < alto / 8 && (x / 16) % 2 == 0) return {0, 0, 0};                     // black bars
  return {Escala(x, ancho - 1), Escala(y, alto - 1), Escala(ancho - 1 - x, ancho - 1)};
}

BMP* Dibujar(bool gris, UINT ancho, UINT alto) {
  BMP* bmp = BMP_Create(ancho, alto, gris ? 8 : 24);
  if (bmp == nullptr) return nullptr;
  for (int i = 0; gris && i < 256; ++i) {
    const auto nivel = static_cast<UCHAR>(i);
    BMP_SetPaletteColor(bmp, nivel, nivel, nivel, nivel);
  }
  for (UINT y = 0; y < alto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      const Color c = Dibujo(x, y, ancho, alto);
      if (gris) {
        BMP_SetPixelIndex(bmp, x, y,
                          static_cast<UCHAR>((299 * c.r + 587 * c.g + 114 * c.b) / 1000));
      } else {
        BMP_SetPixelRGB(bmp, x, y, c.r, c.g, c.b);
      }
    }
  }
  return bmp;
}

}  // namespace

int main(int argc, char** argv) {
  const bool tipo_valido =
      argc >= 3 && (std::strcmp(argv[1], "gris") == 0 || std::strcmp(argv[1], "color") == 0);
  if (!tipo_valido || (argc != 3 && argc != 5)) {
    std::fprintf(stderr, "uso: imagen_prueba gris|color SALIDA.bmp [ANCHO ALTO]\n");
    return 2;
  }
  const UINT ancho =
      argc == 5 ? static_cast<UINT>(std::strtoul(argv[3], nullptr, 10)) : kAnchoPorDefecto;
  const UINT alto =
      argc == 5 ? static_cast<UINT>(std::strtoul(argv[4], nullptr, 10)) : kAltoPorDefecto;
  std::unique_ptr<BMP, Liberar> bmp(Dibujar(std::strcmp(argv[1], "gris") == 0, ancho, alto));
  BMP_CHECK_ERROR(stderr, 1);
  BMP_WriteFile(bmp.get(), argv[2]);
  BMP_CHECK_ERROR(stderr, 1);
  std::printf("%s\n", argv[2]);
  return 0;
}

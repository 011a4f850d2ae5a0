// imagen_prueba gris|color SALIDA.bmp [ANCHO ALTO]
//
// Draws a test picture with the BMP library: a grey one (8 bits, grey-ramp
// palette) or a colour one (24 bits), with gradients, a disc, a ring and bars
// spanning dark and bright levels, so a threshold has edges to show.
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

#include "host/output_check.h"
#include "host/strict_number.h"
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

// A size in pixels: a whole decimal number from 1 to 2^32 - 1.
std::optional<UINT> Dimension(const char* texto) {
  const std::optional<std::uint64_t> valor = host::parse_unsigned(texto, UINT32_MAX);
  if (!valor || *valor == 0) return std::nullopt;
  return static_cast<UINT>(*valor);
}

// The output is standard output itself, so the file name printed at the end
// must not go there.
bool EsSalidaEstandar(const char* ruta) {
  struct stat salida {}, estandar {};
  return stat(ruta, &salida) == 0 && fstat(1, &estandar) == 0 &&
         salida.st_dev == estandar.st_dev && salida.st_ino == estandar.st_ino;
}

int Ejecutar(int argc, char** argv) {
  const bool tipo_valido =
      argc >= 3 && (std::strcmp(argv[1], "gris") == 0 || std::strcmp(argv[1], "color") == 0);
  const std::optional<UINT> ancho = argc == 5 ? Dimension(argv[3]) : kAnchoPorDefecto;
  const std::optional<UINT> alto = argc == 5 ? Dimension(argv[4]) : kAltoPorDefecto;
  if (!tipo_valido || (argc != 3 && argc != 5) || !ancho || !alto) {
    std::fprintf(stderr,
                 "uso: imagen_prueba gris|color SALIDA.bmp [ANCHO ALTO] (enteros de 1 a "
                 "4294967295)\n");
    return 2;
  }
  std::FILE* const informe = EsSalidaEstandar(argv[2]) ? stderr : stdout;
  std::unique_ptr<BMP, Liberar> bmp(Dibujar(std::strcmp(argv[1], "gris") == 0, *ancho, *alto));
  BMP_CHECK_ERROR(stderr, 1);
  BMP_WriteFile(bmp.get(), argv[2]);
  BMP_CHECK_ERROR(stderr, 1);
  std::fprintf(informe, "%s\n", argv[2]);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  return host::finish_output(Ejecutar(argc, argv), "imagen_prueba");
}

// semillas_bmp FOLDER: writes small sound BMP files, one per depth and
// padding, as the fuzzer's starting corpus.
#include <cstdio>
#include <string>

#include "mapabits.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "uso: semillas_bmp CARPETA\n");
    return 2;
  }
  const struct {
    UINT ancho, alto;
    USHORT bits;
  } semillas[] = {{3, 2, 8}, {4, 1, 8}, {5, 3, 24}, {2, 2, 32}, {1, 4, 24}};
  for (const auto& s : semillas) {
    BMP* bmp = BMP_Create(s.ancho, s.alto, s.bits);
    BMP_CHECK_ERROR(stderr, 1);
    for (UINT y = 0; y < s.alto; ++y) {
      for (UINT x = 0; x < s.ancho; ++x) {
        const auto v = static_cast<UCHAR>(x * 50 + y * 20);
        if (s.bits == 8) {
          BMP_SetPaletteColor(bmp, v, v, static_cast<UCHAR>(255 - v), 7);
          BMP_SetPixelIndex(bmp, x, y, v);
        } else {
          BMP_SetPixelRGB(bmp, x, y, v, static_cast<UCHAR>(v + 1), static_cast<UCHAR>(v + 2));
        }
      }
    }
    const std::string ruta = std::string(argv[1]) + "/semilla-" + std::to_string(s.ancho) + "x" +
                             std::to_string(s.alto) + "x" + std::to_string(s.bits) + ".bmp";
    BMP_WriteFile(bmp, ruta.c_str());
    BMP_Free(bmp);
    BMP_CHECK_ERROR(stderr, 1);
  }
  return 0;
}

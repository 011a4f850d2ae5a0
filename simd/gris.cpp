#include "gris.h"

#include <array>

namespace {

constexpr int kNiveles = 256;

std::array<UCHAR, kNiveles> LumaDePaleta(BMP* bmp) {
  std::array<UCHAR, kNiveles> luma{};
  for (int i = 0; i < kNiveles; ++i) {
    UCHAR r, g, b;
    BMP_GetPaletteColor(bmp, static_cast<UCHAR>(i), &r, &g, &b);
    luma[i] = gris_luma(r, g, b);
  }
  return luma;
}

}  // namespace

UCHAR gris_luma(UCHAR r, UCHAR g, UCHAR b) {
  return static_cast<UCHAR>((299 * r + 587 * g + 114 * b + 500) / 1000);
}

bool gris_es_rampa(BMP* bmp) {
  if (BMP_GetDepth(bmp) != 8) return false;
  for (int i = 0; i < kNiveles; ++i) {
    UCHAR r, g, b;
    BMP_GetPaletteColor(bmp, static_cast<UCHAR>(i), &r, &g, &b);
    if (r != i || g != i || b != i) return false;
  }
  return true;
}

void gris_poner_rampa(BMP* bmp) {
  for (int i = 0; i < kNiveles; ++i) {
    const auto nivel = static_cast<UCHAR>(i);
    BMP_SetPaletteColor(bmp, nivel, nivel, nivel, nivel);
  }
}

void gris_indices_a_niveles(BMP* bmp) {
  const std::array<UCHAR, kNiveles> luma = LumaDePaleta(bmp);
  const UINT ancho = BMP_GetWidth(bmp);
  const UINT alto = BMP_GetHeight(bmp);
  for (UINT y = 0; y < alto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      UCHAR indice;
      BMP_GetPixelIndex(bmp, x, y, &indice);
      BMP_SetPixelIndex(bmp, x, y, luma[indice]);
    }
  }
  gris_poner_rampa(bmp);
}

BMP* gris_desde_color(BMP* color) {
  const UINT ancho = BMP_GetWidth(color);
  const UINT alto = BMP_GetHeight(color);
  BMP* gris = BMP_Create(ancho, alto, 8);
  if (gris == nullptr) return nullptr;
  gris_poner_rampa(gris);
  for (UINT y = 0; y < alto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      UCHAR r, g, b;
      BMP_GetPixelRGB(color, x, y, &r, &g, &b);
      BMP_SetPixelIndex(gris, x, y, gris_luma(r, g, b));
    }
  }
  return gris;
}

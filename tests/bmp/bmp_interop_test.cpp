// Interoperability with an independent BMP implementation (ImageMagick's
// convert, path given at configure time): it writes 8-bit and 24-bit BMP3
// files that we read, and reads the files we write, pixel for pixel.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <tuple>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"

namespace {

constexpr UINT kAlto = 20;  // enough pixels for more than 16 colours, so 8 bits

void Convertir(const std::string& argumentos) {
  const std::string orden = std::string(LAB_CONVERT) + " " + argumentos;
  ASSERT_EQ(std::system(orden.c_str()), 0) << orden;
}

// Top-to-bottom RGB bytes of a test picture. With pocos_colores it cycles
// through 40 colours, so a palette image holds it exactly.
Bytes Dibujo(UINT ancho, bool pocos_colores) {
  Bytes rgb;
  for (UINT y = 0; y < kAlto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      const UINT color = (x + y * ancho) % 40;
      for (UINT canal = 0; canal < 3; ++canal) {
        const UINT v = pocos_colores ? color * (37 + 18 * canal) : x * 29 + y * 67 + canal * 101;
        rgb.push_back(static_cast<uint8_t>(v % 256));
      }
    }
  }
  return rgb;
}

class Interoperabilidad : public testing::TestWithParam<std::tuple<USHORT, UINT>> {};

TEST_P(Interoperabilidad, TheyWriteWeRead) {
  const auto [bits, ancho] = GetParam();
  CarpetaTemporal carpeta;
  const Bytes rgb = Dibujo(ancho, bits == 8);
  Bytes ppm;
  const std::string cabecera =
      "P6\n" + std::to_string(ancho) + " " + std::to_string(kAlto) + "\n255\n";
  ppm.assign(cabecera.begin(), cabecera.end());
  Anadir(ppm, rgb);
  EscribirArchivo(carpeta.Ruta("origen.ppm"), ppm);
  const std::string ruta = carpeta.Ruta("suya.bmp");
  Convertir(carpeta.Ruta("origen.ppm") + (bits == 8 ? " -type Palette" : " -type TrueColor") +
            " -compress None BMP3:" + ruta);

  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(bmp, nullptr) << BMP_GetErrorDescription();
  EXPECT_EQ(BMP_GetDepth(bmp.get()), bits);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(bmp->Data) % 32, 16u);
  EXPECT_EQ(PixelesLeidos(bmp.get()), rgb);
}

TEST_P(Interoperabilidad, WeWriteTheyRead) {
  const auto [bits, ancho] = GetParam();
  CarpetaTemporal carpeta;
  const Bytes rgb = Dibujo(ancho, false);
  BmpPtr bmp(BMP_Create(ancho, kAlto, bits));
  for (UINT y = 0, i = 0; y < kAlto; ++y) {
    for (UINT x = 0; x < ancho; ++x, i += 3) {
      if (bits == 8) {
        // Each pixel its own palette entry, holding the pixel's colour.
        const auto indice = static_cast<UCHAR>(i / 3);
        BMP_SetPaletteColor(bmp.get(), indice, rgb[i], rgb[i + 1], rgb[i + 2]);
        BMP_SetPixelIndex(bmp.get(), x, y, indice);
      } else {
        BMP_SetPixelRGB(bmp.get(), x, y, rgb[i], rgb[i + 1], rgb[i + 2]);
      }
    }
  }
  const std::string ruta = carpeta.Ruta("nuestra.bmp");
  BMP_WriteFile(bmp.get(), ruta.c_str());
  ASSERT_EQ(BMP_GetError(), BMP_OK);
  const std::string crudo = carpeta.Ruta("crudo.rgb");
  Convertir(ruta + " -depth 8 rgb:" + crudo);
  EXPECT_EQ(LeerArchivo(crudo), rgb);
}

// An 8-bit file with fewer than 256 colours, made by them (-colors N; N of
// 17 or more, fewer give 4 bits) or by hand with N stored entries and N in
// ColorsUsed. What we read from it, change and write back must read the same,
// by us and by them, palette entries past N included.
class PocosColores : public testing::TestWithParam<std::tuple<bool, UINT>> {};

std::string ArchivoPocosPixelesLeidos(const CarpetaTemporal& carpeta, bool de_ellos, UINT colores) {
  constexpr UINT kAncho = 16;
  const std::string ruta = carpeta.Ruta("pocos.bmp");
  if (de_ellos) {
    Bytes ppm;
    const std::string cabecera =
        "P6\n" + std::to_string(kAncho) + " " + std::to_string(kAlto) + "\n255\n";
    ppm.assign(cabecera.begin(), cabecera.end());
    Anadir(ppm, Dibujo(kAncho, false));
    EscribirArchivo(carpeta.Ruta("origen.ppm"), ppm);
    Convertir(carpeta.Ruta("origen.ppm") + " -colors " + std::to_string(colores) +
              " -type Palette -compress None BMP3:" + ruta);
    return ruta;
  }
  Bytes b = BytesCabecera({.data_offset = 54 + 4 * colores, .width = kAncho, .height = kAlto,
                           .bits = 8, .colors_used = colores});
  for (UINT i = 0; i < colores; ++i) {
    Anadir(b, {static_cast<uint8_t>(i), static_cast<uint8_t>(i * 7), static_cast<uint8_t>(~i), 0});
  }
  for (UINT i = 0; i < kAncho * kAlto; ++i) b.push_back(static_cast<uint8_t>(i % colores));
  EscribirArchivo(ruta, b);
  return ruta;
}

TEST_P(PocosColores, ReadWriteReadKeepsPixelsAndPalette) {
  const auto [de_ellos, colores] = GetParam();
  CarpetaTemporal carpeta;
  const std::string suya = ArchivoPocosPixelesLeidos(carpeta, de_ellos, colores);
  BmpPtr primera(BMP_ReadFile(suya.c_str()));
  ASSERT_NE(primera, nullptr) << BMP_GetErrorDescription();
  ASSERT_EQ(BMP_GetDepth(primera.get()), 8);
  BMP_SetPaletteColor(primera.get(), 255, 250, 251, 252);
  BMP_SetPixelIndex(primera.get(), 0, 0, 255);
  const std::string nuestra = carpeta.Ruta("nuestra.bmp");
  BMP_WriteFile(primera.get(), nuestra.c_str());
  ASSERT_EQ(BMP_GetError(), BMP_OK);
  BmpPtr segunda(BMP_ReadFile(nuestra.c_str()));
  ASSERT_NE(segunda, nullptr);
  EXPECT_EQ(PixelesLeidos(segunda.get()), PixelesLeidos(primera.get()));
  EXPECT_EQ(Bytes(segunda->Palette, segunda->Palette + BMP_PALETTE_SIZE),
            Bytes(primera->Palette, primera->Palette + BMP_PALETTE_SIZE));
  const std::string crudo = carpeta.Ruta("crudo.rgb");
  Convertir(nuestra + " -depth 8 rgb:" + crudo);
  EXPECT_EQ(LeerArchivo(crudo), PixelesLeidos(primera.get()));
}

INSTANTIATE_TEST_SUITE_P(Counts, PocosColores,
                         testing::Combine(testing::Bool(), testing::Values(40u, 100u, 252u)));

INSTANTIATE_TEST_SUITE_P(Widths, Interoperabilidad,
                         testing::Combine(testing::Values<USHORT>(8, 24),
                                          testing::Values<UINT>(1, 2, 3, 5, 6, 7, 9)));

}  // namespace

// The umbral program end to end: it thresholds brightness whatever the input
// format, writes a grey-ramp black-and-white image, never modifies its input
// and refuses bad calls with a message and a non-zero exit.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdlib>
#include <functional>
#include <string>

#include "gris.h"
#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"

namespace {

struct Resultado {
  int salida;
  std::string texto;  // stdout and stderr together
};

class Programa : public testing::Test {
 protected:
  Resultado Ejecutar(const std::string& argumentos) {
    const std::string texto = carpeta_.Ruta("texto.txt");
    const std::string orden =
        std::string(UMBRAL_PROGRAMA) + " " + argumentos + " >" + texto + " 2>&1";
    const int estado = std::system(orden.c_str());
    const Bytes bytes = LeerArchivo(texto);
    return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1, std::string(bytes.begin(), bytes.end())};
  }

  // Writes an image drawn by `pintar` and returns its path.
  std::string Imagen(const std::string& nombre, UINT ancho, UINT alto, USHORT bits,
                     const std::function<void(BMP*)>& pintar) {
    BmpPtr bmp(BMP_Create(ancho, alto, bits));
    pintar(bmp.get());
    const std::string ruta = carpeta_.Ruta(nombre);
    BMP_WriteFile(bmp.get(), ruta.c_str());
    return ruta;
  }

  // Runs the program and checks every output pixel against `blanco(x, y)`.
  void EsperarBlancoDonde(const std::string& entrada, const std::string& umbral,
                          const std::function<bool(UINT, UINT)>& blanco) {
    const Bytes original = LeerArchivo(entrada);
    const std::string salida = carpeta_.Ruta("salida.bmp");
    const Resultado r = Ejecutar(entrada + " " + salida + " " + umbral);
    ASSERT_EQ(r.salida, 0) << r.texto;
    EXPECT_EQ(LeerArchivo(entrada), original);
    BmpPtr bmp(BMP_ReadFile(salida.c_str()));
    ASSERT_NE(bmp, nullptr);
    EXPECT_TRUE(gris_es_rampa(bmp.get()));
    unsigned blancos = 0;
    for (UINT y = 0; y < BMP_GetHeight(bmp.get()); ++y) {
      for (UINT x = 0; x < BMP_GetWidth(bmp.get()); ++x) {
        UCHAR v;
        BMP_GetPixelIndex(bmp.get(), x, y, &v);
        EXPECT_EQ(v, blanco(x, y) ? 255 : 0) << x << "," << y;
        blancos += v == 255;
      }
    }
    EXPECT_NE(r.texto.find(" " + std::to_string(blancos) + " de "), std::string::npos) << r.texto;
  }

  CarpetaTemporal carpeta_;
};

UCHAR Nivel(UINT x, UINT y) { return static_cast<UCHAR>(x * 37 + y * 11); }

void Rampa(BMP* bmp) { gris_poner_rampa(bmp); }

TEST_F(Programa, GreyRampImageAtEveryWidth) {
  for (UINT ancho = 1; ancho <= 9; ++ancho) {
    SCOPED_TRACE(ancho);
    const std::string entrada = Imagen("gris.bmp", ancho, 5, 8, [](BMP* bmp) {
      Rampa(bmp);
      for (UINT y = 0; y < 5; ++y) {
        for (UINT x = 0; x < bmp->Header.Width; ++x) BMP_SetPixelIndex(bmp, x, y, Nivel(x, y));
      }
    });
    EsperarBlancoDonde(entrada, "90", [](UINT x, UINT y) { return Nivel(x, y) >= 90; });
  }
}

TEST_F(Programa, DefaultThresholdIs128) {
  const std::string entrada = Imagen("gris.bmp", 16, 16, 8, [](BMP* bmp) {
    Rampa(bmp);
    for (UINT i = 0; i < 256; ++i) BMP_SetPixelIndex(bmp, i % 16, i / 16, static_cast<UCHAR>(i));
  });
  EsperarBlancoDonde(entrada, "", [](UINT x, UINT y) { return y * 16 + x >= 128; });
}

TEST_F(Programa, PaletteImagesAreThresholdedOnBrightnessNotIndices) {
  // Index 0 is white and index 1 black: an index threshold would invert them.
  const std::string entrada = Imagen("paleta.bmp", 5, 3, 8, [](BMP* bmp) {
    BMP_SetPaletteColor(bmp, 0, 255, 255, 255);
    BMP_SetPaletteColor(bmp, 1, 0, 0, 0);
    BMP_SetPaletteColor(bmp, 2, 0, 255, 0);  // luma 150
    for (UINT y = 0; y < 3; ++y) {
      for (UINT x = 0; x < 5; ++x) BMP_SetPixelIndex(bmp, x, y, static_cast<UCHAR>((x + y) % 3));
    }
  });
  EsperarBlancoDonde(entrada, "140", [](UINT x, UINT y) { return (x + y) % 3 != 1; });
}

TEST_F(Programa, ColourImagesAreThresholdedOnLuma) {
  for (const USHORT bits : {24, 32}) {
    SCOPED_TRACE(bits);
    // Pure red (luma 76), green (150) and blue (29) against threshold 100.
    const std::string entrada = Imagen("color.bmp", 7, 4, bits, [](BMP* bmp) {
      for (UINT y = 0; y < 4; ++y) {
        for (UINT x = 0; x < 7; ++x) {
          const UINT c = (x + 2 * y) % 3;
          BMP_SetPixelRGB(bmp, x, y, c == 0 ? 255 : 0, c == 1 ? 255 : 0, c == 2 ? 255 : 0);
        }
      }
    });
    EsperarBlancoDonde(entrada, "100", [](UINT x, UINT y) { return (x + 2 * y) % 3 == 1; });
  }
}

TEST_F(Programa, LumaWeights) {
  EXPECT_EQ(gris_luma(0, 0, 0), 0);
  EXPECT_EQ(gris_luma(255, 255, 255), 255);
  EXPECT_EQ(gris_luma(255, 0, 0), 76);
  EXPECT_EQ(gris_luma(0, 255, 0), 150);
  EXPECT_EQ(gris_luma(0, 0, 255), 29);
}

TEST_F(Programa, BadCallsFailWithAMessage) {
  const std::string gris = Imagen("gris.bmp", 4, 4, 8, Rampa);
  Bytes dieciseis = BytesCabecera({.bits = 16});
  dieciseis.resize(60);
  EscribirArchivo(carpeta_.Ruta("dieciseis.bmp"), dieciseis);
  const std::string salida = carpeta_.Ruta("salida.bmp");
  struct Caso {
    std::string argumentos, mensaje;
  } casos[] = {
      {"", "uso:"},
      {gris, "uso:"},
      {gris + " " + salida + " 128 extra", "uso:"},
      {gris + " " + salida + " 0", "umbral no valido"},
      {gris + " " + salida + " 256", "umbral no valido"},
      {gris + " " + salida + " -5", "umbral no valido"},
      {gris + " " + salida + " 12x", "umbral no valido"},
      {gris + " " + salida + " ''", "umbral no valido"},
      {carpeta_.Ruta("falta.bmp") + " " + salida, "File not found"},
      {carpeta_.Ruta("dieciseis.bmp") + " " + salida, "not a supported BMP variant"},
      {gris + " " + carpeta_.Ruta("no/hay/carpeta.bmp"), "no se pudo escribir"},
      {gris + " " + gris, "propio archivo de entrada"},
  };
  const Bytes original = LeerArchivo(gris);
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.argumentos);
    const Resultado r = Ejecutar(c.argumentos);
    EXPECT_NE(r.salida, 0);
    EXPECT_NE(r.texto.find(c.mensaje), std::string::npos) << r.texto;
  }
  EXPECT_EQ(LeerArchivo(gris), original);
}

}  // namespace

// The umbral program end to end: it thresholds brightness whatever the input
// format, writes a grey-ramp black-and-white image, never modifies its input
// and refuses bad calls with a message and a non-zero exit.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
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
      {gris + " " + salida + " 4294967297", "uso:"},
      {gris + " " + salida + " +12", "uso:"},
      {gris + " " + salida + " ' 12'", "uso:"},
      {gris + " " + salida + " 1e2", "uso:"},
      {carpeta_.Ruta("falta.bmp") + " " + salida, "No such file or directory"},
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

// Indices of an 8-bit image, top row first.
Bytes Indices(const std::string& ruta) {
  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  if (!bmp) return {};
  Bytes indices;
  for (UINT y = 0; y < BMP_GetHeight(bmp.get()); ++y) {
    for (UINT x = 0; x < BMP_GetWidth(bmp.get()); ++x) {
      UCHAR v = 0;
      BMP_GetPixelIndex(bmp.get(), x, y, &v);
      indices.push_back(v);
    }
  }
  return indices;
}

// Its output, thresholded again, is itself: white stays white, whatever
// colour count the input's header gave.
TEST_F(Programa, ItsOwnOutputThresholdsToItself) {
  for (const UINT entradas : {256u, 252u, 3u}) {
    SCOPED_TRACE(entradas);
    Bytes archivo = BytesCabecera({.data_offset = 54 + 4 * entradas, .width = 8, .height = 4,
                                   .bits = 8, .colors_used = entradas == 256 ? 0 : entradas});
    for (UINT i = 0; i < entradas; ++i) {
      const auto nivel = static_cast<uint8_t>(i * 255 / (entradas - 1));
      Anadir(archivo, {nivel, nivel, nivel, 0});
    }
    for (UINT i = 0; i < 32; ++i) archivo.push_back(static_cast<uint8_t>(i * 7 % entradas));
    const std::string entrada = carpeta_.Ruta("entrada.bmp");
    EscribirArchivo(entrada, archivo);
    const std::string a = carpeta_.Ruta("a.bmp"), b = carpeta_.Ruta("b.bmp");
    const Resultado primera = Ejecutar(entrada + " " + a);
    const Resultado segunda = Ejecutar(a + " " + b);
    ASSERT_EQ(primera.salida, 0) << primera.texto;
    ASSERT_EQ(segunda.salida, 0) << segunda.texto;
    const Bytes indices = Indices(a);
    EXPECT_NE(std::count(indices.begin(), indices.end(), 255), 0);
    EXPECT_EQ(Indices(b), indices);
    EXPECT_EQ(segunda.texto.substr(segunda.texto.find(':')),
              primera.texto.substr(primera.texto.find(':')));
  }
}

// Standard input and output, by "-" or by name: the image through them is
// the one a file gets, and the report never lands in it.
TEST_F(Programa, StandardInputAndOutput) {
  const std::string entrada = Imagen("gris.bmp", 9, 5, 8, [](BMP* bmp) {
    Rampa(bmp);
    for (UINT y = 0; y < 5; ++y) {
      for (UINT x = 0; x < 9; ++x) BMP_SetPixelIndex(bmp, x, y, Nivel(x, y));
    }
  });
  const std::string referencia = carpeta_.Ruta("referencia.bmp");
  ASSERT_EQ(Ejecutar(entrada + " " + referencia).salida, 0);
  const std::string umbral = UMBRAL_PROGRAMA, salida = carpeta_.Ruta("salida.bmp");
  struct Caso {
    std::string orden;
    bool informe_en_error;
  } casos[] = {
      {umbral + " " + entrada + " /dev/stdout >" + salida, true},
      {umbral + " " + entrada + " - >" + salida, true},
      {umbral + " " + entrada + " - | cat >" + salida, true},
      {umbral + " - " + salida + " <" + entrada, false},
      {"cat " + entrada + " | " + umbral + " - " + salida, false},
      {"cat " + entrada + " | " + umbral + " - - >" + salida, true},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.orden);
    std::filesystem::remove(salida);
    const ResultadoOrden r = EjecutarOrden(c.orden, carpeta_);
    ASSERT_EQ(r.salida, 0) << r.error_estandar;
    EXPECT_EQ(LeerArchivo(salida), LeerArchivo(referencia));
    const std::string& informe = c.informe_en_error ? r.error_estandar : r.salida_estandar;
    EXPECT_NE(informe.find("pixeles en blanco"), std::string::npos) << informe;
  }
}

// Each failure exits non-zero and names its real cause on standard error.
TEST_F(Programa, FailuresNameTheirCause) {
  const std::string umbral = UMBRAL_PROGRAMA;
  const std::string entrada = Imagen("gris.bmp", 200, 200, 8, Rampa);  // 41078 bytes
  const std::string cerrado = carpeta_.Ruta("cerrado.bmp");
  EscribirArchivo(cerrado, Bytes(60, 1));
  ASSERT_EQ(chmod(cerrado.c_str(), 0), 0);
  const std::string sin_escritura = carpeta_.Ruta("sin_escritura");
  std::filesystem::create_directory(sin_escritura);
  ASSERT_EQ(chmod(sin_escritura.c_str(), 0555), 0);
  const std::string vieja = carpeta_.Ruta("vieja.bmp");
  const Bytes viejo(1000, 0x33);
  EscribirArchivo(vieja, viejo);
  // The permission cases run unprivileged (root would pass every check).
  struct Caso {
    std::string orden, mensaje;
    bool sin_privilegios = false;
  } casos[] = {
      {umbral + " " + entrada + " " + carpeta_.Ruta(""), "Is a directory"},
      {umbral + " " + carpeta_.Ruta("") + " " + carpeta_.Ruta("x.bmp"), "Is a directory"},
      {umbral + " " + cerrado + " " + carpeta_.Ruta("x.bmp"), "Permission denied", true},
      {umbral + " " + entrada + " " + sin_escritura + "/x.bmp", "Permission denied", true},
      // The image is written; the report is not.
      {umbral + " " + entrada + " " + carpeta_.Ruta("y.bmp") + " >/dev/full",
       "cannot write standard output"},
      {umbral + " " + entrada + " " + carpeta_.Ruta("y.bmp") + " >&-",
       "cannot write standard output"},
      {umbral + " " + entrada + " - >/dev/full", "No space left on device"},
      // A full disk, as a limit of 8 blocks of 512 bytes per file.
      {"trap '' XFSZ; ulimit -f 8; " + umbral + " " + entrada + " " + vieja, "File too large"},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.orden);
    const ResultadoOrden r = EjecutarOrden(c.orden, carpeta_, c.sin_privilegios);
    EXPECT_NE(r.salida, 0);
    EXPECT_NE(r.error_estandar.find(c.mensaje), std::string::npos) << r.error_estandar;
  }
  EXPECT_EQ(LeerArchivo(vieja), viejo);
  EXPECT_FALSE(std::filesystem::exists(carpeta_.Ruta("x.bmp")));
  for (const auto& e : std::filesystem::directory_iterator(carpeta_.Ruta(""))) {
    EXPECT_NE(e.path().filename().string().front(), '.') << e.path();  // no temporary file
  }
}

}  // namespace

// Created images, round trips through files, pixel and palette access, and
// the last-status rules of the BMP library.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"
#include "tests/bmp/monton.h"

namespace {

UINT FilaRellena(UINT ancho, USHORT bits) { return (ancho * (bits / 8) + 3) / 4 * 4; }

struct CasoCreacion {
  UINT ancho, alto;
  USHORT bits;
  UINT image_size, file_size, data_offset;
};

class Creacion : public testing::TestWithParam<CasoCreacion> {};

TEST_P(Creacion, FillsTheHeaderAndZeroBlocks) {
  const CasoCreacion c = GetParam();
  BmpPtr bmp(BMP_Create(c.ancho, c.alto, c.bits));
  ASSERT_NE(bmp, nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  const BMP_Header& h = bmp->Header;
  EXPECT_EQ(h.Magic, 0x4D42);
  EXPECT_EQ(h.FileSize, c.file_size);
  EXPECT_EQ(h.DataOffset, c.data_offset);
  EXPECT_EQ(h.HeaderSize, 40u);
  EXPECT_EQ(h.Width, c.ancho);
  EXPECT_EQ(h.Height, c.alto);
  EXPECT_EQ(h.Planes, 1);
  EXPECT_EQ(h.BitsPerPixel, c.bits);
  EXPECT_EQ(h.ImageDataSize, c.image_size);
  EXPECT_EQ(h.Reserved1 | h.Reserved2 | h.CompressionType | h.HPixelsPerMeter | h.VPixelsPerMeter |
                h.ColorsUsed | h.ColorsRequired,
            0u);
  EXPECT_EQ(bmp->Data, bmp->Data_ubicado);
  EXPECT_EQ(Bytes(bmp->Data, bmp->Data + c.image_size), Bytes(c.image_size, 0));
  if (c.bits == 8) {
    ASSERT_NE(bmp->Palette, nullptr);
    EXPECT_EQ(Bytes(bmp->Palette, bmp->Palette + BMP_PALETTE_SIZE), Bytes(BMP_PALETTE_SIZE, 0));
  } else {
    EXPECT_EQ(bmp->Palette, nullptr);
  }
}

INSTANTIATE_TEST_SUITE_P(Sizes, Creacion,
                         testing::Values(CasoCreacion{3, 2, 24, 24, 78, 54},
                                         CasoCreacion{5, 3, 8, 24, 1102, 1078},
                                         CasoCreacion{4, 1, 32, 16, 70, 54},
                                         CasoCreacion{1, 1, 8, 4, 1082, 1078}));

struct CasoRechazo {
  UINT ancho, alto;
  USHORT bits;
  BMP_STATUS status;
};

TEST(CreacionRechazada, ReportsTheFirstFailingCheck) {
  const CasoRechazo casos[] = {
      {0, 0, 16, BMP_INVALID_ARGUMENT},
      {0, 5, 8, BMP_INVALID_ARGUMENT},
      {5, 0, 8, BMP_INVALID_ARGUMENT},
      {1, 1, 16, BMP_FILE_NOT_SUPPORTED},
      {1, 1, 0, BMP_FILE_NOT_SUPPORTED},
      // Sizes that do not fit in 32 bits.
      {65536, 65536, 8, BMP_INVALID_ARGUMENT},
      {0xFFFFFFFF, 0xFFFFFFFF, 32, BMP_INVALID_ARGUMENT},
      {0x3FFFFFFF, 1, 32, BMP_INVALID_ARGUMENT},
      {0xFFFFFFF0, 1, 8, BMP_INVALID_ARGUMENT},
  };
  for (const CasoRechazo& c : casos) {
    SCOPED_TRACE(std::to_string(c.ancho) + "x" + std::to_string(c.alto) + "x" +
                 std::to_string(c.bits));
    monton::Vigilancia vigilancia;
    EXPECT_EQ(BMP_Create(c.ancho, c.alto, c.bits), nullptr);
    EXPECT_EQ(BMP_GetError(), c.status);
    EXPECT_EQ(monton::Peticiones(), 0);
  }
}

TEST(CreacionRechazada, TheLargestSizesThatFitPassTheChecks) {
  // 4294966216 + 1078 is exactly 2^32 - 1. The pixel block is refused by the
  // heap watcher, so reaching it (out of memory) shows the sizes passed.
  monton::Vigilancia vigilancia;
  monton::FallarPeticion(3);
  EXPECT_EQ(BMP_Create(4294966216u, 1, 8), nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_OUT_OF_MEMORY);
  EXPECT_EQ(monton::BloquesVivos(), 0);
  EXPECT_EQ(BMP_Create(4294966220u, 1, 8), nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
}

// A picture that differs in every pixel, channel and row.
void Pintar(BMP* bmp) {
  for (UINT y = 0; y < bmp->Header.Height; ++y) {
    for (UINT x = 0; x < bmp->Header.Width; ++x) {
      const auto v = static_cast<UCHAR>(x * 7 + y * 31 + 1);
      if (bmp->Header.BitsPerPixel == 8) {
        BMP_SetPixelIndex(bmp, x, y, v);
      } else {
        BMP_SetPixelRGB(bmp, x, y, v, static_cast<UCHAR>(v + 1), static_cast<UCHAR>(v + 2));
      }
    }
  }
  for (int i = 0; bmp->Palette != nullptr && i < 256; ++i) {
    BMP_SetPaletteColor(bmp, static_cast<UCHAR>(i), static_cast<UCHAR>(i),
                        static_cast<UCHAR>(255 - i), static_cast<UCHAR>(i * 3));
  }
}

class IdaYVuelta : public testing::TestWithParam<std::tuple<USHORT, UINT>> {};

TEST_P(IdaYVuelta, WritesExactFilesAndReadsThemBack) {
  const auto [bits, ancho] = GetParam();
  const UINT alto = 3;
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("imagen.bmp");
  BmpPtr original(BMP_Create(ancho, alto, bits));
  ASSERT_NE(original, nullptr);
  Pintar(original.get());

  BMP_WriteFile(original.get(), ruta.c_str());
  ASSERT_EQ(BMP_GetError(), BMP_OK);
  const Bytes archivo = LeerArchivo(ruta);
  const UINT paleta = bits == 8 ? BMP_PALETTE_SIZE : 0;
  const UINT datos = FilaRellena(ancho, bits) * alto;
  ASSERT_EQ(archivo.size(), 54 + paleta + datos);
  CampoCabecera esperada{.file_size = 54 + paleta + datos,
                         .data_offset = 54 + paleta,
                         .width = ancho,
                         .height = alto,
                         .bits = bits,
                         .image_size = datos};
  EXPECT_EQ(Bytes(archivo.begin(), archivo.begin() + 54), BytesCabecera(esperada));
  EXPECT_EQ(Bytes(archivo.begin() + 54 + paleta, archivo.end()),
            Bytes(original->Data, original->Data + datos));

  monton::Vigilancia vigilancia;
  BmpPtr leida(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(leida, nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  EXPECT_EQ(std::memcmp(&leida->Header, &original->Header, sizeof(BMP_Header)), 0);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(leida->Data) % 32, 16u);
  const auto desde_bloque = leida->Data - leida->Data_ubicado;
  EXPECT_TRUE(desde_bloque == 16 || desde_bloque == 32) << desde_bloque;
  EXPECT_LE(desde_bloque + datos, monton::BytesDelBloque(leida->Data_ubicado));
  EXPECT_EQ(Bytes(leida->Data, leida->Data + datos), Bytes(original->Data, original->Data + datos));
  if (bits == 8) {
    EXPECT_EQ(Bytes(leida->Palette, leida->Palette + paleta),
              Bytes(original->Palette, original->Palette + paleta));
  }
  for (UINT y = 0; y < alto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      UCHAR r1, g1, b1, r2, g2, b2;
      BMP_GetPixelRGB(original.get(), x, y, &r1, &g1, &b1);
      BMP_GetPixelRGB(leida.get(), x, y, &r2, &g2, &b2);
      EXPECT_EQ(std::tie(r1, g1, b1), std::tie(r2, g2, b2)) << x << "," << y;
    }
  }
  leida.reset();
  EXPECT_EQ(monton::BloquesVivos(), 0);
}

INSTANTIATE_TEST_SUITE_P(EveryPadding, IdaYVuelta,
                         testing::Combine(testing::Values<USHORT>(8, 24, 32),
                                          testing::Range<UINT>(1, 10)));

TEST(Pixeles, RowZeroIsTheLastStoredRow) {
  BmpPtr bmp(BMP_Create(3, 2, 24));
  BMP_SetPixelRGB(bmp.get(), 0, 0, 1, 2, 3);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  EXPECT_EQ(Bytes(bmp->Data + 12, bmp->Data + 15), (Bytes{3, 2, 1}));
  UCHAR r = 0, g = 0, b = 0;
  BMP_GetPixelRGB(bmp.get(), 0, 0, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(1, 2, 3));
  // The last pixel of the picture is the last pixel of the first stored row.
  BMP_SetPixelRGB(bmp.get(), 2, 1, 7, 8, 9);
  EXPECT_EQ(Bytes(bmp->Data + 6, bmp->Data + 9), (Bytes{9, 8, 7}));
}

TEST(Pixeles, ThirtyTwoBitsKeepTheFourthByte) {
  BmpPtr bmp(BMP_Create(2, 1, 32));
  bmp->Data[7] = 0xA5;
  BMP_SetPixelRGB(bmp.get(), 1, 0, 10, 20, 30);
  EXPECT_EQ(Bytes(bmp->Data + 4, bmp->Data + 8), (Bytes{30, 20, 10, 0xA5}));
}

TEST(Pixeles, EightBitColoursComeFromThePalette) {
  BmpPtr bmp(BMP_Create(2, 2, 8));
  UCHAR r = 1, g = 1, b = 1;
  BMP_GetPixelRGB(bmp.get(), 1, 1, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(0, 0, 0));
  BMP_SetPaletteColor(bmp.get(), 0, 255, 255, 255);
  BMP_GetPixelRGB(bmp.get(), 1, 1, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(255, 255, 255));
  BMP_SetPaletteColor(bmp.get(), 9, 40, 50, 60);
  BMP_SetPixelIndex(bmp.get(), 0, 1, 9);
  UCHAR indice = 0;
  BMP_GetPixelIndex(bmp.get(), 0, 1, &indice);
  EXPECT_EQ(indice, 9);
  EXPECT_EQ(bmp->Data[0], 9);  // (0, 1) is the first pixel stored
  BMP_GetPixelRGB(bmp.get(), 0, 1, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(40, 50, 60));
}

TEST(Pixeles, NullOutPointersAreSkipped) {
  BmpPtr bmp(BMP_Create(1, 1, 24));
  BMP_SetPixelRGB(bmp.get(), 0, 0, 1, 2, 3);
  UCHAR g = 0;
  BMP_GetPixelRGB(bmp.get(), 0, 0, nullptr, &g, nullptr);
  EXPECT_EQ(g, 2);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  BmpPtr ocho(BMP_Create(1, 1, 8));
  BMP_GetPixelIndex(ocho.get(), 0, 0, nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
}

TEST(Paleta, IndicesWrapModulo256AndKeepTheFourthByte) {
  BmpPtr bmp(BMP_Create(1, 1, 8));
  bmp->Palette[44 * 4 + 3] = 0x5A;
  const int indice = 300;
  BMP_SetPaletteColor(bmp.get(), static_cast<UCHAR>(indice), 1, 2, 3);
  EXPECT_EQ(Bytes(bmp->Palette + 44 * 4, bmp->Palette + 45 * 4), (Bytes{3, 2, 1, 0x5A}));
  UCHAR r = 0, b = 0;
  BMP_GetPaletteColor(bmp.get(), 44, &r, nullptr, &b);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  EXPECT_EQ(std::tie(r, b), std::make_tuple(1, 3));
}

// Every refused access leaves pixels, palette and out-values as they were.
struct Acceso {
  const char* nombre;
  void (*llamar)(BMP* bmp, UINT x, UINT y, UCHAR* salida);
};

const Acceso kAccesos[] = {
    {"GetPixelRGB", [](BMP* b, UINT x, UINT y, UCHAR* s) { BMP_GetPixelRGB(b, x, y, s, s, s); }},
    {"SetPixelRGB", [](BMP* b, UINT x, UINT y, UCHAR*) { BMP_SetPixelRGB(b, x, y, 9, 9, 9); }},
    {"GetPixelIndex", [](BMP* b, UINT x, UINT y, UCHAR* s) { BMP_GetPixelIndex(b, x, y, s); }},
    {"SetPixelIndex", [](BMP* b, UINT x, UINT y, UCHAR*) { BMP_SetPixelIndex(b, x, y, 9); }},
    {"GetPaletteColor", [](BMP* b, UINT, UINT, UCHAR* s) { BMP_GetPaletteColor(b, 1, s, s, s); }},
    {"SetPaletteColor", [](BMP* b, UINT, UINT, UCHAR*) { BMP_SetPaletteColor(b, 1, 9, 9, 9); }},
};

struct CasoAcceso {
  const char* acceso;
  USHORT bits;
  UINT x, y;
  bool nulo;
  BMP_STATUS status;
};

TEST(Accesos, RefusedCallsReportAndChangeNothing) {
  const CasoAcceso casos[] = {
      {"GetPixelRGB", 24, 3, 0, false, BMP_INVALID_ARGUMENT},
      {"GetPixelRGB", 8, 0, 2, false, BMP_INVALID_ARGUMENT},
      {"GetPixelRGB", 32, 0, 0, true, BMP_INVALID_ARGUMENT},
      {"SetPixelRGB", 8, 0, 0, false, BMP_TYPE_MISMATCH},
      {"SetPixelRGB", 8, 3, 0, false, BMP_INVALID_ARGUMENT},  // coordinates first
      {"SetPixelRGB", 24, 0, 0xFFFFFFFF, false, BMP_INVALID_ARGUMENT},
      {"GetPixelIndex", 24, 0, 0, false, BMP_TYPE_MISMATCH},
      {"GetPixelIndex", 32, 0, 0, false, BMP_TYPE_MISMATCH},
      {"GetPixelIndex", 8, 3, 2, false, BMP_INVALID_ARGUMENT},
      {"SetPixelIndex", 24, 0, 0, false, BMP_TYPE_MISMATCH},
      {"SetPixelIndex", 8, 0, 0, true, BMP_INVALID_ARGUMENT},
      {"GetPaletteColor", 24, 0, 0, false, BMP_TYPE_MISMATCH},
      {"GetPaletteColor", 8, 0, 0, true, BMP_INVALID_ARGUMENT},
      {"SetPaletteColor", 32, 0, 0, false, BMP_TYPE_MISMATCH},
      {"SetPaletteColor", 8, 0, 0, true, BMP_INVALID_ARGUMENT},
  };
  for (const CasoAcceso& c : casos) {
    SCOPED_TRACE(std::string(c.acceso) + " on " + std::to_string(c.bits) + " bits at " +
                 std::to_string(c.x) + "," + std::to_string(c.y));
    BmpPtr bmp(BMP_Create(3, 2, c.bits));
    Pintar(bmp.get());
    const Bytes datos(bmp->Data, bmp->Data + bmp->Header.ImageDataSize);
    const Bytes paleta =
        c.bits == 8 ? Bytes(bmp->Palette, bmp->Palette + BMP_PALETTE_SIZE) : Bytes();
    UCHAR salida = 0x77;
    for (const Acceso& a : kAccesos) {
      if (std::string(a.nombre) == c.acceso)
        a.llamar(c.nulo ? nullptr : bmp.get(), c.x, c.y, &salida);
    }
    EXPECT_EQ(BMP_GetError(), c.status);
    EXPECT_EQ(salida, 0x77);
    EXPECT_EQ(Bytes(bmp->Data, bmp->Data + bmp->Header.ImageDataSize), datos);
    if (c.bits == 8) {
      EXPECT_EQ(Bytes(bmp->Palette, bmp->Palette + BMP_PALETTE_SIZE), paleta);
    }
  }
}

TEST(Accesos, GettersOfANullRecordGiveAllOnes) {
  EXPECT_EQ(BMP_GetWidth(nullptr), 4294967295u);
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  EXPECT_EQ(BMP_GetHeight(nullptr), 4294967295u);
  EXPECT_EQ(BMP_GetDepth(nullptr), 65535);
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  BmpPtr bmp(BMP_Create(7, 5, 32));
  BMP_GetWidth(nullptr);
  EXPECT_EQ(BMP_GetWidth(bmp.get()), 7u);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  EXPECT_EQ(BMP_GetHeight(bmp.get()), 5u);
  EXPECT_EQ(BMP_GetDepth(bmp.get()), 32);
}

// One call that leaves each status, with the status's description.
struct CasoStatus {
  BMP_STATUS status;
  const char* descripcion;
  void (*provocar)(const CarpetaTemporal& carpeta);
};

TEST(Status, EachFailureHasItsDescription) {
  const CasoStatus casos[] = {
      {BMP_OUT_OF_MEMORY, "Could not allocate enough memory to complete the operation",
       [](const CarpetaTemporal&) {
         monton::Vigilancia vigilancia;
         monton::FallarPeticion(1);
         BMP_Create(1, 1, 8);
       }},
      {BMP_IO_ERROR, "File input/output error",
       [](const CarpetaTemporal&) {
         static const BmpPtr bmp(BMP_Create(1, 1, 24));
         BMP_WriteFile(bmp.get(), "/dev/full");
       }},
      {BMP_FILE_NOT_FOUND, "File not found",
       [](const CarpetaTemporal& c) { BMP_ReadFile(c.Ruta("missing.bmp").c_str()); }},
      {BMP_FILE_NOT_SUPPORTED,
       "File is not a supported BMP variant (must be uncompressed 8, 24 or 32 BPP)",
       [](const CarpetaTemporal&) { BMP_Create(1, 1, 16); }},
      {BMP_FILE_INVALID, "File is not a valid BMP image",
       [](const CarpetaTemporal&) { BMP_ReadFile("/dev/null"); }},
      {BMP_INVALID_ARGUMENT, "An argument is invalid or out of range",
       [](const CarpetaTemporal&) { BMP_ReadFile(nullptr); }},
      {BMP_TYPE_MISMATCH, "The requested action is not compatible with the BMP's type",
       [](const CarpetaTemporal&) {
         static const BmpPtr bmp(BMP_Create(1, 1, 24));
         BMP_SetPixelIndex(bmp.get(), 0, 0, 1);
       }},
  };
  CarpetaTemporal carpeta;
  for (const CasoStatus& c : casos) {
    SCOPED_TRACE(c.descripcion);
    BmpPtr previa(BMP_Create(1, 1, 8));
    ASSERT_EQ(BMP_GetError(), BMP_OK);
    c.provocar(carpeta);
    EXPECT_EQ(BMP_GetError(), c.status);
    ASSERT_NE(BMP_GetErrorDescription(), nullptr);
    EXPECT_STREQ(BMP_GetErrorDescription(), c.descripcion);
    EXPECT_EQ(BMP_GetError(), c.status);  // asking does not clear it
  }
}

TEST(Status, SuccessClearsAnEarlierFailure) {
  BMP_ReadFile(nullptr);
  ASSERT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  BMP_Free(nullptr);  // a null free leaves the status alone
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  BMP* bmp = BMP_Create(2, 2, 24);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
  EXPECT_EQ(BMP_GetErrorDescription(), nullptr);
  BMP_GetPixelIndex(bmp, 0, 0, nullptr);
  ASSERT_EQ(BMP_GetError(), BMP_TYPE_MISMATCH);
  BMP_Free(bmp);
  EXPECT_EQ(BMP_GetError(), BMP_OK);
}

int LeerConComprobacion(const char* ruta, FILE* salida) {
  BmpPtr bmp(BMP_ReadFile(ruta));
  BMP_CHECK_ERROR(salida, -1);
  return static_cast<int>(BMP_GetWidth(bmp.get()));
}

TEST(Status, CheckErrorMacroPrintsAndReturns) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("img.bmp");
  BmpPtr bmp(BMP_Create(6, 1, 24));
  BMP_WriteFile(bmp.get(), ruta.c_str());
  FILE* salida = std::tmpfile();
  ASSERT_NE(salida, nullptr);
  EXPECT_EQ(LeerConComprobacion(ruta.c_str(), salida), 6);
  EXPECT_EQ(LeerConComprobacion(carpeta.Ruta("none.bmp").c_str(), salida), -1);
  std::rewind(salida);
  char texto[128] = {};
  const size_t leidos = std::fread(texto, 1, sizeof texto - 1, salida);
  std::fclose(salida);
  EXPECT_EQ(std::string(texto, leidos), "BMP error: File not found\n");
}

TEST(Escritura, FailuresAreReported) {
  CarpetaTemporal carpeta;
  BmpPtr bmp(BMP_Create(2, 2, 8));
  BMP_WriteFile(bmp.get(), nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);

  BMP_WriteFile(bmp.get(), carpeta.Ruta("no/such/folder.bmp").c_str());
  EXPECT_EQ(BMP_GetError(), BMP_FILE_NOT_FOUND);

  // A null record (say, from a failed read) is refused before the file is
  // touched.
  const std::string previo = carpeta.Ruta("previo.bmp");
  EscribirArchivo(previo, Bytes(10, 1));
  BMP_WriteFile(nullptr, previo.c_str());
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  EXPECT_EQ(LeerArchivo(previo), Bytes(10, 1));

  // A small image fits in the stream's buffer: the failure shows on closing.
  BMP_WriteFile(bmp.get(), "/dev/full");
  EXPECT_EQ(BMP_GetError(), BMP_IO_ERROR);
}

TEST(Monton, EveryFailedAllocationLeavesNothing) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("img.bmp");
  BmpPtr modelo(BMP_Create(5, 3, 8));
  BMP_WriteFile(modelo.get(), ruta.c_str());
  const int descriptores = DescriptoresAbiertos();
  for (int peticion = 1; peticion <= 3; ++peticion) {
    SCOPED_TRACE(peticion);
    monton::Vigilancia vigilancia;
    monton::FallarPeticion(peticion);
    EXPECT_EQ(BMP_Create(5, 3, 8), nullptr);
    EXPECT_EQ(BMP_GetError(), BMP_OUT_OF_MEMORY);
    EXPECT_EQ(monton::BloquesVivos(), 0);
    monton::FallarPeticion(peticion);
    EXPECT_EQ(BMP_ReadFile(ruta.c_str()), nullptr);
    EXPECT_EQ(BMP_GetError(), BMP_OUT_OF_MEMORY);
    EXPECT_EQ(monton::BloquesVivos(), 0);
    EXPECT_EQ(DescriptoresAbiertos(), descriptores);
  }
}

TEST(Monton, PlacementHoldsOnAnyHeapAlignment) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("img.bmp");
  BmpPtr modelo(BMP_Create(7, 5, 24));
  Pintar(modelo.get());
  BMP_WriteFile(modelo.get(), ruta.c_str());
  const UINT datos = modelo->Header.ImageDataSize;
  for (size_t desplazamiento = 0; desplazamiento < 32; ++desplazamiento) {
    SCOPED_TRACE(desplazamiento);
    monton::Vigilancia vigilancia;
    monton::Desplazar(desplazamiento);
    BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
    ASSERT_NE(bmp, nullptr);
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bmp->Data) % 32, 16u);
    EXPECT_GE(bmp->Data, bmp->Data_ubicado);
    EXPECT_LE(static_cast<size_t>(bmp->Data - bmp->Data_ubicado) + datos,
              monton::BytesDelBloque(bmp->Data_ubicado));
    EXPECT_EQ(Bytes(bmp->Data, bmp->Data + datos), Bytes(modelo->Data, modelo->Data + datos));
    bmp.reset();
    EXPECT_EQ(monton::BloquesVivos(), 0);
  }
}

}  // namespace

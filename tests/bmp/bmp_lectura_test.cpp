// Reading files the library did not write: malformed ones must fail with the
// right status and leave nothing behind; sound ones with another layout (data
// offset, short palette, no data size, top-down rows) must read right.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>
#include <string>
#include <tuple>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"
#include "tests/bmp/monton.h"

namespace {

// Header followed by `relleno` bytes of value 0x11.
Bytes Archivo(const CampoCabecera& c, size_t relleno) {
  Bytes b = BytesCabecera(c);
  b.resize(b.size() + relleno, 0x11);
  return b;
}

struct CasoMalformado {
  const char* nombre;
  Bytes bytes;
  BMP_STATUS status;
};

Bytes Recortado(Bytes b, size_t tamano) {
  b.resize(tamano);
  return b;
}

Bytes ConFirma(Bytes b, uint8_t primero, uint8_t segundo) {
  b[0] = primero;
  b[1] = segundo;
  return b;
}

TEST(Malformados, EachGivesItsStatusAndLeavesNothing) {
  const CampoCabecera sano24{.width = 2, .height = 2};  // rows of 8 bytes
  const CampoCabecera sano8{.data_offset = 1078, .width = 4, .height = 2, .bits = 8};
  const CasoMalformado casos[] = {
      {"empty", {}, BMP_FILE_INVALID},
      {"short header", Recortado(Archivo(sano24, 16), 53), BMP_FILE_INVALID},
      {"short header, 16-bit", Recortado(Archivo({.bits = 16}, 0), 30), BMP_FILE_INVALID},
      {"wrong signature", ConFirma(Archivo(sano24, 16), 'M', 'B'), BMP_FILE_INVALID},
      {"wrong signature, 16-bit", ConFirma(Archivo({.bits = 16}, 4), 'B', 'A'), BMP_FILE_INVALID},
      {"16-bit", Archivo({.bits = 16}, 4), BMP_FILE_NOT_SUPPORTED},
      {"1-bit", Archivo({.bits = 1}, 4), BMP_FILE_NOT_SUPPORTED},
      {"compressed", Archivo({.data_offset = 1078, .bits = 8, .compression = 1}, 1028),
       BMP_FILE_NOT_SUPPORTED},
      {"larger information header", Archivo({.header_size = 108}, 100), BMP_FILE_NOT_SUPPORTED},
      {"short palette", Archivo(sano8, 1000), BMP_FILE_INVALID},
      {"short pixel data", Archivo(sano24, 15), BMP_FILE_INVALID},
      {"short pixel data, 8-bit", Archivo(sano8, 1024 + 7), BMP_FILE_INVALID},
      {"data size short of the rows", Archivo({.width = 2, .height = 2, .image_size = 12}, 16),
       BMP_FILE_INVALID},
      {"data size claims 4 GB", Archivo({.image_size = 0xFFFFFFF0}, 6), BMP_FILE_INVALID},
      {"rows claim 4 GB", Archivo({.width = 65536, .height = 65536, .bits = 8}, 1030),
       BMP_FILE_INVALID},
      {"rows overflow 64 bits", Archivo({.width = 0xFFFFFFFF, .height = 0x7FFFFFFF, .bits = 32}, 6),
       BMP_FILE_INVALID},
      {"offset inside the header", Archivo({.data_offset = 10}, 4), BMP_FILE_INVALID},
      {"offset inside the palette", Archivo({.data_offset = 600, .bits = 8}, 1028),
       BMP_FILE_INVALID},
      {"offset inside a short palette",
       Archivo({.data_offset = 60, .bits = 8, .colors_used = 2}, 12), BMP_FILE_INVALID},
      {"offset past the end", Archivo({.data_offset = 4000}, 4), BMP_FILE_INVALID},
      {"top-down, most negative height", Archivo({.height = 0x80000000}, 8), BMP_FILE_INVALID},
  };
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("malformado.bmp");
  const int descriptores = DescriptoresAbiertos();
  for (const CasoMalformado& c : casos) {
    SCOPED_TRACE(c.nombre);
    EscribirArchivo(ruta, c.bytes);
    monton::Vigilancia vigilancia;
    EXPECT_EQ(BMP_ReadFile(ruta.c_str()), nullptr);
    EXPECT_EQ(BMP_GetError(), c.status);
    EXPECT_EQ(monton::BloquesVivos(), 0);
    EXPECT_EQ(DescriptoresAbiertos(), descriptores);
  }
}

TEST(Malformados, ASixtyByteFileClaimingFourGigabytesAllocatesNoPixelBlock) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("enorme.bmp");
  EscribirArchivo(ruta, Archivo({.width = 0x3FFFFFFF, .height = 1, .bits = 32}, 6));
  monton::Vigilancia vigilancia;
  EXPECT_EQ(BMP_ReadFile(ruta.c_str()), nullptr);
  EXPECT_EQ(BMP_GetError(), BMP_FILE_INVALID);
  EXPECT_EQ(monton::Peticiones(), 1);  // the record only
}

// Reads `archivo` and checks the pixels against rows given top to bottom.
void EsperarPixeles(const std::string& ruta, const std::vector<Bytes>& filas_bgr) {
  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(bmp, nullptr) << BMP_GetErrorDescription();
  ASSERT_EQ(BMP_GetHeight(bmp.get()), filas_bgr.size());
  for (UINT y = 0; y < filas_bgr.size(); ++y) {
    for (UINT x = 0; x < BMP_GetWidth(bmp.get()); ++x) {
      UCHAR r, g, b;
      BMP_GetPixelRGB(bmp.get(), x, y, &r, &g, &b);
      const Bytes& fila = filas_bgr[y];
      EXPECT_EQ(std::tie(b, g, r), std::tie(fila[3 * x], fila[3 * x + 1], fila[3 * x + 2]))
          << x << "," << y;
    }
  }
}

TEST(OtrasDisposiciones, DataOffsetIsHonouredAndWritingGivesOurLayout) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("desplazado.bmp");
  // 2 x 2, 24 bits, ten foreign bytes between header and pixels.
  const Bytes abajo{1, 2, 3, 4, 5, 6, 0, 0};
  const Bytes arriba{7, 8, 9, 10, 11, 12, 0, 0};
  Bytes archivo = Archivo({.data_offset = 64, .width = 2, .height = 2, .image_size = 16}, 10);
  Anadir(archivo, abajo);
  Anadir(archivo, arriba);
  EscribirArchivo(ruta, archivo);
  EsperarPixeles(ruta, {arriba, abajo});

  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  EXPECT_EQ(bmp->Header.DataOffset, 54u);
  EXPECT_EQ(bmp->Header.FileSize, 70u);
  const std::string copia = carpeta.Ruta("copia.bmp");
  BMP_WriteFile(bmp.get(), copia.c_str());
  Bytes esperado = BytesCabecera({.file_size = 70, .width = 2, .height = 2, .image_size = 16});
  Anadir(esperado, abajo);
  Anadir(esperado, arriba);
  EXPECT_EQ(LeerArchivo(copia), esperado);
}

// Leaves blocks of `bytes` filled with 0xAA for the heap to hand out again,
// so a block the library does not fill shows it.
void EnsuciarMonton(size_t bytes) {
  void* bloques[16];
  for (void*& b : bloques) {
    b = std::malloc(bytes);
    if (b != nullptr) std::memset(b, 0xAA, bytes);
  }
  for (void* b : bloques) std::free(b);
}

class PaletaCorta : public testing::TestWithParam<UINT> {};

TEST_P(PaletaCorta, AShortPaletteIsReadAndPaddedWithZeros) {
  const UINT entradas = GetParam();
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("paleta.bmp");
  // Entry i is blue i, green i + 1, red i + 2; the pixels use the first,
  // last and middle entries.
  Bytes archivo = BytesCabecera({.data_offset = 54 + 4 * entradas,
                                 .width = 3,
                                 .height = 1,
                                 .bits = 8,
                                 .colors_used = entradas});
  for (UINT i = 0; i < entradas; ++i) {
    Anadir(archivo, {static_cast<uint8_t>(i), static_cast<uint8_t>(i + 1),
                     static_cast<uint8_t>(i + 2), 0});
  }
  const auto ultima = static_cast<uint8_t>(entradas - 1);
  const auto media = static_cast<uint8_t>(entradas / 2);
  Anadir(archivo, {0, ultima, media, 0});
  EscribirArchivo(ruta, archivo);
  EnsuciarMonton(BMP_PALETTE_SIZE);
  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(bmp, nullptr) << BMP_GetErrorDescription();
  for (const auto& [x, indice] : {std::pair<UINT, UINT>{0, 0}, {1, ultima}, {2, media}}) {
    UCHAR r, g, b;
    BMP_GetPixelRGB(bmp.get(), x, 0, &r, &g, &b);
    EXPECT_EQ(std::tie(r, g, b), std::make_tuple(static_cast<UCHAR>(indice + 2),
                                                 static_cast<UCHAR>(indice + 1),
                                                 static_cast<UCHAR>(indice)))
        << x;
  }
  EXPECT_EQ(Bytes(bmp->Palette + 4 * entradas, bmp->Palette + BMP_PALETTE_SIZE),
            Bytes(BMP_PALETTE_SIZE - 4 * entradas, 0));
  EXPECT_EQ(bmp->Header.DataOffset, 1078u);
  EXPECT_EQ(bmp->Header.FileSize, 1082u);

  const std::string copia = carpeta.Ruta("copia.bmp");
  BMP_WriteFile(bmp.get(), copia.c_str());
  EXPECT_EQ(LeerArchivo(copia).size(), 1082u);
  BmpPtr otra(BMP_ReadFile(copia.c_str()));
  ASSERT_NE(otra, nullptr);
  UCHAR r, g, b;
  BMP_GetPixelRGB(otra.get(), 1, 0, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(static_cast<UCHAR>(ultima + 2),
                                               static_cast<UCHAR>(ultima + 1), ultima));
}

INSTANTIATE_TEST_SUITE_P(Entries, PaletaCorta, testing::Values(3u, 255u));

TEST(OtrasDisposiciones, DataSizeZeroIsComputedAndALargerOneTrimmed) {
  CarpetaTemporal carpeta;
  const Bytes abajo{1, 2, 3, 0};
  const Bytes arriba{4, 5, 6, 0};
  for (const UINT declarado : {0u, 10u}) {
    SCOPED_TRACE(declarado);
    const std::string ruta = carpeta.Ruta("tamano.bmp");
    Bytes archivo = BytesCabecera({.width = 1, .height = 2, .image_size = declarado});
    Anadir(archivo, abajo);
    Anadir(archivo, arriba);
    Anadir(archivo, {0xEE, 0xEE});  // bytes after the rows, counted by a size of 10
    EscribirArchivo(ruta, archivo);
    EsperarPixeles(ruta, {arriba, abajo});
    BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
    EXPECT_EQ(bmp->Header.ImageDataSize, 8u);
    EXPECT_EQ(bmp->Header.FileSize, 62u);
  }
}

TEST(OtrasDisposiciones, TopDownRowsAreFlippedIntoBottomUp) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("invertida.bmp");
  const Bytes filas[] = {{1, 2, 3, 0}, {4, 5, 6, 0}, {7, 8, 9, 0}};  // stored top first
  Bytes archivo = BytesCabecera({.width = 1, .height = static_cast<UINT>(-3)});
  for (const Bytes& f : filas) Anadir(archivo, f);
  EscribirArchivo(ruta, archivo);
  EsperarPixeles(ruta, {filas[0], filas[1], filas[2]});
  BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
  EXPECT_EQ(bmp->Header.Height, 3u);
  EXPECT_EQ(Bytes(bmp->Data, bmp->Data + 4), filas[2]);
}

TEST(OtrasDisposiciones, AnImageWithoutPixelsRejectsEveryCoordinate) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("vacia.bmp");
  // Bottom-up and top-down, the latter with 2^31 - 1 or about 2^30 empty rows
  // to flip, also when the header claims some data bytes all the same.
  // No rows at all is the other way to have no pixels.
  const std::tuple<UINT, UINT, UINT> casos[] = {
      {0u, 5u, 0u}, {0u, 0x80000001u, 0u}, {0u, 0xBFFFFF00u, 16u}, {3u, 0u, 0u}};
  for (const auto& [ancho, alto, bytes_datos] : casos) {
    SCOPED_TRACE(alto);
    Bytes archivo = BytesCabecera({.width = ancho, .height = alto, .image_size = bytes_datos});
    archivo.resize(archivo.size() + bytes_datos, 0x11);
    EscribirArchivo(ruta, archivo);
    BmpPtr bmp(BMP_ReadFile(ruta.c_str()));
    ASSERT_NE(bmp, nullptr) << BMP_GetErrorDescription();
    EXPECT_EQ(reinterpret_cast<uintptr_t>(bmp->Data) % 32, 16u);
    UCHAR r = 0;
    BMP_GetPixelRGB(bmp.get(), 0, 0, &r, nullptr, nullptr);
    EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  }
}

}  // namespace

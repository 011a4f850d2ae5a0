// What the library must hold against hostile use: records whose fields the
// caller changed, writes that fail half-way, input that cannot seek, and
// 8-bit files whose colour counts disagree with their palette.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>
#include <tuple>

#include "mapabits.h"
#include "tests/bmp/archivos_prueba.h"
#include "tests/bmp/monton.h"

namespace {

// ---------------------------------------------------------------------------
// Records changed behind the library's back.

struct Manipulacion {
  const char* nombre;
  USHORT bits;
  void (*alterar)(BMP*);
};

const Manipulacion kManipulaciones[] = {
    {"ImageDataSize grown", 8, [](BMP* b) { b->Header.ImageDataSize += 4096; }},
    {"ImageDataSize shrunk", 24, [](BMP* b) { b->Header.ImageDataSize = 4; }},
    {"Width grown", 24, [](BMP* b) { b->Header.Width = 1000; }},
    {"Height grown", 8, [](BMP* b) { b->Header.Height = 1000; }},
    {"8 bits said 32", 8, [](BMP* b) { b->Header.BitsPerPixel = 32; }},
    {"24 bits said 8", 24, [](BMP* b) { b->Header.BitsPerPixel = 8; }},
    {"Palette null", 8, [](BMP* b) { b->Palette = nullptr; }},
    {"Data null", 24, [](BMP* b) { b->Data = nullptr; }},
    {"Data moved", 8, [](BMP* b) { b->Data += 64; }},
};

struct Operacion {
  const char* nombre;
  void (*llamar)(BMP*, const char* ruta);
};

void PrintTo(const Manipulacion& m, std::ostream* os) { *os << m.nombre; }
void PrintTo(const Operacion& o, std::ostream* os) { *os << o.nombre; }

// Each at the last pixel the changed record claims, where a trusting library
// would reach furthest.
const Operacion kOperaciones[] = {
    {"WriteFile", [](BMP* b, const char* ruta) { BMP_WriteFile(b, ruta); }},
    {"GetWidth", [](BMP* b, const char*) { BMP_GetWidth(b); }},
    {"GetHeight", [](BMP* b, const char*) { BMP_GetHeight(b); }},
    {"GetDepth", [](BMP* b, const char*) { BMP_GetDepth(b); }},
    {"GetPixelRGB",
     [](BMP* b, const char*) {
       UCHAR r, g, v;
       BMP_GetPixelRGB(b, b->Header.Width - 1, 0, &r, &g, &v);
     }},
    {"SetPixelRGB", [](BMP* b, const char*) { BMP_SetPixelRGB(b, b->Header.Width - 1, 0, 1, 2, 3); }},
    {"GetPixelIndex",
     [](BMP* b, const char*) {
       UCHAR v;
       BMP_GetPixelIndex(b, b->Header.Width - 1, 0, &v);
     }},
    {"SetPixelIndex", [](BMP* b, const char*) { BMP_SetPixelIndex(b, b->Header.Width - 1, 0, 9); }},
    {"GetPaletteColor",
     [](BMP* b, const char*) {
       UCHAR r, g, v;
       BMP_GetPaletteColor(b, 255, &r, &g, &v);
     }},
    {"SetPaletteColor", [](BMP* b, const char*) { BMP_SetPaletteColor(b, 255, 1, 2, 3); }},
};

class RegistroAlterado
    : public testing::TestWithParam<std::tuple<Manipulacion, Operacion>> {};

TEST_P(RegistroAlterado, IsRefusedTouchingNothingAndStillFreesItsBlocks) {
  const auto& [manipulacion, operacion] = GetParam();
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("alterada.bmp");
  monton::Vigilancia vigilancia;
  BMP* bmp = BMP_Create(3, 2, manipulacion.bits);
  ASSERT_NE(bmp, nullptr);
  UCHAR* const datos = bmp->Data;
  const UINT bytes_datos = bmp->Header.ImageDataSize;
  std::memset(datos, 0x5A, bytes_datos);
  const Bytes antes(datos, datos + bytes_datos);

  manipulacion.alterar(bmp);
  operacion.llamar(bmp, ruta.c_str());
  EXPECT_EQ(BMP_GetError(), BMP_INVALID_ARGUMENT);
  EXPECT_FALSE(std::filesystem::exists(ruta));
  EXPECT_EQ(Bytes(datos, datos + bytes_datos), antes);
  BMP_Free(bmp);
  EXPECT_EQ(monton::BloquesVivos(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    EveryFieldEveryOperation, RegistroAlterado,
    testing::Combine(testing::ValuesIn(kManipulaciones), testing::ValuesIn(kOperaciones)),
    [](const auto& caso) {
      std::string nombre = std::string(std::get<0>(caso.param).nombre) + "_" +
                           std::get<1>(caso.param).nombre;
      for (char& c : nombre) {
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
      }
      return nombre;
    });

// ---------------------------------------------------------------------------
// A write that fails half-way.

// In a child limited to `limite` bytes per file (the signal that would end it
// ignored, so the write fails with EFBIG as on a full disk), writes `bmp` to
// `ruta`; the status it got.
int EscribirConLimite(BMP* bmp, const std::string& ruta, rlim_t limite) {
  const pid_t hijo = fork();
  if (hijo == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit r{limite, limite};
    if (setrlimit(RLIMIT_FSIZE, &r) != 0) _exit(100);
    BMP_WriteFile(bmp, ruta.c_str());
    _exit(static_cast<int>(BMP_GetError()));
  }
  int estado = 0;
  waitpid(hijo, &estado, 0);
  return WIFEXITED(estado) ? WEXITSTATUS(estado) : -1;
}

TEST(EscrituraFallida, LeavesTheOldFileWholeAndNoTemporaryFile) {
  CarpetaTemporal carpeta;
  const std::string ruta = carpeta.Ruta("salida.bmp");
  const Bytes viejo(3000, 0x77);
  EscribirArchivo(ruta, viejo);
  ASSERT_EQ(chmod(ruta.c_str(), 0640), 0);
  BmpPtr grande(BMP_Create(100, 100, 8));  // 11078 bytes

  EXPECT_EQ(EscribirConLimite(grande.get(), ruta, 4096), BMP_IO_ERROR);
  EXPECT_EQ(LeerArchivo(ruta), viejo);
  int archivos = 0;
  for (const auto& entrada : std::filesystem::directory_iterator(carpeta.Ruta(""))) {
    EXPECT_EQ(entrada.path().filename(), "salida.bmp");
    ++archivos;
  }
  EXPECT_EQ(archivos, 1);

  // With room enough it replaces the file, keeping its permission bits.
  EXPECT_EQ(EscribirConLimite(grande.get(), ruta, 1 << 20), BMP_OK);
  EXPECT_EQ(LeerArchivo(ruta).size(), 11078u);
  struct stat datos {};
  ASSERT_EQ(stat(ruta.c_str(), &datos), 0);
  EXPECT_EQ(datos.st_mode & 07777, 0640u);
}

// ---------------------------------------------------------------------------
// Input that cannot seek.

// Reads `bytes` through a FIFO, fed by a thread as a pipe would feed it.
BMP* LeerPorFifo(const CarpetaTemporal& carpeta, const Bytes& bytes) {
  const std::string fifo = carpeta.Ruta("tuberia");
  std::filesystem::remove(fifo);
  if (mkfifo(fifo.c_str(), 0600) != 0) return nullptr;
  std::thread escritor([&] {
    const int fd = open(fifo.c_str(), O_WRONLY);
    for (size_t hecho = 0; fd >= 0 && hecho < bytes.size();) {
      const ssize_t n = write(fd, bytes.data() + hecho, bytes.size() - hecho);
      if (n <= 0) break;  // the reader stopped early
      hecho += static_cast<size_t>(n);
    }
    if (fd >= 0) close(fd);
  });
  BMP* bmp = BMP_ReadFile(fifo.c_str());
  escritor.join();
  return bmp;
}

TEST(SinPosicionar, AFifoReadsAsTheSameFileOnDisk) {
  std::signal(SIGPIPE, SIG_IGN);
  CarpetaTemporal carpeta;
  BmpPtr ocho(BMP_Create(70, 40, 8));
  for (UINT i = 0; i < 256; ++i) {
    BMP_SetPaletteColor(ocho.get(), static_cast<UCHAR>(i), static_cast<UCHAR>(i), 3,
                        static_cast<UCHAR>(255 - i));
  }
  for (UINT y = 0; y < 40; ++y) {
    for (UINT x = 0; x < 70; ++x) BMP_SetPixelIndex(ocho.get(), x, y, static_cast<UCHAR>(x * y));
  }
  const std::string ruta_ocho = carpeta.Ruta("ocho.bmp");
  BMP_WriteFile(ocho.get(), ruta_ocho.c_str());
  Bytes desplazada = BytesCabecera({.data_offset = 66, .width = 2, .height = 2,
                                    .bits = 8, .colors_used = 3});
  Anadir(desplazada, {10, 20, 30, 0, 40, 50, 60, 0, 70, 80, 90, 0, 2, 1, 0, 0, 0, 2, 0, 0});
  Bytes invertida = BytesCabecera({.width = 1, .height = static_cast<UINT>(-2)});
  Anadir(invertida, {1, 2, 3, 0, 4, 5, 6, 0});
  const Bytes completo = LeerArchivo(ruta_ocho);
  const Bytes archivos[] = {
      completo,
      desplazada,
      invertida,
      Bytes(completo.begin(), completo.end() - 1),  // short
      [] {  // claims 4 GB of rows and holds 6 bytes
        Bytes b = BytesCabecera({.width = 0x3FFFFFFF, .height = 1, .bits = 32});
        b.resize(60, 1);
        return b;
      }(),
      {},
  };
  const std::string ruta = carpeta.Ruta("archivo.bmp");
  for (const Bytes& archivo : archivos) {
    SCOPED_TRACE(archivo.size());
    EscribirArchivo(ruta, archivo);
    BmpPtr del_disco(BMP_ReadFile(ruta.c_str()));
    const BMP_STATUS status = BMP_GetError();
    BmpPtr de_fifo(LeerPorFifo(carpeta, archivo));
    EXPECT_EQ(BMP_GetError(), status);
    ASSERT_EQ(del_disco == nullptr, de_fifo == nullptr);
    if (!del_disco) continue;
    EXPECT_EQ(std::memcmp(&del_disco->Header, &de_fifo->Header, sizeof(BMP_Header)), 0);
    EXPECT_EQ(PixelesLeidos(de_fifo.get()), PixelesLeidos(del_disco.get()));
    EXPECT_EQ(reinterpret_cast<uintptr_t>(de_fifo->Data) % 32, 16u);
  }
}

// ---------------------------------------------------------------------------
// Colour counts.

// An 8-bit 4 x 2 file storing `entradas` palette entries and saying so in
// ColorsUsed (0 stands for 256); the pixels use the last entry and others.
Bytes ArchivoOcho(UINT entradas, UINT colors_used) {
  Bytes b = BytesCabecera({.data_offset = 54 + 4 * entradas, .width = 4, .height = 2,
                           .bits = 8, .colors_used = colors_used});
  for (UINT i = 0; i < entradas; ++i) {
    Anadir(b, {static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), 7, 0});
  }
  const auto ultima = static_cast<uint8_t>(entradas - 1);
  Anadir(b, {ultima, 0, 1, ultima, static_cast<uint8_t>(entradas / 2), ultima, 0, 2});
  return b;
}

class CuentaDeColores : public testing::TestWithParam<std::tuple<UINT, UINT>> {};

TEST_P(CuentaDeColores, ReadWriteReadKeepsPixelsAndPalette) {
  const auto [entradas, colors_used] = GetParam();
  CarpetaTemporal carpeta;
  const std::string origen = carpeta.Ruta("origen.bmp");
  EscribirArchivo(origen, ArchivoOcho(entradas, colors_used));
  BmpPtr primera(BMP_ReadFile(origen.c_str()));
  ASSERT_NE(primera, nullptr) << BMP_GetErrorDescription();
  // Whatever the file stored, the record holds 256 entries to use.
  BMP_SetPaletteColor(primera.get(), 255, 9, 8, 7);
  BMP_SetPixelIndex(primera.get(), 3, 0, 255);
  const std::string copia = carpeta.Ruta("copia.bmp");
  BMP_WriteFile(primera.get(), copia.c_str());
  ASSERT_EQ(BMP_GetError(), BMP_OK);
  BmpPtr segunda(BMP_ReadFile(copia.c_str()));
  ASSERT_NE(segunda, nullptr);
  EXPECT_EQ(PixelesLeidos(segunda.get()), PixelesLeidos(primera.get()));
  EXPECT_EQ(Bytes(segunda->Palette, segunda->Palette + BMP_PALETTE_SIZE),
            Bytes(primera->Palette, primera->Palette + BMP_PALETTE_SIZE));
  UCHAR r, g, b;
  BMP_GetPixelRGB(segunda.get(), 3, 0, &r, &g, &b);
  EXPECT_EQ(std::tie(r, g, b), std::make_tuple(9, 8, 7));
}

TEST_P(CuentaDeColores, AFileWrittenFromAnEditedCountStillHoldsAllEntries) {
  const auto [entradas, colors_used] = GetParam();
  CarpetaTemporal carpeta;
  BmpPtr bmp(BMP_Create(2, 1, 8));
  BMP_SetPaletteColor(bmp.get(), 255, 1, 2, 3);
  BMP_SetPixelIndex(bmp.get(), 1, 0, 255);
  bmp->Header.ColorsUsed = colors_used;
  bmp->Header.ColorsRequired = entradas;
  const std::string ruta = carpeta.Ruta("editada.bmp");
  BMP_WriteFile(bmp.get(), ruta.c_str());
  BmpPtr leida(BMP_ReadFile(ruta.c_str()));
  ASSERT_NE(leida, nullptr);
  EXPECT_EQ(PixelesLeidos(leida.get()), Bytes({0, 0, 0, 1, 2, 3}));
}

INSTANTIATE_TEST_SUITE_P(Counts, CuentaDeColores,
                         testing::Values(std::make_tuple(256u, 0u), std::make_tuple(256u, 256u),
                                         std::make_tuple(3u, 3u), std::make_tuple(252u, 252u),
                                         std::make_tuple(255u, 255u), std::make_tuple(1u, 1u)));

}  // namespace

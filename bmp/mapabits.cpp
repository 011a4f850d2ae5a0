// BMP image library. Heap blocks are plain malloc/calloc blocks, since
// BMP_Free releases them with free; inside, every stream and block is owned by
// a RAII holder until it is handed to the caller, so no failure path leaks.
#include "mapabits.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cerrno>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <optional>
#include <type_traits>
#include <vector>

#include "host/atomic_file.h"

namespace {

static_assert(sizeof(BMP_STATUS) == 4 && std::is_unsigned_v<std::underlying_type_t<BMP_STATUS>>,
              "BMP_STATUS holds unsigned 32-bit values");
static_assert(BMP_PALETTE_SIZE == 1024);

constexpr USHORT kFirma = 0x4D42;      // "BM" read little-endian
constexpr UINT kTamanoCabeceras = 54;  // file header + information header
constexpr UINT kTamanoCabeceraInfo = 40;
constexpr UINT kBytesPorEntrada = 4;
constexpr UINT kBloqueUbicacion = 32;  // Data lands ALINEAMIENTO past a boundary of this
// Worst case from any block start to the end of the placed data: up to 31
// bytes to the next 32-byte boundary, then ALINEAMIENTO.
constexpr size_t kHolguraUbicacion = kBloqueUbicacion - 1 + ALINEAMIENTO;

constexpr const char* BMP_ERROR_STRING[] = {
    "",
    "General error",
    "Could not allocate enough memory to complete the operation",
    "File input/output error",
    "File not found",
    "File is not a supported BMP variant (must be uncompressed 8, 24 or 32 BPP)",
    "File is not a valid BMP image",
    "An argument is invalid or out of range",
    "The requested action is not compatible with the BMP's type",
};
static_assert(std::size(BMP_ERROR_STRING) == BMP_ERROR_NUM);

BMP_STATUS BMP_LAST_ERROR_CODE = BMP_OK;

struct Liberar {
  void operator()(void* bloque) const { std::free(bloque); }
};
template <typename T>
using Bloque = std::unique_ptr<T, Liberar>;

struct Cerrar {
  void operator()(FILE* f) const { std::fclose(f); }
};
using Archivo = std::unique_ptr<FILE, Cerrar>;

// What the library allocated for a record, kept behind the public record in
// the same block: a caller editing the record's fields cannot change it, so
// every operation can refuse a record that no longer describes its blocks.
struct Asignado {
  UINT width;
  UINT height;
  USHORT bits_per_pixel;
  UINT image_data_size;
  UCHAR* palette;
  UCHAR* data;
  UCHAR* data_ubicado;
};

struct Registro {
  BMP publico;  // first, so a BMP* is the block's start and free() takes it
  Asignado asignado;
};
static_assert(std::is_standard_layout_v<Registro>);

Registro* RegistroDe(BMP* bmp) { return reinterpret_cast<Registro*>(bmp); }

// A record the library handed out, with every field that locates or sizes its
// blocks as the library set it.
bool Intacto(BMP* bmp) {
  if (bmp == nullptr) return false;
  const Asignado& a = RegistroDe(bmp)->asignado;
  const BMP_Header& h = bmp->Header;
  return h.Width == a.width && h.Height == a.height && h.BitsPerPixel == a.bits_per_pixel &&
         h.ImageDataSize == a.image_data_size && bmp->Palette == a.palette &&
         bmp->Data == a.data && bmp->Data_ubicado == a.data_ubicado;
}

// An image being built. On failure its blocks go in the order pixel block,
// palette, record (members are destroyed in reverse order).
struct Imagen {
  Bloque<Registro> registro;
  Bloque<UCHAR> paleta;
  Bloque<UCHAR> pixeles;

  bool Reservar() {
    registro.reset(static_cast<Registro*>(std::calloc(1, sizeof(Registro))));
    return registro != nullptr;
  }
  BMP* Publico() { return &registro->publico; }

  BMP* Entregar() {
    const BMP& p = registro->publico;
    registro->asignado = {p.Header.Width,         p.Header.Height, p.Header.BitsPerPixel,
                          p.Header.ImageDataSize, p.Palette,       p.Data,
                          p.Data_ubicado};
    paleta.release();
    pixeles.release();
    return &registro.release()->publico;
  }
};

template <typename T = BMP>
T* Fallar(BMP_STATUS status) {
  BMP_LAST_ERROR_CODE = status;
  return nullptr;
}

bool ProfundidadValida(USHORT depth) { return depth == 8 || depth == 24 || depth == 32; }

UINT InicioDatos(USHORT depth) {
  return depth == 8 ? kTamanoCabeceras + BMP_PALETTE_SIZE : kTamanoCabeceras;
}

// ImageDataSize of the layout the library writes (padded rows, bottom-up, data
// right after header and palette), when it and the whole file fit in 32 bits.
std::optional<UINT> TamanoDatos(UINT width, UINT height, USHORT depth) {
  const uint64_t fila = (uint64_t{width} * (depth / 8) + 3) / 4 * 4;
  if (fila > UINT32_MAX) return std::nullopt;
  const uint64_t datos = fila * height;  // below 2^64: both factors below 2^32
  if (datos + InicioDatos(depth) > UINT32_MAX) return std::nullopt;
  return static_cast<UINT>(datos);
}

int ReadUINT(UINT* x, FILE* f) {
  UCHAR little[4];
  if (x == nullptr || f == nullptr || std::fread(little, sizeof little, 1, f) != 1) return 0;
  *x = UINT{little[0]} | UINT{little[1]} << 8 | UINT{little[2]} << 16 | UINT{little[3]} << 24;
  return 1;
}

int ReadUSHORT(USHORT* x, FILE* f) {
  UCHAR little[2];
  if (x == nullptr || f == nullptr || std::fread(little, sizeof little, 1, f) != 1) return 0;
  *x = static_cast<USHORT>(little[0] | little[1] << 8);
  return 1;
}

int WriteUINT(UINT x, FILE* f) {
  const UCHAR little[4] = {static_cast<UCHAR>(x & 0xFF), static_cast<UCHAR>((x >> 8) & 0xFF),
                           static_cast<UCHAR>((x >> 16) & 0xFF), static_cast<UCHAR>(x >> 24)};
  return f != nullptr && std::fwrite(little, sizeof little, 1, f) == 1;
}

int WriteUSHORT(USHORT x, FILE* f) {
  const UCHAR little[2] = {static_cast<UCHAR>(x & 0xFF), static_cast<UCHAR>(x >> 8)};
  return f != nullptr && std::fwrite(little, sizeof little, 1, f) == 1;
}

int ReadHeader(BMP* bmp, FILE* f) {
  if (bmp == nullptr || f == nullptr) return BMP_INVALID_ARGUMENT;
  BMP_Header& h = bmp->Header;
  const bool leido = ReadUSHORT(&h.Magic, f) && ReadUINT(&h.FileSize, f) &&
                     ReadUSHORT(&h.Reserved1, f) && ReadUSHORT(&h.Reserved2, f) &&
                     ReadUINT(&h.DataOffset, f) && ReadUINT(&h.HeaderSize, f) &&
                     ReadUINT(&h.Width, f) && ReadUINT(&h.Height, f) && ReadUSHORT(&h.Planes, f) &&
                     ReadUSHORT(&h.BitsPerPixel, f) && ReadUINT(&h.CompressionType, f) &&
                     ReadUINT(&h.ImageDataSize, f) && ReadUINT(&h.HPixelsPerMeter, f) &&
                     ReadUINT(&h.VPixelsPerMeter, f) && ReadUINT(&h.ColorsUsed, f) &&
                     ReadUINT(&h.ColorsRequired, f);
  return leido ? BMP_OK : BMP_IO_ERROR;
}

int WriteHeader(BMP* bmp, FILE* f) {
  if (bmp == nullptr || f == nullptr) return BMP_INVALID_ARGUMENT;
  const BMP_Header& h = bmp->Header;
  const bool escrito = WriteUSHORT(h.Magic, f) && WriteUINT(h.FileSize, f) &&
                       WriteUSHORT(h.Reserved1, f) && WriteUSHORT(h.Reserved2, f) &&
                       WriteUINT(h.DataOffset, f) && WriteUINT(h.HeaderSize, f) &&
                       WriteUINT(h.Width, f) && WriteUINT(h.Height, f) &&
                       WriteUSHORT(h.Planes, f) && WriteUSHORT(h.BitsPerPixel, f) &&
                       WriteUINT(h.CompressionType, f) && WriteUINT(h.ImageDataSize, f) &&
                       WriteUINT(h.HPixelsPerMeter, f) && WriteUINT(h.VPixelsPerMeter, f) &&
                       WriteUINT(h.ColorsUsed, f) && WriteUINT(h.ColorsRequired, f);
  return escrito ? BMP_OK : BMP_IO_ERROR;
}

// Where the bytes after the header come from. A regular file is read where
// it lies; a pipe, FIFO or terminal cannot seek, so what the header says the
// image needs is read from it into memory, chunk by chunk, so a stream that
// ends early never costs the memory its header claims.
class Fuente {
 public:
  explicit Fuente(FILE* f) : f_(f) {}

  // Length of the input, or of its first `necesarios` bytes when it cannot
  // seek; null when it cannot be read (then Fallo() says why).
  std::optional<uint64_t> Longitud(uint64_t necesarios) {
    try {
      return Medir(necesarios);
    } catch (const std::bad_alloc&) {
      fallo_ = BMP_OUT_OF_MEMORY;
      return std::nullopt;
    }
  }
  BMP_STATUS Fallo() const { return fallo_; }

  // The `bytes` bytes at `posicion` of the input, within the length found.
  bool LeerEn(uint64_t posicion, void* destino, size_t bytes) {
    if (en_memoria_) {
      if (posicion < kTamanoCabeceras || posicion - kTamanoCabeceras > resto_.size() ||
          resto_.size() - (posicion - kTamanoCabeceras) < bytes) {
        return false;
      }
      if (bytes > 0) std::memcpy(destino, resto_.data() + (posicion - kTamanoCabeceras), bytes);
      return true;
    }
    return fseeko(f_, static_cast<off_t>(posicion), SEEK_SET) == 0 &&
           std::fread(destino, 1, bytes, f_) == bytes;
  }

 private:
  std::optional<uint64_t> Medir(uint64_t necesarios) {
    struct stat datos {};
    if (fstat(fileno(f_), &datos) == 0 && S_ISREG(datos.st_mode)) {
      if (fseeko(f_, 0, SEEK_END) != 0) return std::nullopt;
      const off_t longitud = ftello(f_);
      if (longitud < 0) return std::nullopt;
      return static_cast<uint64_t>(longitud);
    }
    en_memoria_ = true;
    constexpr size_t kTrozo = 64 * 1024;
    const uint64_t faltan = necesarios - kTamanoCabeceras;  // the header is read already
    while (resto_.size() < faltan) {
      const size_t antes = resto_.size();
      const size_t pedido = static_cast<size_t>(std::min<uint64_t>(kTrozo, faltan - antes));
      resto_.resize(antes + pedido);
      const size_t leidos = std::fread(resto_.data() + antes, 1, pedido, f_);
      resto_.resize(antes + leidos);
      if (leidos < pedido) break;
    }
    if (std::ferror(f_)) return std::nullopt;
    return kTamanoCabeceras + uint64_t{resto_.size()};
  }

  FILE* f_;
  BMP_STATUS fallo_ = BMP_IO_ERROR;
  bool en_memoria_ = false;
  std::vector<UCHAR> resto_;  // the input from byte kTamanoCabeceras on
};

// An 8-bit file whose ColorsUsed is 1 to 255 stores only that many entries.
UINT EntradasPaleta(const BMP_Header& h) {
  if (h.BitsPerPixel != 8) return 0;
  return h.ColorsUsed >= 1 && h.ColorsUsed <= 255 ? h.ColorsUsed : 256;
}

// Where the stored file keeps its parts, once checked against each other and
// against the file's length.
struct Disposicion {
  uint64_t inicio_datos;
  UINT bytes_datos;  // the padded rows, without any trailing bytes the file adds
  bool invertida;    // rows stored top-down
};

std::optional<Disposicion> ComprobarDisposicion(BMP_Header& h, Fuente& fuente,
                                                BMP_STATUS& status) {
  status = BMP_FILE_INVALID;
  // A negative height as signed 32-bit marks rows stored top to bottom.
  const bool invertida = static_cast<int32_t>(h.Height) < 0;
  const UINT filas = invertida ? 0u - h.Height : h.Height;
  const std::optional<UINT> bytes = TamanoDatos(h.Width, filas, h.BitsPerPixel);
  if (!bytes) return std::nullopt;
  const UINT declarados = h.ImageDataSize == 0 ? *bytes : h.ImageDataSize;
  const uint64_t fin_paleta = kTamanoCabeceras + uint64_t{kBytesPorEntrada} * EntradasPaleta(h);
  if (declarados < *bytes || h.DataOffset < fin_paleta) return std::nullopt;
  const uint64_t fin = uint64_t{h.DataOffset} + declarados;
  const std::optional<uint64_t> longitud = fuente.Longitud(fin);
  if (!longitud) {
    status = fuente.Fallo();
    return std::nullopt;
  }
  if (fin > *longitud) return std::nullopt;
  h.Height = filas;
  status = BMP_OK;
  return Disposicion{h.DataOffset, *bytes, invertida};
}

// Fills the record's palette block: the stored entries, zeros after them.
BMP_STATUS LeerPaleta(Imagen& img, Fuente& fuente) {
  img.paleta.reset(static_cast<UCHAR*>(std::malloc(BMP_PALETTE_SIZE)));
  if (!img.paleta) return BMP_OUT_OF_MEMORY;
  const size_t bytes = size_t{kBytesPorEntrada} * EntradasPaleta(img.Publico()->Header);
  if (!fuente.LeerEn(kTamanoCabeceras, img.paleta.get(), bytes)) return BMP_FILE_INVALID;
  std::memset(img.paleta.get() + bytes, 0, BMP_PALETTE_SIZE - bytes);
  img.Publico()->Palette = img.paleta.get();
  return BMP_OK;
}

// The first 32-byte boundary at or after the block's start, plus ALINEAMIENTO.
UCHAR* Ubicar(UCHAR* bloque) {
  const uintptr_t inicio = reinterpret_cast<uintptr_t>(bloque);
  const uintptr_t frontera = (inicio + kBloqueUbicacion - 1) & ~uintptr_t{kBloqueUbicacion - 1};
  return bloque + (frontera - inicio) + ALINEAMIENTO;
}

void VoltearFilas(UCHAR* datos, UINT bytes_por_fila, UINT filas) {
  for (UINT arriba = 0, abajo = filas - 1; arriba < abajo; ++arriba, --abajo) {
    UCHAR* fila = datos + size_t{arriba} * bytes_por_fila;
    std::swap_ranges(fila, fila + bytes_por_fila, datos + size_t{abajo} * bytes_por_fila);
  }
}

BMP_STATUS LeerPixeles(Imagen& img, Fuente& fuente, const Disposicion& d) {
  img.pixeles.reset(static_cast<UCHAR*>(std::malloc(size_t{d.bytes_datos} + kHolguraUbicacion)));
  if (!img.pixeles) return BMP_OUT_OF_MEMORY;
  BMP& bmp = *img.Publico();
  bmp.Data_ubicado = img.pixeles.get();
  bmp.Data = Ubicar(bmp.Data_ubicado);
  if (!fuente.LeerEn(d.inicio_datos, bmp.Data, d.bytes_datos)) return BMP_FILE_INVALID;
  // Rows without bytes (width 0) need no flip, however many a header claims:
  // a billion empty rows would otherwise be swapped one by one.
  if (d.invertida) {  // so Height is at least 1
    const UINT bytes_por_fila = d.bytes_datos / bmp.Header.Height;
    if (bytes_por_fila > 0) VoltearFilas(bmp.Data, bytes_por_fila, bmp.Header.Height);
  }
  return BMP_OK;
}

// From here on the record describes the file the library would write: its
// layout, and a palette of all 256 entries (the colour counts say so by 0).
void DescribirDisposicionPropia(BMP_Header& h, UINT bytes_datos) {
  h.ImageDataSize = bytes_datos;
  h.DataOffset = InicioDatos(h.BitsPerPixel);
  h.FileSize = h.DataOffset + bytes_datos;
  h.ColorsUsed = 0;
  h.ColorsRequired = 0;
}

BMP* LeerImagen(Imagen& img, FILE* f) {
  BMP_Header& h = img.Publico()->Header;
  if (ReadHeader(img.Publico(), f) != BMP_OK || h.Magic != kFirma) {
    return Fallar(std::ferror(f) ? BMP_IO_ERROR : BMP_FILE_INVALID);
  }
  if (!ProfundidadValida(h.BitsPerPixel) || h.CompressionType != 0 ||
      h.HeaderSize != kTamanoCabeceraInfo) {
    return Fallar(BMP_FILE_NOT_SUPPORTED);
  }
  Fuente fuente(f);
  BMP_STATUS status;
  const std::optional<Disposicion> d = ComprobarDisposicion(h, fuente, status);
  if (!d) return Fallar(status);
  if (h.BitsPerPixel == 8) {
    if (const BMP_STATUS s = LeerPaleta(img, fuente); s != BMP_OK) return Fallar(s);
  }
  if (const BMP_STATUS s = LeerPixeles(img, fuente, *d); s != BMP_OK) return Fallar(s);
  DescribirDisposicionPropia(h, d->bytes_datos);
  BMP_LAST_ERROR_CODE = BMP_OK;
  return img.Entregar();
}

// Checks shared by the pixel operations, in their order; the pixel's address
// when they pass (and the status is then BMP_OK), null otherwise.
template <typename Acepta>
UCHAR* UbicarPixel(BMP* bmp, UINT x, UINT y, Acepta acepta) {
  if (!Intacto(bmp) || x >= bmp->Header.Width || y >= bmp->Header.Height) {
    return Fallar<UCHAR>(BMP_INVALID_ARGUMENT);
  }
  if (!acepta(bmp->Header.BitsPerPixel)) return Fallar<UCHAR>(BMP_TYPE_MISMATCH);
  BMP_LAST_ERROR_CODE = BMP_OK;
  const UINT bytes_per_row = bmp->Header.ImageDataSize / bmp->Header.Height;
  const UCHAR bytes_per_pixel = static_cast<UCHAR>(bmp->Header.BitsPerPixel / 8);
  return bmp->Data + ((bmp->Header.Height - y - 1) * bytes_per_row + x * UINT{bytes_per_pixel});
}

constexpr auto kTodas = [](USHORT) { return true; };
constexpr auto kColor = [](USHORT depth) { return depth == 24 || depth == 32; };
constexpr auto kIndices = [](USHORT depth) { return depth == 8; };

UCHAR* EntradaPaleta(BMP* bmp, UCHAR index) {
  if (!Intacto(bmp)) return Fallar<UCHAR>(BMP_INVALID_ARGUMENT);
  if (bmp->Header.BitsPerPixel != 8) return Fallar<UCHAR>(BMP_TYPE_MISMATCH);
  return bmp->Palette + kBytesPorEntrada * index;
}

// Blue, green, red order, as pixels and palette entries store them.
void LeerBGR(const UCHAR* bgr, UCHAR* r, UCHAR* g, UCHAR* b) {
  if (r != nullptr) *r = bgr[2];
  if (g != nullptr) *g = bgr[1];
  if (b != nullptr) *b = bgr[0];
}

void EscribirBGR(UCHAR* bgr, UCHAR r, UCHAR g, UCHAR b) {
  bgr[2] = r;
  bgr[1] = g;
  bgr[0] = b;
}

template <typename T>
T Campo(BMP* bmp, T BMP_Header::*campo) {
  if (!Intacto(bmp)) {
    BMP_LAST_ERROR_CODE = BMP_INVALID_ARGUMENT;
    return static_cast<T>(~T{0});
  }
  BMP_LAST_ERROR_CODE = BMP_OK;
  return bmp->Header.*campo;
}

}  // namespace

extern "C" {

BMP* BMP_Create(UINT width, UINT height, USHORT depth) {
  if (width == 0 || height == 0) return Fallar(BMP_INVALID_ARGUMENT);
  if (!ProfundidadValida(depth)) return Fallar(BMP_FILE_NOT_SUPPORTED);
  const std::optional<UINT> bytes = TamanoDatos(width, height, depth);
  if (!bytes) return Fallar(BMP_INVALID_ARGUMENT);

  Imagen img;
  if (!img.Reservar()) return Fallar(BMP_OUT_OF_MEMORY);
  BMP& bmp = *img.Publico();
  BMP_Header& h = bmp.Header;
  h.Magic = kFirma;
  h.HeaderSize = kTamanoCabeceraInfo;
  h.Planes = 1;
  h.Width = width;
  h.Height = height;
  h.BitsPerPixel = depth;
  DescribirDisposicionPropia(h, *bytes);

  if (depth == 8) {
    img.paleta.reset(static_cast<UCHAR*>(std::calloc(BMP_PALETTE_SIZE, 1)));
    if (!img.paleta) return Fallar(BMP_OUT_OF_MEMORY);
    bmp.Palette = img.paleta.get();
  }
  img.pixeles.reset(static_cast<UCHAR*>(std::calloc(*bytes, 1)));
  if (!img.pixeles) return Fallar(BMP_OUT_OF_MEMORY);
  bmp.Data = bmp.Data_ubicado = img.pixeles.get();

  BMP_LAST_ERROR_CODE = BMP_OK;
  return img.Entregar();
}

void BMP_Free(BMP* bmp) {
  if (bmp == nullptr) return;
  // The blocks the library allocated, whatever the record's fields now say.
  const Asignado& a = RegistroDe(bmp)->asignado;
  std::free(a.palette);
  std::free(a.data_ubicado);
  std::free(bmp);
  BMP_LAST_ERROR_CODE = BMP_OK;
}

BMP* BMP_ReadFile(const char* filename) {
  if (filename == nullptr) return Fallar(BMP_INVALID_ARGUMENT);
  Imagen img;
  if (!img.Reservar()) return Fallar(BMP_OUT_OF_MEMORY);
  const Archivo f(std::fopen(filename, "rb"));
  if (!f) return Fallar(BMP_FILE_NOT_FOUND);  // errno says why
  return LeerImagen(img, f.get());
}

// A regular file (or a new one) is replaced only once it is completely
// written and synced, so a failure leaves whatever was there; errno tells why
// a failed call failed.
void BMP_WriteFile(BMP* bmp, const char* filename) {
  if (filename == nullptr || !Intacto(bmp)) {
    BMP_LAST_ERROR_CODE = BMP_INVALID_ARGUMENT;
    return;
  }
  host::AtomicFile archivo;
  if (!archivo.open(filename)) {
    BMP_LAST_ERROR_CODE = BMP_FILE_NOT_FOUND;
    return;
  }
  // The file always carries all 256 palette entries (or none): colour counts
  // that say fewer would make readers take the palette short.
  BMP escrito_como = *bmp;
  BMP_Header& h = escrito_como.Header;
  const UINT entradas = bmp->Palette != nullptr ? 256 : 0;
  if (h.ColorsUsed != entradas) h.ColorsUsed = 0;
  if (h.ColorsRequired != entradas) h.ColorsRequired = 0;
  FILE* f = archivo.stream();
  const bool escrito =
      WriteHeader(&escrito_como, f) == BMP_OK &&
      (bmp->Palette == nullptr ||
       std::fwrite(bmp->Palette, 1, BMP_PALETTE_SIZE, f) == BMP_PALETTE_SIZE) &&
      std::fwrite(bmp->Data, 1, h.ImageDataSize, f) == h.ImageDataSize;
  if (!escrito) {
    archivo.abandon();
    BMP_LAST_ERROR_CODE = BMP_IO_ERROR;
    return;
  }
  BMP_LAST_ERROR_CODE = archivo.commit() ? BMP_OK : BMP_IO_ERROR;
}

UINT BMP_GetWidth(BMP* bmp) { return Campo(bmp, &BMP_Header::Width); }
UINT BMP_GetHeight(BMP* bmp) { return Campo(bmp, &BMP_Header::Height); }
USHORT BMP_GetDepth(BMP* bmp) { return Campo(bmp, &BMP_Header::BitsPerPixel); }

void BMP_GetPixelRGB(BMP* bmp, UINT x, UINT y, UCHAR* r, UCHAR* g, UCHAR* b) {
  const UCHAR* pixel = UbicarPixel(bmp, x, y, kTodas);
  if (pixel == nullptr) return;
  if (bmp->Header.BitsPerPixel == 8) pixel = bmp->Palette + kBytesPorEntrada * *pixel;
  LeerBGR(pixel, r, g, b);
}

void BMP_SetPixelRGB(BMP* bmp, UINT x, UINT y, UCHAR r, UCHAR g, UCHAR b) {
  if (UCHAR* pixel = UbicarPixel(bmp, x, y, kColor)) EscribirBGR(pixel, r, g, b);
}

void BMP_GetPixelIndex(BMP* bmp, UINT x, UINT y, UCHAR* val) {
  const UCHAR* pixel = UbicarPixel(bmp, x, y, kIndices);
  if (pixel != nullptr && val != nullptr) *val = *pixel;
}

void BMP_SetPixelIndex(BMP* bmp, UINT x, UINT y, UCHAR val) {
  if (UCHAR* pixel = UbicarPixel(bmp, x, y, kIndices)) *pixel = val;
}

void BMP_GetPaletteColor(BMP* bmp, UCHAR index, UCHAR* r, UCHAR* g, UCHAR* b) {
  const UCHAR* entrada = EntradaPaleta(bmp, index);
  if (entrada == nullptr) return;
  LeerBGR(entrada, r, g, b);
  BMP_LAST_ERROR_CODE = BMP_OK;
}

void BMP_SetPaletteColor(BMP* bmp, UCHAR index, UCHAR r, UCHAR g, UCHAR b) {
  UCHAR* entrada = EntradaPaleta(bmp, index);
  if (entrada == nullptr) return;
  EscribirBGR(entrada, r, g, b);
  BMP_LAST_ERROR_CODE = BMP_OK;
}

BMP_STATUS BMP_GetError(void) { return BMP_LAST_ERROR_CODE; }

const char* BMP_GetErrorDescription(void) {
  if (BMP_LAST_ERROR_CODE > BMP_OK && BMP_LAST_ERROR_CODE < BMP_ERROR_NUM) {
    return BMP_ERROR_STRING[BMP_LAST_ERROR_CODE];
  }
  return nullptr;
}

}  // extern "C"

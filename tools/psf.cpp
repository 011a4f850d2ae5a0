#include "psf.h"

#include <zlib.h>

#include <algorithm>
#include <stdexcept>

namespace herramientas {
namespace {

constexpr std::uint8_t kMagiaPsf1[] = {0x36, 0x04};
constexpr std::uint8_t kMagiaPsf2[] = {0x72, 0xB5, 0x4A, 0x86};
constexpr std::uint8_t kPsf1Modo512 = 0x01;
constexpr std::uint8_t kPsf1ConTabla = 0x06;  // HASTAB or HASSEQ
constexpr std::uint32_t kPsf2ConTabla = 0x01;
constexpr char32_t kPsf1Separador = 0xFFFF;
constexpr char32_t kPsf1Secuencia = 0xFFFE;
constexpr std::uint8_t kPsf2Separador = 0xFF;
constexpr std::uint8_t kPsf2Secuencia = 0xFE;

std::uint32_t u32(const std::vector<std::uint8_t>& b, std::size_t pos) {
  if (pos + 4 > b.size()) {
    throw std::runtime_error("PSF header truncated");
  }
  return std::uint32_t{b[pos]} | std::uint32_t{b[pos + 1]} << 8 | std::uint32_t{b[pos + 2]} << 16 |
         std::uint32_t{b[pos + 3]} << 24;
}

void copiar_glifos(FuentePsf& f, const std::vector<std::uint8_t>& b, std::size_t inicio,
                   unsigned cuantos) {
  const std::size_t total = std::size_t{cuantos} * f.bytes_por_glifo;
  if (inicio + total > b.size()) {
    throw std::runtime_error("PSF glyphs truncated");
  }
  f.glifos.assign(b.begin() + static_cast<std::ptrdiff_t>(inicio),
                  b.begin() + static_cast<std::ptrdiff_t>(inicio + total));
}

void anotar(FuentePsf& f, char32_t codigo, unsigned glifo) { f.glifo_de.emplace(codigo, glifo); }

void tabla_psf1(FuentePsf& f, const std::vector<std::uint8_t>& b, std::size_t pos,
                unsigned glifos) {
  for (unsigned g = 0; g < glifos; ++g) {
    bool en_secuencia = false;
    for (;;) {
      if (pos + 2 > b.size()) {
        throw std::runtime_error("PSF1 Unicode table truncated");
      }
      const char32_t c = b[pos] | b[pos + 1] << 8;
      pos += 2;
      if (c == kPsf1Separador) {
        break;
      }
      en_secuencia = en_secuencia || c == kPsf1Secuencia;
      if (!en_secuencia) {
        anotar(f, c, g);
      }
    }
  }
}

// One UTF-8 code point at b[pos], advancing pos.
char32_t utf8(const std::vector<std::uint8_t>& b, std::size_t& pos) {
  const std::uint8_t primero = b[pos++];
  unsigned seguidos = primero >= 0xF0 ? 3 : primero >= 0xE0 ? 2 : primero >= 0xC0 ? 1 : 0;
  char32_t c = seguidos == 0 ? primero : primero & (0x3F >> seguidos);
  for (; seguidos > 0; --seguidos) {
    if (pos >= b.size()) {
      throw std::runtime_error("PSF2 Unicode table truncated");
    }
    c = c << 6 | (b[pos++] & 0x3F);
  }
  return c;
}

void tabla_psf2(FuentePsf& f, const std::vector<std::uint8_t>& b, std::size_t pos,
                unsigned glifos) {
  for (unsigned g = 0; g < glifos; ++g) {
    bool en_secuencia = false;
    for (;;) {
      if (pos >= b.size()) {
        throw std::runtime_error("PSF2 Unicode table truncated");
      }
      if (b[pos] == kPsf2Separador) {
        ++pos;
        break;
      }
      if (b[pos] == kPsf2Secuencia) {
        en_secuencia = true;
        ++pos;
        continue;
      }
      const char32_t c = utf8(b, pos);
      if (!en_secuencia) {
        anotar(f, c, g);
      }
    }
  }
}

FuentePsf psf1(const std::vector<std::uint8_t>& b) {
  if (b.size() < 4) {
    throw std::runtime_error("PSF1 header truncated");
  }
  FuentePsf f;
  const std::uint8_t modo = b[2];
  f.ancho = 8;
  f.alto = b[3];
  f.bytes_por_glifo = f.alto;
  const unsigned glifos = (modo & kPsf1Modo512) != 0 ? 512 : 256;
  copiar_glifos(f, b, 4, glifos);
  if ((modo & kPsf1ConTabla) != 0) {
    tabla_psf1(f, b, 4 + f.glifos.size(), glifos);
  }
  return f;
}

FuentePsf psf2(const std::vector<std::uint8_t>& b) {
  FuentePsf f;
  const std::uint32_t cabecera = u32(b, 8);
  const std::uint32_t banderas = u32(b, 12);
  const std::uint32_t glifos = u32(b, 16);
  f.bytes_por_glifo = u32(b, 20);
  f.alto = u32(b, 24);
  f.ancho = u32(b, 28);
  if (f.ancho == 0 || f.bytes_por_glifo != f.alto * ((f.ancho + 7) / 8) || glifos > 65536) {
    throw std::runtime_error("PSF2 glyph size inconsistent");
  }
  copiar_glifos(f, b, cabecera, glifos);
  if ((banderas & kPsf2ConTabla) != 0) {
    tabla_psf2(f, b, cabecera + f.glifos.size(), glifos);
  }
  return f;
}

bool empieza_con(const std::vector<std::uint8_t>& b, const std::uint8_t* magia, std::size_t n) {
  return b.size() >= n && std::equal(magia, magia + n, b.begin());
}

}  // namespace

FuentePsf decodificar_psf(const std::vector<std::uint8_t>& bytes) {
  if (empieza_con(bytes, kMagiaPsf2, sizeof kMagiaPsf2)) {
    return psf2(bytes);
  }
  if (empieza_con(bytes, kMagiaPsf1, sizeof kMagiaPsf1)) {
    return psf1(bytes);
  }
  throw std::runtime_error("not a PSF font");
}

FuentePsf leer_psf(const std::string& ruta) {
  // gzopen reads uncompressed files as they are, too.
  gzFile fichero = gzopen(ruta.c_str(), "rb");
  if (fichero == nullptr) {
    throw std::runtime_error("cannot open " + ruta);
  }
  std::vector<std::uint8_t> bytes;
  std::uint8_t bloque[16384];
  int leidos;
  while ((leidos = gzread(fichero, bloque, sizeof bloque)) > 0) {
    bytes.insert(bytes.end(), bloque, bloque + leidos);
  }
  gzclose(fichero);
  if (leidos < 0) {
    throw std::runtime_error("cannot decompress " + ruta);
  }
  return decodificar_psf(bytes);
}

}  // namespace herramientas

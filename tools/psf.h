// Bitmap console fonts in the PC Screen Font formats (versions 1 and 2,
// optionally gzip-compressed), with their Unicode tables.
#ifndef TOOLS_PSF_H
#define TOOLS_PSF_H

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace herramientas {

struct FuentePsf {
  unsigned ancho = 0;
  unsigned alto = 0;
  unsigned bytes_por_glifo = 0;  // alto rows of (ancho + 7) / 8 bytes, MSB leftmost
  std::vector<std::uint8_t> glifos;
  std::map<char32_t, unsigned> glifo_de;  // code point -> glyph index (single code points only)

  const std::uint8_t* glifo(unsigned indice) const { return &glifos[indice * bytes_por_glifo]; }
};

// Decodes a font from its file bytes; throws std::runtime_error on a bad one.
FuentePsf decodificar_psf(const std::vector<std::uint8_t>& bytes);
// Reads and decodes a .psf or .psf.gz file.
FuentePsf leer_psf(const std::string& ruta);

}  // namespace herramientas

#endif

// Test support: temporary folders, whole files as bytes, and BMP files built
// field by field so a test can make any header, sound or not.
#ifndef TESTS_BMP_ARCHIVOS_PRUEBA_H
#define TESTS_BMP_ARCHIVOS_PRUEBA_H

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "mapabits.h"

using Bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary one, removed with its contents.
class CarpetaTemporal {
 public:
  CarpetaTemporal();
  ~CarpetaTemporal();
  CarpetaTemporal(const CarpetaTemporal&) = delete;
  CarpetaTemporal& operator=(const CarpetaTemporal&) = delete;
  std::string Ruta(const std::string& nombre) const;

 private:
  std::filesystem::path ruta_;
};

Bytes LeerArchivo(const std::string& ruta);
void EscribirArchivo(const std::string& ruta, const Bytes& bytes);

// Header fields of a file to build; defaults describe a sound 24-bit file.
struct CampoCabecera {
  USHORT magic = 0x4D42;
  UINT file_size = 0;
  UINT data_offset = 54;
  UINT header_size = 40;
  UINT width = 1;
  UINT height = 1;
  USHORT planes = 1;
  USHORT bits = 24;
  UINT compression = 0;
  UINT image_size = 0;
  UINT colors_used = 0;
};

// The 54 header bytes, little-endian, for the given fields.
Bytes BytesCabecera(const CampoCabecera& c);
void Anadir(Bytes& destino, const Bytes& origen);

struct LiberarBmp {
  void operator()(BMP* bmp) const { BMP_Free(bmp); }
};
using BmpPtr = std::unique_ptr<BMP, LiberarBmp>;

// Every pixel of a read image as r, g, b, top row first.
Bytes PixelesLeidos(BMP* bmp);

// Open file descriptors of this process, to see that no stream leaks.
int DescriptoresAbiertos();

// A shell command line run to its end, its standard output and error caught
// apart (unless the line redirects them itself).
struct ResultadoOrden {
  int salida;  // exit status, -1 when ended by a signal
  std::string salida_estandar, error_estandar;
};
// With sin_privilegios, a run as root drops to user and group 65534 first,
// so permission checks apply; `carpeta` holds the caught output meanwhile.
ResultadoOrden EjecutarOrden(const std::string& orden, const CarpetaTemporal& carpeta,
                             bool sin_privilegios = false);

#endif

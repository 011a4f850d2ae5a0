// umbral ENTRADA.bmp SALIDA.bmp [UMBRAL]
//
// Writes a black-and-white copy of a BMP image: pixels whose grey level is at
// or above UMBRAL (1 to 255, 128 by default) become white, the rest black.
// The grey levels are thresholded in place by the SIMD routine; an 8-bit
// image with the grey ramp as palette is converted in its read buffer.
// "-" stands for standard input or output; when the image goes to standard
// output the report line goes to standard error.
#include <sys/stat.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

#include "gris.h"
#include "host/output_check.h"
#include "host/strict_number.h"
#include "mapabits.h"
#include "umbral_rutina.h"

namespace {

constexpr UCHAR kUmbralPorDefecto = 128;
constexpr UCHAR kBlanco = 255;

struct Liberar {
  void operator()(BMP* bmp) const { BMP_Free(bmp); }
};
using Imagen = std::unique_ptr<BMP, Liberar>;

struct Fallo {
  int salida;
};

[[noreturn]] void Terminar(int salida, const std::string& mensaje) {
  std::fprintf(stderr, "umbral: %s\n", mensaje.c_str());
  throw Fallo{salida};
}

constexpr const char* kUso =
    "uso: umbral ENTRADA.bmp SALIDA.bmp [UMBRAL de 1 a 255, 128 por defecto]"
    " ('-' es la entrada o la salida estandar)";

// Why the last library call failed: a file that could not be opened, read or
// written has its cause in errno (`error`, taken right after the call).
std::string DescripcionBmp(int error) {
  const BMP_STATUS status = BMP_GetError();
  if ((status == BMP_FILE_NOT_FOUND || status == BMP_IO_ERROR) && error != 0) {
    return std::strerror(error);
  }
  const char* texto = BMP_GetErrorDescription();
  return texto != nullptr ? texto : "?";
}

UCHAR LeerUmbral(const char* texto) {
  const std::optional<std::uint64_t> valor = host::parse_unsigned(texto, 255);
  if (!valor || *valor == 0) {
    Terminar(2, std::string("umbral no valido '") + texto + "': debe ser un entero de 1 a 255\n" +
                    kUso);
  }
  return static_cast<UCHAR>(*valor);
}

const char* Ruta(const char* argumento, const char* estandar) {
  return std::strcmp(argumento, "-") == 0 ? estandar : argumento;
}

// The output is standard output itself (by "-", /dev/stdout or any other
// name of the same file), so the report must not go there.
bool EsSalidaEstandar(const char* ruta) {
  struct stat salida {}, estandar {};
  return stat(ruta, &salida) == 0 && fstat(1, &estandar) == 0 &&
         salida.st_dev == estandar.st_dev && salida.st_ino == estandar.st_ino;
}

// Writing over the input would modify it; refuse before anything is written.
void ComprobarDistintos(const char* entrada, const char* salida) {
  std::error_code error;
  if (std::filesystem::equivalent(entrada, salida, error)) {
    Terminar(2, std::string("la salida '") + salida + "' es el propio archivo de entrada");
  }
}

// The image as grey levels in an 8-bit image with the grey ramp.
Imagen EnGrises(Imagen imagen) {
  if (gris_es_rampa(imagen.get())) return imagen;
  if (BMP_GetDepth(imagen.get()) == 8) {
    gris_indices_a_niveles(imagen.get());
    return imagen;
  }
  Imagen gris(gris_desde_color(imagen.get()));
  if (!gris) Terminar(1, "no se pudo convertir a grises: " + DescripcionBmp(errno));
  return gris;
}

void Umbralizar(BMP* imagen, UCHAR umbral) {
  // Whole padded rows: the routine sees the buffer as one run of bytes, and
  // the padding bytes it converts carry no pixel.
  const UINT bytes_por_fila = imagen->Header.ImageDataSize / imagen->Header.Height;
  const bool alineado = reinterpret_cast<std::uintptr_t>(imagen->Data) % ALINEAMIENTO == 0;
  if (!alineado && imagen->Header.ImageDataSize >= ALINEAMIENTO) {
    Terminar(1, "el bloque de pixeles no esta alineado a 16 bytes");
  }
  if (umbralizado(imagen->Data, bytes_por_fila, imagen->Header.Height, umbral) != 1) {
    Terminar(1, "la rutina de umbralizado rechazo la imagen");
  }
}

unsigned long ContarBlancos(BMP* imagen) {
  unsigned long blancos = 0;
  for (UINT y = 0; y < BMP_GetHeight(imagen); ++y) {
    for (UINT x = 0; x < BMP_GetWidth(imagen); ++x) {
      UCHAR indice;
      BMP_GetPixelIndex(imagen, x, y, &indice);
      blancos += indice == kBlanco;
    }
  }
  return blancos;
}

int Ejecutar(int argc, char** argv) {
  if (argc < 3 || argc > 4) Terminar(2, kUso);
  const char* entrada = Ruta(argv[1], "/dev/stdin");
  const char* salida = Ruta(argv[2], "/dev/stdout");
  const UCHAR umbral = argc == 4 ? LeerUmbral(argv[3]) : kUmbralPorDefecto;
  ComprobarDistintos(entrada, salida);
  std::FILE* const informe = EsSalidaEstandar(salida) ? stderr : stdout;

  errno = 0;
  Imagen leida(BMP_ReadFile(entrada));
  if (!leida) {
    const int error = errno;
    Terminar(1, std::string("no se pudo leer '") + entrada + "': " + DescripcionBmp(error));
  }
  const UINT ancho = BMP_GetWidth(leida.get());
  const UINT alto = BMP_GetHeight(leida.get());
  if (ancho == 0 || alto == 0) Terminar(1, std::string("'") + entrada + "' no tiene pixeles");

  const Imagen gris = EnGrises(std::move(leida));
  Umbralizar(gris.get(), umbral);
  errno = 0;
  BMP_WriteFile(gris.get(), salida);
  if (BMP_GetError() != BMP_OK) {
    const int error = errno;
    Terminar(1, std::string("no se pudo escribir '") + salida + "': " + DescripcionBmp(error));
  }
  std::fprintf(informe, "%s: %ux%u, umbral %u, %lu de %lu pixeles en blanco\n", salida, ancho,
               alto, unsigned{umbral}, ContarBlancos(gris.get()),
               static_cast<unsigned long>(ancho) * alto);
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int salida;
  try {
    salida = Ejecutar(argc, argv);
  } catch (const Fallo& fallo) {
    salida = fallo.salida;
  }
  return host::finish_output(salida, "umbral");
}

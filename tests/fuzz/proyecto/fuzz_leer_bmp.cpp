// Feeds arbitrary bytes to BMP_ReadFile through an in-memory file. Whatever
// the reader accepts is then walked pixel by pixel and written out, so a size
// or layout it failed to check shows up as an access outside its blocks.
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "mapabits.h"

namespace {

const std::string& RutaEnMemoria(int& fd) {
  static const std::string ruta = [&] {
    fd = memfd_create("bmp", 0);
    if (fd < 0) __builtin_trap();
    return "/proc/self/fd/" + std::to_string(fd);
  }();
  return ruta;
}

void Recorrer(BMP* bmp) {
  const UINT ancho = BMP_GetWidth(bmp);
  const UINT alto = ancho == 0 ? 0 : BMP_GetHeight(bmp);
  for (UINT y = 0; y < alto; ++y) {
    for (UINT x = 0; x < ancho; ++x) {
      UCHAR r, g, b;
      BMP_GetPixelRGB(bmp, x, y, &r, &g, &b);
      if (BMP_GetError() != BMP_OK) __builtin_trap();
    }
  }
  if (reinterpret_cast<uintptr_t>(bmp->Data) % 32 != 16) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* datos, size_t tamano) {
  static int fd = -1;
  const std::string& ruta = RutaEnMemoria(fd);
  if (ftruncate(fd, 0) != 0 || pwrite(fd, datos, tamano, 0) != static_cast<ssize_t>(tamano)) {
    __builtin_trap();
  }
  BMP* bmp = BMP_ReadFile(ruta.c_str());
  if (bmp != nullptr) {
    Recorrer(bmp);
    BMP_WriteFile(bmp, "/dev/null");
    BMP_Free(bmp);
  }
  return 0;
}

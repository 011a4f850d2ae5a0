#include "tests/bmp/archivos_prueba.h"

#include <fcntl.h>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace {

void Pon(Bytes& b, size_t en, uint32_t valor, int bytes) {
  for (int i = 0; i < bytes; ++i) b[en + i] = static_cast<uint8_t>(valor >> (8 * i));
}

}  // namespace

CarpetaTemporal::CarpetaTemporal() {
  static std::atomic<int> contador{0};
  ruta_ = std::filesystem::temp_directory_path() /
          ("lab-bmp-" + std::to_string(getpid()) + "-" + std::to_string(contador++));
  std::filesystem::create_directories(ruta_);
}

CarpetaTemporal::~CarpetaTemporal() {
  std::error_code error;
  std::filesystem::remove_all(ruta_, error);
}

std::string CarpetaTemporal::Ruta(const std::string& nombre) const { return ruta_ / nombre; }

Bytes LeerArchivo(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  if (!f) throw std::runtime_error("cannot read " + ruta);
  return Bytes(std::istreambuf_iterator<char>(f), {});
}

void EscribirArchivo(const std::string& ruta, const Bytes& bytes) {
  std::ofstream f(ruta, std::ios::binary);
  f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!f) throw std::runtime_error("cannot write " + ruta);
}

Bytes BytesCabecera(const CampoCabecera& c) {
  Bytes b(54, 0);
  Pon(b, 0, c.magic, 2);
  Pon(b, 2, c.file_size, 4);
  Pon(b, 10, c.data_offset, 4);
  Pon(b, 14, c.header_size, 4);
  Pon(b, 18, c.width, 4);
  Pon(b, 22, c.height, 4);
  Pon(b, 26, c.planes, 2);
  Pon(b, 28, c.bits, 2);
  Pon(b, 30, c.compression, 4);
  Pon(b, 34, c.image_size, 4);
  Pon(b, 46, c.colors_used, 4);
  return b;
}

void Anadir(Bytes& destino, const Bytes& origen) {
  destino.insert(destino.end(), origen.begin(), origen.end());
}

int DescriptoresAbiertos() {
  const auto entradas = std::filesystem::directory_iterator("/proc/self/fd");
  return static_cast<int>(std::distance(begin(entradas), end(entradas)));
}

ResultadoOrden EjecutarOrden(const std::string& orden, const CarpetaTemporal& carpeta,
                             bool sin_privilegios) {
  const std::string salida = carpeta.Ruta(".salida-orden"), error = carpeta.Ruta(".error-orden");
  const pid_t hijo = fork();
  if (hijo == 0) {
    const int fd_salida = open(salida.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int fd_error = open(error.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd_salida < 0 || fd_error < 0 || dup2(fd_salida, 1) < 0 || dup2(fd_error, 2) < 0) {
      _exit(127);
    }
    if (sin_privilegios && geteuid() == 0 &&
        (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0)) {
      _exit(127);
    }
    execl("/bin/sh", "sh", "-c", orden.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int estado = 0;
  waitpid(hijo, &estado, 0);
  const Bytes de_salida = LeerArchivo(salida), de_error = LeerArchivo(error);
  std::filesystem::remove(salida);
  std::filesystem::remove(error);
  return {WIFEXITED(estado) ? WEXITSTATUS(estado) : -1,
          std::string(de_salida.begin(), de_salida.end()),
          std::string(de_error.begin(), de_error.end())};
}

Bytes PixelesLeidos(BMP* bmp) {
  Bytes rgb;
  for (UINT y = 0; y < BMP_GetHeight(bmp); ++y) {
    for (UINT x = 0; x < BMP_GetWidth(bmp); ++x) {
      UCHAR r, g, b;
      BMP_GetPixelRGB(bmp, x, y, &r, &g, &b);
      rgb.insert(rgb.end(), {r, g, b});
    }
  }
  return rgb;
}

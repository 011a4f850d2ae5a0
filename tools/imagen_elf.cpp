#include "imagen_elf.h"

#include <elf.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace herramientas {
namespace {

template <typename T>
T leer_struct(const std::vector<std::uint8_t>& bytes, std::size_t desplazamiento) {
  if (desplazamiento > bytes.size() || bytes.size() - desplazamiento < sizeof(T)) {
    throw std::runtime_error("ELF truncated");
  }
  T valor;
  std::memcpy(&valor, bytes.data() + desplazamiento, sizeof(T));
  return valor;
}

std::string cadena(const std::vector<std::uint8_t>& bytes, std::size_t tabla, std::size_t indice) {
  std::size_t inicio = tabla + indice;
  std::size_t fin = inicio;
  while (fin < bytes.size() && bytes[fin] != 0) {
    ++fin;
  }
  if (fin >= bytes.size()) {
    throw std::runtime_error("ELF string table truncated");
  }
  return std::string(bytes.begin() + static_cast<std::ptrdiff_t>(inicio),
                     bytes.begin() + static_cast<std::ptrdiff_t>(fin));
}

}  // namespace

ImagenElf::ImagenElf(const std::string& ruta) {
  std::ifstream entrada(ruta, std::ios::binary);
  if (!entrada) {
    throw std::runtime_error("cannot open " + ruta);
  }
  bytes_.assign(std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>());
  const auto cabecera = leer_struct<Elf32_Ehdr>(bytes_, 0);
  if (std::memcmp(cabecera.e_ident, ELFMAG, SELFMAG) != 0 ||
      cabecera.e_ident[EI_CLASS] != ELFCLASS32 || cabecera.e_ident[EI_DATA] != ELFDATA2LSB) {
    throw std::runtime_error(ruta + " is not a 32-bit little-endian ELF file");
  }
  std::vector<Elf32_Shdr> cabeceras;
  for (unsigned i = 0; i < cabecera.e_shnum; ++i) {
    cabeceras.push_back(
        leer_struct<Elf32_Shdr>(bytes_, cabecera.e_shoff + std::size_t{i} * cabecera.e_shentsize));
  }
  const std::size_t nombres = cabeceras.at(cabecera.e_shstrndx).sh_offset;
  for (const auto& s : cabeceras) {
    if ((s.sh_flags & SHF_ALLOC) != 0) {
      secciones_.push_back({cadena(bytes_, nombres, s.sh_name), s.sh_addr, s.sh_size, s.sh_offset,
                            s.sh_type != SHT_NOBITS});
    }
    if (s.sh_type == SHT_SYMTAB) {
      const std::size_t textos = cabeceras.at(s.sh_link).sh_offset;
      for (std::size_t d = 0; d + sizeof(Elf32_Sym) <= s.sh_size; d += sizeof(Elf32_Sym)) {
        const auto sim = leer_struct<Elf32_Sym>(bytes_, s.sh_offset + d);
        const unsigned tipo = ELF32_ST_TYPE(sim.st_info);
        if (sim.st_name != 0 && sim.st_shndx != SHN_UNDEF &&
            (tipo == STT_FUNC || tipo == STT_OBJECT || tipo == STT_NOTYPE)) {
          simbolos_.push_back({cadena(bytes_, textos, sim.st_name), sim.st_value,
                               ELF32_ST_BIND(sim.st_info) != STB_LOCAL});
        }
      }
    }
  }
  if (simbolos_.empty()) {
    throw std::runtime_error(ruta + " has no symbol table");
  }
}

std::optional<std::uint32_t> ImagenElf::simbolo(const std::string& nombre) const {
  for (const auto& s : simbolos_) {
    if (s.nombre == nombre) {
      return s.valor;
    }
  }
  return std::nullopt;
}

std::optional<std::string> ImagenElf::nombre_en(std::uint32_t direccion) const {
  std::optional<std::string> encontrado;
  for (const auto& s : simbolos_) {
    if ((s.valor & ~1u) != (direccion & ~1u) || s.nombre.starts_with("$")) {
      continue;
    }
    if (s.global) {
      return s.nombre;
    }
    if (!encontrado) {
      encontrado = s.nombre;
    }
  }
  return encontrado;
}

std::optional<std::size_t> ImagenElf::desplazamiento_de(std::uint32_t direccion,
                                                        std::size_t tamano) const {
  for (const auto& s : secciones_) {
    if (s.con_contenido && direccion >= s.direccion && tamano <= s.tamano &&
        direccion - s.direccion <= s.tamano - tamano) {
      return s.desplazamiento + (direccion - s.direccion);
    }
  }
  return std::nullopt;
}

bool ImagenElf::leer(std::uint32_t direccion, void* destino, std::size_t tamano) const {
  const auto d = desplazamiento_de(direccion, tamano);
  if (!d || *d + tamano > bytes_.size()) {
    return false;
  }
  std::memcpy(destino, bytes_.data() + *d, tamano);
  return true;
}

std::optional<std::uint32_t> ImagenElf::palabra(std::uint32_t direccion) const {
  std::uint8_t b[4];
  if (!leer(direccion, b, sizeof b)) {
    return std::nullopt;
  }
  return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
         std::uint32_t{b[3]} << 24;
}

bool ImagenElf::escribir(std::uint32_t direccion, const void* origen, std::size_t tamano) {
  const auto d = desplazamiento_de(direccion, tamano);
  if (!d || *d + tamano > bytes_.size()) {
    return false;
  }
  std::memcpy(bytes_.data() + *d, origen, tamano);
  return true;
}

void ImagenElf::guardar(const std::string& ruta) const {
  std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
  salida.write(reinterpret_cast<const char*>(bytes_.data()),
               static_cast<std::streamsize>(bytes_.size()));
  if (!salida) {
    throw std::runtime_error("cannot write " + ruta);
  }
}

}  // namespace herramientas

// A 32-bit little-endian ARM ELF file held in memory: its loadable sections
// by target address and its symbol table, with in-place patching. Used by the
// vector checksum tool and by the image checks of the firmware tests.
#ifndef TOOLS_IMAGEN_ELF_H
#define TOOLS_IMAGEN_ELF_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace herramientas {

class ImagenElf {
 public:
  // Throws std::runtime_error when the file is missing or not a 32-bit
  // little-endian ELF with a symbol table.
  explicit ImagenElf(const std::string& ruta);

  std::optional<std::uint32_t> simbolo(const std::string& nombre) const;
  // The name of a function or object symbol at `direccion` (Thumb bit
  // ignored); when several share it, the global one, else the first.
  std::optional<std::string> nombre_en(std::uint32_t direccion) const;

  // Bytes of the image at a target address, from sections that have content
  // in the file; false when any of them is not there.
  bool leer(std::uint32_t direccion, void* destino, std::size_t tamano) const;
  std::optional<std::uint32_t> palabra(std::uint32_t direccion) const;
  bool escribir(std::uint32_t direccion, const void* origen, std::size_t tamano);

  void guardar(const std::string& ruta) const;

 private:
  struct Seccion {
    std::string nombre;
    std::uint32_t direccion;
    std::uint32_t tamano;
    std::uint32_t desplazamiento;  // in the file
    bool con_contenido;
  };
  struct Simbolo {
    std::string nombre;
    std::uint32_t valor;
    bool global;
  };
  std::optional<std::size_t> desplazamiento_de(std::uint32_t direccion, std::size_t tamano) const;

  std::vector<std::uint8_t> bytes_;
  std::vector<Seccion> secciones_;
  std::vector<Simbolo> simbolos_;
};

}  // namespace herramientas

#endif

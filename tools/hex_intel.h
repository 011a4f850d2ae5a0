// Reading and patching bytes of an Intel HEX image in place: records that
// change get their checksum recomputed, every other line stays as it was.
#ifndef TOOLS_HEX_INTEL_H
#define TOOLS_HEX_INTEL_H

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace herramientas {

// The bytes at [direccion, direccion + tamano) of the image in `texto`;
// nothing when a byte is missing or a record is malformed.
std::optional<std::vector<std::uint8_t>> hex_leer(const std::string& texto, std::uint32_t direccion,
                                                  std::size_t tamano);

// Overwrites those bytes; false (and `texto` unchanged) when one is missing or
// a record is malformed.
bool hex_escribir(std::string& texto, std::uint32_t direccion,
                  const std::vector<std::uint8_t>& bytes);

}  // namespace herramientas

#endif

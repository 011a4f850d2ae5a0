// suma_vectores IMAGE.elf IMAGE.bin IMAGE.hex
//
// Writes the boot ROM checksum into slot 7 of the vector table at address 0
// in all three forms of a firmware image, then reads them back and fails
// (exit status 1) unless all three hold the same slots 0 to 7 and those sum
// to zero.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

#include "hex_intel.h"
#include "imagen_elf.h"
#include "suma_vectores.h"

namespace {

using herramientas::kSlotsSumados;
using Slots = std::array<std::uint32_t, kSlotsSumados>;

std::string leer_fichero(const std::string& ruta) {
  std::ifstream entrada(ruta, std::ios::binary);
  if (!entrada) {
    throw std::runtime_error("cannot open " + ruta);
  }
  return {std::istreambuf_iterator<char>(entrada), std::istreambuf_iterator<char>()};
}

void escribir_fichero(const std::string& ruta, const std::string& contenido) {
  std::ofstream salida(ruta, std::ios::binary | std::ios::trunc);
  salida << contenido;
  if (!salida) {
    throw std::runtime_error("cannot write " + ruta);
  }
}

Slots de_bytes(const std::uint8_t* b, const std::string& origen) {
  if (b == nullptr) {
    throw std::runtime_error(origen + ": no vector table at address 0");
  }
  Slots s{};
  for (unsigned i = 0; i < kSlotsSumados; ++i) {
    s[i] = std::uint32_t{b[4 * i]} | std::uint32_t{b[4 * i + 1]} << 8 |
           std::uint32_t{b[4 * i + 2]} << 16 | std::uint32_t{b[4 * i + 3]} << 24;
  }
  return s;
}

Slots slots_elf(const std::string& ruta) {
  std::uint8_t b[4 * kSlotsSumados];
  const herramientas::ImagenElf elf(ruta);
  return de_bytes(elf.leer(0, b, sizeof b) ? b : nullptr, ruta);
}

Slots slots_bin(const std::string& ruta) {
  const std::string bin = leer_fichero(ruta);
  const auto* b = reinterpret_cast<const std::uint8_t*>(bin.data());
  return de_bytes(bin.size() >= 4 * kSlotsSumados ? b : nullptr, ruta);
}

Slots slots_hex(const std::string& ruta) {
  const auto b = herramientas::hex_leer(leer_fichero(ruta), 0, 4 * kSlotsSumados);
  return de_bytes(b ? b->data() : nullptr, ruta);
}

std::vector<std::uint8_t> bytes_de(std::uint32_t palabra) {
  return {static_cast<std::uint8_t>(palabra), static_cast<std::uint8_t>(palabra >> 8),
          static_cast<std::uint8_t>(palabra >> 16), static_cast<std::uint8_t>(palabra >> 24)};
}

void parchear(const std::string& ruta_elf, const std::string& ruta_bin, const std::string& ruta_hex,
              std::uint32_t slot7) {
  const auto b = bytes_de(slot7);
  herramientas::ImagenElf elf(ruta_elf);
  if (!elf.escribir(herramientas::kDireccionSlot7, b.data(), b.size())) {
    throw std::runtime_error(ruta_elf + ": slot 7 not in the image");
  }
  elf.guardar(ruta_elf);

  std::string bin = leer_fichero(ruta_bin);
  if (bin.size() < 4 * kSlotsSumados) {
    throw std::runtime_error(ruta_bin + ": shorter than the vector table");
  }
  bin.replace(herramientas::kDireccionSlot7, b.size(), reinterpret_cast<const char*>(b.data()),
              b.size());
  escribir_fichero(ruta_bin, bin);

  std::string hex = leer_fichero(ruta_hex);
  if (!herramientas::hex_escribir(hex, herramientas::kDireccionSlot7, b)) {
    throw std::runtime_error(ruta_hex + ": slot 7 not in the image");
  }
  escribir_fichero(ruta_hex, hex);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: %s IMAGE.elf IMAGE.bin IMAGE.hex\n", argv[0]);
    return 2;
  }
  try {
    const Slots antes = slots_elf(argv[1]);
    if (slots_bin(argv[2]) != antes || slots_hex(argv[3]) != antes) {
      throw std::runtime_error("the .elf, .bin and .hex do not hold the same vector table");
    }
    const std::uint32_t slot7 = herramientas::palabra_slot7(antes);
    parchear(argv[1], argv[2], argv[3], slot7);

    const Slots despues = slots_elf(argv[1]);
    if (slots_bin(argv[2]) != despues || slots_hex(argv[3]) != despues ||
        herramientas::suma_slots(despues) != 0) {
      throw std::runtime_error("the patched image does not check");
    }
    std::printf("%s: vector checksum slot 7 = 0x%08X (slots 0-7 sum to 0)\n", argv[1], slot7);
    return 0;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "suma_vectores: %s\n", e.what());
    return 1;
  }
}

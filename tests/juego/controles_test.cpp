// The controls section of the game image as the live board reads it: present
// in the ELF file, one "PIN|LABEL|KEY" line per button with the pins of the
// board's button header, and never loaded: the flashed .bin does not hold it.
#include <elf.h>
#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "botones.h"

namespace {

const std::string kImagenes = FIRMWARE_IMAGES;

std::vector<char> leer_fichero(const std::string& ruta) {
  std::ifstream f(ruta, std::ios::binary);
  EXPECT_TRUE(f) << ruta;
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

struct Seccion {
  Elf32_Shdr cabecera;
  std::string contenido;
};

std::optional<Seccion> buscar_seccion(const std::vector<char>& elf, const std::string& nombre) {
  Elf32_Ehdr e;
  if (elf.size() < sizeof e) return std::nullopt;
  std::memcpy(&e, elf.data(), sizeof e);
  auto cabecera = [&](unsigned i) {
    Elf32_Shdr s{};
    const std::size_t en = e.e_shoff + std::size_t{i} * e.e_shentsize;
    if (en + sizeof s <= elf.size()) std::memcpy(&s, elf.data() + en, sizeof s);
    return s;
  };
  const Elf32_Shdr nombres = cabecera(e.e_shstrndx);
  for (unsigned i = 0; i < e.e_shnum; ++i) {
    const Elf32_Shdr s = cabecera(i);
    if (nombres.sh_offset + s.sh_name >= elf.size()) continue;
    if (nombre != elf.data() + nombres.sh_offset + s.sh_name) continue;
    if (s.sh_offset + s.sh_size > elf.size()) return std::nullopt;
    return Seccion{s, std::string(elf.data() + s.sh_offset, s.sh_size)};
  }
  return std::nullopt;
}

const char kControles[] = BOTON_NOMBRE(BOTON_IZQUIERDA) "|izquierda|ArrowLeft\n"  //
    BOTON_NOMBRE(BOTON_DERECHA) "|derecha|ArrowRight\n"                           //
    BOTON_NOMBRE(BOTON_GIRAR) "|girar|ArrowUp\n"                                  //
    BOTON_NOMBRE(BOTON_SOLTAR) "|soltar|Space\n";

TEST(Controles, TheElfCarriesOneLinePerButtonInASectionThatIsNeverLoaded) {
  const auto elf = leer_fichero(kImagenes + "/juego.elf");
  const auto s = buscar_seccion(elf, ".controles");
  ASSERT_TRUE(s.has_value());
  EXPECT_EQ(s->cabecera.sh_type, static_cast<Elf32_Word>(SHT_PROGBITS));
  EXPECT_EQ(s->cabecera.sh_flags & SHF_ALLOC, 0u);
  EXPECT_EQ(s->contenido, kControles);

  const auto bin = leer_fichero(kImagenes + "/juego.bin");
  const std::string imagen(bin.begin(), bin.end());
  EXPECT_EQ(imagen.find("|izquierda|"), std::string::npos);
}

}  // namespace

// The firmware images as the build left them: vector table at address 0 with
// every slot where the start-up module and the application put it, and the
// boot ROM checksum in the .elf, the .bin and the .hex alike.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "hex_intel.h"
#include "imagen_elf.h"
#include "suma_vectores.h"

namespace {

using herramientas::ImagenElf;

constexpr unsigned kSlots = 57;
constexpr unsigned kPrimeraIrq = 16;

std::string ruta(const std::string& imagen, const char* extension) {
  return std::string(FIRMWARE_IMAGES) + "/" + imagen + extension;
}

std::string leer_fichero(const std::string& r) {
  std::ifstream f(r, std::ios::binary);
  return {std::istreambuf_iterator<char>(f), std::istreambuf_iterator<char>()};
}

std::array<std::uint32_t, kSlots> vectores(const ImagenElf& elf) {
  std::array<std::uint32_t, kSlots> v{};
  for (unsigned i = 0; i < kSlots; ++i) {
    v[i] = elf.palabra(4 * i).value_or(0xDEADDEAD);
  }
  return v;
}

// Thumb entry of a function of the image.
std::uint32_t entrada(const ImagenElf& elf, const std::string& nombre) {
  const auto d = elf.simbolo(nombre);
  EXPECT_TRUE(d) << nombre;
  return d.value_or(0) | 1u;
}

class Imagen : public testing::TestWithParam<const char*> {};

TEST_P(Imagen, VectorTableStartsTheImageWithTheStackAndTheOwnExceptionHandlers) {
  const ImagenElf elf(ruta(GetParam(), ".elf"));
  const auto v = vectores(elf);
  EXPECT_EQ(elf.simbolo("__Vectors"), 0u);
  EXPECT_EQ(v[0], elf.simbolo("Stack_Mem").value_or(0) + 1024);
  EXPECT_EQ(v[0] % 8, 0u);
  const struct {
    unsigned slot;
    const char* manejador;
  } propios[] = {{1, "Reset_Handler"},     {2, "NMI_Handler"},       {3, "HardFault_Handler"},
                 {4, "MemManage_Handler"}, {5, "BusFault_Handler"},  {6, "UsageFault_Handler"},
                 {11, "SVC_Handler"},      {12, "DebugMon_Handler"}, {14, "PendSV_Handler"},
                 {15, "SysTick_Handler"}};
  std::set<std::uint32_t> distintos;
  for (const auto& p : propios) {
    SCOPED_TRACE(p.manejador);
    EXPECT_EQ(v[p.slot], entrada(elf, p.manejador));
    distintos.insert(v[p.slot]);
  }
  distintos.insert(entrada(elf, "Default_Handler"));
  EXPECT_EQ(distintos.size(), std::size(propios) + 1) << "each exception has its own handler";
  for (const unsigned reservado : {8u, 9u, 10u, 13u, kPrimeraIrq + 13}) {
    EXPECT_EQ(v[reservado], 0u) << "slot " << reservado;
  }
}

TEST_P(Imagen, ChecksumHoldsInTheElfTheBinAndTheHex) {
  const ImagenElf elf(ruta(GetParam(), ".elf"));
  const auto v = vectores(elf);
  std::array<std::uint32_t, 8> slots{};
  std::copy(v.begin(), v.begin() + 8, slots.begin());
  EXPECT_EQ(herramientas::suma_slots(slots), 0u);

  const std::string bin = leer_fichero(ruta(GetParam(), ".bin"));
  ASSERT_GE(bin.size(), 4 * kSlots);
  EXPECT_EQ(0, std::memcmp(bin.data(), v.data(), 4 * kSlots));

  const auto hex = herramientas::hex_leer(leer_fichero(ruta(GetParam(), ".hex")), 0, 4 * kSlots);
  ASSERT_TRUE(hex);
  EXPECT_EQ(0, std::memcmp(hex->data(), v.data(), 4 * kSlots));
}

TEST_P(Imagen, FontTableHoldsTheThreeFontsOverLatin1) {
  const ImagenElf elf(ruta(GetParam(), ".elf"));
  const auto tabla = elf.simbolo("glcd_fuentes");
  ASSERT_TRUE(tabla);
  const std::uint32_t tamanos[3][2] = {{8, 16}, {12, 24}, {16, 32}};
  for (unsigned f = 0; f < 3; ++f) {
    SCOPED_TRACE(f);
    std::uint32_t campos[5];
    ASSERT_TRUE(elf.leer(*tabla + 20 * f, campos, sizeof campos));
    EXPECT_EQ(campos[0], tamanos[f][0]);
    EXPECT_EQ(campos[1], tamanos[f][1]);
    EXPECT_EQ(campos[2], 0x20u);
    EXPECT_EQ(campos[3], 0xFFu);
    const std::uint32_t bytes_glifo = campos[1] * ((campos[0] + 7) / 8);
    const auto glifo = [&](unsigned c) {
      std::string g(bytes_glifo, '\0');
      EXPECT_TRUE(elf.leer(campos[4] + (c - 0x20) * bytes_glifo, g.data(), g.size()));
      return g;
    };
    EXPECT_EQ(glifo(' '), std::string(bytes_glifo, '\0'));
    EXPECT_NE(glifo('0'), std::string(bytes_glifo, '\0'));
    EXPECT_NE(glifo('0'), glifo('8'));
    EXPECT_NE(glifo(0xC1), glifo('A')) << "Latin-1 A acute has its own glyph";
    EXPECT_NE(glifo(0xFF), std::string(bytes_glifo, '\0'));
  }
}

INSTANTIATE_TEST_SUITE_P(Firmware, Imagen, testing::Values("reloj", "juego", "pruebas_firmware"));

// Interrupt slots: the clock's and the game's two handlers where their IRQs are, the
// default everywhere else; an image without handlers of its own still links,
// with the default in every interrupt slot.
TEST(Vectores, InterruptSlotsHoldTheApplicationsHandlersOrTheDefault) {
  const struct {
    const char* imagen;
    std::set<unsigned> propias;
  } casos[] = {{"reloj", {17, 54}}, {"juego", {17, 18}}, {"pruebas_firmware", {}}};
  for (const auto& c : casos) {
    SCOPED_TRACE(c.imagen);
    const ImagenElf elf(ruta(c.imagen, ".elf"));
    const auto v = vectores(elf);
    const std::uint32_t defecto = entrada(elf, "Default_Handler");
    for (unsigned slot = kPrimeraIrq; slot < kSlots; ++slot) {
      if (slot == kPrimeraIrq + 13) {
        continue;  // reserved
      }
      if (c.propias.count(slot) != 0) {
        EXPECT_NE(v[slot], defecto) << "slot " << slot;
      } else {
        EXPECT_EQ(v[slot], defecto) << "slot " << slot;
      }
    }
    if (!c.propias.empty()) {
      EXPECT_EQ(v[17], entrada(elf, "TIMER0_IRQHandler"));
      EXPECT_EQ(v[54], entrada(elf, "GPIO_IRQHandler"));
      EXPECT_EQ(elf.nombre_en(v[17]), "TIMER0_IRQHandler");
      EXPECT_EQ(elf.nombre_en(v[54]), "GPIO_IRQHandler");
    }
  }
}

}  // namespace

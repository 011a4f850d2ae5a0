// The boot ROM of the LPC40xx starts user code only when the 32-bit sum of
// vector table slots 0 to 7 is zero; slot 7 is the word that makes it so.
#ifndef TOOLS_SUMA_VECTORES_H
#define TOOLS_SUMA_VECTORES_H

#include <array>
#include <cstdint>

namespace herramientas {

inline constexpr unsigned kSlotsSumados = 8;
inline constexpr std::uint32_t kDireccionSlot7 = 7 * 4;

constexpr std::uint32_t suma_slots(const std::array<std::uint32_t, kSlotsSumados>& slots) {
  std::uint32_t suma = 0;
  for (const auto s : slots) {
    suma += s;
  }
  return suma;
}

// Slot 7 for the given slots 0 to 6 (the eighth entry is ignored).
constexpr std::uint32_t palabra_slot7(std::array<std::uint32_t, kSlotsSumados> slots) {
  slots[7] = 0;
  return 0u - suma_slots(slots);
}

static_assert(palabra_slot7({1, 2, 3, 4, 5, 6, 7, 99}) == 0u - 28u);
static_assert(suma_slots({0x10000400, 0x1D, 0, 0, 0, 0, 0, 0u - 0x1000041Du}) == 0);

}  // namespace herramientas

#endif

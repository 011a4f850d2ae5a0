// Reading and patching Intel HEX images, as the checksum tool does on every
// firmware image.
#include "hex_intel.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "suma_vectores.h"

namespace {

using herramientas::hex_escribir;
using herramientas::hex_leer;
using Bytes = std::vector<std::uint8_t>;

// Two 4-byte records at 0x0000 and 0x0004, then one at 0x00010000 through
// an extended linear address record.
const std::string kImagen =
    ":040000001122334452\n"
    ":04000400556677883E\n"
    ":020000040001F9\n"
    ":04000000AABBCCDDEE\n"
    ":00000001FF\n";

TEST(HexIntel, ReadsAcrossRecordsAndExtendedAddresses) {
  EXPECT_EQ(hex_leer(kImagen, 2, 4), (Bytes{0x33, 0x44, 0x55, 0x66}));
  EXPECT_EQ(hex_leer(kImagen, 0x10001, 2), (Bytes{0xBB, 0xCC}));
  EXPECT_FALSE(hex_leer(kImagen, 6, 4));  // runs past the data
  EXPECT_FALSE(hex_leer(kImagen, 0x8000, 1));
}

TEST(HexIntel, PatchesBytesAndRecomputesEveryTouchedChecksum) {
  std::string texto = kImagen;
  ASSERT_TRUE(hex_escribir(texto, 3, {0xA0, 0xA1}));
  EXPECT_EQ(texto,
            ":04000000112233A0F6\n"
            ":04000400A1667788F2\n"
            ":020000040001F9\n"
            ":04000000AABBCCDDEE\n"
            ":00000001FF\n");
  EXPECT_EQ(hex_leer(texto, 0, 8), (Bytes{0x11, 0x22, 0x33, 0xA0, 0xA1, 0x66, 0x77, 0x88}));
}

TEST(HexIntel, LeavesTheTextAloneWhenAByteIsMissingOrARecordIsBad) {
  std::string texto = kImagen;
  EXPECT_FALSE(hex_escribir(texto, 7, {1, 2}));
  EXPECT_EQ(texto, kImagen);

  const std::string mala_suma = ":0400000011223344FF\n";
  EXPECT_FALSE(hex_leer(mala_suma, 0, 1));
  const std::string corta = ":04000000112233\n";
  EXPECT_FALSE(hex_leer(corta, 0, 1));
}

TEST(SumaVectores, Slot7MakesTheFirstEightSlotsSumToZero) {
  const std::array<std::uint32_t, 8> slots = {0x10000420, 0xE5,       0xED, 0xEF,
                                              0xF1,       0xFFFFFFFF, 0xF5, 0x12345678};
  auto con_slot7 = slots;
  con_slot7[7] = herramientas::palabra_slot7(slots);
  EXPECT_EQ(herramientas::suma_slots(con_slot7), 0u);
}

}  // namespace

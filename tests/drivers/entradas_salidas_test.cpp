#include "entradas_salidas.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "error_stop.h"
#include "perifericos.h"

namespace {

using perifericos::registro;

constexpr uintptr_t kDir2 = 0x20098040;
constexpr uintptr_t kPin2 = 0x20098054;
constexpr uintptr_t kSet2 = 0x20098058;
constexpr uintptr_t kClr2 = 0x2009805C;

class EntradasSalidas : public ::testing::Test {
 protected:
  void SetUp() override { perifericos::reiniciar(); }
};

TEST_F(EntradasSalidas, HandlesAreTheSixPortBlocks) {
  LPC_GPIO_TypeDef* const puertos[] = {PUERTO0, PUERTO1, PUERTO2, PUERTO3, PUERTO4, PUERTO5};
  for (uintptr_t n = 0; n < GPIO_NUMERO_PUERTOS; ++n) {
    EXPECT_EQ(reinterpret_cast<uintptr_t>(puertos[n]), 0x20098000 + 0x20 * n);
  }
  EXPECT_EQ(PORT3, LPC_GPIO3);
  EXPECT_EQ(PIN31, 0x80000000u);
  EXPECT_EQ(DIR_SALIDA, 1u);
  EXPECT_EQ(DIR_ENTRADA, 0u);
}

struct CasoFallido {
  const char* nombre;
  std::function<void()> llamada;
  const char* funcion;
  const char* mensaje;
};

const char* const kPuertoMal = "Puerto no valido.";
const char* const kPinMal = "Pin no v\xE1lido.";
const char* const kDirMal = "Direccion no valida.";

LPC_GPIO_TypeDef* desplazado(LPC_GPIO_TypeDef* base, uintptr_t bytes) {
  return reinterpret_cast<LPC_GPIO_TypeDef*>(reinterpret_cast<uintptr_t>(base) + bytes);
}

// Each case breaks the named check and every later one, so the order of the
// checks shows in which message comes out.
TEST_F(EntradasSalidas, FailedChecksStopInOrderWithoutTouchingRegisters) {
  const CasoFallido casos[] = {
      {"port 4 bytes into GPIO0", [] { gpio_ajustar_dir(desplazado(LPC_GPIO0, 4), 0x40, 2); },
       "gpio_ajustar_dir", kPuertoMal},
      {"null port", [] { gpio_ajustar_dir(nullptr, PIN0, DIR_OUT); }, "gpio_ajustar_dir",
       kPuertoMal},
      {"block after GPIO5", [] { gpio_ajustar_dir(desplazado(LPC_GPIO5, 0x20), 0, 0); },
       "gpio_ajustar_dir", kPuertoMal},
      {"PIN6 on port 5", [] { gpio_ajustar_dir(LPC_GPIO5, PIN6, 7); }, "gpio_ajustar_dir", kPinMal},
      {"0x40 on port 5", [] { gpio_ajustar_dir(LPC_GPIO5, 0x40, DIR_IN); }, "gpio_ajustar_dir",
       kPinMal},
      {"all bits on port 5", [] { gpio_ajustar_dir(LPC_GPIO5, 0xFFFFFFFF, DIR_OUT); },
       "gpio_ajustar_dir", kPinMal},
      {"direction 2", [] { gpio_ajustar_dir(LPC_GPIO2, PIN10, 2); }, "gpio_ajustar_dir", kDirMal},
      {"direction max", [] { gpio_ajustar_dir(LPC_GPIO5, PIN5, 0xFFFFFFFF); }, "gpio_ajustar_dir",
       kDirMal},
      {"read: port 4 bytes into GPIO0", [] { gpio_obtener_dir(desplazado(LPC_GPIO0, 4), 0x40); },
       "gpio_obtener_dir", kPuertoMal},
      {"read: PIN6 on port 5", [] { gpio_obtener_dir(LPC_GPIO5, PIN6); }, "gpio_obtener_dir",
       kPinMal},
      {"read: PIN31 on port 5", [] { gpio_obtener_dir(LPC_GPIO5, PIN31); }, "gpio_obtener_dir",
       kPinMal},
  };
  for (const CasoFallido& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const ErrorStop parada =
        perifericos::sin_acceso([&] { return expect_error_stop(caso.llamada); });
    EXPECT_EQ(parada.file, "entradas_salidas.cpp");
    EXPECT_EQ(parada.function, caso.funcion);
    EXPECT_EQ(parada.message, caso.mensaje);
    EXPECT_GT(parada.line, 0);
  }
}

using Cambios = std::map<uintptr_t, uint32_t>;

// One read-modify-write of DIR: the other pins keep their direction and no
// other register changes.
TEST_F(EntradasSalidas, SetDirectionChangesOnlyTheMaskedBitsOfDir) {
  struct Caso {
    uint32_t dir_antes;
    uint32_t mascara;
    uint32_t direccion;
    uint32_t dir_despues;
  } const casos[] = {
      {0xF0F0F0F0, PIN10 | PIN11, DIR_OUT, 0xF0F0FCF0},
      {0xFFFFFFFF, PIN10 | PIN11, DIR_IN, 0xFFFFF3FF},
      {0x00000000, PIN31, DIR_SALIDA, 0x80000000},
      {0x80000001, PIN0 | PIN31, DIR_ENTRADA, 0x00000000},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.dir_antes);
    registro(kDir2) = caso.dir_antes;
    const auto antes = perifericos::foto();
    gpio_ajustar_dir(PUERTO2, caso.mascara, caso.direccion);
    EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kDir2, caso.dir_despues}}));
  }
}

TEST_F(EntradasSalidas, ZeroMaskIsAcceptedAndChangesNothing) {
  registro(kDir2) = 0x12345678;
  const auto antes = perifericos::foto();
  gpio_ajustar_dir(LPC_GPIO2, 0, DIR_OUT);
  gpio_ajustar_dir(LPC_GPIO2, 0, DIR_IN);
  EXPECT_EQ(gpio_obtener_dir(LPC_GPIO2, 0), 0u);
  EXPECT_TRUE(perifericos::cambios(antes).empty());
}

TEST_F(EntradasSalidas, MaskRangeIsTestedOnPort5Only) {
  gpio_ajustar_dir(LPC_GPIO5, PIN5, DIR_OUT);  // 0x20 < 0x40
  EXPECT_EQ(registro(0x200980A0), PIN5);
  gpio_ajustar_dir(LPC_GPIO5, 0x3F, DIR_OUT);
  EXPECT_EQ(registro(0x200980A0), 0x3Fu);
  gpio_ajustar_dir(LPC_GPIO0, PIN31, DIR_OUT);
  EXPECT_EQ(registro(0x20098000), PIN31);
  gpio_ajustar_dir(LPC_GPIO4, 0xFFFFFFFF, DIR_OUT);
  EXPECT_EQ(registro(0x20098080), 0xFFFFFFFFu);
}

TEST_F(EntradasSalidas, GetDirectionIsOneWhenAnyMaskedPinIsAnOutput) {
  registro(0x20098060) = PIN4;  // port 3: only pin 4 is an output
  struct Caso {
    uint32_t mascara;
    uint32_t esperado;
  } const casos[] = {{PIN4, 1}, {PIN3, 0}, {PIN3 | PIN4, 1}, {0xFFFFFFEF, 0}, {0xFFFFFFFF, 1}};
  for (const Caso& caso : casos) {
    EXPECT_EQ(gpio_obtener_dir(LPC_GPIO3, caso.mascara), caso.esperado) << caso.mascara;
  }
  registro(0x200980A0) = PIN5;
  EXPECT_EQ(gpio_obtener_dir(LPC_GPIO5, PIN5), 1u);
}

TEST_F(EntradasSalidas, ReadPinGivesTrueOrFalseNotTheBit) {
  registro(kPin2) = PIN22;
  EXPECT_EQ(gpio_leer_pin(PUERTO2, PIN22), TRUE);
  EXPECT_EQ(gpio_leer_pin(PUERTO2, PIN21), FALSE);
  EXPECT_EQ(gpio_leer_pin(PUERTO2, PIN21 | PIN22), TRUE);
  EXPECT_EQ(gpio_leer_puerto(PUERTO2), PIN22);
}

// The level writes go through SET and CLR, which only act on the pins
// written with 1, so the port's other outputs are never rewritten.
TEST_F(EntradasSalidas, LevelWritesUseSetAndClr) {
  struct Caso {
    const char* nombre;
    std::function<void()> llamada;
    Cambios esperado;
  } const casos[] = {
      {"pin_a_1", [] { gpio_pin_a_1(PUERTO2, PIN3 | PIN4); }, {{kSet2, PIN3 | PIN4}}},
      {"pin_a_0", [] { gpio_pin_a_0(PUERTO2, PIN7); }, {{kClr2, PIN7}}},
      {"escribir TRUE", [] { gpio_escribir_pin(PUERTO2, PIN1, TRUE); }, {{kSet2, PIN1}}},
      {"escribir FALSE", [] { gpio_escribir_pin(PUERTO2, PIN1, FALSE); }, {{kClr2, PIN1}}},
      {"escribir puerto", [] { gpio_escribir_puerto(PUERTO2, 0xA5A5A5A5); }, {{kPin2, 0xA5A5A5A5}}},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    perifericos::reiniciar();
    const auto antes = perifericos::foto();
    caso.llamada();
    EXPECT_EQ(perifericos::cambios(antes), caso.esperado);
  }
}

TEST_F(EntradasSalidas, InvertDrivesHighPinsLowAndLowPinsHigh) {
  registro(kPin2) = PIN1 | PIN5;
  gpio_invertir_pin(PUERTO2, PIN1 | PIN2 | PIN5 | PIN6);
  EXPECT_EQ(registro(kClr2), PIN1 | PIN5);
  EXPECT_EQ(registro(kSet2), PIN2 | PIN6);
}

}  // namespace

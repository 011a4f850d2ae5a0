#include "conversor.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>

#include "error_stop.h"
#include "perifericos.h"

namespace {

using perifericos::registro;
using Cambios = std::map<uintptr_t, uint32_t>;

constexpr uintptr_t kPconp = 0x400FC0C4;
constexpr uintptr_t kCr = 0x40034000;
constexpr uintptr_t kGdr = 0x40034004;

uintptr_t iocon(uint32_t puerto, uint32_t pin) { return 0x4002C000 + puerto * 128 + pin * 4; }

class Conversor : public ::testing::Test {
 protected:
  void SetUp() override {
    perifericos::reiniciar();
    PeripheralClock = 60000000;
  }
};

struct CasoFallido {
  const char* nombre;
  std::function<void()> llamada;
  const char* funcion;
  const char* mensaje;
};

const char* const kBaja = "La frecuencia de reloj del ADC indicada es demasiado baja.";
const char* const kAlta = "La frecuencia de reloj del ADC debe ser < 12.4 MHz.";
const char* const kCanales = "Canales incorrectos.";

TEST_F(Conversor, FailedChecksStopInOrderWithoutTouchingRegisters) {
  const CasoFallido casos[] = {
      {"one below 60 MHz / 256", [] { adc_inicializar(234374, 0x100); }, "adc_inicializar", kBaja},
      {"zero", [] { adc_inicializar(0, 0); }, "adc_inicializar", kBaja},
      {"12.4 MHz", [] { adc_inicializar(12400000, 0x100); }, "adc_inicializar", kAlta},
      {"far too fast", [] { adc_inicializar(0xFFFFFFFF, 0); }, "adc_inicializar", kAlta},
      {"channel 8 in the set", [] { adc_inicializar(12399999, 0x100); }, "adc_inicializar",
       kCanales},
      {"channel 8", [] { adc_convertir(8); }, "adc_convertir", "Canal ADC incorrecto."},
      {"channel max", [] { adc_convertir(0xFFFFFFFF); }, "adc_convertir", "Canal ADC incorrecto."},
      {"result 4096", [] { adc_traducir_a_tension(4096); }, "adc_traducir_a_tension",
       "Valor ADC de entrada incorrecto."},
  };
  for (const CasoFallido& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const ErrorStop parada =
        perifericos::sin_acceso([&] { return expect_error_stop(caso.llamada); });
    EXPECT_EQ(parada.file, "conversor.cpp");
    EXPECT_EQ(parada.function, caso.funcion);
    EXPECT_EQ(parada.message, caso.mensaje);
  }
}

// A clock below 256 Hz makes PeripheralClock >> 8 zero: a zero frequency is
// still refused rather than divided by.
TEST_F(Conversor, ZeroFrequencyIsRefusedAtAnyClock) {
  PeripheralClock = 100;
  const ErrorStop parada =
      perifericos::sin_acceso([] { return expect_error_stop([] { adc_inicializar(0, 1); }); });
  EXPECT_EQ(parada.message, kBaja);
}

TEST_F(Conversor, InitialisePowersSetsTheDividerAndOnlyTheChosenPins) {
  registro(kPconp) = 0x2;
  registro(kCr) = 0xFFFFFFFF;
  registro(iocon(0, 24)) = 0xABC;
  const auto antes = perifericos::foto();
  adc_inicializar(12000000, SEL_CANAL_0 | SEL_CANAL_4);
  EXPECT_EQ(perifericos::cambios(antes),
            (Cambios{{kPconp, 0x1002}, {kCr, 0x200400}, {0x4002C05C, 1}, {0x4002C0F8, 3}}));
}

TEST_F(Conversor, EachChannelSwitchesItsOwnPin) {
  struct Caso {
    uint32_t canal;
    uint32_t puerto;
    uint32_t pin;
    uint32_t funcion;
  } const casos[] = {{0, 0, 23, 1}, {1, 0, 24, 1}, {2, 0, 25, 1}, {3, 0, 26, 1},
                     {4, 1, 30, 3}, {5, 1, 31, 3}, {6, 0, 12, 3}, {7, 0, 13, 3}};
  for (const Caso& caso : casos) {
    perifericos::reiniciar();
    registro(iocon(caso.puerto, caso.pin)) = 0xFFFFFFFF;
    const auto antes = perifericos::foto();
    adc_inicializar(1000000, 1u << caso.canal);
    auto cambios = perifericos::cambios(antes);
    cambios.erase(kPconp);
    cambios.erase(kCr);
    EXPECT_EQ(cambios, (Cambios{{iocon(caso.puerto, caso.pin), caso.funcion}})) << caso.canal;
  }
}

TEST_F(Conversor, DividerFromTheTruncatedRatio) {
  struct Caso {
    uint32_t reloj;
    uint32_t frecuencia;
    uint32_t cr;
  } const casos[] = {
      {60000000, 234375, 0x20FF00},    // exactly 60 MHz / 256: divider 255
      {60000000, 12399999, 0x200300},  // 60 / 12.399999 truncates to 4
      {60000000, 1000000, 0x203B00},   // 59
      {120000000, 12000000, 0x200900},
      {65536, 256, 0x20FF00},  // the smallest clock whose dividers all fit
      // Obvious faults kept within the 8-bit field: a clock below the one
      // asked for runs the converter at PeripheralClock (divider 0) instead
      // of wrapping into the burst, power and start bits, and below 65536 Hz
      // the divider stops at 255.
      {10000000, 12000000, 0x200000},
      {511, 1, 0x20FF00},
  };
  for (const Caso& caso : casos) {
    PeripheralClock = caso.reloj;
    adc_inicializar(caso.frecuencia, 0);
    EXPECT_EQ(registro(kCr), caso.cr) << caso.reloj << " / " << caso.frecuencia;
  }
}

TEST_F(Conversor, EmptyChannelSetConfiguresNoPin) {
  const auto antes = perifericos::foto();
  adc_inicializar(12000000, 0);
  EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kPconp, 0x1000}, {kCr, 0x200400}}));
}

// GDR is preset with its done flag, so the wait ends at once on plain memory.
TEST_F(Conversor, ConvertSelectsOneChannelStartsAndReturnsTheResult) {
  registro(kCr) = 0x0720045A;  // divider 4, power, old start field and channels
  registro(kGdr) = 0x80000000 | (0xABC << 4) | 0xF | 0x70000;
  const auto antes = perifericos::foto();
  EXPECT_EQ(adc_convertir(7), 0xABCu);
  EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kCr, 0x07200480}}));

  registro(kCr) = 0x00200400;
  EXPECT_EQ(adc_convertir(0), 0xABCu);
  EXPECT_EQ(registro(kCr), 0x01200401u);
}

TEST_F(Conversor, VoltsOnTheThreePointThreeScaleOver4096) {
  EXPECT_EQ(adc_traducir_a_tension(0), 0.0f);
  EXPECT_EQ(adc_traducir_a_tension(2048), 1.65f);
  EXPECT_EQ(adc_traducir_a_tension(4095), 3.2991943359375f);
  EXPECT_EQ(adc_traducir_a_tension(1), 3.3f / 4096.0f);
}

}  // namespace

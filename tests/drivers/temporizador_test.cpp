#include "temporizador.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>

#include "error_stop.h"
#include "perifericos.h"

namespace {

using perifericos::registro;
using Cambios = std::map<uintptr_t, uint32_t>;

constexpr uintptr_t kPconp = 0x400FC0C4;

// Register addresses of one timer block.
struct Timer {
  uintptr_t base;
  uintptr_t ir() const { return base + 0x00; }
  uintptr_t tcr() const { return base + 0x04; }
  uintptr_t tc() const { return base + 0x08; }
  uintptr_t pr() const { return base + 0x0C; }
  uintptr_t pc() const { return base + 0x10; }
  uintptr_t mcr() const { return base + 0x14; }
  uintptr_t mr0() const { return base + 0x18; }
  uintptr_t mr1() const { return base + 0x1C; }
  uintptr_t ctcr() const { return base + 0x70; }
};

constexpr Timer kT0{0x40004000}, kT1{0x40008000}, kT2{0x40090000}, kT3{0x40094000};

class Temporizador : public ::testing::Test {
 protected:
  void SetUp() override {
    perifericos::reiniciar();
    PeripheralClock = 60000000;
  }

  // Leaves recognisable values in the registers a starting operation must
  // reset, and in those it must leave alone.
  static void ensuciar(const Timer& t) {
    registro(t.ir()) = 0x3C;
    registro(t.tcr()) = 1;
    registro(t.tc()) = 1234;
    registro(t.pc()) = 56;
    registro(t.pr()) = 78;
    registro(t.mcr()) = 0x38;
    registro(t.mr0()) = 90;
    registro(t.mr1()) = 0xABCD;
    registro(t.ctcr()) = 0x2;
  }
};

TEST_F(Temporizador, AliasesAreTheFourTimerBlocks) {
  EXPECT_EQ(reinterpret_cast<uintptr_t>(TIMER0), kT0.base);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(TIMER1), kT1.base);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(TIMER2), kT2.base);
  EXPECT_EQ(reinterpret_cast<uintptr_t>(TIMER3), kT3.base);
}

struct CasoFallido {
  const char* nombre;
  std::function<void()> llamada;
  const char* funcion;
  const char* mensaje;
};

LPC_TIM_TypeDef* como_timer(uintptr_t direccion) {
  return reinterpret_cast<LPC_TIM_TypeDef*>(direccion);
}

const char* const kTimerMal = "timer_regs incorrecto";
const char* const kRelojBajo = "PeripheralClock demasiado bajo";

TEST_F(Temporizador, EveryOperationChecksTheHandleFirst) {
  const uintptr_t malos[] = {0, kPconp, kT0.base + 4, kT3.base + 0x4000, 0x20098000};
  const std::pair<const char*, std::function<void(LPC_TIM_TypeDef*)>> operaciones[] = {
      {"timer_inicializar", [](LPC_TIM_TypeDef* t) { timer_inicializar(t); }},
      {"timer_retardo_ms", [](LPC_TIM_TypeDef* t) { timer_retardo_ms(t, 0); }},
      {"timer_retardo_us", [](LPC_TIM_TypeDef* t) { timer_retardo_us(t, 0); }},
      {"timer_iniciar_ciclos_ms", [](LPC_TIM_TypeDef* t) { timer_iniciar_ciclos_ms(t, 0); }},
      {"timer_iniciar_ciclos_us", [](LPC_TIM_TypeDef* t) { timer_iniciar_ciclos_us(t, 0); }},
      {"timer_esperar_fin_ciclo", [](LPC_TIM_TypeDef* t) { timer_esperar_fin_ciclo(t); }},
      {"timer_iniciar_conteo_ms", [](LPC_TIM_TypeDef* t) { timer_iniciar_conteo_ms(t); }},
      {"timer_iniciar_conteo_us", [](LPC_TIM_TypeDef* t) { timer_iniciar_conteo_us(t); }},
      {"timer_leer", [](LPC_TIM_TypeDef* t) { timer_leer(t); }},
      {"timer_limpiar_interrupcion", [](LPC_TIM_TypeDef* t) { timer_limpiar_interrupcion(t, 9); }},
  };
  PeripheralClock = 0;  // would fail the clock checks too
  for (const auto& [funcion, operacion] : operaciones) {
    for (uintptr_t malo : malos) {
      SCOPED_TRACE(std::string(funcion) + " " + std::to_string(malo));
      const ErrorStop parada = perifericos::sin_acceso(
          [&] { return expect_error_stop([&] { operacion(como_timer(malo)); }); });
      EXPECT_EQ(parada.file, "temporizador.cpp");
      EXPECT_EQ(parada.function, funcion);
      EXPECT_EQ(parada.message, kTimerMal);
    }
  }
}

// The period and delay checks come after the handle's, in this order: zero
// period, count too long for MR0, peripheral clock below the count rate.
TEST_F(Temporizador, PeriodDelayAndClockChecksStopWithoutTouchingRegisters) {
  const CasoFallido casos[] = {
      {"zero ms period", [] { timer_iniciar_ciclos_ms(LPC_TIM0, 0); }, "timer_iniciar_ciclos_ms",
       "periodo_en_ms es 0"},
      {"zero us period", [] { timer_iniciar_ciclos_us(LPC_TIM1, 0); }, "timer_iniciar_ciclos_us",
       "periodo_en_us es 0"},
      {"ms period past MR0", [] { timer_iniciar_ciclos_ms(LPC_TIM0, 429496730); },
       "timer_iniciar_ciclos_ms", "periodo_en_ms demasiado grande"},
      {"us period past MR0", [] { timer_iniciar_ciclos_us(LPC_TIM0, 0xFFFFFFFF); },
       "timer_iniciar_ciclos_us", "periodo_en_us demasiado grande"},
      {"ms delay past MR0", [] { timer_retardo_ms(LPC_TIM2, 4294968); }, "timer_retardo_ms",
       "retardo_en_ms demasiado grande"},
      {"us delay past MR0", [] { timer_retardo_us(LPC_TIM3, 429496730); }, "timer_retardo_us",
       "retardo_en_us demasiado grande"},
  };
  PeripheralClock = 0;
  for (const CasoFallido& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    const ErrorStop parada =
        perifericos::sin_acceso([&] { return expect_error_stop(caso.llamada); });
    EXPECT_EQ(parada.function, caso.funcion);
    EXPECT_EQ(parada.message, caso.mensaje);
  }
}

// Below the count rate PR = PeripheralClock / rate - 1 would wrap to
// 0xFFFFFFFF; at the rate itself PR is 0.
TEST_F(Temporizador, PeripheralClockMustReachTheCountRate) {
  struct Caso {
    const char* funcion;
    uint32_t cuentas_por_segundo;
    std::function<void()> llamada;
    uintptr_t pr;
  } const casos[] = {
      {"timer_iniciar_ciclos_ms", 10000, [] { timer_iniciar_ciclos_ms(LPC_TIM0, 1); }, kT0.pr()},
      {"timer_iniciar_ciclos_us", 10000000, [] { timer_iniciar_ciclos_us(LPC_TIM1, 1); }, kT1.pr()},
      {"timer_iniciar_conteo_ms", 1000, [] { timer_iniciar_conteo_ms(LPC_TIM2); }, kT2.pr()},
      {"timer_iniciar_conteo_us", 1000000, [] { timer_iniciar_conteo_us(LPC_TIM3); }, kT3.pr()},
      {"timer_retardo_ms", 1000000, [] { timer_retardo_ms(LPC_TIM0, 1); }, kT0.pr()},
      {"timer_retardo_us", 10000000, [] { timer_retardo_us(LPC_TIM1, 1); }, kT1.pr()},
  };
  for (const auto& caso : casos) {
    SCOPED_TRACE(caso.funcion);
    PeripheralClock = caso.cuentas_por_segundo - 1;
    const ErrorStop parada =
        perifericos::sin_acceso([&] { return expect_error_stop(caso.llamada); });
    EXPECT_EQ(parada.function, caso.funcion);
    EXPECT_EQ(parada.message, kRelojBajo);

    PeripheralClock = caso.cuentas_por_segundo;
    registro(caso.pr) = 0xFFFF;
    caso.llamada();
    EXPECT_EQ(registro(caso.pr), 0u);
  }
}

TEST_F(Temporizador, InitialiseSetsOnlyTheTimersPowerBit) {
  const std::pair<LPC_TIM_TypeDef*, uint32_t> casos[] = {
      {LPC_TIM0, 0x2}, {LPC_TIM1, 0x4}, {LPC_TIM2, 0x400000}, {LPC_TIM3, 0x800000}};
  for (const auto& [timer, bit] : casos) {
    for (uint32_t antes_pconp : {0x00000000u, 0xFFFFFFFFu ^ bit, 0x00001000u}) {
      perifericos::reiniciar();
      registro(kPconp) = antes_pconp;
      const auto antes = perifericos::foto();
      timer_inicializar(timer);
      timer_inicializar(timer);
      EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kPconp, antes_pconp | bit}}))
          << std::hex << bit;
    }
  }
}

TEST_F(Temporizador, CyclesProgramPrescalerMatchAndStart) {
  struct Caso {
    uint32_t reloj;
    bool en_us;
    uint32_t periodo;
    uint32_t pr;
    uint32_t mr0;
  } const casos[] = {
      {60000000, false, 1000, 5999, 9999},
      {60000000, true, 50, 5, 499},
      {120000000, false, 1, 11999, 9},
      {12000000, true, 1, 0, 9},  // 12 MHz / 10 MHz truncates to 1
      {60000000, false, 429496729, 5999, 4294967289},
      {60000000, true, 429496729, 5, 4294967289},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.periodo);
    perifericos::reiniciar();
    PeripheralClock = caso.reloj;
    ensuciar(kT1);
    const auto antes = perifericos::foto();
    if (caso.en_us) {
      timer_iniciar_ciclos_us(LPC_TIM1, caso.periodo);
    } else {
      timer_iniciar_ciclos_ms(LPC_TIM1, caso.periodo);
    }
    EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kT1.ir(), 1},
                                                    {kT1.tc(), 0},
                                                    {kT1.pc(), 0},
                                                    {kT1.pr(), caso.pr},
                                                    {kT1.mcr(), 3},
                                                    {kT1.mr0(), caso.mr0}}));
    EXPECT_EQ(registro(kT1.tcr()), 1u);
  }
}

TEST_F(Temporizador, CountsProgramPrescalerAndClearTheMatchActions) {
  ensuciar(kT2);
  auto antes = perifericos::foto();
  timer_iniciar_conteo_ms(LPC_TIM2);
  const Cambios comunes{{kT2.ir(), 1}, {kT2.tc(), 0}, {kT2.pc(), 0}, {kT2.mcr(), 0}};
  Cambios esperado = comunes;
  esperado[kT2.pr()] = 59999;
  EXPECT_EQ(perifericos::cambios(antes), esperado);
  EXPECT_EQ(registro(kT2.tcr()), 1u);

  ensuciar(kT2);
  antes = perifericos::foto();
  timer_iniciar_conteo_us(LPC_TIM2);
  esperado = comunes;
  esperado[kT2.pr()] = 59;
  EXPECT_EQ(perifericos::cambios(antes), esperado);
}

TEST_F(Temporizador, ReadReturnsTheCount) {
  registro(kT3.tc()) = 0xCAFEF00D;
  EXPECT_EQ(timer_leer(LPC_TIM3), 0xCAFEF00Du);
}

TEST_F(Temporizador, ZeroDelayReturnsWithoutTouchingTheTimer) {
  perifericos::sin_acceso([] {
    timer_retardo_ms(LPC_TIM2, 0);
    timer_retardo_us(LPC_TIM2, 0);
  });
}

// Plain memory keeps the 1 written to IR, so the wait for the match flag
// ends at once; what can be checked is what the delay programmed.
TEST_F(Temporizador, DelaysAddStopOnMatchAndLeaveTheFlagSet) {
  struct Caso {
    bool en_us;
    uint32_t retardo;
    uint32_t pr;
    uint32_t mr0;
  } const casos[] = {
      {true, 10, 5, 99},
      {false, 5, 59, 4999},
      {false, 4294967, 59, 4294966999},
      {true, 429496729, 5, 4294967289},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.retardo);
    perifericos::reiniciar();
    ensuciar(kT3);
    const auto antes = perifericos::foto();
    if (caso.en_us) {
      timer_retardo_us(LPC_TIM3, caso.retardo);
    } else {
      timer_retardo_ms(LPC_TIM3, caso.retardo);
    }
    EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kT3.ir(), 1},
                                                    {kT3.tc(), 0},
                                                    {kT3.pc(), 0},
                                                    {kT3.pr(), caso.pr},
                                                    {kT3.mcr(), 0x38 | 7},
                                                    {kT3.mr0(), caso.mr0}}));
  }
}

TEST_F(Temporizador, EndOfCycleClearsTheMatchFlagWithAWholeWrite) {
  registro(kT0.ir()) = 0x21;  // match 0 and capture 1 pending
  const auto antes = perifericos::foto();
  timer_esperar_fin_ciclo(LPC_TIM0);
  EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kT0.ir(), 1}}));
}

// The match number: 0 to 3 acknowledge their own flag with a whole write of
// that bit, so the other flags pending (0x3F: four matches, two captures) stay
// pending; anything else stops before touching the timer.
struct CasoLimpiar {
  uint32_t match;
  const char* mensaje;  // nullptr: acknowledged
};

void PrintTo(const CasoLimpiar& caso, std::ostream* os) { *os << "match" << caso.match; }

std::string nombre_caso(const testing::TestParamInfo<CasoLimpiar>& caso) {
  return "Match" + std::to_string(caso.param.match);
}

class TemporizadorLimpiar : public Temporizador,
                            public ::testing::WithParamInterface<CasoLimpiar> {};

TEST_P(TemporizadorLimpiar, AcknowledgesOnlyTheGivenMatch) {
  const CasoLimpiar& caso = GetParam();
  registro(kT2.ir()) = 0x3F;
  if (caso.mensaje != nullptr) {
    const ErrorStop parada = perifericos::sin_acceso([&] {
      return expect_error_stop([&] { timer_limpiar_interrupcion(LPC_TIM2, caso.match); });
    });
    EXPECT_EQ(parada.function, "timer_limpiar_interrupcion");
    EXPECT_EQ(parada.message, caso.mensaje);
    return;
  }
  const auto antes = perifericos::foto();
  timer_limpiar_interrupcion(LPC_TIM2, caso.match);
  EXPECT_EQ(perifericos::cambios(antes), (Cambios{{kT2.ir(), 1u << caso.match}}));
}

INSTANTIATE_TEST_SUITE_P(Matches, TemporizadorLimpiar,
                         ::testing::Values(CasoLimpiar{0, nullptr}, CasoLimpiar{1, nullptr},
                                           CasoLimpiar{3, nullptr},
                                           CasoLimpiar{4, "match incorrecto"},
                                           CasoLimpiar{0xFFFFFFFF, "match incorrecto"}),
                         nombre_caso);

}  // namespace

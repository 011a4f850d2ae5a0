// Timer driver: power, prescaler from PeripheralClock, match 0 and start.
#include "temporizador.h"

#include "error.h"
#include "tipos.h"

namespace {

constexpr uint32_t kIrMatch0 = 1u << 0;
constexpr uint32_t kMatchesPorTimer = 4u;
constexpr uint32_t kTcrParar = 0u;
constexpr uint32_t kTcrContar = 1u;
constexpr uint32_t kMcrNada = 0u;
constexpr uint32_t kMcrInterrumpirYReiniciar = 3u;
constexpr uint32_t kMcrInterrumpirReiniciarYParar = 7u;

// Count rates, in counts per second.
constexpr uint32_t kCadaMs = 1000u;
constexpr uint32_t kCadaDecimaMs = 10000u;
constexpr uint32_t kCadaUs = 1000000u;
constexpr uint32_t kCadaDecimaUs = 10000000u;

// Counts per period unit: tenths of a unit, or microseconds per millisecond.
constexpr uint32_t kDecimas = 10u;
constexpr uint32_t kUsPorMs = 1000u;

const char* const kTimerIncorrecto = "timer_regs incorrecto";
const char* const kRelojBajo = "PeripheralClock demasiado bajo";

bool_t es_timer(const LPC_TIM_TypeDef* timer_regs) {
  return timer_regs == LPC_TIM0 || timer_regs == LPC_TIM1 || timer_regs == LPC_TIM2 ||
         timer_regs == LPC_TIM3;
}

uint32_t bit_de_potencia(const LPC_TIM_TypeDef* timer_regs) {
  if (timer_regs == LPC_TIM0) {
    return LPC_SC_PCONP_PCTIM0;
  }
  if (timer_regs == LPC_TIM1) {
    return LPC_SC_PCONP_PCTIM1;
  }
  if (timer_regs == LPC_TIM2) {
    return LPC_SC_PCONP_PCTIM2;
  }
  return LPC_SC_PCONP_PCTIM3;
}

// A period or delay fits when its count (length x counts per unit, minus one)
// is a 32-bit MR0 value; longer ones would wrap into a short one.
bool_t cabe_en_mr0(uint32_t longitud, uint32_t cuentas_por_unidad) {
  return longitud <= UINT32_MAX / cuentas_por_unidad;
}

// PR = PeripheralClock / rate - 1 exists only when the clock reaches the count
// rate; below it the subtraction would wrap and the timer would never count.
bool_t reloj_alcanza(uint32_t cuentas_por_segundo) {
  return PeripheralClock >= cuentas_por_segundo;
}

uint32_t preescala(uint32_t cuentas_por_segundo) {
  return PeripheralClock / cuentas_por_segundo - 1u;
}

void arrancar(LPC_TIM_TypeDef* timer_regs) {
  timer_regs->IR = kIrMatch0;
  timer_regs->TCR = kTcrContar;
}

void esperar_match0(const LPC_TIM_TypeDef* timer_regs) {
  while ((timer_regs->IR & kIrMatch0) == 0) {
  }
}

void iniciar_ciclos(LPC_TIM_TypeDef* timer_regs, uint32_t cuentas_por_segundo, uint32_t periodo) {
  timer_regs->TCR = kTcrParar;
  timer_regs->PC = 0;
  timer_regs->TC = 0;
  timer_regs->PR = preescala(cuentas_por_segundo);
  timer_regs->MR0 = periodo * kDecimas - 1u;
  timer_regs->MCR = kMcrInterrumpirYReiniciar;
  arrancar(timer_regs);
}

void iniciar_conteo(LPC_TIM_TypeDef* timer_regs, uint32_t cuentas_por_segundo) {
  timer_regs->TCR = kTcrParar;
  timer_regs->PC = 0;
  timer_regs->TC = 0;
  timer_regs->PR = preescala(cuentas_por_segundo);
  timer_regs->MCR = kMcrNada;
  arrancar(timer_regs);
}

// Runs the timer once up to `cuentas` counts and waits for the match; the
// match stops it and leaves the match-0 flag set.
void retardar(LPC_TIM_TypeDef* timer_regs, uint32_t cuentas_por_segundo, uint32_t cuentas) {
  timer_regs->TCR = kTcrParar;
  timer_regs->TC = 0;
  timer_regs->PC = 0;
  timer_regs->PR = preescala(cuentas_por_segundo);
  timer_regs->MR0 = cuentas - 1u;
  timer_regs->MCR = timer_regs->MCR | kMcrInterrumpirReiniciarYParar;
  arrancar(timer_regs);
  esperar_match0(timer_regs);
}

}  // namespace

void timer_inicializar(LPC_TIM_TypeDef* timer_regs) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);

  LPC_SC->PCONP = LPC_SC->PCONP | bit_de_potencia(timer_regs);
}

void timer_retardo_ms(LPC_TIM_TypeDef* timer_regs, uint32_t retardo_en_ms) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  if (retardo_en_ms == 0) {
    return;
  }
  ASSERT(cabe_en_mr0(retardo_en_ms, kUsPorMs), "retardo_en_ms demasiado grande");
  ASSERT(reloj_alcanza(kCadaUs), kRelojBajo);

  retardar(timer_regs, kCadaUs, retardo_en_ms * kUsPorMs);
}

void timer_retardo_us(LPC_TIM_TypeDef* timer_regs, uint32_t retardo_en_us) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  if (retardo_en_us == 0) {
    return;
  }
  ASSERT(cabe_en_mr0(retardo_en_us, kDecimas), "retardo_en_us demasiado grande");
  ASSERT(reloj_alcanza(kCadaDecimaUs), kRelojBajo);

  retardar(timer_regs, kCadaDecimaUs, retardo_en_us * kDecimas);
}

void timer_iniciar_ciclos_ms(LPC_TIM_TypeDef* timer_regs, uint32_t periodo_en_ms) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  ASSERT(periodo_en_ms != 0, "periodo_en_ms es 0");
  ASSERT(cabe_en_mr0(periodo_en_ms, kDecimas), "periodo_en_ms demasiado grande");
  ASSERT(reloj_alcanza(kCadaDecimaMs), kRelojBajo);

  iniciar_ciclos(timer_regs, kCadaDecimaMs, periodo_en_ms);
}

void timer_iniciar_ciclos_us(LPC_TIM_TypeDef* timer_regs, uint32_t periodo_en_us) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  ASSERT(periodo_en_us != 0, "periodo_en_us es 0");
  ASSERT(cabe_en_mr0(periodo_en_us, kDecimas), "periodo_en_us demasiado grande");
  ASSERT(reloj_alcanza(kCadaDecimaUs), kRelojBajo);

  iniciar_ciclos(timer_regs, kCadaDecimaUs, periodo_en_us);
}

void timer_esperar_fin_ciclo(LPC_TIM_TypeDef* timer_regs) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);

  esperar_match0(timer_regs);
  timer_regs->IR = kIrMatch0;
}

// IR flags clear by writing 1 and ignore 0, so a whole write of one bit
// leaves the other matches and the captures pending.
void timer_limpiar_interrupcion(LPC_TIM_TypeDef* timer_regs, uint32_t match) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  ASSERT(match < kMatchesPorTimer, "match incorrecto");

  timer_regs->IR = kIrMatch0 << match;
}

void timer_iniciar_conteo_ms(LPC_TIM_TypeDef* timer_regs) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  ASSERT(reloj_alcanza(kCadaMs), kRelojBajo);

  iniciar_conteo(timer_regs, kCadaMs);
}

void timer_iniciar_conteo_us(LPC_TIM_TypeDef* timer_regs) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);
  ASSERT(reloj_alcanza(kCadaUs), kRelojBajo);

  iniciar_conteo(timer_regs, kCadaUs);
}

uint32_t timer_leer(LPC_TIM_TypeDef* timer_regs) {
  ASSERT(es_timer(timer_regs), kTimerIncorrecto);

  return timer_regs->TC;
}

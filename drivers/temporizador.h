// Timers 0 to 3: periodic cycles, free-running counts and blocking delays.
#ifndef TEMPORIZADOR_H
#define TEMPORIZADOR_H

#include <stdint.h>

#include "lpc4088.h"

#define TIMER0 LPC_TIM0
#define TIMER1 LPC_TIM1
#define TIMER2 LPC_TIM2
#define TIMER3 LPC_TIM3

#ifdef __cplusplus
extern "C" {
#endif

// Powers the timer on; call once before any other operation on it.
void timer_inicializar(LPC_TIM_TypeDef* timer_regs);

// Blocking delays; the timer ends stopped with its match-0 flag set. A delay
// of 0 returns at once.
void timer_retardo_ms(LPC_TIM_TypeDef* timer_regs, uint32_t retardo_en_ms);
void timer_retardo_us(LPC_TIM_TypeDef* timer_regs, uint32_t retardo_en_us);

// Periodic cycles: the count restarts and the match-0 flag (and interrupt
// request) is raised at the end of every period.
void timer_iniciar_ciclos_ms(LPC_TIM_TypeDef* timer_regs, uint32_t periodo_en_ms);
void timer_iniciar_ciclos_us(LPC_TIM_TypeDef* timer_regs, uint32_t periodo_en_us);

// Waits for the end of the current cycle and clears its flag.
void timer_esperar_fin_ciclo(LPC_TIM_TypeDef* timer_regs);

// Acknowledges the interrupt of match register `match` (0 to 3; the cycles
// use 0): clears that flag alone, the others stay pending. A handler calls it
// first, or the interrupt is taken again as soon as the handler returns.
void timer_limpiar_interrupcion(LPC_TIM_TypeDef* timer_regs, uint32_t match);

// Free-running counts of milliseconds or microseconds, read with timer_leer.
void timer_iniciar_conteo_ms(LPC_TIM_TypeDef* timer_regs);
void timer_iniciar_conteo_us(LPC_TIM_TypeDef* timer_regs);

uint32_t timer_leer(LPC_TIM_TypeDef* timer_regs);

#ifdef __cplusplus
}
#endif

#endif

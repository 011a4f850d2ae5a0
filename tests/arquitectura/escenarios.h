// The scenarios of the architecture program, by number and name: the
// firmware runs them in this order and logs under these numbers; the host
// test names them in its report. Numbers never change meaning.
#ifndef TESTS_ARQUITECTURA_ESCENARIOS_H
#define TESTS_ARQUITECTURA_ESCENARIOS_H

#define ARQ_ESCENARIOS(X)     \
  X(1, prioridades)           \
  X(2, encadenamiento)        \
  X(3, expropiacion)          \
  X(4, primask)               \
  X(5, basepri)               \
  X(6, faultmask)             \
  X(7, fp_perezoso)           \
  X(8, realineado)            \
  X(9, pila_proceso)          \
  X(10, svc_pendsv)           \
  X(11, vtor_ram)             \
  X(12, fallo_bus)            \
  X(13, fallo_memmanage)      \
  X(14, instr_indefinida)     \
  X(15, estado_invalido)      \
  X(16, sin_coprocesador)     \
  X(17, division_cero)        \
  X(18, desalineado)          \
  X(19, escalado)             \
  X(20, bkpt)                 \
  X(21, systick)              \
  X(22, dormir_al_salir)      \
  X(23, cpsie_ram)

// A log record: scenario and step in the key, one value. The step 0xF0 is
// an exception nobody expected (value: its number), 0xF1 a scenario cut
// short by it.
#define ARQ_CLAVE(escenario, paso) (((escenario) << 8) | (paso))
#define ARQ_PASO_INESPERADA 0xF0u
#define ARQ_PASO_ABORTADO 0xF1u

#endif

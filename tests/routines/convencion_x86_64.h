// Calls an x86-64 routine with known values in the callee-saved registers and
// reports which of them did not survive the call (System V x86-64).
#ifndef TESTS_ROUTINES_CONVENCION_X86_64_H
#define TESTS_ROUTINES_CONVENCION_X86_64_H

#include <cstdint>

extern "C" {

// Bits of *alterados: one per callee-saved register that changed.
enum : uint32_t {
  ALTERADO_RBX = 1u << 0,
  ALTERADO_RBP = 1u << 1,
  ALTERADO_R12 = 1u << 2,
  ALTERADO_R13 = 1u << 3,
  ALTERADO_R14 = 1u << 4,
  ALTERADO_R15 = 1u << 5,
};

// Passes argumentos[0..3] in rdi, rsi, rdx and rcx as whole 64-bit registers
// and returns the routine's rax.
uint64_t llamar_comprobando_registros(const void* rutina, const uint64_t argumentos[4],
                                      uint32_t* alterados);

// Fixture: overwrites every callee-saved register, as a faulty routine would.
void altera_registros_x86_64();
}

#endif

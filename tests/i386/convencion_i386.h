// Calls an i386 routine with known values in the callee-saved registers and
// reports which of them did not survive the call (cdecl).
#ifndef TESTS_I386_CONVENCION_I386_H
#define TESTS_I386_CONVENCION_I386_H

#include <cstdint>

extern "C" {

// Bits of *alterados: one per callee-saved register that changed.
enum : uint32_t {
  ALTERADO_EBX = 1u << 0,
  ALTERADO_ESI = 1u << 1,
  ALTERADO_EDI = 1u << 2,
  ALTERADO_EBP = 1u << 3,
};

// Pushes argumentos[3] down to argumentos[0], calls the routine, removes
// the arguments as a cdecl caller does and returns the routine's eax.
uint32_t llamar_comprobando_registros_i386(const void* rutina, const uint32_t argumentos[4],
                                           uint32_t* alterados);

// Fixture: overwrites every callee-saved register but esp, as a faulty
// routine would.
void altera_registros_i386();
}

#endif

// Plain memory at the peripherals' real addresses, so the drivers built for
// the host read and write "registers" the tests can inspect by address.
#ifndef TESTS_DRIVERS_PERIFERICOS_H
#define TESTS_DRIVERS_PERIFERICOS_H

#include <cstdint>
#include <map>
#include <vector>

namespace perifericos {

// Maps the GPIO ports and the APB0/APB1 range (timers, IOCON, A/D converter,
// system control) once per process and fills both with zeros.
void reiniciar();

// The 32-bit word at a peripheral address.
volatile uint32_t& registro(uintptr_t direccion);

// Contents of both ranges, to compare before and after a call.
using Foto = std::vector<uint32_t>;
Foto foto();

// Address and new value of every word that differs from `antes`.
std::map<uintptr_t, uint32_t> cambios(const Foto& antes);

void bloquear();
void desbloquear();

// Makes both ranges inaccessible while `llamada` runs: a register read or
// write in it faults, which ends the test program.
template <typename Llamada>
auto sin_acceso(Llamada&& llamada) {
  struct Desbloqueo {
    ~Desbloqueo() { desbloquear(); }
  };
  bloquear();
  Desbloqueo desbloqueo;
  return llamada();
}

}  // namespace perifericos

#endif

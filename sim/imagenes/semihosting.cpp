// Test image: semihosting calls as a test program makes them. Text to
// standard output and error, the board's clock, an operation nobody serves,
// one character read, then an exit whose status says what was read: 42 for
// an 'x', 7 otherwise.
#include <stdint.h>

extern "C" {
volatile uint32_t reloj_cs;
volatile uint32_t frecuencia;
volatile uint32_t transcurrido[2];
volatile uint32_t rechazo;
volatile uint32_t leido;
int main();
}

namespace {

uint32_t llamar(uint32_t operacion, const volatile void* parametro) {
  register uint32_t r0 asm("r0") = operacion;
  register const volatile void* r1 asm("r1") = parametro;
  asm volatile("bkpt #0xAB" : "+r"(r0) : "r"(r1) : "memory");
  return r0;
}

}  // namespace

int main() {
  llamar(0x04, "hola");  // SYS_WRITE0
  const char signo = '!';
  llamar(0x03, &signo);  // SYS_WRITEC
  static const char aviso[] = "aviso\n";
  const uint32_t bloque[3] = {2, reinterpret_cast<uint32_t>(aviso), sizeof aviso - 1};
  llamar(0x05, bloque);  // SYS_WRITE to standard error
  for (uint32_t i = 0; i < 100000; ++i) asm volatile("");
  reloj_cs = llamar(0x10, nullptr);    // SYS_CLOCK
  frecuencia = llamar(0x31, nullptr);  // SYS_TICKFREQ
  llamar(0x30, transcurrido);          // SYS_ELAPSED
  rechazo = llamar(0x99, nullptr);
  leido = llamar(0x07, nullptr);  // SYS_READC
  const uint32_t salida[2] = {0x20026, leido == 'x' ? 42u : 7u};
  llamar(0x20, salida);  // SYS_EXIT_EXTENDED
  for (;;) {
  }
}

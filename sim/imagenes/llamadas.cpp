// Test image: functions for the test API's calls by name, and an error stop
// like the firmware's. main waits for interrupts for ever.
#include <stdint.h>

extern "C" {
[[noreturn]] void parar_con_error(const char* fichero, const char* funcion, int linea,
                                  const char* mensaje);
int32_t suma(int32_t a, int32_t b);
int32_t suma_seis(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f);
float escala(float x, int32_t factor, float desplazamiento);
uint32_t dividir(uint32_t a, uint32_t b);
uint32_t leer(uint32_t direccion);
volatile uint32_t contador_llamadas;
// Code that tests place in RAM and call by this name.
uint16_t codigo_en_ram[16] __attribute__((aligned(4)));
int main();
}

// Local symbol: tests find it by name too.
static volatile uint32_t llamadas_locales;

[[gnu::noinline]] void parar_con_error(const char*, const char*, int, const char*) {
  __asm volatile("cpsid i" ::: "memory");
  for (;;) {
  }
}

int32_t suma(int32_t a, int32_t b) {
  contador_llamadas = contador_llamadas + 1;
  llamadas_locales = llamadas_locales + 1;
  return a + b;
}

int32_t suma_seis(int32_t a, int32_t b, int32_t c, int32_t d, int32_t e, int32_t f) {
  return a + 2 * b + 3 * c + 4 * d + 5 * e + 6 * f;
}

float escala(float x, int32_t factor, float desplazamiento) {
  return x * static_cast<float>(factor) + desplazamiento;
}

uint32_t dividir(uint32_t a, uint32_t b) {
  if (b == 0) parar_con_error("llamadas.cpp", "dividir", 42, "Divisi\xF3n por cero.");
  return a / b;
}

uint32_t leer(uint32_t direccion) { return *reinterpret_cast<volatile uint32_t*>(direccion); }

int main() {
  for (;;) {
    __asm volatile("wfi");
  }
}

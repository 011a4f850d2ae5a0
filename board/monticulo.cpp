// The run-time library's heap: the area __main took from
// __user_initial_stackheap. The start-up module gives an empty one, so every
// allocation fails cleanly instead of growing into the stack.
#include <errno.h>
#include <stddef.h>
#include <stdint.h>

extern "C" {
uint8_t* inicio_heap_base;    // set by __main
uint8_t* inicio_heap_limite;  // set by __main

void* _sbrk(ptrdiff_t incremento);
}

void* _sbrk(ptrdiff_t incremento) {
  static uint8_t* fin = nullptr;
  if (fin == nullptr) {
    fin = inicio_heap_base;
  }
  const ptrdiff_t libre = inicio_heap_limite - fin;
  if (incremento > libre || incremento < inicio_heap_base - fin) {
    errno = ENOMEM;
    return reinterpret_cast<void*>(-1);
  }
  uint8_t* anterior = fin;
  fin += incremento;
  return anterior;
}

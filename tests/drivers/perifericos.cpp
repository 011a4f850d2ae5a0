#include "perifericos.h"

#include <sys/mman.h>

#include <cstring>
#include <stdexcept>
#include <string>

#include "lpc4088.h"

// The drivers read the peripheral clock from the board services; the tests
// set it per case.
uint32_t PeripheralClock = 60000000;

namespace perifericos {
namespace {

struct Rango {
  uintptr_t base;
  std::size_t bytes;
};

// GPIO ports 0 to 5 lie in one page; APB0 and APB1 take 1 MiB from
// 0x40000000, system control included.
constexpr Rango kRangos[] = {{LPC_GPIO0_BASE, 0x1000}, {LPC_APB0_BASE, 0x100000}};

static_assert(LPC_GPIO5_BASE + sizeof(LPC_GPIO_TypeDef) <= LPC_GPIO0_BASE + 0x1000);
static_assert(LPC_SC_BASE + sizeof(LPC_SC_TypeDef) <= LPC_APB0_BASE + 0x100000);

void mapear_una_vez() {
  static const bool mapeado = [] {
    for (const Rango& r : kRangos) {
      void* p = mmap(reinterpret_cast<void*>(r.base), r.bytes, PROT_READ | PROT_WRITE,
                     MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED_NOREPLACE, -1, 0);
      if (p != reinterpret_cast<void*>(r.base)) {
        throw std::runtime_error("cannot map peripheral memory at " + std::to_string(r.base));
      }
    }
    return true;
  }();
  (void)mapeado;
}

void proteger(int proteccion) {
  for (const Rango& r : kRangos) {
    if (mprotect(reinterpret_cast<void*>(r.base), r.bytes, proteccion) != 0) {
      throw std::runtime_error("mprotect failed");
    }
  }
}

}  // namespace

void reiniciar() {
  mapear_una_vez();
  for (const Rango& r : kRangos) {
    std::memset(reinterpret_cast<void*>(r.base), 0, r.bytes);
  }
}

volatile uint32_t& registro(uintptr_t direccion) {
  return *reinterpret_cast<volatile uint32_t*>(direccion);
}

Foto foto() {
  Foto f;
  for (const Rango& r : kRangos) {
    const auto* p = reinterpret_cast<const uint32_t*>(r.base);
    f.insert(f.end(), p, p + r.bytes / 4);
  }
  return f;
}

std::map<uintptr_t, uint32_t> cambios(const Foto& antes) {
  std::map<uintptr_t, uint32_t> diferentes;
  std::size_t i = 0;
  for (const Rango& r : kRangos) {
    for (std::size_t k = 0; k < r.bytes / 4; ++k, ++i) {
      const uintptr_t direccion = r.base + 4 * k;
      const uint32_t ahora = registro(direccion);
      if (ahora != antes[i]) {
        diferentes[direccion] = ahora;
      }
    }
  }
  return diferentes;
}

void bloquear() { proteger(PROT_NONE); }
void desbloquear() { proteger(PROT_READ | PROT_WRITE); }

}  // namespace perifericos

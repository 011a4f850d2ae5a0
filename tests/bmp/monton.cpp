#include "tests/bmp/monton.h"

#include <array>
#include <cstdint>
#include <cstring>

extern "C" {
void* __real_malloc(size_t bytes);
void* __real_calloc(size_t cuantos, size_t bytes);
void __real_free(void* p);
}

namespace {

struct Bloque {
  void* entregado = nullptr;
  void* real = nullptr;
  size_t bytes = 0;
};

constexpr size_t kFrontera = 32;
std::array<Bloque, 256> bloques;
bool vigilando = false;
int peticiones = 0;
int fallar_en = 0;
std::optional<size_t> desplazamiento;

Bloque* Buscar(const void* p) {
  for (Bloque& b : bloques) {
    if (b.entregado == p && p != nullptr) return &b;
  }
  return nullptr;
}

void* Vigilado(size_t bytes, bool a_cero) {
  if (++peticiones == fallar_en) return nullptr;
  Bloque* libre = nullptr;
  for (Bloque& b : bloques) {
    if (b.entregado == nullptr) {
      libre = &b;
      break;
    }
  }
  if (libre == nullptr) return nullptr;
  void* real = __real_malloc(bytes + 2 * kFrontera);
  if (real == nullptr) return nullptr;
  auto* entregado = static_cast<uint8_t*>(real);
  if (desplazamiento && !a_cero) {
    const auto inicio = reinterpret_cast<uintptr_t>(real);
    const uintptr_t frontera = (inicio + kFrontera - 1) & ~uintptr_t{kFrontera - 1};
    entregado += frontera - inicio + *desplazamiento % kFrontera;
  }
  if (a_cero) std::memset(entregado, 0, bytes);
  *libre = {entregado, real, bytes};
  return entregado;
}

}  // namespace

extern "C" {

void* __wrap_malloc(size_t bytes) {
  return vigilando ? Vigilado(bytes, false) : __real_malloc(bytes);
}

void* __wrap_calloc(size_t cuantos, size_t bytes) {
  if (!vigilando) return __real_calloc(cuantos, bytes);
  size_t total;
  if (__builtin_mul_overflow(cuantos, bytes, &total)) return nullptr;
  return Vigilado(total, true);
}

void __wrap_free(void* p) {
  if (Bloque* b = Buscar(p)) {
    __real_free(b->real);
    *b = {};
    return;
  }
  __real_free(p);
}
}

namespace monton {

Vigilancia::Vigilancia() {
  vigilando = true;
  peticiones = 0;
}

Vigilancia::~Vigilancia() {
  vigilando = false;
  fallar_en = 0;
  desplazamiento.reset();
}

int BloquesVivos() {
  int vivos = 0;
  for (const Bloque& b : bloques) vivos += b.entregado != nullptr;
  return vivos;
}

int Peticiones() { return peticiones; }
void FallarPeticion(int numero) { fallar_en = numero == 0 ? 0 : peticiones + numero; }
void Desplazar(std::optional<size_t> d) { desplazamiento = d; }

size_t BytesDelBloque(const void* p) {
  const Bloque* b = Buscar(p);
  return b != nullptr ? b->bytes : 0;
}

}  // namespace monton

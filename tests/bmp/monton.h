// Test support: watches the heap blocks the BMP library takes. The test
// program is linked with --wrap for malloc, calloc and free, so the library's
// calls land here; tests can count live blocks, make the n-th request fail
// and hand out blocks at any offset from a 32-byte boundary, as a heap with
// weaker alignment than glibc's would.
#ifndef TESTS_BMP_MONTON_H
#define TESTS_BMP_MONTON_H

#include <cstddef>
#include <optional>

namespace monton {

// While one lives, requests are recorded; it ends with nothing injected.
class Vigilancia {
 public:
  Vigilancia();
  ~Vigilancia();
  Vigilancia(const Vigilancia&) = delete;
  Vigilancia& operator=(const Vigilancia&) = delete;
};

int BloquesVivos();
int Peticiones();
void FallarPeticion(int numero);  // 1 = the next request fails; 0 = none
// malloc's blocks start this far past a 32-byte boundary (calloc's stay
// aligned for the record, whose fields need it).
void Desplazar(std::optional<size_t> desplazamiento);
// Bytes requested for the live block that holds p, or 0 when none does.
size_t BytesDelBloque(const void* p);

}  // namespace monton

#endif

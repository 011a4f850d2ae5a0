#include <sys/mman.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <vector>

#include "tests/routines/convencion_x86_64.h"
#include "tests/simd/sse.h"

namespace {

constexpr float kGuarda = -1234.5f;

// The documented order: element i of the first 4 * (n / 4) goes to
// accumulator (i / 4) % 8 lane i % 4, except that the groups of four after
// the last block of 32 go to accumulator 0; accumulators and lanes fold in
// a fixed tree; the last n % 4 products are added one by one.
float referencia(const float* a, const float* b, uint32_t n) {
  float acumulador[8][4] = {};
  const uint32_t grupos = n / 4;
  const uint32_t grupos_en_bloques = n / 32 * 8;
  for (uint32_t g = 0; g < grupos; g++) {
    const uint32_t k = g < grupos_en_bloques ? g % 8 : 0;
    for (uint32_t l = 0; l < 4; l++) {
      const float producto = a[4 * g + l] * b[4 * g + l];
      acumulador[k][l] = acumulador[k][l] + producto;
    }
  }
  float carril[4];
  for (int l = 0; l < 4; l++) {
    const auto& c = acumulador;
    carril[l] =
        ((c[0][l] + c[4][l]) + (c[2][l] + c[6][l])) + ((c[1][l] + c[5][l]) + (c[3][l] + c[7][l]));
  }
  float suma = (carril[0] + carril[2]) + (carril[1] + carril[3]);
  for (uint32_t i = grupos * 4; i < n; i++) {
    const float producto = a[i] * b[i];
    suma = suma + producto;
  }
  return suma;
}

void esperar_igual(float obtenido, float esperado) {
  if (std::isnan(esperado)) {
    EXPECT_TRUE(std::isnan(obtenido));
  } else {
    EXPECT_EQ(std::bit_cast<uint32_t>(obtenido), std::bit_cast<uint32_t>(esperado))
        << obtenido << " vs " << esperado;
  }
}

// Calls the routine with the product landing between two guard floats.
float producto(const float* a, const float* b, uint32_t n) {
  float resultado[3] = {kGuarda, kGuarda, kGuarda};
  EXPECT_EQ(sse_producto_escalar(a, b, n, &resultado[1]), 1);
  EXPECT_EQ(resultado[0], kGuarda);
  EXPECT_EQ(resultado[2], kGuarda);
  return resultado[1];
}

TEST(SseProductoEscalar, VectoresEnterosDanElProductoExacto) {
  // Small integers: every partial sum is exact, whatever the order.
  std::mt19937 azar(3);
  std::uniform_int_distribution<int> pequenos(-20, 20);
  for (uint32_t n = 1; n <= 130; n++) {
    std::vector<float> a(n), b(n);
    long exacto = 0;
    for (uint32_t i = 0; i < n; i++) {
      const int x = pequenos(azar), y = pequenos(azar);
      a[i] = static_cast<float>(x);
      b[i] = static_cast<float>(y);
      exacto += x * y;
    }
    EXPECT_EQ(producto(a.data(), b.data(), n), static_cast<float>(exacto)) << "n = " << n;
  }
}

TEST(SseProductoEscalar, OrdenFijoEnCualquierAlineacion) {
  std::mt19937 azar(11);
  std::uniform_real_distribution<float> valores(-1000.0f, 1000.0f);
  const uint32_t tamanos[] = {1,  2,  3,  4,  5,  7,   8,   15,  16,   31,   32,
                              33, 35, 36, 63, 64, 100, 255, 256, 1023, 1024, 4099};
  for (uint32_t n : tamanos) {
    // Byte offsets 0 to 5 put the vectors on every alignment, even off
    // float boundaries; the values are copied in so the reference reads
    // properly aligned floats.
    for (size_t desfase = 0; desfase < 6; desfase++) {
      std::vector<float> a(n), b(n);
      for (uint32_t i = 0; i < n; i++) {
        a[i] = valores(azar);
        b[i] = valores(azar);
      }
      std::vector<unsigned char> bufer_a(n * 4 + 16), bufer_b(n * 4 + 16);
      std::memcpy(bufer_a.data() + desfase, a.data(), n * 4);
      std::memcpy(bufer_b.data() + (5 - desfase), b.data(), n * 4);
      const float obtenido =
          producto(reinterpret_cast<const float*>(bufer_a.data() + desfase),
                   reinterpret_cast<const float*>(bufer_b.data() + (5 - desfase)), n);
      SCOPED_TRACE(testing::Message() << "n = " << n << ", offset " << desfase);
      esperar_igual(obtenido, referencia(a.data(), b.data(), n));
    }
  }
}

TEST(SseProductoEscalar, EspecialesSeComportanComoIeee) {
  constexpr float inf = std::numeric_limits<float>::infinity();
  constexpr float nan = std::numeric_limits<float>::quiet_NaN();
  constexpr float denormal = std::numeric_limits<float>::denorm_min();
  const struct {
    const char* nombre;
    std::vector<float> a, b;
  } casos[] = {
      {"infinito por cero", {inf, 1, 1, 1, 1}, {0, 1, 1, 1, 1}},
      {"infinitos opuestos", {inf, 1, 1, 1, 1, 1}, {1, 1, 1, 1, 1, -inf}},
      {"infinito en la cola", {1, 1, 1, 1, inf}, {1, 1, 1, 1, 2}},
      {"nan", {1, nan, 1}, {1, 1, 1}},
      {"denormales", {denormal, denormal, 1e-20f, 1e-20f}, {1, 3, 1e-20f, 1e-20f}},
      {"se cancelan en orden fijo", {1e8f, 1, -1e8f, 0, 1}, {1, 1, 1, 1, 1}},
  };
  for (const auto& c : casos) {
    SCOPED_TRACE(c.nombre);
    const uint32_t n = static_cast<uint32_t>(c.a.size());
    esperar_igual(producto(c.a.data(), c.b.data(), n), referencia(c.a.data(), c.b.data(), n));
  }
}

// A vector that ends exactly where an inaccessible page starts: reading one
// element too many faults.
class VectorAlBorde {
 public:
  explicit VectorAlBorde(uint32_t n) : pagina_(static_cast<size_t>(sysconf(_SC_PAGESIZE))) {
    void* p =
        mmap(nullptr, 2 * pagina_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    EXPECT_NE(p, MAP_FAILED);
    base_ = static_cast<unsigned char*>(p);
    mprotect(base_ + pagina_, pagina_, PROT_NONE);
    datos_ = reinterpret_cast<float*>(base_ + pagina_) - n;
    for (uint32_t i = 0; i < n; i++) {
      datos_[i] = static_cast<float>(i % 7) - 3.0f;
    }
  }
  ~VectorAlBorde() { munmap(base_, 2 * pagina_); }
  VectorAlBorde(const VectorAlBorde&) = delete;
  VectorAlBorde& operator=(const VectorAlBorde&) = delete;
  const float* datos() const { return datos_; }

 private:
  size_t pagina_;
  unsigned char* base_ = nullptr;
  float* datos_ = nullptr;
};

TEST(SseProductoEscalar, NoLeeMasAllaDeLosVectores) {
  for (uint32_t n = 1; n <= 70; n++) {
    VectorAlBorde a(n), b(n);
    esperar_igual(producto(a.datos(), b.datos(), n), referencia(a.datos(), b.datos(), n));
  }
}

TEST(SseProductoEscalar, ArgumentosRechazadosNoEscribenNada) {
  const float a[4] = {1, 2, 3, 4};
  float resultado = kGuarda;
  EXPECT_EQ(sse_producto_escalar(nullptr, a, 4, &resultado), 0);
  EXPECT_EQ(sse_producto_escalar(a, nullptr, 4, &resultado), 0);
  EXPECT_EQ(sse_producto_escalar(a, a, 0, &resultado), 0);
  EXPECT_EQ(sse_producto_escalar(a, a, 4, nullptr), 0);
  EXPECT_EQ(resultado, kGuarda);
}

TEST(SseProductoEscalar, SoloCuentanLos32BitsBajosDeLaDimension) {
  // A 32-bit argument leaves the upper half of its register undefined.
  const float a[5] = {1, 2, 3, 4, 5};
  float resultado = kGuarda;
  const uint64_t argumentos[4] = {reinterpret_cast<uint64_t>(a), reinterpret_cast<uint64_t>(a),
                                  0xFFFFFFFF00000005ull, reinterpret_cast<uint64_t>(&resultado)};
  uint32_t alterados = 0;
  EXPECT_EQ(static_cast<uint32_t>(llamar_comprobando_registros(
                reinterpret_cast<const void*>(&sse_producto_escalar), argumentos, &alterados)),
            1u);
  EXPECT_EQ(resultado, 55.0f);
  const uint64_t cero_bajo[4] = {argumentos[0], argumentos[1], 0x0000000100000000ull,
                                 argumentos[3]};
  EXPECT_EQ(static_cast<uint32_t>(llamar_comprobando_registros(
                reinterpret_cast<const void*>(&sse_producto_escalar), cero_bajo, &alterados)),
            0u);
  EXPECT_EQ(resultado, 55.0f);
}

}  // namespace

#include "pieza.h"

#include <cstddef>

#include "bloque.h"
#include "error.h"
#include "glcd.h"

static_assert(sizeof(pieza_tipo_t) == 1);
static_assert(offsetof(pieza_t, tipo) == 0);
static_assert(offsetof(pieza_t, tamano) == 4);
static_assert(offsetof(pieza_t, matriz) == 8);
static_assert(offsetof(pieza_t, color) == 24);
static_assert(sizeof(pieza_t) == 28);
static_assert(PIEZA_TAM_BLOQUE == BLOQUE_TAMANO);

namespace {

// RGB565 as the piece record stores it: the packed value seen as signed.
constexpr int16_t color565(int r, int g, int b) { return static_cast<int16_t>(RGB(r, g, b)); }

}  // namespace

constexpr pieza_t pieza_palo = {
    .tipo = PIEZA_PALO,
    .tamano = 4,
    .matriz = {{0, 1, 0, 0},  //
               {0, 1, 0, 0},
               {0, 1, 0, 0},
               {0, 1, 0, 0}},
    .color = color565(255, 0, 0),
};
constexpr pieza_t pieza_cuadrado = {
    .tipo = PIEZA_CUADRADO,
    .tamano = 2,
    .matriz = {{1, 1, 0, 0},  //
               {1, 1, 0, 0},
               {0, 0, 0, 0},
               {0, 0, 0, 0}},
    .color = color565(0, 0, 255),
};
constexpr pieza_t pieza_ese = {
    .tipo = PIEZA_ESE,
    .tamano = 3,
    .matriz = {{0, 1, 1, 0},  //
               {1, 1, 0, 0},
               {0, 0, 0, 0},
               {0, 0, 0, 0}},
    .color = color565(0, 255, 255),
};
constexpr pieza_t pieza_zeta = {
    .tipo = PIEZA_ZETA,
    .tamano = 3,
    .matriz = {{1, 1, 0, 0},  //
               {0, 1, 1, 0},
               {0, 0, 0, 0},
               {0, 0, 0, 0}},
    .color = color565(255, 0, 255),
};
constexpr pieza_t pieza_ele = {
    .tipo = PIEZA_ELE,
    .tamano = 3,
    .matriz = {{0, 1, 0, 0},  //
               {0, 1, 0, 0},
               {0, 1, 1, 0},
               {0, 0, 0, 0}},
    .color = color565(255, 255, 0),
};
constexpr pieza_t pieza_elereves = {
    .tipo = PIEZA_ELEREVES,
    .tamano = 3,
    .matriz = {{0, 1, 0, 0},  //
               {0, 1, 0, 0},
               {1, 1, 0, 0},
               {0, 0, 0, 0}},
    .color = color565(255, 128, 0),
};
constexpr pieza_t pieza_te = {
    .tipo = PIEZA_TE,
    .tamano = 3,
    .matriz = {{0, 1, 0, 0},  //
               {1, 1, 1, 0},
               {0, 0, 0, 0},
               {0, 0, 0, 0}},
    .color = color565(0, 255, 0),
};

namespace {

constexpr const pieza_t* plantillas[PIEZA_NUM_PIEZAS] = {
    &pieza_palo, &pieza_cuadrado, &pieza_ese, &pieza_zeta, &pieza_ele, &pieza_elereves, &pieza_te};

// Each template sits at its kind's index, is visible on the background, and
// uses only its own square.
consteval bool plantillas_coherentes() {
  for (int k = 0; k < PIEZA_NUM_PIEZAS; ++k) {
    const pieza_t& p = *plantillas[k];
    if (p.tipo != k || p.color == 0 || p.tamano < 2 || p.tamano > PIEZA_MAX_TAM_MATRIZ) {
      return false;
    }
    for (int i = 0; i < PIEZA_MAX_TAM_MATRIZ; ++i) {
      for (int j = 0; j < PIEZA_MAX_TAM_MATRIZ; ++j) {
        if (p.matriz[i][j] != 0 && (i >= p.tamano || j >= p.tamano)) {
          return false;
        }
      }
    }
  }
  return true;
}
static_assert(plantillas_coherentes());

// The side actually used; a record whose size was damaged still never
// reaches past its 4 x 4 matrix.
int32_t lado(const pieza_t& pieza) {
  return pieza.tamano < PIEZA_MAX_TAM_MATRIZ ? pieza.tamano : PIEZA_MAX_TAM_MATRIZ;
}

// Block positions in 64 bits: near INT32_MAX, x + 15·j no longer fits the
// painter's coordinates, and such a block cannot be placed at all.
void pintar_celdas(const pieza_t& pieza, int32_t x, int32_t y, int16_t color) {
  const int32_t n = lado(pieza);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      const int64_t bx = static_cast<int64_t>(x) + PIEZA_TAM_BLOQUE * j;
      const int64_t by = static_cast<int64_t>(y) + PIEZA_TAM_BLOQUE * i;
      if (pieza.matriz[i][j] != 0 && bx <= INT32_MAX && by <= INT32_MAX) {
        bloque_pintar(static_cast<int32_t>(bx), static_cast<int32_t>(by), color);
      }
    }
  }
}

}  // namespace

void pieza_inicializar(pieza_t* pptr, pieza_tipo_t tipo) {
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  ASSERT(tipo < PIEZA_NUM_PIEZAS, "Tipo de pieza incorrecto");
  *pptr = *plantillas[tipo];
}

void pieza_rotar(pieza_t* pptr, int32_t sentido) {
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  const int32_t n = lado(*pptr);
  int8_t temp[PIEZA_MAX_TAM_MATRIZ][PIEZA_MAX_TAM_MATRIZ] = {};
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (sentido == DERECHA) {
        temp[j][n - 1 - i] = pptr->matriz[i][j];
      } else {
        temp[n - 1 - j][i] = pptr->matriz[i][j];
      }
    }
  }
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      pptr->matriz[i][j] = temp[i][j];
    }
  }
}

void pieza_pintar(const pieza_t* pptr, int32_t x, int32_t y) {
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  pintar_celdas(*pptr, x, y, pptr->color);
}

void pieza_borrar(const pieza_t* pptr, int32_t x, int32_t y) {
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  pintar_celdas(*pptr, x, y, 0);
}

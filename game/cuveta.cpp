#include "cuveta.h"

#include <cstddef>

#include "bloque.h"
#include "error.h"

static_assert(offsetof(cuveta_t, matriz) == 0);
static_assert(offsetof(cuveta_t, x_pantalla) == sizeof(int) * CUVETA_ALTO * CUVETA_ANCHO);
static_assert(offsetof(cuveta_t, y_pantalla) == offsetof(cuveta_t, x_pantalla) + sizeof(int));

namespace {

// Column 0 starts seven blocks from the left edge; row 0 at the top.
constexpr int X_PANTALLA_INICIAL = 7 * BLOQUE_TAMANO;
constexpr int Y_PANTALLA_INICIAL = 0;

constexpr int16_t COLOR_MARCO = -1;  // white

// The side actually used; a piece whose size was damaged still never reaches
// past its 4 x 4 matrix.
int32_t lado(const pieza_t& pieza) {
  return pieza.tamano < PIEZA_MAX_TAM_MATRIZ ? pieza.tamano : PIEZA_MAX_TAM_MATRIZ;
}

// Well cell under matrix cell (i, j) of a piece at (x, y). Wide enough that
// no int32_t position can overflow.
struct Celda {
  int64_t fila;
  int64_t columna;
};

Celda celda(int32_t x, int32_t y, int32_t i, int32_t j) {
  return {static_cast<int64_t>(y) + i, static_cast<int64_t>(x) + j};
}

bool en_la_cuveta(Celda c) {
  return c.fila >= 0 && c.fila < CUVETA_ALTO && c.columna >= 0 && c.columna < CUVETA_ANCHO;
}

bool fila_llena(const int (&fila)[CUVETA_ANCHO]) {
  for (int valor : fila) {
    if (valor == 0) {
      return false;
    }
  }
  return true;
}

bool choca(const cuveta_t& cuveta, Celda c) {
  if (c.fila >= CUVETA_ALTO || c.columna >= CUVETA_ANCHO || c.columna < 0) {
    return true;  // floor or walls
  }
  return c.fila >= 0 && cuveta.matriz[c.fila][c.columna] != 0;
}

bool interseca(const cuveta_t& cuveta, const pieza_t& pieza, int32_t x, int32_t y) {
  const int32_t n = lado(pieza);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (pieza.matriz[i][j] != 0 && choca(cuveta, celda(x, y, i, j))) {
        return true;
      }
    }
  }
  return false;
}

bool desborda_por_arriba(const pieza_t& pieza, int32_t y) {
  const int32_t n = lado(pieza);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (pieza.matriz[i][j] != 0 && static_cast<int64_t>(y) + i < 0) {
        return true;
      }
    }
  }
  return false;
}

// Pixel positions in 64 bits: 15·x overflows int32_t once x passes about
// 143 million, and the origin itself is any int the caller stored.
int64_t pixel(int32_t origen, int64_t bloques) {
  return static_cast<int64_t>(origen) + BLOQUE_TAMANO * bloques;
}

bool cabe_en_int32(int64_t v) { return v >= INT32_MIN && v <= INT32_MAX; }

// A block whose position does not fit the painter's coordinates cannot be
// placed, so it is not painted.
void pintar_bloque(int64_t x, int64_t y, int16_t color) {
  if (cabe_en_int32(x) && cabe_en_int32(y)) {
    bloque_pintar(static_cast<int32_t>(x), static_cast<int32_t>(y), color);
  }
}

// Through the piece module whenever the piece's origin fits its
// coordinates. An origin just below INT32_MIN does not, yet the blocks right
// of it or below it may: those are painted here, one by one.
void dibujar_pieza(const cuveta_t& cuveta, const pieza_t& pieza, int32_t x, int32_t y,
                   bool borrar) {
  const int64_t px = pixel(cuveta.x_pantalla, x);
  const int64_t py = pixel(cuveta.y_pantalla, y);
  if (cabe_en_int32(px) && cabe_en_int32(py)) {
    if (borrar) {
      pieza_borrar(&pieza, static_cast<int32_t>(px), static_cast<int32_t>(py));
    } else {
      pieza_pintar(&pieza, static_cast<int32_t>(px), static_cast<int32_t>(py));
    }
    return;
  }
  const int16_t color = borrar ? 0 : pieza.color;
  const int32_t n = lado(pieza);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      if (pieza.matriz[i][j] != 0) {
        pintar_bloque(px + BLOQUE_TAMANO * j, py + BLOQUE_TAMANO * i, color);
      }
    }
  }
}

}  // namespace

void cuveta_inicializar(cuveta_t* cptr) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  for (auto& fila : cptr->matriz) {
    for (int& valor : fila) {
      valor = 0;
    }
  }
  cptr->x_pantalla = X_PANTALLA_INICIAL;
  cptr->y_pantalla = Y_PANTALLA_INICIAL;
}

void cuveta_revisar_filas(cuveta_t* cptr, int32_t* filas_eliminadas) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(filas_eliminadas != nullptr, "El puntero filas_eliminadas es nulo");
  // Removing a row moves only the rows above it, already found not full, so
  // one pass from the top finds every full row.
  int32_t cuenta = 0;
  for (int32_t fila = 0; fila < CUVETA_ALTO; ++fila) {
    if (fila_llena(cptr->matriz[fila])) {
      cuveta_eliminar_fila(cptr, fila);
      ++cuenta;
    }
  }
  *filas_eliminadas = cuenta;
}

void cuveta_eliminar_fila(cuveta_t* cptr, int32_t fila) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(fila >= 0 && fila < CUVETA_ALTO, "Argumento fila fuera de rango");
  for (int32_t r = fila; r > 0; --r) {
    for (int32_t c = 0; c < CUVETA_ANCHO; ++c) {
      cptr->matriz[r][c] = cptr->matriz[r - 1][c];
    }
  }
  for (int& valor : cptr->matriz[0]) {
    valor = 0;
  }
}

void cuveta_hay_desbordamiento(const cuveta_t* cptr, const pieza_t* pptr, int32_t /*x*/, int32_t y,
                               bool_t* desborda) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  ASSERT(desborda != nullptr, "El puntero desborda es nulo");
  *desborda = desborda_por_arriba(*pptr, y) ? TRUE : FALSE;
}

void cuveta_pintar_pieza(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  dibujar_pieza(*cptr, *pptr, x, y, false);
}

void cuveta_borrar_pieza(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  dibujar_pieza(*cptr, *pptr, x, y, true);
}

void cuveta_fijar_pieza(cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  const int32_t n = lado(*pptr);
  for (int32_t i = 0; i < n; ++i) {
    for (int32_t j = 0; j < n; ++j) {
      const Celda c = celda(x, y, i, j);
      if (pptr->matriz[i][j] != 0 && en_la_cuveta(c)) {
        cptr->matriz[c.fila][c.columna] = pptr->color;
      }
    }
  }
}

void cuveta_hay_interseccion(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y,
                             bool_t* hay_interseccion) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  ASSERT(pptr != nullptr, "El puntero pptr es nulo");
  ASSERT(hay_interseccion != nullptr, "El puntero hay_interseccion es nulo");
  *hay_interseccion = interseca(*cptr, *pptr, x, y) ? TRUE : FALSE;
}

void cuveta_pintar(const cuveta_t* cptr) {
  ASSERT(cptr != nullptr, "El puntero cptr es nulo");
  const int32_t x0 = cptr->x_pantalla;
  const int32_t y0 = cptr->y_pantalla;
  // A U-shaped frame: both walls reach one block below row 16, where the
  // floor joins them.
  for (int32_t i = 0; i <= CUVETA_ALTO; ++i) {
    pintar_bloque(pixel(x0, -1), pixel(y0, i), COLOR_MARCO);
    pintar_bloque(pixel(x0, CUVETA_ANCHO), pixel(y0, i), COLOR_MARCO);
  }
  for (int32_t j = 0; j <= CUVETA_ANCHO; ++j) {
    pintar_bloque(pixel(x0, j - 1), pixel(y0, CUVETA_ALTO), COLOR_MARCO);
  }
  // Empty cells go out in black too, which wipes a falling piece drawn over
  // the grid.
  for (int32_t r = 0; r < CUVETA_ALTO; ++r) {
    for (int32_t c = 0; c < CUVETA_ANCHO; ++c) {
      pintar_bloque(pixel(x0, c), pixel(y0, r), static_cast<int16_t>(cptr->matriz[r][c]));
    }
  }
}

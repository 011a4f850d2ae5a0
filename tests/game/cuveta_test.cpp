// Well module: grid, collision, overflow, settling, row removal, drawing and
// argument checks.
#include "cuveta.h"

#include <gtest/gtest.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include "error_stop.h"
#include "painter_recorder.h"

extern "C" {
extern size_t c_disposicion[8];
void c_crear_te(pieza_t* pptr);
}

namespace {

using Celdas = std::array<std::array<int, CUVETA_ANCHO>, CUVETA_ALTO>;

Celdas celdas(const cuveta_t& c) {
  Celdas out;
  for (int r = 0; r < CUVETA_ALTO; ++r) {
    for (int col = 0; col < CUVETA_ANCHO; ++col) {
      out[r][col] = c.matriz[r][col];
    }
  }
  return out;
}

cuveta_t vacia() {
  cuveta_t c;
  cuveta_inicializar(&c);
  return c;
}

void llenar_fila(cuveta_t& c, int fila, int valor) {
  for (int& celda : c.matriz[fila]) {
    celda = valor;
  }
}

// Every cell different, so any move shows.
cuveta_t numerada() {
  cuveta_t c = vacia();
  for (int r = 0; r < CUVETA_ALTO; ++r) {
    for (int col = 0; col < CUVETA_ANCHO; ++col) {
      c.matriz[r][col] = 100 * r + col + 1;
    }
  }
  return c;
}

pieza_t pieza(const pieza_t& plantilla, std::initializer_list<int32_t> giros = {}) {
  pieza_t p = plantilla;
  for (int32_t sentido : giros) {
    pieza_rotar(&p, sentido);
  }
  return p;
}

// A 2 x 2 square with an occupied cell outside its square at (3,3), and a
// te turned upside down (top row empty) with one at (0,3).
pieza_t cuadrado_con_celda_fuera() {
  pieza_t p = pieza_cuadrado;
  p.matriz[3][3] = 1;
  return p;
}
pieza_t te_invertida_con_celda_fuera() {
  pieza_t p = pieza(pieza_te, {DERECHA, DERECHA});
  p.matriz[0][3] = 1;
  return p;
}

pieza_t con_tamano(const pieza_t& plantilla, int32_t tamano) {
  pieza_t p = plantilla;
  p.tamano = tamano;
  return p;
}

class CuvetaTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_painter_calls(); }
};

TEST_F(CuvetaTest, InicializarEmptiesTheWellAndPlacesIt) {
  cuveta_t c;
  std::memset(&c, 0x5A, sizeof c);
  cuveta_inicializar(&c);
  EXPECT_EQ(celdas(c), Celdas{});
  EXPECT_EQ(c.x_pantalla, 105);
  EXPECT_EQ(c.y_pantalla, 0);
}

TEST_F(CuvetaTest, PintarDrawsWallsFloorThenEveryCellInOrder) {
  const cuveta_t c = vacia();
  cuveta_pintar(&c);
  std::vector<PainterCall> esperado;
  for (int y = 0; y <= 255; y += 15) {
    esperado.push_back({90, y, -1});
    esperado.push_back({255, y, -1});
  }
  for (int x = 90; x <= 240; x += 15) {
    esperado.push_back({x, 255, -1});
  }
  for (int y = 0; y <= 240; y += 15) {
    for (int x = 105; x <= 240; x += 15) {
      esperado.push_back({x, y, 0});
    }
  }
  ASSERT_EQ(esperado.size(), 18u + 18u + 11u + 170u);
  EXPECT_EQ(painter_calls(), esperado);
}

TEST_F(CuvetaTest, PintarUsesTheOriginAndTheLow16BitsOfEachCell) {
  cuveta_t c = vacia();
  c.x_pantalla = 30;
  c.y_pantalla = 20;
  c.matriz[0][0] = -2048;
  c.matriz[5][5] = 0x1F800;
  c.matriz[16][9] = 0x12345;
  c.matriz[2][3] = 0xFFFF;
  cuveta_pintar(&c);
  const auto& calls = painter_calls();
  ASSERT_EQ(calls.size(), 217u);
  EXPECT_EQ(calls[0], (PainterCall{15, 20, -1}));
  EXPECT_EQ(calls[1], (PainterCall{180, 20, -1}));
  EXPECT_EQ(calls[35], (PainterCall{180, 275, -1}));
  EXPECT_EQ(calls[36], (PainterCall{15, 275, -1}));
  EXPECT_EQ(calls[46], (PainterCall{165, 275, -1}));
  const size_t celda0 = 47;
  EXPECT_EQ(calls[celda0], (PainterCall{30, 20, -2048}));
  EXPECT_EQ(calls[celda0 + 55], (PainterCall{105, 95, -2048}));
  EXPECT_EQ(calls[celda0 + 23], (PainterCall{75, 50, -1}));
  EXPECT_EQ(calls[celda0 + 169], (PainterCall{165, 260, 0x2345}));
}

TEST_F(CuvetaTest, SettledRedPieceHoldsItsSignedColourAndIsDrawnInIt) {
  cuveta_t c = vacia();
  const pieza_t palo = pieza_palo;
  cuveta_fijar_pieza(&c, &palo, 0, 13);
  Celdas esperado{};
  for (int r = 13; r <= 16; ++r) {
    esperado[r][1] = -2048;
  }
  EXPECT_EQ(celdas(c), esperado);
  cuveta_pintar(&c);
  const size_t celda0 = 47;
  for (int r = 13; r <= 16; ++r) {
    EXPECT_EQ(painter_calls()[celda0 + 10 * r + 1], (PainterCall{120, 15 * r, -2048}));
  }
}

struct Ocupadas {
  bool todas;                                   // every cell of the well settled...
  std::vector<std::array<int, 2>> excepciones;  // ...except these (or only these)
};

cuveta_t con_ocupadas(const Ocupadas& o) {
  cuveta_t c = vacia();
  for (auto& fila : c.matriz) {
    for (int& celda : fila) {
      celda = o.todas ? 7 : 0;
    }
  }
  for (auto [r, col] : o.excepciones) {
    c.matriz[r][col] = o.todas ? 0 : 7;
  }
  return c;
}

TEST_F(CuvetaTest, CollisionWithWallsFloorAndSettledBlocks) {
  struct Caso {
    const char* nombre;
    pieza_t pieza;
    int32_t x;
    int32_t y;
    Ocupadas ocupadas;
    bool choca;
  };
  const Ocupadas nada{false, {}};
  const Caso casos[] = {
      {"bar in column 0", pieza_palo, -1, 0, nada, false},
      {"bar past the left wall", pieza_palo, -2, 0, nada, true},
      {"bar in column 9", pieza_palo, 8, 0, nada, false},
      {"bar past the right wall", pieza_palo, 9, 0, nada, true},
      {"bar on the floor", pieza_palo, 0, 13, nada, false},
      {"bar through the floor", pieza_palo, 0, 14, nada, true},
      {"lying bar in row 16", pieza(pieza_palo, {DERECHA}), 0, 15, nada, false},
      {"lying bar in row 17", pieza(pieza_palo, {DERECHA}), 0, 16, nada, true},
      {"above the top of a full well", pieza_palo, 0, -4, {true, {}}, false},
      {"past the wall above the top", pieza_palo, -2, -4, nada, true},
      {"past the right wall above the top", pieza(pieza_palo, {DERECHA}), 7, -4, nada, true},
      {"reaching row 0 of a full well", pieza_palo, 0, -3, {true, {}}, true},
      {"reaching a free row-0 cell", pieza_palo, 0, -3, {true, {{0, 1}}}, false},
      {"over a settled block", pieza_cuadrado, 3, 5, {false, {{6, 4}}}, true},
      {"beside a settled block", pieza_cuadrado, 3, 5, {false, {{5, 5}, {7, 3}}}, false},
      {"empty matrix cells over blocks", pieza_te, 0, 0, {false, {{0, 0}, {0, 2}}}, false},
      {"blocks under every empty cell",
       pieza_te,
       4,
       10,
       {true, {{10, 5}, {11, 4}, {11, 5}, {11, 6}}},
       false},
      {"cell outside the square ignored", cuadrado_con_celda_fuera(), 8, 14, nada, false},
      {"damaged size read as 4", con_tamano(pieza_palo, 40), 0, 13, nada, false},
      {"far right", pieza_cuadrado, INT32_MAX, 0, nada, true},
      {"far left", pieza_cuadrado, INT32_MIN, 0, nada, true},
      {"far below", pieza_cuadrado, 0, INT32_MAX, nada, true},
      {"far below, empty top row", pieza(pieza_palo, {DERECHA}), 0, INT32_MAX, nada, true},
      {"far above", pieza_cuadrado, 0, INT32_MIN, nada, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    const cuveta_t cuveta = con_ocupadas(c.ocupadas);
    bool_t resultado = c.choca ? FALSE : TRUE;
    cuveta_hay_interseccion(&cuveta, &c.pieza, c.x, c.y, &resultado);
    EXPECT_EQ(resultado, c.choca ? TRUE : FALSE);
    EXPECT_EQ(celdas(cuveta), celdas(con_ocupadas(c.ocupadas)));
  }
}

TEST_F(CuvetaTest, OverflowDependsOnlyOnOccupiedCellsAboveRow0) {
  struct Caso {
    const char* nombre;
    pieza_t pieza;
    int32_t x;
    int32_t y;
    bool desborda;
  };
  const Caso casos[] = {
      {"bar one row up", pieza_palo, 3, -1, true},
      {"bar at row 0", pieza_palo, 3, 0, false},
      {"x plays no part", pieza_palo, -100, -1, true},
      {"lying bar, empty top row", pieza(pieza_palo, {DERECHA}), 3, -1, false},
      {"lying bar two rows up", pieza(pieza_palo, {DERECHA}), 3, -2, true},
      {"square one row up", pieza_cuadrado, 3, -1, true},
      {"cell outside the square ignored", te_invertida_con_celda_fuera(), 3, -1, false},
      {"far above", pieza_cuadrado, 0, INT32_MIN, true},
      {"far below", pieza_cuadrado, 0, INT32_MAX, false},
      {"far below, empty top row", pieza(pieza_palo, {DERECHA}), 0, INT32_MAX, false},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    // A full well: the grid must not matter.
    const cuveta_t cuveta = con_ocupadas({true, {}});
    bool_t resultado = c.desborda ? FALSE : TRUE;
    cuveta_hay_desbordamiento(&cuveta, &c.pieza, c.x, c.y, &resultado);
    EXPECT_EQ(resultado, c.desborda ? TRUE : FALSE);
  }
}

TEST_F(CuvetaTest, SettlingDropsCellsOutsideTheGrid) {
  struct Caso {
    const char* nombre;
    pieza_t pieza;
    int32_t x;
    int32_t y;
    std::vector<std::array<int, 2>> fijadas;
  };
  const Caso casos[] = {
      {"partly above the top", pieza_palo, 2, -2, {{0, 3}, {1, 3}}},
      {"wholly above the top", pieza_palo, 2, -4, {}},
      {"partly past the left wall", pieza(pieza_palo, {DERECHA}), -2, 0, {{1, 0}, {1, 1}}},
      {"past the right wall, not into the next row", pieza_palo, 9, 3, {}},
      {"partly past the right wall", pieza(pieza_palo, {DERECHA}), 8, 0, {{1, 8}, {1, 9}}},
      {"partly below the floor", pieza_palo, 0, 14, {{14, 1}, {15, 1}, {16, 1}}},
      {"cell outside the square ignored",
       cuadrado_con_celda_fuera(),
       0,
       0,
       {{0, 0}, {0, 1}, {1, 0}, {1, 1}}},
      {"far away", pieza_cuadrado, INT32_MAX, INT32_MAX, {}},
      {"damaged size read as 4",
       con_tamano(pieza_palo, 40),
       0,
       0,
       {{0, 1}, {1, 1}, {2, 1}, {3, 1}}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    cuveta_t cuveta = vacia();
    cuveta.matriz[16][9] = 3;
    cuveta_fijar_pieza(&cuveta, &c.pieza, c.x, c.y);
    Celdas esperado{};
    esperado[16][9] = 3;
    for (auto [r, col] : c.fijadas) {
      esperado[r][col] = c.pieza.color;
    }
    EXPECT_EQ(celdas(cuveta), esperado);
    EXPECT_EQ(cuveta.x_pantalla, 105);
    EXPECT_EQ(cuveta.y_pantalla, 0);
  }
}

TEST_F(CuvetaTest, EliminarFilaMovesOnlyTheRowsAbove) {
  for (int32_t fila : {0, 5, 16}) {
    SCOPED_TRACE(fila);
    const cuveta_t antes = numerada();
    cuveta_t c = antes;
    cuveta_eliminar_fila(&c, fila);
    Celdas esperado = celdas(antes);
    for (int r = fila; r > 0; --r) {
      esperado[r] = celdas(antes)[r - 1];
    }
    esperado[0] = {};
    EXPECT_EQ(celdas(c), esperado);
  }
}

TEST_F(CuvetaTest, RevisarFilasRemovesEveryFullRowInOnePass) {
  {
    SCOPED_TRACE("rows 15 and 16");
    cuveta_t c = vacia();
    llenar_fila(c, 15, 1);
    llenar_fila(c, 16, 2);
    int32_t n = -1;
    cuveta_revisar_filas(&c, &n);
    EXPECT_EQ(n, 2);
    EXPECT_EQ(celdas(c), Celdas{});
  }
  {
    SCOPED_TRACE("rows 10 and 12, not 11");
    const cuveta_t antes = [] {
      cuveta_t c = numerada();
      for (int r = 0; r < CUVETA_ALTO; ++r) {
        c.matriz[r][r % CUVETA_ANCHO] = 0;  // no row full...
      }
      llenar_fila(c, 10, 1);  // ...but these two
      llenar_fila(c, 12, 2);
      return c;
    }();
    cuveta_t c = antes;
    int32_t n = -1;
    cuveta_revisar_filas(&c, &n);
    EXPECT_EQ(n, 2);
    const Celdas viejo = celdas(antes);
    Celdas esperado{};
    for (int r = 0; r <= 9; ++r) {
      esperado[r + 2] = viejo[r];
    }
    esperado[12] = viejo[11];
    for (int r = 13; r <= 16; ++r) {
      esperado[r] = viejo[r];
    }
    EXPECT_EQ(celdas(c), esperado);
  }
  {
    SCOPED_TRACE("every row");
    cuveta_t c = numerada();
    int32_t n = -1;
    cuveta_revisar_filas(&c, &n);
    EXPECT_EQ(n, 17);
    EXPECT_EQ(celdas(c), Celdas{});
  }
  {
    SCOPED_TRACE("no row full: holes first and last");
    cuveta_t c = numerada();
    for (int r = 0; r < CUVETA_ALTO; ++r) {
      c.matriz[r][r % 2 == 0 ? 0 : CUVETA_ANCHO - 1] = 0;
    }
    const cuveta_t antes = c;
    int32_t n = -1;
    cuveta_revisar_filas(&c, &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(celdas(c), celdas(antes));
  }
}

TEST_F(CuvetaTest, PieceDrawnAtItsCellPositionUnclipped) {
  const pieza_t te = pieza_te;
  const pieza_t palo = pieza_palo;
  const cuveta_t c = vacia();
  cuveta_t otra = vacia();
  otra.x_pantalla = 30;
  otra.y_pantalla = 20;
  const int16_t verde = 0x07E0;
  struct Caso {
    const char* nombre;
    std::function<void()> llamada;
    std::vector<PainterCall> esperado;
  };
  const Caso casos[] = {
      {"te at (0, 0)",
       [&] { cuveta_pintar_pieza(&c, &te, 0, 0); },
       {{120, 0, verde}, {105, 15, verde}, {120, 15, verde}, {135, 15, verde}}},
      {"te erased at (0, 0)",
       [&] { cuveta_borrar_pieza(&c, &te, 0, 0); },
       {{120, 0, 0}, {105, 15, 0}, {120, 15, 0}, {135, 15, 0}}},
      {"te above the top",
       [&] { cuveta_pintar_pieza(&c, &te, 2, -1); },
       {{150, -15, verde}, {135, 0, verde}, {150, 0, verde}, {165, 0, verde}}},
      {"bar from another origin",
       [&] { cuveta_pintar_pieza(&otra, &palo, -1, 0); },
       {{30, 20, -2048}, {30, 35, -2048}, {30, 50, -2048}, {30, 65, -2048}}},
      {"bar erased from another origin",
       [&] { cuveta_borrar_pieza(&otra, &palo, -1, -2); },
       {{30, -10, 0}, {30, 5, 0}, {30, 20, 0}, {30, 35, 0}}},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.nombre);
    clear_painter_calls();
    caso.llamada();
    EXPECT_EQ(painter_calls(), caso.esperado);
  }
}

TEST_F(CuvetaTest, FailedChecksStopBeforeAnythingIsWritten) {
  // Full rows, so a removal that ran before its check would show.
  const cuveta_t original = [] {
    cuveta_t c = numerada();
    c.matriz[3][3] = 0;
    return c;
  }();
  cuveta_t c = original;
  const pieza_t p = pieza_palo;
  const bool_t sin_tocar = 0x7F;
  bool_t bandera = sin_tocar;
  int32_t filas = -7;

  struct Caso {
    const char* funcion;
    const char* mensaje;
    std::function<void()> llamada;
  };
  const char* cptr = "El puntero cptr es nulo";
  const char* pptr = "El puntero pptr es nulo";
  const char* rango = "Argumento fila fuera de rango";
  const char* desborda = "El puntero desborda es nulo";
  const char* interseccion = "El puntero hay_interseccion es nulo";
  const Caso casos[] = {
      {"cuveta_inicializar", cptr, [&] { cuveta_inicializar(nullptr); }},
      {"cuveta_revisar_filas", cptr, [&] { cuveta_revisar_filas(nullptr, &filas); }},
      {"cuveta_revisar_filas", cptr, [&] { cuveta_revisar_filas(nullptr, nullptr); }},
      {"cuveta_revisar_filas", "El puntero filas_eliminadas es nulo",
       [&] { cuveta_revisar_filas(&c, nullptr); }},
      {"cuveta_eliminar_fila", cptr, [&] { cuveta_eliminar_fila(nullptr, 3); }},
      {"cuveta_eliminar_fila", cptr, [&] { cuveta_eliminar_fila(nullptr, 17); }},
      {"cuveta_eliminar_fila", rango, [&] { cuveta_eliminar_fila(&c, -1); }},
      {"cuveta_eliminar_fila", rango, [&] { cuveta_eliminar_fila(&c, 17); }},
      {"cuveta_eliminar_fila", rango, [&] { cuveta_eliminar_fila(&c, INT32_MIN); }},
      {"cuveta_eliminar_fila", rango, [&] { cuveta_eliminar_fila(&c, INT32_MAX); }},
      {"cuveta_hay_desbordamiento", cptr,
       [&] { cuveta_hay_desbordamiento(nullptr, &p, 0, -1, &bandera); }},
      {"cuveta_hay_desbordamiento", cptr,
       [&] { cuveta_hay_desbordamiento(nullptr, nullptr, 0, -1, nullptr); }},
      {"cuveta_hay_desbordamiento", pptr,
       [&] { cuveta_hay_desbordamiento(&c, nullptr, 0, -1, &bandera); }},
      {"cuveta_hay_desbordamiento", pptr,
       [&] { cuveta_hay_desbordamiento(&c, nullptr, 0, -1, nullptr); }},
      {"cuveta_hay_desbordamiento", desborda,
       [&] { cuveta_hay_desbordamiento(&c, &p, 0, -1, nullptr); }},
      {"cuveta_pintar_pieza", cptr, [&] { cuveta_pintar_pieza(nullptr, &p, 0, 0); }},
      {"cuveta_pintar_pieza", cptr, [&] { cuveta_pintar_pieza(nullptr, nullptr, 0, 0); }},
      {"cuveta_pintar_pieza", pptr, [&] { cuveta_pintar_pieza(&c, nullptr, 0, 0); }},
      {"cuveta_borrar_pieza", cptr, [&] { cuveta_borrar_pieza(nullptr, &p, 0, 0); }},
      {"cuveta_borrar_pieza", pptr, [&] { cuveta_borrar_pieza(&c, nullptr, 0, 0); }},
      {"cuveta_fijar_pieza", cptr, [&] { cuveta_fijar_pieza(nullptr, &p, 0, 0); }},
      {"cuveta_fijar_pieza", pptr, [&] { cuveta_fijar_pieza(&c, nullptr, 0, 0); }},
      {"cuveta_hay_interseccion", cptr,
       [&] { cuveta_hay_interseccion(nullptr, &p, 0, 20, &bandera); }},
      {"cuveta_hay_interseccion", cptr,
       [&] { cuveta_hay_interseccion(nullptr, nullptr, 0, 20, nullptr); }},
      {"cuveta_hay_interseccion", pptr,
       [&] { cuveta_hay_interseccion(&c, nullptr, 0, 20, &bandera); }},
      {"cuveta_hay_interseccion", interseccion,
       [&] { cuveta_hay_interseccion(&c, &p, 0, 20, nullptr); }},
      {"cuveta_pintar", cptr, [&] { cuveta_pintar(nullptr); }},
  };
  for (const Caso& caso : casos) {
    SCOPED_TRACE(caso.funcion + std::string(": ") + caso.mensaje);
    const ErrorStop stop = expect_error_stop(caso.llamada);
    EXPECT_EQ(stop.file, "cuveta.cpp");
    EXPECT_EQ(stop.function, caso.funcion);
    EXPECT_EQ(stop.message, caso.mensaje);
    EXPECT_GT(stop.line, 0);
    EXPECT_EQ(celdas(c), celdas(original));
    EXPECT_EQ(c.x_pantalla, original.x_pantalla);
    EXPECT_EQ(bandera, sin_tocar);
    EXPECT_EQ(filas, -7);
    EXPECT_TRUE(painter_calls().empty());
  }
}

TEST_F(CuvetaTest, CCallersSeeTheSameRecords) {
  const size_t cpp[] = {
      sizeof(pieza_tipo_t),           sizeof(pieza_t),
      offsetof(pieza_t, tamano),      offsetof(pieza_t, matriz),
      offsetof(pieza_t, color),       sizeof(cuveta_t),
      offsetof(cuveta_t, x_pantalla), offsetof(cuveta_t, y_pantalla),
  };
  EXPECT_EQ(std::to_array(c_disposicion), std::to_array(cpp));
  EXPECT_EQ(c_disposicion[0], 1u);
  pieza_t p{};
  c_crear_te(&p);
  EXPECT_EQ(std::memcmp(p.matriz, pieza_te.matriz, sizeof p.matriz), 0);
  EXPECT_EQ(p.color, pieza_te.color);
}

// Far from the screen the pixel position no longer fits 32 bits: only the
// blocks that the painter can place are painted, and nothing overflows on
// the way. The piece is the four corners of a 4 x 4 square, so every case
// shows which corners of it stay.
struct Extremo {
  const char* nombre;
  std::function<void()> llamada;
  std::vector<PainterCall> esperado;
};

void PrintTo(const Extremo& extremo, std::ostream* os) { *os << extremo.nombre; }

pieza_t esquinas() {
  pieza_t p = pieza_palo;
  std::memset(p.matriz, 0, sizeof p.matriz);
  p.matriz[0][0] = p.matriz[0][3] = p.matriz[3][0] = p.matriz[3][3] = 1;
  return p;
}

class PosicionExtrema : public ::testing::TestWithParam<Extremo> {
 protected:
  void SetUp() override { clear_painter_calls(); }
};

TEST_P(PosicionExtrema, PaintsOnlyTheBlocksThatFit) {
  GetParam().llamada();
  EXPECT_EQ(painter_calls(), GetParam().esperado);
}

const pieza_t cuatro_esquinas = esquinas();
const cuveta_t cuveta_inicial = vacia();
constexpr int16_t rojo = -2048;

// The well's column 0 is at pixel 105, so column 143165569 is at 2147483640
// and column -143165584 at -2147483655, 7 below INT32_MIN.
INSTANTIATE_TEST_SUITE_P(
    Cuveta, PosicionExtrema,
    ::testing::Values(
        Extremo{"LastColumnThatFits",
                [] { cuveta_pintar_pieza(&cuveta_inicial, &cuatro_esquinas, 143165569, 0); },
                {{2147483640, 0, rojo}, {2147483640, 45, rojo}}},
        Extremo{"OriginJustLeftOfTheRange",
                [] { cuveta_pintar_pieza(&cuveta_inicial, &cuatro_esquinas, -143165584, 0); },
                {{-2147483610, 0, rojo}, {-2147483610, 45, rojo}}},
        Extremo{"OriginJustLeftOfTheRangeErased",
                [] { cuveta_borrar_pieza(&cuveta_inicial, &cuatro_esquinas, -143165584, 0); },
                {{-2147483610, 0, 0}, {-2147483610, 45, 0}}},
        Extremo{"OriginJustAboveTheRange",
                [] { cuveta_pintar_pieza(&cuveta_inicial, &cuatro_esquinas, 0, -143165578); },
                {{105, -2147483625, rojo}, {150, -2147483625, rojo}}},
        Extremo{"LastRowThatFits",
                [] { cuveta_borrar_pieza(&cuveta_inicial, &cuatro_esquinas, 0, 143165576); },
                {{105, 2147483640, 0}, {150, 2147483640, 0}}},
        Extremo{"LargestCell",
                [] { cuveta_pintar_pieza(&cuveta_inicial, &cuatro_esquinas, INT32_MAX, INT32_MAX); },
                {}},
        Extremo{"SmallestCell",
                [] { cuveta_borrar_pieza(&cuveta_inicial, &cuatro_esquinas, INT32_MIN, INT32_MIN); },
                {}},
        Extremo{"PieceAtTheCornerOfThePixelRange",
                [] { pieza_pintar(&cuatro_esquinas, INT32_MAX - 44, INT32_MIN); },
                {{2147483603, INT32_MIN, rojo}, {2147483603, -2147483603, rojo}}},
        Extremo{"WellWithTheFrameOffTheRange",
                [] {
                  cuveta_t c = vacia();
                  c.x_pantalla = INT32_MIN;
                  c.y_pantalla = INT32_MAX - 240;
                  c.matriz[16][0] = rojo;
                  cuveta_pintar(&c);
                  // Only the right wall above the corner and the cells fit.
                  const auto& calls = painter_calls();
                  ASSERT_EQ(calls.size(), 17u + 170u);
                  EXPECT_EQ(calls[0], (PainterCall{INT32_MIN + 150, INT32_MAX - 240, -1}));
                  EXPECT_EQ(calls[16], (PainterCall{INT32_MIN + 150, INT32_MAX, -1}));
                  EXPECT_EQ(calls[17], (PainterCall{INT32_MIN, INT32_MAX - 240, 0}));
                  EXPECT_EQ(calls[17 + 160], (PainterCall{INT32_MIN, INT32_MAX, rojo}));
                  clear_painter_calls();
                },
                {}}),
    [](const ::testing::TestParamInfo<Extremo>& caso) { return std::string(caso.param.nombre); });

}  // namespace

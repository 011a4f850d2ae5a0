// Piece module: templates, quarter turns, drawing and argument checks.
#include "pieza.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "error_stop.h"
#include "painter_recorder.h"

namespace {

using Filas = std::array<std::string, PIEZA_MAX_TAM_MATRIZ>;

// The whole 4 x 4 matrix, one digit per cell, so cells outside the square
// show up too.
Filas filas(const pieza_t& p) {
  Filas out;
  for (int i = 0; i < PIEZA_MAX_TAM_MATRIZ; ++i) {
    for (int j = 0; j < PIEZA_MAX_TAM_MATRIZ; ++j) {
      out[i] += static_cast<char>('0' + p.matriz[i][j]);
    }
  }
  return out;
}

pieza_t con_filas(int32_t tamano, const Filas& f, int16_t color = 0x1234) {
  pieza_t p{};
  p.tipo = PIEZA_TE;
  p.tamano = tamano;
  p.color = color;
  for (int i = 0; i < PIEZA_MAX_TAM_MATRIZ; ++i) {
    for (int j = 0; j < PIEZA_MAX_TAM_MATRIZ; ++j) {
      p.matriz[i][j] = static_cast<int8_t>(f[i][j] - '0');
    }
  }
  return p;
}

void expect_same(const pieza_t& got, const pieza_t& want) {
  EXPECT_EQ(got.tipo, want.tipo);
  EXPECT_EQ(got.tamano, want.tamano);
  EXPECT_EQ(filas(got), filas(want));
  EXPECT_EQ(got.color, want.color);
}

const pieza_t* const plantillas[PIEZA_NUM_PIEZAS] = {
    &pieza_palo, &pieza_cuadrado, &pieza_ese, &pieza_zeta, &pieza_ele, &pieza_elereves, &pieza_te};

// A piece record that no operation would produce, to see what was written.
pieza_t basura() { return con_filas(3, {"9999", "9999", "9999", "9999"}, 0x5555); }

class PiezaTest : public ::testing::Test {
 protected:
  void SetUp() override { clear_painter_calls(); }
};

TEST_F(PiezaTest, TemplatesHoldTheKindsTable) {
  struct Caso {
    const pieza_t* plantilla;
    pieza_tipo_t tipo;
    int32_t tamano;
    Filas filas;
    uint16_t color;
  };
  const Caso casos[] = {
      {&pieza_palo, PIEZA_PALO, 4, {"0100", "0100", "0100", "0100"}, 0xF800},
      {&pieza_cuadrado, PIEZA_CUADRADO, 2, {"1100", "1100", "0000", "0000"}, 0x001F},
      {&pieza_ese, PIEZA_ESE, 3, {"0110", "1100", "0000", "0000"}, 0x07FF},
      {&pieza_zeta, PIEZA_ZETA, 3, {"1100", "0110", "0000", "0000"}, 0xF81F},
      {&pieza_ele, PIEZA_ELE, 3, {"0100", "0100", "0110", "0000"}, 0xFFE0},
      {&pieza_elereves, PIEZA_ELEREVES, 3, {"0100", "0100", "1100", "0000"}, 0xFC00},
      {&pieza_te, PIEZA_TE, 3, {"0100", "1110", "0000", "0000"}, 0x07E0},
  };
  int valor = 0;
  for (const Caso& c : casos) {
    SCOPED_TRACE(static_cast<int>(c.tipo));
    EXPECT_EQ(static_cast<int>(c.tipo), valor++);
    EXPECT_EQ(c.plantilla->tipo, c.tipo);
    EXPECT_EQ(c.plantilla->tamano, c.tamano);
    EXPECT_EQ(filas(*c.plantilla), c.filas);
    EXPECT_EQ(static_cast<uint16_t>(c.plantilla->color), c.color);
  }
}

TEST_F(PiezaTest, InicializarCopiesTheTemplateAndRestoresItAfterTurns) {
  for (int k = 0; k < PIEZA_NUM_PIEZAS; ++k) {
    SCOPED_TRACE(k);
    const pieza_t antes = *plantillas[k];
    pieza_t p = basura();
    pieza_inicializar(&p, static_cast<pieza_tipo_t>(k));
    expect_same(p, *plantillas[k]);

    pieza_rotar(&p, DERECHA);
    p.color = 0x0101;
    pieza_inicializar(&p, static_cast<pieza_tipo_t>(k));
    expect_same(p, *plantillas[k]);
    expect_same(*plantillas[k], antes);
  }
}

TEST_F(PiezaTest, QuarterTurnsEitherWay) {
  struct Caso {
    const char* nombre;
    pieza_t pieza;
    int32_t sentido;
    Filas esperado;
  };
  // Distinct values show exactly where each cell goes.
  const pieza_t numeros = con_filas(3, {"1230", "4560", "7890", "0000"});
  const Caso casos[] = {
      {"numbers clockwise", numeros, DERECHA, {"7410", "8520", "9630", "0000"}},
      {"numbers counter-clockwise", numeros, IZQUIERDA, {"3690", "2580", "1470", "0000"}},
      {"numbers, sentido 5", numeros, 5, {"3690", "2580", "1470", "0000"}},
      {"numbers, sentido -1", numeros, -1, {"3690", "2580", "1470", "0000"}},
      {"square clockwise", pieza_cuadrado, DERECHA, {"1100", "1100", "0000", "0000"}},
      {"square counter-clockwise", pieza_cuadrado, IZQUIERDA, {"1100", "1100", "0000", "0000"}},
      {"bar clockwise", pieza_palo, DERECHA, {"0000", "1111", "0000", "0000"}},
      {"bar counter-clockwise", pieza_palo, IZQUIERDA, {"0000", "0000", "1111", "0000"}},
      {"ele clockwise", pieza_ele, DERECHA, {"0000", "1110", "1000", "0000"}},
      {"ele counter-clockwise", pieza_ele, IZQUIERDA, {"0010", "1110", "0000", "0000"}},
      {"elereves clockwise", pieza_elereves, DERECHA, {"1000", "1110", "0000", "0000"}},
      {"ese clockwise", pieza_ese, DERECHA, {"0100", "0110", "0010", "0000"}},
      {"zeta clockwise", pieza_zeta, DERECHA, {"0010", "0110", "0100", "0000"}},
      {"te clockwise", pieza_te, DERECHA, {"0100", "0110", "0100", "0000"}},
      {"te counter-clockwise", pieza_te, IZQUIERDA, {"0100", "1100", "0100", "0000"}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.nombre);
    pieza_t p = c.pieza;
    pieza_rotar(&p, c.sentido);
    EXPECT_EQ(filas(p), c.esperado);
    EXPECT_EQ(p.tipo, c.pieza.tipo);
    EXPECT_EQ(p.tamano, c.pieza.tamano);
    EXPECT_EQ(p.color, c.pieza.color);
  }
}

TEST_F(PiezaTest, OppositeTurnsAndFourEqualTurnsRestoreTheMatrix) {
  std::vector<pieza_t> piezas;
  for (const pieza_t* p : plantillas) {
    piezas.push_back(*p);
  }
  piezas.push_back(con_filas(4, {"1234", "5678", "9123", "4567"}));
  piezas.push_back(con_filas(3, {"1200", "0030", "4560", "0000"}));
  for (const pieza_t& original : piezas) {
    SCOPED_TRACE(testing::PrintToString(filas(original)));
    for (int32_t primero : {DERECHA, IZQUIERDA}) {
      pieza_t p = original;
      pieza_rotar(&p, primero);
      pieza_rotar(&p, primero == DERECHA ? IZQUIERDA : DERECHA);
      EXPECT_EQ(filas(p), filas(original));
      for (int vuelta = 0; vuelta < 4; ++vuelta) {
        pieza_rotar(&p, primero);
      }
      EXPECT_EQ(filas(p), filas(original));
    }
  }
}

TEST_F(PiezaTest, CellsOutsideTheSquareStayPutAndAreNeverPainted) {
  struct Caso {
    int32_t tamano;
    Filas filas;
    std::vector<PainterCall> pintadas;
  };
  const Caso casos[] = {
      {2, {"1270", "3407", "7000", "0007"}, {{0, 0, 9}, {15, 0, 9}, {0, 15, 9}, {15, 15, 9}}},
      {3, {"0107", "1110", "0000", "7770"}, {{15, 0, 9}, {0, 15, 9}, {15, 15, 9}, {30, 15, 9}}},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.tamano);
    pieza_t p = con_filas(c.tamano, c.filas, 9);
    for (int32_t sentido : {DERECHA, DERECHA, IZQUIERDA, DERECHA, DERECHA}) {
      pieza_rotar(&p, sentido);
      for (int i = 0; i < PIEZA_MAX_TAM_MATRIZ; ++i) {
        for (int j = 0; j < PIEZA_MAX_TAM_MATRIZ; ++j) {
          if (i >= c.tamano || j >= c.tamano) {
            EXPECT_EQ(p.matriz[i][j], c.filas[i][j] - '0') << i << "," << j;
          }
        }
      }
    }
    // Back to the start after net zero turns (three right, one left, ...).
    pieza_rotar(&p, IZQUIERDA);
    pieza_rotar(&p, IZQUIERDA);
    pieza_rotar(&p, IZQUIERDA);
    EXPECT_EQ(filas(p), c.filas);
    clear_painter_calls();
    pieza_pintar(&p, 0, 0);
    EXPECT_EQ(painter_calls(), c.pintadas);
  }
}

// A record whose size was damaged is handled as if clamped to 4 (or 0), and
// never read or written past its matrix.
TEST_F(PiezaTest, DamagedSizeStaysInsideTheMatrix) {
  const Filas numeros = {"1234", "5678", "9123", "4567"};
  pieza_t grande = con_filas(9, numeros);
  pieza_t cuatro = con_filas(4, numeros);
  pieza_rotar(&grande, DERECHA);
  pieza_rotar(&cuatro, DERECHA);
  EXPECT_EQ(filas(grande), filas(cuatro));
  pieza_pintar(&grande, 0, 0);
  EXPECT_EQ(painter_calls().size(), 16u);

  pieza_t negativo = con_filas(-3, numeros);
  clear_painter_calls();
  pieza_rotar(&negativo, IZQUIERDA);
  pieza_pintar(&negativo, 0, 0);
  EXPECT_EQ(filas(negativo), numeros);
  EXPECT_TRUE(painter_calls().empty());
}

TEST_F(PiezaTest, PaintAndEraseTeAt105_0) {
  pieza_t p;
  pieza_inicializar(&p, PIEZA_TE);
  pieza_pintar(&p, 105, 0);
  const int16_t verde = 0x07E0;
  EXPECT_EQ(painter_calls(),
            (std::vector<PainterCall>{
                {120, 0, verde}, {105, 15, verde}, {120, 15, verde}, {135, 15, verde}}));
  clear_painter_calls();
  pieza_borrar(&p, 105, 0);
  EXPECT_EQ(painter_calls(),
            (std::vector<PainterCall>{{120, 0, 0}, {105, 15, 0}, {120, 15, 0}, {135, 15, 0}}));
}

TEST_F(PiezaTest, NegativeCoordinatesAndSignedColourPassThrough) {
  pieza_t p;
  pieza_inicializar(&p, PIEZA_PALO);
  pieza_pintar(&p, -30, -45);
  EXPECT_EQ(painter_calls(),
            (std::vector<PainterCall>{
                {-15, -45, -2048}, {-15, -30, -2048}, {-15, -15, -2048}, {-15, 0, -2048}}));
}

TEST_F(PiezaTest, FailedChecksStopBeforeAnythingIsWritten) {
  pieza_t p = basura();
  struct Caso {
    const char* funcion;
    const char* mensaje;
    std::function<void()> llamada;
  };
  const char* nulo = "El puntero pptr es nulo";
  const Caso casos[] = {
      {"pieza_inicializar", nulo, [] { pieza_inicializar(nullptr, PIEZA_TE); }},
      {"pieza_inicializar", nulo, [] { pieza_inicializar(nullptr, static_cast<pieza_tipo_t>(7)); }},
      {"pieza_inicializar", "Tipo de pieza incorrecto",
       [&] { pieza_inicializar(&p, static_cast<pieza_tipo_t>(7)); }},
      {"pieza_inicializar", "Tipo de pieza incorrecto",
       [&] { pieza_inicializar(&p, static_cast<pieza_tipo_t>(255)); }},
      {"pieza_rotar", nulo, [] { pieza_rotar(nullptr, DERECHA); }},
      {"pieza_pintar", nulo, [] { pieza_pintar(nullptr, 0, 0); }},
      {"pieza_borrar", nulo, [] { pieza_borrar(nullptr, 0, 0); }},
  };
  for (const Caso& c : casos) {
    SCOPED_TRACE(c.funcion + std::string(": ") + c.mensaje);
    const ErrorStop stop = expect_error_stop(c.llamada);
    EXPECT_EQ(stop.file, "pieza.cpp");
    EXPECT_EQ(stop.function, c.funcion);
    EXPECT_EQ(stop.message, c.mensaje);
    EXPECT_GT(stop.line, 0);
    expect_same(p, basura());
    EXPECT_TRUE(painter_calls().empty());
  }
}

}  // namespace

// Text-mode run of the game core: a scripted sequence of pieces is turned,
// moved and dropped into the well with the collision test deciding every
// step; after each piece settles, full rows are removed and the well is
// printed as the block painter left the screen.
#include <cstdio>
#include <cstdlib>

#include "bloque.h"
#include "cuveta.h"
#include "error.h"
#include "glcd.h"
#include "pieza.h"

#include "host/output_check.h"

namespace {

// The panel as a grid of blocks, holding the colour of the last block painted
// at each place.
constexpr int COLUMNAS_PANTALLA = GLCD_TAMANO_X / BLOQUE_TAMANO;
constexpr int FILAS_PANTALLA = GLCD_TAMANO_Y / BLOQUE_TAMANO;
int16_t pantalla[FILAS_PANTALLA][COLUMNAS_PANTALLA];

struct Tipo {
  const pieza_t* plantilla;
  const char* nombre;
  char letra;
};

const Tipo tipos[PIEZA_NUM_PIEZAS] = {
    {&pieza_palo, "palo", 'I'}, {&pieza_cuadrado, "cuadrado", 'O'},
    {&pieza_ese, "ese", 'S'},   {&pieza_zeta, "zeta", 'Z'},
    {&pieza_ele, "ele", 'L'},   {&pieza_elereves, "elereves", 'J'},
    {&pieza_te, "te", 'T'},
};

char letra_de_color(int16_t color) {
  if (color == 0) {
    return '.';
  }
  if (color == -1) {
    return '#';  // frame
  }
  for (const Tipo& tipo : tipos) {
    if (tipo.plantilla->color == color) {
      return tipo.letra;
    }
  }
  return '?';
}

// One piece of the script: its kind and what the player does before it drops.
// D and I turn right (clockwise) and left, < and > move one column.
struct Jugada {
  pieza_tipo_t tipo;
  const char* acciones;
};

// The first three pieces fill the bottom row; the next five fill the two
// bottom rows at once; the last ones show refused moves and turns.
constexpr Jugada guion[] = {
    {PIEZA_PALO, "D<<<"},      {PIEZA_PALO, "I>"},      {PIEZA_CUADRADO, ">>>>>>"},
    {PIEZA_ELE, "I<<"},        {PIEZA_ELE, "D<<<"},     {PIEZA_CUADRADO, ">"},
    {PIEZA_CUADRADO, ">>>>>"}, {PIEZA_CUADRADO, ">>>"}, {PIEZA_PALO, "<<<<<D"},
    {PIEZA_TE, "DD>>"},        {PIEZA_ZETA, "I"},
};

// New pieces appear wholly above the well, around its middle.
constexpr int32_t X_INICIAL = 3;
constexpr int32_t Y_INICIAL = -PIEZA_MAX_TAM_MATRIZ;

struct Partida {
  cuveta_t cuveta;
  pieza_t pieza;
  int32_t x;
  int32_t y;
};

bool cabe(const Partida& p, const pieza_t& pieza, int32_t x, int32_t y) {
  bool_t choca = FALSE;
  cuveta_hay_interseccion(&p.cuveta, &pieza, x, y, &choca);
  return choca == FALSE;
}

// Erase at the old place with the old matrix, then draw the new state.
void colocar(Partida& p, const pieza_t& pieza, int32_t x, int32_t y) {
  cuveta_borrar_pieza(&p.cuveta, &p.pieza, p.x, p.y);
  p.pieza = pieza;
  p.x = x;
  p.y = y;
  cuveta_pintar_pieza(&p.cuveta, &p.pieza, p.x, p.y);
}

void girar(Partida& p, int32_t sentido) {
  pieza_t girada = p.pieza;
  pieza_rotar(&girada, sentido);
  const char* nombre = sentido == DERECHA ? "derecha" : "izquierda";
  if (cabe(p, girada, p.x, p.y)) {
    colocar(p, girada, p.x, p.y);
    std::printf("  gira a la %s\n", nombre);
  } else {
    std::printf("  gira a la %s: rechazado, chocaria\n", nombre);
  }
}

void mover(Partida& p, int32_t paso) {
  const int32_t destino = p.x + paso;
  if (cabe(p, p.pieza, destino, p.y)) {
    colocar(p, p.pieza, destino, p.y);
    std::printf("  pasa a la columna %d\n", static_cast<int>(p.x));
  } else {
    std::printf("  pasar a la columna %d: rechazado, chocaria\n", static_cast<int>(destino));
  }
}

void dejar_caer(Partida& p) {
  while (cabe(p, p.pieza, p.x, p.y + 1)) {
    colocar(p, p.pieza, p.x, p.y + 1);
  }
  std::printf("  cae hasta la posicion (%d, %d)\n", static_cast<int>(p.x), static_cast<int>(p.y));
}

void imprimir_cuveta(const cuveta_t& cuveta) {
  const int primera = cuveta.x_pantalla / BLOQUE_TAMANO - 1;
  const int ultima = primera + CUVETA_ANCHO + 1;
  const int arriba = cuveta.y_pantalla / BLOQUE_TAMANO;
  for (int fila = arriba; fila <= arriba + CUVETA_ALTO; ++fila) {
    std::printf("    ");
    for (int columna = primera; columna <= ultima; ++columna) {
      std::putchar(letra_de_color(pantalla[fila][columna]));
    }
    std::putchar('\n');
  }
}

// Plays one piece; false when it settles sticking out above the well.
bool jugar(Partida& p, const Jugada& jugada, int numero) {
  std::printf("Pieza %d: %s\n", numero, tipos[jugada.tipo].nombre);
  pieza_inicializar(&p.pieza, jugada.tipo);
  p.x = X_INICIAL;
  p.y = Y_INICIAL;
  cuveta_pintar_pieza(&p.cuveta, &p.pieza, p.x, p.y);
  for (const char* accion = jugada.acciones; *accion != '\0'; ++accion) {
    switch (*accion) {
      case 'D':
        girar(p, DERECHA);
        break;
      case 'I':
        girar(p, IZQUIERDA);
        break;
      case '<':
        mover(p, -1);
        break;
      case '>':
        mover(p, 1);
        break;
      default:
        break;
    }
  }
  dejar_caer(p);

  bool_t desborda = FALSE;
  cuveta_hay_desbordamiento(&p.cuveta, &p.pieza, p.x, p.y, &desborda);
  cuveta_fijar_pieza(&p.cuveta, &p.pieza, p.x, p.y);
  int32_t filas = 0;
  cuveta_revisar_filas(&p.cuveta, &filas);
  cuveta_pintar(&p.cuveta);
  imprimir_cuveta(p.cuveta);
  std::printf("  filas eliminadas: %d\n\n", static_cast<int>(filas));
  return desborda == FALSE;
}

}  // namespace

// Text painter: remembers each block on the panel grid; blocks off the panel
// (a piece still above the well) are not shown.
extern "C" void bloque_pintar(int32_t x, int32_t y, int16_t color) {
  if (x < 0 || y < 0 || x % BLOQUE_TAMANO != 0 || y % BLOQUE_TAMANO != 0) {
    return;
  }
  const int32_t columna = x / BLOQUE_TAMANO;
  const int32_t fila = y / BLOQUE_TAMANO;
  if (columna < COLUMNAS_PANTALLA && fila < FILAS_PANTALLA) {
    pantalla[fila][columna] = color;
  }
}

extern "C" void parar_con_error(const char* fichero, const char* funcion, int linea,
                                const char* mensaje) {
  std::fprintf(stderr, "error: %s:%d, %s: %s\n", fichero, linea, funcion, mensaje);
  std::exit(EXIT_FAILURE);
}

int main() {
  static Partida partida;
  cuveta_inicializar(&partida.cuveta);
  cuveta_pintar(&partida.cuveta);
  std::printf("Cuveta vacia:\n");
  imprimir_cuveta(partida.cuveta);
  std::printf("\n");

  int numero = 1;
  for (const Jugada& jugada : guion) {
    if (!jugar(partida, jugada, numero++)) {
      std::printf("La ultima pieza sobresale por arriba: fin de la partida.\n");
      break;
    }
  }
  return host::finish_output(0, "demo_juego");
}

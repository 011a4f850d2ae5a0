// Falling pieces of the game: the seven kinds and their templates, quarter
// turns, and drawing or erasing a piece through the block painter.
#ifndef PIEZA_H
#define PIEZA_H

#include <stdint.h>

#define PIEZA_NUM_PIEZAS 7
#define PIEZA_MAX_TAM_MATRIZ 4
#define PIEZA_TAM_BLOQUE 15  // side of one block in pixels, as the painter draws it

// Senses of a quarter turn, as seen on the screen.
#define DERECHA 0    // clockwise
#define IZQUIERDA 1  // counter-clockwise

#ifdef __cplusplus
extern "C" {
#endif

// One byte in C and in C++, so both see the same piece record.
#ifdef __cplusplus
typedef enum : uint8_t {
#else
typedef enum __attribute__((packed)) {
#endif
  PIEZA_PALO = 0,
  PIEZA_CUADRADO = 1,
  PIEZA_ESE = 2,
  PIEZA_ZETA = 3,
  PIEZA_ELE = 4,
  PIEZA_ELEREVES = 5,
  PIEZA_TE = 6
} pieza_tipo_t;

// A piece uses the tamano x tamano top-left square of its matrix; row 0 is the
// top row on the screen. Non-zero cells are occupied.
typedef struct {
  pieza_tipo_t tipo;
  int32_t tamano;
  int8_t matriz[PIEZA_MAX_TAM_MATRIZ][PIEZA_MAX_TAM_MATRIZ];
  int16_t color;  // RGB565, never 0 (the background)
} pieza_t;

// Templates of the seven kinds, in the order of pieza_tipo_t.
extern const pieza_t pieza_palo;
extern const pieza_t pieza_cuadrado;
extern const pieza_t pieza_ese;
extern const pieza_t pieza_zeta;
extern const pieza_t pieza_ele;
extern const pieza_t pieza_elereves;
extern const pieza_t pieza_te;

// Overwrites *pptr with the template of kind tipo.
void pieza_inicializar(pieza_t* pptr, pieza_tipo_t tipo);
// Turns the piece a quarter turn: DERECHA clockwise, any other value
// counter-clockwise. Cells outside the tamano square are left as they are.
void pieza_rotar(pieza_t* pptr, int32_t sentido);
// Draws the occupied cells in the piece's colour; (x, y) is the pixel
// position of matrix cell (0,0). Coordinates are not clipped.
void pieza_pintar(const pieza_t* pptr, int32_t x, int32_t y);
// Draws the same cells as pieza_pintar in black, the background.
void pieza_borrar(const pieza_t* pptr, int32_t x, int32_t y);

#ifdef __cplusplus
}
#endif

#endif

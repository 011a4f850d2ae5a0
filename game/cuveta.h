// The well of the game: 17 rows by 10 columns of settled blocks drawn at a
// fixed place on the LCD. It answers collision and overflow questions about a
// falling piece, settles pieces, removes full rows and draws itself.
#ifndef CUVETA_H
#define CUVETA_H

#include <stdint.h>

#include "error.h"
#include "pieza.h"
#include "tipos.h"

#define CUVETA_ANCHO 10
#define CUVETA_ALTO 17

#ifdef __cplusplus
extern "C" {
#endif

// Cells are indexed [row][column], row 0 at the top. 0 is empty; any other
// value is a settled block in that colour (the piece's colour sign-extended).
typedef struct {
  int matriz[CUVETA_ALTO][CUVETA_ANCHO];
  int x_pantalla;  // pixel x of the left edge of column 0
  int y_pantalla;  // pixel y of the top edge of row 0
} cuveta_t;

// A piece position (x, y) is the well column and row of the piece's matrix
// cell (0,0); it may lie outside the well.

// Empties the well and puts it at its place on the screen.
void cuveta_inicializar(cuveta_t* cptr);
// Removes every full row and stores how many there were.
void cuveta_revisar_filas(cuveta_t* cptr, int32_t* filas_eliminadas);
// Removes row fila (0 to 16), moving the rows above it down one row.
void cuveta_eliminar_fila(cuveta_t* cptr, int32_t fila);
// Whether the piece at (x, y) has an occupied cell above row 0.
void cuveta_hay_desbordamiento(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y,
                               bool_t* desborda);
// Draws or erases the piece at cell position (x, y), unclipped.
void cuveta_pintar_pieza(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y);
void cuveta_borrar_pieza(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y);
// Settles the piece at (x, y) into the grid; cells outside it are dropped.
void cuveta_fijar_pieza(cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y);
// Whether the piece at (x, y) hits a wall, the floor or a settled block.
void cuveta_hay_interseccion(const cuveta_t* cptr, const pieza_t* pptr, int32_t x, int32_t y,
                             bool_t* hay_interseccion);
// Draws the frame and every cell, empty ones in black.
void cuveta_pintar(const cuveta_t* cptr);

#ifdef __cplusplus
}
#endif

#endif

// Diagonal sum of a square matrix of signed 64-bit integers (x86-64 routine).
#ifndef ROUTINES_SUMAR_DIAGONAL_H
#define ROUTINES_SUMAR_DIAGONAL_H

#ifdef __cplusplus
extern "C" {
#endif

// Adds matriz[k][k] for k < n (row by row storage, sum modulo 2^64) into
// *resultado. Returns 1, or 0 without writing when a pointer is null or n is 0.
int sumar_diagonal(const long* matriz, unsigned long n, long* resultado);

#ifdef __cplusplus
}
#endif

#endif

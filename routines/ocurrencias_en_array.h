// Count of a value in an array of 32-bit integers (x86-64 routine).
#ifndef ROUTINES_OCURRENCIAS_EN_ARRAY_H
#define ROUTINES_OCURRENCIAS_EN_ARRAY_H

#ifdef __cplusplus
extern "C" {
#endif

// Stores in *resultado how many of array[0 .. longitud - 1] equal valor.
// Returns 1, or 0 without writing when a pointer is null or longitud is 0.
int ocurrencias_en_array(int valor, const int* array, unsigned long longitud, int* resultado);

#ifdef __cplusplus
}
#endif

#endif

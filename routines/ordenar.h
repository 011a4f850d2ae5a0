// In-place ascending bubble sort of signed 32-bit integers (x86-64 routine).
#ifndef ROUTINES_ORDENAR_H
#define ROUTINES_ORDENAR_H

#ifdef __cplusplus
extern "C" {
#endif

// Sorts array[0 .. n - 1] ascending, keeping equal values in order. Returns
// 0 for a null array (nothing touched), 1 otherwise; n = 0 touches nothing.
int ordenar(int* array, unsigned long n);

#ifdef __cplusplus
}
#endif

#endif

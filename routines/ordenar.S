// int ordenar(int* array, unsigned long n)
//
// Sorts array[0 .. n - 1] ascending in place by exchanging neighbours: n
// passes over the n - 1 pairs, exchanging a pair only when the second is
// smaller (signed), so equal values keep their order. Returns 0 for a null
// array and touches nothing; otherwise returns 1. With n = 0 or 1 there is
// no pair to compare, so it returns 1 at once without touching the array.
//
// System V x86-64: rdi = array, rsi = n; eax = status. Uses rcx, r8 to r11.
        .intel_syntax noprefix
        .text
        .globl  ordenar
        .type   ordenar, @function
ordenar:
        xor     eax, eax
        test    rdi, rdi
        jz      salida
        mov     eax, 1
        cmp     rsi, 1
        jbe     salida
        mov     r8, rsi                     // passes left
bucle_grande:
        mov     rcx, rdi                    // pair (k, k + 1) starts here
        lea     r9, [rsi - 1]               // pairs left in this pass
bucle:
        mov     r10d, dword ptr [rcx]
        mov     r11d, dword ptr [rcx + 4]
        cmp     r11d, r10d
        jge     continua
cambia:
        mov     dword ptr [rcx], r11d
        mov     dword ptr [rcx + 4], r10d
continua:
        add     rcx, 4
        dec     r9
        jnz     bucle
        dec     r8
        jnz     bucle_grande
salida:
        ret
        .size   ordenar, . - ordenar

        .section .note.GNU-stack, "", @progbits

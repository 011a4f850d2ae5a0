// int sumar_diagonal(const long* matriz, unsigned long n, long* resultado)
//
// Adds the main diagonal of an n x n matrix of signed 64-bit integers stored
// row by row; the sum wraps modulo 2^64. Returns 1 after storing the sum, or
// 0 without writing anything when a pointer is null or n is 0.
//
// System V x86-64: rdi = matriz, rsi = n, rdx = resultado; eax = status.
// Uses rcx, r8, r9.
        .intel_syntax noprefix
        .text
        .globl  sumar_diagonal
        .type   sumar_diagonal, @function
sumar_diagonal:
        test    rdi, rdi
        jz      error
        test    rsi, rsi
        jz      error
        test    rdx, rdx
        jz      error
        xor     r8d, r8d                    // sum
        lea     rcx, [rsi * 8 + 8]          // (n + 1) elements between diagonal cells
        mov     r9, rsi                     // cells left
bucle:
        add     r8, qword ptr [rdi]
        add     rdi, rcx
        dec     r9
        jnz     bucle
        mov     qword ptr [rdx], r8
        mov     eax, 1
        jmp     salida
error:
        xor     eax, eax
salida:
        ret
        .size   sumar_diagonal, . - sumar_diagonal

        .section .note.GNU-stack, "", @progbits

// int sse_renglones(const float* matriz, float* suma)
//
// Adds the four rows of a 4 x 4 single-precision matrix lane by lane, so
// suma[j] = ((m[0][j] + m[1][j]) + m[2][j]) + m[3][j], and stores the four
// sums. Returns 1, or 0 without writing anything when a pointer is null.
//
// System V x86-64: rdi = matriz, rsi = suma, both 16-byte aligned (aligned
// loads and store); eax = status. Uses rcx, rdx, xmm0, xmm1.
        .intel_syntax noprefix
        .text
        .globl  sse_renglones
        .type   sse_renglones, @function
sse_renglones:
        test    rdi, rdi
        jz      error
        test    rsi, rsi
        jz      error
        movaps  xmm0, xmmword ptr [rdi]     // row 0 starts the accumulator
        mov     rdx, rdi
        mov     ecx, 3
sumar:
        add     rdx, 16
        movaps  xmm1, xmmword ptr [rdx]
        addps   xmm0, xmm1
        dec     ecx
        jnz     sumar
        movdqa  xmmword ptr [rsi], xmm0
salida:
        mov     eax, 1
        ret
error:
        xor     eax, eax
        ret
        .size   sse_renglones, . - sse_renglones

        .section .note.GNU-stack, "", @progbits

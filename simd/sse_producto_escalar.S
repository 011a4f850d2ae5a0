// int sse_producto_escalar(const float* vector_1, const float* vector_2,
//                          uint32_t dimension, float* resultado)
//
// Scalar product of two single-precision vectors. Returns 1 after storing
// it, or 0 without writing anything when a pointer is null or dimension is 0.
// Any alignment is accepted (unaligned loads only).
//
// Summation order, fixed so the result is reproducible bit for bit:
//  - every product is rounded to single precision (no fused multiply-add);
//  - element i of the first 4 * (dimension / 4) goes to accumulator
//    (i / 4) % 8, lane i % 4, added in increasing i; the 0 to 7 groups of
//    four left after the last block of 32 all go to accumulator 0 instead;
//  - accumulators fold as ((a0 + a4) + (a2 + a6)) + ((a1 + a5) + (a3 + a7)),
//    then lanes as (l0 + l2) + (l1 + l3);
//  - the last dimension % 4 products are added one at a time, in order.
// Eight independent accumulators keep the adder pipelines busy instead of
// waiting on one dependency chain.
//
// System V x86-64: rdi = vector_1, rsi = vector_2, edx = dimension,
// rcx = resultado; eax = status. Uses r8, xmm0 to xmm15. Only 32-bit
// operations read edx, so the undefined upper half of rdx never counts.
        .intel_syntax noprefix
        .text
        .globl  sse_producto_escalar
        .type   sse_producto_escalar, @function
sse_producto_escalar:
        test    rdi, rdi
        jz      error
        test    rsi, rsi
        jz      error
        test    edx, edx
        jz      error
        test    rcx, rcx
        jz      error
        xorps   xmm0, xmm0
        xorps   xmm1, xmm1
        xorps   xmm2, xmm2
        xorps   xmm3, xmm3
        xorps   xmm4, xmm4
        xorps   xmm5, xmm5
        xorps   xmm6, xmm6
        xorps   xmm7, xmm7
        mov     r8d, edx
        shr     r8d, 5                      // blocks of 32 elements
        jz      grupos
bucle:
        movups  xmm8, xmmword ptr [rdi]
        movups  xmm9, xmmword ptr [rsi]
        movups  xmm10, xmmword ptr [rdi + 16]
        movups  xmm11, xmmword ptr [rsi + 16]
        mulps   xmm8, xmm9
        mulps   xmm10, xmm11
        addps   xmm0, xmm8
        addps   xmm1, xmm10
        movups  xmm12, xmmword ptr [rdi + 32]
        movups  xmm13, xmmword ptr [rsi + 32]
        movups  xmm14, xmmword ptr [rdi + 48]
        movups  xmm15, xmmword ptr [rsi + 48]
        mulps   xmm12, xmm13
        mulps   xmm14, xmm15
        addps   xmm2, xmm12
        addps   xmm3, xmm14
        movups  xmm8, xmmword ptr [rdi + 64]
        movups  xmm9, xmmword ptr [rsi + 64]
        movups  xmm10, xmmword ptr [rdi + 80]
        movups  xmm11, xmmword ptr [rsi + 80]
        mulps   xmm8, xmm9
        mulps   xmm10, xmm11
        addps   xmm4, xmm8
        addps   xmm5, xmm10
        movups  xmm12, xmmword ptr [rdi + 96]
        movups  xmm13, xmmword ptr [rsi + 96]
        movups  xmm14, xmmword ptr [rdi + 112]
        movups  xmm15, xmmword ptr [rsi + 112]
        mulps   xmm12, xmm13
        mulps   xmm14, xmm15
        addps   xmm6, xmm12
        addps   xmm7, xmm14
        add     rdi, 128
        add     rsi, 128
        dec     r8d
        jnz     bucle
grupos:
        mov     r8d, edx
        shr     r8d, 2
        and     r8d, 7                      // groups of four left
        jz      sumar_acumuladores
bucle_grupos:
        movups  xmm8, xmmword ptr [rdi]
        movups  xmm9, xmmword ptr [rsi]
        mulps   xmm8, xmm9
        addps   xmm0, xmm8
        add     rdi, 16
        add     rsi, 16
        dec     r8d
        jnz     bucle_grupos
sumar_acumuladores:
        addps   xmm0, xmm4
        addps   xmm1, xmm5
        addps   xmm2, xmm6
        addps   xmm3, xmm7
        addps   xmm0, xmm2
        addps   xmm1, xmm3
        addps   xmm0, xmm1
        movhlps xmm1, xmm0                  // lanes 2, 3 under lanes 0, 1
        addps   xmm0, xmm1
        movaps  xmm1, xmm0
        shufps  xmm1, xmm1, 0x55            // lane 1 under lane 0
        addss   xmm0, xmm1
        and     edx, 3                      // products left one by one
        jz      guardar
cola:
        movss   xmm8, dword ptr [rdi]
        mulss   xmm8, dword ptr [rsi]
        addss   xmm0, xmm8
        add     rdi, 4
        add     rsi, 4
        dec     edx
        jnz     cola
guardar:
        movss   dword ptr [rcx], xmm0
salida:
        mov     eax, 1
        ret
error:
        xor     eax, eax
        ret
        .size   sse_producto_escalar, . - sse_producto_escalar

        .section .note.GNU-stack, "", @progbits

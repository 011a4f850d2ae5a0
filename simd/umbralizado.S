// int umbralizado(uint8_t* datos, uint32_t ancho, uint32_t alto, uint32_t umbral)
//
// Turns the first ancho*alto bytes (product modulo 2^32) into black and white
// in place: a byte >= the threshold's low byte becomes 255, any other 0, both
// compared unsigned. Returns 1, or 0 without touching the buffer when datos is
// null or ancho, alto or umbral (all 32 bits) is 0. With 16 or more bytes the
// buffer must be 16-byte aligned: blocks move with aligned accesses. Needs SSSE3.
//
// System V x86-64: rdi = datos, esi = ancho, edx = alto, ecx = umbral; eax the
// result. Uses rax (block index, then result), rcx, rdx, rsi, rdi, xmm0 (shuffle control), xmm1 (the
// threshold in every lane) and xmm2 (pixels); all caller-saved.
        .intel_syntax noprefix
        .text
        .globl  umbralizado
        .type   umbralizado, @function
umbralizado:
        test    rdi, rdi
        jz      error
        test    esi, esi
        jz      error
        test    edx, edx
        jz      error
        test    ecx, ecx
        jz      error

        imul    esi, edx                // n, modulo 2^32
        movd    xmm1, ecx
        pxor    xmm0, xmm0
        pshufb  xmm1, xmm0              // byte 0 of the threshold into all 16 lanes

        mov     eax, esi
        and     eax, -16                // bytes in whole 16-byte blocks
        jz      menos_de_16_pixeles
        add     rdi, rax                // rdi past the blocks, rax counts up to 0
        neg     rax
        .p2align 5                      // a loop that straddles a 32-byte fetch block runs at half speed
bucle:
        movdqa  xmm2, [rdi + rax]
        pminub  xmm2, xmm1              // min(p, t) == t exactly when p >= t
        pcmpeqb xmm2, xmm1
        movdqa  [rdi + rax], xmm2
        add     rax, 16
        jnz     bucle

menos_de_16_pixeles:
        and     esi, 15
        jz      salida
        mov     edx, 255
bucle2:
        xor     eax, eax
        cmp     [rdi], cl               // unsigned: carry clear when p >= t
        cmovae  eax, edx
        mov     [rdi], al
        inc     rdi
        dec     esi
        jnz     bucle2

salida:
        mov     eax, 1
        ret

error:
        xor     eax, eax
        ret
        .size   umbralizado, . - umbralizado

        .section .note.GNU-stack, "", @progbits

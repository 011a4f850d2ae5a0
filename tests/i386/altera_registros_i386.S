// void altera_registros_i386(void)
//
// Test fixture that breaks the cdecl convention on purpose: it zeroes ebx,
// esi, edi and ebp, so the register check can be shown to notice.
        .intel_syntax noprefix
        .text
        .globl  altera_registros_i386
        .type   altera_registros_i386, @function
altera_registros_i386:
        xor     ebx, ebx
        xor     esi, esi
        xor     edi, edi
        xor     ebp, ebp
        ret
        .size   altera_registros_i386, . - altera_registros_i386

        .section .note.GNU-stack, "", @progbits

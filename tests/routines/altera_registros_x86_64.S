// void altera_registros_x86_64(void)
//
// Test fixture that breaks the System V x86-64 convention on purpose: it
// zeroes every callee-saved register except rsp, so the register check can
// be shown to notice.
        .intel_syntax noprefix
        .text
        .globl  altera_registros_x86_64
        .type   altera_registros_x86_64, @function
altera_registros_x86_64:
        xor     ebx, ebx
        xor     ebp, ebp
        xor     r12d, r12d
        xor     r13d, r13d
        xor     r14d, r14d
        xor     r15d, r15d
        ret
        .size   altera_registros_x86_64, . - altera_registros_x86_64

        .section .note.GNU-stack, "", @progbits

// uint32_t llamar_vigilando(void* rutina, uint8_t* datos, uint32_t ancho, uint32_t alto,
//                           uint32_t umbral, uint64_t registros[7])
//
// Test shim: loads registros[0..5] into rbx, rbp, r12, r13, r14 and r15, calls
// rutina(datos, ancho, alto, umbral), stores those registers back into
// registros[0..5] and the change of rsp across the call into registros[6]
// (0 when the routine balanced its stack). Returns the routine's result.
// System V x86-64: rdi = rutina, rsi = datos, edx = ancho, ecx = alto,
// r8d = umbral, r9 = registros; restores every callee-saved register itself.
        .intel_syntax noprefix
        .text
        .globl  llamar_vigilando
        .type   llamar_vigilando, @function
llamar_vigilando:
        push    rbx
        push    rbp
        push    r12
        push    r13
        push    r14
        push    r15
        push    r9                      // also leaves rsp 16-byte aligned for the call

        mov     rax, rdi
        mov     rdi, rsi
        mov     esi, edx
        mov     edx, ecx
        mov     ecx, r8d
        mov     rbx, [r9]
        mov     rbp, [r9 + 8]
        mov     r12, [r9 + 16]
        mov     r13, [r9 + 24]
        mov     r14, [r9 + 32]
        mov     r15, [r9 + 40]
        mov     [r9 + 48], rsp
        call    rax

        mov     r9, [rsp]
        mov     [r9], rbx
        mov     [r9 + 8], rbp
        mov     [r9 + 16], r12
        mov     [r9 + 24], r13
        mov     [r9 + 32], r14
        mov     [r9 + 40], r15
        sub     [r9 + 48], rsp

        pop     r9
        pop     r15
        pop     r14
        pop     r13
        pop     r12
        pop     rbp
        pop     rbx
        ret
        .size   llamar_vigilando, . - llamar_vigilando

        .section .note.GNU-stack, "", @progbits

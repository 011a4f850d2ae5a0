// uint64_t llamar_comprobando_registros(const void* rutina,
//                                       const uint64_t argumentos[4],
//                                       uint32_t* alterados)
//
// Fills rbx, rbp, r12 to r15 with known patterns, calls rutina with
// argumentos[0..3] in rdi, rsi, rdx, rcx, and sets one bit of *alterados per
// register that no longer holds its pattern. Returns rutina's rax.
//
// System V x86-64: rdi = rutina, rsi = argumentos, rdx = alterados.
// Saves and restores the caller's rbx, rbp, r12 to r15; uses r10, r11.
        .intel_syntax noprefix
        .text
        .globl  llamar_comprobando_registros
        .type   llamar_comprobando_registros, @function
llamar_comprobando_registros:
        push    rbx
        push    rbp
        push    r12
        push    r13
        push    r14
        push    r15
        push    rdx                         // alterados; also keeps rsp 16-aligned at the call
        mov     rax, rdi
        mov     r10, rsi
        mov     rdi, qword ptr [r10]
        mov     rsi, qword ptr [r10 + 8]
        mov     rdx, qword ptr [r10 + 16]
        mov     rcx, qword ptr [r10 + 24]
        movabs  rbx, 0xB0B1B2B3B4B5B6B7
        movabs  rbp, 0xBEBDBCBBBAB9B8B7
        movabs  r12, 0xC1C2C3C4C5C6C7C8
        movabs  r13, 0xD1D2D3D4D5D6D7D8
        movabs  r14, 0xE1E2E3E4E5E6E7E8
        movabs  r15, 0xF1F2F3F4F5F6F7F8
        call    rax
        xor     r10d, r10d
        movabs  r11, 0xB0B1B2B3B4B5B6B7
        cmp     rbx, r11
        je      comprobar_rbp
        or      r10d, 1
comprobar_rbp:
        movabs  r11, 0xBEBDBCBBBAB9B8B7
        cmp     rbp, r11
        je      comprobar_r12
        or      r10d, 2
comprobar_r12:
        movabs  r11, 0xC1C2C3C4C5C6C7C8
        cmp     r12, r11
        je      comprobar_r13
        or      r10d, 4
comprobar_r13:
        movabs  r11, 0xD1D2D3D4D5D6D7D8
        cmp     r13, r11
        je      comprobar_r14
        or      r10d, 8
comprobar_r14:
        movabs  r11, 0xE1E2E3E4E5E6E7E8
        cmp     r14, r11
        je      comprobar_r15
        or      r10d, 16
comprobar_r15:
        movabs  r11, 0xF1F2F3F4F5F6F7F8
        cmp     r15, r11
        je      informar
        or      r10d, 32
informar:
        pop     rdx
        mov     dword ptr [rdx], r10d
        pop     r15
        pop     r14
        pop     r13
        pop     r12
        pop     rbp
        pop     rbx
        ret
        .size   llamar_comprobando_registros, . - llamar_comprobando_registros

        .section .note.GNU-stack, "", @progbits

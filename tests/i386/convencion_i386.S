// uint32_t llamar_comprobando_registros_i386(const void* rutina,
//                                            const uint32_t argumentos[4],
//                                            uint32_t* alterados)
//
// Fills ebx, esi, edi and ebp with known patterns, calls rutina with the
// four arguments on the stack, and sets one bit of *alterados per register
// that no longer holds its pattern. Returns rutina's eax.
//
// i386 cdecl: [esp + 4] = rutina, [esp + 8] = argumentos,
// [esp + 12] = alterados. Saves and restores the caller's ebx, esi, edi,
// ebp; uses ecx, edx.
        .intel_syntax noprefix
        .text
        .globl  llamar_comprobando_registros_i386
        .type   llamar_comprobando_registros_i386, @function
llamar_comprobando_registros_i386:
        push    ebp
        push    ebx
        push    esi
        push    edi
        mov     eax, dword ptr [esp + 20]   // rutina
        mov     edx, dword ptr [esp + 24]   // argumentos
        push    dword ptr [edx + 12]
        push    dword ptr [edx + 8]
        push    dword ptr [edx + 4]
        push    dword ptr [edx]
        mov     ebx, 0xB1B2B3B4
        mov     esi, 0xC1C2C3C4
        mov     edi, 0xD1D2D3D4
        mov     ebp, 0xE1E2E3E4
        call    eax
        add     esp, 16
        xor     ecx, ecx
        cmp     ebx, 0xB1B2B3B4
        je      comprobar_esi
        or      ecx, 1
comprobar_esi:
        cmp     esi, 0xC1C2C3C4
        je      comprobar_edi
        or      ecx, 2
comprobar_edi:
        cmp     edi, 0xD1D2D3D4
        je      comprobar_ebp
        or      ecx, 4
comprobar_ebp:
        cmp     ebp, 0xE1E2E3E4
        je      informar
        or      ecx, 8
informar:
        mov     edx, dword ptr [esp + 28]   // alterados
        mov     dword ptr [edx], ecx
        pop     edi
        pop     esi
        pop     ebx
        pop     ebp
        ret
        .size   llamar_comprobando_registros_i386, . - llamar_comprobando_registros_i386

        .section .note.GNU-stack, "", @progbits

// char* uint_a_cadena_binario(unsigned int numero, char* cadena)
//
// Writes numero as 32 binary digits, most significant first, and a zero
// byte: 33 bytes. Returns cadena.
//
// i386 cdecl: [esp + 4] = numero, [esp + 8] = cadena; eax = cadena.
// Saves ebx; uses ecx, edx.
        .intel_syntax noprefix
        .text
        .globl  uint_a_cadena_binario
        .type   uint_a_cadena_binario, @function
uint_a_cadena_binario:
        push    ebx
        mov     eax, dword ptr [esp + 8]    // numero
        mov     edx, dword ptr [esp + 12]   // cadena
        mov     ecx, 32                     // bits left
bucle:
        shl     eax, 1                      // the bit shifted out lands in CF
        mov     bl, '0'
        adc     bl, 0
        mov     byte ptr [edx], bl
        inc     edx
        dec     ecx
        jnz     bucle
        mov     byte ptr [edx], 0
        mov     eax, dword ptr [esp + 12]
        pop     ebx
        ret
        .size   uint_a_cadena_binario, . - uint_a_cadena_binario

        .section .note.GNU-stack, "", @progbits

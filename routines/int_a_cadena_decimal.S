// char* int_a_cadena_decimal(int numero, char* cadena)
//
// Writes numero as ten decimal digits with leading zeros, after a '-' when
// it is negative, and a zero byte: 11 bytes, or 12 for a negative value.
// Returns cadena. The dividend is zero-extended, so -2147483648, which
// negates to itself, is divided as 2147483648.
//
// i386 cdecl: [esp + 4] = numero, [esp + 8] = cadena; eax = cadena.
// Saves ebx, esi, edi; uses ecx, edx.
        .intel_syntax noprefix
        .text
        .globl  int_a_cadena_decimal
        .type   int_a_cadena_decimal, @function
int_a_cadena_decimal:
        push    ebx
        push    esi
        push    edi
        mov     eax, dword ptr [esp + 16]   // numero
        mov     edi, dword ptr [esp + 20]   // cadena
        mov     ebx, 10                     // divisor
        mov     ecx, 10                     // digits to write
        test    eax, eax
        js      negativos
        mov     byte ptr [edi + 10], 0
        lea     esi, [edi + 9]
bucle:
        xor     edx, edx
        idiv    ebx
        add     dl, '0'
        mov     byte ptr [esi], dl
        dec     esi
        dec     ecx
        jnz     bucle
        jmp     fin
negativos:
        mov     byte ptr [edi + 11], 0
        lea     esi, [edi + 10]
        neg     eax
bucle_negativos:
        xor     edx, edx
        idiv    ebx
        add     dl, '0'
        mov     byte ptr [esi], dl
        dec     esi
        dec     ecx
        jnz     bucle_negativos
        mov     byte ptr [edi], '-'
fin:
        mov     eax, edi
        pop     edi
        pop     esi
        pop     ebx
        ret
        .size   int_a_cadena_decimal, . - int_a_cadena_decimal

        .section .note.GNU-stack, "", @progbits

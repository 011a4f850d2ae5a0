// int ocurrencias_en_array(int valor, const int* array, unsigned long longitud,
//                          int* resultado)
//
// Counts the elements of array[0 .. longitud - 1] equal to valor, keeping the
// count in the caller's storage. Returns 1 after counting, or 0 without
// writing anything when a pointer is null or longitud is 0.
//
// System V x86-64: edi = valor, rsi = array, rdx = longitud, rcx = resultado;
// eax = status. Uses no other register.
        .intel_syntax noprefix
        .text
        .globl  ocurrencias_en_array
        .type   ocurrencias_en_array, @function
ocurrencias_en_array:
        test    rsi, rsi
        jz      error
        test    rdx, rdx
        jz      error
        test    rcx, rcx
        jz      error
        mov     dword ptr [rcx], 0
bucle:
        cmp     dword ptr [rsi], edi
        jne     no_incrementar
        inc     dword ptr [rcx]
no_incrementar:
        add     rsi, 4
        dec     rdx
        jnz     bucle
        mov     eax, 1
        jmp     salida
error:
        xor     eax, eax
salida:
        ret
        .size   ocurrencias_en_array, . - ocurrencias_en_array

        .section .note.GNU-stack, "", @progbits

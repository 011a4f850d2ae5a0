// void extraer_campos_float(float dato, uint32_t* mantisa, uint8_t* exponente,
//                           uint8_t* signo)
//
// Splits the bit pattern of a single-precision float into its fraction
// (bits 0-22, one 32-bit word), biased exponent (bits 23-30, one byte) and
// sign (bit 31, one byte), written in that order. No floating-point
// instruction touches dato, so NaN payloads come through unchanged.
//
// i386 cdecl: [esp + 4] = dato, [esp + 8] = mantisa, [esp + 12] = exponente,
// [esp + 16] = signo. Uses eax, ecx, edx.
        .intel_syntax noprefix
        .text
        .globl  extraer_campos_float
        .type   extraer_campos_float, @function
extraer_campos_float:
        mov     eax, dword ptr [esp + 4]
        mov     ecx, eax
        and     ecx, 0x007FFFFF
        mov     edx, dword ptr [esp + 8]
        mov     dword ptr [edx], ecx
        mov     ecx, eax
        and     ecx, 0x7F800000
        shr     ecx, 23
        mov     edx, dword ptr [esp + 12]
        mov     byte ptr [edx], cl
        shr     eax, 31
        mov     edx, dword ptr [esp + 16]
        mov     byte ptr [edx], al
        ret
        .size   extraer_campos_float, . - extraer_campos_float

        .section .note.GNU-stack, "", @progbits

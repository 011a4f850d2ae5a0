// uint32_t logicas(uint32_t alto, uint32_t bajo)
//
// Returns the top byte of alto joined to the low three bytes of bajo:
// (alto & 0xFF000000) | (bajo & 0x00FFFFFF).
//
// i386 cdecl: [esp + 4] = alto, [esp + 8] = bajo; eax = result. Uses ecx.
        .intel_syntax noprefix
        .text
        .globl  logicas
        .type   logicas, @function
logicas:
        mov     eax, dword ptr [esp + 4]
        and     eax, 0xFF000000
        mov     ecx, dword ptr [esp + 8]
        and     ecx, 0x00FFFFFF
        or      eax, ecx
        ret
        .size   logicas, . - logicas

        .section .note.GNU-stack, "", @progbits

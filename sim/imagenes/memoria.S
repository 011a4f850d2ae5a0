// Test image: a loop whose passes leave every register as it was and change
// only a word of RAM. Nothing may skip it: `vueltas` counts every pass.
        .syntax unified
        .thumb
        .bss
        .align 2
        .global vueltas
vueltas: .word 0

        .text
        .global main
        .thumb_func
        .type main, %function
main:
        ldr r0, =vueltas
1:      ldr r1, [r0]
        adds r1, r1, #1
        str r1, [r0]
        movs r1, #0
        b 1b
        .size main, . - main

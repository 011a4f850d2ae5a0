// Test image: an interrupt taken in the middle of code that uses every core
// and FP register must give them all back. main loads patterns, pends IRQ 0
// whose handler overwrites everything it may, then counts the registers that
// changed into `errores`, sets `hecho`, and parks. The handler keeps the
// EXC_RETURN it saw in `exc_return_visto`.
        .syntax unified
        .thumb
        .bss
        .align 2
        .global errores, hecho, exc_return_visto, entradas
errores: .word 0
hecho: .word 0
exc_return_visto: .word 0
entradas: .word 0

        .text
        .global main
        .thumb_func
        .type main, %function
main:
        // Priority 0 for IRQ 0, enabled, interrupts on.
        ldr r0, =0xE000E400
        movs r1, #0
        strb r1, [r0]
        ldr r0, =0xE000E100
        movs r1, #1
        str r1, [r0]
        cpsie i
        // Patterns: rN = 0x1000 + N, sN = N + 0.5, flags N, Z, C, V set, FPSCR flags N and C.
        .irp n, 1,2,3,4,5,6,7,8,9,10,11,12
        ldr r\n, =(0x1000 + \n)
        .endr
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30
        vmov.f32 s\n, #(\n + 1)
        .endr
        ldr r0, =0xA0000000
        vmsr fpscr, r0
        ldr r0, =0xF0000000
        msr apsr_nzcvq, r0
        // Pend IRQ 0 from r0's pattern slot: the write to ISPR is the last
        // thing before the check; the barrier makes it taken here.
        ldr r0, =0xE000E200
        str r1, [r0]
        dsb
        isb
        // Flags first, before any compare changes them.
        mrs r0, apsr
        ldr r1, =errores
        ldr r2, =0xF0000000
        and r0, r0, #0xF8000000
        cmp r0, r2
        beq 1f
        bl fallo
1:      vmrs r0, fpscr
        ldr r2, =0xA0000000
        and r0, r0, #0xF0000000
        cmp r0, r2
        beq 2f
        bl fallo
2:      .irp n, 3,4,5,6,7,8,9,10,11,12
        ldr r0, =(0x1000 + \n)
        cmp r\n, r0
        beq 3f
        bl fallo
3:
        .endr
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30
        vmov.f32 s31, #(\n + 1)
        vcmp.f32 s\n, s31
        vmrs APSR_nzcv, fpscr
        beq 4f
        bl fallo
4:
        .endr
        ldr r0, =hecho
        movs r1, #1
        str r1, [r0]
fin:    b fin
        .size main, . - main

        // Counts one wrong register; keeps r3-r12 as they are.
        .thumb_func
        .type fallo, %function
fallo:  ldr r0, =errores
        ldr r2, [r0]
        adds r2, r2, #1
        str r2, [r0]
        bx lr
        .size fallo, . - fallo

        .global IRQ0_Handler
        .thumb_func
        .type IRQ0_Handler, %function
IRQ0_Handler:
        ldr r0, =exc_return_visto
        str lr, [r0]
        ldr r0, =entradas
        ldr r1, [r0]
        adds r1, r1, #1
        str r1, [r0]
        // Overwrite what the frame must bring back: r0-r3, r12, flags, s0-s15, FPSCR.
        movs r1, #0
        movs r2, #0
        movs r3, #0
        mov r12, r1
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15
        vmov.f32 s\n, #-2.0
        .endr
        vmsr fpscr, r1
        msr apsr_nzcvq, r1
        bx lr
        .size IRQ0_Handler, . - IRQ0_Handler

        // r0 = 0 or 4: takes IRQ 1 with SP at that offset from a multiple of
        // 8, and returns SP after the interrupt minus SP before it (0 when
        // the return undid the core's realignment); the handler keeps the
        // stacked xPSR in xpsr_apilado.
        .bss
        .align 2
        .global xpsr_apilado
xpsr_apilado: .word 0
        .text
        .global tomar_con_pila
        .thumb_func
        .type tomar_con_pila, %function
tomar_con_pila:
        push {r4, r5, lr}
        mov r4, sp
        bic r5, r4, #7
        sub r5, r5, #8
        add r5, r5, r0
        mov sp, r5
        ldr r1, =0xE000E401     // IRQ 1 priority 0, enabled, then pended
        movs r2, #0
        strb r2, [r1]
        ldr r1, =0xE000E100
        movs r2, #2
        str r2, [r1]
        ldr r1, =0xE000E200
        str r2, [r1]
        dsb
        isb
        mov r0, sp
        subs r0, r0, r5
        mov sp, r4
        pop {r4, r5, pc}
        .size tomar_con_pila, . - tomar_con_pila

        .global IRQ1_Handler
        .thumb_func
        .type IRQ1_Handler, %function
IRQ1_Handler:
        ldr r0, [sp, #28]
        ldr r1, =xpsr_apilado
        str r0, [r1]
        bx lr
        .size IRQ1_Handler, . - IRQ1_Handler

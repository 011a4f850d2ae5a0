// Start-up of the architecture program, the same for both memory maps:
// every exception goes through one trampoline that calls the C handler the
// current scenario installed for its number, with the stacked frame and
// EXC_RETURN, and returns through the EXC_RETURN the handler gives back.
        .syntax unified
        .thumb

        .equ N_EXCEPCIONES, 48

        .section .vectores, "a"
        .align 2
        .global arq_vectores
arq_vectores:
        .word __pila_fin
        .word arq_reset
        .rept N_EXCEPCIONES - 2
        .word arq_comun
        .endr

        .text
        .thumb_func
        .global arq_reset
        .type arq_reset, %function
arq_reset:
        // The FPU is off at reset; C code may use it from the first line.
        ldr r0, =0xE000ED88
        ldr r1, [r0]
        orr r1, r1, #(0xF << 20)
        str r1, [r0]
        dsb
        isb
        ldr r0, =__datos_inicio
        ldr r1, =__datos_fin
        ldr r2, =__datos_carga
1:      cmp r0, r1
        bhs 2f
        ldr r3, [r2], #4
        str r3, [r0], #4
        b 1b
2:      ldr r0, =__bss_inicio
        ldr r1, =__bss_fin
        movs r2, #0
3:      cmp r0, r1
        bhs 4f
        str r2, [r0], #4
        b 3b
4:      bl main
5:      b 5b
        .size arq_reset, . - arq_reset

        // r0 = the stacked frame, r1 = EXC_RETURN, r2 = exception number.
        .thumb_func
        .global arq_comun
        .type arq_comun, %function
arq_comun:
        tst lr, #4
        ite eq
        mrseq r0, msp
        mrsne r0, psp
        mov r1, lr
        mrs r2, ipsr
        cmp r2, #N_EXCEPCIONES
        it hs
        movhs r2, #0
        ldr r3, =arq_manejadores
        ldr r3, [r3, r2, lsl #2]
        push {r4, lr}
        blx r3
        pop {r4, lr}
        bx r0
        .size arq_comun, . - arq_comun

        // The vector a relocated table gives IRQ 3: marks that the RAM table
        // was used, then handles the interrupt as any other.
        .thumb_func
        .global arq_vector_ram
        .type arq_vector_ram, %function
arq_vector_ram:
        ldr r0, =arq_visto_ram
        movs r1, #1
        str r1, [r0]
        b arq_comun
        .size arq_vector_ram, . - arq_vector_ram

        // A save point without FP registers (their use would set
        // CONTROL.FPCA): r4-r11, sp, lr. arq_guardar returns 0, and 1 again
        // when arq_saltar comes back to it.
        .thumb_func
        .global arq_guardar
        .type arq_guardar, %function
arq_guardar:
        stmia r0, {r4-r11}
        mov r2, sp
        str r2, [r0, #32]
        str lr, [r0, #36]
        movs r0, #0
        bx lr
        .size arq_guardar, . - arq_guardar

        // Where a handler sends a thread that faulted where nobody expected:
        // back on the main stack, privileged, to the save point.
        .thumb_func
        .global arq_abortar
        .type arq_abortar, %function
arq_abortar:
        movs r0, #0
        msr control, r0
        isb
        ldr r0, =arq_punto
        ldmia r0, {r4-r11}
        ldr r2, [r0, #32]
        mov sp, r2
        ldr lr, [r0, #36]
        movs r0, #1
        bx lr
        .size arq_abortar, . - arq_abortar

        // arq_en_pila_proceso(funcion, tope, control): runs funcion in thread
        // mode on a process stack starting at tope with CONTROL = control;
        // funcion must leave the thread privileged.
        .thumb_func
        .global arq_en_pila_proceso
        .type arq_en_pila_proceso, %function
arq_en_pila_proceso:
        push {r4, lr}
        msr psp, r1
        msr control, r2
        isb
        blx r0
        movs r0, #0
        msr control, r0
        isb
        pop {r4, pc}
        .size arq_en_pila_proceso, . - arq_en_pila_proceso

        // arq_semihosting(operacion, argumento), for the reference machine.
        .thumb_func
        .global arq_semihosting
        .type arq_semihosting, %function
arq_semihosting:
        bkpt #0xAB
        bx lr
        .size arq_semihosting, . - arq_semihosting

        // Code that runs from RAM (copied with the data): each unmasks in
        // its own way and reads *r0 with the very next instruction.
        .section .ramfunc, "awx", %progbits
        .align 2
        .thumb_func
        .global arq_ram_cpsie
        .type arq_ram_cpsie, %function
arq_ram_cpsie:
        cpsie i
        ldr r0, [r0]
        bx lr
        .size arq_ram_cpsie, . - arq_ram_cpsie

        .thumb_func
        .global arq_ram_primask
        .type arq_ram_primask, %function
arq_ram_primask:
        msr primask, r1
        ldr r0, [r0]
        bx lr
        .size arq_ram_primask, . - arq_ram_primask

        .thumb_func
        .global arq_ram_basepri
        .type arq_ram_basepri, %function
arq_ram_basepri:
        msr basepri, r1
        ldr r0, [r0]
        bx lr
        .size arq_ram_basepri, . - arq_ram_basepri

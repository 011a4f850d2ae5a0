// Minimal start-up of the simulator's test images: vector table (processor
// exceptions and the 41 device interrupts), data and bss set-up, main.
// Every handler is weak and parks in a branch-to-self of its own name, so a
// test sees which exception arrived.
        .syntax unified
        .thumb

        .section .vectores, "a"
        .align 2
        .global __Vectors
__Vectors:
        .word __pila_fin
        .word Reset_Handler
        .word NMI_Handler
        .word HardFault_Handler
        .word MemManage_Handler
        .word BusFault_Handler
        .word UsageFault_Handler
        .word 0, 0, 0, 0
        .word SVC_Handler
        .word 0, 0
        .word PendSV_Handler
        .word SysTick_Handler
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,38,39,40
        .word IRQ\n\()_Handler
        .endr

        .text
        .thumb_func
        .global Reset_Handler
        .type Reset_Handler, %function
Reset_Handler:
        // The FPU is off after reset: full access for CP10 and CP11 first.
        ldr r0, =0xE000ED88
        ldr r1, [r0]
        orr r1, r1, #(0xF << 20)
        str r1, [r0]
        dsb
        isb
        ldr r0, =__datos_inicio
        ldr r1, =__datos_fin
        ldr r2, =__datos_carga
copia:  cmp r0, r1
        bhs copiado
        ldr r3, [r2], #4
        str r3, [r0], #4
        b copia
copiado:
        ldr r0, =__bss_inicio
        ldr r1, =__bss_fin
        movs r2, #0
ceros:  cmp r0, r1
        bhs listo
        str r2, [r0], #4
        b ceros
listo:  bl main
fin:    b fin
        .size Reset_Handler, . - Reset_Handler

        .macro manejador nombre
        .weak \nombre
        .thumb_func
        .type \nombre, %function
\nombre:
        b \nombre
        .size \nombre, . - \nombre
        .endm

        manejador NMI_Handler
        manejador HardFault_Handler
        manejador MemManage_Handler
        manejador BusFault_Handler
        manejador UsageFault_Handler
        manejador SVC_Handler
        manejador PendSV_Handler
        manejador SysTick_Handler
        .irp n, 0,1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16,17,18,19,20,21,22,23,24,25,26,27,28,29,30,31,32,33,34,35,36,37,38,39,40
        manejador IRQ\n\()_Handler
        .endr

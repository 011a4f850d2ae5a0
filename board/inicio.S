/* __main: run-time start of the firmware images, entered by a branch from
 * Reset_Handler once SystemInit has set the clocks.
 *
 * Copies the initial values of .data from flash, clears .bss, takes the
 * stack and heap from __user_initial_stackheap (r0 heap base, r1 stack base,
 * r2 heap limit, r3 stack limit: the Cortex-M4 has no stack-limit register,
 * so r3 is not kept), runs the static constructors and calls main. main does
 * not return; if it ever did, the processor parks here.
 *
 * No arguments, no result. Uses r0-r5 and lr freely: nothing is live.
 */
        .syntax unified
        .cpu cortex-m4
        .thumb

        /* The memory model this start routine gives: stack and heap as two
           separate regions, as __user_initial_stackheap describes them. */
        .global __use_two_region_memory
        .equ    __use_two_region_memory, 0

        .section .text.__main, "ax", %progbits
        .align  2
        .global __main
        .type   __main, %function
        .thumb_func
__main:
        ldr     r0, =__data_load
        ldr     r1, =__data_start
        ldr     r2, =__data_end
copiar_datos:
        cmp     r1, r2
        bhs     limpiar_bss
        ldr     r3, [r0], #4
        str     r3, [r1], #4
        b       copiar_datos

limpiar_bss:
        ldr     r1, =__bss_start
        ldr     r2, =__bss_end
        movs    r3, #0
bucle_bss:
        cmp     r1, r2
        bhs     pila_y_heap
        str     r3, [r1], #4
        b       bucle_bss

pila_y_heap:
        bl      __user_initial_stackheap
        mov     sp, r1
        ldr     r4, =inicio_heap_base
        str     r0, [r4]
        ldr     r4, =inicio_heap_limite
        str     r2, [r4]

        /* The linker script puts .preinit_array and .init_array back to
           back: one walk runs both, in order. */
        ldr     r4, =__preinit_array_start
        ldr     r5, =__init_array_end
constructores:
        cmp     r4, r5
        bhs     llamar_main
        ldr     r0, [r4], #4
        blx     r0
        b       constructores

llamar_main:
        bl      main
        b       .
        .size   __main, . - __main
        .ltorg

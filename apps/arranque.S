/* arranque: start-up module of every LPC4088 image.
 *
 * Holds the main stack (1 KiB) and the empty heap, the vector table that
 * the processor reads at address 0, the reset handler, a weak default
 * handler for every exception and interrupt (an application replaces one by
 * defining a function of the same name), and __user_initial_stackheap.
 *
 * Reset_Handler: entered from reset with SP from slot 0; calls SystemInit,
 *   then jumps to __main, which never returns. Uses r0.
 * Default handlers: no arguments; park the processor with `b .`.
 * __user_initial_stackheap: no arguments; returns r0 heap base, r1 stack
 *   base (highest address), r2 heap limit, r3 stack limit; touches nothing
 *   else.
 */
        .syntax unified
        .cpu cortex-m4
        .thumb

        .equ    Stack_Size, 0x400
        .equ    Heap_Size, 0

        .section STACK, "aw", %nobits
        .align  3
Stack_Mem:
        .space  Stack_Size
__initial_sp:

        .section HEAP, "aw", %nobits
        .align  3
Heap_Mem:
        .if     Heap_Size > 0
        .space  Heap_Size
        .endif

        /* Selects the run-time start's two-region memory model: stack and
           heap as separate areas, given by __user_initial_stackheap. */
        .global __use_two_region_memory

        .section RESET, "a", %progbits
        .align  2
        .global __Vectors
        .type   __Vectors, %object
__Vectors:
        .word   __initial_sp
        .word   Reset_Handler
        .word   NMI_Handler
        .word   HardFault_Handler
        .word   MemManage_Handler
        .word   BusFault_Handler
        .word   UsageFault_Handler
        .word   0xEFFFF39E              /* boot ROM checksum, set when the image is built */
        .word   0
        .word   0
        .word   0
        .word   SVC_Handler
        .word   DebugMon_Handler
        .word   0
        .word   PendSV_Handler
        .word   SysTick_Handler

        .word   WDT_IRQHandler          /* 0 */
        .word   TIMER0_IRQHandler       /* 1 */
        .word   TIMER1_IRQHandler       /* 2 */
        .word   TIMER2_IRQHandler       /* 3 */
        .word   TIMER3_IRQHandler       /* 4 */
        .word   UART0_IRQHandler        /* 5 */
        .word   UART1_IRQHandler        /* 6 */
        .word   UART2_IRQHandler        /* 7 */
        .word   UART3_IRQHandler        /* 8 */
        .word   PWM1_IRQHandler         /* 9 */
        .word   I2C0_IRQHandler         /* 10 */
        .word   I2C1_IRQHandler         /* 11 */
        .word   I2C2_IRQHandler         /* 12 */
        .word   0                       /* 13, reserved */
        .word   SSP0_IRQHandler         /* 14 */
        .word   SSP1_IRQHandler         /* 15 */
        .word   PLL0_IRQHandler         /* 16 */
        .word   RTC_IRQHandler          /* 17 */
        .word   EINT0_IRQHandler        /* 18 */
        .word   EINT1_IRQHandler        /* 19 */
        .word   EINT2_IRQHandler        /* 20 */
        .word   EINT3_IRQHandler        /* 21 */
        .word   ADC_IRQHandler          /* 22 */
        .word   BOD_IRQHandler          /* 23 */
        .word   USB_IRQHandler          /* 24 */
        .word   CAN_IRQHandler          /* 25 */
        .word   DMA_IRQHandler          /* 26 */
        .word   I2S_IRQHandler          /* 27 */
        .word   ENET_IRQHandler         /* 28 */
        .word   MCI_IRQHandler          /* 29 */
        .word   MCPWM_IRQHandler        /* 30 */
        .word   QEI_IRQHandler          /* 31 */
        .word   PLL1_IRQHandler         /* 32 */
        .word   USBActivity_IRQHandler  /* 33 */
        .word   CANActivity_IRQHandler  /* 34 */
        .word   UART4_IRQHandler        /* 35 */
        .word   SSP2_IRQHandler         /* 36 */
        .word   LCD_IRQHandler          /* 37 */
        .word   GPIO_IRQHandler         /* 38 */
        .word   PWM0_IRQHandler         /* 39 */
        .word   EEPROM_IRQHandler       /* 40 */
__Vectors_End:
        .size   __Vectors, __Vectors_End - __Vectors

        .text
        .align  2

        .weak   Reset_Handler
        .type   Reset_Handler, %function
        .thumb_func
Reset_Handler:
        ldr     r0, =SystemInit
        blx     r0
        ldr     r0, =__main
        bx      r0
        .size   Reset_Handler, . - Reset_Handler

/* A weak exception handler of its own that parks the processor. */
        .macro  manejador_que_para nombre
        .weak   \nombre
        .type   \nombre, %function
        .thumb_func
\nombre:
        b       .
        .size   \nombre, . - \nombre
        .endm

        manejador_que_para NMI_Handler
        manejador_que_para HardFault_Handler
        manejador_que_para MemManage_Handler
        manejador_que_para BusFault_Handler
        manejador_que_para UsageFault_Handler
        manejador_que_para SVC_Handler
        manejador_que_para DebugMon_Handler
        manejador_que_para PendSV_Handler
        manejador_que_para SysTick_Handler

        .global Default_Handler
        .type   Default_Handler, %function
        .thumb_func
Default_Handler:
        b       .
        .size   Default_Handler, . - Default_Handler

/* Every device interrupt without a handler of its own lands here. */
        .irp    nombre, WDT_IRQHandler, TIMER0_IRQHandler, TIMER1_IRQHandler, \
                TIMER2_IRQHandler, TIMER3_IRQHandler, UART0_IRQHandler, UART1_IRQHandler, \
                UART2_IRQHandler, UART3_IRQHandler, PWM1_IRQHandler, I2C0_IRQHandler, \
                I2C1_IRQHandler, I2C2_IRQHandler, SSP0_IRQHandler, SSP1_IRQHandler, \
                PLL0_IRQHandler, RTC_IRQHandler, EINT0_IRQHandler, EINT1_IRQHandler, \
                EINT2_IRQHandler, EINT3_IRQHandler, ADC_IRQHandler, BOD_IRQHandler, \
                USB_IRQHandler, CAN_IRQHandler, DMA_IRQHandler, I2S_IRQHandler, \
                ENET_IRQHandler, MCI_IRQHandler, MCPWM_IRQHandler, QEI_IRQHandler, \
                PLL1_IRQHandler, USBActivity_IRQHandler, CANActivity_IRQHandler, \
                UART4_IRQHandler, SSP2_IRQHandler, LCD_IRQHandler, GPIO_IRQHandler, \
                PWM0_IRQHandler, EEPROM_IRQHandler
        .weak   \nombre
        .thumb_set \nombre, Default_Handler
        .endr

        .global __user_initial_stackheap
        .type   __user_initial_stackheap, %function
        .thumb_func
__user_initial_stackheap:
        ldr     r0, =Heap_Mem
        ldr     r1, =Stack_Mem + Stack_Size
        ldr     r2, =Heap_Mem + Heap_Size
        ldr     r3, =Stack_Mem
        bx      lr
        .size   __user_initial_stackheap, . - __user_initial_stackheap

        .ltorg

// GPIO: port handles and pin masks, direction of pins (checked), and the
// inline pin-level operations.
#ifndef ENTRADAS_SALIDAS_H
#define ENTRADAS_SALIDAS_H

#include <stdint.h>

#include "lpc4088.h"
#include "tipos.h"

#define GPIO_NUMERO_PUERTOS 6u
#define GPIO_MAXIMO_PINES_POR_PUERTO 32u

#define PORT0 LPC_GPIO0
#define PORT1 LPC_GPIO1
#define PORT2 LPC_GPIO2
#define PORT3 LPC_GPIO3
#define PORT4 LPC_GPIO4
#define PORT5 LPC_GPIO5

#define PUERTO0 PORT0
#define PUERTO1 PORT1
#define PUERTO2 PORT2
#define PUERTO3 PORT3
#define PUERTO4 PORT4
#define PUERTO5 PORT5

#define PIN0 (1u << 0)
#define PIN1 (1u << 1)
#define PIN2 (1u << 2)
#define PIN3 (1u << 3)
#define PIN4 (1u << 4)
#define PIN5 (1u << 5)
#define PIN6 (1u << 6)
#define PIN7 (1u << 7)
#define PIN8 (1u << 8)
#define PIN9 (1u << 9)
#define PIN10 (1u << 10)
#define PIN11 (1u << 11)
#define PIN12 (1u << 12)
#define PIN13 (1u << 13)
#define PIN14 (1u << 14)
#define PIN15 (1u << 15)
#define PIN16 (1u << 16)
#define PIN17 (1u << 17)
#define PIN18 (1u << 18)
#define PIN19 (1u << 19)
#define PIN20 (1u << 20)
#define PIN21 (1u << 21)
#define PIN22 (1u << 22)
#define PIN23 (1u << 23)
#define PIN24 (1u << 24)
#define PIN25 (1u << 25)
#define PIN26 (1u << 26)
#define PIN27 (1u << 27)
#define PIN28 (1u << 28)
#define PIN29 (1u << 29)
#define PIN30 (1u << 30)
#define PIN31 (1u << 31)

#define DIR_IN 0u
#define DIR_OUT 1u
#define DIR_ENTRADA DIR_IN
#define DIR_SALIDA DIR_OUT

#ifdef __cplusplus
extern "C" {
#endif

// Makes the pins of `mascara_pin` outputs (DIR_OUT) or inputs (DIR_IN); the
// other pins of the port keep their direction.
void gpio_ajustar_dir(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin, uint32_t direccion);

// 1 when at least one pin of `mascara_pin` is an output, else 0.
uint32_t gpio_obtener_dir(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin);

// Pin levels, unchecked. SET and CLR touch only the pins written with 1, so
// none of these disturbs the other pins of the port.

static inline bool_t gpio_leer_pin(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  return (gpio_regs->PIN & mascara_pin) != 0 ? TRUE : FALSE;
}

static inline uint32_t gpio_leer_puerto(LPC_GPIO_TypeDef* gpio_regs) { return gpio_regs->PIN; }

static inline void gpio_pin_a_1(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  gpio_regs->SET = mascara_pin;
}

static inline void gpio_pin_a_0(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  gpio_regs->CLR = mascara_pin;
}

static inline void gpio_escribir_pin(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin,
                                     bool_t valor) {
  if (valor) {
    gpio_pin_a_1(gpio_regs, mascara_pin);
  } else {
    gpio_pin_a_0(gpio_regs, mascara_pin);
  }
}

static inline void gpio_escribir_puerto(LPC_GPIO_TypeDef* gpio_regs, uint32_t valor) {
  gpio_regs->PIN = valor;
}

// Drives low the masked pins that read high and high the ones that read low.
static inline void gpio_invertir_pin(LPC_GPIO_TypeDef* gpio_regs, uint32_t mascara_pin) {
  uint32_t altos = gpio_regs->PIN & mascara_pin;
  gpio_regs->CLR = altos;
  gpio_regs->SET = mascara_pin & ~altos;
}

#ifdef __cplusplus
}
#endif

#endif

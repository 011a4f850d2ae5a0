// Board LEDs.
#ifndef LEDS_H
#define LEDS_H

#include <stdint.h>

#include "tipos.h"

#define LED1 1
#define LED2 2
#define LED3 3
#define LED4 4

#define LED_ON TRUE
#define LED_OFF FALSE
#define LED_ENCENDIDO LED_ON
#define LED_APAGADO LED_OFF

#ifdef __cplusplus
extern "C" {
#endif

void leds_inicializar(void);
// Cheap and idempotent: the clock calls one of them on every loop pass.
void led_encender(uint32_t led);
void led_apagar(uint32_t led);

#ifdef __cplusplus
}
#endif

#endif

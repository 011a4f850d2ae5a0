// Push-button inputs of the game image, all on one GPIO port; each reads low
// while pressed (the board's pull-ups hold it high otherwise). None of these
// pins is used by the LCD, the external memory bus, the LEDs or the clock's
// inputs (P2.22, P2.25, P2.27).
#ifndef BOTONES_H
#define BOTONES_H

#define BOTONES_PUERTO 2

#define BOTON_IZQUIERDA 21  // move the piece one column left
#define BOTON_DERECHA 23    // move the piece one column right
#define BOTON_GIRAR 26      // turn the piece a quarter clockwise
#define BOTON_SOLTAR 15     // drop the piece to where it lands

#define BOTON_CADENA_(x) #x
#define BOTON_CADENA(x) BOTON_CADENA_(x)
// "P2.21" for BOTON_IZQUIERDA: the pin's name as a string literal.
#define BOTON_NOMBRE(pin) "P" BOTON_CADENA(BOTONES_PUERTO) "." BOTON_CADENA(pin)

#endif

// The LCD controller driving the board's 480 x 272 TFT panel.
#ifndef LCD_H
#define LCD_H

#include <stdint.h>

// Sets up the panel signals and timing for 16 bpp RGB565 scanned from
// `marco`, then switches the panel on.
void lcd_inicializar(const uint16_t* marco);
bool lcd_encendido();

#endif

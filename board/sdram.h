// The board's 32 MiB SDRAM on chip-select 0 of the external memory
// controller, at 0xA0000000.
#ifndef SDRAM_H
#define SDRAM_H

// Powers and programs the controller and runs the SDRAM's start-up sequence;
// afterwards the SDRAM reads and writes like internal memory.
void sdram_inicializar();

#endif

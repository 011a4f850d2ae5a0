// The board's record as a Value Change Dump for a waveform viewer: the
// output pins the firmware drove, the inputs applied from outside and the
// interrupt request lines, each a variable in its own scope ("outputs",
// "inputs", "interrupts"), stamped in whole nanoseconds of board time.
//
// Names: an output pin is P1_18, or LED1_P1_18 where the board has an LED on
// it; an input pin P2_27; an A/D channel adc0 (a real variable, in volts);
// an interrupt line irq1_TIMER0. Only signals the record holds are declared.
// Values at time 0 are the board's out of reset (inputs read high, A/D
// channels 0 V, interrupt lines low; an output pin the level it had before
// its first change), or what the record sets at time 0.
#ifndef SIM_API_VCD_WRITER_H
#define SIM_API_VCD_WRITER_H

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "sim/placa/results.h"

namespace sim {

class Board;

// A copy of a board's records, so it can be rendered while the board runs on.
struct VcdRecord {
  std::vector<OutputChange> outputs;
  std::vector<InputChange> inputs;
  std::vector<IrqChange> irqs;
  double end_time = 0;  // board time the record reaches: the dump's last stamp
};

// What `board` recorded up to now. Takes the records by copy: call it where
// runs are serialised (between two runs), then render anywhere.
VcdRecord vcd_record(const Board& board);

// Board time to the dump's stamp: nanoseconds, rounded to nearest.
std::uint64_t vcd_stamp(double seconds);

// Writes the dump; stamps never go back, and the changes of one stamp come
// under one "#stamp" line in the order they happened.
void write_vcd(std::ostream& out, const VcdRecord& record);
std::string vcd_text(const VcdRecord& record);

}  // namespace sim

#endif

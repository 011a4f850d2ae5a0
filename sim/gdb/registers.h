// The Cortex-M4F's registers as the debugger sees them: one table gives
// each Reg number its name, width and feature, and the target description
// the server hands out is written from that table.
#ifndef SIM_GDB_REGISTERS_H
#define SIM_GDB_REGISTERS_H

#include <array>
#include <cstddef>
#include <string>

#include "sim/gdb/target.h"

namespace sim::gdb {

struct RegisterInfo {
  std::string name;
  unsigned bits = 32;
  std::string type;     // the description's type ("uint32", "code_ptr", ...)
  std::string group;    // "" for the debugger's default
  std::string feature;  // the feature that holds it
};

// Indexed by Reg number.
const std::array<RegisterInfo, kRegisterCount>& register_table();

// Bytes of the register in the g/G packets and in p/P.
inline std::size_t register_bytes(unsigned number) { return register_table()[number].bits / 8; }

// The target description (target.xml) for the table above.
const std::string& target_description();

}  // namespace sim::gdb

#endif

#include "sim/gdb/registers.h"

namespace sim::gdb {

namespace {

constexpr const char* kCore = "org.gnu.gdb.arm.m-profile";
constexpr const char* kVfp = "org.gnu.gdb.arm.vfp";
constexpr const char* kSystem = "org.gnu.gdb.arm.m-system";
// The debugger knows no standard feature for the exception mask and control
// registers; registers of a feature it does not know are still listed and
// accessible by name, so they get a feature of their own.
constexpr const char* kMasks = "lab.lpc4088.m-masks";

std::array<RegisterInfo, kRegisterCount> build_table() {
  std::array<RegisterInfo, kRegisterCount> t;
  for (unsigned i = 0; i <= 12; ++i)
    t[i] = {"r" + std::to_string(i), 32, "uint32", "general", kCore};
  t[13] = {"sp", 32, "data_ptr", "general", kCore};
  t[14] = {"lr", 32, "int", "general", kCore};
  t[15] = {"pc", 32, "code_ptr", "general", kCore};
  t[16] = {"xpsr", 32, "int", "general", kCore};
  for (unsigned i = 0; i < 16; ++i) {
    t[static_cast<unsigned>(Reg::D0) + i] = {"d" + std::to_string(i), 64, "ieee_double", "float",
                                             kVfp};
  }
  t[static_cast<unsigned>(Reg::FPSCR)] = {"fpscr", 32, "int", "float", kVfp};
  t[static_cast<unsigned>(Reg::MSP)] = {"msp", 32, "data_ptr", "system", kSystem};
  t[static_cast<unsigned>(Reg::PSP)] = {"psp", 32, "data_ptr", "system", kSystem};
  t[static_cast<unsigned>(Reg::PRIMASK)] = {"primask", 8, "int8", "system", kMasks};
  t[static_cast<unsigned>(Reg::BASEPRI)] = {"basepri", 8, "int8", "system", kMasks};
  t[static_cast<unsigned>(Reg::FAULTMASK)] = {"faultmask", 8, "int8", "system", kMasks};
  t[static_cast<unsigned>(Reg::CONTROL)] = {"control", 8, "int8", "system", kMasks};
  return t;
}

std::string build_description() {
  std::string xml =
      "<?xml version=\"1.0\"?>\n"
      "<!DOCTYPE target SYSTEM \"gdb-target.dtd\">\n"
      "<target version=\"1.0\">\n"
      "  <architecture>arm</architecture>\n";
  std::string open;
  const auto& table = register_table();
  for (unsigned n = 0; n < kRegisterCount; ++n) {
    const RegisterInfo& r = table[n];
    if (r.feature != open) {
      if (!open.empty()) xml += "  </feature>\n";
      xml += "  <feature name=\"" + r.feature + "\">\n";
      open = r.feature;
    }
    xml += "    <reg name=\"" + r.name + "\" bitsize=\"" + std::to_string(r.bits) + "\" regnum=\"" +
           std::to_string(n) + "\" type=\"" + r.type + "\" group=\"" + r.group + "\"/>\n";
  }
  xml += "  </feature>\n</target>\n";
  return xml;
}

}  // namespace

const std::array<RegisterInfo, kRegisterCount>& register_table() {
  static const auto table = build_table();
  return table;
}

const std::string& target_description() {
  static const std::string xml = build_description();
  return xml;
}

}  // namespace sim::gdb

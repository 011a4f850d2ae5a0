// A strict reader of Value Change Dumps for tests: what a file says, signal
// by signal, or why it is not a dump a viewer would take.
#ifndef TESTS_SUPPORT_VCD_READER_H
#define TESTS_SUPPORT_VCD_READER_H

#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

struct VcdSignal {
  std::string scope;
  std::string type;  // "wire", "real"
  // (stamp, value) in file order; value "0"/"1" or the real's text, the
  // $dumpvars value first at stamp 0.
  std::vector<std::pair<std::uint64_t, std::string>> values;
  // The value in force at `stamp` (the last one given at or before it).
  std::string at(std::uint64_t stamp) const;
  // Stamps at which the value became `value` from something else.
  std::vector<std::uint64_t> edges_to(const std::string& value) const;
};

struct VcdFile {
  std::string version;
  std::string timescale;
  std::vector<std::string> scopes;           // in declaration order
  std::map<std::string, VcdSignal> signals;  // by variable name
  std::vector<std::uint64_t> stamps;         // every #stamp line
  std::string error;                         // empty when the dump is sound
};

// Checks the header, that every change names a declared identifier with a
// value of its type, that $dumpvars gives every variable, and that stamps
// strictly increase.
VcdFile read_vcd(const std::string& text);

#endif

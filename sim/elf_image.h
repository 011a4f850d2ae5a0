// A firmware ELF image as the board needs it: the bytes to load and the
// symbol table (local symbols included) to find things by name.
#ifndef SIM_ELF_IMAGE_H
#define SIM_ELF_IMAGE_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

namespace sim {

struct Segment {
  std::uint32_t address = 0;        // physical (load) address
  std::vector<std::uint8_t> bytes;  // file bytes, then zeros up to memsz
};

struct Symbol {
  std::string name;
  std::uint32_t address = 0;  // Thumb bit cleared for functions
  std::uint32_t size = 0;
  bool function = false;
};

class ElfImage {
 public:
  // Throws std::runtime_error when the file is not a 32-bit ARM ELF.
  explicit ElfImage(const std::filesystem::path& path);

  const std::vector<Segment>& segments() const { return segments_; }
  // A global symbol wins over a local one of the same name.
  std::optional<Symbol> find(const std::string& name) const;
  // The function or object whose [address, address + size) holds `address`.
  const Symbol* containing(std::uint32_t address) const;

 private:
  struct Ranked {
    Symbol symbol;
    int rank;  // binding: 0 local, 1 weak, 2 global
  };
  void add_symbol(Symbol symbol, int rank);

  std::vector<Segment> segments_;
  std::unordered_map<std::string, Symbol> by_name_;
  std::unordered_map<std::string, bool> name_is_global_;
  std::map<std::uint32_t, Ranked> by_address_;
};

}  // namespace sim

#endif

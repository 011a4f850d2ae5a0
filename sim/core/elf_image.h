// A firmware ELF image as the board needs it: the bytes to load and the
// symbol table (local symbols included) to find things by name.
#ifndef SIM_CORE_ELF_IMAGE_H
#define SIM_CORE_ELF_IMAGE_H

#include <cstdint>
#include <filesystem>
#include <map>
#include <optional>
#include <stdexcept>
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

// A file that is not a firmware image this board can run.
struct ImageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// A memory a segment may be loaded into.
struct LoadArea {
  const char* name;
  std::uint32_t base;
  std::uint32_t size;
};

class ElfImage {
 public:
  // Throws ImageError when the file is not a 32-bit ARM ELF, has no
  // loadable segment, or has a segment that does not lie inside one of
  // `areas` (checked before anything is allocated for it).
  ElfImage(const std::filesystem::path& path, const std::vector<LoadArea>& areas);

  const std::vector<Segment>& segments() const { return segments_; }
  // A global symbol wins over a local one of the same name.
  std::optional<Symbol> find(const std::string& name) const;
  // The function or object whose [address, address + size) holds `address`.
  const Symbol* containing(std::uint32_t address) const;
  // Bytes of a small section the image carries but never loads (a
  // description for tools, say); nothing when there is no such section.
  std::optional<std::string> unloaded_section(const std::string& name) const;

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
  std::unordered_map<std::string, std::string> unloaded_;
};

}  // namespace sim

#endif

#include "sim/core/memory_map.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

namespace sim {

MemoryMap::MemoryMap(uc_engine* uc, const ElfImage& image) {
  for (const MemoryRegion& r : kRegions) {
    Mapped m{r, decltype(Mapped::bytes)(static_cast<std::uint8_t*>(std::calloc(r.size, 1)))};
    if (!m.bytes) throw std::bad_alloc();
    const std::uint32_t perms = r.writable ? UC_PROT_ALL : UC_PROT_READ | UC_PROT_EXEC;
    if (const uc_err error = uc_mem_map_ptr(uc, r.base, r.size, perms, m.bytes.get());
        error != UC_ERR_OK) {
      throw std::runtime_error(std::string("CPU emulator: cannot map ") + r.name + ": " +
                               uc_strerror(error));
    }
    mapped_.push_back(std::move(m));
  }
  // b . (0xE7FE) everywhere: a call that returns there stays put.
  std::uint8_t* page = host(kCallReturn.base, kCallReturn.size);
  for (std::uint32_t i = 0; i < kCallReturn.size; i += 2) {
    page[i] = 0xFE;
    page[i + 1] = 0xE7;
  }
  for (const Segment& s : image.segments()) {
    if (!write_memory(s.address, s.bytes.data(), s.bytes.size())) {
      throw ImageError("image segment at " + std::to_string(s.address) +
                       " lies outside flash and RAM");
    }
  }
}

const MemoryMap::Mapped* MemoryMap::find(std::uint32_t address, std::size_t size) const {
  for (const Mapped& m : mapped_) {
    const std::uint64_t end = std::uint64_t{address} + size;
    if (address >= m.region.base && end <= std::uint64_t{m.region.base} + m.region.size) return &m;
  }
  return nullptr;
}

std::uint8_t* MemoryMap::host(std::uint32_t address, std::size_t size) {
  const Mapped* m = find(address, size);
  return m ? m->bytes.get() + (address - m->region.base) : nullptr;
}

const std::uint8_t* MemoryMap::host(std::uint32_t address, std::size_t size) const {
  const Mapped* m = find(address, size);
  return m ? m->bytes.get() + (address - m->region.base) : nullptr;
}

bool MemoryMap::read_memory(std::uint32_t address, void* destination, std::size_t size) const {
  const std::uint8_t* p = host(address, size);
  if (p == nullptr) return false;
  std::memcpy(destination, p, size);
  return true;
}

bool MemoryMap::write_memory(std::uint32_t address, const void* source, std::size_t size) {
  std::uint8_t* p = host(address, size);
  if (p == nullptr) return false;
  std::memcpy(p, source, size);
  return true;
}

std::vector<MemoryMap::Area> MemoryMap::watched_areas() {
  std::vector<Area> areas;
  for (Mapped& m : mapped_) {
    if (!m.region.writable) continue;
    const bool sdram = m.region.base == kSdram.base;
    areas.push_back({m.bytes.get(), sdram ? kWatchedSdram : m.region.size});
  }
  return areas;
}

}  // namespace sim

// The LPC4088's memories as host buffers mapped into the CPU emulator:
// flash (read-only to the firmware), SRAM, peripheral SRAM, SDRAM, and a
// small page of our own that firmware calls made by tests return into.
#ifndef SIM_CORE_MEMORY_MAP_H
#define SIM_CORE_MEMORY_MAP_H

#include <unicorn/unicorn.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

#include "sim/core/elf_image.h"
#include "sim/modelo/peripheral.h"

namespace sim {

struct MemoryRegion {
  const char* name;
  std::uint32_t base;
  std::uint32_t size;
  bool writable;  // by the firmware
};

inline constexpr MemoryRegion kFlash{"flash", 0x00000000, 512 * 1024, false};
inline constexpr MemoryRegion kSram{"SRAM", 0x10000000, 64 * 1024, true};
inline constexpr MemoryRegion kPeripheralSram{"peripheral SRAM", 0x20000000, 32 * 1024, true};
inline constexpr MemoryRegion kSdram{"SDRAM", 0xA0000000, 32 * 1024 * 1024, true};
// Return address of calls made by tests: a page of branch-to-self
// instructions where the boot ROM would be.
inline constexpr MemoryRegion kCallReturn{"call return", 0x1FFF0000, 4096, false};
inline constexpr MemoryRegion kRegions[] = {kFlash, kSram, kPeripheralSram, kSdram, kCallReturn};

class MemoryMap final : public MemoryBus {
 public:
  // Maps every region into `uc` and loads the image's segments (which must
  // lie in flash or RAM).
  MemoryMap(uc_engine* uc, const ElfImage& image);

  bool read_memory(std::uint32_t address, void* destination, std::size_t size) const override;
  bool write_memory(std::uint32_t address, const void* source, std::size_t size);
  // Host bytes behind [address, address + size), or null when that is not
  // inside one region.
  std::uint8_t* host(std::uint32_t address, std::size_t size);
  const std::uint8_t* host(std::uint32_t address, std::size_t size) const;

  // The memory a polling loop is checked against before it is skipped:
  // SRAM, peripheral SRAM and the start of SDRAM (frame buffer and whatever
  // the firmware puts right after it; comparing all 32 MiB on every check
  // would cost more than the skip saves).
  struct Area {
    std::uint8_t* bytes;
    std::size_t size;
  };
  static constexpr std::size_t kWatchedSdram = 1024 * 1024;
  std::vector<Area> watched_areas();

 private:
  struct Mapped {
    MemoryRegion region;
    // calloc'ed: the host hands out zero pages only as the firmware touches them.
    struct Free {
      void operator()(std::uint8_t* p) const { std::free(p); }
    };
    std::unique_ptr<std::uint8_t[], Free> bytes;
  };
  const Mapped* find(std::uint32_t address, std::size_t size) const;

  std::vector<Mapped> mapped_;
};

}  // namespace sim

#endif

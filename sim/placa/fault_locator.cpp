#include "sim/placa/fault_locator.h"

#include <memory>
#include <stdexcept>
#include <string>

#include "sim/core/code_scan.h"

namespace sim {
namespace {

void check(uc_err error, const char* what) {
  if (error != UC_ERR_OK) {
    throw std::runtime_error(std::string("CPU emulator: cannot ") + what + ": " + uc_strerror(error));
  }
}

struct ContextFree {
  void operator()(uc_context* c) const { uc_context_free(c); }
};

bool data_fault(uc_err error) {
  switch (error) {
    case UC_ERR_READ_UNMAPPED:
    case UC_ERR_READ_PROT:
    case UC_ERR_READ_UNALIGNED:
    case UC_ERR_WRITE_UNMAPPED:
    case UC_ERR_WRITE_PROT:
    case UC_ERR_WRITE_UNALIGNED:
      return true;
    default:
      return false;
  }
}

}  // namespace

void FaultLocator::write_hook(uc_engine*, uc_mem_type, std::uint64_t address, int size,
                              std::int64_t, void* user) {
  auto* self = static_cast<FaultLocator*>(user);
  const auto a = static_cast<std::uint32_t>(address);
  const std::uint8_t* host = self->memory_.host(a, static_cast<std::size_t>(size));
  if (host == nullptr) return;  // a peripheral: its model ignores writes while trying
  self->writes_.push_back({a, std::vector<std::uint8_t>(host, host + size)});
}

void FaultLocator::undo_writes() {
  for (auto w = writes_.rbegin(); w != writes_.rend(); ++w) {
    memory_.write_memory(w->address, w->old.data(), w->old.size());
  }
  writes_.clear();
}

std::uint32_t FaultLocator::locate(std::uint32_t block, std::uint32_t size,
                                   std::uint32_t address) {
  const std::uint8_t* code = memory_.host(block, size);
  if (code == nullptr || size < 4) return block;  // one instruction, or code we cannot read
  std::vector<std::uint32_t> starts;
  for (std::uint32_t at = 0; at < size;) {
    starts.push_back(block + at);
    at += is_wide_thumb(static_cast<std::uint16_t>(code[at] | code[at + 1] << 8)) ? 4 : 2;
  }
  starts.push_back(block + size);
  if (starts.size() == 2) return block;

  uc_context* raw = nullptr;
  check(uc_context_alloc(uc_, &raw), "allocate a CPU context");
  const std::unique_ptr<uc_context, ContextFree> saved(raw);
  check(uc_context_save(uc_, saved.get()), "save the CPU context");
  uc_hook hook = 0;
  check(uc_hook_add(uc_, &hook, UC_HOOK_MEM_WRITE, reinterpret_cast<void*>(&write_hook), this, 1, 0),
        "add the write log");
  // The block's translation runs past any one instruction: try each from a
  // fresh one that ends where the next instruction starts.
  check(uc_ctl_remove_cache(uc_, block, block + size), "drop translated code");

  std::uint32_t found = block;
  trial_.active = true;
  try {
    for (std::size_t i = 0; i + 1 < starts.size(); ++i) {
      check(uc_context_restore(uc_, saved.get()), "restore the CPU context");
      trial_.start = starts[i];
      const uc_err error = uc_emu_start(uc_, starts[i] | 1, starts[i + 1], 0, 0);
      undo_writes();
      if (data_fault(error) && invalid_address_ == address) {
        found = starts[i];
        break;
      }
    }
  } catch (...) {
    trial_.active = false;
    throw;
  }
  trial_.active = false;
  check(uc_context_restore(uc_, saved.get()), "restore the CPU context");
  check(uc_hook_del(uc_, hook), "remove the write log");
  // Translations made for the tries stop early: drop them too.
  check(uc_ctl_remove_cache(uc_, block, block + size), "drop translated code");
  return found;
}

}  // namespace sim

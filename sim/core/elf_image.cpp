#include "sim/core/elf_image.h"

#include <cxxabi.h>
#include <fcntl.h>
#include <gelf.h>
#include <libelf.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string_view>

namespace sim {
namespace {

// Descriptions for tools are a few lines; anything bigger is not one.
constexpr std::size_t kMaxUnloadedSection = 64 * 1024;

struct FileCloser {
  void operator()(const int* fd) const {
    close(*fd);
    delete fd;
  }
};

struct ElfCloser {
  void operator()(Elf* elf) const { elf_end(elf); }
};

// "llamadas_locales" for _ZL16llamadas_locales, "pin_de" for
// (anonymous namespace)::pin_de(unsigned long): what a test calls them.
int binding_rank(unsigned binding) {
  switch (binding) {
    case STB_LOCAL:
      return 0;
    case STB_WEAK:
      return 1;
    default:
      return 2;
  }
}

std::string plain_name(const std::string& name) {
  int status = 0;
  char* demangled = abi::__cxa_demangle(name.c_str(), nullptr, nullptr, &status);
  if (status != 0 || demangled == nullptr) return {};
  std::string plain = demangled;
  std::free(demangled);
  const std::string anonymous = "(anonymous namespace)::";
  for (auto at = plain.find(anonymous); at != std::string::npos; at = plain.find(anonymous)) {
    plain.erase(at, anonymous.size());
  }
  if (const auto paren = plain.find('('); paren != std::string::npos) plain.erase(paren);
  return plain == name ? std::string() : plain;
}

[[noreturn]] void fail(const std::filesystem::path& path, const std::string& why) {
  throw ImageError(path.string() + ": " + why);
}

std::string hex(std::uint64_t v) {
  char text[24];
  std::snprintf(text, sizeof text, "0x%08llX", static_cast<unsigned long long>(v));
  return text;
}

bool fits(const LoadArea& a, std::uint64_t address, std::uint64_t size) {
  return address >= a.base && address + size <= std::uint64_t{a.base} + a.size;
}

std::vector<Segment> read_segments(Elf* elf, const std::filesystem::path& path,
                                   const std::vector<LoadArea>& areas) {
  std::size_t count = 0;
  if (elf_getphdrnum(elf, &count) != 0) fail(path, "no program headers");
  std::size_t file_size = 0;
  const char* raw = elf_rawfile(elf, &file_size);
  if (raw == nullptr) fail(path, "cannot read the file");
  std::vector<Segment> segments;
  for (std::size_t i = 0; i < count; ++i) {
    GElf_Phdr ph;
    if (gelf_getphdr(elf, static_cast<int>(i), &ph) == nullptr) fail(path, "bad program header");
    if (ph.p_type != PT_LOAD || ph.p_memsz == 0) continue;
    if (ph.p_offset > file_size || ph.p_filesz > file_size - ph.p_offset ||
        ph.p_filesz > ph.p_memsz) {
      fail(path, "segment outside the file");
    }
    // Before a byte is allocated: a header can claim any size.
    if (std::none_of(areas.begin(), areas.end(),
                     [&](const LoadArea& a) { return fits(a, ph.p_paddr, ph.p_memsz); })) {
      std::string where;
      for (const LoadArea& a : areas) {
        where += std::string(where.empty() ? "" : ", ") + a.name + " " + hex(a.base) + "-" +
                 hex(std::uint64_t{a.base} + a.size - 1);
      }
      fail(path, "segment of " + std::to_string(ph.p_memsz) + " bytes at " + hex(ph.p_paddr) +
                     " does not fit the board's memories (" + where + ")");
    }
    Segment s;
    s.address = static_cast<std::uint32_t>(ph.p_paddr);
    s.bytes.assign(raw + ph.p_offset, raw + ph.p_offset + ph.p_filesz);
    s.bytes.resize(ph.p_memsz, 0);
    segments.push_back(std::move(s));
  }
  if (segments.empty()) fail(path, "no loadable segment: not a linked firmware image");
  return segments;
}

}  // namespace

ElfImage::ElfImage(const std::filesystem::path& path, const std::vector<LoadArea>& areas) {
  if (elf_version(EV_CURRENT) == EV_NONE) fail(path, "libelf unusable");
  std::unique_ptr<int, FileCloser> fd(new int(open(path.c_str(), O_RDONLY)));
  if (*fd < 0) fail(path, std::string("cannot open: ") + std::strerror(errno));
  std::unique_ptr<Elf, ElfCloser> elf(elf_begin(*fd, ELF_C_READ, nullptr));
  if (!elf || elf_kind(elf.get()) != ELF_K_ELF) fail(path, "not an ELF file");
  GElf_Ehdr eh;
  if (gelf_getehdr(elf.get(), &eh) == nullptr || eh.e_ident[EI_CLASS] != ELFCLASS32 ||
      eh.e_machine != EM_ARM) {
    fail(path, "not a 32-bit ARM image");
  }
  segments_ = read_segments(elf.get(), path, areas);

  struct Alias {
    std::string name;
    Symbol symbol;
  };
  std::vector<Alias> aliases;
  std::size_t names = 0;
  const bool have_names = elf_getshdrstrndx(elf.get(), &names) == 0;
  Elf_Scn* scn = nullptr;
  while ((scn = elf_nextscn(elf.get(), scn)) != nullptr) {
    GElf_Shdr sh;
    if (gelf_getshdr(scn, &sh) == nullptr) continue;
    if (have_names && sh.sh_type == SHT_PROGBITS && (sh.sh_flags & SHF_ALLOC) == 0 &&
        sh.sh_size <= kMaxUnloadedSection) {
      const char* name = elf_strptr(elf.get(), names, sh.sh_name);
      Elf_Data* data = elf_getdata(scn, nullptr);
      if (name != nullptr && std::string_view(name).substr(0, 6) != ".debug" && data &&
          data->d_buf != nullptr) {
        unloaded_[name].assign(static_cast<const char*>(data->d_buf), data->d_size);
      }
    }
    if (sh.sh_type != SHT_SYMTAB) continue;
    Elf_Data* data = elf_getdata(scn, nullptr);
    const std::size_t n = sh.sh_entsize ? sh.sh_size / sh.sh_entsize : 0;
    for (std::size_t i = 0; data && i < n; ++i) {
      GElf_Sym sym;
      if (gelf_getsym(data, static_cast<int>(i), &sym) == nullptr) continue;
      const int type = GELF_ST_TYPE(sym.st_info);
      if (type != STT_FUNC && type != STT_OBJECT && type != STT_NOTYPE) continue;
      if (sym.st_shndx == SHN_UNDEF) continue;
      const char* name = elf_strptr(elf.get(), sh.sh_link, sym.st_name);
      if (name == nullptr || *name == '\0' || *name == '$') continue;
      Symbol s;
      s.name = name;
      s.function = type == STT_FUNC;
      s.address = static_cast<std::uint32_t>(sym.st_value) & (s.function ? ~1u : ~0u);
      s.size = static_cast<std::uint32_t>(sym.st_size);
      const std::string plain = plain_name(s.name);
      if (!plain.empty()) aliases.push_back({plain, s});
      add_symbol(s, binding_rank(GELF_ST_BIND(sym.st_info)));
      if (!plain.empty()) {
        // Where an address is reported, the readable name.
        if (auto at = by_address_.find(s.address);
            at != by_address_.end() && at->second.symbol.name == s.name) {
          at->second.symbol.name = plain;
        }
      }
    }
  }
  // Plain names of C++ symbols, only where no symbol has that name itself.
  for (Alias& a : aliases) {
    a.symbol.name = a.name;
    by_name_.try_emplace(a.name, std::move(a.symbol));
  }
}

std::optional<std::string> ElfImage::unloaded_section(const std::string& name) const {
  const auto it = unloaded_.find(name);
  if (it == unloaded_.end()) return std::nullopt;
  return it->second;
}

void ElfImage::add_symbol(Symbol symbol, int rank) {
  const bool global = rank > 0;
  if (symbol.size > 0) {
    // Where several names share an address (a default handler and its weak
    // aliases), a function beats data, then the strongest binding wins.
    auto [it, inserted] = by_address_.try_emplace(symbol.address, Ranked{symbol, rank});
    const Ranked& held = it->second;
    const bool better =
        symbol.function != held.symbol.function ? symbol.function : rank > held.rank;
    if (!inserted && better) it->second = Ranked{symbol, rank};
  }
  auto found = name_is_global_.find(symbol.name);
  if (found == name_is_global_.end() || (global && !found->second)) {
    name_is_global_[symbol.name] = global;
    by_name_[symbol.name] = std::move(symbol);
  }
}

std::optional<Symbol> ElfImage::find(const std::string& name) const {
  auto it = by_name_.find(name);
  if (it == by_name_.end()) return std::nullopt;
  return it->second;
}

const Symbol* ElfImage::containing(std::uint32_t address) const {
  auto it = by_address_.upper_bound(address);
  if (it == by_address_.begin()) return nullptr;
  --it;
  const Symbol& s = it->second.symbol;
  if (address - s.address < s.size) return &s;
  return nullptr;
}

}  // namespace sim

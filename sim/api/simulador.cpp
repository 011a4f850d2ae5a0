#include "sim/api/simulador.h"

#include <bit>
#include <cctype>
#include <cstring>
#include <string_view>

#include "sim/api/png_writer.h"
#include "sim/api/text_reader.h"
#include "sim/lpc4088/lcd.h"
#include "sim/placa/board.h"
#include "sim/serial/uart.h"

namespace sim {
namespace {

constexpr unsigned kFontCount = 3;

}  // namespace

Simulador::Simulador(const std::filesystem::path& image, Options options)
    : board_(std::make_unique<Board>(image, options)) {}

Simulador::~Simulador() = default;

RunResult Simulador::run_for(double seconds) {
  return board_->run(board_->seconds() + seconds, nullptr, 0);
}

RunResult Simulador::run_to_time(double board_seconds) {
  return board_->run(board_seconds, nullptr, 0);
}

RunResult Simulador::run_until(const std::function<bool()>& condition, double max_seconds) {
  return board_->run(board_->seconds() + max_seconds, &condition, 0);
}

RunResult Simulador::run_to(const std::string& function, double max_seconds) {
  return board_->run(board_->seconds() + max_seconds, nullptr, symbol(function));
}

RunResult Simulador::step() { return board_->step(); }
void Simulador::add_breakpoint(std::uint32_t address) { board_->add_breakpoint(address); }
void Simulador::remove_breakpoint(std::uint32_t address) { board_->remove_breakpoint(address); }
void Simulador::add_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind) {
  board_->add_watchpoint(address, length, kind);
}
void Simulador::remove_watchpoint(std::uint32_t address, std::uint32_t length, WatchKind kind) {
  board_->remove_watchpoint(address, length, kind);
}

double Simulador::time() const { return board_->seconds(); }
Cycles Simulador::cycles() const { return board_->now(); }
double Simulador::time_at(Cycles cycle) const { return board_->seconds_at(cycle); }
std::uint32_t Simulador::cpu_hz() const { return board_->cpu_hz(); }
std::uint64_t Simulador::instructions() const { return board_->instructions(); }

void Simulador::set_pin(Pin pin, bool level, double at) { board_->schedule_pin(pin, level, at); }

void Simulador::press(Pin pin, double at, double hold) {
  board_->schedule_pin(pin, false, at);
  board_->schedule_pin(pin, true, at + hold);
}

void Simulador::set_adc_voltage(unsigned channel, double volts, double at) {
  board_->schedule_adc(channel, volts, at);
}

void Simulador::uart0_input(const std::string& bytes, double at) {
  board_->schedule_uart0(bytes, at);
}

std::vector<UartByte> Simulador::uart0_sent() const {
  std::vector<UartByte> bytes;
  for (const Uart::SentByte& b : board_->peripherals().uart0().sent()) {
    bytes.push_back({b.byte, board_->seconds_at(b.time), b.time});
  }
  return bytes;
}

std::string Simulador::uart0_text() const {
  std::string text;
  for (const Uart::SentByte& b : board_->peripherals().uart0().sent()) {
    text.push_back(static_cast<char>(b.byte));
  }
  return text;
}

bool Simulador::pin_level(Pin pin) const {
  return board_->peripherals().pin_level(pin.port, pin.bit);
}

bool Simulador::pin_is_output(Pin pin) const {
  return board_->peripherals().pin_is_output(pin.port, pin.bit);
}

const std::vector<OutputChange>& Simulador::pin_changes() const { return board_->output_changes(); }

bool Simulador::screenshot(const std::filesystem::path& png) const {
  const auto frame = board_->peripherals().lcd_frame();
  if (!frame || !board_->peripherals().lcd_enabled()) return false;
  write_png(png.string(), *frame);
  return true;
}

std::string Simulador::read_screen(unsigned font, unsigned x, unsigned y, unsigned n_chars) const {
  const auto frame = board_->peripherals().lcd_frame();
  if (!frame) return {};
  const TextReader reader(board_->memory(), symbol("glcd_fuentes"), kFontCount);
  return reader.read_line(*frame, font, x, y, n_chars);
}

bool Simulador::screen_shows(const std::string& text) const {
  const auto frame = board_->peripherals().lcd_frame();
  if (!frame) return false;
  const TextReader reader(board_->memory(), symbol("glcd_fuentes"), kFontCount);
  return reader.find(*frame, text).has_value();
}

std::uint32_t Simulador::symbol(const std::string& name) const {
  const auto s = board_->image().find(name);
  if (!s) throw std::out_of_range("the image has no symbol " + name);
  return s->address;
}

bool Simulador::has_symbol(const std::string& name) const {
  return board_->image().find(name).has_value();
}

std::string Simulador::symbol_at(std::uint32_t address) const {
  const Symbol* s = board_->image().containing(address);
  return s ? s->name : std::string();
}

void Simulador::read_memory(std::uint32_t address, void* out, std::size_t size) const {
  board_->read(address, out, size);
}

void Simulador::write_memory(std::uint32_t address, const void* in, std::size_t size) {
  board_->write(address, in, size);
}

std::string Simulador::read_c_string(std::uint32_t address, std::size_t max) const {
  std::string s;
  char c = 0;
  while (s.size() < max) {
    read_memory(address + static_cast<std::uint32_t>(s.size()), &c, 1);
    if (c == '\0') break;
    s.push_back(c);
  }
  return s;
}

std::uint32_t Simulador::reg(unsigned n) const { return board_->cpu().r(n); }
void Simulador::set_reg(unsigned n, std::uint32_t value) { board_->cpu().set_r(n, value); }
std::uint32_t Simulador::xpsr() const { return board_->cpu().xpsr(); }
bool Simulador::primask() const { return board_->cpu().primask(); }
float Simulador::fp_reg(unsigned n) const { return std::bit_cast<float>(board_->cpu().s(n)); }

CallResult Simulador::call(const std::string& function, std::initializer_list<CallArg> args,
                           double max_seconds) {
  return board_->call(symbol(function), args, max_seconds);
}

const std::optional<ErrorStopInfo>& Simulador::error_stop() const { return board_->error_stop(); }
const std::optional<FaultInfo>& Simulador::fault() const { return board_->fault(); }
std::optional<Parking> Simulador::parking() const { return board_->parking(); }
bool Simulador::sleeping() const { return board_->sleeping(); }
const std::string& Simulador::semihosting_output(int handle) const {
  return board_->semihosting_output(handle);
}
void Simulador::semihosting_input(const std::string& bytes) { board_->semihosting_input(bytes); }
std::optional<int> Simulador::exit_status() const { return board_->exit_status(); }

bool Simulador::irq_enabled(unsigned irq) const { return board_->nvic().enabled(kFirstIrq + irq); }
bool Simulador::irq_pending(unsigned irq) const { return board_->nvic().pending(kFirstIrq + irq); }
bool Simulador::irq_active(unsigned irq) const { return board_->nvic().active(kFirstIrq + irq); }
std::uint8_t Simulador::irq_priority(unsigned irq) const {
  return board_->nvic().priority(kFirstIrq + irq);
}

std::vector<std::string> Simulador::unmodelled_accesses() const {
  std::vector<std::string> lines;
  for (const RecordedAccess& a : board_->peripherals().unmodelled_accesses()) {
    char line[64];
    std::snprintf(line, sizeof line, "0x%08X %c 0x%08X", a.address, a.write ? 'w' : 'r', a.value);
    lines.emplace_back(line);
  }
  return lines;
}

Board& Simulador::board() { return *board_; }

}  // namespace sim

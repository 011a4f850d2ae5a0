#include "host/strict_number.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <string>

namespace host {
namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Digits only, at least one: the whole magnitude, accumulated with an
// overflow check instead of trusting a library that skips blanks.
std::optional<std::uint64_t> magnitude(std::string_view digits) {
  if (digits.empty()) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : digits) {
    if (!is_digit(c)) return std::nullopt;
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (value > (UINT64_MAX - d) / 10) return std::nullopt;
    value = value * 10 + d;
  }
  return value;
}

}  // namespace

std::optional<std::int64_t> parse_integer(std::string_view text, std::int64_t min,
                                          std::int64_t max) {
  bool negative = false;
  if (!text.empty() && (text.front() == '-' || text.front() == '+')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  const auto m = magnitude(text);
  if (!m) return std::nullopt;
  std::int64_t value = 0;
  if (negative) {
    if (*m > static_cast<std::uint64_t>(INT64_MAX) + 1) return std::nullopt;
    value = *m == static_cast<std::uint64_t>(INT64_MAX) + 1 ? INT64_MIN
                                                            : -static_cast<std::int64_t>(*m);
  } else {
    if (*m > static_cast<std::uint64_t>(INT64_MAX)) return std::nullopt;
    value = static_cast<std::int64_t>(*m);
  }
  if (value < min || value > max) return std::nullopt;
  return value;
}

std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t max) {
  const auto m = magnitude(text);
  if (!m || *m > max) return std::nullopt;
  return m;
}

std::optional<double> parse_real(std::string_view text) {
  // Sign, digits with at most one point (at least one digit), optional
  // exponent: what strtod would also read, minus blanks, inf, nan and hex.
  std::size_t i = 0;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
  std::size_t digits = 0;
  while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && is_digit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return std::nullopt;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
    std::size_t exponent_digits = 0;
    while (i < text.size() && is_digit(text[i])) ++i, ++exponent_digits;
    if (exponent_digits == 0) return std::nullopt;
  }
  if (i != text.size()) return std::nullopt;
  const std::string copy(text);
  errno = 0;
  const double value = std::strtod(copy.c_str(), nullptr);
  if (!std::isfinite(value)) return std::nullopt;
  return value;
}

}  // namespace host

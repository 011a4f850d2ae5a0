// Strict number parsing for every host program: the whole text must be the
// number (no leading or trailing blanks or letters, no empty text), and it
// must fit the range asked for. One parser per kind of number, so every
// program accepts and refuses the same texts.
#ifndef HOST_STRICT_NUMBER_H
#define HOST_STRICT_NUMBER_H

#include <cstdint>
#include <optional>
#include <string_view>

namespace host {

// Decimal integer with an optional leading '-' or '+', within [min, max].
std::optional<std::int64_t> parse_integer(std::string_view text, std::int64_t min,
                                          std::int64_t max);
// Decimal integer without a sign, within [0, max].
std::optional<std::uint64_t> parse_unsigned(std::string_view text, std::uint64_t max);
// Finite decimal real ("1.5", "-2", "1e-3"); no "inf", "nan" or hex floats.
std::optional<double> parse_real(std::string_view text);

}  // namespace host

#endif

// How the panel reads a number from an edit box.
//
// The rule is lenient on purpose, and operators rely on it: text that holds no number reads as
// 0, whatever follows the digits is ignored, and the caller keeps only the low 8 bits.
//   1. Only the first 255 characters count (the text stops at a NUL as well).
//   2. Empty text gives 0.
//   3. Leading white space (blank, \t, \n, \v, \f, \r) is skipped, then at most one sign; if the
//      next character is not a decimal digit the value is 0.
//   4. Otherwise strtol semantics in base 10: the digit run after the sign, negative after '-',
//      the rest ignored, saturated to the signed 32-bit range.
//
// The text is taken as UTF-8 bytes. Only ASCII characters take part in the rule, so counting
// the 255 as bytes or as characters gives the same value.
#pragma once

#include <cstdint>
#include <string_view>

inline constexpr std::size_t dlgItemTextLimit = 255;

std::int32_t readDlgItemInt(std::string_view text);

// The low 8 bits in two's complement: -1 gives 255, 256 gives 0.
constexpr std::uint8_t lowByte(std::int32_t value)
{
    return static_cast<std::uint8_t>(static_cast<std::uint32_t>(value) & 0xFFu);
}

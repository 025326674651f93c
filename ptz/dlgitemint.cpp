#include "dlgitemint.h"

#include <limits>

namespace {
constexpr bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}
constexpr bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}
} // namespace

std::int32_t readDlgItemInt(std::string_view text)
{
    text = text.substr(0, dlgItemTextLimit);
    if (const auto nul = text.find('\0'); nul != std::string_view::npos)
        text = text.substr(0, nul);

    std::size_t i = 0;
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i >= text.size() || !isDigit(text[i]))
        return 0;

    // Accumulate the magnitude in 64 bits and stop growing once past the 32-bit range.
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && isDigit(text[i]); ++i) {
        magnitude = magnitude * 10 + (text[i] - '0');
        if (magnitude > limit)
            magnitude = limit;
    }
    if (negative)
        return static_cast<std::int32_t>(-magnitude); // -2^31 at most: fits
    if (magnitude >= limit)
        return std::numeric_limits<std::int32_t>::max();
    return static_cast<std::int32_t>(magnitude);
}

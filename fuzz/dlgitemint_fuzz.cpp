// readDlgItemInt against an independent reference built on the C library's strtoll: the two must
// agree on every input. The reference follows the edit-box rule step by step: only the first 255
// characters count, the text ends at a NUL, no digit after the blanks and the sign gives 0, and
// the value saturates to the signed 32-bit range.
#include "dlgitemint.h"

#include <cerrno>
#include <cinttypes>
#include <clocale>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

namespace {
bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

std::int32_t reference(const std::uint8_t *data, std::size_t size)
{
    // The edit box's buffer holds 256 characters: at most 255 and the terminator.
    std::string copy(reinterpret_cast<const char *>(data), size < 255 ? size : 255);
    const char *text = copy.c_str(); // stops at an embedded NUL, as the box's text does

    // strtoll would also accept "- 5" as no conversion (0), but check the rule explicitly:
    // after the blanks and at most one sign there must be a digit.
    const char *p = text;
    while (*p != '\0' && isBlank(*p))
        ++p;
    if (*p == '+' || *p == '-')
        ++p;
    if (*p < '0' || *p > '9')
        return 0;

    errno = 0;
    const long long value = std::strtoll(text, nullptr, 10);
    if (value > std::numeric_limits<std::int32_t>::max())
        return std::numeric_limits<std::int32_t>::max();
    if (value < std::numeric_limits<std::int32_t>::min())
        return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(value);
}
} // namespace

extern "C" int LLVMFuzzerInitialize(int *, char ***)
{
    std::setlocale(LC_ALL, "C"); // strtoll's blanks are the C locale's
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const std::int32_t got = readDlgItemInt(text);
    const std::int32_t want = reference(data, size);
    if (got != want) {
        std::fprintf(stderr, "readDlgItemInt gave %" PRId32 ", the reference %" PRId32 "\n", got,
                     want);
        std::abort();
    }
    // lowByte is the two's complement low byte of the value.
    const auto low =
        static_cast<std::uint8_t>(((static_cast<std::int64_t>(got) % 256) + 256) % 256);
    if (lowByte(got) != low) {
        std::fprintf(stderr, "lowByte(%" PRId32 ") gave %u, expected %u\n", got, lowByte(got), low);
        std::abort();
    }
    return 0;
}

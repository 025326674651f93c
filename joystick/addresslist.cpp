#include "addresslist.h"

#include <algorithm>
#include <charconv>
#include <string>

namespace pad {

namespace {

int parseAddress(std::string_view text, std::string_view item)
{
    int value = -1;
    const bool digits =
        !text.empty() && text.size() <= 3 &&
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    if (digits)
        std::from_chars(text.data(), text.data() + text.size(), value);
    if (value < 0 || value > 255)
        throw std::invalid_argument("bad address '" + std::string(item) +
                                    "' (expected N or N-M, 0 to 255, as in 1,3,5-7)");
    return value;
}

} // namespace

std::vector<std::uint8_t> parseAddressList(std::string_view text)
{
    std::vector<std::uint8_t> out;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        const std::string_view item = text.substr(start, comma - start);
        const auto dash = item.find('-');
        const int first = parseAddress(item.substr(0, dash), item);
        const int last =
            dash == std::string_view::npos ? first : parseAddress(item.substr(dash + 1), item);
        if (last < first)
            throw std::invalid_argument("bad address range '" + std::string(item) +
                                        "' (the first address is greater than the last)");
        for (int a = first; a <= last; ++a)
            if (std::find(out.begin(), out.end(), std::uint8_t(a)) == out.end())
                out.push_back(std::uint8_t(a));
        if (comma == std::string_view::npos)
            return out;
        start = comma + 1;
    }
}

} // namespace pad

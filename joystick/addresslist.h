// --address LIST for tarnctl joystick: addresses and ranges, comma-separated ("1,3,5-7"), each
// 0 to 255, in the order given (the first is the current camera); repeats are dropped.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string_view>
#include <vector>

namespace pad {

// Throws std::invalid_argument naming the bad item.
std::vector<std::uint8_t> parseAddressList(std::string_view text);

} // namespace pad

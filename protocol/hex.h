// Bytes as text, the way every tool of ours shows them.
#pragma once

#include "protocol.h"

#include <span>
#include <string>

namespace pelco {

// Upper-case hex byte pairs separated by single spaces: "FF 01 00 08 00 3F 48".
std::string toHex(const Byte *bytes, std::size_t count);
inline std::string toHex(std::span<const Byte> bytes)
{
    return toHex(bytes.data(), bytes.size());
}

} // namespace pelco

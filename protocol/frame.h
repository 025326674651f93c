// A frame of either dialect as a value: its dialect, its address and the four payload bytes.
// The framing bytes and the checksum follow from those (dialect.h, pelcod.cpp, pelcop.cpp).
#pragma once

#include "protocol.h"

#include <array>
#include <optional>
#include <span>
#include <vector>

namespace pelco {

inline constexpr Byte pelcoSync = 0xFF; // Pelco D's first byte
inline constexpr Byte pelcoPStx = 0xA0;
inline constexpr Byte pelcoPEtx = 0xAF;
inline constexpr Byte pelcoTurboSpeed = 0xFF; // Pelco D's pan speed for turbo
inline constexpr Byte pelcoPTurboSpeed = 0x40;

using PelcoBytes = std::array<Byte, 7>;  // a Pelco D frame
using PelcoPBytes = std::array<Byte, 8>; // a Pelco P frame

struct Frame
{
    Protocol protocol = Protocol::PelcoD;
    Byte address = 0;
    Payload payload{};

    // The frame's last byte.
    Byte checksum() const;
    // The bytes on the line: seven of Pelco D, eight of Pelco P.
    std::vector<Byte> encode() const;
    // The frame that bytes are: exactly one whole frame of the protocol, its framing bytes and
    // checksum right; nullopt for anything else.
    static std::optional<Frame> decode(Protocol protocol, std::span<const Byte> bytes);

    friend bool operator==(const Frame &, const Frame &) = default;
};

// The checksum a frame of the protocol with this address and payload ends in.
Byte checksum(Protocol protocol, Byte address, const Payload &payload);

// Frame{protocol, address, payload}.encode().
std::vector<Byte> frameBytes(Protocol protocol, Byte address, const Payload &payload);

} // namespace pelco

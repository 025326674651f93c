// The Pelco protocol library: the serial PTZ dialects Pelco D and Pelco P as plain values,
// encoded and decoded from one code table (codes.h), a receiver that finds frames in a byte
// stream (receiver.h) and the replies a camera sends (reply.h).
//
// It depends on the C++ standard library and nothing else: no Qt, no serial port, no windows,
// no resources. The panel, tarnctl and the virtual camera build on it.
//
// The panel speaks Pelco D only; tarnctl and the virtual camera speak both, chosen with
// --protocol d|p.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace pelco {

using Byte = std::uint8_t;

// The four bytes between a frame's address and its tail: command 1, command 2, data 1, data 2
// in Pelco D; data 1 to data 4 in Pelco P.
using Payload = std::array<Byte, 4>;

// The dialects. Each is one file (pelcod.cpp, pelcop.cpp: framing, checksum, names) and one
// column of the code table (codes.h).
enum class Protocol { PelcoD, PelcoP };
inline constexpr std::size_t protocolCount = 2;
inline constexpr std::array<Protocol, protocolCount> allProtocols{Protocol::PelcoD,
                                                                  Protocol::PelcoP};

// "d" or "p", as the command line names them; nullopt for anything else.
std::optional<Protocol> protocolFromName(std::string_view name);

// 'D' or 'P': how the monitor marks a line.
char protocolLetter(Protocol protocol);

// "Pelco D" or "Pelco P", for messages.
std::string_view protocolName(Protocol protocol);

} // namespace pelco

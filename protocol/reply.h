// What a Pelco D camera sends back, where its receive pair is wired: the two reply forms.
//
//  - Extended response, seven bytes with the usual checksum: FF, address, 00, 59 / 5B / 5D
//    (pan / tilt / zoom position), value high, value low, checksum. It answers a query.
//  - General response, four bytes: FF, address, alarm bits, checksum, where the checksum is the
//    checksum of the command it answers plus the alarm byte, mod 256. Some receivers send it
//    for every command that has no reply of its own. It can only be recognised by someone who
//    knows the command it answers.
//
// Pelco P has no replies.
#pragma once

#include "command.h"
#include "frame.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pelco {

using PelcoGeneralBytes = std::array<Byte, 4>;

struct PelcoReply
{
    enum class Kind { PanPosition, TiltPosition, ZoomPosition, General };

    Kind kind = Kind::General;
    Byte address = 0;
    std::uint16_t value = 0; // the positions: pan in hundredths of a degree, tilt and zoom raw
    Byte alarms = 0;         // General

    bool operator==(const PelcoReply &) const = default;
};

// The reply a decoded frame is: an extended response (PanPositionResponse: PanPosition, ...),
// nullopt for a command.
std::optional<PelcoReply> replyOf(const PelcoCommand &frame);

// The extended response that a query asks for (QueryPan: PanPosition, ...), nullopt for a
// command that is no query.
std::optional<PelcoReply::Kind> answerTo(const PelcoCommand &query);

// The seven bytes of an extended response (kind is not General).
PelcoBytes extendedResponse(Byte address, PelcoReply::Kind kind, std::uint16_t value);

// The four bytes of the general response to a Pelco D command with the given address and
// checksum (a command's last byte).
PelcoGeneralBytes generalResponse(Byte address, Byte commandChecksum, Byte alarms);

// "extended response: pan position 90.00° from address 1", "... tilt position 12345 ...",
// "general response from address 1, alarm bits 00".
std::string describe(const PelcoReply &reply);

// A pan position in hundredths of a degree as degrees: 9000 is "90.00°".
std::string degreesText(std::uint16_t hundredths);

} // namespace pelco

// Telnet COM Port Control (RFC 2217): the option's command codes, the requests that set a line,
// and the server's answers. Plain C++ over telnetcodec.h.
#pragma once

#include "telnetcodec.h"

#include <cstdint>
#include <optional>
#include <string>

namespace rfc2217 {

inline constexpr std::uint8_t comPortOption = 44;
// The server answers a command with the command's code plus this.
inline constexpr std::uint8_t serverOffset = 100;

enum class Command : std::uint8_t {
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};

// The values of the line commands.
namespace parity {
inline constexpr std::uint8_t none = 1, odd = 2, even = 3, mark = 4, space = 5;
}
namespace stopSize {
inline constexpr std::uint8_t one = 1, two = 2, oneAndHalf = 3;
}
namespace control {
inline constexpr std::uint8_t noFlowControl = 1, xonXoff = 2, hardware = 3;
}
namespace purge {
inline constexpr std::uint8_t receive = 1, transmit = 2, both = 3;
}

// A command and its value (4 bytes for the rate, 1 for the others).
struct Setting
{
    Command command;
    std::uint32_t value;

    friend bool operator==(const Setting &, const Setting &) = default;
};

// IAC SB COM-PORT-OPTION <command> <value> IAC SE, the value in network byte order.
void appendRequest(telnet::Bytes &out, Setting setting);

// The setting a server's subnegotiation reports (command + 100 and the value it set); nullopt
// for anything else, or a value of the wrong size.
std::optional<Setting> readAnswer(const telnet::Event &event);

// "4800 baud", "7 data bits", "even parity", "2 stop bits", "XON/XOFF flow control": a setting
// as an operator reads it.
std::string describe(Setting setting);

} // namespace rfc2217

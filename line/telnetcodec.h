// Telnet's byte stream, both ways (RFC 854/855), with no I/O and no Qt: what a network line runs
// its bytes through.
//
//  - Out: a data byte 255 (IAC) is sent twice; negotiation (IAC WILL/WONT/DO/DONT option) and
//    subnegotiation (IAC SB option payload IAC SE, an IAC in the payload doubled) are built here.
//  - In: a small state machine over the stream, so that commands may arrive anywhere, split
//    across reads at any byte: IAC IAC is one data byte 255, negotiation and subnegotiation
//    become events, any other two-byte command (NOP, GA, ...) is an event and no data.
//    A subnegotiation whose IAC is followed by neither IAC nor SE ends there (the stray command
//    is then read as a command); its payload is kept to maxPayload bytes.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace telnet {

inline constexpr std::uint8_t IAC = 255;
inline constexpr std::uint8_t DONT = 254;
inline constexpr std::uint8_t DO = 253;
inline constexpr std::uint8_t WONT = 252;
inline constexpr std::uint8_t WILL = 251;
inline constexpr std::uint8_t SB = 250;
inline constexpr std::uint8_t SE = 240;

inline constexpr std::uint8_t optionBinary = 0;

using Bytes = std::vector<std::uint8_t>;

struct Event
{
    enum class Kind { Will, Wont, Do, Dont, Subnegotiation, Command };
    Kind kind;
    std::uint8_t option; // the option; for Command the command byte (241 NOP, 249 GA, ...)
    Bytes payload;       // Subnegotiation only: the bytes between the option and IAC SE

    friend bool operator==(const Event &, const Event &) = default;
};

// Appends data to out with every 255 doubled.
void appendEscaped(Bytes &out, std::span<const std::uint8_t> data);
// IAC verb option; verb is WILL, WONT, DO or DONT.
void appendNegotiation(Bytes &out, std::uint8_t verb, std::uint8_t option);
// IAC SB option payload IAC SE, with every 255 of the payload doubled.
void appendSubnegotiation(Bytes &out, std::uint8_t option, std::span<const std::uint8_t> payload);

class Decoder
{
public:
    static constexpr std::size_t maxPayload = 256;

    // Reads the next piece of the stream: its data bytes go to data, its commands to events,
    // each in the order they came.
    void feed(std::span<const std::uint8_t> in, Bytes &data, std::vector<Event> &events);

private:
    // The byte after an IAC outside a subnegotiation.
    void afterIac(std::uint8_t b, Bytes &data, std::vector<Event> &events);

    enum class State { Data, Iac, Verb, SbOption, Sb, SbIac };
    State m_state = State::Data;
    std::uint8_t m_verb = 0;
    std::uint8_t m_subOption = 0;
    Bytes m_payload;
};

} // namespace telnet

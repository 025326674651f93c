// The control's Settings text: "baud,parity,data bits,stop bits", for instance "9600,n,8,1".
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct CommSettings
{
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };

    std::int32_t baudRate = 9600;
    Parity parity = Parity::None;
    int dataBits = 8;
    StopBits stopBits = StopBits::One;

    friend bool operator==(const CommSettings &, const CommSettings &) = default;
};

inline constexpr std::int32_t maxBaudRate = 4000000;

// Parses the text strictly: a baud rate from 1 to maxBaudRate in decimal, parity n, e, o, m or
// s (either case), 5 to 8 data bits, stop bits 1, 1.5 or 2; no blanks, nothing more. Raises
// CommError naming what is wrong.
CommSettings parseCommSettings(std::string_view text);

#include "commsettings.h"

#include "mscomm.h"

#include <array>

namespace {
[[noreturn]] void refuse(std::string_view text, const char *why)
{
    throw CommError("Settings \"" + std::string(text) + "\" refused: " + why +
                    " (expected baud,parity,data bits,stop bits, for instance 9600,n,8,1)");
}
} // namespace

CommSettings parseCommSettings(std::string_view text)
{
    std::array<std::string_view, 4> fields;
    std::size_t count = 0;
    std::size_t start = 0;
    while (true) {
        const std::size_t comma = text.find(',', start);
        const std::string_view field = text.substr(
            start, comma == std::string_view::npos ? std::string_view::npos : comma - start);
        if (count == fields.size())
            refuse(text, "too many fields");
        fields[count++] = field;
        if (comma == std::string_view::npos)
            break;
        start = comma + 1;
    }
    if (count != fields.size())
        refuse(text, "four fields are needed");

    CommSettings settings;

    const std::string_view baud = fields[0];
    if (baud.empty() || baud.size() > 7)
        refuse(text, "the baud rate is not a number from 1 to 4000000");
    std::int32_t rate = 0;
    for (char c : baud) {
        if (c < '0' || c > '9')
            refuse(text, "the baud rate is not a number from 1 to 4000000");
        rate = rate * 10 + (c - '0');
    }
    if (rate < 1 || rate > maxBaudRate)
        refuse(text, "the baud rate is not a number from 1 to 4000000");
    settings.baudRate = rate;

    const std::string_view parity = fields[1];
    if (parity.size() != 1)
        refuse(text, "the parity is not one of n, e, o, m, s");
    switch (parity[0]) {
    case 'n':
    case 'N':
        settings.parity = CommSettings::Parity::None;
        break;
    case 'e':
    case 'E':
        settings.parity = CommSettings::Parity::Even;
        break;
    case 'o':
    case 'O':
        settings.parity = CommSettings::Parity::Odd;
        break;
    case 'm':
    case 'M':
        settings.parity = CommSettings::Parity::Mark;
        break;
    case 's':
    case 'S':
        settings.parity = CommSettings::Parity::Space;
        break;
    default:
        refuse(text, "the parity is not one of n, e, o, m, s");
    }

    const std::string_view data = fields[2];
    if (data.size() != 1 || data[0] < '5' || data[0] > '8')
        refuse(text, "the data bits are not 5, 6, 7 or 8");
    settings.dataBits = data[0] - '0';

    const std::string_view stop = fields[3];
    if (stop == "1")
        settings.stopBits = CommSettings::StopBits::One;
    else if (stop == "1.5")
        settings.stopBits = CommSettings::StopBits::OneAndHalf;
    else if (stop == "2")
        settings.stopBits = CommSettings::StopBits::Two;
    else
        refuse(text, "the stop bits are not 1, 1.5 or 2");

    return settings;
}

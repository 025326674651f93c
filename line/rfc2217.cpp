#include "rfc2217.h"

namespace rfc2217 {

void appendRequest(telnet::Bytes &out, Setting setting)
{
    telnet::Bytes payload{std::uint8_t(setting.command)};
    if (setting.command == Command::SetBaudRate) {
        for (int shift = 24; shift >= 0; shift -= 8)
            payload.push_back(std::uint8_t(setting.value >> shift));
    } else {
        payload.push_back(std::uint8_t(setting.value));
    }
    telnet::appendSubnegotiation(out, comPortOption, payload);
}

std::optional<Setting> readAnswer(const telnet::Event &event)
{
    if (event.kind != telnet::Event::Kind::Subnegotiation || event.option != comPortOption ||
        event.payload.empty() || event.payload[0] < serverOffset)
        return std::nullopt;
    const auto command = Command(event.payload[0] - serverOffset);
    const std::size_t size = command == Command::SetBaudRate ? 4 : 1;
    if (command > Command::PurgeData || event.payload.size() != 1 + size)
        return std::nullopt;
    std::uint32_t value = 0;
    for (std::size_t i = 1; i <= size; ++i)
        value = value << 8 | event.payload[i];
    return Setting{command, value};
}

std::string describe(Setting setting)
{
    const std::string v = std::to_string(setting.value);
    switch (setting.command) {
    case Command::SetBaudRate:
        return v + " baud";
    case Command::SetDataSize:
        return v + " data bits";
    case Command::SetParity:
        switch (setting.value) {
        case parity::none:
            return "no parity";
        case parity::odd:
            return "odd parity";
        case parity::even:
            return "even parity";
        case parity::mark:
            return "mark parity";
        case parity::space:
            return "space parity";
        }
        return "parity " + v;
    case Command::SetStopSize:
        switch (setting.value) {
        case stopSize::one:
            return "1 stop bit";
        case stopSize::two:
            return "2 stop bits";
        case stopSize::oneAndHalf:
            return "1.5 stop bits";
        }
        return "stop size " + v;
    case Command::SetControl:
        switch (setting.value) {
        case control::noFlowControl:
            return "no flow control";
        case control::xonXoff:
            return "XON/XOFF flow control";
        case control::hardware:
            return "hardware flow control";
        }
        return "control " + v;
    default:
        return "command " + std::to_string(int(setting.command)) + " value " + v;
    }
}

} // namespace rfc2217

#include "rfc2217line.h"

namespace lines {

namespace {

using rfc2217::Command;
using rfc2217::Setting;
using telnet::Event;

std::uint8_t parityValue(Framing::Parity parity)
{
    switch (parity) {
    case Framing::Parity::None:
        return rfc2217::parity::none;
    case Framing::Parity::Odd:
        return rfc2217::parity::odd;
    case Framing::Parity::Even:
        return rfc2217::parity::even;
    case Framing::Parity::Mark:
        return rfc2217::parity::mark;
    case Framing::Parity::Space:
        return rfc2217::parity::space;
    }
    return rfc2217::parity::none;
}

std::uint8_t stopValue(Framing::StopBits stop)
{
    switch (stop) {
    case Framing::StopBits::One:
        return rfc2217::stopSize::one;
    case Framing::StopBits::OneAndHalf:
        return rfc2217::stopSize::oneAndHalf;
    case Framing::StopBits::Two:
        return rfc2217::stopSize::two;
    }
    return rfc2217::stopSize::one;
}

std::uint8_t controlValue(Framing::FlowControl flow)
{
    switch (flow) {
    case Framing::FlowControl::None:
        return rfc2217::control::noFlowControl;
    case Framing::FlowControl::XonXoff:
        return rfc2217::control::xonXoff;
    case Framing::FlowControl::RtsCts:
    case Framing::FlowControl::RtsCtsXonXoff: // the option has no mode for both
        return rfc2217::control::hardware;
    }
    return rfc2217::control::noFlowControl;
}

} // namespace

Rfc2217Line::Rfc2217Line(QObject *parent) : NetworkLine(NetworkAddress::Scheme::Rfc2217, parent) {}

Rfc2217Line::~Rfc2217Line() = default;

std::vector<Setting> Rfc2217Line::settingsFor(int rate, const Framing &framing)
{
    return {
        {Command::SetBaudRate, std::uint32_t(rate)},
        {Command::SetDataSize, std::uint32_t(framing.dataBits)},
        {Command::SetParity, parityValue(framing.parity)},
        {Command::SetStopSize, stopValue(framing.stopBits)},
        {Command::SetControl, controlValue(framing.flowControl)},
    };
}

void Rfc2217Line::ask(const std::vector<Setting> &settings, telnet::Bytes wire)
{
    for (const Setting &s : settings)
        rfc2217::appendRequest(wire, s);
    m_asked = settings;
    m_answers = {};
    send(wire);
}

void Rfc2217Line::startSession(int rate, const Framing &framing)
{
    m_decoder = telnet::Decoder();
    m_comPort = Option::Asked;
    telnet::Bytes wire;
    telnet::appendNegotiation(wire, telnet::WILL, rfc2217::comPortOption);
    telnet::appendNegotiation(wire, telnet::WILL, telnet::optionBinary);
    telnet::appendNegotiation(wire, telnet::DO, telnet::optionBinary);
    ask(settingsFor(rate, framing), std::move(wire));
}

bool Rfc2217Line::sessionReady()
{
    if (m_comPort == Option::Refused)
        throw LineError(QStringLiteral("%1 is not an RFC 2217 server (it refused COM-PORT-OPTION)")
                            .arg(endpoint()));
    if (m_comPort != Option::Accepted)
        return false;
    for (const Setting &asked : m_asked) {
        const std::optional<std::uint32_t> answer = m_answers[std::size_t(asked.command)];
        if (!answer)
            return false;
        if (*answer != asked.value)
            throw LineError(
                QStringLiteral("%1 set %2 when %3 was asked")
                    .arg(endpoint(),
                         QString::fromStdString(rfc2217::describe({asked.command, *answer})),
                         asked.command == Command::SetBaudRate
                             ? QString::number(asked.value) // "set 4800 baud when 9600 was asked"
                             : QString::fromStdString(rfc2217::describe(asked))));
    }
    return true;
}

void Rfc2217Line::configure(int rate, const Framing &framing)
{
    const int oldRate = m_rate;
    const Framing oldFraming = m_framing;
    m_rate = rate;
    m_framing = framing;
    if (!isOpen() || !connected())
        return;
    const std::vector<Setting> before = settingsFor(oldRate, oldFraming);
    const std::vector<Setting> after = settingsFor(rate, framing);
    std::vector<Setting> changed, restore;
    for (std::size_t i = 0; i < after.size(); ++i) {
        if (after[i] != before[i]) {
            changed.push_back(after[i]);
            restore.push_back(before[i]);
        }
    }
    if (changed.empty())
        return;
    try {
        ask(changed);
        waitFor([this] { return sessionReady(); }, QDeadlineTimer(answerTimeout()));
    } catch (...) {
        m_rate = oldRate;
        m_framing = oldFraming;
        try {
            if (connected()) {
                telnet::Bytes wire;
                for (const Setting &s : restore)
                    rfc2217::appendRequest(wire, s);
                m_asked.clear();
                send(wire);
            }
        } catch (const LineError &) {
        }
        throw;
    }
}

void Rfc2217Line::receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t> &data,
                          std::vector<std::uint8_t> &reply)
{
    std::vector<Event> events;
    m_decoder.feed(wire, data, events);
    for (const Event &e : events) {
        const bool ours = e.option == rfc2217::comPortOption || e.option == telnet::optionBinary;
        switch (e.kind) {
        case Event::Kind::Do:
            if (e.option == rfc2217::comPortOption)
                m_comPort = Option::Accepted;
            else if (!ours)
                telnet::appendNegotiation(reply, telnet::WONT, e.option);
            break;
        case Event::Kind::Dont:
            if (e.option == rfc2217::comPortOption)
                m_comPort = Option::Refused;
            break;
        case Event::Kind::Will:
            // Binary is ours, asked for. Some servers (pyserial's) offer the port option from
            // their side too: left unanswered, as refusing it might make them drop the option.
            if (e.option != telnet::optionBinary && e.option != rfc2217::comPortOption)
                telnet::appendNegotiation(reply, telnet::DONT, e.option);
            break;
        case Event::Kind::Wont:
        case Event::Kind::Command:
            break;
        case Event::Kind::Subnegotiation:
            if (const auto answer = rfc2217::readAnswer(e))
                m_answers[std::size_t(answer->command)] = answer->value;
            break;
        }
    }
}

void Rfc2217Line::encode(std::span<const std::uint8_t> data, std::vector<std::uint8_t> &wire)
{
    telnet::appendEscaped(wire, data);
}

void Rfc2217Line::purge(Direction direction)
{
    const std::uint32_t what = direction == Direction::Input    ? rfc2217::purge::receive
                               : direction == Direction::Output ? rfc2217::purge::transmit
                                                                : rfc2217::purge::both;
    // The server's answer marks the point in the stream after which every byte is new.
    try {
        ask({{Command::PurgeData, what}});
        waitFor([this] { return sessionReady(); }, QDeadlineTimer(answerTimeout()));
    } catch (const LineError &) {
        // Dropping never fails; the next write says what became of the connection.
    }
}

} // namespace lines

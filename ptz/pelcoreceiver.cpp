#include "pelcoreceiver.h"

#include "commandframe.h"

#include <algorithm>

namespace {

constexpr std::size_t frameSize = 7;

// Command 1.
constexpr BYTE senseBit = 0x80;
constexpr BYTE reservedBits = 0x60;
constexpr BYTE scanBit = 0x10;
constexpr BYTE cameraBit = 0x08;
constexpr BYTE irisCloseBit = 0x04;
constexpr BYTE irisOpenBit = 0x02;
constexpr BYTE focusNearBit = 0x01;
// Command 2.
constexpr BYTE focusFarBit = 0x80;
constexpr BYTE zoomWideBit = 0x40;
constexpr BYTE zoomTeleBit = 0x20;
constexpr BYTE downBit = 0x10;
constexpr BYTE upBit = 0x08;
constexpr BYTE leftBit = 0x04;
constexpr BYTE rightBit = 0x02;
constexpr BYTE extendedBit = 0x01;

bool checksumMatches(const std::vector<BYTE> &frame)
{
    return ComputeChecksum(frame[1], frame[2], frame[3], frame[4], frame[5]) == frame[6];
}

std::string hexByte(BYTE b)
{
    return toHex(&b, 1);
}

std::string speedText(BYTE speed)
{
    return speed == pelcoTurboSpeed ? std::string("turbo") : "speed " + std::to_string(speed);
}

} // namespace

bool PelcoCommand::isStop() const
{
    return kind == Kind::Standard && !panLeft && !panRight && !tiltUp && !tiltDown && !zoomTele &&
           !zoomWide && !focusFar && !focusNear && !irisOpen && !irisClose && !cameraOn &&
           !autoScan;
}

PelcoCommand decodePelco(const PelcoBytes &bytes)
{
    PelcoCommand c;
    c.bytes = bytes;
    const BYTE c1 = c.command1();
    const BYTE c2 = c.command2();
    if (c2 & extendedBit) {
        c.kind = PelcoCommand::Kind::Unknown;
        if (c1 == 0) {
            c.preset = c.data2();
            switch (c2) {
            case 0x03:
                c.kind = PelcoCommand::Kind::SetPreset;
                break;
            case 0x05:
                c.kind = PelcoCommand::Kind::ClearPreset;
                break;
            case 0x07:
                c.kind = PelcoCommand::Kind::GotoPreset;
                break;
            default:
                c.preset = 0;
                break;
            }
        }
        return c;
    }
    if (c1 & reservedBits) {
        c.kind = PelcoCommand::Kind::Unknown;
        return c;
    }
    c.kind = PelcoCommand::Kind::Standard;
    c.panLeft = c2 & leftBit;
    c.panRight = c2 & rightBit;
    c.tiltUp = c2 & upBit;
    c.tiltDown = c2 & downBit;
    c.zoomTele = c2 & zoomTeleBit;
    c.zoomWide = c2 & zoomWideBit;
    c.focusFar = c2 & focusFarBit;
    c.focusNear = c1 & focusNearBit;
    c.irisOpen = c1 & irisOpenBit;
    c.irisClose = c1 & irisCloseBit;
    const bool sense = c1 & senseBit;
    if (c1 & cameraBit)
        c.cameraOn = sense;
    if (c1 & scanBit)
        c.autoScan = sense;
    c.panSpeed = c.data1();
    c.tiltSpeed = c.data2();
    return c;
}

std::string extendedCommandName(BYTE command2)
{
    switch (command2) {
    case 0x03:
        return "set preset";
    case 0x05:
        return "clear preset";
    case 0x07:
        return "go to preset";
    case 0x09:
        return "set auxiliary";
    case 0x0B:
        return "clear auxiliary";
    case 0x0F:
        return "remote reset";
    case 0x11:
        return "set zone start";
    case 0x13:
        return "set zone end";
    case 0x15:
        return "write character";
    case 0x17:
        return "clear screen";
    case 0x19:
        return "alarm acknowledge";
    case 0x1B:
        return "zone scan on";
    case 0x1D:
        return "zone scan off";
    case 0x1F:
        return "set pattern start";
    case 0x21:
        return "set pattern stop";
    case 0x23:
        return "run pattern";
    case 0x25:
        return "set zoom speed";
    case 0x27:
        return "set focus speed";
    case 0x29:
        return "reset camera";
    case 0x2B:
        return "auto focus";
    case 0x2D:
        return "auto iris";
    case 0x2F:
        return "AGC";
    case 0x31:
        return "backlight compensation";
    case 0x33:
        return "auto white balance";
    case 0x45:
        return "query";
    case 0x4B:
        return "set pan position";
    case 0x4D:
        return "set tilt position";
    case 0x4F:
        return "set zoom position";
    case 0x51:
        return "query pan position";
    case 0x53:
        return "query tilt position";
    case 0x55:
        return "query zoom position";
    default:
        return {};
    }
}

std::string describe(const PelcoCommand &c)
{
    using Kind = PelcoCommand::Kind;
    switch (c.kind) {
    case Kind::SetPreset:
        return "set preset " + std::to_string(c.preset);
    case Kind::ClearPreset:
        return "clear preset " + std::to_string(c.preset);
    case Kind::GotoPreset:
        return "go to preset " + std::to_string(c.preset);
    case Kind::Unknown: {
        std::string text = "unknown command " + toHex(c.bytes.data() + 2, 4);
        if (c.command2() & extendedBit) {
            const std::string name = extendedCommandName(c.command2());
            if (!name.empty())
                text += " (" + name + ")";
        } else {
            text += " (reserved bits set)";
        }
        return text;
    }
    case Kind::Standard:
        break;
    }
    if (c.isStop())
        return "stop";
    std::vector<std::string> parts;
    if (c.panLeft)
        parts.push_back("pan left " + speedText(c.panSpeed));
    if (c.panRight)
        parts.push_back("pan right " + speedText(c.panSpeed));
    if (c.tiltUp)
        parts.push_back("tilt up " + speedText(c.tiltSpeed));
    if (c.tiltDown)
        parts.push_back("tilt down " + speedText(c.tiltSpeed));
    if (c.zoomTele)
        parts.push_back("zoom tele");
    if (c.zoomWide)
        parts.push_back("zoom wide");
    if (c.focusFar)
        parts.push_back("focus far");
    if (c.focusNear)
        parts.push_back("focus near");
    if (c.irisOpen)
        parts.push_back("iris open");
    if (c.irisClose)
        parts.push_back("iris close");
    if (c.cameraOn)
        parts.push_back(*c.cameraOn ? "camera on" : "camera off");
    if (c.autoScan)
        parts.push_back(*c.autoScan ? "auto scan" : "manual scan");
    std::string text;
    for (const auto &part : parts)
        text += (text.empty() ? "" : ", ") + part;
    return text;
}

std::string describe(const PelcoEvent &event)
{
    switch (event.type) {
    case PelcoEvent::Type::Frame:
        return describe(event.command);
    case PelcoEvent::Type::BadChecksum: {
        const auto &b = event.bytes;
        return "bad checksum (expected " + hexByte(ComputeChecksum(b[1], b[2], b[3], b[4], b[5])) +
               ")";
    }
    case PelcoEvent::Type::Skipped:
        return "skipped " + std::to_string(event.bytes.size()) +
               (event.bytes.size() == 1 ? " byte" : " bytes");
    case PelcoEvent::Type::Incomplete:
        return "incomplete frame";
    }
    return {};
}

std::vector<PelcoEvent> PelcoReceiver::feed(std::span<const BYTE> bytes)
{
    std::vector<PelcoEvent> events;
    for (BYTE b : bytes)
        take(b, events);
    return events;
}

void PelcoReceiver::take(BYTE byte, std::vector<PelcoEvent> &events)
{
    if (m_frame.empty()) {
        if (byte != pelcoSync) {
            m_skipped.push_back(byte);
            return;
        }
        emitSkipped(events);
    }
    m_frame.push_back(byte);
    if (m_frame.size() < frameSize)
        return;

    if (checksumMatches(m_frame)) {
        PelcoBytes bytes;
        std::copy(m_frame.begin(), m_frame.end(), bytes.begin());
        events.push_back({PelcoEvent::Type::Frame, m_frame, decodePelco(bytes)});
        m_frame.clear();
        return;
    }
    events.push_back({PelcoEvent::Type::BadChecksum, m_frame, {}});
    // Search again from the byte after the failed frame's sync. The bytes up to the next sync
    // were shown in the report just made and are not reported again as skipped.
    std::vector<BYTE> rest(m_frame.begin() + 1, m_frame.end());
    m_frame.clear();
    for (std::size_t i = 0; i < rest.size(); ++i) {
        if (rest[i] == pelcoSync) {
            m_frame.assign(rest.begin() + std::ptrdiff_t(i), rest.end());
            break;
        }
    }
}

void PelcoReceiver::emitSkipped(std::vector<PelcoEvent> &events)
{
    if (m_skipped.empty())
        return;
    events.push_back({PelcoEvent::Type::Skipped, std::move(m_skipped), {}});
    m_skipped.clear();
}

std::vector<PelcoEvent> PelcoReceiver::flushSkipped()
{
    std::vector<PelcoEvent> events;
    emitSkipped(events);
    return events;
}

std::vector<PelcoEvent> PelcoReceiver::finish()
{
    std::vector<PelcoEvent> events;
    emitSkipped(events);
    if (!m_frame.empty()) {
        events.push_back({PelcoEvent::Type::Incomplete, std::move(m_frame), {}});
        m_frame.clear();
    }
    return events;
}

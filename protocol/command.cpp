#include "command.h"

#include "commandframe.h"
#include "reply.h"

#include <vector>

namespace {

using Kind = PelcoCommand::Kind;

constexpr BYTE extendedBit = 0x01;

// The standard commands' bits, which differ between the protocols.
struct StandardBits
{
    // In the first payload byte.
    BYTE reserved, sense, cameraPower, scan, irisClose, irisOpen, focusNear, focusFarLow;
    // In the second.
    BYTE reserved2, focusFar, zoomWide, zoomTele, down, up, left, right;
};

// Pelco D: the sense bit says on / auto; focus far is command 2's top bit.
constexpr StandardBits pelcoDBits{0x60, 0x80, 0x08, 0x10, 0x04, 0x02, 0x01, 0x00,
                                  0x00, 0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02};
// Pelco P: bit 6 is "camera on" with the power bit 4, bit 5 "auto scan on"; focus far is
// data 1's bit 0 and focus near bit 1; the top bits are always 0.
constexpr StandardBits pelcoPBits{0x80, 0x40, 0x10, 0x20, 0x08, 0x04, 0x02, 0x01,
                                  0x80, 0x00, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02};

// How an extended command's argument reads.
enum class Argument { None, Preset, Byte, Mode, Position };

struct Extended
{
    BYTE code;
    Kind kind;
    const char *name;
    Argument argument;
    bool pelcoP; // Pelco P has it too, in the same layout
};

constexpr Extended extendedCommands[] = {
    {0x03, Kind::SetPreset, "set preset", Argument::Preset, true},
    {0x05, Kind::ClearPreset, "clear preset", Argument::Preset, true},
    {0x07, Kind::GotoPreset, "go to preset", Argument::Preset, true},
    {0x09, Kind::SetAuxiliary, "set auxiliary", Argument::Byte, false},
    {0x0B, Kind::ClearAuxiliary, "clear auxiliary", Argument::Byte, false},
    {0x0F, Kind::RemoteReset, "remote reset", Argument::None, true},
    {0x11, Kind::ZoneStart, "set zone start", Argument::Byte, true},
    {0x13, Kind::ZoneEnd, "set zone end", Argument::Byte, true},
    {0x17, Kind::ClearScreen, "clear screen", Argument::None, false},
    {0x19, Kind::AlarmAcknowledge, "alarm acknowledge", Argument::Byte, false},
    {0x1B, Kind::ZoneScanOn, "zone scan on", Argument::None, false},
    {0x1D, Kind::ZoneScanOff, "zone scan off", Argument::None, false},
    {0x1F, Kind::PatternStart, "set pattern start", Argument::None, true},
    {0x21, Kind::PatternStop, "set pattern stop", Argument::None, true},
    {0x23, Kind::PatternRun, "run pattern", Argument::None, true},
    {0x25, Kind::ZoomSpeed, "set zoom speed", Argument::Byte, true},
    {0x27, Kind::FocusSpeed, "set focus speed", Argument::Byte, true},
    {0x2B, Kind::AutoFocus, "auto focus", Argument::Mode, false},
    {0x2D, Kind::AutoIris, "auto iris", Argument::Mode, false},
    {0x4B, Kind::SetPanPosition, "set pan position", Argument::Position, false},
    {0x4D, Kind::SetTiltPosition, "set tilt position", Argument::Position, false},
    {0x4F, Kind::SetZoomPosition, "set zoom position", Argument::Position, false},
    {0x51, Kind::QueryPan, "query pan position", Argument::None, false},
    {0x53, Kind::QueryTilt, "query tilt position", Argument::None, false},
    {0x55, Kind::QueryZoom, "query zoom position", Argument::None, false},
    {0x59, Kind::PanPositionResponse, "pan position", Argument::Position, false},
    {0x5B, Kind::TiltPositionResponse, "tilt position", Argument::Position, false},
    {0x5D, Kind::ZoomPositionResponse, "zoom position", Argument::Position, false},
};

// Commands that some receivers know and this one does not act on: named, so a monitor's
// reader sees what was meant.
struct Named
{
    BYTE code;
    const char *name;
};
constexpr Named otherNames[] = {
    {0x15, "write character"},        {0x29, "reset camera"},       {0x2F, "AGC"},
    {0x31, "backlight compensation"}, {0x33, "auto white balance"}, {0x45, "query"},
};

const Extended *findExtended(BYTE code)
{
    for (const Extended &e : extendedCommands)
        if (e.code == code)
            return &e;
    return nullptr;
}

const Extended *findExtended(Kind kind)
{
    for (const Extended &e : extendedCommands)
        if (e.kind == kind)
            return &e;
    return nullptr;
}

std::string speedText(BYTE speed)
{
    return speed == pelcoTurboSpeed ? std::string("turbo") : "speed " + std::to_string(speed);
}

std::string describeStandard(const PelcoCommand &c)
{
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

} // namespace

bool PelcoCommand::isStop() const
{
    return kind == Kind::Standard && !panLeft && !panRight && !tiltUp && !tiltDown && !zoomTele &&
           !zoomWide && !focusFar && !focusNear && !irisOpen && !irisClose && !cameraOn &&
           !autoScan;
}

bool PelcoCommand::isResponse() const
{
    return kind == Kind::PanPositionResponse || kind == Kind::TiltPositionResponse ||
           kind == Kind::ZoomPositionResponse;
}

std::optional<PelcoCommand::AutoMode> PelcoCommand::autoMode() const
{
    if ((kind != Kind::AutoFocus && kind != Kind::AutoIris) || argument > 2)
        return std::nullopt;
    return AutoMode(argument);
}

PelcoCommand decodeFrame(Protocol protocol, BYTE address, const std::array<BYTE, 4> &payload,
                         BYTE checksum)
{
    PelcoCommand c;
    c.protocol = protocol;
    c.address = address;
    c.payload = payload;
    c.checksum = checksum;
    const bool p = protocol == Protocol::PelcoP;
    const BYTE b1 = payload[0];
    const BYTE b2 = payload[1];
    if (b2 & extendedBit) {
        c.kind = Kind::Unknown;
        const Extended *e = findExtended(b2);
        if (b1 != 0 || !e || (p && !e->pelcoP))
            return c;
        c.kind = e->kind;
        switch (e->argument) {
        case Argument::Preset:
            c.preset = payload[3];
            break;
        case Argument::Byte:
        case Argument::Mode:
            c.argument = payload[3];
            break;
        case Argument::Position:
            c.value = std::uint16_t(payload[2] << 8 | payload[3]);
            break;
        case Argument::None:
            break;
        }
        return c;
    }
    const StandardBits &bits = p ? pelcoPBits : pelcoDBits;
    if ((b1 & bits.reserved) || (b2 & bits.reserved2)) {
        c.kind = Kind::Unknown;
        return c;
    }
    c.kind = Kind::Standard;
    c.panLeft = b2 & bits.left;
    c.panRight = b2 & bits.right;
    c.tiltUp = b2 & bits.up;
    c.tiltDown = b2 & bits.down;
    c.zoomTele = b2 & bits.zoomTele;
    c.zoomWide = b2 & bits.zoomWide;
    c.focusFar = p ? (b1 & bits.focusFarLow) : (b2 & bits.focusFar);
    c.focusNear = b1 & bits.focusNear;
    c.irisOpen = b1 & bits.irisOpen;
    c.irisClose = b1 & bits.irisClose;
    const bool sense = b1 & bits.sense;
    if (b1 & bits.cameraPower)
        c.cameraOn = sense;
    if (p) {
        // Pelco P has a bit for "auto scan on" and none for manual.
        if (b1 & bits.scan)
            c.autoScan = true;
    } else if (b1 & bits.scan) {
        c.autoScan = sense;
    }
    c.panSpeed = p && payload[2] == pelcoPTurboSpeed ? pelcoTurboSpeed : payload[2];
    c.tiltSpeed = payload[3];
    return c;
}

PelcoCommand decodePelco(const PelcoBytes &b)
{
    return decodeFrame(Protocol::PelcoD, b[1], {b[2], b[3], b[4], b[5]}, b[6]);
}

PelcoCommand decodePelcoP(const PelcoPBytes &b)
{
    return decodeFrame(Protocol::PelcoP, b[1], {b[2], b[3], b[4], b[5]}, b[7]);
}

std::string extendedCommandName(BYTE command2)
{
    if (const Extended *e = findExtended(command2))
        return e->name;
    for (const Named &n : otherNames)
        if (n.code == command2)
            return n.name;
    return {};
}

std::string describe(const PelcoCommand &c)
{
    switch (c.kind) {
    case Kind::Standard:
        return describeStandard(c);
    case Kind::Unknown: {
        std::string text = "unknown command " + toHex(c.payload.data(), c.payload.size());
        if (!(c.command2() & extendedBit))
            return text + " (reserved bits set)";
        // Pelco P shares only some of Pelco D's codes: the others would be guesses there.
        const std::string name = extendedCommandName(c.command2());
        if (!name.empty() && c.protocol == Protocol::PelcoD)
            text += " (" + name + ")";
        return text;
    }
    case Kind::PanPositionResponse:
    case Kind::TiltPositionResponse:
    case Kind::ZoomPositionResponse:
        return describe(*replyOf(c));
    default:
        break;
    }
    const Extended *e = findExtended(c.kind);
    std::string text = e->name;
    switch (e->argument) {
    case Argument::None:
        break;
    case Argument::Preset:
        text += " " + std::to_string(c.preset);
        if (c.kind == Kind::GotoPreset && c.preset == 33)
            text += " (flip 180°)";
        if (c.kind == Kind::GotoPreset && c.preset == 34)
            text += " (zero pan)";
        break;
    case Argument::Byte:
        text += " " + std::to_string(c.argument);
        break;
    case Argument::Mode: {
        static const char *modes[] = {"auto", "on", "off"};
        const auto mode = c.autoMode();
        text += mode ? std::string(" ") + modes[int(*mode)] : " mode " + std::to_string(c.argument);
        break;
    }
    case Argument::Position:
        text +=
            " " + (c.kind == Kind::SetPanPosition ? degreesText(c.value) : std::to_string(c.value));
        break;
    }
    return text;
}

BYTE pelcoDChecksum(BYTE address, const std::array<BYTE, 4> &payload)
{
    return ComputeChecksum(address, payload[0], payload[1], payload[2], payload[3]);
}

BYTE pelcoPChecksum(BYTE address, const std::array<BYTE, 4> &payload)
{
    BYTE x = pelcoPStx ^ address ^ pelcoPEtx;
    for (BYTE b : payload)
        x ^= b;
    return x;
}

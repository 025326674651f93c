#include "command.h"

#include "dialect.h"
#include "hex.h"
#include "reply.h"

#include <vector>

namespace pelco {

namespace {

using Kind = PelcoCommand::Kind;

bool isSet(const Payload &payload, FunctionBit bit)
{
    return bit.mask && (payload[bit.byte] & bit.mask);
}

void set(Payload &payload, FunctionBit bit)
{
    payload[bit.byte] |= bit.mask;
}

std::string speedText(Byte speed)
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

void decodeStandard(PelcoCommand &c)
{
    const StandardBits &bits = standardBitsOf(c.protocol);
    const Payload &p = c.payload;
    if ((p[0] & bits.reserved[0]) || (p[1] & bits.reserved[1])) {
        c.kind = Kind::Unknown;
        return;
    }
    c.kind = Kind::Standard;
    c.panLeft = isSet(p, bits.panLeft);
    c.panRight = isSet(p, bits.panRight);
    c.tiltUp = isSet(p, bits.tiltUp);
    c.tiltDown = isSet(p, bits.tiltDown);
    c.zoomTele = isSet(p, bits.zoomTele);
    c.zoomWide = isSet(p, bits.zoomWide);
    c.focusFar = isSet(p, bits.focusFar);
    c.focusNear = isSet(p, bits.focusNear);
    c.irisOpen = isSet(p, bits.irisOpen);
    c.irisClose = isSet(p, bits.irisClose);
    if (isSet(p, bits.cameraPower))
        c.cameraOn = isSet(p, bits.cameraOn);
    if (isSet(p, bits.scan))
        c.autoScan = !bits.autoScan.mask || isSet(p, bits.autoScan);
    const Byte turbo = dialect(c.protocol).turbo;
    c.panSpeed = p[2] == turbo ? pelcoTurboSpeed : p[2];
    c.tiltSpeed = p[3];
}

std::optional<Payload> encodeStandard(const PelcoCommand &c, Protocol protocol)
{
    const StandardBits &bits = standardBitsOf(protocol);
    Payload p{};
    const std::pair<bool, FunctionBit> functions[] = {
        {c.panLeft, bits.panLeft},     {c.panRight, bits.panRight},   {c.tiltUp, bits.tiltUp},
        {c.tiltDown, bits.tiltDown},   {c.zoomTele, bits.zoomTele},   {c.zoomWide, bits.zoomWide},
        {c.focusFar, bits.focusFar},   {c.focusNear, bits.focusNear}, {c.irisOpen, bits.irisOpen},
        {c.irisClose, bits.irisClose},
    };
    for (const auto &[on, bit] : functions) {
        if (on && !bit.mask)
            return std::nullopt;
        if (on)
            set(p, bit);
    }
    if (c.cameraOn) {
        set(p, bits.cameraPower);
        if (*c.cameraOn)
            set(p, bits.cameraOn);
    }
    if (c.autoScan) {
        // Manual scan needs a bit of its own, and camera and scan may share the sense bit.
        if (!bits.sendsScan || (!*c.autoScan && !bits.autoScan.mask) ||
            (c.cameraOn && *c.cameraOn != *c.autoScan && bits.cameraOn.byte == bits.autoScan.byte &&
             bits.cameraOn.mask == bits.autoScan.mask))
            return std::nullopt;
        set(p, bits.scan);
        if (*c.autoScan)
            set(p, bits.autoScan);
    }
    p[2] = c.panSpeed == pelcoTurboSpeed ? dialect(protocol).turbo : c.panSpeed;
    p[3] = c.tiltSpeed;
    return p;
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

PelcoCommand commandOf(CommandKind kind)
{
    PelcoCommand c;
    c.kind = kind;
    return c;
}

PelcoCommand decodeFrame(Protocol protocol, Byte address, const Payload &payload, Byte checksum)
{
    PelcoCommand c;
    c.protocol = protocol;
    c.address = address;
    c.payload = payload;
    c.checksum = checksum;
    if (!(payload[1] & extendedBit)) {
        decodeStandard(c);
        return c;
    }
    c.kind = Kind::Unknown;
    const ExtendedCode *e = extendedCodeFor(payload[1], protocol);
    if (payload[0] != 0 || !e)
        return c;
    c.kind = e->kind;
    switch (e->argument) {
    case Argument::Preset:
        c.preset = payload[3];
        break;
    case Argument::Number:
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

PelcoCommand decodePelco(const PelcoBytes &b)
{
    return decodeFrame(Protocol::PelcoD, b[1], {b[2], b[3], b[4], b[5]}, b[6]);
}

PelcoCommand decodePelcoP(const PelcoPBytes &b)
{
    return decodeFrame(Protocol::PelcoP, b[1], {b[2], b[3], b[4], b[5]}, b[7]);
}

std::optional<Payload> encode(const PelcoCommand &c, Protocol protocol)
{
    switch (c.kind) {
    case Kind::Standard:
        return encodeStandard(c, protocol);
    case Kind::Unknown:
        return c.protocol == protocol ? std::optional(c.payload) : std::nullopt;
    default:
        break;
    }
    const ExtendedCode *e = extendedCodeOf(c.kind);
    const std::optional<Byte> code = e->code[std::size_t(protocol)];
    if (!code)
        return std::nullopt;
    Payload p{0x00, *code, 0x00, 0x00};
    switch (e->argument) {
    case Argument::None:
        break;
    case Argument::Preset:
        p[3] = c.preset;
        break;
    case Argument::Number:
    case Argument::Mode:
        p[3] = c.argument;
        break;
    case Argument::Position:
        p[2] = Byte(c.value >> 8);
        p[3] = Byte(c.value & 0xFF);
        break;
    }
    return p;
}

std::string extendedCommandName(Byte command2)
{
    if (const ExtendedCode *e = extendedCodeFor(command2, Protocol::PelcoD))
        return std::string(e->name);
    for (const NamedCode &n : otherPelcoDCodes)
        if (n.code == command2)
            return std::string(n.name);
    return {};
}

std::string describe(const PelcoCommand &c)
{
    switch (c.kind) {
    case Kind::Standard:
        return describeStandard(c);
    case Kind::Unknown: {
        std::string text = "unknown command " + toHex(c.payload);
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
    const ExtendedCode *e = extendedCodeOf(c.kind);
    std::string text(e->name);
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
    case Argument::Number:
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

} // namespace pelco

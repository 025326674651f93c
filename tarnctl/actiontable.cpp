#include "actiontable.h"

#include "commandframe.h"
#include "frame.h"

#include <array>

namespace {

constexpr ActionPayload bytesOf(const PtzCommand &c)
{
    return {c.command1, c.command2, c.data1, c.data2};
}

// An extended command, the same in both protocols: data 1 zero, an odd code, two data bytes.
constexpr ActionPayload extended(BYTE code, BYTE high = 0x00, BYTE low = 0x00)
{
    return {0x00, code, high, low};
}

constexpr BYTE speed = maxSpeed;
constexpr std::optional<ActionPayload> none = std::nullopt;

using A = ActionArgs;

// Pelco D: command 1 bit 7 sense, 4 scan, 3 camera, 2 iris close, 1 iris open, 0 focus near;
// command 2 bit 7 focus far, 6 zoom wide, 5 zoom tele, 4 down, 3 up, 2 left, 1 right.
// Pelco P: data 1 bit 6 camera on, 5 auto scan, 4 camera, 3 iris close, 2 iris open, 1 focus
// near, 0 focus far; data 2 as Pelco D's command 2 but for focus far.
constexpr std::array kActions{
    ActionSpec{"stop", A::None, bytesOf(PtzCommands::stop), ActionPayload{0x00, 0x00, 0x00, 0x00},
               "stop", "stop every motion"},
    ActionSpec{"up", A::Tilt, bytesOf(PtzCommands::up), ActionPayload{0x00, 0x08, 0x00, speed},
               "up [TILT]", "tilt up at TILT, 0 to 63 (default 63)"},
    ActionSpec{"down", A::Tilt, bytesOf(PtzCommands::down), ActionPayload{0x00, 0x10, 0x00, speed},
               "down [TILT]", "tilt down at TILT, 0 to 63 (default 63)"},
    ActionSpec{"left", A::Pan, bytesOf(PtzCommands::left), ActionPayload{0x00, 0x04, speed, 0x00},
               "left [PAN]", "pan left at PAN, 0 to 63 or turbo (default 63)"},
    ActionSpec{"right", A::Pan, bytesOf(PtzCommands::right), ActionPayload{0x00, 0x02, speed, 0x00},
               "right [PAN]", "pan right at PAN, 0 to 63 or turbo (default 63)"},
    ActionSpec{"zoom-tele", A::None, bytesOf(PtzCommands::zoomTele),
               ActionPayload{0x00, 0x20, 0x00, 0x00}, "zoom-tele", "zoom in"},
    ActionSpec{"zoom-wide", A::None, bytesOf(PtzCommands::zoomWide),
               ActionPayload{0x00, 0x40, 0x00, 0x00}, "zoom-wide", "zoom out"},
    ActionSpec{"focus-far", A::None, bytesOf(PtzCommands::focusFar),
               ActionPayload{0x01, 0x00, 0x00, 0x00}, "focus-far", "focus further away"},
    ActionSpec{"focus-near", A::None, bytesOf(PtzCommands::focusNear),
               ActionPayload{0x02, 0x00, 0x00, 0x00}, "focus-near", "focus nearer"},

    ActionSpec{"up-left", A::PanTilt, ActionPayload{0x00, 0x0C, speed, speed},
               ActionPayload{0x00, 0x0C, speed, speed}, "up-left [PAN [TILT]]",
               "pan left and tilt up; one number sets both speeds"},
    ActionSpec{"up-right", A::PanTilt, ActionPayload{0x00, 0x0A, speed, speed},
               ActionPayload{0x00, 0x0A, speed, speed}, "up-right [PAN [TILT]]",
               "pan right and tilt up; one number sets both speeds"},
    ActionSpec{"down-left", A::PanTilt, ActionPayload{0x00, 0x14, speed, speed},
               ActionPayload{0x00, 0x14, speed, speed}, "down-left [PAN [TILT]]",
               "pan left and tilt down; one number sets both speeds"},
    ActionSpec{"down-right", A::PanTilt, ActionPayload{0x00, 0x12, speed, speed},
               ActionPayload{0x00, 0x12, speed, speed}, "down-right [PAN [TILT]]",
               "pan right and tilt down; one number sets both speeds"},
    ActionSpec{"iris-open", A::None, ActionPayload{0x02, 0x00, 0x00, 0x00},
               ActionPayload{0x04, 0x00, 0x00, 0x00}, "iris-open", "open the iris"},
    ActionSpec{"iris-close", A::None, ActionPayload{0x04, 0x00, 0x00, 0x00},
               ActionPayload{0x08, 0x00, 0x00, 0x00}, "iris-close", "close the iris"},
    ActionSpec{"camera-on", A::None, ActionPayload{0x88, 0x00, 0x00, 0x00},
               ActionPayload{0x50, 0x00, 0x00, 0x00}, "camera-on", "switch the camera on"},
    ActionSpec{"camera-off", A::None, ActionPayload{0x08, 0x00, 0x00, 0x00},
               ActionPayload{0x10, 0x00, 0x00, 0x00}, "camera-off", "switch the camera off"},
    // Pelco P's codes for these are read as auxiliaries by some devices: not sent.
    ActionSpec{"auto-scan", A::None, ActionPayload{0x90, 0x00, 0x00, 0x00}, none, "auto-scan",
               "start panning round on its own"},
    ActionSpec{"manual-scan", A::None, ActionPayload{0x10, 0x00, 0x00, 0x00}, none, "manual-scan",
               "end the auto scan"},

    ActionSpec{"goto", A::Preset, extended(PtzCommands::gotoPresetCommand),
               extended(PtzCommands::gotoPresetCommand), "goto N", "go to preset N, 0 to 255"},
    ActionSpec{"set", A::Preset, extended(PtzCommands::setPresetCommand),
               extended(PtzCommands::setPresetCommand), "set N",
               "store the position as preset N, 0 to 255"},
    ActionSpec{"clear", A::Preset, extended(PtzCommands::clearPresetCommand),
               extended(PtzCommands::clearPresetCommand), "clear N", "clear preset N, 0 to 255"},
    ActionSpec{"flip", A::None, extended(0x07, 0x00, 33), extended(0x07, 0x00, 33), "flip",
               "turn round 180 degrees (go to preset 33)"},
    ActionSpec{"zero-pan", A::None, extended(0x07, 0x00, 34), extended(0x07, 0x00, 34), "zero-pan",
               "pan to 0 degrees (go to preset 34)"},
    ActionSpec{"aux-on", A::Aux, extended(0x09), none, "aux-on N",
               "switch auxiliary output N (1 to 8) on"},
    ActionSpec{"aux-off", A::Aux, extended(0x0B), none, "aux-off N",
               "switch auxiliary output N (1 to 8) off"},
    ActionSpec{"reset", A::None, extended(0x0F), extended(0x0F), "reset",
               "reset the camera remotely"},
    ActionSpec{"pattern-start", A::None, extended(0x1F), extended(0x1F), "pattern-start",
               "start recording the pattern"},
    ActionSpec{"pattern-stop", A::None, extended(0x21), extended(0x21), "pattern-stop",
               "stop recording the pattern"},
    ActionSpec{"pattern-run", A::None, extended(0x23), extended(0x23), "pattern-run",
               "run the pattern"},
    ActionSpec{"zoom-speed", A::LensSpeed, extended(0x25), extended(0x25), "zoom-speed N",
               "set the zoom lens speed, N 0 to 3"},
    ActionSpec{"focus-speed", A::LensSpeed, extended(0x27), extended(0x27), "focus-speed N",
               "set the focus lens speed, N 0 to 3"},
    ActionSpec{"auto-focus", A::Mode, extended(0x2B), none, "auto-focus on|off|auto",
               "set auto focus on, off or auto"},
    ActionSpec{"auto-iris", A::Mode, extended(0x2D), none, "auto-iris on|off|auto",
               "set auto iris on, off or auto"},
    ActionSpec{"pan-to", A::Degrees, extended(0x4B), none, "pan-to DEGREES",
               "pan to DEGREES, 0 to 359.99"},
    ActionSpec{"tilt-to", A::Raw, extended(0x4D), none, "tilt-to VALUE",
               "tilt to VALUE, 0 to 65535 in the camera's own scale"},
    ActionSpec{"zoom-to", A::Raw, extended(0x4F), none, "zoom-to VALUE",
               "zoom to VALUE, 0 to 65535 of the lens range"},
    ActionSpec{"query-pan", A::None, extended(0x51), none, "query-pan",
               "ask for the pan position (send prints the answer)"},
    ActionSpec{"query-tilt", A::None, extended(0x53), none, "query-tilt",
               "ask for the tilt position (send prints the answer)"},
    ActionSpec{"query-zoom", A::None, extended(0x55), none, "query-zoom",
               "ask for the zoom position (send prints the answer)"},
};

} // namespace

std::span<const ActionSpec> actionTable()
{
    return kActions;
}

const ActionSpec *findAction(std::string_view name)
{
    for (const ActionSpec &action : kActions)
        if (action.name == name)
            return &action;
    return nullptr;
}

std::optional<ActionPayload> encodeAction(const ActionSpec &action,
                                          const ActionArguments &arguments, Protocol protocol)
{
    const std::optional<ActionPayload> code =
        protocol == Protocol::PelcoD ? std::optional(action.pelcoD) : action.pelcoP;
    if (!code)
        return std::nullopt;
    ActionPayload payload = *code;
    const BYTE pan = arguments.panTurbo
                         ? (protocol == Protocol::PelcoD ? pelcoTurboSpeed : pelcoPTurboSpeed)
                         : BYTE(arguments.pan);
    switch (action.args) {
    case ActionArgs::None:
        break;
    case ActionArgs::Tilt:
        payload[3] = BYTE(arguments.tilt);
        break;
    case ActionArgs::Pan:
        payload[2] = pan;
        break;
    case ActionArgs::PanTilt:
        payload[2] = pan;
        payload[3] = BYTE(arguments.tilt);
        break;
    case ActionArgs::Preset:
    case ActionArgs::Aux:
    case ActionArgs::LensSpeed:
    case ActionArgs::Mode:
        payload[3] = BYTE(arguments.value);
        break;
    case ActionArgs::Degrees:
    case ActionArgs::Raw:
        payload[2] = BYTE(arguments.value >> 8);
        payload[3] = BYTE(arguments.value & 0xFF);
        break;
    }
    return payload;
}

std::vector<BYTE> frameBytes(Protocol protocol, BYTE address, const ActionPayload &p)
{
    if (protocol == Protocol::PelcoD) {
        const auto bytes = makeFrame(address, p[0], p[1], p[2], p[3]).bytes();
        return {bytes.begin(), bytes.end()};
    }
    const auto bytes = makePelcoPFrame(address, p).bytes();
    return {bytes.begin(), bytes.end()};
}

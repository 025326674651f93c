#include "actiontable.h"

#include <array>
#include <initializer_list>

namespace {

using pelco::Byte;
using pelco::PelcoCommand;
using Kind = PelcoCommand::Kind;
using A = ActionArgs;

constexpr Byte speed = maxSpeed;

using Flag = bool PelcoCommand::*;

// A standard command with the function bits set and the speeds given.
PelcoCommand motion(std::initializer_list<Flag> flags, Byte pan = 0, Byte tilt = 0)
{
    PelcoCommand c;
    for (const Flag flag : flags)
        c.*flag = true;
    c.panSpeed = pan;
    c.tiltSpeed = tilt;
    return c;
}

PelcoCommand camera(bool on)
{
    PelcoCommand c;
    c.cameraOn = on;
    return c;
}

PelcoCommand scan(bool automatic)
{
    PelcoCommand c;
    c.autoScan = automatic;
    return c;
}

PelcoCommand extended(Kind kind, Byte preset = 0)
{
    PelcoCommand c = pelco::commandOf(kind);
    c.preset = preset;
    return c;
}

constexpr Flag left = &PelcoCommand::panLeft;
constexpr Flag right = &PelcoCommand::panRight;
constexpr Flag up = &PelcoCommand::tiltUp;
constexpr Flag down = &PelcoCommand::tiltDown;

const std::array kActions{
    ActionSpec{"stop", A::None, motion({}), "stop", "stop every motion"},
    ActionSpec{"up", A::Tilt, motion({up}, 0, speed), "up [TILT]",
               "tilt up at TILT, 0 to 63 (default 63)"},
    ActionSpec{"down", A::Tilt, motion({down}, 0, speed), "down [TILT]",
               "tilt down at TILT, 0 to 63 (default 63)"},
    ActionSpec{"left", A::Pan, motion({left}, speed), "left [PAN]",
               "pan left at PAN, 0 to 63 or turbo (default 63)"},
    ActionSpec{"right", A::Pan, motion({right}, speed), "right [PAN]",
               "pan right at PAN, 0 to 63 or turbo (default 63)"},
    ActionSpec{"zoom-tele", A::None, motion({&PelcoCommand::zoomTele}), "zoom-tele", "zoom in"},
    ActionSpec{"zoom-wide", A::None, motion({&PelcoCommand::zoomWide}), "zoom-wide", "zoom out"},
    ActionSpec{"focus-far", A::None, motion({&PelcoCommand::focusFar}), "focus-far",
               "focus further away"},
    ActionSpec{"focus-near", A::None, motion({&PelcoCommand::focusNear}), "focus-near",
               "focus nearer"},

    ActionSpec{"up-left", A::PanTilt, motion({up, left}, speed, speed), "up-left [PAN [TILT]]",
               "pan left and tilt up; one number sets both speeds"},
    ActionSpec{"up-right", A::PanTilt, motion({up, right}, speed, speed), "up-right [PAN [TILT]]",
               "pan right and tilt up; one number sets both speeds"},
    ActionSpec{"down-left", A::PanTilt, motion({down, left}, speed, speed),
               "down-left [PAN [TILT]]", "pan left and tilt down; one number sets both speeds"},
    ActionSpec{"down-right", A::PanTilt, motion({down, right}, speed, speed),
               "down-right [PAN [TILT]]", "pan right and tilt down; one number sets both speeds"},
    ActionSpec{"iris-open", A::None, motion({&PelcoCommand::irisOpen}), "iris-open",
               "open the iris"},
    ActionSpec{"iris-close", A::None, motion({&PelcoCommand::irisClose}), "iris-close",
               "close the iris"},
    ActionSpec{"camera-on", A::None, camera(true), "camera-on", "switch the camera on"},
    ActionSpec{"camera-off", A::None, camera(false), "camera-off", "switch the camera off"},
    ActionSpec{"auto-scan", A::None, scan(true), "auto-scan", "start panning round on its own"},
    ActionSpec{"manual-scan", A::None, scan(false), "manual-scan", "end the auto scan"},

    ActionSpec{"goto", A::Preset, extended(Kind::GotoPreset), "goto N", "go to preset N, 0 to 255"},
    ActionSpec{"set", A::Preset, extended(Kind::SetPreset), "set N",
               "store the position as preset N, 0 to 255"},
    ActionSpec{"clear", A::Preset, extended(Kind::ClearPreset), "clear N",
               "clear preset N, 0 to 255"},
    ActionSpec{"flip", A::None, extended(Kind::GotoPreset, 33), "flip",
               "turn round 180 degrees (go to preset 33)"},
    ActionSpec{"zero-pan", A::None, extended(Kind::GotoPreset, 34), "zero-pan",
               "pan to 0 degrees (go to preset 34)"},
    ActionSpec{"aux-on", A::Aux, extended(Kind::SetAuxiliary), "aux-on N",
               "switch auxiliary output N (1 to 8) on"},
    ActionSpec{"aux-off", A::Aux, extended(Kind::ClearAuxiliary), "aux-off N",
               "switch auxiliary output N (1 to 8) off"},
    ActionSpec{"reset", A::None, extended(Kind::RemoteReset), "reset", "reset the camera remotely"},
    ActionSpec{"pattern-start", A::None, extended(Kind::PatternStart), "pattern-start",
               "start recording the pattern"},
    ActionSpec{"pattern-stop", A::None, extended(Kind::PatternStop), "pattern-stop",
               "stop recording the pattern"},
    ActionSpec{"pattern-run", A::None, extended(Kind::PatternRun), "pattern-run",
               "run the pattern"},
    ActionSpec{"zoom-speed", A::LensSpeed, extended(Kind::ZoomSpeed), "zoom-speed N",
               "set the zoom lens speed, N 0 to 3"},
    ActionSpec{"focus-speed", A::LensSpeed, extended(Kind::FocusSpeed), "focus-speed N",
               "set the focus lens speed, N 0 to 3"},
    ActionSpec{"auto-focus", A::Mode, extended(Kind::AutoFocus), "auto-focus on|off|auto",
               "set auto focus on, off or auto"},
    ActionSpec{"auto-iris", A::Mode, extended(Kind::AutoIris), "auto-iris on|off|auto",
               "set auto iris on, off or auto"},
    ActionSpec{"pan-to", A::Degrees, extended(Kind::SetPanPosition), "pan-to DEGREES",
               "pan to DEGREES, 0 to 359.99"},
    ActionSpec{"tilt-to", A::Raw, extended(Kind::SetTiltPosition), "tilt-to VALUE",
               "tilt to VALUE, 0 to 65535 in the camera's own scale"},
    ActionSpec{"zoom-to", A::Raw, extended(Kind::SetZoomPosition), "zoom-to VALUE",
               "zoom to VALUE, 0 to 65535 of the lens range"},
    ActionSpec{"query-pan", A::None, extended(Kind::QueryPan), "query-pan",
               "ask for the pan position (send prints the answer)"},
    ActionSpec{"query-tilt", A::None, extended(Kind::QueryTilt), "query-tilt",
               "ask for the tilt position (send prints the answer)"},
    ActionSpec{"query-zoom", A::None, extended(Kind::QueryZoom), "query-zoom",
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

bool actionInProtocol(const ActionSpec &action, pelco::Protocol protocol)
{
    return pelco::encode(action.command, protocol).has_value();
}

PelcoCommand actionCommand(const ActionSpec &action, const ActionArguments &arguments,
                           pelco::Protocol protocol)
{
    PelcoCommand c = action.command;
    c.protocol = protocol;
    const Byte pan = arguments.panTurbo ? pelco::pelcoTurboSpeed : Byte(arguments.pan);
    switch (action.args) {
    case ActionArgs::None:
        break;
    case ActionArgs::Tilt:
        c.tiltSpeed = Byte(arguments.tilt);
        break;
    case ActionArgs::Pan:
        c.panSpeed = pan;
        break;
    case ActionArgs::PanTilt:
        c.panSpeed = pan;
        c.tiltSpeed = Byte(arguments.tilt);
        break;
    case ActionArgs::Preset:
        c.preset = Byte(arguments.value);
        break;
    case ActionArgs::Aux:
    case ActionArgs::LensSpeed:
    case ActionArgs::Mode:
        c.argument = Byte(arguments.value);
        break;
    case ActionArgs::Degrees:
    case ActionArgs::Raw:
        c.value = std::uint16_t(arguments.value);
        break;
    }
    return c;
}

std::optional<ActionPayload>
encodeAction(const ActionSpec &action, const ActionArguments &arguments, pelco::Protocol protocol)
{
    return pelco::encode(actionCommand(action, arguments, protocol), protocol);
}

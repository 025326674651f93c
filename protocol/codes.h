// The one table of Pelco codes. Encoding and decoding read it, in every dialect: a column per
// dialect, in the order of Protocol. A command that a dialect has no agreed code for has none
// in its column, and is neither sent nor understood in it.
//
// Standard commands set function bits in the first two payload bytes; their place differs
// between the dialects (Pelco D's focus far is command 2's top bit, Pelco P's data 1's bit 0).
// Extended commands are the same in every dialect that has them: first byte zero, an odd code
// in the second, their argument in the last two.
#pragma once

#include "protocol.h"

#include <array>
#include <optional>
#include <string_view>

namespace pelco {

enum class CommandKind {
    Standard,    // pan, tilt, lens, camera power and scan bits; no bit set is "stop"
    SetPreset,   // preset in data 2
    ClearPreset, //
    GotoPreset,  // 33 is "flip 180°", 34 "go to zero pan"
    Unknown,     // any other extended command, or reserved bits set
    SetAuxiliary,
    ClearAuxiliary,
    RemoteReset,
    ZoneStart,
    ZoneEnd,
    ClearScreen,
    AlarmAcknowledge,
    ZoneScanOn,
    ZoneScanOff,
    PatternStart,
    PatternStop,
    PatternRun,
    ZoomSpeed, // lens speed 0..3 in argument
    FocusSpeed,
    AutoFocus, // mode in argument: 0 auto, 1 on, 2 off
    AutoIris,
    SetPanPosition, // value: hundredths of a degree
    SetTiltPosition,
    SetZoomPosition,
    QueryPan,
    QueryTilt,
    QueryZoom,
    // Pelco D extended responses, from the camera: the position in value.
    PanPositionResponse,
    TiltPositionResponse,
    ZoomPositionResponse,
};

// A function bit of a standard command: the payload byte (0 or 1) and the bit's mask there.
// A mask of 0: the dialect has no such bit.
struct FunctionBit
{
    std::size_t byte = 0;
    Byte mask = 0;
};

// One dialect's column of the standard commands.
struct StandardBits
{
    std::array<Byte, 2> reserved; // bits that must be 0 in payload bytes 0 and 1
    FunctionBit panRight, panLeft, tiltUp, tiltDown, zoomTele, zoomWide, focusFar, focusNear,
        irisOpen, irisClose;
    FunctionBit cameraPower; // set for camera on and camera off
    FunctionBit cameraOn;    // set with it for on
    FunctionBit scan;        // set for auto scan and manual scan
    FunctionBit autoScan;    // set with it for auto; mask 0: the scan bit alone means auto
    bool sendsScan;          // false: the scan bit is understood, never sent
};

inline constexpr std::array<StandardBits, protocolCount> standardBits{{
    // Pelco D: command 1 bit 7 sense (on / auto), 4 scan, 3 camera, 2 iris close, 1 iris open,
    // 0 focus near; command 2 bit 7 focus far, 6 zoom wide, 5 zoom tele, 4 down, 3 up,
    // 2 left, 1 right.
    {.reserved = {0x60, 0x00},
     .panRight = {1, 0x02},
     .panLeft = {1, 0x04},
     .tiltUp = {1, 0x08},
     .tiltDown = {1, 0x10},
     .zoomTele = {1, 0x20},
     .zoomWide = {1, 0x40},
     .focusFar = {1, 0x80},
     .focusNear = {0, 0x01},
     .irisOpen = {0, 0x02},
     .irisClose = {0, 0x04},
     .cameraPower = {0, 0x08},
     .cameraOn = {0, 0x80},
     .scan = {0, 0x10},
     .autoScan = {0, 0x80},
     .sendsScan = true},
    // Pelco P: data 1 bit 6 camera on, 5 auto scan on, 4 camera, 3 iris close, 2 iris open,
    // 1 focus near, 0 focus far; data 2 as Pelco D's command 2 but for focus far. The top bits
    // are always 0. Its scan bit is read as an auxiliary by some devices: understood, not sent.
    {.reserved = {0x80, 0x80},
     .panRight = {1, 0x02},
     .panLeft = {1, 0x04},
     .tiltUp = {1, 0x08},
     .tiltDown = {1, 0x10},
     .zoomTele = {1, 0x20},
     .zoomWide = {1, 0x40},
     .focusFar = {0, 0x01},
     .focusNear = {0, 0x02},
     .irisOpen = {0, 0x04},
     .irisClose = {0, 0x08},
     .cameraPower = {0, 0x10},
     .cameraOn = {0, 0x40},
     .scan = {0, 0x20},
     .autoScan = {0, 0x00},
     .sendsScan = false},
}};

constexpr const StandardBits &standardBitsOf(Protocol protocol)
{
    return standardBits[std::size_t(protocol)];
}

// How an extended command's argument sits in the last two payload bytes.
enum class Argument {
    None,     // both 0
    Preset,   // the preset in the last
    Number,   // auxiliary, zone, alarm or lens speed in the last
    Mode,     // the auto mode in the last
    Position, // a 16-bit value, high byte first
};

inline constexpr Byte extendedBit = 0x01; // in payload byte 1: an extended command

struct ExtendedCode
{
    CommandKind kind;
    std::string_view name;
    Argument argument;
    std::array<std::optional<Byte>, protocolCount> code; // payload byte 1, per dialect
};

inline constexpr std::optional<Byte> none = std::nullopt;

// Pelco P keeps Pelco D's layout for the codes it shares. Codes 09 / 0B mean auxiliary on / off
// in some of its manuals and auto scan on / off in others: not used there.
inline constexpr ExtendedCode extendedCodes[] = {
    //                                                            Pelco D  Pelco P
    {CommandKind::SetPreset, "set preset", Argument::Preset, {0x03, 0x03}},
    {CommandKind::ClearPreset, "clear preset", Argument::Preset, {0x05, 0x05}},
    {CommandKind::GotoPreset, "go to preset", Argument::Preset, {0x07, 0x07}},
    {CommandKind::SetAuxiliary, "set auxiliary", Argument::Number, {0x09, none}},
    {CommandKind::ClearAuxiliary, "clear auxiliary", Argument::Number, {0x0B, none}},
    {CommandKind::RemoteReset, "remote reset", Argument::None, {0x0F, 0x0F}},
    {CommandKind::ZoneStart, "set zone start", Argument::Number, {0x11, 0x11}},
    {CommandKind::ZoneEnd, "set zone end", Argument::Number, {0x13, 0x13}},
    {CommandKind::ClearScreen, "clear screen", Argument::None, {0x17, none}},
    {CommandKind::AlarmAcknowledge, "alarm acknowledge", Argument::Number, {0x19, none}},
    {CommandKind::ZoneScanOn, "zone scan on", Argument::None, {0x1B, none}},
    {CommandKind::ZoneScanOff, "zone scan off", Argument::None, {0x1D, none}},
    {CommandKind::PatternStart, "set pattern start", Argument::None, {0x1F, 0x1F}},
    {CommandKind::PatternStop, "set pattern stop", Argument::None, {0x21, 0x21}},
    {CommandKind::PatternRun, "run pattern", Argument::None, {0x23, 0x23}},
    {CommandKind::ZoomSpeed, "set zoom speed", Argument::Number, {0x25, 0x25}},
    {CommandKind::FocusSpeed, "set focus speed", Argument::Number, {0x27, 0x27}},
    {CommandKind::AutoFocus, "auto focus", Argument::Mode, {0x2B, none}},
    {CommandKind::AutoIris, "auto iris", Argument::Mode, {0x2D, none}},
    {CommandKind::SetPanPosition, "set pan position", Argument::Position, {0x4B, none}},
    {CommandKind::SetTiltPosition, "set tilt position", Argument::Position, {0x4D, none}},
    {CommandKind::SetZoomPosition, "set zoom position", Argument::Position, {0x4F, none}},
    {CommandKind::QueryPan, "query pan position", Argument::None, {0x51, none}},
    {CommandKind::QueryTilt, "query tilt position", Argument::None, {0x53, none}},
    {CommandKind::QueryZoom, "query zoom position", Argument::None, {0x55, none}},
    {CommandKind::PanPositionResponse, "pan position", Argument::Position, {0x59, none}},
    {CommandKind::TiltPositionResponse, "tilt position", Argument::Position, {0x5B, none}},
    {CommandKind::ZoomPositionResponse, "zoom position", Argument::Position, {0x5D, none}},
};

// The row of an extended command kind; nullptr for Standard and Unknown.
constexpr const ExtendedCode *extendedCodeOf(CommandKind kind)
{
    for (const ExtendedCode &e : extendedCodes)
        if (e.kind == kind)
            return &e;
    return nullptr;
}

// The code of an extended command kind in a dialect; nullopt where it has none.
// (A loop of its own rather than extendedCodeOf: GCC's UBSan checks of a pointer against null
// are no constant expression, and the panel's command table is built from this at compile time.)
constexpr std::optional<Byte> extendedCode(CommandKind kind, Protocol protocol)
{
    for (const ExtendedCode &e : extendedCodes)
        if (e.kind == kind)
            return e.code[std::size_t(protocol)];
    return std::nullopt;
}

// The row with this code in a dialect's column; nullptr when the dialect has none.
constexpr const ExtendedCode *extendedCodeFor(Byte code, Protocol protocol)
{
    for (const ExtendedCode &e : extendedCodes)
        if (e.code[std::size_t(protocol)] == code)
            return &e;
    return nullptr;
}

// Pelco D codes that some receivers know and this library does not act on: named, so that a
// monitor's reader sees what was meant.
struct NamedCode
{
    Byte code;
    std::string_view name;
};
inline constexpr NamedCode otherPelcoDCodes[] = {
    {0x15, "write character"},        {0x29, "reset camera"},       {0x2F, "AGC"},
    {0x31, "backlight compensation"}, {0x33, "auto white balance"}, {0x45, "query"},
};

} // namespace pelco

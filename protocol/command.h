// A Pelco D or Pelco P frame, decoded: what it asks a camera to do, or what a camera answered.
//
// Both protocols carry four bytes between the address and the end of the frame (Pelco D:
// command 1, command 2, data 1, data 2; Pelco P: data 1 to 4), and their commands mean the same
// things, so one type holds either; the camera acts on it whichever protocol brought it.
#pragma once

#include "protocol.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

using BYTE = std::uint8_t;

using PelcoBytes = std::array<BYTE, 7>;  // a Pelco D frame
using PelcoPBytes = std::array<BYTE, 8>; // a Pelco P frame

inline constexpr BYTE pelcoTurboSpeed = 0xFF; // Pelco D's pan speed for turbo
inline constexpr BYTE pelcoPTurboSpeed = 0x40;
inline constexpr BYTE pelcoPStx = 0xA0;
inline constexpr BYTE pelcoPEtx = 0xAF;

struct PelcoCommand
{
    enum class Kind {
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

    // The auto focus and auto iris modes as data 2 carries them.
    enum class AutoMode { Auto = 0, On = 1, Off = 2 };

    Kind kind = Kind::Standard;
    Protocol protocol = Protocol::PelcoD;
    BYTE address = 0;
    std::array<BYTE, 4> payload{}; // the four bytes after the address
    BYTE checksum = 0;             // the frame's last byte

    BYTE command1() const { return payload[0]; } // Pelco D names; data 1 and 2 in Pelco P
    BYTE command2() const { return payload[1]; }
    BYTE data1() const { return payload[2]; } // data 3 and 4 in Pelco P
    BYTE data2() const { return payload[3]; }

    // Standard commands.
    bool panLeft = false;
    bool panRight = false;
    bool tiltUp = false;
    bool tiltDown = false;
    bool zoomTele = false;
    bool zoomWide = false;
    bool focusFar = false;
    bool focusNear = false;
    bool irisOpen = false;
    bool irisClose = false;
    std::optional<bool> cameraOn; // on or off; nullopt: no change
    std::optional<bool> autoScan; // auto or manual; nullopt: no change
    BYTE panSpeed = 0;            // 0..0x3F, pelcoTurboSpeed for turbo (Pelco P's 0x40 too)
    BYTE tiltSpeed = 0;           // 0..0x3F

    BYTE preset = 0;         // the preset commands
    BYTE argument = 0;       // auxiliary, zone, alarm, lens speed or auto mode
    std::uint16_t value = 0; // set position, and the extended responses

    // A standard command with no function bit: everything stops.
    bool isStop() const;
    // An answer from a camera rather than a command to one.
    bool isResponse() const;
    // AutoFocus and AutoIris: the mode, nullopt for a value that names none.
    std::optional<AutoMode> autoMode() const;

    bool operator==(const PelcoCommand &) const = default;
};

// Decodes a frame of either protocol that passed its checks, from its address, the four bytes
// after it and its last byte.
PelcoCommand decodeFrame(Protocol protocol, BYTE address, const std::array<BYTE, 4> &payload,
                         BYTE checksum);
// Decodes a Pelco D frame whose checksum has been checked.
PelcoCommand decodePelco(const PelcoBytes &bytes);
// Decodes a Pelco P frame whose end byte and checksum have been checked.
PelcoCommand decodePelcoP(const PelcoPBytes &bytes);

// "tilt up speed 63", "pan left speed 63, zoom tele", "go to preset 5", "stop",
// "set pan position 90.00°", "extended response: pan position 90.00° from address 1",
// "unknown command 00 15 00 01 (write character)".
std::string describe(const PelcoCommand &command);

// The name of a Pelco D extended command (command2 odd), empty when it has none here.
std::string extendedCommandName(BYTE command2);

// Pelco D's checksum of a frame's address and payload: their sum mod 256.
BYTE pelcoDChecksum(BYTE address, const std::array<BYTE, 4> &payload);
// Pelco P's checksum: the XOR of STX, address, payload and ETX.
BYTE pelcoPChecksum(BYTE address, const std::array<BYTE, 4> &payload);

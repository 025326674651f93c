// A Pelco D or Pelco P command, decoded: what it asks a camera to do, or what a camera answered.
//
// Both dialects carry four bytes between the address and the end of the frame, and their
// commands mean the same things, so one type holds either; the camera acts on it whichever
// dialect brought it. decodeFrame() reads it from a frame and encode() writes it into one, both
// from the code table (codes.h).
#pragma once

#include "codes.h"
#include "frame.h"
#include "protocol.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace pelco {

struct PelcoCommand
{
    using Kind = CommandKind;

    // The auto focus and auto iris modes as data 2 carries them.
    enum class AutoMode { Auto = 0, On = 1, Off = 2 };

    Kind kind = Kind::Standard;
    Protocol protocol = Protocol::PelcoD;
    Byte address = 0;
    Payload payload{}; // the four bytes after the address
    Byte checksum = 0; // the frame's last byte

    Byte command1() const { return payload[0]; } // Pelco D names; data 1 and 2 in Pelco P
    Byte command2() const { return payload[1]; }
    Byte data1() const { return payload[2]; } // data 3 and 4 in Pelco P
    Byte data2() const { return payload[3]; }

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
    Byte panSpeed = 0;            // 0..0x3F, pelcoTurboSpeed for turbo (Pelco P's 0x40 too)
    Byte tiltSpeed = 0;           // 0..0x3F

    Byte preset = 0;         // the preset commands
    Byte argument = 0;       // auxiliary, zone, alarm, lens speed or auto mode
    std::uint16_t value = 0; // set position, and the extended responses

    // A standard command with no function bit: everything stops.
    bool isStop() const;
    // An answer from a camera rather than a command to one.
    bool isResponse() const;
    // AutoFocus and AutoIris: the mode, nullopt for a value that names none.
    std::optional<AutoMode> autoMode() const;

    bool operator==(const PelcoCommand &) const = default;
};

// A command of this kind with every argument zero: what a caller fills in before encode().
PelcoCommand commandOf(CommandKind kind);

// Decodes a frame of either dialect that passed its checks, from its address, the four bytes
// after it and its last byte.
PelcoCommand decodeFrame(Protocol protocol, Byte address, const Payload &payload, Byte checksum);
inline PelcoCommand decodeFrame(const Frame &frame)
{
    return decodeFrame(frame.protocol, frame.address, frame.payload, frame.checksum());
}
// Decodes a Pelco D frame whose checksum has been checked.
PelcoCommand decodePelco(const PelcoBytes &bytes);
// Decodes a Pelco P frame whose end byte and checksum have been checked.
PelcoCommand decodePelcoP(const PelcoPBytes &bytes);

// The four payload bytes of the command in the dialect, from its meaning (kind, bits, speeds
// and arguments; the address, payload and checksum fields are not read); nullopt where the
// dialect has no code for it. An Unknown command is its payload again, in its own dialect
// only. Turbo (pelcoTurboSpeed) becomes the dialect's turbo byte.
std::optional<Payload> encode(const PelcoCommand &command, Protocol protocol);

// "tilt up speed 63", "pan left speed 63, zoom tele", "go to preset 5", "stop",
// "set pan position 90.00°", "extended response: pan position 90.00° from address 1",
// "unknown command 00 15 00 01 (write character)".
std::string describe(const PelcoCommand &command);

// The name of a Pelco D extended command (command2 odd), empty when it has none here.
std::string extendedCommandName(Byte command2);

} // namespace pelco

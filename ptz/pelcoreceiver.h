// A Pelco D receiver: finds seven-byte frames in a byte stream and decodes them.
//
// Framing: a frame starts at a sync byte 0xFF and is accepted when its checksum (the sum of
// bytes 2 to 6 mod 256) matches. Bytes before a sync byte are skipped and reported as one run.
// A frame whose checksum fails is reported, and the search starts again at the byte after its
// sync: 0xFF is also a legal address, data and checksum value, so a real frame may begin inside
// a failed one (garbage "FF 12" before a frame is the usual case) and is found there.
//
// The receiver works byte by byte, so the events do not depend on how the stream is chunked.
// A run of skipped bytes is reported when the next sync byte arrives, or by flushSkipped()/
// finish(); a frame still incomplete is kept until it completes, or reported by finish().
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

using BYTE = std::uint8_t;

using PelcoBytes = std::array<BYTE, 7>;

// One decoded frame.
struct PelcoCommand
{
    enum class Kind {
        Standard,    // pan, tilt, lens, camera power and scan bits; no bit set is "stop"
        SetPreset,   // command1 0, command2 0x03, preset in data2
        ClearPreset, // command1 0, command2 0x05
        GotoPreset,  // command1 0, command2 0x07
        Unknown,     // any other extended command (command2 odd), or reserved bits set
    };

    Kind kind = Kind::Standard;
    PelcoBytes bytes{};

    BYTE address() const { return bytes[1]; }
    BYTE command1() const { return bytes[2]; }
    BYTE command2() const { return bytes[3]; }
    BYTE data1() const { return bytes[4]; }
    BYTE data2() const { return bytes[5]; }

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
    std::optional<bool> cameraOn; // on (sense bit set) or off; nullopt: no change
    std::optional<bool> autoScan; // auto (sense bit set) or manual; nullopt: no change
    BYTE panSpeed = 0;            // data1: 0..0x3F, 0xFF turbo
    BYTE tiltSpeed = 0;           // data2: 0..0x3F

    // Preset commands.
    BYTE preset = 0;

    // A standard command with no function bit: everything stops.
    bool isStop() const;
    bool operator==(const PelcoCommand &) const = default;
};

inline constexpr BYTE pelcoTurboSpeed = 0xFF;

// Decodes seven bytes whose checksum has been checked.
PelcoCommand decodePelco(const PelcoBytes &bytes);

// "tilt up speed 63", "pan left speed 63, zoom tele", "go to preset 5", "stop",
// "unknown command 00 09 00 01 (set auxiliary)".
std::string describe(const PelcoCommand &command);

// The name of a standard extended command (command2 odd), empty when it has none here.
std::string extendedCommandName(BYTE command2);

struct PelcoEvent
{
    enum class Type {
        Frame,       // a frame with a good checksum; command holds it
        BadChecksum, // seven bytes from a sync byte whose checksum fails
        Skipped,     // bytes outside any frame
        Incomplete,  // the start of a frame when the stream ended (finish())
    };

    Type type = Type::Frame;
    std::vector<BYTE> bytes;
    PelcoCommand command; // Frame only

    bool operator==(const PelcoEvent &) const = default;
};

// "bad checksum (expected 48)", "skipped 3 bytes", "incomplete frame", or the command.
std::string describe(const PelcoEvent &event);

class PelcoReceiver
{
public:
    // Takes the next bytes of the stream, in any chunks; returns what they completed.
    std::vector<PelcoEvent> feed(std::span<const BYTE> bytes);
    // Reports the skipped bytes held back so far (the line went quiet).
    std::vector<PelcoEvent> flushSkipped();
    // The stream ended: reports the skipped bytes and any frame still incomplete.
    std::vector<PelcoEvent> finish();

private:
    void take(BYTE byte, std::vector<PelcoEvent> &events);
    void emitSkipped(std::vector<PelcoEvent> &events);

    std::vector<BYTE> m_frame;   // from a sync byte on, fewer than seven bytes
    std::vector<BYTE> m_skipped; // skipped bytes not reported yet
};

// A virtual camera: what a Pelco D dome does with the frames it receives, in plain numbers.
//
// It answers to one address (default 1). There is no broadcast address: Pelco D has none that
// every dome honours, so a frame for any other address, 0 included, is ignored and reported.
//
// A standard frame sets the whole motion state, as on a real dome: the bits it carries run,
// every other motion stops, and a frame with no bit set stops everything. The state moves only
// in advance(seconds), so callers (and tests) choose the time steps.
//
//  - pan: degrees, 0 <= pan < 360, wrapping; right increases it. Speed 0..0x3F maps linearly
//    onto 0.5..60 degrees per second, turbo (0xFF) is 120; other values count as 0x3F.
//  - tilt: degrees, clamped to -90 (straight down) .. +5; up increases it, at the same rates
//    (no turbo).
//  - zoom: 1x..20x, doubling (or halving) every second while zoom tele (wide) runs.
//  - focus and iris: 0..100, 25 per second; focus far increases focus, iris open the iris.
//  - auto scan pans right at 20 degrees per second until a stop, manual scan or other motion.
//  - presets: set stores pan, tilt, zoom and focus; go to moves there at the top speeds (pan
//    the short way round), and any other motion frame cancels the trip; go to or clear of a
//    preset that is not set does nothing and says so.
#pragma once

#include "pelcoreceiver.h"

#include <map>
#include <optional>
#include <string>

struct CameraPosition
{
    double pan = 0.0;
    double tilt = 0.0;
    double zoom = 1.0;
    double focus = 50.0;
    bool operator==(const CameraPosition &) const = default;
};

struct CameraState
{
    CameraPosition position;
    double iris = 50.0;
    bool powerOn = true;
};

// The signed shortest way from one pan angle to another, in -180..180 degrees.
double panDelta(double from, double to);

class VirtualCamera
{
public:
    static constexpr double minTilt = -90.0;
    static constexpr double maxTilt = 5.0;
    static constexpr double minZoom = 1.0;
    static constexpr double maxZoom = 20.0;
    static constexpr double topSpeed = 60.0;    // degrees per second at speed 0x3F
    static constexpr double turboSpeed = 120.0; // pan at 0xFF, and going to a preset
    static constexpr double scanSpeed = 20.0;
    static constexpr double lensRate = 25.0; // focus and iris units per second

    explicit VirtualCamera(BYTE address = 1);

    BYTE address() const { return m_address; }

    // What the camera made of a frame.
    struct Reaction
    {
        bool forThisCamera = true;
        bool acted = true;
        std::string note; // why it did nothing: "for address 2", "preset 7 is not set"
    };
    Reaction apply(const PelcoCommand &command);

    // Moves the running motions on by the given time.
    void advance(double seconds);

    // Whether anything would change in advance().
    bool moving() const;

    const CameraState &state() const { return m_state; }
    std::optional<CameraPosition> preset(int number) const;

    // Degrees per second for a Pelco D speed byte.
    static double panRate(BYTE speed);
    static double tiltRate(BYTE speed);

    // "pan 0.0 tilt 12.5 zoom 1.0x focus 50"
    static std::string describe(const CameraState &state);

private:
    BYTE m_address;
    CameraState m_state;
    double m_panVelocity = 0.0;  // degrees per second, right positive
    double m_tiltVelocity = 0.0; // up positive
    int m_zoomDirection = 0;     // +1 tele, -1 wide
    int m_focusDirection = 0;    // +1 far
    int m_irisDirection = 0;     // +1 open
    bool m_autoScan = false;
    std::optional<CameraPosition> m_target; // going to a preset
    std::map<int, CameraPosition> m_presets;
};

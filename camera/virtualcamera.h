// A virtual camera: what a Pelco D (or Pelco P) dome does with the commands it receives, in
// plain numbers, and what it answers.
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
//    Diagonals run pan and tilt together, each at its own speed.
//  - tilt: degrees, clamped to -90 (straight down) .. +5; up increases it, at the same rates
//    (no turbo).
//  - zoom: 1x..20x, doubling (or halving) every second while zoom tele (wide) runs at zoom
//    speed 3, the fastest and the default; speeds 2, 1, 0 take 4/3, 2 and 4 seconds.
//  - focus and iris: 0..100, 25 per second (focus at focus speed 3; 2, 1, 0 are 3/4, 1/2, 1/4
//    of that); focus far increases focus, iris open the iris. Auto focus on keeps the focus
//    sharp for the zoom (sharpFocus) and ignores focus frames; auto focus "auto" does so while
//    no focus frame runs; off (the start) is manual. Auto iris likewise holds the iris at 50.
//  - auto scan pans right at 20 degrees per second until a stop, manual scan or other motion.
//  - presets: set stores pan, tilt, zoom and focus; go to moves there at the top speeds (pan
//    the short way round), and any other motion frame cancels the trip; go to or clear of a
//    preset that is not set does nothing and says so. Go to 33 flips the camera (pan 180
//    degrees on) and go to 34 turns it to pan 0, set or not.
//  - absolute positions go there at the top speeds, like a preset, each axis on its own (set
//    pan, then set tilt, goes to both). The raw values, which queries answer with:
//      pan: hundredths of a degree, 0..35999 (36000 and more are refused);
//      tilt: hundredths of a degree below level, the way pan counts: 0 is level, 9000 straight
//        down, and up is counted back from 36000 (35500 is 5 degrees up). Values past the
//        stops (9001..18000 down, 18001..35499 up) go to the stop; 36000 and more are refused;
//      zoom: 0..65535 over the lens, linear in the factor: 0 is 1x, 65535 is 20x.
//  - auxiliary outputs 1..8 are switched on and off; other numbers are refused.
//  - camera on/off switches the picture; the mechanics work either way.
//  - remote reset stops every motion, switches the auxiliaries off, and puts power, lens speeds
//    and the auto modes back as at the start; presets and position stay.
//  - zones, zone scan, patterns, the screen and alarms are accepted and have no effect here.
//
// Replies (Pelco D only; Pelco P has none): with Replies::Queries (the default) the camera
// answers a position query with an extended response; with Replies::All it also sends a
// general response (alarm bits 0) for every other command it acts on; Replies::None is silent.
#pragma once

#include "command.h"

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

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
    using AutoMode = pelco::PelcoCommand::AutoMode;

    CameraPosition position;
    double iris = 50.0;
    bool powerOn = true;
    std::array<bool, 8> auxiliary{}; // outputs 1..8
    AutoMode autoFocus = AutoMode::Off;
    AutoMode autoIris = AutoMode::Off;
    int zoomSpeed = 3; // 0..3
    int focusSpeed = 3;
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
    static constexpr double rightIris = 50.0;
    static constexpr int auxiliaries = 8;

    enum class Replies { None, Queries, All };

    explicit VirtualCamera(pelco::Byte address = 1, Replies replies = Replies::Queries);

    pelco::Byte address() const { return m_address; }

    // What the camera made of a command.
    struct Reaction
    {
        bool forThisCamera = true;
        bool acted = true;
        std::string note; // why it did nothing ("for address 2", "preset 7 is not set"),
                          // or what acting meant here ("no effect on this camera")
        std::vector<pelco::Byte> reply; // the bytes it sends back, if any
    };
    Reaction apply(const pelco::PelcoCommand &command);

    // Moves the running motions on by the given time.
    void advance(double seconds);

    // Whether anything would change in advance().
    bool moving() const;

    const CameraState &state() const { return m_state; }
    std::optional<CameraPosition> preset(int number) const;

    // Degrees per second for a Pelco D speed byte.
    static double panRate(pelco::Byte speed);
    static double tiltRate(pelco::Byte speed);

    // The focus that gives a sharp picture at a zoom: far subjects need more at long zoom.
    static double sharpFocus(double zoom);

    // The raw position values of the conventions above, both ways.
    static std::uint16_t panValue(double pan);
    static std::uint16_t tiltValue(double tilt);
    static std::uint16_t zoomValue(double zoom);
    static std::optional<double> panFromValue(std::uint16_t value);
    static std::optional<double> tiltFromValue(std::uint16_t value);
    static double zoomFromValue(std::uint16_t value);

    // "pan 0.0 tilt 12.5 zoom 1.0x focus 50", then " off" with the camera off and " aux 1,3"
    // with auxiliaries on.
    static std::string describe(const CameraState &state);
    // "1,3", or empty when none is on.
    static std::string auxiliariesOn(const CameraState &state);

private:
    Reaction act(const pelco::PelcoCommand &command);
    Reaction actStandard(const pelco::PelcoCommand &command);
    Reaction gotoPreset(pelco::Byte number);
    // The trip under way, or a new one from here with every motion stopped.
    CameraPosition &trip();
    void stopMotions();
    bool focusTracks() const;
    bool irisTracks() const;
    bool reached(const CameraPosition &target) const;

    pelco::Byte m_address;
    Replies m_replies;
    CameraState m_state;
    double m_panVelocity = 0.0;  // degrees per second, right positive
    double m_tiltVelocity = 0.0; // up positive
    int m_zoomDirection = 0;     // +1 tele, -1 wide
    int m_focusDirection = 0;    // +1 far
    int m_irisDirection = 0;     // +1 open
    bool m_autoScan = false;
    std::optional<CameraPosition> m_target; // going to a preset or a position
    std::map<int, CameraPosition> m_presets;
};

// From the controller's state to what the camera is asked to do: the left stick pans and tilts,
// the right stick's vertical axis zooms, the shoulder buttons focus.
//
// Each stick axis has a dead zone around its centre (15 % of the travel by default). Beyond it,
// the speed follows a square curve, so that the first half of the remaining travel gives the
// fine speeds: with t the deflection beyond the dead zone as a fraction of the way to the outer
// 3 % of the travel (0 to 1),
//     speed = 1 + round(62 * t * t)     (1 to 63)
// The outer 3 % is full deflection: speed 63, and pan held there for a second is turbo.
#pragma once

#include "padcontrols.h"

#include <optional>

namespace pad {

// What the camera does: directions (-1, 0, 1) and speeds.
struct PtzMotion
{
    int pan = 0; // 1 right, -1 left
    int panSpeed = 0;
    bool turbo = false;
    int tilt = 0; // 1 up, -1 down
    int tiltSpeed = 0;
    int zoom = 0;  // 1 tele, -1 wide
    int focus = 0; // 1 far, -1 near

    bool isRest() const { return pan == 0 && tilt == 0 && zoom == 0 && focus == 0; }
    bool operator==(const PtzMotion &) const = default;
};

inline constexpr double defaultDeadZone = 0.15;
inline constexpr double fullDeflection = 0.97;
inline constexpr int minSpeed = 1;
inline constexpr int topSpeed = 63;
inline constexpr PadTime turboAfter = std::chrono::seconds(1);

// An axis's speed: 0 within the dead zone (a fraction of the travel), 1 to 63 beyond it.
int axisSpeed(int value, double deadZone);
// Whether an axis is out in its outer 3 %.
bool atFullDeflection(int value);

// Maps states to motions, minding how long the pan has been at full deflection.
class MotionMapper
{
public:
    explicit MotionMapper(double deadZone = defaultDeadZone) : m_deadZone(deadZone) {}

    PtzMotion map(const PadState &state, PadTime now);
    // When turbo comes on if the pan stays where it is; nullopt when it is not on its way.
    std::optional<PadTime> turboDue() const;
    // Starts the turbo second again (another camera takes over the stick).
    void restartTurbo();

private:
    double m_deadZone;
    int m_fullDirection = 0;
    std::optional<PadTime> m_fullSince;
    bool m_turbo = false;
};

} // namespace pad

#include "padmapping.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace pad {

namespace {

double deflection(int value)
{
    return std::min(std::abs(double(value)), double(axisMax)) / double(axisMax);
}

int direction(int value, double deadZone)
{
    if (axisSpeed(value, deadZone) == 0)
        return 0;
    return value > 0 ? 1 : -1;
}

} // namespace

int axisSpeed(int value, double deadZone)
{
    const double d = deflection(value);
    if (d <= deadZone)
        return 0;
    const double t = std::min(1.0, (d - deadZone) / (fullDeflection - deadZone));
    return minSpeed + int(std::lround((topSpeed - minSpeed) * t * t));
}

bool atFullDeflection(int value)
{
    return deflection(value) >= fullDeflection;
}

PtzMotion MotionMapper::map(const PadState &state, PadTime now)
{
    PtzMotion m;
    const int x = state.axis(Axis::LeftX);
    const int y = state.axis(Axis::LeftY);
    m.pan = direction(x, m_deadZone);
    m.panSpeed = axisSpeed(x, m_deadZone);
    // SDL's vertical axes grow downwards: pushed away is negative.
    m.tilt = -direction(y, m_deadZone);
    m.tiltSpeed = axisSpeed(y, m_deadZone);
    m.zoom = -direction(state.axis(Axis::RightY), m_deadZone);
    m.focus = int(state.button(Button::RightShoulder)) - int(state.button(Button::LeftShoulder));

    const int full = m.pan != 0 && atFullDeflection(x) ? m.pan : 0;
    if (full == 0 || full != m_fullDirection) {
        m_fullDirection = full;
        m_fullSince = full != 0 ? std::optional<PadTime>(now) : std::nullopt;
        m_turbo = false;
    } else if (!m_turbo && now - *m_fullSince >= turboAfter) {
        m_turbo = true;
    }
    m.turbo = m_turbo;
    return m;
}

void MotionMapper::restartTurbo()
{
    m_fullDirection = 0;
    m_fullSince.reset();
    m_turbo = false;
}

std::optional<PadTime> MotionMapper::turboDue() const
{
    if (!m_fullSince || m_turbo)
        return std::nullopt;
    return *m_fullSince + turboAfter;
}

} // namespace pad

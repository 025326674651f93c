#include "virtualcamera.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

double wrapPan(double pan)
{
    pan = std::fmod(pan, 360.0);
    if (pan < 0)
        pan += 360.0;
    // fmod of a tiny negative value plus 360 can round to 360 itself.
    return pan >= 360.0 ? 0.0 : pan;
}

// Moves value towards target by at most step.
double approach(double value, double target, double step)
{
    if (std::abs(target - value) <= step)
        return target;
    return value + (target > value ? step : -step);
}

} // namespace

double panDelta(double from, double to)
{
    double d = std::fmod(to - from, 360.0);
    if (d > 180.0)
        d -= 360.0;
    if (d < -180.0)
        d += 360.0;
    return d;
}

VirtualCamera::VirtualCamera(BYTE address) : m_address(address) {}

double VirtualCamera::panRate(BYTE speed)
{
    if (speed == pelcoTurboSpeed)
        return turboSpeed;
    const int s = std::min<int>(speed, 0x3F);
    return 0.5 + (topSpeed - 0.5) * s / 63.0;
}

double VirtualCamera::tiltRate(BYTE speed)
{
    const int s = std::min<int>(speed, 0x3F);
    return 0.5 + (topSpeed - 0.5) * s / 63.0;
}

VirtualCamera::Reaction VirtualCamera::apply(const PelcoCommand &c)
{
    if (c.address != m_address)
        return {false, false, "for address " + std::to_string(c.address)};

    using Kind = PelcoCommand::Kind;
    switch (c.kind) {
    case Kind::Standard:
        break;
    default:
        return {true, false, "not supported"};
    case Kind::SetPreset:
        m_presets[c.preset] = m_state.position;
        return {};
    case Kind::ClearPreset:
        if (m_presets.erase(c.preset) == 0)
            return {true, false, "preset " + std::to_string(c.preset) + " is not set"};
        return {};
    case Kind::GotoPreset: {
        const auto found = m_presets.find(c.preset);
        if (found == m_presets.end())
            return {true, false, "preset " + std::to_string(c.preset) + " is not set"};
        m_panVelocity = m_tiltVelocity = 0.0;
        m_zoomDirection = m_focusDirection = m_irisDirection = 0;
        m_autoScan = false;
        m_target = found->second;
        return {};
    }
    }

    // A standard frame replaces every motion; a trip to a preset ends.
    m_target.reset();
    m_panVelocity = 0.0;
    if (c.panLeft != c.panRight)
        m_panVelocity = (c.panRight ? 1.0 : -1.0) * panRate(c.panSpeed);
    m_tiltVelocity = 0.0;
    if (c.tiltUp != c.tiltDown)
        m_tiltVelocity = (c.tiltUp ? 1.0 : -1.0) * tiltRate(c.tiltSpeed);
    m_zoomDirection = c.zoomTele == c.zoomWide ? 0 : (c.zoomTele ? 1 : -1);
    m_focusDirection = c.focusFar == c.focusNear ? 0 : (c.focusFar ? 1 : -1);
    m_irisDirection = c.irisOpen == c.irisClose ? 0 : (c.irisOpen ? 1 : -1);
    if (c.cameraOn)
        m_state.powerOn = *c.cameraOn;
    m_autoScan = c.autoScan.value_or(false) && !c.panLeft && !c.panRight;
    return {};
}

void VirtualCamera::advance(double seconds)
{
    if (seconds <= 0)
        return;
    CameraPosition &p = m_state.position;
    if (m_target) {
        const double d = panDelta(p.pan, m_target->pan);
        p.pan = wrapPan(p.pan + std::clamp(d, -turboSpeed * seconds, turboSpeed * seconds));
        if (std::abs(panDelta(p.pan, m_target->pan)) < 1e-9)
            p.pan = m_target->pan;
        p.tilt = approach(p.tilt, m_target->tilt, topSpeed * seconds);
        // Zoom goes at its own rate, in steps of the factor it would make in that time.
        const double factor = std::pow(2.0, seconds);
        if (m_target->zoom > p.zoom)
            p.zoom = std::min(m_target->zoom, p.zoom * factor);
        else
            p.zoom = std::max(m_target->zoom, p.zoom / factor);
        p.focus = approach(p.focus, m_target->focus, lensRate * seconds);
        if (p == *m_target)
            m_target.reset();
        return;
    }
    const double panVelocity = m_autoScan ? scanSpeed : m_panVelocity;
    p.pan = wrapPan(p.pan + panVelocity * seconds);
    p.tilt = std::clamp(p.tilt + m_tiltVelocity * seconds, minTilt, maxTilt);
    if (m_zoomDirection)
        p.zoom = std::clamp(p.zoom * std::pow(2.0, m_zoomDirection * seconds), minZoom, maxZoom);
    p.focus = std::clamp(p.focus + m_focusDirection * lensRate * seconds, 0.0, 100.0);
    m_state.iris = std::clamp(m_state.iris + m_irisDirection * lensRate * seconds, 0.0, 100.0);
}

bool VirtualCamera::moving() const
{
    const CameraPosition &p = m_state.position;
    return m_target || m_autoScan || m_panVelocity != 0.0 ||
           (m_tiltVelocity > 0 && p.tilt < maxTilt) || (m_tiltVelocity < 0 && p.tilt > minTilt) ||
           (m_zoomDirection > 0 && p.zoom < maxZoom) || (m_zoomDirection < 0 && p.zoom > minZoom) ||
           (m_focusDirection > 0 && p.focus < 100) || (m_focusDirection < 0 && p.focus > 0) ||
           (m_irisDirection > 0 && m_state.iris < 100) || (m_irisDirection < 0 && m_state.iris > 0);
}

std::optional<CameraPosition> VirtualCamera::preset(int number) const
{
    const auto found = m_presets.find(number);
    if (found == m_presets.end())
        return std::nullopt;
    return found->second;
}

std::string VirtualCamera::describe(const CameraState &state)
{
    char text[128];
    const CameraPosition &p = state.position;
    // Rounding can print 360.0 for 359.96: show it as 0.0, where the dome is.
    double pan = std::round(p.pan * 10.0) / 10.0;
    if (pan >= 360.0)
        pan = 0.0;
    const double tilt = std::round(p.tilt * 10.0) / 10.0 + 0.0; // never "-0.0"
    std::snprintf(text, sizeof text, "pan %.1f tilt %.1f zoom %.1fx focus %.0f", pan, tilt, p.zoom,
                  p.focus);
    std::string out = text;
    if (!state.powerOn)
        out += " off";
    return out;
}

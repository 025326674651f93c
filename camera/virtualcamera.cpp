#include "virtualcamera.h"

#include "reply.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

using pelco::answerTo;
using pelco::extendedResponse;
using pelco::generalResponse;
using pelco::PelcoBytes;
using pelco::PelcoCommand;
using pelco::PelcoGeneralBytes;
using pelco::PelcoReply;
using pelco::pelcoTurboSpeed;
using pelco::Protocol;

namespace {

using Kind = PelcoCommand::Kind;

constexpr int flipPreset = 33;
constexpr int zeroPanPreset = 34;
constexpr int topLensSpeed = 3;
constexpr std::uint16_t fullCircle = 36000; // hundredths of a degree
constexpr std::uint16_t straightDown = 9000;
constexpr std::uint16_t halfCircle = 18000;

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

// Zoom goes by factors: towards target by at most the factor of the given doublings.
double approachZoom(double zoom, double target, double doublings)
{
    const double factor = std::pow(2.0, doublings);
    return target > zoom ? std::min(target, zoom * factor) : std::max(target, zoom / factor);
}

// Doublings per second of the zoom, and the share of the focus rate, at lens speeds 0..3.
double zoomDoublings(int speed)
{
    return (speed + 1) / 4.0;
}
double focusShare(int speed)
{
    return (speed + 1) / 4.0;
}

VirtualCamera::Reaction refused(std::string why)
{
    return {true, false, std::move(why), {}};
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

VirtualCamera::VirtualCamera(pelco::Byte address, Replies replies)
    : m_address(address), m_replies(replies)
{}

double VirtualCamera::panRate(pelco::Byte speed)
{
    // Pan has tilt's rates, and turbo besides.
    return speed == pelcoTurboSpeed ? turboSpeed : tiltRate(speed);
}

double VirtualCamera::tiltRate(pelco::Byte speed)
{
    const int s = std::min<int>(speed, 0x3F);
    return 0.5 + (topSpeed - 0.5) * s / 63.0;
}

double VirtualCamera::sharpFocus(double zoom)
{
    return 50.0 + (zoom - minZoom) * 45.0 / (maxZoom - minZoom);
}

std::uint16_t VirtualCamera::panValue(double pan)
{
    return std::uint16_t(std::lround(wrapPan(pan) * 100.0) % fullCircle);
}

std::uint16_t VirtualCamera::tiltValue(double tilt)
{
    const long down = std::lround(-tilt * 100.0); // negative: up
    return std::uint16_t((down + fullCircle) % fullCircle);
}

std::uint16_t VirtualCamera::zoomValue(double zoom)
{
    return std::uint16_t(std::lround((zoom - minZoom) / (maxZoom - minZoom) * 65535.0));
}

std::optional<double> VirtualCamera::panFromValue(std::uint16_t value)
{
    if (value >= fullCircle)
        return std::nullopt;
    return value / 100.0;
}

std::optional<double> VirtualCamera::tiltFromValue(std::uint16_t value)
{
    if (value >= fullCircle)
        return std::nullopt;
    if (value <= halfCircle)
        return std::max(minTilt, -std::min<int>(value, straightDown) / 100.0);
    return std::min(maxTilt, (fullCircle - value) / 100.0);
}

double VirtualCamera::zoomFromValue(std::uint16_t value)
{
    return minZoom + (maxZoom - minZoom) * value / 65535.0;
}

VirtualCamera::Reaction VirtualCamera::apply(const PelcoCommand &c)
{
    if (c.address != m_address)
        return {false, false, "for address " + std::to_string(c.address), {}};
    if (c.isResponse())
        return refused("a reply, not a command");

    Reaction reaction = act(c);
    if (!reaction.acted || c.protocol != Protocol::PelcoD || m_replies == Replies::None)
        return reaction;
    if (const auto answer = answerTo(c)) {
        const CameraPosition &p = m_state.position;
        const std::uint16_t value = *answer == PelcoReply::Kind::PanPosition    ? panValue(p.pan)
                                    : *answer == PelcoReply::Kind::TiltPosition ? tiltValue(p.tilt)
                                                                                : zoomValue(p.zoom);
        const PelcoBytes bytes = extendedResponse(m_address, *answer, value);
        reaction.reply.assign(bytes.begin(), bytes.end());
    } else if (m_replies == Replies::All) {
        const PelcoGeneralBytes bytes = generalResponse(m_address, c.checksum, 0);
        reaction.reply.assign(bytes.begin(), bytes.end());
    }
    return reaction;
}

VirtualCamera::Reaction VirtualCamera::act(const PelcoCommand &c)
{
    switch (c.kind) {
    case Kind::Standard:
        return actStandard(c);
    case Kind::SetPreset:
        m_presets[c.preset] = m_state.position;
        return {};
    case Kind::ClearPreset:
        if (m_presets.erase(c.preset) == 0)
            return refused("preset " + std::to_string(c.preset) + " is not set");
        return {};
    case Kind::GotoPreset:
        return gotoPreset(c.preset);
    case Kind::SetAuxiliary:
    case Kind::ClearAuxiliary:
        if (c.argument < 1 || c.argument > auxiliaries)
            return refused("no auxiliary " + std::to_string(c.argument) + " (1 to 8)");
        m_state.auxiliary[c.argument - 1] = c.kind == Kind::SetAuxiliary;
        return {};
    case Kind::RemoteReset: {
        stopMotions();
        const CameraState fresh;
        m_state.auxiliary = fresh.auxiliary;
        m_state.powerOn = fresh.powerOn;
        m_state.autoFocus = fresh.autoFocus;
        m_state.autoIris = fresh.autoIris;
        m_state.zoomSpeed = fresh.zoomSpeed;
        m_state.focusSpeed = fresh.focusSpeed;
        return {};
    }
    case Kind::ZoomSpeed:
    case Kind::FocusSpeed:
        if (c.argument > topLensSpeed)
            return refused("lens speed " + std::to_string(c.argument) + " is beyond 3");
        (c.kind == Kind::ZoomSpeed ? m_state.zoomSpeed : m_state.focusSpeed) = c.argument;
        return {};
    case Kind::AutoFocus:
    case Kind::AutoIris:
        if (!c.autoMode())
            return refused("mode " + std::to_string(c.argument) +
                           " is none of 0 auto, 1 on, 2 off");
        (c.kind == Kind::AutoFocus ? m_state.autoFocus : m_state.autoIris) = *c.autoMode();
        // Switched on, it takes the lens over from a manual order that runs.
        if (*c.autoMode() == CameraState::AutoMode::On)
            (c.kind == Kind::AutoFocus ? m_focusDirection : m_irisDirection) = 0;
        return {};
    case Kind::SetPanPosition: {
        const auto pan = panFromValue(c.value);
        if (!pan)
            return refused("pan position " + std::to_string(c.value) + " is beyond 35999");
        trip().pan = *pan;
        return {};
    }
    case Kind::SetTiltPosition: {
        const auto tilt = tiltFromValue(c.value);
        if (!tilt)
            return refused("tilt position " + std::to_string(c.value) + " is beyond 35999");
        trip().tilt = *tilt;
        return {};
    }
    case Kind::SetZoomPosition:
        trip().zoom = zoomFromValue(c.value);
        return {};
    case Kind::QueryPan:
    case Kind::QueryTilt:
    case Kind::QueryZoom:
        return {};
    case Kind::ZoneStart:
    case Kind::ZoneEnd:
    case Kind::ClearScreen:
    case Kind::AlarmAcknowledge:
    case Kind::ZoneScanOn:
    case Kind::ZoneScanOff:
    case Kind::PatternStart:
    case Kind::PatternStop:
    case Kind::PatternRun:
        return {true, true, "no effect on this camera", {}};
    case Kind::Unknown:
    case Kind::PanPositionResponse:
    case Kind::TiltPositionResponse:
    case Kind::ZoomPositionResponse:
        break;
    }
    return refused("not supported");
}

VirtualCamera::Reaction VirtualCamera::actStandard(const PelcoCommand &c)
{
    // A standard frame replaces every motion; a trip ends.
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
    // With auto focus (iris) on, the lens does not take manual orders.
    if (m_state.autoFocus == CameraState::AutoMode::On)
        m_focusDirection = 0;
    if (m_state.autoIris == CameraState::AutoMode::On)
        m_irisDirection = 0;
    if (c.cameraOn)
        m_state.powerOn = *c.cameraOn;
    m_autoScan = c.autoScan.value_or(false) && !c.panLeft && !c.panRight;
    return {};
}

VirtualCamera::Reaction VirtualCamera::gotoPreset(pelco::Byte number)
{
    if (number == flipPreset) {
        CameraPosition &target = trip();
        target.pan = wrapPan(target.pan + 180.0);
        return {};
    }
    if (number == zeroPanPreset) {
        trip().pan = 0.0;
        return {};
    }
    const auto found = m_presets.find(number);
    if (found == m_presets.end())
        return refused("preset " + std::to_string(number) + " is not set");
    stopMotions();
    m_target = found->second;
    return {};
}

void VirtualCamera::stopMotions()
{
    m_panVelocity = m_tiltVelocity = 0.0;
    m_zoomDirection = m_focusDirection = m_irisDirection = 0;
    m_autoScan = false;
    m_target.reset();
}

CameraPosition &VirtualCamera::trip()
{
    if (!m_target) {
        stopMotions();
        m_target = m_state.position;
    }
    return *m_target;
}

bool VirtualCamera::focusTracks() const
{
    using AutoMode = CameraState::AutoMode;
    return m_state.autoFocus == AutoMode::On ||
           (m_state.autoFocus == AutoMode::Auto && m_focusDirection == 0);
}

bool VirtualCamera::irisTracks() const
{
    using AutoMode = CameraState::AutoMode;
    return m_state.autoIris == AutoMode::On ||
           (m_state.autoIris == AutoMode::Auto && m_irisDirection == 0);
}

bool VirtualCamera::reached(const CameraPosition &target) const
{
    const CameraPosition &p = m_state.position;
    // A focus that follows the zoom is no part of the trip.
    return p.pan == target.pan && p.tilt == target.tilt && p.zoom == target.zoom &&
           (focusTracks() || p.focus == target.focus);
}

void VirtualCamera::advance(double seconds)
{
    if (seconds <= 0)
        return;
    CameraPosition &p = m_state.position;
    const double focusRate = lensRate * focusShare(m_state.focusSpeed);
    if (m_target) {
        const double d = panDelta(p.pan, m_target->pan);
        p.pan = wrapPan(p.pan + std::clamp(d, -turboSpeed * seconds, turboSpeed * seconds));
        if (std::abs(panDelta(p.pan, m_target->pan)) < 1e-9)
            p.pan = m_target->pan;
        p.tilt = approach(p.tilt, m_target->tilt, topSpeed * seconds);
        p.zoom = approachZoom(p.zoom, m_target->zoom, seconds);
        if (!focusTracks())
            p.focus = approach(p.focus, m_target->focus, lensRate * seconds);
        if (reached(*m_target))
            m_target.reset();
    } else {
        const double panVelocity = m_autoScan ? scanSpeed : m_panVelocity;
        p.pan = wrapPan(p.pan + panVelocity * seconds);
        p.tilt = std::clamp(p.tilt + m_tiltVelocity * seconds, minTilt, maxTilt);
        if (m_zoomDirection)
            p.zoom = std::clamp(p.zoom * std::pow(2.0, m_zoomDirection * seconds *
                                                           zoomDoublings(m_state.zoomSpeed)),
                                minZoom, maxZoom);
        p.focus = std::clamp(p.focus + m_focusDirection * focusRate * seconds, 0.0, 100.0);
        m_state.iris = std::clamp(m_state.iris + m_irisDirection * lensRate * seconds, 0.0, 100.0);
    }
    if (focusTracks())
        p.focus = approach(p.focus, sharpFocus(p.zoom), focusRate * seconds);
    if (irisTracks())
        m_state.iris = approach(m_state.iris, rightIris, lensRate * seconds);
}

bool VirtualCamera::moving() const
{
    const CameraPosition &p = m_state.position;
    return m_target || m_autoScan || m_panVelocity != 0.0 ||
           (m_tiltVelocity > 0 && p.tilt < maxTilt) || (m_tiltVelocity < 0 && p.tilt > minTilt) ||
           (m_zoomDirection > 0 && p.zoom < maxZoom) || (m_zoomDirection < 0 && p.zoom > minZoom) ||
           (m_focusDirection > 0 && p.focus < 100) || (m_focusDirection < 0 && p.focus > 0) ||
           (m_irisDirection > 0 && m_state.iris < 100) ||
           (m_irisDirection < 0 && m_state.iris > 0) ||
           (focusTracks() && p.focus != sharpFocus(p.zoom)) ||
           (irisTracks() && m_state.iris != rightIris);
}

std::optional<CameraPosition> VirtualCamera::preset(int number) const
{
    const auto found = m_presets.find(number);
    if (found == m_presets.end())
        return std::nullopt;
    return found->second;
}

std::string VirtualCamera::auxiliariesOn(const CameraState &state)
{
    std::string text;
    for (int i = 0; i < auxiliaries; ++i)
        if (state.auxiliary[std::size_t(i)])
            text += (text.empty() ? "" : ",") + std::to_string(i + 1);
    return text;
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
    const std::string aux = auxiliariesOn(state);
    if (!aux.empty())
        out += " aux " + aux;
    return out;
}

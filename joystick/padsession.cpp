#include "padsession.h"

#include "command.h"

#include <algorithm>

namespace pad {

namespace {

// Presets exist in both protocols, in the same layout.
pelco::Payload presetPayload(Protocol protocol, bool set, int preset)
{
    pelco::PelcoCommand command =
        pelco::commandOf(set ? pelco::CommandKind::SetPreset : pelco::CommandKind::GotoPreset);
    command.preset = Byte(preset);
    return *pelco::encode(command, protocol);
}

} // namespace

PadSession::PadSession(const SessionSettings &settings, Sink sink)
    : m_settings(settings), m_sink(std::move(sink)), m_mapper(settings.deadZone),
      m_pacer(settings.baud)
{
    if (m_settings.addresses.empty())
        m_settings.addresses.push_back(1);
}

pelco::Payload PadSession::motionPayload(Protocol protocol, const PtzMotion &m)
{
    // One standard command carries pan, tilt, zoom and focus at once, in both protocols; the
    // protocol library knows each one's bits and its turbo byte.
    pelco::PelcoCommand command = pelco::commandOf(pelco::CommandKind::Standard);
    command.panRight = m.pan > 0;
    command.panLeft = m.pan < 0;
    command.tiltUp = m.tilt > 0;
    command.tiltDown = m.tilt < 0;
    command.zoomTele = m.zoom > 0;
    command.zoomWide = m.zoom < 0;
    command.focusFar = m.focus > 0;
    command.focusNear = m.focus < 0;
    command.panSpeed = m.pan == 0 ? 0 : m.turbo ? pelco::pelcoTurboSpeed : Byte(m.panSpeed);
    command.tiltSpeed = m.tilt != 0 ? Byte(m.tiltSpeed) : 0;
    return *pelco::encode(command, protocol);
}

void PadSession::write(const pelco::Payload &payload, PadTime now, bool motion)
{
    const std::vector<Byte> frame =
        pelco::frameBytes(m_settings.protocol, currentAddress(), payload);
    m_pacer.wrote(now, frame.size(), motion);
    m_sink(frame);
}

void PadSession::sendMotion(const PtzMotion &motion, PadTime now)
{
    // Taken as sent before the write: if the line fails part-way, the camera may be moving.
    m_sent = motion;
    m_pending = false;
    write(motionPayload(m_settings.protocol, motion), now, true);
}

void PadSession::set(Control control, int value, PadTime now)
{
    const bool was = control.isAxis ? false : m_state.value(control) != 0;
    m_state.set(control, value);
    if (!control.isAxis && !was && m_state.value(control) != 0)
        pressed(Button(control.index), now);
}

void PadSession::pressed(Button button, PadTime now)
{
    switch (button) {
    case Button::A:
    case Button::B:
    case Button::X:
    case Button::Y: {
        const int preset = int(button) - int(Button::A) + 1;
        const bool set = m_state.button(Button::Back);
        write(presetPayload(m_settings.protocol, set, preset), now, false);
        break;
    }
    case Button::DpLeft:
        switchCamera(-1, now);
        break;
    case Button::DpRight:
        switchCamera(1, now);
        break;
    case Button::Start:
        sendMotion({}, now);
        m_held = true;
        break;
    default:
        break;
    }
}

void PadSession::switchCamera(int step, PadTime now)
{
    const auto n = m_settings.addresses.size();
    if (n < 2)
        return;
    if (moving())
        sendMotion({}, now);
    m_current = step > 0 ? (m_current + 1) % n : (m_current + n - 1) % n;
    // The next camera is taken to be at rest; the sticks move it from the next update, and it
    // earns turbo with a second of its own.
    m_sent = {};
    m_mapper.restartTurbo();
    m_pending = false;
}

void PadSession::update(PadTime now)
{
    m_lastNow = now;
    PtzMotion desired = m_mapper.map(m_state, now);
    if (m_held) {
        if (!desired.isRest()) {
            m_pending = false;
            return;
        }
        m_held = false;
    }
    if (desired == m_sent) {
        m_pending = false;
        return;
    }
    if (desired.isRest() || now >= m_pacer.nextMotionAt()) {
        sendMotion(desired, now);
        return;
    }
    m_pending = true;
}

std::optional<PadTime> PadSession::nextWake() const
{
    std::optional<PadTime> wake;
    if (m_pending)
        wake = m_pacer.nextMotionAt();
    if (const auto turbo = m_mapper.turboDue())
        wake = wake ? std::min(*wake, *turbo) : *turbo;
    return wake;
}

void PadSession::finish()
{
    if (moving())
        sendMotion({}, m_lastNow);
}

} // namespace pad

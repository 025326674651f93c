#include "padsession.h"

#include <algorithm>

namespace pad {

namespace {

ActionPayload presetPayload(Protocol protocol, const char *action, int preset)
{
    ActionArguments arguments;
    arguments.value = preset;
    return *encodeAction(*findAction(action), arguments, protocol);
}

} // namespace

PadSession::PadSession(const SessionSettings &settings, Sink sink)
    : m_settings(settings), m_sink(std::move(sink)), m_mapper(settings.deadZone),
      m_pacer(settings.baud)
{
    if (m_settings.addresses.empty())
        m_settings.addresses.push_back(1);
}

ActionPayload PadSession::motionPayload(Protocol protocol, const PtzMotion &m)
{
    // Pan, tilt and zoom share the second byte in both protocols; focus differs (pelco.md).
    BYTE motion = 0;
    if (m.pan > 0)
        motion |= 0x02;
    if (m.pan < 0)
        motion |= 0x04;
    if (m.tilt > 0)
        motion |= 0x08;
    if (m.tilt < 0)
        motion |= 0x10;
    if (m.zoom > 0)
        motion |= 0x20;
    if (m.zoom < 0)
        motion |= 0x40;
    BYTE lens = 0;
    BYTE panSpeed = m.pan != 0 ? BYTE(m.panSpeed) : 0;
    const BYTE tiltSpeed = m.tilt != 0 ? BYTE(m.tiltSpeed) : 0;
    if (protocol == Protocol::PelcoD) {
        if (m.focus > 0)
            motion |= 0x80;
        if (m.focus < 0)
            lens |= 0x01;
        if (m.pan != 0 && m.turbo)
            panSpeed = pelcoTurboSpeed;
    } else {
        if (m.focus > 0)
            lens |= 0x01;
        if (m.focus < 0)
            lens |= 0x02;
        if (m.pan != 0 && m.turbo)
            panSpeed = pelcoPTurboSpeed;
    }
    return {lens, motion, panSpeed, tiltSpeed};
}

void PadSession::write(const ActionPayload &payload, PadTime now, bool motion)
{
    const std::vector<BYTE> frame = frameBytes(m_settings.protocol, currentAddress(), payload);
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
        write(presetPayload(m_settings.protocol, set ? "set" : "goto", preset), now, false);
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

// The controller driving the cameras of a line: controls come in, frames go out.
//
// Motion frames follow the state: one goes out when the motion the stick asks for differs from
// the one last sent, as soon as the pacer allows, the latest state winning. A return to rest
// (nothing pans, tilts, zooms or focuses) sends the stop at once, so no older motion can follow
// it. The buttons act when pressed:
//   a, b, x, y         go to preset 1 to 4; with back held, set it
//   dpleft, dpright    the previous or next camera of the list (the current one is stopped
//                      first if it moves); the list wraps around
//   start              stop; the sticks are then ignored until they come back to rest
#pragma once

#include "frame.h"
#include "framepacer.h"
#include "padmapping.h"
#include "protocol.h"

#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace pad {

using pelco::Byte;
using pelco::Protocol;

struct SessionSettings
{
    Protocol protocol = Protocol::PelcoD;
    std::vector<Byte> addresses{1}; // the first is the current camera
    int baud = 9600;
    double deadZone = defaultDeadZone;
};

class PadSession
{
public:
    // Writes one frame on the line; may throw (the line failed).
    using Sink = std::function<void(std::span<const Byte> frame)>;

    PadSession(const SessionSettings &settings, Sink sink);

    // A control changed. Buttons act at once; the sticks' motion goes out from update().
    void set(Control control, int value, PadTime now);
    // Sends the motion frame that is due.
    void update(PadTime now);
    // When update() has something to do next without new input; nullopt for nothing.
    std::optional<PadTime> nextWake() const;
    // The end: stops the camera if it moves.
    void finish();

    Byte currentAddress() const { return m_settings.addresses[m_current]; }
    // The motion last sent to the current camera.
    const PtzMotion &sent() const { return m_sent; }
    bool moving() const { return !m_sent.isRest(); }
    const PadState &state() const { return m_state; }

    // The standard frame's four bytes for a motion, in the protocol.
    static pelco::Payload motionPayload(Protocol protocol, const PtzMotion &motion);

private:
    void write(const pelco::Payload &payload, PadTime now, bool motion);
    void sendMotion(const PtzMotion &motion, PadTime now);
    void pressed(Button button, PadTime now);
    void switchCamera(int step, PadTime now);

    SessionSettings m_settings;
    Sink m_sink;
    MotionMapper m_mapper;
    FramePacer m_pacer;
    PadState m_state;
    PtzMotion m_sent;
    std::size_t m_current = 0;
    bool m_held = false;    // start was pressed: no motion until the sticks rest
    bool m_pending = false; // a motion waits for the pacer
    PadTime m_lastNow{0};
};

} // namespace pad

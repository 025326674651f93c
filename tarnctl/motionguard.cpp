#include "motionguard.h"

#include "actiontable.h"

#include <algorithm>

MotionGuard::MotionGuard(Protocol protocol, BYTE address) : m_protocol(protocol), m_address(address)
{}

// A motion is a standard command that sets a pan, tilt, zoom, focus or iris bit, or turns auto
// scan on: the camera keeps at it until a later standard command replaces it, which is what a
// stop frame (a standard command with no bit set) does.
//
// Any other standard command (stop, camera on or off, manual scan) replaces the motion with
// none, so it ends the guard's watch. Extended commands (presets, auxiliaries, lens speeds,
// positions, queries) leave a running motion as it was: after "right query-pan" the camera still
// pans, and a stop is still owed. A preset or position move ends by itself and is not counted.
bool MotionGuard::startsMotion(const PelcoCommand &c)
{
    return c.kind == PelcoCommand::Kind::Standard &&
           (c.panLeft || c.panRight || c.tiltUp || c.tiltDown || c.zoomTele || c.zoomWide ||
            c.focusFar || c.focusNear || c.irisOpen || c.irisClose || c.autoScan == true);
}

void MotionGuard::sent(std::span<const BYTE> frame)
{
    PelcoCommand command;
    if (m_protocol == Protocol::PelcoD && frame.size() == PelcoBytes().size()) {
        PelcoBytes bytes;
        std::copy(frame.begin(), frame.end(), bytes.begin());
        command = decodePelco(bytes);
    } else if (m_protocol == Protocol::PelcoP && frame.size() == PelcoPBytes().size()) {
        PelcoPBytes bytes;
        std::copy(frame.begin(), frame.end(), bytes.begin());
        command = decodePelcoP(bytes);
    } else {
        return;
    }
    if (command.kind == PelcoCommand::Kind::Standard)
        m_moving = startsMotion(command);
}

std::vector<BYTE> MotionGuard::stopFrame() const
{
    const ActionSpec *stop = findAction("stop");
    return frameBytes(m_protocol, m_address, *encodeAction(*stop, {}, m_protocol));
}

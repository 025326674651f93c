#include "motionguard.h"

#include "actiontable.h"
#include "frame.h"

using pelco::Byte;
using pelco::PelcoCommand;

MotionGuard::MotionGuard(pelco::Protocol protocol, Byte address)
    : m_protocol(protocol), m_address(address)
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

void MotionGuard::sent(std::span<const Byte> bytes)
{
    const auto frame = pelco::Frame::decode(m_protocol, bytes);
    if (!frame)
        return;
    const PelcoCommand command = pelco::decodeFrame(*frame);
    if (command.kind == PelcoCommand::Kind::Standard)
        m_moving = startsMotion(command);
}

std::vector<Byte> MotionGuard::stopFrame() const
{
    const ActionSpec *stop = findAction("stop");
    return pelco::frameBytes(m_protocol, m_address, *encodeAction(*stop, {}, m_protocol));
}

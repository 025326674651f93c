// What tarnctl send must undo when it ends early: whether the frames it sent left a camera
// moving, and the stop frame that ends it.
#pragma once

#include "command.h"
#include "protocol.h"

#include <optional>
#include <span>
#include <vector>

class MotionGuard
{
public:
    MotionGuard(pelco::Protocol protocol, pelco::Byte address);

    // Takes note of a frame that went out on the line in full.
    void sent(std::span<const pelco::Byte> frame);

    // True when the camera is moving by a frame sent here: the last standard command was a
    // motion (see motionguard.cpp for what counts).
    bool moving() const { return m_moving; }

    pelco::Byte address() const { return m_address; }

    // The stop frame for the camera, in the protocol in use.
    std::vector<pelco::Byte> stopFrame() const;

    // Whether a decoded command sets the camera moving until something stops it.
    static bool startsMotion(const pelco::PelcoCommand &command);

private:
    pelco::Protocol m_protocol;
    pelco::Byte m_address;
    bool m_moving = false;
};

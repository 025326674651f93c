// The live controller driving a session: SDL is asked for news every few milliseconds while a
// controller is in use (SDL reads the devices when asked, it has no wait of its own that does
// not spin), less often while none is, and between the asks the command sleeps.
#pragma once

#include "padsession.h"
#include "sdlpad.h"

#include <functional>

inline constexpr pad::PadTime livePollInterval = std::chrono::milliseconds(10);
inline constexpr pad::PadTime idlePollInterval = std::chrono::milliseconds(250);

struct LiveHooks
{
    std::function<pad::PadTime()> clock;    // now, since the start
    std::function<bool(pad::PadTime)> wait; // sleeps up to the time; false ends the run
    std::function<void(const SdlPad::Event &, pad::PadTime)> event = nullptr; // every event
    std::function<void()> changed = nullptr; // after every step, for the status line
};

// Runs until hooks.wait() returns false. The camera is not stopped here: the caller's
// finish() does that. Raises what the session's sink raises.
void runLive(SdlPad &pad, pad::PadSession &session, const LiveHooks &hooks);

// Plays a recording through a session at the recording's own pace.
#pragma once

#include "padrecording.h"
#include "padsession.h"

#include <functional>

namespace pad {

struct ReplayHooks
{
    std::function<PadTime()> clock;          // now, since the start
    std::function<bool(PadTime)> wait;       // sleeps up to the time; false: ended by a signal
    std::function<void()> changed = nullptr; // after every step, for the status line
};

// Applies each event when its time comes (those of one time together), sends what falls due,
// and returns true at the end of the events, false when wait() ended it. The camera is not
// stopped here: the caller's finish() does that.
bool replay(const std::vector<PadEvent> &events, PadSession &session, const ReplayHooks &hooks);

} // namespace pad

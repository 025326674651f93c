#include "padreplay.h"

#include <algorithm>

namespace pad {

bool replay(const std::vector<PadEvent> &events, PadSession &session, const ReplayHooks &hooks)
{
    std::size_t next = 0;
    for (;;) {
        const PadTime now = hooks.clock();
        for (; next < events.size() && events[next].time <= now; ++next)
            session.set(events[next].control, events[next].value, now);
        session.update(now);
        if (hooks.changed)
            hooks.changed();
        if (next == events.size())
            return true;
        PadTime until = events[next].time;
        if (const auto wake = session.nextWake())
            until = std::min(until, *wake);
        if (!hooks.wait(std::max(until - now, PadTime(0))))
            return false;
    }
}

} // namespace pad

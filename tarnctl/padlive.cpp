#include "padlive.h"

#include <algorithm>

void runLive(SdlPad &pad, pad::PadSession &session, const LiveHooks &hooks)
{
    for (;;) {
        const pad::PadTime now = hooks.clock();
        for (const SdlPad::Event &event : pad.poll()) {
            if (hooks.event)
                hooks.event(event, now);
            if (event.kind == SdlPad::Event::Kind::Control)
                session.set(event.control, event.value, now);
        }
        session.update(now);
        if (hooks.changed)
            hooks.changed();
        pad::PadTime until = now + (pad.connected() ? livePollInterval : idlePollInterval);
        if (const auto wake = session.nextWake())
            until = std::min(until, *wake);
        if (!hooks.wait(std::max(until - now, pad::PadTime(0))))
            return;
    }
}

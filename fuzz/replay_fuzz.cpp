// parseRecording on arbitrary text: it never crashes, refuses only with RecordingError naming a
// line that exists, and what it accepts is in range, in time order, and writes back to text
// that reads to the same events (to the millisecond).
#include "padrecording.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<pad::PadEvent> events;
    try {
        events = pad::parseRecording(text);
    } catch (const pad::RecordingError &error) {
        const auto lines = std::count(text.begin(), text.end(), '\n') + 1;
        if (error.line() < 1 || error.line() > lines)
            std::abort();
        return 0;
    }
    std::string back;
    for (std::size_t i = 0; i < events.size(); ++i) {
        const pad::PadEvent &e = events[i];
        if (e.value < pad::controlMin(e.control) || e.value > pad::controlMax(e.control))
            std::abort();
        if (i > 0 && e.time < events[i - 1].time)
            std::abort();
        back += pad::recordingLine(e) + "\n";
    }
    if (pad::parseRecording(back) != events)
        std::abort();
    return 0;
}

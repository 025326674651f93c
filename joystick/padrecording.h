// The text of a recording (--record, --replay): one control change a line,
//     SECONDS NAME VALUE
// seconds since the start with up to three decimals, SDL's name of the axis or button, and its
// value (sticks -32768 to 32767, triggers 0 to 32767, buttons 1 and 0). Times never go back.
// A '#' starts a comment, to the end of the line; blank lines are ignored.
#pragma once

#include "padcontrols.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace pad {

struct PadEvent
{
    PadTime time{0};
    Control control;
    int value = 0;
    bool operator==(const PadEvent &) const = default;
};

// A line that is no event: what() is "line N: reason".
class RecordingError : public std::runtime_error
{
public:
    RecordingError(int line, const std::string &reason);
    int line() const { return m_line; }

private:
    int m_line;
};

// The longest recording, in seconds: ten days.
inline constexpr long long maxRecordingSeconds = 864000;

// Reads a whole recording. Throws RecordingError for the first bad line.
std::vector<PadEvent> parseRecording(std::string_view text);

// "12.345 leftx -32768" (no newline); times are written to the millisecond.
std::string recordingLine(const PadEvent &event);

// The comment a recording begins with.
std::string recordingHeader();

} // namespace pad

// When a motion frame may go out: never more often than the line carries frames (a frame's
// time on the wire at the line's rate, plus a margin) and at most 20 a second. Stops and the
// buttons' frames go at once and are not held here, but the line time they take is counted.
#pragma once

#include "padcontrols.h"

#include <cstddef>

namespace pad {

inline constexpr PadTime minMotionInterval = std::chrono::milliseconds(50); // 20 a second
inline constexpr PadTime lineMargin = std::chrono::milliseconds(2);
inline constexpr int bitsPerByte = 10; // start, eight data bits, stop

class FramePacer
{
public:
    explicit FramePacer(int baud);

    // How long bytes take on the wire.
    PadTime wireTime(std::size_t bytes) const;
    // The earliest time the next motion frame may go.
    PadTime nextMotionAt() const;
    // Takes note of a frame written at now.
    void wrote(PadTime now, std::size_t bytes, bool motion);

private:
    int m_baud;
    PadTime m_lineFreeAt{-1'000'000'000};
    PadTime m_lastMotion{-1'000'000'000};
};

} // namespace pad

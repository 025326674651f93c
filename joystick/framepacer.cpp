#include "framepacer.h"

#include <algorithm>

namespace pad {

FramePacer::FramePacer(int baud) : m_baud(std::max(baud, 1)) {}

PadTime FramePacer::wireTime(std::size_t bytes) const
{
    // Rounded up: a frame never counts as gone before it has.
    const long long bits = (long long)bytes * bitsPerByte;
    return PadTime((bits * 1'000'000 + m_baud - 1) / m_baud);
}

PadTime FramePacer::nextMotionAt() const
{
    return std::max(m_lastMotion + minMotionInterval, m_lineFreeAt + lineMargin);
}

void FramePacer::wrote(PadTime now, std::size_t bytes, bool motion)
{
    // Bytes written while others are still on the wire wait behind them.
    m_lineFreeAt = std::max(now, m_lineFreeAt) + wireTime(bytes);
    if (motion)
        m_lastMotion = now;
}

} // namespace pad

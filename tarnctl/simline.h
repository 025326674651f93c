// What the virtual camera and the line monitor print, and how they learn of Ctrl+C.
#pragma once

#include "receiver.h"

#include <QString>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace simline {

// "23:41:07.123  FF 01 00 08 00 3F 48  tilt up speed 63", then "  " + tail when tail is not
// empty (the camera's state).
QString format(const pelco::PelcoEvent &event, const QString &note, const QString &tail);

// What the monitor prints: "23:41:07.123  D  FF 01 00 08 00 3F 48  tilt up speed 63", where
// the mark after the time is the protocol (D or P) of the frame, or "-" for skipped bytes.
QString monitorLine(const pelco::PelcoEvent &event);

// "23:41:07.123  FF 01 00 51 00 00 52  noise: 7 bytes at 4800 baud, the camera is at 9600",
// then "  " + tail; the bytes shown are cut after the first 32.
QString noiseLine(const std::vector<pelco::Byte> &bytes, int lineBaud, int cameraBaud,
                  const QString &tail);

// The current local time as HH:MM:SS.mmm.
QString timestamp();

// Prints a line on stdout and flushes it; a closed stdout is ignored.
void printLine(const QString &line);

} // namespace simline

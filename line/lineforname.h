// The Line for a port name: a network line for tcp://HOST:PORT and rfc2217://HOST:PORT, a
// serial line for anything else (COM<n> through the COM namespace, or a device path).
#pragma once

#include "line.h"

#include <QString>

#include <memory>

namespace lines {

// A closed line of the kind portName needs, to be opened with portName.
std::unique_ptr<Line> makeLine(const QString &portName, QObject *parent = nullptr);

// For a raw TCP line, the words that say its rate cannot be set from here (callers print it
// when the operator gave a rate); empty for every other port name.
QString rateNotice(const QString &portName);

} // namespace lines

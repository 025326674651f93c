// Camera addresses on the command line: "N", "N-M", or a comma-separated list of them
// ("1,3,5-7"), each from 0 to 255. The virtual camera's and the joystick's --address read
// lists, probe's --addresses a single item.
#pragma once

#include "protocol.h"

#include <QString>

#include <optional>
#include <vector>

namespace addresslist {

struct Range
{
    int first = 0;
    int last = 0;
};

// "N" or "N-M": decimals from 0 to 255 (at most three digits, no sign or blanks), N no greater
// than M. nullopt for anything else.
std::optional<Range> parseItem(const QString &text);

// Items separated by commas, in the order given (the joystick's first is its current camera),
// repeats dropped. Throws cli::UsageError
// naming the text, as "invalid <what> '<text>': ...".
std::vector<pelco::Byte> parse(const QString &text, const QString &what);

} // namespace addresslist

// A tty's whole line settings, custom speeds such as 56000 included, saved and put back as one.
// Kept apart from the rest because the kernel's termios2 and glibc's <termios.h> clash.
#pragma once

#include <cstddef>

struct LineSettings
{
    alignas(8) unsigned char raw[64];
};

bool readLineSettings(int fd, LineSettings &settings);
bool writeLineSettings(int fd, const LineSettings &settings);

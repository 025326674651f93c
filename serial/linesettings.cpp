#include "linesettings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>

static_assert(sizeof(termios2) <= sizeof(LineSettings::raw));

bool readLineSettings(int fd, LineSettings &settings)
{
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    std::memcpy(settings.raw, &tio, sizeof tio);
    return true;
}

bool writeLineSettings(int fd, const LineSettings &settings)
{
    termios2 tio{};
    std::memcpy(&tio, settings.raw, sizeof tio);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

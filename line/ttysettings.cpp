// Kept apart: the kernel's termios2 (any rate, 56000 included) clashes with <termios.h>.
#include "ttysettings.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cstring>

namespace lines {

static_assert(sizeof(termios2) <= sizeof(TtySettings::raw));

bool readTtySettings(int fd, TtySettings &settings)
{
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    std::memcpy(settings.raw, &tio, sizeof tio);
    return true;
}

bool writeTtySettings(int fd, const TtySettings &settings)
{
    termios2 tio{};
    std::memcpy(&tio, settings.raw, sizeof tio);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

bool setTtySpeed(int fd, int baud)
{
    if (baud <= 0)
        return false;
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = speed_t(baud);
    tio.c_ospeed = speed_t(baud);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int ttySpeed(int fd)
{
    termios2 tio{};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    return int(tio.c_ospeed);
}

} // namespace lines

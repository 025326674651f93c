// Kept apart: the kernel's termios2 (any rate, 56000 included) clashes with <termios.h>.
#include "simport.h"

#include <asm/termbits.h>
#include <sys/ioctl.h>

bool setTerminalBaud(int fd, int baud)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return false;
    tio.c_cflag &= ~tcflag_t(CBAUD | (CBAUD << IBSHIFT));
    tio.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
    tio.c_ispeed = speed_t(baud);
    tio.c_ospeed = speed_t(baud);
    return ioctl(fd, TCSETS2, &tio) == 0;
}

int terminalBaud(int fd)
{
    struct termios2 tio;
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    return int(tio.c_ospeed);
}

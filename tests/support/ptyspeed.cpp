// termios2 lives in the kernel's headers, which clash with glibc's <termios.h>: kept apart.
#include <asm/termbits.h>
#include <sys/ioctl.h>

int ttyBaudRate(int fd);

int ttyBaudRate(int fd)
{
    struct termios2 tio
    {};
    if (ioctl(fd, TCGETS2, &tio) != 0)
        return -1;
    return int(tio.c_ospeed);
}

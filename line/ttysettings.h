// A tty's line settings through the kernel's own interface, which takes any speed (56000, and
// other rates <termios.h> has no name for): save and put back a line's whole settings as one,
// set a speed, read a speed. The one place that speaks that interface: its header clashes with
// glibc's <termios.h>, so nothing of it shows here.
#pragma once

namespace lines {

// A tty's whole line settings, custom speeds included, as an opaque block.
struct TtySettings
{
    alignas(8) unsigned char raw[64];
};

bool readTtySettings(int fd, TtySettings &settings);
bool writeTtySettings(int fd, const TtySettings &settings);

// Sets the input and output speed of the tty to baud, any rate the driver takes; false when it
// refuses.
bool setTtySpeed(int fd, int baud);

// The tty's output speed in baud, custom rates included; -1 when it cannot be read. On a
// pseudo-terminal's master this is the speed the slave's user set.
int ttySpeed(int fd);

} // namespace lines

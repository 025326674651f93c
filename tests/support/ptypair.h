// A pseudo-terminal pair standing in for a serial line: the program under test opens the slave
// as its port, the test reads and writes the master as the far end of the line.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <termios.h>
#include <vector>

class PtyPair
{
public:
    // Opens a pair (raw on both sides) and keeps a descriptor on the slave, so the line stays up
    // while the program opens and closes it. Throws std::runtime_error on failure.
    PtyPair();
    ~PtyPair();
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;

    // "/dev/pts/N".
    const std::string &slavePath() const { return m_slavePath; }
    int masterFd() const { return m_master; }

    // What the port sent: reads the master until n bytes came or timeoutMs passed.
    std::vector<std::uint8_t> read(std::size_t n, int timeoutMs = 3000);
    // Whatever arrives until the line has been quiet for quietMs.
    std::vector<std::uint8_t> readUntilQuiet(int quietMs = 200);
    // Everything that waits at the master now, without waiting for more.
    std::vector<std::uint8_t> readAvailable();
    // What the port receives: writes all of bytes to the master (false if it could not).
    bool write(std::span<const std::uint8_t> bytes);

    // The slave's line settings as the port left them, and its speed in baud (custom rates too).
    termios slaveTermios() const;
    int slaveBaudRate() const;

    // Puts line settings on the slave, as another program might leave them (false on failure).
    bool setSlaveTermios(const termios &settings);
    // Suspends (true) or resumes what the port sends, as tcflow does: while held the line takes
    // no byte, so a write to the port waits.
    bool holdOutput(bool hold);

    // Hangs up the far end: the port sees its device gone.
    void closeMaster();
    // Drops the pair's own slave descriptor, which otherwise keeps the line up, so only the
    // program's descriptor remains (slaveTermios and slaveBaudRate fail after this).
    void closeSlave();

    // Makes portsDir/COM<n> a link to the slave (creating portsDir, mode 0700, as needed) and
    // returns the link's path.
    std::string linkAs(const std::string &portsDir, int n) const;

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

// Speed of a tty in baud, custom rates as themselves (the line layer's reading); -1 on failure.
int ttyBaudRate(int fd);

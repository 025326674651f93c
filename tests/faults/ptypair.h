// A pseudo-terminal pair for tests and benchmarks of the line: the program opens the slave as its
// serial device, the harness plays the camera at the master. Header-only, no Qt.
#pragma once

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

class PtyPair
{
public:
    PtyPair()
    {
        char name[256] = {};
        termios raw{};
        cfmakeraw(&raw);
        if (openpty(&m_master, &m_slave, name, &raw, nullptr) != 0)
            throw std::runtime_error("openpty failed");
        m_slavePath = name;
        fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
        fcntl(m_master, F_SETFD, FD_CLOEXEC);
        fcntl(m_slave, F_SETFD, FD_CLOEXEC);
    }
    PtyPair(const PtyPair &) = delete;
    PtyPair &operator=(const PtyPair &) = delete;
    ~PtyPair()
    {
        closeMaster();
        closeSlave();
    }

    int master() const { return m_master; }
    const std::string &slavePath() const { return m_slavePath; }

    // The device vanishes: whoever has the slave open gets a hang-up.
    void closeMaster()
    {
        if (m_master >= 0)
            ::close(m_master);
        m_master = -1;
    }
    // The harness's own slave descriptor keeps the master readable before the program opens
    // the slave; drop it when only the program's descriptor should remain.
    void closeSlave()
    {
        if (m_slave >= 0)
            ::close(m_slave);
        m_slave = -1;
    }

    // Reads from the master until count bytes arrived or the deadline passed.
    std::vector<std::uint8_t> read(std::size_t count, int timeoutMs = 2000) const
    {
        std::vector<std::uint8_t> got;
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < count) {
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                                  deadline - std::chrono::steady_clock::now())
                                  .count();
            if (left <= 0)
                break;
            pollfd p{m_master, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left)) <= 0)
                continue;
            std::uint8_t buffer[4096];
            const ssize_t n = ::read(m_master, buffer, std::min(sizeof buffer, count - got.size()));
            if (n > 0)
                got.insert(got.end(), buffer, buffer + n);
            else if (n < 0 && errno != EAGAIN && errno != EINTR)
                break;
        }
        return got;
    }

    // Everything that waits at the master now.
    std::vector<std::uint8_t> readAvailable() const
    {
        std::vector<std::uint8_t> got;
        std::uint8_t buffer[4096];
        ssize_t n;
        while ((n = ::read(m_master, buffer, sizeof buffer)) > 0)
            got.insert(got.end(), buffer, buffer + n);
        return got;
    }

    // Writes what the master accepts without blocking; returns the count written.
    std::size_t write(std::span<const std::uint8_t> bytes) const
    {
        const ssize_t n = ::write(m_master, bytes.data(), bytes.size());
        return n > 0 ? static_cast<std::size_t>(n) : 0;
    }

private:
    int m_master = -1;
    int m_slave = -1;
    std::string m_slavePath;
};

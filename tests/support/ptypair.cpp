#include "ptypair.h"

#include "ttysettings.h"

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <stdexcept>
#include <unistd.h>

namespace {

int msLeft(std::chrono::steady_clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                          deadline - std::chrono::steady_clock::now())
                          .count();
    return left > 0 ? int(left) : 0;
}

} // namespace

PtyPair::PtyPair()
{
    char name[256] = {};
    if (openpty(&m_master, &m_slave, name, nullptr, nullptr) != 0)
        throw std::runtime_error("openpty failed");
    m_slavePath = name;
    // Raw, but with the system's control characters (XON/XOFF among them), as a real port has.
    termios raw{};
    tcgetattr(m_slave, &raw);
    cfmakeraw(&raw);
    tcsetattr(m_slave, TCSANOW, &raw);
    fcntl(m_master, F_SETFL, fcntl(m_master, F_GETFL) | O_NONBLOCK);
    fcntl(m_master, F_SETFD, FD_CLOEXEC);
    fcntl(m_slave, F_SETFD, FD_CLOEXEC);
}

PtyPair::~PtyPair()
{
    if (m_master >= 0)
        ::close(m_master);
    if (m_slave >= 0)
        ::close(m_slave);
}

std::vector<std::uint8_t> PtyPair::read(std::size_t n, int timeoutMs)
{
    std::vector<std::uint8_t> got;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
    while (got.size() < n && m_master >= 0) {
        std::uint8_t buffer[4096];
        const ssize_t r = ::read(m_master, buffer, std::min(sizeof buffer, n - got.size()));
        if (r > 0) {
            got.insert(got.end(), buffer, buffer + r);
            continue;
        }
        if (r < 0 && errno != EAGAIN && errno != EINTR)
            break;
        const int left = msLeft(deadline);
        if (left == 0)
            break;
        pollfd p{m_master, POLLIN, 0};
        ::poll(&p, 1, std::min(left, 50));
    }
    return got;
}

std::vector<std::uint8_t> PtyPair::readUntilQuiet(int quietMs)
{
    std::vector<std::uint8_t> got;
    while (m_master >= 0) {
        pollfd p{m_master, POLLIN, 0};
        if (::poll(&p, 1, quietMs) <= 0)
            break;
        std::uint8_t buffer[4096];
        const ssize_t r = ::read(m_master, buffer, sizeof buffer);
        if (r <= 0)
            break;
        got.insert(got.end(), buffer, buffer + r);
    }
    return got;
}

std::vector<std::uint8_t> PtyPair::readAvailable()
{
    std::vector<std::uint8_t> got;
    std::uint8_t buffer[4096];
    ssize_t r;
    while (m_master >= 0 && (r = ::read(m_master, buffer, sizeof buffer)) > 0)
        got.insert(got.end(), buffer, buffer + r);
    return got;
}

bool PtyPair::write(std::span<const std::uint8_t> bytes)
{
    std::size_t done = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    while (done < bytes.size() && m_master >= 0) {
        const ssize_t w = ::write(m_master, bytes.data() + done, bytes.size() - done);
        if (w > 0) {
            done += std::size_t(w);
            continue;
        }
        if (w < 0 && errno != EAGAIN && errno != EINTR)
            return false;
        const int left = msLeft(deadline);
        if (left == 0)
            return false;
        pollfd p{m_master, POLLOUT, 0};
        ::poll(&p, 1, std::min(left, 50));
    }
    return done == bytes.size();
}

termios PtyPair::slaveTermios() const
{
    termios tio{};
    tcgetattr(m_slave, &tio);
    return tio;
}

int PtyPair::slaveBaudRate() const
{
    return ttyBaudRate(m_slave);
}

int ttyBaudRate(int fd)
{
    return lines::ttySpeed(fd);
}

bool PtyPair::setSlaveTermios(const termios &settings)
{
    return tcsetattr(m_slave, TCSANOW, &settings) == 0;
}

bool PtyPair::holdOutput(bool hold)
{
    return tcflow(m_slave, hold ? TCOOFF : TCOON) == 0;
}

void PtyPair::closeMaster()
{
    if (m_master >= 0)
        ::close(m_master);
    m_master = -1;
}

void PtyPair::closeSlave()
{
    if (m_slave >= 0)
        ::close(m_slave);
    m_slave = -1;
}

std::string PtyPair::linkAs(const std::string &portsDir, int n) const
{
    namespace fs = std::filesystem;
    // Each missing level gets 0700, as a runtime directory must have.
    fs::path partial;
    for (const auto &part : fs::path(portsDir)) {
        partial /= part;
        if (!fs::exists(partial)) {
            fs::create_directory(partial);
            fs::permissions(partial, fs::perms::owner_all);
        }
    }
    const fs::path link = fs::path(portsDir) / ("COM" + std::to_string(n));
    std::error_code ignored;
    fs::remove(link, ignored);
    fs::create_symlink(m_slavePath, link);
    return link.string();
}

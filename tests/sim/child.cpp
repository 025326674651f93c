#include "child.h"
#include "runprocess.h"

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <thread>

namespace {
using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}
} // namespace

Child::Child(const std::string &program, const std::vector<std::string> &args,
             const std::vector<std::string> &env)
{
    const SpawnedProcess child = spawnProcess(program, args, env);
    m_pid = child.pid;
    m_out = child.out;
    m_err = child.err;
}

Child::~Child()
{
    if (m_pid > 0 && !m_status) {
        kill(m_pid, SIGKILL);
        int status = 0;
        waitpid(m_pid, &status, 0);
    }
    if (m_out >= 0)
        close(m_out);
    if (m_err >= 0)
        close(m_err);
}

std::optional<std::string> Child::readLine(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        pollfd fd{m_out, POLLIN, 0};
        const int left = msLeft(deadline);
        if (left == 0 || poll(&fd, 1, left) <= 0)
            return std::nullopt;
        char chunk[4096];
        const ssize_t n = read(m_out, chunk, sizeof chunk);
        if (n <= 0)
            return std::nullopt;
        m_buffer.append(chunk, std::size_t(n));
    }
}

std::optional<std::string> Child::waitForLine(const std::string &text, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (auto line = readLine(msLeft(deadline)))
        if (line->find(text) != std::string::npos)
            return line;
    return std::nullopt;
}

void Child::signal(int number)
{
    if (m_pid > 0 && !m_status)
        kill(m_pid, number);
}

std::optional<int> Child::wait(int timeoutMs)
{
    if (m_pid < 0)
        return std::nullopt; // never started: waitpid(-1) would reap someone else's child
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!m_status) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid) {
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            break;
        }
        if (msLeft(deadline) == 0)
            return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return m_status;
}

std::string Child::errors()
{
    std::string text;
    char chunk[4096];
    ssize_t n;
    while ((n = read(m_err, chunk, sizeof chunk)) > 0)
        text.append(chunk, std::size_t(n));
    return text;
}

long Child::cpuTicks() const
{
    std::ifstream stat("/proc/" + std::to_string(m_pid) + "/stat");
    std::string content((std::istreambuf_iterator<char>(stat)), {});
    // Fields after the command name in parentheses: state is field 3, utime 14, stime 15.
    const auto close = content.rfind(')');
    if (close == std::string::npos)
        return -1;
    std::istringstream fields(content.substr(close + 2));
    std::string field;
    long utime = 0, stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14)
            utime = std::stol(field);
        if (i == 15)
            stime = std::stol(field);
    }
    return utime + stime;
}

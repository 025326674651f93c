#include "childprocess.h"

#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

extern char **environ;

namespace {
using Clock = std::chrono::steady_clock;

int msLeft(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

std::string nameOf(const std::string &entry)
{
    return entry.substr(0, entry.find('='));
}

// Our environment with the entries of env set on top (replacing any of the same name).
std::vector<std::string> ourEnvironmentWith(const std::vector<std::string> &env)
{
    std::vector<std::string> result;
    for (char **entry = environ; *entry; ++entry) {
        const std::string text = *entry;
        bool replaced = false;
        for (const auto &e : env)
            replaced = replaced || nameOf(e) == nameOf(text);
        if (!replaced)
            result.push_back(text);
    }
    result.insert(result.end(), env.begin(), env.end());
    return result;
}
} // namespace

ChildProcess::ChildProcess(const std::string &program, const std::vector<std::string> &args,
                           const std::vector<std::string> &env, const ChildOptions &options)
{
    std::vector<char *> argv{const_cast<char *>(program.c_str())};
    for (const auto &arg : args)
        argv.push_back(const_cast<char *>(arg.c_str()));
    argv.push_back(nullptr);
    const std::vector<std::string> environment =
        options.wholeEnvironment ? env : ourEnvironmentWith(env);
    std::vector<char *> envp;
    for (const auto &entry : environment)
        envp.push_back(const_cast<char *>(entry.c_str()));
    envp.push_back(nullptr);

    if (!options.captureOutput) {
        if (posix_spawn(&m_pid, program.c_str(), options.fileActions, nullptr, argv.data(),
                        envp.data()) != 0)
            m_pid = -1;
        return;
    }
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if (pipe2(out, O_CLOEXEC) == 0 && pipe2(err, O_CLOEXEC) == 0) {
        // dup2 leaves the copies open across the exec; the pipes' own ends close there.
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
        posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
        if (posix_spawn(&m_pid, program.c_str(), &actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    for (const int fd : {out[1], err[1]})
        if (fd >= 0)
            close(fd);
    m_out = out[0];
    m_err = err[0];
}

ChildProcess::~ChildProcess()
{
    if (m_pid > 0 && !m_status) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
    for (const int fd : {m_out, m_err})
        if (fd >= 0)
            close(fd);
}

std::optional<std::string> ChildProcess::readLine(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    for (;;) {
        const auto newline = m_buffer.find('\n');
        if (newline != std::string::npos) {
            std::string line = m_buffer.substr(0, newline);
            m_buffer.erase(0, newline + 1);
            return line;
        }
        if (m_out < 0)
            return std::nullopt;
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

std::optional<std::string> ChildProcess::waitForLine(const std::string &text, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (auto line = readLine(msLeft(deadline)))
        if (line->find(text) != std::string::npos)
            return line;
    return std::nullopt;
}

bool ChildProcess::signal(int number)
{
    return m_pid > 0 && !m_status && kill(m_pid, number) == 0;
}

std::optional<int> ChildProcess::wait(int timeoutMs)
{
    if (m_pid <= 0)
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

std::string ChildProcess::errors()
{
    std::string text;
    if (m_err < 0)
        return text;
    char chunk[4096];
    ssize_t n;
    while ((n = read(m_err, chunk, sizeof chunk)) > 0)
        text.append(chunk, std::size_t(n));
    return text;
}

long ChildProcess::cpuTicks() const
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

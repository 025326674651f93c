// A program running alongside a test: started with posix_spawn, its output read line by line
// while it runs, signals sent to it, its end awaited; killed (SIGKILL) and reaped when the test
// is done with it. For the tools that run until they are stopped, and for the X server, the
// window manager and the panel of the end-to-end tests.
#pragma once

#include <spawn.h>
#include <sys/types.h>

#include <optional>
#include <string>
#include <vector>

struct ChildOptions
{
    // false: the env entries ("NAME=value") are set on top of our environment; true: they are
    // the child's whole environment.
    bool wholeEnvironment = false;
    // true: stdout and stderr are pipes, for readLine() and errors(). false: they go where ours
    // go, or where fileActions send them.
    bool captureOutput = true;
    // posix_spawn's file actions; only without captureOutput.
    const posix_spawn_file_actions_t *fileActions = nullptr;
};

class ChildProcess
{
public:
    ChildProcess(const std::string &program, const std::vector<std::string> &args,
                 const std::vector<std::string> &env = {}, const ChildOptions &options = {});
    ~ChildProcess();

    ChildProcess(const ChildProcess &) = delete;
    ChildProcess &operator=(const ChildProcess &) = delete;

    bool started() const { return m_pid > 0; }
    pid_t pid() const { return m_pid; }

    // The next line of stdout (without its newline), or nullopt if none came in time.
    std::optional<std::string> readLine(int timeoutMs = 5000);
    // Lines until one contains text; nullopt if it does not come in time.
    std::optional<std::string> waitForLine(const std::string &text, int timeoutMs = 5000);

    // Sends a signal while it runs; false once it has ended (or was never started), or on failure.
    bool signal(int number);
    // The exit status (128 + signal if killed by one), or nullopt if it is still running then
    // (or was never started).
    std::optional<int> wait(int timeoutMs = 5000);
    // All of stderr once it has ended.
    std::string errors();

    // CPU time used so far (user + system), in clock ticks.
    long cpuTicks() const;

private:
    pid_t m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_buffer;
    std::optional<int> m_status;
};

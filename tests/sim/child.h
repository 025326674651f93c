// A program running alongside a test: its output read line by line while it runs, signals
// sent to it, its end awaited. For the tools that run until they are stopped.
#pragma once

#include <optional>
#include <string>
#include <vector>

class Child
{
public:
    // Starts program with args; env entries "NAME=value" are set on top of ours.
    Child(const std::string &program, const std::vector<std::string> &args,
          const std::vector<std::string> &env = {});
    ~Child(); // kills it if it still runs

    Child(const Child &) = delete;
    Child &operator=(const Child &) = delete;

    int pid() const { return m_pid; }

    // The next line of stdout (without its newline), or nullopt if none came in time.
    std::optional<std::string> readLine(int timeoutMs = 5000);
    // Lines until one contains text; nullopt if it does not come in time.
    std::optional<std::string> waitForLine(const std::string &text, int timeoutMs = 5000);

    void signal(int number);
    // The exit status (128 + signal if killed by one), or nullopt if it is still running then.
    std::optional<int> wait(int timeoutMs = 5000);
    // All of stderr once it has ended.
    std::string errors();

    // CPU time used so far (user + system), in clock ticks.
    long cpuTicks() const;

private:
    int m_pid = -1;
    int m_out = -1;
    int m_err = -1;
    std::string m_buffer;
    std::optional<int> m_status;
};

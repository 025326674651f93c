// tarnctl send ended early, by a signal or a failing line, while the camera moves by a frame it
// sent: it sends one stop frame, says so, and exits with the usual status. The real tarnctl on
// a pseudo-terminal linked in as COM9; the bytes are read off the line.
#include "ptypair.h"
#include "runprocess.h"
#include "tarnctltest.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <sstream>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

const std::string rightD = "FF 01 00 02 14 00 17";
const std::string stopD = "FF 01 00 00 00 00 01";

std::vector<std::string> splitLines(const std::string &text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    return lines;
}

int msLeft(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(left) : 0;
}

// tarnctl running alongside the test: signals sent to it and its standard error watched while
// it runs, its status and output collected at its end.
class RunningTarnctl
{
public:
    explicit RunningTarnctl(const std::vector<std::string> &args)
        : m_child(spawnProcess(TARNCTL_PATH, args))
    {}
    ~RunningTarnctl()
    {
        if (m_child.pid > 0 && !m_ended) {
            kill(m_child.pid, SIGKILL);
            waitpid(m_child.pid, nullptr, 0);
        }
        for (const int fd : {m_child.out, m_child.err})
            if (fd >= 0)
                close(fd);
    }
    RunningTarnctl(const RunningTarnctl &) = delete;
    RunningTarnctl &operator=(const RunningTarnctl &) = delete;

    void signal(int number) const { kill(m_child.pid, number); }

    // Still running: not ended, nor killed (looked at without reaping it).
    bool running() const
    {
        siginfo_t info{};
        return waitid(P_PID, id_t(m_child.pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    }

    // Reads standard error until it holds text; false when it does not come in time.
    bool waitForError(const std::string &text, int timeoutMs = 8000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (m_result.err.find(text) == std::string::npos) {
            pollfd p{m_child.err, POLLIN, 0};
            if (poll(&p, 1, msLeft(deadline)) <= 0 || !readInto(m_child.err, m_result.err))
                return false;
        }
        return true;
    }

    // Waits for the end, at most timeoutMs (then kills it), and returns what it printed.
    ProcessResult finish(int timeoutMs = 10000)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        pollfd fds[2] = {{m_child.out, POLLIN, 0}, {m_child.err, POLLIN, 0}};
        int open = 2;
        while (open > 0 && msLeft(deadline) > 0) {
            if (poll(fds, 2, msLeft(deadline)) <= 0)
                continue;
            for (int i = 0; i < 2; ++i)
                if (fds[i].fd >= 0 && (fds[i].revents & (POLLIN | POLLHUP)) &&
                    !readInto(fds[i].fd, i == 0 ? m_result.out : m_result.err)) {
                    fds[i].fd = -1;
                    --open;
                }
        }
        if (open > 0)
            kill(m_child.pid, SIGKILL);
        int status = 0;
        waitpid(m_child.pid, &status, 0);
        m_ended = true;
        m_result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return m_result;
    }

private:
    static bool readInto(int fd, std::string &text)
    {
        char buffer[4096];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0)
            return false;
        text.append(buffer, std::size_t(n));
        return true;
    }

    SpawnedProcess m_child;
    ProcessResult m_result;
    bool m_ended = false;
};

class SendStop : public TarnctlTest
{
protected:
    SendStop() { m_pty.linkAs(portsDir(), 9); }

    static std::vector<std::string> send(const std::string &words)
    {
        return splitWords("send --port COM9 " + words);
    }

    PtyPair m_pty;
};

TEST_F(SendStop, ASignalDuringAMotionSendsOneStopAndExitsWithItsStatus)
{
    struct Row
    {
        int signal;
        const char *words;
        std::string before; // what goes out before the signal
        std::string after;  // what follows it: the stop, or nothing
        int status;
        const char *err;
    };
    const Row rows[] = {
        {SIGINT, "right 20 wait 5 stop", rightD, stopD, 130,
         "tarnctl: interrupted by SIGINT: sent stop to address 1, which was moving\n"},
        {SIGTERM, "right 20 wait 5 stop", rightD, stopD, 143,
         "tarnctl: interrupted by SIGTERM: sent stop to address 1, which was moving\n"},
        {SIGHUP, "right 20 wait 5 stop", rightD, stopD, 129,
         "tarnctl: interrupted by SIGHUP: sent stop to address 1, which was moving\n"},
        // The stop in the protocol in use, to the address in use.
        {SIGINT, "--protocol p --address 7 up 10 wait 5 stop", "A0 07 00 08 00 0A AF 0A",
         "A0 07 00 00 00 00 AF 08", 130,
         "tarnctl: interrupted by SIGINT: sent stop to address 7, which was moving\n"},
        // A query after the motion leaves the camera moving; the signal also ends the wait
        // for its answer.
        {SIGTERM, "--timeout 30000 zoom-tele query-pan stop",
         "FF 01 00 20 00 00 21 FF 01 00 51 00 00 52", "FF 01 00 00 00 00 01", 143,
         "tarnctl: interrupted by SIGTERM: sent stop to address 1, which was moving\n"},
        // Stopped already, or never moving: nothing more goes out.
        {SIGINT, "right 20 stop wait 5 left", rightD + " " + stopD, "", 130, ""},
        {SIGTERM, "right 20 stop wait 5 left", rightD + " " + stopD, "", 143, ""},
        {SIGHUP, "right 20 stop wait 5 left", rightD + " " + stopD, "", 129, ""},
        {SIGINT, "goto 5 wait 5 left", "FF 01 00 07 00 05 0D", "", 130, ""},
        {SIGINT, "right camera-on wait 5 left", "FF 01 00 02 3F 00 42 FF 01 88 00 00 00 89", "",
         130, ""},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(std::string(row.words) + ", signal " + std::to_string(row.signal));
        const auto before = bytesFromHex(row.before);
        RunningTarnctl run(send(row.words));
        ASSERT_EQ(m_pty.read(before.size(), 5000), before);
        std::this_thread::sleep_for(200ms); // into the wait
        run.signal(row.signal);
        const auto signalled = Clock::now();
        const ProcessResult r = run.finish();
        EXPECT_LT(Clock::now() - signalled, 3s) << "the wait ends at once";
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, row.err);
        EXPECT_EQ(m_pty.readUntilQuiet(300), bytesFromHex(row.after));
    }
}

TEST_F(SendStop, ASecondSigintWhileTheStopWaitsForTheLineDoesNotPreventIt)
{
    RunningTarnctl run(send("right 20 wait 5 stop"));
    ASSERT_EQ(m_pty.read(7, 5000), bytesFromHex(rightD));
    // The line takes nothing more, so the stop's write waits (for up to 2 s) when the second
    // Ctrl+C comes.
    ASSERT_TRUE(m_pty.holdOutput(true));
    run.signal(SIGINT);
    std::this_thread::sleep_for(400ms);
    run.signal(SIGINT);
    std::this_thread::sleep_for(300ms);
    EXPECT_TRUE(run.running());
    EXPECT_TRUE(m_pty.readAvailable().empty());
    ASSERT_TRUE(m_pty.holdOutput(false));
    const ProcessResult r = run.finish();
    EXPECT_EQ(r.status, 130);
    EXPECT_EQ(r.err, "tarnctl: interrupted by SIGINT: sent stop to address 1, which was moving\n");
    EXPECT_EQ(m_pty.readUntilQuiet(300), bytesFromHex(stopD));
}

TEST_F(SendStop, AWriteThatFailsAfterAMotionIsFollowedByTheStopAndStatus1)
{
    RunningTarnctl run(send("right 20 wait 0.2 down stop"));
    ASSERT_EQ(m_pty.read(7, 5000), bytesFromHex(rightD));
    // "down" cannot go out, and its write fails after its bound; then the line takes bytes
    // again, in time for the stop.
    ASSERT_TRUE(m_pty.holdOutput(true));
    ASSERT_TRUE(run.waitForError("the line took only 0 of 7 bytes"));
    ASSERT_TRUE(m_pty.holdOutput(false));
    const ProcessResult r = run.finish();
    EXPECT_EQ(r.status, 1);
    const auto errLines = splitLines(r.err);
    ASSERT_EQ(errLines.size(), 2u) << r.err;
    EXPECT_EQ(errLines[0].rfind("tarnctl: Writing to COM9", 0), 0u) << r.err;
    EXPECT_EQ(errLines[1], "tarnctl: sent stop to address 1, which was moving");
    EXPECT_EQ(m_pty.readUntilQuiet(300), bytesFromHex(stopD)) << "the stop and nothing else";
}

TEST_F(SendStop, ALineHungUpAfterAMotionGetsTheStopTriedAndStatus1)
{
    RunningTarnctl run(send("right 20 wait 0.5 stop"));
    ASSERT_EQ(m_pty.read(7, 5000), bytesFromHex(rightD));
    m_pty.closeMaster();
    const ProcessResult r = run.finish();
    EXPECT_EQ(r.status, 1);
    const auto errLines = splitLines(r.err);
    ASSERT_EQ(errLines.size(), 2u) << r.err;
    EXPECT_NE(errLines[0].find("COM9"), std::string::npos) << r.err;
    EXPECT_EQ(errLines[1].rfind("tarnctl: could not send stop to address 1, which may still be "
                                "moving: ",
                                0),
              0u)
        << r.err;
}

} // namespace

// tarnctl speaks with one voice: the same texts for the same faults whichever command or parser
// finds them, COM names in any case, and frame taking several actions like send.
#include "ptypair.h"
#include "runprocess.h"
#include "serialline.h"
#include "tarnctltest.h"

#include <gtest/gtest.h>

#include <csignal>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

class TarnctlVoice : public TarnctlTest
{};

using Bytes = std::vector<std::uint8_t>;

TEST_F(TarnctlVoice, MonitorOnABusyPortSaysItIsInUseAsSendDoes)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 4);
    lines::SerialLine holder(
        [&](int) { return std::optional<QString>(QString::fromStdString(pty.slavePath())); });
    holder.open("COM4", 9600, lines::Framing{});
    const std::string byName =
        "tarnctl: COM4 (" + pty.slavePath() + ") is in use by another program\n";
    const std::string byPath = "tarnctl: " + pty.slavePath() + " is in use by another program\n";
    for (const char *command : {"monitor", "send", "probe"}) {
        std::vector<std::string> args{command, "--port", "COM4"};
        if (std::string(command) == "send")
            args.push_back("up");
        auto r = tarnctl(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err, byName) << command;
        args[2] = pty.slavePath();
        r = tarnctl(args);
        EXPECT_EQ(r.status, 1) << command;
        EXPECT_EQ(r.err, byPath) << command;
    }
}

TEST_F(TarnctlVoice, UsageErrorsReadAlikeWhicheverParserFindsThem)
{
    struct Row
    {
        std::vector<std::string> args;
        std::string err;
    };
    for (const Row &row : {
             Row{{"send", "--bogus", "--port", "COM6", "up"},
                 "tarnctl: unknown option '--bogus' (see tarnctl send --help)\n"},
             Row{{"frame", "-x", "up"},
                 "tarnctl: unknown option '-x' (see tarnctl frame --help)\n"},
             Row{{"ports", "--bogus=1"},
                 "tarnctl: unknown option '--bogus' (see tarnctl ports --help)\n"},
             Row{{"probe", "--port", "COM6", "--bogus"},
                 "tarnctl: unknown option '--bogus' (see tarnctl probe --help)\n"},
             Row{{"sim", "--bogus"},
                 "tarnctl: unknown option '--bogus' (see tarnctl sim --help)\n"},
             Row{{"monitor", "--port", "COM6", "--bogus"},
                 "tarnctl: unknown option '--bogus' (see tarnctl monitor --help)\n"},
             Row{{"send", "up", "--port"},
                 "tarnctl: missing value after '--port' (see tarnctl send --help)\n"},
             // Our own findings, for comparison: lower case, the value quoted.
             Row{{"send", "--port", "ttyUSB0", "up"},
                 "tarnctl: invalid port 'ttyUSB0': expected COM1 to COM255, a device path such "
                 "as /dev/ttyUSB0, tcp://HOST:PORT or rfc2217://HOST:PORT (tarnctl ports lists "
                 "the local ports)\n"},
         }) {
        const auto r = tarnctl(row.args);
        EXPECT_EQ(r.status, 2) << row.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, row.err);
    }
}

TEST_F(TarnctlVoice, OneMessageForABadRateInEveryCommand)
{
    const std::string message = "tarnctl: invalid baud rate 'x': expected a decimal number from 1 "
                                "to 4000000, such as 9600\n";
    for (const std::vector<std::string> &args : {
             std::vector<std::string>{"sim", "--baud", "x"},
             std::vector<std::string>{"send", "--port", "COM6", "--baud", "x", "up"},
             std::vector<std::string>{"monitor", "--port", "COM6", "--baud", "x"},
         }) {
        const auto r = tarnctl(args);
        EXPECT_EQ(r.status, 2) << args[0];
        EXPECT_EQ(r.err, message) << args[0];
    }
    const auto probe = tarnctl({"probe", "--port", "COM6", "--bauds", "2400,x"});
    EXPECT_EQ(probe.status, 2);
    EXPECT_EQ(probe.err, "tarnctl: invalid baud rate 'x' in --bauds '2400,x': expected a decimal "
                         "number from 1 to 4000000, such as 9600 (rates are separated by "
                         "commas)\n");
}

// The first line sim prints, then ends it as Ctrl+C would.
std::string simFirstLine(const std::vector<std::string> &args)
{
    const SpawnedProcess p = spawnProcess(TARNCTL_PATH, args);
    std::string out;
    char c = 0;
    pollfd fd{p.out, POLLIN, 0};
    while (out.find('\n') == std::string::npos && poll(&fd, 1, 5000) == 1 &&
           read(p.out, &c, 1) == 1)
        out += c;
    kill(p.pid, SIGINT);
    int status = 0;
    waitpid(p.pid, &status, 0);
    close(p.out);
    close(p.err);
    return out.substr(0, out.find(' '));
}

TEST_F(TarnctlVoice, ComNamesInAnyCaseAsOnWindows)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 9);
    const auto r = tarnctl({"send", "--port", "com9", "up", "stop"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(pty.read(14), (Bytes{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48, //
                                   0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
    // Errors name the port as the list does.
    const auto missing = tarnctl({"send", "--port", "Com12", "up"});
    EXPECT_EQ(missing.status, 1);
    EXPECT_EQ(missing.err,
              "tarnctl: COM12 does not exist: there is no such port (tarnctl ports lists them)\n");
    EXPECT_EQ(simFirstLine({"sim", "--port", "com13"}), "COM13");
}

TEST_F(TarnctlVoice, FrameTakesSeveralActionsOneFrameALine)
{
    auto r = tarnctl({"frame", "up", "stop", "goto", "5"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "FF 01 00 08 00 3F 48\n"
                     "FF 01 00 00 00 00 01\n"
                     "FF 01 00 07 00 05 0D\n");
    r = tarnctl({"frame", "--protocol", "p", "--address", "0", "up", "20", "stop"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "A0 00 00 08 00 14 AF 13\n"
                     "A0 00 00 00 00 00 AF 0F\n");
    // A bad action anywhere prints no frame at all.
    r = tarnctl({"frame", "up", "jump", "stop"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("'jump'"), std::string::npos) << r.err;
}

} // namespace

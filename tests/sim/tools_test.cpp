// tarnctl sim and tarnctl monitor as real processes, on real pseudo-terminals, with the ports
// directory in a runtime directory of the test's own.
#include "child.h"
#include "ptypair.h"
#include "runprocess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <regex>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class Tools : public testing::Test
{
protected:
    void SetUp() override
    {
        char dir[] = "/tmp/tarn-sim-test-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_runtime = dir;
        m_env = {"XDG_RUNTIME_DIR=" + m_runtime, "QT_QPA_PLATFORM=offscreen"};
        // tarnctl send runs through runProcess, which passes our environment on.
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }
    void TearDown() override
    {
        std::string command = "rm -rf '" + m_runtime + "'";
        [[maybe_unused]] int ignored = std::system(command.c_str());
    }

    std::string portsDir() const { return m_runtime + "/tarn/ports"; }
    std::string link(int n) const { return portsDir() + "/COM" + std::to_string(n); }

    std::unique_ptr<Child> start(const std::vector<std::string> &args)
    {
        return std::make_unique<Child>(TARNCTL_PATH, args, m_env);
    }

    // Starts the simulator and reads its first line: "COM<n> /dev/pts/<m>".
    std::unique_ptr<Child> startSim(std::vector<std::string> args, std::string *port,
                                    std::string *slave)
    {
        args.insert(args.begin(), "sim");
        auto sim = start(args);
        const auto first = sim->readLine();
        std::smatch m;
        static const std::regex form("^(COM[0-9]+) (/dev/pts/[0-9]+)$");
        if (!first || !std::regex_match(*first, m, form)) {
            ADD_FAILURE() << "first line: " << first.value_or("(none)");
            return sim;
        }
        *port = m[1];
        *slave = m[2];
        return sim;
    }

    static std::string readLink(const std::string &path)
    {
        char buffer[256];
        const ssize_t n = readlink(path.c_str(), buffer, sizeof buffer);
        return n > 0 ? std::string(buffer, std::size_t(n)) : std::string();
    }
    static bool exists(const std::string &path)
    {
        struct stat st;
        return lstat(path.c_str(), &st) == 0;
    }

    // Opens the slave as a client would, writes, and closes it again.
    static void writeAsClient(const std::string &slave, const Bytes &bytes)
    {
        const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0) << slave;
        ASSERT_EQ(write(fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
        tcdrain(fd);
        close(fd);
    }

    std::string m_runtime;
    std::vector<std::string> m_env;
};

// The monitor has the port set up once the line runs at its rate.
bool waitForBaud(const PtyPair &line, int baud)
{
    for (int i = 0; i < 250 && line.slaveBaudRate() != baud; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    return line.slaveBaudRate() == baud;
}

const std::string timePattern = "[0-9]{2}:[0-9]{2}:[0-9]{2}\\.[0-9]{3}";

TEST_F(Tools, SimTakesCom9AndDecodesWhatSendWritesAcrossReopens)
{
    std::string port, slave;
    auto sim = startSim({}, &port, &slave);
    ASSERT_EQ(port, "COM9");
    EXPECT_EQ(readLink(link(9)), slave);
    for (const std::string &dir : {m_runtime + "/tarn", portsDir()}) {
        struct stat st;
        ASSERT_EQ(stat(dir.c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0700u) << dir;
    }

    // The real sender, through the COM namespace.
    const auto send = runProcess(TARNCTL_PATH, {"send", "--port", "COM9", "up", "stop"});
    ASSERT_EQ(send.status, 0) << send.err;
    const auto up = sim->waitForLine("FF 01 00 08 00 3F 48");
    ASSERT_TRUE(up);
    EXPECT_TRUE(std::regex_match(*up, std::regex("^" + timePattern +
                                                 "  FF 01 00 08 00 3F 48  tilt up speed 63  pan "
                                                 "0\\.0 tilt 0\\.0 zoom 1\\.0x focus 50$")))
        << *up;
    const auto stop = sim->readLine();
    ASSERT_TRUE(stop);
    EXPECT_TRUE(std::regex_match(
        *stop, std::regex("^" + timePattern +
                          "  FF 01 00 00 00 00 01  stop  pan 0\\.0 tilt [0-5]\\.[0-9] zoom "
                          "1\\.0x focus 50$")))
        << *stop;

    // A second client, and a third: the port keeps working after each close.
    writeAsClient(slave, {0xFF, 0x02, 0x00, 0x04, 0x3F, 0x00, 0x45});
    auto line = sim->readLine();
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("pan left speed 63 (ignored: for address 2)  pan 0.0"), std::string::npos)
        << *line;
    writeAsClient(slave, {0xFF, 0x01, 0x00, 0x07, 0x00, 0x09, 0x11});
    line = sim->readLine();
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("go to preset 9 (ignored: preset 9 is not set)"), std::string::npos)
        << *line;
    writeAsClient(slave, {0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x00});
    line = sim->readLine();
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("FF 01 00 08 00 3F 00  bad checksum (expected 48)"), std::string::npos)
        << *line;

    // No client now: the master hangs up, and the simulator must not spin on it.
    const long before = sim->cpuTicks();
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long used = sim->cpuTicks() - before;
    EXPECT_LT(used, sysconf(_SC_CLK_TCK) / 4) << "CPU ticks used in a second while idle";

    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
    EXPECT_FALSE(exists(link(9)));
}

TEST_F(Tools, SimRemovesItsLinkOnEverySignalThatEndsIt)
{
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        std::string port, slave;
        auto sim = startSim({"--port", "COM20"}, &port, &slave);
        ASSERT_EQ(port, "COM20");
        ASSERT_TRUE(exists(link(20)));
        sim->signal(signal);
        EXPECT_EQ(sim->wait(), 0) << signal;
        EXPECT_FALSE(exists(link(20))) << signal;
    }
}

TEST_F(Tools, SimReplacesAStaleLinkAndRefusesALivePort)
{
    ASSERT_EQ(system(("mkdir -p -m 700 " + portsDir()).c_str()), 0);
    ASSERT_EQ(symlink("/dev/pts/999999", link(9).c_str()), 0); // a simulator that was killed
    std::ofstream(link(12)) << "not a link";

    std::string port, slave;
    auto first = startSim({}, &port, &slave);
    EXPECT_EQ(port, "COM9");
    EXPECT_EQ(readLink(link(9)), slave);

    auto second = startSim({}, &port, &slave);
    EXPECT_EQ(port, "COM10"); // COM9 is live now

    struct Row
    {
        const char *port;
        const char *mentions;
    };
    for (const Row &row : {Row{"COM9", "live device"}, Row{"COM12", "not a link"}}) {
        auto refused = start({"sim", "--port", row.port});
        EXPECT_EQ(refused->wait(), 1) << row.port;
        const std::string err = refused->errors();
        EXPECT_NE(err.find(row.port), std::string::npos) << err;
        EXPECT_NE(err.find(row.mentions), std::string::npos) << err;
    }
    EXPECT_EQ(readLink(link(9)), readLink(link(9))); // still the first simulator's
    std::ifstream file(link(12));
    std::string content;
    std::getline(file, content);
    EXPECT_EQ(content, "not a link");

    first->signal(SIGTERM);
    second->signal(SIGTERM);
    EXPECT_EQ(first->wait(), 0);
    EXPECT_EQ(second->wait(), 0);
    EXPECT_FALSE(exists(link(9)));
    EXPECT_FALSE(exists(link(10)));
    EXPECT_TRUE(exists(link(12)));
}

TEST_F(Tools, SimSetsItsBaudAndAnswersToItsAddressWithAView)
{
    for (const char *baud : {"19200", "56000"}) {
        std::string port, slave;
        auto sim = startSim({"--baud", baud, "--address", "5", "--view"}, &port, &slave);
        ASSERT_FALSE(slave.empty());
        const int fd = open(slave.c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        EXPECT_EQ(ttyBaudRate(fd), std::atoi(baud));
        close(fd);

        writeAsClient(slave, {0xFF, 0x05, 0x00, 0x02, 0x3F, 0x00, 0x46, //
                              0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01});
        const auto right = sim->waitForLine("FF 05 00 02 3F 00 46");
        ASSERT_TRUE(right);
        EXPECT_NE(right->find("pan right speed 63  pan "), std::string::npos) << *right;
        const auto other = sim->readLine();
        ASSERT_TRUE(other);
        EXPECT_NE(other->find("stop (ignored: for address 1)"), std::string::npos) << *other;
        sim->signal(SIGTERM);
        EXPECT_EQ(sim->wait(), 0);
        EXPECT_FALSE(exists(link(9)));
    }
}

TEST_F(Tools, MonitorPrintsTheFramesOnTheLineAndNeverWrites)
{
    PtyPair line;
    auto monitor = start({"monitor", "--port", line.slavePath()});
    ASSERT_TRUE(waitForBaud(line, 9600));

    // Address 0x13 gives the stop frame checksum 0x13, the XOFF character.
    const Bytes bytes{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48, 0x11, 0x13, 0xFF, 0x13, 0x00,
                      0x00, 0x00, 0x00, 0x13, 0xFF, 0x01, 0x00, 0x07, 0x00, 0x05, 0x0D};
    ASSERT_TRUE(line.write(bytes));
    const std::vector<std::string> expected{"FF 01 00 08 00 3F 48  tilt up speed 63",
                                            "11 13  skipped 2 bytes", "FF 13 00 00 00 00 13  stop",
                                            "FF 01 00 07 00 05 0D  go to preset 5"};
    for (const auto &text : expected) {
        const auto got = monitor->readLine();
        ASSERT_TRUE(got) << text;
        EXPECT_TRUE(std::regex_match(*got, std::regex("^" + timePattern + "  " + text + "$")))
            << *got;
    }
    EXPECT_TRUE(line.read(1, 300).empty());
    // XON/XOFF would send on the line and swallow 0x11 and 0x13 coming in.
    EXPECT_FALSE(line.slaveTermios().c_iflag & (IXON | IXOFF));

    monitor->signal(SIGINT);
    EXPECT_EQ(monitor->wait(), 0);
}

TEST_F(Tools, MonitorFindsComPortsThroughTheNamespaceAndFailsWhenTheLineGoes)
{
    PtyPair line;
    line.linkAs(portsDir(), 4);
    auto monitor = start({"monitor", "--port", "COM4", "--baud", "2400"});
    EXPECT_TRUE(waitForBaud(line, 2400));
    ASSERT_TRUE(line.write(Bytes{0xFF, 0x01, 0x00, 0x04, 0x3F, 0x00, 0x44}));
    EXPECT_TRUE(monitor->waitForLine("FF 01 00 04 3F 00 44  pan left speed 63"));

    // The far end hangs up: the monitor says so and fails, rather than reading on forever.
    line.closeMaster();
    EXPECT_EQ(monitor->wait(), 1);
    const std::string err = monitor->errors();
    EXPECT_NE(err.find("lost " + line.slavePath() + ": "), std::string::npos) << err;
}

TEST_F(Tools, DemoRunsThePanelAgainstAVirtualCameraAndStopsIt)
{
    // A build tree whose panel is a stand-in: it lists the ports directory and sends a frame
    // to the port the demo names, as an operator choosing it would.
    const std::string build = m_runtime + "/build";
    ASSERT_EQ(system(("mkdir -p " + build + "/tarnctl " + build + "/app").c_str()), 0);
    ASSERT_EQ(symlink(TARNCTL_PATH, (build + "/tarnctl/tarnctl").c_str()), 0);
    {
        std::ofstream panel(build + "/app/tarn");
        panel << "#!/bin/sh\nls \"$XDG_RUNTIME_DIR/tarn/ports\"\n"
              << "exec \"" << TARNCTL_PATH << "\" send --port COM9 left\n";
    }
    chmod((build + "/app/tarn").c_str(), 0755);
    setenv("TARN_BUILD", build.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const auto r = runProcess(SOURCE_DIR "/scripts/demo", {});
    unsetenv("TARN_BUILD");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("choose COM9"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("\nCOM9\n"), std::string::npos) << r.out; // the panel saw the port
    EXPECT_FALSE(exists(link(9)));                                 // the camera was stopped

    // The camera logged the panel's frame, and the demo said where.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(r.out, m, std::regex("logs its frames to (/\\S+)\\.\n")))
        << r.out;
    const std::string log = m[1];
    std::ifstream file(log);
    const std::string content((std::istreambuf_iterator<char>(file)), {});
    EXPECT_NE(content.find("FF 01 00 04 3F 00 44  pan left speed 63"), std::string::npos)
        << log << ": " << content;
    std::remove(log.c_str());
}

TEST_F(Tools, BadCommandLinesExit2AndMissingPortsExit1)
{
    struct Row
    {
        std::vector<std::string> args;
        int status;
        const char *mentions;
    };
    for (const Row &row : {
             Row{{"sim", "--port", "COM0"}, 2, "'COM0'"},
             Row{{"sim", "--port", "COM256"}, 2, "'COM256'"},
             Row{{"sim", "--port", "/dev/ttyS0"}, 2, "'/dev/ttyS0'"},
             Row{{"sim", "--baud", "fast"}, 2, "'fast'"},
             Row{{"sim", "--address", "-1"}, 2, "'-1'"},
             Row{{"sim", "extra"}, 2, "'extra'"},
             Row{{"monitor"}, 2, "no port"},
             Row{{"monitor", "--port", "ttyUSB0"}, 2, "'ttyUSB0'"},
             Row{{"monitor", "--port", "COM1", "--baud", "0"}, 2, "'0'"},
             Row{{"monitor", "--port", "COM200"}, 1, "COM200"},
             Row{{"monitor", "--port", "/dev/no-such-tty"}, 1, "/dev/no-such-tty"},
         }) {
        const auto r = runProcess(TARNCTL_PATH, row.args);
        EXPECT_EQ(r.status, row.status) << row.args.back() << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(row.mentions), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
    // No window system: a clear refusal rather than Qt's abort.
    const auto noDisplay =
        runProcess("/usr/bin/env", {"-u", "DISPLAY", "-u", "WAYLAND_DISPLAY", "-u",
                                    "QT_QPA_PLATFORM", TARNCTL_PATH, "sim", "--view"});
    EXPECT_EQ(noDisplay.status, 1) << noDisplay.err;
    EXPECT_NE(noDisplay.err.find("--view needs a window system"), std::string::npos)
        << noDisplay.err;
    EXPECT_FALSE(exists(link(9)));
    const auto help = runProcess(TARNCTL_PATH, {"sim", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *word : {"Usage: tarnctl sim", "--port", "--baud", "--address", "--view"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace

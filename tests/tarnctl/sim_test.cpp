// tarnctl sim and tarnctl monitor as real processes, on real pseudo-terminals, with the ports
// directory in a runtime directory of the test's own.
#include "childprocess.h"
#include "ptypair.h"
#include "runprocess.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <poll.h>
#include <pwd.h>
#include <regex>
#include <sys/stat.h>
#include <termios.h>
#include <thread>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;

class Tools : public testing::Test
{
protected:
    void SetUp() override
    {
        m_env = {"XDG_RUNTIME_DIR=" + m_runtime, "QT_QPA_PLATFORM=offscreen"};
        // tarnctl send runs through runProcess, which passes our environment on.
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
    }
    void TearDown() override { unsetenv("XDG_RUNTIME_DIR"); }

    std::string portsDir() const { return m_runtime + "/tarn/ports"; }
    std::string link(int n) const { return portsDir() + "/COM" + std::to_string(n); }

    std::unique_ptr<ChildProcess> start(const std::vector<std::string> &args)
    {
        return std::make_unique<ChildProcess>(TARNCTL_PATH, args, m_env);
    }

    // Starts the simulator and reads its first line: "COM<n> /dev/pts/<m>".
    std::unique_ptr<ChildProcess> startSim(std::vector<std::string> args, std::string *port,
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

    TempDir m_dir{"tarn-sim-test"};
    std::string m_runtime = m_dir.path();
    std::vector<std::string> m_env;
};

using Clock = std::chrono::steady_clock;

// A client of the simulator's port, as a sender would be: it keeps the slave open, sets the
// line's speed, writes and reads.
class LineClient
{
public:
    LineClient(const std::string &slave, speed_t speed)
    {
        m_fd = open(slave.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
        EXPECT_GE(m_fd, 0) << slave;
        setSpeed(speed);
    }
    ~LineClient()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    LineClient(const LineClient &) = delete;
    LineClient &operator=(const LineClient &) = delete;

    void setSpeed(speed_t speed)
    {
        termios tio{};
        ASSERT_EQ(tcgetattr(m_fd, &tio), 0);
        cfmakeraw(&tio);
        cfsetspeed(&tio, speed);
        ASSERT_EQ(tcsetattr(m_fd, TCSANOW, &tio), 0);
    }
    void write(const Bytes &bytes)
    {
        ASSERT_EQ(::write(m_fd, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    // Up to n bytes, as many as come within timeoutMs.
    Bytes read(std::size_t n, int timeoutMs)
    {
        Bytes got;
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (got.size() < n) {
            const auto left =
                std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
            pollfd fd{m_fd, POLLIN, 0};
            if (left.count() <= 0 || poll(&fd, 1, int(left.count())) <= 0)
                break;
            std::uint8_t buffer[256];
            const ssize_t r = ::read(m_fd, buffer, std::min(sizeof buffer, n - got.size()));
            if (r > 0)
                got.insert(got.end(), buffer, buffer + r);
        }
        return got;
    }

private:
    int m_fd = -1;
};

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes pelcoD(std::uint8_t address, std::uint8_t c1, std::uint8_t c2, std::uint8_t d1,
             std::uint8_t d2)
{
    return {0xFF, address, c1, c2, d1, d2, std::uint8_t((address + c1 + c2 + d1 + d2) % 256)};
}

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
    ASSERT_EQ(system(("mkdir -p -m 700 " + m_runtime + "/tarn " + portsDir()).c_str()), 0);
    ASSERT_EQ(symlink("/dev/pts/999999", link(9).c_str()), 0); // a simulator that was killed
    std::ofstream(link(12)) << "not a link";

    std::string port, slave;
    auto first = startSim({}, &port, &slave);
    EXPECT_EQ(port, "COM9");
    EXPECT_EQ(readLink(link(9)), slave);
    const std::string firstSlave = slave;

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
    EXPECT_EQ(readLink(link(9)), firstSlave); // still the first simulator's
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

// A line of cameras, as a joystick or the panel drives them: each frame moves the camera it
// names, and each line of output names that camera; the others stay still.
TEST_F(Tools, SimLineOfCamerasMovesTheCameraEachFrameNamesWithAView)
{
    std::string port, slave;
    auto sim = startSim({"--address", "1,3,5-6", "--view"}, &port, &slave);
    ASSERT_FALSE(slave.empty());
    const auto send = runProcess(
        TARNCTL_PATH, {"send", "--port", port, "--address", "3", "right", "wait", "0.5", "stop"});
    ASSERT_EQ(send.status, 0) << send.err;
    const auto right = sim->waitForLine("FF 03 00 02 3F 00 44");
    ASSERT_TRUE(right);
    EXPECT_TRUE(std::regex_match(*right, std::regex("^" + timePattern +
                                                    "  FF 03 00 02 3F 00 44  pan right speed 63  "
                                                    "camera 3: pan 0\\.0 tilt 0\\.0 zoom 1\\.0x "
                                                    "focus 50$")))
        << *right;
    const auto stop = sim->readLine();
    ASSERT_TRUE(stop);
    // Half a second at 60 degrees a second, give or take the scheduling.
    EXPECT_TRUE(std::regex_match(*stop, std::regex("^" + timePattern +
                                                   "  FF 03 00 00 00 00 03  stop  camera 3: pan "
                                                   "(2[5-9]|3[0-9])\\.[0-9] tilt 0\\.0 zoom "
                                                   "1\\.0x focus 50$")))
        << *stop;

    writeAsClient(slave, pelcoD(6, 0x00, 0x00, 0x00, 0x00) + pelcoD(2, 0x00, 0x00, 0x00, 0x00) +
                             pelcoD(3, 0x00, 0x00, 0x00, 0x00));
    const auto six = sim->readLine();
    ASSERT_TRUE(six);
    EXPECT_TRUE(std::regex_match(
        *six, std::regex("^" + timePattern +
                         "  FF 06 00 00 00 00 06  stop  camera 6: pan 0\\.0 tilt 0\\.0 zoom "
                         "1\\.0x focus 50$")))
        << *six;
    const auto two = sim->readLine();
    ASSERT_TRUE(two);
    EXPECT_TRUE(std::regex_match(
        *two, std::regex("^" + timePattern +
                         "  FF 02 00 00 00 00 02  stop \\(ignored: for address 2\\)$")))
        << *two;
    const auto three = sim->readLine();
    ASSERT_TRUE(three);
    EXPECT_NE(three->find("stop  camera 3: pan " + stop->substr(stop->find("pan ") + 4, 4)),
              std::string::npos)
        << *three << " after " << *stop;
    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
    EXPECT_FALSE(exists(link(9)));
}

TEST_F(Tools, SimAnswersAQueryOnTheLineTimedAsAtItsBaudRate)
{
    std::string port, slave;
    auto sim = startSim({"--baud", "1200", "--address", "37"}, &port, &slave);
    LineClient client(slave, B1200);
    client.write(pelcoD(37, 0x00, 0x4B, 0x23, 0x28)); // pan to 90.00
    ASSERT_TRUE(sim->waitForLine("set pan position 90.00°  pan 0.0"));
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // 0.75 s at top speed

    const Bytes query = pelcoD(37, 0x00, 0x51, 0x00, 0x00);
    const auto sent = Clock::now();
    client.write(query);
    const Bytes answer = client.read(7, 5000);
    const auto took = Clock::now() - sent;
    EXPECT_EQ(answer, pelcoD(37, 0x00, 0x59, 0x23, 0x28));
    // Fourteen bytes of ten bits at 1200 baud: the query in, the answer out.
    EXPECT_GE(took, std::chrono::microseconds(14 * 10 * 1000000 / 1200));
    const auto line = sim->waitForLine("query pan position");
    ASSERT_TRUE(line);
    EXPECT_NE(line->find("FF 25 00 51 00 00 76  query pan position (answers FF 25 00 59 23 28 C9)"
                         "  pan 90.0"),
              std::string::npos)
        << *line;
    // A second query waits for the line.
    client.write(pelcoD(37, 0x00, 0x55, 0x00, 0x00) + pelcoD(37, 0x00, 0x53, 0x00, 0x00));
    EXPECT_EQ(client.read(14, 5000),
              pelcoD(37, 0x00, 0x5D, 0x00, 0x00) + pelcoD(37, 0x00, 0x5B, 0x00, 0x00));
    EXPECT_TRUE(client.read(1, 300).empty());

    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
}

TEST_F(Tools, SimRepliesAsItsOptionSays)
{
    {
        std::string port, slave;
        auto sim = startSim({"--replies", "none"}, &port, &slave);
        LineClient client(slave, B9600);
        client.write(pelcoD(1, 0x00, 0x51, 0x00, 0x00) + pelcoD(1, 0x00, 0x02, 0x3F, 0x00));
        const auto query = sim->waitForLine("query pan position");
        ASSERT_TRUE(query);
        EXPECT_EQ(query->find("answers"), std::string::npos) << *query;
        EXPECT_TRUE(client.read(1, 500).empty());
        sim->signal(SIGTERM);
        EXPECT_EQ(sim->wait(), 0);
    }
    {
        std::string port, slave;
        auto sim = startSim({"--replies", "all", "--baud", "115200"}, &port, &slave);
        LineClient client(slave, B115200);
        // Right speed 63 has the checksum 0x42: its general response is FF 01 00 42.
        client.write(pelcoD(1, 0x00, 0x02, 0x3F, 0x00));
        EXPECT_EQ(client.read(4, 5000), (Bytes{0xFF, 0x01, 0x00, 0x42}));
        client.write(pelcoD(1, 0x00, 0x09, 0x00, 0x02)); // aux 2 on
        EXPECT_EQ(client.read(4, 5000), (Bytes{0xFF, 0x01, 0x00, 0x0C}));
        const auto aux = sim->waitForLine("set auxiliary 2 (answers FF 01 00 0C)");
        ASSERT_TRUE(aux);
        EXPECT_NE(aux->find(" aux 2"), std::string::npos) << *aux; // and in its state
        // A query gets its extended response only; what the camera ignores gets nothing.
        client.write(pelcoD(1, 0x00, 0x51, 0x00, 0x00));
        const Bytes answer = client.read(7, 5000);
        ASSERT_EQ(answer.size(), 7u);
        EXPECT_EQ(answer[3], 0x59);
        client.write(pelcoD(2, 0x00, 0x00, 0x00, 0x00) + pelcoD(1, 0x00, 0x07, 0x00, 0x09));
        const auto ignored = sim->waitForLine("preset 9 is not set");
        ASSERT_TRUE(ignored);
        EXPECT_EQ(ignored->find("answers"), std::string::npos) << *ignored;
        EXPECT_TRUE(client.read(1, 500).empty());
        sim->signal(SIGTERM);
        EXPECT_EQ(sim->wait(), 0);
    }
}

TEST_F(Tools, SimTakesALineAtAnotherSpeedForNoise)
{
    std::string port, slave;
    auto sim = startSim({}, &port, &slave); // 9600
    LineClient client(slave, B4800);
    const Bytes query = pelcoD(1, 0x00, 0x51, 0x00, 0x00);
    client.write(query);
    const auto noise = sim->waitForLine("noise");
    ASSERT_TRUE(noise);
    EXPECT_TRUE(std::regex_match(
        *noise, std::regex("^" + timePattern +
                           "  FF 01 00 51 00 00 52  noise: 7 bytes at 4800 baud, the camera is at "
                           "9600  pan 0\\.0 tilt 0\\.0 zoom 1\\.0x focus 50$")))
        << *noise;
    EXPECT_TRUE(client.read(1, 500).empty());

    // At the camera's speed it is a camera again; half a frame sent before the change is lost.
    client.write(Bytes{0xFF, 0x01, 0x00});
    ASSERT_TRUE(sim->waitForLine("noise: 3 bytes at 4800 baud"));
    client.setSpeed(B9600);
    client.write(Bytes{0x51, 0x00, 0x00, 0x52} + query);
    EXPECT_EQ(client.read(7, 5000), pelcoD(1, 0x00, 0x59, 0x00, 0x00));
    ASSERT_TRUE(sim->waitForLine("51 00 00 52  skipped 4 bytes"));
    ASSERT_TRUE(sim->waitForLine("FF 01 00 51 00 00 52  query pan position (answers"));

    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
}

TEST_F(Tools, SimSendsNoAnswerOntoALineThatChangedSpeedMeanwhile)
{
    // At 50 baud the answer is due 2.8 s after the query: time to change the speed.
    std::string port, slave;
    auto sim = startSim({"--baud", "50"}, &port, &slave);
    LineClient client(slave, B50);
    client.write(pelcoD(1, 0x00, 0x51, 0x00, 0x00));
    ASSERT_TRUE(sim->waitForLine("query pan position (answers FF 01 00 59 00 00 5A)"));
    client.setSpeed(B9600);
    EXPECT_TRUE(client.read(1, 4000).empty());
    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
}

TEST_F(Tools, SimSpeaksPelcoPWhenAskedAndNeverAnswers)
{
    std::string port, slave;
    auto sim = startSim({"--protocol", "p", "--address", "0", "--replies", "all"}, &port, &slave);
    LineClient client(slave, B9600);
    // Right turbo for address 0, a Pelco D frame it does not take, then stop.
    client.write(Bytes{0xA0, 0x00, 0x00, 0x02, 0x40, 0x00, 0xAF, 0x4D} +
                 pelcoD(0, 0x00, 0x00, 0x00, 0x00));
    const auto right = sim->waitForLine("A0 00 00 02 40 00 AF 4D");
    ASSERT_TRUE(right);
    EXPECT_NE(right->find("  pan right turbo  pan 0.0 tilt 0.0"), std::string::npos) << *right;
    EXPECT_EQ(right->find("answers"), std::string::npos) << *right;
    std::this_thread::sleep_for(std::chrono::milliseconds(500));
    client.write(Bytes{0xA0, 0x00, 0x00, 0x00, 0x00, 0x00, 0xAF, 0x0F});
    const auto skipped = sim->waitForLine("skipped 7 bytes");
    ASSERT_TRUE(skipped);
    const auto stop = sim->waitForLine("A0 00 00 00 00 00 AF 0F  stop  pan ");
    ASSERT_TRUE(stop);
    // Half a second or more at 120 degrees a second.
    std::smatch m;
    ASSERT_TRUE(std::regex_search(*stop, m, std::regex("stop  pan ([0-9.]+) ")));
    EXPECT_GE(std::stod(m[1]), 59.0) << *stop;
    EXPECT_TRUE(client.read(1, 300).empty());
    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
}

TEST_F(Tools, SendInPelcoPMovesASimInPelcoP)
{
    std::string port, slave;
    auto sim = startSim({"--protocol", "p", "--address", "0"}, &port, &slave);
    const auto send =
        runProcess(TARNCTL_PATH, {"send", "--port", port, "--protocol", "p", "--address", "0",
                                  "right", "turbo", "wait", "0.5", "stop", "flip", "camera-off"});
    ASSERT_EQ(send.status, 0) << send.err;
    const auto right = sim->waitForLine("A0 00 00 02 40 00 AF 4D  pan right turbo  pan 0.0");
    ASSERT_TRUE(right);
    const auto stop = sim->waitForLine("A0 00 00 00 00 00 AF 0F  stop  pan ");
    ASSERT_TRUE(stop);
    std::smatch m;
    ASSERT_TRUE(std::regex_search(*stop, m, std::regex("stop  pan ([0-9.]+) ")));
    const double pan = std::stod(m[1]);
    // Half a second at 120 degrees a second is 60, less the time the camera took to read the
    // first frame; pan right at speed 63 would have made 30.
    EXPECT_GT(pan, 40.0) << *stop;
    EXPECT_LT(pan, 180.0) << *stop;
    EXPECT_TRUE(sim->waitForLine("go to preset 33 (flip 180°)"));
    const auto off = sim->waitForLine("camera off");
    ASSERT_TRUE(off);
    EXPECT_TRUE(std::regex_search(*off, std::regex(" off$"))) << *off;
    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
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
    const std::vector<std::string> expected{
        "D  FF 01 00 08 00 3F 48  tilt up speed 63", "-  11 13  skipped 2 bytes",
        "D  FF 13 00 00 00 00 13  stop", "D  FF 01 00 07 00 05 0D  go to preset 5"};
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

TEST_F(Tools, MonitorLabelsBothProtocolsAndBothDirectionsOfALine)
{
    // One RS-485 pair: a Pelco D query and the dome's answer, a command and its general
    // response, Pelco P frames, one with STX for its checksum, and noise.
    const Bytes upP{0xA0, 0x01, 0x00, 0x08, 0x00, 0x14, 0xAF, 0x12};
    const Bytes stream = pelcoD(1, 0x00, 0x51, 0x00, 0x00) + pelcoD(1, 0x00, 0x59, 0x23, 0x28) +
                         upP + pelcoD(1, 0x00, 0x08, 0x00, 0x3F) + Bytes{0xFF, 0x01, 0x00, 0x48} +
                         Bytes{0x12} + Bytes{0xA0, 0xFF, 0x00, 0x07, 0x00, 0x57, 0xAF, 0xA0} +
                         pelcoD(0xA0, 0x00, 0x00, 0x00, 0x00);
    struct Run
    {
        std::vector<std::string> args;
        std::vector<std::string> lines;
        std::vector<std::string> atTheEnd; // once the monitor is stopped
    };
    for (const Run &run : {
             Run{{},
                 {"D  FF 01 00 51 00 00 52  query pan position",
                  "D  FF 01 00 59 23 28 A5  extended response: pan position 90\\.00° from "
                  "address 1",
                  "P  A0 01 00 08 00 14 AF 12  tilt up speed 20",
                  "D  FF 01 00 08 00 3F 48  tilt up speed 63",
                  "D  FF 01 00 48  general response from address 1, alarm bits 00",
                  "-  12  skipped 1 byte", "P  A0 FF 00 07 00 57 AF A0  go to preset 87",
                  "D  FF A0 00 00 00 00 A0  stop"},
                 {}},
             Run{{"--protocol", "p"},
                 {"-  FF 01 00 51 00 00 52 FF 01 00 59 23 28 A5  skipped 14 bytes",
                  "P  A0 01 00 08 00 14 AF 12  tilt up speed 20",
                  "-  FF 01 00 08 00 3F 48 FF 01 00 48 12  skipped 12 bytes",
                  "P  A0 FF 00 07 00 57 AF A0  go to preset 87", "-  FF  skipped 1 byte"},
                 // Pelco D's frame for address A0 holds a Pelco P STX.
                 {"P  A0 00 00 00 00 A0  incomplete frame"}},
         }) {
        PtyPair line;
        std::vector<std::string> args{"monitor", "--port", line.slavePath()};
        args.insert(args.end(), run.args.begin(), run.args.end());
        auto monitor = start(args);
        ASSERT_TRUE(waitForBaud(line, 9600));
        // In pieces, as a line brings them.
        for (std::size_t at = 0; at < stream.size(); at += 5) {
            const std::size_t n = std::min<std::size_t>(5, stream.size() - at);
            ASSERT_TRUE(line.write(std::span(stream).subspan(at, n)));
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        const auto expect = [&](const std::vector<std::string> &lines) {
            for (const auto &text : lines) {
                const auto got = monitor->readLine();
                ASSERT_TRUE(got) << text;
                EXPECT_TRUE(
                    std::regex_match(*got, std::regex("^" + timePattern + "  " + text + "$")))
                    << *got;
            }
        };
        expect(run.lines);
        monitor->signal(SIGINT);
        EXPECT_EQ(monitor->wait(), 0);
        expect(run.atTheEnd);
        EXPECT_EQ(monitor->readLine(1000), std::nullopt); // nothing more, nothing unlabelled
    }
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
        panel << "#!/bin/sh\nls \"${XDG_RUNTIME_DIR:-$TMPDIR/runtime-$(id -un)}/tarn/ports\"\n"
              << "exec \"" << TARNCTL_PATH << "\" send --port COM9 left\n";
    }
    chmod((build + "/app/tarn").c_str(), 0755);
    setenv("TARN_BUILD", build.c_str(), 1);
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const passwd *user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);

    // With no XDG_RUNTIME_DIR (a root shell, ssh), Qt warns on the camera's output before the
    // camera names its port, and falls back to a runtime folder in TMPDIR.
    for (const bool runtimeSet : {true, false}) {
        SCOPED_TRACE(runtimeSet ? "XDG_RUNTIME_DIR set" : "XDG_RUNTIME_DIR unset");
        const std::string runtime =
            runtimeSet ? m_runtime : m_runtime + "/tmp/runtime-" + user->pw_name;
        if (!runtimeSet) {
            ASSERT_EQ(system(("mkdir -p " + m_runtime + "/tmp").c_str()), 0);
            unsetenv("XDG_RUNTIME_DIR");
            setenv("TMPDIR", (m_runtime + "/tmp").c_str(), 1);
        }
        const auto r = runProcess(SOURCE_DIR "/scripts/demo", {});
        unsetenv("TMPDIR");
        setenv("XDG_RUNTIME_DIR", m_runtime.c_str(), 1);
        EXPECT_EQ(r.status, 0) << r.out << r.err;
        EXPECT_NE(r.out.find("choose COM9"), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("\nCOM9\n"), std::string::npos) << r.out; // the panel saw the port
        EXPECT_FALSE(exists(runtime + "/tarn/ports/COM9"));            // the camera was stopped

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
    unsetenv("TARN_BUILD");
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
             Row{{"sim", "--address", "1-3,"}, 2, "'1-3,'"},
             Row{{"sim", "--address", "3-1"}, 2, "'3-1'"},
             Row{{"sim", "extra"}, 2, "'extra'"},
             Row{{"sim", "--replies", "some"}, 2, "'some'"},
             Row{{"monitor"}, 2, "no port"},
             Row{{"monitor", "--port", "ttyUSB0"}, 2, "'ttyUSB0'"},
             Row{{"monitor", "--port", "COM1", "--baud", "0"}, 2, "'0'"},
             Row{{"monitor", "--port", "COM1", "--protocol", "x"}, 2, "'x'"},
             Row{{"sim", "--protocol", "pelco-p"}, 2, "'pelco-p'"},
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
    for (const char *word : {"Usage: tarnctl sim", "--port", "--baud", "--address", "--replies",
                             "--protocol", "--view"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace

#include "commandframe.h"
#include "commands.h"
#include "portconnection.h"
#include "ptypair.h"
#include "runprocess.h"
#include "serialcontrol.h"
#include "tarnctltest.h"
#include "textrows.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstdlib>
#include <sstream>
#include <sys/stat.h>
#include <thread>

using namespace pelco;

namespace {

class TarnctlPorts : public TarnctlTest
{};

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

std::vector<BYTE> framesOf(BYTE address, const std::vector<PtzCommand> &commands)
{
    std::vector<BYTE> bytes;
    for (const PtzCommand &c : commands) {
        const auto frame = makeFrame(address, c.command1, c.command2, c.data1, c.data2).bytes();
        bytes.insert(bytes.end(), frame.begin(), frame.end());
    }
    return bytes;
}

TEST_F(TarnctlPorts, ListsLinkedPortsInTheListsOrder)
{
    PtyPair two, ten;
    two.linkAs(portsDir(), 2);
    ten.linkAs(portsDir(), 10);
    QFile::link("/dev/tarn-unplugged", QString::fromStdString(portsDir() + "/COM7"));
    QFile::link(QString::fromStdString(two.slavePath()),
                QString::fromStdString(portsDir() + "/COM01"));

    const auto r = tarnctl({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    const auto listed = lines(r.out);
    const std::string lineTen = "COM10 " + ten.slavePath(), lineTwo = "COM2 " + two.slavePath();
    const auto posTen = std::find(listed.begin(), listed.end(), lineTen);
    const auto posTwo = std::find(listed.begin(), listed.end(), lineTwo);
    ASSERT_NE(posTen, listed.end()) << r.out;
    ASSERT_NE(posTwo, listed.end()) << r.out;
    EXPECT_LT(posTen, posTwo) << "COM10 sorts before COM2 as text, as in the panel's list";
    for (const std::string &line : listed) {
        EXPECT_EQ(line.rfind("COM", 0), 0u) << line;
        EXPECT_EQ(std::count(line.begin(), line.end(), ' '), 1) << line;
        EXPECT_NE(line.rfind("COM7 ", 0), 0u) << "a link to nothing is not listed";
        EXPECT_NE(line.rfind("COM1 " + two.slavePath(), 0), 0u) << "COM01 is not a port name";
    }
}

// Pins in the configuration folder's ports directory are listed beside the session's links, a
// network line with its URL; the session's link wins a number both hold, and says so.
TEST_F(TarnctlPorts, ListsThePinsOfTheConfigurationFolderAndNetworkLinks)
{
    PtyPair session, pinned, shadowed;
    session.linkAs(portsDir(), 5);
    shadowed.linkAs(pinsDir(), 5);
    pinned.linkAs(pinsDir(), 6);
    ASSERT_TRUE(QFile::link("rfc2217://gate-pi:2000", QString::fromStdString(pinsDir() + "/COM7")));
    ASSERT_TRUE(QFile::link("tcp://[::1]:4001", QString::fromStdString(portsDir() + "/COM8")));

    const auto r = tarnctl({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "tarnctl: " + pinsDir() + "/COM5 is hidden by the link of the same name in " +
                         portsDir() + "\n");
    const auto listed = lines(r.out);
    for (const std::string &expected :
         {"COM5 " + session.slavePath(), "COM6 " + pinned.slavePath(),
          std::string("COM7 rfc2217://gate-pi:2000"), std::string("COM8 tcp://[::1]:4001")})
        EXPECT_NE(std::find(listed.begin(), listed.end(), expected), listed.end())
            << expected << " in\n"
            << r.out;
    EXPECT_EQ(r.out.find(shadowed.slavePath()), std::string::npos) << r.out;

    // The pins are trusted as the session's links are: the folders from the configuration
    // folder down must be the user's alone.
    ASSERT_EQ(chmod((config() + "/tarn").c_str(), 0777), 0);
    const auto untrusted = tarnctl({"ports"});
    EXPECT_EQ(untrusted.status, 0);
    EXPECT_EQ(untrusted.err.rfind("tarnctl: ignoring the links in " + pinsDir() + ": " + config() +
                                      "/tarn (owner ",
                                  0),
              0u)
        << untrusted.err;
    EXPECT_NE(untrusted.err.find("is writable by every user; its ports are not listed\n"),
              std::string::npos)
        << untrusted.err;
    EXPECT_EQ(untrusted.out.find("COM7 "), std::string::npos) << untrusted.out;
    EXPECT_NE(untrusted.out.find("COM5 " + session.slavePath()), std::string::npos);

    const auto help = tarnctl({"ports", "--help"});
    EXPECT_NE(help.out.find(portsDir()), std::string::npos) << help.out;
    EXPECT_NE(help.out.find(pinsDir()), std::string::npos) << help.out;
}

TEST_F(TarnctlPorts, AnEmptyOrMissingPortsDirectoryIsNoErrorAndIsNotCreated)
{
    const auto r = tarnctl({"ports"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_FALSE(QDir(QString::fromStdString(runtime() + "/tarn")).exists());
    EXPECT_EQ(tarnctl({"ports", "extra"}).status, 2);
}

TEST_F(TarnctlPorts, SendPutsExactlyTheFramesOnTheLineWithThePanelsSettings)
{
    struct Row
    {
        std::vector<std::string> args;
        int baud;
        std::vector<BYTE> expected;
    };
    PtyPair pty;
    pty.linkAs(portsDir(), 5);
    // Each sends at least two frames with a gap, so the line's settings can be read while the
    // port is open; after the close the line keeps them.
    for (const Row &row : {
             Row{{"send", "--port", "COM5", "--gap", "400", "up", "stop", "goto", "5"},
                 9600,
                 framesOf(1, {PtzCommands::up, PtzCommands::stop, PtzCommands::gotoPreset(5)})},
             Row{{"send", "--port", "COM5", "--baud", "19200", "--address", "200", "--gap", "400",
                  "zoom-tele", "stop"},
                 19200,
                 framesOf(200, {PtzCommands::zoomTele, PtzCommands::stop})},
             Row{{"send", "--gap", "400", "--port", pty.slavePath(), "--baud", "115200", "set",
                  "130", "left"},
                 115200,
                 framesOf(1, {PtzCommands::setPreset(130), PtzCommands::left})},
             Row{{"send", "--port", "COM5", "--baud", "56000", "--gap", "400", "clear", "0",
                  "right"},
                 56000,
                 framesOf(1, {PtzCommands::clearPreset(0), PtzCommands::right})},
         }) {
        SCOPED_TRACE(row.args.back());
        ProcessResult r;
        std::thread run([&] { r = tarnctl(row.args); });
        std::vector<BYTE> got = pty.read(7, 5000);
        const termios tio = pty.slaveTermios();
        const int baud = pty.slaveBaudRate();
        const auto rest = pty.read(row.expected.size() - 7, 5000);
        got.insert(got.end(), rest.begin(), rest.end());
        run.join();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(got, row.expected);
        EXPECT_TRUE(pty.readUntilQuiet(50).empty());
        EXPECT_EQ(baud, row.baud);
        EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_FALSE(tio.c_cflag & (PARENB | CSTOPB | CRTSCTS));
        // No software flow control, as on the panel's line.
        EXPECT_FALSE(tio.c_iflag & (IXON | IXOFF | IXANY));
        const termios after = pty.slaveTermios();
        EXPECT_EQ(pty.slaveBaudRate(), row.baud);
        EXPECT_EQ(after.c_cflag & (CSIZE | PARENB | CSTOPB | CRTSCTS), tcflag_t(CS8));
        EXPECT_FALSE(after.c_iflag & (IXON | IXOFF | IXANY));
    }
    // The known answer for "up" at address 1, as the panel sends it.
    EXPECT_EQ(framesOf(1, {PtzCommands::up}),
              (std::vector<BYTE>{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48}));
}

TEST_F(TarnctlPorts, SendPutsEitherProtocolsFramesWithTheirArgumentsOnTheLine)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 5);
    struct Row
    {
        std::vector<std::string> args;
        const char *expected;
    };
    for (const Row &row : {
             Row{{"send", "--port", "COM5", "up-left", "10", "20", "camera-on", "aux-on", "3",
                  "pan-to", "90", "right", "turbo", "stop"},
                 "FF 01 00 0C 0A 14 2B  FF 01 88 00 00 00 89  FF 01 00 09 00 03 0D "
                 " FF 01 00 4B 23 28 97  FF 01 00 02 FF 00 02  FF 01 00 00 00 00 01"},
             Row{{"send", "--port", "COM5", "--protocol", "p", "--address", "0", "up", "20",
                  "right", "turbo", "goto", "1", "focus-far", "stop"},
                 "A0 00 00 08 00 14 AF 13  A0 00 00 02 40 00 AF 4D  A0 00 00 07 00 01 AF 09 "
                 " A0 00 01 00 00 00 AF 0E  A0 00 00 00 00 00 AF 0F"},
         }) {
        SCOPED_TRACE(row.args[3]);
        const auto expected = bytesFromHex(row.expected);
        ProcessResult r;
        std::thread run([&] { r = tarnctl(row.args); });
        const auto got = pty.read(expected.size(), 5000);
        run.join();
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
        EXPECT_EQ(got, expected);
        EXPECT_TRUE(pty.readUntilQuiet(50).empty());
    }
}

TEST_F(TarnctlPorts, SendWaitsTheGapBetweenFramesAndPausesWhereWaitStands)
{
    struct Row
    {
        std::vector<std::string> args;
        std::array<int, 2> leastMs; // before the second frame, before the third
    };
    PtyPair pty;
    pty.linkAs(portsDir(), 3);
    for (const Row &row : {
             Row{{"send", "--port", "COM3", "--gap", "300", "up", "stop", "down"}, {300, 300}},
             // The pause and the gap add up.
             Row{{"send", "--port", "COM3", "up", "wait", "0.8", "stop", "wait", "0.3", "--gap",
                  "100", "down"},
                 {900, 400}},
         }) {
        SCOPED_TRACE(row.args[3]);
        ProcessResult result;
        std::thread run([&] { result = tarnctl(row.args); });
        using Clock = std::chrono::steady_clock;
        std::vector<Clock::time_point> arrivals;
        std::vector<BYTE> got;
        for (int i = 0; i < 3; ++i) {
            const auto frame = pty.read(7, 8000);
            arrivals.push_back(Clock::now());
            got.insert(got.end(), frame.begin(), frame.end());
        }
        run.join();
        EXPECT_EQ(result.status, 0) << result.err;
        EXPECT_EQ(got, framesOf(1, {PtzCommands::up, PtzCommands::stop, PtzCommands::down}));
        for (int i = 1; i < 3; ++i) {
            const auto ms =
                std::chrono::duration_cast<std::chrono::milliseconds>(arrivals[i] - arrivals[i - 1])
                    .count();
            // Arrivals are seen a little late or early; the upper bound leaves room for a
            // busy machine.
            EXPECT_GE(ms, row.leastMs[i - 1] - 50) << "frame " << i;
            EXPECT_LT(ms, row.leastMs[i - 1] + 2000) << "frame " << i;
        }
    }
}

TEST_F(TarnctlPorts, SendFailuresExitWith1AndTheControlsDescription)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 4);

    auto r = tarnctl({"send", "--port", "COM200", "up"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnctl: COM200 does not exist: there is no such port (tarnctl ports lists "
                     "them)\n");

    r = tarnctl({"send", "--port", "/dev/tarn-no-such-tty", "up"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "tarnctl: /dev/tarn-no-such-tty does not exist: no such port (is the adapter "
                     "plugged in?)\n");

    // Held by this process: another process, even as root, is kept out.
    {
        SerialControl holder(
            [&](int) { return std::optional<QString>(QString::fromStdString(pty.slavePath())); });
        openConfigured(holder, 4, "9600,n,8,1");
        r = tarnctl({"send", "--port", "COM4", "up"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "tarnctl: COM4 (" + pty.slavePath() + ") is in use by another program\n");
        r = tarnctl({"send", "--port", pty.slavePath(), "up"});
        EXPECT_EQ(r.status, 1);
        EXPECT_EQ(r.err, "tarnctl: " + pty.slavePath() + " is in use by another program\n");
    }
    EXPECT_TRUE(pty.readUntilQuiet(50).empty());
    // Let go, and the port is free again.
    r = tarnctl({"send", "--port", "COM4", "up"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(pty.read(7), framesOf(1, {PtzCommands::up}));
}

TEST_F(TarnctlPorts, SendRefusesABadCommandLineWith2AndNamesTheValue)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 6);
    expectRefused({
        {{"send", "up"}, "no port"},
        {{"send", "--port", "COM6"}, "no action"},
        {{"send", "--port", "COM0", "up"}, "'COM0'"},
        {{"send", "--port", "COM256", "up"}, "'COM256'"},
        {{"send", "--port", "COM06", "up"}, "'COM06'"},
        {{"send", "--port", "ttyUSB0", "up"}, "'ttyUSB0'"},
        {{"send", "--port", "COM6", "--baud", "0", "up"}, "'0'"},
        {{"send", "--port", "COM6", "--baud", "4000001", "up"}, "'4000001'"},
        {{"send", "--port", "COM6", "--baud", "96OO", "up"}, "'96OO'"},
        {{"send", "--port", "COM6", "--baud", "9600,e", "up"}, "'9600,e'"},
        {{"send", "--port", "COM6", "--baud", "", "up"}, "''"},
        {{"send", "--port", "COM6", "--gap", "-5", "up"}, "'-5'"},
        {{"send", "--port", "COM6", "--gap", "soon", "up"}, "'soon'"},
        {{"send", "--port", "COM6", "--gap", "60001", "up"}, "'60001'"},
        {{"send", "--port", "COM6", "--address", "256", "up"}, "'256'"},
        {{"send", "--port", "COM6", "up", "jump"}, "'jump'"},
        {{"send", "--port", "COM6", "up", "goto"}, "'goto'"},
        {{"send", "--port", "COM6", "up", "64"}, "invalid tilt speed '64'"},
        {{"send", "--port", "COM6", "up", "wait"}, "'wait' needs seconds"},
        {{"send", "--port", "COM6", "up", "wait", "soon"}, "invalid seconds 'soon'"},
        {{"send", "--port", "COM6", "up", "wait", "-1"}, "'-1'"},
        {{"send", "--port", "COM6", "--protocol", "x", "up"}, "invalid protocol 'x'"},
        {{"send", "--port", "COM6", "--protocol", "p", "up", "aux-on", "1"},
         "'aux-on': Pelco P has no such command"},
        {{"send", "--port", "COM6", "--protocol", "p", "query-pan"},
         "'query-pan': Pelco P has no such command"},
    });
    EXPECT_TRUE(pty.readUntilQuiet(50).empty()) << "a refused command line sends nothing";

    const auto help = tarnctl({"send", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *word :
         {"--port", "--baud", "--address", "--gap", "--protocol", "COM", "goto N",
          "up-left [PAN [TILT]]", "wait SECONDS", "switch address minus"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace

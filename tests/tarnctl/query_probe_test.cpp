// tarnctl send's queries and tarnctl probe against a virtual camera (tarnctl sim) and against
// pseudo-terminals that play the camera, all as real processes on real lines.
#include "childprocess.h"
#include "commandframe.h"
#include "ptypair.h"
#include "tarnctltest.h"

#include <gtest/gtest.h>

#include <chrono>
#include <fcntl.h>
#include <regex>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

using namespace pelco;

namespace {

using Bytes = std::vector<BYTE>;

Bytes pelcoD(BYTE address, BYTE c1, BYTE c2, BYTE d1, BYTE d2)
{
    const auto f = makeFrame(address, c1, c2, d1, d2).bytes();
    return {f.begin(), f.end()};
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Bytes queryPan(BYTE address)
{
    return pelcoD(address, 0x00, 0x51, 0x00, 0x00);
}

class QueryProbe : public TarnctlTest
{
protected:
    // A virtual camera; its first line names its port.
    std::unique_ptr<ChildProcess> startSim(std::vector<std::string> args, std::string *port)
    {
        args.insert(args.begin(), "sim");
        auto sim = std::make_unique<ChildProcess>(
            TARNCTL_PATH, args, std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime()});
        const auto first = sim->readLine(10000);
        static const std::regex form("^(COM[0-9]+) /dev/pts/[0-9]+$");
        std::smatch m;
        if (!first || !std::regex_match(*first, m, form))
            ADD_FAILURE() << "sim's first line: " << first.value_or("(none)");
        else
            *port = m[1];
        return sim;
    }

    // The lines the camera printed until it ended.
    static std::vector<std::string> stopSim(ChildProcess &sim)
    {
        sim.signal(SIGTERM);
        std::vector<std::string> lines;
        while (auto line = sim.readLine(5000))
            lines.push_back(*line);
        EXPECT_EQ(sim.wait(), 0);
        return lines;
    }
};

TEST_F(QueryProbe, SendPrintsTheCamerasAnswersToQueries)
{
    std::string port;
    auto sim = startSim({"--baud", "4800", "--address", "37"}, &port);
    ASSERT_FALSE(port.empty());
    // Turbo goes at 120 degrees a second: 90 degrees take 0.75 s.
    const auto r = tarnctl({"send", "--port", port, "--baud", "4800", "--address", "37", "pan-to",
                            "90", "wait", "1.5", "query-pan", "query-tilt", "query-zoom"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_TRUE(std::regex_match(r.out, std::regex("pan 90\\.00°\ntilt [0-9]+\nzoom [0-9]+\n")))
        << r.out;

    // At another speed the camera hears noise and stays silent.
    const auto silent = tarnctl({"send", "--port", port, "--baud", "9600", "--address", "37",
                                 "--timeout", "200", "query-pan"});
    EXPECT_EQ(silent.status, 1);
    EXPECT_EQ(silent.out, "");
    EXPECT_EQ(silent.err, "tarnctl: no answer to query-pan from address 37 within 200 ms (is the "
                          "camera's reply pair wired, and are its address and baud right?)\n");
    const auto lines = stopSim(*sim);
    ASSERT_FALSE(lines.empty());
    EXPECT_NE(lines.back().find("noise: 7 bytes at 9600 baud"), std::string::npos) << lines.back();
}

// The test plays the camera: it reads the query and writes back what the row says, in pieces.
TEST_F(QueryProbe, SendTakesOnlyTheAnswerItAskedFor)
{
    struct Row
    {
        const char *query;
        std::vector<Bytes> answer; // written one piece at a time
        int status;
        std::string out;
        std::string err;
        bool stopAfter = false; // a stop follows the query, and goes out whatever came back
    };
    const Bytes pan1250 = pelcoD(9, 0x00, 0x59, 0x04, 0xE2);
    const Bytes split1(pan1250.begin(), pan1250.begin() + 3),
        split2(pan1250.begin() + 3, pan1250.end());
    const Row rows[] = {
        {"query-pan", {pan1250}, 0, "pan 12.50°\n", ""},
        // Noise, the line's echo of the query and answers for others come first; the answer
        // itself arrives in two pieces.
        {"query-pan",
         {{0x12, 0xFF, 0x34}, queryPan(9), pelcoD(8, 0x00, 0x59, 0x11, 0x11), split1, split2},
         0,
         "pan 12.50°\n",
         ""},
        {"query-tilt", {pelcoD(9, 0x00, 0x5B, 0x30, 0x39)}, 0, "tilt 12345\n", ""},
        {"query-zoom", {pelcoD(9, 0x00, 0x5D, 0x9C, 0x40)}, 0, "zoom 40000\n", ""},
        {"query-pan", {pelcoD(9, 0x00, 0x59, 0x8C, 0x9F)}, 0, "pan 359.99°\n", ""},
        // A tilt answer is not a pan answer, another address is not ours, a bad checksum is
        // no answer at all.
        {"query-pan",
         {pelcoD(9, 0x00, 0x5B, 0x00, 0x01),
          pelcoD(10, 0x00, 0x59, 0x00, 0x01),
          {0xFF, 0x09, 0x00, 0x59, 0x00, 0x01, 0x00}},
         1,
         "",
         "tarnctl: no answer to query-pan from address 9 within 1000 ms (21 other bytes came in, "
         "none of them the answer)\n",
         true},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.out + row.err);
        PtyPair pty;
        pty.linkAs(portsDir(), 7);
        ProcessResult r;
        std::thread run([&] {
            std::vector<std::string> args{"send", "--port",    "COM7", "--address",
                                          "9",    "--timeout", "1000", row.query};
            if (row.stopAfter)
                args.push_back("stop");
            r = tarnctl(args);
        });
        const Bytes query = pty.read(7, 10000);
        for (const Bytes &piece : row.answer) {
            pty.write(piece);
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        const Bytes after = pty.read(row.stopAfter ? 7 : 1, row.stopAfter ? 10000 : 100);
        run.join();
        const BYTE code = row.query == std::string("query-pan")    ? 0x51
                          : row.query == std::string("query-tilt") ? 0x53
                                                                   : 0x55;
        EXPECT_EQ(query, pelcoD(9, 0x00, code, 0x00, 0x00));
        EXPECT_EQ(after, row.stopAfter ? pelcoD(9, 0, 0, 0, 0) : Bytes{});
        EXPECT_EQ(r.status, row.status);
        EXPECT_EQ(r.out, row.out);
        EXPECT_EQ(r.err, row.err);
    }
}

TEST_F(QueryProbe, ProbeFindsACameraAtARateAndAddressItWasNotTold)
{
    std::string port;
    auto sim = startSim({"--baud", "19200", "--address", "37"}, &port);
    ASSERT_FALSE(port.empty());
    const auto r = tarnctl({"probe", "--port", port, "--bauds", "4800,19200,38400", "--addresses",
                            "36-38", "--timeout", "500"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "found address 37 at 19200 baud, pan 0.00°\n");
    EXPECT_EQ(r.err, "") << "no progress line where standard error is no terminal";

    // It only asked: every frame the camera decoded is a pan query, and the camera did not move.
    for (const std::string &line : stopSim(*sim)) {
        const bool query = line.find("query pan position") != std::string::npos;
        const bool noise = line.find("noise:") != std::string::npos;
        EXPECT_TRUE(query || noise) << line;
        EXPECT_NE(line.find("pan 0.0 tilt 0.0 zoom 1.0x"), std::string::npos) << line;
    }
}

// A line of three cameras: probe finds each, answered by the camera itself (the second was
// turned first, and says so), and none at the addresses the line does not have.
TEST_F(QueryProbe, ProbeFindsEveryCameraOfALine)
{
    std::string port;
    auto sim = startSim({"--address", "1-3"}, &port);
    ASSERT_FALSE(port.empty());
    const auto turn = tarnctl({"send", "--port", port, "--address", "2", "pan-to", "90"});
    ASSERT_EQ(turn.status, 0) << turn.err;
    std::this_thread::sleep_for(std::chrono::milliseconds(1500)); // turbo: 0.75 s for 90 degrees
    const auto r = tarnctl(
        {"probe", "--port", port, "--bauds", "9600", "--addresses", "1-5", "--timeout", "500"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "found address 1 at 9600 baud, pan 0.00°\n"
                     "found address 2 at 9600 baud, pan 90.00°\n"
                     "found address 3 at 9600 baud, pan 0.00°\n");

    // Each line names the camera that took the frame; the queries for 4 and 5 name none.
    std::vector<std::string> queries;
    for (const std::string &line : stopSim(*sim))
        if (line.find("query pan position") != std::string::npos)
            queries.push_back(line.substr(line.find("  ") + 2));
    EXPECT_EQ(queries,
              (std::vector<std::string>{
                  "FF 01 00 51 00 00 52  query pan position (answers FF 01 00 59 00 00 5A)  "
                  "camera 1: pan 0.0 tilt 0.0 zoom 1.0x focus 50",
                  "FF 02 00 51 00 00 53  query pan position (answers FF 02 00 59 23 28 A6)  "
                  "camera 2: pan 90.0 tilt 0.0 zoom 1.0x focus 50",
                  "FF 03 00 51 00 00 54  query pan position (answers FF 03 00 59 00 00 5C)  "
                  "camera 3: pan 0.0 tilt 0.0 zoom 1.0x focus 50",
                  "FF 04 00 51 00 00 55  query pan position (ignored: for address 4)",
                  "FF 05 00 51 00 00 56  query pan position (ignored: for address 5)",
              }));
}

TEST_F(QueryProbe, ProbeStopsAtTheFirstAnswerWhenAskedTo)
{
    std::string port;
    auto sim = startSim({"--baud", "9600", "--address", "2"}, &port);
    ASSERT_FALSE(port.empty());
    const auto r = tarnctl({"probe", "--port", port, "--bauds", "9600,2400", "--addresses", "1-5",
                            "--timeout", "500", "--first"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "found address 2 at 9600 baud, pan 0.00°\n");
    int queries = 0;
    for (const std::string &line : stopSim(*sim)) {
        EXPECT_EQ(line.find("noise"), std::string::npos) << "no other rate was tried: " << line;
        queries += line.find("query pan position") != std::string::npos;
    }
    EXPECT_EQ(queries, 2) << "addresses 1 and 2, then no more";
}

TEST_F(QueryProbe, ProbeReportsNoneOnASilentLineAndSendsOnlyQueries)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 8);
    ProcessResult r;
    std::thread run([&] {
        r = tarnctl({"probe", "--port", "COM8", "--bauds", "9600,2400", "--addresses", "1-3",
                     "--timeout", "50"});
    });
    const Bytes first = pty.read(21, 10000);
    const int firstBaud = pty.slaveBaudRate();
    const Bytes second = pty.read(21, 10000);
    run.join();
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tarnctl: no camera answered at 9600, 2400 baud, addresses 1-3 (only a "
                     "camera whose reply pair is wired can answer)\n");
    const Bytes queries = queryPan(1) + queryPan(2) + queryPan(3);
    EXPECT_EQ(first, queries);
    EXPECT_EQ(second, queries);
    EXPECT_EQ(firstBaud, 9600);
    EXPECT_EQ(pty.slaveBaudRate(), 2400);
    EXPECT_TRUE(pty.readUntilQuiet(50).empty());
}

TEST_F(QueryProbe, ProbeInPelcoPSaysItHasNothingToAskAndSendsNothing)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 8);
    const auto r = tarnctl({"probe", "--port", "COM8", "--protocol", "p"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.out, "");
    EXPECT_NE(r.err.find("Pelco P has no position queries, so probe has nothing to ask and "
                         "sends nothing"),
              std::string::npos)
        << r.err;
    EXPECT_TRUE(pty.readUntilQuiet(200).empty());
}

TEST_F(QueryProbe, ProbeShowsItsProgressOnATerminal)
{
    PtyPair line, terminal;
    line.linkAs(portsDir(), 8);
    const std::string tarnctlPath = TARNCTL_PATH;
    const std::string terminalPath = terminal.slavePath();
    const pid_t pid = fork();
    if (pid == 0) {
        const int err = open(terminalPath.c_str(), O_RDWR | O_NOCTTY);
        const int out = open("/dev/null", O_WRONLY);
        if (err < 0 || out < 0)
            _exit(126);
        dup2(err, STDERR_FILENO);
        dup2(out, STDOUT_FILENO);
        execl(tarnctlPath.c_str(), tarnctlPath.c_str(), "probe", "--port", "COM8", "--bauds",
              "9600", "--addresses", "4-5", "--timeout", "50", nullptr);
        _exit(127);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const auto bytes = terminal.readUntilQuiet(200);
    const std::string shown(bytes.begin(), bytes.end());
    EXPECT_EQ(shown, "\rprobing 9600 baud (1 of 1), address 4 of 4-5\033[K"
                     "\rprobing 9600 baud (1 of 1), address 5 of 4-5\033[K"
                     "\r\033[K"
                     "tarnctl: no camera answered at 9600 baud, addresses 4-5 (only a camera "
                     "whose reply pair is wired can answer)\n");
}

TEST_F(QueryProbe, BadCommandLinesExitWith2AndNameTheValue)
{
    PtyPair pty;
    pty.linkAs(portsDir(), 8);
    expectRefused({
        {{"probe"}, "no port"},
        {{"probe", "--port", "COM0"}, "'COM0'"},
        {{"probe", "--port", "COM8", "--bauds", "9600,,2400"}, "'9600,,2400'"},
        {{"probe", "--port", "COM8", "--bauds", ""}, "--bauds ''"},
        {{"probe", "--port", "COM8", "--addresses", "10-5"}, "'10-5'"},
        {{"probe", "--port", "COM8", "--addresses", "0-256"}, "'0-256'"},
        {{"probe", "--port", "COM8", "--addresses", "-3"}, "'-3'"},
        {{"probe", "--port", "COM8", "--timeout", "0"}, "invalid timeout '0'"},
        {{"probe", "--port", "COM8", "--timeout", "10001"}, "'10001'"},
        {{"probe", "--port", "COM8", "--protocol", "x"}, "invalid protocol 'x'"},
        {{"probe", "--port", "COM8", "up"}, "unexpected argument 'up'"},
        {{"probe", "--port", "COM8", "--speed", "3"}, "speed"},
        {{"send", "--port", "COM8", "--timeout", "0", "query-pan"}, "'0'"},
        {{"send", "--port", "COM8", "--timeout", "soon", "query-pan"}, "'soon'"},
    });
    EXPECT_TRUE(pty.readUntilQuiet(50).empty()) << "a refused command line sends nothing";

    const auto help = tarnctl({"probe", "--help"});
    EXPECT_EQ(help.status, 0);
    for (const char *word : {"Usage: tarnctl probe", "--port", "--bauds", "--addresses",
                             "--timeout", "--first", "--protocol", "never moves a camera",
                             "reply path", "found address 37 at 4800 baud, pan 12.50°"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
}

} // namespace

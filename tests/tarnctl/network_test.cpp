// tarnctl's commands across the network: send, probe and monitor through the real ser2net on
// the loopback interface, in both forms (rfc2217:// and tcp://), its device a pseudo-terminal
// (read and written by the test) or the virtual camera's own; tarnctl sim --listen as a raw TCP
// server of its own; and each failure as an exit status and one line on standard error.
#include "childprocess.h"
#include "ptypair.h"
#include "ser2net.h"
#include "tarnctltest.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <regex>
#include <thread>

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

std::string endpointOf(const std::string &url)
{
    return url.substr(url.find("://") + 3);
}

class Network : public TarnctlTest
{
protected:
    // A virtual camera; its first line is "COM<n> /dev/pts/N", and with --listen its second
    // "listening on HOST:PORT". Returns the pty's slave path (and the listening endpoint).
    std::unique_ptr<ChildProcess> startSim(std::vector<std::string> args, std::string *slave,
                                           std::string *listening = nullptr)
    {
        args.insert(args.begin(), "sim");
        auto sim = std::make_unique<ChildProcess>(
            TARNCTL_PATH, args, std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime()});
        const auto first = sim->readLine(10000);
        static const std::regex form("^COM[0-9]+ (/dev/pts/[0-9]+)$");
        std::smatch m;
        if (!first || !std::regex_match(*first, m, form)) {
            ADD_FAILURE() << "sim's first line: " << first.value_or("(none)");
            return sim;
        }
        *slave = m[1];
        if (listening) {
            const auto second = sim->readLine(5000);
            static const std::regex listen("^listening on (127\\.0\\.0\\.1:[0-9]+)$");
            if (!second || !std::regex_match(*second, m, listen))
                ADD_FAILURE() << "sim's second line: " << second.value_or("(none)");
            else
                *listening = m[1];
        }
        return sim;
    }
};

// The frames as the pty behind ser2net reads them: every 0xFF position of a Pelco D frame (sync,
// address 255, checksum 255) doubled on the Telnet wire and single again at the device.
TEST_F(Network, SendCarriesFramesWith255sIntactInBothForms)
{
    PtyPair pty;
    Ser2net::Options options;
    options.connectorSettings = "9600n81";
    Ser2net server(pty.slavePath(), options);
    // stop at 255: FF FF 00 00 00 00 FF. goto 249 at 255: 255 + 7 + 249 = 511, checksum FF.
    const Bytes expected{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF,
                         0xFF, 0xFF, 0x00, 0x07, 0x00, 0xF9, 0xFF};
    // Several times each: send closes right after its last frame, and ser2net drops what it has
    // not yet written to its device when the client goes too soon.
    for (const std::string &url : {server.rfc2217Url(), server.rawUrl()}) {
        for (int round = 0; round < 5; ++round) {
            const auto r =
                tarnctl({"send", "--port", url, "--address", "255", "stop", "goto", "249"});
            EXPECT_EQ(r.status, 0) << url << ": " << r.err;
            EXPECT_EQ(r.err, "") << url;
            EXPECT_EQ(pty.read(expected.size(), 1000), expected) << url << " round " << round;
        }
        EXPECT_EQ(pty.readUntilQuiet(100), Bytes{}) << url;
    }
}

TEST_F(Network, ARateGivenForARawLineIsSaidToBeTheServersAndTheFrameStillGoes)
{
    PtyPair pty;
    Ser2net::Options options;
    options.connectorSettings = "9600n81";
    Ser2net server(pty.slavePath(), options);
    const std::string url = server.rawUrl();
    const std::string notice = "tarnctl: " + url +
                               " is a raw TCP line: its rate and format are set on the server "
                               "and cannot be set from here (rfc2217:// can)\n";
    const auto r = tarnctl({"send", "--port", url, "--baud", "4800", "stop"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, notice);
    EXPECT_EQ(pty.read(7), (Bytes{0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}));
    // The raw line set no rate: the device ran at the server's 9600 while the client was there,
    // and ser2net puts back the pty's own settings once the client has gone, so either may be
    // read now, but never the 4800 asked for.
    EXPECT_NE(pty.slaveBaudRate(), 4800);
    // Without --baud nothing is said.
    const auto quiet = tarnctl({"send", "--port", url, "stop"});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.err, "");
}

// The virtual camera behind ser2net (its pty's slave as the connector): a query answered, in
// both forms, at an address and rate of our choosing.
TEST_F(Network, AQueryIsAnsweredThroughSer2netInBothForms)
{
    std::string slave;
    auto sim = startSim({"--baud", "4800", "--address", "37"}, &slave);
    ASSERT_FALSE(slave.empty());
    Ser2net::Options options;
    options.connectorSettings = "4800n81";
    Ser2net server(slave, options);
    const auto r = tarnctl({"send", "--port", server.rfc2217Url(), "--baud", "4800", "--address",
                            "37", "pan-to", "90", "wait", "1", "query-pan"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pan 90.00°\n");
    EXPECT_EQ(r.err, "");
    const auto raw = tarnctl({"send", "--port", server.rawUrl(), "--address", "37", "pan-to", "45",
                              "wait", "1", "query-pan"});
    EXPECT_EQ(raw.status, 0) << raw.err;
    EXPECT_EQ(raw.out, "pan 45.00°\n");
}

TEST_F(Network, ProbeFindsTheCameraAtARateItDidNotKnowOverRfc2217)
{
    std::string slave;
    auto sim = startSim({"--baud", "4800", "--address", "37"}, &slave);
    ASSERT_FALSE(slave.empty());
    Ser2net server(slave); // the device starts at 2400 baud, 7E2
    const auto r = tarnctl({"probe", "--port", server.rfc2217Url(), "--bauds", "2400,4800,9600",
                            "--addresses", "30-40"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "found address 37 at 4800 baud, pan 0.00°\n");
    EXPECT_EQ(r.err, "");
}

TEST_F(Network, ProbeOverRawTcpAsksTheAddressesOnceAtTheServersRate)
{
    std::string slave;
    auto sim = startSim({"--baud", "4800", "--address", "37"}, &slave);
    ASSERT_FALSE(slave.empty());
    Ser2net::Options options;
    options.connectorSettings = "4800n81";
    Ser2net server(slave, options);
    const std::string url = server.rawUrl();
    const std::string notice = "tarnctl: " + url +
                               " is a raw TCP line: its rate and format are set on the server "
                               "and cannot be set from here (rfc2217:// can): probing the "
                               "addresses once, at the server's rate\n";
    const auto r = tarnctl({"probe", "--port", url, "--addresses", "35-38"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "found address 37 at the server's rate, pan 0.00°\n");
    EXPECT_EQ(r.err, notice);
    const auto none = tarnctl({"probe", "--port", url, "--addresses", "1-3"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, notice + "tarnctl: no camera answered at the server's rate, addresses "
                                 "1-3 (only a camera whose reply pair is wired can answer)\n");
}

// The monitor through ser2net sees what comes in at the device, in both forms.
TEST_F(Network, MonitorShowsTheFramesOnTheFarLine)
{
    PtyPair pty;
    Ser2net::Options options;
    options.connectorSettings = "9600n81";
    Ser2net server(pty.slavePath(), options);
    for (const std::string &url : {server.rfc2217Url(), server.rawUrl()}) {
        ChildProcess monitor(TARNCTL_PATH, {"monitor", "--port", url, "--protocol", "d"});
        // ser2net opens its device once the client is in: a frame goes out until one is seen.
        const Bytes up{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
        std::optional<std::string> seen;
        for (int i = 0; i < 50 && !seen; ++i) {
            pty.write(up);
            seen = monitor.waitForLine("FF 01 00 08 00 3F 48", 100);
        }
        ASSERT_TRUE(seen) << url;
        const Bytes stop255{0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00, 0xFF};
        pty.write(stop255);
        const auto line = monitor.waitForLine("FF FF 00 00 00 00 FF", 3000);
        ASSERT_TRUE(line) << url;
        EXPECT_NE(line->find("  D  "), std::string::npos) << *line;
        monitor.signal(SIGTERM);
        EXPECT_EQ(monitor.wait(), 0) << url;
        EXPECT_EQ(monitor.errors(), "") << url;
        pty.readUntilQuiet(100);
    }
}

// tarnctl sim --listen serves the camera over raw TCP: no server in between.
TEST_F(Network, SimListenServesTheCameraOverRawTcp)
{
    std::string slave, endpoint;
    auto sim = startSim({"--baud", "4800", "--address", "37", "--listen", "0"}, &slave, &endpoint);
    ASSERT_FALSE(endpoint.empty());
    const std::string url = "tcp://" + endpoint;
    const auto r = tarnctl(
        {"send", "--port", url, "--address", "37", "pan-to", "90", "wait", "1", "query-pan"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "pan 90.00°\n");
    EXPECT_EQ(r.err, "");
    const auto probe = tarnctl({"probe", "--port", url, "--addresses", "36-37", "--first"});
    EXPECT_EQ(probe.status, 0) << probe.err;
    EXPECT_EQ(probe.out, "found address 37 at the server's rate, pan 90.00°\n");

    // One client at a time: a second is told the port is in use.
    ChildProcess holder(TARNCTL_PATH, {"monitor", "--port", url});
    std::this_thread::sleep_for(300ms);
    const auto busy = tarnctl({"send", "--port", url, "--address", "37", "stop"});
    EXPECT_EQ(busy.status, 1);
    EXPECT_EQ(busy.err, "tarnctl: " + endpoint +
                            " is in use by another client (the server said \"Port already in "
                            "use\")\n");
    holder.signal(SIGTERM);
    EXPECT_EQ(holder.wait(), 0);

    // The camera's own lines show what came across the network.
    sim->signal(SIGTERM);
    std::string lines;
    while (auto line = sim->readLine(5000))
        lines += *line + '\n';
    EXPECT_EQ(sim->wait(), 0);
    EXPECT_NE(lines.find("FF 25 00 51 00 00 76"), std::string::npos) << lines;
    EXPECT_NE(sim->errors().find("refused a second client from 127.0.0.1:"), std::string::npos);
}

TEST_F(Network, SimListenRefusesABadAddress)
{
    expectRefused({
        {{"sim", "--listen", "70000"}, "invalid listen address '70000'"},
        {{"sim", "--listen", "::1:4001"}, "an IPv6 address goes in brackets"},
        {{"sim", "--listen", "[::1]"}, "the port number is missing"},
        {{"sim", "--listen", ":4001"}, "the host is missing"},
    });
}

// A malformed network name is a bad command line, in the line layer's words.
TEST_F(Network, AMalformedNetworkPortIsABadCommandLine)
{
    expectRefused({
        {{"send", "--port", "tcp://gate-pi", "stop"},
         "tcp://gate-pi is not a network port: the port number is missing"},
        {{"probe", "--port", "rfc2217://::1:2000"}, "an IPv6 address goes in brackets"},
        {{"monitor", "--port", "rfc2217://gate-pi:0"}, "rfc2217://gate-pi:0 is not a network port"},
        {{"joystick", "--port", "tcp://:4001", "--replay", "/dev/null"}, "the host is missing"},
    });
}

// A scripted RFC 2217 server on a thread of its own: it takes the option and answers every
// setting with the value asked, but the rate with 4800.
class WrongRateServer
{
public:
    WrongRateServer()
    {
        m_listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        ::bind(m_listener, reinterpret_cast<sockaddr *>(&address), size);
        ::listen(m_listener, 4);
        ::getsockname(m_listener, reinterpret_cast<sockaddr *>(&address), &size);
        m_port = ntohs(address.sin_port);
        m_thread = std::thread([this] { serve(); });
    }
    ~WrongRateServer()
    {
        m_done = true;
        ::shutdown(m_listener, SHUT_RDWR);
        m_thread.join();
        ::close(m_listener);
    }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(m_port); }

private:
    void serve()
    {
        const int client = ::accept(m_listener, nullptr, nullptr);
        if (client < 0)
            return;
        std::string in;
        const std::string sb("\xFF\xFA\x2C", 3), se("\xFF\xF0", 2);
        bool optionTaken = false;
        const auto deadline = Clock::now() + 5s;
        while (!m_done && Clock::now() < deadline) {
            char chunk[256];
            const ssize_t n = ::recv(client, chunk, sizeof chunk, 0);
            if (n <= 0)
                break;
            in.append(chunk, std::size_t(n));
            std::string reply;
            if (!optionTaken && in.find("\xFF\xFB\x2C") != std::string::npos) {
                reply += "\xFF\xFD\x2C";
                optionTaken = true;
            }
            for (std::size_t i = in.find(sb); i != std::string::npos; i = in.find(sb)) {
                const std::size_t end = in.find(se, i);
                if (end == std::string::npos)
                    break;
                std::string request = in.substr(i + 3, end - i - 3);
                in.erase(0, end + 2);
                std::string value = request.substr(1);
                if (request[0] == 1)
                    value = std::string("\x00\x00\x12\xC0", 4); // 4800
                reply += sb + char(request[0] + 100) + value + se;
            }
            ::send(client, reply.data(), reply.size(), MSG_NOSIGNAL);
        }
        ::close(client);
    }

    int m_listener = -1;
    std::uint16_t m_port = 0;
    std::atomic<bool> m_done{false};
    std::thread m_thread;
};

// Each failure: exit status 1, nothing on standard output, one line on standard error.
TEST_F(Network, EachFailureIsOneLineAndStatusOne)
{
    struct Row
    {
        std::vector<std::string> args;
        std::string err;
    };
    const std::uint16_t closed = freeLoopbackPort();
    const std::string refused = "127.0.0.1:" + std::to_string(closed);
    PtyPair pty;
    Ser2net server(pty.slavePath());
    const std::string telnet = "127.0.0.1:" + std::to_string(server.telnetPort());
    WrongRateServer wrongRate;
    const std::vector<Row> rows{
        {{"send", "--port", "rfc2217://gate-pi.invalid:2000", "stop"},
         "tarnctl: gate-pi.invalid:2000: no such host (the name does not resolve)\n"},
        {{"send", "--port", "tcp://" + refused, "stop"},
         "tarnctl: " + refused +
             " refused the connection (is ser2net running, and is this its port?)\n"},
        {{"probe", "--port", "rfc2217://" + refused},
         "tarnctl: " + refused +
             " refused the connection (is ser2net running, and is this its port?)\n"},
        {{"monitor", "--port", "rfc2217://" + refused},
         "tarnctl: " + refused +
             " refused the connection (is ser2net running, and is this its port?)\n"},
        {{"send", "--port", "rfc2217://" + telnet, "stop"},
         "tarnctl: " + telnet + " is not an RFC 2217 server (it refused COM-PORT-OPTION)\n"},
        {{"send", "--port", "rfc2217://" + wrongRate.endpoint(), "--baud", "9600", "stop"},
         "tarnctl: " + wrongRate.endpoint() + " set 4800 baud when 9600 was asked\n"},
    };
    for (const Row &row : rows) {
        const auto r = tarnctl(row.args);
        EXPECT_EQ(r.status, 1) << row.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(r.err, row.err);
    }
}

TEST_F(Network, AServerThatDoesNotAnswerEndsTheCommandWithinSeconds)
{
    // Listens and never accepts: the kernel completes the connection, and nothing answers.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), size), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size), 0);
    const std::string endpoint = "127.0.0.1:" + std::to_string(ntohs(address.sin_port));
    const auto start = Clock::now();
    const auto r = tarnctl({"probe", "--port", "rfc2217://" + endpoint});
    EXPECT_LT(Clock::now() - start, 8s);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "tarnctl: " + endpoint + " did not answer within 5 s\n");
    ::close(listener);
}

// A port another client holds (kickolduser off) is told apart from a refused connection.
TEST_F(Network, APortInUseOnTheServerIsToldAsSuch)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    for (const std::string &url : {server.rfc2217Url(), server.rawUrl()}) {
        ChildProcess holder(TARNCTL_PATH, {"monitor", "--port", url});
        std::this_thread::sleep_for(300ms);
        const auto r = tarnctl({"send", "--port", url, "stop"});
        EXPECT_EQ(r.status, 1) << url;
        EXPECT_EQ(r.err, "tarnctl: " + endpointOf(url) +
                             " is in use by another client (the server said \"Port already in "
                             "use\")\n");
        holder.signal(SIGTERM);
        EXPECT_EQ(holder.wait(), 0) << url;
    }
}

// The connection drops while send runs: the next frame says so, and the stop that follows a
// moving camera is tried and reported as not sent.
TEST_F(Network, AConnectionThatDropsFailsTheNextFrame)
{
    PtyPair pty;
    Ser2net::Options options;
    options.connectorSettings = "9600n81";
    auto server = std::make_unique<Ser2net>(pty.slavePath(), options);
    const std::string url = server->rfc2217Url();
    ChildProcess send(TARNCTL_PATH, {"send", "--port", url, "right", "20", "wait", "1.5", "stop"});
    EXPECT_EQ(pty.read(7), (Bytes{0xFF, 0x01, 0x00, 0x02, 0x14, 0x00, 0x17}));
    server->stop();
    EXPECT_EQ(send.wait(10000), 1);
    const std::string endpoint = endpointOf(url);
    EXPECT_EQ(send.errors(), "tarnctl: " + endpoint +
                                 " closed the connection\n"
                                 "tarnctl: could not send stop to address 1, which may still be "
                                 "moving: " +
                                 endpoint + " closed the connection\n");

    // The monitor is told at once.
    server = std::make_unique<Ser2net>(pty.slavePath(), options);
    ChildProcess monitor(TARNCTL_PATH, {"monitor", "--port", server->rawUrl()});
    std::this_thread::sleep_for(300ms);
    server->stop();
    EXPECT_EQ(monitor.wait(5000), 1);
    EXPECT_EQ(monitor.errors(),
              "tarnctl: lost " + server->rawUrl() + ": the server closed the connection\n");
}

} // namespace

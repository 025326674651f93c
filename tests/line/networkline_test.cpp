// Network lines against the real ser2net, its device a pseudo-terminal: what the client sends
// is read at the pty's master, and the pty's settings are what the server made of the client's
// requests.
#include "eventwait.h"
#include "lineforname.h"
#include "ptypair.h"
#include "rfc2217line.h"
#include "runprocess.h"
#include "ser2net.h"
#include "tcpline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTcpServer>
#include <QTcpSocket>
#include <QThread>
#include <QTimer>

#include <optional>

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using lines::Framing;
using lines::Line;
using lines::LineError;
using lines::Rfc2217Line;
using lines::TcpLine;
using namespace std::chrono_literals;

std::string raised(const std::function<void()> &f)
{
    return raisedText<LineError>(f);
}

QString q(const std::string &s)
{
    return QString::fromStdString(s);
}

// Reads from the line until n bytes came.
Bytes readLine(Line &line, std::size_t n)
{
    Bytes got;
    processUntil([&] {
        const QByteArray b = line.read();
        got.insert(got.end(), b.begin(), b.end());
        return got.size() >= n;
    });
    return got;
}

const Bytes upFrame{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
const Bytes allFF(7, 0xFF);

TEST(NetworkLine, BothKindsCarryFramesBothWaysIntactWith255s)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    for (const std::string &url : {server.rawUrl(), server.rfc2217Url()}) {
        SCOPED_TRACE(url);
        const std::unique_ptr<Line> line = lines::makeLine(q(url));
        line->open(q(url), 9600, Framing{});
        ASSERT_TRUE(line->isOpen());
        int ready = 0;
        QObject::connect(line.get(), &Line::readyRead, [&] { ++ready; });
        for (const Bytes &frame : {upFrame, allFF, Bytes{0xFF, 0xFF, 0x00, 0xFF, 0xF0, 0xFA}}) {
            // Handed over before write returns: the far end reads it with no event loop run.
            line->write(frame);
            EXPECT_EQ(pty.read(frame.size(), 2000), frame);
            ASSERT_TRUE(pty.write(frame));
            EXPECT_EQ(readLine(*line, frame.size()), frame);
        }
        EXPECT_GT(ready, 0);
        EXPECT_EQ(pty.readUntilQuiet(100), Bytes{}); // nothing else reached the line
        line->close();
        EXPECT_FALSE(line->isOpen());
        QThread::msleep(50); // ser2net lets the device go
    }
}

// Closed right after its last write, a line still gets the frame to the far port: ser2net drops
// what it has not written yet when the client goes at once, or resets.
TEST(NetworkLine, TheLastFrameBeforeCloseReachesTheLine)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    for (const std::string &url : {server.rawUrl(), server.rfc2217Url()}) {
        SCOPED_TRACE(url);
        for (int round = 0; round < 5; ++round) {
            const std::unique_ptr<Line> line = lines::makeLine(q(url));
            line->open(q(url), 9600, Framing{});
            line->write(upFrame);
            line->close();
            EXPECT_EQ(pty.read(upFrame.size(), 1000), upFrame) << "round " << round;
            QThread::msleep(20); // ser2net lets the device go
        }
    }
}

// What a pseudo-terminal keeps of a line's framing: stop bits and flow control (it always reads
// 8 data bits and no parity).
bool oneStopBitWithoutFlowControl(const termios &t)
{
    return !(t.c_cflag & CSTOPB) && !(t.c_cflag & CRTSCTS) && !(t.c_iflag & (IXON | IXOFF));
}

TEST(Rfc2217Line, OpenSetsRateAndFramingAndARateChangeReachesThePtyAtOnce)
{
    PtyPair pty;
    Ser2net server(pty.slavePath()); // the device starts at 2400 baud, 7E2, both flow controls
    Rfc2217Line line;
    line.open(q(server.rfc2217Url()), 4800, Framing{});
    // The server's answers came before open returned, so the pty is set already.
    EXPECT_EQ(pty.slaveBaudRate(), 4800);
    EXPECT_TRUE(oneStopBitWithoutFlowControl(pty.slaveTermios()));
    for (int rate : {19200, 9600, 2400, 115200}) {
        line.configure(rate, Framing{});
        EXPECT_EQ(pty.slaveBaudRate(), rate);
    }
    Framing twoStopsRtsCts;
    twoStopsRtsCts.stopBits = Framing::StopBits::Two;
    twoStopsRtsCts.flowControl = Framing::FlowControl::RtsCts;
    line.configure(9600, twoStopsRtsCts);
    EXPECT_EQ(pty.slaveTermios().c_cflag & (CSTOPB | CRTSCTS), tcflag_t(CSTOPB | CRTSCTS));
    line.configure(9600, Framing{});
    EXPECT_TRUE(oneStopBitWithoutFlowControl(pty.slaveTermios()));
    line.write(upFrame);
    EXPECT_EQ(pty.read(7), upFrame);
}

TEST(Rfc2217Line, WorksOverIPv6)
{
    PtyPair pty;
    Ser2net::Options options;
    options.ipv6 = true;
    Ser2net server(pty.slavePath(), options);
    ASSERT_EQ(server.rfc2217Url().rfind("rfc2217://[::1]:", 0), 0u);
    Rfc2217Line line;
    line.open(q(server.rfc2217Url()), 19200, Framing{});
    EXPECT_EQ(pty.slaveBaudRate(), 19200);
    line.write(allFF);
    EXPECT_EQ(pty.read(7), allFF);
}

// pyserial's RFC 2217 server (python3-serial) in front of a device, for one client: a second,
// independent server.
class PyserialServer
{
public:
    explicit PyserialServer(const std::string &device)
    {
        m_child = spawnProcess("/usr/bin/python3", {TARN_PYSERIAL_RFC2217_SERVER, device});
        std::string port;
        char c = 0;
        while (m_child.out >= 0 && ::read(m_child.out, &c, 1) == 1 && c != '\n')
            port += c;
        m_port = std::atoi(port.c_str());
    }
    ~PyserialServer()
    {
        if (m_child.pid > 0) {
            ::kill(m_child.pid, SIGTERM);
            waitpid(m_child.pid, nullptr, 0);
        }
        for (const int fd : {m_child.out, m_child.err})
            if (fd >= 0)
                ::close(fd);
    }
    int port() const { return m_port; }

private:
    SpawnedProcess m_child;
    int m_port = 0;
};

TEST(Rfc2217Line, PyserialsServerAgrees)
{
    PtyPair pty;
    PyserialServer server(pty.slavePath());
    ASSERT_GT(server.port(), 0);
    Rfc2217Line line;
    line.open(QStringLiteral("rfc2217://127.0.0.1:%1").arg(server.port()), 19200, Framing{});
    EXPECT_EQ(pty.slaveBaudRate(), 19200);
    EXPECT_TRUE(oneStopBitWithoutFlowControl(pty.slaveTermios()));
    line.configure(4800, Framing{});
    EXPECT_EQ(pty.slaveBaudRate(), 4800);
    for (const Bytes &frame : {upFrame, allFF}) {
        line.write(frame);
        EXPECT_EQ(pty.read(frame.size(), 2000), frame);
        ASSERT_TRUE(pty.write(frame));
        EXPECT_EQ(readLine(line, frame.size()), frame);
    }
}

TEST(NetworkLine, ANameThatDoesNotResolveAndARefusedConnectionAreToldApart)
{
    Rfc2217Line line;
    EXPECT_EQ(raised([&] { line.open("rfc2217://gate-pi.invalid:2000", 9600, Framing{}); }),
              "gate-pi.invalid:2000: no such host (the name does not resolve)");
    EXPECT_FALSE(line.isOpen());
    const std::uint16_t port = freeLoopbackPort();
    for (const char *scheme : {"tcp://", "rfc2217://"}) {
        const QString url = scheme + QStringLiteral("127.0.0.1:%1").arg(port);
        const std::unique_ptr<Line> l = lines::makeLine(url);
        EXPECT_EQ(raised([&] { l->open(url, 9600, Framing{}); }),
                  "127.0.0.1:" + std::to_string(port) +
                      " refused the connection (is ser2net running, and is this its port?)");
        EXPECT_FALSE(l->isOpen());
    }
}

TEST(Rfc2217Line, AServerThatDoesNotAnswerEndsTheOpenInTimeWhileTheLoopRuns)
{
    // A socket that listens and never accepts: the kernel completes the connection, and no
    // answer ever comes.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr *>(&address), size), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr *>(&address), &size), 0);
    const QString endpoint = QStringLiteral("127.0.0.1:%1").arg(ntohs(address.sin_port));

    Rfc2217Line line;
    line.setAnswerTimeout(800ms);
    int ticks = 0;
    QTimer ticker;
    QObject::connect(&ticker, &QTimer::timeout, [&] { ++ticks; });
    ticker.start(50);
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(raised([&] { line.open("rfc2217://" + endpoint, 9600, Framing{}); }),
              (endpoint + " did not answer within 0.8 s").toStdString());
    EXPECT_GE(timer.elapsed(), 750);
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_GE(ticks, 5); // the event loop ran while the open waited
    EXPECT_FALSE(line.isOpen());
    EXPECT_EQ(line.answerTimeout(), 800ms);
    EXPECT_EQ(Rfc2217Line().answerTimeout(), 5000ms);

    // close() from the loop (the window closing) ends the wait at once.
    QTimer::singleShot(100, &line, [&] { line.close(); });
    line.setAnswerTimeout(5s);
    timer.restart();
    EXPECT_EQ(raised([&] { line.open("rfc2217://" + endpoint, 9600, Framing{}); }),
              ("The opening of " + endpoint + " was cancelled").toStdString());
    EXPECT_LT(timer.elapsed(), 2000);
    ::close(listener);
}

TEST(Rfc2217Line, APlainTelnetServerIsNoRfc2217Server)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    Rfc2217Line line;
    const std::string endpoint = "127.0.0.1:" + std::to_string(server.telnetPort());
    EXPECT_EQ(raised([&] { line.open(q("rfc2217://" + endpoint), 9600, Framing{}); }),
              endpoint + " is not an RFC 2217 server (it refused COM-PORT-OPTION)");
    EXPECT_FALSE(line.isOpen());
}

// A scripted RFC 2217 server: it takes the option and answers each setting with the value asked,
// but the rate with its own when one is given, and it says nothing at all until the first
// `holdUntil` requests are all in.
class ScriptedServer
{
public:
    explicit ScriptedServer(std::optional<std::uint32_t> rate, int holdUntil = 1)
        : m_rate(rate), m_holdUntil(holdUntil)
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
        });
    }
    QString url() const
    {
        return QStringLiteral("rfc2217://127.0.0.1:%1").arg(m_server.serverPort());
    }
    QString endpoint() const { return QStringLiteral("127.0.0.1:%1").arg(m_server.serverPort()); }

private:
    void answer(QTcpSocket *s)
    {
        m_pending += s->readAll();
        // The complete requests IAC SB 44 <command> <value> IAC SE (no value here holds a 255).
        std::vector<QByteArray> requests;
        qsizetype end = 0;
        for (qsizetype i = m_pending.indexOf("\xFF\xFA\x2C"); i >= 0;
             i = m_pending.indexOf("\xFF\xFA\x2C", end)) {
            const qsizetype se = m_pending.indexOf("\xFF\xF0", i);
            if (se < 0)
                break;
            requests.push_back(m_pending.mid(i + 3, se - i - 3));
            end = se + 2;
        }
        if (int(requests.size()) < m_holdUntil)
            return;
        m_holdUntil = 1;
        QByteArray reply;
        if (m_pending.contains(QByteArray("\xFF\xFB\x2C", 3)))
            reply += QByteArray("\xFF\xFD\x2C", 3);
        m_pending.remove(0, end);
        for (const QByteArray &request : requests) {
            QByteArray value = request.mid(1);
            if (request[0] == 1 && m_rate) {
                value.clear();
                for (int shift = 24; shift >= 0; shift -= 8)
                    value += char(*m_rate >> shift);
            }
            reply += QByteArray("\xFF\xFA\x2C", 3) + char(request[0] + 100) + value +
                     QByteArray("\xFF\xF0", 2);
        }
        s->write(reply);
    }

    std::optional<std::uint32_t> m_rate;
    int m_holdUntil;
    QByteArray m_pending;
    QTcpServer m_server;
};

TEST(Rfc2217Line, OpenSendsTheOptionAndEverySettingBeforeAnyAnswer)
{
    // Were the settings sent only after the server's DO COM-PORT-OPTION, this open would wait
    // for ever: the server says nothing until all five are in.
    ScriptedServer server(std::nullopt, 5);
    Rfc2217Line line;
    line.setAnswerTimeout(2s);
    line.open(server.url(), 9600, Framing{});
    EXPECT_TRUE(line.isOpen());
    line.configure(4800, Framing{});
}

TEST(Rfc2217Line, AServerThatSetsAnotherRateNamesBoth)
{
    ScriptedServer server(4800);
    Rfc2217Line line;
    EXPECT_EQ(raised([&] { line.open(server.url(), 9600, Framing{}); }),
              (server.endpoint() + " set 4800 baud when 9600 was asked").toStdString());
    EXPECT_FALSE(line.isOpen());
    line.open(server.url(), 4800, Framing{});
    EXPECT_EQ(raised([&] { line.configure(19200, Framing{}); }),
              (server.endpoint() + " set 4800 baud when 19200 was asked").toStdString());
    EXPECT_TRUE(line.isOpen());
}

TEST(NetworkLine, AConnectionThatDropsIsLostAndTheNextFrameSaysSo)
{
    for (const bool loopRuns : {true, false}) {
        for (const bool rfc2217 : {false, true}) {
            SCOPED_TRACE(std::string(rfc2217 ? "rfc2217" : "raw") +
                         (loopRuns ? ", the loop runs" : ", no loop runs"));
            PtyPair pty;
            Ser2net server(pty.slavePath());
            const QString url = q(rfc2217 ? server.rfc2217Url() : server.rawUrl());
            const QString endpoint = url.mid(url.indexOf("//") + 2);
            const std::unique_ptr<Line> line = lines::makeLine(url);
            line->open(url, 9600, Framing{});
            QString why;
            QObject::connect(line.get(), &Line::lost, [&](const QString &w) { why = w; });
            server.stop();
            if (loopRuns) {
                ASSERT_TRUE(processUntil([&] { return !why.isEmpty(); }));
                EXPECT_EQ(why, "the server closed the connection");
            } else {
                QThread::msleep(200); // the close reaches our socket, unseen by Qt
            }
            EXPECT_TRUE(line->isOpen());
            EXPECT_EQ(raised([&] { line->write(upFrame); }),
                      (endpoint + " closed the connection").toStdString());
            processUntil([&] { return !why.isEmpty(); }, 1000);
            EXPECT_EQ(why, "the server closed the connection");
            EXPECT_EQ(raised([&] { line->write(upFrame); }),
                      (endpoint + " closed the connection").toStdString());
            line->close();
            EXPECT_FALSE(line->isOpen());
        }
    }
}

TEST(NetworkLine, APortInUseIsToldApartFromARefusal)
{
    PtyPair pty;
    Ser2net server(pty.slavePath()); // kickolduser off
    const std::string rfcEndpoint = "127.0.0.1:" + std::to_string(server.rfc2217Port());
    Rfc2217Line first;
    first.open(q(server.rfc2217Url()), 9600, Framing{});

    Rfc2217Line second;
    EXPECT_EQ(raised([&] { second.open(q(server.rfc2217Url()), 9600, Framing{}); }),
              rfcEndpoint +
                  " is in use by another client (the server said \"Port already in use\")");
    EXPECT_FALSE(second.isOpen());

    // A raw line connects before the server can say anything: the next frame tells.
    TcpLine raw;
    raw.open(q(server.rawUrl()), 9600, Framing{});
    QString why;
    QObject::connect(&raw, &Line::lost, [&](const QString &w) { why = w; });
    ASSERT_TRUE(processUntil([&] { return !why.isEmpty(); }));
    EXPECT_EQ(why, "the port is in use by another client");
    EXPECT_EQ(raw.bytesAvailable(), 0); // the server's text is no data
    EXPECT_EQ(
        raised([&] { raw.write(upFrame); }),
        "127.0.0.1:" + std::to_string(server.rawPort()) +
            " is in use by another client (the server said \"Port's device already in use\")");

    // The first line is unharmed.
    first.write(upFrame);
    EXPECT_EQ(pty.read(7), upFrame);
}

TEST(NetworkLine, WithKickOldUserTheNewClientTakesThePort)
{
    PtyPair pty;
    Ser2net::Options options;
    options.kickOldUser = true;
    Ser2net server(pty.slavePath(), options);
    Rfc2217Line first;
    first.open(q(server.rfc2217Url()), 9600, Framing{});
    QString why;
    QObject::connect(&first, &Line::lost, [&](const QString &w) { why = w; });
    Rfc2217Line second;
    second.open(q(server.rfc2217Url()), 4800, Framing{});
    EXPECT_EQ(pty.slaveBaudRate(), 4800);
    ASSERT_TRUE(processUntil([&] { return !why.isEmpty(); }));
    EXPECT_EQ(why, "the server closed the connection");
    second.write(upFrame);
    EXPECT_EQ(pty.read(7), upFrame);
}

TEST(NetworkLine, DiscardDropsWhatWaitsAndTheReadBoundHoldsTheRest)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    Rfc2217Line line;
    line.open(q(server.rfc2217Url()), 9600, Framing{});
    ASSERT_TRUE(pty.write(allFF));
    ASSERT_TRUE(processUntil([&] { return line.bytesAvailable() == 7; }));
    line.discard(Line::Direction::Input);
    EXPECT_EQ(line.bytesAvailable(), 0);

    line.setReadBufferSize(4);
    ASSERT_TRUE(pty.write(upFrame));
    processUntil([&] { return line.bytesAvailable() >= 4; });
    ASSERT_EQ(line.bytesAvailable(), 4);
    processUntil([] { return false; }, 100);
    EXPECT_EQ(line.bytesAvailable(), 4);
    EXPECT_EQ(readLine(line, 7), upFrame);
}

TEST(NetworkLine, ANetworkLineIsNotOpenBeforeOpenNorTwice)
{
    PtyPair pty;
    Ser2net server(pty.slavePath());
    TcpLine line;
    EXPECT_EQ(raised([&] { line.write(upFrame); }), "The line is not open");
    line.open(q(server.rawUrl()), 9600, Framing{});
    EXPECT_EQ(line.displayName(), q(server.rawUrl()));
    EXPECT_EQ(line.device(), q(server.rawUrl()));
    EXPECT_EQ(raised([&] { line.open(q(server.rawUrl()), 9600, Framing{}); }),
              server.rawUrl() + " is already open");
    line.write(upFrame); // the server has its device open once the frame is through
    EXPECT_EQ(pty.read(7), upFrame);
    line.configure(4800, Framing{}); // the server's rate: nothing to do, nothing raised
    EXPECT_EQ(pty.slaveBaudRate(), 2400);
}

} // namespace

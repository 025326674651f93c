// The panel on network lines: the real serial control, with ports whose devices are rfc2217://
// URLs (as links in a ports directory make them), behind a real ser2net on a pseudo-terminal.
// Each failure ends in the panel's message box with the line's text, and nothing is left open.
#include "paneltestsupport.h"

#include "hex.h"
#include "ptypair.h"
#include "ptzcontroldlg.h"
#include "resource.h"
#include "ser2net.h"
#include "serialcontrol.h"

#include <QComboBox>
#include <QElapsedTimer>
#include <QPaintEvent>
#include <QTcpServer>
#include <QTcpSocket>

#include <arpa/inet.h>
#include <map>
#include <netinet/in.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>

namespace {

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    return pelco::toHex(bytes.data(), bytes.size());
}

// A socket that listens and never accepts: the kernel completes the connection, and no answer
// ever comes.
class SilentServer
{
public:
    SilentServer()
    {
        m_fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        EXPECT_EQ(::bind(m_fd, reinterpret_cast<sockaddr *>(&address), size), 0);
        EXPECT_EQ(::listen(m_fd, 4), 0);
        EXPECT_EQ(::getsockname(m_fd, reinterpret_cast<sockaddr *>(&address), &size), 0);
        m_port = ntohs(address.sin_port);
    }
    ~SilentServer() { ::close(m_fd); }
    std::uint16_t port() const { return m_port; }

private:
    int m_fd = -1;
    std::uint16_t m_port = 0;
};

// An RFC 2217 server that takes the option and answers every setting with the value asked, but
// the rate always with 4800.
class FixedRateServer
{
public:
    FixedRateServer()
    {
        m_server.listen(QHostAddress::LocalHost);
        QObject::connect(&m_server, &QTcpServer::newConnection, [this] {
            QTcpSocket *s = m_server.nextPendingConnection();
            QObject::connect(s, &QTcpSocket::readyRead, s, [this, s] { answer(s); });
        });
    }
    std::string endpoint() const { return "127.0.0.1:" + std::to_string(m_server.serverPort()); }

private:
    void answer(QTcpSocket *s)
    {
        m_pending += s->readAll();
        QByteArray reply;
        if (m_pending.contains(QByteArray("\xFF\xFB\x2C", 3)) && !m_agreed) {
            reply += QByteArray("\xFF\xFD\x2C", 3);
            m_agreed = true;
        }
        // Complete requests IAC SB 44 <command> <value> IAC SE (no value here holds a 255).
        for (qsizetype i = m_pending.indexOf("\xFF\xFA\x2C"); i >= 0;
             i = m_pending.indexOf("\xFF\xFA\x2C")) {
            const qsizetype se = m_pending.indexOf("\xFF\xF0", i);
            if (se < 0)
                break;
            const QByteArray request = m_pending.mid(i + 3, se - i - 3);
            m_pending.remove(0, se + 2);
            const QByteArray value =
                request[0] == 1 ? QByteArray("\x00\x00\x12\xC0", 4) : request.mid(1); // 4800
            reply += QByteArray("\xFF\xFA\x2C", 3) + char(request[0] + 100) + value +
                     QByteArray("\xFF\xF0", 2);
        }
        s->write(reply);
    }

    QTcpServer m_server;
    QByteArray m_pending;
    bool m_agreed = false;
};

// Counts the panel's paints.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

class PanelNetworkTest : public PanelTest
{
protected:
    // The real control, CommPort n resolved through devices.
    void useDevices(std::map<int, std::string> devices)
    {
        m_devices = std::move(devices);
        enableControlContainer([this]() -> std::unique_ptr<CMSComm> {
            return std::make_unique<SerialControl>([this](int n) -> std::optional<QString> {
                const auto it = m_devices.find(n);
                if (it == m_devices.end())
                    return std::nullopt;
                return QString::fromStdString(it->second);
            });
        });
    }
    void choosePortAt(int index)
    {
        auto *list = item<QComboBox>(IDC_PORT_LIST);
        list->setFocus();
        list->setCurrentIndex(index - 1); // a selection by the program opens nothing
        QTest::keyClick(list, Qt::Key_Down);
        ASSERT_EQ(list->currentIndex(), index);
    }
    void pressUp()
    {
        QTest::mousePress(item(IDC_UP), Qt::LeftButton);
        QTest::mouseRelease(item(IDC_UP), Qt::LeftButton);
    }

    std::map<int, std::string> m_devices;
};

constexpr const char *upAndStop = "FF 01 00 08 00 3F 48 FF 01 00 00 00 00 01";

TEST_F(PanelNetworkTest, APortLinkedToRfc2217IsOpenedSetAndWrittenAsALocalOne)
{
    PtyPair far;   // the camera behind ser2net
    PtyPair local; // a local port beside it
    Ser2net server(far.slavePath());
    useDevices({{3, server.rfc2217Url()}, {4, local.slavePath()}});
    FakePortSource list{{"COM3 (127.0.0.1:2000)", "COM4 (pts)"}};
    panel.setPortSource(&list);
    run([&] {
        choosePortAt(0); // COM3, at the baud list's 9600
        ASSERT_TRUE(reports.empty()) << reports[0].text.toStdString();
        pressUp();
        EXPECT_EQ(hex(far.read(14)), upAndStop);
        termios tio{};
        ASSERT_EQ(tcgetattr(far.masterFd(), &tio), 0);
        EXPECT_EQ(cfgetospeed(&tio), B9600) << "the rate reached the far port";
        EXPECT_EQ(tio.c_cflag & (CSIZE | PARENB | CSTOPB), tcflag_t(CS8));

        // Another rate in the baud list reaches the far port.
        auto *baud = item<QComboBox>(IDC_BAUD_LIST);
        baud->setFocus();
        QTest::keyClick(baud, Qt::Key_Down);
        ASSERT_EQ(baud->currentText(), "19200");
        ASSERT_TRUE(reports.empty()) << reports[0].text.toStdString();
        ASSERT_EQ(tcgetattr(far.masterFd(), &tio), 0);
        EXPECT_EQ(cfgetospeed(&tio), B19200);
        pressUp();
        EXPECT_EQ(hex(far.read(14)), upAndStop);

        // The local port after the network one, and back.
        choosePortAt(1);
        ASSERT_TRUE(reports.empty()) << reports[0].text.toStdString();
        pressUp();
        EXPECT_EQ(hex(local.read(14)), upAndStop);
        EXPECT_EQ(hex(far.readUntilQuiet(100)), "");
        choosePortAt(0);
        ASSERT_TRUE(reports.empty()) << reports[0].text.toStdString();
        pressUp();
        EXPECT_EQ(hex(far.read(14)), upAndStop);

        // The connection drops while open: the next frame says so, in the message box.
        server.stop();
        QTest::qWait(200);
        pressUp();
        // The press path reports once the event has reached the button.
        (void)QTest::qWaitFor([&] { return !reports.empty(); }, 5000);
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text.toStdString(),
                  "127.0.0.1:" + std::to_string(server.rfc2217Port()) + " closed the connection");
        EXPECT_EQ(reports[0].owner, &panel);
        EXPECT_TRUE(panel.isVisible());
    });
}

TEST_F(PanelNetworkTest, EachFailureToOpenEndsInTheMessageBoxWithItsText)
{
    PtyPair far;
    Ser2net server(far.slavePath());
    const std::uint16_t refusing = freeLoopbackPort();
    FixedRateServer fixedRate;
    useDevices({{1, "rfc2217://gate-pi.invalid:2000"},
                {2, "rfc2217://127.0.0.1:" + std::to_string(refusing)},
                {3, "rfc2217://127.0.0.1:" + std::to_string(server.telnetPort())},
                {4, "rfc2217://" + fixedRate.endpoint()}});
    FakePortSource list{
        {"COM1 (gate-pi.invalid)", "COM2 (refused)", "COM3 (telnet)", "COM4 (fixed rate)"}};
    panel.setPortSource(&list);
    const std::string expected[] = {
        "gate-pi.invalid:2000: no such host (the name does not resolve)",
        "127.0.0.1:" + std::to_string(refusing) +
            " refused the connection (is ser2net running, and is this its port?)",
        "127.0.0.1:" + std::to_string(server.telnetPort()) +
            " is not an RFC 2217 server (it refused COM-PORT-OPTION)",
        fixedRate.endpoint() + " set 4800 baud when 9600 was asked",
    };
    run([&] {
        for (int i = 0; i < 4; ++i) {
            SCOPED_TRACE(i);
            reports.clear();
            choosePortAt(i);
            ASSERT_EQ(reports.size(), 1u);
            EXPECT_EQ(reports[0].text.toStdString(), expected[i]);
            EXPECT_EQ(reports[0].owner, &panel);
            pressUp(); // a closed port sends nothing and says nothing
            EXPECT_EQ(reports.size(), 1u);
        }
        EXPECT_TRUE(panel.isVisible());
    });
    EXPECT_EQ(hex(far.readUntilQuiet(100)), "");
}

TEST_F(PanelNetworkTest, AServerThatNeverAnswersEndsTheOpenInTimeAndTheWindowRepaints)
{
    SilentServer silent;
    const std::string endpoint = "127.0.0.1:" + std::to_string(silent.port());
    useDevices({{5, "rfc2217://" + endpoint}});
    FakePortSource list{{"COM5 (" + endpoint + ")"}};
    panel.setPortSource(&list);
    PaintCounter counter;
    run([&] {
        panel.installEventFilter(&counter);
        // Something asks for a repaint while the open waits, as an uncovered window does.
        QTimer repaints;
        QObject::connect(&repaints, &QTimer::timeout, &panel, [&] { panel.update(); });
        repaints.start(100);
        QElapsedTimer timer;
        timer.start();
        choosePortAt(0);
        const qint64 waited = timer.elapsed();
        repaints.stop();
        panel.removeEventFilter(&counter);
        EXPECT_GE(waited, 4900);
        EXPECT_LT(waited, 7000);
        EXPECT_GE(counter.paints, 10) << "the window did not repaint while the open waited";
        ASSERT_EQ(reports.size(), 1u);
        EXPECT_EQ(reports[0].text.toStdString(), endpoint + " did not answer within 5 s");
        EXPECT_TRUE(panel.isVisible());
    });
}

// The close box while the open waits: the wait ends at once, the panel ends, and no message box
// tells of an open that the operator's own close cut short.
TEST_F(PanelNetworkTest, ClosingThePanelWhileTheOpenWaitsEndsBoth)
{
    SilentServer silent;
    const std::string endpoint = "127.0.0.1:" + std::to_string(silent.port());
    useDevices({{5, "rfc2217://" + endpoint}});
    FakePortSource list{{"COM5 (" + endpoint + ")"}};
    panel.setPortSource(&list);
    QElapsedTimer timer;
    const int result = run([&] {
        QTimer::singleShot(300, &panel, [&] { panel.close(); });
        timer.start();
        choosePortAt(0);
    });
    EXPECT_LT(timer.elapsed(), 2000);
    EXPECT_EQ(result, IDCANCEL);
    EXPECT_TRUE(reports.empty()) << reports[0].text.toStdString();
}

} // namespace

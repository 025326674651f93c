// The virtual camera's port and the system's serial ports: a camera never takes a number that a
// system port holds, since the system port would move to another number while the camera runs.
#include "simport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <unistd.h>

namespace {

class SimPort : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_runtime.isValid());
        m_oldRuntime = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", m_runtime.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", m_oldRuntime); }

    QString ports() const { return m_runtime.path() + "/tarn/ports"; }
    QString link(int n) const { return ports() + "/COM" + QString::number(n); }

    // The error a port with these arguments is refused with, or "" if it is made.
    std::string refusal(std::optional<int> number, const QStringList &system)
    {
        try {
            VirtualPort port(ports(), number, 9600, system);
        } catch (const VirtualPort::Error &error) {
            return error.what();
        }
        return {};
    }

    QTemporaryDir m_runtime;
    QByteArray m_oldRuntime;
};

TEST_F(SimPort, RefusesANumberASystemPortHoldsNow)
{
    const QStringList system = {"/dev/ttyUSB0", "/dev/ttyS0"}; // COM1 ttyS0, COM2 ttyUSB0
    EXPECT_EQ(refusal(1, system), "COM1 is taken by the system's serial port /dev/ttyS0");
    EXPECT_EQ(refusal(2, system), "COM2 is taken by the system's serial port /dev/ttyUSB0");
    EXPECT_FALSE(QFileInfo(link(1)).isSymLink());
    EXPECT_FALSE(QFileInfo(link(2)).isSymLink());
    // The next number is nobody's.
    VirtualPort port(ports(), 3, 9600, system);
    EXPECT_EQ(port.number(), 3);
    EXPECT_TRUE(QFileInfo(link(3)).isSymLink());
}

TEST_F(SimPort, TheSystemPortsAreNumberedAroundTheLinksAsTheyStand)
{
    // A link left by a camera that was killed holds COM1, so the system's port is COM2 now:
    // replacing the stale link moves nothing, taking COM2 would.
    ASSERT_TRUE(QDir().mkpath(ports()));
    for (const QString &folder : {m_runtime.path() + "/tarn", ports()})
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ASSERT_TRUE(QFile::link("/dev/tarn-camera-that-was-killed", link(1)));
    const QStringList system = {"/dev/ttyS0"};
    EXPECT_EQ(refusal(2, system), "COM2 is taken by the system's serial port /dev/ttyS0");
    VirtualPort port(ports(), 1, 9600, system);
    EXPECT_EQ(port.number(), 1);
    EXPECT_EQ(QFile::symLinkTarget(link(1)), QString::fromStdString(port.slavePath()));
}

TEST_F(SimPort, TheDefaultPickSkipsTheNumbersSystemPortsHold)
{
    struct Row
    {
        int systemPorts;
        int expected;
    };
    for (const Row &row : {Row{0, 9}, Row{8, 9}, Row{9, 10}, Row{12, 13}}) {
        QStringList system;
        for (int i = 0; i < row.systemPorts; ++i)
            system << QStringLiteral("/dev/ttyS%1").arg(i);
        VirtualPort port(ports(), std::nullopt, 9600, system);
        EXPECT_EQ(port.number(), row.expected) << row.systemPorts << " system ports";
    }
}

} // namespace

namespace {

// Pins in the configuration folder's ports directory, and network links in the session's:
// the camera's default pick goes around both, and an asked number they hold is refused.
TEST_F(SimPort, PinsAndNetworkLinksKeepTheirNumbers)
{
    QTemporaryDir config;
    const QString pins = config.path() + "/tarn/ports";
    ASSERT_TRUE(QDir().mkpath(pins));
    ASSERT_TRUE(QDir().mkpath(ports()));
    ASSERT_TRUE(QFile::link("rfc2217://gate-pi:2000", pins + "/COM9"));
    ASSERT_TRUE(QFile::link("/dev/serial/by-id/usb-gone-if00", pins + "/COM10"));
    ASSERT_TRUE(QFile::link("tcp://gate-pi:2001", link(11)));

    {
        VirtualPort port(ports(), std::nullopt, 9600, {}, pins);
        EXPECT_EQ(port.number(), 12);
    }
    const auto refused = [&](int n) {
        try {
            VirtualPort port(ports(), n, 9600, {}, pins);
        } catch (const VirtualPort::Error &error) {
            return std::string(error.what());
        }
        return std::string();
    };
    EXPECT_EQ(refused(9),
              "COM9 is taken: " + pins.toStdString() + "/COM9 pins it in the configuration folder");
    EXPECT_EQ(refused(10), "COM10 is taken: " + pins.toStdString() +
                               "/COM10 pins it in the configuration folder");
    EXPECT_EQ(refused(11), "COM11 is taken: " + link(11).toStdString() +
                               " links to tcp://gate-pi:2001, a network line");
    // The session's network link is left as it was.
    char target[64] = {};
    ASSERT_GT(::readlink(QFile::encodeName(link(11)).constData(), target, sizeof target - 1), 0);
    EXPECT_STREQ(target, "tcp://gate-pi:2001");
}

} // namespace

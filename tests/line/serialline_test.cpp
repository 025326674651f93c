#include "eventwait.h"
#include "otheruser.h"
#include "ptypair.h"
#include "serialline.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace {

using Bytes = std::vector<std::uint8_t>;
using lines::Framing;
using lines::LineError;
using lines::SerialLine;

SerialLine::PortResolver to(const std::string &device)
{
    return [device](int) { return std::optional<QString>(QString::fromStdString(device)); };
}

std::string raised(const std::function<void()> &f)
{
    return raisedText<LineError>(f);
}

const Bytes upFrame{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};

TEST(SerialLine, OpensAComNameOrAPathAtItsRateAndWritesBeforeItReturns)
{
    PtyPair pty;
    for (const QString &name : {QStringLiteral("COM3"), QString::fromStdString(pty.slavePath())}) {
        SerialLine line(to(pty.slavePath()));
        line.open(name, 56000, Framing{});
        EXPECT_TRUE(line.isOpen());
        EXPECT_EQ(pty.slaveBaudRate(), 56000);
        line.write(upFrame);
        // Handed to the OS already: the far end reads it without any event loop running.
        EXPECT_EQ(pty.readAvailable(), upFrame);
        line.close();
        EXPECT_FALSE(line.isOpen());
        // A closed line keeps the settings it was given.
        EXPECT_EQ(pty.slaveBaudRate(), 56000);
    }
}

TEST(SerialLine, ReceivedBytesComeWithTheSignalAndReadTakesThem)
{
    PtyPair pty;
    SerialLine line(to(pty.slavePath()));
    line.open("COM1", 9600, Framing{});
    int ready = 0;
    QObject::connect(&line, &lines::Line::readyRead, [&] { ++ready; });
    const Bytes sent{0x11, 0x13, 0xFF, 0x00}; // XON and XOFF are data without flow control
    ASSERT_TRUE(pty.write(sent));
    ASSERT_TRUE(processUntil([&] { return line.bytesAvailable() == qint64(sent.size()); }));
    EXPECT_GE(ready, 1);
    const QByteArray got = line.read(2);
    EXPECT_EQ(Bytes(got.begin(), got.end()), Bytes(sent.begin(), sent.begin() + 2));
    const QByteArray rest = line.read();
    EXPECT_EQ(Bytes(rest.begin(), rest.end()), Bytes(sent.begin() + 2, sent.end()));
}

TEST(SerialLine, APortThatCannotBeHadIsSaidPlainly)
{
    PtyPair pty;
    SerialLine holder(to(pty.slavePath()));
    holder.open("COM7", 9600, Framing{});
    SerialLine second(to(pty.slavePath()));
    EXPECT_EQ(raised([&] { second.open("COM7", 9600, Framing{}); }),
              "COM7 (" + pty.slavePath() + ") is in use by another program");
    EXPECT_FALSE(second.isOpen());
    // Another program's flock on the device counts the same, by path too.
    holder.close();
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
    EXPECT_EQ(raised([&] { second.open(QString::fromStdString(pty.slavePath()), 9600, {}); }),
              pty.slavePath() + " is in use by another program");
    ::close(fd);
    second.open(QString::fromStdString(pty.slavePath()), 9600, Framing{});
    EXPECT_TRUE(second.isOpen());

    SerialLine none([](int) { return std::nullopt; });
    EXPECT_EQ(raised([&] { none.open("COM9", 9600, Framing{}); }),
              "COM9 does not exist: there is no such port (tarnctl ports lists them)");
    EXPECT_EQ(raised([&] { none.open("/dev/tarn-no-such-tty", 9600, Framing{}); }),
              "/dev/tarn-no-such-tty does not exist: no such port (is the adapter plugged in?)");
}

TEST(SerialLine, AUserWithoutAccessIsToldToJoinDialout)
{
    ASSERT_EQ(geteuid(), 0u) << "the tests run as root, to drop to another user";
    PtyPair pty; // root's, mode 0620 group tty: nobody may not open it
    const std::string text = runAsUser(otherUser, [&] {
        SerialLine line(to(pty.slavePath()));
        return raised([&] { line.open("COM6", 9600, Framing{}); });
    });
    EXPECT_EQ(text, "Permission denied on " + pty.slavePath() +
                        ": add your user to the dialout group (sudo usermod -aG dialout $USER), "
                        "then log in again");
}

TEST(SerialLine, AHangUpIsReportedAndWritesThenFail)
{
    PtyPair pty;
    SerialLine line(to(pty.slavePath()));
    line.open("COM2", 9600, Framing{});
    QStringList lost;
    QObject::connect(&line, &lines::Line::lost, [&](const QString &why) { lost << why; });
    pty.closeSlave();
    pty.closeMaster();
    ASSERT_TRUE(processUntil([&] { return !lost.isEmpty(); }));
    processUntil([] { return false; }, 100);
    EXPECT_EQ(lost, QStringList{"the device is gone"});
    EXPECT_TRUE(line.isOpen()) << "open until closed, as a COM port whose adapter went";
    EXPECT_NE(raised([&] { line.write(upFrame); }).find("the device is gone"), std::string::npos);
    EXPECT_EQ(raised([&] { line.read(); }),
              "Reading from COM2 (" + pty.slavePath() + ") failed: the device is gone");
    line.close();
    EXPECT_FALSE(line.isOpen());
}

TEST(SerialLine, ConfigureChangesTheRateAtOnceAndKeepsTheOldOneWhenRefused)
{
    PtyPair pty;
    SerialLine line(to(pty.slavePath()));
    line.open("COM1", 9600, Framing{});
    line.configure(19200, Framing{});
    EXPECT_EQ(pty.slaveBaudRate(), 19200);
    Framing bad; // a pseudo-terminal carries 8 data bits and nothing else
    bad.dataBits = 7;
    EXPECT_EQ(raised([&] { line.configure(2400, bad); }),
              "COM1 (" + pty.slavePath() + ") cannot use 7 data bits: Invalid argument");
    EXPECT_EQ(pty.slaveBaudRate(), 19200);
}

} // namespace

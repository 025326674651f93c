#include "eventwait.h"
#include "otheruser.h"
#include "portconnection.h"
#include "ptypair.h"
#include "serialcontrol.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <numeric>
#include <thread>
#include <unistd.h>

namespace {

SerialControl::PortResolver to(const std::string &device)
{
    return [device](int) { return std::optional<QString>(QString::fromStdString(device)); };
}

std::string raised(const std::function<void()> &f)
{
    return raisedText<CommError>(f);
}

const std::vector<BYTE> upFrame{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
const std::vector<BYTE> stopFrame{0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01};

// A program before us left the line with XON/XOFF on (and IXANY), as stty ixon ixoff would.
void leaveSoftwareFlowControlOn(const PtyPair &pty)
{
    const int fd = ::open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    termios tio{};
    ASSERT_EQ(tcgetattr(fd, &tio), 0);
    tio.c_iflag |= IXON | IXOFF | IXANY;
    ASSERT_EQ(tcsetattr(fd, TCSANOW, &tio), 0);
    ::close(fd);
}

TEST(SerialControl, OpensWithTheLineSettingsItWasGiven)
{
    struct Row
    {
        const char *settings;
        std::optional<long> handshaking; // put after the panel's configuration, if given
        int baud;
        bool twoStop, xonxoff, rtscts;
    };
    for (const Row &row : {
             // The panel's configuration: no flow control at all.
             Row{"9600,n,8,1", std::nullopt, 9600, false, false, false},
             Row{"115200,n,8,1", std::nullopt, 115200, false, false, false},
             Row{"56000,n,8,1", std::nullopt, 56000, false, false, false},
             Row{"19200,n,8,2", comNone, 19200, true, false, false},
             Row{"9600,n,8,1", comXOnXOff, 9600, false, true, false},
             Row{"4800,n,8,1", comRTS, 4800, false, false, true},
             Row{"2400,n,8,1", comRTSXOnXOff, 2400, false, true, true},
         }) {
        SCOPED_TRACE(std::string(row.settings) + " handshaking " +
                     (row.handshaking ? std::to_string(*row.handshaking) : "as the panel puts"));
        PtyPair pty;
        leaveSoftwareFlowControlOn(pty);
        SerialControl comm(to(pty.slavePath()));
        openConfigured(comm, 4, row.settings);
        if (row.handshaking)
            comm.setHandshaking(*row.handshaking);
        ASSERT_TRUE(comm.portOpen());
        // Rates put while open leave the handshaking as it is.
        comm.setSettings(row.settings);
        const termios tio = pty.slaveTermios();
        EXPECT_EQ(pty.slaveBaudRate(), row.baud);
        EXPECT_EQ(tio.c_cflag & CSIZE, tcflag_t(CS8));
        EXPECT_FALSE(tio.c_cflag & PARENB);
        EXPECT_EQ(bool(tio.c_cflag & CSTOPB), row.twoStop);
        EXPECT_EQ(bool(tio.c_iflag & IXON), row.xonxoff);
        EXPECT_EQ(bool(tio.c_iflag & IXOFF), row.xonxoff);
        // Only XON restarts output, never any byte.
        EXPECT_FALSE(tio.c_iflag & IXANY);
        if (row.xonxoff) {
            EXPECT_EQ(tio.c_cc[VSTART], 0x11);
            EXPECT_EQ(tio.c_cc[VSTOP], 0x13);
        }
        EXPECT_EQ(bool(tio.c_cflag & CRTSCTS), row.rtscts);
        // Raw: no echo, no line editing, no translation of what goes out.
        EXPECT_FALSE(tio.c_lflag & (ECHO | ICANON | ISIG));
        EXPECT_FALSE(tio.c_oflag & OPOST);
    }
}

TEST(SerialControl, SettingsTheDeviceCannotTakeAreRefusedAndLeaveThePortClosed)
{
    // A pseudo-terminal carries 8 data bits without parity and nothing else.
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    EXPECT_EQ(raised([&] { openConfigured(comm, 4, "9600,e,7,1"); }),
              "COM4 (" + pty.slavePath() + ") cannot use 7 data bits: Invalid argument");
    EXPECT_FALSE(comm.portOpen());
    openConfigured(comm, 4, "9600,n,8,1");
    EXPECT_TRUE(comm.portOpen());
}

TEST(SerialControl, SettingsPutWhileOpenApplyAtOnceAndABadTextChangesNothing)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    comm.setSettings("38400,n,8,1");
    EXPECT_EQ(pty.slaveBaudRate(), 38400);
    for (const char *bad : {"", "9600", "9600,n,8", "9600,x,8,1", "0,n,8,1", "9600,n,9,1",
                            "abc,n,8,1", "9600,n,8,1,", " 9600,n,8,1"}) {
        const std::string text = raised([&] { comm.setSettings(bad); });
        EXPECT_NE(text.find("refused"), std::string::npos) << bad << ": " << text;
    }
    EXPECT_EQ(pty.slaveBaudRate(), 38400);
    EXPECT_TRUE(comm.portOpen());
}

TEST(SerialControl, OutputReachesTheLineInOrderBeforeItReturns)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    comm.setOutput(upFrame);
    // No event loop runs here: the bytes must already be with the system.
    comm.setOutput(stopFrame);
    std::vector<BYTE> big(1000);
    std::iota(big.begin(), big.end(), BYTE(0));
    comm.setOutput(big); // longer than OutBufferSize: still all of it, in order
    std::vector<BYTE> expected = upFrame;
    expected.insert(expected.end(), stopFrame.begin(), stopFrame.end());
    expected.insert(expected.end(), big.begin(), big.end());
    EXPECT_EQ(pty.read(expected.size()), expected);
    EXPECT_TRUE(pty.readUntilQuiet(50).empty());
}

// Address 210 with "RIGHT" at full speed: its checksum is 0x13, the XOFF character.
const std::vector<BYTE> right210{0xFF, 0xD2, 0x00, 0x02, 0x3F, 0x00, 0x13};
const std::vector<BYTE> stop210{0xFF, 0xD2, 0x00, 0x00, 0x00, 0x00, 0xD2};

TEST(SerialControl, OnThePanelsLineA0x13IsDataAndHoldsNothingBack)
{
    PtyPair pty;
    leaveSoftwareFlowControlOn(pty);
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    std::vector<BYTE> received;
    comm.setOnComm([&] {
        const auto bytes = comm.input();
        received.insert(received.end(), bytes.begin(), bytes.end());
    });

    comm.setOutput(right210);
    ASSERT_EQ(pty.read(7, 1000), right210);
    // A two-wire adapter hears its own frame: the 0x13 comes back between the two frames.
    ASSERT_TRUE(pty.write(right210));
    processUntil([&] { return received.size() >= right210.size(); });
    EXPECT_EQ(received, right210) << "the line took a byte of the echo for itself";

    QElapsedTimer timer;
    timer.start();
    comm.setOutput(stop210);
    EXPECT_LT(timer.elapsed(), 1000) << "the stop frame waited on the line";
    EXPECT_EQ(pty.read(7, 1000), stop210);
}

TEST(SerialControl, WithXonXoffAReceivedXoffHoldsOutputUntilXon)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    comm.setHandshaking(comXOnXOff);
    // XOFF, then a byte that shows the line has taken the XOFF: the line keeps XOFF to itself.
    const std::vector<BYTE> xoffThenData{0x13, 0x42};
    ASSERT_TRUE(pty.write(xoffThenData));
    ASSERT_TRUE(processUntil([&] { return comm.inBufferCount() == 1; }));
    EXPECT_EQ(comm.input(), std::vector<BYTE>{0x42});

    // The far end sends another byte (which must not restart output), then XON.
    std::vector<BYTE> heldBack{0xEE};
    std::thread farEnd([&] {
        const std::vector<BYTE> other{0x55}, xon{0x11};
        QThread::msleep(150);
        pty.write(other);
        QThread::msleep(250);
        heldBack = pty.readAvailable();
        pty.write(xon);
    });
    QElapsedTimer timer;
    timer.start();
    const std::string error = raised([&] { comm.setOutput(upFrame); });
    const qint64 took = timer.elapsed();
    farEnd.join();
    EXPECT_EQ(error, "(nothing raised)");
    EXPECT_TRUE(heldBack.empty()) << "output went out under XOFF";
    EXPECT_GE(took, 350) << "Output returned before the XON";
    EXPECT_EQ(pty.read(upFrame.size(), 1000), upFrame);
}

TEST(SerialControl, ReceivedBytesRaiseOnCommFromTheEventLoopAndAreDrainedInBoundedReads)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");

    std::vector<BYTE> received;
    std::vector<std::size_t> sizes;
    bool inEvent = false, offThread = false, nested = false;
    comm.setOnComm([&] {
        nested |= inEvent;
        inEvent = true;
        offThread |= QThread::currentThread() != QCoreApplication::instance()->thread();
        EXPECT_EQ(comm.commEvent(), comEvReceive);
        const auto bytes = comm.input();
        sizes.push_back(bytes.size());
        received.insert(received.end(), bytes.begin(), bytes.end());
        inEvent = false;
    });

    // 300 bytes, every byte value among them: none is the line's own.
    std::vector<BYTE> sent(300);
    std::iota(sent.begin(), sent.end(), BYTE(0));
    ASSERT_TRUE(pty.write(sent));
    EXPECT_TRUE(sizes.empty()) << "OnComm came before the event loop ran";
    ASSERT_TRUE(processUntil([&] { return received.size() >= sent.size(); }));
    EXPECT_EQ(received, sent);
    EXPECT_FALSE(offThread);
    EXPECT_FALSE(nested);
    for (std::size_t n : sizes)
        EXPECT_LE(n, std::size_t(portBufferSize));
}

TEST(SerialControl, InputLenAndRThresholdAreHonoured)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    comm.setRThreshold(0);
    int events = 0;
    comm.setOnComm([&] { ++events; });
    const std::vector<BYTE> ten{1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_TRUE(pty.write(ten));
    ASSERT_TRUE(processUntil([&] { return comm.inBufferCount() == 10; }));
    EXPECT_EQ(events, 0);
    comm.setInputLen(4);
    EXPECT_EQ(comm.input(), (std::vector<BYTE>{1, 2, 3, 4}));
    comm.setInputLen(0);
    EXPECT_EQ(comm.input(), (std::vector<BYTE>{5, 6, 7, 8, 9, 10}));
    EXPECT_TRUE(comm.input().empty());
    // InBufferCount 0 discards what waits.
    ASSERT_TRUE(pty.write(ten));
    ASSERT_TRUE(processUntil([&] { return comm.inBufferCount() == 10; }));
    comm.setInBufferCount(0);
    EXPECT_TRUE(comm.input().empty());
}

TEST(SerialControl, AFloodOfReceivedBytesStaysWithinTheInputBuffer)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    int events = 0;
    comm.setOnComm([&] { ++events; }); // a handler that never reads

    std::vector<BYTE> chunk(4096, 0x55);
    std::size_t written = 0;
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 500) {
        const ssize_t w = ::write(pty.masterFd(), chunk.data(), chunk.size());
        if (w > 0)
            written += std::size_t(w);
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        EXPECT_LE(comm.inBufferCount(), portBufferSize);
    }
    EXPECT_GT(written, std::size_t(portBufferSize));
    EXPECT_GT(events, 0);
    EXPECT_EQ(comm.inBufferCount(), portBufferSize);
    // Draining goes on in reads of at most InBufferSize.
    std::size_t drained = 0;
    while (drained < written) {
        const auto bytes = comm.input();
        EXPECT_LE(bytes.size(), std::size_t(portBufferSize));
        drained += bytes.size();
        if (bytes.empty() && !processUntil([&] { return comm.inBufferCount() > 0; }, 1000))
            break;
    }
    EXPECT_EQ(drained, written);
}

TEST(SerialControl, ASecondOpenOfTheSamePortIsRefusedAsInUse)
{
    PtyPair pty;
    SerialControl first(to(pty.slavePath()));
    SerialControl second(to(pty.slavePath()));
    openConfigured(first, 7, "9600,n,8,1");
    const std::string text = raised([&] { openConfigured(second, 7, "9600,n,8,1"); });
    EXPECT_EQ(text, "COM7 (" + pty.slavePath() + ") is in use by another program");
    EXPECT_FALSE(second.portOpen());
    // The holder is unaffected, and once it lets go the port can be had.
    first.setOutput(upFrame);
    EXPECT_EQ(pty.read(7), upFrame);
    first.setPortOpen(false);
    second.setPortOpen(true);
    EXPECT_TRUE(second.portOpen());
}

TEST(SerialControl, TheDestructorClosesAnOpenPort)
{
    PtyPair pty;
    {
        SerialControl comm(to(pty.slavePath()));
        openConfigured(comm, 1, "9600,n,8,1");
    }
    SerialControl again(to(pty.slavePath()));
    openConfigured(again, 1, "9600,n,8,1");
    EXPECT_TRUE(again.portOpen());
}

TEST(SerialControl, AWriteToAPortWhoseFarEndHasGoneFailsClearly)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 2, "9600,n,8,1");
    int events = 0;
    comm.setOnComm([&] {
        ++events;
        comm.input();
    });
    pty.closeMaster();
    // The hang-up must not keep waking the event loop.
    const std::clock_t before = std::clock();
    QEventLoop loop;
    QTimer::singleShot(500, &loop, &QEventLoop::quit);
    loop.exec();
    EXPECT_LT(double(std::clock() - before) / CLOCKS_PER_SEC, 0.25) << "spinning on the hang-up";
    EXPECT_TRUE(comm.portOpen()) << "the port is the program's to close";
    EXPECT_EQ(raised([&] { comm.input(); }),
              "Reading from COM2 (" + pty.slavePath() + ") failed: the device is gone");
    const std::string text = raised([&] { comm.setOutput(upFrame); });
    EXPECT_EQ(text.rfind("Writing to COM2 (" + pty.slavePath() + ") failed: the device is gone", 0),
              0u)
        << text;
    comm.setPortOpen(false);
    EXPECT_FALSE(comm.portOpen());
}

TEST(SerialControl, MisuseAndMissingPortsRaiseDescriptions)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    EXPECT_FALSE(comm.portOpen());
    EXPECT_EQ(raised([&] { comm.setOutput(upFrame); }),
              "The port is not open: choose a port first");
    EXPECT_EQ(raised([&] { comm.input(); }), "The port is not open: choose a port first");
    EXPECT_EQ(raised([&] { comm.setCommPort(0); }),
              "Port number 0 is not valid: ports are COM1 to COM255");
    EXPECT_NE(raised([&] { comm.setHandshaking(4); }).find("Handshaking 4"), std::string::npos);
    EXPECT_NE(raised([&] { comm.setInBufferSize(0); }).find("InBufferSize 0"), std::string::npos);
    comm.setPortOpen(false); // closing a closed port is no error

    openConfigured(comm, 3, "9600,n,8,1");
    EXPECT_EQ(raised([&] { comm.setPortOpen(true); }), "COM3 is already open");
    EXPECT_EQ(raised([&] { comm.setCommPort(4); }),
              "COM3 is open: close it before choosing another port");

    SerialControl none([](int) { return std::optional<QString>(); });
    EXPECT_EQ(raised([&] { openConfigured(none, 9, "9600,n,8,1"); }),
              "COM9 does not exist: there is no such port (tarnctl ports lists them)");
    SerialControl gone(to("/dev/tarn-no-such-tty"));
    EXPECT_EQ(raised([&] { openConfigured(gone, 9, "9600,n,8,1"); }),
              "COM9 (/dev/tarn-no-such-tty) does not exist: no such port (is the adapter "
              "plugged in?)");
    EXPECT_FALSE(gone.portOpen());

    const QString file = QDir::tempPath() + "/tarn-not-a-tty-" + QString::number(getpid());
    QFile(file).open(QIODevice::WriteOnly);
    SerialControl notTty(to(file.toStdString()));
    EXPECT_EQ(raised([&] { openConfigured(notTty, 9, "9600,n,8,1"); }),
              "COM9 (" + file.toStdString() + ") is not a serial port");
    QFile::remove(file);
}

TEST(SerialControl, OpenFailuresAreToldApart)
{
    struct Row
    {
        int errnum;
        const char *text;
    };
    for (const Row &row : {
             Row{ENOENT, "COM5 (/dev/ttyUSB0) does not exist: no such port (is the adapter "
                         "plugged in?)"},
             Row{ENXIO, "COM5 (/dev/ttyUSB0) does not exist: no such port (is the adapter "
                        "plugged in?)"},
             Row{EACCES, "Permission denied on /dev/ttyUSB0: add your user to the dialout group "
                         "(sudo usermod -aG dialout $USER), then log in again"},
             Row{EBUSY, "COM5 (/dev/ttyUSB0) is in use by another program"},
             Row{EIO, "Cannot open COM5 (/dev/ttyUSB0): Input/output error"},
         })
        EXPECT_EQ(SerialControl::openErrorText(row.errnum, "COM5", "/dev/ttyUSB0").toStdString(),
                  row.text);
}

TEST(SerialControl, AUserWithoutAccessToTheDeviceIsToldToJoinDialout)
{
    if (geteuid() != 0)
        GTEST_SKIP() << "needs root to drop to another user";
    PtyPair pty; // root's, mode 0620 group tty: nobody may not open it
    const std::string text = runAsUser(otherUser, [&] {
        SerialControl comm(to(pty.slavePath()));
        return raised([&] { openConfigured(comm, 6, "9600,n,8,1"); });
    });
    EXPECT_EQ(text, "Permission denied on " + pty.slavePath() +
                        ": add your user to the dialout group (sudo usermod -aG dialout $USER), "
                        "then log in again");
}

TEST(SerialControl, AnOnCommHandlerThatThrowsDoesNotEscapeTheEventLoop)
{
    PtyPair pty;
    SerialControl comm(to(pty.slavePath()));
    openConfigured(comm, 1, "9600,n,8,1");
    int calls = 0;
    comm.setOnComm([&] {
        ++calls;
        comm.input();
        throw CommError("handler failed");
    });
    const std::vector<BYTE> one{0x42};
    ASSERT_TRUE(pty.write(one));
    ASSERT_TRUE(processUntil([&] { return calls == 1; }));
    ASSERT_TRUE(pty.write(one));
    ASSERT_TRUE(processUntil([&] { return calls == 2; }));
}

} // namespace

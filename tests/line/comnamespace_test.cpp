#include "comnamespace.h"
#include "comportsource.h"
#include "portconnection.h"
#include "portdiscovery.h"

#include <QDir>
#include <QFile>
#include <QSerialPortInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A ports directory with links and other entries, and device files for the links to name.
class PortsDir
{
public:
    PortsDir() : m_ports(m_root.path() + "/tarn/ports") { QDir().mkpath(m_ports); }

    QString path() const { return m_ports; }
    // A file standing in for a device, outside the ports directory.
    QString device(const QString &name)
    {
        const QString path = m_root.path() + "/dev/" + name;
        QDir().mkpath(QFileInfo(path).path());
        QFile(path).open(QIODevice::WriteOnly);
        return path;
    }
    void link(const QString &name, const QString &target)
    {
        ASSERT_TRUE(QFile::link(target, m_ports + "/" + name)) << name.toStdString();
    }

private:
    QTemporaryDir m_root;
    QString m_ports;
};

std::vector<std::string> names(const ComNamespace &ns)
{
    std::vector<std::string> out;
    for (const ComPort &port : ns.ports())
        out.push_back(port.name.toStdString());
    return out;
}

TEST(ComNamespace, LinksKeepTheirNumbersAndHardwareTakesTheLowestFreeOnes)
{
    PortsDir dir;
    const QString a = dir.device("ttyV0"), b = dir.device("ttyV1");
    dir.link("COM1", a);
    dir.link("COM3", b);
    const ComNamespace ns =
        ComNamespace::read(dir.path(), {"/dev/ttyUSB0", "/dev/ttyS10", "/dev/ttyS2", "/dev/ttyS0"});
    // Hardware in natural order of device names: ttyS0, ttyS2, ttyS10, ttyUSB0 -> 2, 4, 5, 6.
    std::map<int, QString> byNumber;
    for (const ComPort &port : ns.ports())
        byNumber[port.number] = port.device;
    EXPECT_EQ(byNumber, (std::map<int, QString>{{1, a},
                                                {2, "/dev/ttyS0"},
                                                {3, b},
                                                {4, "/dev/ttyS2"},
                                                {5, "/dev/ttyS10"},
                                                {6, "/dev/ttyUSB0"}}));
    ASSERT_TRUE(ns.find(5));
    EXPECT_EQ(ns.find(5)->name, "COM5 (ttyS10)");
    EXPECT_FALSE(ns.find(7));
    // In the order the panel's list keeps.
    const auto listed = names(ns);
    EXPECT_TRUE(std::is_sorted(listed.begin(), listed.end(),
                               [](const auto &x, const auto &y) { return portListLess(x, y); }));
}

TEST(ComNamespace, OnlyLinksNamedCOM1ToCOM255Count)
{
    PortsDir dir;
    const QString dev = dir.device("ttyV0");
    for (const char *name : {"COM0", "COM256", "COM01", "com3", "COM", "COM3x", "COM 4", "XCOM5"})
        dir.link(name, dev);
    dir.link("COM255", dev);
    dir.link("COM9", dev);
    QFile(dir.path() + "/COM2").open(QIODevice::WriteOnly); // a file, not a link
    QDir(dir.path()).mkdir("COM4");                         // a directory
    const ComNamespace ns = ComNamespace::read(dir.path(), {});
    std::vector<int> numbers;
    for (const ComPort &port : ns.ports())
        numbers.push_back(port.number);
    EXPECT_EQ(numbers, (std::vector<int>{255, 9}));
}

TEST(ComNamespace, ALinkWhoseTargetIsMissingIsLeftOutButKeepsItsNumber)
{
    PortsDir dir;
    dir.link("COM1", "/dev/tarn-unplugged-adapter");
    const ComNamespace ns = ComNamespace::read(dir.path(), {"/dev/ttyS0"});
    ASSERT_EQ(ns.ports().size(), 1u);
    EXPECT_EQ(ns.ports()[0].number, 2);
    EXPECT_FALSE(ns.find(1));
}

TEST(ComNamespace, DuplicatesGetOneNumberPerName)
{
    PortsDir dir;
    const QString dev = dir.device("ttyV0");
    dir.link("COM4", dev);
    dir.link("COM5", dev); // two links to one device: two names, as the operator made them
    // The same hardware twice, and hardware a link already names, get no further numbers.
    const ComNamespace ns = ComNamespace::read(dir.path(), {"/dev/ttyS0", "/dev/ttyS0", dev});
    EXPECT_EQ(names(ns).size(), 3u);
    EXPECT_EQ(ns.find(1)->device, "/dev/ttyS0");
    EXPECT_EQ(ns.find(4)->device, dev);
    EXPECT_EQ(ns.find(5)->device, dev);
    EXPECT_FALSE(ns.find(2));
}

TEST(ComNamespace, ListNamesFitIn24BytesAndStayRecognisable)
{
    struct Row
    {
        int number;
        QString device;
        QString name;
    };
    for (const Row &row : {
             Row{3, "/dev/ttyUSB0", "COM3 (ttyUSB0)"},
             Row{12, "/dev/pts/7", "COM12 (pts/7)"},
             Row{1, "/tmp/ttyV0", "COM1 (/tmp/ttyV0)"},
             Row{1, "/tmp/some/long/dir/ttyV0", "COM1 (ttyV0)"},
             Row{7, "/dev/ttyUSB0123456789", "COM7 (ttyUSB0123456789)"},
             Row{255, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0",
                 "COM255 (usb-FTDI~-port0)"},
             Row{17, "/dev/serial/by-id/usb-Prolific_2303-if00", "COM17 (usb-Proli~3-if00)"},
             // 19 characters but 26 bytes: cut in bytes, between characters (23 bytes here).
             Row{3, QString::fromUtf8("/dev/tty\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df01"),
                 QString::fromUtf8("COM3 (tty\u00c4\u00d6\u00dc~\u00fc\u00df01)")},
             Row{4, QString::fromUtf8("/dev/serial/by-id/usb-Gr\u00fcn_\u00c9lectronique-if00"),
                 QString::fromUtf8("COM4 (usb-Gr\u00fcn_~e-if00)")},
             // A character of four bytes, and a letter with a combining accent, stay whole.
             Row{5, QString::fromUtf8("/dev/ttyCAM\U0001F4F7\U0001F4F7\U0001F4F7x"),
                 QString::fromUtf8("COM5 (ttyCAM\U0001F4F7~\U0001F4F7x)")},
             Row{10, QString::fromUtf8("/dev/by-id/cam-Jose\u0301-Mari\u0301a-Pe\u0301rez-01"),
                 QString::fromUtf8("COM10 (cam-Jos~rez-01)")},
         }) {
        const QString name = comPortName(row.number, row.device);
        SCOPED_TRACE(row.device.toStdString());
        EXPECT_LE(name.toLocal8Bit().size(), 24) << name.toStdString();
        EXPECT_EQ(name.toStdString(), row.name.toStdString());
        EXPECT_TRUE(name.isValidUtf16()) << "a surrogate pair was split";
        EXPECT_TRUE(name.startsWith(QStringLiteral("COM%1 (").arg(row.number)));
    }
}

TEST(ComNamespace, NoPortsDirectoryMeansNoLinksNotTheCurrentFolder)
{
    // An ignored ports directory is read as none; the links where the program runs are no ports.
    PortsDir dir;
    dir.link("COM1", dir.device("ttyV0"));
    const QString before = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const ComNamespace ns = ComNamespace::read(QString(), {"/dev/ttyS0"});
    QDir::setCurrent(before);
    ASSERT_EQ(ns.ports().size(), 1u);
    EXPECT_EQ(ns.ports()[0].device, "/dev/ttyS0");
}

TEST(ComNamespace, ARelativeLinkTargetIsReadAgainstThePortsDirectory)
{
    PortsDir dir;
    const QString dev = dir.device("ttyV0");
    dir.link("COM8", "../../dev/ttyV0");
    const ComNamespace ns = ComNamespace::read(dir.path(), {});
    ASSERT_TRUE(ns.find(8));
    EXPECT_EQ(ns.find(8)->device, dev);
}

TEST(ComNamespace, TheDirectoryIsUnderTheRuntimeDirAndReadingCreatesNothing)
{
    QTemporaryDir runtime;
    const QByteArray old = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", runtime.path().toLocal8Bit());
    EXPECT_EQ(ComNamespace::portsDirectory(), runtime.path() + "/tarn/ports");
    const ComNamespace ns = ComNamespace::read(ComNamespace::portsDirectory(), {"/dev/ttyS0"});
    EXPECT_EQ(ns.ports().size(), 1u);
    EXPECT_TRUE(QDir(runtime.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    qputenv("XDG_RUNTIME_DIR", old);
}

TEST(ComNamespace, EveryPortReachesThePanelsList)
{
    PortsDir dir;
    const QString longDevice = dir.device("serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00");
    dir.link("COM200", longDevice);
    dir.link("COM2", dir.device("ttyV0"));
    // Fits 24 characters but not 24 bytes as it is.
    dir.link("COM3",
             dir.device(QString::fromUtf8("tty\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df01")));
    const ComNamespace ns = ComNamespace::read(dir.path(), {"/dev/ttyS0", "/dev/ttyS1"});

    struct List : PortListSink
    {
        std::vector<std::string> items;
        void ResetContent() override { items.clear(); }
        void AddString(const std::string &text) override { items.push_back(text); }
    } list;
    ComPortSource source(ns);
    FillPortList(source, list);
    EXPECT_EQ(list.items, names(ns));
    ASSERT_EQ(list.items.size(), 5u);
    // Each item names the number the port connection will open.
    for (const std::string &item : list.items)
        EXPECT_TRUE(ns.find(portNumberFromName(item))) << item;
}

} // namespace

namespace {
TEST(ComNamespace, ThePrefetchedSnapshotServesTheWholeProcess)
{
    QTemporaryDir runtime;
    setenv("XDG_RUNTIME_DIR", qPrintable(runtime.path()), 1);
    const QString ports = runtime.path() + "/tarn/ports";
    // Writable by its owner alone (whatever the umask), or its links would not count.
    for (const QString &folder : {runtime.path() + "/tarn", ports}) {
        ASSERT_TRUE(QDir().mkdir(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString device = runtime.path() + "/device";
    QFile(device).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(device, ports + "/COM42"));

    ComNamespace::prefetch();
    ComNamespace::prefetch(); // a second call starts nothing more
    const ComNamespace &snapshot = ComNamespace::instance();
    const auto com42 = snapshot.find(42);
    ASSERT_TRUE(com42);
    EXPECT_EQ(com42->device, device);
    QStringList hardware;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        hardware << info.systemLocation();
    EXPECT_EQ(snapshot.ports().size(), ComNamespace::read(ports, hardware).ports().size());

    // Links made later belong to the next process.
    ASSERT_TRUE(QFile::link(device, ports + "/COM43"));
    EXPECT_EQ(&ComNamespace::instance(), &snapshot);
    EXPECT_FALSE(ComNamespace::instance().find(43));
}
} // namespace

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
             // A by-id name keeps a hint of the make and the serial number; the bus and a 0
             // interface and port go.
             Row{255, "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A10K1234-if00-port0",
                 "COM255 (FTDI_F~A10K1234)"},
             Row{17, "/dev/serial/by-id/usb-Prolific_2303-if00", "COM17 (Prolific_2303)"},
             // 19 characters but 26 bytes: cut in bytes, between characters (23 bytes here).
             Row{3, QString::fromUtf8("/dev/tty\u00c4\u00d6\u00dc\u00e4\u00f6\u00fc\u00df01"),
                 QString::fromUtf8("COM3 (tty\u00c4\u00d6\u00dc~\u00fc\u00df01)")},
             Row{4, QString::fromUtf8("/dev/serial/by-id/usb-Gr\u00fcn_\u00c9lectronique-if00"),
                 QString::fromUtf8("COM4 (Gr\u00fcn~lectronique)")},
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

// Adapters of one make differ only in their serial number (or, on a multi-port adapter, in the
// interface or port); pinned side by side, their list names must differ too.
TEST(ComNamespace, AdaptersOfOneMakeStayApartInTheList)
{
    struct Row
    {
        int number;
        const char *byId;
        const char *name;
    };
    const std::vector<std::vector<Row>> pairs = {
        {{5, "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "COM5 (FTDI_FT2~A50285BI)"},
         {6, "usb-FTDI_FT232R_USB_UART_A50297QK-if00-port0", "COM6 (FTDI_FT2~A50297QK)"}},
        {{12, "usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0", "COM12 (FTDI_FT~A50285BI)"},
         {130, "usb-FTDI_FT232R_USB_UART_A50297QK-if00-port0", "COM130 (FTDI_F~A50297QK)"}},
        {{3, "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_a8b1c2d3e4f5-if00-port0",
          "COM3 (Sili~a8b1c2d3e4f5)"},
         {4, "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_a8b1c2d3e4f6-if00-port0",
          "COM4 (Sili~a8b1c2d3e4f6)"}},
        {{3, "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0001-if00-port0",
          "COM3 (Silicon_Labs~0001)"},
         {4, "usb-Silicon_Labs_CP2102_USB_to_UART_Bridge_Controller_0002-if00-port0",
          "COM4 (Silicon_Labs~0002)"}},
        // ACM devices: no port; a serial number too long is cut from its start.
        {{7, "usb-Arduino__www.arduino.cc__0043_95232343733351D0F1A2-if00",
          "COM7 (Ardu~733351D0F1A2)"},
         {8, "usb-Arduino__www.arduino.cc__0043_95232343733351D0F1B7-if00",
          "COM8 (Ardu~733351D0F1B7)"}},
        {{10, "usb-STMicroelectronics_STM32_Virtual_ComPort_6D8F17875551-if00",
          "COM10 (STMi~D8F17875551)"},
         {11, "usb-STMicroelectronics_STM32_Virtual_ComPort_6D8F17875552-if00",
          "COM11 (STMi~D8F17875552)"}},
        // The two halves of a dual adapter differ in the interface only, which is kept.
        {{5, "usb-FTDI_Dual_RS232-HS_FT3ZQ8XW-if00-port0", "COM5 (FTDI_Dua~FT3ZQ8XW)"},
         {6, "usb-FTDI_Dual_RS232-HS_FT3ZQ8XW-if01-port0", "COM6 (FTDI~T3ZQ8XW-if01)"}},
        // A CH340 has no serial number: two of them have the same by-id name, which then fits
        // whole without its bus and 0 interface, and only the number tells them apart.
        {{1, "usb-1a86_USB_Serial-if00-port0", "COM1 (1a86_USB_Serial)"},
         {2, "usb-1a86_USB_Serial-if00-port0", "COM2 (1a86_USB_Serial)"}},
        {{1, "usb-1a86_USB2.0-Serial-if00-port0", "COM1 (1a86~SB2.0-Serial)"},
         {2, "usb-1a86_USB2.0-Serial-if02-port0", "COM2 (1a86~-Serial-if02)"}},
    };
    // Pinned by the socket they are in (by-path), they keep the hub ports.
    const std::vector<std::vector<Row>> byPath = {
        {{1, "pci-0000:00:14.0-usb-0:2:1.0-port0", "COM1 (pci-0~usb-0:2:1.0)"},
         {2, "pci-0000:00:14.0-usb-0:3:1.0-port0", "COM2 (pci-0~usb-0:3:1.0)"}},
        {{1, "pci-0000:00:14.0-usb-0:1.4.2:1.0", "COM1 (pci-~-0:1.4.2:1.0)"},
         {2, "pci-0000:00:14.0-usb-0:1.4.3:1.0", "COM2 (pci-~-0:1.4.3:1.0)"}},
        {{1, "platform-xhci-hcd.0-usb-0:1:1.0-port1", "COM1 (plat~:1:1.0-port1)"},
         {2, "platform-xhci-hcd.0-usb-0:1:1.0-port0", "COM2 (platf~usb-0:1:1.0)"}},
    };
    for (const auto &[folder, table] :
         {std::pair{"/dev/serial/by-id/", pairs}, std::pair{"/dev/serial/by-path/", byPath}}) {
        for (const auto &pair : table) {
            std::vector<std::string> shown;
            for (const Row &row : pair) {
                const QString device = QString::fromLatin1(folder) + row.byId;
                const QString name = comPortName(row.number, device);
                EXPECT_EQ(name.toStdString(), row.name) << row.byId;
                EXPECT_LE(name.toLocal8Bit().size(), 24) << row.byId;
                // The number stripped, what is left must differ where the devices do.
                shown.push_back(name.mid(name.indexOf(' ')).toStdString());
            }
            if (std::string(pair[0].byId) != pair[1].byId) {
                EXPECT_NE(shown[0], shown[1]) << pair[0].byId;
            }
        }
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
TEST(ComNamespace, OneSnapshotServesTheWholeProcess)
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

namespace {

TEST(ComNamespace, ALinkToANetworkNameIsANetworkPort)
{
    PortsDir dir;
    dir.link("COM7", "rfc2217://gate-pi:2000");
    dir.link("COM8", "tcp://[::1]:4001");
    dir.link("COM9", "RFC2217://10.0.0.5:2001"); // the scheme in any case
    dir.link("COM10", "rfc2217://camera-gateway.example.org:2000");
    dir.link("COM1", "rfc2217://no-port-here"); // malformed: not listed, its number kept
    const ComNamespace ns = ComNamespace::read(dir.path(), {"/dev/ttyS0"});

    const struct
    {
        int number;
        const char *device;
        const char *name;
    } expected[] = {
        {7, "rfc2217://gate-pi:2000", "COM7 (gate-pi:2000)"},
        {8, "tcp://[::1]:4001", "COM8 ([::1]:4001)"},
        {9, "rfc2217://10.0.0.5:2001", "COM9 (10.0.0.5:2001)"},
        // Cut to 24 bytes as any long name is.
        {10, "rfc2217://camera-gateway.example.org:2000", "COM10 (camera-ga~g:2000)"},
    };
    for (const auto &port : expected) {
        SCOPED_TRACE(port.number);
        const auto found = ns.find(port.number);
        ASSERT_TRUE(found);
        EXPECT_EQ(found->device, port.device);
        EXPECT_EQ(found->name, port.name);
        EXPECT_TRUE(found->linked);
    }
    EXPECT_FALSE(ns.find(1));
    ASSERT_TRUE(ns.find(2)); // the hardware port goes around the malformed link's number
    EXPECT_EQ(ns.find(2)->device, "/dev/ttyS0");
    EXPECT_EQ(ns.ports().size(), 5u);
}

TEST(ComNamespace, TwoPortsDirectoriesTheFirstWinsANumberBothHold)
{
    PortsDir runtime, config;
    const QString sim = runtime.device("pts/7");
    const QString adapter = config.device("serial/by-id/usb-FTDI_X-if00");
    runtime.link("COM9", sim);
    config.link("COM9", "rfc2217://gate-pi:2000"); // hidden while the session's COM9 is there
    config.link("COM3", adapter);
    config.link("COM4", "tcp://gate-pi:2001");
    runtime.link("COM1", runtime.path() + "/gone"); // missing: unlisted, keeps COM1 from both
    config.link("COM1", "rfc2217://gate-pi:2002");

    const ComNamespace ns =
        ComNamespace::read(QStringList{runtime.path(), config.path()}, {"/dev/ttyS0"});
    ASSERT_TRUE(ns.find(9));
    EXPECT_EQ(ns.find(9)->device, sim);
    ASSERT_TRUE(ns.find(3));
    EXPECT_EQ(ns.find(3)->device, adapter);
    ASSERT_TRUE(ns.find(4));
    EXPECT_EQ(ns.find(4)->device, "tcp://gate-pi:2001");
    EXPECT_FALSE(ns.find(1));
    ASSERT_TRUE(ns.find(2));
    EXPECT_EQ(ns.find(2)->device, "/dev/ttyS0");
    EXPECT_EQ(ns.ports().size(), 4u);
    EXPECT_EQ(ns.hiddenLinks(), QStringList({config.path() + "/COM1", config.path() + "/COM9"}));

    // Without the runtime directory's links, the pins are found.
    const ComNamespace pinsOnly = ComNamespace::read(QStringList{config.path()}, {});
    ASSERT_TRUE(pinsOnly.find(9));
    EXPECT_EQ(pinsOnly.find(9)->device, "rfc2217://gate-pi:2000");
    EXPECT_TRUE(pinsOnly.hiddenLinks().isEmpty());
}

TEST(ComNamespace, ThePinsAreUnderTheConfigurationFolderAndReadingCreatesNothing)
{
    QTemporaryDir config;
    const QByteArray old = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    EXPECT_EQ(ComNamespace::configPortsDirectory(), config.path() + "/tarn/ports");
    const ComNamespace ns = ComNamespace::read(
        QStringList{ComNamespace::portsDirectory(), ComNamespace::configPortsDirectory()}, {});
    EXPECT_TRUE(ns.ports().empty());
    EXPECT_TRUE(QDir(config.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    qputenv("XDG_CONFIG_HOME", old);
}

} // namespace

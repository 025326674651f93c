// The COM namespace: every serial port gets a name COM<n>, so the panel's list and the port
// number read from a name work as they do on a desktop with COM ports.
//
//  - Hardware ports are the ones Qt's enumeration reports.
//  - The ports directory, <runtime dir>/tarn/ports/, holds symbolic links named COM<n>
//    (n from 1 to 255); each makes its target (any tty: a pseudo-terminal, a
//    /dev/serial/by-id/... path) the port COM<n>. A link keeps its own number. The links count
//    only while the directory, and each folder above it up to the runtime directory, belongs
//    to the user and nobody else can write it.
//  - Hardware ports take the lowest numbers no link takes, in the order of their device names.
//  - A port's list name is "COM<n> (<device>)", at most 24 bytes (the list's buffer counts
//    bytes, and a by-id name may hold non-ASCII characters): the device is its path below /dev/
//    ("ttyUSB0", "pts/3"), else its file name. A /dev/serial/by-id name still too long keeps
//    what tells adapters of one make apart: "FTDI_FT2~A50285BI" (a hint of the make, the serial
//    number, the interface and port when not 0); any other name keeps its start and end around
//    a "~". Cuts fall between characters.
//  - Only links named exactly COM1 to COM255 count (not COM0, COM01, com3); other entries are
//    ignored. A link whose target does not exist is left out of the list but keeps its number.
//  - A hardware port that a link already names gets no second number.
//  - A link may name a network line instead of a device: its target, read as it is (not made a
//    path), is tcp://HOST:PORT or rfc2217://HOST:PORT. That port's device is the URL and its
//    list name shows the endpoint, "COM7 (gate-pi:2000)". A malformed URL is left out of the
//    list, but keeps its number.
//  - Two ports directories, with the same rules and the same trust check: <runtime dir>/tarn/
//    ports/ (emptied at every logout: the virtual cameras' links) and <config dir>/tarn/ports/
//    (pins that outlast a logout). When both hold a link named COM<n>, the runtime directory's
//    wins: a link made for this session (a virtual camera started with that number) is meant
//    to be found, and the pin is back once the session's link is gone. Standard error says
//    so, once per process.
//
// The namespace is read once per process, and that snapshot serves the list and every open,
// so COM<n> always means the device the list showed. Reading it creates nothing.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

struct ComPort
{
    int number;     // n of COM<n>
    QString device; // "/dev/ttyUSB0", a link's target (made absolute), or a network line's URL
    QString name;   // "COM3 (ttyUSB0)"
    bool linked;    // named by a link in the ports directory; else one of the system's ports
};

// "COM3 (ttyUSB0)" for port 3 on /dev/ttyUSB0, at most 24 bytes in the local 8-bit encoding.
QString comPortName(int number, const QString &device);

class ComNamespace
{
public:
    // $XDG_RUNTIME_DIR, else Qt's fallback /tmp/runtime-<user>.
    static QString runtimeDirectory();
    // <runtime dir>/tarn/ports.
    static QString portsDirectory();
    // Qt's generic configuration folder: $XDG_CONFIG_HOME, else ~/.config.
    static QString configDirectory();
    // <config dir>/tarn/ports: the pins that outlast a logout.
    static QString configPortsDirectory();

    // The process's snapshot, read on first use (any thread; a second caller waits for the
    // first one's reading). When the ports directory cannot be trusted
    // (see portsdirtrust.h), its links are ignored and standard error says why, once.
    static const ComNamespace &instance();

    // The system's serial ports, as Qt's enumeration lists them (slow: it asks udev).
    static QStringList systemDevices();

    // Reads a namespace from a ports directory (none when empty) and a list of hardware device
    // paths (tests, and instance() with the system's).
    static ComNamespace read(const QString &portsDir, const QStringList &hardwareDevices);
    // The same from several ports directories, the first one winning a COM<n> that more than
    // one holds (empty ones are skipped).
    static ComNamespace read(const QStringList &portsDirs, const QStringList &hardwareDevices);

    // In the order the panel's list shows them.
    const std::vector<ComPort> &ports() const { return m_ports; }
    std::optional<ComPort> find(int number) const;
    // The links a link of an earlier directory hid: their paths.
    const QStringList &hiddenLinks() const { return m_hidden; }

private:
    std::vector<ComPort> m_ports;
    QStringList m_hidden;
};

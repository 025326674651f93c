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
//    ("ttyUSB0", "pts/3"), else its file name, and a name still too long keeps its start and end
//    around a "~", cut between characters.
//  - Only links named exactly COM1 to COM255 count (not COM0, COM01, com3); other entries are
//    ignored. A link whose target does not exist is left out of the list but keeps its number.
//  - A hardware port that a link already names gets no second number.
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
    QString device; // the device path: "/dev/ttyUSB0", or a link's target (made absolute)
    QString name;   // "COM3 (ttyUSB0)"
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

    // The process's snapshot, read on first use. When the ports directory cannot be trusted
    // (see portsdirtrust.h), its links are ignored and standard error says why, once.
    static const ComNamespace &instance();

    // Starts listing the hardware ports on a worker thread, so that the slow part of the
    // snapshot (Qt's enumeration asks udev for every tty) overlaps the program's start-up;
    // instance() then waits for it. Call it at most once, before instance(), on the thread that
    // will call instance(). Without it, instance() lists the ports itself.
    static void prefetch();

    // Reads a namespace from a ports directory (none when empty) and a list of hardware device
    // paths (tests, and instance() with the system's).
    static ComNamespace read(const QString &portsDir, const QStringList &hardwareDevices);

    // In the order the panel's list shows them.
    const std::vector<ComPort> &ports() const { return m_ports; }
    std::optional<ComPort> find(int number) const;

private:
    std::vector<ComPort> m_ports;
};

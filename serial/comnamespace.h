// The COM namespace: every serial port gets a name COM<n>, so the panel's list and the port
// number read from a name work as they do on a desktop with COM ports.
//
//  - Hardware ports are the ones Qt's enumeration reports.
//  - The ports directory, <runtime dir>/tarn/ports/, holds symbolic links named COM<n>
//    (n from 1 to 255); each makes its target (any tty: a pseudo-terminal, a
//    /dev/serial/by-id/... path) the port COM<n>. A link keeps its own number.
//  - Hardware ports take the lowest numbers no link takes, in the order of their device names.
//  - A port's list name is "COM<n> (<device>)", at most 24 characters.
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
    QString device; // the device path: "/dev/ttyUSB0", a link's target as written
    QString name;   // "COM3 (ttyUSB0)"
};

class ComNamespace
{
public:
    // <runtime dir>/tarn/ports, where QStandardPaths puts the runtime dir.
    static QString portsDirectory();

    // The process's snapshot, read on first use.
    static const ComNamespace &instance();

    // Reads a namespace from a ports directory and a list of hardware device paths (tests,
    // and instance() with the system's).
    static ComNamespace read(const QString &portsDir, const QStringList &hardwareDevices);

    // In the order the panel's list shows them.
    const std::vector<ComPort> &ports() const { return m_ports; }
    std::optional<ComPort> find(int number) const;

private:
    std::vector<ComPort> m_ports;
};

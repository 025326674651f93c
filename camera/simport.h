// The virtual camera's serial port: a pseudo-terminal whose slave is linked into the ports
// directory as COM<n>, so the panel and tarnctl find it like any other port.
#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>
#include <string>

class VirtualPort
{
public:
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    static constexpr int firstDefaultNumber = 9;

    // Opens a pseudo-terminal in raw mode at the given baud rate and links its slave as
    // COM<number> in portsDir, or as the lowest free COM<n> from 9 on when number is empty.
    // The directory is created (mode 0700) where missing. A directory that is not the user's
    // alone, up to the runtime directory (see portsdirtrust.h), is refused before anything is
    // made in it. A COM<n> link whose target is gone or is no device is stale and is replaced;
    // one that points to a live device, or a COM<n> that is not a link at all, is left alone
    // and the port is refused. A number that one of systemDevices holds now (see
    // comnamespace.h) is refused too, and skipped by the default pick: taking it would move
    // that port to another number while the camera runs. A link to a network line
    // (rfc2217://, tcp://) is alive, whatever answers there. A number that a link in pinsDir
    // holds (the configuration folder's ports directory when empty) is refused and skipped
    // too: the session's link would hide that pin while the camera runs.
    VirtualPort(const QString &portsDir, std::optional<int> number, int baud,
                const QStringList &systemDevices = {}, const QString &pinsDir = QString());
    ~VirtualPort(); // removes the link, if it is still ours, and closes the master

    VirtualPort(const VirtualPort &) = delete;
    VirtualPort &operator=(const VirtualPort &) = delete;

    int number() const { return m_number; }
    QString name() const { return QStringLiteral("COM%1").arg(m_number); }
    const std::string &slavePath() const { return m_slavePath; }
    const std::string &linkPath() const { return m_linkPath; }
    int masterFd() const { return m_master; }

    // Removes the link now (also done by the destructor).
    void unlink();

private:
    int m_master = -1;
    int m_number = 0;
    std::string m_slavePath;
    std::string m_linkPath;
};

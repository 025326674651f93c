// tarnctl sim --listen: the virtual camera served over raw TCP as well as on its pseudo-terminal,
// so that the network path (tcp://HOST:PORT) can be tried without any server in between.
//
// One client at a time: a camera line has one controller here, and two clients' frames would
// interleave. A second client gets the words ser2net sends for a busy port and is closed, so
// that tarnctl and the panel tell it as a port in use; the sim notes it on standard error.
#pragma once

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTcpServer>
#include <QTcpSocket>

#include <stdexcept>

class SimulatorDriver;

namespace simlisten {

// --listen [HOST:]PORT: HOST a name, an IPv4 address or an IPv6 address in brackets, 127.0.0.1
// when left out; PORT 0 to 65535, 0 taking any free port.
struct Address
{
    QString host = QStringLiteral("127.0.0.1");
    quint16 port = 0;
};

// Throws cli::UsageError naming what is wrong.
Address parseAddress(const QString &text);

} // namespace simlisten

class SimListener : public QObject
{
public:
    class Error : public std::runtime_error
    {
    public:
        using std::runtime_error::runtime_error;
    };

    // Listens on address, handing its client's bytes to driver. Throws Error when the host does
    // not resolve or the address cannot be had.
    SimListener(const simlisten::Address &address, SimulatorDriver &driver);
    ~SimListener() override;

    // "127.0.0.1:4001", "[::1]:4001": where it listens, the port as bound.
    QString endpoint() const;

private:
    void accept();
    void leave();

    SimulatorDriver &m_driver;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
};

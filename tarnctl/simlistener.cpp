#include "simlistener.h"

#include "cli.h"
#include "simulatordriver.h"

#include <QHostInfo>

namespace {

// What ser2net says to a client while another holds the port; the line layer knows it.
constexpr char busyText[] = "Port already in use\r\n";

} // namespace

namespace simlisten {

Address parseAddress(const QString &text)
{
    const auto invalid = [&](const QString &why) {
        return cli::UsageError(
            QStringLiteral("invalid listen address '%1': %2 (expected [HOST:]PORT, an IPv6 "
                           "address in brackets)")
                .arg(text, why));
    };
    Address address;
    QString port = text;
    if (text.startsWith('[')) {
        const qsizetype close = text.indexOf(']');
        if (close < 0)
            throw invalid(QStringLiteral("the IPv6 address has no closing bracket"));
        address.host = text.mid(1, close - 1);
        if (QHostAddress(address.host).protocol() != QAbstractSocket::IPv6Protocol)
            throw invalid(QStringLiteral("%1 is not an IPv6 address").arg(address.host));
        if (text.mid(close + 1, 1) != QStringLiteral(":"))
            throw invalid(QStringLiteral("the port number is missing"));
        port = text.mid(close + 2);
    } else if (const qsizetype colon = text.lastIndexOf(':'); colon >= 0) {
        address.host = text.left(colon);
        port = text.mid(colon + 1);
        if (address.host.contains(':'))
            throw invalid(QStringLiteral("an IPv6 address goes in brackets"));
        if (address.host.isEmpty())
            throw invalid(QStringLiteral("the host is missing"));
    }
    bool ok = !port.isEmpty() && port.size() <= 5;
    for (const QChar c : port)
        ok = ok && c >= '0' && c <= '9';
    const int number = ok ? port.toInt() : -1;
    if (number < 0 || number > 65535)
        throw invalid(QStringLiteral("the port is a number from 0 to 65535"));
    address.port = quint16(number);
    return address;
}

} // namespace simlisten

SimListener::SimListener(const simlisten::Address &address, SimulatorDriver &driver)
    : m_driver(driver)
{
    QHostAddress host(address.host);
    if (host.isNull()) {
        const QHostInfo info = QHostInfo::fromName(address.host);
        if (info.addresses().isEmpty())
            throw Error(QStringLiteral("cannot listen on %1: no such host (the name does not "
                                       "resolve)")
                            .arg(address.host)
                            .toStdString());
        host = info.addresses().front();
    }
    if (!m_server.listen(host, address.port))
        throw Error(QStringLiteral("cannot listen on %1:%2: %3")
                        .arg(host.protocol() == QAbstractSocket::IPv6Protocol
                                 ? '[' + host.toString() + ']'
                                 : host.toString())
                        .arg(address.port)
                        .arg(m_server.errorString())
                        .toStdString());
    connect(&m_server, &QTcpServer::newConnection, this, &SimListener::accept);
}

SimListener::~SimListener()
{
    m_driver.setSecondEnd({});
    if (m_client)
        m_client->abort();
}

QString SimListener::endpoint() const
{
    const QHostAddress host = m_server.serverAddress();
    const QString name = host.protocol() == QAbstractSocket::IPv6Protocol
                             ? '[' + host.toString() + ']'
                             : host.toString();
    return name + ':' + QString::number(m_server.serverPort());
}

void SimListener::accept()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        if (m_client) {
            cli::printError(QStringLiteral("refused a second client from %1:%2: the camera has "
                                           "one network client at a time")
                                .arg(socket->peerAddress().toString())
                                .arg(socket->peerPort()));
            socket->write(busyText);
            socket->disconnectFromHost();
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
            continue;
        }
        m_client = socket;
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] {
            const QByteArray bytes = socket->readAll();
            m_driver.receivedFromSecondEnd(
                std::span(reinterpret_cast<const pelco::Byte *>(bytes.constData()),
                          std::size_t(bytes.size())));
        });
        connect(socket, &QTcpSocket::disconnected, this, &SimListener::leave);
        m_driver.setSecondEnd([socket](std::span<const pelco::Byte> bytes) {
            socket->write(reinterpret_cast<const char *>(bytes.data()), qint64(bytes.size()));
        });
    }
}

void SimListener::leave()
{
    QTcpSocket *socket = m_client;
    if (!socket)
        return;
    // What it sent before it left still reaches the camera.
    if (socket->bytesAvailable() > 0) {
        const QByteArray bytes = socket->readAll();
        m_driver.receivedFromSecondEnd(std::span(
            reinterpret_cast<const pelco::Byte *>(bytes.constData()), std::size_t(bytes.size())));
    }
    m_driver.setSecondEnd({});
    m_client = nullptr;
    socket->deleteLater();
}

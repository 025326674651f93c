#include "networkaddress.h"

#include "line.h"

#include <QHostAddress>

namespace lines {

namespace {

const QString tcpScheme = QStringLiteral("tcp://");
const QString rfc2217Scheme = QStringLiteral("rfc2217://");

[[noreturn]] void malformed(const QString &name, const QString &why)
{
    throw LineError(QStringLiteral("%1 is not a network port: %2 (write tcp://HOST:PORT or "
                                   "rfc2217://HOST:PORT, an IPv6 address in brackets)")
                        .arg(name, why));
}

} // namespace

QString NetworkAddress::endpoint() const
{
    const QString h = host.contains(':') ? '[' + host + ']' : host;
    return h + ':' + QString::number(port);
}

QString NetworkAddress::url() const
{
    return (scheme == Scheme::Tcp ? tcpScheme : rfc2217Scheme) + endpoint();
}

bool isNetworkPortName(QStringView name)
{
    return name.startsWith(tcpScheme, Qt::CaseInsensitive) ||
           name.startsWith(rfc2217Scheme, Qt::CaseInsensitive);
}

NetworkAddress parseNetworkAddress(const QString &name)
{
    NetworkAddress address;
    QStringView rest;
    if (name.startsWith(tcpScheme, Qt::CaseInsensitive)) {
        address.scheme = NetworkAddress::Scheme::Tcp;
        rest = QStringView(name).mid(tcpScheme.size());
    } else if (name.startsWith(rfc2217Scheme, Qt::CaseInsensitive)) {
        address.scheme = NetworkAddress::Scheme::Rfc2217;
        rest = QStringView(name).mid(rfc2217Scheme.size());
    } else {
        malformed(name, QStringLiteral("it names neither tcp:// nor rfc2217://"));
    }

    QStringView host;
    QStringView afterHost;
    if (rest.startsWith('[')) {
        const qsizetype close = rest.indexOf(']');
        if (close < 0)
            malformed(name, QStringLiteral("the IPv6 address has no closing bracket"));
        host = rest.mid(1, close - 1);
        if (QHostAddress(host.toString()).protocol() != QAbstractSocket::IPv6Protocol)
            malformed(name,
                      QStringLiteral("%1 in brackets is not an IPv6 address").arg(host.toString()));
        afterHost = rest.mid(close + 1);
    } else {
        const qsizetype colon = rest.lastIndexOf(':');
        host = colon < 0 ? rest : rest.left(colon);
        afterHost = colon < 0 ? QStringView() : rest.mid(colon);
        if (host.contains(':'))
            malformed(name, QStringLiteral("an IPv6 address goes in brackets"));
        if (host.contains('/') || host.contains('@') || host.contains(' '))
            malformed(name, QStringLiteral("\"%1\" is no host name").arg(host.toString()));
    }
    if (host.isEmpty())
        malformed(name, QStringLiteral("the host is missing"));
    if (!afterHost.startsWith(':') || afterHost.size() == 1)
        malformed(name, QStringLiteral("the port number is missing"));
    const QStringView digits = afterHost.mid(1);
    bool number = !digits.isEmpty() && digits.size() <= 5;
    for (const QChar c : digits)
        number = number && c >= '0' && c <= '9';
    const int port = number ? digits.toInt() : 0;
    if (port < 1 || port > 65535)
        malformed(name, QStringLiteral("the port must be a number from 1 to 65535, not \"%1\"")
                            .arg(digits.toString()));
    address.host = host.toString();
    address.port = quint16(port);
    return address;
}

} // namespace lines

// A network line's port name: tcp://HOST:PORT (the bytes as they are) or rfc2217://HOST:PORT
// (Telnet COM Port Control). HOST is a name, an IPv4 address or an IPv6 address in brackets;
// PORT is 1 to 65535. The scheme may be written in any case.
#pragma once

#include <QString>
#include <QStringView>

namespace lines {

struct NetworkAddress
{
    enum class Scheme { Tcp, Rfc2217 };

    Scheme scheme = Scheme::Tcp;
    QString host; // without brackets
    quint16 port = 0;

    // "HOST:PORT", an IPv6 address in brackets: what errors call the line.
    QString endpoint() const;
    // "rfc2217://HOST:PORT".
    QString url() const;
};

// Whether name starts with one of the two schemes (it may still be malformed).
bool isNetworkPortName(QStringView name);

// Reads name; raises LineError with a text that says what is wrong with it.
NetworkAddress parseNetworkAddress(const QString &name);

} // namespace lines

#include "comnamespace.h"

#include <QStandardPaths>

QString ComNamespace::portsDirectory()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation) + "/tarn/ports";
}

const ComNamespace &ComNamespace::instance()
{
    static const ComNamespace snapshot = read(portsDirectory(), {});
    return snapshot;
}

ComNamespace ComNamespace::read(const QString &, const QStringList &)
{
    return {};
}

std::optional<ComPort> ComNamespace::find(int number) const
{
    for (const ComPort &port : m_ports)
        if (port.number == number)
            return port;
    return std::nullopt;
}

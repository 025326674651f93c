#include "lineforname.h"

#include "networkaddress.h"
#include "rfc2217line.h"
#include "serialline.h"
#include "tcpline.h"

namespace lines {

std::unique_ptr<Line> makeLine(const QString &portName, QObject *parent)
{
    if (portName.startsWith(QStringLiteral("tcp://"), Qt::CaseInsensitive))
        return std::make_unique<TcpLine>(parent);
    if (portName.startsWith(QStringLiteral("rfc2217://"), Qt::CaseInsensitive))
        return std::make_unique<Rfc2217Line>(parent);
    return std::make_unique<SerialLine>(parent);
}

QString rateNotice(const QString &portName)
{
    if (!portName.startsWith(QStringLiteral("tcp://"), Qt::CaseInsensitive))
        return {};
    return QStringLiteral("%1 is a raw TCP line: its rate and format are set on the server and "
                          "cannot be set from here (rfc2217:// can)")
        .arg(portName);
}

} // namespace lines

#include "simline.h"

#include "hex.h"

#include <QTime>

#include <cstdio>

using pelco::Byte;
using pelco::PelcoEvent;
using pelco::protocolLetter;
using pelco::toHex;

namespace simline {

QString timestamp()
{
    return QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
}

QString format(const PelcoEvent &event, const QString &note, const QString &tail)
{
    QString line = timestamp() + "  " +
                   QString::fromStdString(toHex(event.bytes.data(), event.bytes.size())) + "  " +
                   QString::fromStdString(describe(event));
    if (!note.isEmpty())
        line += " (" + note + ")";
    if (!tail.isEmpty())
        line += "  " + tail;
    return line;
}

QString monitorLine(const PelcoEvent &event)
{
    const char mark =
        event.type == PelcoEvent::Type::Skipped ? '-' : protocolLetter(event.protocol);
    return timestamp() + "  " + mark + "  " +
           QString::fromStdString(toHex(event.bytes.data(), event.bytes.size())) + "  " +
           QString::fromStdString(describe(event));
}

QString noiseLine(const std::vector<Byte> &bytes, int lineBaud, int cameraBaud, const QString &tail)
{
    constexpr std::size_t shown = 32;
    QString hex = QString::fromStdString(toHex(bytes.data(), std::min(bytes.size(), shown)));
    if (bytes.size() > shown)
        hex += " ...";
    QString line = timestamp() + "  " + hex +
                   QStringLiteral("  noise: %1 %2 at %3 baud, the camera is at %4")
                       .arg(bytes.size())
                       .arg(bytes.size() == 1 ? "byte" : "bytes")
                       .arg(lineBaud)
                       .arg(cameraBaud);
    if (!tail.isEmpty())
        line += "  " + tail;
    return line;
}

void printLine(const QString &line)
{
    std::fputs(qPrintable(line + '\n'), stdout);
    std::fflush(stdout);
}

} // namespace simline

#include "comnamespace.h"

#include "line.h"
#include "networkaddress.h"
#include "portdiscovery.h"
#include "portname.h"
#include "portsdirtrust.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSerialPortInfo>
#include <QStandardPaths>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <map>
#include <pwd.h>
#include <set>
#include <unistd.h>

namespace {

constexpr int firstNumber = lines::firstComNumber;
constexpr int lastNumber = lines::lastComNumber;
constexpr qsizetype maxNameBytes = 24;

// Device names in a stable, natural order: digit runs compare as numbers, so ttyS2 comes
// before ttyS10 and COM numbers follow the order an operator expects.
bool naturalLess(const QString &a, const QString &b)
{
    qsizetype i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (a[i].isDigit() && b[j].isDigit()) {
            qsizetype ei = i, ej = j;
            while (ei < a.size() && a[ei].isDigit())
                ++ei;
            while (ej < b.size() && b[ej].isDigit())
                ++ej;
            qsizetype si = i, sj = j; // past leading zeros
            while (si + 1 < ei && a[si] == QLatin1Char('0'))
                ++si;
            while (sj + 1 < ej && b[sj] == QLatin1Char('0'))
                ++sj;
            if (ei - si != ej - sj)
                return ei - si < ej - sj;
            const int order =
                QStringView(a).mid(si, ei - si).compare(QStringView(b).mid(sj, ej - sj));
            if (order != 0)
                return order < 0;
            i = ei;
            j = ej;
        } else {
            if (a[i] != b[j])
                return a[i] < b[j];
            ++i;
            ++j;
        }
    }
    if ((a.size() - i) != (b.size() - j))
        return (a.size() - i) < (b.size() - j);
    return a < b;
}

// Bytes of text in the list: the port source hands the names over in the local 8-bit encoding
// (UTF-8 here), and the list's buffer holds 24 bytes, not 24 characters.
qsizetype byteSize(const QString &text)
{
    return text.toLocal8Bit().size();
}

// The longest start (or end) of text that takes at most bytes, cut between two characters as the
// reader sees them, so that no multi-byte sequence, surrogate pair or accent is split.
QString fittingPart(const QString &text, qsizetype bytes, bool fromEnd)
{
    QTextBoundaryFinder boundaries(QTextBoundaryFinder::Grapheme, text);
    if (fromEnd)
        boundaries.toEnd();
    qsizetype best = fromEnd ? text.size() : 0;
    for (;;) {
        const qsizetype at =
            fromEnd ? boundaries.toPreviousBoundary() : boundaries.toNextBoundary();
        if (at < 0)
            break;
        if (byteSize(fromEnd ? text.mid(at) : text.left(at)) > bytes)
            break;
        best = at;
    }
    return fromEnd ? text.mid(best) : text.left(best);
}

// The start and the end of text around a "~", in at most room bytes.
QString headAndTail(const QString &text, qsizetype room)
{
    const QString tail = fittingPart(text, std::min<qsizetype>(6, (room - 1) / 2), true);
    const QString head = fittingPart(text, room - 1 - byteSize(tail), false);
    return head + QLatin1Char('~') + tail;
}

// A link name from /dev/serial/ in parts: what tells adapters of one make apart (key), a hint
// of the make or the machine in front of it (hint), and the interface and port when not 0
// (suffix); whole is the name without what every such name has.
struct SerialLinkName
{
    QString whole;
    QString hint;
    QString key;
    QString suffix;
};

std::optional<SerialLinkName> splitSerialLinkName(const QString &name)
{
    // by-path, "<controller>-usb-<hub ports>:<config>.<interface>[-port<N>]": adapters in
    // different sockets differ in the hub ports.
    static const QRegularExpression byPath(
        QStringLiteral("^(.+)-(usb(?:v[0-9])?-[0-9][0-9.:]*)(?:-port([0-9]+))?$"));
    // by-id, "<bus>-<vendor>_<product>_<serial>-if<NN>[-port<N>]": adapters of one make differ
    // in the serial number, the last field, and on a multi-port adapter in the interface or
    // port. The bus ("usb-") is the same for all.
    static const QRegularExpression byId(
        QStringLiteral("^[a-z0-9]+-(.+)-if([0-9A-Fa-f]{2})(?:-port([0-9]+))?$"));
    const auto port = [](const QRegularExpressionMatch &m, int group) {
        return m.hasCaptured(group) && m.captured(group) != QLatin1String("0")
                   ? QStringLiteral("-port") + m.captured(group)
                   : QString();
    };
    if (const auto m = byPath.match(name); m.hasMatch()) {
        const QString suffix = port(m, 3);
        return SerialLinkName{m.captured(1) + QLatin1Char('-') + m.captured(2) + suffix,
                              m.captured(1), m.captured(2), suffix};
    }
    if (const auto m = byId.match(name); m.hasMatch()) {
        const QString body = m.captured(1);
        QString suffix;
        if (m.captured(2) != QLatin1String("00"))
            suffix += QStringLiteral("-if") + m.captured(2);
        suffix += port(m, 3);
        // A product without a serial number (CH340 converters) has the same name on every
        // adapter; no cut can tell those apart.
        const qsizetype split = body.lastIndexOf(QLatin1Char('_'));
        return SerialLinkName{body + suffix, split < 0 ? QString() : body.left(split),
                              body.mid(split + 1), suffix};
    }
    return std::nullopt;
}

// A /dev/serial/ link name in at most room bytes, when it does not fit as it is: without what
// every such name has, else a short hint and the key (from its end, if it must be cut) around
// a "~", then the suffix: "FTDI_FT2~A50285BI". Empty for other names, or when the suffix
// leaves no room.
QString shortenedSerialLinkName(const QString &name, qsizetype room)
{
    const auto parts = splitSerialLinkName(name);
    if (!parts)
        return {};
    if (byteSize(parts->whole) <= room)
        return parts->whole;
    constexpr qsizetype hintBytes = 4; // "FTDI", "1a86", "Sili": enough to know the make
    const qsizetype budget = room - byteSize(parts->suffix) - 1;
    const qsizetype minHint = std::min(hintBytes, byteSize(parts->hint));
    if (budget < minHint + 1)
        return {};
    const QString key = fittingPart(parts->key, budget - minHint, true);
    return fittingPart(parts->hint, budget - byteSize(key), false) + QLatin1Char('~') + key +
           parts->suffix;
}

// The device as the list shows it, in at most room bytes: the path below /dev/ ("ttyUSB0",
// "pts/3"), else the whole path; when that does not fit, the file name; when even that does not
// fit, a /dev/serial/ link name keeps what tells adapters apart (above), and any other name its
// start and its end around a "~".
QString displayDevice(const QString &device, qsizetype room)
{
    QString shown = device.startsWith(QLatin1String("/dev/")) ? device.mid(5) : device;
    if (byteSize(shown) <= room)
        return shown;
    shown = QFileInfo(device).fileName();
    if (shown.isEmpty())
        shown = device;
    if (byteSize(shown) <= room)
        return shown;
    const QString serialLink = shortenedSerialLinkName(shown, room);
    return serialLink.isEmpty() ? headAndTail(shown, room) : serialLink;
}

QString canonical(const QString &path)
{
    const QString resolved = QFileInfo(path).canonicalFilePath();
    return resolved.isEmpty() ? QDir::cleanPath(path) : resolved;
}

} // namespace

QString comPortName(int number, const QString &device)
{
    const QString prefix = QStringLiteral("COM%1 (").arg(number);
    const qsizetype room = maxNameBytes - byteSize(prefix) - 1;
    return prefix + displayDevice(device, room) + QLatin1Char(')');
}

QString ComNamespace::runtimeDirectory()
{
    // Qt's RuntimeLocation, worked out without letting Qt create or chmod anything: reading the
    // namespace must leave the file system as it found it.
    QString runtime = QString::fromLocal8Bit(qgetenv("XDG_RUNTIME_DIR"));
    if (runtime.isEmpty()) {
        const passwd *pw = getpwuid(geteuid());
        const QString user = pw ? QString::fromLocal8Bit(pw->pw_name) : QString::number(geteuid());
        runtime = QDir::tempPath() + QStringLiteral("/runtime-") + user;
    }
    return runtime;
}

QString ComNamespace::portsDirectory()
{
    return runtimeDirectory() + QStringLiteral("/tarn/ports");
}

QString ComNamespace::configDirectory()
{
    // Qt's location for GenericConfigLocation creates nothing when asked.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
}

QString ComNamespace::configPortsDirectory()
{
    return configDirectory() + QStringLiteral("/tarn/ports");
}

QStringList ComNamespace::systemDevices()
{
    QStringList hardware;
    for (const QSerialPortInfo &info : QSerialPortInfo::availablePorts())
        hardware << info.systemLocation();
    return hardware;
}

const ComNamespace &ComNamespace::instance()
{
    static const ComNamespace snapshot = [] {
        const QStringList hardware = systemDevices();
        // The runtime directory first: it wins a COM<n> both name (see the header).
        const std::pair<QString, QString> folders[] = {
            {portsDirectory(), runtimeDirectory()},
            {configPortsDirectory(), configDirectory()},
        };
        QStringList dirs;
        for (const auto &[ports, root] : folders) {
            const QByteArray portsPath = QFile::encodeName(ports);
            if (const auto why = portsDirectoryDistrust(
                    portsPath.toStdString(), QFile::encodeName(root).toStdString(), geteuid())) {
                // Said once: the snapshot is read once per process.
                std::fprintf(stderr, "%s: ignoring the links in %s: %s; its ports are not listed\n",
                             program_invocation_short_name, portsPath.constData(), why->c_str());
                continue;
            }
            dirs << ports;
        }
        ComNamespace result = read(dirs, hardware);
        for (const QString &hidden : result.hiddenLinks())
            std::fprintf(stderr, "%s: %s is hidden by the link of the same name in %s\n",
                         program_invocation_short_name, qPrintable(hidden),
                         qPrintable(portsDirectory()));
        return result;
    }();
    return snapshot;
}

ComNamespace ComNamespace::read(const QString &portsDir, const QStringList &hardwareDevices)
{
    return read(QStringList{portsDir}, hardwareDevices);
}

ComNamespace ComNamespace::read(const QStringList &portsDirs, const QStringList &hardwareDevices)
{
    ComNamespace result;
    std::set<int> taken;
    std::set<QString> linkedDevices;

    // Links first: each keeps its own number. A link whose target is missing is not listed
    // (the list is read once, so it could never be chosen before the next start), but it
    // still holds its number, so hardware ports do not move when the adapter comes back.
    for (const QString &portsDir : portsDirs) {
        if (portsDir.isEmpty())
            continue;
        const QDir dir(portsDir);
        const QFileInfoList entries =
            dir.entryInfoList(QDir::AllEntries | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
        for (const QFileInfo &entry : entries) {
            if (!entry.isSymLink())
                continue;
            // Only links named exactly COM<n>: com3, COM0 or COM01 are ignored, not guessed at.
            const std::optional<int> linked = lines::comNumberOfLink(entry.fileName());
            if (!linked)
                continue;
            const int number = *linked;
            if (!taken.insert(number).second) {
                result.m_hidden << entry.absoluteFilePath();
                continue;
            }
            const QByteArray raw = QFile::encodeName(entry.absoluteFilePath());
            char buffer[4096];
            const ssize_t n = ::readlink(raw.constData(), buffer, sizeof buffer - 1);
            if (n <= 0)
                continue;
            const QString written = QFile::decodeName(QByteArray(buffer, n));
            // A network line: the URL as the link names it; nothing on disk to find.
            if (lines::isNetworkPortName(written)) {
                try {
                    const lines::NetworkAddress address = lines::parseNetworkAddress(written);
                    result.m_ports.push_back(
                        {number, address.url(), comPortName(number, address.endpoint()), true});
                } catch (const lines::LineError &) {
                }
                continue;
            }
            if (!QFileInfo::exists(entry.absoluteFilePath()))
                continue;
            // The target as the link names it (not fully resolved: /dev/serial/by-id/... stays
            // recognisable), made absolute against the ports directory.
            const QString target = QDir::cleanPath(dir.absoluteFilePath(written));
            linkedDevices.insert(canonical(target));
            result.m_ports.push_back({number, target, comPortName(number, target), true});
        }
    }

    // Hardware ports that no link names, each once, in natural order of their paths, take the
    // lowest free numbers; past COM255 there is no name left for them.
    QStringList hardware;
    std::set<QString> seen;
    for (const QString &device : hardwareDevices) {
        const QString key = canonical(device);
        if (linkedDevices.count(key) || !seen.insert(key).second)
            continue;
        hardware << device;
    }
    std::sort(hardware.begin(), hardware.end(), naturalLess);
    int next = firstNumber;
    for (const QString &device : hardware) {
        while (next <= lastNumber && taken.count(next))
            ++next;
        if (next > lastNumber)
            break;
        taken.insert(next);
        result.m_ports.push_back({next, device, comPortName(next, device), false});
    }

    std::sort(result.m_ports.begin(), result.m_ports.end(), [](const ComPort &a, const ComPort &b) {
        return portListLess(a.name.toStdString(), b.name.toStdString());
    });
    return result;
}

std::optional<ComPort> ComNamespace::find(int number) const
{
    for (const ComPort &port : m_ports)
        if (port.number == number)
            return port;
    return std::nullopt;
}

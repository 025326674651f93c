#include "simline.h"

#include "hex.h"

#include <QSocketNotifier>
#include <QTime>

#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

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

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

struct SignalWatcher::Private
{
    std::function<void(int)> onSignal;
    std::unique_ptr<QSocketNotifier> notifier;
};

SignalWatcher::SignalWatcher(std::function<void(int signal)> callback) : d(new Private)
{
    d->onSignal = std::move(callback);
    std::signal(SIGPIPE, SIG_IGN);
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    d->notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(d->notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (read(signalPipe[0], &byte, 1) == 1)
            d->onSignal(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        sigaction(s, &action, nullptr);
}

SignalWatcher::~SignalWatcher()
{
    for (int s : {SIGINT, SIGTERM, SIGHUP})
        std::signal(s, SIG_DFL);
}

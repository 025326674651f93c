#include "signalwatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kWatched[3] = {SIGINT, SIGTERM, SIGHUP};
int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

SignalWatcher::SignalWatcher(std::function<void(int signal)> callback)
    : m_onSignal(std::move(callback))
{
    // The pipe outlives every watcher: a signal that came just as one went is read by the next.
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their handlers: the process ends as it would have
    m_notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        while (read(signalPipe[0], &byte, 1) == 1)
            if (m_onSignal)
                m_onSignal(byte);
    });
    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(kWatched[i], &action, &m_previous[i]);
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    sigaction(SIGPIPE, &ignore, &m_previous[3]);
}

SignalWatcher::~SignalWatcher()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        sigaction(kWatched[i], &m_previous[i], nullptr);
    sigaction(SIGPIPE, &m_previous[3], nullptr);
    m_notifier.reset();
}

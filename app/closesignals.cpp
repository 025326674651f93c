#include "closesignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
int signalPipe[2] = {-1, -1};

void onSignal(int signal)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t n = write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

CloseSignals::CloseSignals(std::function<void()> onSignal) : m_onSignal(std::move(onSignal))
{
    if (signalPipe[0] < 0 && pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return; // the signals keep their default: the process ends as before
    m_notifier = std::make_unique<QSocketNotifier>(signalPipe[0], QSocketNotifier::Read);
    QObject::connect(m_notifier.get(), &QSocketNotifier::activated, [this] {
        unsigned char byte = 0;
        bool any = false;
        while (read(signalPipe[0], &byte, 1) == 1)
            any = true;
        if (any && m_onSignal)
            m_onSignal();
    });
    struct sigaction action = {};
    action.sa_handler = ::onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &action, &m_previous[i]);
}

CloseSignals::~CloseSignals()
{
    if (!m_notifier)
        return;
    for (int i = 0; i < 3; ++i)
        sigaction(kSignals[i], &m_previous[i], nullptr);
    m_notifier.reset();
}

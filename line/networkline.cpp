#include "networkline.h"

#include <QCoreApplication>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <array>
#include <poll.h>
#include <sys/socket.h>
#include <thread>

namespace lines {

namespace {

// How long write() may take to hand its bytes to the kernel before it is an error.
constexpr int writeTimeoutMs = 2000;

// How long close() waits for the server to end its side after ours.
constexpr int closeTimeoutMs = 1000;

// What a server (ser2net) may take to hand received bytes to its port: closed sooner after
// the last write, it may close its port with them still unwritten.
constexpr std::chrono::milliseconds serverMargin{100};

// What ser2net sends, and then closes, when another client holds the port (kickolduser off):
// the connection's port, or its device through another connection.
const std::array<QByteArray, 2> busyTexts{QByteArray("Port already in use\r\n"),
                                          QByteArray("Port's device already in use\r\n")};

bool startsABusyText(const QByteArray &held)
{
    return std::any_of(busyTexts.begin(), busyTexts.end(),
                       [&](const QByteArray &text) { return text.startsWith(held); });
}

bool isABusyText(const QByteArray &held)
{
    return std::find(busyTexts.begin(), busyTexts.end(), held) != busyTexts.end();
}

[[noreturn]] void raise(const QString &text)
{
    throw LineError(text);
}

} // namespace

struct NetworkLine::Private
{
    NetworkAddress address;
    QString name; // as the caller gave it
    QTcpSocket socket;
    std::chrono::milliseconds timeout = defaultAnswerTimeout;

    bool open = false;    // open() succeeded, until close()
    bool waiting = false; // inside waitFor()
    bool cancelled = false;
    QString failure;   // why the connection could not be made
    bool gone = false; // the connection dropped
    QString goneText;  // ... and the operator's text for it

    QByteArray in;         // received data waiting to be read
    QByteArray held;       // the first bytes received while they may be ser2net's busy text
    bool screening = true; // the first bytes are still being held
    qint64 readBound = 0;
    bool discarding = false; // received data is being dropped: no readyRead for it
    // When what was written will have left the far port, at the line's rate.
    std::chrono::steady_clock::time_point drainedAt;
};

NetworkLine::NetworkLine(NetworkAddress::Scheme scheme, QObject *parent)
    : Line(parent), d(std::make_unique<Private>())
{
    d->address.scheme = scheme;
    connect(&d->socket, &QTcpSocket::readyRead, this, [this] { takeIn(); });
    connect(&d->socket, &QTcpSocket::errorOccurred, this, [this](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError)
            return; // disconnected() follows
        const QString where = endpoint();
        if (!d->open && d->socket.state() != QAbstractSocket::ConnectedState) {
            switch (e) {
            case QAbstractSocket::HostNotFoundError:
                d->failure =
                    QStringLiteral("%1: no such host (the name does not resolve)").arg(where);
                break;
            case QAbstractSocket::ConnectionRefusedError:
                d->failure = QStringLiteral("%1 refused the connection (is ser2net running, and "
                                            "is this its port?)")
                                 .arg(where);
                break;
            default:
                d->failure =
                    QStringLiteral("Cannot connect to %1: %2").arg(where, d->socket.errorString());
            }
            return;
        }
        connectionGone(
            QStringLiteral("The connection to %1 failed: %2").arg(where, d->socket.errorString()),
            QStringLiteral("the connection failed: %1").arg(d->socket.errorString()));
    });
    connect(&d->socket, &QTcpSocket::disconnected, this, [this] { serverClosed(); });
}

NetworkLine::~NetworkLine()
{
    d->socket.disconnect(this);
    d->socket.abort();
}

void NetworkLine::open(const QString &portName, int rate, const Framing &framing)
{
    if (isOpen() || d->waiting)
        raise(QStringLiteral("%1 is already open").arg(d->name));
    const NetworkAddress address = parseNetworkAddress(portName);
    if (address.scheme != d->address.scheme)
        raise(QStringLiteral("%1 is not a port of this kind of line").arg(portName));
    closeConnection();
    d->address = address;
    d->name = portName;
    m_rate = rate;
    m_framing = framing;

    const QDeadlineTimer deadline(d->timeout);
    try {
        d->socket.connectToHost(address.host, address.port);
        waitFor([this] { return d->socket.state() == QAbstractSocket::ConnectedState; }, deadline);
        // A frame is one small write: it leaves at once, not after the previous one's ack.
        d->socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        startSession(rate, framing);
        waitFor([this] { return sessionReady(); }, deadline);
    } catch (...) {
        closeConnection();
        throw;
    }
    // What came before the session's answers predates the line as set.
    d->in.clear();
    d->open = true;
}

void NetworkLine::close()
{
    if (d->waiting)
        d->cancelled = true;
    else if (d->open && connected()) {
        // The last frames reach the far port before the server is told to close it.
        const auto until = d->drainedAt + serverMargin;
        if (until > std::chrono::steady_clock::now())
            std::this_thread::sleep_until(until);
        endInOrder();
    }
    closeConnection();
}

void NetworkLine::endInOrder()
{
    // Closed with received bytes unread (a server's late Telnet notices), the socket would be
    // reset, and a reset makes the server drop what it has not read yet: the last frames. So
    // our side ends first, once all is sent, and what still comes is read and dropped until the
    // server ends its side too.
    d->discarding = true;
    if (::shutdown(int(d->socket.socketDescriptor()), SHUT_WR) == 0) {
        const QDeadlineTimer deadline(closeTimeoutMs);
        while (d->socket.state() == QAbstractSocket::ConnectedState && !deadline.hasExpired()) {
            d->socket.waitForReadyRead(int(std::max<qint64>(1, deadline.remainingTime())));
            d->socket.readAll();
        }
    }
    d->discarding = false;
}

void NetworkLine::closeConnection()
{
    d->socket.abort();
    d->open = false;
    d->gone = false;
    d->goneText.clear();
    d->failure.clear();
    d->in.clear();
    d->held.clear();
    d->screening = true;
}

bool NetworkLine::isOpen() const
{
    return d->open;
}

bool NetworkLine::connected() const
{
    return d->socket.state() == QAbstractSocket::ConnectedState && !d->gone;
}

void NetworkLine::write(std::span<const std::uint8_t> bytes)
{
    if (!d->open)
        raise(QStringLiteral("%1 is not open").arg(d->name.isEmpty() ? "The line" : d->name));
    if (!d->gone) {
        // The server may have closed while the event loop did not run: the kernel would still
        // take the bytes, and they would be lost.
        pollfd p{int(d->socket.socketDescriptor()), POLLRDHUP, 0};
        if (p.fd >= 0 && ::poll(&p, 1, 0) == 1 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR))) {
            // What it said before it closed (a busy port's words) is read first.
            d->socket.waitForReadyRead(0);
            if (!d->gone)
                serverClosed();
        }
    }
    if (d->gone)
        raise(d->goneText);
    std::vector<std::uint8_t> wire;
    wire.reserve(bytes.size() + 8);
    encode(bytes, wire);
    send(wire);
    // When the bytes will have left the far port: ten bits each at the line's rate, after
    // those before them.
    const auto now = std::chrono::steady_clock::now();
    const auto lineTime =
        std::chrono::microseconds(qint64(bytes.size()) * 10 * 1'000'000 / std::max(1, m_rate));
    d->drainedAt = std::max(d->drainedAt, now) + lineTime;
}

void NetworkLine::send(std::span<const std::uint8_t> wire)
{
    if (!connected())
        raise(d->gone ? d->goneText : QStringLiteral("%1 is not connected").arg(endpoint()));
    const qint64 n =
        d->socket.write(reinterpret_cast<const char *>(wire.data()), qint64(wire.size()));
    if (n != qint64(wire.size()))
        raise(QStringLiteral("Writing to %1 failed: %2").arg(endpoint(), d->socket.errorString()));
    d->socket.flush();
    const QDeadlineTimer deadline(writeTimeoutMs);
    while (d->socket.bytesToWrite() > 0) {
        if (!d->socket.waitForBytesWritten(int(std::max<qint64>(1, deadline.remainingTime())))) {
            if (d->gone)
                raise(d->goneText);
            if (deadline.hasExpired())
                raise(QStringLiteral("Writing to %1 failed: the connection took no bytes in %2 s")
                          .arg(endpoint())
                          .arg(writeTimeoutMs / 1000));
            if (d->socket.state() != QAbstractSocket::ConnectedState)
                raise(QStringLiteral("Writing to %1 failed: %2")
                          .arg(endpoint(), d->socket.errorString()));
        }
    }
}

void NetworkLine::waitFor(const std::function<bool()> &done, QDeadlineTimer deadline)
{
    // Wakes the loop at the deadline. A timer may fire a little early (a coarse one by up to 5 %):
    // it is armed again for what is left, or the loop would wait for an event that never comes.
    QTimer wake;
    wake.setSingleShot(true);
    wake.setTimerType(Qt::PreciseTimer);
    const auto arm = [&] {
        wake.start(std::chrono::milliseconds(std::max<qint64>(0, deadline.remainingTime()) + 1));
    };
    arm();
    d->waiting = true;
    d->cancelled = false;
    struct Reset
    {
        bool &waiting;
        ~Reset() { waiting = false; }
    } reset{d->waiting};
    for (;;) {
        if (d->cancelled)
            raise(QStringLiteral("The opening of %1 was cancelled").arg(endpoint()));
        if (!d->failure.isEmpty())
            raise(d->failure);
        if (done())
            return;
        if (d->gone)
            raise(d->goneText);
        if (deadline.hasExpired())
            raise(QStringLiteral("%1 did not answer within %2 s")
                      .arg(endpoint())
                      .arg(QString::number(double(d->timeout.count()) / 1000.0)));
        if (!wake.isActive())
            arm();
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents |
                                        QEventLoop::WaitForMoreEvents);
    }
}

void NetworkLine::takeIn(bool notify)
{
    bool any = false;
    std::vector<std::uint8_t> data, reply;
    while (d->socket.bytesAvailable() > 0) {
        qint64 room = 65536;
        if (d->readBound > 0) {
            room = d->readBound - d->in.size();
            if (room <= 0)
                break;
        }
        const QByteArray wire = d->socket.read(room);
        if (wire.isEmpty())
            break;
        data.clear();
        receive(std::span(reinterpret_cast<const std::uint8_t *>(wire.constData()),
                          std::size_t(wire.size())),
                data, reply);
        const qint64 before = d->in.size();
        deliver(data);
        any = any || d->in.size() > before;
    }
    if (!reply.empty() && d->socket.state() == QAbstractSocket::ConnectedState)
        d->socket.write(reinterpret_cast<const char *>(reply.data()), qint64(reply.size()));
    if (any && d->open && notify && !d->discarding)
        emit readyRead();
}

void NetworkLine::deliver(const std::vector<std::uint8_t> &data)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data.data()), qsizetype(data.size()));
    if (!d->screening) {
        d->in += bytes;
        return;
    }
    d->held += bytes;
    if (!startsABusyText(d->held)) {
        d->screening = false;
        d->in += d->held;
        d->held.clear();
    }
}

void NetworkLine::serverClosed()
{
    takeIn();
    if (isABusyText(d->held)) {
        const QString said = QString::fromLatin1(d->held.trimmed());
        connectionGone(QStringLiteral("%1 is in use by another client (the server said \"%2\")")
                           .arg(endpoint(), said),
                       QStringLiteral("the port is in use by another client"));
    } else {
        connectionGone(QStringLiteral("%1 closed the connection").arg(endpoint()),
                       QStringLiteral("the server closed the connection"));
    }
}

void NetworkLine::connectionGone(const QString &text, const QString &why)
{
    if (d->gone)
        return;
    d->gone = true;
    d->goneText = text;
    if (d->open)
        QMetaObject::invokeMethod(
            this,
            [this, why] {
                if (d->open && d->gone)
                    emit lost(why);
            },
            Qt::QueuedConnection);
}

QByteArray NetworkLine::read(qint64 max)
{
    if (!d->open)
        raise(QStringLiteral("%1 is not open").arg(d->name.isEmpty() ? "The line" : d->name));
    if (d->gone)
        raise(QStringLiteral("Reading from %1 failed: %2").arg(displayName(), d->goneText));
    QByteArray out;
    if (max < 0 || max >= d->in.size()) {
        out.swap(d->in);
    } else {
        out = d->in.left(max);
        d->in.remove(0, max);
    }
    // Bytes the bound kept in the socket come in now that there is room.
    if (d->socket.bytesAvailable() > 0)
        QMetaObject::invokeMethod(
            this, [this] { takeIn(); }, Qt::QueuedConnection);
    return out;
}

qint64 NetworkLine::bytesAvailable() const
{
    return d->in.size();
}

void NetworkLine::discard(Direction direction)
{
    if (!d->open || d->gone)
        return;
    const bool input = direction != Direction::Output;
    const qint64 bound = d->readBound;
    if (input)
        d->readBound = 0; // commands among the dropped bytes still count: read them all
    d->discarding = input;
    purge(direction);
    if (input) {
        takeIn(false);
        d->in.clear();
    }
    d->readBound = bound;
    d->discarding = false;
}

void NetworkLine::setReadBufferSize(qint64 size)
{
    // The bound is kept on the decoded bytes; the socket's own buffer stays unbounded, since Qt
    // does not always resume reading a socket whose full buffer was emptied by read().
    d->readBound = std::max<qint64>(0, size);
}

QString NetworkLine::displayName() const
{
    return d->name.isEmpty() ? d->address.url() : d->name;
}

QString NetworkLine::device() const
{
    return d->address.url();
}

QString NetworkLine::endpoint() const
{
    return d->address.endpoint();
}

void NetworkLine::setAnswerTimeout(std::chrono::milliseconds timeout)
{
    d->timeout = timeout;
}

std::chrono::milliseconds NetworkLine::answerTimeout() const
{
    return d->timeout;
}

} // namespace lines

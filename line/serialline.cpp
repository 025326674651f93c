#include "serialline.h"

#include "comnamespace.h"
#include "portname.h"
#include "ttysettings.h"

#include <QFile>
#include <QFileInfo>
#include <QSerialPort>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace lines {

namespace {

// How long write() may take to hand its bytes to the device before it is an error.
constexpr int writeTimeoutMs = 2000;

QString systemText(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

[[noreturn]] void raise(const QString &text)
{
    throw LineError(text);
}

QString fullName(const QString &name, const QString &device)
{
    return name == device ? device : name + " (" + device + ")";
}

} // namespace

struct SerialLine::Private
{
    PortResolver resolver;
    QString name;   // "COM3", or the device path
    QString device; // the device path
    int rate = 9600;
    Framing framing;

    QSerialPort port;
    // The device hung up: Qt's port is closed so its notifier stops waking the event loop, but
    // the line stays open until closed, and writes and reads fail with a description.
    bool gone = false;
    int lockFd = -1; // our own descriptor on the device, holding the flock while open

    QString fullName() const { return lines::fullName(name, device); }

    void apply()
    {
        QSerialPort::Parity parity = QSerialPort::NoParity;
        switch (framing.parity) {
        case Framing::Parity::None:
            parity = QSerialPort::NoParity;
            break;
        case Framing::Parity::Even:
            parity = QSerialPort::EvenParity;
            break;
        case Framing::Parity::Odd:
            parity = QSerialPort::OddParity;
            break;
        case Framing::Parity::Mark:
            parity = QSerialPort::MarkParity;
            break;
        case Framing::Parity::Space:
            parity = QSerialPort::SpaceParity;
            break;
        }
        QSerialPort::StopBits stop = QSerialPort::OneStop;
        if (framing.stopBits == Framing::StopBits::OneAndHalf)
            stop = QSerialPort::OneAndHalfStop;
        else if (framing.stopBits == Framing::StopBits::Two)
            stop = QSerialPort::TwoStop;

        if (!port.setBaudRate(rate))
            raise(QStringLiteral("%1 cannot run at %2 baud: %3")
                      .arg(fullName())
                      .arg(rate)
                      .arg(port.errorString()));
        if (!port.setDataBits(QSerialPort::DataBits(framing.dataBits)))
            raise(QStringLiteral("%1 cannot use %2 data bits: %3")
                      .arg(fullName())
                      .arg(framing.dataBits)
                      .arg(port.errorString()));
        if (!port.setParity(parity))
            raise(QStringLiteral("%1 cannot use this parity: %2")
                      .arg(fullName(), port.errorString()));
        if (!port.setStopBits(stop))
            raise(QStringLiteral("%1 cannot use %2 stop bits: %3")
                      .arg(fullName(),
                           framing.stopBits == Framing::StopBits::OneAndHalf ? "1.5" : "2",
                           port.errorString()));
        applyFlowControl();
    }

    void applyFlowControl()
    {
        using Flow = Framing::FlowControl;
        const Flow mode = framing.flowControl;
        const QSerialPort::FlowControl flow = mode == Flow::XonXoff ? QSerialPort::SoftwareControl
                                              : mode == Flow::None  ? QSerialPort::NoFlowControl
                                                                    : QSerialPort::HardwareControl;
        if (!port.setFlowControl(flow))
            raise(QStringLiteral("%1 cannot use this handshaking: %2")
                      .arg(fullName(), port.errorString()));
        // The input flags are set here whatever the mode: Qt has no mode for both, it adds
        // IXANY (any byte, not only XON, would restart output), and a program before us may have
        // left other stop and start characters.
        termios tio{};
        if (tcgetattr(int(port.handle()), &tio) != 0)
            raise(QStringLiteral("%1: %2").arg(fullName(), systemText(errno)));
        tio.c_iflag &= ~tcflag_t(IXON | IXOFF | IXANY);
        if (mode == Flow::XonXoff || mode == Flow::RtsCtsXonXoff) {
            tio.c_iflag |= IXON | IXOFF;
            tio.c_cc[VSTART] = 0x11;
            tio.c_cc[VSTOP] = 0x13;
        }
        if (tcsetattr(int(port.handle()), TCSANOW, &tio) != 0)
            raise(QStringLiteral("%1 cannot use this handshaking: %2")
                      .arg(fullName(), systemText(errno)));
    }

    void closePort()
    {
        gone = false;
        // Qt puts back the line settings it found when it closes; a closed line keeps the ones
        // it was given, as a COM port does, so the line stays as configured for the device.
        TtySettings configured{};
        const bool keep = port.isOpen() && lockFd >= 0 && readTtySettings(lockFd, configured);
        if (port.isOpen())
            port.close();
        if (keep)
            writeTtySettings(lockFd, configured);
        if (lockFd >= 0) {
            ::close(lockFd);
            lockFd = -1;
        }
    }
};

SerialLine::SerialLine(QObject *parent)
    : SerialLine(
          [](int number) -> std::optional<QString> {
              if (const auto port = ComNamespace::instance().find(number))
                  return port->device;
              return std::nullopt;
          },
          parent)
{}

SerialLine::SerialLine(PortResolver resolver, QObject *parent)
    : Line(parent), d(std::make_unique<Private>())
{
    d->resolver = std::move(resolver);
    connect(&d->port, &QSerialPort::readyRead, this, &Line::readyRead);
    // A hung-up tty reads as end of file for ever; Qt reports it as a read error and would keep
    // waking the loop for it. Close Qt's side once it is back in the event loop.
    connect(
        &d->port, &QSerialPort::errorOccurred, this,
        [this](QSerialPort::SerialPortError error) {
            if (error == QSerialPort::NoError || !d->port.isOpen() || d->gone)
                return;
            pollfd p{int(d->port.handle()), POLLIN, 0};
            if (::poll(&p, 1, 0) == 1 && (p.revents & (POLLHUP | POLLERR | POLLNVAL)))
                d->gone = true;
        },
        Qt::DirectConnection);
    connect(
        &d->port, &QSerialPort::errorOccurred, this,
        [this] {
            if (d->gone && d->port.isOpen()) {
                d->port.close();
                emit lost(QStringLiteral("the device is gone"));
            }
        },
        Qt::QueuedConnection);
}

SerialLine::~SerialLine()
{
    d->closePort();
}

void SerialLine::open(const QString &portName, int rate, const Framing &framing)
{
    if (isOpen())
        raise(QStringLiteral("%1 is already open").arg(d->name));

    if (const auto number = comNumber(portName)) {
        d->name = comName(*number);
        const std::optional<QString> device = d->resolver ? d->resolver(*number) : std::nullopt;
        if (!device || device->isEmpty())
            raise(QStringLiteral(
                      "%1 does not exist: there is no such port (tarnctl ports lists them)")
                      .arg(d->name));
        d->device = *device;
    } else {
        d->name = portName;
        d->device = portName;
    }
    d->rate = rate;
    d->framing = framing;

    // Our own descriptor first: it tells the operator precisely why a port cannot be had, and
    // its flock keeps every other opener out, root included.
    const QByteArray path = QFile::encodeName(d->device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raise(openErrorText(errno, d->name, d->device));
    if (!isatty(fd)) {
        ::close(fd);
        raise(QStringLiteral("%1 is not a serial port").arg(d->fullName()));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        raise(openErrorText(error, d->name, d->device));
    }
    d->lockFd = fd;

    try {
        // Qt takes a name without a slash for one under /dev/: hand it the whole path.
        d->port.setPortName(QFileInfo(d->device).absoluteFilePath());
        if (!d->port.open(QIODevice::ReadWrite)) {
            // Our descriptor opened, so a refusal now is Qt's lock file held by someone else.
            const QSerialPort::SerialPortError error = d->port.error();
            if (error == QSerialPort::PermissionError)
                raise(openErrorText(EBUSY, d->name, d->device));
            if (error == QSerialPort::DeviceNotFoundError)
                raise(openErrorText(ENOENT, d->name, d->device));
            raise(QStringLiteral("Cannot open %1: %2").arg(d->fullName(), d->port.errorString()));
        }
        d->apply();
        d->port.clear(QSerialPort::AllDirections);
    } catch (...) {
        d->closePort();
        throw;
    }
}

void SerialLine::configure(int rate, const Framing &framing)
{
    const int oldRate = d->rate;
    const Framing oldFraming = d->framing;
    d->rate = rate;
    d->framing = framing;
    if (!d->port.isOpen())
        return;
    try {
        d->apply();
    } catch (...) {
        d->rate = oldRate;
        d->framing = oldFraming;
        try {
            d->apply();
        } catch (...) {
        }
        throw;
    }
}

void SerialLine::close()
{
    d->closePort();
}

bool SerialLine::isOpen() const
{
    return d->port.isOpen() || d->gone;
}

void SerialLine::write(std::span<const std::uint8_t> bytes)
{
    if (!isOpen())
        raise(QStringLiteral("%1 is not open").arg(d->name.isEmpty() ? "The line" : d->name));
    // Our own descriptor on the device: it outlives Qt's when the device hangs up.
    const int fd = d->lockFd;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(writeTimeoutMs);
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK) {
            const int error = errno;
            if (error == EIO || error == ENXIO || error == ENODEV)
                raise(QStringLiteral("Writing to %1 failed: the device is gone (%2)")
                          .arg(d->fullName(), systemText(error)));
            raise(QStringLiteral("Writing to %1 failed: %2").arg(d->fullName(), systemText(error)));
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            raise(QStringLiteral("Writing to %1 failed: the line took only %2 of %3 bytes in %4 s "
                                 "(is the other end holding it with flow control?)")
                      .arg(d->fullName())
                      .arg(done)
                      .arg(bytes.size())
                      .arg(writeTimeoutMs / 1000));
        // The line is full, or held by flow control (a received XOFF, CTS down): wait until it
        // takes bytes again, within the bound.
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(left));
    }
}

QByteArray SerialLine::read(qint64 max)
{
    if (d->gone)
        raise(QStringLiteral("Reading from %1 failed: the device is gone").arg(d->fullName()));
    if (!d->port.isOpen())
        raise(QStringLiteral("%1 is not open").arg(d->name.isEmpty() ? "The line" : d->name));
    return max < 0 ? d->port.readAll() : d->port.read(max);
}

qint64 SerialLine::bytesAvailable() const
{
    return d->port.isOpen() ? d->port.bytesAvailable() : 0;
}

void SerialLine::discard(Direction direction)
{
    if (!d->port.isOpen())
        return;
    d->port.clear(direction == Direction::Input    ? QSerialPort::Input
                  : direction == Direction::Output ? QSerialPort::Output
                                                   : QSerialPort::AllDirections);
}

void SerialLine::setReadBufferSize(qint64 size)
{
    d->port.setReadBufferSize(size);
}

QString SerialLine::displayName() const
{
    return d->fullName();
}

QString SerialLine::device() const
{
    return d->device;
}

QString SerialLine::openErrorText(int errnum, const QString &name, const QString &device)
{
    const QString full = fullName(name, device);
    switch (errnum) {
    case ENOENT:
    case ENODEV:
    case ENXIO:
        return QStringLiteral("%1 does not exist: no such port (is the adapter plugged in?)")
            .arg(full);
    case EACCES:
    case EPERM:
        return QStringLiteral("Permission denied on %1: add your user to the dialout group "
                              "(sudo usermod -aG dialout $USER), then log in again")
            .arg(device);
    case EBUSY:
    case EWOULDBLOCK:
        return QStringLiteral("%1 is in use by another program").arg(full);
    default:
        return QStringLiteral("Cannot open %1: %2").arg(full, systemText(errnum));
    }
}

} // namespace lines

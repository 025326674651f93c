#include "serialcontrol.h"

#include "commsettings.h"
#include "comnamespace.h"
#include "linesettings.h"

#include <QFile>
#include <QSerialPort>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

namespace {

// How long Output may take to hand its bytes to the device before it is an error.
constexpr int outputTimeoutMs = 2000;

// MSComm's defaults for a fresh control.
constexpr short defaultInBufferSize = 1024;
constexpr short defaultOutBufferSize = 512;

QString systemText(int errnum)
{
    return QString::fromLocal8Bit(std::strerror(errnum));
}

[[noreturn]] void raise(const QString &text)
{
    throw CommError(text.toStdString());
}

} // namespace

struct SerialControl::Private
{
    PortResolver resolver;
    QString portName; // set by setPortName; empty means "COM<n>"
    short commPort = 1;
    CommSettings settings;
    long handshaking = comNone;
    short inBufferSize = defaultInBufferSize;
    short outBufferSize = defaultOutBufferSize;
    short inputLen = 0;
    short rThreshold = 0;
    long inputMode = comInputModeText;
    short commEvent = 0;

    QSerialPort port;
    // The device hung up (unplugged, the far end of a pseudo-terminal gone): Qt's port is closed
    // so its notifier stops waking the event loop, but PortOpen stays true until the program
    // closes it, and writes fail with a description, as on a desktop when an adapter is pulled.
    bool gone = false;
    int lockFd = -1; // our own descriptor on the device, holding the flock while open
    QString device;

    QString name() const
    {
        return portName.isEmpty() ? QStringLiteral("COM%1").arg(commPort) : portName;
    }
    // "COM3 (/dev/ttyUSB0)", or the path alone when the port is named by it.
    QString fullName() const { return name() == device ? device : name() + " (" + device + ")"; }

    bool isOpen() const { return port.isOpen() || gone; }

    void requireOpen() const
    {
        if (!isOpen())
            raise(QStringLiteral("The port is not open: choose a port first"));
    }

    void applySettings()
    {
        QSerialPort::Parity parity = QSerialPort::NoParity;
        switch (settings.parity) {
        case CommSettings::Parity::None:
            parity = QSerialPort::NoParity;
            break;
        case CommSettings::Parity::Even:
            parity = QSerialPort::EvenParity;
            break;
        case CommSettings::Parity::Odd:
            parity = QSerialPort::OddParity;
            break;
        case CommSettings::Parity::Mark:
            parity = QSerialPort::MarkParity;
            break;
        case CommSettings::Parity::Space:
            parity = QSerialPort::SpaceParity;
            break;
        }
        QSerialPort::StopBits stop = QSerialPort::OneStop;
        if (settings.stopBits == CommSettings::StopBits::OneAndHalf)
            stop = QSerialPort::OneAndHalfStop;
        else if (settings.stopBits == CommSettings::StopBits::Two)
            stop = QSerialPort::TwoStop;

        if (!port.setBaudRate(settings.baudRate))
            raise(QStringLiteral("%1 cannot run at %2 baud: %3")
                      .arg(fullName())
                      .arg(settings.baudRate)
                      .arg(port.errorString()));
        if (!port.setDataBits(QSerialPort::DataBits(settings.dataBits)))
            raise(QStringLiteral("%1 cannot use %2 data bits: %3")
                      .arg(fullName())
                      .arg(settings.dataBits)
                      .arg(port.errorString()));
        if (!port.setParity(parity))
            raise(QStringLiteral("%1 cannot use this parity: %2")
                      .arg(fullName(), port.errorString()));
        if (!port.setStopBits(stop))
            raise(QStringLiteral("%1 cannot use %2 stop bits: %3")
                      .arg(fullName(),
                           settings.stopBits == CommSettings::StopBits::OneAndHalf ? "1.5" : "2",
                           port.errorString()));
    }

    void applyHandshaking()
    {
        const QSerialPort::FlowControl flow =
            handshaking == comXOnXOff ? QSerialPort::SoftwareControl
            : handshaking == comNone  ? QSerialPort::NoFlowControl
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
        if (handshaking == comXOnXOff || handshaking == comRTSXOnXOff) {
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
        // Qt puts back the line settings it found when it closes; a closed port keeps the ones
        // it was given, as a COM port does, so the line stays as configured for the device.
        LineSettings configured{};
        const bool keep = port.isOpen() && lockFd >= 0 && readLineSettings(lockFd, configured);
        if (port.isOpen())
            port.close();
        if (keep)
            writeLineSettings(lockFd, configured);
        if (lockFd >= 0) {
            ::close(lockFd);
            lockFd = -1;
        }
    }
};

SerialControl::SerialControl(QObject *parent)
    : SerialControl(
          [](int number) -> std::optional<QString> {
              if (const auto port = ComNamespace::instance().find(number))
                  return port->device;
              return std::nullopt;
          },
          parent)
{}

SerialControl::SerialControl(PortResolver resolver, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    d->resolver = std::move(resolver);
    connect(&d->port, &QSerialPort::readyRead, this, [this] {
        if (d->rThreshold <= 0 || d->port.bytesAvailable() < d->rThreshold)
            return;
        d->commEvent = comEvReceive;
        // Nothing may cross the event loop: the event's handler ends here whatever it throws.
        try {
            fireOnComm();
        } catch (...) {
        }
    });
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
            if (d->gone && d->port.isOpen())
                d->port.close();
        },
        Qt::QueuedConnection);
}

SerialControl::~SerialControl()
{
    d->closePort();
}

void SerialControl::setCommPort(short port)
{
    if (d->isOpen())
        raise(QStringLiteral("%1 is open: close it before choosing another port").arg(d->name()));
    if (port < 1 || port > 255)
        raise(QStringLiteral("Port number %1 is not valid: ports are COM1 to COM255").arg(port));
    d->commPort = port;
}

void SerialControl::setHandshaking(long mode)
{
    if (mode < comNone || mode > comRTSXOnXOff)
        raise(QStringLiteral("Handshaking %1 is not valid: expected 0 (none), 1 (XON/XOFF), "
                             "2 (RTS/CTS) or 3 (both)")
                  .arg(mode));
    d->handshaking = mode;
    if (d->port.isOpen())
        d->applyHandshaking();
}

void SerialControl::setInBufferSize(short size)
{
    if (size < 1)
        raise(QStringLiteral("InBufferSize %1 is not valid: expected 1 to 32767").arg(size));
    d->inBufferSize = size;
    d->port.setReadBufferSize(size);
}

void SerialControl::setInBufferCount(short count)
{
    if (count != 0)
        raise(QStringLiteral("InBufferCount can only be set to 0, which discards what waits"));
    if (d->port.isOpen())
        d->port.clear(QSerialPort::Input);
}

void SerialControl::setInputLen(short length)
{
    if (length < 0)
        raise(QStringLiteral("InputLen %1 is not valid: expected 0 (all) to 32767").arg(length));
    d->inputLen = length;
}

void SerialControl::setOutBufferSize(short size)
{
    if (size < 1)
        raise(QStringLiteral("OutBufferSize %1 is not valid: expected 1 to 32767").arg(size));
    d->outBufferSize = size;
}

void SerialControl::setOutBufferCount(short count)
{
    if (count != 0)
        raise(QStringLiteral("OutBufferCount can only be set to 0, which discards what waits"));
    if (d->port.isOpen())
        d->port.clear(QSerialPort::Output);
}

bool SerialControl::portOpen()
{
    return d->isOpen();
}

void SerialControl::setPortOpen(bool open)
{
    if (!open) {
        d->closePort();
        d->commEvent = 0;
        return;
    }
    if (d->isOpen())
        raise(QStringLiteral("%1 is already open").arg(d->name()));

    const std::optional<QString> device = d->resolver ? d->resolver(d->commPort) : std::nullopt;
    if (!device || device->isEmpty())
        raise(QStringLiteral("%1 does not exist: there is no such port (tarnctl ports lists them)")
                  .arg(d->name()));
    d->device = *device;

    // Our own descriptor first: it tells the operator precisely why a port cannot be had, and
    // its flock keeps every other opener out, root included.
    const QByteArray path = QFile::encodeName(d->device);
    const int fd = ::open(path.constData(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        raise(openErrorText(errno, d->name(), d->device));
    if (!isatty(fd)) {
        ::close(fd);
        raise(QStringLiteral("%1 is not a serial port").arg(d->fullName()));
    }
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        raise(openErrorText(error, d->name(), d->device));
    }
    d->lockFd = fd;

    try {
        d->port.setPortName(d->device);
        d->port.setReadBufferSize(d->inBufferSize);
        if (!d->port.open(QIODevice::ReadWrite)) {
            // Our descriptor opened, so a refusal now is Qt's lock file held by someone else.
            const QSerialPort::SerialPortError error = d->port.error();
            if (error == QSerialPort::PermissionError)
                raise(openErrorText(EBUSY, d->name(), d->device));
            if (error == QSerialPort::DeviceNotFoundError)
                raise(openErrorText(ENOENT, d->name(), d->device));
            raise(QStringLiteral("Cannot open %1: %2").arg(d->fullName(), d->port.errorString()));
        }
        d->applySettings();
        d->applyHandshaking();
        d->port.clear(QSerialPort::AllDirections);
        d->commEvent = 0;
    } catch (...) {
        d->closePort();
        throw;
    }
}

void SerialControl::setRThreshold(short threshold)
{
    if (threshold < 0)
        raise(QStringLiteral("RThreshold %1 is not valid: expected 0 (no events) to 32767")
                  .arg(threshold));
    d->rThreshold = threshold;
}

void SerialControl::setSettings(const std::string &settings)
{
    const CommSettings parsed = parseCommSettings(settings);
    const CommSettings old = d->settings;
    d->settings = parsed;
    if (d->port.isOpen()) {
        try {
            d->applySettings();
        } catch (...) {
            d->settings = old;
            try {
                d->applySettings();
            } catch (...) {
            }
            throw;
        }
    }
}

void SerialControl::setOutput(std::span<const BYTE> bytes)
{
    d->requireOpen();
    // Our own descriptor on the device: it outlives Qt's when the device hangs up.
    const int fd = d->lockFd;
    const auto deadline =
        std::chrono::steady_clock::now() + std::chrono::milliseconds(outputTimeoutMs);
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
                      .arg(outputTimeoutMs / 1000));
        // The line is full, or held by flow control (a received XOFF in mode 1, CTS down in
        // mode 2): wait until it takes bytes again, within the bound.
        pollfd p{fd, POLLOUT, 0};
        ::poll(&p, 1, int(left));
    }
}

std::vector<BYTE> SerialControl::input()
{
    d->requireOpen();
    if (d->gone)
        raise(QStringLiteral("Reading from %1 failed: the device is gone").arg(d->fullName()));
    qint64 limit = d->inBufferSize;
    if (d->inputLen > 0)
        limit = std::min<qint64>(limit, d->inputLen);
    const QByteArray data = d->port.read(limit);
    return std::vector<BYTE>(data.begin(), data.end());
}

short SerialControl::commEvent()
{
    return d->commEvent;
}

void SerialControl::setInputMode(long mode)
{
    if (mode != comInputModeText && mode != comInputModeBinary)
        raise(
            QStringLiteral("InputMode %1 is not valid: expected 0 (text) or 1 (binary)").arg(mode));
    d->inputMode = mode;
}

short SerialControl::inBufferCount() const
{
    return short(std::min<qint64>(d->port.bytesAvailable(), 32767));
}

void SerialControl::setPortName(const QString &name)
{
    d->portName = name;
}

QString SerialControl::openErrorText(int errnum, const QString &name, const QString &device)
{
    const QString full = name == device ? device : name + " (" + device + ")";
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

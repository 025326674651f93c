#include "serialcontrol.h"

#include "commsettings.h"
#include "comnamespace.h"
#include "lineforname.h"
#include "networkaddress.h"
#include "portname.h"
#include "serialline.h"

namespace {

// MSComm's defaults for a fresh control.
constexpr short defaultInBufferSize = 1024;
constexpr short defaultOutBufferSize = 512;

[[noreturn]] void raise(const QString &text)
{
    throw CommError(text.toStdString());
}

// Runs a call on the line, raising its failure as the control's error with the same text.
template <typename F> auto onLine(F &&call)
{
    try {
        return call();
    } catch (const lines::LineError &error) {
        throw CommError(error.what());
    }
}

lines::Framing framingOf(const CommSettings &settings, long handshaking)
{
    using lines::Framing;
    Framing framing;
    framing.dataBits = settings.dataBits;
    switch (settings.parity) {
    case CommSettings::Parity::None:
        framing.parity = Framing::Parity::None;
        break;
    case CommSettings::Parity::Even:
        framing.parity = Framing::Parity::Even;
        break;
    case CommSettings::Parity::Odd:
        framing.parity = Framing::Parity::Odd;
        break;
    case CommSettings::Parity::Mark:
        framing.parity = Framing::Parity::Mark;
        break;
    case CommSettings::Parity::Space:
        framing.parity = Framing::Parity::Space;
        break;
    }
    framing.stopBits = settings.stopBits == CommSettings::StopBits::OneAndHalf
                           ? Framing::StopBits::OneAndHalf
                       : settings.stopBits == CommSettings::StopBits::Two ? Framing::StopBits::Two
                                                                          : Framing::StopBits::One;
    framing.flowControl = handshaking == comXOnXOff      ? Framing::FlowControl::XonXoff
                          : handshaking == comRTS        ? Framing::FlowControl::RtsCts
                          : handshaking == comRTSXOnXOff ? Framing::FlowControl::RtsCtsXonXoff
                                                         : Framing::FlowControl::None;
    return framing;
}

} // namespace

struct SerialControl::Private
{
    std::unique_ptr<lines::Line> line;
    // Names CommPort's device at each open; empty when the control was given its line.
    PortResolver resolver;
    short commPort = 1;
    CommSettings settings;
    long handshaking = comNone;
    short inBufferSize = defaultInBufferSize;
    short outBufferSize = defaultOutBufferSize;
    short inputLen = 0;
    short rThreshold = 0;
    long inputMode = comInputModeText;
    short commEvent = 0;
    bool opening = false; // inside the line's open, which may run the event loop
    bool closedWhileOpening = false;

    QString name() const { return lines::comName(commPort); }

    void requireOpen() const
    {
        if (!line->isOpen())
            raise(QStringLiteral("The port is not open: choose a port first"));
    }

    void configure() const
    {
        onLine([&] { line->configure(settings.baudRate, framingOf(settings, handshaking)); });
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
    : SerialControl(std::make_unique<lines::SerialLine>(resolver), parent)
{
    d->resolver = std::move(resolver);
}

SerialControl::SerialControl(std::unique_ptr<lines::Line> line, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{
    attach(std::move(line));
}

void SerialControl::attach(std::unique_ptr<lines::Line> line)
{
    d->line = std::move(line);
    d->line->setReadBufferSize(d->inBufferSize);
    connect(d->line.get(), &lines::Line::readyRead, this, [this] {
        if (d->rThreshold <= 0 || d->line->bytesAvailable() < d->rThreshold)
            return;
        d->commEvent = comEvReceive;
        // Nothing may cross the event loop: the event's handler ends here whatever it throws.
        try {
            fireOnComm();
        } catch (...) {
        }
    });
}

SerialControl::~SerialControl()
{
    d->line->close();
}

void SerialControl::setCommPort(short port)
{
    if (d->line->isOpen())
        raise(QStringLiteral("%1 is open: close it before choosing another port").arg(d->name()));
    if (port < lines::firstComNumber || port > lines::lastComNumber)
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
    d->configure();
}

void SerialControl::setInBufferSize(short size)
{
    if (size < 1)
        raise(QStringLiteral("InBufferSize %1 is not valid: expected 1 to 32767").arg(size));
    d->inBufferSize = size;
    d->line->setReadBufferSize(size);
}

void SerialControl::setInBufferCount(short count)
{
    if (count != 0)
        raise(QStringLiteral("InBufferCount can only be set to 0, which discards what waits"));
    d->line->discard(lines::Line::Direction::Input);
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
    d->line->discard(lines::Line::Direction::Output);
}

bool SerialControl::portOpen()
{
    // Open already while a network line's open waits, so that closing the port (the panel
    // ending) cuts the wait short.
    return d->line->isOpen() || (d->opening && !d->closedWhileOpening);
}

void SerialControl::setPortOpen(bool open)
{
    if (!open) {
        if (d->opening)
            d->closedWhileOpening = true;
        d->line->close();
        d->commEvent = 0;
        return;
    }
    if (d->line->isOpen())
        raise(QStringLiteral("%1 is already open").arg(d->name()));
    // A port whose link names a network line (rfc2217://, tcp://) is opened through a line of
    // that kind, by its URL; any other through a serial line, by its COM name.
    QString portName = d->name();
    if (d->resolver) {
        const std::optional<QString> device = d->resolver(d->commPort);
        const bool network = device && lines::isNetworkPortName(*device);
        if (network)
            portName = *device;
        if (network || !qobject_cast<lines::SerialLine *>(d->line.get()))
            attach(network ? lines::makeLine(portName)
                           : std::make_unique<lines::SerialLine>(d->resolver));
    }
    d->opening = true;
    d->closedWhileOpening = false;
    try {
        onLine([&] {
            d->line->open(portName, d->settings.baudRate, framingOf(d->settings, d->handshaking));
        });
    } catch (const CommError &) {
        d->opening = false;
        // A network line's open waits in the event loop; a close asked for meanwhile (the
        // panel closing) ends it, and the port is closed, as asked: no error to report.
        if (d->closedWhileOpening && !d->line->isOpen())
            return;
        throw;
    }
    d->opening = false;
    d->commEvent = 0;
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
    try {
        d->configure(); // the line keeps its old settings when the new ones fail
    } catch (...) {
        d->settings = old;
        throw;
    }
}

void SerialControl::setOutput(std::span<const BYTE> bytes)
{
    d->requireOpen();
    onLine([&] { d->line->write(bytes); });
}

std::vector<BYTE> SerialControl::input()
{
    d->requireOpen();
    qint64 limit = d->inBufferSize;
    if (d->inputLen > 0)
        limit = std::min<qint64>(limit, d->inputLen);
    const QByteArray data = onLine([&] { return d->line->read(limit); });
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
    return short(std::min<qint64>(d->line->bytesAvailable(), 32767));
}

QString SerialControl::openErrorText(int errnum, const QString &name, const QString &device)
{
    return lines::SerialLine::openErrorText(errnum, name, device);
}

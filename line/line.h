// The line layer: everything that talks to a port goes through a Line.
//
// A Line is opened with a port name (COM<n> through the COM namespace, or a device path), a
// rate and a framing; it writes bytes, reports received bytes with a signal, and closes. Every
// failure is a LineError whose text is meant for the operator. SerialLine (serialline.h) is the
// backend for local serial ports; others (network lines) plug in behind the same interface.
//
// The layer depends on Qt Core and Qt Serial Port, and on Linux; nothing of the panel, the
// protocol or tarnctl.
#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include <cstdint>
#include <span>
#include <stdexcept>
#include <string>

namespace lines {

// A line's failure: the text says what went wrong and, where it can, what to do about it.
class LineError : public std::runtime_error
{
public:
    explicit LineError(const QString &text) : std::runtime_error(text.toStdString()) {}
    QString text() const { return QString::fromStdString(what()); }
};

// Everything but the rate: data bits, parity, stop bits, flow control. The default is the
// panel's line: 8 data bits, no parity, 1 stop bit, no flow control.
struct Framing
{
    enum class Parity { None, Even, Odd, Mark, Space };
    enum class StopBits { One, OneAndHalf, Two };
    enum class FlowControl { None, XonXoff, RtsCts, RtsCtsXonXoff };

    int dataBits = 8;
    Parity parity = Parity::None;
    StopBits stopBits = StopBits::One;
    FlowControl flowControl = FlowControl::None;

    friend bool operator==(const Framing &, const Framing &) = default;
};

class Line : public QObject
{
    Q_OBJECT
public:
    enum class Direction { Input, Output, Both };

    using QObject::QObject;
    ~Line() override = default;

    // Opens the port exclusively at rate and framing, with nothing waiting in either direction.
    // Raises LineError when it is already open or cannot be had.
    virtual void open(const QString &portName, int rate, const Framing &framing) = 0;
    // Another rate or framing, at once, on the open line. Raises LineError; on failure the line
    // keeps what it had.
    virtual void configure(int rate, const Framing &framing) = 0;
    // Closes the line, if open. Never raises.
    virtual void close() = 0;
    // Open until close(), also after the far end hung up (then writes and reads fail).
    virtual bool isOpen() const = 0;

    // Hands all of bytes to the operating system before it returns, or raises LineError.
    virtual void write(std::span<const std::uint8_t> bytes) = 0;
    // Up to max received bytes that wait (all of them when max < 0). Raises LineError.
    virtual QByteArray read(qint64 max = -1) = 0;
    // Received bytes waiting to be read.
    virtual qint64 bytesAvailable() const = 0;
    // Drops what waits in one direction or both.
    virtual void discard(Direction direction) = 0;
    // Bounds what the line takes in before it is read (0: no bound); the rest waits in the OS.
    virtual void setReadBufferSize(qint64 size) = 0;

    // The name errors give the line: "COM3 (/dev/ttyUSB0)", or the path alone.
    virtual QString displayName() const = 0;
    // Where the line leads: the device path (or a network address).
    virtual QString device() const = 0;

signals:
    // Received bytes wait to be read.
    void readyRead();
    // The line is gone (an adapter pulled, the far end hung up): why, for the operator.
    void lost(const QString &why);
};

} // namespace lines

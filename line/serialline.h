// The Line over a local serial port (QSerialPort).
//
//  - A port name COM<n> is resolved through the COM namespace (or the resolver given); any
//    other name is a device path and names itself.
//  - The open is exclusive: besides Qt's lock file and TIOCEXCL the line holds a flock on the
//    device, which also keeps a second opener out when it runs as root. Why a port cannot be
//    had is said plainly (in use, missing, no permission: join the dialout group).
//  - Rates outside the usual list (56000) are asked of the driver as custom rates. Flow
//    control is what the operating system does: with XON/XOFF a received XOFF holds output
//    until XON comes, and the two characters never reach read().
//  - write() hands the bytes to the device before it returns, within a bound of a couple of
//    seconds; a write that cannot complete by then (a line held by flow control) is an error.
//  - A device that hangs up (unplugged, the far end of a pseudo-terminal gone) emits lost(); the
//    line stays open until closed, and writes and reads fail with a description.
//  - A closed line keeps the settings it was given, as a COM port does (Qt alone would put
//    back the ones it found at the open).
#pragma once

#include "line.h"

#include <functional>
#include <memory>
#include <optional>

namespace lines {

class SerialLine : public Line
{
    Q_OBJECT
public:
    // Turns n of COM<n> into a device path; nullopt when there is no such port.
    using PortResolver = std::function<std::optional<QString>(int number)>;

    // COM<n> through the process's COM namespace.
    explicit SerialLine(QObject *parent = nullptr);
    explicit SerialLine(PortResolver resolver, QObject *parent = nullptr);
    ~SerialLine() override; // closes an open line

    void open(const QString &portName, int rate, const Framing &framing) override;
    void configure(int rate, const Framing &framing) override;
    void close() override;
    bool isOpen() const override;
    void write(std::span<const std::uint8_t> bytes) override;
    QByteArray read(qint64 max = -1) override;
    qint64 bytesAvailable() const override;
    void discard(Direction direction) override;
    void setReadBufferSize(qint64 size) override;
    QString displayName() const override;
    QString device() const override;

    // The description of a failure to open device (errno errnum) as port name.
    static QString openErrorText(int errnum, const QString &name, const QString &device);

private:
    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace lines

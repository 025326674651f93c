// The serial communications control over a Line (the line layer's serial line by default).
//
// What the properties mean here:
//  - PortOpen true opens CommPort's device, as the resolver (normally the COM namespace) names
//    it, exclusively: besides Qt's lock file and TIOCEXCL the control holds a flock on the
//    device, which also keeps a second opener out when it runs as root. When the device is a
//    network line's URL (a link to rfc2217://HOST:PORT or tcp://HOST:PORT), the port is that
//    network line: Settings and Handshaking reach the far port through RFC 2217 (a raw TCP
//    line keeps the server's), the buffers are the control's own. The open waits for the
//    server a few seconds at most, running the event loop without user input meanwhile (the
//    window repaints, no click lands in the middle of it). PortOpen reads true while it waits;
//    PortOpen false meanwhile ends the wait, and the open then ends quietly, the port closed.
//  - Settings "baud,parity,data bits,stop bits" is applied at open and, while open, at once.
//    Rates outside the usual list (56000) are asked of the driver as custom rates.
//  - Handshaking 0 none, 1 XON/XOFF, 2 RTS/CTS, 3 both, each as the operating system does it:
//    with XON/XOFF a received XOFF (0x13) holds output until an XON (0x11) comes, and the two
//    characters never reach Input. The panel puts 0, since in Pelco D any byte value is data.
//  - InBufferSize bounds what the control takes off the line (the rest waits in the driver);
//    Input returns at most that many bytes, at most InputLen when it is not 0.
//  - RThreshold n > 0: OnComm with CommEvent 2 when at least n received bytes wait, delivered
//    from the event loop on the control's thread. 0: no receive events.
//  - Output writes the bytes to the device before it returns, within a bound of a couple of
//    seconds; a write that cannot complete by then (a line held by flow control) is an error,
//    like a failed one.
//  - A closed port keeps the line settings it was given, as a COM port does (Qt alone would
//    put back the ones it found at the open).
// Every failure raises CommError with a description meant for the operator; the line's own
// errors (LineError) come through with their text.
#pragma once

#include "mscomm.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace lines {
class Line;
}

class SerialControl : public QObject, public CMSComm
{
    Q_OBJECT
public:
    // Turns CommPort's number into a device path; nullopt when there is no such port.
    using PortResolver = std::function<std::optional<QString>(int number)>;

    // Ports are resolved through the process's COM namespace.
    explicit SerialControl(QObject *parent = nullptr);
    SerialControl(PortResolver resolver, QObject *parent = nullptr);
    // Over any line (a network line, a test's); the control owns it.
    explicit SerialControl(std::unique_ptr<lines::Line> line, QObject *parent = nullptr);
    ~SerialControl() override; // closes an open port

    void setCommPort(short port) override;
    void setHandshaking(long mode) override;
    void setInBufferSize(short size) override;
    void setInBufferCount(short count) override;
    void setInputLen(short length) override;
    void setOutBufferSize(short size) override;
    void setOutBufferCount(short count) override;
    bool portOpen() override;
    void setPortOpen(bool open) override;
    void setRThreshold(short threshold) override;
    void setSettings(const std::string &settings) override;
    void setOutput(std::span<const BYTE> bytes) override;
    std::vector<BYTE> input() override;
    short commEvent() override;
    void setInputMode(long mode) override;

    // The received bytes waiting in the control (at most InBufferSize).
    short inBufferCount() const;

    // The description of a failure to open device (errno errnum) as port name.
    static QString openErrorText(int errnum, const QString &name, const QString &device);

private:
    // Makes line the control's line, its buffer bound and receive events set up.
    void attach(std::unique_ptr<lines::Line> line);

    struct Private;
    std::unique_ptr<Private> d;
};

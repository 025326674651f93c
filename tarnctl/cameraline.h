// The line as tarnctl send, probe and joystick use it: the panel's line (rate,n,8,1, no flow
// control) through the line layer, with frames going out in one write each, and the camera's
// answers read back through the Pelco D receiver.
#pragma once

#include "cli.h"
#include "line.h"
#include "receiver.h"

#include <functional>
#include <memory>
#include <span>
#include <string>

class Interruption;

class CameraLine
{
public:
    // Opens target (COM<n>, a device path as a port of its own, or a network line) at baud.
    // Raises lines::LineError. A raw TCP line keeps the server's rate whatever baud says.
    CameraLine(const cli::PortArg &target, int baud);

    // Another speed, at once, on the open port. What came in at the old one is still there:
    // discardInput() drops it.
    void setBaud(int baud);

    // Drops what waits to be read, so that what comes next answers what goes out next.
    void discardInput();

    // One frame, in one write. Raises lines::LineError.
    void send(std::span<const pelco::Byte> frame);

    // Reads the line for up to timeoutMs, handing every reply that comes in to onReply, until
    // it returns true. Returns whether it did. Raises lines::LineError when the line fails. A
    // signal caught by interruption (when given) ends the wait early.
    bool listen(int timeoutMs, const std::function<bool(const pelco::PelcoReply &)> &onReply,
                Interruption *interruption = nullptr);

    // Bytes read since the last discardInput() that were no reply: noise, bad checksums, the
    // line's own echo of what went out.
    std::size_t strayBytes() const { return m_stray; }

    // Closes the port; the destructor closes one left open.
    void close();

    // How long a raw TCP line waits after connecting for the server to say its port is busy:
    // ser2net says so at once and closes, but a raw connection is made before it can.
    static constexpr int rawSettleMs = 200;

private:
    // Raises lines::LineError if the server closes the connection within rawSettleMs.
    void awaitServersWord();
    // Feeds what the line holds to the receiver; true when onReply took a reply.
    bool take(const std::function<bool(const pelco::PelcoReply &)> &onReply);
    bool handle(const std::vector<pelco::PelcoEvent> &events,
                const std::function<bool(const pelco::PelcoReply &)> &onReply);

    std::unique_ptr<lines::Line> m_line;
    pelco::PelcoReceiver m_receiver;
    std::size_t m_stray = 0;
};

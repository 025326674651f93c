// What the two network lines share: a Line over a TCP connection (QTcpSocket).
//
// The client is our own, over QTcpSocket, rather than libgensio: gensio runs its callbacks from
// its own OS handler, which would need an adapter of descriptors and timers to Qt's event loop,
// while the two protocols take a few hundred lines here and every wait stays inside Qt's loop.
//
//  - open() connects and lets the backend start its session, waiting for both with a bound (the
//    answer timeout, 5 s unless set). While it waits it runs the event loop without user input,
//    so a window repaints and keeps its timers but no click reaches the program in the middle of
//    an open; close() from a timer or signal ends the wait. (Close the line there; do not delete
//    it while it waits.)
//  - Failures have their own texts: a host name that does not resolve, a refused connection, no
//    answer within the bound, a server that closes at once, and ser2net's "Port already in use"
//    (a port that another client holds, with kickolduser off), told apart from a refusal.
//  - write() hands the bytes to the kernel's socket buffer before it returns (TCP_NODELAY, so a
//    frame leaves at once), bounded by a couple of seconds.
//  - close() lets the last frames reach the far port (their time at the line's rate, and 0.1 s
//    for the server) and ends the connection in order (our side first, then the server's,
//    within a second), never with a reset: ser2net drops what it has not written to its port
//    when the client goes.
//  - A connection that drops while open emits lost(); the line stays open until closed, and the
//    next write (or read) fails with the reason, as a serial line whose adapter was pulled does.
//  - The text ser2net sends before closing a busy port is held back, never delivered as data:
//    while the first bytes received match the start of that text they wait, and they are
//    delivered as soon as they no longer do (no camera's reply starts with "Port").
#pragma once

#include "line.h"
#include "networkaddress.h"

#include <QDeadlineTimer>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace lines {

class NetworkLine : public Line
{
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds defaultAnswerTimeout{5000};

    ~NetworkLine() override; // closes an open line

    void open(const QString &portName, int rate, const Framing &framing) override;
    void close() override;
    bool isOpen() const override;
    void write(std::span<const std::uint8_t> bytes) override;
    QByteArray read(qint64 max = -1) override;
    qint64 bytesAvailable() const override;
    void discard(Direction direction) override;
    void setReadBufferSize(qint64 size) override;
    // The port's URL, "rfc2217://gate-pi:2000".
    QString displayName() const override;
    QString device() const override;

    // How long open() (the connection and the server's answers) and a change of settings may
    // wait for the server.
    void setAnswerTimeout(std::chrono::milliseconds timeout);
    std::chrono::milliseconds answerTimeout() const;

protected:
    NetworkLine(NetworkAddress::Scheme scheme, QObject *parent);

    // Sends what the session opens with, once connected (nothing for a raw line).
    virtual void startSession(int rate, const Framing &framing) = 0;
    // Whether the session has what open() waits for; raises LineError once it has failed.
    virtual bool sessionReady() = 0;
    // Turns bytes off the wire into data (appended to data) and answers that go back (reply).
    virtual void receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t> &data,
                         std::vector<std::uint8_t> &reply) = 0;
    // Appends what goes on the wire for data.
    virtual void encode(std::span<const std::uint8_t> data, std::vector<std::uint8_t> &wire) = 0;
    // Asks the server to drop what waits at its port, and waits for it to be done (nothing for a
    // raw line). Never raises.
    virtual void purge(Direction direction) = 0;

    // Sends wire as it is, handed to the kernel before it returns; raises LineError.
    void send(std::span<const std::uint8_t> wire);
    // Runs the event loop (without user input) until done() or the deadline; raises LineError
    // when the server fails, closes, or does not answer in time, or when close() is called.
    void waitFor(const std::function<bool()> &done, QDeadlineTimer deadline);
    // Whether the connection is up and nothing has failed.
    bool connected() const;
    // "HOST:PORT": what errors call the line.
    QString endpoint() const;

    int m_rate = 9600;
    Framing m_framing;

private:
    // Reads what the socket holds (within the read bound); readyRead() if data came and notify.
    void takeIn(bool notify = true);
    void deliver(const std::vector<std::uint8_t> &data);
    // Ends the open connection without a reset, so the server keeps what it has not read yet.
    void endInOrder();
    // The server ended the connection: gone, as a busy port if that is what it said.
    void serverClosed();
    void connectionGone(const QString &text, const QString &why);
    void closeConnection();

    struct Private;
    std::unique_ptr<Private> d;
};

} // namespace lines

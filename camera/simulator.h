// The virtual cameras on a serial line, without the line itself: the bytes read from the line go
// in with the time they were read and the speed the line had; out come the lines to show, the
// answers to write and when the simulator next wants to be called. Time is passed in on every
// call, in nanoseconds from any fixed start, so that tests choose it.
//
// A pseudo-terminal hands over what a client wrote all at once; on a real line each byte takes
// ten bits at the camera's baud, so a frame ends when its last byte would have come in, and an
// answer goes out once the command is in and its own bytes have had their time.
//
// A line may carry several cameras, each at its own address with its own state and presets: a
// frame goes to the camera it names, a query is answered by that camera alone, and the answers
// of all of them take their turns on the line.
//
// tarn_camera, this library: the camera's model and this simulator, plain C++ on the protocol
// core (tarn_ptz). No Qt and no system calls: the port, the clock and the window are
// tarn_camera_qt's (simulatordriver.h).
#pragma once

#include "protocol.h"
#include "receiver.h"
#include "virtualcamera.h"

#include <cstdint>
#include <deque>
#include <optional>
#include <span>
#include <string>
#include <vector>

class Simulator
{
public:
    static constexpr std::int64_t quietNs = 200'000'000; // held-back bytes are shown after this
    static constexpr std::int64_t tickNs = 50'000'000;   // 20 Hz while the camera moves
    static constexpr int bitsPerByte = 10;               // start bit, eight data bits, stop bit

    struct Settings
    {
        std::vector<pelco::Byte> addresses{1}; // one camera each; repeats count once
        int baud = 9600;
        pelco::Protocol protocol = pelco::Protocol::PelcoD;
        VirtualCamera::Replies replies = VirtualCamera::Replies::Queries;
    };

    // Something to show.
    struct Report
    {
        enum class Kind {
            Event, // what the receiver made of bytes at the camera's speed
            Noise, // bytes that came while the line was at another speed
        };
        Kind kind = Kind::Event;
        pelco::PelcoEvent event; // Event only
        std::string note;        // Event only: "ignored: for address 2", "answers FF 01 ...", ...
        std::int64_t lineNs = 0; // Event only: when its last byte came in on the line
        std::vector<pelco::Byte> noise;    // Noise only
        int noiseBaud = 0;                 // Noise only: the line's speed meanwhile
        std::optional<pelco::Byte> camera; // the address of the camera it concerns: a frame's
        // With one camera on the line, that camera's state after it (VirtualCamera::describe),
        // always. With several, "camera 2: " and the state of the camera it concerns, and empty
        // for bytes that concern none (noise, a broken frame, a frame for no camera here).
        std::string tail;
    };

    // The line as the caller finds it when answers fall due.
    struct Line
    {
        bool open = true; // someone has the other end
        int baud = 0;     // the speed they set on it
    };

    // What a call asks of the caller, in this order.
    struct Step
    {
        std::vector<Report> reports;
        std::vector<std::vector<pelco::Byte>> writes; // answers to write on the line now
        bool stateChanged = false;                    // the camera's state may differ: redraw
    };

    Simulator(const Settings &settings, std::int64_t nowNs);

    // Bytes read from the line at nowNs, while the line was at lineBaud.
    Step received(std::span<const pelco::Byte> bytes, int lineBaud, std::int64_t nowNs);

    // Does what is due by nowNs: held-back bytes once the line is quiet, the camera's motion,
    // the answers (dropped when nobody has the line or it is at another speed).
    Step advance(std::int64_t nowNs, const Line &line);

    // When advance() next has something to do; nullopt while nothing waits.
    std::optional<std::int64_t> nextDueNs() const;

    // The end: a frame begun and bytes held back are shown.
    Step finish(std::int64_t nowNs);

    // The cameras, in ascending order of address; camera() is the first.
    const std::vector<VirtualCamera> &cameras() const { return m_cameras; }
    const VirtualCamera &camera() const { return m_cameras.front(); }
    const Settings &settings() const { return m_settings; }
    // One byte's time on the line at the camera's baud.
    std::int64_t byteNs() const { return m_byteNs; }

private:
    struct Reply
    {
        std::int64_t dueNs; // when its last byte would have arrived on a real line
        std::vector<pelco::Byte> bytes;
    };

    void catchUp(std::int64_t nowNs);
    void report(Step &step, const std::vector<pelco::PelcoEvent> &events, std::int64_t lineNs,
                std::int64_t nowNs);
    void flushNoise(Step &step);
    VirtualCamera *cameraAt(pelco::Byte address);
    bool moving() const;
    std::string tail(const VirtualCamera *camera) const;
    void queueReply(const std::vector<pelco::Byte> &bytes, std::int64_t commandEndNs);

    Settings m_settings;
    std::vector<VirtualCamera> m_cameras;
    pelco::PelcoReceiver m_receiver;
    std::int64_t m_byteNs;
    std::int64_t m_lastAdvanceNs;
    std::int64_t m_lineInNs = 0;  // when the bytes read so far have all come in
    std::int64_t m_lineOutNs = 0; // when the answers queued so far have all gone out
    std::optional<std::int64_t> m_quietDueNs;
    std::optional<std::int64_t> m_tickDueNs;
    std::deque<Reply> m_replies;
    std::vector<pelco::Byte> m_noise; // bytes at another speed, not shown yet
    int m_noiseBaud = 0;
};

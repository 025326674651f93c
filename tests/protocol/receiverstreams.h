// Helpers for the receiver tests: frames of both protocols, streams, and a one-line summary of
// each event so that a table can state what a whole stream decodes to.
#pragma once

#include "commandframe.h"
#include "commands.h"
#include "hex.h"
#include "receiver.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

using namespace pelco;

namespace receiverstreams {

using Bytes = std::vector<BYTE>;

inline Bytes frame(BYTE address, const PtzCommand &c)
{
    const auto b = makeFrame(address, c.command1, c.command2, c.data1, c.data2).bytes();
    return Bytes(b.begin(), b.end());
}

inline Bytes frame(BYTE address, BYTE c1, BYTE c2, BYTE d1, BYTE d2)
{
    return frame(address, PtzCommand{c1, c2, d1, d2});
}

// A Pelco P frame: STX, address, data 1 to 4, ETX, the XOR of the seven before.
inline Bytes framePelcoP(BYTE address, BYTE d1, BYTE d2, BYTE d3, BYTE d4)
{
    Bytes b{0xA0, address, d1, d2, d3, d4, 0xAF};
    BYTE x = 0;
    for (BYTE v : b)
        x ^= v;
    b.push_back(x);
    return b;
}

inline Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// All events of a stream, fed in one chunk and finished.
inline std::vector<PelcoEvent> receive(const Bytes &bytes, PelcoReceiver receiver = PelcoReceiver())
{
    auto events = receiver.feed(bytes);
    for (auto &e : receiver.finish())
        events.push_back(std::move(e));
    return events;
}

// One line per event: "frame FF 01 ...: meaning", "P frame A0 ...: meaning" for Pelco P.
inline std::vector<std::string> summary(const std::vector<PelcoEvent> &events)
{
    using Type = PelcoEvent::Type;
    std::vector<std::string> out;
    for (const auto &e : events) {
        const char *type = e.type == Type::Frame             ? "frame"
                           : e.type == Type::BadChecksum     ? "bad"
                           : e.type == Type::BadEtx          ? "bad etx"
                           : e.type == Type::Skipped         ? "skipped"
                           : e.type == Type::GeneralResponse ? "general"
                                                             : "incomplete";
        const std::string protocol =
            e.type != Type::Skipped && e.protocol == Protocol::PelcoP ? "P " : "";
        out.push_back(protocol + type + " " + pelco::toHex(e.bytes.data(), e.bytes.size()) + ": " +
                      describe(e));
    }
    return out;
}

// Feeds the stream in three pieces, split at a and b, and finishes.
inline std::vector<PelcoEvent> receiveSplit(const Bytes &stream, std::size_t a, std::size_t b,
                                            PelcoReceiver receiver)
{
    std::vector<PelcoEvent> events;
    for (auto [from, to] : {std::pair{std::size_t(0), a}, {a, b}, {b, stream.size()}})
        for (auto &e : receiver.feed(std::span(stream).subspan(from, to - from)))
            events.push_back(std::move(e));
    for (auto &e : receiver.finish())
        events.push_back(std::move(e));
    return events;
}

// Fed in three pieces, split at every pair of points, the stream decodes to whole.
inline void expectEverySplitToGive(const std::vector<PelcoEvent> &whole, const Bytes &stream,
                                   const PelcoReceiver &receiver)
{
    for (std::size_t a = 0; a <= stream.size(); ++a)
        for (std::size_t b = a; b <= stream.size(); ++b)
            ASSERT_EQ(receiveSplit(stream, a, b, receiver), whole)
                << "split at " << a << " and " << b;
}

// A stream and the summary of the events it decodes to.
struct StreamCase
{
    const char *what;
    Bytes stream;
    std::vector<std::string> events;
};

// Each case's stream, fed whole to a copy of receiver and finished, gives its events.
inline void expectStreams(const PelcoReceiver &receiver, std::initializer_list<StreamCase> cases)
{
    for (const StreamCase &c : cases)
        EXPECT_EQ(summary(receive(c.stream, receiver)), c.events) << c.what;
}

} // namespace receiverstreams

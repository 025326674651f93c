#include "rfc2217.h"
#include "telnetcodec.h"

#include <gtest/gtest.h>

namespace {

using telnet::Bytes;
using telnet::Decoder;
using telnet::Event;
using Kind = telnet::Event::Kind;

struct Decoded
{
    Bytes data;
    std::vector<Event> events;
};

Decoded decodeInPieces(const Bytes &stream, const std::vector<std::size_t> &cuts)
{
    Decoder decoder;
    Decoded out;
    std::size_t from = 0;
    for (std::size_t cut : cuts) {
        decoder.feed(std::span(stream).subspan(from, cut - from), out.data, out.events);
        from = cut;
    }
    decoder.feed(std::span(stream).subspan(from), out.data, out.events);
    return out;
}

struct StreamCase
{
    const char *what;
    Bytes stream;
    Bytes data;
    std::vector<Event> events;
};

// Streams as ser2net and other servers send them, with what a receiver must make of them.
const std::vector<StreamCase> streams{
    {"plain data", {0x01, 0x02, 0xA0}, {0x01, 0x02, 0xA0}, {}},
    {"IAC IAC is one data byte 255",
     {0xFF, 0xFF, 0x01, 0xFF, 0xFF, 0xFF, 0xFF},
     {0xFF, 0x01, 0xFF, 0xFF},
     {}},
    {"ser2net's greeting",
     {255, 251, 3, 255, 253, 3, 255, 251, 1, 255, 254, 1, 255, 253, 0, 255, 251, 0, 255, 253, 44},
     {},
     {{Kind::Will, 3, {}},
      {Kind::Do, 3, {}},
      {Kind::Will, 1, {}},
      {Kind::Dont, 1, {}},
      {Kind::Do, 0, {}},
      {Kind::Will, 0, {}},
      {Kind::Do, 44, {}}}},
    {"an answer of 9600 baud between data bytes",
     {0x10, 255, 250, 44, 101, 0, 0, 0x25, 0x80, 255, 240, 0x20},
     {0x10, 0x20},
     {{Kind::Subnegotiation, 44, {101, 0, 0, 0x25, 0x80}}}},
    {"IAC IAC inside a subnegotiation: 65535 baud",
     {255, 250, 44, 101, 0, 0, 255, 255, 255, 255, 255, 240},
     {},
     {{Kind::Subnegotiation, 44, {101, 0, 0, 255, 255}}}},
    {"two-byte commands are no data",
     {0x01, 255, 241, 0x02, 255, 249, 0x03},
     {0x01, 0x02, 0x03},
     {{Kind::Command, 241, {}}, {Kind::Command, 249, {}}}},
    {"a subnegotiation ended by another command",
     {255, 250, 44, 107, 0, 255, 253, 3, 0x07},
     {0x07},
     {{Kind::Subnegotiation, 44, {107, 0}}, {Kind::Do, 3, {}}}},
    {"a busy server's text after its greeting",
     {255, 251, 3, 'P', 'o', 'r', 't', '\r', '\n'},
     {'P', 'o', 'r', 't', '\r', '\n'},
     {{Kind::Will, 3, {}}}},
};

TEST(TelnetDecoder, EveryStreamDecodesTheSameWhereverItIsCut)
{
    for (const StreamCase &c : streams) {
        const Decoded whole = decodeInPieces(c.stream, {});
        EXPECT_EQ(whole.data, c.data) << c.what;
        EXPECT_EQ(whole.events, c.events) << c.what;
        // Every cut into two and three pieces, and byte by byte.
        for (std::size_t i = 0; i <= c.stream.size(); ++i) {
            for (std::size_t j = i; j <= c.stream.size(); ++j) {
                const Decoded pieces = decodeInPieces(c.stream, {i, j});
                EXPECT_EQ(pieces.data, c.data) << c.what << " cut at " << i << ", " << j;
                EXPECT_EQ(pieces.events, c.events) << c.what << " cut at " << i << ", " << j;
            }
        }
        std::vector<std::size_t> everyByte;
        for (std::size_t i = 1; i < c.stream.size(); ++i)
            everyByte.push_back(i);
        EXPECT_EQ(decodeInPieces(c.stream, everyByte).data, c.data) << c.what;
    }
}

TEST(TelnetDecoder, AnOverlongSubnegotiationKeepsItsStartAndEnds)
{
    Bytes stream{255, 250, 44};
    stream.insert(stream.end(), 1000, 0x41);
    stream.insert(stream.end(), {255, 240, 0x05});
    const Decoded out = decodeInPieces(stream, {});
    ASSERT_EQ(out.events.size(), 1u);
    EXPECT_EQ(out.events[0].payload, Bytes(Decoder::maxPayload, 0x41));
    EXPECT_EQ(out.data, Bytes{0x05});
}

TEST(TelnetEncoding, DataAndRequestsAsTheyGoOnTheWire)
{
    Bytes out;
    const Bytes frame{0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    telnet::appendEscaped(out, frame);
    EXPECT_EQ(out, Bytes(14, 0xFF));

    out.clear();
    const Bytes up{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48};
    telnet::appendEscaped(out, up);
    EXPECT_EQ(out, (Bytes{0xFF, 0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48}));

    const struct
    {
        rfc2217::Setting setting;
        Bytes wire;
    } requests[] = {
        {{rfc2217::Command::SetBaudRate, 9600}, {255, 250, 44, 1, 0, 0, 0x25, 0x80, 255, 240}},
        {{rfc2217::Command::SetBaudRate, 0x1FFFF},
         {255, 250, 44, 1, 0, 1, 255, 255, 255, 255, 255, 240}},
        {{rfc2217::Command::SetDataSize, 8}, {255, 250, 44, 2, 8, 255, 240}},
        {{rfc2217::Command::SetParity, 1}, {255, 250, 44, 3, 1, 255, 240}},
        {{rfc2217::Command::SetStopSize, 1}, {255, 250, 44, 4, 1, 255, 240}},
        {{rfc2217::Command::SetControl, 1}, {255, 250, 44, 5, 1, 255, 240}},
        {{rfc2217::Command::PurgeData, 3}, {255, 250, 44, 12, 3, 255, 240}},
    };
    for (const auto &r : requests) {
        out.clear();
        rfc2217::appendRequest(out, r.setting);
        EXPECT_EQ(out, r.wire) << int(r.setting.command);
    }
}

TEST(Rfc2217Answers, ServerAnswersAreReadAndNothingElse)
{
    using rfc2217::Command;
    using rfc2217::Setting;
    const struct
    {
        Event event;
        std::optional<Setting> answer;
    } cases[] = {
        {{Kind::Subnegotiation, 44, {101, 0, 0, 0x12, 0xC0}}, Setting{Command::SetBaudRate, 4800}},
        {{Kind::Subnegotiation, 44, {102, 7}}, Setting{Command::SetDataSize, 7}},
        {{Kind::Subnegotiation, 44, {105, 1}}, Setting{Command::SetControl, 1}},
        {{Kind::Subnegotiation, 44, {1, 0, 0, 0x12, 0xC0}}, std::nullopt}, // a client's request
        {{Kind::Subnegotiation, 44, {101, 0x12, 0xC0}}, std::nullopt},     // short
        {{Kind::Subnegotiation, 44, {102, 7, 7}}, std::nullopt},           // long
        {{Kind::Subnegotiation, 24, {102, 7}}, std::nullopt},              // another option
        {{Kind::Subnegotiation, 44, {}}, std::nullopt},
        {{Kind::Do, 44, {}}, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(rfc2217::readAnswer(c.event), c.answer);
    EXPECT_EQ(rfc2217::describe({Command::SetBaudRate, 4800}), "4800 baud");
    EXPECT_EQ(rfc2217::describe({Command::SetParity, 3}), "even parity");
    EXPECT_EQ(rfc2217::describe({Command::SetStopSize, 2}), "2 stop bits");
}

} // namespace

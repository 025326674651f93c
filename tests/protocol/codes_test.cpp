// The code table read both ways: every command kind encodes and decodes back in each dialect
// that has it, and the worked examples of the protocol documents come out byte for byte.
#include "command.h"
#include "frame.h"
#include "hex.h"
#include "reply.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <functional>
#include <set>

using namespace pelco;

namespace {

using Kind = PelcoCommand::Kind;

// The command a frame carries, decoded the way the receiver does after its checks.
PelcoCommand decodeBytes(Protocol protocol, const std::vector<Byte> &bytes)
{
    const std::optional<Frame> frame = Frame::decode(protocol, bytes);
    EXPECT_TRUE(frame) << toHex(bytes);
    return frame ? decodeFrame(*frame) : PelcoCommand{};
}

// A command's meaning without what the frame adds (address, payload, checksum).
PelcoCommand meaningOf(PelcoCommand c)
{
    c.address = 0;
    c.payload = {};
    c.checksum = 0;
    return c;
}

// Every extended kind with an argument that fills its bytes, in each dialect: encoded, framed,
// decoded, and encoded again.
TEST(CodeTable, EveryExtendedKindRoundTripsInEachDialectThatHasIt)
{
    std::set<Kind> seen;
    for (const ExtendedCode &row : extendedCodes) {
        seen.insert(row.kind);
        PelcoCommand command = commandOf(row.kind);
        command.preset = row.argument == Argument::Preset ? 0xA5 : 0;
        command.argument =
            row.argument == Argument::Number || row.argument == Argument::Mode ? 2 : 0;
        command.value = row.argument == Argument::Position ? 0x8C9F : 0;
        for (const Protocol protocol : allProtocols) {
            SCOPED_TRACE(std::string(row.name) + " in " + std::string(protocolName(protocol)));
            command.protocol = protocol;
            const std::optional<Payload> payload = encode(command, protocol);
            ASSERT_EQ(payload.has_value(), row.code[std::size_t(protocol)].has_value());
            if (!payload) {
                // Its Pelco D code means nothing agreed in this dialect.
                const Payload foreign{0x00, *row.code[0], 0x00, 0x00};
                EXPECT_EQ(decodeFrame(protocol, 1, foreign, 0).kind, Kind::Unknown);
                continue;
            }
            EXPECT_EQ((*payload)[0], 0x00);
            EXPECT_EQ((*payload)[1], *row.code[std::size_t(protocol)]);
            EXPECT_EQ((*payload)[1] & 0x01, 0x01) << "an extended code is odd";
            const auto bytes = frameBytes(protocol, 7, *payload);
            const PelcoCommand decoded = decodeBytes(protocol, bytes);
            EXPECT_EQ(meaningOf(decoded), meaningOf(command));
            EXPECT_EQ(decoded.address, 7);
            EXPECT_EQ(decoded.payload, *payload);
            EXPECT_EQ(encode(decoded, protocol), payload);
        }
    }
    EXPECT_EQ(seen.size(), std::size(extendedCodes)) << "one row per kind";
}

struct StandardCase
{
    const char *what;
    std::function<void(PelcoCommand &)> set;
    std::array<bool, protocolCount> sent; // Pelco D, Pelco P
};

const StandardCase kStandard[] = {
    {"stop", [](PelcoCommand &) {}, {true, true}},
    {"pan right", [](PelcoCommand &c) { c.panRight = true, c.panSpeed = 0x3F; }, {true, true}},
    {"pan left turbo",
     [](PelcoCommand &c) { c.panLeft = true, c.panSpeed = pelcoTurboSpeed; },
     {true, true}},
    {"tilt up", [](PelcoCommand &c) { c.tiltUp = true, c.tiltSpeed = 0x14; }, {true, true}},
    {"tilt down", [](PelcoCommand &c) { c.tiltDown = true, c.tiltSpeed = 0; }, {true, true}},
    {"diagonal",
     [](PelcoCommand &c) { c.tiltDown = c.panRight = true, c.panSpeed = 1, c.tiltSpeed = 2; },
     {true, true}},
    {"zoom tele", [](PelcoCommand &c) { c.zoomTele = true; }, {true, true}},
    {"zoom wide", [](PelcoCommand &c) { c.zoomWide = true; }, {true, true}},
    {"focus far", [](PelcoCommand &c) { c.focusFar = true; }, {true, true}},
    {"focus near", [](PelcoCommand &c) { c.focusNear = true; }, {true, true}},
    {"iris open", [](PelcoCommand &c) { c.irisOpen = true; }, {true, true}},
    {"iris close", [](PelcoCommand &c) { c.irisClose = true; }, {true, true}},
    {"camera on", [](PelcoCommand &c) { c.cameraOn = true; }, {true, true}},
    {"camera off", [](PelcoCommand &c) { c.cameraOn = false; }, {true, true}},
    {"auto scan", [](PelcoCommand &c) { c.autoScan = true; }, {true, false}},
    {"manual scan", [](PelcoCommand &c) { c.autoScan = false; }, {true, false}},
    {"camera on, auto scan",
     [](PelcoCommand &c) { c.cameraOn = c.autoScan = true; },
     {true, false}},
    {"camera off, auto scan",
     [](PelcoCommand &c) { c.cameraOn = false, c.autoScan = true; },
     {false, false}}, // Pelco D's one sense bit cannot say both
};

TEST(CodeTable, EveryStandardFunctionRoundTripsInEachDialectThatSendsIt)
{
    for (const StandardCase &row : kStandard) {
        PelcoCommand command;
        row.set(command);
        for (const Protocol protocol : allProtocols) {
            SCOPED_TRACE(std::string(row.what) + " in " + std::string(protocolName(protocol)));
            command.protocol = protocol;
            const std::optional<Payload> payload = encode(command, protocol);
            ASSERT_EQ(payload.has_value(), row.sent[std::size_t(protocol)]);
            if (!payload)
                continue;
            const PelcoCommand decoded = decodeBytes(protocol, frameBytes(protocol, 1, *payload));
            EXPECT_EQ(meaningOf(decoded), meaningOf(command)) << describe(decoded);
            EXPECT_EQ(encode(decoded, protocol), payload);
        }
    }
}

// What is decoded in a dialect encodes back to the same meaning there, for every payload whose
// first byte is 0 or a single bit (the standard and extended ground).
TEST(CodeTable, DecodedPayloadsEncodeBackToThemselves)
{
    for (const Protocol protocol : allProtocols) {
        for (int b0 : {0x00, 0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80}) {
            for (int b1 = 0; b1 < 256; ++b1) {
                const Payload payload{Byte(b0), Byte(b1), 0x12, 0x34};
                const PelcoCommand c = decodeFrame(protocol, 1, payload, 0);
                const auto again = encode(c, protocol);
                if (!again) {
                    // Only Pelco P's scan bit is understood and never sent.
                    EXPECT_TRUE(protocol == Protocol::PelcoP && c.autoScan) << toHex(payload);
                    continue;
                }
                // The same meaning; an unknown command keeps its very bytes.
                const PelcoCommand back = decodeFrame(protocol, 1, *again, 0);
                EXPECT_EQ(meaningOf(back), meaningOf(c)) << toHex(payload);
                if (c.kind == Kind::Unknown) {
                    EXPECT_EQ(*again, payload) << toHex(payload);
                }
            }
        }
    }
}

struct Worked
{
    const char *what;
    Protocol protocol;
    Byte address;
    std::function<void(PelcoCommand &)> set;
    const char *bytes;
};

// The worked examples of the protocol documents, checked there by hand.
const Worked kWorked[] = {
    {"up at tilt speed 20", Protocol::PelcoD, 1,
     [](PelcoCommand &c) { c.tiltUp = true, c.tiltSpeed = 0x14; }, "FF 01 00 08 00 14 1D"},
    {"up-left pan 10 tilt 20", Protocol::PelcoD, 1,
     [](PelcoCommand &c) { c.tiltUp = c.panLeft = true, c.panSpeed = 0x0A, c.tiltSpeed = 0x14; },
     "FF 01 00 0C 0A 14 2B"},
    {"right turbo", Protocol::PelcoD, 1,
     [](PelcoCommand &c) { c.panRight = true, c.panSpeed = pelcoTurboSpeed; },
     "FF 01 00 02 FF 00 02"},
    {"camera on", Protocol::PelcoD, 1, [](PelcoCommand &c) { c.cameraOn = true; },
     "FF 01 88 00 00 00 89"},
    {"set pan position 90.00", Protocol::PelcoD, 1,
     [](PelcoCommand &c) { c.kind = Kind::SetPanPosition, c.value = 9000; },
     "FF 01 00 4B 23 28 97"},
    {"query pan", Protocol::PelcoD, 1, [](PelcoCommand &c) { c.kind = Kind::QueryPan; },
     "FF 01 00 51 00 00 52"},
    {"reply: pan 90.00", Protocol::PelcoD, 1,
     [](PelcoCommand &c) { c.kind = Kind::PanPositionResponse, c.value = 9000; },
     "FF 01 00 59 23 28 A5"},
    {"up at tilt speed 20", Protocol::PelcoP, 0,
     [](PelcoCommand &c) { c.tiltUp = true, c.tiltSpeed = 0x14; }, "A0 00 00 08 00 14 AF 13"},
    {"focus far", Protocol::PelcoP, 1, [](PelcoCommand &c) { c.focusFar = true; },
     "A0 01 01 00 00 00 AF 0F"},
    {"go to preset 1", Protocol::PelcoP, 1,
     [](PelcoCommand &c) { c.kind = Kind::GotoPreset, c.preset = 1; }, "A0 01 00 07 00 01 AF 08"},
};

TEST(CodeTable, WorkedExamplesEncodeAndDecode)
{
    for (const Worked &w : kWorked) {
        SCOPED_TRACE(std::string(w.what) + " in " + std::string(protocolName(w.protocol)));
        PelcoCommand command;
        w.set(command);
        command.protocol = w.protocol;
        const std::optional<Payload> payload = encode(command, w.protocol);
        ASSERT_TRUE(payload);
        EXPECT_EQ(toHex(frameBytes(w.protocol, w.address, *payload)), w.bytes);
        const PelcoCommand decoded = decodeBytes(w.protocol, bytesFromHex(w.bytes));
        EXPECT_EQ(meaningOf(decoded), meaningOf(command));
        EXPECT_EQ(decoded.address, w.address);
    }
    EXPECT_EQ(toHex(extendedResponse(1, PelcoReply::Kind::PanPosition, 9000)),
              "FF 01 00 59 23 28 A5");
}

TEST(Frame, DecodeTakesOnlyAWholeFrameWithItsFramingAndChecksum)
{
    struct Row
    {
        Protocol protocol;
        const char *bytes;
        bool frame;
    };
    const Row rows[] = {
        {Protocol::PelcoD, "FF 01 00 08 00 14 1D", true},
        {Protocol::PelcoD, "FF 01 00 08 00 14 1E", false}, // checksum
        {Protocol::PelcoD, "FE 01 00 08 00 14 1D", false}, // sync
        {Protocol::PelcoD, "FF 01 00 08 00 14", false},    // short
        {Protocol::PelcoD, "FF 01 00 08 00 14 1D 00", false},
        {Protocol::PelcoD, "A0 00 00 08 00 14 AF 13", false}, // the other dialect
        {Protocol::PelcoP, "A0 00 00 08 00 14 AF 13", true},
        {Protocol::PelcoP, "A0 00 00 08 00 14 AE 12", false}, // ETX, checksum still right
        {Protocol::PelcoP, "A0 00 00 08 00 14 AF 14", false}, // checksum
        {Protocol::PelcoP, "A0 FF FF FF FF FF AF F0", true},
        {Protocol::PelcoP, "FF 01 00 08 00 14 1D", false},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.bytes);
        const auto bytes = bytesFromHex(row.bytes);
        const auto frame = Frame::decode(row.protocol, bytes);
        ASSERT_EQ(frame.has_value(), row.frame);
        if (frame) {
            EXPECT_EQ(frame->encode(), bytes);
            EXPECT_EQ(frame->checksum(), bytes.back());
        }
    }
}

TEST(Protocol, NamesAndLetters)
{
    EXPECT_EQ(protocolFromName("d"), Protocol::PelcoD);
    EXPECT_EQ(protocolFromName("p"), Protocol::PelcoP);
    EXPECT_EQ(protocolFromName("D"), std::nullopt);
    EXPECT_EQ(protocolFromName(""), std::nullopt);
    EXPECT_EQ(protocolLetter(Protocol::PelcoD), 'D');
    EXPECT_EQ(protocolLetter(Protocol::PelcoP), 'P');
    EXPECT_EQ(protocolName(Protocol::PelcoD), "Pelco D");
    EXPECT_EQ(protocolName(Protocol::PelcoP), "Pelco P");
}

} // namespace

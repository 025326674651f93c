// The receiver on Pelco P, and on lines that carry Pelco D and Pelco P together.
#include "receiver.h"
#include "receiverstreams.h"

#include <gtest/gtest.h>

using namespace pelco;

namespace {

using namespace receiverstreams;
using Type = PelcoEvent::Type;

const PelcoReceiver pelcoP{Protocol::PelcoP};

TEST(PelcoPReceiver, DecodesTheWorkedExamplesByteForByte)
{
    struct Row
    {
        Bytes bytes;
        const char *meaning;
    };
    for (const Row &row : {
             Row{{0xA0, 0x00, 0x00, 0x08, 0x00, 0x14, 0xAF, 0x13}, "tilt up speed 20"},
             Row{{0xA0, 0x01, 0x01, 0x00, 0x00, 0x00, 0xAF, 0x0F}, "focus far"},
             Row{{0xA0, 0x01, 0x00, 0x07, 0x00, 0x01, 0xAF, 0x08}, "go to preset 1"},
         }) {
        const auto events = receive(row.bytes, pelcoP);
        ASSERT_EQ(events.size(), 1u) << row.meaning;
        EXPECT_EQ(events[0].type, Type::Frame) << row.meaning;
        EXPECT_EQ(events[0].protocol, Protocol::PelcoP);
        EXPECT_EQ(events[0].command.protocol, Protocol::PelcoP);
        EXPECT_EQ(describe(events[0]), row.meaning);
    }
}

TEST(PelcoPReceiver, DecodesEveryCommandAtEveryKindOfAddress)
{
    using Kind = PelcoCommand::Kind;
    struct Row
    {
        BYTE d1, d2, d3, d4;
        Kind kind;
        const char *meaning;
    };
    for (const Row &row : {
             Row{0x00, 0x00, 0x00, 0x00, Kind::Standard, "stop"},
             Row{0x00, 0x08, 0x00, 0x14, Kind::Standard, "tilt up speed 20"},
             Row{0x00, 0x10, 0x00, 0x3F, Kind::Standard, "tilt down speed 63"},
             Row{0x00, 0x04, 0x20, 0x00, Kind::Standard, "pan left speed 32"},
             Row{0x00, 0x02, 0x40, 0x00, Kind::Standard, "pan right turbo"},
             Row{0x00, 0x0C, 0x0A, 0x14, Kind::Standard, "pan left speed 10, tilt up speed 20"},
             Row{0x00, 0x0A, 0x01, 0x02, Kind::Standard, "pan right speed 1, tilt up speed 2"},
             Row{0x00, 0x14, 0x03, 0x04, Kind::Standard, "pan left speed 3, tilt down speed 4"},
             Row{0x00, 0x12, 0x05, 0x06, Kind::Standard, "pan right speed 5, tilt down speed 6"},
             Row{0x00, 0x20, 0x00, 0x00, Kind::Standard, "zoom tele"},
             Row{0x00, 0x40, 0x00, 0x00, Kind::Standard, "zoom wide"},
             // The lens bits are not where Pelco D has them.
             Row{0x01, 0x00, 0x00, 0x00, Kind::Standard, "focus far"},
             Row{0x02, 0x00, 0x00, 0x00, Kind::Standard, "focus near"},
             Row{0x04, 0x00, 0x00, 0x00, Kind::Standard, "iris open"},
             Row{0x08, 0x00, 0x00, 0x00, Kind::Standard, "iris close"},
             Row{0x50, 0x00, 0x00, 0x00, Kind::Standard, "camera on"},
             Row{0x10, 0x00, 0x00, 0x00, Kind::Standard, "camera off"},
             Row{0x40, 0x00, 0x00, 0x00, Kind::Standard, "stop"}, // "on" without the power bit
             Row{0x20, 0x00, 0x00, 0x00, Kind::Standard, "auto scan"},
             Row{0x00, 0x03, 0x00, 0x05, Kind::SetPreset, "set preset 5"},
             Row{0x00, 0x05, 0x00, 0xFF, Kind::ClearPreset, "clear preset 255"},
             Row{0x00, 0x07, 0x00, 0x21, Kind::GotoPreset, "go to preset 33 (flip 180°)"},
             Row{0x00, 0x07, 0x00, 0x22, Kind::GotoPreset, "go to preset 34 (zero pan)"},
             Row{0x00, 0x0F, 0x00, 0x00, Kind::RemoteReset, "remote reset"},
             Row{0x00, 0x11, 0x00, 0x02, Kind::ZoneStart, "set zone start 2"},
             Row{0x00, 0x13, 0x00, 0x02, Kind::ZoneEnd, "set zone end 2"},
             Row{0x00, 0x1F, 0x00, 0x00, Kind::PatternStart, "set pattern start"},
             Row{0x00, 0x21, 0x00, 0x00, Kind::PatternStop, "set pattern stop"},
             Row{0x00, 0x23, 0x00, 0x00, Kind::PatternRun, "run pattern"},
             Row{0x00, 0x25, 0x00, 0x01, Kind::ZoomSpeed, "set zoom speed 1"},
             Row{0x00, 0x27, 0x00, 0x02, Kind::FocusSpeed, "set focus speed 2"},
             // Codes Pelco P has no agreed meaning for stay unknown, and unnamed.
             Row{0x00, 0x09, 0x00, 0x01, Kind::Unknown, "unknown command 00 09 00 01"},
             Row{0x00, 0x2B, 0x00, 0x01, Kind::Unknown, "unknown command 00 2B 00 01"},
             Row{0x00, 0x51, 0x00, 0x00, Kind::Unknown, "unknown command 00 51 00 00"},
             Row{0x80, 0x00, 0x00, 0x00, Kind::Unknown,
                 "unknown command 80 00 00 00 (reserved bits set)"},
             Row{0x00, 0x80, 0x00, 0x00, Kind::Unknown,
                 "unknown command 00 80 00 00 (reserved bits set)"},
         }) {
        for (int address : {0, 1, 31, 255}) {
            const Bytes bytes = framePelcoP(BYTE(address), row.d1, row.d2, row.d3, row.d4);
            const auto events = receive(bytes, pelcoP);
            ASSERT_EQ(events.size(), 1u) << row.meaning << " at " << address;
            ASSERT_EQ(events[0].type, Type::Frame) << row.meaning;
            EXPECT_EQ(events[0].bytes, bytes);
            EXPECT_EQ(events[0].command.kind, row.kind) << row.meaning;
            EXPECT_EQ(events[0].command.address, address);
            EXPECT_EQ(describe(events[0]), row.meaning);
        }
    }
    const auto on = decodePelcoP({0xA0, 1, 0x50, 0, 0, 0, 0xAF, 0xA0 ^ 1 ^ 0x50 ^ 0xAF});
    EXPECT_EQ(on.cameraOn, true);
    EXPECT_EQ(decodePelcoP({0xA0, 1, 0, 2, 0x40, 0, 0xAF, 0xA0 ^ 1 ^ 2 ^ 0x40 ^ 0xAF}).panSpeed,
              pelcoTurboSpeed);
}

TEST(PelcoPReceiver, ReportsBadFramesSkippedBytesAndResynchronises)
{
    const Bytes up = framePelcoP(1, 0x00, 0x08, 0x00, 0x14);   // A0 01 00 08 00 14 AF 12
    const Bytes stop = framePelcoP(1, 0x00, 0x00, 0x00, 0x00); // A0 01 00 00 00 00 AF 0E
    const std::string upLine = "P frame A0 01 00 08 00 14 AF 12: tilt up speed 20";
    const std::string stopLine = "P frame A0 01 00 00 00 00 AF 0E: stop";
    expectStreams(
        pelcoP, {
                    {"a bad checksum",
                     Bytes{0xA0, 0x01, 0x00, 0x08, 0x00, 0x14, 0xAF, 0x00} + stop,
                     {"P bad A0 01 00 08 00 14 AF 00: bad checksum (expected 12)", stopLine}},
                    {"a bad ETX",
                     Bytes{0xA0, 0x01, 0x00, 0x08, 0x00, 0x14, 0xAE, 0x13} + stop,
                     {"P bad etx A0 01 00 08 00 14 AE 13: bad ETX (expected AF)", stopLine}},
                    {"garbage between frames",
                     up + Bytes{0x12, 0x34, 0xFF} + stop,
                     {upLine, "skipped 12 34 FF: skipped 3 bytes", stopLine}},
                    {"a stray STX and address before a frame",
                     Bytes{0xA0, 0x12} + up,
                     {"P bad etx A0 12 A0 01 00 08 00 14: bad ETX (expected AF)", upLine}},
                    {"A0 as the address",
                     framePelcoP(0xA0, 0x00, 0x08, 0x00, 0x14) + stop,
                     {"P frame A0 A0 00 08 00 14 AF B3: tilt up speed 20", stopLine}},
                    {"checksums that come out as STX and ETX",
                     framePelcoP(0, 0x00, 0x07, 0x00, 168) + framePelcoP(0, 0x00, 0x07, 0x00, 167) +
                         framePelcoP(255, 0x00, 0x07, 0x00, 87) + up,
                     {"P frame A0 00 00 07 00 A8 AF A0: go to preset 168",
                      "P frame A0 00 00 07 00 A7 AF AF: go to preset 167",
                      "P frame A0 FF 00 07 00 57 AF A0: go to preset 87", upLine}},
                    {"a Pelco D frame is not one",
                     frame(1, 0x00, 0x08, 0x00, 0x3F) + stop,
                     {"skipped FF 01 00 08 00 3F 48: skipped 7 bytes", stopLine}},
                    {"the stream ends inside a frame",
                     up + Bytes{0xA0, 0x01, 0x00},
                     {upLine, "P incomplete A0 01 00: incomplete frame"}},
                });
}

TEST(PelcoPReceiver, AStreamSplitAtEveryPairOfPointsDecodesTheSame)
{
    const Bytes stream = Bytes{0x55} + framePelcoP(0, 0x00, 0x07, 0x00, 168) + Bytes{0xA0, 0x02} +
                         framePelcoP(3, 0x00, 0x04, 0x3F, 0x00) +
                         Bytes{0xA0, 0x01, 0x00, 0x08, 0x00, 0x14, 0xAE, 0x13} +
                         framePelcoP(1, 0x01, 0x00, 0x00, 0x00);
    const auto whole = receive(stream, pelcoP);
    ASSERT_EQ(whole.size(), 6u); // skipped, a frame, a bad ETX, a frame, a bad ETX, a frame
    expectEverySplitToGive(whole, stream, pelcoP);
}

TEST(MixedReceiver, TellsTheProtocolsApartByTheirFramingAndChecksums)
{
    const Bytes upD = frame(1, 0x00, 0x08, 0x00, 0x3F);         // FF 01 00 08 00 3F 48
    const Bytes upP = framePelcoP(1, 0x00, 0x08, 0x00, 0x14);   // A0 01 00 08 00 14 AF 12
    const Bytes stopD = frame(1, 0x00, 0x00, 0x00, 0x00);       // FF 01 00 00 00 00 01
    const Bytes stopP = framePelcoP(1, 0x00, 0x00, 0x00, 0x00); // A0 01 00 00 00 00 AF 0E
    const std::string upDLine = "frame FF 01 00 08 00 3F 48: tilt up speed 63";
    const std::string upPLine = "P frame A0 01 00 08 00 14 AF 12: tilt up speed 20";
    const std::string stopDLine = "frame FF 01 00 00 00 00 01: stop";
    const std::string stopPLine = "P frame A0 01 00 00 00 00 AF 0E: stop";
    expectStreams(
        PelcoReceiver::bothProtocols(),
        {
            {"back to back", upD + upP + stopD + stopP, {upDLine, upPLine, stopDLine, stopPLine}},
            {"noise between them",
             upP + Bytes{0x11, 0x13} + upD,
             {upPLine, "skipped 11 13: skipped 2 bytes", upDLine}},
            {"a Pelco D frame with A0 in it",
             frame(0xA0, 0x00, 0x08, 0x00, 0x3F) + stopP,
             {"frame FF A0 00 08 00 3F E7: tilt up speed 63", stopPLine}},
            {"a Pelco P frame with FF in it and STX for its checksum",
             framePelcoP(0xFF, 0x00, 0x07, 0x00, 87) + stopD,
             {"P frame A0 FF 00 07 00 57 AF A0: go to preset 87", stopDLine}},
            {"a failed Pelco D start before a Pelco P frame",
             Bytes{0xFF, 0x12} + upP,
             {"bad FF 12 A0 01 00 08 00: bad checksum (expected BB)", upPLine}},
            {"a failed Pelco P start before a Pelco D frame",
             Bytes{0xA0, 0x05} + upD,
             {"P bad etx A0 05 FF 01 00 08 00 3F: bad ETX (expected AF)", upDLine}},
            {"a query, its answer and a general response on a shared pair",
             frame(1, 0x00, 0x51, 0x00, 0x00) + frame(1, 0x00, 0x59, 0x23, 0x28) + upD +
                 Bytes{0xFF, 0x01, 0x00, 0x48} + upP,
             {"frame FF 01 00 51 00 00 52: query pan position",
              "frame FF 01 00 59 23 28 A5: extended response: pan position 90.00° from "
              "address 1",
              upDLine, "general FF 01 00 48: general response from address 1, alarm bits 00",
              upPLine}},
        });
}

TEST(MixedReceiver, AStreamSplitAtEveryPairOfPointsDecodesTheSame)
{
    const Bytes stream = frame(1, 0x00, 0x08, 0x00, 0x3F) + Bytes{0xFF, 0x01, 0x00, 0x48} +
                         framePelcoP(0xFF, 0x00, 0x07, 0x00, 87) + Bytes{0xA0, 0x05} +
                         frame(0xA0, 0x00, 0x08, 0x00, 0x3F) + Bytes{0xFF, 0x12} +
                         framePelcoP(1, 0x00, 0x08, 0x00, 0x14);
    const auto whole = receive(stream, PelcoReceiver::bothProtocols());
    // A frame, a general response, a frame, a bad ETX, a frame, a bad checksum, a frame.
    ASSERT_EQ(whole.size(), 7u);
    expectEverySplitToGive(whole, stream, PelcoReceiver::bothProtocols());
}

} // namespace

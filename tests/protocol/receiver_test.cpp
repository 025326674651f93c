#include "commandframe.h"
#include "commands.h"
#include "receiver.h"
#include "receiverstreams.h"
#include "reply.h"

#include <gtest/gtest.h>

#include <vector>

using namespace pelco;

namespace {

using namespace receiverstreams;
using Type = PelcoEvent::Type;

TEST(PelcoReceiver, DecodesEveryFrameThePanelAndTarnctlSend)
{
    struct Row
    {
        PtzCommand command;
        const char *meaning;
    };
    for (const Row &row : {
             Row{PtzCommands::stop, "stop"},
             Row{PtzCommands::zoomTele, "zoom tele"},
             Row{PtzCommands::zoomWide, "zoom wide"},
             Row{PtzCommands::focusFar, "focus far"},
             Row{PtzCommands::focusNear, "focus near"},
             Row{PtzCommands::up, "tilt up speed 63"},
             Row{PtzCommands::down, "tilt down speed 63"},
             Row{PtzCommands::left, "pan left speed 63"},
             Row{PtzCommands::right, "pan right speed 63"},
             Row{PtzCommands::setPreset(1), "set preset 1"},
             Row{PtzCommands::gotoPreset(130), "go to preset 130"},
             Row{PtzCommands::clearPreset(255), "clear preset 255"},
             Row{PtzCommands::gotoPreset(0), "go to preset 0"},
         }) {
        for (int address : {0, 1, 200, 255}) {
            const Bytes bytes = frame(BYTE(address), row.command);
            const auto events = receive(bytes);
            ASSERT_EQ(events.size(), 1u) << row.meaning << " at " << address;
            EXPECT_EQ(events[0].type, Type::Frame);
            EXPECT_EQ(events[0].bytes, bytes);
            EXPECT_EQ(describe(events[0]), row.meaning);
            EXPECT_EQ(events[0].command.address, address);
        }
    }
}

TEST(PelcoReceiver, DecodesTheFieldsOfStandardAndPresetCommands)
{
    const auto up = decodePelco({0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48});
    EXPECT_EQ(up.kind, PelcoCommand::Kind::Standard);
    EXPECT_TRUE(up.tiltUp);
    EXPECT_FALSE(up.tiltDown || up.panLeft || up.panRight || up.zoomTele || up.focusNear);
    EXPECT_EQ(up.tiltSpeed, 0x3F);
    EXPECT_FALSE(up.isStop());

    const auto left = decodePelco({0xFF, 0x01, 0x00, 0x04, 0x3F, 0x00, 0x44});
    EXPECT_TRUE(left.panLeft);
    EXPECT_EQ(left.panSpeed, 0x3F);

    const auto go = decodePelco({0xFF, 0xC8, 0x00, 0x07, 0x00, 0x82, 0x51});
    EXPECT_EQ(go.kind, PelcoCommand::Kind::GotoPreset);
    EXPECT_EQ(go.preset, 130);
    EXPECT_EQ(go.address, 200);

    EXPECT_TRUE(decodePelco({0xFF, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01}).isStop());
    // Speeds alone move nothing.
    EXPECT_TRUE(decodePelco({0xFF, 0x01, 0x00, 0x00, 0x20, 0x20, 0x41}).isStop());
}

TEST(PelcoReceiver, DescribesCommandsBeyondWhatThePanelSends)
{
    struct Row
    {
        BYTE c1, c2, d1, d2;
        const char *meaning;
    };
    for (const Row &row : {
             Row{0x00, 0x0A, 0x20, 0x10, "pan right speed 32, tilt up speed 16"},
             Row{0x00, 0x14, 0xFF, 0x3F, "pan left turbo, tilt down speed 63"},
             Row{0x00, 0x02, 0x00, 0x00, "pan right speed 0"},
             Row{0x00, 0xA0, 0x00, 0x00, "zoom tele, focus far"},
             Row{0x02, 0x00, 0x00, 0x00, "iris open"},
             Row{0x04, 0x00, 0x00, 0x00, "iris close"},
             Row{0x88, 0x00, 0x00, 0x00, "camera on"},
             Row{0x08, 0x00, 0x00, 0x00, "camera off"},
             Row{0x90, 0x00, 0x00, 0x00, "auto scan"},
             Row{0x10, 0x00, 0x00, 0x00, "manual scan"},
             Row{0x80, 0x00, 0x00, 0x00, "stop"}, // sense bit alone
             Row{0x00, 0x15, 0x00, 0x01, "unknown command 00 15 00 01 (write character)"},
             Row{0x00, 0x45, 0x00, 0x00, "unknown command 00 45 00 00 (query)"},
             Row{0x00, 0x7F, 0x00, 0x00, "unknown command 00 7F 00 00"},
             // A preset command2 with command1 set is not a preset command.
             Row{0x01, 0x07, 0x00, 0x05, "unknown command 01 07 00 05 (go to preset)"},
             Row{0x40, 0x00, 0x00, 0x00, "unknown command 40 00 00 00 (reserved bits set)"},
         }) {
        const auto events = receive(frame(1, row.c1, row.c2, row.d1, row.d2));
        ASSERT_EQ(events.size(), 1u) << row.meaning;
        EXPECT_EQ(events[0].type, Type::Frame);
        EXPECT_EQ(describe(events[0]), row.meaning);
    }
    const auto camera = decodePelco(PelcoBytes{0xFF, 1, 0x88, 0, 0, 0, 0x89});
    EXPECT_EQ(camera.cameraOn, true);
    EXPECT_FALSE(camera.autoScan.has_value());
    EXPECT_EQ(decodePelco(PelcoBytes{0xFF, 1, 0x00, 0x15, 0, 1, 0x17}).kind,
              PelcoCommand::Kind::Unknown);
}

TEST(PelcoReceiver, ReportsBadChecksumsSkippedBytesAndResynchronises)
{
    const Bytes up = frame(1, PtzCommands::up);                 // FF 01 00 08 00 3F 48
    const Bytes stop = frame(1, PtzCommands::stop);             // FF 01 00 00 00 00 01
    const Bytes far255 = frame(255, PtzCommands::focusFar);     // FF FF 00 80 00 00 7F
    const Bytes go255 = frame(1, PtzCommands::gotoPreset(255)); // FF 01 00 07 00 FF 07
    expectStreams(
        PelcoReceiver(),
        {
            {"a bad checksum",
             Bytes{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x49} + stop,
             {"bad FF 01 00 08 00 3F 49: bad checksum (expected 48)",
              "frame FF 01 00 00 00 00 01: stop"}},
            {"garbage between frames",
             up + Bytes{0x12, 0x34, 0x56} + stop,
             {"frame FF 01 00 08 00 3F 48: tilt up speed 63", "skipped 12 34 56: skipped 3 bytes",
              "frame FF 01 00 00 00 00 01: stop"}},
            {"one garbage byte before the first frame",
             Bytes{0x00} + up,
             {"skipped 00: skipped 1 byte", "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
            {"a stray sync byte and address before a frame",
             Bytes{0xFF, 0x12} + up,
             {"bad FF 12 FF 01 00 08 00: bad checksum (expected 1A)",
              "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
            {"a frame cut short, then a whole one",
             Bytes{0xFF, 0x01, 0x00} + stop,
             {"bad FF 01 00 FF 01 00 00: bad checksum (expected 01)",
              "frame FF 01 00 00 00 00 01: stop"}},
            {"a stray sync byte before address 255",
             Bytes{0xFF} + far255,
             {"bad FF FF FF 00 80 00 00: bad checksum (expected 7E)",
              "frame FF FF 00 80 00 00 7F: focus far"}},
            {"preset 255 after a cut frame",
             Bytes{0xFF, 0x01} + go255 + up,
             {"bad FF 01 FF 01 00 07 00: bad checksum (expected 08)",
              "frame FF 01 00 07 00 FF 07: go to preset 255",
              "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
            {"a bad frame's tail is not reported twice",
             Bytes{0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07} + up,
             {"bad FF 01 02 03 04 05 06: bad checksum (expected 0F)", "skipped 07: skipped 1 byte",
              "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
            {"back to back frames with 0xFF everywhere",
             far255 + go255 + frame(255, 0, 0, 0xFF, 0xFF),
             {"frame FF FF 00 80 00 00 7F: focus far",
              "frame FF 01 00 07 00 FF 07: go to preset 255", "frame FF FF 00 00 FF FF FD: stop"}},
            {"the stream ends inside a frame",
             up + Bytes{0xAA, 0xFF, 0x01},
             {"frame FF 01 00 08 00 3F 48: tilt up speed 63", "skipped AA: skipped 1 byte",
              "incomplete FF 01: incomplete frame"}},
            {"only garbage", Bytes{0x01, 0x02}, {"skipped 01 02: skipped 2 bytes"}},
        });
}

TEST(PelcoReceiver, AStreamSplitAtEveryPairOfPointsDecodesTheSame)
{
    const Bytes stream = Bytes{0x55} + frame(255, PtzCommands::gotoPreset(255)) +
                         frame(1, PtzCommands::up) + Bytes{0xFF, 0x01, 0x00, 0x48} +
                         Bytes{0xFF, 0x02} + frame(3, PtzCommands::left) +
                         Bytes{0xFF, 0x03, 0x00, 0x59, 0x23, 0x28, 0xA7};
    const auto whole = receive(stream);
    // Skipped, two frames, a general response, a bad frame, a frame, an extended response.
    ASSERT_EQ(whole.size(), 7u);
    EXPECT_EQ(whole[3].type, Type::GeneralResponse);
    EXPECT_EQ(whole[6].command.kind, PelcoCommand::Kind::PanPositionResponse);
    expectEverySplitToGive(whole, stream, PelcoReceiver());
}

TEST(PelcoReceiver, SkippedBytesCanBeReportedWhenTheLineGoesQuiet)
{
    PelcoReceiver receiver;
    EXPECT_TRUE(receiver.feed(Bytes{0x01, 0x02}).empty()); // held back: more may follow
    EXPECT_EQ(summary(receiver.lineQuiet()),
              std::vector<std::string>{"skipped 01 02: skipped 2 bytes"});
    EXPECT_TRUE(receiver.lineQuiet().empty());
    // A started frame is kept through a flush and completes.
    EXPECT_TRUE(receiver.feed(Bytes{0xFF, 0x01, 0x00}).empty());
    EXPECT_TRUE(receiver.lineQuiet().empty());
    EXPECT_EQ(summary(receiver.feed(Bytes{0x00, 0x00, 0x00, 0x01})),
              std::vector<std::string>{"frame FF 01 00 00 00 00 01: stop"});
}

TEST(PelcoReceiver, DecodesEveryExtendedCommandAndItsArgument)
{
    using Kind = PelcoCommand::Kind;
    struct Row
    {
        BYTE c2, d1, d2;
        Kind kind;
        const char *meaning;
    };
    for (const Row &row : {
             Row{0x03, 0x00, 0x05, Kind::SetPreset, "set preset 5"},
             Row{0x07, 0x00, 0x21, Kind::GotoPreset, "go to preset 33 (flip 180°)"},
             Row{0x07, 0x00, 0x22, Kind::GotoPreset, "go to preset 34 (zero pan)"},
             Row{0x09, 0x00, 0x03, Kind::SetAuxiliary, "set auxiliary 3"},
             Row{0x0B, 0x00, 0x08, Kind::ClearAuxiliary, "clear auxiliary 8"},
             Row{0x0F, 0x00, 0x00, Kind::RemoteReset, "remote reset"},
             Row{0x11, 0x00, 0x02, Kind::ZoneStart, "set zone start 2"},
             Row{0x13, 0x00, 0x02, Kind::ZoneEnd, "set zone end 2"},
             Row{0x17, 0x00, 0x00, Kind::ClearScreen, "clear screen"},
             Row{0x19, 0x00, 0x04, Kind::AlarmAcknowledge, "alarm acknowledge 4"},
             Row{0x1B, 0x00, 0x00, Kind::ZoneScanOn, "zone scan on"},
             Row{0x1D, 0x00, 0x00, Kind::ZoneScanOff, "zone scan off"},
             Row{0x1F, 0x00, 0x00, Kind::PatternStart, "set pattern start"},
             Row{0x21, 0x00, 0x00, Kind::PatternStop, "set pattern stop"},
             Row{0x23, 0x00, 0x00, Kind::PatternRun, "run pattern"},
             Row{0x25, 0x00, 0x02, Kind::ZoomSpeed, "set zoom speed 2"},
             Row{0x27, 0x00, 0x03, Kind::FocusSpeed, "set focus speed 3"},
             Row{0x2B, 0x00, 0x00, Kind::AutoFocus, "auto focus auto"},
             Row{0x2B, 0x00, 0x01, Kind::AutoFocus, "auto focus on"},
             Row{0x2D, 0x00, 0x02, Kind::AutoIris, "auto iris off"},
             Row{0x2D, 0x00, 0x07, Kind::AutoIris, "auto iris mode 7"},
             Row{0x4B, 0x23, 0x28, Kind::SetPanPosition, "set pan position 90.00°"},
             Row{0x4B, 0x8C, 0x9F, Kind::SetPanPosition, "set pan position 359.99°"},
             Row{0x4B, 0x00, 0x05, Kind::SetPanPosition, "set pan position 0.05°"},
             Row{0x4D, 0x30, 0x39, Kind::SetTiltPosition, "set tilt position 12345"},
             Row{0x4F, 0xFF, 0xFF, Kind::SetZoomPosition, "set zoom position 65535"},
             Row{0x51, 0x00, 0x00, Kind::QueryPan, "query pan position"},
             Row{0x53, 0x00, 0x00, Kind::QueryTilt, "query tilt position"},
             Row{0x55, 0x00, 0x00, Kind::QueryZoom, "query zoom position"},
             Row{0x59, 0x23, 0x28, Kind::PanPositionResponse,
                 "extended response: pan position 90.00° from address 1"},
             Row{0x5B, 0x30, 0x39, Kind::TiltPositionResponse,
                 "extended response: tilt position 12345 from address 1"},
             Row{0x5D, 0x9C, 0x40, Kind::ZoomPositionResponse,
                 "extended response: zoom position 40000 from address 1"},
         }) {
        const auto events = receive(frame(1, 0x00, row.c2, row.d1, row.d2));
        ASSERT_EQ(events.size(), 1u) << row.meaning;
        ASSERT_EQ(events[0].type, Type::Frame);
        const PelcoCommand &c = events[0].command;
        EXPECT_EQ(c.kind, row.kind) << row.meaning;
        EXPECT_EQ(describe(events[0]), row.meaning);
        EXPECT_EQ(c.protocol, Protocol::PelcoD);
        // Each argument lands in its own field, and only there.
        const bool position = row.c2 >= 0x4B && row.c2 != 0x51 && row.c2 != 0x53 && row.c2 != 0x55;
        const bool preset = row.kind == Kind::SetPreset || row.kind == Kind::GotoPreset;
        EXPECT_EQ(c.value, position ? row.d1 << 8 | row.d2 : 0) << row.meaning;
        EXPECT_EQ(c.preset, preset ? row.d2 : 0) << row.meaning;
        EXPECT_EQ(c.argument, position || preset ? 0 : row.d2) << row.meaning;
        EXPECT_EQ(c.isResponse(), row.c2 >= 0x59) << row.meaning;
    }
}

TEST(PelcoReceiver, DecodesTheWorkedExamplesByteForByte)
{
    struct Row
    {
        Bytes bytes;
        const char *meaning;
    };
    for (const Row &row : {
             Row{{0xFF, 0x01, 0x00, 0x08, 0x00, 0x14, 0x1D}, "tilt up speed 20"},
             Row{{0xFF, 0x01, 0x00, 0x0C, 0x0A, 0x14, 0x2B}, "pan left speed 10, tilt up speed 20"},
             Row{{0xFF, 0x01, 0x00, 0x12, 0x05, 0x06, 0x1E},
                 "pan right speed 5, tilt down speed 6"},
             Row{{0xFF, 0x01, 0x00, 0x02, 0xFF, 0x00, 0x02}, "pan right turbo"},
             Row{{0xFF, 0x01, 0x88, 0x00, 0x00, 0x00, 0x89}, "camera on"},
             Row{{0xFF, 0x01, 0x00, 0x4B, 0x23, 0x28, 0x97}, "set pan position 90.00°"},
             Row{{0xFF, 0x01, 0x00, 0x51, 0x00, 0x00, 0x52}, "query pan position"},
             Row{{0xFF, 0x01, 0x00, 0x59, 0x23, 0x28, 0xA5},
                 "extended response: pan position 90.00° from address 1"},
         }) {
        const auto events = receive(row.bytes);
        ASSERT_EQ(events.size(), 1u) << row.meaning;
        EXPECT_EQ(events[0].type, Type::Frame) << row.meaning;
        EXPECT_EQ(describe(events[0]), row.meaning);
    }
}

TEST(PelcoReceiver, RecognisesAGeneralResponseOnlyRightAfterTheCommandItAnswers)
{
    const Bytes up = frame(1, PtzCommands::up);             // FF 01 00 08 00 3F 48
    const Bytes stop = frame(1, PtzCommands::stop);         // FF 01 00 00 00 00 01
    const Bytes far255 = frame(255, PtzCommands::focusFar); // FF FF 00 80 00 00 7F
    const Bytes answerUp{0xFF, 0x01, 0x00, 0x48};           // 48 + alarm bits 00
    const Bytes panAt90{0xFF, 0x01, 0x00, 0x59, 0x23, 0x28, 0xA5};
    const std::string upLine = "frame FF 01 00 08 00 3F 48: tilt up speed 63";
    const std::string stopLine = "frame FF 01 00 00 00 00 01: stop";
    expectStreams(
        PelcoReceiver(),
        {
            {"after its command",
             up + answerUp + stop,
             {upLine, "general FF 01 00 48: general response from address 1, alarm bits 00",
              stopLine}},
            {"with alarm bits",
             up + Bytes{0xFF, 0x01, 0x05, 0x4D},
             {upLine, "general FF 01 05 4D: general response from address 1, alarm bits 05"}},
            {"with 0xFF for its alarm bits and checksum",
             far255 + Bytes{0xFF, 0xFF, 0x80, 0xFF} + stop,
             {"frame FF FF 00 80 00 00 7F: focus far",
              "general FF FF 80 FF: general response from address 255, alarm bits 80", stopLine}},
            {"after noise that followed its command",
             up + Bytes{0x12, 0x34} + answerUp,
             {upLine, "skipped 12 34: skipped 2 bytes",
              "general FF 01 00 48: general response from address 1, alarm bits 00"}},
            {"not without a command",
             answerUp + stop,
             {"bad FF 01 00 48 FF 01 00: bad checksum (expected 49)", stopLine}},
            {"not from another address",
             up + Bytes{0xFF, 0x02, 0x00, 0x48} + stop,
             {upLine, "bad FF 02 00 48 FF 01 00: bad checksum (expected 4A)", stopLine}},
            {"not with another checksum",
             up + Bytes{0xFF, 0x01, 0x00, 0x49} + stop,
             {upLine, "bad FF 01 00 49 FF 01 00: bad checksum (expected 4A)", stopLine}},
            {"not after a reply",
             panAt90 + Bytes{0xFF, 0x01, 0x00, 0xA5} + stop,
             {"frame FF 01 00 59 23 28 A5: extended response: pan position 90.00° from "
              "address 1",
              "bad FF 01 00 A5 FF 01 00: bad checksum (expected A6)", stopLine}},
            {"only one for each command",
             up + answerUp + answerUp + stop,
             {upLine, "general FF 01 00 48: general response from address 1, alarm bits 00",
              "bad FF 01 00 48 FF 01 00: bad checksum (expected 49)", stopLine}},
            // Query pan at address 8 has the checksum 59: the answer's first four bytes,
            // FF 08 00 59, would pass for a general response to it.
            {"an extended response whose start looks like one",
             frame(8, 0x00, 0x51, 0x00, 0x00) + Bytes{0xFF, 0x08, 0x00, 0x59, 0x23, 0x28, 0xAC},
             {"frame FF 08 00 51 00 00 59: query pan position",
              "frame FF 08 00 59 23 28 AC: extended response: pan position 90.00° from "
              "address 8"}},
            {"a whole frame wins over one",
             up + Bytes{0xFF, 0x01, 0x00, 0x48, 0x00, 0x00, 0x49},
             {upLine, "frame FF 01 00 48 00 00 49: tilt up speed 0, zoom wide"}},
        });
}

TEST(PelcoReceiver, HoldsAGeneralResponseUntilTheLineIsQuietAndHearsOnesToItsOwnCommands)
{
    const Bytes up = frame(1, PtzCommands::up);
    const Bytes answerUp{0xFF, 0x01, 0x00, 0x48};
    const std::vector<std::string> general{
        "general FF 01 00 48: general response from address 1, alarm bits 00"};
    {
        PelcoReceiver receiver;
        EXPECT_EQ(receiver.feed(up).size(), 1u);
        EXPECT_TRUE(receiver.feed(answerUp).empty()); // it may still begin a frame
        EXPECT_EQ(summary(receiver.lineQuiet()), general);
        EXPECT_TRUE(receiver.finish().empty());
    }
    {
        // A sender sees only the answer, and says what it sent.
        PelcoReceiver receiver;
        receiver.expectReplyTo({0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48});
        EXPECT_TRUE(receiver.feed(Bytes{0xFF, 0x01}).empty());
        EXPECT_TRUE(receiver.feed(Bytes{0x00, 0x48, 0xFF}).empty());
        EXPECT_EQ(summary(receiver.lineQuiet()), general);
        EXPECT_EQ(summary(receiver.finish()),
                  std::vector<std::string>{"incomplete FF: incomplete frame"});
    }
    {
        PelcoReceiver receiver; // told nothing: four bytes are only the start of a frame
        EXPECT_TRUE(receiver.feed(answerUp).empty());
        EXPECT_TRUE(receiver.lineQuiet().empty());
        EXPECT_EQ(summary(receiver.finish()),
                  std::vector<std::string>{"incomplete FF 01 00 48: incomplete frame"});
    }
}

TEST(PelcoReceiver, RepliesReadBackFromTheirEventsAndEncodeAsADomeSendsThem)
{
    // Known answers: the worked example, and a general response computed by hand.
    const PelcoBytes pan = extendedResponse(1, PelcoReply::Kind::PanPosition, 9000);
    EXPECT_EQ(Bytes(pan.begin(), pan.end()), (Bytes{0xFF, 0x01, 0x00, 0x59, 0x23, 0x28, 0xA5}));
    const PelcoBytes zoom = extendedResponse(200, PelcoReply::Kind::ZoomPosition, 0xFFFF);
    EXPECT_EQ(Bytes(zoom.begin(), zoom.end()), (Bytes{0xFF, 0xC8, 0x00, 0x5D, 0xFF, 0xFF, 0x23}));
    const PelcoBytes tilt = extendedResponse(2, PelcoReply::Kind::TiltPosition, 0x0102);
    EXPECT_EQ(Bytes(tilt.begin(), tilt.end()), (Bytes{0xFF, 0x02, 0x00, 0x5B, 0x01, 0x02, 0x60}));
    const PelcoGeneralBytes general = generalResponse(1, 0x48, 0x05);
    EXPECT_EQ(Bytes(general.begin(), general.end()), (Bytes{0xFF, 0x01, 0x05, 0x4D}));
    EXPECT_EQ(generalResponse(1, 0xFE, 0x03)[3], 0x01); // mod 256

    // What a sender does with them.
    PelcoReceiver receiver;
    receiver.expectReplyTo({0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x48});
    auto events = receiver.feed(general);
    for (auto &e : receiver.lineQuiet())
        events.push_back(std::move(e));
    for (auto &e : receiver.feed(pan))
        events.push_back(std::move(e));
    for (auto &e : receiver.feed(frame(1, PtzCommands::up)))
        events.push_back(std::move(e));
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(replyOf(events[0]), (PelcoReply{PelcoReply::Kind::General, 1, 0, 0x05}));
    EXPECT_EQ(replyOf(events[1]), (PelcoReply{PelcoReply::Kind::PanPosition, 1, 9000, 0}));
    EXPECT_EQ(replyOf(events[2]), std::nullopt);

    using Kind = PelcoCommand::Kind;
    struct Row
    {
        BYTE c2;
        std::optional<PelcoReply::Kind> answer;
    };
    for (const Row &row :
         {Row{0x51, PelcoReply::Kind::PanPosition}, Row{0x53, PelcoReply::Kind::TiltPosition},
          Row{0x55, PelcoReply::Kind::ZoomPosition}, Row{0x4B, std::nullopt},
          Row{0x59, std::nullopt}})
        EXPECT_EQ(answerTo(decodePelco(makeFrame(1, 0, row.c2, 0, 0).bytes())), row.answer)
            << int(row.c2);
    EXPECT_EQ(decodePelco(pan).kind, Kind::PanPositionResponse);
}

} // namespace

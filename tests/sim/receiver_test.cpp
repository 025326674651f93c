#include "commandframe.h"
#include "commands.h"
#include "pelcoreceiver.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using Bytes = std::vector<BYTE>;
using Type = PelcoEvent::Type;

Bytes frame(BYTE address, const PtzCommand &c)
{
    const auto b = makeFrame(address, c.command1, c.command2, c.data1, c.data2).bytes();
    return Bytes(b.begin(), b.end());
}

Bytes frame(BYTE address, BYTE c1, BYTE c2, BYTE d1, BYTE d2)
{
    return frame(address, PtzCommand{c1, c2, d1, d2});
}

Bytes operator+(Bytes a, const Bytes &b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// All events of a stream, fed in one chunk and finished.
std::vector<PelcoEvent> receive(const Bytes &bytes)
{
    PelcoReceiver receiver;
    auto events = receiver.feed(bytes);
    for (auto &e : receiver.finish())
        events.push_back(std::move(e));
    return events;
}

// One line per event: "frame FF 01 ...: meaning", so a table can state whole streams.
std::vector<std::string> summary(const std::vector<PelcoEvent> &events)
{
    std::vector<std::string> out;
    for (const auto &e : events) {
        const char *type = e.type == Type::Frame         ? "frame"
                           : e.type == Type::BadChecksum ? "bad"
                           : e.type == Type::Skipped     ? "skipped"
                                                         : "incomplete";
        out.push_back(std::string(type) + " " + toHex(e.bytes.data(), e.bytes.size()) + ": " +
                      describe(e));
    }
    return out;
}

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
            EXPECT_EQ(events[0].command.address(), address);
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
    EXPECT_EQ(go.address(), 200);

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
             Row{0x00, 0x09, 0x00, 0x01, "unknown command 00 09 00 01 (set auxiliary)"},
             Row{0x00, 0x0B, 0x00, 0x02, "unknown command 00 0B 00 02 (clear auxiliary)"},
             Row{0x00, 0x1F, 0x00, 0x00, "unknown command 00 1F 00 00 (set pattern start)"},
             Row{0x00, 0x2B, 0x00, 0x01, "unknown command 00 2B 00 01 (auto focus)"},
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
    EXPECT_EQ(decodePelco(PelcoBytes{0xFF, 1, 0x00, 0x09, 0, 1, 0x0B}).kind,
              PelcoCommand::Kind::Unknown);
}

TEST(PelcoReceiver, ReportsBadChecksumsSkippedBytesAndResynchronises)
{
    const Bytes up = frame(1, PtzCommands::up);                 // FF 01 00 08 00 3F 48
    const Bytes stop = frame(1, PtzCommands::stop);             // FF 01 00 00 00 00 01
    const Bytes far255 = frame(255, PtzCommands::focusFar);     // FF FF 00 80 00 00 7F
    const Bytes go255 = frame(1, PtzCommands::gotoPreset(255)); // FF 01 00 07 00 FF 07
    struct Row
    {
        const char *what;
        Bytes stream;
        std::vector<std::string> events;
    };
    for (const Row &row : {
             Row{"a bad checksum",
                 Bytes{0xFF, 0x01, 0x00, 0x08, 0x00, 0x3F, 0x49} + stop,
                 {"bad FF 01 00 08 00 3F 49: bad checksum (expected 48)",
                  "frame FF 01 00 00 00 00 01: stop"}},
             Row{"garbage between frames",
                 up + Bytes{0x12, 0x34, 0x56} + stop,
                 {"frame FF 01 00 08 00 3F 48: tilt up speed 63",
                  "skipped 12 34 56: skipped 3 bytes", "frame FF 01 00 00 00 00 01: stop"}},
             Row{"one garbage byte before the first frame",
                 Bytes{0x00} + up,
                 {"skipped 00: skipped 1 byte", "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
             Row{"a stray sync byte and address before a frame",
                 Bytes{0xFF, 0x12} + up,
                 {"bad FF 12 FF 01 00 08 00: bad checksum (expected 1A)",
                  "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
             Row{"a frame cut short, then a whole one",
                 Bytes{0xFF, 0x01, 0x00} + stop,
                 {"bad FF 01 00 FF 01 00 00: bad checksum (expected 01)",
                  "frame FF 01 00 00 00 00 01: stop"}},
             Row{"a stray sync byte before address 255",
                 Bytes{0xFF} + far255,
                 {"bad FF FF FF 00 80 00 00: bad checksum (expected 7E)",
                  "frame FF FF 00 80 00 00 7F: focus far"}},
             Row{"preset 255 after a cut frame",
                 Bytes{0xFF, 0x01} + go255 + up,
                 {"bad FF 01 FF 01 00 07 00: bad checksum (expected 08)",
                  "frame FF 01 00 07 00 FF 07: go to preset 255",
                  "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
             Row{"a bad frame's tail is not reported twice",
                 Bytes{0xFF, 0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07} + up,
                 {"bad FF 01 02 03 04 05 06: bad checksum (expected 0F)",
                  "skipped 07: skipped 1 byte", "frame FF 01 00 08 00 3F 48: tilt up speed 63"}},
             Row{"back to back frames with 0xFF everywhere",
                 far255 + go255 + frame(255, 0, 0, 0xFF, 0xFF),
                 {"frame FF FF 00 80 00 00 7F: focus far",
                  "frame FF 01 00 07 00 FF 07: go to preset 255",
                  "frame FF FF 00 00 FF FF FD: stop"}},
             Row{"the stream ends inside a frame",
                 up + Bytes{0xAA, 0xFF, 0x01},
                 {"frame FF 01 00 08 00 3F 48: tilt up speed 63", "skipped AA: skipped 1 byte",
                  "incomplete FF 01: incomplete frame"}},
             Row{"only garbage", Bytes{0x01, 0x02}, {"skipped 01 02: skipped 2 bytes"}},
         }) {
        EXPECT_EQ(summary(receive(row.stream)), row.events) << row.what;
    }
}

TEST(PelcoReceiver, AFrameSplitAtEverySplitPointDecodesTheSame)
{
    const Bytes stream = Bytes{0x55} + frame(255, PtzCommands::gotoPreset(255)) +
                         frame(1, PtzCommands::up) + Bytes{0xFF, 0x02} +
                         frame(3, PtzCommands::left);
    const auto whole = receive(stream);
    ASSERT_EQ(whole.size(), 5u); // skipped, two frames, a bad frame, a frame
    for (std::size_t a = 0; a <= stream.size(); ++a) {
        for (std::size_t b = a; b <= stream.size(); ++b) {
            PelcoReceiver receiver;
            std::vector<PelcoEvent> events;
            for (auto [from, to] : {std::pair{std::size_t(0), a}, {a, b}, {b, stream.size()}})
                for (auto &e : receiver.feed(std::span(stream).subspan(from, to - from)))
                    events.push_back(std::move(e));
            for (auto &e : receiver.finish())
                events.push_back(std::move(e));
            ASSERT_EQ(events, whole) << "split at " << a << " and " << b;
        }
    }
}

TEST(PelcoReceiver, SkippedBytesCanBeReportedWhenTheLineGoesQuiet)
{
    PelcoReceiver receiver;
    EXPECT_TRUE(receiver.feed(Bytes{0x01, 0x02}).empty()); // held back: more may follow
    EXPECT_EQ(summary(receiver.flushSkipped()),
              std::vector<std::string>{"skipped 01 02: skipped 2 bytes"});
    EXPECT_TRUE(receiver.flushSkipped().empty());
    // A started frame is kept through a flush and completes.
    EXPECT_TRUE(receiver.feed(Bytes{0xFF, 0x01, 0x00}).empty());
    EXPECT_TRUE(receiver.flushSkipped().empty());
    EXPECT_EQ(summary(receiver.feed(Bytes{0x00, 0x00, 0x00, 0x01})),
              std::vector<std::string>{"frame FF 01 00 00 00 00 01: stop"});
}

} // namespace

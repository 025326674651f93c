// Every frame of the action table, read back by the receiver: each decodes to the meaning its
// action has, in Pelco D and in Pelco P, alone or in one stream with all the others.
#include "actionwords.h"
#include "receiver.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <set>

using namespace pelco;

namespace {

using Kind = PelcoCommand::Kind;

struct Meaning
{
    const char *words;
    std::function<void(PelcoCommand &)> set; // the fields the action sets, on a blank command
};

// One row per action, with arguments where it takes them.
const Meaning kMeanings[] = {
    {"stop", [](PelcoCommand &) {}},
    {"up 20", [](PelcoCommand &c) { c.tiltUp = true, c.tiltSpeed = 20; }},
    {"down", [](PelcoCommand &c) { c.tiltDown = true, c.tiltSpeed = 63; }},
    {"left turbo", [](PelcoCommand &c) { c.panLeft = true, c.panSpeed = pelcoTurboSpeed; }},
    {"right 5", [](PelcoCommand &c) { c.panRight = true, c.panSpeed = 5; }},
    {"zoom-tele", [](PelcoCommand &c) { c.zoomTele = true; }},
    {"zoom-wide", [](PelcoCommand &c) { c.zoomWide = true; }},
    {"focus-far", [](PelcoCommand &c) { c.focusFar = true; }},
    {"focus-near", [](PelcoCommand &c) { c.focusNear = true; }},
    {"up-left 10 20",
     [](PelcoCommand &c) { c.tiltUp = c.panLeft = true, c.panSpeed = 10, c.tiltSpeed = 20; }},
    {"up-right 7",
     [](PelcoCommand &c) { c.tiltUp = c.panRight = true, c.panSpeed = 7, c.tiltSpeed = 7; }},
    {"down-left turbo",
     [](PelcoCommand &c) {
         c.tiltDown = c.panLeft = true, c.panSpeed = pelcoTurboSpeed, c.tiltSpeed = 63;
     }},
    {"down-right",
     [](PelcoCommand &c) { c.tiltDown = c.panRight = true, c.panSpeed = 63, c.tiltSpeed = 63; }},
    {"iris-open", [](PelcoCommand &c) { c.irisOpen = true; }},
    {"iris-close", [](PelcoCommand &c) { c.irisClose = true; }},
    {"camera-on", [](PelcoCommand &c) { c.cameraOn = true; }},
    {"camera-off", [](PelcoCommand &c) { c.cameraOn = false; }},
    {"auto-scan", [](PelcoCommand &c) { c.autoScan = true; }},
    {"manual-scan", [](PelcoCommand &c) { c.autoScan = false; }},
    {"goto 130", [](PelcoCommand &c) { c.kind = Kind::GotoPreset, c.preset = 130; }},
    {"set 0", [](PelcoCommand &c) { c.kind = Kind::SetPreset, c.preset = 0; }},
    {"clear 255", [](PelcoCommand &c) { c.kind = Kind::ClearPreset, c.preset = 255; }},
    {"flip", [](PelcoCommand &c) { c.kind = Kind::GotoPreset, c.preset = 33; }},
    {"zero-pan", [](PelcoCommand &c) { c.kind = Kind::GotoPreset, c.preset = 34; }},
    {"aux-on 3", [](PelcoCommand &c) { c.kind = Kind::SetAuxiliary, c.argument = 3; }},
    {"aux-off 8", [](PelcoCommand &c) { c.kind = Kind::ClearAuxiliary, c.argument = 8; }},
    {"reset", [](PelcoCommand &c) { c.kind = Kind::RemoteReset; }},
    {"pattern-start", [](PelcoCommand &c) { c.kind = Kind::PatternStart; }},
    {"pattern-stop", [](PelcoCommand &c) { c.kind = Kind::PatternStop; }},
    {"pattern-run", [](PelcoCommand &c) { c.kind = Kind::PatternRun; }},
    {"zoom-speed 2", [](PelcoCommand &c) { c.kind = Kind::ZoomSpeed, c.argument = 2; }},
    {"focus-speed 3", [](PelcoCommand &c) { c.kind = Kind::FocusSpeed, c.argument = 3; }},
    {"auto-focus on", [](PelcoCommand &c) { c.kind = Kind::AutoFocus, c.argument = 1; }},
    {"auto-iris off", [](PelcoCommand &c) { c.kind = Kind::AutoIris, c.argument = 2; }},
    {"auto-iris auto", [](PelcoCommand &c) { c.kind = Kind::AutoIris, c.argument = 0; }},
    {"pan-to 90", [](PelcoCommand &c) { c.kind = Kind::SetPanPosition, c.value = 9000; }},
    {"tilt-to 12345", [](PelcoCommand &c) { c.kind = Kind::SetTiltPosition, c.value = 12345; }},
    {"zoom-to 65535", [](PelcoCommand &c) { c.kind = Kind::SetZoomPosition, c.value = 65535; }},
    {"query-pan", [](PelcoCommand &c) { c.kind = Kind::QueryPan; }},
    {"query-tilt", [](PelcoCommand &c) { c.kind = Kind::QueryTilt; }},
    {"query-zoom", [](PelcoCommand &c) { c.kind = Kind::QueryZoom; }},
};

struct Sent
{
    std::string words;
    Protocol protocol;
    Byte address;
    std::vector<Byte> frame;
    PelcoCommand meaning; // what the receiver should make of the frame
};

// Every row in each protocol that has it, at addresses 0, 1, 31 and 255 in turn.
std::vector<Sent> everyFrame()
{
    std::vector<Sent> sent;
    const Byte addresses[] = {0, 1, 31, 255};
    for (const Meaning &m : kMeanings) {
        const auto words = splitWords(m.words);
        for (const Protocol protocol : allProtocols) {
            if (!actionInProtocol(*findAction(words.front()), protocol))
                continue;
            const Byte address = addresses[sent.size() % 4];
            const auto frame =
                frameBytes(protocol, address, parseActionWords(words, protocol, false)[0].payload);
            PelcoCommand meaning;
            m.set(meaning);
            meaning.protocol = protocol;
            meaning.address = address;
            std::copy(frame.begin() + 2, frame.begin() + 6, meaning.payload.begin());
            meaning.checksum = frame.back();
            sent.push_back({m.words, protocol, address, frame, meaning});
        }
    }
    return sent;
}

TEST(ActionRoundTrip, EveryFrameDecodesToItsActionsMeaning)
{
    std::set<std::string> covered;
    for (const Sent &s : everyFrame()) {
        SCOPED_TRACE(s.words + " in " + std::string(protocolName(s.protocol)) + " at " +
                     std::to_string(s.address));
        covered.insert(splitWords(s.words).front());
        PelcoReceiver receiver(s.protocol);
        auto events = receiver.feed(s.frame);
        const auto rest = receiver.finish();
        events.insert(events.end(), rest.begin(), rest.end());
        ASSERT_EQ(events.size(), 1u);
        EXPECT_EQ(events[0].type, PelcoEvent::Type::Frame) << describe(events[0]);
        EXPECT_EQ(events[0].bytes, s.frame);
        EXPECT_EQ(events[0].command, s.meaning) << describe(events[0].command);
        EXPECT_FALSE(replyOf(events[0])) << "a command is no reply";
    }
    std::set<std::string> table;
    for (const ActionSpec &action : actionTable())
        table.insert(std::string(action.name));
    EXPECT_EQ(covered, table);
}

TEST(ActionRoundTrip, AllFramesInOneStreamOfBothProtocolsComeBackInOrder)
{
    const auto sent = everyFrame();
    std::vector<Byte> stream;
    for (const Sent &s : sent)
        stream.insert(stream.end(), s.frame.begin(), s.frame.end());
    // Whole, and in chunks that cut the frames anywhere.
    for (std::size_t chunk : {stream.size(), std::size_t(1), std::size_t(5), std::size_t(13)}) {
        SCOPED_TRACE("chunks of " + std::to_string(chunk));
        PelcoReceiver receiver = PelcoReceiver::bothProtocols();
        std::vector<PelcoEvent> events;
        for (std::size_t at = 0; at < stream.size(); at += chunk) {
            const auto got =
                receiver.feed(std::span(stream).subspan(at, std::min(chunk, stream.size() - at)));
            events.insert(events.end(), got.begin(), got.end());
        }
        const auto rest = receiver.finish();
        events.insert(events.end(), rest.begin(), rest.end());
        ASSERT_EQ(events.size(), sent.size());
        for (std::size_t i = 0; i < sent.size(); ++i) {
            EXPECT_EQ(events[i].protocol, sent[i].protocol) << sent[i].words;
            EXPECT_EQ(events[i].command, sent[i].meaning) << sent[i].words;
        }
    }
}

} // namespace

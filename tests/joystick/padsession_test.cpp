// The controller's mapping, buttons and pacing, on a fake clock: the frames the session writes,
// against bytes worked out by hand from the protocol tables.
#include "padsession.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

using namespace pad;
using namespace std::chrono_literals;

std::string hex(std::span<const pelco::Byte> bytes)
{
    std::string out;
    for (const pelco::Byte b : bytes) {
        char text[4];
        std::snprintf(text, sizeof text, out.empty() ? "%02X" : " %02X", b);
        out += text;
    }
    return out;
}

struct Sent
{
    PadTime at;
    std::string frame;
};

// A session whose frames are kept with the time they went.
struct Fixture
{
    explicit Fixture(SessionSettings settings = {})
        : session(settings, [this](std::span<const pelco::Byte> f) {
              sent.push_back({now, hex(f)});
          })
    {}

    void set(Control c, int value, PadTime at)
    {
        now = at;
        session.set(c, value, at);
        session.update(at);
    }
    void update(PadTime at)
    {
        now = at;
        session.update(at);
    }
    std::vector<std::string> frames() const
    {
        std::vector<std::string> out;
        for (const Sent &s : sent)
            out.push_back(s.frame);
        return out;
    }

    PadTime now{0};
    std::vector<Sent> sent;
    PadSession session;
};

const Control leftx = Control::axis(Axis::LeftX);
const Control lefty = Control::axis(Axis::LeftY);
const Control righty = Control::axis(Axis::RightY);
const Control rightx = Control::axis(Axis::RightX);
const Control lefttrigger = Control::axis(Axis::LeftTrigger);
const Control near = Control::button(Button::LeftShoulder);
const Control far = Control::button(Button::RightShoulder);

const std::string stop1 = "FF 01 00 00 00 00 01";

TEST(PadMapping, SpeedFollowsTheSquareCurveBeyondTheDeadZone)
{
    // 1 + round(62 t^2), t = (|v|/32767 - 0.15) / 0.82, worked out by hand.
    const struct
    {
        int value;
        int speed;
    } rows[] = {{0, 0},      {4915, 0},   {-4915, 0},   {4916, 1},   {5000, 1},
                {10000, 3},  {16384, 12}, {-16384, 12}, {20000, 21}, {25000, 36},
                {30000, 55}, {31784, 63}, {32767, 63},  {-32768, 63}};
    for (const auto &row : rows)
        EXPECT_EQ(axisSpeed(row.value, 0.15), row.speed) << row.value;
    // Another dead zone moves where the speeds begin.
    EXPECT_EQ(axisSpeed(9830, 0.30), 0);
    EXPECT_EQ(axisSpeed(9831, 0.30), 1);
    EXPECT_EQ(axisSpeed(1, 0.0), 1);
}

TEST(PadMapping, StickPositionsGiveTheseFrames)
{
    struct Row
    {
        const char *what;
        std::vector<std::pair<Control, int>> controls;
        Protocol protocol;
        const char *frame; // nullptr: none
    };
    const Row rows[] = {
        {"half right", {{leftx, 16384}}, Protocol::PelcoD, "FF 01 00 02 0C 00 0F"},
        {"full left", {{leftx, -32768}}, Protocol::PelcoD, "FF 01 00 04 3F 00 44"},
        {"pushed away is up", {{lefty, -32768}}, Protocol::PelcoD, "FF 01 00 08 00 3F 48"},
        {"a little down", {{lefty, 10000}}, Protocol::PelcoD, "FF 01 00 10 00 03 14"},
        {"in the dead zone", {{leftx, 4915}, {lefty, -4915}}, Protocol::PelcoD, nullptr},
        {"just beyond it", {{leftx, 4916}}, Protocol::PelcoD, "FF 01 00 02 01 00 04"},
        {"up-right", {{leftx, 20000}, {lefty, -25000}}, Protocol::PelcoD, "FF 01 00 0A 15 24 44"},
        {"down-left", {{leftx, -10000}, {lefty, 30000}}, Protocol::PelcoD, "FF 01 00 14 03 37 4F"},
        {"one axis out, the other in its dead zone",
         {{leftx, 20000}, {lefty, 4000}},
         Protocol::PelcoD,
         "FF 01 00 02 15 00 18"},
        {"right, zoom tele, focus far",
         {{leftx, 32767}, {righty, -20000}, {far, 1}},
         Protocol::PelcoD,
         "FF 01 00 A2 3F 00 E2"},
        {"up, zoom wide, focus near",
         {{lefty, -16384}, {righty, 20000}, {near, 1}},
         Protocol::PelcoD,
         "FF 01 01 48 00 0C 56"},
        {"zoom alone", {{righty, -32768}}, Protocol::PelcoD, "FF 01 00 20 00 00 21"},
        {"both focus buttons cancel", {{near, 1}, {far, 1}}, Protocol::PelcoD, nullptr},
        {"the right stick's x and the triggers do nothing",
         {{rightx, 32767}, {lefttrigger, 32767}},
         Protocol::PelcoD,
         nullptr},
        {"Pelco P: right, tele, near",
         {{leftx, 32767}, {righty, -32768}, {near, 1}},
         Protocol::PelcoP,
         "A0 01 02 22 3F 00 AF 11"},
        {"Pelco P: up, focus far",
         {{lefty, -32768}, {far, 1}},
         Protocol::PelcoP,
         "A0 01 01 08 00 3F AF 38"},
    };
    for (const Row &row : rows) {
        SessionSettings settings;
        settings.protocol = row.protocol;
        Fixture f(settings);
        for (const auto &[control, value] : row.controls)
            f.session.set(control, value, 0ms);
        f.update(0ms);
        if (row.frame)
            EXPECT_EQ(f.frames(), std::vector<std::string>{row.frame}) << row.what;
        else
            EXPECT_TRUE(f.frames().empty()) << row.what;
    }
}

TEST(PadMapping, FullPanHeldForASecondIsTurbo)
{
    for (const Protocol protocol : {Protocol::PelcoD, Protocol::PelcoP}) {
        SessionSettings settings;
        settings.protocol = protocol;
        Fixture f(settings);
        f.set(leftx, 32767, 0ms);
        f.update(999ms);
        ASSERT_EQ(f.sent.size(), 1u);
        // The loop is told when to look again, without new input.
        EXPECT_EQ(f.session.nextWake(), PadTime(1000ms));
        f.update(1000ms);
        const bool d = protocol == Protocol::PelcoD;
        ASSERT_EQ(f.sent.size(), 2u);
        EXPECT_EQ(f.sent[1].frame, d ? "FF 01 00 02 FF 00 02" : "A0 01 00 02 40 00 AF 4C");
        // Easing off ends turbo.
        f.set(leftx, 30000, 1200ms);
        ASSERT_EQ(f.sent.size(), 3u);
        EXPECT_EQ(f.sent[2].frame, d ? "FF 01 00 02 37 00 3A" : "A0 01 00 02 37 00 AF 3B");
    }
}

TEST(PadMapping, TurboNeedsTheFullSecondInOneDirection)
{
    Fixture f;
    f.set(leftx, 32767, 0ms);
    f.set(leftx, 30000, 600ms); // eased off: the second starts again
    f.set(leftx, 32767, 700ms);
    f.update(1500ms);
    f.set(leftx, -32768, 1600ms); // the other way round: again
    f.update(2500ms);
    for (const Sent &s : f.sent)
        EXPECT_EQ(s.frame.find("FF 00"), std::string::npos) << s.frame;
    f.update(2600ms);
    EXPECT_EQ(f.sent.back().frame, "FF 01 00 04 FF 00 04");
}

TEST(PadButtons, PresetsGoAndSetWithBackHeld)
{
    Fixture f;
    const auto press = [&](Button b, PadTime at) {
        f.set(Control::button(b), 1, at);
        f.set(Control::button(b), 0, at + 1ms);
    };
    press(Button::A, 0ms);
    press(Button::B, 10ms);
    press(Button::X, 20ms);
    press(Button::Y, 30ms);
    f.set(Control::button(Button::Back), 1, 40ms);
    press(Button::A, 50ms);
    press(Button::Y, 60ms);
    f.set(Control::button(Button::Back), 0, 70ms);
    press(Button::B, 80ms);
    EXPECT_EQ(f.frames(), (std::vector<std::string>{"FF 01 00 07 00 01 09", "FF 01 00 07 00 02 0A",
                                                    "FF 01 00 07 00 03 0B", "FF 01 00 07 00 04 0C",
                                                    "FF 01 00 03 00 01 05", "FF 01 00 03 00 04 08",
                                                    "FF 01 00 07 00 02 0A"}));

    SessionSettings p;
    p.protocol = Protocol::PelcoP;
    Fixture fp(p);
    fp.set(Control::button(Button::A), 1, 0ms);
    fp.set(Control::button(Button::Back), 1, 10ms);
    fp.set(Control::button(Button::B), 1, 20ms);
    EXPECT_EQ(fp.frames(),
              (std::vector<std::string>{"A0 01 00 07 00 01 AF 08", "A0 01 00 03 00 02 AF 0F"}));
}

TEST(PadButtons, SwitchingCamerasStopsTheMovingOneFirst)
{
    SessionSettings settings;
    settings.addresses = {1, 2, 3};
    Fixture f(settings);
    const Control right = Control::button(Button::DpRight), left = Control::button(Button::DpLeft);
    f.set(leftx, 32767, 0ms);
    f.set(right, 1, 100ms);
    EXPECT_EQ(f.session.currentAddress(), 2);
    f.set(right, 0, 110ms);
    f.update(200ms);
    f.set(leftx, 0, 300ms);
    // At rest: no stop owed, the switch is quiet.
    f.set(left, 1, 400ms);
    f.set(left, 0, 410ms);
    f.set(left, 1, 420ms); // from the first, round to the last
    EXPECT_EQ(f.session.currentAddress(), 3);
    f.set(lefty, -32768, 500ms);
    f.session.finish();
    const std::vector<std::string> expected = {"FF 01 00 02 3F 00 42", stop1,
                                               "FF 02 00 02 3F 00 43", "FF 02 00 00 00 00 02",
                                               "FF 03 00 08 00 3F 4A", "FF 03 00 00 00 00 03"};
    EXPECT_EQ(f.frames(), expected);
    ASSERT_EQ(f.sent.size(), expected.size());
    EXPECT_EQ(f.sent[1].at, PadTime(100ms)); // the stop at once, before the switch
}

TEST(PadButtons, StartStopsAndHoldsUntilTheSticksRest)
{
    Fixture f;
    f.set(leftx, 32767, 0ms);
    f.set(Control::button(Button::Start), 1, 100ms);
    f.update(200ms);
    f.set(leftx, 20000, 300ms); // still held: nothing
    f.set(leftx, 0, 400ms);
    f.set(leftx, 20000, 500ms); // back from rest: it moves again
    EXPECT_EQ(f.frames(),
              (std::vector<std::string>{"FF 01 00 02 3F 00 42", stop1, "FF 01 00 02 15 00 18"}));
}

TEST(PadPacing, TheStopGoesAtOnceAndNothingOlderFollowsIt)
{
    Fixture f;
    f.set(leftx, 32767, 0ms);
    f.set(leftx, 20000, 10ms); // held back by the pacer
    EXPECT_EQ(f.session.nextWake(), PadTime(50ms));
    f.set(leftx, 0, 20ms);
    f.update(60ms);
    f.update(200ms);
    ASSERT_EQ(f.frames(), (std::vector<std::string>{"FF 01 00 02 3F 00 42", stop1}));
    EXPECT_EQ(f.sent[1].at, PadTime(20ms));
    EXPECT_FALSE(f.session.nextWake());
}

TEST(PadPacing, TheLatestStateWins)
{
    Fixture f;
    f.set(leftx, 32767, 0ms);
    f.set(leftx, 20000, 10ms);
    f.set(leftx, 25000, 20ms);
    f.update(49ms);
    f.update(50ms);
    EXPECT_EQ(f.frames(),
              (std::vector<std::string>{"FF 01 00 02 3F 00 42", "FF 01 00 02 24 00 27"}));
    EXPECT_EQ(f.sent[1].at, PadTime(50ms));
}

// A stick that moves every millisecond: no more frames than the pacing allows, and the last one
// is the last state.
TEST(PadPacing, AStickMovingEveryMillisecondIsPacedToTheLine)
{
    for (const int baud : {2400, 1200, 9600}) {
        SessionSettings settings;
        settings.baud = baud;
        Fixture f(settings);
        const int ms = 2000;
        for (int t = 0; t < ms; ++t)
            f.set(leftx, 6000 + (t * 97) % 26000, PadTime(t * 1000));
        f.update(PadTime(ms * 1000 + 200'000));
        // 7 bytes of 10 bits, plus 2 ms; never under 50 ms.
        const double gapMs = std::max(50.0, 70000.0 / baud + 2);
        for (std::size_t i = 1; i < f.sent.size(); ++i)
            EXPECT_GE((f.sent[i].at - f.sent[i - 1].at).count(), gapMs * 1000 - 1) << baud;
        EXPECT_LE(f.sent.size(), std::size_t(ms / gapMs) + 2) << baud;
        EXPECT_GE(f.sent.size(), std::size_t(ms / gapMs) - 2) << baud;
        const int last = 6000 + ((ms - 1) * 97) % 26000;
        EXPECT_EQ(f.session.sent().panSpeed, axisSpeed(last, defaultDeadZone)) << baud;
    }
}

TEST(PadSession, FinishStopsOnlyAMovingCamera)
{
    Fixture f;
    f.session.finish();
    EXPECT_TRUE(f.sent.empty());
    f.set(righty, -32768, 0ms);
    f.session.finish();
    EXPECT_EQ(f.frames(), (std::vector<std::string>{"FF 01 00 20 00 00 21", stop1}));
}

} // namespace

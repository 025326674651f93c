// The live path in-process: SDL's virtual controller drives the real SDL source, loop and
// session, whose frames go onto a pseudo-terminal and are read off its master end.
#include "padlive.h"
#include "ptypair.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        char text[4];
        std::snprintf(text, sizeof text, i % 7 == 0 ? (i ? "|%02X" : "%02X") : " %02X", bytes[i]);
        out += text;
    }
    return out;
}

std::vector<std::string> frames(const std::vector<std::uint8_t> &bytes)
{
    std::vector<std::string> out;
    if (bytes.empty())
        return out;
    std::string all = hex(bytes);
    for (std::size_t start = 0; start < all.size();) {
        const auto bar = all.find('|', start);
        out.push_back(all.substr(start, bar - start));
        start = bar == std::string::npos ? all.size() : bar + 1;
    }
    return out;
}

class VirtualPad : public testing::Test
{
protected:
    VirtualPad()
    {
        setenv("SDL_VIDEODRIVER", "dummy", 1);
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        m_fd = open(m_pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    }
    ~VirtualPad() override
    {
        if (m_stick)
            SDL_JoystickClose(m_stick);
        close(m_fd);
    }

    void start(pad::SessionSettings settings = {})
    {
        m_sdl.emplace(std::nullopt, "");
        m_session.emplace(settings, [this](std::span<const pelco::Byte> f) {
            ASSERT_EQ(write(m_fd, f.data(), f.size()), ssize_t(f.size()));
        });
    }
    void plug()
    {
        SDL_VirtualJoystickDesc desc{};
        desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
        desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
        desc.naxes = SDL_CONTROLLER_AXIS_MAX;
        desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
        desc.name = "Tarn test pad";
        m_index = SDL_JoystickAttachVirtualEx(&desc);
        ASSERT_GE(m_index, 0) << SDL_GetError();
        m_stick = SDL_JoystickOpen(m_index);
        ASSERT_NE(m_stick, nullptr) << SDL_GetError();
    }
    void unplug()
    {
        SDL_JoystickClose(m_stick);
        m_stick = nullptr;
        ASSERT_EQ(SDL_JoystickDetachVirtual(m_index), 0) << SDL_GetError();
    }
    void axis(SDL_GameControllerAxis a, int value)
    {
        SDL_JoystickSetVirtualAxis(m_stick, a, Sint16(value));
    }
    void button(SDL_GameControllerButton b, bool down)
    {
        SDL_JoystickSetVirtualButton(m_stick, b, down ? 1 : 0);
    }

    // Runs the real loop for a while; every wait also calls between (to move the stick).
    void run(std::chrono::milliseconds span, const std::function<void()> &between = {})
    {
        const auto end = Clock::now() + span;
        runLive(*m_sdl, *m_session,
                {[this] { return std::chrono::duration_cast<pad::PadTime>(Clock::now() - m_t0); },
                 [&](pad::PadTime t) {
                     if (Clock::now() >= end)
                         return false;
                     std::this_thread::sleep_for(between ? pad::PadTime(1ms)
                                                         : std::min(t, pad::PadTime(2ms)));
                     if (between)
                         between();
                     return true;
                 }});
    }
    std::vector<std::string> lineFrames() { return frames(m_pty.readAvailable()); }

    PtyPair m_pty;
    int m_fd = -1;
    Clock::time_point m_t0 = Clock::now();
    std::optional<SdlPad> m_sdl;
    std::optional<pad::PadSession> m_session;
    SDL_Joystick *m_stick = nullptr;
    int m_index = -1;
};

TEST_F(VirtualPad, IsAGameControllerWithSdlsNames)
{
    start();
    plug();
    EXPECT_EQ(SdlPad::controllers(), std::vector<std::string>{"Tarn test pad"});
    for (int i = 0; i < pad::axisCount; ++i)
        EXPECT_EQ(pad::controlName({true, i}),
                  SDL_GameControllerGetStringForAxis(SDL_GameControllerAxis(i)));
    for (int i = 0; i < pad::buttonCount; ++i)
        EXPECT_EQ(pad::controlName({false, i}),
                  SDL_GameControllerGetStringForButton(SDL_GameControllerButton(i)));
}

TEST_F(VirtualPad, SticksAndButtonsBecomeFrames)
{
    start();
    plug();
    run(100ms);
    EXPECT_TRUE(m_sdl->connected());
    struct Step
    {
        std::function<void()> act;
        std::vector<std::string> frames;
    };
    const Step steps[] = {
        {[&] { axis(SDL_CONTROLLER_AXIS_LEFTX, 4000); }, {}}, // dead zone
        {[&] { axis(SDL_CONTROLLER_AXIS_LEFTX, 16384); }, {"FF 01 00 02 0C 00 0F"}},
        {[&] {
             axis(SDL_CONTROLLER_AXIS_LEFTY, -25000);
             axis(SDL_CONTROLLER_AXIS_LEFTX, 20000);
         },
         {"FF 01 00 0A 15 24 44"}},
        {[&] {
             axis(SDL_CONTROLLER_AXIS_RIGHTY, -20000);
             button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, true);
             axis(SDL_CONTROLLER_AXIS_LEFTY, 0);
             axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
         },
         {"FF 01 00 A2 3F 00 E2"}},
        {[&] {
             axis(SDL_CONTROLLER_AXIS_RIGHTY, 0);
             button(SDL_CONTROLLER_BUTTON_RIGHTSHOULDER, false);
             axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
         },
         {"FF 01 00 00 00 00 01"}},
        {[&] { button(SDL_CONTROLLER_BUTTON_X, true); }, {"FF 01 00 07 00 03 0B"}},
        {[&] {
             button(SDL_CONTROLLER_BUTTON_X, false);
             button(SDL_CONTROLLER_BUTTON_BACK, true);
         },
         {}},
        {[&] { button(SDL_CONTROLLER_BUTTON_Y, true); }, {"FF 01 00 03 00 04 08"}},
    };
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        steps[i].act();
        run(150ms);
        const auto got = lineFrames();
        EXPECT_EQ(steps[i].frames, got) << "step " << i;
    }
}

TEST_F(VirtualPad, TheStopGoesAtOnceOnReturnToTheCentre)
{
    start();
    plug();
    run(50ms);
    axis(SDL_CONTROLLER_AXIS_LEFTX, 32767);
    run(15ms);
    EXPECT_EQ(lineFrames(), std::vector<std::string>{"FF 01 00 02 3F 00 42"});
    // A move the pacer holds back, then the centre: only the stop goes, within a poll or two.
    axis(SDL_CONTROLLER_AXIS_LEFTX, 20000);
    run(3ms);
    axis(SDL_CONTROLLER_AXIS_LEFTX, 0);
    const auto moved = Clock::now();
    run(30ms);
    const auto bytes = m_pty.read(7, 100);
    const auto at = Clock::now() - moved;
    EXPECT_EQ(hex(bytes), "FF 01 00 00 00 00 01");
    EXPECT_LT(at, 60ms);
    run(100ms);
    EXPECT_EQ(lineFrames(), std::vector<std::string>{});
}

TEST_F(VirtualPad, TurboAfterASecondAndCamerasSwitchStoppingFirst)
{
    pad::SessionSettings settings;
    settings.addresses = {1, 2};
    start(settings);
    plug();
    run(50ms);
    axis(SDL_CONTROLLER_AXIS_LEFTX, -32768);
    run(1200ms);
    EXPECT_EQ(lineFrames(),
              (std::vector<std::string>{"FF 01 00 04 3F 00 44", "FF 01 00 04 FF 00 04"}));
    button(SDL_CONTROLLER_BUTTON_DPAD_RIGHT, true);
    run(200ms);
    // Camera 2 starts at full deflection: a new second before turbo.
    EXPECT_EQ(lineFrames(),
              (std::vector<std::string>{"FF 01 00 00 00 00 01", "FF 02 00 04 3F 00 45"}));
}

TEST_F(VirtualPad, UnplugStopsAndAnotherControllerIsTakenUp)
{
    start();
    run(50ms);
    EXPECT_FALSE(m_sdl->connected());
    plug();
    run(100ms);
    ASSERT_TRUE(m_sdl->connected());
    axis(SDL_CONTROLLER_AXIS_RIGHTY, 32767);
    run(100ms);
    EXPECT_EQ(lineFrames(), std::vector<std::string>{"FF 01 00 40 00 00 41"});
    unplug();
    run(100ms);
    EXPECT_FALSE(m_sdl->connected());
    EXPECT_EQ(lineFrames(), std::vector<std::string>{"FF 01 00 00 00 00 01"});
    plug();
    axis(SDL_CONTROLLER_AXIS_LEFTY, 32767);
    run(300ms);
    EXPECT_TRUE(m_sdl->connected());
    EXPECT_EQ(lineFrames(), std::vector<std::string>{"FF 01 00 10 00 3F 50"});
    // The end of the command stops it too.
    m_session->finish();
    EXPECT_EQ(hex(m_pty.read(7, 500)), "FF 01 00 00 00 00 01");
}

TEST_F(VirtualPad, AStickMovingEveryMillisecondIsPacedAt2400Baud)
{
    pad::SessionSettings settings;
    settings.baud = 2400;
    start(settings);
    plug();
    run(50ms);
    int step = 0, last = 0;
    std::vector<Clock::time_point> arrivals;
    std::vector<std::uint8_t> bytes;
    run(2000ms, [&] {
        last = 6000 + (++step * 389) % 26000;
        axis(SDL_CONTROLLER_AXIS_LEFTX, last);
        const auto got = m_pty.readAvailable();
        for (std::size_t i = 0; i < got.size(); i += 7)
            arrivals.push_back(Clock::now());
        bytes.insert(bytes.end(), got.begin(), got.end());
    });
    run(200ms);
    const auto rest = m_pty.readAvailable();
    bytes.insert(bytes.end(), rest.begin(), rest.end());
    EXPECT_GT(step, 500); // the stick did move often
    const auto f = frames(bytes);
    // 2 s at no more than 20 a second, and not so few that the stick was not followed.
    EXPECT_LE(f.size(), 42u);
    EXPECT_GE(f.size(), 20u);
    for (std::size_t i = 2; i < arrivals.size(); ++i)
        EXPECT_GE(arrivals[i] - arrivals[i - 2], 80ms) << i; // two gaps of 50 ms, less jitter
    // The last frame carries the last state.
    char expected[32];
    const int speed = pad::axisSpeed(last, pad::defaultDeadZone);
    std::snprintf(expected, sizeof expected, "FF 01 00 02 %02X 00 %02X", speed, 3 + speed);
    EXPECT_EQ(f.back(), expected);
}

} // namespace

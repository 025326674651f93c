// A game controller's axes and buttons by SDL's names (SDL_GameControllerGetStringForAxis and
// ...ForButton), in SDL's order, and the state of them all.
#pragma once

#include <array>
#include <chrono>
#include <optional>
#include <string_view>

namespace pad {

// Time since the command started.
using PadTime = std::chrono::microseconds;

inline constexpr int axisCount = 6;    // leftx lefty rightx righty lefttrigger righttrigger
inline constexpr int buttonCount = 21; // a .. touchpad

enum class Axis { LeftX, LeftY, RightX, RightY, LeftTrigger, RightTrigger };
enum class Button {
    A,
    B,
    X,
    Y,
    Back,
    Guide,
    Start,
    LeftStick,
    RightStick,
    LeftShoulder,
    RightShoulder,
    DpUp,
    DpDown,
    DpLeft,
    DpRight,
    Misc1,
    Paddle1,
    Paddle2,
    Paddle3,
    Paddle4,
    Touchpad,
};

inline constexpr int axisMin = -32768;
inline constexpr int axisMax = 32767;

struct Control
{
    bool isAxis = true;
    int index = 0; // an Axis or a Button

    static Control axis(Axis a) { return {true, int(a)}; }
    static Control button(Button b) { return {false, int(b)}; }
    bool operator==(const Control &) const = default;
};

// SDL's name: "leftx", "dpleft".
std::string_view controlName(Control control);
// The control SDL names so; nullopt for any other text.
std::optional<Control> controlFromName(std::string_view name);
// The values a control takes: sticks -32768..32767, triggers 0..32767, buttons 0..1.
int controlMin(Control control);
int controlMax(Control control);

struct PadState
{
    std::array<int, axisCount> axes{};
    std::array<bool, buttonCount> buttons{};

    int axis(Axis a) const { return axes[std::size_t(a)]; }
    bool button(Button b) const { return buttons[std::size_t(b)]; }
    int value(Control control) const;
    // Sets a control; values beyond its range are clamped.
    void set(Control control, int value);
    bool operator==(const PadState &) const = default;
};

} // namespace pad

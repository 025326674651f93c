#include "padcontrols.h"

#include <algorithm>

namespace pad {

namespace {

constexpr std::array<std::string_view, axisCount> axisNames = {
    "leftx", "lefty", "rightx", "righty", "lefttrigger", "righttrigger"};
constexpr std::array<std::string_view, buttonCount> buttonNames = {"a",
                                                                   "b",
                                                                   "x",
                                                                   "y",
                                                                   "back",
                                                                   "guide",
                                                                   "start",
                                                                   "leftstick",
                                                                   "rightstick",
                                                                   "leftshoulder",
                                                                   "rightshoulder",
                                                                   "dpup",
                                                                   "dpdown",
                                                                   "dpleft",
                                                                   "dpright",
                                                                   "misc1",
                                                                   "paddle1",
                                                                   "paddle2",
                                                                   "paddle3",
                                                                   "paddle4",
                                                                   "touchpad"};

bool isTrigger(Control control)
{
    return control.isAxis &&
           (control.index == int(Axis::LeftTrigger) || control.index == int(Axis::RightTrigger));
}

} // namespace

std::string_view controlName(Control control)
{
    return control.isAxis ? axisNames.at(std::size_t(control.index))
                          : buttonNames.at(std::size_t(control.index));
}

std::optional<Control> controlFromName(std::string_view name)
{
    for (std::size_t i = 0; i < axisNames.size(); ++i)
        if (axisNames[i] == name)
            return Control{true, int(i)};
    for (std::size_t i = 0; i < buttonNames.size(); ++i)
        if (buttonNames[i] == name)
            return Control{false, int(i)};
    return std::nullopt;
}

int controlMin(Control control)
{
    return control.isAxis && !isTrigger(control) ? axisMin : 0;
}

int controlMax(Control control)
{
    return control.isAxis ? axisMax : 1;
}

int PadState::value(Control control) const
{
    return control.isAxis ? axes.at(std::size_t(control.index))
                          : int(buttons.at(std::size_t(control.index)));
}

void PadState::set(Control control, int value)
{
    value = std::clamp(value, controlMin(control), controlMax(control));
    if (control.isAxis)
        axes.at(std::size_t(control.index)) = value;
    else
        buttons.at(std::size_t(control.index)) = value != 0;
}

} // namespace pad

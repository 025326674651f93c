#include "commands.h"

#include <array>

namespace {
constexpr std::array<NamedAction, 9> kMotionActions{{
    {"stop", PtzCommands::stop},
    {"up", PtzCommands::up},
    {"down", PtzCommands::down},
    {"left", PtzCommands::left},
    {"right", PtzCommands::right},
    {"zoom-tele", PtzCommands::zoomTele},
    {"zoom-wide", PtzCommands::zoomWide},
    {"focus-far", PtzCommands::focusFar},
    {"focus-near", PtzCommands::focusNear},
}};
} // namespace

std::span<const NamedAction> motionActions()
{
    return kMotionActions;
}

std::optional<PtzCommand> findMotionAction(std::string_view name)
{
    for (const auto &action : kMotionActions)
        if (action.name == name)
            return action.command;
    return std::nullopt;
}

std::optional<PtzCommand (*)(BYTE)> findPresetAction(std::string_view name)
{
    if (name == "goto")
        return &PtzCommands::gotoPreset;
    if (name == "set")
        return &PtzCommands::setPreset;
    if (name == "clear")
        return &PtzCommands::clearPreset;
    return std::nullopt;
}

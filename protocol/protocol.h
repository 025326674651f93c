// The serial PTZ protocols. The panel speaks Pelco D only; tarnctl and the virtual camera speak
// both, chosen with --protocol d|p.
#pragma once

#include <optional>
#include <string_view>

enum class Protocol { PelcoD, PelcoP };

// "d" or "p", as the command line names them; nullopt for anything else.
constexpr std::optional<Protocol> protocolFromName(std::string_view name)
{
    if (name == "d")
        return Protocol::PelcoD;
    if (name == "p")
        return Protocol::PelcoP;
    return std::nullopt;
}

// 'D' or 'P': how the monitor marks a line.
constexpr char protocolLetter(Protocol protocol)
{
    return protocol == Protocol::PelcoD ? 'D' : 'P';
}

// "Pelco D" or "Pelco P", for messages.
constexpr std::string_view protocolName(Protocol protocol)
{
    return protocol == Protocol::PelcoD ? "Pelco D" : "Pelco P";
}

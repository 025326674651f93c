// The game controller as SDL's GameController API sees it: the controller in use, followed
// as controllers are plugged in and out, and its changes as the controls of padcontrols.h.
#pragma once

#include "padcontrols.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

using SDL_GameController = struct _SDL_GameController;

class SdlPad
{
public:
    struct Event
    {
        enum class Kind { Control, Connected, Disconnected };
        Kind kind = Kind::Control;
        pad::Control control;
        int value = 0;
        std::string name; // the controller's, for Connected and Disconnected
    };

    // Starts SDL's game controller part, with events kept flowing while another window has the
    // focus. mappingsFile (a gamecontrollerdb.txt) adds to SDL's own mappings and to those of
    // SDL_GAMECONTROLLERCONFIG. device picks the controller of --list's numbering; none takes the
    // first. Throws std::runtime_error.
    SdlPad(std::optional<int> device, const std::string &mappingsFile);
    ~SdlPad();
    SdlPad(const SdlPad &) = delete;
    SdlPad &operator=(const SdlPad &) = delete;

    // The connected controllers, in --list's order, by name. Needs an SdlPad alive.
    static std::vector<std::string> controllers();
    // Joysticks SDL sees that it has no controller mapping for.
    static std::vector<std::string> unmappedJoysticks();

    // Takes in what SDL has seen since the last call. When the controller in use goes, every
    // control left away from rest is first reported back at rest.
    std::vector<Event> poll();

    bool connected() const { return m_controller != nullptr; }

private:
    void open(int deviceIndex, std::vector<Event> &events);
    void close(std::vector<Event> &events);
    void openWanted(std::vector<Event> &events);

    std::optional<int> m_device;
    SDL_GameController *m_controller = nullptr;
    int m_instance = -1;
    std::string m_name;
    pad::PadState m_state;
};

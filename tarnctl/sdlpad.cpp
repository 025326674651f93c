#include "sdlpad.h"

#include <SDL.h>

namespace {

// SDL's axes and buttons come in the order padcontrols.h lists them.
static_assert(SDL_CONTROLLER_AXIS_MAX == pad::axisCount);
static_assert(SDL_CONTROLLER_BUTTON_MAX == pad::buttonCount);
static_assert(SDL_CONTROLLER_AXIS_TRIGGERRIGHT == int(pad::Axis::RightTrigger));
static_assert(SDL_CONTROLLER_BUTTON_DPAD_RIGHT == int(pad::Button::DpRight));
static_assert(SDL_CONTROLLER_BUTTON_TOUCHPAD == int(pad::Button::Touchpad));

std::runtime_error sdlError(const std::string &what)
{
    return std::runtime_error(what + ": " + SDL_GetError());
}

std::string controllerName(int deviceIndex)
{
    const char *name = SDL_GameControllerNameForIndex(deviceIndex);
    return name ? name : "unnamed controller";
}

} // namespace

SdlPad::SdlPad(std::optional<int> device, const std::string &mappingsFile) : m_device(device)
{
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    // The command watches SIGINT, SIGTERM and SIGHUP itself.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_GAMECONTROLLER) != 0)
        throw sdlError("cannot start SDL's game controller support");
    if (!mappingsFile.empty() && SDL_GameControllerAddMappingsFromFile(mappingsFile.c_str()) < 0) {
        const std::runtime_error error = sdlError("cannot read the mappings in " + mappingsFile);
        SDL_Quit();
        throw error;
    }
}

SdlPad::~SdlPad()
{
    if (m_controller)
        SDL_GameControllerClose(m_controller);
    SDL_Quit();
}

std::vector<std::string> SdlPad::controllers()
{
    SDL_JoystickUpdate();
    std::vector<std::string> names;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (SDL_IsGameController(i))
            names.push_back(controllerName(i));
    return names;
}

std::vector<std::string> SdlPad::unmappedJoysticks()
{
    std::vector<std::string> names;
    for (int i = 0; i < SDL_NumJoysticks(); ++i)
        if (!SDL_IsGameController(i)) {
            const char *name = SDL_JoystickNameForIndex(i);
            names.push_back(name ? name : "unnamed joystick");
        }
    return names;
}

void SdlPad::open(int deviceIndex, std::vector<Event> &events)
{
    m_controller = SDL_GameControllerOpen(deviceIndex);
    if (!m_controller)
        return;
    m_instance = SDL_JoystickInstanceID(SDL_GameControllerGetJoystick(m_controller));
    m_name = controllerName(deviceIndex);
    events.push_back({Event::Kind::Connected, {}, 0, m_name});
    // Controls already away from rest send no event of their own.
    m_state = {};
    for (int i = 0; i < pad::axisCount; ++i) {
        const pad::Control c{true, i};
        const int v = SDL_GameControllerGetAxis(m_controller, SDL_GameControllerAxis(i));
        m_state.set(c, v);
        if (v != 0)
            events.push_back({Event::Kind::Control, c, m_state.value(c), {}});
    }
    for (int i = 0; i < pad::buttonCount; ++i) {
        const pad::Control c{false, i};
        if (SDL_GameControllerGetButton(m_controller, SDL_GameControllerButton(i))) {
            m_state.set(c, 1);
            events.push_back({Event::Kind::Control, c, 1, {}});
        }
    }
}

void SdlPad::close(std::vector<Event> &events)
{
    for (int i = 0; i < pad::axisCount; ++i)
        if (m_state.axes[std::size_t(i)] != 0)
            events.push_back({Event::Kind::Control, {true, i}, 0, {}});
    for (int i = 0; i < pad::buttonCount; ++i)
        if (m_state.buttons[std::size_t(i)])
            events.push_back({Event::Kind::Control, {false, i}, 0, {}});
    m_state = {};
    SDL_GameControllerClose(m_controller);
    m_controller = nullptr;
    m_instance = -1;
    events.push_back({Event::Kind::Disconnected, {}, 0, m_name});
}

void SdlPad::openWanted(std::vector<Event> &events)
{
    int position = 0;
    for (int i = 0; i < SDL_NumJoysticks() && !m_controller; ++i) {
        if (!SDL_IsGameController(i))
            continue;
        if (!m_device || *m_device == position)
            open(i, events);
        ++position;
    }
}

std::vector<SdlPad::Event> SdlPad::poll()
{
    std::vector<Event> events;
    SDL_PumpEvents();
    SDL_Event e;
    while (SDL_PeepEvents(&e, 1, SDL_GETEVENT, SDL_FIRSTEVENT, SDL_LASTEVENT) > 0) {
        switch (e.type) {
        case SDL_CONTROLLERDEVICEADDED:
            break;
        case SDL_CONTROLLERDEVICEREMOVED:
            if (m_controller && e.cdevice.which == m_instance) {
                close(events);
            }
            break;
        case SDL_CONTROLLERAXISMOTION:
            if (m_controller && e.caxis.which == m_instance && e.caxis.axis < pad::axisCount) {
                const pad::Control c{true, e.caxis.axis};
                m_state.set(c, e.caxis.value);
                events.push_back({Event::Kind::Control, c, m_state.value(c), {}});
            }
            break;
        case SDL_CONTROLLERBUTTONDOWN:
        case SDL_CONTROLLERBUTTONUP:
            if (m_controller && e.cbutton.which == m_instance &&
                e.cbutton.button < pad::buttonCount) {
                const pad::Control c{false, e.cbutton.button};
                m_state.set(c, e.cbutton.state == SDL_PRESSED ? 1 : 0);
                events.push_back({Event::Kind::Control, c, m_state.value(c), {}});
            }
            break;
        default:
            break;
        }
    }
    // A controller plugged in, or one that was there when ours went.
    if (!m_controller)
        openWanted(events);
    return events;
}

// What the operator's buttons send: hold-to-move on press and release, presets on click.
//
// CameraActions holds the panel's one command frame and fills all of it anew for every send.
// It reads the address and preset boxes through a callback, so it runs without widgets; the
// panel hands it every input event it sees (PreTranslateMessage) and the preset clicks.
//
// Errors of the control pass through unchanged: a frame that is refused ends the action, and
// nothing after it is sent.
//
// One thing is remembered: whether the last frame of the hold-to-move path was a motion whose
// release has not been seen yet. A hold that ends without its release (the panel closes, a
// window takes the mouse or the activation) must still stop the camera: StopInterruptedHold.
#pragma once

#include "commandframe.h"
#include "commands.h"
#include "mscomm.h"

#include <functional>
#include <span>
#include <string>
#include <string_view>

struct HoldToMoveButton
{
    int controlId;
    std::string_view caption;
    PtzCommand press; // a release always sends the stop frame
};

// The eight hold-to-move buttons, in the order the hook looks them up.
std::span<const HoldToMoveButton> holdToMoveButtons();

// "<-- Save" stores the camera's current position as this preset, after going to it.
inline constexpr BYTE SAVE_PRESET = 130;

enum class HookMessage {
    LeftButtonDown,
    LeftButtonUp,
    // The hold ends without its release: a window took the mouse or the activation from the
    // panel (a popup, a modal window, another program's grab).
    MouseTaken,
    Other, // everything else, the second press of a double press included
};

class CameraActions
{
public:
    // Reads a box's text by control id.
    using ItemTextReader = std::function<std::string(int controlId)>;

    CameraActions(CMSComm &comm, ItemTextReader itemText);

    void SendCommand(BYTE command1, BYTE command2, BYTE data1, BYTE data2);
    void SendCommand(const PtzCommand &command)
    {
        SendCommand(command.command1, command.command2, command.data1, command.data2);
    }
    void SendStop();
    void SendFrame();

    // The box's number by the edit-box rule, low 8 bits.
    BYTE GetDlgItemByte(int controlId) const;

    // Every message of the panel's loop, with the id of the control it is for (0 if none).
    // Sends only while the port is open; it never consumes the message. MouseTaken stops an
    // interrupted hold.
    void PreTranslateMessage(HookMessage message, int controlId);

    // Sends the stop frame once, if a motion of the hook is still unreleased and the port is
    // open; forgets the motion either way. True when it sent.
    bool StopInterruptedHold();
    bool motionUnreleased() const { return m_motionUnreleased; }

    void OnGotoPreset();
    void OnSetPreset();
    void OnClearPreset();
    void OnSave();

    // The frame sent last.
    const CommandFrame &frame() const { return m_frame; }

private:
    CMSComm &m_comm;
    ItemTextReader m_itemText;
    CommandFrame m_frame{};
    bool m_motionUnreleased = false;
};

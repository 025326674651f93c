#include "cameraactions.h"

#include "dlgitemint.h"
#include "resource.h"

#include <array>
#include <utility>

namespace {
constexpr std::array<HoldToMoveButton, 8> kHoldToMove{{
    {IDC_ZOOM_PLUS, "Zoom +", PtzCommands::zoomTele},
    {IDC_ZOOM_MINUS, "Zoom -", PtzCommands::zoomWide},
    {IDC_FOCUS_PLUS, "Focus +", PtzCommands::focusFar},
    {IDC_FOCUS_MINUS, "Focus -", PtzCommands::focusNear},
    {IDC_UP, "UP", PtzCommands::up},
    {IDC_DOWN, "DOWN", PtzCommands::down},
    {IDC_LEFT, "LEFT", PtzCommands::left},
    {IDC_RIGHT, "RIGHT", PtzCommands::right},
}};

bool isHoldToMove(int controlId)
{
    for (const auto &button : kHoldToMove)
        if (button.controlId == controlId)
            return true;
    return false;
}
} // namespace

std::span<const HoldToMoveButton> holdToMoveButtons()
{
    return kHoldToMove;
}

CameraActions::CameraActions(CMSComm &comm, ItemTextReader itemText)
    : m_comm(comm), m_itemText(std::move(itemText))
{}

BYTE CameraActions::GetDlgItemByte(int controlId) const
{
    return lowByte(readDlgItemInt(m_itemText ? m_itemText(controlId) : std::string()));
}

void CameraActions::SendCommand(BYTE command1, BYTE command2, BYTE data1, BYTE data2)
{
    m_frame = makeFrame(GetDlgItemByte(IDC_ADDRESS), command1, command2, data1, data2);
    SendFrame();
}

void CameraActions::SendStop()
{
    SendCommand(PtzCommands::stop);
}

void CameraActions::SendFrame()
{
    const auto bytes = m_frame.bytes();
    m_comm.setOutput(bytes);
}

void CameraActions::PreTranslateMessage(HookMessage message, int controlId)
{
    if (message == HookMessage::MouseTaken) {
        StopInterruptedHold();
        return;
    }
    // A release on the button ends the hold whether or not the port lets it send.
    if (message == HookMessage::LeftButtonUp && isHoldToMove(controlId))
        m_motionUnreleased = false;
    if (!m_comm.portOpen())
        return;
    if (message == HookMessage::LeftButtonUp && m_comm.portOpen()) {
        for (const auto &button : kHoldToMove)
            if (button.controlId == controlId)
                SendStop();
    }
    if (message == HookMessage::LeftButtonDown && m_comm.portOpen()) {
        for (const auto &button : kHoldToMove)
            if (button.controlId == controlId) {
                // Remembered only once the control has taken the frame.
                m_motionUnreleased = false;
                SendCommand(button.press);
                m_motionUnreleased = true;
            }
    }
}

bool CameraActions::StopInterruptedHold()
{
    if (!std::exchange(m_motionUnreleased, false))
        return false;
    if (!m_comm.portOpen())
        return false;
    SendStop();
    return true;
}

void CameraActions::OnGotoPreset()
{
    SendCommand(PtzCommands::gotoPreset(GetDlgItemByte(IDC_PRESET_NUMBER)));
}

void CameraActions::OnSetPreset()
{
    SendCommand(PtzCommands::setPreset(GetDlgItemByte(IDC_PRESET_NUMBER)));
}

void CameraActions::OnClearPreset()
{
    SendCommand(PtzCommands::clearPreset(GetDlgItemByte(IDC_PRESET_NUMBER)));
}

void CameraActions::OnSave()
{
    SendCommand(PtzCommands::gotoPreset(SAVE_PRESET));
    SendCommand(PtzCommands::setPreset(SAVE_PRESET));
}

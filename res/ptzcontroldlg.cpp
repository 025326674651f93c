#include "ptzcontroldlg.h"

#include "resource.h"

namespace {
using namespace DialogStyle;
using K = ControlKind;

constexpr std::uint32_t child = wsChild | wsVisible;
constexpr std::uint32_t button = child | bsPushButton | wsTabStop;
constexpr std::uint32_t edit = child | esLeft | esAutoHScroll | wsBorder | wsTabStop;
constexpr std::uint32_t label = child | ssLeft | wsGroup;

constexpr std::array<DialogItem, 25> kItems{{
    {IDC_COMM_CTRL, "IDC_COMM_CTRL", K::SerialComm, "", 169, 54, 25, 28, child},
    {IDC_ZOOM_PLUS, "IDC_ZOOM_PLUS", K::PushButton, "Zoom +", 24, 44, 50, 38, button},
    {IDC_ZOOM_MINUS, "IDC_ZOOM_MINUS", K::PushButton, "Zoom -", 84, 44, 50, 38, button},
    {IDC_PORT_LIST, "IDC_PORT_LIST", K::ComboBox, "", 60, 17, 75, 133,
     child | cbsDropDown | cbsSort | wsVScroll | wsTabStop},
    {IDC_STATIC, "IDC_STATIC", K::Label, "COM Ports :", 14, 19, 45, 8, label},
    {IDC_FOCUS_PLUS, "IDC_FOCUS_PLUS", K::PushButton, "Focus +", 24, 89, 50, 37, button},
    {IDC_FOCUS_MINUS, "IDC_FOCUS_MINUS", K::PushButton, "Focus -", 84, 89, 50, 37, button},
    {IDC_GOTO_PRESET, "IDC_GOTO_PRESET", K::PushButton, "GO TO", 24, 132, 50, 38, button},
    {IDC_SET_PRESET, "IDC_SET_PRESET", K::PushButton, "SET", 84, 132, 50, 37, button},
    {IDC_SAVE, "IDC_SAVE", K::PushButton, "<-- Save", 146, 99, 51, 14, button},
    {IDC_ADDRESS, "IDC_ADDRESS", K::Edit, "", 344, 17, 22, 14, edit},
    {IDC_PRESET_NUMBER, "IDC_PRESET_NUMBER", K::Edit, "", 147, 152, 22, 14, edit},
    {IDC_ADDRESS_LABEL, "IDC_ADDRESS_LABEL", K::Label, "Address :", 304, 19, 37, 8, label},
    {IDC_PRESET_LABEL, "IDC_PRESET_LABEL", K::Label, "Preset Number", 144, 138, 70, 8, label},
    {IDC_UP, "IDC_UP", K::PushButton, "UP", 271, 44, 40, 40, button},
    {IDC_CENTER, "IDC_CENTER", K::PushButton, "", 271, 88, 40, 40, button},
    {IDC_DOWN, "IDC_DOWN", K::PushButton, "DOWN", 271, 132, 40, 40, button},
    {IDC_LEFT, "IDC_LEFT", K::PushButton, "LEFT", 228, 88, 40, 40, button},
    {IDC_RIGHT, "IDC_RIGHT", K::PushButton, "RIGHT", 314, 88, 40, 40, button},
    {IDC_LEFT_UP, "IDC_LEFT_UP", K::PushButton, "L+U", 228, 44, 40, 40, button},
    {IDC_RIGHT_UP, "IDC_RIGHT_UP", K::PushButton, "R+U", 314, 44, 40, 40, button},
    {IDC_LEFT_DOWN, "IDC_LEFT_DOWN", K::PushButton, "L+D", 228, 132, 40, 40, button},
    {IDC_RIGHT_DOWN, "IDC_RIGHT_DOWN", K::PushButton, "R+D", 314, 132, 40, 40, button},
    {IDC_BAUD_LIST, "IDC_BAUD_LIST", K::ComboBox, "", 195, 17, 93, 78,
     child | cbsDropDown | wsVScroll | wsTabStop},
    {IDC_STATIC, "IDC_STATIC", K::Label, "Baud Rate :", 148, 19, 45, 8, label},
}};

constexpr DialogTemplate kTemplate{
    IDD_PTZCONTROL_DIALOG,
    "Tarn - Mirelda PTZ Control  V1.00",
    0,
    0,
    392,
    192,
    wsPopup | wsVisible | wsCaption | wsSysMenu | dsModalFrame | dsSetFont,
    wsExAppWindow,
    "MS Sans Serif",
    8,
    kItems,
};
static_assert((wsPopup | wsVisible | wsCaption | wsSysMenu | dsModalFrame | dsSetFont) ==
              0x90C800C0);
} // namespace

const DialogTemplate &ptzControlDialogTemplate()
{
    return kTemplate;
}

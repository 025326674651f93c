// Dialog templates as data: each control's id, kind, caption, position, size and styles, in
// dialog units. The windows are built from these (see dialog/dialogbuilder.h).
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Style bits, kept as the template gives them.
namespace DialogStyle {
inline constexpr std::uint32_t wsPopup = 0x80000000;
inline constexpr std::uint32_t wsChild = 0x40000000;
inline constexpr std::uint32_t wsVisible = 0x10000000;
inline constexpr std::uint32_t wsDisabled = 0x08000000;
inline constexpr std::uint32_t wsCaption = 0x00C00000;
inline constexpr std::uint32_t wsBorder = 0x00800000;
inline constexpr std::uint32_t wsVScroll = 0x00200000;
inline constexpr std::uint32_t wsSysMenu = 0x00080000;
inline constexpr std::uint32_t wsGroup = 0x00020000;
inline constexpr std::uint32_t wsTabStop = 0x00010000;
inline constexpr std::uint32_t dsModalFrame = 0x00000080;
inline constexpr std::uint32_t dsSetFont = 0x00000040;
inline constexpr std::uint32_t wsExAppWindow = 0x00040000;

inline constexpr std::uint32_t bsPushButton = 0x0;
inline constexpr std::uint32_t bsDefPushButton = 0x1;
inline constexpr std::uint32_t cbsDropDown = 0x2;
inline constexpr std::uint32_t cbsSort = 0x100;
inline constexpr std::uint32_t esLeft = 0x0;
inline constexpr std::uint32_t esAutoHScroll = 0x80;
inline constexpr std::uint32_t ssLeft = 0x0;
inline constexpr std::uint32_t ssIcon = 0x3;
inline constexpr std::uint32_t ssNoPrefix = 0x80;
} // namespace DialogStyle

enum class ControlKind {
    PushButton, // default or not, by bsDefPushButton in the style
    ComboBox,
    Edit,
    Label,
    Icon,       // a static showing an icon resource; text holds nothing, iconId the resource
    SerialComm, // the serial communications control: an id and a rectangle, nothing drawn
};

struct DialogItem
{
    int id;
    std::string_view idName; // "IDC_UP"; also the widget's object name
    ControlKind kind;
    std::string_view text;
    int x, y, cx, cy;
    std::uint32_t style;
    std::uint32_t exStyle = 0;
    int iconId = 0;
};

struct DialogTemplate
{
    int id;
    std::string_view caption;
    int x, y, cx, cy;
    std::uint32_t style;
    std::uint32_t exStyle;
    std::string_view fontName;
    int pointSize;
    std::span<const DialogItem> items;
};

#include "aboutbox.h"

#include "resource.h"
#include "versioninfo.h"

#include <array>

namespace {
using namespace DialogStyle;

constexpr std::array<DialogItem, 4> aboutBoxItems{{
    {IDC_STATIC, "IDC_STATIC", ControlKind::Icon, "", 11, 17, 20, 20, wsChild | wsVisible | ssIcon,
     0, IDR_MAINFRAME},
    {IDC_STATIC, "IDC_STATIC", ControlKind::Label, productLine, 40, 10, 119, 8,
     wsChild | wsVisible | wsGroup | ssLeft | ssNoPrefix},
    {IDC_STATIC, "IDC_STATIC", ControlKind::Label, copyrightNotice, 40, 25, 119, 8,
     wsChild | wsVisible | wsGroup | ssLeft},
    {IDOK, "IDOK", ControlKind::PushButton, "OK", 178, 7, 50, 14,
     wsChild | wsVisible | wsGroup | wsTabStop | bsDefPushButton},
}};

// Not visible: the box is shown by its modal run, after it is centred.
constexpr DialogTemplate aboutBox{
    IDD_ABOUTBOX,
    "About Vosk",
    0,
    0,
    235,
    55,
    wsPopup | wsCaption | wsSysMenu | dsModalFrame | dsSetFont,
    0,
    "MS Sans Serif",
    8,
    aboutBoxItems,
};
} // namespace

const DialogTemplate &aboutBoxTemplate()
{
    return aboutBox;
}

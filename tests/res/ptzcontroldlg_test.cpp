// The panel's template pinned to literal figures: the window's caption, size, styles and font,
// and each control's id, kind, caption, place, size, styles and order (which is the tab order).
// The widget tests build the panel from this data and the end-to-end tests click by it, so a
// wrong figure here would pass them all.
#include "ptzcontroldlg.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>

TEST(PanelTemplate, TheWindowAsThePanelIsDefined)
{
    const DialogTemplate &t = ptzControlDialogTemplate();
    EXPECT_EQ(t.id, 102);
    EXPECT_EQ(std::string(t.caption), "Tarn - Mirelda PTZ Control  V1.00");
    EXPECT_EQ(t.x, 0);
    EXPECT_EQ(t.y, 0);
    EXPECT_EQ(t.cx, 392);
    EXPECT_EQ(t.cy, 192);
    // Popup, visible, caption, system menu, modal frame, font set; no minimise, maximise or
    // sizing frame, no centring style.
    EXPECT_EQ(t.style, 0x90C800C0u);
    EXPECT_EQ(t.exStyle, 0x00040000u) << "a taskbar button";
    EXPECT_EQ(std::string(t.fontName), "MS Sans Serif");
    EXPECT_EQ(t.pointSize, 8);
}

TEST(PanelTemplate, TheControlsInTheirOrder)
{
    struct Item
    {
        int id;
        const char *idName;
        ControlKind kind;
        const char *caption;
        int x, y, cx, cy;
        std::uint32_t style;
    };
    using K = ControlKind;
    // Every control is a visible child (0x50000000); buttons, lists and text boxes take the
    // focus by Tab (0x00010000); labels start a group (0x00020000).
    const Item expected[] = {
        {1000, "IDC_COMM_CTRL", K::SerialComm, "", 169, 54, 25, 28, 0x50000000},
        {1004, "IDC_ZOOM_PLUS", K::PushButton, "Zoom +", 24, 44, 50, 38, 0x50010000},
        {1005, "IDC_ZOOM_MINUS", K::PushButton, "Zoom -", 84, 44, 50, 38, 0x50010000},
        // Drop-down (0x2), sorted (0x100), vertical scroll bar (0x00200000).
        {1006, "IDC_PORT_LIST", K::ComboBox, "", 60, 17, 75, 133, 0x50210102},
        {-1, "IDC_STATIC", K::Label, "COM Ports :", 14, 19, 45, 8, 0x50020000},
        {1012, "IDC_FOCUS_PLUS", K::PushButton, "Focus +", 24, 89, 50, 37, 0x50010000},
        {1013, "IDC_FOCUS_MINUS", K::PushButton, "Focus -", 84, 89, 50, 37, 0x50010000},
        {1014, "IDC_GOTO_PRESET", K::PushButton, "GO TO", 24, 132, 50, 38, 0x50010000},
        {1015, "IDC_SET_PRESET", K::PushButton, "SET", 84, 132, 50, 37, 0x50010000},
        {1017, "IDC_SAVE", K::PushButton, "<-- Save", 146, 99, 51, 14, 0x50010000},
        // Left-aligned, scrolling sideways (0x80), with a border (0x00800000).
        {1018, "IDC_ADDRESS", K::Edit, "", 344, 17, 22, 14, 0x50810080},
        {1019, "IDC_PRESET_NUMBER", K::Edit, "", 147, 152, 22, 14, 0x50810080},
        {1020, "IDC_ADDRESS_LABEL", K::Label, "Address :", 304, 19, 37, 8, 0x50020000},
        {1021, "IDC_PRESET_LABEL", K::Label, "Preset Number", 144, 138, 70, 8, 0x50020000},
        {1022, "IDC_UP", K::PushButton, "UP", 271, 44, 40, 40, 0x50010000},
        {1023, "IDC_CENTER", K::PushButton, "", 271, 88, 40, 40, 0x50010000},
        {1024, "IDC_DOWN", K::PushButton, "DOWN", 271, 132, 40, 40, 0x50010000},
        {1025, "IDC_LEFT", K::PushButton, "LEFT", 228, 88, 40, 40, 0x50010000},
        {1026, "IDC_RIGHT", K::PushButton, "RIGHT", 314, 88, 40, 40, 0x50010000},
        {1027, "IDC_LEFT_UP", K::PushButton, "L+U", 228, 44, 40, 40, 0x50010000},
        {1028, "IDC_RIGHT_UP", K::PushButton, "R+U", 314, 44, 40, 40, 0x50010000},
        {1029, "IDC_LEFT_DOWN", K::PushButton, "L+D", 228, 132, 40, 40, 0x50010000},
        {1030, "IDC_RIGHT_DOWN", K::PushButton, "R+D", 314, 132, 40, 40, 0x50010000},
        // Drop-down, unsorted: the rates stay in the order they are added.
        {1007, "IDC_BAUD_LIST", K::ComboBox, "", 195, 17, 93, 78, 0x50210002},
        {-1, "IDC_STATIC", K::Label, "Baud Rate :", 148, 19, 45, 8, 0x50020000},
    };
    const DialogTemplate &t = ptzControlDialogTemplate();
    ASSERT_EQ(t.items.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const Item &e = expected[i];
        const DialogItem &item = t.items[i];
        SCOPED_TRACE(testing::Message() << "item " << i + 1 << " " << e.idName);
        EXPECT_EQ(item.id, e.id);
        EXPECT_EQ(std::string(item.idName), e.idName);
        EXPECT_EQ(item.kind, e.kind);
        EXPECT_EQ(std::string(item.text), e.caption);
        EXPECT_EQ(item.x, e.x);
        EXPECT_EQ(item.y, e.y);
        EXPECT_EQ(item.cx, e.cx);
        EXPECT_EQ(item.cy, e.cy);
        EXPECT_EQ(item.style, e.style) << std::hex << item.style << " for " << e.style;
        EXPECT_EQ(item.exStyle, 0u);
    }
}

TEST(PanelTemplate, TheBaudListsRatesInTheOrderTheyAreAdded)
{
    const char *expected[] = {"2400", "4800", "9600", "19200", "38400", "56000", "57600", "115200"};
    ASSERT_EQ(ptzBaudRates.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(std::string(ptzBaudRates[i]), expected[i]) << i;
    EXPECT_EQ(ptzInitialBaudIndex, 2) << "the panel starts on 9600";
}

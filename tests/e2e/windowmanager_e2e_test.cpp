// The panel under a real window manager (openbox on Xvfb), which takes keys for itself
// (Alt+Space opens its window menu, Alt+F4 sends the close request) and decorates the window:
// the panel's menu and the About box reached from the keyboard, and the close request.
#include "e2efixture.h"
#include "resource.h"
#include "runprocess.h"

namespace {
class UnderAWindowManager : public PanelEndToEnd
{
protected:
    void SetUp() override
    {
        PanelEndToEnd::SetUp();
        if (IsSkipped() || HasFatalFailure())
            return;
        startWindowManager();
        if (IsSkipped() || HasFatalFailure())
            return;
        m_line.linkAs(m_portsDir, 1);
        ASSERT_TRUE(startPanel());
        // Decorated: the window manager has taken the panel.
        const ProcessResult extents =
            runProcess(onPath("xprop").value_or("xprop"), {"-id", m_window, "_NET_FRAME_EXTENTS"});
        ASSERT_NE(extents.out.find(" = "), std::string::npos) << extents.out;
    }

    PtyPair m_line;
};
} // namespace

TEST_F(UnderAWindowManager, TheMenuKeysOpenThePanelsMenuAndItsAboutEntryTheAboutBox)
{
    chooseNextPort(m_line);
    ASSERT_EQ(lineSettingsDiffer(m_line, 9600), "");

    struct Way
    {
        int focus;                        // the control clicked into first
        const char *opens;                // the key that opens the panel's menu
        std::vector<std::string> chooses; // the keys that choose "About Tarn..." in it
        const char *closes;               // the key that closes the About box
    };
    const Way ways[] = {
        {IDC_PORT_LIST, "Menu", {"a"}, "Escape"},
        {IDC_CENTER, "shift+F10", {"Up", "Return"}, "Return"},
        {IDC_ADDRESS, "Menu", {"Up", "Return"}, "space"},
        {IDC_BAUD_LIST, "shift+F10", {"a"}, "Escape"},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(std::string(way.opens) + " from control " + std::to_string(way.focus));
        focusPanel();
        clickOn(way.focus, way.focus == IDC_CENTER ? 20 : 10, way.focus == IDC_CENTER ? 20 : 5);
        xdotool({"key", way.opens});
        std::vector<std::string> keys{"key", "--delay", "100"};
        keys.insert(keys.end(), way.chooses.begin(), way.chooses.end());
        xdotool(keys);
        const auto about = findWindows("^About Vosk$");
        ASSERT_EQ(about.size(), 1u) << "no About box";
        // Its focus is on OK: the key closes it, and the panel runs on.
        xdotool({"windowactivate", "--sync", about.front()});
        xdotool({"key", way.closes});
        EXPECT_TRUE(waitGone("^About Vosk$"));
        EXPECT_EQ(m_tarn->wait(0), std::nullopt) << "the panel ended";
    }
    // Nothing reached the line, and the port is still open for the buttons.
    EXPECT_EQ(hex(m_line.readAvailable()), "");
    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1", "mouseup", "1"});
    EXPECT_EQ(hex(m_line.read(14, 10000)), "FF 01 00 08 00 3F 48 FF 01 00 00 00 00 01");
}

TEST_F(UnderAWindowManager, TheCloseRequestEndsTheProgram)
{
    chooseNextPort(m_line);
    ASSERT_EQ(lineSettingsDiffer(m_line, 9600), "");
    focusPanel();
    // Alt+F4 is the window manager's: it asks the panel to close, as the close box does.
    xdotool({"key", "alt+F4"});
    EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
    EXPECT_TRUE(waitGone("^Tarn - Mirelda PTZ Control  V1.00$"));
    EXPECT_EQ(hex(m_line.readUntilQuiet(300)), "");
}

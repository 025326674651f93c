// Keys as the dialog manager takes them, and the window's place, end to end on bare Xvfb and
// under openbox: Shift and Ctrl leave Enter and Esc what they are, End in a dropped list with
// nothing highlighted goes to the last item, and the window is centred frame and all.
#include "e2efixture.h"
#include "resource.h"
#include "runprocess.h"

#include <algorithm>
#include <regex>

namespace {
class DialogKeysEndToEnd : public BareOrUnderWindowManager
{
protected:
    void SetUp() override
    {
        BareOrUnderWindowManager::SetUp();
        if (setUpFailed())
            return;
        // Above the numbers the machine's own serial ports take, so that they are listed last.
        for (int n = 0; n < 3; ++n) {
            m_lines[n].linkAs(m_portsDir, n + 7);
            scrambleLineSettings(m_lines[n]);
        }
    }

    // The window manager's frame around the panel: left, right, top, bottom (none when bare).
    std::vector<int> frameExtents()
    {
        const ProcessResult extents =
            runProcess(onPath("xprop").value_or("xprop"), {"-id", m_window, "_NET_FRAME_EXTENTS"});
        const std::regex pattern(R"(= (\d+), (\d+), (\d+), (\d+))");
        std::smatch match;
        if (!std::regex_search(extents.out, match, pattern))
            return {0, 0, 0, 0};
        return {std::stoi(match[1]), std::stoi(match[2]), std::stoi(match[3]), std::stoi(match[4])};
    }

    // Presses F4 in the focused list and waits for its dropped list, a window of its own:
    // keys sent before it shows would reach the field.
    void dropList()
    {
        xdotool({"key", "F4"});
        const bool shown = waitUntil(
            [&] {
                const ProcessResult found =
                    runProcess(onPath("xdotool").value_or("xdotool"),
                               {"search", "--onlyvisible", "--class", "^tarn$"}, 5000);
                return std::count(found.out.begin(), found.out.end(), '\n') == 2;
            },
            10000);
        ASSERT_TRUE(shown) << "the list did not drop";
    }

    PtyPair m_lines[3]; // COM7, COM8, COM9
};

std::string withOrWithout(const testing::TestParamInfo<bool> &info)
{
    return info.param ? "UnderOpenbox" : "BareX";
}
} // namespace

TEST_P(DialogKeysEndToEnd, ShiftOrCtrlWithEnterOrEscEndsThePanel)
{
    struct Way
    {
        int focus; // the control clicked into first
        const char *key;
    };
    const Way ways[] = {
        {IDC_ADDRESS, "shift+Return"},   {IDC_PRESET_NUMBER, "ctrl+Return"},
        {IDC_PORT_LIST, "shift+Return"}, {IDC_BAUD_LIST, "shift+KP_Enter"},
        {IDC_CENTER, "shift+Escape"},    {IDC_ADDRESS, "shift+Escape"},
        {IDC_PORT_LIST, "shift+Escape"},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(std::string(way.key) + " from control " + std::to_string(way.focus));
        ASSERT_TRUE(startPanel());
        clickOn(way.focus, way.focus == IDC_CENTER ? 20 : 10, way.focus == IDC_CENTER ? 20 : 5);
        xdotool({"key", way.key});
        EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
        EXPECT_TRUE(waitGone("^Tarn - Mirelda PTZ Control  V1.00$"));
    }
}

TEST_P(DialogKeysEndToEnd, EndInTheDroppedListWithNothingHighlightedChoosesTheLastPort)
{
    ASSERT_TRUE(startPanel());
    // The port list starts with no selection: its dropped list has nothing highlighted.
    clickOn(IDC_PORT_LIST);
    ASSERT_NO_FATAL_FAILURE(dropList());
    xdotool({"key", "--delay", "100", "End", "Return"});
    waitUntil([&] { return lineSettingsDiffer(m_lines[2], 9600).empty(); }, 20000);
    EXPECT_EQ(lineSettingsDiffer(m_lines[2], 9600), "") << "COM9 was not opened";
    EXPECT_EQ(m_lines[1].slaveBaudRate(), 1200) << "COM8 was opened";

    // Typed to no item, the list again has nothing highlighted: Page Down goes to the last port.
    scrambleLineSettings(m_lines[2]);
    clickOn(IDC_PORT_LIST);
    xdotool({"key", "ctrl+a"});
    xdotool({"type", "x"});
    ASSERT_NO_FATAL_FAILURE(dropList());
    xdotool({"key", "--delay", "100", "Next", "Return"});
    waitUntil([&] { return lineSettingsDiffer(m_lines[2], 9600).empty(); }, 20000);
    EXPECT_EQ(lineSettingsDiffer(m_lines[2], 9600), "") << "COM9 was not opened again";
    EXPECT_EQ(m_lines[0].slaveBaudRate(), 1200) << "COM7 was opened";
}

TEST_P(DialogKeysEndToEnd, TheWindowIsCentredOnTheScreenWithItsFrame)
{
    ASSERT_TRUE(startPanel());
    const std::vector<int> frame = frameExtents();
    if (GetParam()) {
        EXPECT_GT(frame[2], frame[3]) << "openbox gives the panel a title bar";
    }
    const int x = m_panel.x - frame[0];
    const int y = m_panel.y - frame[2];
    const int width = m_panel.width + frame[0] + frame[1];
    const int height = m_panel.height + frame[2] + frame[3];
    // The screen is 1024 x 768 and nothing takes a part of it.
    EXPECT_LE(std::abs(2 * x + width - 1024), 2) << x << " + " << width;
    EXPECT_LE(std::abs(2 * y + height - 768), 2) << y << " + " << height;
}

INSTANTIATE_TEST_SUITE_P(, DialogKeysEndToEnd, testing::Bool(), withOrWithout);

// The panel end to end: the real tarn on Xvfb, real input from xdotool, pseudo-terminals linked
// into the ports directory, and the bytes read off the lines' far ends.
#include "e2efixture.h"
#include "resource.h"

#include <filesystem>

TEST_F(PanelEndToEnd, ChoosingThePortOpensItAndTheButtonsSendTheirFrames)
{
    PtyPair line;
    line.linkAs(m_portsDir, 1);
    // Qt's own options on the command line change nothing: the panel still comes up on the
    // X display.
    ASSERT_TRUE(startPanel({"-platform", "offscreen", "-style", "nonsense", "--help"}));

    chooseNextPort(line);
    EXPECT_EQ(lineSettingsDiffer(line, 9600), "");

    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 08 00 3F 48");
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 00 00 00 01");

    // Released after dragging off the button: still the stop frame.
    moveTo(IDC_DOWN, 20, 20);
    xdotool({"mousedown", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 10 00 3F 50");
    moveTo(IDC_SAVE, 25, 7);
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 00 00 00 01");

    // A double press: the second press sends nothing, its release the stop frame. One xdotool
    // run sends all four events back to back, far inside the double-click time however busy the
    // machine is.
    moveTo(IDC_LEFT, 20, 20);
    xdotool({"mousedown", "1", "mouseup", "1", "mousedown", "1", "mouseup", "1"});
    EXPECT_EQ(hex(line.read(21, 10000)),
              "FF 01 00 04 3F 00 44 FF 01 00 00 00 00 01 FF 01 00 00 00 00 01");

    moveTo(IDC_GOTO_PRESET, 25, 19);
    xdotool({"click", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 07 00 01 09");

    // An inert button and the background send nothing; nothing else arrives at all.
    moveTo(IDC_CENTER, 20, 20);
    xdotool({"click", "1"});
    EXPECT_EQ(hex(line.readUntilQuiet(500)), "");

    // Esc ends the program, with status 0.
    focusPanel();
    xdotool({"key", "Escape"});
    EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
}

TEST_F(PanelEndToEnd, AWindowDestroyedFromOutsideEndsTheProgramAndSendsNothing)
{
    PtyPair line;
    line.linkAs(m_portsDir, 1);
    ASSERT_TRUE(startPanel());
    chooseNextPort(line);
    ASSERT_EQ(lineSettingsDiffer(line, 9600), "");

    // A tool that closes windows by destroying them: the program ends (it does not run on
    // without a window), and destroying the window sends no stop frame.
    xdotool({"windowclose", m_window});
    EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
    EXPECT_EQ(hex(line.readUntilQuiet(500)), "");
}

TEST_F(PanelEndToEnd, F1ShowsTheOperatorsHelp)
{
    ASSERT_TRUE(startPanel());
    xdotool({"key", "F1"});
    // The viewer is captioned after the program; without its help file the program would say
    // so in a message box captioned "tarn" instead.
    const std::string program = std::filesystem::path(tarnExecutable()).stem().string();
    EXPECT_FALSE(findWindows("^" + program + " Help$").empty())
        << "F1 showed no help viewer for " << tarnExecutable();
}

// A press whose frame the line will not take (the far end holds it): the operator gets one
// message box, after the press has reached the button; the release, made while the box is up,
// sends no stop frame; once the box is closed the next press and release send their two.
TEST_F(PanelEndToEnd, AFailedPressShowsOneBoxAndTheButtonsWorkOnceItIsClosed)
{
    PtyPair line;
    line.linkAs(m_portsDir, 1);
    ASSERT_TRUE(startPanel());
    chooseNextPort(line);
    ASSERT_EQ(lineSettingsDiffer(line, 9600), "");

    ASSERT_TRUE(line.holdOutput(true));
    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1"});
    // The control gives up on the write after its bound; the box is captioned "tarn".
    const auto boxes = findWindows("^tarn$", 30000);
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_TRUE(line.holdOutput(false));
    EXPECT_EQ(hex(line.readUntilQuiet(300)), "") << "the refused frame is not sent late";

    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.readUntilQuiet(500)), "") << "a release under the box";
    EXPECT_EQ(findWindows("^tarn$", 1000).size(), 1u) << "still one box";

    xdotool({"windowfocus", "--sync", boxes.front()});
    xdotool({"key", "Return"});
    ASSERT_TRUE(waitGone("^tarn$"));
    EXPECT_EQ(m_tarn->wait(0), std::nullopt) << "the panel runs on";

    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 08 00 3F 48");
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.read(7, 10000)), "FF 01 00 00 00 00 01");
    EXPECT_EQ(findWindows("^tarn$", 500).size(), 0u);
}

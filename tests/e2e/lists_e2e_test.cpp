// The two lists end to end, on bare Xvfb and under openbox: what every open leaves on the line,
// typing into one list and then choosing in the other, and the wheel. Two pseudo-terminals are
// COM1 and COM2. A line whose settings were scrambled shows an open by getting 8N1 back; input
// reaches the panel in order, so a frame sent after a list action tells which port it left open.
#include "e2efixture.h"
#include "resource.h"

namespace {
class ListsEndToEnd : public BareOrUnderWindowManager
{
protected:
    void SetUp() override
    {
        BareOrUnderWindowManager::SetUp();
        if (setUpFailed())
            return;
        m_com1.linkAs(m_portsDir, 1);
        m_com2.linkAs(m_portsDir, 2);
        scrambleLineSettings(m_com1);
        scrambleLineSettings(m_com2);
        ASSERT_TRUE(startPanel());
    }

    // Waits for line to show an open at baud; the failure says what differs.
    void expectOpenAt(const PtyPair &line, int baud)
    {
        waitUntil([&] { return lineSettingsDiffer(line, baud).empty(); }, 20000);
        EXPECT_EQ(lineSettingsDiffer(line, baud), "");
    }

    // "UP" pressed and released: its two frames on line, nothing on other.
    void expectUpGoesTo(PtyPair &line, PtyPair &other)
    {
        moveTo(IDC_UP, 20, 20);
        xdotool({"mousedown", "1", "mouseup", "1"});
        EXPECT_EQ(hex(line.read(14, 10000)), "FF 01 00 08 00 3F 48 FF 01 00 00 00 00 01");
        EXPECT_EQ(hex(other.readAvailable()), "");
    }

    void wheelDown() { xdotool({"click", "5"}); }
    void wheelUp() { xdotool({"click", "4"}); }

    PtyPair m_com1;
    PtyPair m_com2;
};

std::string withOrWithout(const testing::TestParamInfo<bool> &info)
{
    return info.param ? "UnderOpenbox" : "BareX";
}
} // namespace

TEST_P(ListsEndToEnd, EveryOpenLeavesTheLineAt8N1WithoutFlowControl)
{
    chooseNextPort(m_com1); // COM1 at the baud list's 9600
    EXPECT_EQ(lineSettingsDiffer(m_com1, 9600), "");

    // The baud list: the arrow keys, then the wheel over the focused list.
    scrambleLineSettings(m_com1);
    clickOn(IDC_BAUD_LIST);
    xdotool({"key", "Down"});
    expectOpenAt(m_com1, 19200);
    scrambleLineSettings(m_com1);
    xdotool({"key", "Down"});
    expectOpenAt(m_com1, 38400);
    scrambleLineSettings(m_com1);
    wheelDown();
    expectOpenAt(m_com1, 56000); // a rate the driver takes as a custom speed

    // The port list, down to COM2 and back up to COM1, at the rate chosen last.
    scrambleLineSettings(m_com2);
    clickOn(IDC_PORT_LIST);
    xdotool({"key", "Down"});
    expectOpenAt(m_com2, 56000);
    expectUpGoesTo(m_com2, m_com1);
    scrambleLineSettings(m_com1);
    clickOn(IDC_PORT_LIST);
    xdotool({"key", "Up"});
    expectOpenAt(m_com1, 56000);
    expectUpGoesTo(m_com1, m_com2);
}

TEST_P(ListsEndToEnd, TypingIntoAListThenChoosingInTheOtherOpensNothing)
{
    chooseNextPort(m_com1);
    ASSERT_EQ(lineSettingsDiffer(m_com1, 9600), "");

    // "2400" typed into the baud list's field, its list closed.
    clickOn(IDC_BAUD_LIST);
    xdotool({"key", "ctrl+a"});
    xdotool({"type", "2400"});
    // COM2 chosen in the port list: the baud list has no selection, so nothing closes and
    // nothing opens. COM1 still takes the frames, COM2 keeps its scrambled settings.
    clickOn(IDC_PORT_LIST);
    xdotool({"key", "Down"});
    expectUpGoesTo(m_com1, m_com2);
    EXPECT_EQ(m_com2.slaveBaudRate(), 1200) << "COM2 was opened";

    // Choosing in the edited list selects again: its first item, 2400, on the port shown.
    clickOn(IDC_BAUD_LIST);
    xdotool({"key", "Down"});
    expectOpenAt(m_com2, 2400);
    expectUpGoesTo(m_com2, m_com1);
}

TEST_P(ListsEndToEnd, TheWheelOverAListWithoutTheFocusChangesNothing)
{
    chooseNextPort(m_com1);
    ASSERT_EQ(lineSettingsDiffer(m_com1, 9600), "");
    clickOn(IDC_CENTER, 20, 20); // the focus on the inert button: it sends nothing

    // Turns over both lists, which have no focus and do not take it.
    moveTo(IDC_BAUD_LIST, 20, 5);
    wheelDown();
    wheelDown();
    moveTo(IDC_BAUD_LIST, 85, 5); // over the arrow
    wheelUp();
    moveTo(IDC_PORT_LIST, 20, 5);
    wheelDown();

    // Had any of them acted, one notch over the focused baud list would not give 19200 on
    // COM1: the rate or the port would differ.
    scrambleLineSettings(m_com1);
    clickOn(IDC_BAUD_LIST);
    wheelDown();
    expectOpenAt(m_com1, 19200);
    EXPECT_EQ(m_com2.slaveBaudRate(), 1200) << "COM2 was opened";
    expectUpGoesTo(m_com1, m_com2);
}

INSTANTIATE_TEST_SUITE_P(Lists, ListsEndToEnd, testing::Bool(), withOrWithout);

// A hold cut short, end to end, on bare Xvfb and under openbox: "UP" is held down with the real
// pointer and then something other than its release ends the hold. The stop frame must follow
// the motion frame at once, once, whatever the way; a close with no motion in progress sends
// nothing; and F1's help leaves the panel working.
#include "e2efixture.h"
#include "resource.h"

#include <xcb/xcb.h>

#include <csignal>
#include <filesystem>
#include <memory>

namespace {
const std::string motionUp = "FF 01 00 08 00 3F 48";
const std::string stop = "FF 01 00 00 00 00 01";
const std::string gotoPreset1 = "FF 01 00 07 00 01 09";

// Another X client, as a window manager or a screen locker is to the panel.
class OtherClient
{
public:
    explicit OtherClient(const std::string &display)
        : m_connection(xcb_connect(display.c_str(), nullptr))
    {}
    ~OtherClient() { xcb_disconnect(m_connection); }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    bool connected() const { return xcb_connection_has_error(m_connection) == 0; }

    // What the close box does through the window manager: WM_DELETE_WINDOW to the window.
    bool requestClose(const std::string &window)
    {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = xcb_window_t(std::stoul(window));
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        // Checked: the server has taken it before this client goes away.
        const auto cookie =
            xcb_send_event_checked(m_connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT,
                                   reinterpret_cast<const char *>(&message));
        xcb_generic_error_t *error = xcb_request_check(m_connection, cookie);
        const bool sent = error == nullptr;
        free(error);
        return sent;
    }

    // What a screen locker does first: takes the keyboard (the pointer stays with the button
    // that holds it). True when the server granted i
    bool grabKeyboard()
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data;
        const auto cookie = xcb_grab_keyboard(m_connection, 0, screen->root, XCB_CURRENT_TIME,
                                              XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        const std::unique_ptr<xcb_grab_keyboard_reply_t, decltype(&free)> reply(
            xcb_grab_keyboard_reply(m_connection, cookie, nullptr), &free);
        return reply && reply->status == XCB_GRAB_STATUS_SUCCESS;
    }

private:
    xcb_atom_t atom(const char *name)
    {
        const auto cookie = xcb_intern_atom(m_connection, 0, uint16_t(strlen(name)), name);
        const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(m_connection, cookie, nullptr), &free);
        return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    }

    xcb_connection_t *m_connection;
};

class InterruptedHold : public BareOrUnderWindowManager
{
protected:
    void SetUp() override
    {
        BareOrUnderWindowManager::SetUp();
        if (setUpFailed())
            return;
        m_line.linkAs(m_portsDir, 1);
    }

    // Starts the panel (the program given, else this build's), opens COM1 and holds "UP"
    // down: its motion frame is on the line.
    void startAndHoldUp(const std::string &program = {})
    {
        if (program.empty()) {
            ASSERT_TRUE(startPanel());
        } else {
            m_tarn.emplace(program, std::vector<std::string>{}, panelEnvironment());
            m_window = findPanel();
            ASSERT_FALSE(m_window.empty()) << "the panel did not show";
            focusPanel();
            m_panel = clientGeometry(m_window);
        }
        chooseNextPort(m_line);
        ASSERT_EQ(lineSettingsDiffer(m_line, 9600), "");
        moveTo(IDC_UP, 20, 20);
        xdotool({"mousedown", "1"});
        ASSERT_EQ(hex(m_line.read(7, 10000)), motionUp);
    }

    // The panel has ended by itself, with status 0, and nothing followed on the line.
    void expectEndedQuietly()
    {
        EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
        xdotool({"mouseup", "1"});
        EXPECT_EQ(hex(m_line.readUntilQuiet(300)), "");
    }

    PtyPair m_line;
};

std::string name(const testing::TestParamInfo<bool> &info)
{
    return info.param ? "UnderOpenbox" : "Bare";
}
} // namespace

TEST_P(InterruptedHold, EveryWayThePanelEndsStopsTheCameraOnce)
{
    struct Way
    {
        const char *name;
        std::function<void()> end;
    };
    const Way ways[] = {
        {"Esc",
         [this] {
             xdotool({"key", "Escape"});
         }},
        {"Alt+F4",
         [this] {
             xdotool({"key", "alt+F4"});
         }},
        {"the close box's request",
         [this] {
             OtherClient wm(m_display);
             ASSERT_TRUE(wm.connected());
             ASSERT_TRUE(wm.requestClose(m_window));
         }},
        {"SIGTERM", [this] { ASSERT_TRUE(m_tarn->signal(SIGTERM)); }},
        {"SIGINT", [this] { ASSERT_TRUE(m_tarn->signal(SIGINT)); }},
        {"SIGHUP", [this] { ASSERT_TRUE(m_tarn->signal(SIGHUP)); }},
    };
    for (const Way &way : ways) {
        SCOPED_TRACE(way.name);
        ASSERT_NO_FATAL_FAILURE(startAndHoldUp());
        way.end();
        EXPECT_EQ(hex(m_line.read(7, 10000)), stop);
        expectEndedQuietly();
        ASSERT_TRUE(waitGone("^Tarn - Mirelda PTZ Control  V1.00$"));
    }
}

TEST_P(InterruptedHold, AClosedPanelWithNoMotionInProgressSendsNothing)
{
    const std::function<void()> ways[] = {
        [this] {
            xdotool({"key", "Escape"});
        },
        [this] {
            xdotool({"key", "alt+F4"});
        },
        [this] { ASSERT_TRUE(m_tarn->signal(SIGTERM)); },
    };
    int n = 0;
    for (const auto &end : ways) {
        SCOPED_TRACE(++n);
        ASSERT_TRUE(startPanel());
        chooseNextPort(m_line);
        ASSERT_EQ(lineSettingsDiffer(m_line, 9600), "");
        // A whole hold first: its two frames, and then the hold is over.
        moveTo(IDC_UP, 20, 20);
        xdotool({"mousedown", "1", "mouseup", "1"});
        ASSERT_EQ(hex(m_line.read(14, 10000)), motionUp + " " + stop);
        focusPanel();
        end();
        EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
        EXPECT_EQ(hex(m_line.readUntilQuiet(500)), "");
    }
}

TEST_P(InterruptedHold, ThePanelsMenuStopsTheCameraAndThePanelRunsOn)
{
    ASSERT_NO_FATAL_FAILURE(startAndHoldUp());
    xdotool({"key", "shift+F10"});
    EXPECT_EQ(hex(m_line.read(7, 10000)), stop);
    xdotool({"mouseup", "1"});
    xdotool({"key", "Escape"});
    EXPECT_EQ(hex(m_line.readUntilQuiet(500)), "") << "the menu took the release";
    EXPECT_EQ(m_tarn->wait(0), std::nullopt) << "the panel ended";
    // The next hold is whole again.
    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1", "mouseup", "1"});
    EXPECT_EQ(hex(m_line.read(14, 10000)), motionUp + " " + stop);
}

TEST_P(InterruptedHold, F1StopsTheCameraAndThePanelWorksBesideTheHelp)
{
    ASSERT_NO_FATAL_FAILURE(startAndHoldUp());
    xdotool({"key", "F1"});
    EXPECT_EQ(hex(m_line.read(7, 10000)), stop);
    const std::string program = std::filesystem::path(tarnExecutable()).stem().string();
    const auto help = findWindows("^" + program + " Help$");
    ASSERT_EQ(help.size(), 1u);
    // The release still reaches the button, which holds the pointer: its own stop frame.
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(m_line.readUntilQuiet(500)), stop);

    moveTo(IDC_GOTO_PRESET, 25, 19);
    xdotool({"click", "1"});
    EXPECT_EQ(hex(m_line.read(7, 10000)), gotoPreset1);
    // F1 again raises the one help window.
    focusPanel();
    xdotool({"key", "F1"});
    EXPECT_EQ(findWindows("^" + program + " Help$").size(), 1u);
    EXPECT_EQ(hex(m_line.readUntilQuiet(300)), "");
    // It goes with the panel.
    focusPanel();
    xdotool({"key", "Escape"});
    EXPECT_EQ(m_tarn->wait(20000), std::optional<int>(0));
    EXPECT_TRUE(waitGone("^" + program + " Help$"));
}

TEST_P(InterruptedHold, AMessageBoxOverThePanelStopsTheCamera)
{
    // A copy of the program with no help file beside it or installed: F1 opens a message box
    // that says so, modal over the panel.
    const std::string copy = m_dir + "/bin/tarn";
    std::filesystem::create_directories(m_dir + "/bin");
    std::filesystem::copy_file(tarnExecutable(), copy);
    ASSERT_NO_FATAL_FAILURE(startAndHoldUp(copy));
    xdotool({"key", "F1"});
    EXPECT_EQ(hex(m_line.read(7, 10000)), stop);
    const auto boxes = findWindows("^tarn$");
    ASSERT_EQ(boxes.size(), 1u);
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(m_line.readUntilQuiet(500)), "") << "a release under the box";
}

TEST_P(InterruptedHold, AnotherProgramTakingTheKeyboardStopsTheCamera)
{
    ASSERT_NO_FATAL_FAILURE(startAndHoldUp());
    OtherClient locker(m_display);
    ASSERT_TRUE(locker.connected());
    ASSERT_TRUE(locker.grabKeyboard());
    EXPECT_EQ(hex(m_line.read(7, 10000)), stop);
}

INSTANTIATE_TEST_SUITE_P(, InterruptedHold, testing::Bool(), name);

// The end-to-end tests' fixture: a real X server (Xvfb) of their own, optionally with a real
// window manager (openbox) on it, the real tarn started on that display with its ports
// directory in a private folder, and real input through xdotool.
#pragma once

#include "childprocess.h"
#include "ptypair.h"
#include "tempdir.h"

#include <gtest/gtest.h>

#include <spawn.h>
#include <sys/types.h>

#include <functional>
#include <optional>
#include <string>
#include <vector>

// The name these tests knew ChildProcess by (kept for tests written against it): env is the
// whole environment, and the output goes where ours goes or where actions send it.
class Child : public ChildProcess
{
public:
    Child(const std::string &program, const std::vector<std::string> &args,
          const std::vector<std::string> &env, posix_spawn_file_actions_t *actions = nullptr)
        : ChildProcess(program, args, env, ChildOptions{true, false, actions})
    {}
};

std::optional<std::string> onPath(const std::string &name);

// The panel under test: this build's tarn, or the one TARN_EXECUTABLE names in the environment
// (CI runs cases against the installed /usr/bin/tarn).
std::string tarnExecutable();

// Our environment without QT_QPA_PLATFORM and the names in removed, with overrides
// ("NAME=value") on top.
std::vector<std::string> environmentWith(const std::vector<std::string> &overrides,
                                         const std::vector<std::string> &removed = {});

std::string hex(const std::vector<std::uint8_t> &bytes);

// Polls until done() or the deadline; returns done().
bool waitUntil(const std::function<bool()> &done, int timeoutMs);

// A line's settings compared with what every open of the panel must leave: the speed, 8 data
// bits, no parity, 1 stop bit, no software (or hardware) flow control. Empty when they match,
// else what differs.
std::string lineSettingsDiffer(const PtyPair &line, int baud);

// Settings no open of the panel makes (1200 baud, XON/XOFF), so that an open shows.
void scrambleLineSettings(PtyPair &line);

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
};

class PanelEndToEnd : public testing::Test
{
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts openbox on the display and waits until it manages it; skips the test when openbox
    // is not installed.
    void startWindowManager();

    // The environment tarn runs in: the display, the ports directory under m_dir, our
    // sanitizer suppressions; overrides on top.
    std::vector<std::string> panelEnvironment(const std::vector<std::string> &overrides = {},
                                              const std::vector<std::string> &removed = {}) const;

    // Starts tarn, waits for its panel, focuses it and takes its geometry. The child is in
    // m_tarn; false (with a test failure) if the panel did not show.
    bool startPanel(const std::vector<std::string> &args = {},
                    const std::vector<std::string> &env = {});

    // The ids of the visible windows whose name matches the regular expression, once there is
    // at least one (empty after timeoutMs).
    std::vector<std::string> findWindows(const std::string &name, int timeoutMs = 20000);
    std::string findPanel(int timeoutMs = 20000);
    // True once no visible window's name matches within timeoutMs.
    bool waitGone(const std::string &name, int timeoutMs = 10000);

    // Gives the panel the keyboard focus (through the window manager when there is one).
    void focusPanel();
    // The client area's position on the screen and its size.
    Geometry clientGeometry(const std::string &window);

    // Moves the pointer to a point inside a control of the panel: the control's dialog-unit
    // position plus (dx, dy) dialog units, scaled to the client area.
    void moveTo(int id, int dx, int dy);
    // A click into a control (into a list's field, left of its arrow).
    void clickOn(int id, int dx = 20, int dy = 5);

    // Clicks into the port list's field and chooses the next item with the Down key; waits
    // until line runs at baud, as an open leaves it.
    void chooseNextPort(PtyPair &line, int baud = 9600);

    std::string xdotool(const std::vector<std::string> &args);

    std::string m_xdotool;
    std::optional<TempDir> m_tempDir;
    std::string m_dir; // m_tempDir's path
    std::string m_portsDir;
    std::string m_display;
    std::string m_window;
    Geometry m_panel;
    std::optional<ChildProcess> m_xvfb;
    std::optional<ChildProcess> m_windowManager;
    std::optional<ChildProcess> m_tarn;
};

// The same cases on bare Xvfb (false) and under openbox (true): SetUp starts the window manager
// when the parameter asks for it; a subclass's SetUp calls this one first and goes on only if
// it neither skipped nor failed.
class BareOrUnderWindowManager : public PanelEndToEnd, public testing::WithParamInterface<bool>
{
protected:
    void SetUp() override
    {
        PanelEndToEnd::SetUp();
        if (GetParam() && !IsSkipped() && !HasFatalFailure())
            startWindowManager();
    }
    bool setUpFailed() const { return IsSkipped() || HasFatalFailure(); }
};

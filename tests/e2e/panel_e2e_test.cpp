// The panel end to end: the real tarn on Xvfb, real input from xdotool, a pseudo-terminal linked
// into the ports directory as COM1, and the bytes read off the line's far end.
#include "ptypair.h"
#include "ptzcontroldlg.h"
#include "resource.h"
#include "runprocess.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <optional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char **environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

std::optional<std::string> onPath(const std::string &name)
{
    const char *path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "/usr/bin:/bin");
    std::string dir;
    while (std::getline(dirs, dir, ':')) {
        const std::string candidate = dir + "/" + name;
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
    }
    return std::nullopt;
}

// A child process, killed when the test is done with it.
class Child
{
public:
    Child(const std::string &program, const std::vector<std::string> &args,
          const std::vector<std::string> &env, posix_spawn_file_actions_t *actions = nullptr)
    {
        std::vector<char *> argv{const_cast<char *>(program.c_str())};
        for (const auto &a : args)
            argv.push_back(const_cast<char *>(a.c_str()));
        argv.push_back(nullptr);
        std::vector<char *> envp;
        for (const auto &e : env)
            envp.push_back(const_cast<char *>(e.c_str()));
        envp.push_back(nullptr);
        if (posix_spawn(&m_pid, program.c_str(), actions, nullptr, argv.data(), envp.data()) != 0)
            m_pid = -1;
    }
    ~Child()
    {
        if (m_pid > 0 && !m_status) {
            kill(m_pid, SIGKILL);
            waitpid(m_pid, nullptr, 0);
        }
    }
    bool started() const { return m_pid > 0; }
    // The exit status once the child ended within timeoutMs.
    std::optional<int> wait(int timeoutMs)
    {
        const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!m_status && Clock::now() < deadline) {
            int status = 0;
            if (waitpid(m_pid, &status, WNOHANG) == m_pid)
                m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            else
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return m_status;
    }

private:
    pid_t m_pid = -1;
    std::optional<int> m_status;
};

std::vector<std::string> environmentWith(const std::vector<std::string> &overrides)
{
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = entry.substr(0, entry.find('='));
        bool replaced = key == "QT_QPA_PLATFORM";
        for (const auto &o : overrides)
            replaced = replaced || o.substr(0, o.find('=')) == key;
        if (!replaced)
            env.push_back(entry);
    }
    env.insert(env.end(), overrides.begin(), overrides.end());
    return env;
}

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    std::string out;
    char buffer[4];
    for (std::uint8_t b : bytes) {
        std::snprintf(buffer, sizeof buffer, "%02X ", b);
        out += buffer;
    }
    if (!out.empty())
        out.pop_back();
    return out;
}

struct Geometry
{
    int x = 0, y = 0, width = 0, height = 0;
};

Geometry parseGeometry(const std::string &shell)
{
    Geometry g;
    std::stringstream lines(shell);
    std::string line;
    while (std::getline(lines, line)) {
        const auto eq = line.find('=');
        if (eq == std::string::npos)
            continue;
        const std::string key = line.substr(0, eq);
        const int value = std::atoi(line.c_str() + eq + 1);
        if (key == "X")
            g.x = value;
        else if (key == "Y")
            g.y = value;
        else if (key == "WIDTH")
            g.width = value;
        else if (key == "HEIGHT")
            g.height = value;
    }
    return g;
}

// The panel under test: this build's tarn, or the one TARN_EXECUTABLE names in the environment
// (CI runs cases against the installed /usr/bin/tarn).
std::string tarnExecutable()
{
    const char *path = std::getenv("TARN_EXECUTABLE");
    return path && *path ? path : TARN_EXECUTABLE;
}

const DialogItem &templateItem(int id)
{
    for (const DialogItem &item : ptzControlDialogTemplate().items)
        if (item.id == id)
            return item;
    throw std::runtime_error("no such control");
}
class PanelEndToEnd : public testing::Test
{
protected:
    void SetUp() override
    {
        const auto xvfb = onPath("Xvfb");
        m_xdotool = onPath("xdotool").value_or("");
        if (!xvfb || m_xdotool.empty())
            GTEST_SKIP() << "Xvfb or xdotool is not installed";

        char dir[] = "/tmp/tarn-e2e-XXXXXX";
        ASSERT_NE(mkdtemp(dir), nullptr);
        m_dir = dir;
        chmod(dir, 0700);

        // Xvfb picks a free display and writes its number to the pipe once it accepts clients.
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addclose(&actions, ready[0]);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        m_xvfb.emplace(*xvfb,
                       std::vector<std::string>{"-displayfd", std::to_string(ready[1]), "-noreset",
                                                "-nolisten", "tcp", "-screen", "0", "1024x768x24"},
                       environmentWith({}), &actions);
        posix_spawn_file_actions_destroy(&actions);
        close(ready[1]);
        ASSERT_TRUE(m_xvfb->started());
        std::string number;
        pollfd fd{ready[0], POLLIN, 0};
        const auto deadline = Clock::now() + std::chrono::seconds(15);
        while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
            if (poll(&fd, 1, 100) > 0) {
                char c[16];
                const ssize_t n = read(ready[0], c, sizeof c);
                if (n <= 0)
                    break;
                number.append(c, std::size_t(n));
            }
        }
        close(ready[0]);
        ASSERT_NE(number.find('\n'), std::string::npos) << "Xvfb did not come up";
        m_display = ":" + number.substr(0, number.find('\n'));
        setenv("DISPLAY", m_display.c_str(), 1);
    }

    void TearDown() override
    {
        m_xvfb.reset();
        if (!m_dir.empty()) {
            std::error_code ignored;
            fs::remove_all(m_dir, ignored);
        }
    }

    // The panel's window id, once it shows (empty if it does not within the deadline).
    std::string findPanel(int seconds = 20)
    {
        return findWindow("Tarn - Mirelda PTZ Control", seconds);
    }

    // The id of a visible window whose name matches, once there is one.
    std::string findWindow(const std::string &name, int seconds = 20)
    {
        std::string window;
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (window.empty() && Clock::now() < deadline) {
            const ProcessResult found =
                runProcess(m_xdotool, {"search", "--onlyvisible", "--name", name}, 5000);
            std::stringstream ids(found.out);
            std::getline(ids, window);
            if (window.empty())
                std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        return window;
    }

    // Moves the pointer to a point inside a control of the panel at m_panel: its dialog-unit
    // position as a share of the client size.
    void moveTo(int id, int dx, int dy)
    {
        const DialogTemplate &tmpl = ptzControlDialogTemplate();
        const DialogItem &item = templateItem(id);
        xdotool({"mousemove", std::to_string(m_panel.x + (item.x + dx) * m_panel.width / tmpl.cx),
                 std::to_string(m_panel.y + (item.y + dy) * m_panel.height / tmpl.cy)});
    }

    // Clicks into the port list's edit field and chooses its first item with the keyboard; the
    // port is open once the line runs at 9600.
    void chooseFirstPort(PtyPair &line)
    {
        moveTo(IDC_PORT_LIST, 20, 5);
        xdotool({"click", "1"});
        xdotool({"key", "Down"});
        const auto deadline = Clock::now() + std::chrono::seconds(10);
        while (line.slaveBaudRate() != 9600 && Clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }

    std::string xdotool(const std::vector<std::string> &args)
    {
        const ProcessResult result = runProcess(m_xdotool, args, 10000);
        EXPECT_EQ(result.status, 0) << "xdotool " << args.front() << ": " << result.err;
        return result.out;
    }

    std::string m_xdotool;
    Geometry m_panel;
    std::string m_dir;
    std::string m_display;
    std::optional<Child> m_xvfb;
};

} // namespace

TEST_F(PanelEndToEnd, ChoosingThePortOpensItAndTheButtonsSendTheirFrames)
{
    PtyPair line;
    const std::string portsDir = m_dir + "/tarn/ports";
    line.linkAs(portsDir, 1);
    const int speedBefore = line.slaveBaudRate();
    ASSERT_NE(speedBefore, 9600) << "the line must not start at the rate the panel will set";

    // Qt's own options on the command line change nothing: the panel still comes up on the
    // X display.
    const std::string configDir = m_dir + "/config";
    Child tarn(
        tarnExecutable(), {"-platform", "offscreen", "-style", "nonsense", "--help"},
        environmentWith({"DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + m_dir,
                         "XDG_CONFIG_HOME=" + configDir,
                         // Under the sanitizers: the system libraries' own leaks.
                         std::string("LSAN_OPTIONS=suppressions=") + TARN_LSAN_SUPPRESSIONS}));
    ASSERT_TRUE(tarn.started());

    const std::string window = findPanel();
    ASSERT_FALSE(window.empty()) << "the panel did not show";
    xdotool({"windowfocus", window});
    m_panel = parseGeometry(xdotool({"getwindowgeometry", "--shell", window}));
    ASSERT_GT(m_panel.width, 0);

    chooseFirstPort(line);
    EXPECT_EQ(line.slaveBaudRate(), 9600);
    const termios settings = line.slaveTermios();
    EXPECT_EQ(settings.c_cflag & CSIZE, tcflag_t(CS8));
    EXPECT_EQ(settings.c_cflag & (PARENB | CSTOPB), tcflag_t(0));

    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1"});
    EXPECT_EQ(hex(line.read(7)), "FF 01 00 08 00 3F 48");
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.read(7)), "FF 01 00 00 00 00 01");

    // Released after dragging off the button: still the stop frame.
    moveTo(IDC_DOWN, 20, 20);
    xdotool({"mousedown", "1"});
    EXPECT_EQ(hex(line.read(7)), "FF 01 00 10 00 3F 50");
    moveTo(IDC_SAVE, 25, 7);
    xdotool({"mouseup", "1"});
    EXPECT_EQ(hex(line.read(7)), "FF 01 00 00 00 00 01");

    // A quick double press: the second press sends nothing, its release the stop frame.
    moveTo(IDC_LEFT, 20, 20);
    xdotool({"click", "--repeat", "2", "--delay", "60", "1"});
    EXPECT_EQ(hex(line.read(21)), "FF 01 00 04 3F 00 44 FF 01 00 00 00 00 01 FF 01 00 00 00 00 01");

    moveTo(IDC_GOTO_PRESET, 25, 19);
    xdotool({"click", "1"});
    EXPECT_EQ(hex(line.read(7)), "FF 01 00 07 00 01 09");

    // An inert button and the background send nothing; nothing else arrives at all.
    moveTo(IDC_CENTER, 20, 20);
    xdotool({"click", "1"});
    EXPECT_EQ(hex(line.readUntilQuiet(300)), "");

    // Esc ends the program, with status 0, having written nothing.
    xdotool({"windowfocus", window});
    xdotool({"key", "Escape"});
    EXPECT_EQ(tarn.wait(10000), std::optional<int>(0));
    EXPECT_FALSE(fs::exists(configDir));
}

TEST_F(PanelEndToEnd, AWindowDestroyedFromOutsideEndsTheProgramAndSendsNothing)
{
    PtyPair line;
    line.linkAs(m_dir + "/tarn/ports", 1);
    Child tarn(
        tarnExecutable(), {},
        environmentWith({"DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + m_dir,
                         std::string("LSAN_OPTIONS=suppressions=") + TARN_LSAN_SUPPRESSIONS}));
    ASSERT_TRUE(tarn.started());
    const std::string window = findPanel();
    ASSERT_FALSE(window.empty()) << "the panel did not show";
    xdotool({"windowfocus", window});
    m_panel = parseGeometry(xdotool({"getwindowgeometry", "--shell", window}));
    chooseFirstPort(line);
    ASSERT_EQ(line.slaveBaudRate(), 9600);

    // A tool that closes windows by destroying them: the program ends (it does not run on
    // without a window), and destroying the window sends no stop frame.
    xdotool({"windowclose", window});
    EXPECT_EQ(tarn.wait(10000), std::optional<int>(0));
    EXPECT_EQ(hex(line.readUntilQuiet(200)), "");
}

TEST_F(PanelEndToEnd, F1ShowsTheOperatorsHelp)
{
    Child tarn(
        tarnExecutable(), {},
        environmentWith({"DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + m_dir,
                         std::string("LSAN_OPTIONS=suppressions=") + TARN_LSAN_SUPPRESSIONS}));
    ASSERT_TRUE(tarn.started());
    const std::string window = findPanel();
    ASSERT_FALSE(window.empty()) << "the panel did not show";
    xdotool({"windowfocus", window});
    xdotool({"key", "F1"});
    // The viewer is captioned after the program; without its help file the program would say
    // so in a message box captioned "tarn" instead.
    const std::string program = fs::path(tarnExecutable()).stem().string();
    EXPECT_FALSE(findWindow("^" + program + " Help$").empty())
        << "F1 showed no help viewer for " << tarnExecutable();
}

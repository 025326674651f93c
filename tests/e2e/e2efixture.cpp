#include "e2efixture.h"

#include "ptzcontroldlg.h"
#include "resource.h"
#include "runprocess.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <regex>
#include <sstream>
#include <stdexcept>
#include <thread>

extern char **environ;

namespace {
namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

const DialogItem &templateItem(int id)
{
    for (const DialogItem &item : ptzControlDialogTemplate().items)
        if (item.id == id)
            return item;
    throw std::runtime_error("no such control");
}

std::vector<std::string> lines(const std::string &text)
{
    std::vector<std::string> out;
    std::stringstream in(text);
    std::string line;
    while (std::getline(in, line))
        if (!line.empty())
            out.push_back(line);
    return out;
}
} // namespace

Child::Child(const std::string &program, const std::vector<std::string> &args,
             const std::vector<std::string> &env, posix_spawn_file_actions_t *actions)
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

Child::~Child()
{
    if (m_pid > 0 && !m_status) {
        kill(m_pid, SIGKILL);
        waitpid(m_pid, nullptr, 0);
    }
}

bool Child::signal(int number)
{
    return m_pid > 0 && !m_status && kill(m_pid, number) == 0;
}

std::optional<int> Child::wait(int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (m_pid > 0 && !m_status) {
        int status = 0;
        if (waitpid(m_pid, &status, WNOHANG) == m_pid)
            m_status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        else if (Clock::now() >= deadline)
            break;
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return m_status;
}

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

std::string tarnExecutable()
{
    const char *path = std::getenv("TARN_EXECUTABLE");
    return path && *path ? path : TARN_EXECUTABLE;
}

std::vector<std::string> environmentWith(const std::vector<std::string> &overrides,
                                         const std::vector<std::string> &removed)
{
    const auto keyOf = [](const std::string &entry) { return entry.substr(0, entry.find('=')); };
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        const std::string entry(*e);
        const std::string key = keyOf(entry);
        bool dropped = key == "QT_QPA_PLATFORM";
        for (const auto &r : removed)
            dropped = dropped || r == key;
        for (const auto &o : overrides)
            dropped = dropped || keyOf(o) == key;
        if (!dropped)
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

bool waitUntil(const std::function<bool()> &done, int timeoutMs)
{
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        if (Clock::now() >= deadline)
            return done();
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

std::string lineSettingsDiffer(const PtyPair &line, int baud)
{
    const termios t = line.slaveTermios();
    std::string differs;
    const auto note = [&](bool wrong, const std::string &what) {
        if (wrong)
            differs += (differs.empty() ? "" : ", ") + what;
    };
    const int speed = line.slaveBaudRate();
    note(speed != baud, std::to_string(speed) + " baud, not " + std::to_string(baud));
    note((t.c_cflag & CSIZE) != CS8, "not 8 data bits");
    note(t.c_cflag & PARENB, "parity");
    note(t.c_cflag & CSTOPB, "2 stop bits");
    note(t.c_iflag & IXON, "IXON (a received XOFF holds output)");
    note(t.c_iflag & IXOFF, "IXOFF (XOFF sent when the input fills)");
    note(t.c_cflag & CRTSCTS, "RTS/CTS");
    return differs;
}

void scrambleLineSettings(PtyPair &line)
{
    // A pseudo-terminal carries only 8N1 and refuses other framing, so only the speed and the
    // flow control can show an open there.
    termios t = line.slaveTermios();
    cfsetspeed(&t, B1200);
    t.c_iflag |= IXON | IXOFF;
    ASSERT_TRUE(line.setSlaveTermios(t)) << std::strerror(errno);
    ASSERT_EQ(line.slaveBaudRate(), 1200);
}

void PanelEndToEnd::SetUp()
{
    const auto xvfb = onPath("Xvfb");
    m_xdotool = onPath("xdotool").value_or("");
    if (!xvfb || m_xdotool.empty())
        GTEST_SKIP() << "Xvfb or xdotool is not installed";

    m_tempDir.emplace("tarn-e2e");
    m_dir = m_tempDir->path();
    m_portsDir = m_dir + "/tarn/ports";

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
    const auto deadline = Clock::now() + std::chrono::seconds(30);
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

void PanelEndToEnd::TearDown()
{
    m_tarn.reset();
    m_windowManager.reset();
    m_xvfb.reset();
    m_tempDir.reset();
}

void PanelEndToEnd::startWindowManager()
{
    const auto openbox = onPath("openbox");
    const auto xprop = onPath("xprop");
    if (!openbox || !xprop)
        GTEST_SKIP() << "openbox or xprop is not installed";
    // Its own home, so that nothing it keeps lands in ours.
    const std::string home = m_dir + "/wm-home";
    fs::create_directories(home);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    m_windowManager.emplace(*openbox, std::vector<std::string>{"--sm-disable"},
                            environmentWith({"DISPLAY=" + m_display, "HOME=" + home,
                                             "XDG_CONFIG_HOME=" + home + "/.config",
                                             "XDG_CACHE_HOME=" + home + "/.cache",
                                             "XDG_DATA_HOME=" + home + "/.local/share"}),
                            &actions);
    posix_spawn_file_actions_destroy(&actions);
    ASSERT_TRUE(m_windowManager->started());
    // A window manager that complies announces itself on the root window.
    const bool managing = waitUntil(
        [&] {
            const ProcessResult check =
                runProcess(*xprop, {"-root", "_NET_SUPPORTING_WM_CHECK"}, 5000);
            return check.out.find("window id") != std::string::npos;
        },
        30000);
    ASSERT_TRUE(managing) << "openbox did not take the display";
}

std::vector<std::string>
PanelEndToEnd::panelEnvironment(const std::vector<std::string> &overrides,
                                const std::vector<std::string> &removed) const
{
    std::vector<std::string> env{"DISPLAY=" + m_display, "XDG_RUNTIME_DIR=" + m_dir,
                                 // Under the sanitizers: the system libraries' own leaks.
                                 std::string("LSAN_OPTIONS=suppressions=") +
                                     TARN_LSAN_SUPPRESSIONS};
    for (const auto &o : overrides) {
        const std::string key = o.substr(0, o.find('='));
        std::erase_if(env, [&](const std::string &e) { return e.substr(0, e.find('=')) == key; });
        env.push_back(o);
    }
    for (const auto &r : removed)
        std::erase_if(env, [&](const std::string &e) { return e.substr(0, e.find('=')) == r; });
    return environmentWith(env, removed);
}

bool PanelEndToEnd::startPanel(const std::vector<std::string> &args,
                               const std::vector<std::string> &env)
{
    m_tarn.emplace(tarnExecutable(), args, env.empty() ? panelEnvironment() : env);
    EXPECT_TRUE(m_tarn->started());
    m_window = findPanel();
    EXPECT_FALSE(m_window.empty()) << "the panel did not show";
    if (m_window.empty())
        return false;
    focusPanel();
    m_panel = clientGeometry(m_window);
    EXPECT_GT(m_panel.width, 0);
    return m_panel.width > 0;
}

std::vector<std::string> PanelEndToEnd::findWindows(const std::string &name, int timeoutMs)
{
    std::vector<std::string> windows;
    waitUntil(
        [&] {
            const ProcessResult found =
                runProcess(m_xdotool, {"search", "--onlyvisible", "--name", name}, 5000);
            windows = lines(found.out);
            return !windows.empty();
        },
        timeoutMs);
    return windows;
}

std::string PanelEndToEnd::findPanel(int timeoutMs)
{
    const auto windows = findWindows("^Tarn - Mirelda PTZ Control  V1.00$", timeoutMs);
    return windows.empty() ? std::string() : windows.front();
}

bool PanelEndToEnd::waitGone(const std::string &name, int timeoutMs)
{
    return waitUntil(
        [&] {
            const ProcessResult found =
                runProcess(m_xdotool, {"search", "--onlyvisible", "--name", name}, 5000);
            return lines(found.out).empty();
        },
        timeoutMs);
}

void PanelEndToEnd::focusPanel()
{
    if (m_windowManager)
        xdotool({"windowactivate", "--sync", m_window});
    else
        xdotool({"windowfocus", "--sync", m_window});
}

Geometry PanelEndToEnd::clientGeometry(const std::string &window)
{
    // xwininfo's absolute position is the client area's, decorated by a window manager or not.
    const auto xwininfo = onPath("xwininfo");
    EXPECT_TRUE(xwininfo.has_value()) << "xwininfo (x11-utils) is not installed";
    Geometry g;
    if (!xwininfo)
        return g;
    const ProcessResult info = runProcess(*xwininfo, {"-id", window}, 10000);
    const auto field = [&](const std::string &label) {
        const std::regex pattern(label + R"(:\s+(-?\d+))");
        std::smatch match;
        return std::regex_search(info.out, match, pattern) ? std::stoi(match[1]) : 0;
    };
    g.x = field("Absolute upper-left X");
    g.y = field("Absolute upper-left Y");
    g.width = field("Width");
    g.height = field("Height");
    return g;
}

void PanelEndToEnd::moveTo(int id, int dx, int dy)
{
    const DialogTemplate &tmpl = ptzControlDialogTemplate();
    const DialogItem &item = templateItem(id);
    xdotool({"mousemove", std::to_string(m_panel.x + (item.x + dx) * m_panel.width / tmpl.cx),
             std::to_string(m_panel.y + (item.y + dy) * m_panel.height / tmpl.cy)});
}

void PanelEndToEnd::clickOn(int id, int dx, int dy)
{
    moveTo(id, dx, dy);
    xdotool({"click", "1"});
}

void PanelEndToEnd::chooseNextPort(PtyPair &line, int baud)
{
    scrambleLineSettings(line);
    clickOn(IDC_PORT_LIST);
    xdotool({"key", "Down"});
    waitUntil([&] { return lineSettingsDiffer(line, baud).empty(); }, 20000);
}

std::string PanelEndToEnd::xdotool(const std::vector<std::string> &args)
{
    const ProcessResult result = runProcess(m_xdotool, args, 20000);
    EXPECT_EQ(result.status, 0) << "xdotool " << args.front() << ": " << result.err;
    return result.out;
}

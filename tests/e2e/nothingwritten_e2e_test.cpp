// The panel writes nothing: a run that chooses a port, moves the camera, opens the About box and
// the help and closes, leaves the whole home folder and the whole temporary folder as they were.
// The panel's home and temporary folders are its own for the run (HOME, TMPDIR), with no
// XDG_* folders set, so every default lands in them.
//
// The one thing allowed: with XDG_RUNTIME_DIR unset, Qt falls back to a runtime folder of its
// own, <temporary folder>/runtime-<user> (mode 0700), and may create it, empty. That is Qt's,
// not the program's; nothing may be put into it.
//
// A file made and removed again leaves no entry behind, so the temporary folder is watched
// (inotify) for the whole run, and the runtime folder's modification time must still be its
// birth time. Comparing the two folders' times would not do: since Linux 6.13 a parent and the
// folder made in it may get time stamps of different granularity from one mkdir.
#include "e2efixture.h"
#include "resource.h"

#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <map>
#include <pwd.h>
#include <sstream>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <functional>
#include <thread>
#include <vector>

namespace {
namespace fs = std::filesystem;

// Every entry under root by its path below root: kind, mode, size, modification time, and the
// content of files and the target of links.
std::map<std::string, std::string> snapshot(const fs::path &root)
{
    std::map<std::string, std::string> entries;
    for (const auto &entry : fs::recursive_directory_iterator(root)) {
        struct stat st
        {};
        if (lstat(entry.path().c_str(), &st) != 0)
            continue;
        std::ostringstream what;
        what << std::oct << st.st_mode << std::dec << " mtime " << st.st_mtim.tv_sec << "."
             << st.st_mtim.tv_nsec;
        if (S_ISLNK(st.st_mode)) {
            what << " -> " << fs::read_symlink(entry.path()).string();
        } else if (S_ISREG(st.st_mode)) {
            std::ifstream in(entry.path(), std::ios::binary);
            what << " size " << st.st_size << " content " << in.rdbuf();
        }
        entries[fs::relative(entry.path(), root).string()] = what.str();
    }
    // The root itself: an entry created and removed again changes its time.
    struct stat st
    {};
    lstat(root.c_str(), &st);
    entries["."] =
        "mtime " + std::to_string(st.st_mtim.tv_sec) + "." + std::to_string(st.st_mtim.tv_nsec);
    return entries;
}

// What differs between two snapshots, one line per path; allowed(path, before, after) excuses
// a difference (an absent side is nullptr).
std::string differences(const std::map<std::string, std::string> &before,
                        const std::map<std::string, std::string> &after,
                        const std::function<bool(const std::string &, const std::string *,
                                                 const std::string *)> &allowed)
{
    std::string out;
    const auto note = [&](const std::string &path, const std::string *was, const std::string *is) {
        if (allowed(path, was, is))
            return;
        out += path + (was ? (is ? ": changed\n" : ": removed\n") : ": created\n");
    };
    for (const auto &[path, was] : before) {
        const auto it = after.find(path);
        if (it == after.end())
            note(path, &was, nullptr);
        else if (it->second != was)
            note(path, &was, &it->second);
    }
    for (const auto &[path, is] : after)
        if (!before.contains(path))
            note(path, nullptr, &is);
    return out;
}

// Names made, removed or moved in one folder (not below it) while it is watched.
class FolderWatch
{
public:
    explicit FolderWatch(const fs::path &folder) : m_fd(inotify_init1(IN_NONBLOCK | IN_CLOEXEC))
    {
        if (m_fd >= 0 &&
            inotify_add_watch(m_fd, folder.c_str(),
                              IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO) < 0) {
            close(m_fd);
            m_fd = -1;
        }
    }
    ~FolderWatch()
    {
        if (m_fd >= 0)
            close(m_fd);
    }
    FolderWatch(const FolderWatch &) = delete;
    FolderWatch &operator=(const FolderWatch &) = delete;

    bool watching() const { return m_fd >= 0; }

    // One line per event so far: "created NAME", "removed NAME", "moved NAME".
    std::vector<std::string> events()
    {
        alignas(inotify_event) char buffer[4096];
        ssize_t got = 0;
        while ((got = read(m_fd, buffer, sizeof buffer)) > 0) {
            for (ssize_t at = 0; at < got;) {
                const auto *event = reinterpret_cast<const inotify_event *>(buffer + at);
                const std::string name = event->len ? event->name : "";
                if (event->mask & IN_CREATE)
                    m_events.push_back("created " + name);
                else if (event->mask & IN_DELETE)
                    m_events.push_back("removed " + name);
                else if (event->mask & (IN_MOVED_FROM | IN_MOVED_TO))
                    m_events.push_back("moved " + name);
                else if (event->mask & IN_Q_OVERFLOW)
                    m_events.push_back("lost events");
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
            }
        }
        return m_events;
    }

private:
    int m_fd;
    std::vector<std::string> m_events;
};

// Whether a folder's modification time is still its birth time: nothing was made or removed in
// it since. True where the file system keeps no birth time.
bool unchangedSinceMade(const fs::path &folder)
{
    struct statx st
    {};
    if (statx(AT_FDCWD, folder.c_str(), AT_SYMLINK_NOFOLLOW, STATX_BTIME | STATX_MTIME, &st) != 0)
        return false;
    if (!(st.stx_mask & STATX_BTIME))
        return true;
    return st.stx_btime.tv_sec == st.stx_mtime.tv_sec &&
           st.stx_btime.tv_nsec == st.stx_mtime.tv_nsec;
}

void writeFile(const fs::path &path, const std::string &content)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path) << content;
}

class NothingWritten : public PanelEndToEnd, public testing::WithParamInterface<bool>
{};

std::string portOrNot(const testing::TestParamInfo<bool> &info)
{
    return info.param ? "WithAPortInQtsRuntimeFolder" : "WithoutARuntimeFolder";
}
} // namespace

TEST_P(NothingWritten, ARunLeavesTheHomeAndTemporaryFoldersAsTheyWere)
{
    const bool withPort = GetParam();
    const fs::path home = m_dir + "/home";
    const fs::path temp = m_dir + "/tmp";
    // A home as a user has one, so that a change to what is there would show.
    writeFile(home / ".profile", "PATH=$PATH\n");
    writeFile(home / ".config" / "other" / "settings.conf", "[General]\nkept=1\n");
    writeFile(home / ".cache" / "other" / "blob", "cached");
    fs::create_directories(temp);
    const passwd *user = getpwuid(getuid());
    ASSERT_NE(user, nullptr);
    const std::string runtimeName = std::string("runtime-") + user->pw_name;
    const fs::path runtime = temp / runtimeName;

    std::optional<PtyPair> line;
    if (withPort) {
        // The user's own runtime folder, as Qt makes it, holding the ports directory.
        line.emplace();
        line->linkAs((runtime / "tarn" / "ports").string(), 1);
    }
    // Let every time stamp taken before the run differ from one taken during it.
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    const auto homeBefore = snapshot(home);
    const auto tempBefore = snapshot(temp);
    FolderWatch tempWatch(temp);
    ASSERT_TRUE(tempWatch.watching());

    ASSERT_TRUE(startPanel(
        {},
        panelEnvironment({"HOME=" + home.string(), "TMPDIR=" + temp.string()},
                         {"XDG_RUNTIME_DIR", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_DATA_HOME",
                          "XDG_STATE_HOME", "XDG_CONFIG_DIRS", "XDG_DATA_DIRS"})));
    if (withPort) {
        chooseNextPort(*line);
        ASSERT_EQ(lineSettingsDiffer(*line, 9600), "");
    }
    moveTo(IDC_UP, 20, 20);
    xdotool({"mousedown", "1", "mouseup", "1"});
    if (withPort) {
        EXPECT_EQ(hex(line->read(14, 10000)), "FF 01 00 08 00 3F 48 FF 01 00 00 00 00 01");
    }
    // The About box, through the panel's menu.
    focusPanel();
    xdotool({"key", "shift+F10"});
    xdotool({"key", "--delay", "100", "a"});
    const auto about = findWindows("^About Vosk$");
    ASSERT_EQ(about.size(), 1u);
    xdotool({"windowfocus", "--sync", about.front()});
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitGone("^About Vosk$"));
    // The help.
    focusPanel();
    xdotool({"key", "F1"});
    const auto help = findWindows("^tarn Help$");
    ASSERT_EQ(help.size(), 1u);
    xdotool({"windowfocus", "--sync", help.front()});
    xdotool({"key", "Escape"});
    ASSERT_TRUE(waitGone("^tarn Help$"));
    // The close box's way out.
    focusPanel();
    xdotool({"key", "alt+F4"});
    ASSERT_EQ(m_tarn->wait(20000), std::optional<int>(0));

    const auto nothing = [](const std::string &, const std::string *, const std::string *) {
        return false;
    };
    EXPECT_EQ(differences(homeBefore, snapshot(home), nothing), "");
    const bool runtimeCreated = !tempBefore.contains(runtimeName) && fs::exists(runtime);
    // In the temporary folder itself, only Qt's runtime folder may have been made.
    std::vector<std::string> allowedEvents;
    if (runtimeCreated)
        allowedEvents.push_back("created " + runtimeName);
    EXPECT_EQ(tempWatch.events(), allowedEvents);
    const auto qtRuntimeFolder = [&](const std::string &path, const std::string *was,
                                     const std::string *is) {
        if (!runtimeCreated)
            return false;
        // The temporary folder's time, as making the runtime folder in it set it; the watch
        // above sees anything else made or removed there.
        if (path == "." && was && is)
            return true;
        return path == runtimeName && !was && is && fs::is_empty(runtime) &&
               unchangedSinceMade(runtime) &&
               (fs::status(runtime).permissions() & fs::perms::all) == fs::perms::owner_all;
    };
    EXPECT_EQ(differences(tempBefore, snapshot(temp), qtRuntimeFolder), "");
}

INSTANTIATE_TEST_SUITE_P(Panel, NothingWritten, testing::Bool(), portOrNot);

// Start-up time and resident memory on an X server, the panel side by side with a yardstick
// (a minimal Qt dialog with one button).
//
// Each run spawns a program on the display in DISPLAY and watches the root window: the clock
// starts just before posix_spawn; "mapped" is the MapNotify of the program's first top-level
// window, "visible" the first damage to that window after it is mapped (the first pixels the
// program puts on the screen). At that moment the program's VmRSS is read from /proc; it is
// read again after a settling time ("after start", with the peak, VmHWM), then the program is
// killed. wait4 gives its CPU time (user and system, all threads).
//
// A measurement is R runs of each program, alternating which goes first; it reports medians
// and the load average before and after. M measurements follow each other.
//
//   startup_bench [--runs R] [--measurements M] [--settle MS] PANEL YARDSTICK
//
// PANEL and YARDSTICK are command lines split at spaces ("path arg ..."). The display should
// be one of the bench's own (an Xvfb with no other clients): any new top-level window counts.
#include <xcb/damage.h>
#include <xcb/xcb.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

extern char **environ;

namespace {
constexpr int runTimeoutMs = 30000;

struct Sample
{
    double mappedMs = 0;
    double visibleMs = 0;
    double cpuMs = 0;
    double mainCpuMs = 0;
    long rssVisibleKiB = 0;
    long rssSettledKiB = 0;
    long peakRssKiB = 0;
};

struct Program
{
    std::string label;
    std::vector<std::string> argv;
    std::vector<Sample> samples;
};

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

double msSince(long long startNs)
{
    return static_cast<double>(monotonicNs() - startNs) / 1e6;
}

// CPU time of the program's main thread so far (it carries the start-up's critical path; load
// on the machine stretches it far less than the wall clock).
double mainThreadCpuMs(pid_t pid)
{
    std::ifstream schedstat("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) +
                            "/schedstat");
    long long ns = 0;
    schedstat >> ns;
    return static_cast<double>(ns) / 1e6;
}

// A figure of /proc/PID/status in KiB ("VmRSS:", "VmHWM:"), -1 when there is none.
long statusKiB(pid_t pid, const std::string &key)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(key.size()));
    return -1;
}

std::string loadAverage()
{
    std::ifstream file("/proc/loadavg");
    std::string one, five, fifteen;
    file >> one >> five >> fifteen;
    return one + " " + five + " " + fifteen;
}

std::vector<std::string> splitAtSpaces(const std::string &text)
{
    std::istringstream in(text);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

class Display
{
public:
    bool open()
    {
        m_conn = xcb_connect(nullptr, nullptr);
        if (xcb_connection_has_error(m_conn)) {
            std::fprintf(stderr, "startup_bench: cannot connect to the X server (DISPLAY=%s)\n",
                         std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "");
            return false;
        }
        const xcb_query_extension_reply_t *damage = xcb_get_extension_data(m_conn, &xcb_damage_id);
        if (!damage || !damage->present) {
            std::fprintf(stderr, "startup_bench: the X server has no DAMAGE extension\n");
            return false;
        }
        m_damageEvent = damage->first_event + XCB_DAMAGE_NOTIFY;
        free(xcb_damage_query_version_reply(m_conn, xcb_damage_query_version(m_conn, 1, 1),
                                            nullptr));
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_conn)).data->root;
        const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
        xcb_change_window_attributes(m_conn, m_root, XCB_CW_EVENT_MASK, &mask);
        xcb_flush(m_conn);
        return true;
    }

    ~Display()
    {
        if (m_conn)
            xcb_disconnect(m_conn);
    }

    // Spawns argv and fills the sample; false with a message when the program shows nothing.
    bool run(const std::vector<std::string> &argv, int settleMs, Sample &sample)
    {
        std::vector<char *> args;
        for (const std::string &a : argv)
            args.push_back(const_cast<char *>(a.c_str()));
        args.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
        pid_t pid = 0;
        const long long start = monotonicNs();
        const int rc = posix_spawn(&pid, args[0], &actions, nullptr, args.data(), environ);
        posix_spawn_file_actions_destroy(&actions);
        if (rc != 0) {
            std::fprintf(stderr, "startup_bench: cannot start %s: %s\n", args[0], strerror(rc));
            return false;
        }
        const bool shown = watch(start, pid, sample);
        if (shown) {
            usleep(static_cast<useconds_t>(settleMs) * 1000);
            sample.rssSettledKiB = statusKiB(pid, "VmRSS:");
            sample.peakRssKiB = statusKiB(pid, "VmHWM:");
        } else {
            std::fprintf(stderr, "startup_bench: %s showed no window within %d ms\n", args[0],
                         runTimeoutMs);
        }
        kill(pid, SIGKILL);
        int status = 0;
        rusage usage{};
        while (wait4(pid, &status, 0, &usage) < 0 && errno == EINTR) {
        }
        sample.cpuMs = (usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1e3 +
                       (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e3;
        drain();
        return shown;
    }

private:
    // Waits for the first top-level window to be mapped and then damaged.
    bool watch(long long start, pid_t pid, Sample &sample)
    {
        std::set<xcb_window_t> created;
        xcb_window_t mapped = XCB_NONE;
        const long long deadline = start + runTimeoutMs * 1000000LL;
        for (;;) {
            xcb_generic_event_t *event = xcb_poll_for_event(m_conn);
            if (!event) {
                if (xcb_connection_has_error(m_conn))
                    return false;
                const long long left = (deadline - monotonicNs()) / 1000000;
                if (left <= 0)
                    return false;
                pollfd fd{xcb_get_file_descriptor(m_conn), POLLIN, 0};
                poll(&fd, 1, static_cast<int>(std::min(left, 1000LL)));
                continue;
            }
            const uint8_t type = event->response_type & 0x7f;
            if (type == XCB_CREATE_NOTIFY) {
                const auto *e = reinterpret_cast<xcb_create_notify_event_t *>(event);
                if (e->parent == m_root) {
                    // Damage is watched from creation on, so no paint can come before it.
                    created.insert(e->window);
                    xcb_damage_create(m_conn, xcb_generate_id(m_conn), e->window,
                                      XCB_DAMAGE_REPORT_LEVEL_NON_EMPTY);
                    xcb_flush(m_conn);
                }
            } else if (type == XCB_MAP_NOTIFY) {
                const auto *e = reinterpret_cast<xcb_map_notify_event_t *>(event);
                if (mapped == XCB_NONE && created.count(e->window)) {
                    mapped = e->window;
                    sample.mappedMs = msSince(start);
                }
            } else if (type == m_damageEvent) {
                const auto *e = reinterpret_cast<xcb_damage_notify_event_t *>(event);
                if (mapped != XCB_NONE && e->drawable == mapped) {
                    sample.visibleMs = msSince(start);
                    sample.mainCpuMs = mainThreadCpuMs(pid);
                    sample.rssVisibleKiB = statusKiB(pid, "VmRSS:");
                    free(event);
                    return true;
                }
            }
            free(event);
        }
    }

    // Lets the server finish with the killed program, then drops what it reported.
    void drain()
    {
        free(xcb_get_input_focus_reply(m_conn, xcb_get_input_focus(m_conn), nullptr));
        while (xcb_generic_event_t *event = xcb_poll_for_event(m_conn))
            free(event);
    }

    xcb_connection_t *m_conn = nullptr;
    xcb_window_t m_root = XCB_NONE;
    uint8_t m_damageEvent = 0;
};

template <class T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

template <class F> double medianOf(const std::vector<Sample> &samples, F field)
{
    std::vector<double> values;
    for (const Sample &s : samples)
        values.push_back(static_cast<double>(field(s)));
    return median(values);
}

struct Medians
{
    double mapped, visible, cpu, mainCpu, rssVisible, rssSettled, peakRss;
};

Medians mediansOf(const std::vector<Sample> &s)
{
    return {medianOf(s, [](const Sample &x) { return x.mappedMs; }),
            medianOf(s, [](const Sample &x) { return x.visibleMs; }),
            medianOf(s, [](const Sample &x) { return x.cpuMs; }),
            medianOf(s, [](const Sample &x) { return x.mainCpuMs; }),
            medianOf(s, [](const Sample &x) { return x.rssVisibleKiB; }),
            medianOf(s, [](const Sample &x) { return x.rssSettledKiB; }),
            medianOf(s, [](const Sample &x) { return x.peakRssKiB; })};
}

void printMedians(const char *label, const Medians &m)
{
    std::printf("  %-9s  visible %6.1f ms (mapped %6.1f)  cpu: main thread to visible %5.1f, "
                "all %5.1f ms  rss: after start %5.0f KiB (visible %5.0f, peak %5.0f)\n",
                label, m.visible, m.mapped, m.mainCpu, m.cpu, m.rssSettled, m.rssVisible,
                m.peakRss);
}

int usage()
{
    std::fprintf(stderr, "usage: startup_bench [--runs R] [--measurements M] [--settle MS] "
                         "PANEL YARDSTICK\n");
    return 2;
}
} // namespace

int main(int argc, char **argv)
{
    int runs = 7, measurements = 5, settleMs = 300;
    std::vector<std::string> commands;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        int *option = arg == "--runs"           ? &runs
                      : arg == "--measurements" ? &measurements
                      : arg == "--settle"       ? &settleMs
                                                : nullptr;
        if (option) {
            if (i + 1 >= argc)
                return usage();
            *option = std::atoi(argv[++i]);
            if (*option < (option == &settleMs ? 0 : 1))
                return usage();
        } else if (arg.rfind("--", 0) == 0) {
            return usage();
        } else {
            commands.push_back(arg);
        }
    }
    if (commands.size() != 2)
        return usage();
    Program programs[2] = {{"panel", splitAtSpaces(commands[0]), {}},
                           {"yardstick", splitAtSpaces(commands[1]), {}}};
    for (const Program &p : programs)
        if (p.argv.empty() || access(p.argv[0].c_str(), X_OK) != 0) {
            std::fprintf(stderr, "startup_bench: %s is not an executable\n",
                         p.argv.empty() ? "''" : p.argv[0].c_str());
            return 2;
        }

    Display display;
    if (!display.open())
        return 1;
    Sample warm;
    for (Program &p : programs) // page cache, font cache
        if (!display.run(p.argv, 0, warm))
            return 1;

    std::printf("startup_bench: %d measurements of %d runs each, settle %d ms\n", measurements,
                runs, settleMs);
    std::printf("  panel:     %s\n  yardstick: %s\n", commands[0].c_str(), commands[1].c_str());
    std::vector<double> visibleRatios, mappedRatios, cpuRatios, mainCpuRatios, rssRatios;
    for (int m = 0; m < measurements; ++m) {
        const std::string loadBefore = loadAverage();
        for (Program &p : programs)
            p.samples.clear();
        for (int i = 0; i < runs; ++i)
            for (int k = 0; k < 2; ++k) {
                // Alternate which goes first, so that neither always finds a warmer machine.
                Program &p = programs[(i + k) % 2];
                Sample s;
                if (!display.run(p.argv, settleMs, s))
                    return 1;
                p.samples.push_back(s);
            }
        const Medians a = mediansOf(programs[0].samples), b = mediansOf(programs[1].samples);
        std::printf("measurement %d: load average %s before, %s after\n", m + 1, loadBefore.c_str(),
                    loadAverage().c_str());
        printMedians(programs[0].label.c_str(), a);
        printMedians(programs[1].label.c_str(), b);
        visibleRatios.push_back(a.visible / b.visible);
        mappedRatios.push_back(a.mapped / b.mapped);
        cpuRatios.push_back(a.cpu / b.cpu);
        mainCpuRatios.push_back(a.mainCpu / b.mainCpu);
        rssRatios.push_back(a.rssSettled / b.rssSettled);
        std::printf("  ratio      visible %.2f (mapped %.2f)  cpu: main thread to visible %.2f, "
                    "all %.2f  rss: after start %.3f (visible %.3f)\n",
                    visibleRatios.back(), mappedRatios.back(), mainCpuRatios.back(),
                    cpuRatios.back(), rssRatios.back(), a.rssVisible / b.rssVisible);
        std::fflush(stdout);
    }
    const auto range = [](const std::vector<double> &v) {
        return std::make_pair(*std::min_element(v.begin(), v.end()),
                              *std::max_element(v.begin(), v.end()));
    };
    const auto [vLo, vHi] = range(visibleRatios);
    const auto [mLo, mHi] = range(mappedRatios);
    const auto [cLo, cHi] = range(cpuRatios);
    const auto [tLo, tHi] = range(mainCpuRatios);
    const auto [rLo, rHi] = range(rssRatios);
    std::printf("summary over %d measurements:\n", measurements);
    std::printf("  start-up to visible, ratio %.2f to %.2f (goal <= 1.2 in every one): %s\n", vLo,
                vHi, vHi <= 1.2 ? "met" : "NOT met");
    std::printf("  start-up to mapped,  ratio %.2f to %.2f\n", mLo, mHi);
    std::printf("  main thread's CPU,   ratio %.2f to %.2f\n", tLo, tHi);
    std::printf("  CPU time, all,       ratio %.2f to %.2f\n", cLo, cHi);
    std::printf("  memory after start,  ratio %.3f to %.3f (goal <= 1.1): %s\n", rLo, rHi,
                rHi <= 1.1 ? "met" : "NOT met");
    return 0;
}

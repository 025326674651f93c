// Start-up to first paint and resident memory after start: the panel's program (tarn_firstpaint)
// against a minimal Qt dialog (minimaldialog), both on the offscreen platform, run alternately
// N times each. The clock starts just before the process is spawned; each program prints the
// clock and its VmRSS at its first top-level paint and ends. Prints medians and ratios.
//
//   startup_bench [runs] [directory of the two programs]   (defaults 21 and this one's)
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <vector>

extern char **environ;

namespace {
struct Sample
{
    double ms;
    long rssKiB;
};

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

bool runOnce(const std::string &program, Sample &sample)
{
    int out[2];
    if (pipe(out) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    char *argv[] = {const_cast<char *>(program.c_str()), nullptr};
    pid_t pid = 0;
    const long long start = monotonicNs();
    const int rc = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv, environ);
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    if (rc != 0) {
        close(out[0]);
        return false;
    }
    std::string text;
    char buffer[256];
    ssize_t n;
    while ((n = read(out[0], buffer, sizeof buffer)) > 0)
        text.append(buffer, static_cast<std::size_t>(n));
    close(out[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    long long painted = 0;
    long rss = 0;
    if (std::sscanf(text.c_str(), "%lld %ld", &painted, &rss) != 2)
        return false;
    sample = {static_cast<double>(painted - start) / 1e6, rss};
    return true;
}

template <class T> T median(std::vector<T> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}
} // namespace

int main(int argc, char **argv)
{
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 21;
    std::string dir = argc > 2 ? argv[2] : std::string(argv[0]);
    if (argc <= 2) {
        const auto slash = dir.rfind('/');
        dir = slash == std::string::npos ? "." : dir.substr(0, slash);
    }
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    const std::string panel = dir + "/tarn_firstpaint";
    const std::string minimal = dir + "/minimaldialog";

    std::vector<double> panelMs, minimalMs;
    std::vector<long> panelRss, minimalRss;
    Sample s{};
    runOnce(panel, s); // warm the page cache for both
    runOnce(minimal, s);
    for (int i = 0; i < runs; ++i) {
        // Alternate which goes first, so neither always finds a warmer machine.
        for (int k = 0; k < 2; ++k) {
            const bool panelTurn = (i + k) % 2 == 0;
            if (!runOnce(panelTurn ? panel : minimal, s)) {
                std::fprintf(stderr, "%s gave no first paint\n",
                             (panelTurn ? panel : minimal).c_str());
                return 1;
            }
            (panelTurn ? panelMs : minimalMs).push_back(s.ms);
            (panelTurn ? panelRss : minimalRss).push_back(s.rssKiB);
        }
    }
    const double pm = median(panelMs), mm = median(minimalMs);
    const long pr = median(panelRss), mr = median(minimalRss);
    std::printf("runs %d each, offscreen platform\n", runs);
    std::printf("first paint: panel %.1f ms, minimal dialog %.1f ms, ratio %.2f (goal <= 1.2)\n",
                pm, mm, pm / mm);
    std::printf("VmRSS at first paint: panel %ld KiB, minimal dialog %ld KiB, ratio %.2f "
                "(goal <= 1.1)\n",
                pr, mr, static_cast<double>(pr) / static_cast<double>(mr));
    return 0;
}

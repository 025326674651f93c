// The CPU that tarnctl joystick's live loop takes with a controller connected and its sticks at
// rest: SDL's virtual controller, the real SDL source, loop and session on a pseudo-terminal,
// run for N seconds (default 10); prints the CPU time used as a share of one core.
//   joystick_idle_bench [SECONDS]
#include "padlive.h"
#include "ptypair.h"

#include <SDL.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <thread>

namespace {

double cpuSeconds()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

} // namespace

int main(int argc, char *argv[])
{
    const int seconds = argc > 1 ? std::atoi(argv[1]) : 10;
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    PtyPair pty;
    const int fd = open(pty.slavePath().c_str(), O_RDWR | O_NOCTTY);
    SdlPad sdl(std::nullopt, "");
    SDL_VirtualJoystickDesc desc{};
    desc.version = SDL_VIRTUAL_JOYSTICK_DESC_VERSION;
    desc.type = SDL_JOYSTICK_TYPE_GAMECONTROLLER;
    desc.naxes = SDL_CONTROLLER_AXIS_MAX;
    desc.nbuttons = SDL_CONTROLLER_BUTTON_MAX;
    desc.name = "Tarn bench pad";
    if (SDL_JoystickAttachVirtualEx(&desc) < 0) {
        std::fprintf(stderr, "no virtual controller: %s\n", SDL_GetError());
        return 1;
    }
    std::size_t frames = 0;
    pad::PadSession session({}, [&](std::span<const pelco::Byte> f) {
        ++frames;
        if (write(fd, f.data(), f.size()) < 0)
            std::perror("write");
    });
    using Clock = std::chrono::steady_clock;
    const auto t0 = Clock::now();
    const auto end = t0 + std::chrono::seconds(seconds);
    const double cpu0 = cpuSeconds();
    int wakes = 0;
    runLive(sdl, session,
            {[&] { return std::chrono::duration_cast<pad::PadTime>(Clock::now() - t0); },
             [&](pad::PadTime t) {
                 ++wakes;
                 std::this_thread::sleep_for(t);
                 return Clock::now() < end;
             }});
    const double cpu = cpuSeconds() - cpu0;
    const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
    std::printf("connected: %s, frames sent: %zu, wakes: %d in %.1f s\n",
                sdl.connected() ? "yes" : "no", frames, wakes, wall);
    std::printf("CPU %.3f s in %.1f s: %.3f %% of one core\n", cpu, wall, 100 * cpu / wall);
    close(fd);
    return 0;
}

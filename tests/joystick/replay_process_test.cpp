// tarnctl joystick --replay as a real process: into a pseudo-terminal, whose master end reads
// the frames, and into the virtual camera (tarnctl sim); --list with no controller; the command
// lines it refuses.
#include "childprocess.h"
#include "ptypair.h"
#include "tarnctltest.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <regex>

namespace {

std::string hex(const std::vector<std::uint8_t> &bytes)
{
    std::string out;
    for (const auto b : bytes) {
        char text[4];
        std::snprintf(text, sizeof text, out.empty() ? "%02X" : " %02X", b);
        out += text;
    }
    return out;
}

// Splits what came off the line into frames of n bytes.
std::vector<std::string> frames(const std::vector<std::uint8_t> &bytes, std::size_t n = 7)
{
    std::vector<std::string> out;
    for (std::size_t i = 0; i + n <= bytes.size(); i += n)
        out.push_back(hex({bytes.begin() + long(i), bytes.begin() + long(i + n)}));
    if (bytes.size() % n != 0)
        out.push_back("(trailing bytes) " + hex(bytes));
    return out;
}

class JoystickReplay : public TarnctlTest
{
protected:
    std::string file(const std::string &text)
    {
        const std::string path = runtime() + "/replay" + std::to_string(++m_files) + ".txt";
        std::ofstream(path) << text;
        return path;
    }
    std::unique_ptr<ChildProcess> joystick(const std::vector<std::string> &words)
    {
        std::vector<std::string> args = {"joystick"};
        args.insert(args.end(), words.begin(), words.end());
        return std::make_unique<ChildProcess>(TARNCTL_PATH, args);
    }

    PtyPair m_pty;
    int m_files = 0;
};

TEST_F(JoystickReplay, MovesTheCamerasOfTheListAsTheFileSays)
{
    const std::string path = file("# pan right faster and faster, stop, set preset 2\n"
                                  "0.000 leftx 10000\n"
                                  "0.300 leftx 32767\n"
                                  "0.600 leftx 0\n"
                                  "0.700 back 1\n"
                                  "0.750 b 1\n"
                                  "0.800 b 0\n"
                                  "0.850 back 0\n"
                                  "# to camera 3, which tilts up; back to 1 while it moves\n"
                                  "0.900 dpright 1\n"
                                  "0.950 dpright 0\n"
                                  "1.000 lefty -32768\n"
                                  "1.200 dpleft 1\n"
                                  "1.300 a 1\n"
                                  "1.400 lefty 0\n"
                                  "1.500 a 0\n");
    auto run = joystick({"--port", m_pty.slavePath(), "--address", "1,3", "--replay", path});
    const auto bytes = m_pty.readUntilQuiet(800);
    EXPECT_EQ(run->wait(10000), 0);
    EXPECT_EQ(run->errors(), "");
    EXPECT_EQ(frames(bytes), (std::vector<std::string>{
                                 "FF 01 00 02 03 00 06", // right, slowly
                                 "FF 01 00 02 3F 00 42", // right, full
                                 "FF 01 00 00 00 00 01", // centre: stop
                                 "FF 01 00 03 00 02 06", // back + b: set preset 2
                                 "FF 03 00 08 00 3F 4A", // camera 3 up
                                 "FF 03 00 00 00 00 03", // stopped before the switch
                                 "FF 01 00 08 00 3F 48", // camera 1 takes over
                                 "FF 01 00 07 00 01 09", // a: go to preset 1
                                 "FF 01 00 00 00 00 01", // centre: stop
                             }));
}

TEST_F(JoystickReplay, StopsAMovingCameraAtTheEndOfTheFile)
{
    const std::string path = file("0 leftx -32768\n0.2 lefty 20000\n");
    auto run = joystick({"--port", m_pty.slavePath(), "--replay", path});
    const auto bytes = m_pty.readUntilQuiet(800);
    EXPECT_EQ(run->wait(10000), 0);
    EXPECT_EQ(frames(bytes),
              (std::vector<std::string>{"FF 01 00 04 3F 00 44", "FF 01 00 14 3F 15 69",
                                        "FF 01 00 00 00 00 01"}));
}

TEST_F(JoystickReplay, StopsAMovingCameraOnASignal)
{
    const struct
    {
        int signal;
        int status;
        const char *name;
    } rows[] = {{SIGINT, 130, "SIGINT"}, {SIGTERM, 143, "SIGTERM"}, {SIGHUP, 129, "SIGHUP"}};
    for (const auto &row : rows) {
        const std::string path = file("0 leftx 32767\n60 leftx 0\n");
        auto run = joystick(
            {"--port", m_pty.slavePath(), "--protocol", "p", "--address", "5", "--replay", path});
        EXPECT_EQ(hex(m_pty.read(8)), "A0 05 00 02 3F 00 AF 37") << row.name;
        run->signal(row.signal);
        EXPECT_EQ(hex(m_pty.read(8)), "A0 05 00 00 00 00 AF 0A") << row.name;
        EXPECT_EQ(run->wait(5000), row.status);
        EXPECT_EQ(run->errors(), std::string("tarnctl: interrupted by ") + row.name +
                                     ": sent stop to address 5, which was moving\n");
        EXPECT_TRUE(m_pty.readUntilQuiet(200).empty()) << row.name;
    }
}

TEST_F(JoystickReplay, ABadLineIsRefusedBeforeAnythingIsSent)
{
    const std::string path = file("0 leftx 32767\n# fine so far\n1 leftx far\n");
    auto run = joystick({"--port", m_pty.slavePath(), "--replay", path});
    EXPECT_EQ(run->wait(5000), 2);
    EXPECT_EQ(run->errors(),
              "tarnctl: " + path +
                  ": line 3: bad value 'far' for leftx (expected -32768 to 32767)\n");
    EXPECT_TRUE(m_pty.readUntilQuiet(300).empty());
}

// The virtual camera moves the way the file says, at speeds that grow with deflection, and
// stops at the centre. One camera, whose lines carry no "camera N:"; a line of three is in
// simline_replay_test.cpp.
TEST_F(JoystickReplay, TheVirtualCameraMovesAndStops)
{
    auto sim = std::make_unique<ChildProcess>(
        TARNCTL_PATH, std::vector<std::string>{"sim", "--address", "1"},
        std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime()});
    const auto first = sim->readLine(10000);
    std::smatch m;
    ASSERT_TRUE(first && std::regex_match(*first, m, std::regex("^(COM[0-9]+) .*")))
        << first.value_or("(none)");
    const std::string port = m[1];
    const std::string path = file("0 leftx 8000\n0.4 leftx 20000\n0.8 leftx 32767\n1.2 leftx 0\n"
                                  "1.3 lefty -32768\n1.6 lefty 0\n");
    const auto r = tarnctl({"joystick", "--port", port, "--address", "1", "--replay", path});
    EXPECT_EQ(r.status, 0) << r.err;
    std::vector<std::string> meanings;
    while (auto line = sim->readLine(1000)) {
        std::smatch f;
        if (std::regex_search(*line, f,
                              std::regex("  ((?:[0-9A-F]{2} ){6}[0-9A-F]{2})  (.*?)  pan")))
            meanings.push_back(f[2]);
    }
    EXPECT_EQ(meanings,
              (std::vector<std::string>{"pan right speed 2", "pan right speed 21",
                                        "pan right speed 63", "stop", "tilt up speed 63", "stop"}));
    sim->signal(SIGTERM);
    EXPECT_EQ(sim->wait(), 0);
}

// SDL is told to pass over every device but one no controller has (and to leave hidraw alone),
// so that a controller plugged into the machine running the tests does not count.
TEST_F(JoystickReplay, ListWithoutAControllerPrintsNothing)
{
    setenv("SDL_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT", "0x0000/0x0000", 1);
    setenv("SDL_JOYSTICK_HIDAPI", "0", 1);
    const auto r = tarnctl({"joystick", "--list"});
    unsetenv("SDL_GAMECONTROLLER_IGNORE_DEVICES_EXCEPT");
    unsetenv("SDL_JOYSTICK_HIDAPI");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "");
}

TEST_F(JoystickReplay, RefusesBadCommandLines)
{
    const std::string good = file("0 a 1\n");
    expectRefused({
        {{"joystick"}, "--port"},
        {{"joystick", "--port", "/dev/null", "--address", "1,256"}, "invalid address '1,256'"},
        {{"joystick", "--port", "/dev/null", "--address", "5-2"}, "invalid address '5-2'"},
        {{"joystick", "--port", "/dev/null", "--deadzone", "95"}, "invalid dead zone '95'"},
        {{"joystick", "--port", "/dev/null", "--deadzone", "-5"}, "-5"},
        {{"joystick", "--port", "/dev/null", "--device", "x"}, "invalid device 'x'"},
        {{"joystick", "--port", "/dev/null", "--replay", good, "--record", good},
         "--record is for a controller"},
        {{"joystick", "--port", "/dev/null", "--replay", runtime() + "/none.txt"}, "cannot read"},
        {{"joystick", "--port", "/dev/null", "extra"}, "unexpected argument 'extra'"},
        {{"joystick", "--port", "/dev/null", "--protocol", "x"}, "x"},
    });
}

} // namespace

// tarnctl joystick --replay into the virtual camera's line of three cameras (tarnctl sim
// --address 1-3), both real processes: what each camera received and where it went, read off
// the lines the virtual camera prints.
#include "childprocess.h"
#include "tarnctltest.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <memory>
#include <regex>

namespace {

// One frame as the virtual camera printed it.
struct SimFrame
{
    int address = -1;    // the frame's address byte
    std::string meaning; // "pan right speed 3"
    int camera = -1;     // the camera its line names ("camera 2: ..."), -1 for none
    double pan = 0;      // where that camera is, in degrees
    double tilt = 0;     // degrees, up positive
};

// "2 pan right speed 63": the address and the meaning, for comparing sequences.
std::vector<std::string> said(const std::vector<SimFrame> &frames)
{
    std::vector<std::string> out;
    for (const SimFrame &f : frames)
        out.push_back(std::to_string(f.address) + " " + f.meaning);
    return out;
}

class JoystickOnASimLine : public TarnctlTest
{
protected:
    // Starts `tarnctl sim --address 1-3` and learns its port.
    void startSim()
    {
        m_sim = std::make_unique<ChildProcess>(
            TARNCTL_PATH, std::vector<std::string>{"sim", "--address", "1-3"},
            std::vector<std::string>{"XDG_RUNTIME_DIR=" + runtime()});
        const auto first = m_sim->readLine(10000);
        std::smatch m;
        ASSERT_TRUE(first && std::regex_match(*first, m, std::regex("^(COM[0-9]+) /dev/.*")))
            << first.value_or("(none)");
        m_port = m[1];
    }

    std::string file(const std::string &text)
    {
        const std::string path = runtime() + "/replay" + std::to_string(++m_files) + ".txt";
        std::ofstream(path) << text;
        return path;
    }

    std::vector<std::string> joystickArgs(const std::string &replay)
    {
        return {"joystick", "--port", m_port, "--address", "1-3", "--replay", file(replay)};
    }

    // Plays a replay to its end; it must succeed in silence.
    void replay(const std::string &text)
    {
        const auto r = tarnctl(joystickArgs(text));
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.err, "");
    }

    // The next frame line of the virtual camera; nullopt when none comes in time. A line it
    // cannot read fails the test.
    std::optional<SimFrame> nextFrame(int timeoutMs)
    {
        const auto line = m_sim->readLine(timeoutMs);
        if (!line)
            return std::nullopt;
        static const std::regex form("^[0-9:.]+  FF ([0-9A-F]{2})(?: [0-9A-F]{2}){5}  (.*?)"
                                     "(?:  camera ([0-9]+): pan ([0-9.]+) tilt (-?[0-9.]+) "
                                     "zoom .*)?$");
        std::smatch m;
        EXPECT_TRUE(std::regex_match(*line, m, form)) << *line;
        if (m.empty())
            return SimFrame{};
        SimFrame f;
        f.address = std::stoi(m[1], nullptr, 16);
        f.meaning = m[2];
        if (m[3].matched) {
            f.camera = std::stoi(m[3]);
            f.pan = std::stod(m[4]);
            f.tilt = std::stod(m[5]);
        }
        return f;
    }

    // The frames the virtual camera shows until it has been quiet for half a second; each
    // must name the camera of its address (a line of 1-3 takes all that the joystick sends).
    std::vector<SimFrame> frames()
    {
        std::vector<SimFrame> out;
        while (auto f = nextFrame(500)) {
            EXPECT_EQ(f->camera, f->address) << f->meaning;
            out.push_back(*f);
        }
        return out;
    }

    void stopSim()
    {
        if (!m_sim)
            return;
        m_sim->signal(SIGTERM);
        EXPECT_EQ(m_sim->wait(5000), 0);
        m_sim.reset();
    }

    void TearDown() override
    {
        stopSim();
        TarnctlTest::TearDown();
    }

    std::unique_ptr<ChildProcess> m_sim;
    std::string m_port;
    int m_files = 0;
};

// The left stick moves camera 1 (the first of the list) the way it leans, at speeds from the
// curve: 30 % of the travel is speed 3 (1 + round(62 * (0.15 / 0.82)^2)), 20000 is 21, full
// travel 63. The centre stops it, and the camera has gone that way.
TEST_F(JoystickOnASimLine, TheStickMovesTheFirstCameraAtSpeedsThatGrowAndStops)
{
    const struct
    {
        const char *replay;
        std::vector<std::string> frames;
        bool pan;     // which axis moved: pan or tilt
        double least; // how far it went at least (degrees), and which way
        double most;
    } rows[] = {
        {"0 leftx 9830\n0.3 leftx 32767\n0.6 leftx 0\n",
         {"1 pan right speed 3", "1 pan right speed 63", "1 stop"},
         true,
         5,
         90},
        {"0 leftx -9830\n0.3 leftx -32768\n0.6 leftx 0\n",
         {"1 pan left speed 3", "1 pan left speed 63", "1 stop"},
         true,
         270,
         355},
        {"0 lefty -20000\n0.3 lefty -32768\n0.5 lefty 0\n",
         {"1 tilt up speed 21", "1 tilt up speed 63", "1 stop"},
         false,
         1,
         5},
        {"0 lefty 20000\n0.3 lefty 32767\n0.5 lefty 0\n",
         {"1 tilt down speed 21", "1 tilt down speed 63", "1 stop"},
         false,
         -90,
         -1},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.replay);
        startSim();
        replay(row.replay);
        const auto seen = frames();
        ASSERT_EQ(said(seen), row.frames);
        const double went = row.pan ? seen.back().pan : seen.back().tilt;
        EXPECT_GE(went, row.least);
        EXPECT_LE(went, row.most);
        stopSim();
    }
}

// dpright and dpleft walk the list, round from the last to the first; a moving camera is
// stopped before the next one takes the stick, and each frame reaches its own camera only.
TEST_F(JoystickOnASimLine, TheDpadSwitchesCamerasAndStopsTheOneThatMoved)
{
    startSim();
    replay("0 leftx 32767\n"
           "0.3 dpright 1\n0.35 dpright 0\n" // to camera 2, still leaning right
           "0.6 leftx 0\n"
           "0.7 lefty -32768\n0.9 lefty 0\n"
           "1.0 dpleft 1\n1.05 dpleft 0\n" // to camera 1
           "1.1 dpleft 1\n1.15 dpleft 0\n" // round to camera 3
           "1.2 righty -32768\n1.4 righty 0\n"
           "1.5 dpright 1\n1.55 dpright 0\n" // round to camera 1
           "1.6 back 1\n1.65 x 1\n1.7 x 0\n1.75 back 0\n");
    const auto seen = frames();
    ASSERT_EQ(said(seen), (std::vector<std::string>{
                              "1 pan right speed 63", "1 stop", // stopped before the switch
                              "2 pan right speed 63", "2 stop", "2 tilt up speed 63", "2 stop",
                              "3 zoom tele", "3 stop", "1 set preset 3"}));
    // Camera 2 started from its own home, not from where camera 1 was.
    EXPECT_EQ(seen[2].pan, 0.0);
    EXPECT_GT(seen[1].pan, 5.0);
    EXPECT_GT(seen[3].pan, 5.0);
    // Camera 1 stayed where it stopped while the others moved.
    EXPECT_EQ(seen[8].pan, seen[1].pan);
    EXPECT_EQ(seen[8].tilt, 0.0);
}

// back + a stores preset 1 where the camera is; after moving on, a brings it back there.
TEST_F(JoystickOnASimLine, PresetsAreSetAndGoneTo)
{
    startSim();
    replay("0 leftx 32767\n0.3 leftx 0\n"
           "0.4 back 1\n0.45 a 1\n0.5 a 0\n0.55 back 0\n"
           "0.6 leftx 32767\n0.9 leftx 0\n"
           "1.0 a 1\n1.05 a 0\n"
           "1.8 start 1\n1.85 start 0\n");
    const auto seen = frames();
    ASSERT_EQ(said(seen), (std::vector<std::string>{"1 pan right speed 63", "1 stop",
                                                    "1 set preset 1", "1 pan right speed 63",
                                                    "1 stop", "1 go to preset 1", "1 stop"}));
    const double stored = seen[2].pan;
    EXPECT_GT(stored, 5.0);
    EXPECT_GT(seen[4].pan, stored + 5.0); // it had moved on
    EXPECT_EQ(seen[6].pan, stored);       // and came back
}

// The end of the file stops the camera that moves, whichever of the list it is.
TEST_F(JoystickOnASimLine, TheEndOfTheFileStopsAMovingCamera)
{
    startSim();
    replay("0 dpright 1\n0.05 dpright 0\n0.1 leftx -32768\n0.5 leftx -32768\n");
    EXPECT_EQ(said(frames()), (std::vector<std::string>{"2 pan left speed 63", "2 stop"}));
}

// SIGINT during a long replay stops the camera that moves and exits 130.
TEST_F(JoystickOnASimLine, SigintStopsAMovingCamera)
{
    startSim();
    ChildProcess run(TARNCTL_PATH,
                     joystickArgs("0 dpleft 1\n0.05 dpleft 0\n0.1 lefty 32767\n60 lefty 0\n"));
    const auto moving = nextFrame(10000);
    ASSERT_TRUE(moving);
    EXPECT_EQ(said({*moving}), std::vector<std::string>{"3 tilt down speed 63"});
    run.signal(SIGINT);
    EXPECT_EQ(run.wait(5000), 130);
    EXPECT_EQ(run.errors(),
              "tarnctl: interrupted by SIGINT: sent stop to address 3, which was moving\n");
    EXPECT_EQ(said(frames()), std::vector<std::string>{"3 stop"});
}

} // namespace

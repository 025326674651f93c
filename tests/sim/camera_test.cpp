#include "commandframe.h"
#include "commands.h"
#include "virtualcamera.h"

#include <gtest/gtest.h>

namespace {

PelcoCommand command(BYTE address, const PtzCommand &c)
{
    return decodePelco(makeFrame(address, c.command1, c.command2, c.data1, c.data2).bytes());
}

PelcoCommand command(const PtzCommand &c)
{
    return command(1, c);
}

// Sends a frame to the camera, then lets time pass in steps.
struct Script
{
    VirtualCamera camera;
    void send(const PtzCommand &c) { ASSERT_TRUE(camera.apply(command(c)).acted); }
    void wait(double seconds, int steps = 10)
    {
        for (int i = 0; i < steps; ++i)
            camera.advance(seconds / steps);
    }
    const CameraPosition &at() const { return camera.state().position; }
};

TEST(VirtualCamera, MovesWhileAMotionRunsAndStopHaltsAll)
{
    Script s;
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()), "pan 0.0 tilt 0.0 zoom 1.0x focus 50");
    EXPECT_FALSE(s.camera.moving());

    s.send(PtzCommands::right); // speed 63: 60 degrees per second
    EXPECT_TRUE(s.camera.moving());
    s.wait(0.5);
    EXPECT_NEAR(s.at().pan, 30.0, 1e-9);

    s.send(PtzCommands::left); // replaces the pan right; wraps below 0
    s.wait(1.0);
    EXPECT_NEAR(s.at().pan, 330.0, 1e-9);

    s.send(PtzCommands::down);
    s.wait(0.25);
    EXPECT_NEAR(s.at().pan, 330.0, 1e-9); // the tilt frame stopped the pan
    EXPECT_NEAR(s.at().tilt, -15.0, 1e-9);

    s.send(PtzCommands::zoomTele); // doubles every second
    s.wait(2.0);
    EXPECT_NEAR(s.at().zoom, 4.0, 1e-9);
    EXPECT_NEAR(s.at().tilt, -15.0, 1e-9);

    s.send(PtzCommands::focusFar);
    s.wait(1.0);
    EXPECT_NEAR(s.at().focus, 75.0, 1e-9);
    s.send(PtzCommands::focusNear);
    s.wait(0.4);
    EXPECT_NEAR(s.at().focus, 65.0, 1e-9);

    s.send(PtzCommands::stop);
    EXPECT_FALSE(s.camera.moving());
    const CameraPosition before = s.at();
    s.wait(5.0);
    EXPECT_EQ(s.at(), before);
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()), "pan 330.0 tilt -15.0 zoom 4.0x focus 65");
}

TEST(VirtualCamera, PanDeltaTakesTheShortWayRound)
{
    struct Row
    {
        double from, to, delta;
    };
    for (const Row &row : {Row{10, 30, 20}, Row{30, 10, -20}, Row{350, 10, 20}, Row{10, 350, -20},
                           Row{0, 180, 180}, Row{90, 90, 0}, Row{359.5, 0.5, 1}, Row{0, 720, 0}})
        EXPECT_NEAR(panDelta(row.from, row.to), row.delta, 1e-9) << row.from << " -> " << row.to;
}

TEST(VirtualCamera, KeepsToItsLimits)
{
    Script s;
    s.send(PtzCommands::up);
    s.wait(10.0);
    EXPECT_EQ(s.at().tilt, VirtualCamera::maxTilt);
    EXPECT_FALSE(s.camera.moving()); // pressed against the stop
    s.send(PtzCommands::down);
    s.wait(10.0);
    EXPECT_EQ(s.at().tilt, VirtualCamera::minTilt);
    s.send(PtzCommands::zoomTele);
    s.wait(10.0);
    EXPECT_EQ(s.at().zoom, VirtualCamera::maxZoom);
    s.send(PtzCommands::zoomWide);
    s.wait(10.0);
    EXPECT_EQ(s.at().zoom, VirtualCamera::minZoom);
    s.send(PtzCommands::focusNear);
    s.wait(10.0);
    EXPECT_EQ(s.at().focus, 0.0);
    s.send(PtzCommands::right);
    s.wait(6.0, 7); // 360 degrees: full turn, back at 0
    EXPECT_NEAR(s.at().pan, 0.0, 1e-6);
    EXPECT_GE(s.at().pan, 0.0);
    EXPECT_LT(s.at().pan, 360.0);
}

TEST(VirtualCamera, SpeedsMapOntoRates)
{
    EXPECT_DOUBLE_EQ(VirtualCamera::panRate(0x3F), 60.0);
    EXPECT_DOUBLE_EQ(VirtualCamera::panRate(0x00), 0.5);
    EXPECT_DOUBLE_EQ(VirtualCamera::panRate(0xFF), 120.0);
    EXPECT_DOUBLE_EQ(VirtualCamera::panRate(0x40), 60.0);
    EXPECT_DOUBLE_EQ(VirtualCamera::tiltRate(0xFF), 60.0); // no turbo for tilt
    EXPECT_LT(VirtualCamera::panRate(0x10), VirtualCamera::panRate(0x20));
}

TEST(VirtualCamera, StoresRecallsAndClearsPresets)
{
    Script s;
    s.send(PtzCommands::right);
    s.wait(1.0); // pan 60
    s.send(PtzCommands::up);
    s.wait(0.05); // tilt 3
    s.send(PtzCommands::zoomTele);
    s.wait(1.0); // zoom 2
    s.send(PtzCommands::stop);
    s.send(PtzCommands::setPreset(5));
    const CameraPosition stored = s.at();
    EXPECT_EQ(s.camera.preset(5), stored);

    // Away the long way: pan 60 -> 300 leaves a short way back across 0.
    s.send(PtzCommands::left);
    s.wait(2.0);
    s.send(PtzCommands::zoomWide);
    s.wait(1.0);
    s.send(PtzCommands::stop);
    EXPECT_NEAR(s.at().pan, 300.0, 1e-9);

    s.send(PtzCommands::gotoPreset(5));
    EXPECT_TRUE(s.camera.moving());
    s.wait(0.25, 5); // 120 degrees per second, the short way: up across 360, not down
    EXPECT_NEAR(s.at().pan, 330.0, 1e-6);
    s.wait(2.0, 20);
    EXPECT_EQ(s.at(), stored);
    EXPECT_FALSE(s.camera.moving());

    // Cleared and unknown presets: nothing moves, and it says why.
    s.send(PtzCommands::clearPreset(5));
    EXPECT_FALSE(s.camera.preset(5));
    s.send(PtzCommands::left);
    s.wait(0.5);
    s.send(PtzCommands::stop);
    const CameraPosition here = s.at();
    for (const auto &c :
         {PtzCommands::gotoPreset(5), PtzCommands::gotoPreset(200), PtzCommands::clearPreset(5)}) {
        const auto reaction = s.camera.apply(command(c));
        EXPECT_TRUE(reaction.forThisCamera);
        EXPECT_FALSE(reaction.acted);
        EXPECT_NE(reaction.note.find("is not set"), std::string::npos) << reaction.note;
    }
    s.wait(1.0);
    EXPECT_EQ(s.at(), here);
    EXPECT_FALSE(s.camera.moving());
}

TEST(VirtualCamera, AMotionFrameCancelsTheTripToAPreset)
{
    Script s;
    s.send(PtzCommands::setPreset(1)); // at 0
    s.send(PtzCommands::right);
    s.wait(2.0); // pan 120
    s.send(PtzCommands::gotoPreset(1));
    s.wait(0.5); // 60 degrees back
    s.send(PtzCommands::stop);
    s.wait(1.0);
    EXPECT_NEAR(s.at().pan, 60.0, 1e-9);
}

TEST(VirtualCamera, IgnoresFramesForOtherAddresses)
{
    VirtualCamera camera(7);
    for (int address : {0, 1, 6, 8, 255}) {
        const auto reaction = camera.apply(command(BYTE(address), PtzCommands::right));
        EXPECT_FALSE(reaction.forThisCamera) << address;
        EXPECT_FALSE(reaction.acted);
        EXPECT_EQ(reaction.note, "for address " + std::to_string(address));
    }
    EXPECT_FALSE(camera.moving());
    EXPECT_FALSE(camera.apply(command(1, PtzCommands::setPreset(1))).acted);
    EXPECT_FALSE(camera.preset(1));
    EXPECT_TRUE(camera.apply(command(7, PtzCommands::right)).acted);
    EXPECT_TRUE(camera.moving());
    // A stop for someone else does not stop this camera.
    camera.apply(command(1, PtzCommands::stop));
    EXPECT_TRUE(camera.moving());
}

TEST(VirtualCamera, PowerScanAndIris)
{
    Script s;
    EXPECT_EQ(s.camera.apply(decodePelco({0xFF, 1, 0x00, 0x09, 0, 1, 0x0B})).note, "not supported");
    s.camera.apply(decodePelco({0xFF, 1, 0x08, 0, 0, 0, 0x09})); // camera off
    EXPECT_FALSE(s.camera.state().powerOn);
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()), "pan 0.0 tilt 0.0 zoom 1.0x focus 50 off");
    s.camera.apply(decodePelco({0xFF, 1, 0x88, 0, 0, 0, 0x89})); // camera on
    EXPECT_TRUE(s.camera.state().powerOn);

    s.camera.apply(decodePelco({0xFF, 1, 0x90, 0, 0, 0, 0x91})); // auto scan
    s.wait(1.0);
    EXPECT_NEAR(s.at().pan, VirtualCamera::scanSpeed, 1e-9);
    s.send(PtzCommands::stop);
    s.wait(1.0);
    EXPECT_NEAR(s.at().pan, VirtualCamera::scanSpeed, 1e-9);

    s.camera.apply(decodePelco({0xFF, 1, 0x02, 0, 0, 0, 0x03})); // iris open
    s.wait(1.0);
    EXPECT_NEAR(s.camera.state().iris, 75.0, 1e-9);
}

} // namespace

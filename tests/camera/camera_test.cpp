#include "commandframe.h"
#include "commands.h"
#include "frame.h"
#include "reply.h"
#include "virtualcamera.h"

#include <gtest/gtest.h>

using namespace pelco;

namespace {

PelcoCommand command(BYTE address, const PtzCommand &c)
{
    return decodePelco(makeFrame(address, c.command1, c.command2, c.data1, c.data2).bytes());
}

PelcoCommand command(const PtzCommand &c)
{
    return command(1, c);
}

// A Pelco P command: data 1 to 4.
PelcoCommand commandP(BYTE address, const std::array<BYTE, 4> &data)
{
    return decodeFrame(Frame{Protocol::PelcoP, address, data});
}

// An extended command: command 1 is 0, command 2 the code.
PtzCommand extended(BYTE code, BYTE data1, BYTE data2)
{
    return {0x00, code, data1, data2};
}
PtzCommand extended(BYTE code, std::uint16_t value = 0)
{
    return extended(code, BYTE(value >> 8), BYTE(value & 0xFF));
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
    EXPECT_EQ(s.camera.apply(decodePelco({0xFF, 1, 0x00, 0x15, 0, 1, 0x17})).note, "not supported");
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

TEST(VirtualCamera, TheRateGrowsWithTheSpeedAndTurboIsFastest)
{
    double lastPan = -1, lastTilt = -1;
    for (BYTE speed : {0x00, 0x01, 0x10, 0x20, 0x3F, 0xFF}) {
        Script pan;
        pan.send({0x00, 0x02, speed, 0x00}); // right
        pan.wait(1.0);
        EXPECT_NEAR(pan.at().pan, VirtualCamera::panRate(speed), 1e-9) << int(speed);
        EXPECT_GT(pan.at().pan, lastPan) << int(speed);
        lastPan = pan.at().pan;

        Script tilt;
        tilt.send({0x00, 0x10, 0x00, BYTE(std::min<int>(speed, 0x3F))}); // down
        tilt.wait(1.0);
        if (speed <= 0x3F) {
            EXPECT_NEAR(tilt.at().tilt, -VirtualCamera::tiltRate(speed), 1e-9) << int(speed);
            EXPECT_GT(-tilt.at().tilt, lastTilt) << int(speed);
            lastTilt = -tilt.at().tilt;
        }
    }
    EXPECT_EQ(VirtualCamera::panRate(0xFF), VirtualCamera::turboSpeed);
}

TEST(VirtualCamera, DiagonalsMoveBothAxesEachAtItsSpeed)
{
    struct Row
    {
        BYTE command2;
        double panSign, tiltSign;
    };
    for (const Row &row :
         {Row{0x0C, -1, +1}, Row{0x0A, +1, +1}, Row{0x14, -1, -1}, Row{0x12, +1, -1}}) {
        Script s;
        s.send({0x00, row.command2, 10, 20});
        s.wait(0.04, 4); // short of the upper stop at 5 degrees
        EXPECT_NEAR(panDelta(0, s.at().pan), row.panSign * VirtualCamera::panRate(10) * 0.04, 1e-9)
            << int(row.command2);
        EXPECT_NEAR(s.at().tilt, row.tiltSign * VirtualCamera::tiltRate(20) * 0.04, 1e-9)
            << int(row.command2);
    }
}

TEST(VirtualCamera, PositionValuesFollowTheCamerasConventions)
{
    struct Tilt
    {
        std::uint16_t value;
        std::optional<double> tilt;
    };
    for (const Tilt &row :
         {Tilt{0, 0.0}, Tilt{1234, -12.34}, Tilt{9000, -90.0}, Tilt{9001, -90.0},
          Tilt{18000, -90.0}, Tilt{18001, 5.0}, Tilt{35500, 5.0}, Tilt{35999, 0.01},
          Tilt{36000, std::nullopt}, Tilt{65535, std::nullopt}}) {
        const auto tilt = VirtualCamera::tiltFromValue(row.value);
        ASSERT_EQ(tilt.has_value(), row.tilt.has_value()) << row.value;
        if (tilt) {
            EXPECT_NEAR(*tilt, *row.tilt, 1e-9) << row.value;
        }
    }
    EXPECT_EQ(VirtualCamera::tiltValue(0.0), 0);
    EXPECT_EQ(VirtualCamera::tiltValue(-12.34), 1234);
    EXPECT_EQ(VirtualCamera::tiltValue(-90.0), 9000);
    EXPECT_EQ(VirtualCamera::tiltValue(5.0), 35500);
    EXPECT_EQ(VirtualCamera::tiltValue(0.001), 0);

    EXPECT_EQ(VirtualCamera::panFromValue(9000), 90.0);
    EXPECT_EQ(VirtualCamera::panFromValue(35999), 359.99);
    EXPECT_EQ(VirtualCamera::panFromValue(36000), std::nullopt);
    EXPECT_EQ(VirtualCamera::panValue(90.0), 9000);
    EXPECT_EQ(VirtualCamera::panValue(359.996), 0); // rounds to a full turn: 0

    EXPECT_EQ(VirtualCamera::zoomFromValue(0), VirtualCamera::minZoom);
    EXPECT_EQ(VirtualCamera::zoomFromValue(65535), VirtualCamera::maxZoom);
    for (std::uint16_t value : {0, 1, 12345, 40000, 65534, 65535})
        EXPECT_EQ(VirtualCamera::zoomValue(VirtualCamera::zoomFromValue(value)), value);
}

TEST(VirtualCamera, GoesToAbsolutePositionsAtTopSpeed)
{
    Script s;
    s.send(extended(0x4B, 9000)); // pan 90.00
    EXPECT_TRUE(s.camera.moving());
    s.wait(0.5, 5);
    EXPECT_NEAR(s.at().pan, VirtualCamera::turboSpeed * 0.5, 1e-9);
    s.wait(1.0);
    EXPECT_EQ(s.at().pan, 90.0);
    EXPECT_FALSE(s.camera.moving());

    // Pan the short way round, and tilt in the same trip when the two come back to back.
    s.send(extended(0x4B, 35000)); // 350.00
    s.send(extended(0x4D, 1234));  // 12.34 down
    s.wait(0.1, 2);
    EXPECT_NEAR(s.at().pan, 90.0 - 12.0, 1e-9);
    EXPECT_NEAR(s.at().tilt, -VirtualCamera::topSpeed * 0.1, 1e-9);
    s.wait(2.0, 20);
    EXPECT_EQ(s.at().pan, 350.0);
    EXPECT_NEAR(s.at().tilt, -12.34, 1e-9);

    s.send(extended(0x4F, 65535)); // the long end of the lens
    s.wait(5.0, 50);
    EXPECT_EQ(s.at().zoom, VirtualCamera::maxZoom);
    EXPECT_EQ(s.at().focus, 50.0); // manual focus stays where it was

    // A motion frame ends the trip where it is.
    s.send(extended(0x4B, 18000));
    s.wait(0.25, 5);
    s.send(PtzCommands::stop);
    s.wait(1.0);
    EXPECT_NEAR(s.at().pan, 350.0 - 30.0, 1e-9);

    // Values no pan or tilt has are refused, and nothing moves.
    for (const PtzCommand &c : {extended(0x4B, 36000), extended(0x4D, 40000)}) {
        const auto reaction = s.camera.apply(command(c));
        EXPECT_FALSE(reaction.acted);
        EXPECT_NE(reaction.note.find("is beyond 35999"), std::string::npos) << reaction.note;
    }
    EXPECT_FALSE(s.camera.moving());
}

TEST(VirtualCamera, FlipTurnsHalfRoundAndZeroPanGoesToPanZero)
{
    Script s;
    s.send(PtzCommands::right);
    s.wait(0.5); // pan 30
    s.send(PtzCommands::down);
    s.wait(0.25); // tilt -15
    s.send(PtzCommands::gotoPreset(33));
    s.wait(0.5, 5);
    EXPECT_NEAR(panDelta(30.0, s.at().pan), 60.0, 1e-9); // at top speed, one way round
    s.wait(2.0, 20);
    EXPECT_NEAR(s.at().pan, 210.0, 1e-9);
    EXPECT_NEAR(s.at().tilt, -15.0, 1e-9);
    EXPECT_FALSE(s.camera.moving());

    s.send(PtzCommands::setPreset(34)); // storing it changes nothing of what 34 means
    s.send(PtzCommands::gotoPreset(34));
    s.wait(3.0, 30);
    EXPECT_EQ(s.at().pan, 0.0);
    EXPECT_NEAR(s.at().tilt, -15.0, 1e-9);
}

TEST(VirtualCamera, KeepsItsAuxiliariesAndPowerAndShowsThem)
{
    Script s;
    s.send(extended(0x09, 0, 3));
    s.send(extended(0x09, 0, 8));
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()),
              "pan 0.0 tilt 0.0 zoom 1.0x focus 50 aux 3,8");
    s.send(extended(0x0B, 0, 3));
    s.send({0x08, 0x00, 0x00, 0x00}); // camera off
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()),
              "pan 0.0 tilt 0.0 zoom 1.0x focus 50 off aux 8");
    EXPECT_EQ(s.camera.state().auxiliary, (std::array<bool, 8>{0, 0, 0, 0, 0, 0, 0, 1}));
    for (BYTE aux : {0, 9, 255}) {
        const auto reaction = s.camera.apply(command(extended(0x09, 0, aux)));
        EXPECT_FALSE(reaction.acted) << int(aux);
        EXPECT_EQ(reaction.note, "no auxiliary " + std::to_string(aux) + " (1 to 8)");
    }

    // A remote reset starts the camera afresh but keeps where it is and its presets.
    s.send(extended(0x25, 0, 1));
    s.send(PtzCommands::right);
    s.wait(0.5);
    s.send(PtzCommands::setPreset(2));
    s.send(PtzCommands::zoomTele);
    s.send(extended(0x0F));
    EXPECT_FALSE(s.camera.moving());
    EXPECT_EQ(VirtualCamera::describe(s.camera.state()), "pan 30.0 tilt 0.0 zoom 1.0x focus 50");
    EXPECT_EQ(s.camera.state().zoomSpeed, 3);
    EXPECT_TRUE(s.camera.preset(2));
}

TEST(VirtualCamera, LensSpeedsAndAutoFocusAndIris)
{
    Script s;
    s.send(extended(0x25, 0, 1)); // zoom speed 1: doubling every two seconds
    s.send(PtzCommands::zoomTele);
    s.wait(2.0);
    EXPECT_NEAR(s.at().zoom, 2.0, 1e-9);
    s.send(extended(0x27, 0, 0)); // focus speed 0: a quarter of the rate
    s.send(PtzCommands::focusFar);
    s.wait(1.0);
    EXPECT_NEAR(s.at().focus, 50.0 + VirtualCamera::lensRate / 4, 1e-9);
    EXPECT_FALSE(s.camera.apply(command(extended(0x25, 0, 4))).acted);

    // Auto focus on: sharp for the zoom, whatever the focus frames say.
    s.send(extended(0x25, 0, 3));
    s.send(extended(0x27, 0, 3));
    s.send(extended(0x2B, 0, 1));
    s.send(PtzCommands::focusNear);
    s.wait(3.0);
    EXPECT_NEAR(s.at().focus, VirtualCamera::sharpFocus(s.at().zoom), 1e-9);
    s.send(PtzCommands::zoomTele);
    s.wait(1.0, 20);
    s.send(PtzCommands::stop);
    s.wait(2.0);
    EXPECT_NEAR(s.at().zoom, 4.0, 1e-9);
    EXPECT_NEAR(s.at().focus, VirtualCamera::sharpFocus(4.0), 1e-9);
    EXPECT_FALSE(s.camera.moving());

    // Auto: a focus frame takes over while it runs, then the camera focuses again.
    s.send(extended(0x2B, 0, 0));
    s.send(PtzCommands::focusNear);
    s.wait(1.0);
    EXPECT_NEAR(s.at().focus, VirtualCamera::sharpFocus(4.0) - VirtualCamera::lensRate, 1e-9);
    s.send(PtzCommands::stop);
    s.wait(2.0);
    EXPECT_NEAR(s.at().focus, VirtualCamera::sharpFocus(4.0), 1e-9);

    // Auto iris on brings the iris back to the right exposure; off leaves it to the operator.
    s.send(PtzCommands::stop);
    s.send({0x02, 0x00, 0x00, 0x00}); // iris open
    s.wait(1.0);
    EXPECT_NEAR(s.camera.state().iris, 75.0, 1e-9);
    s.send(extended(0x2D, 0, 1));
    s.wait(2.0);
    EXPECT_EQ(s.camera.state().iris, VirtualCamera::rightIris);
    s.send(extended(0x2D, 0, 2));
    s.send({0x04, 0x00, 0x00, 0x00}); // iris close
    s.wait(1.0);
    EXPECT_NEAR(s.camera.state().iris, 25.0, 1e-9);
    EXPECT_FALSE(s.camera.apply(command(extended(0x2B, 0, 3))).acted);
}

TEST(VirtualCamera, AnswersQueriesWithItsPositionAndOtherCommandsAsAskedTo)
{
    using Replies = VirtualCamera::Replies;
    auto bytes = [](const auto &array) { return std::vector<BYTE>(array.begin(), array.end()); };
    for (Replies replies : {Replies::None, Replies::Queries, Replies::All}) {
        VirtualCamera camera(37, replies);
        const PelcoCommand panTo = command(37, extended(0x4B, 1250));
        ASSERT_TRUE(camera.apply(panTo).acted);
        camera.advance(1.0);
        const PelcoCommand tiltTo = command(37, extended(0x4D, 35600));
        const auto tiltReaction = camera.apply(tiltTo);
        camera.advance(1.0);
        const PelcoCommand zoomTo = command(37, extended(0x4F, 40000));
        camera.apply(zoomTo);
        camera.advance(5.0);

        const auto pan = camera.apply(command(37, extended(0x51)));
        const auto tilt = camera.apply(command(37, extended(0x53)));
        const auto zoom = camera.apply(command(37, extended(0x55)));
        if (replies == Replies::None) {
            EXPECT_TRUE(pan.acted);
            EXPECT_TRUE(pan.reply.empty() && tilt.reply.empty() && zoom.reply.empty());
            EXPECT_TRUE(tiltReaction.reply.empty());
            continue;
        }
        EXPECT_EQ(pan.reply, bytes(extendedResponse(37, PelcoReply::Kind::PanPosition, 1250)));
        EXPECT_EQ(tilt.reply, bytes(extendedResponse(37, PelcoReply::Kind::TiltPosition, 35600)));
        EXPECT_EQ(zoom.reply, bytes(extendedResponse(37, PelcoReply::Kind::ZoomPosition, 40000)));
        if (replies == Replies::Queries) {
            EXPECT_TRUE(tiltReaction.reply.empty());
        } else {
            EXPECT_EQ(tiltReaction.reply, bytes(generalResponse(37, tiltTo.checksum, 0)));
        }
        // Nothing goes back for what the camera did not take, or in Pelco P.
        for (const PelcoCommand &c :
             {command(36, extended(0x51)), command(37, {0x00, 0x15, 0x00, 0x00}),
              command(37, PtzCommands::gotoPreset(9)),
              decodePelco(extendedResponse(37, PelcoReply::Kind::PanPosition, 0)),
              commandP(37, {0x00, 0x08, 0x00, 0x14})})
            EXPECT_TRUE(camera.apply(c).reply.empty()) << describe(c);
    }
}

TEST(VirtualCamera, AcceptsTheCommandsItHasNoUseFor)
{
    VirtualCamera camera;
    for (BYTE code : {0x11, 0x13, 0x17, 0x19, 0x1B, 0x1D, 0x1F, 0x21, 0x23}) {
        const auto reaction = camera.apply(command(extended(code, 0, 1)));
        EXPECT_TRUE(reaction.acted) << int(code);
        EXPECT_EQ(reaction.note, "no effect on this camera");
    }
    EXPECT_FALSE(camera.moving());
}

TEST(VirtualCamera, ActsOnPelcoPCommandsAsOnPelcoD)
{
    VirtualCamera camera(0, VirtualCamera::Replies::All);
    EXPECT_FALSE(camera.apply(commandP(1, {0x00, 0x02, 0x40, 0x00})).forThisCamera);
    EXPECT_TRUE(camera.apply(commandP(0, {0x00, 0x02, 0x40, 0x00})).reply.empty()); // right turbo
    camera.advance(0.5);
    EXPECT_NEAR(camera.state().position.pan, VirtualCamera::turboSpeed * 0.5, 1e-9);
    camera.apply(commandP(0, {0x01, 0x00, 0x00, 0x00})); // focus far
    camera.advance(1.0);
    EXPECT_NEAR(camera.state().position.pan, VirtualCamera::turboSpeed * 0.5, 1e-9);
    EXPECT_NEAR(camera.state().position.focus, 75.0, 1e-9);
    camera.apply(commandP(0, {0x10, 0x00, 0x00, 0x00})); // camera off
    EXPECT_FALSE(camera.state().powerOn);
    camera.apply(commandP(0, {0x00, 0x07, 0x00, 33})); // flip
    camera.advance(2.0);
    EXPECT_NEAR(camera.state().position.pan, 240.0, 1e-9);
    EXPECT_FALSE(camera.apply(commandP(0, {0x00, 0x09, 0x00, 0x01})).acted); // no agreed code
}

} // namespace

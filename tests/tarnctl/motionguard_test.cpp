// Which frames leave a camera moving, from the bytes on the line, and the stop frame owed.
#include "motionguard.h"
#include "textrows.h"

#include <gtest/gtest.h>

using pelco::Protocol;

namespace {

TEST(MotionGuard, KnowsFromTheFramesSentWhetherTheCameraIsMoving)
{
    struct Row
    {
        Protocol protocol;
        std::vector<std::string> frames; // sent in this order
        bool moving;
    };
    const auto D = Protocol::PelcoD, P = Protocol::PelcoP;
    for (const Row &row : {
             Row{D, {}, false}, Row{D, {"FF 01 00 02 14 00 17"}, true},       // right 20
             Row{D, {"FF 01 00 10 00 00 11"}, true},                          // tilt down, speed 0
             Row{D, {"FF 01 00 40 00 00 41"}, true},                          // zoom wide
             Row{D, {"FF 01 00 80 00 00 81"}, true},                          // focus far
             Row{D, {"FF 01 01 00 00 00 02"}, true},                          // focus near
             Row{D, {"FF 01 02 00 00 00 03"}, true},                          // iris open
             Row{D, {"FF 01 04 00 00 00 05"}, true},                          // iris close
             Row{D, {"FF 01 90 00 00 00 91"}, true},                          // auto scan
             Row{D, {"FF 01 90 00 00 00 91", "FF 01 10 00 00 00 11"}, false}, // manual scan
             Row{D, {"FF 01 00 02 14 00 17", "FF 01 00 00 00 00 01"}, false}, // stop
             Row{D, {"FF 01 00 02 14 00 17", "FF 01 88 00 00 00 89"}, false}, // camera on
             // Extended commands leave the motion running.
             Row{D, {"FF 01 00 02 14 00 17", "FF 01 00 51 00 00 52"}, true}, // query pan
             Row{D, {"FF 01 00 02 14 00 17", "FF 01 00 09 00 03 0D"}, true}, // aux on 3
             Row{D, {"FF 01 00 07 00 05 0D"}, false},                        // goto 5
             Row{D, {"FF 01 00 4B 23 28 97"}, false},                        // pan to 90°
             Row{P, {"A0 00 00 02 40 00 AF 4D"}, true},                      // right turbo
             Row{P, {"A0 00 01 00 00 00 AF 0E"}, true},                      // focus far
             Row{P, {"A0 00 00 02 40 00 AF 4D", "A0 00 00 00 00 00 AF 0F"}, false},
             Row{P, {"A0 00 00 02 40 00 AF 4D", "A0 00 00 07 00 01 AF 09"}, true}, // goto 1
         }) {
        SCOPED_TRACE(row.frames.empty() ? "none" : row.frames.back());
        MotionGuard guard(row.protocol, row.protocol == D ? 1 : 0);
        for (const std::string &frame : row.frames)
            guard.sent(bytesFromHex(frame));
        EXPECT_EQ(guard.moving(), row.moving);
    }
}

TEST(MotionGuard, OwesTheStopInItsProtocolToItsAddress)
{
    EXPECT_EQ(MotionGuard(Protocol::PelcoD, 1).stopFrame(), bytesFromHex("FF 01 00 00 00 00 01"));
    EXPECT_EQ(MotionGuard(Protocol::PelcoD, 200).stopFrame(), bytesFromHex("FF C8 00 00 00 00 C8"));
    EXPECT_EQ(MotionGuard(Protocol::PelcoP, 0).stopFrame(),
              bytesFromHex("A0 00 00 00 00 00 AF 0F"));
    EXPECT_EQ(MotionGuard(Protocol::PelcoP, 7).stopFrame(),
              bytesFromHex("A0 07 00 00 00 00 AF 08"));
}

} // namespace

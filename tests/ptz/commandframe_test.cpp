#include "commandframe.h"
#include "commands.h"
#include "hex.h"

#include <gtest/gtest.h>

#include <bit>

namespace {

struct FrameCase
{
    const char *name; // the expected hex, as the row's name
    BYTE address;
    PtzCommand command;
};

class FrameTable : public testing::TestWithParam<FrameCase>
{};

TEST_P(FrameTable, BytesOnTheLine)
{
    const FrameCase &c = GetParam();
    const CommandFrame frame = makeFrame(c.address, c.command.command1, c.command.command2,
                                         c.command.data1, c.command.data2);
    EXPECT_EQ(pelco::toHex(frame.bytes()), c.name);
}

std::string rowName(const testing::TestParamInfo<FrameCase> &info)
{
    std::string name = info.param.name;
    for (char &ch : name)
        if (ch == ' ')
            ch = '_';
    return name;
}

INSTANTIATE_TEST_SUITE_P(
    Address1, FrameTable,
    testing::Values(FrameCase{"FF 01 00 00 00 00 01", 1, PtzCommands::stop},
                    FrameCase{"FF 01 00 20 00 00 21", 1, PtzCommands::zoomTele},
                    FrameCase{"FF 01 00 40 00 00 41", 1, PtzCommands::zoomWide},
                    FrameCase{"FF 01 00 80 00 00 81", 1, PtzCommands::focusFar},
                    FrameCase{"FF 01 01 00 00 00 02", 1, PtzCommands::focusNear},
                    FrameCase{"FF 01 00 08 00 3F 48", 1, PtzCommands::up},
                    FrameCase{"FF 01 00 10 00 3F 50", 1, PtzCommands::down},
                    FrameCase{"FF 01 00 04 3F 00 44", 1, PtzCommands::left},
                    FrameCase{"FF 01 00 02 3F 00 42", 1, PtzCommands::right},
                    FrameCase{"FF 01 00 03 00 01 05", 1, PtzCommands::setPreset(1)},
                    FrameCase{"FF 01 00 07 00 01 09", 1, PtzCommands::gotoPreset(1)},
                    FrameCase{"FF 01 00 05 00 01 07", 1, PtzCommands::clearPreset(1)}),
    rowName);

INSTANTIATE_TEST_SUITE_P(
    Wrap, FrameTable,
    testing::Values(FrameCase{"FF FF 00 80 00 00 7F", 255, PtzCommands::focusFar},
                    FrameCase{"FF C8 00 07 00 82 51", 200, PtzCommands::gotoPreset(130)},
                    FrameCase{"FF FF 00 07 00 FF 05", 255, PtzCommands::gotoPreset(255)},
                    FrameCase{"FF 00 00 00 00 00 00", 0, PtzCommands::stop},
                    FrameCase{"FF 00 00 03 00 00 03", 0, PtzCommands::setPreset(0)},
                    FrameCase{"FF 7B 00 08 00 3F C2", 123, PtzCommands::up}),
    rowName);

TEST(ComputeChecksum, IsTheSumModulo256)
{
    EXPECT_EQ(ComputeChecksum(0, 0, 0, 0, 0), 0x00);
    EXPECT_EQ(ComputeChecksum(255, 255, 255, 255, 255), (5 * 255) % 256);
    EXPECT_EQ(ComputeChecksum(1, 0, 0x08, 0, 0x3F), 0x48);
    EXPECT_EQ(ComputeChecksum(0x80, 0, 0x80, 0, 0), 0x00);
}

TEST(CommandTable, EveryMotionSetsExactlyOneFunctionBit)
{
    for (const PtzCommand &command :
         {PtzCommands::zoomTele, PtzCommands::zoomWide, PtzCommands::focusFar,
          PtzCommands::focusNear, PtzCommands::up, PtzCommands::down, PtzCommands::left,
          PtzCommands::right}) {
        const unsigned bits = (unsigned{command.command1} << 8) | command.command2;
        EXPECT_EQ(std::popcount(bits), 1) << bits;
        EXPECT_EQ(command.command1 & 0xFE, 0) << bits;
    }
}

} // namespace

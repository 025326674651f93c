#include "commandframe.h"
#include "commands.h"
#include "runprocess.h"

#include <gtest/gtest.h>

namespace {

ProcessResult tarnctl(const std::vector<std::string> &args)
{
    return runProcess(TARNCTL_PATH, args);
}

TEST(TarnctlFrame, PrintsTheFrameOfEveryActionAtEveryAddress)
{
    // Every motion at a few addresses, checked against the frame the core builds.
    for (const auto &action : motionActions()) {
        for (int address : {0, 1, 2, 127, 200, 255}) {
            const PtzCommand &c = action.command;
            const std::string expected =
                toHex(makeFrame(BYTE(address), c.command1, c.command2, c.data1, c.data2)) + "\n";
            const auto r =
                tarnctl({"frame", std::string(action.name), "--address", std::to_string(address)});
            EXPECT_EQ(r.status, 0) << action.name << " " << address << r.err;
            EXPECT_EQ(r.out, expected) << action.name << " " << address;
            EXPECT_EQ(r.err, "");
        }
    }
}

TEST(TarnctlFrame, KnownAnswers)
{
    struct Row
    {
        std::vector<std::string> args;
        const char *out;
    };
    for (const Row &row : {
             Row{{"frame", "up"}, "FF 01 00 08 00 3F 48\n"},
             Row{{"frame", "stop", "--address", "0"}, "FF 00 00 00 00 00 00\n"},
             Row{{"frame", "--address=255", "focus-far"}, "FF FF 00 80 00 00 7F\n"},
             Row{{"frame", "goto", "130", "--address", "200"}, "FF C8 00 07 00 82 51\n"},
             Row{{"frame", "set", "1"}, "FF 01 00 03 00 01 05\n"},
             Row{{"frame", "clear", "255", "--address", "16"}, "FF 10 00 05 00 FF 14\n"},
             Row{{"frame", "goto", "0"}, "FF 01 00 07 00 00 08\n"},
         }) {
        const auto r = tarnctl(row.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out);
    }
}

TEST(TarnctlFrame, BadInputExitsWith2AndNamesTheValue)
{
    struct Row
    {
        std::vector<std::string> args;
        const char *mentions;
    };
    for (const Row &row : {
             Row{{"frame", "up", "--address", "256"}, "'256'"},
             Row{{"frame", "up", "--address", "-1"}, "'-1'"},
             Row{{"frame", "up", "--address", "0x10"}, "'0x10'"},
             Row{{"frame", "up", "--address", ""}, "''"},
             Row{{"frame", "up", "--address", " 5"}, "' 5'"},
             Row{{"frame", "up", "--address", "+5"}, "'+5'"},
             Row{{"frame", "goto", "300"}, "'300'"},
             Row{{"frame", "goto", "-1"}, "'-1'"},
             Row{{"frame", "set", "abc"}, "'abc'"},
             Row{{"frame", "goto"}, "'goto'"},
             Row{{"frame", "clear"}, "'clear'"},
             Row{{"frame", "jump"}, "'jump'"},
             Row{{"frame", "UP"}, "'UP'"},
             Row{{"frame"}, "no action"},
             Row{{"frame", "up", "down"}, "'down'"},
             Row{{"frame", "up", "--speed", "3"}, "speed"},
             Row{{"frobnicate"}, "'frobnicate'"},
         }) {
        const auto r = tarnctl(row.args);
        EXPECT_EQ(r.status, 2) << row.args.back();
        EXPECT_EQ(r.out, "");
        EXPECT_NE(r.err.find(row.mentions), std::string::npos) << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    }
}

TEST(TarnctlFrame, HelpDocumentsActionsAndAddress)
{
    const auto r = tarnctl({"frame", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const char *word : {"Usage: tarnctl frame", "--address", "zoom-tele", "focus-near",
                             "goto N", "clear N", "0 to 255", "2 for a bad command line"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
}

} // namespace

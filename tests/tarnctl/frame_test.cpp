#include "actionwords.h"
#include "commandframe.h"
#include "tarnctltest.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <set>

namespace {

ProcessResult tarnctl(const std::vector<std::string> &args)
{
    return runTarnctl(args);
}

// Every action, with arguments where it takes them.
const char *const kEveryAction[] = {
    "stop",
    "up",
    "down 0",
    "left turbo",
    "right 17",
    "zoom-tele",
    "zoom-wide",
    "focus-far",
    "focus-near",
    "up-left",
    "up-right 9",
    "down-left turbo 4",
    "down-right 63 62",
    "iris-open",
    "iris-close",
    "camera-on",
    "camera-off",
    "auto-scan",
    "manual-scan",
    "goto 130",
    "set 0",
    "clear 255",
    "flip",
    "zero-pan",
    "aux-on 8",
    "aux-off 1",
    "reset",
    "pattern-start",
    "pattern-stop",
    "pattern-run",
    "zoom-speed 3",
    "focus-speed 0",
    "auto-focus off",
    "auto-iris auto",
    "pan-to 359.99",
    "tilt-to 65535",
    "zoom-to 40000",
    "query-pan",
    "query-tilt",
    "query-zoom",
};

TEST(TarnctlFrame, PrintsTheFrameOfEveryActionInBothProtocols)
{
    std::set<std::string> covered;
    const int addresses[] = {0, 1, 31, 255};
    int n = 0;
    for (const char *words : kEveryAction) {
        covered.insert(splitWords(words).front());
        for (const Protocol protocol : {Protocol::PelcoD, Protocol::PelcoP}) {
            const int address = addresses[n++ % 4];
            const auto list = splitWords(words);
            std::vector<std::string> args{"frame", "--protocol",
                                          protocol == Protocol::PelcoD ? "d" : "p"};
            args.insert(args.end(), list.begin(), list.end());
            args.insert(args.end(), {"--address", std::to_string(address)});
            const auto r = tarnctl(args);
            SCOPED_TRACE(std::string(words) + " in " + std::string(protocolName(protocol)));
            const ActionSpec *action = findAction(list.front());
            ASSERT_NE(action, nullptr);
            if (protocol == Protocol::PelcoP && !action->pelcoP) {
                EXPECT_EQ(r.status, 2);
                EXPECT_EQ(r.out, "");
                EXPECT_EQ(r.err, "tarnctl: '" + list.front() +
                                     "': Pelco P has no such command (it is Pelco D only)\n");
                continue;
            }
            const auto steps = parseActionWords(list, protocol, false);
            const auto frame = frameBytes(protocol, BYTE(address), steps.at(0).payload);
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, toHex(frame.data(), frame.size()) + "\n");
            EXPECT_EQ(r.err, "");
        }
    }
    std::set<std::string> table;
    for (const ActionSpec &action : actionTable())
        table.insert(std::string(action.name));
    EXPECT_EQ(covered, table);
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
             Row{{"frame", "up", "20"}, "FF 01 00 08 00 14 1D\n"},
             Row{{"frame", "up-left", "10", "20"}, "FF 01 00 0C 0A 14 2B\n"},
             Row{{"frame", "right", "turbo"}, "FF 01 00 02 FF 00 02\n"},
             Row{{"frame", "camera-on"}, "FF 01 88 00 00 00 89\n"},
             Row{{"frame", "pan-to", "90"}, "FF 01 00 4B 23 28 97\n"},
             Row{{"frame", "query-pan"}, "FF 01 00 51 00 00 52\n"},
             Row{{"frame", "--protocol", "d", "up", "20"}, "FF 01 00 08 00 14 1D\n"},
             Row{{"frame", "--protocol", "p", "up", "20", "--address", "0"},
                 "A0 00 00 08 00 14 AF 13\n"},
             Row{{"frame", "--protocol=p", "focus-far"}, "A0 01 01 00 00 00 AF 0F\n"},
             Row{{"frame", "goto", "1", "--protocol", "p"}, "A0 01 00 07 00 01 AF 08\n"},
             Row{{"frame", "--protocol", "p", "right", "turbo", "--address", "31"},
                 "A0 1F 00 02 40 00 AF 52\n"},
             Row{{"frame", "--protocol", "p", "goto", "169"}, "A0 01 00 07 00 A9 AF A0\n"},
             Row{{"frame", "--protocol", "p", "goto", "166"}, "A0 01 00 07 00 A6 AF AF\n"},
         }) {
        const auto r = tarnctl(row.args);
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, row.out) << row.args[1];
    }
}

TEST(TarnctlFrame, BadInputExitsWith2AndNamesTheValue)
{
    expectRefused({
        {{"frame", "up", "--address", "256"}, "'256'"},
        {{"frame", "up", "--address", "-1"}, "'-1'"},
        {{"frame", "up", "--address", "0x10"}, "'0x10'"},
        {{"frame", "up", "--address", ""}, "''"},
        {{"frame", "up", "--address", " 5"}, "' 5'"},
        {{"frame", "up", "--address", "+5"}, "'+5'"},
        {{"frame", "goto", "300"}, "'300'"},
        {{"frame", "goto", "-1"}, "'-1'"},
        {{"frame", "set", "abc"}, "'abc'"},
        {{"frame", "goto"}, "'goto'"},
        {{"frame", "clear"}, "'clear'"},
        {{"frame", "jump"}, "'jump'"},
        {{"frame", "UP"}, "'UP'"},
        {{"frame"}, "no action"},
        {{"frame", "up", "--speed", "3"}, "speed"},
        {{"frobnicate"}, "'frobnicate'"},
        {{"frame", "up", "64"}, "invalid tilt speed '64'"},
        {{"frame", "up", "-5"}, "'-5'"},
        {{"frame", "up", "turbo"}, "turbo is for pan speeds only"},
        {{"frame", "left", "fast"}, "'fast'"},
        {{"frame", "up", "20", "30"}, "unexpected argument '30'"},
        {{"frame", "up-left", "10", "20", "30"}, "'30'"},
        {{"frame", "aux-on", "9"}, "invalid auxiliary number '9'"},
        {{"frame", "zoom-speed", "4"}, "invalid lens speed '4'"},
        {{"frame", "auto-focus", "maybe"}, "'maybe'"},
        {{"frame", "pan-to", "360"}, "invalid degrees '360'"},
        {{"frame", "tilt-to", "65536"}, "'65536'"},
        {{"frame", "wait", "2"}, "'wait' is only for send"},
        {{"frame", "--protocol", "x", "up"}, "invalid protocol 'x'"},
        {{"frame", "--protocol", "P", "up"}, "invalid protocol 'P'"},
        {{"frame", "--protocol", "p", "aux-on", "1"}, "Pelco P has no such command"},
        {{"frame", "--protocol", "p", "query-pan"}, "'query-pan'"},
        {{"frame", "--protocol", "p", "pan-to", "90"}, "'pan-to'"},
    });
}

TEST(TarnctlFrame, HelpListsEveryActionWithItsArguments)
{
    const auto r = tarnctl({"frame", "--help"});
    EXPECT_EQ(r.status, 0);
    for (const ActionSpec &action : actionTable())
        EXPECT_NE(r.out.find("  " + std::string(action.usage) + "  "), std::string::npos)
            << action.usage;
    for (const char *word :
         {"Usage: tarnctl frame", "--address", "--protocol", "0 to 255", "turbo", "0 to 63",
          "Pelco D only", "switch address minus one", "2 for a bad command line"})
        EXPECT_NE(r.out.find(word), std::string::npos) << word;
    EXPECT_EQ(r.out.find("wait SECONDS"), std::string::npos) << "a pause is for send only";
}

} // namespace

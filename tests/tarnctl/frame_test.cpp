#include "actionwords.h"
#include "tarnctltest.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

using namespace pelco;

namespace {

ProcessResult tarnctl(const std::vector<std::string> &args)
{
    return runTarnctl(args);
}

// The frame of every action in each dialect, at addresses 0, 1, 31 and 255 in turn, worked out
// from the protocol documents; nullptr where the dialect has no such command.
struct Expected
{
    int address;
    const char *frame;
};
struct EveryActionRow
{
    const char *words;
    std::array<Expected, protocolCount> in; // Pelco D, Pelco P
};
const EveryActionRow kEveryAction[] = {
    {"stop", {{{0, "FF 00 00 00 00 00 00"}, {1, "A0 01 00 00 00 00 AF 0E"}}}},
    {"up", {{{31, "FF 1F 00 08 00 3F 66"}, {255, "A0 FF 00 08 00 3F AF C7"}}}},
    {"down 0", {{{0, "FF 00 00 10 00 00 10"}, {1, "A0 01 00 10 00 00 AF 1E"}}}},
    {"left turbo", {{{31, "FF 1F 00 04 FF 00 22"}, {255, "A0 FF 00 04 40 00 AF B4"}}}},
    {"right 17", {{{0, "FF 00 00 02 11 00 13"}, {1, "A0 01 00 02 11 00 AF 1D"}}}},
    {"zoom-tele", {{{31, "FF 1F 00 20 00 00 3F"}, {255, "A0 FF 00 20 00 00 AF D0"}}}},
    {"zoom-wide", {{{0, "FF 00 00 40 00 00 40"}, {1, "A0 01 00 40 00 00 AF 4E"}}}},
    {"focus-far", {{{31, "FF 1F 00 80 00 00 9F"}, {255, "A0 FF 01 00 00 00 AF F1"}}}},
    {"focus-near", {{{0, "FF 00 01 00 00 00 01"}, {1, "A0 01 02 00 00 00 AF 0C"}}}},
    {"up-left", {{{31, "FF 1F 00 0C 3F 3F A9"}, {255, "A0 FF 00 0C 3F 3F AF FC"}}}},
    {"up-right 9", {{{0, "FF 00 00 0A 09 09 1C"}, {1, "A0 01 00 0A 09 09 AF 04"}}}},
    {"down-left turbo 4", {{{31, "FF 1F 00 14 FF 04 36"}, {255, "A0 FF 00 14 40 04 AF A0"}}}},
    {"down-right 63 62", {{{0, "FF 00 00 12 3F 3E 8F"}, {1, "A0 01 00 12 3F 3E AF 1D"}}}},
    {"iris-open", {{{31, "FF 1F 02 00 00 00 21"}, {255, "A0 FF 04 00 00 00 AF F4"}}}},
    {"iris-close", {{{0, "FF 00 04 00 00 00 04"}, {1, "A0 01 08 00 00 00 AF 06"}}}},
    {"camera-on", {{{31, "FF 1F 88 00 00 00 A7"}, {255, "A0 FF 50 00 00 00 AF A0"}}}},
    {"camera-off", {{{0, "FF 00 08 00 00 00 08"}, {1, "A0 01 10 00 00 00 AF 1E"}}}},
    {"auto-scan", {{{31, "FF 1F 90 00 00 00 AF"}, {255, nullptr}}}},
    {"manual-scan", {{{0, "FF 00 10 00 00 00 10"}, {1, nullptr}}}},
    {"goto 130", {{{31, "FF 1F 00 07 00 82 A8"}, {255, "A0 FF 00 07 00 82 AF 75"}}}},
    {"set 0", {{{0, "FF 00 00 03 00 00 03"}, {1, "A0 01 00 03 00 00 AF 0D"}}}},
    {"clear 255", {{{31, "FF 1F 00 05 00 FF 23"}, {255, "A0 FF 00 05 00 FF AF 0A"}}}},
    {"flip", {{{0, "FF 00 00 07 00 21 28"}, {1, "A0 01 00 07 00 21 AF 28"}}}},
    {"zero-pan", {{{31, "FF 1F 00 07 00 22 48"}, {255, "A0 FF 00 07 00 22 AF D5"}}}},
    {"aux-on 8", {{{0, "FF 00 00 09 00 08 11"}, {1, nullptr}}}},
    {"aux-off 1", {{{31, "FF 1F 00 0B 00 01 2B"}, {255, nullptr}}}},
    {"reset", {{{0, "FF 00 00 0F 00 00 0F"}, {1, "A0 01 00 0F 00 00 AF 01"}}}},
    {"pattern-start", {{{31, "FF 1F 00 1F 00 00 3E"}, {255, "A0 FF 00 1F 00 00 AF EF"}}}},
    {"pattern-stop", {{{0, "FF 00 00 21 00 00 21"}, {1, "A0 01 00 21 00 00 AF 2F"}}}},
    {"pattern-run", {{{31, "FF 1F 00 23 00 00 42"}, {255, "A0 FF 00 23 00 00 AF D3"}}}},
    {"zoom-speed 3", {{{0, "FF 00 00 25 00 03 28"}, {1, "A0 01 00 25 00 03 AF 28"}}}},
    {"focus-speed 0", {{{31, "FF 1F 00 27 00 00 46"}, {255, "A0 FF 00 27 00 00 AF D7"}}}},
    {"auto-focus off", {{{0, "FF 00 00 2B 00 02 2D"}, {1, nullptr}}}},
    {"auto-iris auto", {{{31, "FF 1F 00 2D 00 00 4C"}, {255, nullptr}}}},
    {"pan-to 359.99", {{{0, "FF 00 00 4B 8C 9F 76"}, {1, nullptr}}}},
    {"tilt-to 65535", {{{31, "FF 1F 00 4D FF FF 6A"}, {255, nullptr}}}},
    {"zoom-to 40000", {{{0, "FF 00 00 4F 9C 40 2B"}, {1, nullptr}}}},
    {"query-pan", {{{31, "FF 1F 00 51 00 00 70"}, {255, nullptr}}}},
    {"query-tilt", {{{0, "FF 00 00 53 00 00 53"}, {1, nullptr}}}},
    {"query-zoom", {{{31, "FF 1F 00 55 00 00 74"}, {255, nullptr}}}},
};

// How --protocol names each dialect.
constexpr std::array<const char *, protocolCount> kFlag{"d", "p"};

TEST(TarnctlFrame, PrintsTheFrameOfEveryActionInBothProtocols)
{
    std::set<std::string> covered;
    for (const EveryActionRow &row : kEveryAction) {
        const auto list = splitWords(row.words);
        covered.insert(list.front());
        for (const Protocol protocol : allProtocols) {
            const Expected &expected = row.in[std::size_t(protocol)];
            std::vector<std::string> args{"frame", "--protocol", kFlag[std::size_t(protocol)]};
            args.insert(args.end(), list.begin(), list.end());
            args.insert(args.end(), {"--address", std::to_string(expected.address)});
            const auto r = tarnctl(args);
            SCOPED_TRACE(std::string(row.words) + " in " + std::string(protocolName(protocol)));
            if (!expected.frame) {
                EXPECT_EQ(r.status, 2);
                EXPECT_EQ(r.out, "");
                EXPECT_EQ(r.err, "tarnctl: '" + list.front() +
                                     "': Pelco P has no such command (it is Pelco D only)\n");
                continue;
            }
            EXPECT_EQ(r.status, 0) << r.err;
            EXPECT_EQ(r.out, std::string(expected.frame) + "\n");
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

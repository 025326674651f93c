#include "actiontable.h"
#include "actionwords.h"
#include "commands.h"
#include "hex.h"
#include "textrows.h"

#include <gtest/gtest.h>

#include <array>
#include <set>

using namespace pelco;

namespace {

std::vector<ActionStep> parse(const std::string &text, Protocol protocol = Protocol::PelcoD,
                              bool allowPause = true)
{
    const auto words = splitWords(text);
    return parseActionWords(words, protocol, allowPause);
}

std::string hex(const std::vector<Byte> &bytes)
{
    return pelco::toHex(bytes.data(), bytes.size());
}

// The frame of one action, read alone, at an address.
std::string frameOf(const std::string &words, Protocol protocol, Byte address)
{
    const auto steps = parse(words, protocol);
    EXPECT_EQ(steps.size(), 1u) << words;
    return hex(frameBytes(protocol, address, steps.at(0).payload));
}

struct Known
{
    const char *words;
    int address;
    std::array<const char *, protocolCount> frame; // Pelco D, Pelco P; nullptr: no such command
};

// Every action, most with and without arguments, at addresses 0, 1, 31 and 255 in turn; then
// the worked examples, and Pelco P checksums that come out as its framing bytes A0 and AF.
const Known kKnown[] = {
    {"stop", 0, "FF 00 00 00 00 00 00", "A0 00 00 00 00 00 AF 0F"},
    {"up", 1, "FF 01 00 08 00 3F 48", "A0 01 00 08 00 3F AF 39"},
    {"up 20", 31, "FF 1F 00 08 00 14 3B", "A0 1F 00 08 00 14 AF 0C"},
    {"up 0", 255, "FF FF 00 08 00 00 07", "A0 FF 00 08 00 00 AF F8"},
    {"down", 0, "FF 00 00 10 00 3F 4F", "A0 00 00 10 00 3F AF 20"},
    {"down 63", 1, "FF 01 00 10 00 3F 50", "A0 01 00 10 00 3F AF 21"},
    {"left", 31, "FF 1F 00 04 3F 00 62", "A0 1F 00 04 3F 00 AF 2B"},
    {"left 10", 255, "FF FF 00 04 0A 00 0D", "A0 FF 00 04 0A 00 AF FE"},
    {"left turbo", 0, "FF 00 00 04 FF 00 03", "A0 00 00 04 40 00 AF 4B"},
    {"right", 1, "FF 01 00 02 3F 00 42", "A0 01 00 02 3F 00 AF 33"},
    {"right turbo", 31, "FF 1F 00 02 FF 00 20", "A0 1F 00 02 40 00 AF 52"},
    {"right 0", 255, "FF FF 00 02 00 00 01", "A0 FF 00 02 00 00 AF F2"},
    {"zoom-tele", 0, "FF 00 00 20 00 00 20", "A0 00 00 20 00 00 AF 2F"},
    {"zoom-wide", 1, "FF 01 00 40 00 00 41", "A0 01 00 40 00 00 AF 4E"},
    {"focus-far", 31, "FF 1F 00 80 00 00 9F", "A0 1F 01 00 00 00 AF 11"},
    {"focus-near", 255, "FF FF 01 00 00 00 00", "A0 FF 02 00 00 00 AF F2"},
    {"up-left", 0, "FF 00 00 0C 3F 3F 8A", "A0 00 00 0C 3F 3F AF 03"},
    {"up-left 10", 1, "FF 01 00 0C 0A 0A 21", "A0 01 00 0C 0A 0A AF 02"},
    {"up-left 10 20", 31, "FF 1F 00 0C 0A 14 49", "A0 1F 00 0C 0A 14 AF 02"},
    {"up-left turbo", 255, "FF FF 00 0C FF 3F 49", "A0 FF 00 0C 40 3F AF 83"},
    {"up-right turbo 5", 0, "FF 00 00 0A FF 05 0E", "A0 00 00 0A 40 05 AF 40"},
    {"down-left 63 0", 1, "FF 01 00 14 3F 00 54", "A0 01 00 14 3F 00 AF 25"},
    {"down-right 1 2", 31, "FF 1F 00 12 01 02 34", "A0 1F 00 12 01 02 AF 01"},
    {"iris-open", 255, "FF FF 02 00 00 00 01", "A0 FF 04 00 00 00 AF F4"},
    {"iris-close", 0, "FF 00 04 00 00 00 04", "A0 00 08 00 00 00 AF 07"},
    {"camera-on", 1, "FF 01 88 00 00 00 89", "A0 01 50 00 00 00 AF 5E"},
    {"camera-off", 31, "FF 1F 08 00 00 00 27", "A0 1F 10 00 00 00 AF 00"},
    {"auto-scan", 255, "FF FF 90 00 00 00 8F", nullptr},
    {"manual-scan", 0, "FF 00 10 00 00 00 10", nullptr},
    {"goto 1", 1, "FF 01 00 07 00 01 09", "A0 01 00 07 00 01 AF 08"},
    {"goto 255", 31, "FF 1F 00 07 00 FF 25", "A0 1F 00 07 00 FF AF E8"},
    {"set 130", 255, "FF FF 00 03 00 82 84", "A0 FF 00 03 00 82 AF 71"},
    {"clear 0", 0, "FF 00 00 05 00 00 05", "A0 00 00 05 00 00 AF 0A"},
    {"flip", 1, "FF 01 00 07 00 21 29", "A0 01 00 07 00 21 AF 28"},
    {"zero-pan", 31, "FF 1F 00 07 00 22 48", "A0 1F 00 07 00 22 AF 35"},
    {"aux-on 1", 255, "FF FF 00 09 00 01 09", nullptr},
    {"aux-off 8", 0, "FF 00 00 0B 00 08 13", nullptr},
    {"reset", 1, "FF 01 00 0F 00 00 10", "A0 01 00 0F 00 00 AF 01"},
    {"pattern-start", 31, "FF 1F 00 1F 00 00 3E", "A0 1F 00 1F 00 00 AF 0F"},
    {"pattern-stop", 255, "FF FF 00 21 00 00 20", "A0 FF 00 21 00 00 AF D1"},
    {"pattern-run", 0, "FF 00 00 23 00 00 23", "A0 00 00 23 00 00 AF 2C"},
    {"zoom-speed 0", 1, "FF 01 00 25 00 00 26", "A0 01 00 25 00 00 AF 2B"},
    {"focus-speed 3", 31, "FF 1F 00 27 00 03 49", "A0 1F 00 27 00 03 AF 34"},
    {"auto-focus on", 255, "FF FF 00 2B 00 01 2B", nullptr},
    {"auto-focus off", 0, "FF 00 00 2B 00 02 2D", nullptr},
    {"auto-focus auto", 1, "FF 01 00 2B 00 00 2C", nullptr},
    {"auto-iris on", 31, "FF 1F 00 2D 00 01 4D", nullptr},
    {"auto-iris off", 255, "FF FF 00 2D 00 02 2E", nullptr},
    {"auto-iris auto", 0, "FF 00 00 2D 00 00 2D", nullptr},
    {"pan-to 90", 1, "FF 01 00 4B 23 28 97", nullptr},
    {"pan-to 0", 31, "FF 1F 00 4B 00 00 6A", nullptr},
    {"pan-to 359.99", 255, "FF FF 00 4B 8C 9F 75", nullptr},
    {"pan-to 12.5", 0, "FF 00 00 4B 04 E2 31", nullptr},
    {"tilt-to 12345", 1, "FF 01 00 4D 30 39 B7", nullptr},
    {"tilt-to 0", 31, "FF 1F 00 4D 00 00 6C", nullptr},
    {"zoom-to 65535", 255, "FF FF 00 4F FF FF 4C", nullptr},
    {"zoom-to 40000", 0, "FF 00 00 4F 9C 40 2B", nullptr},
    {"query-pan", 1, "FF 01 00 51 00 00 52", nullptr},
    {"query-tilt", 31, "FF 1F 00 53 00 00 72", nullptr},
    {"query-zoom", 255, "FF FF 00 55 00 00 54", nullptr},
    {"goto 169", 1, "FF 01 00 07 00 A9 B1", "A0 01 00 07 00 A9 AF A0"},
    {"goto 166", 1, "FF 01 00 07 00 A6 AE", "A0 01 00 07 00 A6 AF AF"},
    {"stop", 175, "FF AF 00 00 00 00 AF", "A0 AF 00 00 00 00 AF A0"},
    {"stop", 160, "FF A0 00 00 00 00 A0", "A0 A0 00 00 00 00 AF AF"},
    {"up 20", 1, "FF 01 00 08 00 14 1D", "A0 01 00 08 00 14 AF 12"},
    {"up-left 10 20", 1, "FF 01 00 0C 0A 14 2B", "A0 01 00 0C 0A 14 AF 1C"},
    {"right turbo", 1, "FF 01 00 02 FF 00 02", "A0 01 00 02 40 00 AF 4C"},
    {"camera-on", 1, "FF 01 88 00 00 00 89", "A0 01 50 00 00 00 AF 5E"},
    {"pan-to 90", 1, "FF 01 00 4B 23 28 97", nullptr},
    {"up 20", 0, "FF 00 00 08 00 14 1C", "A0 00 00 08 00 14 AF 13"},
    {"focus-far", 1, "FF 01 00 80 00 00 81", "A0 01 01 00 00 00 AF 0F"},
    {"goto 1", 1, "FF 01 00 07 00 01 09", "A0 01 00 07 00 01 AF 08"},
};

TEST(ActionTable, KnownFramesInBothProtocols)
{
    for (const Known &k : kKnown) {
        SCOPED_TRACE(std::string(k.words) + " at " + std::to_string(k.address));
        for (const Protocol protocol : allProtocols) {
            SCOPED_TRACE(protocolName(protocol));
            if (const char *frame = k.frame[std::size_t(protocol)]) {
                EXPECT_EQ(frameOf(k.words, protocol, Byte(k.address)), frame);
                continue;
            }
            try {
                parse(k.words, protocol);
                ADD_FAILURE() << "read";
            } catch (const ActionWordError &error) {
                EXPECT_EQ(error.kind(), ActionWordError::Kind::NotInProtocol);
            }
        }
    }
}

// The framing written out once more, apart from the code under test, for each dialect.
using Framing = std::vector<Byte> (*)(int address, const std::vector<Byte> &payload);
const std::array<Framing, protocolCount> kReferenceFraming{
    [](int address, const std::vector<Byte> &p) -> std::vector<Byte> {
        return {0xFF,
                Byte(address),
                p[0],
                p[1],
                p[2],
                p[3],
                Byte((address + p[0] + p[1] + p[2] + p[3]) & 0xFF)};
    },
    [](int address, const std::vector<Byte> &p) -> std::vector<Byte> {
        return {0xA0, Byte(address), p[0], p[1],
                p[2], p[3],          0xAF, Byte(0xA0 ^ address ^ p[0] ^ p[1] ^ p[2] ^ p[3] ^ 0xAF)};
    },
};

TEST(ActionTable, EveryActionFramesAtEveryAddress)
{
    for (const Known &k : kKnown) {
        for (const Protocol protocol : allProtocols) {
            const char *known = k.frame[std::size_t(protocol)];
            if (!known)
                continue;
            const auto bytes = bytesFromHex(known);
            const std::vector<Byte> payload(bytes.begin() + 2, bytes.begin() + 6);
            for (int address : {0, 1, 31, 255})
                EXPECT_EQ(frameOf(k.words, protocol, Byte(address)),
                          hex(kReferenceFraming[std::size_t(protocol)](address, payload)))
                    << k.words << " at " << address << " in " << protocolName(protocol);
        }
    }
}

TEST(ActionTable, TheKnownFramesCoverEveryAction)
{
    std::set<std::string> known;
    for (const Known &k : kKnown)
        known.insert(splitWords(k.words).front());
    std::set<std::string> table;
    for (const ActionSpec &action : actionTable())
        table.insert(std::string(action.name));
    EXPECT_EQ(known, table);
}

TEST(ActionTable, ThePanelsActionsKeepThePanelsBytes)
{
    const auto code = [](const char *name) {
        const ActionPayload p = *encode(findAction(name)->command, Protocol::PelcoD);
        return PtzCommand{p[0], p[1], p[2], p[3]};
    };
    EXPECT_EQ(code("stop"), PtzCommands::stop);
    EXPECT_EQ(code("up"), PtzCommands::up);
    EXPECT_EQ(code("down"), PtzCommands::down);
    EXPECT_EQ(code("left"), PtzCommands::left);
    EXPECT_EQ(code("right"), PtzCommands::right);
    EXPECT_EQ(code("zoom-tele"), PtzCommands::zoomTele);
    EXPECT_EQ(code("zoom-wide"), PtzCommands::zoomWide);
    EXPECT_EQ(code("focus-far"), PtzCommands::focusFar);
    EXPECT_EQ(code("focus-near"), PtzCommands::focusNear);
    for (int n : {0, 5, 255}) {
        EXPECT_EQ(parse("goto " + std::to_string(n))[0].payload[1],
                  PtzCommands::gotoPreset(Byte(n)).command2);
        const ActionPayload set = parse("set " + std::to_string(n))[0].payload;
        EXPECT_EQ((PtzCommand{set[0], set[1], set[2], set[3]}), PtzCommands::setPreset(Byte(n)));
        const ActionPayload clear = parse("clear " + std::to_string(n))[0].payload;
        EXPECT_EQ((PtzCommand{clear[0], clear[1], clear[2], clear[3]}),
                  PtzCommands::clearPreset(Byte(n)));
    }
    EXPECT_EQ(actionTable()[0].name, "stop");
    EXPECT_EQ(findAction("Up"), nullptr);
    EXPECT_EQ(findAction(""), nullptr);
    EXPECT_EQ(findAction("wait"), nullptr) << "a pause is no frame";
}

TEST(ActionWords, ReadsAListOfStepsWithTheirArguments)
{
    const auto steps = parse("right 20 wait 2.5 up stop goto 5 up-left turbo 3 wait 0.001 "
                             "left wait 0 wait 3600 pan-to 0.5 down-right 7 zoom-tele");
    std::vector<std::string> texts;
    for (const auto &step : steps)
        texts.push_back(step.text);
    EXPECT_EQ(texts,
              (std::vector<std::string>{"right 20", "wait 2.5", "up", "stop", "goto 5",
                                        "up-left turbo 3", "wait 0.001", "left", "wait 0",
                                        "wait 3600", "pan-to 0.5", "down-right 7", "zoom-tele"}));
    EXPECT_EQ(steps[1].action, nullptr);
    EXPECT_EQ(steps[1].pauseMs, 2500);
    EXPECT_EQ(steps[6].pauseMs, 1);
    EXPECT_EQ(steps[8].pauseMs, 0);
    EXPECT_EQ(steps[9].pauseMs, 3600000);
    EXPECT_EQ(steps[0].action, findAction("right"));
    EXPECT_EQ(steps[0].arguments.pan, 20);
    EXPECT_TRUE(steps[5].arguments.panTurbo);
    EXPECT_EQ(steps[5].arguments.tilt, 3);
    EXPECT_EQ(steps[10].arguments.value, 50);
    EXPECT_EQ(hex({steps[11].payload.begin(), steps[11].payload.end()}), "00 12 07 07");
    EXPECT_TRUE(parse("").empty());
    EXPECT_EQ(parse("up 007")[0].arguments.tilt, 7) << "leading zeros are still decimal";
    EXPECT_EQ(parse("pan-to 007.50")[0].arguments.value, 750);
}

TEST(ActionWords, BadListsNameTheWord)
{
    using K = ActionWordError::Kind;
    struct Row
    {
        const char *words;
        Protocol protocol;
        bool allowPause;
        K kind;
        const char *message;
    };
    constexpr Protocol D = Protocol::PelcoD, P = Protocol::PelcoP;
    const Row rows[] = {
        {"jump", D, true, K::UnknownAction, "unknown action 'jump'"},
        {"UP", D, true, K::UnknownAction, "unknown action 'UP'"},
        {"20", D, true, K::UnknownAction, "unknown action '20'"},
        {"up stpo", D, true, K::UnknownAction, "unknown action 'stpo'"},
        {"up 64", D, true, K::BadArgument,
         "invalid tilt speed '64': expected a decimal number from 0 to 63"},
        {"up 99999999999999999999", D, true, K::BadArgument, "'99999999999999999999'"},
        {"up +5", D, true, K::BadArgument, "invalid tilt speed '+5'"},
        {"up 2.5", D, true, K::BadArgument, "invalid tilt speed '2.5'"},
        {"up 0x10", D, true, K::BadArgument, "invalid tilt speed '0x10'"},
        {"up turbo", D, true, K::BadArgument,
         "invalid tilt speed 'turbo': expected a decimal number from 0 to 63 (turbo is for pan "
         "speeds only)"},
        {"left 64", D, true, K::BadArgument,
         "invalid pan speed '64': expected a decimal number from 0 to 63, or turbo"},
        {"up-left 10 turbo", D, true, K::BadArgument, "invalid tilt speed 'turbo'"},
        {"up-left 10 64", D, true, K::BadArgument, "invalid tilt speed '64'"},
        {"up-left 70", D, true, K::BadArgument, "invalid pan speed '70'"},
        {"up 20 30", D, true, K::Unexpected, "unexpected argument '30' after 'up 20'"},
        {"up-left 1 2 3", D, true, K::Unexpected, "unexpected argument '3' after 'up-left 1 2'"},
        {"stop turbo", D, true, K::Unexpected, "unexpected argument 'turbo' after 'stop'"},
        {"goto 5 6", D, true, K::Unexpected, "unexpected argument '6' after 'goto 5'"},
        {"goto", D, true, K::MissingArgument, "action 'goto' needs a preset number from 0 to 255"},
        {"goto 256", D, true, K::BadArgument,
         "invalid preset number '256': expected a decimal number from 0 to 255"},
        {"goto stop", D, true, K::BadArgument, "invalid preset number 'stop'"},
        {"aux-on", D, true, K::MissingArgument,
         "action 'aux-on' needs an auxiliary number from 1 to 8"},
        {"aux-on 0", D, true, K::BadArgument,
         "invalid auxiliary number '0': expected a decimal number from 1 to 8"},
        {"aux-off 9", D, true, K::BadArgument, "invalid auxiliary number '9'"},
        {"zoom-speed 4", D, true, K::BadArgument,
         "invalid lens speed '4': expected a decimal number from 0 to 3"},
        {"focus-speed", D, true, K::MissingArgument,
         "action 'focus-speed' needs a lens speed from 0 to 3"},
        {"auto-focus maybe", D, true, K::BadArgument,
         "invalid mode 'maybe': expected on, off or auto"},
        {"auto-iris ON", D, true, K::BadArgument, "invalid mode 'ON'"},
        {"auto-iris", D, true, K::MissingArgument, "action 'auto-iris' needs on, off or auto"},
        {"pan-to 360", D, true, K::BadArgument,
         "invalid degrees '360': expected a decimal number from 0 to 359.99, at most two "
         "decimals"},
        {"pan-to 12.345", D, true, K::BadArgument, "invalid degrees '12.345'"},
        {"pan-to 1e2", D, true, K::BadArgument, "invalid degrees '1e2'"},
        {"pan-to .", D, true, K::BadArgument, "invalid degrees '.'"},
        {"pan-to 1.2.3", D, true, K::BadArgument, "invalid degrees '1.2.3'"},
        {"pan-to", D, true, K::MissingArgument, "action 'pan-to' needs degrees from 0 to 359.99"},
        {"tilt-to 65536", D, true, K::BadArgument,
         "invalid position '65536': expected a decimal number from 0 to 65535"},
        {"zoom-to", D, true, K::MissingArgument,
         "action 'zoom-to' needs a position from 0 to 65535"},
        {"wait", D, true, K::MissingArgument, "action 'wait' needs seconds from 0 to 3600"},
        {"wait soon", D, true, K::BadArgument, "invalid seconds 'soon'"},
        {"wait 3600.001", D, true, K::BadArgument, "invalid seconds '3600.001'"},
        {"wait 0.0001", D, true, K::BadArgument, "invalid seconds '0.0001'"},
        {"wait 2", D, false, K::NotHere, "action 'wait' is only for send"},
        {"aux-on 1", P, true, K::NotInProtocol, "'aux-on': Pelco P has no such command"},
        {"aux-off", P, true, K::NotInProtocol, "'aux-off': Pelco P has no such command"},
        {"auto-scan", P, true, K::NotInProtocol, "'auto-scan': Pelco P has no such command"},
        {"manual-scan", P, true, K::NotInProtocol, "'manual-scan': Pelco P has no such command"},
        {"auto-focus on", P, true, K::NotInProtocol, "'auto-focus': Pelco P has no such command"},
        {"auto-iris off", P, true, K::NotInProtocol, "'auto-iris': Pelco P has no such command"},
        {"pan-to 90", P, true, K::NotInProtocol, "'pan-to': Pelco P has no such command"},
        {"tilt-to 1", P, true, K::NotInProtocol, "'tilt-to': Pelco P has no such command"},
        {"zoom-to 1", P, true, K::NotInProtocol, "'zoom-to': Pelco P has no such command"},
        {"stop query-pan", P, true, K::NotInProtocol, "'query-pan': Pelco P has no such command"},
        {"query-tilt", P, true, K::NotInProtocol, "'query-tilt': Pelco P has no such command"},
        {"query-zoom", P, true, K::NotInProtocol, "'query-zoom': Pelco P has no such command"},
        {"right turbo 5", P, true, K::Unexpected, "unexpected argument '5' after 'right turbo'"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.words);
        try {
            parse(row.words, row.protocol, row.allowPause);
            ADD_FAILURE() << "accepted";
        } catch (const ActionWordError &error) {
            EXPECT_EQ(error.kind(), row.kind);
            EXPECT_NE(std::string(error.what()).find(row.message), std::string::npos)
                << error.what();
            EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos);
        }
    }
}

TEST(ActionWords, HelpListsEveryActionWithItsArguments)
{
    const std::string withPause = actionListHelp(true);
    const std::string without = actionListHelp(false);
    for (const ActionSpec &action : actionTable()) {
        const std::string usage = "  " + std::string(action.usage) + "  ";
        const auto at = without.find(usage);
        ASSERT_NE(at, std::string::npos) << action.usage;
        const std::string line = without.substr(at, without.find('\n', at) - at);
        EXPECT_NE(line.find(action.help), std::string::npos) << line;
        EXPECT_EQ(line.find("Pelco D only") != std::string::npos,
                  !actionInProtocol(action, Protocol::PelcoP))
            << line;
    }
    for (const char *usage :
         {"up [TILT]", "left [PAN]", "up-left [PAN [TILT]]", "goto N", "aux-on N", "zoom-speed N",
          "auto-focus on|off|auto", "pan-to DEGREES", "tilt-to VALUE"})
        EXPECT_NE(without.find(usage), std::string::npos) << usage;
    EXPECT_EQ(without.find("wait"), std::string::npos);
    EXPECT_NE(withPause.find("  wait SECONDS  "), std::string::npos);
    EXPECT_EQ(withPause.back(), '\n');
}

} // namespace

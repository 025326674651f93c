#include "cli.h"
#include "probeplan.h"

#include <gtest/gtest.h>

namespace {

TEST(ProbePlan, ReadsBaudListsAndAddressRanges)
{
    EXPECT_EQ(probe::parseBauds("2400,9600"), (std::vector<int>{2400, 9600}));
    EXPECT_EQ(probe::parseBauds("115200"), (std::vector<int>{115200}));
    EXPECT_EQ(probe::parseBauds("9600,2400,9600"), (std::vector<int>{9600, 2400}))
        << "repeats are asked once, in the order given";
    EXPECT_EQ(probe::parseBauds("56000,4000000"), (std::vector<int>{56000, 4000000}));
    const auto range = [](const char *text) {
        const probe::AddressRange r = probe::parseAddresses(text);
        return std::make_pair(r.first, r.last);
    };
    EXPECT_EQ(range("1-32"), std::make_pair(1, 32));
    EXPECT_EQ(range("37"), std::make_pair(37, 37));
    EXPECT_EQ(range("0-255"), std::make_pair(0, 255));
    EXPECT_EQ(range("5-5"), std::make_pair(5, 5));
    EXPECT_EQ(probe::parseAddresses("1-32").count(), 32);

    for (const char *bad : {"", ",", "9600,", ",9600", "9600,,2400", "96OO", "0", "-1", "4000001",
                            "9600;2400", " 9600", "9600 ", "2400.5"}) {
        try {
            probe::parseBauds(bad);
            ADD_FAILURE() << "took '" << bad << "'";
        } catch (const cli::UsageError &error) {
            EXPECT_NE(std::string(error.what()).find("--bauds '" + std::string(bad) + "'"),
                      std::string::npos)
                << error.what();
        }
    }
    for (const char *bad : {"", "-", "1-", "-5", "10-5", "256", "0-256", "1-2-3", "a", "1..9", " 1",
                            "1000", "+1", "1,3", "1-3,5"}) {
        try {
            probe::parseAddresses(bad);
            ADD_FAILURE() << "took '" << bad << "'";
        } catch (const cli::UsageError &error) {
            EXPECT_NE(
                std::string(error.what()).find("invalid addresses '" + std::string(bad) + "'"),
                std::string::npos)
                << error.what();
        }
    }
}

TEST(ProbePlan, EachQueryWaitsForTheLineAndAMargin)
{
    // 14 bytes of 10 bits: 58.4 ms at 2400 baud, 1.2 ms at 115200; then 50 ms for the camera
    // and the adapter.
    EXPECT_EQ(probe::queryWaitMs(2400), 59 + 50);
    EXPECT_EQ(probe::queryWaitMs(9600), 15 + 50);
    EXPECT_EQ(probe::queryWaitMs(115200), 2 + 50);
    EXPECT_EQ(probe::queryWaitMs(1200), 117 + 50);
    EXPECT_EQ(probe::defaultBauds(),
              (std::vector<int>{2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200}));
}

TEST(ProbePlan, TheDefaultSweepEndsWithinThreeMinutes)
{
    const auto longest = probe::longestSweep(probe::defaultBauds(), {}, std::nullopt);
    // 2040 queries; each also costs its write and a turn of the event loop, well under 5 ms
    // even on a busy machine.
    const auto overhead = std::chrono::milliseconds(2040 * 5);
    EXPECT_LE(longest + overhead, std::chrono::minutes(3)) << longest.count() << " ms";
    EXPECT_GE(longest, std::chrono::seconds(100)) << "no query is cut short of its answer";
    EXPECT_EQ(probe::longestSweep({9600, 2400}, probe::parseAddresses("1-32"), 200),
              std::chrono::milliseconds(2 * 32 * 200));
}

} // namespace

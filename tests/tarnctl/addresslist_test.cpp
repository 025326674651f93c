// Address lists on the command line: the virtual camera's --address and, one item of them,
// probe's --addresses.
#include "addresslist.h"
#include "cli.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Bytes = std::vector<pelco::Byte>;

TEST(AddressList, ReadsItemsRangesAndCommaListsInTheOrderGiven)
{
    const struct
    {
        const char *text;
        Bytes addresses;
    } cases[] = {
        {"1", {1}},
        {"0", {0}},
        {"255", {255}},
        {"1-3", {1, 2, 3}},
        {"5-5", {5}},
        {"1,3,5-7", {1, 3, 5, 6, 7}},
        {"7,1", {7, 1}},
        {"1-3,2,3-4", {1, 2, 3, 4}},
        {"254-255,0", {254, 255, 0}},
        {"7,2,7,1-3", {7, 2, 1, 3}},
        {"007", {7}},
    };
    for (const auto &c : cases)
        EXPECT_EQ(addresslist::parse(c.text, "address"), c.addresses) << c.text;
    EXPECT_EQ(addresslist::parse("0-255", "address").size(), 256u);
}

TEST(AddressList, RefusesAnythingElseNamingTheText)
{
    for (const char *bad :
         {"",      ",", "1,",   ",1", "1,,2", "-",    "1-",   "-5", "10-5", "256", "0-256",
          "1-2-3", "a", "1..9", " 1", "1 ",   "1, 2", "1000", "+1", "1;2",  "0x10"}) {
        try {
            addresslist::parse(bad, "address");
            ADD_FAILURE() << "took '" << bad << "'";
        } catch (const cli::UsageError &error) {
            EXPECT_NE(std::string(error.what()).find("invalid address '" + std::string(bad) + "'"),
                      std::string::npos)
                << error.what();
        }
    }
}

// One item is what probe's --addresses takes: its ranges stay as they were, comma lists are not
// among them.
TEST(AddressList, AnItemIsARange)
{
    const auto item = [](const char *text) {
        const auto range = addresslist::parseItem(text);
        return range ? std::make_pair(range->first, range->last) : std::make_pair(-1, -1);
    };
    EXPECT_EQ(item("1-32"), std::make_pair(1, 32));
    EXPECT_EQ(item("37"), std::make_pair(37, 37));
    EXPECT_EQ(item("0-255"), std::make_pair(0, 255));
    EXPECT_EQ(item("1,3"), std::make_pair(-1, -1));
    EXPECT_EQ(item("3-1"), std::make_pair(-1, -1));
}

} // namespace

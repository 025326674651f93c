#include "dlgitemint.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct RuleCase
{
    std::string text;
    std::int32_t value;
    std::uint8_t low;
};

class EditBoxRule : public testing::TestWithParam<RuleCase>
{};

TEST_P(EditBoxRule, ValueAndLowByte)
{
    const RuleCase &c = GetParam();
    const std::int32_t value = readDlgItemInt(c.text);
    EXPECT_EQ(value, c.value) << "text: \"" << c.text << "\"";
    EXPECT_EQ(lowByte(value), c.low) << "text: \"" << c.text << "\"";
}

INSTANTIATE_TEST_SUITE_P(
    Table, EditBoxRule,
    testing::Values(
        RuleCase{"", 0, 0x00}, RuleCase{"abc", 0, 0x00}, RuleCase{"  7", 7, 0x07},
        RuleCase{"+7", 7, 0x07}, RuleCase{"-1", -1, 0xFF}, RuleCase{"256", 256, 0x00},
        RuleCase{"257", 257, 0x01}, RuleCase{"12abc", 12, 0x0C}, RuleCase{"0x10", 0, 0x00},
        RuleCase{"- 5", 0, 0x00}, RuleCase{"\t\n\v\f\r 42", 42, 42}, RuleCase{"+-1", 0, 0},
        RuleCase{"--1", 0, 0}, RuleCase{"+", 0, 0}, RuleCase{"   ", 0, 0}, RuleCase{"007", 7, 7},
        RuleCase{"300", 300, 0x2C}, RuleCase{"1 2", 1, 1},
        RuleCase{"\xC2\xA0"
                 "5",
                 0, 0},
        RuleCase{"2147483647", 2147483647, 0xFF}, RuleCase{"2147483648", 2147483647, 0xFF},
        RuleCase{"99999999999999999999999", 2147483647, 0xFF},
        RuleCase{"-2147483648", -2147483647 - 1, 0x00},
        RuleCase{"-2147483649", -2147483647 - 1, 0x00},
        RuleCase{"-99999999999999999999999", -2147483647 - 1, 0x00}, RuleCase{"-0", 0, 0},
        RuleCase{std::string("5\0"
                             "9",
                             3),
                 5, 5},
        RuleCase{std::string("\0"
                             "9",
                             2),
                 0, 0}));

TEST(EditBoxRule, OnlyTheFirst255CharactersCount)
{
    // 250 blanks then "123456": only "12345" lies within the first 255 characters.
    EXPECT_EQ(readDlgItemInt(std::string(250, ' ') + "123456"), 12345);
    // The sign as character 255 and the digit as 256: nothing numeric is left.
    EXPECT_EQ(readDlgItemInt(std::string(254, ' ') + "-1"), 0);
    // A long run of digits is cut at 255, and saturates.
    EXPECT_EQ(readDlgItemInt(std::string(300, '9')), 2147483647);
    // Digits that start at character 256 are never seen.
    EXPECT_EQ(readDlgItemInt(std::string(255, ' ') + "7"), 0);
    EXPECT_EQ(readDlgItemInt(std::string(254, ' ') + "7"), 7);
}

} // namespace

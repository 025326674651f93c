#include "baudrates.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace {

TEST(BaudRates, TheRatesThePanelOffersInItsOrder)
{
    const std::vector<int> rates(lines::panelBaudRates.begin(), lines::panelBaudRates.end());
    EXPECT_EQ(rates, (std::vector<int>{2400, 4800, 9600, 19200, 38400, 56000, 57600, 115200}));
}

TEST(BaudRates, ARateIsAPlainDecimalFrom1To4000000)
{
    struct Row
    {
        const char *text;
        std::optional<int> rate;
    };
    for (const Row &row : {
             Row{"9600", 9600},
             Row{"1", 1},
             Row{"56000", 56000},
             Row{"4000000", 4000000},
             Row{"09600", 9600},
             Row{"0", std::nullopt},
             Row{"4000001", std::nullopt},
             Row{"99999999", std::nullopt},
             Row{"", std::nullopt},
             Row{"96OO", std::nullopt},
             Row{"9600,e", std::nullopt},
             Row{"-9600", std::nullopt},
             Row{"+9600", std::nullopt},
             Row{" 9600", std::nullopt},
             Row{"9600 ", std::nullopt},
             Row{"9.6k", std::nullopt},
             Row{"0x2580", std::nullopt},
             Row{"fast", std::nullopt},
         })
        EXPECT_EQ(lines::parseBaudRate(QString::fromUtf8(row.text)), row.rate) << row.text;
}

TEST(BaudRates, OneMessageForABadRate)
{
    EXPECT_EQ(lines::badBaudRateText("fast"),
              "invalid baud rate 'fast': expected a decimal number from 1 to 4000000, such as "
              "9600");
    EXPECT_EQ(lines::badBaudRateText("x", "in --bauds '2400,x'"),
              "invalid baud rate 'x' in --bauds '2400,x': expected a decimal number from 1 to "
              "4000000, such as 9600");
}

} // namespace

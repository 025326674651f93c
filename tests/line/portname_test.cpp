#include "portname.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

TEST(PortName, ComNamesInAnyCaseFromCOM1ToCOM255)
{
    struct Row
    {
        const char *text;
        std::optional<int> operatorReading; // comNumber
        std::optional<int> linkReading;     // comNumberOfLink
    };
    for (const Row &row : {
             Row{"COM1", 1, 1},
             Row{"COM9", 9, 9},
             Row{"COM10", 10, 10},
             Row{"COM255", 255, 255},
             Row{"com9", 9, std::nullopt},
             Row{"Com12", 12, std::nullopt},
             Row{"cOM3", 3, std::nullopt},
             Row{"COM0", std::nullopt, std::nullopt},
             Row{"COM256", std::nullopt, std::nullopt},
             Row{"COM999", std::nullopt, std::nullopt},
             Row{"COM1000", std::nullopt, std::nullopt},
             Row{"COM01", std::nullopt, std::nullopt},
             Row{"COM", std::nullopt, std::nullopt},
             Row{"COM 4", std::nullopt, std::nullopt},
             Row{"COM+4", std::nullopt, std::nullopt},
             Row{"COM-4", std::nullopt, std::nullopt},
             Row{"COM3x", std::nullopt, std::nullopt},
             Row{"XCOM5", std::nullopt, std::nullopt},
             Row{" COM5", std::nullopt, std::nullopt},
             Row{"COM５", std::nullopt, std::nullopt}, // a full-width digit
             Row{"/dev/ttyUSB0", std::nullopt, std::nullopt},
             Row{"", std::nullopt, std::nullopt},
         }) {
        EXPECT_EQ(lines::comNumber(QString::fromUtf8(row.text)), row.operatorReading) << row.text;
        EXPECT_EQ(lines::comNumberOfLink(QString::fromUtf8(row.text)), row.linkReading) << row.text;
    }
}

TEST(PortName, ANumberIsNamedInUpperCase)
{
    EXPECT_EQ(lines::comName(9), "COM9");
    EXPECT_EQ(lines::comName(255), "COM255");
}

} // namespace

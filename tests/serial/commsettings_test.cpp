#include "commsettings.h"
#include "mscomm.h"

#include <gtest/gtest.h>

namespace {

using P = CommSettings::Parity;
using S = CommSettings::StopBits;

TEST(CommSettings, AcceptedTexts)
{
    struct Row
    {
        const char *text;
        CommSettings settings;
    };
    for (const Row &row : {Row{"9600,n,8,1", {9600, P::None, 8, S::One}},
                           Row{"115200,n,8,1", {115200, P::None, 8, S::One}},
                           Row{"2400,E,7,2", {2400, P::Even, 7, S::Two}},
                           Row{"56000,o,5,1.5", {56000, P::Odd, 5, S::OneAndHalf}},
                           Row{"1,m,6,1", {1, P::Mark, 6, S::One}},
                           Row{"4000000,S,8,2", {4000000, P::Space, 8, S::Two}}}) {
        EXPECT_EQ(parseCommSettings(row.text), row.settings) << row.text;
    }
}

TEST(CommSettings, RefusedTextsNameTheProblem)
{
    struct Row
    {
        const char *text;
        const char *mentions;
    };
    for (const Row &row :
         {Row{"", "four fields"}, Row{"9600", "four fields"}, Row{"9600,n,8", "four fields"},
          Row{"9600,n,8,1,", "too many"}, Row{"9600,n,8,1,x", "too many"},
          Row{",n,8,1", "baud rate"}, Row{"0,n,8,1", "baud rate"}, Row{"-9600,n,8,1", "baud rate"},
          Row{"4000001,n,8,1", "baud rate"}, Row{"99999999,n,8,1", "baud rate"},
          Row{" 9600,n,8,1", "baud rate"}, Row{"9600,x,8,1", "parity"}, Row{"9600,,8,1", "parity"},
          Row{"9600,nn,8,1", "parity"}, Row{"9600,n,4,1", "data bits"},
          Row{"9600,n,9,1", "data bits"}, Row{"9600,n,8,3", "stop bits"},
          Row{"9600,n,8,1 ", "stop bits"}}) {
        try {
            parseCommSettings(row.text);
            ADD_FAILURE() << "accepted: " << row.text;
        } catch (const CommError &error) {
            EXPECT_NE(error.description().find(row.mentions), std::string::npos)
                << row.text << ": " << error.description();
            EXPECT_NE(error.description().find(std::string("\"") + row.text + "\""),
                      std::string::npos);
        }
    }
}

} // namespace

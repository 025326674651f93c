// The recording's text: good files read into the events they say, bad lines refused with their
// number; what the recorder writes reads back; the --address list.
#include "padrecording.h"

#include <gtest/gtest.h>

namespace {

using namespace pad;
using namespace std::chrono_literals;

TEST(PadRecording, ReadsEventsCommentsAndBlankLines)
{
    const std::string text = "# a smooth pan\n"
                             "\n"
                             "0 leftx 0\n"
                             "0.5 leftx 16384   # half right\n"
                             "  1.25\tlefty\t-32768\r\n"
                             "1.250 a 1\n"
                             "2.001 righttrigger 32767\n"
                             "2.1 touchpad 0\n"
                             "3 leftx -32768";
    const std::vector<PadEvent> expected = {
        {0ms, Control::axis(Axis::LeftX), 0},
        {500ms, Control::axis(Axis::LeftX), 16384},
        {1250ms, Control::axis(Axis::LeftY), -32768},
        {1250ms, Control::button(Button::A), 1},
        {2001ms, Control::axis(Axis::RightTrigger), 32767},
        {2100ms, Control::button(Button::Touchpad), 0},
        {3000ms, Control::axis(Axis::LeftX), -32768},
    };
    EXPECT_EQ(parseRecording(text), expected);
    EXPECT_TRUE(parseRecording("").empty());
    EXPECT_TRUE(parseRecording("# nothing\n\n   \n").empty());
}

TEST(PadRecording, RefusesBadLinesNamingThem)
{
    const struct
    {
        std::string text;
        int line;
        const char *mentions;
    } rows[] = {
        {"0 leftx 0\nhello\n", 2, "expected SECONDS NAME VALUE, found 1 fields"},
        {"0 leftx\n", 1, "found 2 fields"},
        {"0 leftx 1 2\n", 1, "found 4 fields"},
        {"x leftx 0\n", 1, "bad time 'x'"},
        {"-1 leftx 0\n", 1, "bad time '-1'"},
        {"1.2345 leftx 0\n", 1, "bad time '1.2345'"},
        {"1. leftx 0\n", 1, "bad time '1.'"},
        {".5 leftx 0\n", 1, "bad time '.5'"},
        {"1e3 leftx 0\n", 1, "bad time"},
        {"864000.001 leftx 0\n", 1, "beyond the longest recording"},
        {"99999999999 leftx 0\n", 1, "beyond the longest recording"},
        {"0 leftX 0\n", 1, "unknown control 'leftX'"},
        {"0 dpad_left 1\n", 1, "unknown control 'dpad_left' (expected one of leftx, lefty"},
        {"0 leftx 32768\n", 1, "value 32768 is out of range for leftx (-32768 to 32767)"},
        {"0 leftx -32769\n", 1, "out of range for leftx"},
        {"0 lefttrigger -1\n", 1, "value -1 is out of range for lefttrigger (0 to 32767)"},
        {"0 a 2\n", 1, "value 2 is out of range for a (0 to 1)"},
        {"0 a 1.0\n", 1, "bad value '1.0' for a"},
        {"0 a +1\n", 1, "bad value '+1'"},
        {"0 leftx 99999999999\n", 1, "bad value"},
        {"0 leftx -\n", 1, "bad value '-'"},
        {"2 a 1\n1.999 a 0\n", 2, "time 1.999 is earlier than the line before's"},
        {std::string("0 a 1\n0 a\0 0\n", 13), 2, "NUL"},
    };
    for (const auto &row : rows) {
        try {
            parseRecording(row.text);
            ADD_FAILURE() << "accepted: " << row.text;
        } catch (const RecordingError &error) {
            EXPECT_EQ(error.line(), row.line) << row.text;
            const std::string what = error.what();
            EXPECT_EQ(what.rfind("line " + std::to_string(row.line) + ": ", 0), 0u) << what;
            EXPECT_NE(what.find(row.mentions), std::string::npos) << what;
        }
    }
}

TEST(PadRecording, WrittenLinesReadBack)
{
    const std::vector<PadEvent> events = {
        {0ms, Control::axis(Axis::LeftY), -32768},
        {12345ms, Control::button(Button::DpLeft), 1},
        {12345ms + 999us, Control::axis(Axis::RightY), 32767}, // to the millisecond
    };
    EXPECT_EQ(recordingLine(events[0]), "0.000 lefty -32768");
    EXPECT_EQ(recordingLine(events[1]), "12.345 dpleft 1");
    EXPECT_EQ(recordingLine(events[2]), "12.345 righty 32767");
    std::string text = recordingHeader() + "\n";
    for (const PadEvent &e : events)
        text += recordingLine(e) + "\n";
    auto back = parseRecording(text);
    ASSERT_EQ(back.size(), 3u);
    EXPECT_EQ(back[0], events[0]);
    EXPECT_EQ(back[1], events[1]);
    EXPECT_EQ(back[2].time, 12345ms);
}

} // namespace

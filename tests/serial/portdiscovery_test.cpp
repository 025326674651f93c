#include "portdiscovery.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// A table of values answered as the port source must: too-long values give MoreData.
class FakeSource : public PortSource
{
public:
    struct Value
    {
        std::string name;
        std::string data;
        long forced = -1; // an answer to give instead
    };
    std::vector<Value> values;
    bool opens = true;
    int opened = 0, closed = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> sizesSeen;

    bool open() override { return opens && ++opened; }
    void close() override { ++closed; }
    long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                   std::uint32_t *dataSize) override
    {
        sizesSeen.emplace_back(*nameSize, *dataSize);
        if (index >= values.size())
            return NoMoreItems;
        const Value &v = values[index];
        if (v.forced >= 0)
            return v.forced;
        if (v.name.size() + 1 > *nameSize || v.data.size() + 1 > *dataSize)
            return MoreData;
        std::memcpy(name, v.name.c_str(), v.name.size() + 1);
        std::memcpy(data, v.data.c_str(), v.data.size() + 1);
        *nameSize = std::uint32_t(v.name.size());
        *dataSize = std::uint32_t(v.data.size() + 1);
        return Success;
    }
};

class RecordingList : public PortListSink
{
public:
    std::vector<std::string> calls;
    void ResetContent() override { calls.push_back("reset"); }
    void AddString(const std::string &text) override { calls.push_back(text); }
};

using Strings = std::vector<std::string>;

TEST(FillPortList, AddsEveryValueDataAfterEmptyingTheList)
{
    FakeSource source;
    source.values = {{"/dev/ttyS0", "COM1"},
                     {"/dev/ttyS1", "COM2"},
                     {"/dev/ttyUSB0", "COM10"},
                     {"/dev/ttyUSB1", "COM10"}};
    RecordingList list;
    FillPortList(source, list);
    EXPECT_EQ(list.calls, (Strings{"reset", "COM1", "COM2", "COM10", "COM10"}));
    EXPECT_EQ(source.opened, 1);
    EXPECT_EQ(source.closed, 1);
    for (const auto &[nameSize, dataSize] : source.sizesSeen) {
        EXPECT_EQ(nameSize, 25u);
        EXPECT_EQ(dataSize, 25u);
    }
}

TEST(FillPortList, UnreadableSourceLeavesTheListEmpty)
{
    FakeSource source;
    source.opens = false;
    RecordingList list;
    FillPortList(source, list);
    EXPECT_EQ(list.calls, Strings{"reset"});
    EXPECT_EQ(source.closed, 0);
}

TEST(FillPortList, MoreDataSkipsTheValueAndGoesOnAnyOtherAnswerEnds)
{
    FakeSource source;
    const std::string name24(24, 'n');
    const std::string data24 = "COM7 (abcdefghijklmnopq)";
    ASSERT_EQ(data24.size(), 24u);
    source.values = {
        {name24, data24},   {"/dev/x", std::string(25, 'd')}, {std::string(25, 'n'), "COM8"},
        {"/dev/y", "COM9"}, {"", "", 5 /* access denied */},  {"/dev/z", "COM11"}};
    RecordingList list;
    FillPortList(source, list);
    EXPECT_EQ(list.calls, (Strings{"reset", data24, "COM9"}));
    EXPECT_EQ(source.closed, 1);
}

// A source that answers Success with data that fills all 25 bytes without a zero.
class UnterminatedSource : public FakeSource
{
public:
    long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                   std::uint32_t *dataSize) override
    {
        if (index > 0)
            return NoMoreItems;
        std::memset(name, 'n', *nameSize);
        std::memset(data, 'd', *dataSize);
        return Success;
    }
};

TEST(FillPortList, DataWithoutAZeroIsCutWithinTheBuffer)
{
    UnterminatedSource source;
    RecordingList list;
    FillPortList(source, list);
    EXPECT_EQ(list.calls, (Strings{"reset", std::string(24, 'd')}));
}

} // namespace

namespace {
TEST(PortListOrder, TextOrderIgnoringCase)
{
    std::vector<std::string> names{"COM2 (ttyS1)", "COM10 (ttyUSB0)", "COM1 (ttyS0)",
                                   "com3 (x)",     "COM3 (x)",        "COM24"};
    std::sort(names.begin(), names.end(), portListLess);
    EXPECT_EQ(names, (std::vector<std::string>{"COM1 (ttyS0)", "COM10 (ttyUSB0)", "COM2 (ttyS1)",
                                               "COM24", "COM3 (x)", "com3 (x)"}));
}
} // namespace

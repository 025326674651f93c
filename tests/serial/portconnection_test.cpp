#include "portconnection.h"
#include "recordingcomm.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <span>

namespace {

class FakeList : public ComboList
{
public:
    FakeList(int sel, std::vector<std::string> items) : m_sel(sel), m_items(std::move(items)) {}
    int GetCurSel() const override { return m_sel; }
    std::string GetLBText(int index) const override { return m_items.at(std::size_t(index)); }

private:
    int m_sel;
    std::vector<std::string> m_items;
};

using Strings = std::vector<std::string>;

const Strings kOpenCom3At9600{
    "put CommPort 3",       "put Settings 9600,n,8,1", "put InputMode 1",
    "put InBufferSize 128", "put OutBufferSize 128",   "put InputLen 0",
    "put InBufferCount 0",  "put OutBufferCount 0",    "put RThreshold 1",
    "put Handshaking 0",    "put PortOpen true",
};

const FakeList kPorts{1, {"COM1 (ttyS0)", "COM3 (ttyUSB0)"}};
const FakeList kBauds{2, {"2400", "4800", "9600", "115200"}};

TEST(PortConnection, ClosedPortElevenPutsInOrder)
{
    RecordingComm comm;
    PortConnection(comm).OnSelchangePortOrBaud(kPorts, kBauds);
    Strings expected{"get PortOpen false"};
    expected.insert(expected.end(), kOpenCom3At9600.begin(), kOpenCom3At9600.end());
    EXPECT_EQ(comm.log, expected);
    EXPECT_TRUE(comm.open);
}

TEST(PortConnection, OpenPortIsClosedFirstAlsoWhenOnlyTheBaudChanged)
{
    RecordingComm comm;
    comm.open = true;
    PortConnection(comm).OnSelchangePortOrBaud(kPorts,
                                               FakeList{3, {"2400", "4800", "9600", "115200"}});
    ASSERT_EQ(comm.log.size(), 13u);
    EXPECT_EQ(comm.log[0], "get PortOpen true");
    EXPECT_EQ(comm.log[1], "put PortOpen false");
    EXPECT_EQ(comm.log[3], "put Settings 115200,n,8,1");
    EXPECT_EQ(comm.log.back(), "put PortOpen true");
}

TEST(PortConnection, NoSelectionInEitherListDoesNothing)
{
    for (const auto &[port, baud] :
         {std::pair{FakeList{-1, {"COM1"}}, kBauds}, std::pair{kPorts, FakeList{-1, {"9600"}}},
          std::pair{FakeList{-1, {}}, FakeList{-1, {}}}}) {
        RecordingComm comm;
        comm.open = true;
        PortConnection(comm).OnSelchangePortOrBaud(port, baud);
        EXPECT_TRUE(comm.log.empty());
        EXPECT_TRUE(comm.open);
    }
}

TEST(PortConnection, AFailingPutEndsTheSequenceAndKeepsTheEarlierOnes)
{
    // Fail at every step of the open in turn (index 0 is the PortOpen read, 1 the close).
    for (std::size_t step = 2; step < 13; ++step) {
        RecordingComm comm;
        comm.open = true;
        comm.failAtCall(step, "refused");
        EXPECT_THROW(PortConnection(comm).OnSelchangePortOrBaud(kPorts, kBauds), CommError);
        ASSERT_EQ(comm.log.size(), step + 1) << step;
        EXPECT_EQ(comm.log.back(), kOpenCom3At9600[step - 2]);
        EXPECT_FALSE(comm.open) << "the old port stays closed";
    }
}

TEST(PortConnection, PortNumberReadAsAtoiFromTheFourthCharacter)
{
    struct Row
    {
        const char *name;
        std::int32_t number;
    };
    for (const Row &row :
         {Row{"COM3", 3}, Row{"COM10", 10}, Row{"COM3 (ttyUSB0)", 3}, Row{"COM", 0}, Row{"CO", 0},
          Row{"", 0}, Row{"COMx", 0}, Row{"COM -7", -7}, Row{"COM+12z", 12}, Row{"ttyS0", 0},
          Row{"COM99999999999", 2147483647}}) {
        EXPECT_EQ(portNumberFromName(row.name), row.number) << row.name;
    }
}

TEST(PortConnection, PortNumberGoesAsItsLow16Bits)
{
    RecordingComm comm;
    PortConnection(comm).OnSelchangePortOrBaud(FakeList{0, {"COM65539"}}, kBauds);
    EXPECT_EQ(comm.log.at(1), "put CommPort 3");
    RecordingComm noNumber;
    noNumber.failOn("put CommPort", "no such port");
    EXPECT_THROW(PortConnection(noNumber).OnSelchangePortOrBaud(FakeList{0, {"XYZ"}}, kBauds),
                 CommError);
    EXPECT_EQ(noNumber.log, (Strings{"get PortOpen false", "put CommPort 0"}));
}

TEST(PortConnection, CloseClosesOnlyAnOpenPort)
{
    RecordingComm closed;
    PortConnection(closed).OnClose();
    EXPECT_EQ(closed.log, Strings{"get PortOpen false"});

    RecordingComm open;
    open.open = true;
    PortConnection(open).OnClose();
    EXPECT_EQ(open.log, (Strings{"get PortOpen true", "put PortOpen false"}));

    RecordingComm failing;
    failing.open = true;
    failing.failOn("put PortOpen false", "cannot close");
    EXPECT_THROW(PortConnection(failing).OnClose(), CommError);
}

TEST(PortConnection, DrainReadsOnlyOnReceiveEventsAndSwallowsErrors)
{
    RecordingComm comm;
    PortConnection connection(comm);
    for (short code : {0, 1, 3, 1001}) {
        comm.event = code;
        connection.OnSerialEvent();
    }
    EXPECT_EQ(comm.count("get Input"), 0u);

    comm.event = comEvReceive;
    comm.pendingInput.assign(1000, 0xAA); // more than the buffer holds: the rest is dropped
    connection.OnSerialEvent();
    connection.OnSerialEvent(); // nothing waits: an empty read copies nothing
    EXPECT_EQ(comm.count("get Input"), 2u);
    EXPECT_TRUE(comm.outputs.empty()) << "nothing is answered";

    comm.failOn("get Input", "device gone");
    EXPECT_NO_THROW(connection.OnSerialEvent());
    comm.failOn("get CommEvent", "device gone");
    EXPECT_NO_THROW(connection.OnSerialEvent());
}

TEST(PortConnection, TheDrainCopiesAtMost128BytesAndNothingPastItsBuffer)
{
    // The drain's buffer inside a larger block whose guard bytes must come out untouched: a drain
    // that copied a whole read would write into the guard behind it, which a plain build sees.
    constexpr BYTE guardByte = 0xA5;
    constexpr std::size_t guard = 8192;
    constexpr std::size_t size = PortConnection::receiveBufferSize;
    static_assert(size == 128);
    for (const std::size_t n : {0, 1, 127, 128, 129, 1000, 5000}) {
        SCOPED_TRACE(n);
        std::vector<BYTE> block(guard + size + guard, guardByte);
        std::vector<BYTE> read(n);
        for (std::size_t i = 0; i < n; ++i)
            read[i] = BYTE(0x5A ^ (i & 0x3F)); // never the guard byte, and changing
        RecordingComm comm;
        comm.event = comEvReceive;
        comm.pendingInput = read;
        PortConnection connection(comm);
        const std::size_t copied =
            connection.drain(std::span<BYTE, size>(block.data() + guard, size));

        const std::size_t expected = std::min(n, size);
        EXPECT_EQ(copied, expected);
        const auto buffer = block.begin() + std::ptrdiff_t(guard);
        EXPECT_TRUE(std::equal(read.begin(), read.begin() + std::ptrdiff_t(expected), buffer))
            << "the read is not in the buffer from its first byte on";
        EXPECT_TRUE(std::all_of(buffer + std::ptrdiff_t(expected), buffer + std::ptrdiff_t(size),
                                [](BYTE b) { return b == guardByte; }));
        // Distance from each end of the buffer to the first guard byte that changed.
        const auto untouched = [](auto from, auto to) {
            return std::find_if(from, to, [](BYTE b) { return b != guardByte; }) - from;
        };
        EXPECT_EQ(untouched(std::make_reverse_iterator(buffer), block.rend()),
                  std::ptrdiff_t(guard))
            << "written before the buffer";
        EXPECT_EQ(untouched(buffer + std::ptrdiff_t(size), block.end()), std::ptrdiff_t(guard))
            << "written past the buffer's end";
    }
}

TEST(PortConnection, DrainRunsFromTheControlsEvent)
{
    RecordingComm comm;
    PortConnection connection(comm);
    comm.setOnComm([&] { connection.OnSerialEvent(); });
    comm.pendingInput = {1, 2, 3};
    comm.raiseEvent(comEvReceive);
    EXPECT_EQ(comm.log, (Strings{"get CommEvent 2", "get Input 3 bytes"}));
}

} // namespace

// Faults on the line, against the real serial control on pseudo-terminals: the device vanishes
// (the master side closes) while a hold-to-move button is held and while the port is idle, and
// the camera floods the line with noise while the operator sends frames.
#include "cameraactions.h"
#include "commandframe.h"
#include "faultsupport.h"
#include "portconnection.h"
#include "ptypair.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {
class FixedList : public ComboList
{
public:
    explicit FixedList(std::string text) : m_text(std::move(text)) {}
    int GetCurSel() const override { return 0; }
    std::string GetLBText(int) const override { return m_text; }

private:
    std::string m_text;
};

std::vector<BYTE> frameBytes(BYTE address, const PtzCommand &command)
{
    const auto b =
        makeFrame(address, command.command1, command.command2, command.data1, command.data2)
            .bytes();
    return {b.begin(), b.end()};
}

// The panel's serial side without the widgets: the control, the port connection with its drain
// wired to the control's event, and the camera actions reading the address box from m_address.
class LineFixture : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_links.isValid());
        m_device = m_links.filePath(QStringLiteral("ttyCAM"));
        plugIn();
        m_control = std::make_unique<SerialControl>([this](int number) -> std::optional<QString> {
            if (number != 1)
                return std::nullopt;
            return m_device;
        });
        m_connection = std::make_unique<PortConnection>(*m_control);
        m_actions = std::make_unique<CameraActions>(
            *m_control, [this](int id) { return id == IDC_ADDRESS ? m_address : "1"; });
        m_control->setOnComm([this] { m_connection->OnSerialEvent(); });
    }

    // The camera's adapter appears as m_device, a link to a new pseudo-terminal's slave (as
    // udev would make /dev/serial/by-id/...).
    void plugIn()
    {
        m_pty = std::make_unique<PtyPair>();
        QFile::remove(m_device);
        ASSERT_TRUE(QFile::link(QString::fromStdString(m_pty->slavePath()), m_device));
    }

    // The adapter is pulled out: the line hangs up and its name goes. (The name, not the
    // pseudo-terminal's own path, so that a pseudo-terminal of a test running in parallel that
    // reuses the number cannot stand in for it.)
    void vanish()
    {
        m_pty->closeMaster();
        m_pty->closeSlave();
        QFile::remove(m_device);
    }

    // The operator chooses COM1 at 9600 baud.
    void choosePort() { m_connection->OnSelchangePortOrBaud(FixedList("COM1"), FixedList("9600")); }

    // Runs an operator action; returns the control's error text, or nullopt when none was raised.
    // Any other exception fails the test.
    template <typename Action> std::optional<std::string> refusal(Action action)
    {
        try {
            action();
        } catch (const CommError &error) {
            return error.description();
        }
        return std::nullopt;
    }

    QTemporaryDir m_links;
    std::unique_ptr<PtyPair> m_pty;
    QString m_device;
    std::unique_ptr<SerialControl> m_control;
    std::unique_ptr<PortConnection> m_connection;
    std::unique_ptr<CameraActions> m_actions;
    std::string m_address = "1";
};

// The device vanishes while the port is open: the hang-up must not spin the event loop, the next
// action is refused with an explanation (or finds the port closed: never a silent success), the
// panel can still close the port, choosing the vanished port again is refused, and a new device
// works at once.
class DeviceVanishes : public LineFixture, public ::testing::WithParamInterface<bool>
{};

TEST_P(DeviceVanishes, RefusedClearlyAndTheOperatorCanCarryOn)
{
    const bool buttonHeld = GetParam();
    choosePort();
    ASSERT_TRUE(m_control->portOpen());
    if (buttonHeld) {
        m_actions->PreTranslateMessage(HookMessage::LeftButtonDown, IDC_UP);
        EXPECT_EQ(m_pty->read(7), frameBytes(1, PtzCommands::up));
    }

    vanish();

    // A hang-up that the control keeps being woken for would burn a core here.
    const double cpuBefore = cpuSeconds();
    processEventsFor(500);
    EXPECT_LT(cpuSeconds() - cpuBefore, 0.25) << "the event loop spins on the hang-up";

    // Letting go of the button (or pressing one when idle): the hook either finds the port
    // closed and sends nothing, or the write is refused. A write reported as done is a lie.
    const auto hook = buttonHeld ? HookMessage::LeftButtonUp : HookMessage::LeftButtonDown;
    const bool openBefore = m_control->portOpen();
    const auto hookError =
        refusal([&] { m_actions->PreTranslateMessage(hook, buttonHeld ? IDC_UP : IDC_DOWN); });
    if (openBefore) {
        ASSERT_TRUE(hookError.has_value()) << "a frame to a vanished device went out 'fine'";
        EXPECT_FALSE(hookError->empty());
    } else {
        EXPECT_FALSE(hookError.has_value());
    }

    // "GO TO" writes whatever PortOpen says, so it must be refused, with a text to show.
    const auto gotoError = refusal([&] { m_actions->OnGotoPreset(); });
    ASSERT_TRUE(gotoError.has_value()) << "a preset frame to a vanished device went out 'fine'";
    EXPECT_FALSE(gotoError->empty());

    // The close box must still work, or the operator could not leave the panel.
    EXPECT_NO_THROW(m_connection->OnClose());
    EXPECT_FALSE(m_control->portOpen());

    // The device is gone: choosing it again is refused, and the port stays closed.
    const auto reopenError = refusal([&] { choosePort(); });
    ASSERT_TRUE(reopenError.has_value());
    EXPECT_FALSE(reopenError->empty());
    EXPECT_FALSE(m_control->portOpen());

    // A new device under the same name works at once.
    plugIn();
    ASSERT_NO_THROW(choosePort());
    m_actions->PreTranslateMessage(HookMessage::LeftButtonDown, IDC_LEFT);
    m_actions->PreTranslateMessage(HookMessage::LeftButtonUp, IDC_LEFT);
    auto expected = frameBytes(1, PtzCommands::left);
    const auto stop = frameBytes(1, PtzCommands::stop);
    expected.insert(expected.end(), stop.begin(), stop.end());
    EXPECT_EQ(m_pty->read(14), expected);
}

INSTANTIATE_TEST_SUITE_P(Line, DeviceVanishes, ::testing::Values(true, false),
                         [](const auto &p) { return p.param ? "WhileHeld" : "WhileIdle"; });

// Writes count pseudo-random bytes into the master as fast as the slave takes them. Every byte
// value comes up, 0x11 and 0x13 included: on the panel's line they are data like any other, so
// nothing may ever need an XON to get the frames out again. Returns the count written before the
// deadline.
std::size_t flood(int master, std::size_t count, unsigned seed, int timeoutMs,
                  const std::atomic<bool> *stop = nullptr)
{
    std::mt19937 random(seed);
    std::uint8_t chunk[4096];
    std::size_t written = 0;
    QElapsedTimer clock;
    clock.start();
    const auto going = [&] { return clock.elapsed() < timeoutMs && !(stop && *stop); };
    while (written < count && going()) {
        const std::size_t n = std::min(sizeof chunk, count - written);
        for (std::size_t i = 0; i < n; ++i)
            chunk[i] = static_cast<std::uint8_t>(random());
        std::size_t done = 0;
        while (done < n && going()) {
            pollfd p{master, POLLOUT, 0};
            if (::poll(&p, 1, 50) <= 0)
                continue;
            const ssize_t w = ::write(master, chunk + done, n - done);
            if (w > 0)
                done += static_cast<std::size_t>(w);
        }
        written += done;
    }
    return written;
}

using Flood = LineFixture;

// 1 MiB of noise at full speed while the operator presses and releases buttons: every frame
// goes out intact and in order, resident memory stays within a bound well under the flood's
// size (a control that kept what it was sent would grow by the whole MiB), and the loop keeps
// answering (no turn of it takes long).
TEST_F(Flood, FramesIntactMemoryFlatLoopAnswering)
{
    constexpr std::size_t floodBytes = 1 << 20;
    constexpr long rssBoundKiB = 384;
    constexpr qint64 longestTurnMs = 250;

    choosePort();
    ASSERT_TRUE(m_control->portOpen());

    // Warm up once with the same machinery, so that thread stacks, allocator arenas and Qt's
    // own buffers exist before the measurement.
    std::size_t warm = 0;
    std::atomic<bool> warmDone{false};
    std::thread warmUp([&] {
        warm = flood(m_pty->masterFd(), 64 << 10, 1, 10000);
        warmDone = true;
    });
    processEventsUntil([&] { return warmDone.load(); }, 15000);
    warmUp.join();
    ASSERT_EQ(warm, std::size_t{64 << 10});
    processEventsFor(100);
    m_pty->readAvailable();

    const long rssBefore = vmRssKiB();
    ASSERT_GT(rssBefore, 0);

    std::atomic<bool> floodDone{false};
    std::atomic<bool> stopFlood{false}; // set on a failure, so that it ends at once
    std::size_t flooded = 0;
    std::thread writer([&] {
        flooded = flood(m_pty->masterFd(), floodBytes, 2, 20000, &stopFlood);
        floodDone = true;
    });

    std::vector<BYTE> expected;
    std::vector<BYTE> received;
    expected.reserve(1 << 16);
    received.reserve(1 << 16);
    const std::array<std::pair<int, const PtzCommand *>, 4> buttons{{
        {IDC_UP, &PtzCommands::up},
        {IDC_LEFT, &PtzCommands::left},
        {IDC_ZOOM_PLUS, &PtzCommands::zoomTele},
        {IDC_FOCUS_MINUS, &PtzCommands::focusNear},
    }};
    int frames = 0;
    qint64 longestTurn = 0;
    QElapsedTimer turn;
    while (!floodDone || frames < 200) {
        // One press or release per turn, to a changing address so that order is visible.
        const BYTE address = static_cast<BYTE>(1 + frames / 2 % 200);
        m_address = std::to_string(address);
        const auto &[id, command] = buttons[static_cast<std::size_t>(frames / 2) % buttons.size()];
        const bool press = frames % 2 == 0;
        // A refused frame ends the run as a failure (the writer must still be joined).
        const auto refused = refusal([&] {
            m_actions->PreTranslateMessage(
                press ? HookMessage::LeftButtonDown : HookMessage::LeftButtonUp, id);
        });
        if (refused) {
            ADD_FAILURE() << "frame " << frames << " refused during the flood: " << *refused;
            stopFlood = true;
            break;
        }
        const auto sent = frameBytes(address, press ? *command : PtzCommands::stop);
        expected.insert(expected.end(), sent.begin(), sent.end());
        ++frames;

        turn.start();
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        longestTurn = std::max(longestTurn, turn.elapsed());
        const auto got = m_pty->readAvailable();
        received.insert(received.end(), got.begin(), got.end());
        if (frames > 20000)
            break;
    }
    writer.join();
    if (stopFlood)
        return;
    EXPECT_EQ(flooded, floodBytes) << "the control stopped taking bytes off the line";

    processEventsUntil(
        [&] {
            const auto got = m_pty->readAvailable();
            received.insert(received.end(), got.begin(), got.end());
            return received.size() >= expected.size();
        },
        5000);
    processEventsFor(100);
    const long rssAfter = vmRssKiB();

    ASSERT_EQ(received.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); i += 7)
        ASSERT_TRUE(std::equal(expected.begin() + static_cast<std::ptrdiff_t>(i),
                               expected.begin() + static_cast<std::ptrdiff_t>(i + 7),
                               received.begin() + static_cast<std::ptrdiff_t>(i)))
            << "frame " << i / 7 << " of " << frames << " arrived changed";
    if (residentMemoryMeaningful) {
        EXPECT_LT(rssAfter - rssBefore, rssBoundKiB)
            << "VmRSS " << rssBefore << " KiB before the flood, " << rssAfter << " KiB after";
    }
    EXPECT_LT(longestTurn, longestTurnMs) << "the event loop stopped answering";
    EXPECT_TRUE(m_control->portOpen());
    RecordProperty("frames", frames);
    RecordProperty("rssGrowthKiB", static_cast<int>(rssAfter - rssBefore));
}
} // namespace

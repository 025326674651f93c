// Faults as the operator meets them in the real control panel (offscreen, in-process): a refused
// open at each configuration step, refused writes, the device vanishing under a held button, and
// a flood of noise while the operator works. Each time the panel stays up, tells the operator
// once where an error is due, and works again as soon as the cause is gone.
#include "commandframe.h"
#include "commands.h"
#include "controlcontainer.h"
#include "errorreport.h"
#include "faultsupport.h"
#include "hex.h"
#include "panelharness.h"
#include "ptypair.h"
#include "ptzcontrolpanel.h"
#include "recordingcomm.h"
#include "resource.h"
#include "serialcontrol.h"

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

#include <poll.h>
#include <unistd.h>

namespace {
std::vector<BYTE> frameBytes(BYTE address, const PtzCommand &command)
{
    const auto b =
        makeFrame(address, command.command1, command.command2, command.data1, command.data2)
            .bytes();
    return {b.begin(), b.end()};
}

std::string hex(const std::vector<BYTE> &bytes)
{
    return pelco::toHex(bytes.data(), bytes.size());
}

class PanelFaults : public ::testing::Test
{
protected:
    void SetUp() override
    {
        setErrorReporter([this](const ErrorReport &report) { m_reports.push_back(report); });
        m_panel.setPortSource(&m_ports);
    }
    void TearDown() override
    {
        setErrorReporter({});
        disableControlContainer();
    }

    void useRecordingControl()
    {
        enableControlContainer([this] {
            auto control = std::make_unique<RecordingComm>();
            m_fake = control.get();
            return control;
        });
    }

    // The real control; COM1 is the pseudo-terminal's slave of the moment.
    void useSerialControl()
    {
        m_pty = std::make_unique<PtyPair>();
        enableControlContainer([this]() -> std::unique_ptr<CMSComm> {
            return std::make_unique<SerialControl>([this](int n) -> std::optional<QString> {
                if (n != 1 || !m_pty)
                    return std::nullopt;
                return QString::fromStdString(m_pty->slavePath());
            });
        });
    }

    // One report, as the operator sees it: the stop icon, OK, the title, over the panel.
    void expectOneReport(const std::string &text)
    {
        ASSERT_EQ(m_reports.size(), 1u);
        const ErrorReport &report = m_reports.front();
        EXPECT_EQ(report.owner, &m_panel);
        EXPECT_EQ(report.icon, QMessageBox::Critical);
        EXPECT_EQ(report.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        EXPECT_EQ(report.caption, applicationTitle());
        if (!text.empty())
            EXPECT_EQ(report.text.toStdString(), text);
        else
            EXPECT_FALSE(report.text.isEmpty());
    }

    std::vector<std::string> takeLog() { return std::exchange(m_fake->log, {}); }

    // Declared before the panel: the panel's control still holds the slave when it goes.
    std::unique_ptr<PtyPair> m_pty;
    FixedPortSource m_ports{{"COM1 (pts)"}};
    CPtzControlDlg m_panel;
    RecordingComm *m_fake = nullptr;
    std::vector<ErrorReport> m_reports;
};

// The configuration, as the recording control logs it for COM1 at 9600 baud.
const std::vector<std::string> kOpenSteps{
    "put CommPort 1",       "put Settings 9600,n,8,1", "put InputMode 1",
    "put InBufferSize 128", "put OutBufferSize 128",   "put InputLen 0",
    "put InBufferCount 0",  "put OutBufferCount 0",    "put RThreshold 1",
    "put Handshaking 0",    "put PortOpen true",
};

class RefusedOpen : public PanelFaults, public ::testing::WithParamInterface<std::size_t>
{};

// The control refuses step k of the open: the operator gets one report with the control's text,
// no later step is put, the port stays closed, the panel stays; choosing again then opens it.
TEST_P(RefusedOpen, ReportedOnceNothingLaterPutAndARetryOpens)
{
    const std::size_t step = GetParam();
    useRecordingControl();
    runPanel(m_panel, [&] {
        m_fake->failOn(kOpenSteps[step], "COM1 refused step " + std::to_string(step + 1));
        takeLog();
        chooseNext(m_panel, IDC_PORT_LIST);

        const auto log = takeLog();
        std::vector<std::string> puts;
        for (const auto &line : log)
            if (line.rfind("put ", 0) == 0)
                puts.push_back(line);
        const std::vector<std::string> expected(
            kOpenSteps.begin(), kOpenSteps.begin() + static_cast<std::ptrdiff_t>(step + 1));
        EXPECT_EQ(puts, expected);
        expectOneReport("COM1 refused step " + std::to_string(step + 1));
        EXPECT_FALSE(m_fake->open);
        EXPECT_TRUE(m_panel.isVisible());

        // Nothing is sent while closed, and a retry from the other list opens the port.
        pressButton(m_panel, IDC_UP);
        releaseButton(m_panel, IDC_UP);
        EXPECT_TRUE(m_fake->outputs.empty());
        chooseNext(m_panel, IDC_BAUD_LIST);
        EXPECT_TRUE(m_fake->open);
        EXPECT_EQ(m_reports.size(), 1u);
        pressButton(m_panel, IDC_UP);
        ASSERT_EQ(m_fake->outputs.size(), 1u);
        EXPECT_EQ(m_fake->outputs[0], frameBytes(1, PtzCommands::up));
    });
}

INSTANTIATE_TEST_SUITE_P(Panel, RefusedOpen, ::testing::Range<std::size_t>(0, 11),
                         [](const auto &p) { return "Step" + std::to_string(p.param + 1); });

// A refused write, on each path that writes: the preset clicks report it in the handler, the
// hook reports it once the event has been delivered; "<-- Save" stops after its first frame.
// The next write, once the control takes it again, goes out.
struct WritePath
{
    const char *name;
    std::function<void(CPtzControlDlg &)> act;
    std::size_t attempts; // Output puts made by the action
};

class RefusedWrite : public PanelFaults, public ::testing::WithParamInterface<WritePath>
{};

TEST_P(RefusedWrite, ReportedOnceAndTheNextWriteGoesOut)
{
    useRecordingControl();
    runPanel(m_panel, [&] {
        chooseNext(m_panel, IDC_PORT_LIST);
        ASSERT_TRUE(m_fake->open);
        m_fake->failOn("put Output", "Writing to COM1 failed: Input/output error");
        takeLog();
        GetParam().act(m_panel);
        processEventsUntil([&] { return !m_reports.empty(); }, 10000);
        processEventsFor(50);

        EXPECT_EQ(m_fake->count("put Output"), GetParam().attempts);
        expectOneReport("Writing to COM1 failed: Input/output error");
        EXPECT_TRUE(m_panel.isVisible());

        m_fake->outputs.clear();
        clickButton(m_panel, IDC_GOTO_PRESET);
        ASSERT_EQ(m_fake->outputs.size(), 1u);
        EXPECT_EQ(hex(m_fake->outputs[0]), "FF 01 00 07 00 01 09");
        EXPECT_EQ(m_reports.size(), 1u);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Panel, RefusedWrite,
    ::testing::Values(
        WritePath{"GoTo", [](CPtzControlDlg &p) { clickButton(p, IDC_GOTO_PRESET); }, 1},
        WritePath{"Set", [](CPtzControlDlg &p) { clickButton(p, IDC_SET_PRESET); }, 1},
        WritePath{"Save", [](CPtzControlDlg &p) { clickButton(p, IDC_SAVE); }, 1},
        WritePath{"HoldPress",
                  [](CPtzControlDlg &p) {
                      pressButton(p, IDC_ZOOM_PLUS);
                      // Until the press's failure is reported the hook sends nothing, so
                      // the release brings no second write and no second report.
                      releaseButton(p, IDC_ZOOM_PLUS);
                  },
                  1}),
    [](const auto &p) { return std::string(p.param.name); });

// The device vanishes under a held "UP" (the pty's master closes): releasing it, and then a
// preset click, give reports rather than silence or a crash; the close box still ends the panel
// with the port closed.
TEST_F(PanelFaults, DeviceVanishesWhileHeldThenTheCloseBoxStillWorks)
{
    useSerialControl();
    const int result = runPanel(m_panel, [&] {
        chooseNext(m_panel, IDC_PORT_LIST);
        ASSERT_TRUE(m_panel.comm()->portOpen())
            << (m_reports.empty() ? std::string() : m_reports[0].text.toStdString());
        pressButton(m_panel, IDC_UP);
        EXPECT_EQ(m_pty->read(7), frameBytes(1, PtzCommands::up));

        m_pty->closeMaster();
        m_pty->closeSlave();
        processEventsFor(300);
        const bool openBefore = m_panel.comm()->portOpen();
        releaseButton(m_panel, IDC_UP);
        processEventsFor(200);
        // Either the control noticed and the hook sent nothing, or the write is reported.
        EXPECT_EQ(m_reports.size(), openBefore ? 1u : 0u);
        EXPECT_TRUE(m_panel.isVisible());

        const std::size_t before = m_reports.size();
        clickButton(m_panel, IDC_GOTO_PRESET);
        EXPECT_EQ(m_reports.size(), before + 1) << "a preset frame to a vanished device";
        EXPECT_TRUE(m_panel.isVisible());

        m_panel.close(); // the close box
        EXPECT_FALSE(m_panel.isVisible());
    });
    EXPECT_EQ(result, 2);
    EXPECT_EQ(m_panel.comm()->portOpen(), false);
}

// The device vanishes while idle and a new one takes its name: choosing the port again opens
// the new device, and the hold-to-move buttons work on it.
TEST_F(PanelFaults, DeviceVanishesWhileIdleAndANewOneWorksAtOnce)
{
    useSerialControl();
    runPanel(m_panel, [&] {
        chooseNext(m_panel, IDC_PORT_LIST);
        ASSERT_TRUE(m_panel.comm()->portOpen());
        m_pty->closeMaster();
        m_pty->closeSlave();
        processEventsFor(300);
        EXPECT_TRUE(m_reports.empty()) << "nothing to tell before the operator acts";

        m_pty = std::make_unique<PtyPair>();
        chooseNext(m_panel, IDC_BAUD_LIST); // 19200
        EXPECT_TRUE(m_reports.empty()) << m_reports[0].text.toStdString();
        ASSERT_TRUE(m_panel.comm()->portOpen());
        pressButton(m_panel, IDC_RIGHT);
        releaseButton(m_panel, IDC_RIGHT);
        auto expected = frameBytes(1, PtzCommands::right);
        const auto stop = frameBytes(1, PtzCommands::stop);
        expected.insert(expected.end(), stop.begin(), stop.end());
        EXPECT_EQ(hex(m_pty->read(14)), hex(expected));
    });
}

// 1 MiB of noise at full speed from the camera while the operator presses, releases and types
// a new address: every frame goes out intact and in order with the address typed, the window
// answers each input before the next (the frame is on the line within a deadline, no turn of
// its loop takes long), and resident
// memory grows by less than 384 KiB (keeping the noise would take 1024).
TEST_F(PanelFaults, FloodWhileTheOperatorWorks)
{
    constexpr std::size_t floodBytes = 1 << 20;
    constexpr long rssBoundKiB = 384;
    // Margins for a machine whose cores are all busy, under the sanitizers: a quiet machine
    // takes the flood in well under a second, turns the loop in a few ms and has each frame
    // on the line at once. A stalled drain never finishes the flood; the frozen window this
    // guards against stood still for the control's 2 s write bound.
    constexpr qint64 floodDeadlineMs = 60000;
    constexpr int frameDeadlineMs = 5000;
    constexpr qint64 longestTurnMs = 1500;
    useSerialControl();
    runPanel(m_panel, [&] {
        chooseNext(m_panel, IDC_PORT_LIST);
        ASSERT_TRUE(m_panel.comm()->portOpen());
        auto *address = qobject_cast<QLineEdit *>(m_panel.GetDlgItem(IDC_ADDRESS));

        // A first round of everything, so that allocations made once are not counted.
        pressButton(m_panel, IDC_UP);
        releaseButton(m_panel, IDC_UP);
        m_pty->read(14);
        processEventsFor(50);
        const long rssBefore = vmRssKiB();

        std::atomic<bool> done{false};
        std::atomic<bool> stop{false}; // a failure ends the flood at once
        std::atomic<std::size_t> flooded{0};
        const int master = m_pty->masterFd();
        std::thread writer([&] {
            std::mt19937 random(7);
            std::uint8_t chunk[4096];
            QElapsedTimer clock;
            clock.start();
            while (flooded < floodBytes && clock.elapsed() < floodDeadlineMs && !stop) {
                for (auto &b : chunk)
                    b = static_cast<std::uint8_t>(random());
                std::size_t off = 0;
                while (off < sizeof chunk && clock.elapsed() < floodDeadlineMs && !stop) {
                    pollfd p{master, POLLOUT, 0};
                    if (::poll(&p, 1, 50) > 0) {
                        const ssize_t w = ::write(master, chunk + off, sizeof chunk - off);
                        if (w > 0)
                            off += static_cast<std::size_t>(w);
                    }
                }
                flooded += off;
            }
            done = true;
        });

        int frames = 0;
        int late = 0;
        qint64 longestTurn = 0;
        QElapsedTimer turn;
        std::vector<BYTE> wrong;
        while (!done || frames < 60) {
            const int n = 2 + frames / 10 % 100;
            if (frames % 10 == 0) {
                address->selectAll();
                QTest::keyClicks(address, QString::number(n));
            }
            const bool press = frames % 2 == 0;
            const auto sent =
                frameBytes(static_cast<BYTE>(n), press ? PtzCommands::left : PtzCommands::stop);
            press ? pressButton(m_panel, IDC_LEFT) : releaseButton(m_panel, IDC_LEFT);
            const auto got = m_pty->read(7, frameDeadlineMs);
            if (got.size() < 7)
                ++late;
            else if (got != sent && wrong.empty())
                wrong = got;
            ++frames;
            if (!m_reports.empty()) { // a refused frame: the report below says which
                stop = true;
                break;
            }
            // The operator's loop runs between inputs: that is where the noise is drained.
            turn.start();
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
            longestTurn = std::max(longestTurn, turn.elapsed());
            if (frames > 100000)
                break;
        }
        writer.join();
        processEventsFor(100);
        const long rssAfter = vmRssKiB();

        EXPECT_TRUE(m_reports.empty()) << m_reports.front().text.toStdString();
        if (stop)
            return;
        EXPECT_EQ(flooded.load(), floodBytes) << "the panel stopped taking bytes off the line";
        EXPECT_EQ(late, 0) << "frames not on the line within " << frameDeadlineMs << " ms";
        EXPECT_TRUE(wrong.empty()) << "a frame arrived as " << hex(wrong);
        EXPECT_LT(longestTurn, longestTurnMs) << "the window stopped answering";
        if (residentMemoryMeaningful) {
            EXPECT_LT(rssAfter - rssBefore, rssBoundKiB)
                << "VmRSS " << rssBefore << " KiB before, " << rssAfter << " KiB after";
        }
        EXPECT_TRUE(m_panel.isVisible());
        RecordProperty("frames", frames);
        RecordProperty("rssGrowthKiB", static_cast<int>(rssAfter - rssBefore));
    });
}
} // namespace

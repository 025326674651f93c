// The port list is filled after the panel's first paint, off the panel's thread, and input to
// the list before then waits for the ports: never an empty or partial list to choose from.
#include "paneltestsupport.h"

#include "resource.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>
#include <QWheelEvent>

#include <gmock/gmock.h>

#include <atomic>
#include <chrono>
#include <future>
#include <regex>
#include <thread>

namespace {
QStringList itemsOf(const QComboBox &combo)
{
    QStringList items;
    for (int i = 0; i < combo.count(); ++i)
        items << combo.itemText(i);
    return items;
}

const QStringList allPorts{"COM1 (ttyS0)", "COM10 (pts/2)", "COM2 (ttyS1)", "COM3 (ttyUSB0)"};

// The panel's fake ports, whose reading waits until the test lets it go on, and which notes
// when and where it was read.
class GatedPortSource : public FakePortSource
{
public:
    GatedPortSource()
        : FakePortSource({"COM3 (ttyUSB0)", "COM1 (ttyS0)", "COM10 (pts/2)", "COM2 (ttyS1)"}),
          m_released(m_release.get_future().share())
    {}
    ~GatedPortSource() override { release(); }

    bool open() override
    {
        readOnPanelThread = QThread::currentThread() == qApp->thread();
        paintedWhenRead = painted.load();
        opened = true;
        m_released.wait_for(std::chrono::seconds(10));
        return true;
    }

    void release()
    {
        if (!m_releasedOnce.exchange(true))
            m_release.set_value();
    }
    // Lets the reading go on after ms, from another thread, while the panel's thread waits.
    std::thread releaseLater(int ms)
    {
        return std::thread([this, ms] {
            std::this_thread::sleep_for(std::chrono::milliseconds(ms));
            release();
        });
    }

    std::atomic<bool> painted{false};
    std::atomic<bool> opened{false};
    std::atomic<bool> paintedWhenRead{false};
    std::atomic<bool> readOnPanelThread{false};

private:
    std::promise<void> m_release;
    std::shared_future<void> m_released;
    std::atomic<bool> m_releasedOnce{false};
};

// Notes the panel's first paint, and what the port list held then.
class PaintWatch : public QObject
{
public:
    PaintWatch(CPtzControlDlg &panel, GatedPortSource &source) : m_source(source)
    {
        panel.installEventFilter(this);
    }
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && !m_source.painted) {
            const auto *panel = static_cast<CPtzControlDlg *>(watched);
            if (auto *list = qobject_cast<QComboBox *>(panel->GetDlgItem(IDC_PORT_LIST)))
                itemsAtFirstPaint = list->count();
            m_source.painted = true;
        }
        return false;
    }
    int itemsAtFirstPaint = -1;

private:
    GatedPortSource &m_source;
};

// Runs dlg modally with body inside its loop, as PanelTest::run does for the fixture's panel.
void runDialog(CPtzControlDlg &dlg, const std::function<void()> &body)
{
    QTimer::singleShot(0, &dlg, [&] {
        dlg.activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&dlg));
        body();
        if (dlg.isVisible())
            dlg.done(99);
    });
    dlg.DoModal();
}

class DeferredPortListTest : public PanelTest
{
protected:
    void SetUp() override
    {
        PanelTest::SetUp();
        panel.setPortSource(&gated);
    }
    // The panel has been painted and its reading has begun, held by the source.
    void waitUntilReadingHeld()
    {
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
        ASSERT_TRUE(QTest::qWaitFor([&] { return gated.opened.load(); }, 5000));
    }

    GatedPortSource gated;
    PaintWatch watch{panel, gated};
};
} // namespace

TEST_F(DeferredPortListTest, ThePortsAreReadAfterTheFirstPaintOffThePanelsThread)
{
    runDialog(panel, [&] {
        waitUntilReadingHeld();
        EXPECT_TRUE(gated.paintedWhenRead);
        EXPECT_FALSE(gated.readOnPanelThread);
        EXPECT_EQ(watch.itemsAtFirstPaint, 0);
        // While the reading is held the panel runs on, its list empty.
        QTest::qWait(50);
        EXPECT_EQ(item<QComboBox>(IDC_PORT_LIST)->count(), 0);
        EXPECT_TRUE(panel.isVisible());

        gated.release();
        auto *list = item<QComboBox>(IDC_PORT_LIST);
        ASSERT_TRUE(QTest::qWaitFor([&] { return list->count() == 4; }, 5000));
        EXPECT_EQ(itemsOf(*list), allPorts);
        EXPECT_EQ(list->currentIndex(), -1);
        EXPECT_EQ(list->currentText(), QString());
        EXPECT_THAT(takeLog(), testing::IsEmpty()) << "no port opens by itself";
    });
}

TEST_F(DeferredPortListTest, AListDroppedBeforeThePortsAreReadShowsThemAll)
{
    // The keyboard's Alt+Down, and a click on the arrow.
    const std::function<void(QComboBox *)> drops[] = {
        [](QComboBox *list) { QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier); },
        [](QComboBox *list) {
            QTest::mouseClick(list, Qt::LeftButton, {}, QPoint(list->width() - 5, 5));
        }};
    for (std::size_t i = 0; i < std::size(drops); ++i) {
        SCOPED_TRACE(i);
        GatedPortSource source;
        CPtzControlDlg dlg;
        dlg.setPortSource(&source);
        runDialog(dlg, [&] {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
            auto *list = qobject_cast<QComboBox *>(dlg.GetDlgItem(IDC_PORT_LIST));
            ASSERT_EQ(list->count(), 0);
            list->setFocus();
            std::thread releaser = source.releaseLater(200);
            drops[i](list);
            releaser.join();
            QAbstractItemView *view = list->view();
            EXPECT_TRUE(view->isVisible()) << "the list dropped";
            EXPECT_EQ(view->model()->rowCount(), 4);
            EXPECT_EQ(itemsOf(*list), allPorts);
            list->hidePopup();
        });
    }
}

TEST_F(DeferredPortListTest, AKeyOrAWheelNotchRightAfterTheStartChoosesFromTheWholeList)
{
    const auto notch = [](QComboBox *list) {
        const QPointF pos(5, 5);
        QWheelEvent event(pos, list->mapToGlobal(pos), QPoint(), QPoint(0, -120), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QApplication::sendEvent(list, &event);
    };
    const std::function<void(QComboBox *)> steps[] = {
        [](QComboBox *list) { QTest::keyClick(list, Qt::Key_Down); }, notch};
    for (std::size_t i = 0; i < std::size(steps); ++i) {
        SCOPED_TRACE(i);
        GatedPortSource source;
        CPtzControlDlg dlg;
        dlg.setPortSource(&source);
        runDialog(dlg, [&] {
            ASSERT_TRUE(QTest::qWaitForWindowExposed(&dlg));
            auto *list = qobject_cast<QComboBox *>(dlg.GetDlgItem(IDC_PORT_LIST));
            ASSERT_EQ(list->count(), 0);
            list->setFocus();
            std::thread releaser = source.releaseLater(200);
            steps[i](list); // waits for the ports, then steps to the first
            releaser.join();
            EXPECT_EQ(itemsOf(*list), allPorts);
            EXPECT_EQ(list->currentText(), "COM1 (ttyS0)");
            const auto log = takeLog();
            ASSERT_FALSE(log.empty());
            EXPECT_THAT(log, testing::Contains("put CommPort 1"));
            EXPECT_THAT(log, testing::Contains("put PortOpen true"));
        });
    }
}

TEST_F(DeferredPortListTest, TheSystemsPortsAreListedAfterThePaintAndAChoiceOpensTheRightPort)
{
    // The process's own COM namespace, with one link of ours: COM42.
    QTemporaryDir runtime;
    ASSERT_TRUE(runtime.isValid());
    setenv("XDG_RUNTIME_DIR", qPrintable(runtime.path()), 1);
    const QString portsDir = runtime.path() + "/tarn/ports";
    for (const QString &folder : {runtime.path() + "/tarn", portsDir}) {
        ASSERT_TRUE(QDir().mkdir(folder));
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    const QString device = runtime.path() + "/device";
    QFile(device).open(QIODevice::WriteOnly);
    ASSERT_TRUE(QFile::link(device, portsDir + "/COM42"));

    CPtzControlDlg dlg; // no port source: the system's
    runDialog(dlg, [&] {
        auto *list = qobject_cast<QComboBox *>(dlg.GetDlgItem(IDC_PORT_LIST));
        // Dropped at once; it opens with every port in it.
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down, Qt::AltModifier);
        QAbstractItemView *view = list->view();
        ASSERT_TRUE(view->isVisible());
        const int row =
            list->findText("COM42 (" + device.mid(1).section('/', -1) + ")", Qt::MatchStartsWith);
        ASSERT_GE(row, 0) << itemsOf(*list).join(", ").toStdString();
        EXPECT_EQ(view->model()->rowCount(), list->count());
        view->setCurrentIndex(view->model()->index(row, 0));
        QTest::keyClick(view, Qt::Key_Return);
        EXPECT_THAT(takeLog(), testing::Contains("put CommPort 42"));
    });
}

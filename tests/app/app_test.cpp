#include "paneltestsupport.h"

#include "aboutdlg.h"
#include "helpviewer.h"
#include "hex.h"
#include "ptzcontrolapp.h"
#include "resource.h"

#include <QComboBox>
#include <QMenu>
#include <QTest>

#include <csignal>

#include <gmock/gmock.h>

namespace {
struct HelpCall
{
    QWidget *parent;
    QString file;
    int topic;
};
} // namespace

TEST(AppTest, WithoutASerialControlTheProgramEndsAtOnceShowingNothing)
{
    int shows = 0;
    CPtzControlApp app([] { return std::unique_ptr<CMSComm>(); }, {});
    QTimer::singleShot(0, [&] {
        for (QWidget *w : QApplication::topLevelWidgets())
            shows += w->isVisible();
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.mainWindow(), nullptr);
    QCoreApplication::processEvents();
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(shows, 0);
}

TEST(AppTest, RunsThePanelAsMainWindowAndF1AsksForTheFocusedDialogsTopic)
{
    std::vector<HelpCall> calls;
    RecordingComm *comm = nullptr;
    CPtzControlApp app(
        [&] {
            auto control = std::make_unique<RecordingComm>();
            comm = control.get();
            return control;
        },
        [&](QWidget *parent, const QString &file, int topic) {
            calls.push_back({parent, file, topic});
        });
    CPtzControlDlg *panel = nullptr;
    QWidget *about = nullptr;
    bool aboutWasTheAboutBox = false;
    std::size_t portPuts = 99;
    QTimer::singleShot(0, [&] {
        panel = app.mainWindow();
        ASSERT_NE(panel, nullptr);
        ASSERT_TRUE(panel->isVisible());
        QWidget *zoom = panel->GetDlgItem(IDC_ZOOM_PLUS);
        QTest::keyClick(zoom, Qt::Key_F1);
        QTest::keyClick(zoom, Qt::Key_F1, Qt::ShiftModifier);
        QTest::keyClick(zoom, Qt::Key_F1, Qt::ControlModifier);
        QTimer::singleShot(0, [&] {
            about = QApplication::activeModalWidget();
            if (!about)
                return;
            aboutWasTheAboutBox = dynamic_cast<CAboutDlg *>(about) != nullptr;
            QTest::keyClick(about->focusWidget() ? about->focusWidget() : about, Qt::Key_F1);
            about->close();
        });
        panel->OnSysCommand(IDM_ABOUTBOX);
        QTest::keyClick(panel->GetDlgItem(IDC_ADDRESS), Qt::Key_Escape);
        // Esc ended the panel without touching the port.
        ASSERT_NE(comm, nullptr);
        portPuts = comm->count("put PortOpen");
    });
    EXPECT_FALSE(app.InitInstance());
    EXPECT_EQ(app.mainWindow(), nullptr);
    ASSERT_EQ(calls.size(), 2u);
    EXPECT_EQ(calls[0].topic, 0x20066);
    EXPECT_EQ(calls[0].parent, panel);
    EXPECT_EQ(calls[0].file, helpFilePath());
    EXPECT_EQ(calls[1].topic, 0x20064);
    EXPECT_TRUE(aboutWasTheAboutBox);
    EXPECT_EQ(calls[1].parent, about);
    EXPECT_EQ(portPuts, 0u);
}

TEST(AppTest, TheApplicationTitleIsTheExecutablesBaseName)
{
    EXPECT_EQ(applicationTitle(), "app_tests");
}

namespace {
// The application on the recording control, with F1's requests recorded.
struct RecordingApp
{
    std::vector<HelpCall> calls;
    RecordingComm *comm = nullptr;
    // What the line had seen when each F1 asked for help.
    std::vector<std::size_t> outputsAtHelp;
    CPtzControlApp app{[this] {
                           auto control = std::make_unique<RecordingComm>();
                           comm = control.get();
                           return control;
                       },
                       [this](QWidget *parent, const QString &file, int topic) {
                           calls.push_back({parent, file, topic});
                           outputsAtHelp.push_back(comm ? comm->outputs.size() : 0);
                       }};
};
} // namespace

// F1 while a list is dropped or the panel's menu is open is F1 in the panel: the panel's topic,
// the popup closed. F1 during a hold stops the camera before the help comes.
TEST(AppTest, F1InAPopupOfThePanelAsksForThePanelsTopicAndAHoldStopsFirst)
{
    RecordingApp t;
    CPtzControlDlg *panel = nullptr;
    std::vector<bool> popupOpenBefore;
    std::vector<std::string> sent;
    QTimer::singleShot(0, [&] {
        panel = t.app.mainWindow();
        ASSERT_NE(panel, nullptr);
        const auto f1InPopup = [&] {
            popupOpenBefore.push_back(
                QTest::qWaitFor([] { return QApplication::activePopupWidget() != nullptr; }));
            QWidget *popup = QApplication::activePopupWidget();
            if (!popup)
                return;
            QWidget *target = popup->focusWidget() ? popup->focusWidget() : popup;
            QTest::keyClick(target, Qt::Key_F1);
            EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the popup is closed";
        };
        panel->showSystemMenu(panel->mapToGlobal(QPoint(0, 0)));
        f1InPopup();
        qobject_cast<QComboBox *>(panel->GetDlgItem(IDC_BAUD_LIST))->showPopup();
        f1InPopup();

        t.comm->open = true;
        QWidget *up = panel->GetDlgItem(IDC_UP);
        QTest::mousePress(up, Qt::LeftButton);
        QTest::keyClick(up, Qt::Key_F1);
        QTest::mouseRelease(up, Qt::LeftButton);
        for (const auto &bytes : t.comm->outputs)
            sent.push_back(pelco::toHex(bytes.data(), bytes.size()));
        panel->done(IDCANCEL);
    });
    EXPECT_FALSE(t.app.InitInstance());
    EXPECT_EQ(popupOpenBefore, (std::vector<bool>{true, true}));
    ASSERT_EQ(t.calls.size(), 3u);
    for (const HelpCall &call : t.calls) {
        EXPECT_EQ(call.topic, 0x20066);
        EXPECT_EQ(call.parent, panel);
    }
    // Motion and stop were out when the help was asked for; the release added its own stop.
    EXPECT_EQ(t.outputsAtHelp.back(), 2u);
    EXPECT_THAT(sent, testing::ElementsAre("FF 01 00 08 00 3F 48", "FF 01 00 00 00 00 01",
                                           "FF 01 00 00 00 00 01"));
}

// A signal to end: the boxes over the panel close and the panel ends through the close box's
// path: a held button's stop frame, then the port closed.
TEST(AppTest, AnEndSignalEndsThePanelAsTheCloseBoxDoesEvenUnderTheAboutBox)
{
    RecordingApp t;
    bool aboutWasUp = false;
    std::vector<std::string> log; // the control's, as the panel ended
    QTimer::singleShot(0, [&] {
        CPtzControlDlg *panel = t.app.mainWindow();
        ASSERT_NE(panel, nullptr);
        QObject::connect(panel, &QDialog::finished, [&] { log = t.comm->log; });
        t.comm->open = true;
        QTest::mousePress(panel->GetDlgItem(IDC_UP), Qt::LeftButton);
        t.comm->log.clear();
        QTimer::singleShot(0, [&] {
            aboutWasUp = dynamic_cast<CAboutDlg *>(QApplication::activeModalWidget()) != nullptr;
            t.app.OnEndSignal();
        });
        panel->OnSysCommand(IDM_ABOUTBOX);
    });
    EXPECT_FALSE(t.app.InitInstance());
    EXPECT_TRUE(aboutWasUp);
    EXPECT_THAT(log, testing::ElementsAre("get PortOpen true", "put Output FF 01 00 00 00 00 01",
                                          "get PortOpen true", "put PortOpen false"));
    for (QWidget *w : QApplication::topLevelWidgets())
        EXPECT_FALSE(w->isVisible());
    // With no panel running, a signal does nothing.
    t.app.OnEndSignal();
}

#include "paneltestsupport.h"

#include "aboutdlg.h"
#include "helpviewer.h"
#include "ptzcontrolapp.h"
#include "resource.h"

#include <QTest>

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
    EXPECT_EQ(applicationTitle(), "panel_tests");
}

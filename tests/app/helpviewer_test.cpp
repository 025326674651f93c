#include "aboutdlg.h"
#include "helpviewer.h"
#include "modalrunner.h"

#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>

namespace {
constexpr int panelTopic = 0x20066;
constexpr int aboutTopic = 0x20064;

class HelpFile : public ::testing::Test
{
protected:
    QString write(const QByteArray &content, const QString &name = QStringLiteral("tarn.hlp"))
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    QString path(const QString &name) const { return m_dir.filePath(name); }

private:
    QTemporaryDir m_dir;
};

const QByteArray twoTopics = "Notes for the editor, never shown.\n"
                             "@topic 0x20066 The control panel\n"
                             "\n"
                             "Pick a **port**.\n"
                             "@topic 0x20064 About Tarn\n"
                             "The About box.\n"
                             "\n";
} // namespace

TEST(HelpFilePath, ReplacesTheLastExtensionOrAppendsOne)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/work/build/default/app/tarn", "/work/build/default/app/tarn.hlp"},
        {"/opt/tarn/TARN.EXE", "/opt/tarn/TARN.hlp"},
        {"/opt/tarn/tarn.bin.old", "/opt/tarn/tarn.bin.hlp"},
        {"/opt/v1.2/tarn", "/opt/v1.2/tarn.hlp"}, // a dot in a folder is no extension
        {"tarn", "tarn.hlp"},
        {"./tarn", "./tarn.hlp"},
    };
    for (const auto &[exe, hlp] : cases)
        EXPECT_EQ(helpFilePathFor(QString::fromUtf8(exe)), QString::fromUtf8(hlp)) << exe;
    EXPECT_TRUE(helpFilePath().endsWith(QStringLiteral("/app_tests.hlp")))
        << helpFilePath().toStdString();
}

TEST(HelpFilePath, AnInstalledCopyKeepsItInShareTarnUnderItsPrefix)
{
    const std::pair<const char *, const char *> cases[] = {
        {"/usr/bin/tarn", "/usr/share/tarn/tarn.hlp"},
        {"/opt/tarn/bin/TARN.EXE", "/opt/tarn/share/tarn/TARN.hlp"},
        {"/usr/local/bin/tarn-test", "/usr/local/share/tarn/tarn-test.hlp"},
        {"./tarn", "../share/tarn/tarn.hlp"},
    };
    for (const auto &[exe, hlp] : cases)
        EXPECT_EQ(installedHelpFilePathFor(QString::fromUtf8(exe)), QString::fromUtf8(hlp)) << exe;
}

TEST_F(HelpFile, TheHelpBesideTheProgramWinsOverTheInstalledOne)
{
    // prefix/bin/tarn with prefix/share/tarn/tarn.hlp, as installed; then a build tree's copy
    // beside it too.
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("prefix/bin"))));
    ASSERT_TRUE(QDir().mkpath(path(QStringLiteral("prefix/share/tarn"))));
    const QString exe = write("", QStringLiteral("prefix/bin/tarn"));
    const QString beside = path(QStringLiteral("prefix/bin/tarn.hlp"));
    EXPECT_EQ(findHelpFile(exe), beside) << "neither: the one beside is named as missing";
    const QString installed = write(twoTopics, QStringLiteral("prefix/share/tarn/tarn.hlp"));
    EXPECT_EQ(findHelpFile(exe), installed);
    EXPECT_TRUE(lookUpHelpTopic(findHelpFile(exe), panelTopic).found);
    write(twoTopics, QStringLiteral("prefix/bin/tarn.hlp"));
    EXPECT_EQ(findHelpFile(exe), beside);
    // Another program's help is not ours.
    EXPECT_EQ(findHelpFile(path(QStringLiteral("prefix/bin/tarnctl"))),
              path(QStringLiteral("prefix/bin/tarnctl.hlp")));
}

TEST_F(HelpFile, FindsEachTopicWithItsTitleAndText)
{
    const QString file = write(twoTopics);
    const HelpLookup panel = lookUpHelpTopic(file, panelTopic);
    ASSERT_TRUE(panel.found) << panel.problem.toStdString();
    EXPECT_EQ(panel.title, QStringLiteral("The control panel"));
    EXPECT_EQ(panel.text, QStringLiteral("Pick a **port**."));
    const HelpLookup about = lookUpHelpTopic(file, aboutTopic);
    ASSERT_TRUE(about.found);
    EXPECT_EQ(about.title, QStringLiteral("About Tarn"));
    EXPECT_EQ(about.text, QStringLiteral("The About box."));
}

TEST_F(HelpFile, AMissingTopicOrFileSaysWhichFileItLookedFor)
{
    const QString file = write(twoTopics);
    const HelpLookup noTopic = lookUpHelpTopic(file, 0x20099);
    EXPECT_FALSE(noTopic.found);
    EXPECT_TRUE(noTopic.problem.contains(file)) << noTopic.problem.toStdString();
    EXPECT_TRUE(noTopic.problem.contains(QStringLiteral("0x20099")));
    EXPECT_TRUE(noTopic.problem.startsWith(QStringLiteral("No help is installed")));

    const QString missing = path(QStringLiteral("nothing.hlp"));
    const HelpLookup noFile = lookUpHelpTopic(missing, panelTopic);
    EXPECT_FALSE(noFile.found);
    EXPECT_TRUE(noFile.problem.contains(missing)) << noFile.problem.toStdString();
    EXPECT_TRUE(noFile.problem.contains(QStringLiteral("not found")));
}

TEST_F(HelpFile, MalformedFilesGiveNoTopicAndNeverHang)
{
    struct Case
    {
        const char *name;
        QByteArray content;
        bool found;
        const char *text; // when found
    };
    QByteArray huge(maxHelpFileSize + 10, 'a');
    huge.prepend("@topic 0x20066 Big\n");
    const Case cases[] = {
        {"empty", "", false, nullptr},
        {"no topic lines", "just some text\n", false, nullptr},
        {"binary with NUL bytes", QByteArray("@topic 0x20066 x\n\0\xff\xfe", 21), false, nullptr},
        {"larger than a help file", huge, false, nullptr},
        {"decimal id", "@topic 131174 Panel\ntext\n", false, nullptr},
        {"id without digits", "@topic 0x Panel\ntext\n", false, nullptr},
        {"id that is not hex", "@topic 0xZZ Panel\ntext\n", false, nullptr},
        {"id too long", "@topic 0x0000000000020066 Panel\ntext\n", false, nullptr},
        {"glued to the keyword", "@topic0x20066 Panel\ntext\n", false, nullptr},
        {"a bad topic line ends the topic before it",
         "@topic 0x20066 P\nmine\n@topic nonsense\nnot mine\n", true, "mine"},
        {"the first of two equal ids wins", "@topic 0x20066 A\nfirst\n@topic 0x20066 B\nsecond\n",
         true, "first"},
        {"CRLF lines, upper-case hex", "@topic 0X20066 P\r\nline one\r\nline two\r\n", true,
         "line one\nline two"},
        {"invalid UTF-8 in the text", "@topic 0x20066 P\n\xc3\x28 bad\n", true, nullptr},
        {"no newline at the end", "@topic 0x20066", true, ""},
    };
    for (const Case &c : cases) {
        const HelpLookup lookup = lookUpHelpTopic(write(c.content), panelTopic);
        EXPECT_EQ(lookup.found, c.found) << c.name << ": " << lookup.problem.toStdString();
        if (c.found && c.text) {
            EXPECT_EQ(lookup.text, QString::fromUtf8(c.text)) << c.name;
        }
        if (!c.found) {
            EXPECT_FALSE(lookup.problem.isEmpty()) << c.name;
        }
    }
}

TEST_F(HelpFile, AFolderOrAPipeIsNotReadAsAHelpFile)
{
    const QString folder = path(QStringLiteral("folder.hlp"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString fifo = path(QStringLiteral("fifo.hlp"));
    ASSERT_EQ(mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
    for (const QString &file : {folder, fifo}) {
        // A pipe with no writer would block a plain read for ever.
        const HelpLookup lookup = lookUpHelpTopic(file, panelTopic);
        EXPECT_FALSE(lookup.found);
        EXPECT_TRUE(lookup.problem.contains(QStringLiteral("cannot be read")))
            << lookup.problem.toStdString();
    }
}

TEST(ShippedHelp, HasBothTopicsAndIsCopiedNextToTheProgram)
{
    const QString source = QStringLiteral(TARN_SOURCE_DIR "/res/help/tarn.hlp");
    const HelpLookup panel = lookUpHelpTopic(source, panelTopic);
    ASSERT_TRUE(panel.found) << panel.problem.toStdString();
    for (const char *word :
         {"COM Ports", "Baud Rate", "Address", "GO TO", "SET", "<-- Save", "hold", "message box",
          "Menu key", "Shift+F10", "Alt+Space", "About Tarn..."})
        EXPECT_TRUE(panel.text.contains(QString::fromUtf8(word))) << word;
    const HelpLookup about = lookUpHelpTopic(source, CAboutDlg::helpTopic);
    ASSERT_TRUE(about.found) << about.problem.toStdString();
    EXPECT_TRUE(about.text.contains(QStringLiteral("OK")));

    QFile built(QStringLiteral(TARN_BUILT_HELP_FILE));
    QFile shipped(source);
    ASSERT_TRUE(built.open(QIODevice::ReadOnly)) << "the build copies the help next to tarn";
    ASSERT_TRUE(shipped.open(QIODevice::ReadOnly));
    EXPECT_EQ(built.readAll(), shipped.readAll());
}

TEST_F(HelpFile, ViewerShowsTheTopicAndCloses)
{
    const HelpLookup lookup = lookUpHelpTopic(write(twoTopics), panelTopic);
    ASSERT_TRUE(lookup.found);
    QWidget parent;
    parent.show();
    std::unique_ptr<QDialog> viewer(createHelpViewer(&parent, lookup));
    EXPECT_EQ(viewer->parentWidget(), &parent);
    EXPECT_EQ(viewer->windowTitle(), QStringLiteral("app_tests Help"));
    auto *browser = viewer->findChild<QTextBrowser *>();
    ASSERT_NE(browser, nullptr);
    const QString shown = browser->toPlainText();
    EXPECT_TRUE(shown.contains(QStringLiteral("The control panel")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Pick a port."))) << "Markdown is rendered";
    viewer->show();
    EXPECT_TRUE(viewer->isVisible());
    viewer->close();
    EXPECT_FALSE(viewer->isVisible());
}

TEST_F(HelpFile, WithoutTheTopicShowHelpSaysNoHelpIsInstalledInABoxOverItsParent)
{
    const QString file = write(twoTopics);
    const QString missing = path(QStringLiteral("missing.hlp"));
    struct Case
    {
        const char *name;
        QString file;
        int topic;
    };
    const Case cases[] = {
        {"no such topic", file, 0x20070},
        {"no file", missing, panelTopic},
    };
    QWidget parent;
    parent.show();
    for (const Case &c : cases) {
        QString seen;
        bool wasMessage = false;
        ModalRunner runner([](QWidget *) { return true; },
                           [&](QWidget *modal) {
                               if (auto *box = qobject_cast<QMessageBox *>(modal)) {
                                   wasMessage = true;
                                   seen = box->text();
                               }
                               EXPECT_EQ(modal->parentWidget(), &parent) << c.name;
                               modal->close();
                           });
        showHelp(&parent, c.file, c.topic);
        EXPECT_TRUE(runner.acted()) << c.name;
        EXPECT_FALSE(runner.timedOut()) << c.name;
        EXPECT_TRUE(wasMessage) << c.name;
        EXPECT_TRUE(seen.contains(c.file)) << c.name << ": " << seen.toStdString();
        EXPECT_EQ(helpWindow(), nullptr) << c.name;
    }
}

// The help window is a window of its own beside the panel, as a help engine's is: showHelp
// returns at once and blocks nothing; the next F1 (from the panel or from its About box) shows
// its topic in the same window; it covers nothing of the panel; it goes with the panel.
TEST_F(HelpFile, TheHelpWindowIsOneModelessWindowBesideThePanel)
{
    const QString file = write(twoTopics);
    auto panel = std::make_unique<QDialog>();
    panel->resize(400, 250);
    panel->move(150, 150);
    panel->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(panel.get()));
    auto *about = new QDialog(panel.get()); // the panel's, as the About box is
    about->show();

    showHelp(panel.get(), file, panelTopic);
    QPointer<QDialog> window = helpWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(window->isModal());
    EXPECT_EQ(window->windowModality(), Qt::NonModal);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
    EXPECT_EQ(window->parentWidget(), panel.get());
    EXPECT_TRUE(window->findChild<QTextBrowser *>()->toPlainText().contains("Pick a port."));
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    EXPECT_FALSE(window->frameGeometry().intersects(panel->frameGeometry())) << "over the panel";

    // Closed by the operator, then F1 in the About box: the same window, the About topic.
    window->close();
    showHelp(about, file, aboutTopic);
    EXPECT_EQ(helpWindow(), window.data());
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->findChild<QTextBrowser *>()->toPlainText().contains("The About box."));
    int helpWindows = 0;
    for (QWidget *w : QApplication::topLevelWidgets())
        helpWindows += w->isVisible() && w->objectName() == QStringLiteral("helpViewer");
    EXPECT_EQ(helpWindows, 1);

    panel.reset();
    EXPECT_EQ(window, nullptr) << "it goes with the panel";
    EXPECT_EQ(helpWindow(), nullptr);

    // closeHelp ends it too.
    QWidget other;
    other.show();
    showHelp(&other, file, panelTopic);
    ASSERT_NE(helpWindow(), nullptr);
    closeHelp();
    EXPECT_EQ(helpWindow(), nullptr);
}

#include "helpviewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
#include <QScreen>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <algorithm>
#include <iterator>

namespace {
// The application title: the executable's file name without folder and extension.
QString applicationTitle()
{
    const QString title = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    return title.isEmpty() ? QCoreApplication::applicationName() : title;
}

QString topicText(int topic)
{
    return QStringLiteral("0x%1").arg(unsigned(topic), 0, 16);
}

HelpLookup notFound(const QString &problem)
{
    HelpLookup lookup;
    lookup.problem = problem;
    return lookup;
}

// "@topic 0x20066 Title": the id, or -1 when the line names none that can be read.
qint64 topicId(QStringView line, QString *title)
{
    QStringView rest = line.mid(6); // after "@topic"
    if (!rest.isEmpty() && !rest.front().isSpace())
        return -1;
    rest = rest.trimmed();
    const qsizetype end = rest.indexOf(QLatin1Char(' '));
    const QStringView idText = end < 0 ? rest : rest.left(end);
    *title = end < 0 ? QString() : rest.mid(end + 1).trimmed().toString();
    if (!idText.startsWith(QLatin1String("0x"), Qt::CaseInsensitive) || idText.size() > 10)
        return -1;
    bool ok = false;
    const qint64 id = idText.mid(2).toLongLong(&ok, 16);
    return ok ? id : -1;
}
} // namespace

QString helpFilePathFor(const QString &executablePath)
{
    const QFileInfo exe(executablePath);
    const QString name = exe.fileName();
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    const QString base = dot < 0 ? name : name.left(dot);
    const QString folder = executablePath.left(executablePath.size() - name.size());
    return folder + base + QStringLiteral(".hlp");
}

QString installedHelpFilePathFor(const QString &executablePath)
{
    const QFileInfo beside(helpFilePathFor(executablePath));
    return QDir::cleanPath(beside.path() + QStringLiteral("/../share/tarn/") + beside.fileName());
}

QString findHelpFile(const QString &executablePath)
{
    const QString beside = helpFilePathFor(executablePath);
    if (QFileInfo::exists(beside))
        return beside;
    const QString installed = installedHelpFilePathFor(executablePath);
    return QFileInfo::exists(installed) ? installed : beside;
}

QString helpFilePath()
{
    return findHelpFile(QCoreApplication::applicationFilePath());
}

HelpLookup lookUpHelpTopic(const QString &helpFile, int topic)
{
    const QFileInfo info(helpFile);
    if (!info.exists())
        return notFound(
            QStringLiteral("No help is installed: the help file %1 was not found.").arg(helpFile));
    // Only a regular file: a pipe or a device could block or never end.
    QFile file(helpFile);
    if (!info.isFile() || !file.open(QIODevice::ReadOnly))
        return notFound(
            QStringLiteral("No help is installed: the help file %1 cannot be read.").arg(helpFile));
    const QByteArray bytes = file.read(maxHelpFileSize + 1);
    if (bytes.size() > maxHelpFileSize || bytes.contains('\0'))
        return notFound(
            QStringLiteral("No help is installed: %1 is not a help file.").arg(helpFile));

    const QString content = QString::fromUtf8(bytes);
    HelpLookup lookup;
    bool inTopic = false;
    QStringList text;
    for (QStringView line : QStringView(content).split(QLatin1Char('\n'))) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.startsWith(QLatin1String("@topic"))) {
            if (inTopic)
                break; // the first topic with this id wins
            QString title;
            inTopic = topicId(line, &title) == topic;
            if (inTopic) {
                lookup.found = true;
                lookup.title = title;
            }
            continue;
        }
        if (inTopic)
            text.append(line.toString());
    }
    if (!lookup.found)
        return notFound(
            QStringLiteral(
                "No help is installed for this window: the help file %1 has no topic %2.")
                .arg(helpFile, topicText(topic)));
    while (!text.isEmpty() && text.back().trimmed().isEmpty())
        text.removeLast();
    while (!text.isEmpty() && text.front().trimmed().isEmpty())
        text.removeFirst();
    lookup.text = text.join(QLatin1Char('\n'));
    return lookup;
}

namespace {
QPointer<QDialog> &theHelpWindow()
{
    static QPointer<QDialog> window;
    return window;
}

void fillHelpViewer(QDialog &viewer, const HelpLookup &found)
{
    QString markdown = found.text;
    if (!found.title.isEmpty())
        markdown = QStringLiteral("## ") + found.title + QStringLiteral("\n\n") + markdown;
    if (auto *browser = viewer.findChild<QTextBrowser *>(QStringLiteral("helpText")))
        browser->setMarkdown(markdown);
}

// Beside the owner's frame, on the side of the screen with the most room (right, left, below,
// above), made smaller where that side is smaller than the window, so that it covers nothing
// of the owner. When no side has room for a usable window it goes where the window system
// puts it.
void placeBeside(QDialog &viewer, const QWidget &owner)
{
    const QScreen *screen = owner.screen();
    if (!screen)
        return;
    const QRect available = screen->availableGeometry();
    const QRect frame = owner.frameGeometry();
    // The window manager gives the viewer the owner's frame margins.
    const QSize margins = frame.size() - owner.geometry().size();
    const QSize wanted = viewer.size() + margins;
    const QRect sides[] = {
        QRect(QPoint(frame.right() + 1, available.top()), available.bottomRight()),
        QRect(available.topLeft(), QPoint(frame.left() - 1, available.bottom())),
        QRect(QPoint(available.left(), frame.bottom() + 1), available.bottomRight()),
        QRect(available.topLeft(), QPoint(available.right(), frame.top() - 1)),
    };
    const auto along = [](int start, int low, int high, int length) {
        return std::clamp(start, low, std::max(low, high + 1 - length));
    };
    QRect best;
    for (std::size_t i = 0; i < std::size(sides); ++i) {
        const QRect &side = sides[i];
        if (side.width() <= 0 || side.height() <= 0)
            continue;
        const QSize size = wanted.boundedTo(side.size());
        if (qint64(size.width()) * size.height() <= qint64(best.width()) * best.height())
            continue;
        QPoint at;
        if (i == 0)
            at = QPoint(side.left(), along(frame.top(), side.top(), side.bottom(), size.height()));
        else if (i == 1)
            at = QPoint(side.right() + 1 - size.width(),
                        along(frame.top(), side.top(), side.bottom(), size.height()));
        else if (i == 2)
            at = QPoint(along(frame.left(), side.left(), side.right(), size.width()), side.top());
        else
            at = QPoint(along(frame.left(), side.left(), side.right(), size.width()),
                        side.bottom() + 1 - size.height());
        best = QRect(at, size);
    }
    const QSize usable(240, 160);
    if (best.width() < usable.width() || best.height() < usable.height())
        return;
    viewer.resize(best.size() - margins);
    viewer.move(best.topLeft());
}
} // namespace

QDialog *createHelpViewer(QWidget *parent, const HelpLookup &found)
{
    auto *viewer = new QDialog(parent);
    viewer->setWindowTitle(applicationTitle() + QStringLiteral(" Help"));
    viewer->setObjectName(QStringLiteral("helpViewer"));
    auto *browser = new QTextBrowser(viewer);
    browser->setObjectName(QStringLiteral("helpText"));
    // The help is self-contained: links are not followed anywhere.
    browser->setOpenLinks(false);
    browser->setOpenExternalLinks(false);
    fillHelpViewer(*viewer, found);
    auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, viewer);
    QObject::connect(buttons, &QDialogButtonBox::rejected, viewer, &QDialog::reject);
    auto *layout = new QVBoxLayout(viewer);
    layout->addWidget(browser);
    layout->addWidget(buttons);
    viewer->resize(520, 400);
    return viewer;
}

void showHelp(QWidget *parent, const QString &helpFile, int topic)
{
    const HelpLookup lookup = lookUpHelpTopic(helpFile, topic);
    if (!lookup.found) {
        QMessageBox box(QMessageBox::Information, applicationTitle(), lookup.problem,
                        QMessageBox::Ok, parent);
        box.exec();
        return;
    }
    // The top window above parent: the About box's F1 opens the same window as the panel's.
    QWidget *owner = parent ? parent->window() : nullptr;
    while (owner && owner->parentWidget())
        owner = owner->parentWidget()->window();
    QPointer<QDialog> &window = theHelpWindow();
    if (window && window->parentWidget() != owner)
        closeHelp();
    if (window) {
        fillHelpViewer(*window, lookup);
    } else {
        window = createHelpViewer(owner, lookup);
        window->setModal(false);
    }
    if (!window->isVisible() && owner)
        placeBeside(*window, *owner);
    window->show();
    window->raise();
    window->activateWindow();
}

QDialog *helpWindow()
{
    return theHelpWindow().data();
}

void closeHelp()
{
    delete theHelpWindow().data(); // its parent and the pointer both notice
}

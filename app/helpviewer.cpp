#include "helpviewer.h"

#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QTextBrowser>
#include <QVBoxLayout>

#include <memory>

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
    QString markdown = found.text;
    if (!found.title.isEmpty())
        markdown = QStringLiteral("## ") + found.title + QStringLiteral("\n\n") + markdown;
    browser->setMarkdown(markdown);
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
    const std::unique_ptr<QDialog> viewer(createHelpViewer(parent, lookup));
    viewer->exec();
}

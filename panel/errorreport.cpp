#include "errorreport.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
ErrorReporter &currentReporter()
{
    static ErrorReporter reporter;
    return reporter;
}
} // namespace

QString applicationTitle()
{
    return QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
}

QString errorText(const QString &description)
{
    if (description.size() <= errorTextLimit)
        return description;
    qsizetype n = errorTextLimit;
    if (description.at(n - 1).isHighSurrogate())
        --n;
    return description.left(n);
}

void showErrorBox(const ErrorReport &report)
{
    QMessageBox box(report.icon, report.caption, report.text, report.buttons, report.owner);
    box.exec();
}

void reportError(QWidget *owner, const QString &description)
{
    const ErrorReport report{owner, QMessageBox::Critical, applicationTitle(),
                             errorText(description), QMessageBox::Ok};
    if (currentReporter())
        currentReporter()(report);
    else
        showErrorBox(report);
}

ErrorReporter setErrorReporter(ErrorReporter reporter)
{
    return std::exchange(currentReporter(), std::move(reporter));
}

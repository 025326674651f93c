#include "helpviewer.h"

#include <QCoreApplication>
#include <QFileInfo>

QString helpFilePath()
{
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    return exe.path() + '/' + exe.completeBaseName() + ".hlp";
}

void showHelp(QWidget *, const QString &, int) {}

// The yardstick for start-up time and memory: a minimal Qt 6 dialog with one button, run
// modally like the panel, with the same first-paint probe.
#include "firstpaintprobe.h"

#include <QApplication>
#include <QDialog>
#include <QPushButton>

int main(int, char **argv)
{
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    FirstPaintProbe probe;
    application.installEventFilter(&probe);
    QDialog dialog;
    QPushButton button(QStringLiteral("OK"), &dialog);
    button.move(10, 10);
    dialog.resize(120, 60);
    return dialog.exec();
}

// The yardstick for start-up time and memory: a minimal Qt 6 dialog with one button, run
// modally like the panel. With an image file as its argument it also takes that file as its
// window icon (to weigh an icon's cost alone).
#include <QApplication>
#include <QDialog>
#include <QIcon>
#include <QPushButton>

int main(int argc, char **argv)
{
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    QDialog dialog;
    if (argc > 1)
        dialog.setWindowIcon(QIcon(QString::fromLocal8Bit(argv[1])));
    QPushButton button(QStringLiteral("OK"), &dialog);
    button.move(10, 10);
    dialog.resize(120, 60);
    return dialog.exec();
}

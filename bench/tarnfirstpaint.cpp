// The tarn program as app/main.cpp starts it, with the first-paint probe installed on the
// application before the panel is made. Nothing else differs.
#include "firstpaintprobe.h"
#include "ptzcontrolapp.h"

#include <QApplication>

namespace {
CPtzControlApp theApp;
} // namespace

int main(int, char **argv)
{
    int qtArgc = 1;
    char *qtArgv[] = {argv[0], nullptr};
    QApplication application(qtArgc, qtArgv);
    FirstPaintProbe probe;
    application.installEventFilter(&probe);
    theApp.InitInstance();
    return 0;
}

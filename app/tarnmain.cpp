#include "tarnmain.h"

#include "closesignals.h"
#include "ptzcontrolapp.h"
#include "versioninfo.h"

#include <QApplication>

int tarnMain(CPtzControlApp &app, char *argv0)
{
    int qtArgc = 1;
    char *qtArgv[] = {argv0, nullptr};
    QApplication application(qtArgc, qtArgv);
    QCoreApplication::setApplicationVersion(applicationVersionText());
    const CloseSignals endSignals([&app] { app.OnEndSignal(); });
    app.InitInstance();
    return 0;
}

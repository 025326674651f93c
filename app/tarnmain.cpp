#include "tarnmain.h"

#include "ptzcontrolapp.h"
#include "signalwatcher.h"
#include "versioninfo.h"

#include <QApplication>

int tarnMain(CPtzControlApp &app, char *argv0)
{
    int qtArgc = 1;
    char *qtArgv[] = {argv0, nullptr};
    QApplication application(qtArgc, qtArgv);
    QCoreApplication::setApplicationVersion(applicationVersionText());
    // SIGTERM, SIGINT and SIGHUP end the panel as its close box does: the port is closed and a
    // camera still moving for a held button is stopped, instead of the process dying mid-hold.
    const SignalWatcher endSignals([&app](int) { app.OnEndSignal(); });
    app.InitInstance();
    return 0;
}

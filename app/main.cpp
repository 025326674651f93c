// tarn: the control panel. It reads no command line; Qt gets none either.
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
    theApp.InitInstance();
    return 0;
}

// tarn: the control panel. It reads no command line; Qt gets none either.
#include "ptzcontrolapp.h"
#include "tarnmain.h"

namespace {
CPtzControlApp theApp;
} // namespace

int main(int, char **argv)
{
    return tarnMain(theApp, argv[0]);
}

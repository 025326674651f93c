// The tarn program as app/main.cpp starts it, with the first-paint probe installed on the
// application before the panel is made. Nothing else differs.
#include "firstpaintprobe.h"
#include "ptzcontrolapp.h"
#include "tarnmain.h"

namespace {
CPtzControlApp theApp;
} // namespace

int main(int, char **argv)
{
    FirstPaintProbe probe;
    return tarnMain(theApp, argv[0], &probe);
}

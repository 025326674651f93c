// The program's start and end, shared by tarn's main() and the start-up benchmark's variant.
#pragma once

class CPtzControlApp;
class QObject;

// Lists the hardware ports in the background while Qt starts, creates the application with no
// command line (Qt's own options included: arguments have no effect), installs
// applicationFilter if one is given, runs the panel and returns the exit status, 0.
int tarnMain(CPtzControlApp &app, char *argv0, QObject *applicationFilter = nullptr);

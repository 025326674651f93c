// The program's start and end, as tarn's main() runs them.
#pragma once

class CPtzControlApp;

// Lists the hardware ports in the background while Qt starts, creates the application with no
// command line (Qt's own options included: arguments have no effect), runs the panel (SIGTERM,
// SIGINT and SIGHUP end it as its close box does) and returns the exit status, 0.
int tarnMain(CPtzControlApp &app, char *argv0);

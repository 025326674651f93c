// tarnctl's commands. Each takes the arguments after its own name and returns the exit status.
#pragma once

#include <QStringList>

int runFrame(const QStringList &args);
int runPorts(const QStringList &args);
int runSend(const QStringList &args);
int runProbe(const QStringList &args);
int runSim(const QStringList &args);
int runMonitor(const QStringList &args);
int runJoystick(const QStringList &args);

// Whether the command needs a window system (the simulator's view).
bool simNeedsGui(const QStringList &args);

// Commands that are not built yet.
#include "cli.h"
#include "tarnctl.h"

namespace {
int notYet(const char *name)
{
    cli::printError(QStringLiteral("'%1' is not available in this build").arg(name));
    return cli::exitUsage;
}
} // namespace

int runPorts(const QStringList &)
{
    return notYet("ports");
}
int runSend(const QStringList &)
{
    return notYet("send");
}
int runSim(const QStringList &)
{
    return notYet("sim");
}
int runMonitor(const QStringList &)
{
    return notYet("monitor");
}
bool simNeedsGui(const QStringList &)
{
    return false;
}

// tarnctl sim (not built yet).
#include "cli.h"
#include "tarnctl.h"

int runSim(const QStringList &)
{
    cli::printError("'sim' is not available in this build");
    return cli::exitUsage;
}

bool simNeedsGui(const QStringList &)
{
    return false;
}

// tarnctl monitor (not built yet).
#include "cli.h"
#include "tarnctl.h"

int runMonitor(const QStringList &)
{
    cli::printError("'monitor' is not available in this build");
    return cli::exitUsage;
}

// tarnctl ports (not built yet).
#include "cli.h"
#include "tarnctl.h"

int runPorts(const QStringList &)
{
    cli::printError("'ports' is not available in this build");
    return cli::exitUsage;
}

// tarnctl send (not built yet).
#include "cli.h"
#include "tarnctl.h"

int runSend(const QStringList &)
{
    cli::printError("'send' is not available in this build");
    return cli::exitUsage;
}

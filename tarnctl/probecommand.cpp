// tarnctl probe --port PORT [--bauds LIST] [--addresses RANGE] [--timeout MS] [--first]
// [--protocol d|p]: finds cameras on a line by asking each address at each baud rate for its
// pan position, and lists every answer. It sends queries only, never motion.
#include "cameraline.h"
#include "cli.h"
#include "command.h"
#include "probeplan.h"
#include "tarnctl.h"

#include "lineforname.h"

#include <algorithm>
#include <cstdio>
#include <set>
#include <unistd.h>
#include <utility>

using pelco::Byte;
using pelco::degreesText;
using pelco::PelcoReply;
using pelco::Protocol;

namespace {

constexpr int maxTimeoutMs = 10000;

// One line on standard error that says how far the sweep is, rewritten in place; only on a
// terminal, where it is wiped again before anything else is printed.
class Progress
{
public:
    Progress() : m_shown(isatty(STDERR_FILENO)) {}
    ~Progress() { clear(); }

    void show(const QString &rate, std::size_t baudIndex, std::size_t baudCount, int address,
              const probe::AddressRange &range)
    {
        if (!m_shown)
            return;
        std::fprintf(stderr, "\rprobing %s (%zu of %zu), address %d of %d-%d\033[K",
                     qPrintable(rate), baudIndex + 1, baudCount, address, range.first, range.last);
        std::fflush(stderr);
        m_dirty = true;
    }

    void clear()
    {
        if (!m_dirty)
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_dirty = false;
    }

private:
    bool m_shown;
    bool m_dirty = false;
};

QString rateList(const std::vector<int> &bauds)
{
    QStringList rates;
    for (int baud : bauds)
        rates << QString::number(baud);
    return rates.join(", ");
}

} // namespace

int runProbe(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Finds Pelco D cameras on a line whose address and baud rate nobody wrote down: at each\n"
        "baud rate it asks each address for its pan position (query-pan, nothing else: it\n"
        "never moves a camera) and lists every answer, as it comes:\n"
        "  found address 37 at 4800 baud, pan 12.50°\n"
        "PORT is COM<n> as 'tarnctl ports' lists it, or a device path; it is opened as the\n"
        "panel opens it. Across the network, rfc2217://HOST:PORT tries each rate on the far\n"
        "port as on a local one. tcp://HOST:PORT (raw TCP) cannot set the rate: probe says so\n"
        "on standard error, asks each address once at the server's rate, waiting as long as\n"
        "at the slowest of --bauds, and reports\n"
        "  found address 37 at the server's rate, pan 12.50°\n"
        "Only cameras with a wired reply path answer: on RS-485 the camera's\n"
        "transmit pair (or the one shared pair) must reach the adapter. Pelco P has no\n"
        "queries, so --protocol p sends nothing.\n"
        "Each query waits for its answer as long as the query and the answer take on the line\n"
        "at that rate, plus 50 ms (109 ms at 2400 baud, 52 ms at 115200), or --timeout MS: the\n"
        "default sweep, eight rates and 255 addresses, takes about two and a half minutes at\n"
        "most.\n"
        "Example: tarnctl probe --port COM3 --bauds 2400,9600 --addresses 1-32 --first\n"
        "Exit status: 0 when a camera answered, 1 when none did or the port failed, 2 for a\n"
        "bad command line.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port: COM<n>, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT.",
                      "PORT"});
    parser.addOption({"bauds",
                      "Baud rates to try, comma-separated (default: the panel's eight, "
                      "2400,4800,9600,19200,38400,56000,57600,115200).",
                      "LIST"});
    parser.addOption(
        {"addresses", "Addresses to ask, N or N-M, 0 to 255 (default 1-255).", "RANGE", "1-255"});
    parser.addOption({"timeout",
                      "Milliseconds each query waits for its answer, 1 to 10000 (default: by the "
                      "baud rate).",
                      "MS"});
    parser.addOption({"first", "Stop at the first answer."});
    parser.addOption({"protocol", "d for Pelco D (the default) or p for Pelco P.", "d|p", "d"});

    cli::PortArg target;
    std::vector<int> bauds = probe::defaultBauds();
    probe::AddressRange range;
    std::optional<int> timeout;
    bool first = false;
    try {
        cli::parseOrThrow(parser, args, "probe",
                          {"port", "bauds", "addresses", "timeout", "protocol"});
        cli::refusePositionals(parser);
        target = cli::parsePort(cli::requiredPort(parser));
        if (parser.isSet("bauds"))
            bauds = probe::parseBauds(parser.value("bauds"));
        range = probe::parseAddresses(parser.value("addresses"));
        if (parser.isSet("timeout"))
            timeout = cli::parseMilliseconds(parser.value("timeout"), "timeout", 1, maxTimeoutMs);
        first = parser.isSet("first");
        if (cli::parseProtocol(parser.value("protocol")) == Protocol::PelcoP)
            throw cli::UsageError(
                "Pelco P has no position queries, so probe has nothing to ask and sends nothing: "
                "switch the camera to Pelco D to find it, or try likely addresses and rates with "
                "tarnctl send --protocol p and watch for movement");
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    // A raw TCP line has one rate, the server's: one pass, each query waiting as long as it
    // would at the slowest rate asked for.
    const bool serverRate = target.isRawTcp();
    std::optional<int> slowest;
    if (serverRate) {
        slowest = *std::min_element(bauds.begin(), bauds.end());
        bauds.resize(1);
        cli::printError(lines::rateNotice(target.device) +
                        ": probing the addresses once, at the server's rate");
    }
    const auto rateText = [&](int baud) {
        return serverRate ? QStringLiteral("the server's rate")
                          : QStringLiteral("%1 baud").arg(baud);
    };

    const pelco::Payload queryPayload =
        *pelco::encode(pelco::commandOf(pelco::CommandKind::QueryPan), Protocol::PelcoD);
    std::set<std::pair<int, int>> found; // baud, address
    try {
        Progress progress;
        CameraLine line(target, bauds.front());
        for (std::size_t b = 0; b < bauds.size() && !(first && !found.empty()); ++b) {
            const int baud = bauds[b];
            if (b > 0)
                line.setBaud(baud);
            // Nothing from before (noise at the old speed) counts as an answer at this one.
            line.discardInput();
            const int wait = timeout ? *timeout : probe::queryWaitMs(slowest.value_or(baud));
            for (int address = range.first; address <= range.last && !(first && !found.empty());
                 ++address) {
                progress.show(rateText(baud), b, bauds.size(), address, range);
                line.send(frameBytes(Protocol::PelcoD, Byte(address), queryPayload));
                // An answer that comes late, to an address asked before, counts as well.
                line.listen(wait, [&](const PelcoReply &reply) {
                    if (reply.kind != PelcoReply::Kind::PanPosition)
                        return false;
                    if (found.insert({baud, reply.address}).second) {
                        progress.clear();
                        std::printf("found address %d at %s, pan %s\n", reply.address,
                                    qPrintable(rateText(baud)), degreesText(reply.value).c_str());
                        std::fflush(stdout);
                    }
                    return reply.address == address;
                });
            }
        }
        progress.clear();
        line.close();
    } catch (const lines::LineError &error) {
        cli::printError(error.text());
        return cli::exitFailure;
    }
    if (found.empty()) {
        cli::printError(QStringLiteral("no camera answered at %1, addresses %2-%3 (only a "
                                       "camera whose reply pair is wired can answer)")
                            .arg(serverRate ? rateText(0) : rateList(bauds) + " baud")
                            .arg(range.first)
                            .arg(range.last));
        return cli::exitFailure;
    }
    return cli::exitOk;
}

// tarnctl joystick --port PORT [--address LIST] [--baud B] [--protocol d|p] [--device N]
// [--deadzone PERCENT] [--mappings FILE] [--record FILE | --replay FILE], or --list: drives the
// cameras of a line with a game controller at proportional speed, through SDL.
#include "addresslist.h"
#include "cameraline.h"
#include "cli.h"
#include "interruption.h"
#include "padlive.h"
#include "padrecording.h"
#include "padreplay.h"
#include "padsession.h"
#include "sdlpad.h"
#include "tarnctl.h"

#include <QFile>
#include <QRegularExpression>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <unistd.h>

namespace {

using pad::PadTime;
using Clock = std::chrono::steady_clock;

constexpr int maxDevice = 99;
constexpr double maxDeadZonePercent = 90;

// The line on a terminal that shows what the camera does, rewritten in place; nothing when
// standard error is no terminal.
class StatusLine
{
public:
    StatusLine() : m_on(isatty(STDERR_FILENO) == 1) {}

    void show(const std::string &text)
    {
        if (!m_on || text == m_text)
            return;
        m_text = text;
        std::fprintf(stderr, "\r%s\033[K", text.c_str());
        std::fflush(stderr);
    }
    // Clears it, so that a message stands on a line of its own; show() brings it back.
    void clear()
    {
        if (!m_on || m_text.empty())
            return;
        std::fputs("\r\033[K", stderr);
        std::fflush(stderr);
        m_text.clear();
    }
    void message(const QString &text)
    {
        clear();
        cli::printError(text);
    }

private:
    bool m_on;
    std::string m_text;
};

std::string statusText(const pad::PadSession &session)
{
    const pad::PtzMotion &m = session.sent();
    std::string text = "camera " + std::to_string(session.currentAddress());
    text += "  pan ";
    text += m.pan == 0 ? "-"
                       : std::string(m.pan > 0 ? "right " : "left ") +
                             (m.turbo ? "turbo" : std::to_string(m.panSpeed));
    text += "  tilt ";
    text +=
        m.tilt == 0 ? "-" : std::string(m.tilt > 0 ? "up " : "down ") + std::to_string(m.tiltSpeed);
    text += "  zoom ";
    text += m.zoom == 0 ? "-" : m.zoom > 0 ? "tele" : "wide";
    text += "  focus ";
    text += m.focus == 0 ? "-" : m.focus > 0 ? "far" : "near";
    return text;
}

double parseDeadZone(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,2}(\\.[0-9]{1,2})?$"));
    const double value = text.toDouble();
    if (!form.match(text).hasMatch() || value > maxDeadZonePercent)
        throw cli::UsageError(
            QStringLiteral("invalid dead zone '%1' (expected a percentage of the travel, 0 to %2)")
                .arg(text)
                .arg(maxDeadZonePercent));
    return value / 100;
}

int parseDevice(const QString &text)
{
    static const QRegularExpression form(QStringLiteral("^[0-9]{1,2}$"));
    if (!form.match(text).hasMatch())
        throw cli::UsageError(
            QStringLiteral("invalid device '%1' (expected 0 to %2, as --list numbers them)")
                .arg(text)
                .arg(maxDevice));
    return text.toInt();
}

int listControllers(const std::string &mappings)
{
    try {
        SdlPad sdl(std::nullopt, mappings);
        const auto names = SdlPad::controllers();
        for (std::size_t i = 0; i < names.size(); ++i)
            std::printf("%zu %s\n", i, names[i].c_str());
        for (const std::string &name : SdlPad::unmappedJoysticks())
            cli::printError(QStringLiteral("the joystick '%1' has no game controller mapping "
                                           "(give one with --mappings or "
                                           "SDL_GAMECONTROLLERCONFIG)")
                                .arg(QString::fromStdString(name)));
    } catch (const std::runtime_error &error) {
        cli::printError(QString::fromStdString(error.what()));
        return cli::exitFailure;
    }
    return cli::exitOk;
}

// Controls as the recording writes them, one a line, each flushed.
class Recorder
{
public:
    explicit Recorder(std::FILE *file) : m_file(file)
    {
        std::fprintf(m_file, "%s\n", pad::recordingHeader().c_str());
        std::fflush(m_file);
    }
    ~Recorder() { std::fclose(m_file); }
    Recorder(const Recorder &) = delete;
    Recorder &operator=(const Recorder &) = delete;

    void take(const SdlPad::Event &event, PadTime now)
    {
        if (event.kind == SdlPad::Event::Kind::Control)
            std::fprintf(m_file, "%s\n",
                         pad::recordingLine({now, event.control, event.value}).c_str());
        else
            std::fprintf(m_file, "# %s: %s\n",
                         event.kind == SdlPad::Event::Kind::Connected ? "connected"
                                                                      : "disconnected",
                         event.name.c_str());
        std::fflush(m_file);
    }

private:
    std::FILE *m_file;
};

} // namespace

int runJoystick(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        "Drives the cameras on PORT with a game controller (through SDL), at speeds that\n"
        "follow the sticks. PORT is COM<n>, a device path, or a serial port across the\n"
        "network, rfc2217://HOST:PORT or tcp://HOST:PORT (see tarnctl send --help).\n"
        "  left stick (leftx, lefty)     pan and tilt, both at once as a diagonal; pushed away\n"
        "                                is up; full pan held for a second is turbo\n"
        "  right stick up/down (righty)  zoom tele (pushed away) and wide\n"
        "  leftshoulder, rightshoulder   focus near and far while held\n"
        "  a, b, x, y                    go to preset 1 to 4; with back held, set it\n"
        "  dpleft, dpright               the previous or next camera of --address (the\n"
        "                                current one is stopped first if it moves)\n"
        "  start                         stop (the sticks count again once back at rest)\n"
        "Beyond the dead zone the speed is 1 + round(62 * t * t), t being the deflection beyond\n"
        "the dead zone as a fraction of the way to the outer 3 % of the travel: 1 to 63.\n"
        "A frame goes out when the speeds or directions change, at most 20 a second and never\n"
        "faster than the line carries them; a return to rest sends the stop at once.\n"
        "It waits for a controller when none is connected and follows one plugged in or out.\n"
        "Mappings beyond SDL's own come from SDL_GAMECONTROLLERCONFIG or --mappings.\n"
        "On a terminal, standard error shows a status line: camera, pan and tilt speeds,\n"
        "zoom and focus.\n"
        "--record writes the controller's changes to FILE, one a line: seconds since the\n"
        "start, SDL's name of the axis or button and its value (sticks -32768 to 32767,\n"
        "triggers 0 to 32767, buttons 1 and 0); '#' starts a comment. --replay plays such a\n"
        "file instead of a controller, at its own pace, and ends with it.\n"
        "When the controller is unplugged, the replay ends, Ctrl+C, SIGTERM or SIGHUP ends it,\n"
        "or the port fails while the camera moves, it sends the stop frame.\n\n"
        "Exit status: 0 at the end of a replay (and for --list), 1 when the port or SDL\n"
        "failed, 2 for a bad command line or a bad line in the replay (named, before anything\n"
        "is sent), 130, 143 or 129 when SIGINT, SIGTERM or SIGHUP ended it.");
    parser.addHelpOption();
    parser.addOption({"port",
                      "The port: COM<n>, a device path, tcp://HOST:PORT or rfc2217://HOST:PORT.",
                      "PORT"});
    parser.addOption({"address",
                      "The cameras' addresses, 0 to 255, as N and N-M separated by commas, such "
                      "as 1,3,5-7 (as for sim); the first is the current camera (default 1).",
                      "LIST", "1"});
    parser.addOption({"baud", "Baud rate (default 9600).", "B", "9600"});
    parser.addOption({"protocol", "d for Pelco D (the default) or p for Pelco P.", "d|p", "d"});
    parser.addOption({"device",
                      "The controller to use, as --list numbers them (default: the "
                      "first one connected).",
                      "N"});
    parser.addOption({"deadzone",
                      "The sticks' dead zone, in percent of the travel, 0 to 90 (default 15).",
                      "PERCENT", "15"});
    parser.addOption({"mappings", "A gamecontrollerdb.txt with more controller mappings.", "FILE"});
    parser.addOption({"record", "Write the controller's changes to FILE.", "FILE"});
    parser.addOption({"replay", "Play FILE instead of a controller.", "FILE"});
    parser.addOption({"list", "Print the connected controllers, one a line, and exit."});

    cli::PortArg target;
    pad::SessionSettings session;
    std::optional<int> device;
    std::string mappings, recordPath, replayPath;
    std::vector<pad::PadEvent> events;
    try {
        cli::parseOrThrow(parser, args, "joystick",
                          {"port", "address", "baud", "protocol", "device", "deadzone", "mappings",
                           "record", "replay"});
        cli::refusePositionals(parser);
        mappings = parser.value("mappings").toStdString();
        if (parser.isSet("list"))
            return listControllers(mappings);
        target = cli::parsePort(cli::requiredPort(parser));
        session.baud = cli::parseBaud(parser.value("baud"));
        session.protocol = cli::parseProtocol(parser.value("protocol"));
        session.addresses = addresslist::parse(parser.value("address"), "address");
        session.deadZone = parseDeadZone(parser.value("deadzone"));
        if (parser.isSet("device"))
            device = parseDevice(parser.value("device"));
        recordPath = parser.value("record").toStdString();
        replayPath = parser.value("replay").toStdString();
        if (!replayPath.empty()) {
            for (const char *live : {"record", "device", "mappings"})
                if (parser.isSet(live))
                    throw cli::UsageError(
                        QStringLiteral("--replay plays a file: --%1 is for a controller")
                            .arg(live));
            QFile file(QString::fromStdString(replayPath));
            if (!file.open(QIODevice::ReadOnly))
                throw cli::UsageError(
                    QStringLiteral("cannot read %1: %2").arg(file.fileName(), file.errorString()));
            const QByteArray text = file.readAll();
            try {
                events = pad::parseRecording(std::string_view(text.constData(), text.size()));
            } catch (const pad::RecordingError &error) {
                throw cli::UsageError(QStringLiteral("%1: %2").arg(
                    file.fileName(), QString::fromStdString(error.what())));
            }
        }
    } catch (const cli::UsageError &error) {
        cli::printError(error.what());
        return cli::exitUsage;
    }

    // Signals are watched before the line opens, so that one that comes meanwhile still ends
    // the command through its cleanup.
    Interruption interruption;
    StatusLine status;
    std::optional<CameraLine> line;
    std::optional<SdlPad> sdl;
    std::unique_ptr<Recorder> recorder;
    cli::noteServerRate(target, parser.isSet("baud"));
    try {
        line.emplace(target, session.baud);
        if (replayPath.empty())
            sdl.emplace(device, mappings);
        if (!recordPath.empty()) {
            std::FILE *file = std::fopen(recordPath.c_str(), "w");
            if (!file)
                throw std::runtime_error("cannot write " + recordPath + ": " +
                                         std::strerror(errno));
            recorder = std::make_unique<Recorder>(file);
        }
    } catch (const lines::LineError &error) {
        cli::printError(error.text());
        return cli::exitFailure;
    } catch (const std::runtime_error &error) {
        cli::printError(QString::fromStdString(error.what()));
        return cli::exitFailure;
    }

    pad::PadSession pads(session, [&](std::span<const pelco::Byte> frame) { line->send(frame); });
    const auto start = Clock::now();
    const auto clock = [&] { return std::chrono::duration_cast<PadTime>(Clock::now() - start); };
    const auto wait = [&](PadTime t) { return interruption.sleep(int((t.count() + 999) / 1000)); };
    const auto changed = [&] { status.show(statusText(pads)); };

    int result = cli::exitOk;
    bool failed = false;
    try {
        if (!replayPath.empty()) {
            pad::replay(events, pads, {clock, wait, changed});
        } else {
            bool told = false;
            const auto event = [&](const SdlPad::Event &e, PadTime now) {
                if (recorder)
                    recorder->take(e, now);
                if (e.kind == SdlPad::Event::Kind::Connected)
                    status.message(QStringLiteral("using the controller '%1'")
                                       .arg(QString::fromStdString(e.name)));
                else if (e.kind == SdlPad::Event::Kind::Disconnected)
                    status.message(QStringLiteral("the controller '%1' is gone; waiting for "
                                                  "a controller")
                                       .arg(QString::fromStdString(e.name)));
            };
            const auto step = [&] {
                if (!told && !sdl->connected()) {
                    status.message("waiting for a game controller (tarnctl joystick --list "
                                   "shows those connected)");
                    told = true;
                }
                told = true;
                changed();
            };
            runLive(*sdl, pads, {clock, wait, event, step});
        }
    } catch (const lines::LineError &error) {
        status.message(error.text());
        result = cli::exitFailure;
        failed = true;
    }
    const int signal = interruption.signal();
    if (pads.moving()) {
        const QString cause =
            signal != 0
                ? QStringLiteral("interrupted by %1: ").arg(Interruption::signalName(signal))
            : failed ? QStringLiteral("after the failure: ")
                     : QString();
        const pelco::Byte address = pads.currentAddress();
        try {
            pads.finish();
            if (!cause.isEmpty())
                status.message(QStringLiteral("%1sent stop to address %2, which was moving")
                                   .arg(cause)
                                   .arg(address));
        } catch (const lines::LineError &error) {
            status.message(QStringLiteral("%1could not send stop to address %2, which may "
                                          "still be moving: %3")
                               .arg(cause)
                               .arg(address)
                               .arg(error.text()));
            result = cli::exitFailure;
        }
    }
    status.clear();
    try {
        line->close();
    } catch (const lines::LineError &error) {
        if (!failed) {
            cli::printError(error.text());
            result = cli::exitFailure;
        }
    }
    return signal != 0 ? 128 + signal : result;
}

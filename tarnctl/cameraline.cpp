#include "cameraline.h"

#include "interruption.h"
#include "portconnection.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

using pelco::Byte;
using pelco::PelcoEvent;
using pelco::PelcoReceiver;
using pelco::PelcoReply;

CameraLine::CameraLine(const cli::PortArg &target, const std::string &settings)
{
    if (target.device.isEmpty()) {
        m_comm = std::make_unique<SerialControl>();
    } else {
        const QString device = target.device;
        m_comm = std::make_unique<SerialControl>(
            [device](int) { return std::optional<QString>(device); });
        m_comm->setPortName(device);
    }
    // A device path is opened as port 1 of a namespace that knows only it.
    openConfigured(*m_comm, short(target.device.isEmpty() ? target.number : 1), settings);
}

void CameraLine::setSettings(const std::string &settings)
{
    m_comm->setSettings(settings);
}

void CameraLine::discardInput()
{
    m_comm->setInBufferCount(0);
    m_receiver = PelcoReceiver();
    m_stray = 0;
}

void CameraLine::send(std::span<const Byte> frame)
{
    m_comm->setOutput(frame);
}

bool CameraLine::handle(const std::vector<PelcoEvent> &events,
                        const std::function<bool(const PelcoReply &)> &onReply)
{
    bool taken = false;
    for (const PelcoEvent &event : events) {
        const auto reply = replyOf(event);
        if (!reply) {
            m_stray += event.bytes.size();
            continue;
        }
        if (!taken && onReply(*reply))
            taken = true;
        else
            m_stray += event.bytes.size();
    }
    return taken;
}

bool CameraLine::take(const std::function<bool(const PelcoReply &)> &onReply)
{
    bool taken = false;
    for (std::vector<Byte> bytes = m_comm->input(); !bytes.empty(); bytes = m_comm->input())
        taken = handle(m_receiver.feed(bytes), onReply) || taken;
    return taken;
}

bool CameraLine::listen(int timeoutMs, const std::function<bool(const PelcoReply &)> &onReply,
                        Interruption *interruption)
{
    // Bytes the control took in while nobody listened raise no new event: read them first.
    if (take(onReply))
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool taken = false;
    std::optional<CommError> failure;
    // Errors cannot cross the control's event: kept, and raised once the loop is left.
    m_comm->setOnComm([&] {
        try {
            if (take(onReply)) {
                taken = true;
                loop.quit();
            }
        } catch (const CommError &error) {
            failure = error;
            loop.quit();
        }
    });
    timeout.start(timeoutMs);
    if (interruption)
        interruption->run(loop);
    else
        loop.exec();
    m_comm->setOnComm({});
    if (failure)
        throw *failure;
    // The line is quiet: a general response held back in case it began a frame comes out.
    return handle(m_receiver.lineQuiet(), onReply) || taken;
}

void CameraLine::close()
{
    m_comm->setPortOpen(false);
}

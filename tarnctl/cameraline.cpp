#include "cameraline.h"

#include "interruption.h"
#include "lineforname.h"

#include <QEventLoop>
#include <QTimer>

#include <optional>

using pelco::Byte;
using pelco::PelcoEvent;
using pelco::PelcoReceiver;
using pelco::PelcoReply;

CameraLine::CameraLine(const cli::PortArg &target, int baud)
    : m_line(lines::makeLine(target.lineName()))
{
    m_line->open(target.lineName(), baud, lines::Framing{});
    if (target.isRawTcp())
        awaitServersWord();
}

void CameraLine::awaitServersWord()
{
    QEventLoop loop;
    bool lost = false;
    QObject::connect(m_line.get(), &lines::Line::lost, &loop, [&] {
        lost = true;
        loop.quit();
    });
    QTimer::singleShot(rawSettleMs, &loop, &QEventLoop::quit);
    loop.exec();
    // The line keeps its reason for the next write: an empty one raises it now.
    if (lost)
        m_line->write({});
}

void CameraLine::setBaud(int baud)
{
    m_line->configure(baud, lines::Framing{});
}

void CameraLine::discardInput()
{
    m_line->discard(lines::Line::Direction::Input);
    m_receiver = PelcoReceiver();
    m_stray = 0;
}

void CameraLine::send(std::span<const Byte> frame)
{
    m_line->write(frame);
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
    const QByteArray bytes = m_line->read();
    if (bytes.isEmpty())
        return false;
    return handle(m_receiver.feed(std::span(reinterpret_cast<const Byte *>(bytes.constData()),
                                            std::size_t(bytes.size()))),
                  onReply);
}

bool CameraLine::listen(int timeoutMs, const std::function<bool(const PelcoReply &)> &onReply,
                        Interruption *interruption)
{
    // Bytes the line took in while nobody listened raise no new signal: read them first.
    if (take(onReply))
        return true;
    QEventLoop loop;
    QTimer timeout;
    timeout.setSingleShot(true);
    timeout.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timeout, &QTimer::timeout, &loop, &QEventLoop::quit);
    bool taken = false;
    std::optional<lines::LineError> failure;
    // Errors cannot cross the event loop: kept, and raised once the loop is left.
    const auto received = QObject::connect(m_line.get(), &lines::Line::readyRead, &loop, [&] {
        try {
            if (take(onReply)) {
                taken = true;
                loop.quit();
            }
        } catch (const lines::LineError &error) {
            failure = error;
            loop.quit();
        }
    });
    timeout.start(timeoutMs);
    if (interruption)
        interruption->run(loop);
    else
        loop.exec();
    QObject::disconnect(received);
    if (failure)
        throw *failure;
    // The line is quiet: a general response held back in case it began a frame comes out.
    return handle(m_receiver.lineQuiet(), onReply) || taken;
}

void CameraLine::close()
{
    m_line->close();
}

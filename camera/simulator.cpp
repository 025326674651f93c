#include "simulator.h"

#include "hex.h"

#include <algorithm>

namespace {

std::vector<VirtualCamera> camerasFor(const Simulator::Settings &settings)
{
    std::vector<pelco::Byte> addresses = settings.addresses;
    std::sort(addresses.begin(), addresses.end());
    addresses.erase(std::unique(addresses.begin(), addresses.end()), addresses.end());
    if (addresses.empty())
        addresses.push_back(1);
    std::vector<VirtualCamera> cameras;
    for (pelco::Byte address : addresses)
        cameras.emplace_back(address, settings.replies);
    return cameras;
}

} // namespace

Simulator::Simulator(const Settings &settings, std::int64_t nowNs)
    : m_settings(settings), m_cameras(camerasFor(settings)), m_receiver(settings.protocol),
      m_byteNs(std::int64_t(bitsPerByte * 1e9 / settings.baud)), m_lastAdvanceNs(nowNs)
{}

Simulator::Step Simulator::received(std::span<const pelco::Byte> bytes, int lineBaud,
                                    std::int64_t nowNs)
{
    Step step;
    if (lineBaud != m_settings.baud) {
        // Sent at another speed, the bytes are garbage to a UART. A frame begun at the right
        // speed ends here too.
        report(step, m_receiver.finish(), nowNs, nowNs);
        m_receiver = pelco::PelcoReceiver(m_settings.protocol);
        if (!m_noise.empty() && m_noiseBaud != lineBaud)
            flushNoise(step);
        m_noiseBaud = lineBaud;
        m_noise.insert(m_noise.end(), bytes.begin(), bytes.end());
    } else {
        flushNoise(step);
        // The bytes came at once; on a line each takes its time, so a frame ends (and may be
        // answered) when its last byte would have come in.
        const std::int64_t start = std::max(nowNs, m_lineInNs);
        for (std::size_t i = 0; i < bytes.size(); ++i)
            report(step, m_receiver.feed(bytes.subspan(i, 1)),
                   start + std::int64_t(i + 1) * m_byteNs, nowNs);
        m_lineInNs = start + std::int64_t(bytes.size()) * m_byteNs;
    }
    m_quietDueNs = nowNs + quietNs;
    return step;
}

Simulator::Step Simulator::advance(std::int64_t nowNs, const Line &line)
{
    Step step;
    if (m_quietDueNs && *m_quietDueNs <= nowNs) {
        m_quietDueNs.reset();
        report(step, m_receiver.lineQuiet(), nowNs, nowNs);
        flushNoise(step);
    }
    if (m_tickDueNs && *m_tickDueNs <= nowNs) {
        catchUp(nowNs);
        m_tickDueNs.reset();
        if (moving())
            m_tickDueNs = nowNs + tickNs;
        step.stateChanged = true;
    }
    // An answer reaches nobody when no client has the line open, and is noise to one that has
    // set another speed meanwhile.
    const bool heard = line.open && line.baud == m_settings.baud;
    while (!m_replies.empty() && m_replies.front().dueNs <= nowNs) {
        if (heard)
            step.writes.push_back(std::move(m_replies.front().bytes));
        m_replies.pop_front();
    }
    return step;
}

std::optional<std::int64_t> Simulator::nextDueNs() const
{
    std::optional<std::int64_t> due;
    const auto consider = [&due](std::optional<std::int64_t> t) {
        if (t && (!due || *t < *due))
            due = t;
    };
    consider(m_quietDueNs);
    consider(m_tickDueNs);
    if (!m_replies.empty())
        consider(m_replies.front().dueNs);
    return due;
}

Simulator::Step Simulator::finish(std::int64_t nowNs)
{
    Step step;
    report(step, m_receiver.finish(), nowNs, nowNs);
    flushNoise(step);
    return step;
}

void Simulator::catchUp(std::int64_t nowNs)
{
    for (VirtualCamera &camera : m_cameras)
        camera.advance(double(nowNs - m_lastAdvanceNs) / 1e9);
    m_lastAdvanceNs = nowNs;
}

VirtualCamera *Simulator::cameraAt(pelco::Byte address)
{
    for (VirtualCamera &camera : m_cameras)
        if (camera.address() == address)
            return &camera;
    return nullptr;
}

bool Simulator::moving() const
{
    return std::any_of(m_cameras.begin(), m_cameras.end(),
                       [](const VirtualCamera &camera) { return camera.moving(); });
}

std::string Simulator::tail(const VirtualCamera *camera) const
{
    if (m_cameras.size() == 1)
        return VirtualCamera::describe(m_cameras.front().state());
    if (!camera)
        return {};
    return "camera " + std::to_string(camera->address()) + ": " +
           VirtualCamera::describe(camera->state());
}

void Simulator::report(Step &step, const std::vector<pelco::PelcoEvent> &events,
                       std::int64_t lineNs, std::int64_t nowNs)
{
    // The line is fed a byte at a time, and most bytes complete nothing: then nothing changed.
    if (events.empty())
        return;
    for (const pelco::PelcoEvent &event : events) {
        catchUp(nowNs);
        Report out;
        out.event = event;
        out.lineNs = lineNs;
        VirtualCamera *camera = nullptr;
        if (event.type == pelco::PelcoEvent::Type::Frame) {
            // The other cameras on the line see the frame too, and ignore it without a word;
            // one that no camera takes is said to be for its address.
            camera = cameraAt(event.command.address);
            const auto reaction =
                camera
                    ? camera->apply(event.command)
                    : VirtualCamera::Reaction{
                          false, false, "for address " + std::to_string(event.command.address), {}};
            if (camera)
                out.camera = camera->address();
            if (!reaction.acted)
                out.note = "ignored: " + reaction.note;
            else
                out.note = reaction.note;
            if (!reaction.reply.empty()) {
                if (!out.note.empty())
                    out.note += "; ";
                out.note += "answers " + pelco::toHex(reaction.reply.data(), reaction.reply.size());
                queueReply(reaction.reply, lineNs);
            }
        }
        out.tail = tail(camera);
        step.reports.push_back(std::move(out));
    }
    if (moving() && !m_tickDueNs)
        m_tickDueNs = nowNs + tickNs;
    step.stateChanged = true;
}

void Simulator::flushNoise(Step &step)
{
    if (m_noise.empty())
        return;
    Report out;
    out.kind = Report::Kind::Noise;
    out.noiseBaud = m_noiseBaud;
    out.noise.swap(m_noise);
    out.tail = tail(nullptr);
    step.reports.push_back(std::move(out));
}

// A dome answers once the command is in, and its answer takes the line for its own bytes, after
// any answer still going out.
void Simulator::queueReply(const std::vector<pelco::Byte> &bytes, std::int64_t commandEndNs)
{
    const std::int64_t start = std::max(commandEndNs, m_lineOutNs);
    m_lineOutNs = start + std::int64_t(bytes.size()) * m_byteNs;
    m_replies.push_back({m_lineOutNs, bytes});
}

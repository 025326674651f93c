#include "receiver.h"

#include "dialect.h"
#include "hex.h"

#include <algorithm>

namespace pelco {

namespace {

constexpr std::size_t generalSize = 4;

std::string hexByte(Byte b)
{
    return toHex(&b, 1);
}

Payload payloadOf(const std::vector<Byte> &frame)
{
    return {frame[2], frame[3], frame[4], frame[5]};
}

// The framing of bytes from a sync byte on. The two sync values differ, and a frame begins only
// at one the receiver listens for, so the first byte says which.
Protocol framingOf(const std::vector<Byte> &frame)
{
    return frame[0] == pelcoPDialect.sync ? Protocol::PelcoP : Protocol::PelcoD;
}

// The checksum a whole frame of the protocol should end in.
Byte expectedChecksum(Protocol protocol, const std::vector<Byte> &frame)
{
    return checksum(protocol, frame[1], payloadOf(frame));
}

} // namespace

std::string describe(const PelcoEvent &event)
{
    const auto &b = event.bytes;
    switch (event.type) {
    case PelcoEvent::Type::Frame:
        return describe(event.command);
    case PelcoEvent::Type::BadChecksum:
        return "bad checksum (expected " + hexByte(expectedChecksum(event.protocol, b)) + ")";
    case PelcoEvent::Type::BadEtx:
        return "bad ETX (expected " + hexByte(pelcoPDialect.trailer) + ")";
    case PelcoEvent::Type::Skipped:
        return "skipped " + std::to_string(b.size()) + (b.size() == 1 ? " byte" : " bytes");
    case PelcoEvent::Type::Incomplete:
        return "incomplete frame";
    case PelcoEvent::Type::GeneralResponse:
        return describe(*replyOf(event));
    }
    return {};
}

std::optional<PelcoReply> replyOf(const PelcoEvent &event)
{
    if (event.type == PelcoEvent::Type::GeneralResponse)
        return PelcoReply{PelcoReply::Kind::General, event.bytes[1], 0, event.bytes[2]};
    if (event.type != PelcoEvent::Type::Frame)
        return std::nullopt;
    return replyOf(event.command);
}

PelcoReceiver::PelcoReceiver(Protocol protocol)
    : PelcoReceiver(protocol == Protocol::PelcoD, protocol == Protocol::PelcoP)
{}

PelcoReceiver::PelcoReceiver(bool pelcoD, bool pelcoP) : m_pelcoD(pelcoD), m_pelcoP(pelcoP) {}

PelcoReceiver PelcoReceiver::bothProtocols()
{
    return PelcoReceiver(true, true);
}

bool PelcoReceiver::isSync(Byte byte) const
{
    return (m_pelcoD && byte == pelcoDDialect.sync) || (m_pelcoP && byte == pelcoPDialect.sync);
}

void PelcoReceiver::expectReplyTo(const PelcoBytes &command)
{
    m_answers = Answerable{command[1], command[6]};
}

std::vector<PelcoEvent> PelcoReceiver::feed(std::span<const Byte> bytes)
{
    std::vector<PelcoEvent> events;
    for (Byte b : bytes)
        take(b, events);
    return events;
}

void PelcoReceiver::take(Byte byte, std::vector<PelcoEvent> &events)
{
    if (m_frame.empty()) {
        if (!isSync(byte)) {
            m_skipped.push_back(byte);
            return;
        }
        emitSkipped(events);
    }
    m_frame.push_back(byte);
    const Protocol protocol = framingOf(m_frame);
    const Dialect &d = dialect(protocol);
    const bool p = protocol == Protocol::PelcoP;
    const std::size_t size = d.frameSize;
    if (!p && m_frame.size() == generalSize && m_answers && m_frame[1] == m_answers->address &&
        m_frame[3] == Byte((m_answers->checksum + m_frame[2]) % 256))
        m_generalHeld = true;
    if (m_frame.size() < size)
        return;

    const bool framed = d.trailerIndex >= size || m_frame[d.trailerIndex] == d.trailer;
    const Byte checksum = m_frame[size - 1];
    if (framed && checksum == expectedChecksum(protocol, m_frame)) {
        const PelcoCommand command =
            decodeFrame(protocol, m_frame[1], payloadOf(m_frame), checksum);
        // A general response can answer a Pelco D command, and only the one just before it.
        if (!p && !command.isResponse())
            m_answers = Answerable{command.address, command.checksum};
        else
            m_answers.reset();
        events.push_back({PelcoEvent::Type::Frame, m_frame, command, protocol});
        m_frame.clear();
        m_generalHeld = false;
        return;
    }
    if (m_generalHeld) {
        settleGeneralResponse(events);
        return;
    }
    events.push_back(
        {framed ? PelcoEvent::Type::BadChecksum : PelcoEvent::Type::BadEtx, m_frame, {}, protocol});
    // Search again from the byte after the failed frame's sync. The bytes up to the next sync
    // were shown in the report just made and are not reported again as skipped.
    const std::vector<Byte> rest(m_frame.begin() + 1, m_frame.end());
    m_frame.clear();
    const auto sync = std::find_if(rest.begin(), rest.end(), [this](Byte b) { return isSync(b); });
    retake(std::span(rest).subspan(std::size_t(sync - rest.begin())), events);
}

// Takes bytes again that an earlier decision handed back. There are fewer of them than a
// frame of the kind just decided on, so this goes only as deep as the frames get shorter.
void PelcoReceiver::retake(std::span<const Byte> bytes, std::vector<PelcoEvent> &events)
{
    for (Byte b : bytes)
        take(b, events);
}

// The held bytes did not turn into a frame: the first four are the general response, and
// what follows them is looked at afresh.
void PelcoReceiver::settleGeneralResponse(std::vector<PelcoEvent> &events)
{
    const std::vector<Byte> held = std::move(m_frame);
    m_frame.clear();
    m_generalHeld = false;
    m_answers.reset();
    events.push_back({PelcoEvent::Type::GeneralResponse,
                      std::vector<Byte>(held.begin(), held.begin() + generalSize),
                      {},
                      Protocol::PelcoD});
    retake(std::span(held).subspan(generalSize), events);
}

void PelcoReceiver::emitSkipped(std::vector<PelcoEvent> &events)
{
    if (m_skipped.empty())
        return;
    events.push_back({PelcoEvent::Type::Skipped, std::move(m_skipped), {}, Protocol::PelcoD});
    m_skipped.clear();
}

std::vector<PelcoEvent> PelcoReceiver::lineQuiet()
{
    std::vector<PelcoEvent> events;
    if (m_generalHeld)
        settleGeneralResponse(events);
    emitSkipped(events);
    return events;
}

std::vector<PelcoEvent> PelcoReceiver::finish()
{
    std::vector<PelcoEvent> events = lineQuiet();
    if (!m_frame.empty()) {
        const Protocol protocol = framingOf(m_frame);
        events.push_back({PelcoEvent::Type::Incomplete, std::move(m_frame), {}, protocol});
        m_frame.clear();
    }
    return events;
}

} // namespace pelco

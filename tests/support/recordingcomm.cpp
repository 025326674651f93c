#include "recordingcomm.h"

#include "hex.h"

#include <utility>

void RecordingComm::failAtCall(std::size_t index, std::string description)
{
    m_failIndex = index;
    m_failDescription = std::move(description);
}

void RecordingComm::failOn(std::string prefix, std::string description)
{
    m_failPrefix = std::move(prefix);
    m_failDescription = std::move(description);
}

void RecordingComm::raiseEvent(short code)
{
    event = code;
    fireOnComm();
}

std::size_t RecordingComm::count(const std::string &prefix) const
{
    std::size_t n = 0;
    for (const auto &line : log)
        if (line.rfind(prefix, 0) == 0)
            ++n;
    return n;
}

void RecordingComm::record(std::string line)
{
    const std::size_t index = log.size();
    const bool fail = (m_failIndex && *m_failIndex == index) ||
                      (m_failPrefix && line.rfind(*m_failPrefix, 0) == 0);
    log.push_back(std::move(line));
    if (fail) {
        if (m_failIndex && *m_failIndex == index)
            m_failIndex.reset();
        else
            m_failPrefix.reset();
        throw CommError(m_failDescription);
    }
}

void RecordingComm::setCommPort(short port)
{
    record("put CommPort " + std::to_string(port));
}
void RecordingComm::setHandshaking(long mode)
{
    record("put Handshaking " + std::to_string(mode));
}
void RecordingComm::setInBufferSize(short size)
{
    record("put InBufferSize " + std::to_string(size));
}
void RecordingComm::setInBufferCount(short count)
{
    record("put InBufferCount " + std::to_string(count));
}
void RecordingComm::setInputLen(short length)
{
    record("put InputLen " + std::to_string(length));
}
void RecordingComm::setOutBufferSize(short size)
{
    record("put OutBufferSize " + std::to_string(size));
}
void RecordingComm::setOutBufferCount(short count)
{
    record("put OutBufferCount " + std::to_string(count));
}
bool RecordingComm::portOpen()
{
    record(std::string("get PortOpen ") + (open ? "true" : "false"));
    return open;
}
void RecordingComm::setPortOpen(bool value)
{
    record(std::string("put PortOpen ") + (value ? "true" : "false"));
    open = value;
}
void RecordingComm::setRThreshold(short threshold)
{
    record("put RThreshold " + std::to_string(threshold));
}
void RecordingComm::setSettings(const std::string &settings)
{
    record("put Settings " + settings);
}
void RecordingComm::setOutput(std::span<const BYTE> bytes)
{
    record("put Output " + pelco::toHex(bytes.data(), bytes.size()));
    // Like the real control: a closed port refuses the write.
    if (!open)
        throw CommError("The port is not open");
    outputs.emplace_back(bytes.begin(), bytes.end());
}
std::vector<BYTE> RecordingComm::input()
{
    record("get Input " + std::to_string(pendingInput.size()) + " bytes");
    return std::exchange(pendingInput, {});
}
short RecordingComm::commEvent()
{
    record("get CommEvent " + std::to_string(event));
    return event;
}
void RecordingComm::setInputMode(long mode)
{
    record("put InputMode " + std::to_string(mode));
}

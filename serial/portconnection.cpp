#include "portconnection.h"

#include <algorithm>
#include <limits>

std::int32_t portNumberFromName(std::string_view portName)
{
    if (portName.size() <= 3)
        return 0;
    std::string_view text = portName.substr(3);
    std::size_t i = 0;
    const auto isSpace = [](char c) {
        return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
    };
    while (i < text.size() && isSpace(text[i]))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-'))
        negative = text[i++] == '-';
    constexpr std::int64_t limit = std::int64_t{std::numeric_limits<std::int32_t>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        magnitude = std::min(limit, magnitude * 10 + (text[i] - '0'));
    if (negative)
        return static_cast<std::int32_t>(-magnitude);
    return static_cast<std::int32_t>(std::min(magnitude, limit - 1));
}

std::string settingsFromBaud(std::string_view baudText)
{
    std::string settings(baudText);
    settings += settingsSuffix;
    return settings;
}

void openConfigured(CMSComm &comm, short port, const std::string &settings)
{
    comm.setCommPort(port);
    comm.setSettings(settings);
    comm.setInputMode(portInputMode);
    comm.setInBufferSize(portBufferSize);
    comm.setOutBufferSize(portBufferSize);
    comm.setInputLen(portInputLen);
    comm.setInBufferCount(0);
    comm.setOutBufferCount(0);
    comm.setRThreshold(portRThreshold);
    comm.setHandshaking(portHandshaking);
    comm.setPortOpen(true);
}

void PortConnection::OnSelchangePortOrBaud(const ComboList &portList, const ComboList &baudList)
{
    const int portIndex = portList.GetCurSel();
    const int baudIndex = baudList.GetCurSel();
    if (portIndex < 0 || baudIndex < 0)
        return;
    const std::string portText = portList.GetLBText(portIndex);
    const std::string baudText = baudList.GetLBText(baudIndex);

    if (m_comm.portOpen())
        m_comm.setPortOpen(false);

    // Low 16 bits, as a signed 16-bit value.
    const auto port = static_cast<short>(static_cast<std::uint16_t>(
        static_cast<std::uint32_t>(portNumberFromName(portText)) & 0xFFFFu));
    openConfigured(m_comm, port, settingsFromBaud(baudText));
}

void PortConnection::OnClose()
{
    if (m_comm.portOpen())
        m_comm.setPortOpen(false);
}

void PortConnection::OnSerialEvent()
{
    std::array<BYTE, receiveBufferSize> buffer;
    drain(buffer);
    // Nothing reads the buffer: what the camera says is dropped.
}

std::size_t PortConnection::drain(std::span<BYTE, receiveBufferSize> buffer)
{
    try {
        if (m_comm.commEvent() != comEvReceive)
            return 0;
        const std::vector<BYTE> received = m_comm.input();
        const std::size_t n = std::min(received.size(), buffer.size());
        std::copy_n(received.begin(), n, buffer.begin());
        return n;
    } catch (const CommError &) {
        // The control's event has no one to tell: its errors end the drain silently.
        return 0;
    }
}

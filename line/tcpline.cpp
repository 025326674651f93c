#include "tcpline.h"

namespace lines {

TcpLine::TcpLine(QObject *parent) : NetworkLine(NetworkAddress::Scheme::Tcp, parent) {}

TcpLine::~TcpLine() = default;

void TcpLine::configure(int rate, const Framing &framing)
{
    m_rate = rate;
    m_framing = framing;
}

void TcpLine::startSession(int, const Framing &) {}

bool TcpLine::sessionReady()
{
    return true;
}

void TcpLine::receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t> &data,
                      std::vector<std::uint8_t> &)
{
    data.insert(data.end(), wire.begin(), wire.end());
}

void TcpLine::encode(std::span<const std::uint8_t> data, std::vector<std::uint8_t> &wire)
{
    wire.insert(wire.end(), data.begin(), data.end());
}

void TcpLine::purge(Direction) {}

} // namespace lines

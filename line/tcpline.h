// A raw TCP line, tcp://HOST:PORT: the bytes as they are, both ways. The line's rate and format
// are the server's: open() and configure() take them for the record and set nothing
// (lineforname.h's rateNotice() gives callers the words to say so).
#pragma once

#include "networkline.h"

namespace lines {

class TcpLine : public NetworkLine
{
    Q_OBJECT
public:
    explicit TcpLine(QObject *parent = nullptr);
    ~TcpLine() override;

    void configure(int rate, const Framing &framing) override;

protected:
    void startSession(int rate, const Framing &framing) override;
    bool sessionReady() override;
    void receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t> &data,
                 std::vector<std::uint8_t> &reply) override;
    void encode(std::span<const std::uint8_t> data, std::vector<std::uint8_t> &wire) override;
    void purge(Direction direction) override;
};

} // namespace lines

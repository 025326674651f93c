// A line through Telnet COM Port Control, rfc2217://HOST:PORT (RFC 2217; ser2net's
// telnet(rfc2217) accepter).
//
//  - open() sends, in one write as soon as it is connected, WILL COM-PORT-OPTION, binary both
//    ways, and the line's rate, data size, parity, stop size and flow control; then it waits
//    (bounded) for the server's DO COM-PORT-OPTION and its answer to each setting. Opening costs
//    one round trip beyond the connection.
//  - A server that refuses the option (DONT COM-PORT-OPTION) is no RFC 2217 server; one that
//    answers another value than asked is an error that names both ("set 4800 baud when 9600 was
//    asked").
//  - configure() on an open line sends the settings that change at once and waits for their
//    answers; when the server does not take them the line asks for the old ones back.
//  - Every other option the server proposes is refused, so no byte of a frame is ever taken for
//    text; a data byte 255 goes out as IAC IAC and comes back as one.
//  - discard() also asks the server to purge its port's buffers (PURGE-DATA) and waits
//    (bounded) for its answer, dropping what came before it: then nothing older follows.
#pragma once

#include "networkline.h"
#include "rfc2217.h"

#include <array>
#include <optional>

namespace lines {

class Rfc2217Line : public NetworkLine
{
    Q_OBJECT
public:
    explicit Rfc2217Line(QObject *parent = nullptr);
    ~Rfc2217Line() override;

    void configure(int rate, const Framing &framing) override;

    // The five settings that make a line of rate and framing, in the order they are sent.
    static std::vector<rfc2217::Setting> settingsFor(int rate, const Framing &framing);

protected:
    void startSession(int rate, const Framing &framing) override;
    bool sessionReady() override;
    void receive(std::span<const std::uint8_t> wire, std::vector<std::uint8_t> &data,
                 std::vector<std::uint8_t> &reply) override;
    void encode(std::span<const std::uint8_t> data, std::vector<std::uint8_t> &wire) override;
    void purge(Direction direction) override;

private:
    // Sends settings and remembers them as the answers to wait for.
    void ask(const std::vector<rfc2217::Setting> &settings, telnet::Bytes wire = {});

    enum class Option { Asked, Accepted, Refused };
    telnet::Decoder m_decoder;
    Option m_comPort = Option::Asked;
    std::vector<rfc2217::Setting> m_asked;
    // The server's last answer to each command, since the last ask().
    std::array<std::optional<std::uint32_t>, std::size_t(rfc2217::Command::PurgeData) + 1>
        m_answers;
};

} // namespace lines

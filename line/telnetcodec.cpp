#include "telnetcodec.h"

namespace telnet {

void appendEscaped(Bytes &out, std::span<const std::uint8_t> data)
{
    for (const std::uint8_t b : data) {
        out.push_back(b);
        if (b == IAC)
            out.push_back(IAC);
    }
}

void appendNegotiation(Bytes &out, std::uint8_t verb, std::uint8_t option)
{
    out.insert(out.end(), {IAC, verb, option});
}

void appendSubnegotiation(Bytes &out, std::uint8_t option, std::span<const std::uint8_t> payload)
{
    out.insert(out.end(), {IAC, SB, option});
    appendEscaped(out, payload);
    out.insert(out.end(), {IAC, SE});
}

void Decoder::afterIac(std::uint8_t b, Bytes &data, std::vector<Event> &events)
{
    m_state = State::Data;
    if (b == IAC) {
        data.push_back(IAC);
    } else if (b >= WILL) { // WILL, WONT, DO, DONT
        m_verb = b;
        m_state = State::Verb;
    } else if (b == SB) {
        m_state = State::SbOption;
    } else {
        events.push_back({Event::Kind::Command, b, {}});
    }
}

void Decoder::feed(std::span<const std::uint8_t> in, Bytes &data, std::vector<Event> &events)
{
    for (const std::uint8_t b : in) {
        switch (m_state) {
        case State::Data:
            if (b == IAC)
                m_state = State::Iac;
            else
                data.push_back(b);
            break;
        case State::Iac:
            afterIac(b, data, events);
            break;
        case State::Verb: {
            const Event::Kind kind = m_verb == WILL   ? Event::Kind::Will
                                     : m_verb == WONT ? Event::Kind::Wont
                                     : m_verb == DO   ? Event::Kind::Do
                                                      : Event::Kind::Dont;
            events.push_back({kind, b, {}});
            m_state = State::Data;
            break;
        }
        case State::SbOption:
            m_subOption = b;
            m_payload.clear();
            m_state = State::Sb;
            break;
        case State::Sb:
            if (b == IAC)
                m_state = State::SbIac;
            else if (m_payload.size() < maxPayload)
                m_payload.push_back(b);
            break;
        case State::SbIac:
            if (b == IAC) {
                if (m_payload.size() < maxPayload)
                    m_payload.push_back(IAC);
                m_state = State::Sb;
                break;
            }
            events.push_back({Event::Kind::Subnegotiation, m_subOption, m_payload});
            m_payload.clear();
            // IAC and another command inside a subnegotiation: the subnegotiation ended
            // without its SE, and the command is read as one.
            if (b != SE)
                afterIac(b, data, events);
            else
                m_state = State::Data;
            break;
        }
    }
}

} // namespace telnet

// The serial communications control as the program uses it.
//
// CMSComm is the control's interface: one member per property the program gets or puts, and
// the OnComm event. It is plain C++ so that the protocol core and the port connection can be
// driven and tested without Qt; SerialControl (serialcontrol.h) implements it over a line of the
// line layer.
//
// Every operation may raise CommError, whose description is meant for the operator.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <vector>

using BYTE = std::uint8_t;

// The control's error: the text says what went wrong and, where it can, what to do about it.
class CommError : public std::runtime_error
{
public:
    explicit CommError(const std::string &description) : std::runtime_error(description) {}
    std::string description() const { return what(); }
};

// Values of CommEvent.
inline constexpr short comEvReceive = 2;

// Values of Handshaking.
inline constexpr long comNone = 0;
inline constexpr long comXOnXOff = 1;
inline constexpr long comRTS = 2;
inline constexpr long comRTSXOnXOff = 3;

// Values of InputMode.
inline constexpr long comInputModeText = 0;
inline constexpr long comInputModeBinary = 1;

class CMSComm
{
public:
    virtual ~CMSComm() = default;

    virtual void setCommPort(short port) = 0;
    virtual void setHandshaking(long mode) = 0;
    virtual void setInBufferSize(short size) = 0;
    virtual void setInBufferCount(short count) = 0;
    virtual void setInputLen(short length) = 0;
    virtual void setOutBufferSize(short size) = 0;
    virtual void setOutBufferCount(short count) = 0;
    virtual bool portOpen() = 0;
    virtual void setPortOpen(bool open) = 0;
    virtual void setRThreshold(short threshold) = 0;
    virtual void setSettings(const std::string &settings) = 0;
    // One put: the bytes go to the line in index order.
    virtual void setOutput(std::span<const BYTE> bytes) = 0;
    // The received bytes not read yet, at most InBufferSize of them.
    virtual std::vector<BYTE> input() = 0;
    virtual short commEvent() = 0;
    virtual void setInputMode(long mode) = 0;

    // OnComm: called on the owner's thread, from inside the control, when CommEvent changes.
    void setOnComm(std::function<void()> handler) { m_onComm = std::move(handler); }

protected:
    void fireOnComm()
    {
        if (m_onComm)
            m_onComm();
    }

private:
    std::function<void()> m_onComm;
};

// A recording fake of the serial control: logs every get and put in order, keeps the little
// state the program relies on (open or closed, the event code, bytes waiting), and can be told
// to fail a chosen call.
#pragma once

#include "mscomm.h"

#include <optional>
#include <string>
#include <vector>

class RecordingComm : public CMSComm
{
public:
    // Log lines: "put CommPort 3", "put Settings 9600,n,8,1", "get PortOpen false",
    // "put Output FF 01 00 08 00 3F 48", "get CommEvent 2", "get Input 3 bytes".
    std::vector<std::string> log;
    // Every Output put, as it was handed over.
    std::vector<std::vector<BYTE>> outputs;

    bool open = false;
    short event = 0;
    std::vector<BYTE> pendingInput;

    // The call with this 0-based index in the log raises CommError (it is still logged).
    void failAtCall(std::size_t index, std::string description = "simulated failure");
    // The next call whose log line starts with prefix raises ("put PortOpen true").
    void failOn(std::string prefix, std::string description = "simulated failure");

    // Sets CommEvent and raises OnComm.
    void raiseEvent(short code);

    std::size_t count(const std::string &prefix) const;

    void setCommPort(short port) override;
    void setHandshaking(long mode) override;
    void setInBufferSize(short size) override;
    void setInBufferCount(short count) override;
    void setInputLen(short length) override;
    void setOutBufferSize(short size) override;
    void setOutBufferCount(short count) override;
    bool portOpen() override;
    void setPortOpen(bool value) override;
    void setRThreshold(short threshold) override;
    void setSettings(const std::string &settings) override;
    void setOutput(std::span<const BYTE> bytes) override;
    std::vector<BYTE> input() override;
    short commEvent() override;
    void setInputMode(long mode) override;

private:
    void record(std::string line);

    std::optional<std::size_t> m_failIndex;
    std::optional<std::string> m_failPrefix;
    std::string m_failDescription;
};

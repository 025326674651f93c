// The serial communications control over QSerialPort.
#pragma once

#include "mscomm.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

class QSerialPort;

class SerialControl : public QObject, public CMSComm
{
    Q_OBJECT
public:
    // Turns CommPort's number into a device path; nullopt when there is no such port.
    using PortResolver = std::function<std::optional<QString>(int number)>;

    // Ports are resolved through the process's COM namespace.
    explicit SerialControl(QObject *parent = nullptr);
    SerialControl(PortResolver resolver, QObject *parent = nullptr);
    ~SerialControl() override; // closes an open port

    void setCommPort(short port) override;
    void setHandshaking(long mode) override;
    void setInBufferSize(short size) override;
    void setInBufferCount(short count) override;
    void setInputLen(short length) override;
    void setOutBufferSize(short size) override;
    void setOutBufferCount(short count) override;
    bool portOpen() override;
    void setPortOpen(bool open) override;
    void setRThreshold(short threshold) override;
    void setSettings(const std::string &settings) override;
    void setOutput(std::span<const BYTE> bytes) override;
    std::vector<BYTE> input() override;
    short commEvent() override;
    void setInputMode(long mode) override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};

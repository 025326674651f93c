#include "serialcontrol.h"

struct SerialControl::Private
{};

SerialControl::SerialControl(QObject *parent) : SerialControl(PortResolver{}, parent) {}
SerialControl::SerialControl(PortResolver, QObject *parent)
    : QObject(parent), d(std::make_unique<Private>())
{}
SerialControl::~SerialControl() = default;
void SerialControl::setCommPort(short) {}
void SerialControl::setHandshaking(long) {}
void SerialControl::setInBufferSize(short) {}
void SerialControl::setInBufferCount(short) {}
void SerialControl::setInputLen(short) {}
void SerialControl::setOutBufferSize(short) {}
void SerialControl::setOutBufferCount(short) {}
bool SerialControl::portOpen()
{
    return false;
}
void SerialControl::setPortOpen(bool)
{
    throw CommError("not built yet");
}
void SerialControl::setRThreshold(short) {}
void SerialControl::setSettings(const std::string &) {}
void SerialControl::setOutput(std::span<const BYTE>)
{
    throw CommError("The port is not open");
}
std::vector<BYTE> SerialControl::input()
{
    return {};
}
short SerialControl::commEvent()
{
    return 0;
}
void SerialControl::setInputMode(long) {}

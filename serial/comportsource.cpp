#include "comportsource.h"

#include <algorithm>
#include <cstring>

ComPortSource::ComPortSource() : m_ports(ComNamespace::instance()) {}
ComPortSource::ComPortSource(const ComNamespace &ports) : m_ports(ports) {}

bool ComPortSource::open()
{
    return true;
}

long ComPortSource::enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                              std::uint32_t *dataSize)
{
    const auto &ports = m_ports.ports();
    if (index >= ports.size())
        return NoMoreItems;
    const ComPort &port = ports[index];
    const QByteArray text = port.name.toLocal8Bit();
    if (std::size_t(text.size()) + 1 > *dataSize)
        return MoreData;
    // The value name is the device path; nothing reads it, so a path longer than the buffer is
    // cut to fit rather than costing the port its place in the list.
    const QByteArray device = port.device.toLocal8Bit();
    if (*nameSize == 0)
        return MoreData;
    const std::size_t nameLength = std::min<std::size_t>(std::size_t(device.size()), *nameSize - 1);
    std::memcpy(name, device.constData(), nameLength);
    name[nameLength] = '\0';
    *nameSize = std::uint32_t(nameLength);
    std::memcpy(data, text.constData(), std::size_t(text.size()) + 1);
    *dataSize = std::uint32_t(text.size() + 1);
    return Success;
}

void ComPortSource::close() {}

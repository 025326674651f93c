// The port source over the COM namespace: each port a value, its device the value's name and
// its list name the value's data.
#pragma once

#include "comnamespace.h"
#include "portsource.h"

class ComPortSource : public PortSource
{
public:
    // The process's namespace.
    ComPortSource();
    explicit ComPortSource(const ComNamespace &ports);

    bool open() override;
    long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                   std::uint32_t *dataSize) override;
    void close() override;

private:
    const ComNamespace &m_ports;
};

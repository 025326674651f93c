#include "comportsource.h"

ComPortSource::ComPortSource() : m_ports(ComNamespace::instance()) {}
ComPortSource::ComPortSource(const ComNamespace &ports) : m_ports(ports) {}
bool ComPortSource::open()
{
    return false;
}
long ComPortSource::enumValue(std::uint32_t, char *, std::uint32_t *, char *, std::uint32_t *)
{
    return NoMoreItems;
}
void ComPortSource::close() {}

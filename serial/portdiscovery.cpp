#include "portdiscovery.h"

#include <algorithm>
#include <cstring>

bool portListLess(std::string_view a, std::string_view b)
{
    const auto lower = [](unsigned char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    for (std::size_t i = 0; i < std::min(a.size(), b.size()); ++i) {
        const int x = lower(static_cast<unsigned char>(a[i]));
        const int y = lower(static_cast<unsigned char>(b[i]));
        if (x != y)
            return x < y;
    }
    if (a.size() != b.size())
        return a.size() < b.size();
    return a < b;
}

void FillPortList(PortSource &source, PortListSink &list)
{
    list.ResetContent();
    if (!source.open())
        return;

    for (std::uint32_t index = 0;; ++index) {
        // Fresh buffers and sizes for every value, so nothing of one value leaks into the next.
        char name[portValueBufferSize] = {};
        char data[portValueBufferSize] = {};
        std::uint32_t nameSize = portValueBufferSize;
        std::uint32_t dataSize = portValueBufferSize;
        const long status = source.enumValue(index, name, &nameSize, data, &dataSize);
        if (status == PortSource::Success) {
            // Text up to the first zero, never past the buffer: data that fills all 25 bytes
            // without a zero is cut to 24 characters.
            const std::size_t length = strnlen(data, portValueBufferSize - 1);
            list.AddString(std::string(data, length));
        } else if (status != PortSource::MoreData) {
            break;
        }
    }
    source.close();
}

// Filling the port list from the port source, once, when the panel starts.
#pragma once

#include "portsource.h"

#include <string>
#include <string_view>

// The list being filled; the panel's combo box keeps its items sorted.
class PortListSink
{
public:
    virtual ~PortListSink() = default;
    virtual void ResetContent() = 0;
    virtual void AddString(const std::string &text) = 0;
};

// The port list's order: text order ignoring case (as a sorted list box keeps it), ties by case.
bool portListLess(std::string_view a, std::string_view b);

// Both buffers hold 24 characters and the terminating zero.
inline constexpr std::uint32_t portValueBufferSize = 25;

// Empties the list, then adds every value's data as an item. A value that does not fit its
// buffers adds nothing and the enumeration goes on; a source that cannot be opened leaves
// the list empty.
void FillPortList(PortSource &source, PortListSink &list);

// Where the port list comes from: a read-only table of values, each a device (its name) and
// the port's name in the list (its data), read one at a time into fixed buffers.
#pragma once

#include <cstddef>
#include <cstdint>

class PortSource
{
public:
    enum Status : long {
        Success = 0,
        MoreData = 234,    // the name or the data did not fit its buffer; the value is skipped
        NoMoreItems = 259, // index past the last value
    };

    virtual ~PortSource() = default;

    // False when the table cannot be read at all.
    virtual bool open() = 0;

    // Reads value number index. nameSize and dataSize come in as the buffers' sizes, the
    // terminating zero included, and go out as the lengths written (without it on Success).
    virtual long enumValue(std::uint32_t index, char *name, std::uint32_t *nameSize, char *data,
                           std::uint32_t *dataSize) = 0;

    virtual void close() = 0;
};

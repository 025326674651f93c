#include "protocol.h"

#include "dialect.h"

namespace pelco {

const Dialect &dialect(Protocol protocol)
{
    static const std::array<const Dialect *, protocolCount> dialects{&pelcoDDialect,
                                                                     &pelcoPDialect};
    return *dialects[std::size_t(protocol)];
}

std::optional<Protocol> protocolFromName(std::string_view name)
{
    for (const Protocol protocol : allProtocols)
        if (dialect(protocol).flag == name)
            return protocol;
    return std::nullopt;
}

char protocolLetter(Protocol protocol)
{
    return dialect(protocol).letter;
}

std::string_view protocolName(Protocol protocol)
{
    return dialect(protocol).name;
}

} // namespace pelco

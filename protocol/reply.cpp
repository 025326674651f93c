#include "reply.h"

#include "hex.h"

#include <cstdio>

namespace pelco {

std::optional<PelcoReply> replyOf(const PelcoCommand &frame)
{
    using Kind = PelcoCommand::Kind;
    switch (frame.kind) {
    case Kind::PanPositionResponse:
        return PelcoReply{PelcoReply::Kind::PanPosition, frame.address, frame.value, 0};
    case Kind::TiltPositionResponse:
        return PelcoReply{PelcoReply::Kind::TiltPosition, frame.address, frame.value, 0};
    case Kind::ZoomPositionResponse:
        return PelcoReply{PelcoReply::Kind::ZoomPosition, frame.address, frame.value, 0};
    default:
        return std::nullopt;
    }
}

std::optional<PelcoReply::Kind> answerTo(const PelcoCommand &query)
{
    switch (query.kind) {
    case PelcoCommand::Kind::QueryPan:
        return PelcoReply::Kind::PanPosition;
    case PelcoCommand::Kind::QueryTilt:
        return PelcoReply::Kind::TiltPosition;
    case PelcoCommand::Kind::QueryZoom:
        return PelcoReply::Kind::ZoomPosition;
    default:
        return std::nullopt;
    }
}

PelcoBytes extendedResponse(Byte address, PelcoReply::Kind kind, std::uint16_t value)
{
    const PelcoCommand::Kind response =
        kind == PelcoReply::Kind::PanPosition    ? PelcoCommand::Kind::PanPositionResponse
        : kind == PelcoReply::Kind::TiltPosition ? PelcoCommand::Kind::TiltPositionResponse
                                                 : PelcoCommand::Kind::ZoomPositionResponse;
    const Byte code = *extendedCode(response, Protocol::PelcoD);
    const Payload payload{0x00, code, Byte(value >> 8), Byte(value & 0xFF)};
    return {pelcoSync,
            address,
            payload[0],
            payload[1],
            payload[2],
            payload[3],
            checksum(Protocol::PelcoD, address, payload)};
}

PelcoGeneralBytes generalResponse(Byte address, Byte commandChecksum, Byte alarms)
{
    return {pelcoSync, address, alarms, Byte((commandChecksum + alarms) % 256)};
}

std::string degreesText(std::uint16_t hundredths)
{
    char text[32];
    std::snprintf(text, sizeof text, "%u.%02u°", unsigned(hundredths / 100),
                  unsigned(hundredths % 100));
    return text;
}

std::string describe(const PelcoReply &reply)
{
    const std::string from = " from address " + std::to_string(reply.address);
    switch (reply.kind) {
    case PelcoReply::Kind::PanPosition:
        return "extended response: pan position " + degreesText(reply.value) + from;
    case PelcoReply::Kind::TiltPosition:
        return "extended response: tilt position " + std::to_string(reply.value) + from;
    case PelcoReply::Kind::ZoomPosition:
        return "extended response: zoom position " + std::to_string(reply.value) + from;
    case PelcoReply::Kind::General:
        break;
    }
    return "general response" + from + ", alarm bits " + toHex(&reply.alarms, 1);
}

} // namespace pelco

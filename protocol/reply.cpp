#include "reply.h"

#include "commandframe.h"

#include <cstdio>

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

PelcoBytes extendedResponse(BYTE address, PelcoReply::Kind kind, std::uint16_t value)
{
    const BYTE code = kind == PelcoReply::Kind::PanPosition    ? 0x59
                      : kind == PelcoReply::Kind::TiltPosition ? 0x5B
                                                               : 0x5D;
    return makeFrame(address, 0x00, code, BYTE(value >> 8), BYTE(value & 0xFF)).bytes();
}

PelcoGeneralBytes generalResponse(BYTE address, BYTE commandChecksum, BYTE alarms)
{
    return {pelcoSync, address, alarms, BYTE((commandChecksum + alarms) % 256)};
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

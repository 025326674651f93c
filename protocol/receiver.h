// A receiver of Pelco frames: finds them in a byte stream and decodes them. It listens for
// Pelco D (the default), for Pelco P, or for both at once (a line monitor that does not know
// which protocol the line carries).
//
// Framing. A Pelco D frame is seven bytes from a sync byte 0xFF, accepted when its checksum
// (the sum of bytes 2 to 6 mod 256) matches. A Pelco P frame is eight bytes from STX 0xA0,
// accepted when byte 7 is ETX 0xAF and byte 8 the XOR of bytes 1 to 7. Listening for both, a
// frame is whichever framing and checksum it passes, and the bytes of an accepted frame are
// never searched for another (0xA0 is a legal byte of a Pelco D frame, 0xFF of a Pelco P one).
// Bytes before a sync byte are skipped and reported as one run. A frame that fails is reported,
// and the search starts again at the byte after its sync: a sync value is also a legal address,
// data and checksum value, so a real frame may begin inside a failed one (garbage "FF 12"
// before a frame is the usual case) and is found there.
//
// Replies. The extended responses are ordinary frames and decode like any other (kinds
// PanPositionResponse, TiltPositionResponse, ZoomPositionResponse). A general response, four
// bytes, is recognised only right after the Pelco D command it answers: seen on the same line
// (a monitor on an RS-485 pair sees both directions), or named with expectReplyTo() by the end
// that sent the command. Its first four bytes may also begin a frame, so the receiver holds
// them until three more bytes show that they do not (a whole frame with a good checksum wins),
// or until the line goes quiet (lineQuiet()) or ends (finish()).
//
// The receiver works byte by byte, so the events do not depend on how the stream is chunked.
// A run of skipped bytes is reported when the next sync byte arrives, or by lineQuiet()/
// finish(); a frame still incomplete is kept until it completes, or reported by finish().
//
// Reading answers to what one sent (tarnctl send, probe):
//
//     PelcoReceiver receiver;                 // Pelco D
//     receiver.expectReplyTo(frameSent);      // only needed to see a general response
//     for (const PelcoEvent &event : receiver.feed(bytesRead))
//         if (const auto reply = replyOf(event); reply && reply->address == address)
//             ...                             // e.g. reply->kind == PelcoReply::Kind::PanPosition
//     ... and when the wait is over, the same loop over receiver.lineQuiet(), which gives a
//     general response that was held back.
#pragma once

#include "command.h"
#include "frame.h"
#include "protocol.h"
#include "reply.h"

#include <optional>
#include <span>
#include <string>
#include <vector>

namespace pelco {

struct PelcoEvent
{
    enum class Type {
        Frame,           // a whole frame that passed its checks; command holds it
        BadChecksum,     // a whole frame from a sync byte whose checksum fails
        Skipped,         // bytes outside any frame
        Incomplete,      // the start of a frame when the stream ended (finish())
        GeneralResponse, // a Pelco D general response to the command before it
        BadEtx,          // eight bytes from a Pelco P STX whose seventh is not ETX
    };

    Type type = Type::Frame;
    std::vector<Byte> bytes;
    PelcoCommand command; // Frame only
    // The framing the bytes were taken for; Skipped bytes belong to none and say Pelco D.
    Protocol protocol = Protocol::PelcoD;

    bool operator==(const PelcoEvent &) const = default;
};

// "bad checksum (expected 48)", "bad ETX (expected AF)", "skipped 3 bytes",
// "incomplete frame", "general response from address 1, alarm bits 00", or the command.
std::string describe(const PelcoEvent &event);

// The reply an event carries: a general response, or a frame that is an extended response.
std::optional<PelcoReply> replyOf(const PelcoEvent &event);

class PelcoReceiver
{
public:
    // Listens for one protocol.
    explicit PelcoReceiver(Protocol protocol = Protocol::PelcoD);
    // Listens for Pelco D and Pelco P frames in the same stream.
    static PelcoReceiver bothProtocols();

    // Takes the next bytes of the stream, in any chunks; returns what they completed.
    std::vector<PelcoEvent> feed(std::span<const Byte> bytes);
    // The line went quiet: reports the skipped bytes held back so far, and a general response
    // held back in case it began a frame. A frame begun and still incomplete is kept.
    std::vector<PelcoEvent> lineQuiet();
    // The stream ended: reports what lineQuiet() does and any frame still incomplete.
    std::vector<PelcoEvent> finish();

    // A Pelco D command this end sent (the frame's seven bytes): a general response to it is
    // recognised in what comes in next.
    void expectReplyTo(const PelcoBytes &command);

private:
    struct Answerable
    {
        Byte address;
        Byte checksum;
    };

    PelcoReceiver(bool pelcoD, bool pelcoP);
    bool isSync(Byte byte) const;
    void take(Byte byte, std::vector<PelcoEvent> &events);
    void retake(std::span<const Byte> bytes, std::vector<PelcoEvent> &events);
    void settleGeneralResponse(std::vector<PelcoEvent> &events);
    void emitSkipped(std::vector<PelcoEvent> &events);

    bool m_pelcoD;
    bool m_pelcoP;
    std::vector<Byte> m_frame;           // from a sync byte on, short of a whole frame
    std::vector<Byte> m_skipped;         // skipped bytes not reported yet
    std::optional<Answerable> m_answers; // the command a general response may answer now
    bool m_generalHeld = false;          // m_frame's first four bytes are such a response
};

} // namespace pelco

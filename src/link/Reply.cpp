#include "link/Reply.h"

#include "link/Texts.h"

namespace qb {

Reply requireAcknowledgement(Reply reply)
{
    if (reply.ok() && !reply.text.startsWith(char(6)))
        reply.status = ReplyStatus::Refused;
    return reply;
}

QString failureText(const Reply& reply)
{
    switch (reply.status) {
    case ReplyStatus::TimedOut:
        return texts::decoderTimeout();
    case ReplyStatus::Refused:
    case ReplyStatus::Garbled:
        return texts::transferError();
    case ReplyStatus::Answered:
    case ReplyStatus::Ending:
    case ReplyStatus::LineBusy:
        break;
    }
    return {};
}

}  // namespace qb

#include "servo/PositionReply.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "platform/Host.h"
#include "session/DecoderSession.h"

namespace qb {

std::optional<int> exchangeForPosition(DecoderSession& session, const Frame& frame)
{
    const Reply reply = session.exchange(frame);
    if (session.reportFailure(reply))
        return std::nullopt;
    const std::optional<int> position = commands::positionAnswerValue(reply.text);
    if (!position)
        session.host().message(texts::transferError());
    return position;
}

}  // namespace qb

#include "session/Detection.h"

#include "decoder/ModelCode.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "platform/Host.h"
#include "session/Connection.h"
#include "session/Line.h"
#include "session/SessionView.h"

#include <algorithm>

namespace qb {

Detection::Detection(Host& host, Connection& connection, Line& line, SessionView& view, bool gracePeriod)
    : host_(host), connection_(connection), line_(line), view_(view), timer6_(host.createTimer()),
      gracePeriod_(gracePeriod)
{
    timer6_->setInterval(GraceMs);
    timer6_->setHandler([this] {
        timer6_->setEnabled(false);
        view_.endProgram();
    });
}

Detection::~Detection() = default;

bool Detection::gracePeriodRunning() const
{
    return timer6_->isEnabled();
}

Detection::Result Detection::detect(int n)
{
    if (!connection_.ensurePortOpen(attemptsLeft_))
        return {Outcome::PortFailed, {}};
    view_.setConnectionHint(QStringLiteral("Die Verbindung zum Decoder wurde hergestellt!"));
    // The detection read awaits the shortest block whatever the variant was:
    // enough to find the model code in any of the three block lengths, from
    // whichever decoder is on this port now.
    // An attempt that timed out ends the detection's attempts: at the wrong
    // line speed a decoder shows framing errors as well.
    const Reply reply = line_.readBlockAwaiting(n, commands::ShortestBlock, Line::Attempts::UntilTimeOut);
    if (reply.status == ReplyStatus::Ending || reply.status == ReplyStatus::LineBusy)
        return {Outcome::Ended, {}};
    if (reply.status != ReplyStatus::Answered)
        return {failed(), {}};
    attemptsLeft_ = 0;
    line_.setResponseTimeout(Line::DetectedTimeoutMs);

    QByteArray answer = reply.text;
    std::reverse(answer.begin(), answer.end());
    const auto at = findModelCode(answer);
    if (!at) {
        host_.message(texts::lines({QStringLiteral("Falsche Daten vom Decoder empfangen!"),
                                    QStringLiteral("Programm wird beendet.")}));
        view_.endProgram();
        return {Outcome::Ended, {}};
    }
    return {Outcome::Detected, variantForAnswer(answer, *at)};
}

Detection::Outcome Detection::failed()
{
    if (!altBaudTried_) {
        altBaudTried_ = true;  // the caller switches to the second speed
        return Outcome::Failed;
    }
    --attemptsLeft_;
    view_.setStatus(Connection::connectingStatus(connection_.portNumber(), attemptsLeft_));
    if (attemptsLeft_ > 0)
        return Outcome::Failed;
    if (!gracePeriod_)
        return Outcome::GaveUp;
    host_.message(texts::lines({texts::decoderTimeout(), {}, QStringLiteral("Mögliche Ursachen:"),
                                QStringLiteral("Decoder ist nicht eingeschaltet!"),
                                QStringLiteral("Falsche serielle Schnittstelle ausgewählt!"), {},
                                QStringLiteral("Sie haben jetzt 20 Sekunden Zeit um die serielle Schnittstelle zu korregieren."),
                                {}, QStringLiteral("Dann wird das Programm beendet.")}));
    // The program ends 20 s after the first of these messages, whatever
    // happens meanwhile: menus stay usable, and another port chosen in the
    // meantime that fails as well does not put the end off.
    if (!timer6_->isEnabled())
        timer6_->setEnabled(true);
    return Outcome::GaveUp;
}

}  // namespace qb

#include "decoder/Detection.h"

#include "decoder/DecoderIdentity.h"
#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "link/Connection.h"
#include "link/MainView.h"
#include "link/Transport.h"
#include "memory/OutputSettings.h"
#include "platform/Host.h"

#include <algorithm>

namespace qb {

namespace {

const QString CRLF = QStringLiteral("\r\n");

const char* const ModelCodes[] = {"N7", "R7", "R5", "R0", "R8", "B5", "L6", "L9", "L1", "L7", "V7"};
const char* const VariantTwoIds[] = {"R5964740", "R5674040", "R5454240", "R5--XC48", "R5--XC42", "R5--XC45",
                                     "R5XC6645", "R5-7XC48", "R5-7XC42", "R5-7XC45", "R5-7XCN8"};
// "L1" answers with 80 characters like "L7": taking it for 79 would shift
// every later block of that decoder by one character.
const char* const VariantTwoCodes[] = {"V7", "N7", "R7", "R0", "B5", "L6", "L9", "R8"};
const char* const VariantThreeCodes[] = {"L1", "L7"};

bool isOneOf(const QByteArray& text, auto const& list)
{
    return std::any_of(std::begin(list), std::end(list), [&](const char* item) { return text == item; });
}

}  // namespace

std::optional<int> findModelCode(const QByteArray& reversedAnswer)
{
    // A code has two characters, so one starting at the last character does not count.
    for (int i = 0; i + 1 < reversedAnswer.size(); ++i) {
        if (reversedAnswer.mid(i, 3) == "BR5" || isOneOf(reversedAnswer.mid(i, 2), ModelCodes))
            return i;
    }
    return std::nullopt;
}

std::optional<int> variantForAnswer(const QByteArray& reversedAnswer, int at)
{
    const QByteArray code = reversedAnswer.mid(at, 2);
    if (isOneOf(reversedAnswer.mid(at, 8), VariantTwoIds) || isOneOf(code, VariantTwoCodes) ||
        reversedAnswer.mid(at, 3) == "BR5")
        return 2;
    if (isOneOf(code, VariantThreeCodes))
        return 3;
    return std::nullopt;
}

Detection::Detection(Host& host, Connection& connection, Transport& transport, DecoderIdentity& identity,
                     OutputSettings& settings, MainView& view)
    : host_(host),
      connection_(connection),
      transport_(transport),
      identity_(identity),
      settings_(settings),
      view_(view),
      timer6_(host.createTimer())
{
    timer6_->setInterval(GraceMs);
    timer6_->setHandler([this] { timer6_->setEnabled(false); });
}

Detection::~Detection() = default;

Detection::Outcome Detection::Detect()
{
    connection_.PowerWatchOff = true;
    if (!connection_.EnsurePortOpen())
        return Outcome::PortFailed;
    view_.setConnectionHint(QStringLiteral("Die Verbindung zum Decoder wurde hergestellt!"));
    connection_.PowerWatchOff = false;
    transport_.TimedOut = false;
    // The detection read awaits 78 characters whatever the variant: enough
    // to find the model code in any of the three block lengths.
    const bool answered = transport_.ReadBlockAttempts(settings_.OutputNumber, 78);
    if (!answered || transport_.TimedOut) {
        failed();
        return Outcome::Failed;
    }
    AttemptsLeft = 0;
    transport_.Timer2().setInterval(Transport::DetectedTimeoutMs);
    acceptAnswer();
    return Outcome::Detected;
}

void Detection::failed()
{
    if (!AltBaudTried) {
        AltBaudTried = true;  // the caller switches to the second speed
        return;
    }
    --AttemptsLeft;
    view_.setStatus(Connection::connectingStatus(connection_.PortNumber, AttemptsLeft));
    if (AttemptsLeft > 0)
        return;
    host_.message(QStringLiteral("Timeout von Decoder!") + CRLF + CRLF + QStringLiteral("Mögliche Ursachen:") + CRLF +
                  QStringLiteral("Decoder ist nicht eingeschaltet!") + CRLF +
                  QStringLiteral("Falsche serielle Schnittstelle ausgewählt!") + CRLF + CRLF +
                  QStringLiteral("Sie haben jetzt 20 Sekunden Zeit um die serielle Schnittstelle zu korregieren.") +
                  CRLF + CRLF + QStringLiteral("Dann wird das Programm beendet."));
    // Menus stay usable meanwhile; a new port choice runs inside this wait,
    // but the program ends when the time is up whatever happened.
    timer6_->setEnabled(true);
    host_.waitUntil([this] { return !timer6_->isEnabled(); });
    connection_.Shutdown();
}

void Detection::acceptAnswer()
{
    QByteArray answer = transport_.InString;
    std::reverse(answer.begin(), answer.end());
    const auto at = findModelCode(answer);
    if (!at) {
        endProgram(QStringLiteral("Falsche Daten vom Decoder empfangen!") + CRLF + QStringLiteral("Programm wird beendet."));
        return;
    }
    if (const auto variant = variantForAnswer(answer, *at))
        transport_.ProtocolVariant = *variant;
}

void Detection::endProgram(const QString& message)
{
    host_.message(message);
    connection_.Shutdown();
}

void Detection::runStartupSequence()
{
    if (connection_.DialogActive || connection_.PortNumber < 1) {
        StartupQueryActive = false;
        return;
    }
    view_.checkPortEntry(connection_.PortNumber, 0);
    view_.setPortDisplay(QStringLiteral("COM Port ") + QString::number(connection_.PortNumber));
    settings_.TakePowerOffFromDecoder = true;
    AttemptsLeft = StartAttempts;
    const Outcome first = Detect();
    // Only a failed first attempt moves on to the second speed; a decoder
    // that has just answered is not asked again at another speed.
    if (AltBaudTried && first == Outcome::Failed && !host_.quitRequested()) {
        connection_.reopen(Connection::SecondSettings);
        Outcome outcome = Detect();
        while (outcome == Outcome::Failed && AttemptsLeft != 0 && !host_.quitRequested())
            outcome = Detect();
    }
    if (host_.quitRequested())
        return;
    if (connection_.PortOpenFailed)
        view_.setStatus(Connection::portMissingStatus(connection_.PortNumber));
    else if (identify)
        identify();
    connection_.PortOpenFailed = false;
    if (!host_.quitRequested() && isInGroup(DecoderGroup::StartupStateGroup, identity_.DecoderId))
        queryPowerUpState();
    else
        StartupQueryActive = false;
}

void Detection::queryPowerUpState()
{
    transport_.ExchangeCommand(commands::powerUpStateQuery(), 1);
    if (transport_.TimedOut) {
        host_.message(QStringLiteral("Timeout von Decoder!"));
        return;
    }
    StartupQueryActive = true;
    const char state = transport_.InString.isEmpty() ? 0 : transport_.InString[0];
    if (state == '0' || state == '1') {
        view_.showPowerUpState(state == '1' ? QStringLiteral("Servos \"EIN\" beim Einschalten")
                                            : QStringLiteral("Servos \"AUS\" beim Einschalten"));
        StartupQueryActive = false;
        return;
    }
    host_.message(QStringLiteral("Datentransfer Fehler!"));
}

void Detection::afterPortChoice()
{
    const Outcome outcome = Detect();
    if (outcome != Outcome::PortFailed && !host_.quitRequested() && identify)
        identify();
}

}  // namespace qb

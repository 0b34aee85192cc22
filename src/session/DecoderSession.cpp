#include "session/DecoderSession.h"

#include "decoder/DecoderTables.h"
#include "decoder/FamilyLayout.h"
#include "decoder/ModelCode.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BlockDecode.h"
#include "memory/ConfigBlock.h"
#include "platform/Host.h"
#include "platform/SerialPort.h"
#include "session/Connection.h"
#include "session/Detection.h"
#include "session/ProtocolMonitor.h"
#include "session/ServoWrites.h"

namespace qb {

namespace {

constexpr int MaxRecoveries = 2;
constexpr int FirstReconnectMs = 2000;
constexpr int LaterReconnectMs = 1000;

}  // namespace

DecoderSession::DecoderSession(Services services, SessionView& view)
    : host_(services.host),
      port_(services.port),
      view_(view),
      line_(std::make_unique<Line>(host_, port_, identity_)),
      monitor_(std::make_unique<ProtocolMonitor>(host_)),
      connection_(std::make_unique<Connection>(host_, port_, services.settings, services.machine, view_)),
      detection_(std::make_unique<Detection>(host_, *connection_, *line_, view_, services.gracePeriod)),
      servoWrites_(std::make_unique<ServoWrites>(host_, *line_, identity_, settings_, view_)),
      timer3_(host_.createTimer())
{
    timer3_->setInterval(FirstReconnectMs);
    timer3_->setHandler([this] { reconnect(); });
    port_.setEventHandler([this](CommEvent event) { onCommEvent(event); });
    line_->setMonitor([this](const Frame& frame, const Reply& reply, qint64 sentUs) {
        monitor_->record(frame, reply, sentUs);
    });
}

DecoderSession::~DecoderSession()
{
    port_.setEventHandler({});
}

void DecoderSession::setOutputNames(const QStringList& names)
{
    identity_.OutputNames = names;
    identity_.EntryCount = static_cast<int>(names.size());
    view_.showOutputNames();
}

QString DecoderSession::outputName(int n) const
{
    if (identity_.PairedFamily != 0)
        return identity_.outputName(n);
    return QStringLiteral("Servo ") + QString::number(n);
}

// --- Start and end ---------------------------------------------------------

void DecoderSession::loadSettings(const QString& programFolder, std::optional<int> portForThisRun)
{
    connection_->loadSettings(programFolder, portForThisRun);
    settings_.OutputNumber = 1;
    identity_.PairedFamily = 0;
    identity_.PairedOutputs = false;
    identity_.ActiveTestOutput = 0;
}

void DecoderSession::openAtStart()
{
    connection_->openAtStart();
}

DecoderSession::StartupOutcome DecoderSession::runStartupSequence()
{
    if (dialogActive_.isSet() || connection_->portNumber() < 1) {
        startupQueryActive_ = false;
        return StartupOutcome::NotRun;
    }
    const Line::Operation operation = line_->beginQuietly();
    if (!operation)
        return StartupOutcome::NotRun;  // never while another operation talks to the decoder
    return startupSequence();
}

DecoderSession::StartupOutcome DecoderSession::startupSequence()
{
    const int port = connection_->portNumber();
    if (port < 1) {
        startupQueryActive_ = false;
        return StartupOutcome::NotRun;
    }
    view_.checkPortEntry(port, 0);
    view_.setPortDisplay(Connection::portText(port));
    settings_.TakePowerOffFromDecoder = true;
    detection_->startCounting();
    auto detect = [this] {
        const Detection::Result result = detection_->detect(settings_.OutputNumber);
        if (result.variant)
            identity_.ProtocolVariant = *result.variant;
        return result.outcome;
    };
    using Outcome = Detection::Outcome;
    Outcome outcome = detect();
    // Only a failed first attempt moves on to the second speed; a decoder
    // that has just answered is not asked again at another speed.
    if (detection_->altBaudTried() && outcome == Outcome::Failed && !host_.quitRequested()) {
        connection_->reopen(Connection::SecondSettings);
        outcome = detect();
        while (outcome == Outcome::Failed && detection_->attemptsLeft() != 0 && !host_.quitRequested())
            outcome = detect();
    }
    if (host_.quitRequested() || outcome == Outcome::Ended)
        return StartupOutcome::Ended;
    if (outcome == Outcome::GaveUp)
        return StartupOutcome::NoDecoder;
    if (outcome == Outcome::PortFailed) {
        // No power-on query either: there is no open port to ask through.
        view_.setStatus(Connection::portMissingStatus(port));
        return StartupOutcome::PortFailed;
    }
    const bool accepted = identify();
    if (host_.quitRequested())
        return StartupOutcome::Ended;
    if (isInGroup(DecoderGroup::StartupStateGroup, identity_.DecoderId))
        queryPowerUpState();
    else
        startupQueryActive_ = false;
    return accepted ? StartupOutcome::Identified : StartupOutcome::NotAccepted;
}

void DecoderSession::queryPowerUpState()
{
    const Reply reply = line_->exchange(commands::powerUpStateQuery());
    if (reportFailure(reply))
        return;
    startupQueryActive_ = true;
    const char state = reply.text.isEmpty() ? 0 : reply.text[0];
    if (state == '0' || state == '1') {
        view_.showPowerUpState(state == '1' ? QStringLiteral("Servos \"EIN\" beim Einschalten")
                                            : QStringLiteral("Servos \"AUS\" beim Einschalten"));
        startupQueryActive_ = false;
        return;
    }
    host_.message(texts::transferError());
}

void DecoderSession::selectPort(int n)
{
    const Line::Operation operation = line_->begin();
    if (!operation)
        return;
    connection_->choosePort(n);
    const Detection::Result result = detection_->detect(settings_.OutputNumber);
    if (result.variant)
        identity_.ProtocolVariant = *result.variant;
    using Outcome = Detection::Outcome;
    // A first failure of the run only marks the second speed; the
    // identification then makes its own read.
    if ((result.outcome == Outcome::Detected || result.outcome == Outcome::Failed) && !host_.quitRequested())
        identify();
}

QStringList DecoderSession::scanPorts()
{
    // Trying ports re-targets the one connection: not while it is in use.
    const Line::Operation operation = line_->begin();
    if (!operation)
        return {};
    return connection_->scanPorts();
}

bool DecoderSession::chooseScannedPort(int listIndex)
{
    const Line::Operation operation = line_->begin();
    return operation && connection_->chooseScannedPort(listIndex);
}

void DecoderSession::portScanClosed()
{
    // Not an exchange: the port is only opened where the scan left it closed.
    connection_->restoreAfterScan();
}

void DecoderSession::choosePanelPort(int n)
{
    if (connection_->choosePanelPort(n))
        return;
    host_.message(QStringLiteral("Softwarefehler 003"), Buttons::Ok, QStringLiteral("Fehler"), Icon::Critical);
    endProgram();
}

void DecoderSession::endProgram()
{
    view_.endProgram();
}

void DecoderSession::programEnding()
{
    connection_->close();
    shuttingDown_ = true;
    timer3_->setEnabled(false);
    host_.requestQuit();
}

void DecoderSession::fatal(const QString& message)
{
    host_.message(message);
    endProgram();
}

// --- The decoder's power line ------------------------------------------------

void DecoderSession::onCommEvent(CommEvent event)
{
    if (!connection_->powerWatchArmed())
        return;
    switch (event) {
    case CommEvent::FrameError:
        line_->noteFramingError();
        break;
    case CommEvent::DsrChange:
        if (!port_.dsr())
            powerLost();
        break;
    case CommEvent::LinkLost:
        powerLost();
        break;
    }
}

void DecoderSession::powerLost()
{
    connection_->suspendPowerWatch();
    const Answer answer = host_.message(texts::lines({QStringLiteral("Achtung!"),
                                                      QStringLiteral("Decoder wurde oder ist ausgeschaltet."),
                                                      QStringLiteral("Wollen Sie das Programm beenden?")}),
                                        Buttons::YesNo);
    identity_.ProtocolVariant = 0;
    if (answer == Answer::Yes) {
        connection_->close();
        endProgram();
        return;
    }
    host_.message(texts::lines({QStringLiteral("Schalten Sie den Decoder wieder ein, oder stellen "),
                                QStringLiteral("Sie die Verbindung zu einem anderen Decoder her.")}));
    timer3_->setEnabled(true);
}

void DecoderSession::reconnect()
{
    // Another operation may still be running its course: the timer then
    // tries again a second later.
    timer3_->setInterval(LaterReconnectMs);
    const Line::Operation operation = line_->beginQuietly();
    if (!operation)
        return;
    timer3_->setEnabled(false);
    view_.closeDecoderWindows();
    // After a power loss another decoder may be on the line: it is
    // identified, whatever output a test panel had the main window re-read.
    identity_.ActiveTestOutput = 0;
    // The dialogs just closed still hold their flag until they have unwound;
    // the reconnect detects all the same.
    startupSequence();
}

// --- Identification ------------------------------------------------------------

void DecoderSession::rereadTestOutput()
{
    if (line_->readBlock(identity_.ActiveTestOutput).status == ReplyStatus::Garbled)
        fatal(texts::decoderGone());
}

bool DecoderSession::identify()
{
    if (identity_.ActiveTestOutput >= 1) {
        rereadTestOutput();
        return true;
    }
    if (!connection_->ensurePortOpen(detection_->attemptsLeft()))
        return false;  // the port-open timer has told the user
    const int n = settings_.OutputNumber;
    const Reply reply = line_->readBlock(n);
    if (reply.status == ReplyStatus::Ending || reply.status == ReplyStatus::LineBusy)
        return false;
    if (reply.status == ReplyStatus::Garbled) {
        fatal(texts::lines({QStringLiteral("Timeout oder Datenfehler vom Decoder!"),
                            QStringLiteral("Decoder ist vermutlich nicht eingeschaltet."),
                            QStringLiteral("Programm wird beendet.")}));
        return false;
    }
    const ConfigBlock block(reply.text);
    if (block.outputDigit() != outputDigit(n)) {
        fatal(texts::lines({QStringLiteral("Datenfehler!"), {}, QStringLiteral("Starten Sie das Programm neu!")}));
        return false;
    }

    view_.setHintText(QString());
    const QString id = block.decoderId();
    const bool accepted = isKnownId(id);
    rejectedId_ = accepted ? QString() : id;
    if (accepted)
        port_.keepOpenDevice();  // this number is the decoder's, also after a re-plug
    if (!accepted) {
        host_.message(texts::lines({QStringLiteral("Der angeschlossene Decoder hat nicht die richtige Kennung!"), {},
                                    QStringLiteral("Dieses Programm ist für Servo Decoder."), {},
                                    QStringLiteral("Empfangene Kennung ist ") + id}));
    } else {
        const FamilyLayout layout = layoutForDecoder(id, settings_.AddressMode, block.field(2).value_or(0));
        identity_.DecoderId = id;
        identity_.OutputCount = layout.OutputCount;
        if (layout.EntryCount)
            identity_.EntryCount = *layout.EntryCount;
        // Set from every accepted identification, so that a swapped decoder
        // does not keep the pair rules of the one before.
        identity_.PairedFamily = layout.PairedFamily;
        if (layout.PairedOutputs)
            identity_.PairedOutputs = *layout.PairedOutputs;
        if (layout.Mode)
            identity_.Mode = *layout.Mode;
        identity_.ProtocolVariant = layout.ProtocolVariant;
        identity_.OutputNames = layout.listFilled ? layout.entries : QStringList();
        view_.applyLayout(layout);
        view_.setStatus(layout.statusLiteral + id);
        if (!id.startsWith(QLatin1String("BR5")) && view_.hintText().isEmpty())
            view_.setHintText(QStringLiteral("Wählen Sie aus der Liste das Servo aus, (Doppelclick) das Sie programmieren wollen."));
        view_.enableOutputList();
    }
    showBlock(block);
    return accepted;
}

// --- Outputs ---------------------------------------------------------------------

ReadOutcome DecoderSession::selectOutput(int n)
{
    const Line::Operation operation = line_->begin();
    if (!operation)
        return ReadOutcome::Refused;
    if (connection_->portNumber() < 1) {
        host_.message(QStringLiteral("Sie müssen zuerst einen COM-Port(1-8) über das Menü auswählen!"));
        return ReadOutcome::Failed;
    }
    if (n < 1 || n > identity_.OutputNames.size())
        return ReadOutcome::Failed;
    view_.showSelection(n);
    settings_.TakePowerOffFromDecoder = true;
    settings_.OutputNumber = n;
    selectedOutputRead_ = false;
    const bool open = connection_->isOpen() || connection_->ensurePortOpen(detection_->attemptsLeft());
    const ReadOutcome outcome = open ? readOutput() : ReadOutcome::Failed;
    view_.showReadOutcome(outcome);
    return outcome;
}

ReadOutcome DecoderSession::readOutput()
{
    const int n = settings_.OutputNumber;
    selectedOutputRead_ = false;
    const Reply reply = line_->readBlock(n);
    if (reply.status == ReplyStatus::Ending)
        return ReadOutcome::Ended;
    if (reply.status == ReplyStatus::LineBusy)
        return ReadOutcome::Failed;
    const QString failed = reply.text.isEmpty() ? texts::decoderTimeout() : QStringLiteral("Datenfehler vom Decoder !");
    // An answer cut short by the time-out still counts when it reaches
    // through the identification; anything shorter is no block.
    const ConfigBlock block(reply.text);
    const BlockCheck check = checkBlock(block, n, identity_.DecoderId);
    if (reply.status == ReplyStatus::Garbled || check == BlockCheck::TooShort) {
        host_.message(failed);
        return ReadOutcome::Failed;
    }
    if (n == 16 && block.outputDigit() != '0') {
        fatal(texts::lines({QStringLiteral("Datenfehler!"), {},
                            QStringLiteral("Das Servo ") + QString(QChar::fromLatin1(block.outputDigit().value_or(' '))) +
                                QStringLiteral(" anstatt ") + QString::number(n) + QStringLiteral(" hat geantwortet!"),
                            QStringLiteral("Das Programm wird beendet.")}));
        return ReadOutcome::Ended;
    }
    const QString id = block.decoderId();
    if ((id == "R7644940" && identity_.OutputCount == 8) || (id == "R5494940" && identity_.OutputCount == 4)) {
        host_.message(texts::lines({QStringLiteral("Der angeschlossene Decoder hat nicht die richtige Kennung!"), {},
                                    QStringLiteral("Empfangene Kennung ist ") + id}));
        return ReadOutcome::NotAccepted;
    }
    // Only a block of the connected decoder for this output is shown: not
    // noise of the right length, not a block shifted by a character, not
    // another output's.
    if (check != BlockCheck::Usable) {
        host_.message(failed);
        return ReadOutcome::Failed;
    }
    if (const auto progress = readProgressText(n, identity_.Mode, identity_.PairedFamily))
        view_.setStatus(*progress);
    return showBlock(block);
}

ReadOutcome DecoderSession::showBlock(const ConfigBlock& block)
{
    DecodeContext context;
    context.OutputNumber = settings_.OutputNumber;
    context.PanelMode = static_cast<int>(identity_.Mode);
    context.DecoderId = identity_.DecoderId;
    context.ProtocolVariant = identity_.ProtocolVariant;
    context.TakePowerOffFromDecoder = settings_.TakePowerOffFromDecoder;
    context.SuppressPowerOffPush = settings_.SuppressPowerOffPush;
    context.PowerOff = settings_.PowerOff;
    context.FunctionCode = settings_.FunctionCode;
    context.DirectionReversed = settings_.DirectionReversed;
    context.AddressMode = settings_.AddressMode;
    context.SelectedLayoutCode = selectedLayoutCode_;
    const DecodedBlock decoded = decodeBlock(block, context);
    applyDecoded(settings_, decoded);
    view_.showDecoded(decoded);

    switch (decoded.Outcome) {
    case DecodeOutcome::Decoded:
        recoveries_ = 0;
        selectedOutputRead_ = true;
        return ReadOutcome::Decoded;
    case DecodeOutcome::Implausible:
        return recover(decoded);
    case DecodeOutcome::PowerOffPush: {
        // The program's own power-off setting goes to the decoder; the write
        // reads the output back and takes the bit from the decoder then.
        selectedOutputRead_ = true;
        settings_.TakePowerOffFromDecoder = true;
        const bool written = writeServoConfig();
        settings_.TakePowerOffFromDecoder = true;
        return written && selectedOutputRead_ ? ReadOutcome::Decoded : ReadOutcome::Failed;
    }
    case DecodeOutcome::Fatal:
        fatal(decoded.Message);
        return ReadOutcome::Ended;
    }
    return ReadOutcome::Failed;
}

ReadOutcome DecoderSession::recover(const DecodedBlock& decoded)
{
    host_.message(decoded.Message);
    if (++recoveries_ > MaxRecoveries) {
        // The reset did not cure it: the output stays unread.
        recoveries_ = 0;
        return ReadOutcome::Failed;
    }
    const int n = settings_.OutputNumber;
    line_->exchange(commands::outputReset(n));
    // Read again as the output list's double click does.
    return selectOutput(n);
}

bool DecoderSession::writeServoConfig()
{
    // Settings that were not read from this output are never written to it.
    if (!selectedOutputRead_)
        return false;
    const int n = settings_.OutputNumber;
    commands::ServoConfig config = servoConfigFor(settings_, n, identity_.ProtocolVariant);
    // A turnout without bounce writes no bounce: the settings follow the frame.
    commands::applyValueWordRule(config);
    settings_.BounceCode = config.bounceCode;
    settings_.BounceAmount = static_cast<qint32>(config.bounceAmount);
    if (reportFailure(line_->exchange(commands::servoConfigWrite(config))))
        return false;
    view_.setStatus(outputName(n) + QStringLiteral(" Daten geändert"));
    readOutput();
    return true;
}

bool DecoderSession::resetServoByProgram(int n)
{
    return servoWrites_->resetByProgram(n);
}

bool DecoderSession::copyServoByProgram(int target)
{
    return servoWrites_->copyByProgram(target);
}

// --- The windows' exchanges ---------------------------------------------------------

Reply DecoderSession::exchange(const Frame& frame)
{
    return line_->exchange(frame);
}

void DecoderSession::switchOutput(int n, int s)
{
    line_->switchOutput(n, s);
}

void DecoderSession::delay(int ms)
{
    line_->delay(ms);
}

bool DecoderSession::reportFailure(const Reply& reply)
{
    return qb::reportFailure(host_, reply);
}

}  // namespace qb

#include "cli/Tool.h"

#include "decoder/FamilyLayout.h"
#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BackupFile.h"
#include "memory/BlockDecode.h"
#include "memory/ConfigBlock.h"
#include "platform/Host.h"
#include "session/Connection.h"
#include "session/DecoderSession.h"
#include "session/MemoryBackup.h"
#include "session/ProtocolMonitor.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <unistd.h>

namespace qb::cli {

namespace {

// "8-fach Servo Decoder" from "8-fach Servo Decoder erkannt!   Decoder-Version ".
QString familyName(const QString& id)
{
    const QString literal = layoutForDecoder(id, 0, 0).statusLiteral;
    const qsizetype end = literal.indexOf(QStringLiteral(" erkannt!"));
    return end < 0 ? literal.trimmed() : literal.left(end);
}

int baudOf(const QString& lineSettings)
{
    return lineSettings.section(',', 0, 0).toInt();
}

// The settings of one output as the decode found them.
QJsonObject outputObject(int n, const QString& name, const DecodedBlock& d, const OutputSettings& s, PanelMode mode)
{
    QJsonObject o{{"output", n}, {"name", name}, {"functionCode", s.FunctionCode}};
    if (d.FunctionLabel)
        o["function"] = *d.FunctionLabel;
    o["directionReversed"] = s.DirectionReversed;
    o["protocol"] = s.AddressMode == 2 ? QStringLiteral("Motorola") : QStringLiteral("DCC");
    if (d.Address)
        o["address"] = *d.Address;
    if (d.VirtualAddress)
        o["virtualAddress"] = *d.VirtualAddress;
    switch (mode) {
    case PanelMode::Servo:
        if (d.Neutral)
            o["neutral"] = *d.Neutral;
        o["brand"] = s.Brand;
        if (d.BrandText)
            o["brandName"] = *d.BrandText;
        o["polarity"] = s.Polarity == 2 ? QStringLiteral("positiv") : QStringLiteral("negativ");
        o["powerOff"] = s.PowerOff == 1;
        o["leftPos"] = s.LeftPos;
        o["rightPos"] = s.RightPos;
        o["actualPos"] = s.ActualPos;
        o["targetPos"] = s.TargetPos;
        o["runTimeLeft"] = s.RunTimeLeft;
        o["runTimeRight"] = s.RunTimeRight;
        o["bounceLeft"] = (s.BounceCode & 2) != 0;
        o["bounceRight"] = (s.BounceCode & 1) != 0;
        o["bounceAmount"] = s.BounceAmount;
        if (d.BouncePercent)
            o["bouncePercent"] = *d.BouncePercent;
        if (d.RepeatText)
            o["repetitions"] = *d.RepeatText;
        break;
    case PanelMode::TrafficLight:
        o["phaseTime"] = s.LeftPos;
        if (d.CrossingLayoutCode)
            o["crossingLayout"] = *d.CrossingLayoutCode;
        if (d.CountryOption) {
            const char* countries[] = {"Deutschland", "Niederland", "Österreich"};
            o["country"] = QString::fromUtf8(countries[std::clamp(*d.CountryOption, 0, 2)]);
        }
        break;
    case PanelMode::Coil:
        if (const auto time = coilSwitchOnTime(s.LeftPos, s.RightPos, s.RunTimeLeft))
            o["switchOnTime"] = *time;
        if (d.CoilInputOption)
            o["eachInputItsCoil"] = *d.CoilInputOption == 0;
        if (d.CoilRowEnd && *d.CoilRowEnd >= 0)
            o["lastCoil"] = *d.CoilRowEnd + 2;
        break;
    }
    return o;
}

// The backup's progress as one line on the terminal: what runs, and how far.
class TerminalProgress : public BackupProgress {
public:
    TerminalProgress(QString label, std::function<void(const QString&)> show)
        : label_(std::move(label)), show_(std::move(show))
    {
    }
    void showProgress(int minimum, int maximum, int value) override
    {
        minimum_ = minimum;
        maximum_ = maximum;
        setProgress(value);
    }
    void setProgress(int value) override
    {
        const int span = std::max(1, maximum_ - minimum_);
        const int percent = std::clamp((value - minimum_) * 100 / span, 0, 100);
        show_(QStringLiteral("%1 ... %2 %").arg(label_).arg(percent));
    }
    void hideProgress() override { show_({}); }

private:
    QString label_;
    std::function<void(const QString&)> show_;
    int minimum_ = 0;
    int maximum_ = 1;
};

int exitOf(BackupOutcome outcome)
{
    switch (outcome) {
    case BackupOutcome::Done:
        return Success;
    case BackupOutcome::Differs:
        return Differs;
    case BackupOutcome::FileRefused:
        return FileError;
    case BackupOutcome::WrongDecoder:
        return WrongDecoder;
    case BackupOutcome::LineBusy:
    case BackupOutcome::DecoderFailed:
        break;
    }
    return DecoderError;
}

QString shown(const QJsonValue& value)
{
    if (value.isBool())
        return value.toBool() ? QStringLiteral("ja") : QStringLiteral("nein");
    if (value.isDouble())
        return QString::number(value.toInteger());
    return value.toString();
}

}  // namespace

Tool::Tool(const Options& options, Services services)
    : options_(options), services_(services), terminal_(::isatty(::fileno(services.err)) == 1)
{
    session_ = std::make_unique<DecoderSession>(
        DecoderSession::Services{services_.host, services_.port, services_.settings, services_.machine, false},
        view_);
}

Tool::~Tool() = default;

void Tool::print(const QString& text)
{
    std::fprintf(services_.out, "%s\n", text.toLocal8Bit().constData());
}

void Tool::fail(const QString& text)
{
    progress({});
    std::fprintf(services_.err, "quenbrix-cli: %s\n", text.toLocal8Bit().constData());
}

void Tool::progress(const QString& text)
{
    // On a terminal one line that is written over; elsewhere nothing.
    if (!terminal_)
        return;
    std::fprintf(services_.err, "\r%-70s\r%s", "", text.toLocal8Bit().constData());
    std::fflush(services_.err);
}

int Tool::connect()
{
    const int number = options_.demo ? 1 : *portNumberOf(options_.port);
    session_->loadSettings(QString(), number);
    session_->openAtStart();
    progress(QStringLiteral("Suche den Decoder an Port %1 ...").arg(number));
    const DecoderSession::StartupOutcome outcome = session_->runStartupSequence();
    progress({});
    using Outcome = DecoderSession::StartupOutcome;
    switch (outcome) {
    case Outcome::Identified:
        return Success;
    case Outcome::PortFailed: {
        const QString reason = session_->connection().lastOpenError();
        fail(QStringLiteral("Die Schnittstelle %1 kann nicht geöffnet werden.%2")
                 .arg(options_.demo ? QStringLiteral("1") : options_.port,
                      reason.isEmpty() ? QString() : QStringLiteral(" ") + reason));
        return PortFailed;
    }
    case Outcome::NoDecoder:
        fail(QStringLiteral("Kein Decoder antwortet an %1, weder mit 4800 noch mit 9600 Baud. "
                            "Ist der Decoder eingeschaltet und die richtige Schnittstelle gewählt?")
                 .arg(options_.demo ? QStringLiteral("dem Demo-Port") : options_.port));
        return NoDecoder;
    case Outcome::NotAccepted:
        fail(QStringLiteral("Der angeschlossene Decoder meldet die Kennung \"%1\", die dieses Programm nicht kennt.")
                 .arg(session_->rejectedId()));
        return WrongDecoder;
    case Outcome::NotRun:
    case Outcome::Ended:
        break;
    }
    fail(QStringLiteral("Der Decoder kann nicht gelesen werden."));
    return DecoderError;
}

int Tool::run()
{
    if (!options_.logPath.isEmpty()) {
        QString error;
        if (!session_->monitor().logTo(options_.logPath, error)) {
            fail(error);
            return FileError;
        }
    }
    if (const int exit = connect(); exit != Success)
        return exit;
    if (options_.command == QLatin1String("identify"))
        return identify();
    if (options_.command == QLatin1String("read"))
        return read();
    if (options_.command == QLatin1String("backup"))
        return backUp();
    if (options_.command == QLatin1String("restore"))
        return restore();
    return verify();
}

int Tool::identify()
{
    const DecoderIdentity& identity = session_->identity();
    const QJsonObject found{{"id", identity.DecoderId},
                            {"family", familyName(identity.DecoderId)},
                            {"protocolVariant", identity.ProtocolVariant},
                            {"baud", baudOf(session_->connection().lineSettings())},
                            {"outputs", identity.OutputCount},
                            {"entries", identity.EntryCount}};
    if (options_.json) {
        print(QString::fromUtf8(QJsonDocument(found).toJson(QJsonDocument::Compact)));
        return Success;
    }
    print(QStringLiteral("Kennung:           %1").arg(identity.DecoderId));
    print(QStringLiteral("Familie:           %1").arg(found["family"].toString()));
    print(QStringLiteral("Protokollvariante: %1").arg(identity.ProtocolVariant));
    print(QStringLiteral("Geschwindigkeit:   %1 Baud").arg(found["baud"].toInt()));
    print(QStringLiteral("Ausgänge:          %1 (%2 in der Liste)").arg(identity.OutputCount).arg(identity.EntryCount));
    return Success;
}

std::optional<QJsonObject> Tool::readOutput(int n, int& exit)
{
    const DecoderIdentity& identity = session_->identity();
    const Line::Operation operation = session_->operation();
    const Reply reply = session_->line().readBlock(n);
    const ConfigBlock block(reply.text);
    const BlockCheck check = checkBlock(block, n, identity.DecoderId);
    if (reply.status == ReplyStatus::Garbled || check != BlockCheck::Usable) {
        fail(QStringLiteral("Ausgang %1: %2").arg(n).arg(reply.text.isEmpty() ? texts::decoderTimeout()
                                                                              : QStringLiteral("Datenfehler vom Decoder !")));
        exit = DecoderError;
        return std::nullopt;
    }
    // Read as the window does when an output is chosen, but without writing
    // anything back: no recovery, no power-off push.
    DecodeContext context;
    context.OutputNumber = n;
    context.PanelMode = static_cast<int>(identity.Mode);
    context.DecoderId = identity.DecoderId;
    context.ProtocolVariant = identity.ProtocolVariant;
    context.TakePowerOffFromDecoder = true;
    const DecodedBlock decoded = decodeBlock(block, context);
    if (decoded.Outcome != DecodeOutcome::Decoded) {
        QString message = decoded.Message;
        fail(QStringLiteral("Ausgang %1: %2").arg(n).arg(message.replace(texts::CRLF, QStringLiteral(" "))));
        exit = DecoderError;
        return std::nullopt;
    }
    OutputSettings settings;
    applyDecoded(settings, decoded);
    return outputObject(n, identity.outputName(n), decoded, settings, identity.Mode);
}

void Tool::printReadable(const QJsonObject& output)
{
    static const std::pair<const char*, const char*> labels[] = {
        {"function", "Funktion"},           {"brandName", "Fabrikat"},           {"polarity", "Pulsform"},
        {"powerOff", "Strom abschalten"},  {"neutral", "Mittelstellung"},      {"leftPos", "Linke Position"},
        {"rightPos", "Rechte Position"},   {"actualPos", "IST Position"},      {"targetPos", "SOLL Position"},
        {"runTimeLeft", "Laufzeit links"}, {"runTimeRight", "Laufzeit rechts"}, {"bounceLeft", "Nachfedern links"},
        {"bounceRight", "Nachfedern rechts"}, {"bounceAmount", "Nachfedern Wert"}, {"bouncePercent", "Nachfedern %"},
        {"repetitions", "Wiederholungen"}, {"phaseTime", "Zeit in Millisekunden"}, {"crossingLayout", "Kreuzung (Code)"},
        {"country", "Land"},               {"switchOnTime", "Einschaltzeit (s)"}, {"eachInputItsCoil", "Jeder Eingang seine Spule"},
        {"lastCoil", "Letzte Spule"},      {"directionReversed", "Drehrichtung umgekehrt"}, {"protocol", "Protokoll"},
        {"address", "Adresse"},            {"virtualAddress", "Virtuelle Adresse"},
    };
    print(QStringLiteral("%1 (Ausgang %2)").arg(output["name"].toString()).arg(output["output"].toInt()));
    for (const auto& [key, label] : labels)
        if (output.contains(QLatin1String(key)))
            print(QStringLiteral("  %1 %2").arg(QString::fromUtf8(label) + ':', -26).arg(shown(output[QLatin1String(key)])));
}

int Tool::read()
{
    const DecoderIdentity& identity = session_->identity();
    const QString which = options_.arguments.value(0);
    const int count = static_cast<int>(identity.OutputNames.size());
    std::vector<int> outputs;
    if (which == QLatin1String("all")) {
        for (int n = 1; n <= count; ++n)
            outputs.push_back(n);
    } else {
        bool number = false;
        const int n = which.toInt(&number);
        if (!number || n < 1 || n > count) {
            fail(QStringLiteral("Ausgang \"%1\" gibt es bei diesem Decoder nicht (1..%2 oder \"all\").").arg(which).arg(count));
            return Usage;
        }
        outputs.push_back(n);
    }
    QJsonArray all;
    for (int n : outputs) {
        progress(QStringLiteral("Lese Ausgang %1 von %2 ...").arg(n).arg(outputs.size()));
        int exit = Success;
        const std::optional<QJsonObject> output = readOutput(n, exit);
        if (!output)
            return exit;
        all.append(*output);
    }
    progress({});
    if (options_.json) {
        const QJsonDocument document = outputs.size() == 1 ? QJsonDocument(all[0].toObject()) : QJsonDocument(all);
        print(QString::fromUtf8(document.toJson(QJsonDocument::Indented)).trimmed());
        return Success;
    }
    for (const QJsonValue& output : all)
        printReadable(output.toObject());
    return Success;
}

int Tool::runBackup(const QString& label, const std::function<BackupOutcome(MemoryBackup&)>& work)
{
    const auto messages = [this] { return services_.shownMessages ? services_.shownMessages() : QStringList(); };
    const qsizetype before = messages().size();
    TerminalProgress progress(label, [this](const QString& text) { this->progress(text); });
    MemoryBackup backup(*session_, progress);
    const BackupOutcome outcome = work(backup);
    progress.hideProgress();
    // The window's texts say how it went; shown already when the host prints
    // every message.
    const int exit = exitOf(outcome);
    if (!options_.verbose) {
        for (QString text : messages().mid(before)) {
            text.replace(texts::CRLF, QStringLiteral("\n"));
            if (exit == Success || exit == Differs)
                print(text);
            else
                fail(text);
        }
    }
    if (outcome == BackupOutcome::LineBusy)
        fail(QStringLiteral("Die Leitung zum Decoder ist belegt."));
    return exit;
}

int Tool::backUp()
{
    const backup::SaveName name = backup::checkSaveName(options_.arguments.value(0));
    if (!name.refusal.isEmpty()) {
        fail(QString(name.refusal).replace(texts::CRLF, QStringLiteral(" ")).simplified());
        return FileError;
    }
    if (QFileInfo::exists(name.name) && !options_.force) {
        fail(QStringLiteral("Datei %1 ist bereits vorhanden! Mit --force wird sie überschrieben.").arg(name.name));
        return FileError;
    }
    return runBackup(QStringLiteral("Lese den Decoderspeicher"),
                     [&](MemoryBackup& backup) { return backup.backUp(name.name); });
}

int Tool::restore()
{
    const QString file = options_.arguments.value(0);
    return runBackup(QStringLiteral("Schreibe die Sicherung in den Decoder"),
                     [&](MemoryBackup& backup) { return backup.restore(file); });
}

int Tool::verify()
{
    const QString file = options_.arguments.value(0);
    return runBackup(QStringLiteral("Vergleiche den Decoderspeicher mit der Sicherung"),
                     [&](MemoryBackup& backup) { return backup.compare(file); });
}

}  // namespace qb::cli

#include "session/MemoryBackup.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"
#include "memory/BackupFile.h"
#include "platform/Host.h"
#include "session/DecoderSession.h"

#include <QFile>
#include <QSaveFile>

namespace qb {

namespace {

// Progress of the dump: 1..33, record k done shows k + 1.
constexpr int DumpProgressFirst = 1;
constexpr int DumpProgressLast = backup::RecordCount + 1;

}  // namespace

MemoryBackup::MemoryBackup(DecoderSession& session, BackupProgress& progress)
    : session_(session), progress_(progress)
{
}

std::optional<QByteArray> MemoryBackup::readMemory()
{
    progress_.showProgress(DumpProgressFirst, DumpProgressLast, DumpProgressFirst + 1);
    const Reply reply = session_.exchange(commands::memoryDump());
    if (!reply.ok()) {
        progress_.hideProgress();
        session_.reportFailure(reply);
        return std::nullopt;
    }
    const std::optional<QByteArray> memory =
        session_.line().lastAnswerGarbled() ? std::nullopt : backup::memoryFromDump(reply.text);
    if (!memory) {
        // Characters that are no memory, or may have been misread, must not
        // become a backup.
        progress_.hideProgress();
        session_.host().message(texts::transferError());
        return std::nullopt;
    }
    for (int k = 1; k <= backup::RecordCount; ++k)
        progress_.setProgress(k + 1);
    return memory;
}

BackupOutcome MemoryBackup::backUp(const QString& fileName)
{
    const Line::Operation operation = session_.operation();
    if (!operation)
        return BackupOutcome::LineBusy;
    const std::optional<QByteArray> memory = readMemory();
    if (!memory)
        return BackupOutcome::DecoderFailed;
    // Written beside the old file and renamed over it only when complete.
    QSaveFile file(fileName);
    const QByteArray text = backup::fileText(session_.identity().DecoderId, *memory);
    const bool saved = file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
    progress_.hideProgress();
    if (!saved) {
        session_.host().message(backup::unwritableFileMessage(fileName, file.errorString()));
        return BackupOutcome::FileRefused;
    }
    session_.host().message(QStringLiteral("Daten gesichert!"));
    return BackupOutcome::Done;
}

std::optional<backup::Backup> MemoryBackup::loadFitting(const QString& fileName, BackupOutcome& refused)
{
    Host& host = session_.host();
    refused = BackupOutcome::FileRefused;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        host.message(backup::unreadableFileMessage(fileName, file.errorString()));
        return std::nullopt;
    }
    const QByteArray text = file.read(backup::LargestFile + 1);
    if (file.error() != QFileDevice::NoError) {
        host.message(backup::unreadableFileMessage(fileName, file.errorString()));
        return std::nullopt;
    }
    if (text.size() > backup::LargestFile) {
        host.message(backup::damagedFileMessage(
            fileName, {0, QStringLiteral("Die Datei ist viel zu groß für eine Sicherung.")}));
        return std::nullopt;
    }
    const backup::Parsed parsed = backup::parse(text);
    if (!parsed.backup) {
        host.message(backup::damagedFileMessage(fileName, parsed.damage));
        return std::nullopt;
    }
    if (!backup::fitsDecoder(parsed.backup->decoderId, session_.identity().DecoderId)) {
        host.message(backup::wrongDecoderMessage(fileName));
        refused = BackupOutcome::WrongDecoder;
        return std::nullopt;
    }
    return parsed.backup;
}

bool MemoryBackup::writeRecords(const QByteArray& memory)
{
    progress_.setProgress(1);
    int accepted = 0;
    for (int k = 0; k < backup::RestoredRecords; ++k) {
        for (int half = 0; half < 2; ++half) {
            const int at = k * backup::RecordSize + half * backup::HalfSize;
            const QByteArray data = memory.mid(at, backup::HalfSize).toHex().toUpper();
            const Reply reply = session_.exchange(
                commands::memoryWrite(backup::decoderAddress(k * backup::RecordSize, half), data));
            if (!reply.ok())
                return false;
            progress_.setProgress(++accepted);
            session_.delay(WritePauseMs);
        }
    }
    return true;
}

void MemoryBackup::finishRestore()
{
    Host& host = session_.host();
    session_.exchange(commands::memoryWriteEnd());
    session_.delay(SettleMs);
    host.message(texts::lines({QStringLiteral("Servo-Daten wurden zum Decoder übertragen!"), {},
                               QStringLiteral("Den Decoder ausschalten und 10 Sekunden warten."),
                               QStringLiteral("Danach den Decoder wieder einschalten,"),
                               QStringLiteral("damit die neuen Daten übernommen werden.")}));
    progress_.hideProgress();
    session_.selectOutput(1);
    session_.delay(WritePauseMs);
    // Every output moves once to each side, so the user sees them all work.
    for (int e = 1; e <= session_.identity().EntryCount && !host.quitRequested(); ++e) {
        session_.switchOutput(e, 0);
        session_.delay(SwitchPauseMs);
        session_.switchOutput(e, 16);
        session_.delay(SwitchPauseMs);
    }
}

BackupOutcome MemoryBackup::withBackup(const QString& fileName,
                                       const std::function<BackupOutcome(const backup::Backup&)>& work)
{
    // The file is read and checked before the line is taken.
    BackupOutcome refused = BackupOutcome::FileRefused;
    const std::optional<backup::Backup> backup = loadFitting(fileName, refused);
    if (!backup)
        return refused;
    const Line::Operation operation = session_.operation();
    if (!operation)
        return BackupOutcome::LineBusy;
    return work(*backup);
}

BackupOutcome MemoryBackup::restore(const QString& fileName)
{
    return withBackup(fileName, [this](const backup::Backup& backup) {
        Host& host = session_.host();
        progress_.showProgress(1, backup::RestoreWrites, 1);
        for (int attempt = 1; attempt <= RestoreAttempts; ++attempt) {
            if (host.quitRequested())
                return BackupOutcome::DecoderFailed;
            if (writeRecords(backup.memory)) {
                finishRestore();
                return BackupOutcome::Done;
            }
        }
        if (host.quitRequested())
            return BackupOutcome::DecoderFailed;
        progress_.hideProgress();
        host.message(texts::lines({QStringLiteral("Datenfehler nach 5 Versuchen!"), {},
                                   QStringLiteral("Datenübertragung ist nicht komplett !")}));
        session_.selectOutput(1);
        return BackupOutcome::DecoderFailed;
    });
}

BackupOutcome MemoryBackup::compare(const QString& fileName)
{
    return withBackup(fileName, [this](const backup::Backup& backup) {
        const std::optional<QByteArray> memory = readMemory();
        if (!memory)
            return BackupOutcome::DecoderFailed;
        progress_.hideProgress();
        const QList<backup::Difference> differences = backup::differences(backup.memory, *memory);
        session_.host().message(backup::comparisonMessage(differences));
        return differences.isEmpty() ? BackupOutcome::Done : BackupOutcome::Differs;
    });
}

}  // namespace qb

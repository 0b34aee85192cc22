#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <optional>

namespace qb {

class DecoderSession;

namespace backup {
struct Backup;
}

// Where the backup shows how far it has come: the main window's progress
// bar, or a line of text in a program without windows.
class BackupProgress {
public:
    virtual ~BackupProgress() = default;
    virtual void showProgress(int minimum, int maximum, int value) = 0;
    virtual void setProgress(int value) = 0;
    virtual void hideProgress() = 0;
};

// How a backup, restore or comparison ended. Whatever went wrong has been
// told to the user through the host's messages.
enum class BackupOutcome {
    Done,          // saved, restored, or the backup agrees with the decoder
    Differs,       // the comparison found differences
    LineBusy,      // another operation holds the line
    FileRefused,   // the file cannot be read or written, or is damaged
    WrongDecoder,  // the backup belongs to another kind of decoder
    DecoderFailed, // a time-out, a refusal, an unusable answer, or the program ends
};

// Backs the decoder's configuration memory up into a file, writes a backup
// back, and compares one with the decoder. The file names come checked from
// the caller (the window's dialogs, the command line); everything that
// talks to the decoder runs here, each as one operation on the line, and
// tells the user through the host's messages.
//
// A backup never costs the user an older one: the file is written only after
// the whole memory has been read, and atomically. A restore sends nothing
// before the whole file has been read and found undamaged.
class MemoryBackup {
public:
    static constexpr int RestoreAttempts = 5;
    static constexpr int WritePauseMs = 200;
    static constexpr int SettleMs = 3000;
    static constexpr int SwitchPauseMs = 1000;

    MemoryBackup(DecoderSession& session, BackupProgress& progress);

    // Reads the memory and stores it in `fileName`.
    BackupOutcome backUp(const QString& fileName);
    // Writes the backup in `fileName` into the decoder.
    BackupOutcome restore(const QString& fileName);
    // Reads the memory and tells whether it agrees with the backup in `fileName`.
    BackupOutcome compare(const QString& fileName);

private:
    // The decoder's 512 bytes, the progress counting the records; nothing
    // after a failure, which has been reported.
    std::optional<QByteArray> readMemory();
    // The backup in the file if it is whole and fits this decoder; reported
    // otherwise, with the reason in `refused`.
    std::optional<backup::Backup> loadFitting(const QString& fileName, BackupOutcome& refused);
    // Runs `work` on the backup in the file, inside an operation, when the
    // file holds a whole backup that fits this decoder.
    BackupOutcome withBackup(const QString& fileName,
                             const std::function<BackupOutcome(const backup::Backup&)>& work);
    // One pass through records 1..31; false when a write was not acknowledged.
    bool writeRecords(const QByteArray& memory);
    void finishRestore();

    DecoderSession& session_;
    BackupProgress& progress_;
};

}  // namespace qb

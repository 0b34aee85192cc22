#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <optional>

// The backup file of a decoder's configuration memory ("*.epr"): a line with
// the decoder's identification, the 512 bytes as 32 Intel HEX data records of
// 16 bytes, and the end record, every line ended by CR LF. Pure functions:
// the window and the command-line tool share them.
namespace qb::backup {

constexpr int MemorySize = 512;
constexpr int RecordSize = 16;
constexpr int RecordCount = MemorySize / RecordSize;
// A restore writes records 1..31; the last one is not written back.
constexpr int RestoredRecords = RecordCount - 1;
constexpr int RestoredBytes = RestoredRecords * RecordSize;
// Each record is written in two halves of 8 bytes.
constexpr int HalfSize = RecordSize / 2;
constexpr int RestoreWrites = RestoredRecords * 2;
// Decoder memory address of file address 0.
constexpr int DecoderBase = 0x300;
// A backup file is about 1.5 KB; anything far larger is no backup.
constexpr qint64 LargestFile = 64 * 1024;

inline constexpr char EndRecord[] = ":00000001FF";

// Two's complement of the byte sum of a data record (count, address, type, data).
int checksum(int fileAddress, const QByteArray& data);
// ":10" + four hex digits of the address + "00" + the data + checksum, upper case.
QByteArray dataRecord(int fileAddress, const QByteArray& data);
// The whole file for the memory of the decoder `decoderId`.
QByteArray fileText(const QString& decoderId, const QByteArray& memory);

// The memory from the answer to the dump command: 32 chunks, each sent last
// character first. Nothing unless it is exactly 1024 hexadecimal characters.
std::optional<QByteArray> memoryFromDump(const QByteArray& answer);

// Decoder address of the first (half 0) or second (half 1) 8 bytes of the
// record at `fileAddress`: 0x0010 gives 0x0310 and 0x0318.
int decoderAddress(int fileAddress, int half);

struct Backup {
    QString decoderId;  // line 1
    QByteArray memory;  // 512 bytes
};

// A file that is no complete, undamaged backup: the line at fault and why.
struct Damage {
    int line = 0;
    QString reason;  // "Zeile 5: Die Prüfsumme ist 3A statt 3B."
};

struct Parsed {
    std::optional<Backup> backup;
    Damage damage;  // when there is no backup
};

// Reads and checks the whole file: line 1, every record's form, byte count,
// address, type and checksum, and the end record. Lines may end in CR LF or
// LF; hex digits may be of either case; empty lines after the end record are
// allowed.
Parsed parse(const QByteArray& text);

// Whether a backup of `backupId` may go into the decoder `decoderId`: the
// first two characters match, the first four for decoders beginning "R5-7".
bool fitsDecoder(const QString& backupId, const QString& decoderId);

// A name chosen for a new backup file after the checks: ".epr" appended where
// the name has no extension, and the message when it is refused.
struct SaveName {
    QString name;
    QString refusal;  // empty: the name is good
};
SaveName checkSaveName(const QString& chosen);
// "*.epr", the dialog's pattern itself, is no file to restore.
bool isPatternOnly(const QString& chosen);

// A byte the decoder holds otherwise than the backup.
struct Difference {
    int fileAddress = 0;
    quint8 backup = 0;
    quint8 decoder = 0;
};
// The differences within the bytes a restore writes.
QList<Difference> differences(const QByteArray& backup, const QByteArray& decoder);

// Messages.
QString wrongDecoderMessage(const QString& fileName);
QString damagedFileMessage(const QString& fileName, const Damage& damage);
QString unreadableFileMessage(const QString& fileName, const QString& reason);
QString unwritableFileMessage(const QString& fileName, const QString& reason);
QString comparisonMessage(const QList<Difference>& differences);

}  // namespace qb::backup

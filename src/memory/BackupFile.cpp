#include "memory/BackupFile.h"

#include "link/CommandCatalogue.h"
#include "link/Texts.h"

#include <algorithm>

namespace qb::backup {

namespace {

constexpr int RecordLineLength = 43;  // ':' + count 2 + address 4 + type 2 + data 32 + checksum 2
// The longest list of differing bytes a message shows.
constexpr int ShownDifferences = 16;

QByteArray hex2(int value)
{
    return QByteArray::number(value & 0xFF, 16).toUpper().rightJustified(2, '0');
}

QByteArray hex4(int value)
{
    return commands::hex4Text(static_cast<quint32>(value));
}

bool isHexText(const QByteArray& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f');
    });
}

bool isIdentification(const QByteArray& line)
{
    return line.size() == 8 && std::all_of(line.begin(), line.end(), [](char c) { return c > ' ' && c <= '~'; });
}

bool isEndRecord(const QByteArray& line)
{
    return line.toUpper() == EndRecord;
}

// What is wrong with the data record line expected at `fileAddress`; empty
// when nothing is.
QString recordProblem(const QByteArray& line, int fileAddress)
{
    if (isEndRecord(line))
        return QStringLiteral("Der Schlusssatz steht vor dem letzten Datensatz.");
    if (!line.startsWith(':'))
        return QStringLiteral("Sie beginnt nicht mit \":\".");
    const QByteArray body = line.mid(1).toUpper();
    if (!isHexText(body))
        return QStringLiteral("Sie enthält Zeichen, die keine Hexadezimalziffern sind.");
    if (line.size() != RecordLineLength)
        return QStringLiteral("Sie hat %1 statt %2 Zeichen.").arg(line.size()).arg(RecordLineLength);
    if (body.left(2) != hex2(RecordSize))
        return QStringLiteral("Die Byte-Anzahl ist %1 statt 10.").arg(QString::fromLatin1(body.left(2)));
    if (body.mid(2, 4) != hex4(fileAddress))
        return QStringLiteral("Die Adresse ist %1 statt %2.")
            .arg(QString::fromLatin1(body.mid(2, 4)), QString::fromLatin1(hex4(fileAddress)));
    if (body.mid(6, 2) != "00")
        return QStringLiteral("Der Satztyp ist %1 statt 00.").arg(QString::fromLatin1(body.mid(6, 2)));
    const QByteArray expected = hex2(checksum(fileAddress, QByteArray::fromHex(body.mid(8, 2 * RecordSize))));
    if (body.right(2) != expected)
        return QStringLiteral("Die Prüfsumme ist %1 statt %2.")
            .arg(QString::fromLatin1(body.right(2)), QString::fromLatin1(expected));
    return {};
}

Parsed damaged(int line, const QString& problem)
{
    return {std::nullopt, {line, QStringLiteral("Zeile %1: ").arg(line) + problem}};
}

QString fileLines(const QString& intro, const QString& fileName, const QString& what)
{
    return texts::lines({intro, fileName, what});
}

}  // namespace

int checksum(int fileAddress, const QByteArray& data)
{
    int sum = static_cast<int>(data.size()) + (fileAddress >> 8) + (fileAddress & 0xFF);
    for (char byte : data)
        sum += static_cast<quint8>(byte);
    return (256 - sum % 256) % 256;
}

QByteArray dataRecord(int fileAddress, const QByteArray& data)
{
    return ':' + hex2(static_cast<int>(data.size())) + hex4(fileAddress) + "00" + data.toHex().toUpper() +
           hex2(checksum(fileAddress, data));
}

QByteArray fileText(const QString& decoderId, const QByteArray& memory)
{
    const QByteArray crlf = "\r\n";
    QByteArray text = decoderId.toLatin1() + crlf;
    for (int k = 0; k < RecordCount; ++k)
        text += dataRecord(k * RecordSize, memory.mid(k * RecordSize, RecordSize)) + crlf;
    return text + EndRecord + crlf;
}

std::optional<QByteArray> memoryFromDump(const QByteArray& answer)
{
    const auto chunks = commands::dumpChunks(answer);
    if (!chunks)
        return std::nullopt;
    QByteArray memory;
    for (const QByteArray& chunk : *chunks) {
        if (!isHexText(chunk))
            return std::nullopt;
        memory += QByteArray::fromHex(chunk);
    }
    return memory;
}

int decoderAddress(int fileAddress, int half)
{
    // File 0x000..0x1FF is decoder memory 0x300..0x4FF.
    return DecoderBase + fileAddress + half * HalfSize;
}

Parsed parse(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    if (!isIdentification(lines.value(0)))
        return damaged(1, QStringLiteral("Die Kennung des Decoders (8 Zeichen) fehlt."));
    Backup backup{QString::fromLatin1(lines[0]), {}};
    for (int k = 0; k < RecordCount; ++k) {
        const int number = k + 2;
        if (number > lines.size() || (number == lines.size() && lines.last().isEmpty()))
            return damaged(number, QStringLiteral("Die Datei endet vor dem letzten Datensatz."));
        const QByteArray& line = lines[number - 1];
        if (const QString problem = recordProblem(line, k * RecordSize); !problem.isEmpty())
            return damaged(number, problem);
        backup.memory += QByteArray::fromHex(line.mid(9, 2 * RecordSize));
    }
    const int endLine = RecordCount + 2;
    if (endLine > lines.size() || !isEndRecord(lines[endLine - 1]))
        return damaged(endLine, QStringLiteral("Der Schlusssatz \"%1\" fehlt.").arg(QLatin1String(EndRecord)));
    for (int number = endLine + 1; number <= lines.size(); ++number)
        if (!lines[number - 1].trimmed().isEmpty())
            return damaged(number, QStringLiteral("Nach dem Schlusssatz folgen weitere Zeichen."));
    return {backup, {}};
}

bool fitsDecoder(const QString& backupId, const QString& decoderId)
{
    const int compared = decoderId.startsWith(QLatin1String("R5-7")) ? 4 : 2;
    return backupId.size() >= compared && backupId.left(compared) == decoderId.left(compared);
}

SaveName checkSaveName(const QString& chosen)
{
    // Only the file's own name counts: a dot in a folder name is no extension.
    const qsizetype nameStart = std::max(chosen.lastIndexOf(QLatin1Char('/')), chosen.lastIndexOf(QLatin1Char('\\'))) + 1;
    const QString fileName = chosen.mid(nameStart);
    if (fileName.isEmpty() || fileName == QLatin1String("*.epr"))
        return {chosen, texts::lines({QStringLiteral("Datei-Name ist nicht korrekt!"), {}, chosen})};
    QString name = chosen;
    // No extension, or a dot more than four characters before the end.
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0 || dot < fileName.size() - 4)
        name += QStringLiteral(".epr");
    const QString named = name.mid(nameStart);
    const qsizetype epr = named.indexOf(QLatin1String(".epr"));
    if (epr < 0 || epr + 4 != named.size())
        return {name, texts::lines({QStringLiteral("Datei-Endung ist nicht \".epr\""), {}, name})};
    return {name, {}};
}

bool isPatternOnly(const QString& chosen)
{
    return chosen == QLatin1String("*.epr") || chosen.endsWith(QLatin1String("/*.epr"));
}

QList<Difference> differences(const QByteArray& backup, const QByteArray& decoder)
{
    QList<Difference> found;
    const int compared = std::min<int>(RestoredBytes, static_cast<int>(std::min(backup.size(), decoder.size())));
    for (int i = 0; i < compared; ++i)
        if (backup[i] != decoder[i])
            found.append({i, static_cast<quint8>(backup[i]), static_cast<quint8>(decoder[i])});
    return found;
}

QString wrongDecoderMessage(const QString& fileName)
{
    return texts::lines({QStringLiteral("Die geöffnete Datei "), fileName, QStringLiteral("passt nicht zu diesem Decoder!"), {},
                         QStringLiteral("Bitte die richtige Datei öffnen!")});
}

QString damagedFileMessage(const QString& fileName, const Damage& damage)
{
    return texts::lines({fileLines(QStringLiteral("Die Datei "), fileName,
                                   QStringLiteral("ist keine vollständige Sicherung und wird nicht verwendet!")),
                         {}, damage.reason, {}, QStringLiteral("Es wurden keine Daten zum Decoder gesendet.")});
}

QString unreadableFileMessage(const QString& fileName, const QString& reason)
{
    return texts::lines({fileLines(QStringLiteral("Die Datei "), fileName, QStringLiteral("kann nicht gelesen werden:")),
                         reason});
}

QString unwritableFileMessage(const QString& fileName, const QString& reason)
{
    return texts::lines({fileLines(QStringLiteral("Die Datei "), fileName, QStringLiteral("konnte nicht geschrieben werden:")),
                         reason, {}, QStringLiteral("Eine ältere Sicherung dieses Namens bleibt unverändert.")});
}

QString comparisonMessage(const QList<Difference>& differences)
{
    if (differences.isEmpty())
        return texts::lines({QStringLiteral("Die Sicherung stimmt mit den Daten im Decoder überein."),
                             QStringLiteral("(Datensätze 1 bis 31, Adressen 0000 bis 01EF)")});
    const qsizetype count = differences.size();
    QStringList lines{count == 1 ? QStringLiteral("Die Sicherung weicht an 1 Stelle vom Decoder ab:")
                                 : QStringLiteral("Die Sicherung weicht an %1 Stellen vom Decoder ab:").arg(count),
                      {}};
    for (qsizetype i = 0; i < std::min<qsizetype>(count, ShownDifferences); ++i) {
        const Difference& d = differences[i];
        lines << QStringLiteral("Adresse %1 (Decoder %2): Sicherung %3, Decoder %4")
                     .arg(QString::fromLatin1(hex4(d.fileAddress)), QString::fromLatin1(hex4(decoderAddress(d.fileAddress, 0))),
                          QString::fromLatin1(hex2(d.backup)), QString::fromLatin1(hex2(d.decoder)));
    }
    if (count > ShownDifferences)
        lines << QStringLiteral("... und %1 weitere").arg(count - ShownDifferences);
    return texts::lines(lines);
}

}  // namespace qb::backup

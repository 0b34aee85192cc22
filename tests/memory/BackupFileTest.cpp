#include "memory/BackupFile.h"

#include <gtest/gtest.h>

#include <functional>

using namespace qb;
using namespace qb::backup;

namespace {

// A memory whose byte i is i * 7 + 3: every record differs from the others.
QByteArray patternMemory()
{
    QByteArray memory(MemorySize, '\0');
    for (int i = 0; i < MemorySize; ++i)
        memory[i] = static_cast<char>(i * 7 + 3);
    return memory;
}

QList<QByteArray> linesOf(const QByteArray& text)
{
    QList<QByteArray> lines = text.split('\n');
    for (QByteArray& line : lines)
        line.chop(1);  // the CR
    lines.removeLast();  // after the last CR LF
    return lines;
}

QByteArray joined(const QList<QByteArray>& lines)
{
    QByteArray text;
    for (const QByteArray& line : lines)
        text += line + "\r\n";
    return text;
}

}  // namespace

TEST(BackupFile, AWholeFileIsReadBack)
{
    const QByteArray text = fileText("R7954740", patternMemory());
    struct Case {
        const char* name;
        QByteArray text;
    };
    QByteArray lowerCase = text;
    lowerCase.replace(":1000A000", ":1000a000");
    QByteArray linesOnly = text;
    linesOnly.replace("\r\n", "\n");
    for (const Case& c : {Case{"as written", text}, Case{"line feeds only", linesOnly},
                          Case{"lower-case digits", lowerCase}, Case{"empty lines after the end", text + "\r\n\r\n"}}) {
        SCOPED_TRACE(c.name);
        const Parsed parsed = parse(c.text);
        ASSERT_TRUE(parsed.backup) << parsed.damage.reason.toStdString();
        EXPECT_EQ(parsed.backup->decoderId, QStringLiteral("R7954740"));
        EXPECT_EQ(parsed.backup->memory, patternMemory());
    }
}

TEST(BackupFile, ADamagedFileNamesTheLine)
{
    const QList<QByteArray> good = linesOf(fileText("R5--XC45", patternMemory()));
    struct Case {
        const char* name;
        std::function<void(QList<QByteArray>&)> damage;
        int line;
        const char* reason;
    };
    const Case cases[] = {
        {"no identification", [](auto& l) { l[0] = ""; }, 1, "Kennung"},
        {"identification too long", [](auto& l) { l[0] += "X"; }, 1, "Kennung"},
        {"no colon", [](auto& l) { l[3][0] = ';'; }, 4, "beginnt nicht mit \":\""},
        {"no hex digit", [](auto& l) { l[5][20] = 'G'; }, 6, "keine Hexadezimalziffern"},
        {"a digit lost", [](auto& l) { l[7].remove(20, 1); }, 8, "42 statt 43 Zeichen"},
        {"byte count", [](auto& l) { l[2].replace(1, 2, "08"); }, 3, "Byte-Anzahl ist 08 statt 10"},
        {"records swapped", [](auto& l) { std::swap(l[9], l[10]); }, 10, "Adresse ist 0090 statt 0080"},
        {"record type", [](auto& l) { l[12].replace(7, 2, "02"); }, 13, "Satztyp ist 02 statt 00"},
        {"a data digit changed", [](auto& l) { l[30][15] = l[30][15] == '0' ? '1' : '0'; }, 31, "Prüfsumme"},
        {"cut after 20 lines", [](auto& l) { l = l.mid(0, 20); }, 21, "endet vor dem letzten Datensatz"},
        {"end record early", [](auto& l) { l[15] = ":00000001FF"; }, 16, "Schlusssatz steht vor dem letzten"},
        {"no end record", [](auto& l) { l.removeLast(); }, 34, "Schlusssatz \":00000001FF\" fehlt"},
        {"something after the end", [](auto& l) { l << "" << "hallo"; }, 36, "Nach dem Schlusssatz"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QList<QByteArray> lines = good;
        c.damage(lines);
        const Parsed parsed = parse(joined(lines));
        ASSERT_FALSE(parsed.backup);
        EXPECT_EQ(parsed.damage.line, c.line);
        EXPECT_TRUE(parsed.damage.reason.startsWith(QStringLiteral("Zeile %1: ").arg(c.line))) << parsed.damage.reason.toStdString();
        EXPECT_TRUE(parsed.damage.reason.contains(QString::fromUtf8(c.reason))) << parsed.damage.reason.toStdString();
    }
    EXPECT_FALSE(parse({}).backup);
    EXPECT_FALSE(parse("R5--XC45").backup);
}

TEST(BackupFile, ABackupFitsDecodersOfItsKind)
{
    struct Case {
        const char* backup;
        const char* decoder;
        bool fits;
    };
    const Case cases[] = {
        {"R5--XC45", "R5494940", true},   // two characters decide
        {"R7954740", "R5--XC45", false},
        {"R5-7XC42", "R5-7XC45", true},   // four characters for "R5-7" decoders
        {"R5--XC42", "R5-7XC42", false},
        {"R5-7XC42", "R5--XC45", true},   // an "R5--" decoder compares two
        {"R5", "R5-7XC42", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(fitsDecoder(c.backup, c.decoder), c.fits) << c.backup << " into " << c.decoder;
}

TEST(BackupFile, SaveNameRules)
{
    struct Case {
        const char* chosen;
        const char* name;     // after the checks
        const char* refusal;  // first line of the message, empty when accepted
    };
    const Case cases[] = {
        {"/home/u/sicherung", "/home/u/sicherung.epr", ""},
        {"/home/u/sicherung.epr", "/home/u/sicherung.epr", ""},
        {"/home/u/sicherung.backup", "/home/u/sicherung.backup.epr", ""},  // more than four characters
        {"/home/u/sicherung.txt", "/home/u/sicherung.txt", "Datei-Endung ist nicht \".epr\""},
        {"/home/u/sicherung.e", "/home/u/sicherung.e", "Datei-Endung ist nicht \".epr\""},
        {"/home/u/a.epr.epr", "/home/u/a.epr.epr", "Datei-Endung ist nicht \".epr\""},
        {"/home/u/alt.v2/neu", "/home/u/alt.v2/neu.epr", ""},  // a dot in a folder is no extension
        {"*.epr", "*.epr", "Datei-Name ist nicht korrekt!"},
        {"/home/u/*.epr", "/home/u/*.epr", "Datei-Name ist nicht korrekt!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        const SaveName checked = checkSaveName(c.chosen);
        EXPECT_EQ(checked.name, QString::fromUtf8(c.name));
        if (*c.refusal)
            EXPECT_EQ(checked.refusal, QString::fromUtf8(c.refusal) + "\r\n\r\n" + QString::fromUtf8(c.chosen));
        else
            EXPECT_TRUE(checked.refusal.isEmpty()) << checked.refusal.toStdString();
    }
}

TEST(BackupFile, DifferencesLeaveOutTheRecordThatIsNotRestored)
{
    const QByteArray backup = patternMemory();
    QByteArray decoder = backup;
    EXPECT_TRUE(differences(backup, decoder).isEmpty());
    decoder[0x1F5] = 0;  // the last record
    EXPECT_TRUE(differences(backup, decoder).isEmpty());
    decoder[0x23] = static_cast<char>(0xAB);
    const QList<Difference> found = differences(backup, decoder);
    ASSERT_EQ(found.size(), 1);
    EXPECT_EQ(found[0].fileAddress, 0x23);
    EXPECT_EQ(found[0].backup, static_cast<quint8>(backup[0x23]));
    EXPECT_EQ(found[0].decoder, 0xAB);
    EXPECT_TRUE(comparisonMessage(found).contains(QStringLiteral("Adresse 0023 (Decoder 0323): Sicherung F8, Decoder AB")))
        << comparisonMessage(found).toStdString();
    for (int i = 0; i < 40; ++i)
        decoder[i] = static_cast<char>(~backup[i]);
    EXPECT_TRUE(comparisonMessage(differences(backup, decoder)).contains(QStringLiteral("... und 24 weitere")));
}

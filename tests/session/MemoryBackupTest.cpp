#include "link/CommandCatalogue.h"
#include "memory/BackupFile.h"
#include "support/AppRig.h"
#include "support/TestFiles.h"

#include <QDir>
#include <QFile>
#include <QProgressBar>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::readFile;
using qb::test::writeFile;

namespace {

QByteArray memoryOf(const sim::DecoderDevice& device)
{
    return QByteArray(reinterpret_cast<const char*>(device.memory().data()), sim::DecoderDevice::MemorySize);
}

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden);
}

// The started rig, nothing on the wire yet.
void startQuiet(AppRig& rig)
{
    rig.start();
    rig.device.clearLog();
}

// The 62 writes of a restore of `memory`: file address 0 is decoder address 0x300.
std::vector<QByteArray> restoreWrites(const QByteArray& memory)
{
    std::vector<QByteArray> frames;
    for (int k = 0; k < 31; ++k)
        for (int half = 0; half < 2; ++half)
            frames.push_back(commands::memoryWrite(0x300 + 16 * k + 8 * half,
                                                   memory.mid(16 * k + 8 * half, 8).toHex().toUpper())
                                 .bytes);
    return frames;
}

std::vector<QByteArray> framesWith(const AppRig& rig, std::uint8_t command)
{
    std::vector<QByteArray> found;
    for (const QByteArray& frame : rig.frames())
        if (static_cast<std::uint8_t>(frame[0]) == command)
            found.push_back(frame);
    return found;
}

const QString Restored = QStringLiteral("Servo-Daten wurden zum Decoder übertragen!\r\n\r\n"
                                        "Den Decoder ausschalten und 10 Sekunden warten.\r\n"
                                        "Danach den Decoder wieder einschalten,\r\n"
                                        "damit die neuen Daten übernommen werden.");

}  // namespace

TEST(MemoryBackup, ABackupHoldsTheWholeMemoryByteForByte)
{
    QTemporaryDir dir;
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    // Set after the start: output 1 would not pass a read with these.
    for (int field = 1; field <= 16; ++field)
        rig.device.setField(1, field, 0);  // the first 16 bytes
    rig.device.setValue16(5, 3, 12345);
    rig.device.setField(16, 23, 0x5A);
    rig.host.answerFile(dir.filePath("sicherung"));
    bool barShown = false;
    int barMaximum = 0;
    rig.host.at(rig.host.nowMs() + 500, [&] {
        barShown = rig.ui().ProgressBar1->isVisible();
        barMaximum = rig.ui().ProgressBar1->maximum();
    });
    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_TRUE(rig.choose("mnu_e_dump"));

    EXPECT_EQ(rig.host.fileDialogTitles(), QStringList{"Servo Daten speichern"});
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::memoryDump().bytes});
    EXPECT_TRUE(barShown);
    EXPECT_EQ(barMaximum, 33);
    EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());
    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].text, QStringLiteral("Daten gesichert!"));

    const QByteArray memory = memoryOf(rig.device);
    const QList<QByteArray> lines = readFile(dir.filePath("sicherung.epr")).split('\n');
    ASSERT_EQ(lines.size(), 35);
    EXPECT_EQ(lines[0], "R5--XC45\r");
    EXPECT_EQ(lines[1], QByteArray(":10000000") + QByteArray(32, '0') + "F0\r");
    for (int k = 0; k < 32; ++k) {
        SCOPED_TRACE(k);
        const QByteArray& line = lines[k + 1];
        ASSERT_EQ(line.size(), 44);
        EXPECT_EQ(line.left(9), ":10" + QByteArray::number(16 * k, 16).toUpper().rightJustified(4, '0') + "00");
        EXPECT_EQ(QByteArray::fromHex(line.mid(9, 32)), memory.mid(16 * k, 16));
        int sum = 0;
        for (char byte : QByteArray::fromHex(line.mid(1, 42)))
            sum += static_cast<quint8>(byte);
        EXPECT_EQ(sum % 256, 0) << "checksum";
    }
    EXPECT_EQ(lines[33], ":00000001FF\r");
    EXPECT_EQ(lines[34], "");
}

TEST(MemoryBackup, NamesAreCheckedBeforeAnythingIsSent)
{
    QTemporaryDir dir;
    struct Case {
        QString chosen;
        QString message;
    };
    const Case cases[] = {
        {"*.epr", "Datei-Name ist nicht korrekt!\r\n\r\n*.epr"},
        {dir.filePath("sicherung.txt"), "Datei-Endung ist nicht \".epr\"\r\n\r\n" + dir.filePath("sicherung.txt")},
        {dir.filePath("sicherung.e"), "Datei-Endung ist nicht \".epr\"\r\n\r\n" + dir.filePath("sicherung.e")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen.toStdString());
        AppRig rig({"R5--XC45"}, 1);
        startQuiet(rig);
        rig.host.answerFile(c.chosen);
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_dump"));
        ASSERT_EQ(rig.host.messages().size(), 1u);
        EXPECT_EQ(rig.host.messages()[0].text, c.message);
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_TRUE(filesIn(dir).isEmpty());
    }
    // A cancelled dialog ends it silently.
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    rig.host.answerFile(std::nullopt);
    ASSERT_TRUE(rig.choose("mnu_e_dump"));
    EXPECT_TRUE(rig.host.messages().empty());
    EXPECT_TRUE(rig.frames().empty());
}

TEST(MemoryBackup, AnExistingFileIsOverwrittenOnlyWhenTheUserSaysSo)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("sicherung.epr");
    writeFile(path, "alte Sicherung");
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    const QString question = "Datei " + path + " ist bereits vorhanden!\r\nWollen Sie diese überschreiben?";

    rig.host.answerFile(path);
    rig.host.answerMessage(Answer::No);
    ASSERT_TRUE(rig.choose("mnu_e_dump"));
    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].text, question);
    EXPECT_EQ(rig.host.messages()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(rig.frames().empty());
    EXPECT_EQ(readFile(path), "alte Sicherung");

    rig.host.answerFile(path);
    rig.host.answerMessage(Answer::Yes, question);
    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_TRUE(rig.choose("mnu_e_dump"));
    EXPECT_TRUE(readFile(path).startsWith("R5--XC45\r\n:10000000"));
    EXPECT_EQ(filesIn(dir), QStringList{"sicherung.epr"});
}

TEST(MemoryBackup, AFailedBackupKeepsTheOlderFile)
{
    struct Case {
        const char* name;
        Fault fault;
        const char* message;
    };
    const Case cases[] = {
        {"no answer", Fault::NoAnswer, "Timeout von Decoder!"},
        {"half an answer", Fault::ShortAnswer, "Timeout von Decoder!"},
        {"characters that are no memory", Fault::Garbage, "Datentransfer Fehler!"},
        {"a framing error", Fault::FrameError, "Datentransfer Fehler!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString path = dir.filePath("sicherung.epr");
        writeFile(path, "alte Sicherung");
        AppRig rig({"R5--XC45"}, 1);
        startQuiet(rig);
        rig.device.injectFault(c.fault);
        rig.host.answerFile(path);
        rig.host.answerMessage(Answer::Yes, "ist bereits vorhanden!");
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_dump"));
        ASSERT_EQ(rig.host.messages().size(), 2u);
        EXPECT_EQ(rig.host.messages()[1].text, QString::fromUtf8(c.message));
        EXPECT_EQ(readFile(path), "alte Sicherung");
        EXPECT_EQ(filesIn(dir), QStringList{"sicherung.epr"});
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());
    }
}

TEST(MemoryBackup, AFileThatCannotBeWrittenIsReported)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir("ordner.epr"));
    struct Case {
        QString path;
        bool exists;
    };
    for (const Case& c : {Case{dir.filePath("fehlt/sicherung.epr"), false}, Case{dir.filePath("ordner.epr"), true}}) {
        SCOPED_TRACE(c.path.toStdString());
        AppRig rig({"R5--XC45"}, 1);
        startQuiet(rig);
        rig.host.answerFile(c.path);
        if (c.exists)
            rig.host.answerMessage(Answer::Yes, "ist bereits vorhanden!");
        rig.host.answerMessage(Answer::Ok, "konnte nicht geschrieben werden:");
        ASSERT_TRUE(rig.choose("mnu_e_dump"));
        const QString message = rig.host.messages().back().text;
        EXPECT_TRUE(message.startsWith("Die Datei \r\n" + c.path + "\r\nkonnte nicht geschrieben werden:\r\n"))
            << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral("Eine ältere Sicherung dieses Namens bleibt unverändert.")));
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());
    }
    EXPECT_EQ(filesIn(dir), QStringList{"ordner.epr"});
}

TEST(MemoryBackup, ARestoreWritesRecordsOneToThirtyOneAndEndsWithTheSwitchSequence)
{
    QTemporaryDir dir;
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    const QByteArray before = memoryOf(rig.device);
    QByteArray memory = before;
    memory[2] = static_cast<char>(12345 >> 8);  // output 1's middle position
    memory[3] = static_cast<char>(12345 & 0xFF);
    memory[0x1F8] = 0x77;  // the last record is not written back
    const QString path = dir.filePath("sicherung.epr");
    writeFile(path, backup::fileText("R5--XC45", memory));

    rig.host.answerFile(path);
    bool barShown = false;
    int barMaximum = 0;
    rig.host.at(rig.host.nowMs() + 1000, [&] {
        barShown = rig.ui().ProgressBar1->isVisible();
        barMaximum = rig.ui().ProgressBar1->maximum();
    });
    QByteArray restored;
    rig.host.answerMessage(Answer::Ok, Restored, [&] { restored = memoryOf(rig.device); });
    ASSERT_TRUE(rig.choose("mnu_e_restore"));

    EXPECT_EQ(rig.host.fileDialogTitles(), QStringList{"Servo Daten einlesen"});
    std::vector<QByteArray> expected = restoreWrites(memory);
    expected.push_back(commands::memoryWriteEnd().bytes);
    expected.push_back(commands::blockRead(1).bytes);
    for (int e = 1; e <= 8; ++e) {
        expected.push_back(commands::outputSwitch(e, 0).bytes);
        expected.push_back(commands::outputSwitch(e, 16).bytes);
    }
    EXPECT_EQ(rig.frames(), expected);
    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].text, Restored);
    // Before the outputs move, the decoder holds the first 496 bytes of the
    // backup and its own last 16; the panel shows what it holds.
    EXPECT_EQ(restored, memory.left(0x1F0) + before.mid(0x1F0));
    EXPECT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("12345"));
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 1"));
    EXPECT_TRUE(barShown);
    EXPECT_EQ(barMaximum, 62);
    EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());

    // 200 ms after each accepted write; 3 s between the end command and the message.
    const auto& log = rig.device.log();
    std::vector<qint64> writes;
    for (const auto& record : log)
        if (record.direction == sim::FrameRecord::Direction::Received && record.bytes[0] == char(201))
            writes.push_back(record.timeUs / 1000);
    ASSERT_EQ(writes.size(), 63u);
    EXPECT_GE(writes[1] - writes[0], 200);
    // The log has a frame when its last byte has arrived, some 20 ms after it was sent.
    EXPECT_NEAR(rig.host.messages()[0].atMs - writes.back(), 3000, 30);
}

TEST(MemoryBackup, ABackupOfAnotherKindIsRefused)
{
    struct Case {
        const char* decoder;
        const char* backup;
        bool fits;
    };
    const Case cases[] = {
        {"R5--XC45", "R7954740", false},
        {"R5-7XC42", "R5--XC42", false},  // "R5-7" decoders compare four characters
        {"R5-7XC42", "R5-7XC45", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.backup) + " into " + c.decoder);
        QTemporaryDir dir;
        AppRig rig({c.decoder}, 1);
        startQuiet(rig);
        const QString path = dir.filePath("sicherung.epr");
        writeFile(path, backup::fileText(c.backup, memoryOf(rig.device)));
        rig.host.answerFile(path);
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_restore"));
        ASSERT_EQ(rig.host.messages().size(), 1u);
        if (c.fits) {
            EXPECT_EQ(framesWith(rig, commands::MemoryWriteCommand).size(), 63u);
            continue;
        }
        EXPECT_EQ(rig.host.messages()[0].text, "Die geöffnete Datei \r\n" + path +
                                                   "\r\npasst nicht zu diesem Decoder!\r\n\r\nBitte die richtige Datei öffnen!");
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());
    }
}

TEST(MemoryBackup, ADamagedFileIsRefusedBeforeAnythingIsSent)
{
    struct Case {
        const char* name;
        std::function<void(QByteArray&)> damage;
        const char* reason;
    };
    const Case cases[] = {
        {"cut off", [](QByteArray& t) { t.truncate(900); }, "Zeile 21: "},
        {"a changed data digit", [](QByteArray& t) { t[200] = t[200] == '0' ? '1' : '0'; }, "Zeile 6: Die Prüfsumme"},
        {"a letter", [](QByteArray& t) { t[300] = 'Z'; }, "Zeile 8: Sie enthält Zeichen"},
        {"records out of order", [](QByteArray& t) { t.replace(":10002000", ":10003000"); }, "Zeile 4: Die Adresse"},
        {"no end record", [](QByteArray& t) { t.replace(":00000001FF", ""); }, "Zeile 34: Der Schlusssatz"},
        {"no identification", [](QByteArray& t) { t.remove(0, 10); }, "Zeile 1: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        AppRig rig({"R5--XC45"}, 1);
        startQuiet(rig);
        QByteArray text = backup::fileText("R5--XC45", memoryOf(rig.device));
        c.damage(text);
        const QString path = dir.filePath("sicherung.epr");
        writeFile(path, text);
        rig.host.answerFile(path);
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_restore"));
        ASSERT_EQ(rig.host.messages().size(), 1u);
        const QString message = rig.host.messages()[0].text;
        EXPECT_TRUE(message.startsWith("Die Datei \r\n" + path + "\r\nist keine vollständige Sicherung")) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.reason))) << message.toStdString();
        EXPECT_TRUE(message.endsWith(QStringLiteral("Es wurden keine Daten zum Decoder gesendet.")));
        EXPECT_TRUE(rig.frames().empty());
    }
}

TEST(MemoryBackup, ARefusedWriteStartsTheAttemptAgainFromTheFirstRecord)
{
    QTemporaryDir dir;
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    const QByteArray memory = memoryOf(rig.device);
    const QString path = dir.filePath("sicherung.epr");
    writeFile(path, backup::fileText("R5--XC45", memory));
    // Some way into the first attempt the decoder refuses one write.
    rig.host.at(rig.host.nowMs() + 2600, [&] { rig.device.injectFault(Fault::Refusal); });
    rig.host.answerFile(path);
    rig.host.answerMessage(Answer::Ok, Restored);
    ASSERT_TRUE(rig.choose("mnu_e_restore"));

    const std::vector<QByteArray> writes = framesWith(rig, commands::MemoryWriteCommand);
    const std::vector<QByteArray> all = restoreWrites(memory);
    ASSERT_GT(writes.size(), 63u);
    const size_t firstAttempt = writes.size() - 63;
    EXPECT_GT(firstAttempt, 1u);
    EXPECT_EQ(std::vector<QByteArray>(writes.begin(), writes.begin() + static_cast<long>(firstAttempt)),
              std::vector<QByteArray>(all.begin(), all.begin() + static_cast<long>(firstAttempt)));
    EXPECT_EQ(std::vector<QByteArray>(writes.begin() + static_cast<long>(firstAttempt), writes.end() - 1), all);
    EXPECT_EQ(writes.back(), commands::memoryWriteEnd().bytes);
}

TEST(MemoryBackup, FiveFailedAttemptsAreReported)
{
    for (const Fault fault : {Fault::Refusal, Fault::NoAnswer}) {
        SCOPED_TRACE(static_cast<int>(fault));
        QTemporaryDir dir;
        AppRig rig({"R5--XC45"}, 1);
        startQuiet(rig);
        const QString path = dir.filePath("sicherung.epr");
        writeFile(path, backup::fileText("R5--XC45", memoryOf(rig.device)));
        rig.device.addStandingFault({fault, 0, commands::MemoryWriteCommand});
        rig.host.answerFile(path);
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_restore"));
        const std::vector<QByteArray> first(5, restoreWrites(memoryOf(rig.device))[0]);
        EXPECT_EQ(framesWith(rig, commands::MemoryWriteCommand), first);  // no end command
        ASSERT_EQ(rig.host.messages().size(), 1u);
        EXPECT_EQ(rig.host.messages()[0].text,
                  QStringLiteral("Datenfehler nach 5 Versuchen!\r\n\r\nDatenübertragung ist nicht komplett !"));
        EXPECT_EQ(rig.frames().back(), commands::blockRead(1).bytes);
        EXPECT_FALSE(rig.ui().ProgressBar1->isVisible());
    }
}

TEST(MemoryBackup, AComparisonSaysWhetherTheDecoderHoldsTheBackup)
{
    QTemporaryDir dir;
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    const QString path = dir.filePath("sicherung.epr");
    rig.host.answerFile(path);
    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_TRUE(rig.choose("mnu_e_dump"));

    struct Case {
        const char* name;
        std::function<void()> change;
        QString message;
    };
    const Case cases[] = {
        {"unchanged", [] {},
         "Die Sicherung stimmt mit den Daten im Decoder überein.\r\n(Datensätze 1 bis 31, Adressen 0000 bis 01EF)"},
        {"only the record a restore leaves out", [&] { rig.device.setField(16, 23, 0x42); },
         "Die Sicherung stimmt mit den Daten im Decoder überein.\r\n(Datensätze 1 bis 31, Adressen 0000 bis 01EF)"},
        {"one byte", [&] { rig.device.setField(2, 4, 0x99); },
         "Die Sicherung weicht an 1 Stelle vom Decoder ab:\r\n\r\nAdresse 0023 (Decoder 0323): Sicherung F8, Decoder 99"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.change();
        rig.device.clearLog();
        const size_t shown = rig.host.messages().size();
        rig.host.answerFile(path);
        rig.host.answerMessage(Answer::Ok);
        ASSERT_TRUE(rig.choose("mnu_e_compare"));
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::memoryDump().bytes});
        ASSERT_EQ(rig.host.messages().size(), shown + 1);
        EXPECT_EQ(rig.host.messages().back().text, c.message);
    }
    EXPECT_EQ(rig.host.fileDialogTitles().back(), QStringLiteral("Servo Daten vergleichen"));

    // A damaged backup is compared with nothing.
    writeFile(path, readFile(path).left(500));
    rig.device.clearLog();
    rig.host.answerFile(path);
    rig.host.answerMessage(Answer::Ok, "ist keine vollständige Sicherung");
    ASSERT_TRUE(rig.choose("mnu_e_compare"));
    EXPECT_TRUE(rig.frames().empty());
}

TEST(MemoryBackup, NoFileIsChosenWhileTheDecoderIsBusy)
{
    AppRig rig({"R5--XC45"}, 1);
    startQuiet(rig);
    bool chosen = false;
    rig.host.at(rig.host.nowMs() + 50, [&] { chosen = rig.choose("mnu_e_dump"); });
    rig.doubleClickOutput(2);
    EXPECT_TRUE(chosen);
    EXPECT_EQ(rig.host.beeps(), 1);
    EXPECT_TRUE(rig.host.fileDialogTitles().isEmpty());
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::blockRead(2).bytes});
}

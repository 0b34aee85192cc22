#include "cli/CliOptions.h"
#include "cli/Tool.h"
#include "link/CommandCatalogue.h"
#include "memory/BackupFile.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/MemorySettingsStore.h"
#include "support/TestHost.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>
#include <gtest/gtest.h>

using namespace qb;
using namespace qb::cli;

namespace {

class NoMachineStore : public MachineStore {
public:
    bool writeValue(const QString&, const QString&, const QVariant&) override
    {
        ++writes;
        return true;
    }
    int writes = 0;
};

// Everything written to a stream, read back after the run.
QString contents(std::FILE* file)
{
    std::fflush(file);
    std::rewind(file);
    QByteArray bytes;
    char buffer[4096];
    while (const size_t n = std::fread(buffer, 1, sizeof buffer, file))
        bytes.append(buffer, static_cast<qsizetype>(n));
    return QString::fromLocal8Bit(bytes);
}

// quenbrix-cli on a simulated decoder in virtual time.
struct CliRig {
    explicit CliRig(sim::DeviceConfig config = {}) : device(std::move(config)), port(host, device) {}

    int run(const QStringList& arguments)
    {
        options = parseOptions(QStringList{"quenbrix-cli", "--port", "2"} + arguments);
        EXPECT_TRUE(options.error.isEmpty()) << options.error.toStdString();
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        Tool tool(options, {host, port, settings, machine, out, err, [this] { return host.messageTexts(); }});
        const int exit = tool.run();
        output = contents(out);
        errors = contents(err);
        std::fclose(out);
        std::fclose(err);
        return exit;
    }

    test::TestHost host;
    sim::DecoderDevice device;
    sim::SimulatedPort port;
    test::MemorySettingsStore settings;
    NoMachineStore machine;
    Options options;
    QString output;
    QString errors;
};

QStringList filesIn(const QTemporaryDir& dir)
{
    return QDir(dir.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray memoryOf(const sim::DecoderDevice& device)
{
    return QByteArray(reinterpret_cast<const char*>(device.memory().data()), sim::DecoderDevice::MemorySize);
}

QByteArray readFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

int commandOf(const Frame& frame)
{
    return static_cast<std::uint8_t>(frame.bytes[0]);
}

const int MemoryWrite = commandOf(commands::memoryWriteEnd());
const int MemoryDump = commandOf(commands::memoryDump());

// The memory writes of a restore the decoder received, without the closing one.
int recordWrites(const sim::DecoderDevice& device)
{
    int count = 0;
    for (const QByteArray& frame : device.receivedFrames())
        count += static_cast<std::uint8_t>(frame[0]) == MemoryWrite && frame != commands::memoryWriteEnd().bytes;
    return count;
}

// The memory without the positions each output's moves rewrite (its
// current and its target position).
QByteArray withoutPositions(QByteArray memory)
{
    for (int slot = 0; slot < memory.size(); slot += sim::DecoderDevice::SlotSize)
        for (int at : {6, 7, 10, 11})
            memory[slot + at] = 0;
    return memory;
}

const QString Restored = QStringLiteral("Servo-Daten wurden zum Decoder übertragen!\n\n"
                                        "Den Decoder ausschalten und 10 Sekunden warten.\n"
                                        "Danach den Decoder wieder einschalten,\n"
                                        "damit die neuen Daten übernommen werden.");

}  // namespace

TEST(CliOptions, CommandLines)
{
    struct Case {
        QStringList args;
        bool valid;
        const char* command;
    };
    const Case cases[] = {
        {{"--port", "/dev/ttyUSB0", "identify"}, true, "identify"},
        {{"--port=3", "read", "all"}, true, "read"},
        {{"--demo", "--json", "read", "4"}, true, "read"},
        {{"--demo=L7466469", "identify"}, true, "identify"},
        {{"--port", "COM3", "backup", "a.epr"}, true, "backup"},
        {{"--port", "2", "--force", "--log", "x.log", "restore", "a.epr"}, true, "restore"},
        {{"--port", "2", "-v", "verify", "a.epr"}, true, "verify"},
        {{"identify"}, false, ""},                                // no port
        {{"--demo", "--port", "2", "identify"}, false, ""},       // both
        {{"--port", "21", "identify"}, false, ""},                // outside 1..20
        {{"--port", "0", "identify"}, false, ""},
        {{"--port", "ttyUSB0", "identify"}, false, ""},           // neither number nor path
        {{"--port"}, false, ""},
        {{"--port", "2"}, false, ""},                             // no command
        {{"--port", "2", "erase"}, false, ""},
        {{"--port", "2", "read"}, false, ""},                     // which output?
        {{"--port", "2", "identify", "extra"}, false, ""},
        {{"--port", "2", "backup"}, false, ""},
        {{"--port", "2", "--log", "", "identify"}, false, ""},
        {{"--demo=L7", "identify"}, false, ""},
        {{"--port", "2", "--bogus", "identify"}, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args.join(' ').toStdString());
        const Options o = parseOptions(QStringList{"quenbrix-cli"} + c.args);
        EXPECT_EQ(o.error.isEmpty(), c.valid) << o.error.toStdString();
        if (c.valid) {
            EXPECT_EQ(o.command, QString::fromLatin1(c.command));
        }
    }
    EXPECT_TRUE(parseOptions({"quenbrix-cli", "--help"}).help);
    EXPECT_EQ(parseOptions({"quenbrix-cli", "--port", "2", "identify"}).demoId, QStringLiteral("R5--XC45"));
}

TEST(CliTool, IdentifiesEveryFamilyAtEitherSpeed)
{
    struct Case {
        const char* id;
        int baud;
        const char* family;
        int outputs;
    };
    const Case cases[] = {
        {"R5--XC45", 4800, "8-fach Servo Decoder", 8},
        {"R7954740", 9600, "4-fach Servo Decoder", 4},
        {"L6454348", 9600, "Ampel Decoder", 8},
        {"BR5-XC42", 4800, "Parkplatz Decoder", 8},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        CliRig rig({.id = c.id, .baud = c.baud});
        ASSERT_EQ(rig.run({"--json", "identify"}), Success) << rig.errors.toStdString();
        const QJsonObject found = QJsonDocument::fromJson(rig.output.toUtf8()).object();
        EXPECT_EQ(found["id"].toString(), QString::fromLatin1(c.id));
        EXPECT_EQ(found["family"].toString(), QString::fromUtf8(c.family));
        EXPECT_EQ(found["baud"].toInt(), c.baud);
        EXPECT_EQ(found["outputs"].toInt(), c.outputs);
        EXPECT_TRUE(rig.errors.isEmpty()) << rig.errors.toStdString();
    }
}

TEST(CliTool, ReadsWhatTheDecoderHoldsAndWritesNothing)
{
    CliRig rig;
    rig.device.setValue16(3, 5, 13'500);  // output 3's left end
    rig.device.setValue16(3, 9, 8'250);   // and its right end
    const std::array<std::uint8_t, sim::DecoderDevice::MemorySize> before = rig.device.memory();

    ASSERT_EQ(rig.run({"--json", "read", "all"}), Success) << rig.errors.toStdString();
    const QJsonArray outputs = QJsonDocument::fromJson(rig.output.toUtf8()).array();
    ASSERT_EQ(outputs.size(), 8);
    const QJsonObject third = outputs[2].toObject();
    EXPECT_EQ(third["output"].toInt(), 3);
    EXPECT_EQ(third["name"].toString(), QStringLiteral("Servo 3"));
    EXPECT_EQ(third["leftPos"].toInt(), 13'500);
    EXPECT_EQ(third["rightPos"].toInt(), 8'250);
    EXPECT_EQ(outputs[0].toObject()["leftPos"].toInt(), rig.device.value16(1, 5));

    // Reading is only reading: no frame but block reads and the start-up query.
    EXPECT_EQ(rig.device.memory(), before);
    EXPECT_EQ(rig.machine.writes, 0);
    EXPECT_TRUE(rig.settings.values.isEmpty());
}

TEST(CliTool, ReadableOutputNamesTheFields)
{
    CliRig rig;
    ASSERT_EQ(rig.run({"read", "2"}), Success);
    EXPECT_TRUE(rig.output.startsWith(QStringLiteral("Servo 2 (Ausgang 2)\n"))) << rig.output.toStdString();
    EXPECT_TRUE(rig.output.contains(QStringLiteral("Linke Position:")));
    EXPECT_TRUE(rig.output.contains(QStringLiteral("Fabrikat:")));

    CliRig light({.id = "L6454348"});
    ASSERT_EQ(light.run({"read", "1"}), Success);
    EXPECT_TRUE(light.output.contains(QStringLiteral("Zeit in Millisekunden:")));
    EXPECT_FALSE(light.output.contains(QStringLiteral("Fabrikat:")));  // no servo fields on a traffic light
}

TEST(CliTool, EveryFailureHasItsExitStatusAndReason)
{
    QTemporaryDir dir;
    const QString never = dir.filePath("never-written.epr");
    using sim::Fault;
    struct Case {
        const char* name;
        sim::DeviceConfig config;
        QStringList args;
        int exit;
        const char* reason;
        const char* windowMessage = nullptr;  // what the window would have shown meanwhile
    };
    const Case cases[] = {
        {"silent decoder", {.standingFaults = {{Fault::NoAnswer, 1}}}, {"identify"}, NoDecoder, "weder mit 4800 noch mit 9600"},
        {"unknown identification", {.id = "R5--XA45"}, {"identify"}, WrongDecoder, "\"R5--XA45\"", "Kennung ist R5--XA45"},
        {"garbled output", {.standingFaults = {{Fault::Garbage, 5}}}, {"read", "all"}, DecoderError, "Ausgang 5: Datenfehler vom Decoder !"},
        {"wrong output digit", {.standingFaults = {{Fault::WrongOutputDigit, 2}}}, {"read", "2"}, DecoderError, "Ausgang 2:"},
        {"silent output", {.standingFaults = {{Fault::NoAnswer, 7}}}, {"read", "7"}, DecoderError, "Ausgang 7: Timeout"},
        {"no such output", {}, {"read", "9"}, Usage, "1..8"},
        {"no backup file name", {}, {"backup", "/tmp/a.txt"}, FileError, "Datei-Endung ist nicht \".epr\""},
        {"backup without an answer", {.standingFaults = {{Fault::NoAnswer, 0, MemoryDump}}},
         {"backup", never}, DecoderError, "Timeout von Decoder!", "Timeout von Decoder!"},
        {"backup of a disturbed answer", {.standingFaults = {{Fault::Garbage, 0, MemoryDump}}},
         {"backup", never}, DecoderError, "Datentransfer Fehler!", "Datentransfer Fehler!"},
        {"no such backup", {}, {"verify", "/tmp/quenbrix-no-such-backup.epr"}, FileError, "quenbrix-no-such-backup.epr",
         "quenbrix-no-such-backup.epr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CliRig rig(c.config);
        if (c.windowMessage)
            rig.host.answerMessage(Answer::Ok, QString::fromUtf8(c.windowMessage));
        EXPECT_EQ(rig.run(c.args), c.exit);
        EXPECT_TRUE(rig.errors.contains(QString::fromUtf8(c.reason))) << rig.errors.toStdString();
        EXPECT_TRUE(rig.output.isEmpty()) << rig.output.toStdString();
    }
    EXPECT_TRUE(filesIn(dir).isEmpty()) << filesIn(dir).join(' ').toStdString();
}

TEST(CliTool, BacksUpVerifiesAndRestoresTheMemory)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("decoder.epr");
    CliRig rig;
    rig.device.setValue16(5, 3, 12345);
    const QByteArray saved = memoryOf(rig.device);

    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_EQ(rig.run({"backup", path}), Success) << rig.errors.toStdString();
    EXPECT_EQ(rig.output, QStringLiteral("Daten gesichert!\n"));
    const std::optional<backup::Backup> file = backup::parse(readFile(path)).backup;
    ASSERT_TRUE(file);
    EXPECT_EQ(file->decoderId, QStringLiteral("R5--XC45"));
    EXPECT_EQ(file->memory, saved.left(file->memory.size()));

    rig.host.answerMessage(Answer::Ok, "stimmt mit den Daten im Decoder überein");
    EXPECT_EQ(rig.run({"verify", path}), Success) << rig.errors.toStdString();
    EXPECT_TRUE(rig.output.startsWith(QStringLiteral("Die Sicherung stimmt"))) << rig.output.toStdString();

    // The decoder changes; the comparison names the byte, the restore puts it back.
    rig.device.setField(2, 4, 0x77);
    rig.host.answerMessage(Answer::Ok, "an 1 Stelle");
    EXPECT_EQ(rig.run({"verify", path}), Differs);
    EXPECT_TRUE(rig.output.contains(QStringLiteral("Decoder 77"))) << rig.output.toStdString();

    rig.device.clearLog();
    rig.host.answerMessage(Answer::Ok, "Servo-Daten wurden zum Decoder übertragen!");
    ASSERT_EQ(rig.run({"restore", path}), Success) << rig.errors.toStdString();
    EXPECT_EQ(rig.output, Restored + '\n');
    EXPECT_EQ(recordWrites(rig.device), 62);
    EXPECT_EQ(withoutPositions(memoryOf(rig.device)).left(496), withoutPositions(saved).left(496));

    // An existing backup stays unless overwriting is asked for.
    writeFile(path, "mine");
    EXPECT_EQ(rig.run({"backup", path}), FileError);
    EXPECT_TRUE(rig.errors.contains(QStringLiteral("bereits vorhanden! Mit --force"))) << rig.errors.toStdString();
    EXPECT_EQ(readFile(path), "mine");
    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    EXPECT_EQ(rig.run({"--force", "backup", path}), Success);
    EXPECT_TRUE(backup::parse(readFile(path)).backup);
}

TEST(CliTool, ARestoreSendsNothingOfAFileThatIsDamagedOrForAnotherDecoder)
{
    QTemporaryDir dir;
    const QString good = dir.filePath("good.epr");
    CliRig source;
    source.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_EQ(source.run({"backup", good}), Success);
    QByteArray damaged = readFile(good);
    damaged[damaged.indexOf("\n:10006000") + 12] = 'F';  // a data digit of line 8: its checksum no longer fits
    writeFile(dir.filePath("damaged.epr"), damaged);
    writeFile(dir.filePath("cut.epr"), readFile(good).left(600));

    struct Case {
        const char* file;
        const char* decoder;
        int exit;
        const char* reason;
    };
    const Case cases[] = {
        {"damaged.epr", "R5--XC45", FileError, "Zeile 8: Die Prüfsumme"},
        {"cut.epr", "R5--XC45", FileError, "Es wurden keine Daten zum Decoder gesendet."},
        {"good.epr", "L6454348", WrongDecoder, "passt nicht zu diesem Decoder!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file);
        CliRig rig({.id = c.decoder});
        rig.host.answerMessage(Answer::Ok, QString::fromUtf8(c.reason));
        const QByteArray before = memoryOf(rig.device);
        EXPECT_EQ(rig.run({"restore", dir.filePath(c.file)}), c.exit);
        EXPECT_TRUE(rig.errors.startsWith(QStringLiteral("quenbrix-cli: "))) << rig.errors.toStdString();
        EXPECT_TRUE(rig.errors.contains(QString::fromUtf8(c.reason))) << rig.errors.toStdString();
        EXPECT_EQ(recordWrites(rig.device), 0);
        EXPECT_EQ(memoryOf(rig.device), before);
        EXPECT_TRUE(rig.output.isEmpty());
    }
}

TEST(CliTool, ARestoreTheDecoderRefusesEndsAfterFiveAttempts)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("decoder.epr");
    CliRig rig({.standingFaults = {{sim::Fault::Refusal, 0, MemoryWrite}}});
    rig.host.answerMessage(Answer::Ok, "Daten gesichert!");
    ASSERT_EQ(rig.run({"backup", path}), Success);
    rig.host.answerMessage(Answer::Ok, "Datenfehler nach 5 Versuchen!");
    EXPECT_EQ(rig.run({"restore", path}), DecoderError);
    EXPECT_TRUE(rig.errors.contains(QStringLiteral("Datenübertragung ist nicht komplett !"))) << rig.errors.toStdString();
    EXPECT_EQ(recordWrites(rig.device), 5);
}

TEST(CliTool, PortThatWillNotOpenIsNamedWithItsReason)
{
    CliRig rig;
    rig.port.failOpens(OpenError::AccessDenied, QStringLiteral("Permission denied"));
    rig.host.answerMessage(Answer::Ok, QStringLiteral("Comm 2 kann nicht geöffnet werden"));
    EXPECT_EQ(rig.run({"identify"}), PortFailed);
    EXPECT_TRUE(rig.errors.contains(QStringLiteral("Die Schnittstelle 2 kann nicht geöffnet werden.")))
        << rig.errors.toStdString();
    EXPECT_TRUE(rig.output.isEmpty());
}

TEST(CliTool, LogsEveryFrameToTheFileGiven)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("frames.log");
    CliRig rig;
    ASSERT_EQ(rig.run({"--log", path, "read", "5"}), Success);
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines.front().endsWith(QStringLiteral("gesendet  Block 1 lesen: F1 0D"))) << lines.front().toStdString();
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(QStringLiteral("gesendet  Block 5 lesen: F5 0D")));
    EXPECT_TRUE(lines.back().contains(QStringLiteral("empfangen Block 5 lesen: ")));

    CliRig unwritable;
    EXPECT_EQ(unwritable.run({"--log", dir.filePath("missing/frames.log"), "identify"}), FileError);
    EXPECT_TRUE(unwritable.errors.contains(QStringLiteral("kann nicht geschrieben werden"))) << unwritable.errors.toStdString();
    EXPECT_TRUE(unwritable.device.receivedFrames().empty());  // nothing sent without the log asked for
}

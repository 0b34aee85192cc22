#include "cli/CliOptions.h"
#include "cli/Tool.h"
#include "simulator/DecoderDevice.h"
#include "simulator/SimulatedPort.h"
#include "support/MemorySettingsStore.h"
#include "support/TestHost.h"

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
        Tool tool(options, {host, port, settings, machine, out, err});
        const int exit = tool.run();
        output = contents(out);
        errors = contents(err);
        return exit;
    }

    test::TestHost host;
    sim::DecoderDevice device;
    sim::SimulatedPort port;
    test::MemorySettingsStore settings;
    NoMachineStore machine;
    Options options;
    std::FILE* out = std::tmpfile();
    std::FILE* err = std::tmpfile();
    QString output;
    QString errors;

    ~CliRig()
    {
        std::fclose(out);
        std::fclose(err);
    }
};

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
        {"not yet a command", {}, {"backup", "a.epr"}, Usage, "backup"},
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

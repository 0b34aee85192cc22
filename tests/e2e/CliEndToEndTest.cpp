// The built quenbrix-cli against quenbrix-sim on a pseudo-terminal.

#include "memory/BackupFile.h"
#include "support/SimProcess.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(__unix__) && defined(QUENBRIX_CLI_PATH)

namespace {

using namespace qb::test;

struct CliRun {
    int exit = -1;
    QString out;
    QString err;
};

// The tool with its own empty home, so no user settings are read.
CliRun runCli(const QStringList& arguments, int timeoutMs = 30'000)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUENBRIX_CLI_PATH), arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(CliEndToEnd, IdentifiesAndReadsADecoderOnItsDevice)
{
    struct Case {
        const char* id;
        int baud;
        const char* family;
        const char* thirdOutput;
    };
    const Case cases[] = {
        {"R5--XC45", 4800, "8-fach Servo Decoder", "Servo 3 (Ausgang 3)"},
        {"L6454348", 9600, "Ampel Decoder", "Grün 1 (Ausgang 3)"},
        {"BR5-XC42", 4800, "Parkplatz Decoder", "Spule 3 (Ausgang 3)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        Simulator sim(c.baud, {QStringLiteral("--id"), QString::fromLatin1(c.id)});
        ASSERT_FALSE(sim.device().isEmpty());

        const CliRun identify = runCli({"--port", sim.device(), "--json", "identify"});
        ASSERT_EQ(identify.exit, 0) << identify.err.toStdString();
        const QJsonObject found = QJsonDocument::fromJson(identify.out.toUtf8()).object();
        EXPECT_EQ(found["id"].toString(), QString::fromLatin1(c.id));
        EXPECT_EQ(found["family"].toString(), QString::fromUtf8(c.family));
        EXPECT_EQ(found["baud"].toInt(), c.baud);

        const CliRun read = runCli({"--port", sim.device(), "read", "3"});
        ASSERT_EQ(read.exit, 0) << read.err.toStdString();
        EXPECT_TRUE(read.out.startsWith(QString::fromUtf8(c.thirdOutput))) << read.out.toStdString();
    }
}

QByteArray contentsOf(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeTo(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

TEST(CliEndToEnd, BacksUpRestoresAndVerifiesADecoder)
{
    // A restore takes about half a minute: 62 writes with their pauses,
    // and every output switched once to each side.
    constexpr int RestoreMs = 90'000;
    QTemporaryDir dir;
    Simulator sim(4800, {QStringLiteral("--id"), QStringLiteral("R7954740")});
    ASSERT_FALSE(sim.device().isEmpty());
    const QString first = dir.filePath("erste.epr");
    const QString settled = dir.filePath("nach-restore.epr");
    const QString changed = dir.filePath("geaendert.epr");

    const CliRun backup = runCli({"--port", sim.device(), "backup", first});
    ASSERT_EQ(backup.exit, 0) << backup.err.toStdString();
    EXPECT_EQ(backup.out, QStringLiteral("Daten gesichert!\n"));
    const CliRun agree = runCli({"--port", sim.device(), "verify", first});
    EXPECT_EQ(agree.exit, 0) << agree.out.toStdString() << agree.err.toStdString();

    std::optional<qb::backup::Backup> file = qb::backup::parse(contentsOf(first)).backup;
    ASSERT_TRUE(file);
    file->memory[32 + 4] = static_cast<char>(file->memory[32 + 4] ^ 0x01);  // output 2's left end
    ASSERT_TRUE(writeTo(changed, qb::backup::fileText(file->decoderId, file->memory)));
    const CliRun before = runCli({"--port", sim.device(), "verify", changed});
    EXPECT_EQ(before.exit, 8) << before.err.toStdString();
    EXPECT_TRUE(before.out.contains(QStringLiteral("Adresse 0024 (Decoder 0324)"))) << before.out.toStdString();

    const CliRun restored = runCli({"--port", sim.device(), "restore", changed}, RestoreMs);
    ASSERT_EQ(restored.exit, 0) << restored.err.toStdString();
    EXPECT_TRUE(restored.out.contains(QStringLiteral("Den Decoder ausschalten und 10 Sekunden warten.")))
        << restored.out.toStdString();
    // The changed byte is in the decoder now. Only the positions may differ:
    // the restore moves every output once to each side.
    const CliRun after = runCli({"--port", sim.device(), "verify", changed});
    EXPECT_TRUE(after.exit == 0 || after.exit == 8) << after.err.toStdString();
    EXPECT_FALSE(after.out.contains(QStringLiteral("Adresse 0024"))) << after.out.toStdString();
    ASSERT_EQ(runCli({"--port", sim.device(), "backup", settled}).exit, 0);
    const std::optional<qb::backup::Backup> now = qb::backup::parse(contentsOf(settled)).backup;
    ASSERT_TRUE(now);
    for (int at = 0; at < 31 * 16; ++at) {
        const bool position = QList<int>{6, 7, 10, 11}.contains(at % 32);
        if (!position) {
            EXPECT_EQ(now->memory[at], file->memory[at]) << "byte " << at;
        }
    }
}

TEST(CliEndToEnd, RefusesDamagedFilesOtherDecodersAndSilence)
{
    QTemporaryDir dir;
    Simulator servo(4800, {QStringLiteral("--id"), QStringLiteral("R5--XC45")});
    Simulator light(4800, {QStringLiteral("--id"), QStringLiteral("L6454348")});
    ASSERT_FALSE(servo.device().isEmpty());
    ASSERT_FALSE(light.device().isEmpty());
    const QString good = dir.filePath("servo.epr");
    ASSERT_EQ(runCli({"--port", servo.device(), "backup", good}).exit, 0);
    const QByteArray goodBytes = contentsOf(good);
    const QString damaged = dir.filePath("kaputt.epr");
    ASSERT_TRUE(writeTo(damaged, contentsOf(good).replace(":10004000", ":1000400G")));

    struct Case {
        const char* name;
        QString device;
        QString file;
        int exit;
        const char* reason;
    };
    const Case cases[] = {
        {"damaged file", servo.device(), damaged, 7, "Zeile 6"},
        {"another decoder's backup", light.device(), good, 5, "passt nicht zu diesem Decoder!"},
        {"no such file", servo.device(), dir.filePath("fehlt.epr"), 7, "fehlt.epr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const CliRun run = runCli({"--port", c.device, "restore", c.file});
        EXPECT_EQ(run.exit, c.exit) << run.err.toStdString();
        EXPECT_TRUE(run.err.contains(QString::fromUtf8(c.reason))) << run.err.toStdString();
        EXPECT_TRUE(run.out.isEmpty()) << run.out.toStdString();
    }
    servo.stop();
    const CliRun silent = runCli({"--port", servo.device(), "backup", dir.filePath("still.epr")});
    EXPECT_NE(silent.exit, 0);
    EXPECT_FALSE(QFile::exists(dir.filePath("still.epr")));
    EXPECT_EQ(contentsOf(good), goodBytes) << "the good backup is untouched";
}

TEST(CliEndToEnd, MissingDeviceAndBadCallsSayWhy)
{
    const CliRun missing = runCli({"--port", "/dev/quenbrix-no-such-device", "identify"});
    EXPECT_EQ(missing.exit, 3);
    EXPECT_TRUE(missing.err.contains(QStringLiteral("gibt es nicht"))) << missing.err.toStdString();
    EXPECT_TRUE(missing.out.isEmpty());

    const CliRun bad = runCli({"identify"});
    EXPECT_EQ(bad.exit, 2);
    EXPECT_TRUE(bad.err.contains(QStringLiteral("--port"))) << bad.err.toStdString();

    const CliRun help = runCli({"--help"});
    EXPECT_EQ(help.exit, 0);
    EXPECT_TRUE(help.out.startsWith(QStringLiteral("Aufruf: quenbrix-cli"))) << help.out.toStdString();
}

}  // namespace

#endif

// The built quenbrix-cli against quenbrix-sim on a pseudo-terminal.

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
CliRun runCli(const QStringList& arguments)
{
    QTemporaryDir home;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("HOME", home.path());
    env.insert("XDG_CONFIG_HOME", home.filePath(".config"));
    QProcess process;
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(QUENBRIX_CLI_PATH), arguments);
    if (!process.waitForFinished(30'000)) {
        process.kill();
        process.waitForFinished();
        return {};
    }
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardOutput()),
            QString::fromLocal8Bit(process.readAllStandardError())};
}

TEST(CliEndToEnd, IdentifiesAndReadsADecoderOnItsDevice)
{
    Simulator sim(4800, {QStringLiteral("--id"), QStringLiteral("BR5-XC42")});
    ASSERT_FALSE(sim.device().isEmpty());

    const CliRun identify = runCli({"--port", sim.device(), "--json", "identify"});
    ASSERT_EQ(identify.exit, 0) << identify.err.toStdString();
    const QJsonObject found = QJsonDocument::fromJson(identify.out.toUtf8()).object();
    EXPECT_EQ(found["id"].toString(), QStringLiteral("BR5-XC42"));
    EXPECT_EQ(found["baud"].toInt(), 4800);

    const CliRun read = runCli({"--port", sim.device(), "read", "3"});
    ASSERT_EQ(read.exit, 0) << read.err.toStdString();
    EXPECT_TRUE(read.out.startsWith(QStringLiteral("Spule 3 (Ausgang 3)"))) << read.out.toStdString();
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

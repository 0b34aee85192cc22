// The built program, on the offscreen platform, against quenbrix-sim.

#include "support/SimProcess.h"

#include <QProcessEnvironment>
#include <gtest/gtest.h>

#if defined(__unix__) && defined(QUENBRIX_APP_PATH)

namespace {

using namespace qb::test;

// The program with its own empty home, so no user settings are read or written.
class Program {
public:
    explicit Program(const QStringList& arguments)
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("QT_QPA_PLATFORM", "offscreen");
        env.insert("HOME", home_.path());
        env.insert("XDG_CONFIG_HOME", home_.filePath(".config"));
        process_.setProcessEnvironment(env);
        process_.start(QStringLiteral(QUENBRIX_APP_PATH), arguments);
        process_.waitForStarted(5000);
    }
    ~Program()
    {
        if (process_.state() != QProcess::NotRunning) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    QProcess& process() { return process_; }
    QString settingsFile() const { return home_.filePath(".config/Quenbrix/Quenbrix_551.conf"); }

private:
    QTemporaryDir home_;
    QProcess process_;
};

TEST(ProgramEndToEnd, DetectsTheDecoderOnAPinnedPseudoTerminal)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    Program program({"--port", "1=" + sim.device()});

    const auto log = sim.logOnce([](const std::vector<LogLine>& lines) { return !sentLines(lines).empty(); });
    const auto received = receivedLines(log);
    const auto sent = sentLines(log);
    ASSERT_FALSE(received.empty());
    EXPECT_EQ(received[0].bytes, QByteArray("\xF1\r"));
    EXPECT_FALSE(received[0].garbled);  // found at the first speed
    ASSERT_FALSE(sent.empty());
    EXPECT_EQ(sent[0].bytes.size(), 79);
    EXPECT_EQ(program.process().state(), QProcess::Running);
    // A pinned run leaves the stored port alone.
    program.process().kill();
    program.process().waitForFinished(3000);
    QFile settings(program.settingsFile());
    const QByteArray stored = settings.open(QIODevice::ReadOnly) ? settings.readAll() : QByteArray();
    EXPECT_FALSE(stored.contains("Com_Port")) << stored.constData();
}

TEST(ProgramEndToEnd, IdentifiesDecodersOfEachKind)
{
    struct Case {
        const char* id;
        int blockReads;  // detection, identification
        bool stateQuery;
    };
    for (const Case c : {Case{"R5--XC45", 2, true}, Case{"L7466469", 2, false}, Case{"BR5-XC42", 2, false}}) {
        SCOPED_TRACE(c.id);
        Simulator sim(4800, {"--id", c.id});
        ASSERT_FALSE(sim.device().isEmpty());
        Program program({"--port", "1=" + sim.device()});
        const auto done = [&](const std::vector<LogLine>& lines) {
            return sentLines(lines).size() >= static_cast<size_t>(c.blockReads + (c.stateQuery ? 1 : 0));
        };
        const auto log = sim.logOnce(done);
        ASSERT_TRUE(done(log));
        const auto received = receivedLines(log);
        EXPECT_EQ(received.at(0).bytes, QByteArray("\xF1\r"));
        EXPECT_EQ(received.at(1).bytes, QByteArray("\xF1\r"));
        EXPECT_EQ(received.size() > 2 && received[2].bytes == QByteArray("\x7E\r"), c.stateQuery);
        // A block it could not read ("Datenfehler!") would have ended it.
        EXPECT_FALSE(program.process().waitForFinished(300));
    }
}

TEST(ProgramEndToEnd, LogsTheFramesOfTheSessionToAFile)
{
    Simulator sim(4800);
    ASSERT_FALSE(sim.device().isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath("frames.log");
    Program program({"--port", "1=" + sim.device(), "--log", path});
    // The simulator's log shows when the identification's read went out and came back.
    const auto done = [](const std::vector<LogLine>& lines) { return sentLines(lines).size() >= 2; };
    ASSERT_TRUE(done(sim.logOnce(done)));
    QStringList lines;
    for (int i = 0; i < 50 && lines.size() < 4; ++i) {
        program.process().waitForFinished(100);  // the program's own pace, not a sleep of ours
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    ASSERT_GE(lines.size(), 4);
    EXPECT_TRUE(lines[0].endsWith("gesendet  Block 1 lesen: F1 0D")) << lines[0].toStdString();
    EXPECT_TRUE(lines[1].contains("empfangen Block 1 lesen: ")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(" Zeichen)")) << lines[1].toStdString();
}

TEST(ProgramEndToEnd, HelpAndBadArguments)
{
    {
        Program program({"--help"});
        ASSERT_TRUE(program.process().waitForFinished(10000));
        EXPECT_EQ(program.process().exitCode(), 0);
        EXPECT_TRUE(program.process().readAllStandardOutput().contains("--demo"));
    }
    {
        Program program({"--port", "99=/dev/null"});
        ASSERT_TRUE(program.process().waitForFinished(10000));
        EXPECT_EQ(program.process().exitCode(), 2);
        EXPECT_FALSE(program.process().readAllStandardError().isEmpty());
    }
    {
        Program program({"--demo", "--log", "/nonexistent-folder/frames.log"});
        ASSERT_TRUE(program.process().waitForFinished(10000));
        EXPECT_EQ(program.process().exitCode(), 2);
        EXPECT_TRUE(QString::fromUtf8(program.process().readAllStandardError()).contains("kann nicht geschrieben werden"));
    }
}

}  // namespace

#endif

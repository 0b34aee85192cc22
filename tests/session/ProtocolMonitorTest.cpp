#include "link/CommandCatalogue.h"
#include "session/ProtocolMonitor.h"
#include "support/SimRig.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::SimRig;

namespace {

// A line with the monitor watching, its clock starting at 14:03:27.500.
struct MonitoredLine {
    MonitoredLine() : monitor(rig.host, QDateTime(QDate(2026, 12, 9), QTime(14, 3, 27, 500)))
    {
        rig.line.setMonitor([this](const Frame& frame, const Reply& reply, qint64 sentUs) {
            monitor.record(frame, reply, sentUs);
        });
    }
    Reply exchange(const Frame& frame)
    {
        const Line::Operation operation = rig.line.begin();
        return rig.line.exchange(frame);
    }
    SimRig rig;
    ProtocolMonitor monitor;
};

}  // namespace

TEST(ProtocolMonitor, ABlockReadIsOneLineOutAndOneLineBack)
{
    MonitoredLine m;
    m.rig.host.advanceMs(12);
    const Reply reply = m.exchange(commands::blockRead(3));
    ASSERT_TRUE(reply.ok());
    const QStringList lines = m.monitor.lines();
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[0], QStringLiteral("14:03:27.512 gesendet  Block 3 lesen: F3 0D"));
    const QString back = QStringLiteral("empfangen Block 3 lesen: ") + ProtocolMonitor::hexText(reply.text) +
                         QStringLiteral(" (79 Zeichen)");
    EXPECT_TRUE(lines[1].endsWith(back)) << lines[1].toStdString();
    // 79 characters at 4800 baud take 165 ms on the wire.
    EXPECT_GT(lines[1].left(12), QStringLiteral("14:03:27.670"));
    EXPECT_LT(lines[1].left(12), QStringLiteral("14:03:27.700"));
}

TEST(ProtocolMonitor, SaysWhatCameBackOrDidNot)
{
    struct Case {
        const char* name;
        Frame frame;
        std::optional<Fault> fault;
        std::vector<const char*> endings;  // of the lines, in order
    };
    const Case cases[] = {
        {"nothing awaited", commands::outputSwitch(2, 0), std::nullopt, {"gesendet  Ausgang 2 Stellung 1: 82 0D"}},
        {"silence", commands::blockRead(1), Fault::NoAnswer,
         {"Block 1 lesen: F1 0D", "empfangen Block 1 lesen: keine Antwort (Zeitüberschreitung)"}},
        {"refusal", commands::storeLeft(), Fault::Refusal, {"Linke Position speichern: EB 0D", ", abgelehnt"}},
        {"too short", commands::blockRead(1), Fault::ShortAnswer, {"F1 0D", ", zu kurz (Zeitüberschreitung)"}},
        {"acknowledged", commands::storeLeft(), std::nullopt, {"EB 0D", "empfangen Linke Position speichern: 06 (1 Zeichen)"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MonitoredLine m;
        if (c.fault)
            m.rig.device.injectFault(*c.fault);
        m.exchange(c.frame);
        const QStringList lines = m.monitor.lines();
        ASSERT_EQ(lines.size(), static_cast<qsizetype>(c.endings.size())) << lines.join('\n').toStdString();
        for (size_t i = 0; i < c.endings.size(); ++i)
            EXPECT_TRUE(lines[static_cast<qsizetype>(i)].endsWith(QString::fromUtf8(c.endings[i])))
                << lines[static_cast<qsizetype>(i)].toStdString();
    }
}

TEST(ProtocolMonitor, TheLogFileGetsEveryLineAtOnce)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("quenbrix.log");
    {
        QFile earlier(path);
        ASSERT_TRUE(earlier.open(QIODevice::WriteOnly));
        earlier.write("earlier session\n");
    }
    MonitoredLine m;
    QString error;
    ASSERT_TRUE(m.monitor.logTo(path, error)) << error.toStdString();
    QStringList live;
    m.monitor.setListener([&](const QString& line) { live << line; });
    m.exchange(commands::blockRead(2));

    // Read while the monitor is still open: nothing waits in a buffer.
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList written = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    EXPECT_EQ(written, QStringList{"earlier session"} + m.monitor.lines());
    EXPECT_EQ(live, m.monitor.lines());

    ProtocolMonitor other(m.rig.host);
    EXPECT_FALSE(other.logTo(dir.filePath("no/such/folder/x.log"), error));
    EXPECT_TRUE(error.contains(QStringLiteral("kann nicht geschrieben werden"))) << error.toStdString();
}

TEST(ProtocolMonitor, KeepsOnlyTheRecentLines)
{
    MonitoredLine m;
    for (int i = 0; i < ProtocolMonitor::KeptLines + 3; ++i)
        m.exchange(commands::outputSwitch(1 + i % 8, 0));
    const QStringList lines = m.monitor.lines();
    ASSERT_EQ(lines.size(), ProtocolMonitor::KeptLines);
    EXPECT_TRUE(lines.front().endsWith(QStringLiteral("Ausgang 4 Stellung 1: 84 0D"))) << lines.front().toStdString();
    m.monitor.clear();
    EXPECT_TRUE(m.monitor.lines().isEmpty());
}

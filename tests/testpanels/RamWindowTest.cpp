#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "support/TestFiles.h"
#include "testpanels/RamWindow.h"
#include "trafficlight/TrafficLightTest23.h"
#include "ui_RamWindow.h"
#include "ui_TrafficLightTest23.h"

#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#if defined(Q_OS_UNIX)
#include <csignal>
#include <sys/resource.h>
#endif

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::readFile;
using qb::test::writeFile;
using qb::test::click;

namespace {

// A generation-3 decoder whose folder for files is `folder`, with the RAM
// window opened from its test window.
struct RamRig {
    explicit RamRig(const QString& folder) : rig({"L1164566"}, 1)
    {
        rig.settings.setValue("Quenbrix_551", "Parameter", "Location", folder);
        std::array<std::uint8_t, sim::DecoderDevice::RamSize> image{};
        for (int i = 0; i < sim::DecoderDevice::RamSize; ++i)
            image[i] = std::uint8_t(i * 7 + 3);
        rig.device.setRam(image);
        rig.start();
        EXPECT_TRUE(rig.choose("mnu_Ampeltest1"));
        auto* test = rig.window().findChild<TrafficLightTest23*>();
        click(test->ui().Paar8_2);
        window = test->ramWindow();
    }
    Ui::RamWindow& ui() { return window->ui(); }
    QString cell(int row, int column) const
    {
        const QTableWidgetItem* item = window->ui().Tabelle->item(row, column);
        return item ? item->text() : QString();
    }

    AppRig rig;
    RamWindow* window = nullptr;
};

QString byteText(int i)
{
    return QString::number(std::uint8_t(i * 7 + 3), 16).toUpper().rightJustified(2, '0');
}

}  // namespace

TEST(RamWindow, TheImageFillsTheTableAndTheFile)
{
    for (bool delayed : {false, true}) {
        SCOPED_TRACE(delayed ? "after a pause" : "prompt");
        QTemporaryDir dir;
        RamRig r(dir.path());
        ASSERT_TRUE(r.window && r.window->isVisible());
        QTableWidget* table = r.ui().Tabelle;
        ASSERT_EQ(table->rowCount(), 145);
        ASSERT_EQ(table->columnCount(), 9);
        for (int c = 1; c <= 8; ++c)
            EXPECT_EQ(table->horizontalHeaderItem(c)->text(), QString::number(c - 1));
        EXPECT_EQ(r.cell(0, 0), QStringLiteral("000100"));
        EXPECT_EQ(r.cell(1, 0), QStringLiteral("000108"));
        EXPECT_EQ(r.cell(144, 0), QStringLiteral("000580"));
        EXPECT_EQ(r.ui().Command1->text(), QStringLiteral("Start"));

        if (delayed)
            r.rig.device.injectFault(Fault::Delayed);
        r.rig.device.clearLog();
        QString captionWhileWaiting, statusWhileWaiting;
        r.rig.host.at(r.rig.host.nowMs() + 1000, [&] {
            captionWhileWaiting = r.ui().Command1->text();
            statusWhileWaiting = r.rig.ui().Status->text();
        });
        const qint64 before = r.rig.host.nowMs();
        click(r.ui().Command1);
        // At 4800 baud the image alone takes 4.8 s on the wire; after the
        // decoder's pause it ends later than the response time-out would.
        const qint64 tookMs = r.rig.host.nowMs() - before;
        EXPECT_GE(tookMs, 4800);
        if (delayed) {
            EXPECT_GT(tookMs, Line::DetectedTimeoutMs);
        }

        EXPECT_EQ(captionWhileWaiting, QStringLiteral("Läuft"));
        EXPECT_EQ(statusWhileWaiting, QStringLiteral("Read RAM!"));
        EXPECT_EQ(r.rig.frames(), std::vector<QByteArray>{commands::ramDump().bytes});
        EXPECT_EQ(r.ui().Command1->text(), QStringLiteral("Fertig"));
        EXPECT_TRUE(r.rig.host.messages().empty());
        for (int row : {0, 1, 77, 143})
            for (int c = 1; c <= 8; ++c)
                ASSERT_EQ(r.cell(row, c), byteText(row * 8 + c - 1)) << row << " " << c;
        for (int c = 1; c <= 8; ++c)
            EXPECT_TRUE(r.cell(144, c).isEmpty());

        const QString path = QDir(dir.path()).filePath("RAM_DUMP.txt");
        const QList<QByteArray> lines = readFile(path).split('\n');
        ASSERT_EQ(lines.size(), 145);  // 144 lines, each ended by CR LF
        EXPECT_TRUE(lines.last().isEmpty());
        EXPECT_EQ(lines[0], "000100  03 0A 11 18 1F 26 2D 34 \r");
        EXPECT_TRUE(lines[143].startsWith("000578  "));
        for (int k = 0; k < 144; ++k) {
            ASSERT_TRUE(lines[k].endsWith(" \r"));
            ASSERT_EQ(lines[k].mid(8).trimmed().split(' ').size(), 8) << k;
        }
        EXPECT_EQ(r.rig.ui().Status->text(),
                  QStringLiteral("RAM_DUMP.txt gespeichert in ") + QDir::toNativeSeparators(dir.path()));
    }
}

TEST(RamWindow, ASecondStartOverwritesTheFile)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("RAM_DUMP.txt");
    writeFile(path, QByteArray(10000, 'x'));
    RamRig r(dir.path());
    click(r.ui().Command1);
    const QByteArray first = readFile(path);
    EXPECT_EQ(first.size(), 144 * 34);
    r.rig.device.setRam({});
    click(r.ui().Command1);
    const QByteArray second = readFile(path);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_TRUE(second.startsWith("000100  00 00 00 00 00 00 00 00 \r\n"));
    EXPECT_EQ(r.cell(0, 1), QStringLiteral("00"));
}

TEST(RamWindow, NothingOfAnIncompleteImageIsShownOrWritten)
{
    struct Case {
        const char* name;
        Fault fault;
    };
    for (const Case c : {Case{"silent", Fault::NoAnswer}, Case{"half", Fault::ShortAnswer}}) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        RamRig r(dir.path());
        r.rig.device.injectFault(c.fault);
        r.rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
        click(r.ui().Command1);
        EXPECT_EQ(r.rig.host.messageTexts(), QStringList{"Timeout von Decoder!"});
        EXPECT_TRUE(r.cell(0, 1).isEmpty());
        EXPECT_FALSE(QFile::exists(QDir(dir.path()).filePath("RAM_DUMP.txt")));
        EXPECT_EQ(r.ui().Command1->text(), QStringLiteral("Start"));
    }
}

#if defined(Q_OS_UNIX)
TEST(RamWindow, AFailedWriteKeepsTheOlderFile)
{
    QTemporaryDir dir;
    const QString path = QDir(dir.path()).filePath("RAM_DUMP.txt");
    writeFile(path, "older dump\r\n");
    RamRig r(dir.path());
    // The system lets no file grow beyond 1000 bytes: the write fails
    // half-way, whoever runs the test.
    rlimit before{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &before), 0);
    rlimit small = before;
    small.rlim_cur = 1000;
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    r.rig.host.answerMessage(Answer::Ok, "RAM_DUMP.txt konnte nicht geschrieben werden:");
    click(r.ui().Command1);
    setrlimit(RLIMIT_FSIZE, &before);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(readFile(path), "older dump\r\n");
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{"RAM_DUMP.txt"});
    ASSERT_EQ(r.rig.host.messages().size(), 1u);
    EXPECT_TRUE(r.rig.host.messages()[0].text.endsWith("\r\n"));
    // The table shows what was read.
    EXPECT_EQ(r.cell(0, 1), QStringLiteral("03"));
}
#endif

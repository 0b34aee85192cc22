#include "platform/FilesFolder.h"
#include "platform/GermanFormat.h"
#include "platform/QtStores.h"
#include "platform/SerialPort.h"
#include "support/TestHost.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace qb;
using qb::test::TestHost;

TEST(LineSettings, ParseAndCharacterTime)
{
    struct Case {
        const char* text;
        bool valid;
        int baud;
        qint64 charUs;
    };
    const Case cases[] = {
        {"4800,N,8,1", true, 4800, 2084}, {"9600,N,8,1", true, 9600, 1042},
        {"9600,e,7,2", true, 9600, 1146}, {"4800,N,8", false, 0, 0},
        {"abc,N,8,1", false, 0, 0},       {"4800,Q,8,1", false, 0, 0},
        {"0,N,8,1", false, 0, 0},         {"", false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        const auto s = LineSettings::parse(c.text);
        ASSERT_EQ(s.has_value(), c.valid);
        if (!c.valid)
            continue;
        EXPECT_EQ(s->baud, c.baud);
        EXPECT_EQ(s->charTimeUs(), c.charUs);
    }
    EXPECT_EQ(LineSettings::parse("9600,N,8,1")->toString(), QStringLiteral("9600,N,8,1"));
}

TEST(GermanFormat, DecimalComma)
{
    EXPECT_EQ(formatNumber(12.5, 1), QStringLiteral("12,5"));
    EXPECT_EQ(formatNumber(1234.0, 0), QStringLiteral("1234"));
    EXPECT_EQ(formatNumber(0.333, 2), QStringLiteral("0,33"));
    const std::pair<const char*, std::optional<double>> parses[] = {
        {"12,5", 12.5}, {"12.5", std::nullopt}, {" 7 ", 7.0}, {"-1,5", -1.5}, {"", std::nullopt}, {"abc", std::nullopt},
        {"1,2,3", std::nullopt},
    };
    for (const auto& [text, value] : parses)
        EXPECT_EQ(parseNumber(text), value) << text;
}

TEST(TestHostTimers, FireInDueOrderAndRepeatUntilDisabled)
{
    TestHost host;
    QStringList fired;
    auto a = host.createTimer();
    auto b = host.createTimer();
    a->setInterval(300);
    b->setInterval(200);
    a->setHandler([&] { fired << QStringLiteral("a%1").arg(host.nowMs()); });
    b->setHandler([&] {
        fired << QStringLiteral("b%1").arg(host.nowMs());
        b->setEnabled(false);
    });
    a->setEnabled(true);
    b->setEnabled(true);
    host.advanceMs(700);
    EXPECT_EQ(fired, (QStringList{"b200", "a300", "a600"}));
    EXPECT_EQ(host.nowMs(), 700);
}

TEST(TestHostTimers, AHandlerIsNeverReenteredAndItsMissedTicksComeOnceAfterwards)
{
    TestHost host;
    auto ticker = host.createTimer();
    auto delay = host.createTimer();
    bool delayed = false;
    QList<qint64> ticks;
    delay->setInterval(2500);
    delay->setHandler([&] {
        delay->setEnabled(false);
        delayed = true;
    });
    ticker->setInterval(1000);
    ticker->setHandler([&] {
        ticks << host.nowMs();
        if (ticks.size() == 1) {
            delay->setEnabled(true);
            host.waitUntil([&] { return delayed; });
        }
    });
    ticker->setEnabled(true);
    host.advanceMs(4000);
    EXPECT_EQ(ticks, (QList<qint64>{1000, 3500, 4000}));
}

TEST(TestHostTimers, AWaitThatCanNeverEndFailsInsteadOfHanging)
{
    TestHost host;
    EXPECT_THROW(host.waitUntil([] { return false; }), qb::test::WaitDeadlock);
}

TEST(TestHostTimers, ATimerMayDeleteItselfInItsHandler)
{
    TestHost host;
    auto timer = host.createTimer();
    timer->setInterval(10);
    timer->setHandler([&] { timer.reset(); });
    timer->setEnabled(true);
    host.advanceMs(50);
    EXPECT_EQ(timer, nullptr);
}

TEST(MachineStore, WritesOnlyUnderExistingKeys)
{
    QTemporaryDir dir;
    IniMachineStore store(dir.filePath("machine.ini"));
    EXPECT_TRUE(store.writeValue("SOFTWARE\\Talvenor", "Com_Port", 3));
    EXPECT_TRUE(store.writeValue("SOFTWARE\\Talvenor", "Name", QStringLiteral("Test")));
    EXPECT_FALSE(store.writeValue("SOFTWARE\\Other", "Com_Port", 3));
    EXPECT_TRUE(store.writeValue("SOFTWARE\\Talvenor", "List", QVariant(QStringList{"x"})));  // nothing written

    IniMachineStore unwritable("/proc/quenbrix/machine.ini");
    EXPECT_FALSE(unwritable.writeValue("SOFTWARE\\Talvenor", "Com_Port", 3));
}

TEST(OpenFailure, TheReasonSaysWhatToDo)
{
    struct Case {
        const char* name;
        DeviceFacts facts;
        const char* reason;
    };
    const Case cases[] = {
        {"missing", {.exists = false}, "Das Gerät /dev/ttyUSB0 gibt es nicht. Ist der USB-Seriell-Adapter eingesteckt?"},
        {"a plain file", {.characterDevice = false}, "/dev/ttyUSB0 ist keine serielle Schnittstelle."},
        {"no terminal", {.terminal = false}, "/dev/ttyUSB0 ist keine serielle Schnittstelle."},
        {"no permission", {.accessible = false, .group = "dialout"},
         "Keine Berechtigung für /dev/ttyUSB0: Ihr Benutzer muss zur Gruppe \"dialout\" gehören "
         "(sudo adduser $USER dialout), danach ab- und wieder anmelden."},
        {"the group of the device", {.accessible = false, .group = "uucp"}, "zur Gruppe \"uucp\" gehören (sudo adduser $USER uucp)"},
        {"in use", {.locked = true}, "/dev/ttyUSB0 wird von einem anderen Programm benutzt. Beenden Sie das andere Programm."},
        {"anything else", {}, "/dev/ttyUSB0 kann nicht geöffnet werden."},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(openFailureReason("/dev/ttyUSB0", c.facts).contains(QString::fromUtf8(c.reason))) << c.name;
}

TEST(FilesFolder, TheProgramsFolderUnlessItIsTheSystemsOrGone)
{
    QTemporaryDir own;
    QFile file(own.filePath("quenbrix"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    const QString home = QStringLiteral("/home/anna");
    struct Case {
        QString programFolder;
        QString expected;
    };
    const Case cases[] = {
        {own.path(), own.path()},               // a build or a folder of the user's
        {"/usr/bin", home},                     // installed by the package
        {"/usr/local/bin", home},
        {own.filePath("missing"), home},
        {own.filePath("quenbrix"), home},       // no folder at all
        {QString(), home},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.programFolder.toStdString());
        EXPECT_EQ(startFilesFolder(c.programFolder, home), c.expected);
    }
}

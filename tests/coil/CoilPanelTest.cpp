#include "link/CommandCatalogue.h"
#include "support/AppRig.h"

#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;

namespace {

constexpr int Coil = 3;

// The parking decoder with coil 3 read; its right end is 1000.
void startOnCoil(AppRig& rig)
{
    rig.start();
    rig.doubleClickOutput(Coil);
    rig.device.clearLog();
}

// The user selects the box's text and types over it.
void enterTime(AppRig& rig, const QString& text)
{
    qb::test::pressKey(rig.coil().txtEinschaltzeit, Qt::Key_A, Qt::ControlModifier);
    qb::test::type(rig.coil().txtEinschaltzeit, text);
}

QByteArray textOf(const QByteArray& frame)
{
    return frame.mid(1, frame.size() - 2);
}

}  // namespace

TEST(CoilPanel, TypingRules)
{
    struct Case {
        const char* typed;
        const char* shown;
        const char* message;  // empty: none
    };
    const Case cases[] = {
        {"12,34", "12,3", ""},
        {"2,5", "2,5", ""},
        {"7a", "7", ""},  // a letter changes nothing
        {"1,2,3", "0,0", "Mehr als ein Komma vorhanden!"},
        {"61", "0,0", "Eingestellte Zeit ist länger als 60 Sekunden!"},
        {"60,5", "0,0", "Eingestellte Zeit ist länger als 60 Sekunden!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        AppRig rig({"BR5-XC42"}, 1);
        startOnCoil(rig);
        ASSERT_EQ(rig.coil().txtEinschaltzeit->text(), QStringLiteral("1"));
        const QString message = QString::fromUtf8(c.message);
        if (!message.isEmpty())
            rig.host.answerMessage(Answer::Ok, message);
        enterTime(rig, QString::fromUtf8(c.typed));
        EXPECT_EQ(rig.coil().txtEinschaltzeit->text(), QString::fromUtf8(c.shown));
        ASSERT_EQ(rig.host.messages().size(), message.isEmpty() ? 0u : 1u);
        if (!message.isEmpty()) {
            EXPECT_EQ(rig.host.messages()[0].text, message);
            EXPECT_EQ(rig.host.messages()[0].title, QStringLiteral("Einschaltzeit"));
        }
        EXPECT_TRUE(rig.frames().empty());
    }
}

TEST(CoilPanel, SaveWritesTheTimeOnItsScaleAndTheConfigurationIntoAllCoils)
{
    struct Case {
        const char* typed;
        int runTime;
        int value;
    };
    for (const Case c : {Case{"4,9", 8, 1960}, Case{"5", 16, 1000}, Case{"29,9", 16, 5980}, Case{"30", 32, 3000},
                         Case{"60", 32, 6000}, Case{"2,5", 8, 1000}}) {
        SCOPED_TRACE(c.typed);
        AppRig rig({"BR5-XC42"}, 1);
        startOnCoil(rig);
        enterTime(rig, QString::fromUtf8(c.typed));
        click(rig.coil().cmdSpulenzeit);

        const auto frames = rig.frames();
        ASSERT_EQ(frames.size(), 12u);
        EXPECT_EQ(frames[0], commands::setLeft(Coil, static_cast<quint32>(1000 + c.value)).bytes);
        EXPECT_EQ(frames[1], commands::runTimeLeft(static_cast<quint32>(c.runTime)).bytes);
        EXPECT_EQ(frames[2], commands::storeRunTimeLeft().bytes);
        for (int k = 1; k <= 8; ++k) {
            // Neutral 1200, chain end at coil 8, turnout, each input its own coil,
            // no power-off, no bounce, value word 0, direction digit.
            EXPECT_EQ(frames[2 + k][0], char(commands::ConfigWriteCommand));
            EXPECT_EQ(textOf(frames[2 + k]), QByteArray::number(k) + "4B07120000000");
        }
        EXPECT_EQ(frames[11], commands::blockRead(Coil).bytes);
        EXPECT_EQ(rig.device.value16(Coil, 5), 1000 + c.value);
        EXPECT_EQ(rig.device.value16(Coil, 13), c.runTime);
        // Read back: the panel shows what the decoder holds now.
        EXPECT_EQ(rig.coil().lblAktuell->text(), QString::fromUtf8(c.typed));
        EXPECT_TRUE(rig.statusLog.contains(QStringLiteral("Daten werden gespeichert!")));
        EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Daten gespeichert!"));
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(CoilPanel, TheTwoAndAHalfSecondExample)
{
    AppRig rig({"BR5-XC42"}, 1);
    rig.device.setValue16(Coil, 9, 1000);
    startOnCoil(rig);
    enterTime(rig, "2,5");
    click(rig.coil().cmdSpulenzeit);
    ASSERT_FALSE(rig.frames().empty());
    EXPECT_EQ(textOf(rig.frames()[0]), QByteArray("307D0"));
}

TEST(CoilPanel, MappingAndLastCoilGoIntoEveryCoil)
{
    AppRig rig({"BR5-XC42"}, 1);
    startOnCoil(rig);
    ASSERT_TRUE(rig.coil().opt_einszueins_0->isChecked());
    EXPECT_FALSE(rig.coil().frm_letzte_Spule->isEnabled());

    click(rig.coil().opt_einszueins_1);
    EXPECT_TRUE(rig.coil().frm_letzte_Spule->isEnabled());
    click(rig.coil().opt_letzte_Spule_3);  // "Spule 5"
    click(rig.coil().cmdSpulenzeit);
    for (int k = 1; k <= 8; ++k) {
        EXPECT_EQ(rig.device.field(k, 2), 4) << k;
        EXPECT_EQ(rig.device.field(k, 1) & 0x80, 0) << k;  // input 2 steps on
    }
    // The read-back shows the stored choice.
    EXPECT_TRUE(rig.coil().opt_einszueins_1->isChecked());
    EXPECT_TRUE(rig.coil().opt_letzte_Spule_3->isChecked());
    EXPECT_TRUE(rig.coil().frm_letzte_Spule->isEnabled());

    click(rig.coil().opt_einszueins_0);
    EXPECT_FALSE(rig.coil().frm_letzte_Spule->isEnabled());
    click(rig.coil().cmdSpulenzeit);
    for (int k = 1; k <= 8; ++k)
        EXPECT_EQ(rig.device.field(k, 1) & 0x80, 0x80) << k;
    EXPECT_TRUE(rig.coil().opt_einszueins_0->isChecked());
}

TEST(CoilPanel, NothingIsSentForATimeThatCannotBeStored)
{
    struct Case {
        const char* name;
        int left, right, runTime;  // what the decoder holds
        const char* typed;         // nullptr: the time read is saved
        const char* message;
    };
    const Case cases[] = {
        {"zero", 1400, 1000, 8, "0", "Eingestellte Zeit ist 0 Sekunden!\r\n\r\nSpeichern wird abgebrochen."},
        {"empty", 1400, 1000, 8, "", "Eingestellte Zeit ist 0 Sekunden!\r\n\r\nSpeichern wird abgebrochen."},
        // 100 s as read from the decoder: beyond every time scale.
        {"longer than 60 s", 30000, 10000, 16, nullptr,
         "Eingestellte Zeit ist länger als 60 Sekunden!\r\n\r\nSpeichern wird abgebrochen."},
        {"beyond the largest end", 1400, 58000, 8, "30",
         "Eingestellte Zeit ist für diese Spule zu lang!\r\n\r\nSpeichern wird abgebrochen."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"BR5-XC42"}, 1);
        rig.device.setValue16(Coil, 5, c.left);
        rig.device.setValue16(Coil, 9, c.right);
        rig.device.setValue16(Coil, 13, c.runTime);
        startOnCoil(rig);
        if (c.typed) {
            enterTime(rig, "1");
            qb::test::pressKey(rig.coil().txtEinschaltzeit, Qt::Key_Backspace);
            qb::test::type(rig.coil().txtEinschaltzeit, QString::fromUtf8(c.typed));
        }
        rig.host.answerMessage(Answer::Ok);
        click(rig.coil().cmdSpulenzeit);
        ASSERT_EQ(rig.host.messages().size(), 1u);
        EXPECT_EQ(rig.host.messages()[0].text, QString::fromUtf8(c.message));
        EXPECT_EQ(rig.host.messages()[0].title, QStringLiteral("Einschaltzeit"));
        EXPECT_TRUE(rig.frames().empty());
    }
}

TEST(CoilPanel, AFailedStepEndsTheSave)
{
    struct Case {
        const char* name;
        sim::StandingFault fault;
        size_t framesSent;
        const char* message;
    };
    const Case cases[] = {
        {"left end not answered", {Fault::NoAnswer, 0, commands::SetLeftCommand}, 1, "Timeout von Decoder!"},
        {"left end refused", {Fault::Refusal, 0, commands::SetLeftCommand}, 1, "Datentransfer Fehler!"},
        {"time scale not answered", {Fault::NoAnswer, 0, commands::RunTimeLeftCommand}, 2, "Timeout von Decoder!"},
        {"store refused", {Fault::Refusal, 0, commands::StoreRunTimeLeftCommand}, 3, "Datentransfer Fehler!"},
        {"configuration not answered", {Fault::NoAnswer, 0, commands::ConfigWriteCommand}, 4, "Timeout von Decoder!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"BR5-XC42"}, 1);
        startOnCoil(rig);
        enterTime(rig, "3");
        rig.device.addStandingFault(c.fault);
        rig.host.answerMessage(Answer::Ok, QString::fromUtf8(c.message));
        click(rig.coil().cmdSpulenzeit);
        EXPECT_EQ(rig.frames().size(), c.framesSent);
        ASSERT_EQ(rig.host.messages().size(), 1u);
        EXPECT_NE(rig.ui().Status->text(), QStringLiteral("Daten gespeichert!"));
    }
}

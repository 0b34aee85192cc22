#include "link/CommandCatalogue.h"
#include "support/AppRig.h"

#include <QDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;

namespace {

// A started rig with output n selected by a double click.
void startAndSelect(AppRig& rig, int n)
{
    rig.start();
    rig.doubleClickOutput(n);
    rig.device.clearLog();
}

QByteArray frameText(const QByteArray& frame)
{
    return frame.mid(1, frame.size() - 2);  // without command byte and CR
}

}  // namespace

TEST(ServoWrite, FramesOfTheWriteAndTheReadBack)
{
    struct Case {
        const char* id;
        int function;
        int bounceCode;
        int bounceAmount;
        int repeat;
        bool reversed;
        const char* text;  // after the command byte
    };
    const Case cases[] = {
        // A turnout with bounce writes none, and the settings follow.
        {"R5--XC48", 1, 3, 500, 0, false, "32EE01120000000"},
        {"R5--XC48", 8, 0, 0, 255, false, "32EE01820000FF0"},
        {"R5--XC48", 2, 2, 500, 0, true, "32EE012202" "01F41"},
        {"R5494940", 1, 0, 0, 0, false, "32EE0112000000"},  // no direction digit in variant 1
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        AppRig rig({c.id}, 1);
        startAndSelect(rig, 3);
        OutputSettings& s = rig.outputSettings();
        s.NeutralHex = "2EE0";
        s.Brand = 1;
        s.FunctionCode = c.function;
        s.Polarity = 2;
        s.PowerOff = 0;
        s.BounceCode = c.bounceCode;
        s.BounceAmount = c.bounceAmount;
        s.RepeatCount = c.repeat;
        s.DirectionReversed = c.reversed;
        {
            const Line::Operation operation = rig.session().operation();
            rig.session().writeServoConfig();
        }

        const auto frames = rig.frames();
        ASSERT_EQ(frames.size(), 2u);
        EXPECT_EQ(frames[0][0], char(commands::ConfigWriteCommand));
        EXPECT_EQ(frameText(frames[0]), QByteArray(c.text));
        EXPECT_EQ(frames[1], commands::blockRead(3).bytes);
        EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 3 Daten empfangen"));
        if (c.function == 1) {
            EXPECT_EQ(s.BounceAmount, 0);
            EXPECT_EQ(s.BounceCode, 0);
        }
        // The panel shows what the decoder now holds.
        EXPECT_EQ(rig.servo().Neutralstellung->text().toInt(), rig.device.value16(3, 3));
        EXPECT_EQ(rig.device.field(3, 2), 1);
    }
}

TEST(ServoWrite, ATimeOutEndsTheWriteWithoutReadBack)
{
    AppRig rig({"R5--XC48"}, 1);
    startAndSelect(rig, 2);
    rig.device.injectFault(Fault::NoAnswer);
    rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
    const Line::Operation operation = rig.session().operation();
    EXPECT_FALSE(rig.session().writeServoConfig());
    EXPECT_EQ(rig.frames().size(), 1u);
}

TEST(ServoReset, OneOutputByDecoderGroup)
{
    struct Case {
        const char* id;
        int output;
        std::vector<QByteArray> texts;  // frame texts after the command byte, in order
        std::vector<int> commands;
    };
    const Case cases[] = {
        // Outside the switch group: the decoder resets itself.
        {"R5--XC48", 2, {"2"}, {commands::OutputResetCommand}},
        // In it: the program writes the factory values, reads the block so
        // that the run times go to this output, and moves the servo.
        {"R5--XC45", 2, {"228C04121000000", "22EE0", "21F40", "", "0000", "0000", "", ""},
         {commands::ConfigWriteCommand, commands::SetLeftCommand, commands::SetRightCommand, 242,
          commands::RunTimeLeftCommand, commands::RunTimeRightCommand, 130, 146}},
        {"V7966445", 2, {"228C04121000000", "22328", "21F40", "", "0000", "0000", "", ""},
         {commands::ConfigWriteCommand, commands::SetLeftCommand, commands::SetRightCommand, 242,
          commands::RunTimeLeftCommand, commands::RunTimeRightCommand, 130, 146}},
        {"V7966445", 1, {"128C04121000000", "12EE0", "12710", "", "0000", "0000", "", ""},
         {commands::ConfigWriteCommand, commands::SetLeftCommand, commands::SetRightCommand, 241,
          commands::RunTimeLeftCommand, commands::RunTimeRightCommand, 129, 145}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        startAndSelect(rig, 1);
        rig.host.answerMessage(Answer::Yes, QStringLiteral("Servo %1 auf Standart-Einstellung setzen?").arg(c.output));
        QStringList captions;
        rig.host.onModal("Warten", [&](QDialog& d) { captions << d.windowTitle(); });
        ASSERT_TRUE(rig.choose(QStringLiteral("mnu_RServo_%1").arg(c.output)));

        auto frames = rig.frames();
        ASSERT_EQ(frames.size(), c.commands.size() + 1);  // and the read-back
        for (size_t k = 0; k < c.commands.size(); ++k) {
            EXPECT_EQ(static_cast<std::uint8_t>(frames[k][0]), c.commands[k]) << k;
            EXPECT_EQ(frameText(frames[k]), c.texts[k]) << k;
        }
        EXPECT_EQ(frames.back(), commands::blockRead(c.output).bytes);
        EXPECT_EQ(captions, QStringList{QStringLiteral("Servo %1 Reset, bitte warten...").arg(c.output)});
        EXPECT_EQ(rig.outputSettings().OutputNumber, c.output);
        EXPECT_EQ(rig.ui().Servo->currentRow(), c.output - 1);
        EXPECT_EQ(rig.servo().Linker_Wert->text().toInt(), rig.device.value16(c.output, 5));
    }
}

TEST(ServoReset, NoKeepsEverythingAndAllResetsEveryEntry)
{
    {
        AppRig rig({"R5--XC48"}, 1);
        startAndSelect(rig, 1);
        rig.host.answerMessage(Answer::No);
        ASSERT_TRUE(rig.choose("mnu_RServo_4"));
        EXPECT_TRUE(rig.frames().empty());
    }
    {
        AppRig rig({"R5--XC48"}, 1);
        startAndSelect(rig, 1);
        rig.host.answerMessage(Answer::Yes, "Alle Servos auf Standart-Einstellung setzen?");
        int waits = 0;
        bool dialogActive = false;
        rig.host.onModal("Warten", [&](QDialog&) {
            ++waits;
            dialogActive = rig.session().dialogActive().isSet();
        });
        ASSERT_TRUE(rig.choose("mnu_RServo_9"));
        std::vector<QByteArray> expected;
        for (int f = 1; f <= 8; ++f)
            expected.push_back(commands::outputReset(f).bytes);
        expected.push_back(commands::blockRead(1).bytes);
        EXPECT_EQ(rig.frames(), expected);
        EXPECT_EQ(waits, 8);
        EXPECT_TRUE(dialogActive);
        EXPECT_FALSE(rig.session().dialogActive().isSet());
    }
}

TEST(ServoReset, AFailedStepEndsTheProgramSideReset)
{
    struct Case {
        Fault fault;
        const char* message;
    };
    for (const Case c : {Case{Fault::NoAnswer, "Timeout von Decoder!"}, Case{Fault::Refusal, "Datentransfer Fehler!"}}) {
        AppRig rig({"R5--XC45"}, 1);
        startAndSelect(rig, 1);
        rig.host.answerMessage(Answer::Yes);
        rig.host.answerMessage(Answer::Ok, c.message);
        rig.device.injectFault(c.fault);
        ASSERT_TRUE(rig.choose("mnu_RServo_2"));
        const auto frames = rig.frames();
        // The first write failed: no further step, then the wait and the read-back.
        ASSERT_GE(frames.size(), 2u);
        EXPECT_EQ(static_cast<std::uint8_t>(frames[0][0]), commands::ConfigWriteCommand);
        EXPECT_NE(static_cast<std::uint8_t>(frames[1][0]), commands::SetLeftCommand);
    }
}

TEST(ServoCopy, ByCommandOrByProgram)
{
    {
        AppRig rig({"R5--XC48"}, 1);
        startAndSelect(rig, 3);
        QStringList captions;
        rig.host.onModal("Warten", [&](QDialog& d) { captions << d.windowTitle(); });
        ASSERT_TRUE(rig.choose("mnu_copyx_5"));
        EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::outputCopy(3, 5).bytes, commands::blockRead(5).bytes}));
        EXPECT_EQ(captions, QStringList{"Servo 3 kopieren nach Servo 5, bitte warten..."});
        EXPECT_EQ(rig.outputSettings().OutputNumber, 5);
    }
    {
        AppRig rig({"R5--XC45"}, 1);
        rig.device.setValue16(3, 5, 15000);
        startAndSelect(rig, 3);
        ASSERT_TRUE(rig.choose("mnu_copyx_5"));
        const auto frames = rig.frames();
        std::vector<int> sent;
        for (const auto& f : frames)
            sent.push_back(static_cast<std::uint8_t>(f[0]));
        EXPECT_EQ(sent, (std::vector<int>{commands::ConfigWriteCommand, commands::SetLeftCommand, commands::SetRightCommand,
                                          245, commands::RunTimeLeftCommand, commands::RunTimeRightCommand, 133, 149, 245,
                                          133}));
        EXPECT_EQ(frameText(frames[1]), QByteArray("53A98"));  // 15000 from the shown left end
        EXPECT_EQ(rig.device.value16(5, 5), 15000);
        EXPECT_EQ(rig.servo().Linker_Wert->text(), QStringLiteral("15000"));
    }
}

TEST(ServoCopy, TheRunTimesGoToTheTarget)
{
    // The run-time commands act on the output whose block went out last: the
    // target's block is read first, so the target works with the copied run
    // times and the source keeps its own.
    AppRig rig({"R5--XC45"}, 1);
    rig.device.setValue16(1, 13, 55);
    rig.device.setValue16(1, 17, 77);
    startAndSelect(rig, 1);
    ASSERT_TRUE(rig.choose("mnu_copyx_2"));
    ASSERT_EQ(rig.device.selectedOutput(), 2);
    EXPECT_EQ(rig.device.workingValues().runTimeLeft, 55);
    EXPECT_EQ(rig.device.workingValues().runTimeRight, 77);
    EXPECT_EQ(rig.device.value16(1, 13), 55);
    EXPECT_EQ(rig.device.value16(1, 17), 77);
}

TEST(ServoCopy, OntoItselfMakesNoSense)
{
    AppRig rig({"R5--XC48"}, 1);
    startAndSelect(rig, 3);
    rig.host.answerMessage(Answer::Ok);
    ASSERT_TRUE(rig.choose("mnu_copyx_3"));
    EXPECT_EQ(rig.host.messages().back().text,
              QStringLiteral("Kopieren der Daten von Servo 3\r\nnach Servo 3 macht keinen Sinn!"));
    EXPECT_TRUE(rig.frames().empty());
}

TEST(ServoPanel, MiddlePosition)
{
    struct Case {
        const char* id;
        int output;
        bool powerOff;
        int left, right;  // the neutral stays 11000
        const char* lastLine;  // the question's last line; nullptr: no question
        std::vector<int> commands;
    };
    const Case cases[] = {
        {"R5--XC48", 2, false, 11000, 11000, nullptr, {commands::MiddlePositionCommand}},
        {"R5--XC48", 2, false, 14000, 8000, "Mittelstellung des Servos [11000]", {commands::MiddlePositionCommand}},
        {"V7904840", 2, false, 14000, 8000, "Mittelstellung = Stellung Halbrechts des Servos [8514]", {commands::MiddlePositionCommand}},
        {"V7904840", 3, false, 14000, 8000, "Mittelstellung = Stellung Halblinks des Servos [13848]", {commands::MiddlePositionCommand}},
        {"R5--XC48", 2, true, 11000, 11000, nullptr,
         {commands::AdjustBeginCommand, commands::MiddlePositionCommand, commands::AdjustEndCommand}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.output));
        AppRig rig({c.id}, 1);
        rig.device.setValue16(c.output, 5, c.left);
        rig.device.setValue16(c.output, 9, c.right);
        rig.device.setField(c.output, 1, c.powerOff ? 0xC1 : 0x81);
        startAndSelect(rig, c.output);
        if (c.lastLine)
            rig.host.answerMessage(Answer::Yes, QString::fromUtf8(c.lastLine));
        click(rig.servo().Command2);
        std::vector<int> sent;
        for (const auto& f : rig.frames())
            sent.push_back(static_cast<std::uint8_t>(f[0]));
        EXPECT_EQ(sent, c.commands);
        EXPECT_EQ(rig.servo().IST_Pos->text(), rig.servo().Neutralstellung->text());
        EXPECT_EQ(rig.servo().SOLL_Pos->text(), rig.servo().Neutralstellung->text());
        EXPECT_EQ(rig.ui().Status->text().endsWith("Spannung eingeschaltet!") ||
                      rig.ui().Status->text().endsWith("Mittelstellung angefahren!"),
                  true);
    }
}

TEST(ServoPanel, MiddlePositionNeedsPowerOnInVariantOneAndCanBeDeclined)
{
    {
        AppRig rig({"R5494940"}, 1);
        rig.device.setField(2, 1, 0xC1);
        startAndSelect(rig, 2);
        rig.host.answerMessage(Answer::Ok, "Muß 'Strom abschalten' auf 'AUS' gesetzt werden.");
        click(rig.servo().Command2);
        EXPECT_TRUE(rig.frames().empty());
    }
    {
        AppRig rig({"R5--XC48"}, 1);
        startAndSelect(rig, 2);
        rig.host.answerMessage(Answer::No, "wirklich in die Mittelstellung fahren?");
        click(rig.servo().Command2);
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_EQ(rig.host.messages().back().buttons, Buttons::YesNo);
    }
}

TEST(ServoPanel, OptionMenus)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    ASSERT_TRUE(rig.choose("mnu_neutral"));
    EXPECT_EQ(rig.ui().mnu_neutral->text(), QStringLiteral("Meldung Mittelstellung \"AUS\""));
    EXPECT_FALSE(rig.window().servoPanel().NotifyMiddle);
    ASSERT_TRUE(rig.choose("mnu_neutral"));
    EXPECT_EQ(rig.ui().mnu_neutral->text(), QStringLiteral("Meldung Mittelstellung \"EIN\""));

    const bool wasOn = rig.ui().mnu_servo->text().contains("EIN");
    rig.device.clearLog();
    ASSERT_TRUE(rig.choose("mnu_servo"));
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::powerUpStateSet(!wasOn).bytes});
    EXPECT_EQ(rig.device.powerUpServosOn(), !wasOn);
    // A time-out keeps the new caption.
    rig.device.injectFault(Fault::NoAnswer);
    rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
    ASSERT_TRUE(rig.choose("mnu_servo"));
    EXPECT_EQ(rig.ui().mnu_servo->text().contains("EIN"), wasOn);
}

TEST(ServoPanel, IndicatorsShowTheSettingsWhateverIsClicked)
{
    AppRig rig({"R5--XC48"}, 1);
    startAndSelect(rig, 1);  // turnout, positive pulse, no bounce
    click(rig.servo().Option2);
    EXPECT_TRUE(rig.servo().Option1->isChecked());
    click(rig.indicators().Option5);
    EXPECT_TRUE(rig.indicators().Option3->isChecked());
    click(rig.servo().Strom_aus);
    EXPECT_FALSE(rig.servo().Strom_aus->isChecked());
    click(rig.indicators().Richtung);
    EXPECT_FALSE(rig.indicators().Richtung->isChecked());
    EXPECT_EQ(rig.indicators().lblRichtung->text(), QStringLiteral("Nicht umkehren"));
    // The bounce boxes show only while the output bounces.
    rig.device.setField(2, 1, 0x92);  // semaphore with bounce at the right end
    rig.doubleClickOutput(2);
    ASSERT_TRUE(rig.servo().Nachfedern_rechts->isVisible());
    click(rig.servo().Nachfedern_rechts);
    EXPECT_TRUE(rig.servo().Nachfedern_rechts->isChecked());
    EXPECT_FALSE(rig.servo().Nachfedern_links->isChecked());
    // 1 checks "Rechts" and leaves "Links" as it was.
    rig.servo().Nachfedern_links->setChecked(true);
    click(rig.servo().Nachfedern_rechts);
    EXPECT_TRUE(rig.servo().Nachfedern_rechts->isChecked());
    EXPECT_TRUE(rig.servo().Nachfedern_links->isChecked());
}

TEST(ServoPanel, F1ExplainsTheValueBoxes)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    QStringList shown;
    rig.host.onModal("Hilfe", [&](QDialog& d) {
        shown << d.findChild<QGroupBox*>("Frame1")->title() + "|" + d.findChild<QPlainTextEdit*>("Text1")->toPlainText();
        d.accept();
    });
    for (QWidget* box : {static_cast<QWidget*>(rig.servo().SOLL_Pos), static_cast<QWidget*>(rig.servo().Laufzeit_rechts)})
        qb::test::pressKey(box, Qt::Key_F1);
    ASSERT_EQ(shown.size(), 2);
    EXPECT_EQ(shown[0], QStringLiteral("SOLL Position|Dieser Wert gibt an, in welcher Position das Servo sein soll."
                                       "SOLL und IST sind immer gleich!"));
    EXPECT_TRUE(shown[1].startsWith("Laufzeit nach rechts|"));
    EXPECT_TRUE(shown[1].endsWith("Dann dreht das Servo mit seiner maximalen Geschwindigkeit. "));
}

TEST(ServoPanel, SelectionRules)
{
    {
        AppRig rig({"R5--XC48"}, std::nullopt);
        rig.start();
        // Without a port chosen the list stays empty; a choice is refused at once.
        rig.host.answerMessage(Answer::Ok, "Sie müssen zuerst einen COM-Port(1-8) über das Menü auswählen!");
        rig.session().selectOutput(1);
        EXPECT_TRUE(rig.frames().empty());
    }
    {
        AppRig rig({"V7904840"}, 1);
        startAndSelect(rig, 4);  // "Servo 2c+2d"
        EXPECT_FALSE(rig.servo().S_Konfigurieren->isEnabled());
        rig.doubleClickOutput(3);  // "Servo 2a+2b"
        EXPECT_TRUE(rig.servo().S_Konfigurieren->isEnabled());
        EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 2a+2b"));
    }
    {
        AppRig rig({"B5984848"}, 1);
        startAndSelect(rig, 1);
        EXPECT_FALSE(rig.servo().S_Konfigurieren->isEnabled());
        EXPECT_TRUE(rig.servo().Command2->isEnabled());
    }
}

TEST(ServoPanel, ConfigureWritesWhatTheDialogChose)
{
    AppRig rig({"R5--XC48"}, 1);
    startAndSelect(rig, 2);
    rig.host.onModal("Servotyp", [](QDialog& dialog) {
        click(dialog.findChild<QRadioButton*>("Option2"));  // Futaba
        click(dialog.findChild<QPushButton*>("OKButton"));
    });
    click(rig.servo().S_Konfigurieren);
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][0], char(commands::ConfigWriteCommand));
    EXPECT_EQ(rig.device.field(2, 2), 2);
    EXPECT_EQ(rig.servo().Fabrikat->text(), QStringLiteral("Futaba"));
    EXPECT_FALSE(rig.session().dialogActive().isSet());
    EXPECT_TRUE(rig.servo().S_Konfigurieren->isEnabled());
}

TEST(ServoPanel, ACancelledDialogWritesNothingAndKeepsTheNeutral)
{
    AppRig rig({"R5--XC48"}, 1);
    startAndSelect(rig, 2);
    const QString neutralHex = rig.outputSettings().NeutralHex;
    rig.host.onModal("Servotyp", [](QDialog& dialog) { click(dialog.findChild<QPushButton*>("CancelButton")); });
    click(rig.servo().S_Konfigurieren);
    EXPECT_TRUE(rig.frames().empty());
    EXPECT_EQ(rig.outputSettings().NeutralHex, neutralHex);
    EXPECT_FALSE(rig.session().dialogActive().isSet());
    EXPECT_TRUE(rig.servo().S_Konfigurieren->isEnabled());
}

TEST(ServoPanel, OneOptionOfAGroupShowsAtATime)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.device.setField(2, 1, 0x02);  // semaphore, negative pulse
    startAndSelect(rig, 1);          // turnout, positive pulse
    rig.doubleClickOutput(2);
    EXPECT_TRUE(rig.indicators().Option4->isChecked());
    EXPECT_FALSE(rig.indicators().Option3->isChecked());
    EXPECT_TRUE(rig.servo().Option2->isChecked());
    EXPECT_FALSE(rig.servo().Option1->isChecked());
    click(rig.indicators().Option3);  // the indicator goes back to what the output does
    EXPECT_TRUE(rig.indicators().Option4->isChecked());
    EXPECT_FALSE(rig.indicators().Option3->isChecked());
}

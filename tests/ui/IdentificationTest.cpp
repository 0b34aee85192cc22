#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "memory/ConfigBlock.h"
#include "support/AppRig.h"

#include <QListWidget>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;

namespace {

// Runs the output read of the selected output as the writes and dialogs do.
ReadOutcome readSelected(AppRig& rig)
{
    const Line::Operation operation = rig.session().operation();
    return rig.session().readOutput();
}

}  // namespace

TEST(Identification, TheWindowFollowsTheConnectedDecoder)
{
    struct Case {
        const char* id;
        const char* caption;
        const char* status;
        int entries;
        PanelMode mode;
        int variant;
    };
    const Case cases[] = {
        {"R5--XC45", "Einstellung für R5 DCC", "8-fach Servo Decoder erkannt!   Decoder-Version R5--XC45", 8, PanelMode::Servo, 2},
        {"R5494940", "Einstellung für R5DCC", "8-fach Servo Decoder erkannt!   Decoder-Version R5494940", 8, PanelMode::Servo, 1},
        {"N7966445", "Einstellung für N7DCC/MOT", "4-fach Servo Decoder erkannt!    Decoder-Version N7966445", 4, PanelMode::Servo, 2},
        {"V7966445", "Einstellung für V7DCC", "4-Wege Weichen Decoder erkannt!   Decoder-Version V7966445", 8, PanelMode::Servo, 2},
        {"BR5-XC42", "Einstellung für Parkplatzdecoder", "Parkplatz Decoder erkannt!    Decoder-Version BR5-XC42", 8, PanelMode::Coil, 2},
        {"L9624164", "Einstellung für Ampeldecoder 917", "Ampel Decoder erkannt!    Decoder-Version L9624164", -1, PanelMode::TrafficLight, 2},
        {"L7466469", "Einstellung für Ampeldecoder Vexa917 2012", "Ampel Decoder erkannt!    Decoder-Version L7466469", -1, PanelMode::TrafficLight, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        EXPECT_TRUE(rig.host.messages().empty()) << rig.host.messageTexts().join('|').toStdString();
        EXPECT_EQ(rig.window().windowTitle(), QString::fromUtf8(c.caption));
        EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(c.status));
        if (c.entries > 0) {
            EXPECT_EQ(rig.ui().Servo->count(), c.entries);
        }
        EXPECT_EQ(rig.identity().DecoderId, QString::fromLatin1(c.id));
        EXPECT_EQ(rig.identity().Mode, c.mode);
        EXPECT_EQ(rig.identity().ProtocolVariant, c.variant);
        EXPECT_EQ(rig.ui().Panels->currentWidget(), &rig.window().activePanel());
        EXPECT_TRUE(rig.ui().Servo->isEnabled());
        EXPECT_FALSE(rig.outputSettings().TakePowerOffFromDecoder);
    }
}

TEST(Identification, AnUnknownIdentificationIsReportedAndTheBlockStillDecoded)
{
    AppRig rig({"N7XC6645"}, 1);
    rig.device.setValue16(1, 3, 12345);
    rig.host.answerMessage(Answer::Ok, "Empfangene Kennung ist N7XC6645");
    rig.start();
    EXPECT_EQ(rig.host.messages().at(0).text,
              QStringLiteral("Der angeschlossene Decoder hat nicht die richtige Kennung!\r\n\r\n"
                             "Dieses Programm ist für Servo Decoder.\r\n\r\nEmpfangene Kennung ist N7XC6645"));
    EXPECT_TRUE(rig.identity().DecoderId.isEmpty());
    EXPECT_EQ(rig.ui().Servo->count(), 0);
    EXPECT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("12345"));
}

TEST(Identification, AnswersOfTheWrongOutputOrNoneEndTheProgram)
{
    struct Case {
        Fault fault;
        int times;
        const char* message;
    };
    const Case cases[] = {
        {Fault::WrongOutputDigit, 1, "Datenfehler!\r\n\r\nStarten Sie das Programm neu!"},
        {Fault::FrameError, 5,
         "Timeout oder Datenfehler vom Decoder!\r\nDecoder ist vermutlich nicht eingeschaltet.\r\nProgramm wird beendet."},
    };
    for (const Case& c : cases) {
        AppRig rig({"R5--XC48"}, 1);
        // Detection has its answer by then; the faults meet the identification read.
        rig.host.at(900, [&] { rig.device.injectFault(c.fault, c.times); });
        rig.host.answerMessage(Answer::Ok);
        rig.start();
        ASSERT_EQ(rig.host.messages().size(), 1u);
        EXPECT_EQ(rig.host.messages()[0].text, QString::fromUtf8(c.message));
        EXPECT_TRUE(rig.host.quitRequested());
    }
}

TEST(Identification, ATestPanelsOutputIsOnlyReadAgain)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    const QString caption = rig.window().windowTitle();
    rig.session().setActiveTestOutput(3);
    rig.device.clearLog();
    ASSERT_TRUE(rig.choose("mnu_com_1"));
    rig.host.advanceMs(5000);
    // Detection, then the test panel's output instead of an identification.
    EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::blockRead(1).bytes, commands::blockRead(3).bytes}));
    EXPECT_EQ(rig.window().windowTitle(), caption);
}

TEST(OutputRead, ProgressTextsAndTheBlockOfTheSelectedOutput)
{
    struct Case {
        const char* id;
        int output;
        const char* status;
    };
    const Case cases[] = {
        {"R5--XC48", 3, "Servo 3 Daten empfangen"},
        {"V7904840", 4, "Servo 2c+2d Daten empfangen"},
        {"BR5-XC42", 8, "Spule 8 Daten empfangen"},
        {"L6454348", 7, "Grün 2 Daten empfangen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        rig.device.setValue16(c.output, 3, 4321);
        rig.doubleClickOutput(c.output);
        EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(c.status));
        EXPECT_EQ(rig.outputSettings().Neutral, 4321);
        EXPECT_EQ(rig.outputSettings().OutputNumber, c.output);
        EXPECT_EQ(rig.ui().Servo_auswahl->text(), rig.ui().Servo->item(c.output - 1)->text());
        EXPECT_EQ(rig.ui().Panels->currentWidget(), &rig.window().activePanel());
    }
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.device.setValue16(3, 3, 4321);
    rig.doubleClickOutput(3);
    EXPECT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("4321"));
    EXPECT_TRUE(rig.indicators().Command4->isEnabled());
}

TEST(OutputRead, PersistentFramingErrorsLeaveTheSettingsAlone)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.device.setValue16(2, 3, 4321);
    rig.device.injectFault(Fault::FrameError, 5);
    rig.host.answerMessage(Answer::Ok, "Datenfehler vom Decoder !");
    rig.doubleClickOutput(2);
    EXPECT_TRUE(rig.servo().Neutralstellung->text().isEmpty());
    EXPECT_NE(rig.outputSettings().Neutral, 4321);
    EXPECT_FALSE(rig.session().selectedOutputRead());
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(OutputRead, AnImplausibleValueResetsTheOutputAndReadsItAgain)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.device.setValue16(2, 5, 1999);  // left end below 2000
    rig.host.answerMessage(Answer::Ok, "Das Servo 2 wird auf die Standartwerte gesetzt.");
    rig.device.clearLog();
    rig.doubleClickOutput(2);
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], commands::blockRead(2).bytes);
    EXPECT_EQ(frames[1], commands::outputReset(2).bytes);
    EXPECT_EQ(frames[2], commands::blockRead(2).bytes);
    EXPECT_EQ(rig.host.messages().at(0).text,
              QStringLiteral("Der empfangene Wert ist ungültig!\r\n\r\nDas Servo 2 wird auf die Standartwerte gesetzt."));
    // After the reset the decoder holds its factory values, which are shown.
    EXPECT_EQ(rig.servo().Linker_Wert->text().toInt(), rig.device.value16(2, 5));
}

TEST(OutputRead, ADecoderThatStaysImplausibleIsNotResetForEver)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    // A decoder whose reset does not help: every read answers the same bad block.
    rig.device.setValue16(2, 5, 1999);
    rig.device.setResetsIgnored(true);
    for (int i = 0; i < 3; ++i)
        rig.host.answerMessage(Answer::Ok, "Standartwerte");
    rig.device.clearLog();
    rig.doubleClickOutput(2);
    EXPECT_EQ(rig.host.messages().size(), 3u);
    const auto frames = rig.frames();
    EXPECT_EQ(std::count(frames.begin(), frames.end(), commands::outputReset(2).bytes), 2);
    EXPECT_EQ(std::count(frames.begin(), frames.end(), commands::blockRead(2).bytes), 3);
}

TEST(OutputRead, TrafficLightGenerationOneWithAnInvalidLayoutEndsTheProgram)
{
    AppRig rig({"L6454348"}, 1);
    rig.start();
    rig.device.setField(2, 2, 9);
    rig.host.answerMessage(Answer::Ok, "SF001");
    rig.doubleClickOutput(2);
    EXPECT_EQ(rig.host.messages().at(0).text,
              QStringLiteral("Daten im Decoder sind fehlerhaft !\r\nSenden Sie den Chip mit der Fehlernummer \"SF001\" ein."));
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(OutputRead, TheProgramsPowerOffIsPushedToTheDecoder)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.outputSettings().PowerOff = 1;
    rig.outputSettings().TakePowerOffFromDecoder = false;
    rig.device.clearLog();
    EXPECT_EQ(readSelected(rig), ReadOutcome::Decoded);
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1][0], char(commands::ConfigWriteCommand));
    EXPECT_EQ(frames[2], commands::blockRead(1).bytes);
    EXPECT_TRUE(rig.servo().Strom_aus->isChecked());
    EXPECT_TRUE(rig.outputSettings().TakePowerOffFromDecoder);
}

TEST(OutputRead, OutputSixteenMustAnswerWithZero)
{
    AppRig rig({"L7466469"}, 1);
    rig.start();
    rig.outputSettings().OutputNumber = 16;
    rig.device.injectFault(Fault::WrongOutputDigit);
    rig.host.answerMessage(Answer::Ok, "anstatt 16 hat geantwortet!");
    EXPECT_EQ(readSelected(rig), ReadOutcome::Ended);
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(OutputRead, ADecoderOfTheOtherSizeIsNotDecoded)
{
    // The cable moves from a 4-output decoder to the old 8-output one on
    // another port, without the program being told.
    AppRig rig({"R5-7XC45"}, 1);
    sim::DecoderDevice& old = rig.addSecondDecoder({"R5494940"});
    old.setValue16(1, 3, 4321);
    rig.start();
    ASSERT_EQ(rig.identity().OutputCount, 4);
    rig.connection().choosePort(2);
    rig.host.answerMessage(Answer::Ok, "Empfangene Kennung ist R5494940");
    EXPECT_EQ(rig.session().selectOutput(1), ReadOutcome::NotAccepted);
    EXPECT_NE(rig.servo().Neutralstellung->text(), QStringLiteral("4321"));
    EXPECT_NE(rig.outputSettings().Neutral, 4321);
}

TEST(Identification, RandomAndTruncatedAnswersNeverBreakIdentificationOrTheRead)
{
    QRandomGenerator random(551);
    const QStringList ids = KnownIds();
    for (int i = 0; i < 150; ++i) {
        const QString id = ids[random.bounded(ids.size())];
        SCOPED_TRACE(id.toStdString());
        AppRig rig({id.toLatin1()}, 1);
        rig.start();
        ASSERT_TRUE(rig.host.messages().empty());
        // Whatever the decoder sends now, the read ends in a message or a display.
        for (int f = 1; f <= 23; ++f)
            rig.device.setField(1 + random.bounded(8), f, static_cast<std::uint8_t>(random.bounded(256)));
        // Power loss has its own tests: it asks a question and reconnects.
        const Fault faults[] = {Fault::NoAnswer, Fault::Refusal, Fault::Garbage, Fault::ShortAnswer,
                                Fault::ExtraChars, Fault::FrameError, Fault::WrongOutputDigit};
        rig.device.injectFault(faults[random.bounded(7)], random.bounded(1, 6));
        for (int m = 0; m < 8; ++m)
            rig.host.answerMessage(Answer::Ok);
        const int entries = rig.ui().Servo->count();
        if (entries > 0)
            rig.doubleClickOutput(1 + random.bounded(entries));
        rig.host.advanceMs(1000);
        // Every message has its text, and the output list is what identification made it.
        for (const auto& m : rig.host.messages())
            EXPECT_FALSE(m.text.isEmpty());
        EXPECT_EQ(rig.ui().Servo->count(), entries);
        // A read may well need no message: drop the answers it left.
        while (rig.host.unusedAnswers() > 0)
            rig.host.message({}, Buttons::Ok, {}, Icon::None);
    }
}

#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "memory/ConfigBlock.h"
#include "memory/OutputRead.h"
#include "ui/BlockPresenter.h"
#include "support/AppRig.h"

#include <QListWidget>
#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;


TEST(Identification, TheWindowFollowsTheConnectedDecoder)
{
    struct Case {
        const char* id;
        const char* caption;
        const char* status;
        int entries;
        int panelMode;
        int variant;
    };
    const Case cases[] = {
        {"R5--XC45", "Einstellung für R5 DCC", "8-fach Servo Decoder erkannt!   Decoder-Version R5--XC45", 8, 0, 2},
        {"R5494940", "Einstellung für R5DCC", "8-fach Servo Decoder erkannt!   Decoder-Version R5494940", 8, 0, 1},
        {"N7966445", "Einstellung für N7DCC/MOT", "4-fach Servo Decoder erkannt!    Decoder-Version N7966445", 4, 0, 2},
        {"V7966445", "Einstellung für V7DCC", "4-Wege Weichen Decoder erkannt!   Decoder-Version V7966445", 8, 0, 2},
        {"BR5-XC42", "Einstellung für Parkplatzdecoder", "Parkplatz Decoder erkannt!    Decoder-Version BR5-XC42", 8, 2, 2},
        {"L9624164", "Einstellung für Ampeldecoder 917", "Ampel Decoder erkannt!    Decoder-Version L9624164", -1, 1, 2},
        {"L7466469", "Einstellung für Ampeldecoder Vexa917 2012", "Ampel Decoder erkannt!    Decoder-Version L7466469", -1, 1, 3},
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
        EXPECT_EQ(rig.window().identity().DecoderId, QString::fromLatin1(c.id));
        EXPECT_EQ(rig.window().identity().PanelMode, c.panelMode);
        EXPECT_EQ(rig.transport().ProtocolVariant, c.variant);
        EXPECT_TRUE(rig.ui().Servo->isEnabled());
        EXPECT_TRUE(rig.window().outputSettings().TakePowerOffFromDecoder == false);
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
    EXPECT_TRUE(rig.window().identity().DecoderId.isEmpty());
    EXPECT_EQ(rig.ui().Servo->count(), 0);
    EXPECT_EQ(rig.ui().Neutralstellung->text(), QStringLiteral("12345"));
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
        rig.window().start();
        // Detection passes; the faults meet the identification read.
        rig.window().detection().identify = [&] {
            rig.device.injectFault(c.fault, c.times);
            rig.window().identification().Identify();
        };
        rig.host.answerMessage(Answer::Ok);
        rig.host.advanceMs(60'000);
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
    rig.window().identity().ActiveTestOutput = 3;
    rig.device.clearLog();
    rig.window().identification().Identify();
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::blockRead(3).bytes});
    EXPECT_EQ(rig.window().windowTitle(), caption);
}

TEST(OutputRead, ProgressTextsAndTheBlockOfTheSelectedOutput)
{
    struct Case {
        const char* id;
        int index;
        const char* status;
    };
    const Case cases[] = {
        {"R5--XC48", 2, "Servo 3 Daten empfangen"},
        {"V7904840", 3, "Servo 2c+2d Daten empfangen"},
        {"BR5-XC42", 7, "Spule 8 Daten empfangen"},
        {"L6454348", 6, "Grün 2 Daten empfangen"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        rig.device.setValue16(c.index + 1, 3, 4321);
        rig.window().selectOutput(c.index);
        EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(c.status));
        EXPECT_EQ(rig.ui().Neutralstellung->text(), QStringLiteral("4321"));
        EXPECT_EQ(rig.window().outputSettings().OutputNumber, c.index + 1);
        EXPECT_TRUE(rig.window().outputSettings().BlockDecoded);
        EXPECT_TRUE(rig.ui().Command4->isEnabled());
    }
}

TEST(OutputRead, PersistentFramingErrorsLeaveTheSettingsAlone)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    const QString before = rig.ui().Neutralstellung->text();
    rig.device.setValue16(2, 3, 4321);
    rig.device.injectFault(Fault::FrameError, 5);
    rig.host.answerMessage(Answer::Ok, "Datenfehler vom Decoder !");
    rig.window().selectOutput(1);
    EXPECT_EQ(rig.ui().Neutralstellung->text(), before);
    EXPECT_FALSE(rig.window().outputSettings().BlockDecoded);
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(OutputRead, AnImplausibleValueResetsTheOutputAndReadsItAgain)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.device.setValue16(2, 5, 1999);  // left end below 2000
    rig.host.answerMessage(Answer::Ok, "Das Servo 2 wird auf die Standartwerte gesetzt.");
    rig.device.clearLog();
    rig.window().selectOutput(1);
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0], commands::blockRead(2).bytes);
    EXPECT_EQ(frames[1], commands::outputReset(2).bytes);
    EXPECT_EQ(frames[2], commands::blockRead(2).bytes);
    EXPECT_EQ(rig.host.messages().at(0).text,
              QStringLiteral("Der empfangene Wert ist ungültig!\r\n\r\nDas Servo 2 wird auf die Standartwerte gesetzt."));
    // After the reset the decoder holds its factory values, which are shown.
    EXPECT_EQ(rig.ui().Linker_Wert->text().toInt(), rig.device.value16(2, 5));
}

TEST(OutputRead, ADecoderThatStaysImplausibleIsNotResetForEver)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    // A decoder whose reset does not help: every read answers the same bad block.
    rig.device.setValue16(2, 5, 1999);
    const ConfigBlock bad = ConfigBlock::fromReversed(rig.device.blockText(2));
    int resets = 0;
    BlockPresenter::Actions actions;
    BlockPresenter* presenter = nullptr;
    actions.resetOutput = [&](int) { ++resets; };
    actions.selectAndRead = [&](int) { presenter->show(bad); };
    BlockPresenter own(rig.host, rig.ui(), rig.window().outputSettings(), rig.window().identity(), actions);
    presenter = &own;
    for (int i = 0; i < 3; ++i)
        rig.host.answerMessage(Answer::Ok, "Standartwerte");
    rig.window().outputSettings().OutputNumber = 2;
    own.show(bad);
    EXPECT_EQ(rig.host.messages().size(), 3u);
    EXPECT_EQ(resets, 2);
}

TEST(OutputRead, TrafficLightGenerationOneWithAnInvalidLayoutEndsTheProgram)
{
    AppRig rig({"L6454348"}, 1);
    rig.start();
    rig.device.setField(2, 2, 9);
    rig.host.answerMessage(Answer::Ok, "SF001");
    rig.window().selectOutput(1);
    EXPECT_EQ(rig.host.messages().at(0).text,
              QStringLiteral("Daten im Decoder sind fehlerhaft !\r\nSenden Sie den Chip mit der Fehlernummer \"SF001\" ein."));
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(OutputRead, TheProgramsPowerOffIsPushedToTheDecoder)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.window().outputSettings().PowerOff = 1;
    rig.window().outputSettings().TakePowerOffFromDecoder = false;
    rig.device.clearLog();
    rig.window().outputRead().ReadOutput();
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[1][0], char(commands::ConfigWriteCommand));
    EXPECT_EQ(frames[2], commands::blockRead(1).bytes);
    EXPECT_TRUE(rig.ui().Strom_aus->isChecked());
    EXPECT_TRUE(rig.window().outputSettings().TakePowerOffFromDecoder);
}

TEST(OutputRead, OutputSixteenMustAnswerWithZero)
{
    AppRig rig({"L7466469"}, 1);
    rig.start();
    rig.window().outputSettings().OutputNumber = 16;
    rig.device.injectFault(Fault::WrongOutputDigit);
    rig.host.answerMessage(Answer::Ok, "anstatt 16 hat geantwortet!");
    rig.window().outputRead().ReadOutput();
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(OutputRead, ADecoderOfTheOtherSizeIsNotDecoded)
{
    // The old 8-output decoder answers where a 4-output one is expected.
    AppRig rig({"R5494940"}, 1);
    rig.start();
    rig.window().identity().OutputCount = 4;
    rig.device.setValue16(1, 3, 4321);
    rig.host.answerMessage(Answer::Ok, "Empfangene Kennung ist R5494940");
    rig.window().outputRead().ReadOutput();
    EXPECT_FALSE(rig.window().outputSettings().BlockDecoded);
    EXPECT_NE(rig.ui().Neutralstellung->text(), QStringLiteral("4321"));
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
        rig.window().selectOutput(random.bounded(entries));
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

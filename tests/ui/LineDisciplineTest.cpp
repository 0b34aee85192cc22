#include "link/CommandCatalogue.h"
#include "support/AppRig.h"

#include <QDialog>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;

namespace {

const QString NoDecoderText = QStringLiteral(
    "Timeout von Decoder!\r\n\r\nMögliche Ursachen:\r\nDecoder ist nicht eingeschaltet!\r\n"
    "Falsche serielle Schnittstelle ausgewählt!\r\n\r\n"
    "Sie haben jetzt 20 Sekunden Zeit um die serielle Schnittstelle zu korregieren.\r\n\r\n"
    "Dann wird das Programm beendet.");

}  // namespace

TEST(LineDiscipline, ADoubleClickWhileAWriteWaitsForItsAcknowledgementIsRefused)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.device.setValue16(2, 3, 11111);
    rig.device.setValue16(3, 3, 13333);
    rig.start();
    rig.doubleClickOutput(2);
    rig.device.clearLog();
    rig.host.onModal("Servotyp", [&](QDialog& dialog) {
        click(dialog.findChild<QRadioButton*>("Option2"));  // Futaba
        // The user double-clicks "Servo 3" while the write is on the line.
        rig.host.at(rig.host.nowMs() + 10, [&] { rig.doubleClickOutput(3); });
        click(dialog.findChild<QPushButton*>("OKButton"));
    });
    click(rig.servo().S_Konfigurieren);
    rig.host.advanceMs(2000);

    // The write and its read-back of output 2, and nothing else.
    const auto frames = rig.frames();
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0][0], char(commands::ConfigWriteCommand));
    EXPECT_EQ(frames[0][1], '2');
    EXPECT_EQ(frames[1], commands::blockRead(2).bytes);
    EXPECT_EQ(rig.device.field(2, 2), 2);
    EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 2 Daten empfangen"));
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 2"));
    EXPECT_EQ(rig.ui().Servo->currentRow(), 1);
    EXPECT_EQ(rig.servo().Neutralstellung->text().toInt(), rig.device.value16(2, 3));
    EXPECT_EQ(rig.host.beeps(), 1);
    // Now that the line is free, the same double click reads output 3.
    rig.doubleClickOutput(3);
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 3"));
    EXPECT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("13333"));
}

TEST(LineDiscipline, ADoubleClickDuringABlockReadIsRefused)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.device.clearLog();
    rig.host.at(rig.host.nowMs() + 50, [&] { rig.doubleClickOutput(3); });
    rig.doubleClickOutput(2);
    rig.host.advanceMs(1000);
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::blockRead(2).bytes});
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 2"));
    EXPECT_EQ(rig.host.beeps(), 1);
}

TEST(LineDiscipline, AUserActionWhileAMessageOfAnOperationIsOpenIsRefused)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(2);
    rig.device.clearLog();
    // The middle position asks first; meanwhile the user double-clicks another output.
    rig.host.answerMessage(Answer::Yes, "wirklich in die Mittelstellung fahren?", [&] { rig.doubleClickOutput(4); });
    click(rig.servo().Command2);
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::middlePosition().bytes});
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 2"));
}

TEST(LineDiscipline, AReconnectDuringAWaitWindowWaitsItsTurn)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(1);
    rig.device.clearLog();
    rig.host.answerMessage(Answer::Yes, "Servo 2 auf Standart-Einstellung setzen?");
    rig.host.onModal("Warten", [&](QDialog&) {
        // The decoder flickers off and on while it stores.
        rig.host.answerMessage(Answer::No, "Decoder wurde oder ist ausgeschaltet.");
        rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
        rig.device.setDsr(false);
        rig.host.at(rig.host.nowMs() + 500, [&] { rig.device.setDsr(true); });
    });
    ASSERT_TRUE(rig.choose("mnu_RServo_2"));
    rig.host.advanceMs(10'000);

    // The reset, its wait and read-back first; the reconnect's detection and
    // identification only after them.
    const auto frames = rig.frames();
    ASSERT_GE(frames.size(), 4u);
    EXPECT_EQ(frames[0], commands::outputReset(2).bytes);
    EXPECT_EQ(frames[1], commands::blockRead(2).bytes);
    EXPECT_EQ(frames[2], commands::blockRead(2).bytes);  // detection reads the selected output
    EXPECT_EQ(frames[3], commands::blockRead(2).bytes);
    EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("8-fach Servo Decoder erkannt!   Decoder-Version R5--XC48"));
    EXPECT_EQ(rig.host.modalWindows(), QStringList{"Warten"});
}

TEST(LineDiscipline, APowerLossWhileAQuestionIsOpenReconnectsAfterTheOperation)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(2);
    rig.device.clearLog();
    rig.host.answerMessage(Answer::Yes, "wirklich in die Mittelstellung fahren?", [&] {
        rig.device.setDsr(false);
        rig.host.answerMessage(Answer::No, "Decoder wurde oder ist ausgeschaltet.");
        rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
        rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
        rig.host.advanceMs(10);  // the line change arrives while the question is open
        rig.host.at(rig.host.nowMs() + 1000, [&] { rig.device.setDsr(true); });
    });
    const qint64 start = rig.host.nowMs();
    click(rig.servo().Command2);
    rig.host.advanceMs(10'000);

    // The middle position went out to a decoder that was off and timed out;
    // the reconnect's detection followed only after that.
    const auto& messages = rig.host.messages();
    ASSERT_EQ(messages.size(), 4u);
    EXPECT_EQ(messages[3].text, QStringLiteral("Timeout von Decoder!"));
    const auto& log = rig.device.log();
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().bytes, commands::blockRead(2).bytes);  // the decoder hears nothing before
    EXPECT_GE(log.front().timeUs / 1000, messages[3].atMs);
    EXPECT_GE(log.front().timeUs / 1000 - start, Line::DetectedTimeoutMs);
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(LineDiscipline, TheGracePeriodEndsTwentySecondsAfterItsFirstMessage)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.port.setAvailablePorts({1, 2});
    rig.device.injectFault(Fault::NoAnswer, 100);
    qint64 firstMessage = -1;
    rig.host.answerMessage(Answer::Ok, NoDecoderText, [&] {
        firstMessage = rig.host.nowMs();
        // 5 s into the grace period the user tries another port without a decoder.
        rig.host.at(firstMessage + 5000, [&] { EXPECT_TRUE(rig.choose("mnu_com_2")); });
    });
    rig.host.answerMessage(Answer::Ok, NoDecoderText);
    rig.window().start();
    const qint64 endedAt = rig.host.advanceUntilQuit(120'000);
    ASSERT_GE(endedAt, 0) << "the program did not end";
    ASSERT_EQ(rig.host.messages().size(), 2u);
    EXPECT_EQ(rig.connection().portNumber(), 2);
    EXPECT_NEAR(endedAt - firstMessage, Detection::GraceMs, 10);
}

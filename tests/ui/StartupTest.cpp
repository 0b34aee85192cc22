#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "ui/InfoWindows.h"

#include <QListWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;

namespace {

const QByteArray Block1("\xF1\r");
const QByteArray StateQuery("\x7E\r");
// Detection, identification and the power-on state query of the demo decoder.
const std::vector<QByteArray> StartFrames{Block1, Block1, StateQuery};

const QString NoDecoderText = QStringLiteral(
    "Timeout von Decoder!\r\n\r\nMögliche Ursachen:\r\nDecoder ist nicht eingeschaltet!\r\n"
    "Falsche serielle Schnittstelle ausgewählt!\r\n\r\n"
    "Sie haben jetzt 20 Sekunden Zeit um die serielle Schnittstelle zu korregieren.\r\n\r\n"
    "Dann wird das Programm beendet.");

const QString PowerLossQuestion =
    QStringLiteral("Achtung!\r\nDecoder wurde oder ist ausgeschaltet.\r\nWollen Sie das Programm beenden?");

QString connecting(int port, int attempts)
{
    return QStringLiteral("Verbindung Comm %1 wird hergestellt. Bitte warten!  %2").arg(port).arg(attempts);
}

}  // namespace

TEST(Startup, FirstStartStoresDefaultsAndWaitsForAPortChoice)
{
    for (const char* stored : {"", "0"}) {
        SCOPED_TRACE(stored);
        AppRig rig({}, std::nullopt);
        if (*stored)
            rig.settings.setValue("Quenbrix_551", "Parameter", "Com_Port", stored);
        rig.start();

        EXPECT_EQ(rig.stored("Com_Port"), "1");
        EXPECT_EQ(rig.stored("Location"), "/opt/quenbrix");
        EXPECT_EQ(rig.stored("USB"), "False");
        EXPECT_EQ(rig.connection().portNumber(), 0);
        EXPECT_EQ(rig.connection().locationPath(), "/opt/quenbrix");
        EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("Kein COM Port ausgewählt"));
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_FALSE(rig.port.isOpen());
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(Startup, DamagedOrMissingSettingsSelectNoPortAndKeepTheStore)
{
    struct Case {
        const char* comPort;
        const char* location;
        int port;
        const char* locationPath;
    };
    const Case cases[] = {
        {"abc", "/data", 0, "/data"}, {"99", "/data", 0, "/data"}, {"-3", "", 0, "/opt/quenbrix"},
        {" 7 ", nullptr, 7, "/opt/quenbrix"}, {"20", "/data", 20, "/data"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.comPort);
        AppRig rig({}, std::nullopt);
        rig.port.setAvailablePorts({});
        rig.settings.setValue("Quenbrix_551", "Parameter", "Com_Port", c.comPort);
        if (c.location)
            rig.settings.setValue("Quenbrix_551", "Parameter", "Location", c.location);
        if (c.port)
            rig.host.answerMessage(Answer::Ok, "Comm Port");
        if (c.port)
            rig.host.answerMessage(Answer::Ok, "kann nicht geöffnet werden");
        rig.start();
        EXPECT_EQ(rig.connection().portNumber(), c.port);
        EXPECT_EQ(rig.connection().locationPath(), c.locationPath);
        EXPECT_EQ(rig.stored("Com_Port"), c.comPort);
    }
}

TEST(Startup, ADecoderAt4800IsDetectedAtOnce)
{
    AppRig rig({"R5--XC45"}, 2);
    rig.start();

    EXPECT_EQ(rig.frames(), StartFrames);
    EXPECT_EQ(rig.port.portNumber(), 2);
    EXPECT_EQ(rig.port.settings().baud, 4800);
    EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 2"));
    EXPECT_EQ(rig.checkedPorts(), QStringList{"2"});
    EXPECT_EQ(rig.ui().Label1->text(), QStringLiteral("Die Verbindung zum Decoder wurde hergestellt!"));
    EXPECT_EQ(rig.statusLog.value(0), connecting(2, 4));
    EXPECT_EQ(rig.detection().attemptsLeft(), 0);
    EXPECT_FALSE(rig.detection().altBaudTried());
    EXPECT_EQ(rig.session().line().responseTimeoutMs(), 5000);
    EXPECT_EQ(rig.identity().ProtocolVariant, 2);
    EXPECT_TRUE(rig.host.messages().empty());
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(Startup, ADecoderOnlyAt9600IsFoundAtTheSecondSpeed)
{
    AppRig rig({"R5--XC45", 0, 9600}, 1);
    rig.start();

    const auto& log = rig.device.log();
    ASSERT_GE(log.size(), 3u);
    EXPECT_TRUE(log[0].garbled);  // the 4800-baud attempt
    EXPECT_EQ(rig.frames(), StartFrames);
    EXPECT_EQ(rig.port.settings().baud, 9600);
    EXPECT_EQ(rig.connection().lineSettings(), QStringLiteral("9600,N,8,1"));
    EXPECT_TRUE(rig.detection().altBaudTried());
    EXPECT_EQ(rig.detection().attemptsLeft(), 0);
    // Until the decoder answered the status ended in 4; identification's own
    // port check then shows the counter at 0.
    QStringList connectingTexts = rig.statusLog.filter("Verbindung");
    connectingTexts.removeDuplicates();
    EXPECT_EQ(connectingTexts, (QStringList{connecting(1, 4), connecting(1, 0)}));
    EXPECT_TRUE(rig.host.messages().empty());
}

TEST(Startup, WithoutADecoderTheProgramEndsTwentySecondsAfterTheMessage)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.device.injectFault(Fault::NoAnswer, 100);
    rig.host.answerMessage(Answer::Ok, NoDecoderText);
    rig.start(120'000);

    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].text, NoDecoderText);
    EXPECT_TRUE(rig.host.messages()[0].title.isEmpty());
    QStringList counts;
    for (const QString& text : rig.statusLog)
        if (text.startsWith("Verbindung"))
            counts << text.right(1);
    counts.removeDuplicates();
    EXPECT_EQ(counts, (QStringList{"4", "3", "2", "1", "0"}));
    // One frame at 4800, four at 9600, which the decoder at 4800 cannot hear.
    const auto& log = rig.device.log();
    EXPECT_EQ(std::count_if(log.begin(), log.end(), [](const auto& r) { return r.garbled; }), 4);
    EXPECT_EQ(rig.frames().size(), 1u);
    EXPECT_TRUE(rig.host.quitRequested());
    EXPECT_TRUE(rig.session().shuttingDown());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_FALSE(rig.detection().gracePeriodRunning());
}

TEST(Startup, TheGracePeriodLastsTwentySecondsOfVirtualTime)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.device.injectFault(Fault::NoAnswer, 100);
    rig.host.answerMessage(Answer::Ok, NoDecoderText);
    rig.window().start();
    const qint64 endedAt = rig.host.advanceUntilQuit(120'000);
    ASSERT_GE(endedAt, 0) << "the program did not end";
    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_NEAR(endedAt - rig.host.messages()[0].atMs, Detection::GraceMs, 10);
}

TEST(Startup, AnInvalidPortGetsTheCommErrorAndTheOpenFailure)
{
    AppRig rig({"R5--XC45"}, 3);
    rig.port.setAvailablePorts({1});
    rig.host.answerMessage(Answer::Ok, "Comm Port 3 nicht gefunden !");
    rig.host.answerMessage(Answer::Ok, "Schnittstelle Comm 3 kann nicht geöffnet werden!");
    rig.start();

    ASSERT_EQ(rig.host.messages().size(), 2u);
    EXPECT_EQ(rig.host.messages()[0].title, QStringLiteral("Comm Error"));
    EXPECT_EQ(rig.host.messages()[0].text,
              QStringLiteral("Comm Port 3 nicht gefunden !\r\n\r\n"
                             "Den Comm-Port auswählen, an den der Baustein angeschlossen ist.\r\n\r\n"
                             "Bei Verwendung eines USB-Seriell Adapters im Geräte Manager nachsehen,\r\n"
                             "welchen Comm-Port der Aadapter verwendet."));
    EXPECT_TRUE(rig.host.messages()[1].text.startsWith(
        QStringLiteral("Schnittstelle Comm 3 kann nicht geöffnet werden!")));
    EXPECT_EQ(rig.host.beeps(), 1);
    EXPECT_EQ(rig.ui().Status->text(),
              QStringLiteral("Serieller Anschluß 3 nicht gefunden!    Bitte anderen Anschluß auswählen."));
    EXPECT_TRUE(rig.frames().empty());
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(Startup, ARefusedPortShowsTheSerialLayersReason)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.port.failOpens(OpenError::AccessDenied, QStringLiteral("Permission denied"));
    rig.host.answerMessage(Answer::Ok, "Permission denied");
    rig.start();
    EXPECT_EQ(rig.host.messages().size(), 1u);  // no "Comm Error": the port exists
    EXPECT_EQ(rig.connection().lastOpenError(), QStringLiteral("Permission denied"));
}

TEST(Startup, AnAnswerWithoutAModelCodeEndsTheProgram)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.device.injectFault(Fault::Garbage);
    rig.host.answerMessage(Answer::Ok);
    rig.start();
    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].text,
              QStringLiteral("Falsche Daten vom Decoder empfangen!\r\nProgramm wird beendet."));
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(Startup, ThePowerOnStateIsAskedOnlyOfTheStartupGroup)
{
    struct Case {
        const char* id;
        bool asked;
    };
    for (const Case c : {Case{"R5--XC45", true}, Case{"N7966445", true}, Case{"R5--XC48", false},
                         Case{"L7466469", false}}) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        const auto frames = rig.frames();
        const bool asked = std::find(frames.begin(), frames.end(), QByteArray("\x7E\r")) != frames.end();
        EXPECT_EQ(asked, c.asked);
        EXPECT_EQ(rig.ui().mnu_servo->isVisible(), c.asked);
        if (c.asked) {
            EXPECT_TRUE(rig.ui().mnu_servo->text().startsWith(QStringLiteral("Servos \"")));
        }
        EXPECT_FALSE(rig.session().startupQueryActive());
    }
}

TEST(PowerLoss, YesEndsTheProgram)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    rig.host.answerMessage(Answer::Yes, PowerLossQuestion);
    rig.device.setDsr(false);
    rig.host.advanceMs(1000);

    ASSERT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.host.messages()[0].buttons, Buttons::YesNo);
    EXPECT_TRUE(rig.host.quitRequested());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.identity().ProtocolVariant, 0);
}

TEST(PowerLoss, NoReconnectsAfterTwoSecondsThenOneSecond)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        const size_t framesBefore = rig.frames().size();
        rig.host.answerMessage(Answer::No, PowerLossQuestion);
        rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
        rig.device.setDsr(false);
        rig.host.advanceMs(10);
        EXPECT_EQ(rig.identity().ProtocolVariant, 0);
        // A second drop while the question is answered shows nothing more.
        rig.device.setDsr(true);
        rig.device.setDsr(false);
        rig.host.advanceMs(10);
        EXPECT_EQ(rig.host.unusedAnswers(), 0);
        rig.device.setDsr(true);

        const int reconnectMs = round == 0 ? 2000 : 1000;
        rig.host.advanceMs(reconnectMs - 30);
        EXPECT_EQ(rig.frames().size(), framesBefore);
        rig.host.advanceMs(5000);
        EXPECT_EQ(rig.frames().size(), framesBefore + StartFrames.size());
        EXPECT_TRUE(rig.connection().powerWatchArmed());
        EXPECT_EQ(rig.identity().ProtocolVariant, 2);
    }
    EXPECT_EQ(rig.host.messages().size(), 4u);
    EXPECT_FALSE(rig.host.quitRequested());
}

TEST(PowerLoss, AnUnpluggedAdapterAsksTheSameQuestion)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    rig.host.answerMessage(Answer::Yes, PowerLossQuestion);
    rig.port.loseLink();
    rig.host.advanceMs(10);
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(PowerLoss, NoQuestionWhileDetectionOpensThePort)
{
    AppRig rig({"R5--XC45"}, 1);
    // The line flickers while the port-open timer runs (the first 500 ms).
    auto flicker = rig.host.createTimer();
    flicker->setInterval(200);
    flicker->setHandler([&] {
        rig.device.setDsr(!rig.device.dsr());
        if (rig.device.dsr())
            flicker->setEnabled(false);
    });
    flicker->setEnabled(true);
    rig.start();
    EXPECT_TRUE(rig.device.dsr());
    EXPECT_TRUE(rig.host.messages().empty());
    EXPECT_EQ(rig.frames(), StartFrames);
}

TEST(PortChoice, TheMenuStoresThePortAndDetectsAgain)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    ASSERT_TRUE(rig.choose("mnu_com_17"));
    rig.host.advanceMs(5000);

    EXPECT_EQ(rig.connection().portNumber(), 17);
    EXPECT_EQ(rig.stored("Com_Port"), "17");
    EXPECT_EQ(rig.checkedPorts(), QStringList{"17"});
    EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 17"));
    EXPECT_EQ(rig.port.portNumber(), 17);
    // Detection and identification once more; the state query belongs to the start.
    EXPECT_EQ(rig.frames().size(), StartFrames.size() + 2);
}

TEST(PortChoice, APortWithoutDecoderAfterTheSecondSpeedGoesStraightToTheGracePeriod)
{
    AppRig rig({"R5--XC45", 0, 9600}, 1);
    rig.start();
    rig.port.setAvailablePorts({1, 2});
    rig.device.injectFault(Fault::NoAnswer, 10);
    rig.host.answerMessage(Answer::Ok, NoDecoderText);
    ASSERT_TRUE(rig.choose("mnu_com_2"));
    rig.host.advanceMs(60'000);
    EXPECT_EQ(rig.host.messages().size(), 1u);
    EXPECT_EQ(rig.detection().attemptsLeft(), -1);
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(PortChoice, ThePinnedRunLeavesTheStoredPortAlone)
{
    AppRig rig({"R5--XC45"}, 5);
    rig.pinned = 1;
    rig.start();
    EXPECT_EQ(rig.connection().portNumber(), 1);
    EXPECT_EQ(rig.stored("Com_Port"), "5");
    EXPECT_EQ(rig.frames(), StartFrames);
}

TEST(PortChoice, TheScanDialogListsPortsThatOpenAndChoosesOne)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    rig.port.setAvailablePorts({1, 4, 7, 18});
    ASSERT_TRUE(rig.choose("mnu_search"));
    auto* dialog = rig.window().portScanDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(dialog->objectName(), QStringLiteral("Seriell_Port"));
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Serielle Schnittstellen"));
    auto* list = dialog->findChild<QListWidget*>("List1");
    QStringList entries;
    for (int i = 0; i < list->count(); ++i)
        entries << list->item(i)->text();
    EXPECT_EQ(entries, (QStringList{"COM-Port 1 vorhanden", "COM-Port 4 vorhanden", "COM-Port 7 vorhanden"}));

    // A double click below the entries changes nothing.
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, list->viewport()->rect().bottomLeft() + QPoint(5, -5));
    EXPECT_EQ(rig.connection().portNumber(), 1);
    EXPECT_TRUE(dialog->isVisible());

    qb::test::doubleClickEntry(list, 1);
    EXPECT_EQ(rig.connection().portNumber(), 4);
    EXPECT_EQ(rig.stored("Com_Port"), "4");
    EXPECT_EQ(rig.checkedPorts(), QStringList{"4"});
    EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 4"));
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_EQ(rig.frames(), StartFrames);  // no detection
}

TEST(PortChoice, ATestPanelsPortMenuRecordsThePortMachineWide)
{
    for (bool writable : {true, false}) {
        AppRig rig({"R5--XC45"}, 1);
        rig.start();
        rig.machine.writable = writable;
        if (!writable)
            rig.host.answerMessage(Answer::Ok, "Softwarefehler 003");
        rig.window().portEntry(12)->setChecked(true);
        rig.session().choosePanelPort(6);

        EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 6"));
        EXPECT_EQ(rig.checkedPorts(), (QStringList{"6", "12"}));  // only 1..8 are unchecked
        if (writable) {
            EXPECT_EQ(rig.machine.values.value("SOFTWARE\\Talvenor\\Com_Port").toInt(), 6);
            EXPECT_FALSE(rig.host.quitRequested());
        } else {
            EXPECT_EQ(rig.host.messages()[0].title, QStringLiteral("Fehler"));
            EXPECT_EQ(rig.host.messages()[0].icon, Icon::Critical);
            EXPECT_TRUE(rig.host.quitRequested());
        }
    }
}

TEST(Shutdown, BeendenClosesThePortAndEndsEveryWait)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    ASSERT_TRUE(rig.choose("mnu_beenden"));
    EXPECT_TRUE(rig.session().shuttingDown());
    EXPECT_FALSE(rig.port.isOpen());
    EXPECT_TRUE(rig.host.quitRequested());
    EXPECT_FALSE(rig.host.waitUntil([] { return false; }));
}

TEST(Startup, FramingErrorsWithATimeOutEndTheAttemptAtThisSpeed)
{
    // Noise instead of an answer, as from a decoder at the other line speed:
    // the first attempt times out, and the second speed follows at once.
    AppRig rig({"R5--XC45"}, 1);
    rig.device.injectFault(Fault::Noise, 5);
    rig.host.answerMessage(Answer::Ok, NoDecoderText);
    rig.start(120'000);
    EXPECT_EQ(rig.frames().size(), 1u);  // one attempt at 4800
    const auto& log = rig.device.log();
    const auto firstAt9600 = std::find_if(log.begin(), log.end(), [](const auto& r) { return r.garbled; });
    ASSERT_NE(firstAt9600, log.end());
    // The port-open delay, one time-out of 1.5 s, the port-open delay again.
    EXPECT_LT(firstAt9600->timeUs / 1000, 3000);
}

#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "testpanels/OutputTestPanel.h"
#include "ui_OutputTestPanel.h"

#include <QApplication>
#include <QDialog>
#include <QImage>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <functional>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;
using qb::test::pressKey;

namespace {

using Frames = std::vector<QByteArray>;

const QByteArray MoveRight("\xE1\x02\r");
const QByteArray MoveLeft("\xE2\x02\r");

// The German key map: first and second key of outputs 1..8.
const Qt::Key Keys[8][2] = {{Qt::Key_1, Qt::Key_2}, {Qt::Key_3, Qt::Key_4}, {Qt::Key_Q, Qt::Key_W},
                            {Qt::Key_E, Qt::Key_R}, {Qt::Key_A, Qt::Key_S}, {Qt::Key_D, Qt::Key_F},
                            {Qt::Key_Y, Qt::Key_X}, {Qt::Key_C, Qt::Key_V}};

struct Decoder {
    const char* id;
    const char* entry;
    const char* panel;
    int outputs;
};
const Decoder FourFold{"N7966445", "mnu_4fachTest", "Test4fach", 4};
const Decoder EightFold{"R5--XC45", "mnu_8fachTest", "Test8fach", 8};
const Decoder FourWay{"V7966445", "mnu_4wegTest", "Test4Weiche", 8};
const Decoder Coils{"BR5-XC42", "mnu_Spulentest", "Test_Spule", 8};

// Opens the decoder's panel from the main menu and lets `use` work with it;
// a modal panel is closed with "Schließen" afterwards unless `use` closed it.
void withPanel(AppRig& rig, const Decoder& d, const std::function<void(OutputTestPanel&)>& use)
{
    bool seen = false;
    rig.host.onModal(d.panel, [&](QDialog& dialog) {
        seen = true;
        auto& panel = static_cast<OutputTestPanel&>(dialog);
        use(panel);
        if (panel.isVisible())
            click(panel.ui().Schliessen);
    });
    ASSERT_TRUE(rig.choose(d.entry));
    if (seen)
        return;
    auto* panel = rig.window().findChild<OutputTestPanel*>(d.panel);
    ASSERT_TRUE(panel && panel->isVisible());
    use(*panel);
}

}  // namespace

TEST(OutputTestPanels, EveryOutputMovesByKeyAndByMouse)
{
    for (const Decoder& d : {FourFold, EightFold, FourWay, Coils}) {
        SCOPED_TRACE(d.panel);
        AppRig rig({d.id}, 1);
        rig.start();
        withPanel(rig, d, [&](OutputTestPanel& panel) {
            for (int k = 1; k <= d.outputs; ++k)
                for (int b = 0; b <= 1; ++b) {
                    SCOPED_TRACE(testing::Message() << "output " << k << " button " << b);
                    // A coil that is not reversed turns the other way round.
                    const bool right = (b == 1) != (d.panel == Coils.panel);
                    const int end = rig.device.value16(k, right ? 9 : 5);
                    QPushButton* button = panel.button(k, b);
                    EXPECT_EQ(button->text(), QKeySequence(Keys[k - 1][b]).toString());
                    rig.device.clearLog();
                    pressKey(&panel, Keys[k - 1][b]);
                    click(button);
                    EXPECT_EQ(rig.frames(), (Frames{commands::blockRead(k).bytes, right ? MoveRight : MoveLeft,
                                                    commands::blockRead(k).bytes, right ? MoveRight : MoveLeft}));
                    EXPECT_EQ(rig.device.value16(k, 11), end);  // where the servo is heading
                    EXPECT_EQ(panel.focusWidget(), button);
                }
            // Keys of outputs the panel does not have do nothing.
            rig.device.clearLog();
            for (int k = d.outputs + 1; k <= 8; ++k)
                pressKey(&panel, Keys[k - 1][0]);
            EXPECT_TRUE(rig.frames().empty());
        });
    }
}

TEST(OutputTestPanels, StatusTextsNameTheOutputAndItsEnd)
{
    struct Case {
        Decoder decoder;
        Qt::Key key;
        const char* status;
    };
    const Case cases[] = {
        {FourFold, Qt::Key_2, "Servo 1 dreht auf die runde Position!"},
        {FourFold, Qt::Key_R, "Servo 4 dreht auf die runde Position!"},
        {FourFold, Qt::Key_3, "Servo 2 dreht auf die gerade Position!"},
        {EightFold, Qt::Key_V, "Servo 8 dreht auf die runde Position!"},
        {EightFold, Qt::Key_Y, "Servo 7 dreht auf die gerade Position!"},
        {FourWay, Qt::Key_1, "Servo 1a+1b dreht auf die gerade Position!"},
        {FourWay, Qt::Key_4, "Servo 1c+1d dreht auf die runde Position!"},
        {FourWay, Qt::Key_S, "Servo 3a+3b dreht auf die runde Position!"},
        {FourWay, Qt::Key_F, "Servo 3c+3d dreht auf die rund Position!"},
        {FourWay, Qt::Key_X, "Servo 4a+4b dreht auf die rund Position!"},
        {FourWay, Qt::Key_C, "Servo 4c+4d dreht auf die gerade Position!"},
        {FourWay, Qt::Key_V, "Servo 4c+4d dreht auf die rund Position!"},
        {Coils, Qt::Key_1, "Servo 1 dreht auf die gerade Position!"},
        {Coils, Qt::Key_X, "Servo 7 dreht auf die runde Position!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        AppRig rig({c.decoder.id}, 1);
        rig.start();
        withPanel(rig, c.decoder, [&](OutputTestPanel& panel) {
            pressKey(&panel, c.key);
            EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(c.status));
        });
    }
}

TEST(OutputTestPanels, TheCoilPanelTurnsAReversedCoilTheOtherWay)
{
    AppRig rig({Coils.id}, 1);
    rig.device.setStatusDigit(3, '1');  // coil 3 reversed
    rig.start();
    withPanel(rig, Coils, [&](OutputTestPanel& panel) {
        EXPECT_EQ(panel.TestOutputDigits()[0], 0);
        EXPECT_EQ(panel.TestOutputDigits()[2], 1);
        rig.device.clearLog();
        for (Qt::Key key : {Qt::Key_1, Qt::Key_2, Qt::Key_Q, Qt::Key_W})
            pressKey(&panel, key);
    });
    EXPECT_EQ(rig.frames(), (Frames{commands::blockRead(1).bytes, MoveRight, commands::blockRead(1).bytes, MoveLeft,
                                    commands::blockRead(3).bytes, MoveLeft, commands::blockRead(3).bytes, MoveRight}));
}

TEST(OutputTestPanels, ASecondKeyWhileACommandIsOutstandingIsRefused)
{
    AppRig rig({FourFold.id}, 1);
    rig.start();
    withPanel(rig, FourFold, [&](OutputTestPanel& panel) {
        rig.device.clearLog();
        const int beeps = rig.host.beeps();
        // "4" while the block of output 1 is still on its way.
        rig.host.at(rig.host.nowMs() + 50, [&] { pressKey(&panel, Qt::Key_4); });
        pressKey(&panel, Qt::Key_2);
        EXPECT_EQ(rig.frames(), (Frames{commands::blockRead(1).bytes, MoveRight}));
        EXPECT_EQ(rig.host.beeps(), beeps + 1);
        EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 1 dreht auf die runde Position!"));
        // Once it is done, the next key is taken.
        pressKey(&panel, Qt::Key_4);
        EXPECT_EQ(rig.frames().back(), MoveRight);
        EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 2 dreht auf die runde Position!"));
    });
}

TEST(OutputTestPanels, AFailedPressIsReportedAndTheNextPressIsTaken)
{
    struct Case {
        const char* name;
        Fault fault;
        bool onTheMove;  // else on the block read before it
        const char* message;
        Frames sent;
    };
    const Case cases[] = {
        {"no answer to the move", Fault::NoAnswer, true, "Timeout von Decoder!",
         {commands::blockRead(1).bytes, MoveRight}},
        {"move refused", Fault::Refusal, true, "Datentransfer Fehler!", {commands::blockRead(1).bytes, MoveRight}},
        // Without its block read the decoder would move the output read before.
        {"no block", Fault::NoAnswer, false, "Timeout von Decoder!", {commands::blockRead(1).bytes}},
        {"another output's block", Fault::WrongOutputDigit, false, "Datentransfer Fehler!",
         {commands::blockRead(1).bytes}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({FourFold.id}, 1);
        rig.start();
        const QString status = rig.ui().Status->text();
        withPanel(rig, FourFold, [&](OutputTestPanel& panel) {
            if (c.onTheMove)
                rig.device.addStandingFault({c.fault, 0, commands::MoveRightCommand});
            else
                rig.device.injectFault(c.fault);
            rig.device.clearLog();
            rig.host.answerMessage(Answer::Ok, QString::fromUtf8(c.message));
            pressKey(&panel, Qt::Key_2);
            EXPECT_EQ(rig.frames(), c.sent);
            EXPECT_EQ(rig.ui().Status->text(), status);
            EXPECT_TRUE(panel.testPanelReady());
            pressKey(&panel, Qt::Key_3);
            EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 2 dreht auf die gerade Position!"));
        });
    }
}

TEST(OutputTestPanels, ABlockSpoiltByFramingErrorsEndsTheProgram)
{
    AppRig rig({EightFold.id}, 1);
    rig.start();
    withPanel(rig, EightFold, [&](OutputTestPanel& panel) {
        rig.device.addStandingFault({Fault::FrameError, 5});
        rig.device.clearLog();
        rig.host.answerMessage(Answer::Ok, "Decoder ist vermutlich nicht eingeschaltet.");
        pressKey(&panel, Qt::Key_A);
        EXPECT_EQ(rig.frames(), Frames(5, commands::blockRead(5).bytes));
        EXPECT_FALSE(panel.isVisible());
    });
    EXPECT_TRUE(rig.host.quitRequested());
}

TEST(OutputTestPanels, OpeningReadsAndClosingIdentifiesOrReadsOutputOneAgain)
{
    struct Case {
        Decoder decoder;
        Frames opening;
        Frames closing;  // the main window's start-up sequence when the user is back
        const char* status;
    };
    const QByteArray query = commands::powerUpStateQuery().bytes;
    // Block reads; 0 stands for the power-on state query.
    auto frames = [&](std::initializer_list<int> outputs) {
        Frames sent;
        for (int n : outputs)
            sent.push_back(n ? commands::blockRead(n).bytes : query);
        return sent;
    };
    const Case cases[] = {
        {FourFold, frames({1, 2, 3, 4}), frames({3, 3, 0}),
         "4-fach Servo Decoder erkannt!    Decoder-Version N7966445"},
        {FourWay, {}, frames({3, 3, 0}), "4-Wege Weichen Decoder erkannt!   Decoder-Version V7966445"},
        {EightFold, frames({1, 2, 3, 4, 5, 6, 7, 8}), frames({3, 1, 0}),
         // Only block 1 is read again: the detection's text stays.
         "Verbindung Comm 1 wird hergestellt. Bitte warten!  4"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decoder.panel);
        AppRig rig({c.decoder.id}, 1);
        rig.start();
        rig.doubleClickOutput(3);
        rig.device.clearLog();
        withPanel(rig, c.decoder, [&](OutputTestPanel& panel) {
            EXPECT_EQ(rig.frames(), c.opening);
            pressKey(&panel, Qt::Key_2);
            rig.device.clearLog();
            // Enter on "Schließen" closes the window.
            panel.ui().Schliessen->setFocus();
            pressKey(panel.ui().Schliessen, Qt::Key_Return);
            EXPECT_FALSE(panel.isVisible());
        });
        EXPECT_EQ(rig.frames(), c.closing);
        EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(c.status));
        EXPECT_EQ(rig.ui().Servo->currentRow(), 2);
        // A port chosen later identifies the decoder again.
        EXPECT_EQ(rig.identity().ActiveTestOutput, 0);
    }
}

TEST(OutputTestPanels, AReconnectClosesTheModalPanelAndIdentifiesTheDecoder)
{
    // After the power loss another decoder may be on the line: whichever
    // output the panel read last, and whichever the panel's own closing reads
    // again, the reconnect identifies the decoder.
    for (const Decoder& d : {FourFold, EightFold, FourWay}) {
        SCOPED_TRACE(d.panel);
        AppRig rig({d.id}, 1);
        rig.start();
        rig.doubleClickOutput(3);
        withPanel(rig, d, [&](OutputTestPanel& panel) {
            // The decoder loses power while the panel is open, and comes back.
            rig.host.answerMessage(Answer::No, "Decoder wurde oder ist ausgeschaltet.");
            rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
            rig.device.clearLog();
            rig.device.setDsr(false);
            rig.host.at(rig.host.nowMs() + 1000, [&] { rig.device.setDsr(true); });
            rig.host.advanceMs(5000);
            EXPECT_FALSE(panel.isVisible());
        });
        // Detection and identification both read the selected output.
        const Frames frames = rig.frames();
        ASSERT_GE(frames.size(), 2u);
        EXPECT_EQ(Frames(frames.begin(), frames.begin() + 2), Frames(2, commands::blockRead(3).bytes));
        EXPECT_EQ(rig.identity().ActiveTestOutput, 0);
        EXPECT_TRUE(rig.ui().Status->text().contains(QLatin1String(d.id))) << rig.ui().Status->text().toStdString();
    }
}

TEST(OutputTestPanels, TheCoilPanelLeavesTheMainWindowUsable)
{
    AppRig rig({Coils.id}, 1);
    rig.start();
    rig.doubleClickOutput(3);
    ASSERT_TRUE(rig.choose(Coils.entry));
    auto* panel = rig.window().findChild<OutputTestPanel*>(Coils.panel);
    ASSERT_TRUE(panel && panel->isVisible());
    EXPECT_FALSE(panel->isModal());
    // The user clicks into the main window: the output read last is read again.
    rig.device.clearLog();
    rig.host.activate(rig.window());
    EXPECT_EQ(rig.frames(), (Frames{commands::blockRead(3).bytes, commands::blockRead(8).bytes}));
    // The menu entry brings the open window to the front; nothing is read.
    rig.device.clearLog();
    rig.ui().Servo->setCurrentRow(5);
    ASSERT_TRUE(rig.choose(Coils.entry));
    EXPECT_TRUE(rig.frames().empty());
    click(panel->ui().Schliessen);
    rig.host.activate(rig.window());
    EXPECT_EQ(rig.frames(), (Frames{commands::blockRead(3).bytes, commands::blockRead(1).bytes}));
    EXPECT_EQ(rig.ui().Servo->currentRow(), 2);
    EXPECT_EQ(rig.identity().ActiveTestOutput, 0);
}

TEST(OutputTestPanels, ThePortMenuOfTheEightFoldPanelRecordsThePortMachineWide)
{
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "store writable" : "store not writable");
        AppRig rig({EightFold.id}, 1);
        rig.machine.writable = writable;
        rig.start();
        withPanel(rig, EightFold, [&](OutputTestPanel& panel) {
            auto* bar = panel.findChild<QMenuBar*>();
            ASSERT_NE(bar, nullptr);
            QStringList titles;
            for (QAction* title : bar->actions())
                titles << title->text();
            EXPECT_EQ(titles, (QStringList{"Datei", "Serieller Anschluß", "Hilfe"}));
            EXPECT_TRUE(panel.portEntry(1)->isChecked());
            if (!writable)
                rig.host.answerMessage(Answer::Ok, "Softwarefehler 003");
            ASSERT_TRUE(qb::test::chooseMenuEntry(bar, panel.findChild<QMenu*>("mnu_testSeriell"), panel.portEntry(3)));
            EXPECT_EQ(panel.isVisible(), writable);
        });
        EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 3"));
        EXPECT_EQ(rig.checkedPorts(), QStringList{"3"});
        EXPECT_EQ(rig.host.quitRequested(), !writable);
        if (writable) {
            EXPECT_EQ(rig.machine.values.value("SOFTWARE\\Talvenor\\Com_Port").toInt(), 3);
        } else {
            EXPECT_EQ(rig.host.messages().back().title, QStringLiteral("Fehler"));
            EXPECT_EQ(rig.host.messages().back().icon, Icon::Critical);
        }
    }
}

TEST(OutputTestPanels, EachPanelWithItsTitleLabelsNoteAndColours)
{
    struct Case {
        Decoder decoder;
        const char* title;
        QStringList labels;
        const char* note;
        bool modal;
    };
    const Case cases[] = {
        {FourFold, "4-fach Servo Decoder Test", {"Servo 1", "Servo 2", "Servo 3", "Servo 4"},
         "Note:\nZum Steuern der \nServos kann auch \ndie Tastatur verwendet werden.", true},
        {EightFold, "8-fach Servo Decoder Steuerung",
         {"Servo 1", "Servo 2", "Servo 3", "Servo 4", "Servo 5", "Servo 6", "Servo 7", "Servo 8"},
         "Note:\nZum Steuern der \nServos kann auch die \nTastatur verwendet werden.", true},
        {FourWay, "4 Wegeweichen Servo-Decoder Test", {"Servo 1", "Servo 2", "Servo 3", "Servo 4"},
         "Note:\nZum Steuern der \nServos kann \nauch die Tastatur \nverwendet werden.", true},
        {Coils, "8-fach Spulen Test",
         {"Spule 1", "Spule 2", "Spule 3", "Spule 4", "Spule 5", "Spule 6", "Spule 7", "Spule 8"},
         "Note:\nZum Schalten der \nSpulen können Sie \nauch die Tastatur \nverwenden.", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.decoder.panel);
        AppRig rig({c.decoder.id}, 1);
        rig.start();
        withPanel(rig, c.decoder, [&](OutputTestPanel& panel) {
            EXPECT_EQ(panel.windowTitle(), QString::fromUtf8(c.title));
            EXPECT_EQ(panel.isModal(), c.modal);
            QStringList labels;
            for (int k = 1; k <= 8; ++k)
                if (auto* label = panel.findChild<QLabel*>(QStringLiteral("Ausgang_%1").arg(k)); label->isVisible())
                    labels << label->text();
            EXPECT_EQ(labels, c.labels);
            EXPECT_EQ(panel.ui().Hinweis->toPlainText(), QString::fromUtf8(c.note));
            EXPECT_EQ(panel.ui().Schliessen->text(), QStringLiteral("Schließen"));
            for (int b = 0; b <= 1; ++b) {
                const QImage face = panel.button(1, b)->grab().toImage();
                EXPECT_EQ(face.pixelColor(6, face.height() / 2), b == 0 ? QColor(255, 0, 0) : QColor(0, 192, 0));
            }
            if (c.decoder.panel == FourWay.panel) {
                QStringList tips;
                for (int k : {1, 2, 8})
                    tips << panel.button(k, 0)->toolTip() << panel.button(k, 1)->toolTip();
                EXPECT_EQ(tips, (QStringList{"Servo 1b", "Servo 1a", "Servo 1c", "Servo 1d", "Servo 4c", "Servo 4d"}));
            }
        });
    }
}

#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "testpanels/RamWindow.h"
#include "testpanels/TestWindowParts.h"
#include "trafficlight/ButtonColour.h"
#include "trafficlight/TrafficLightTest1.h"
#include "trafficlight/TrafficLightTest23.h"
#include "ui/InfoWindows.h"
#include "ui_TrafficLightTest1.h"
#include "ui_TrafficLightTest23.h"

#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;
using qb::test::pressKey;

namespace {

template <typename Window>
Window* openTestWindow(AppRig& rig)
{
    EXPECT_TRUE(rig.choose("mnu_Ampeltest1"));
    auto* window = rig.window().findChild<Window*>();
    EXPECT_TRUE(window && window->isVisible());
    return window;
}

// Started, with "Rot 1" read, the log cleared.
void startWithFirstPhase(AppRig& rig)
{
    rig.start();
    rig.doubleClickOutput(1);
    rig.device.clearLog();
}

QByteArray frameOf(int byte)
{
    return QByteArray(1, char(byte)) + '\r';
}

}  // namespace

TEST(TrafficLightTest, SecondAndThirdGenerationSwitchByButtonAndKey)
{
    struct Expected {
        int pair;
        int button;
        int byte;
        const char* status;
    };
    const Expected table[] = {
        {1, 0, 145, "Ampel A geht auf rot!"},  {1, 1, 129, "Ampel A geht auf grün!"},
        {2, 0, 146, "Ampel B geht auf rot!"},  {2, 1, 130, "Ampel B geht auf grün!"},
        {3, 0, 147, "Ampel C geht auf rot!"},  {3, 1, 131, "Ampel C geht auf grün!"},
        {4, 0, 148, "Ampel D geht auf rot!"},  {4, 1, 132, "Ampel D geht auf grün!"},
        {5, 0, 149, "Rufampel geht auf rot!"}, {5, 1, 133, "Rufampel geht auf grün!"},
        {6, 0, 150, "Nothalt!"},               {6, 1, 134, "Alle blinken gelb!"},
        {7, 0, 151, "Starte wieder bei A!"},   {7, 1, 135, "Starte wieder bei B!"},
        {8, 0, 152, "Automatik aus!"},         {8, 1, 136, "Automatik ein!"},
    };
    struct Case {
        const char* id;
        const char* objectName;
        const char* title;
    };
    for (const Case c : {Case{"L9624164", "Testampel_2", "Ampel Test"}, Case{"L7466469", "Testampel_3", "Ampel Test Vexa917"}}) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        // The demand light in use, so that every pair is.
        click(rig.trafficLight().T_Kreuzung);
        click(rig.trafficLight().Rufampel);
        auto* window = openTestWindow<TrafficLightTest23>(rig);
        ASSERT_TRUE(window);
        EXPECT_EQ(window->objectName(), QString::fromLatin1(c.objectName));
        EXPECT_EQ(window->windowTitle(), QString::fromUtf8(c.title));
        EXPECT_EQ(window->ui().txtHinweis->toPlainText(),
                  QStringLiteral("Note:\nZum Steuern der \nAmpel kann auch die \nTastatur verwendet \nwerden.\n"));
        for (bool byKey : {false, true})
            for (const Expected& e : table) {
                SCOPED_TRACE(std::to_string(e.pair) + "/" + std::to_string(e.button) + (byKey ? " key" : " click"));
                QPushButton* button = window->button(e.pair, e.button);
                EXPECT_EQ(button->text(), QKeySequence(TrafficLightTest23::key(e.pair, e.button)).toString());
                EXPECT_EQ(buttonColour(button), e.button == 0 ? FirstButtonColour : SecondButtonColour);
                rig.device.clearLog();
                const qint64 before = rig.host.nowMs();
                if (byKey)
                    pressKey(window, TrafficLightTest23::key(e.pair, e.button));
                else
                    click(button);
                EXPECT_EQ(rig.frames(), std::vector<QByteArray>{frameOf(e.byte)});
                EXPECT_EQ(rig.host.nowMs(), before) << "nothing is awaited";
                EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(e.status));
                EXPECT_EQ(rig.device.switchState(e.pair), e.button == 0 ? 1 : 0);
            }
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(TrafficLightTest, TheThirdGenerationFollowsThePanelsSettings)
{
    struct Case {
        const char* id;
        const char* name;
        std::function<void(Ui::TrafficLightPanel&)> choose;
        const char* restartFirst;
        const char* restartSecond;
        bool singly;  // pairs 5, 7 and 8 out of use
        bool demand;  // the demand light's green in use
        bool ram;     // the RAM button there
    };
    const Case cases[] = {
        {"L1164566", "plain crossing", [](Ui::TrafficLightPanel&) {}, "Start AC", "Start BD", false, false, true},
        {"L7466469", "two-way T with demand light",
         [](Ui::TrafficLightPanel& p) {
             click(p.T_Kreuzung2W);
             click(p.Rufampel);
         },
         "Start AB", "Start C", false, true, true},
        {"L1164566", "three-way T", [](Ui::TrafficLightPanel& p) { click(p.T_Kreuzung); }, "Start A", "Start B", false,
         false, true},
        {"L1164566", "phases singly", [](Ui::TrafficLightPanel& p) { click(p.Keine_Phasen); }, "Start AC", "Start BD",
         true, false, true},
        // The second generation's window is the same whatever the panel says.
        {"L9624164", "second generation, phases singly",
         [](Ui::TrafficLightPanel& p) {
             click(p.Kreuzung2);
             click(p.Keine_Phasen);
         },
         "Start A", "Start B", false, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + c.name);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        c.choose(rig.trafficLight());
        auto* window = openTestWindow<TrafficLightTest23>(rig);
        ASSERT_TRUE(window);
        Ui::TrafficLightTest23& ui = window->ui();
        EXPECT_EQ(ui.lblPaar7_0->text(), QString::fromLatin1(c.restartFirst));
        EXPECT_EQ(ui.lblPaar7_1->text(), QString::fromLatin1(c.restartSecond));
        for (int pair : {5, 7, 8})
            for (int b = 0; b < 2; ++b) {
                SCOPED_TRACE(std::to_string(pair) + "/" + std::to_string(b));
                const bool inUse = !c.singly && (pair != 5 || b == 0 || c.demand);
                QPushButton* button = window->button(pair, b);
                EXPECT_EQ(button->isEnabled(), inUse);
                EXPECT_EQ(button->text().isEmpty(), !inUse);
                if (!inUse) {
                    EXPECT_EQ(buttonColour(button), UnusedButtonColour);
                }
                // A key of a button out of use presses nothing.
                rig.device.clearLog();
                pressKey(window, TrafficLightTest23::key(pair, b));
                EXPECT_EQ(rig.frames().size(), inUse ? 1u : 0u);
            }
        EXPECT_EQ(ui.Paar8_2->isVisible(), c.ram);
        if (!c.ram)
            continue;
        // The RAM button sends nothing; it is in use also without automatic phases.
        rig.device.clearLog();
        EXPECT_TRUE(ui.Paar8_2->text().isEmpty());
        click(ui.Paar8_2);
        ASSERT_TRUE(window->ramWindow());
        EXPECT_TRUE(window->ramWindow()->isVisible());
        EXPECT_EQ(window->ramWindow()->windowTitle(), QStringLiteral("RAM Anzeige"));
        EXPECT_TRUE(rig.frames().empty());
    }
}

TEST(TrafficLightTest, TheFirstGenerationReadsTheActionsBlockThenRuns)
{
    struct Expected {
        int pair;
        int button;
        int block;
        const char* status;
    };
    const Expected table[] = {
        {1, 0, 7, "Ampel 1 läuft bis zur Rotphase!"}, {1, 1, 3, "Ampel 1 läuft bis zur Grünphase!"},
        {2, 0, 3, "Ampel 2 läuft bis zur Rotphase!"}, {2, 1, 7, "Ampel 2 läuft bis zur Grünphase!"},
        {3, 0, 5, "Alle Ampeln auf ROT!"},            {3, 1, 1, "Alle Ampeln auf Grün!"},
        {4, 0, 2, "Automatik ausgeschaltet!"},        {4, 1, 4, "Automatik eingeschaltet!"},
    };
    AppRig rig({"L6454348"}, 1);
    startWithFirstPhase(rig);
    auto* window = openTestWindow<TrafficLightTest1>(rig);
    ASSERT_TRUE(window);
    EXPECT_EQ(window->objectName(), QStringLiteral("Testampel_1"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Ampel Test"));
    EXPECT_EQ(window->ui().txtHinweis->toPlainText(),
              QStringLiteral("Note:\nZum Steuern der \nAmpeln kann auch die \nTastatur verwendet werden.\n"));
    // Opening reads the four blocks.
    EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::blockRead(1).bytes, commands::blockRead(2).bytes,
                                                     commands::blockRead(3).bytes, commands::blockRead(4).bytes}));
    EXPECT_EQ(rig.identity().ActiveTestOutput, 4);
    const QByteArray run = commands::moveRight(commands::RunToEnd).bytes;
    ASSERT_EQ(run, QByteArray("\xE1\x02\r"));
    for (bool byKey : {false, true})
        for (const Expected& e : table) {
            SCOPED_TRACE(std::to_string(e.pair) + "/" + std::to_string(e.button) + (byKey ? " key" : " click"));
            rig.device.clearLog();
            if (byKey)
                pressKey(window, TrafficLightTest1::key(e.pair, e.button));
            else
                click(window->button(e.pair, e.button));
            EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::blockRead(e.block).bytes, run}));
            EXPECT_EQ(rig.ui().Status->text(), QString::fromUtf8(e.status));
            EXPECT_EQ(QApplication::focusWidget(), window->button(e.pair, e.button));
        }
    EXPECT_TRUE(rig.host.messages().empty());
}

TEST(TrafficLightTest, TheFirstGenerationTakesOnePressAtATime)
{
    AppRig rig({"L6454348"}, 1);
    startWithFirstPhase(rig);
    auto* window = openTestWindow<TrafficLightTest1>(rig);
    ASSERT_TRUE(window);
    rig.device.clearLog();
    // A second key while the first press waits for the decoder does nothing.
    rig.host.at(rig.host.nowMs() + 20, [&] { pressKey(window, Qt::Key_1); });
    pressKey(window, Qt::Key_W);
    EXPECT_EQ(rig.frames().size(), 2u);
    EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Alle Ampeln auf Grün!"));
}

TEST(TrafficLightTest, TheFirstGenerationTakesTheNextPressAfterAFailure)
{
    // Key 2 reads block 3, then sends the run command.
    struct Case {
        const char* name;
        sim::StandingFault fault;
        const char* message;
        bool runSent;  // a run command must only follow the block that names the action
    };
    const Case cases[] = {
        {"run unanswered", {Fault::NoAnswer, 0, commands::MoveRightCommand}, "Timeout von Decoder!", true},
        {"run refused", {Fault::Refusal, 0, commands::MoveRightCommand}, "Datentransfer Fehler!", true},
        {"block unanswered", {Fault::NoAnswer, 3}, "Timeout von Decoder!", false},
        {"another output's block", {Fault::WrongOutputDigit, 3}, "Datentransfer Fehler!", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"L6454348"}, 1);
        startWithFirstPhase(rig);
        auto* window = openTestWindow<TrafficLightTest1>(rig);
        ASSERT_TRUE(window);
        rig.device.addStandingFault(c.fault);
        rig.host.answerMessage(Answer::Ok, c.message);
        rig.statusLog.clear();
        rig.device.clearLog();
        pressKey(window, Qt::Key_2);
        EXPECT_EQ(rig.host.messageTexts(), QStringList{c.message});
        EXPECT_TRUE(rig.statusLog.isEmpty());
        const std::vector<QByteArray> sent = rig.frames();
        ASSERT_FALSE(sent.empty());
        EXPECT_EQ(sent.front(), commands::blockRead(3).bytes);
        EXPECT_EQ(sent.back() == commands::moveRight(commands::RunToEnd).bytes, c.runSent);
        // Once the user has been told, the window takes the next press
        // (key 1 reads block 7, which answers as it should).
        if (c.runSent)
            rig.host.answerMessage(Answer::Ok, c.message);
        rig.device.clearLog();
        pressKey(window, Qt::Key_1);
        EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::blockRead(7).bytes,
                                                         commands::moveRight(commands::RunToEnd).bytes}));
        EXPECT_EQ(rig.host.unusedAnswers(), 0);
    }
}

TEST(TrafficLightTest, RestingOnAButtonExplainsItAfterThreeSeconds)
{
    struct Case {
        int pair;
        int button;
        const char* text;
    };
    const Case cases[] = {
        {1, 1, "Ampel 1 geht auf GRÜN!\r\n\r\nDie Ampelphasen laufen solange weiter, bis die Ampel 1 GRÜN ist."},
        {2, 0, "Ampel 2 geht auf ROT!\r\n\r\nDie Ampelphasen laufen solange weiter, bis die Ampel 2 ROT ist."},
        {3, 1, "Alle Ampel gehen auf ROT!\r\n\r\nBeim erneuten Starten durch die Automatik, geht es mit Ampel 1 "
               "ROTGELB weiter."},
        {4, 0, "Die Automatik wird ausgeschaltet!\r\n\r\nDie Ampeln laufen noch bis zur zuletzt eingestellten Phase "
               "und bleiben dann stehen."},
    };
    AppRig rig({"L6454348"}, 1);
    startWithFirstPhase(rig);
    auto* window = openTestWindow<TrafficLightTest1>(rig);
    ASSERT_TRUE(window);
    // Beside the main window, so that the mouse reaches it there.
    window->move(rig.window().frameGeometry().right() + 50, 0);
    QWidget* background = window->centralWidget();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        QPushButton* button = window->button(c.pair, c.button);
        QTest::mouseMove(button);
        rig.host.advanceMs(TrafficLightTest1::HoverDelayMs - 100);
        EXPECT_FALSE(window->hint().isVisible());
        rig.host.advanceMs(200);
        ASSERT_TRUE(window->hint().isVisible());
        EXPECT_EQ(window->hint().HintText, QString::fromUtf8(c.text));
        EXPECT_GT(window->hint().x(), button->mapToGlobal(QPoint(0, 0)).x());
        EXPECT_EQ(window->hint().y(), button->mapToGlobal(QPoint(0, 0)).y());
        // The window's background takes the explanation away.
        QTest::mouseMove(background, QPoint(2, 2));
        EXPECT_FALSE(window->hint().isVisible());
    }
    // Leaving before the three seconds shows nothing.
    QTest::mouseMove(window->button(1, 0));
    rig.host.advanceMs(1000);
    QTest::mouseMove(background, QPoint(2, 2));
    rig.host.advanceMs(5000);
    EXPECT_FALSE(window->hint().isVisible());
    // Nor does a label, which is background as well.
    QTest::mouseMove(window->button(1, 0));
    rig.host.advanceMs(1000);
    QTest::mouseMove(window->ui().lblPaar1_0);
    rig.host.advanceMs(5000);
    EXPECT_FALSE(window->hint().isVisible());
    // Straight from one button onto another: the second one is explained,
    // three seconds after the mouse came to it.
    QTest::mouseMove(window->button(1, 0));
    rig.host.advanceMs(2000);
    QTest::mouseMove(window->button(1, 1));
    rig.host.advanceMs(2000);
    EXPECT_FALSE(window->hint().isVisible());
    rig.host.advanceMs(1100);
    ASSERT_TRUE(window->hint().isVisible());
    EXPECT_TRUE(window->hint().HintText.startsWith(QStringLiteral("Ampel 1 geht auf GRÜN!")));
    // The explanation lies over the button: the window system reports the
    // window left, which leaves it standing.
    QEvent leave(QEvent::Leave);
    QApplication::sendEvent(window, &leave);
    EXPECT_TRUE(window->hint().isVisible());
    // Leaving the window before the three seconds shows nothing.
    QTest::mouseMove(background, QPoint(2, 2));
    QTest::mouseMove(window->button(2, 1));
    rig.host.advanceMs(1000);
    QApplication::sendEvent(window, &leave);
    rig.host.advanceMs(5000);
    EXPECT_FALSE(window->hint().isVisible());
    // Closing the window takes the explanation with it.
    QTest::mouseMove(window->button(1, 1));
    rig.host.advanceMs(3100);
    ASSERT_TRUE(window->hint().isVisible());
    click(window->ui().cmdSchliessen);
    EXPECT_FALSE(window->hint().isVisible());
}

TEST(TrafficLightTest, ClosingLeavesTheReReadToTheMainWindow)
{
    enum class Closing { Click, Enter, WindowFrame };
    struct Case {
        const char* id;
        Closing closing;
        int activeTestOutput;
        std::vector<QByteArray> frames;  // when the user is back in the main window
    };
    // With the third phase shown, detection reads block 3; the full
    // identification reads it again, the re-read reads block 1.
    const QByteArray block1 = commands::blockRead(1).bytes;
    const QByteArray block3 = commands::blockRead(3).bytes;
    const Case cases[] = {
        {"L6454348", Closing::Click, 0, {block3, block3}},
        {"L9624164", Closing::Enter, 1, {block3, block1}},
        {"L7466469", Closing::WindowFrame, 1, {block3, block1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        rig.doubleClickOutput(3);
        ASSERT_TRUE(rig.choose("mnu_Ampeltest1"));
        auto* window = rig.window().findChild<TrafficLightTestWindow*>();
        ASSERT_TRUE(window);
        EXPECT_FALSE(window->isModal());
        QPushButton* close = window->findChild<QPushButton*>("cmdSchliessen");
        ASSERT_TRUE(close);
        EXPECT_EQ(close->text(), QStringLiteral("Schließen"));
        // Meanwhile a single click elsewhere in the list.
        rig.ui().Servo->setCurrentRow(5);
        switch (c.closing) {
        case Closing::Enter:
            // Enter closes only on the close button; elsewhere it presses nothing.
            pressKey(window->button(1, 0), Qt::Key_Return);
            EXPECT_TRUE(window->isVisible());
            pressKey(close, Qt::Key_Return);
            break;
        case Closing::Click:
            click(close);
            break;
        case Closing::WindowFrame:
            qb::test::closeByWindowFrame(window);
            break;
        }
        EXPECT_FALSE(window->isVisible());
        EXPECT_EQ(rig.identity().ActiveTestOutput, c.activeTestOutput);
        // The list shows the output whose values are on screen.
        EXPECT_EQ(rig.ui().Servo->currentRow(), 2);
        rig.device.clearLog();
        rig.host.activate(rig.window());
        rig.host.advanceMs(2000);
        EXPECT_EQ(rig.frames(), c.frames);
        // That re-read was the one after closing: later returns identify.
        EXPECT_EQ(rig.identity().ActiveTestOutput, 0);
        // Opening again works.
        ASSERT_TRUE(rig.choose("mnu_Ampeltest1"));
        EXPECT_TRUE(rig.window().findChild<TrafficLightTestWindow*>()->isVisible());
    }
}

TEST(TrafficLightTest, ANewTestWindowWaitsUntilTheLineIsFree)
{
    QTemporaryDir folder;
    AppRig rig({"L1164566"}, 1);
    rig.settings.setValue("Quenbrix_551", "Parameter", "Location", folder.path());
    startWithFirstPhase(rig);
    auto* window = openTestWindow<TrafficLightTest23>(rig);
    ASSERT_TRUE(window);
    click(window->ui().Paar8_2);
    RamWindow* ram = window->ramWindow();
    ASSERT_TRUE(ram);
    // While the RAM image comes, the user closes the test window and asks
    // for it again: the window whose RAM view reads stays.
    const int beeps = rig.host.beeps();
    rig.host.at(rig.host.nowMs() + 1000, [&] {
        click(window->ui().cmdSchliessen);
        rig.choose("mnu_Ampeltest1");
    });
    click(ram->findChild<QPushButton*>("Command1"));
    EXPECT_EQ(rig.host.beeps(), beeps + 1);
    EXPECT_EQ(rig.window().findChild<TrafficLightTest23*>(), window);
    EXPECT_EQ(ram->findChild<QPushButton*>("Command1")->text(), QStringLiteral("Fertig"));
    // Afterwards it opens anew, with the panel's settings of that moment.
    click(rig.trafficLight().Keine_Phasen);
    auto* again = openTestWindow<TrafficLightTest23>(rig);
    ASSERT_TRUE(again);
    EXPECT_FALSE(again->button(8, 0)->isEnabled());
}

TEST(TrafficLightTest, ThePortMenuRecordsThePortMachineWide)
{
    for (const bool writable : {true, false}) {
        SCOPED_TRACE(writable ? "store writable" : "store not writable");
        AppRig rig({"L9624164"}, 1);
        rig.machine.writable = writable;
        startWithFirstPhase(rig);
        auto* window = openTestWindow<TrafficLightTest23>(rig);
        ASSERT_TRUE(window);
        QStringList titles;
        for (QAction* title : window->menuBar()->actions())
            titles << title->text();
        EXPECT_EQ(titles, (QStringList{"Datei", "Serieller Anschluß", "Hilfe"}));
        auto* ports = window->findChild<QMenu*>("mnu_testSeriell");
        ASSERT_TRUE(ports);
        QStringList entries;
        for (QAction* entry : ports->actions())
            entries << entry->text();
        EXPECT_EQ(entries, (QStringList{"COM1", "COM2", "COM3", "COM4", "COM5", "COM6", "COM7", "COM8"}));
        EXPECT_TRUE(window->portMenu().portEntry(1)->isChecked());
        // The other entries do not act.
        EXPECT_FALSE(window->findChild<QAction*>("mnu_testBeenden")->isEnabled());
        EXPECT_FALSE(window->findChild<QAction*>("mnu_testInfo")->isEnabled());

        if (!writable)
            rig.host.answerMessage(Answer::Ok, "Softwarefehler 003");
        ASSERT_TRUE(qb::test::chooseMenuEntry(*window, ports, window->portMenu().portEntry(3)));
        EXPECT_EQ(rig.ui().COM_Port_Text->text(), QStringLiteral("COM Port 3"));
        EXPECT_EQ(rig.checkedPorts(), QStringList{"3"});
        // The program ends when the port cannot be recorded, and the window goes with it.
        EXPECT_EQ(window->isVisible(), writable);
        EXPECT_EQ(rig.host.quitRequested(), !writable);
        if (writable) {
            EXPECT_EQ(rig.machine.values.value("SOFTWARE\\Talvenor\\Com_Port").toInt(), 3);
            EXPECT_TRUE(window->portMenu().portEntry(3)->isChecked());
            EXPECT_FALSE(window->portMenu().portEntry(1)->isChecked());
        }
    }
}

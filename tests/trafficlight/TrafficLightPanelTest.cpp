#include "decoder/FamilyLayout.h"
#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "trafficlight/ButtonColour.h"
#include "ui/WaitWindow.h"

#include <QCheckBox>
#include <QDialog>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;
using qb::test::pressKey;
using qb::test::type;

namespace {

QStringList listEntries(AppRig& rig)
{
    QStringList entries;
    for (int i = 0; i < rig.ui().Servo->count(); ++i)
        entries << rig.ui().Servo->item(i)->text();
    return entries;
}

QStringList resetCaptions(AppRig& rig)
{
    QStringList captions;
    for (int i = 1; i <= 8; ++i)
        captions << rig.menuEntry(QStringLiteral("mnu_RServo_%1").arg(i))->text();
    return captions;
}

// Shown ("+"), shown but disabled ("-") or hidden (".") for the four bus-lane boxes.
QString busLanes(AppRig& rig)
{
    QString state;
    for (QCheckBox* box : {rig.trafficLight().Busspur_1, rig.trafficLight().Busspur_2, rig.trafficLight().Busspur_3,
                           rig.trafficLight().Busspur_4})
        state += !box->isVisible() ? '.' : box->isEnabled() ? '+' : '-';
    return state;
}

QRadioButton* crossing(AppRig& rig, const QString& name)
{
    return rig.window().trafficLightPanel().findChild<QRadioButton*>(name);
}

// Started with "Rot 1" read, so that the panel shows the decoder's data.
void startWithFirstPhase(AppRig& rig)
{
    rig.start();
    rig.doubleClickOutput(1);
    rig.device.clearLog();
}

// The configuration write's bytes after the command byte, for the factory
// neutral position.
QByteArray configText(std::uint8_t crossingCode, char function, std::uint8_t busLanes, char country)
{
    QByteArray text = "12AF8";
    text += char(crossingCode);
    text += function;
    text += '0';
    text += char(busLanes);
    text += "00000";
    text += country;
    return text;
}

std::optional<QByteArray> frameWith(const std::vector<QByteArray>& frames, std::uint8_t command)
{
    for (const QByteArray& frame : frames)
        if (std::uint8_t(frame[0]) == command)
            return frame;
    return std::nullopt;
}

}  // namespace

TEST(TrafficLightPanel, EachLayoutListsItsPhasesAndOffersItsOptions)
{
    struct Case {
        const char* id;
        const char* option;
        int entries;
        const char* lanes;       // A..D as busLanes() writes them
        bool pedestrianShown;
        const char* demand;      // caption, or "" when the box is disabled
        int layoutCode;
    };
    const Case cases[] = {
        {"L9624164", "Kreuzung2", 8, "+...", false, "", 2},
        {"L9624164", "Kreuzung2T", 8, "+...", false, "", 1},
        {"L9624164", "T_Kreuzung", 12, "+...", true, "Ampel B ist Rufampel", 4},
        {"L9624164", "Kreuzung4", 16, "+...", true, "Ampel B ist Rufampel", 8},
        {"L9624164", "T_Kreuzung2W", 12, "+...", true, "Ampel C ist Rufampel", 16},
        {"L1164566", "Kreuzung2", 8, "++..", false, "", 2},
        {"L1164566", "Kreuzung2T", 8, "++..", false, "", 1},
        {"L1164566", "T_Kreuzung", 12, "+++.", true, "Ampel B ist Rufampel", 4},
        {"L1164566", "Kreuzung4", 16, "++++", true, "Ampel B ist Rufampel", 8},
        {"L1164566", "T_Kreuzung2W", 12, "+.+.", true, "Ampel C ist Rufampel", 16},
        {"L7466469", "Kreuzung2", 8, "++..", true, "", 2},
        {"L6454348", "Kreuzung4", 16, "+...", true, "Ampel B ist Rufampel", 8},
        {"L6454348", "T_Kreuzung2W", 12, "+...", true, "Ampel C ist Rufampel", 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + c.option);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        Ui::TrafficLightPanel& panel = rig.trafficLight();
        // From another layout, so that the option really changes, with a
        // tick that the new layout must clear.
        click(crossing(rig, c.option) == panel.T_Kreuzung ? panel.Kreuzung4 : panel.T_Kreuzung);
        click(panel.Busspur_1);
        ASSERT_TRUE(panel.Busspur_1->isChecked());
        click(crossing(rig, c.option));

        const QStringList names = phaseNames(c.entries / 4);
        EXPECT_EQ(listEntries(rig), names);
        EXPECT_EQ(resetCaptions(rig), names.mid(0, 8));
        EXPECT_EQ(rig.identity().EntryCount, c.entries);
        EXPECT_EQ(busLanes(rig), QString::fromLatin1(c.lanes));
        for (QCheckBox* box : {panel.Busspur_1, panel.Busspur_2, panel.Busspur_3, panel.Busspur_4})
            EXPECT_FALSE(box->isChecked());
        EXPECT_EQ(panel.Fussgaenger->isVisible(), c.pedestrianShown);
        EXPECT_EQ(panel.Rufampel->isEnabled(), *c.demand != 0);
        if (*c.demand) {
            EXPECT_EQ(panel.Rufampel->text(), QString::fromUtf8(c.demand));
        }
        EXPECT_EQ(rig.session().selectedLayoutCode(), c.layoutCode);
        EXPECT_TRUE(crossing(rig, c.option)->font().bold());
        EXPECT_FALSE((crossing(rig, c.option) == panel.T_Kreuzung ? panel.Kreuzung4 : panel.T_Kreuzung)->font().bold());
        // The 2012 decoder has no transistor crossing.
        EXPECT_EQ(panel.Kreuzung2T->isVisible(), std::string(c.id) != "L7466469");
        // The entry chosen last is selected again.
        EXPECT_EQ(rig.ui().Servo->currentRow(), 0);
    }
}

TEST(TrafficLightPanel, EveryCrossingCodeTheIdentificationMeetsFillsTheList)
{
    struct Case {
        const char* id;
        int field2;
        const char* option;
        int entries;
    };
    const Case cases[] = {
        {"L9624164", 1, "Kreuzung2T", 8},    {"L9624164", 2, "Kreuzung2", 8},
        {"L9624164", 4, "T_Kreuzung", 12},   {"L9624164", 8, "Kreuzung4", 16},
        {"L9624164", 16, "T_Kreuzung2W", 12},
        {"L9624164", 136, "Kreuzung4", 16},  // pedestrian phase
        {"L9624164", 168, "Kreuzung4", 16},  // pedestrian phase and bus lane
        {"L9624164", 68, "T_Kreuzung", 12},  // demand light
        {"L9624164", 24, "Kreuzung2", 8},    // no layout of its own in this generation
        {"L9624164", 0, "Kreuzung2", 8},
        {"L7466469", 136, "Kreuzung4", 16},
        {"L7466469", 24, "Kreuzung4", 16},
        {"L7466469", 208, "T_Kreuzung2W", 12},
        {"L1164566", 24, "Kreuzung4", 16},
        {"L1164566", 255, "Kreuzung2", 8},
        {"L6454348", 1, "Kreuzung2", 8},     // the first generation numbers its layouts apart
        {"L6454348", 2, "Kreuzung2T", 8},
        {"L6454348", 3, "T_Kreuzung", 12},
        {"L6454348", 4, "Kreuzung4", 16},
        {"L6454348", 5, nullptr, 8},         // no layout: the identification's two light sets stay
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.field2));
        AppRig rig({c.id}, 1);
        for (int n = 1; n <= 16; ++n)
            rig.device.setField(n, 2, static_cast<std::uint8_t>(c.field2));
        rig.start();

        EXPECT_EQ(listEntries(rig), phaseNames(c.entries / 4));
        for (QRadioButton* option : rig.trafficLight().frmAmpelfunktion->findChildren<QRadioButton*>())
            EXPECT_EQ(option->isChecked(), c.option && option->objectName() == c.option) << option->objectName().toStdString();
        // Every phase can be chosen and read.
        rig.doubleClickOutput(c.entries);
        EXPECT_EQ(rig.ui().Servo_auswahl->text(), phaseNames(4)[c.entries - 1]);
        EXPECT_TRUE(rig.trafficLight().cmdAmpelzeit->isEnabled());
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(TrafficLightPanel, TheConfigurationWriteCarriesItsCodesAsRawBytes)
{
    struct Case {
        const char* name;
        const char* id;
        std::function<void(Ui::TrafficLightPanel&)> choose;
        QByteArray text;
    };
    const Case cases[] = {
        {"generation 2: four ways, pedestrians, bus lane A", "L9624164",
         [](Ui::TrafficLightPanel& p) {
             click(p.Kreuzung4);
             click(p.Fussgaenger);
             click(p.Busspur_1);
         },
         configText(168, '1', 0, '0')},
        {"generation 3: two-way T, demand light, bus lanes A and C", "L1164566",
         [](Ui::TrafficLightPanel& p) {
             click(p.T_Kreuzung2W);
             click(p.Rufampel);
             click(p.Busspur_1);
             click(p.Busspur_3);
         },
         configText(80, '1', 5, '0')},
        {"generation 3: bus lanes A, C and D make a CR", "L7466469",
         [](Ui::TrafficLightPanel& p) {
             click(p.Kreuzung4);
             click(p.Busspur_1);
             click(p.Busspur_3);
             click(p.Busspur_4);
         },
         configText(8, '1', 13, '0')},
        {"generation 1: no two-way T", "L6454348", [](Ui::TrafficLightPanel& p) { click(p.T_Kreuzung2W); },
         configText(0, '1', 0, '0')},
        {"generation 1: the T crossing has code 3, without flags", "L6454348",
         [](Ui::TrafficLightPanel& p) {
             click(p.T_Kreuzung);
             click(p.Fussgaenger);
         },
         configText(3, '1', 0, '0')},
        {"Österreich", "L9624164", [](Ui::TrafficLightPanel& p) { click(p.Deutschland_2); }, configText(2, '1', 0, '8')},
        {"Niederland by command station", "L9624164",
         [](Ui::TrafficLightPanel& p) {
             click(p.Zentrale);
             click(p.Deutschland_1);
         },
         configText(2, '2', 0, '1')},
        {"phases singly", "L1164566", [](Ui::TrafficLightPanel& p) { click(p.Keine_Phasen); }, configText(2, '3', 0, '0')},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        c.choose(rig.trafficLight());
        click(rig.trafficLight().cmdAmpelzeit);

        const std::optional<QByteArray> write = frameWith(rig.frames(), commands::ConfigWriteCommand);
        ASSERT_TRUE(write);
        EXPECT_EQ(write->mid(1, write->size() - 2), c.text);
        EXPECT_EQ(rig.device.field(1, 2), std::uint8_t(c.text[5])) << "the decoder took the code";
    }
}

TEST(TrafficLightPanel, PhaseTimesFromATenthOfASecondToAMinute)
{
    struct Case {
        QString typed;
        QString shown;      // in the box once typed
        QByteArray sent;    // the phase-time text, empty when nothing is sent
        QString message;
    };
    const Case cases[] = {
        {"100", "100", "0064", {}},
        {"1500", "1500", "05DC", {}},
        {"99", "99", {}, "Wert für Rot 1 ist kleiner als 0,1 Sekunden!"},
        {"99,4", "99,4", {}, "Wert für Rot 1 ist kleiner als 0,1 Sekunden!"},
        {"99,5", "99,5", "0064", {}},
        {"60000", "60000", "EA60", {}},
        {"70000", "60000", "EA60", "Zeit ist größer als 60 Sekunden!"},
        {"abc", "", {}, "Wert für Rot 1 ist kleiner als 0,1 Sekunden!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        AppRig rig({"L9624164"}, 1);
        startWithFirstPhase(rig);
        QLineEdit* box = rig.trafficLight().txtAmpelzeit;
        box->selectAll();
        pressKey(box, Qt::Key_Delete);
        if (!c.message.isEmpty())
            rig.host.answerMessage(Answer::Ok, c.message);
        type(box, c.typed);
        EXPECT_EQ(box->text(), c.shown);
        click(rig.trafficLight().cmdAmpelzeit);

        const std::optional<QByteArray> write = frameWith(rig.frames(), commands::SetLeftCommand);
        if (c.sent.isEmpty()) {
            EXPECT_FALSE(write);
            EXPECT_TRUE(rig.frames().empty());
        } else {
            ASSERT_TRUE(write);
            EXPECT_EQ(*write, QByteArray("\xCA" "1") + c.sent + '\r');
        }
        EXPECT_EQ(rig.host.messageTexts(), c.message.isEmpty() ? QStringList() : QStringList{c.message});
    }
}

TEST(TrafficLightPanel, TheSaveStoresTheTimeConfiguresRestartsAndReadsTheFirstPhaseBack)
{
    struct Case {
        const char* name;
        bool byEnter;
        bool automatic;
    };
    for (const Case c : {Case{"button, automatic", false, true}, Case{"Enter, command station", true, false}}) {
        SCOPED_TRACE(c.name);
        AppRig rig({"L9624164"}, 1);
        rig.start();
        rig.doubleClickOutput(1);
        rig.doubleClickOutput(3);
        if (!c.automatic)
            click(rig.trafficLight().Zentrale);
        rig.device.clearLog();
        rig.statusLog.clear();
        QString waitTitle;
        qint64 waitOpenedMs = 0;
        rig.host.onModal("Warten_Ampel", [&](QDialog& d) {
            waitTitle = d.windowTitle();
            waitOpenedMs = rig.host.nowMs();
        });
        QLineEdit* box = rig.trafficLight().txtAmpelzeit;
        box->selectAll();
        type(box, "4500");
        const qint64 startMs = rig.host.nowMs();
        if (c.byEnter)
            pressKey(box, Qt::Key_Return);
        else
            click(rig.trafficLight().cmdAmpelzeit);

        const std::vector<QByteArray> frames = rig.frames();
        ASSERT_EQ(frames.size(), 4u);
        EXPECT_EQ(frames[0], QByteArray("\xCA" "3" "1194\r"));
        EXPECT_EQ(frames[1], QByteArray("\xEF") + configText(2, c.automatic ? '1' : '2', 0, '0') + '\r');
        EXPECT_EQ(frames[2], QByteArray("\xCC" "11\r"));
        EXPECT_EQ(frames[3], commands::blockRead(1).bytes);
        EXPECT_EQ(rig.device.value16(3, 5), 4500);
        EXPECT_EQ(rig.host.modalWindows(), QStringList{"Warten_Ampel"});
        EXPECT_EQ(waitTitle, QStringLiteral("Decoder wird neu gestartet, bitte warten..."));
        // 4 s in automatic mode, 10 s otherwise, before the read-back.
        const qint64 waitMs = WaitWindow::Ticks * (c.automatic ? 400 : 1000);
        EXPECT_GE(rig.device.log().back().timeUs / 1000 - waitOpenedMs, waitMs);
        EXPECT_LT(rig.host.nowMs() - startMs, waitMs + 1000);
        EXPECT_TRUE(rig.statusLog.contains("Daten gespeichert!"));
        EXPECT_TRUE(rig.statusLog.contains("Grün 1 Daten geändert"));
        // Back on the first phase, whatever was selected before.
        EXPECT_EQ(rig.ui().Servo->currentRow(), 0);
        EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Rot 1"));
        EXPECT_EQ(rig.trafficLight().lblAmpelzeit->text(), QStringLiteral("Neue Zeit für Rot 1 ="));
        EXPECT_EQ(rig.outputSettings().OutputNumber, 1);
        EXPECT_FALSE(rig.session().dialogActive().isSet());
        EXPECT_TRUE(rig.window().trafficLightPanel().ChangeMarkingActive);
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(TrafficLightPanel, AFailedSaveStopsWhereTheDecoderFailed)
{
    struct Case {
        const char* name;
        sim::StandingFault fault;
        const char* message;
        int frames;  // sent
    };
    const Case cases[] = {
        {"no answer to the time", {Fault::NoAnswer, 0, commands::SetLeftCommand}, "Timeout von Decoder!", 1},
        {"the time refused", {Fault::Refusal, 0, commands::SetLeftCommand}, "Datentransfer Fehler!", 1},
        // The restart and the read-back follow all the same.
        {"no answer to the configuration", {Fault::NoAnswer, 0, commands::ConfigWriteCommand},
         "Timeout von Decoder!", 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"L1164566"}, 1);
        startWithFirstPhase(rig);
        rig.device.addStandingFault(c.fault);
        rig.host.answerMessage(Answer::Ok, c.message);
        click(rig.trafficLight().cmdAmpelzeit);
        EXPECT_EQ(rig.host.messageTexts(), QStringList{c.message});
        EXPECT_EQ(static_cast<int>(rig.frames().size()), c.frames);
        EXPECT_EQ(rig.host.modalWindows().size(), c.frames > 1 ? 1u : 0u);
    }
}

TEST(TrafficLightPanel, CountryCodesAndTheAustrianRule)
{
    AppRig rig({"L1164566"}, 1);
    startWithFirstPhase(rig);
    TrafficLightPanel& panel = rig.window().trafficLightPanel();
    Ui::TrafficLightPanel& ui = rig.trafficLight();
    click(ui.Deutschland_1);
    EXPECT_EQ(panel.CountryCode, 1);
    click(ui.Deutschland_2);
    EXPECT_EQ(panel.CountryCode, 8);

    // Phases switched singly know no Austrian variant.
    rig.host.answerMessage(Answer::Ok);
    click(ui.Keine_Phasen);
    EXPECT_EQ(rig.host.messageTexts(),
              QStringList{"In diesem Modus ist die Länderauswahl \"Österreich\" nicht möglich!\r\n"
                          "Wählen Sie \"Deutschland\" oder \"Niederland\" aus."});
    EXPECT_TRUE(ui.Deutschland_0->isChecked());
    EXPECT_FALSE(ui.Deutschland_2->isChecked());
    EXPECT_FALSE(ui.Deutschland_2->isEnabled());
    EXPECT_EQ(panel.CountryCode, 0);
    EXPECT_FALSE(ui.Rufampel->isEnabled());
    EXPECT_FALSE(ui.Rufampel->isChecked());

    click(ui.Automatik);
    EXPECT_TRUE(ui.Deutschland_2->isEnabled());
    EXPECT_FALSE(ui.Deutschland_2->isChecked());
    EXPECT_TRUE(ui.Rufampel->isEnabled());
    EXPECT_EQ(rig.host.messages().size(), 1u);
}

TEST(TrafficLightPanel, OnlyTheUsersChangesMarkTheSaveButton)
{
    AppRig rig({"L9624164"}, 1);
    rig.start();
    TrafficLightPanel& panel = rig.window().trafficLightPanel();
    Ui::TrafficLightPanel& ui = rig.trafficLight();
    // Before the decoder's data are on screen no edit colours the button.
    click(ui.Kreuzung4);
    click(ui.Fussgaenger);
    EXPECT_FALSE(panel.changesPending());

    rig.doubleClickOutput(1);
    EXPECT_FALSE(panel.changesPending()) << "a read is no change";
    rig.doubleClickOutput(2);
    EXPECT_FALSE(panel.changesPending());
    struct Edit {
        const char* name;
        std::function<void()> act;
    };
    const Edit edits[] = {
        {"pedestrians", [&] { click(ui.Fussgaenger); }},
        {"bus lane", [&] { click(ui.Busspur_1); }},
        {"layout", [&] { click(ui.T_Kreuzung); }},
        {"mode", [&] { click(ui.Zentrale); }},
        {"country", [&] { click(ui.Deutschland_1); }},
        {"time", [&] { type(ui.txtAmpelzeit, "0"); }},
    };
    for (const Edit& edit : edits) {
        SCOPED_TRACE(edit.name);
        rig.doubleClickOutput(1);
        click(ui.cmdAmpelzeit);
        ASSERT_FALSE(panel.changesPending());
        edit.act();
        EXPECT_TRUE(panel.changesPending());
        EXPECT_EQ(buttonColour(ui.cmdAmpelzeit), PendingColour);
    }
    // A save that is refused still clears the marking, and edits mark no
    // more until the data are shown again.
    ui.txtAmpelzeit->clear();
    rig.host.answerMessage(Answer::Ok, "kleiner als 0,1 Sekunden!");
    click(ui.cmdAmpelzeit);
    EXPECT_FALSE(panel.changesPending());
    click(ui.Busspur_1);
    EXPECT_FALSE(panel.changesPending());
}

TEST(TrafficLightPanel, AShorterLayoutLeavesNoPhaseOnScreenThatItHasNot)
{
    AppRig rig({"L9624164"}, 1);
    rig.start();
    Ui::TrafficLightPanel& ui = rig.trafficLight();
    click(ui.Kreuzung4);
    rig.doubleClickOutput(15);
    ASSERT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Grün 4"));
    ASSERT_TRUE(ui.cmdAmpelzeit->isEnabled());

    click(ui.Kreuzung2);
    EXPECT_EQ(rig.ui().Servo->count(), 8);
    EXPECT_EQ(rig.ui().Servo->currentRow(), -1);
    EXPECT_TRUE(ui.txtAmpelzeit->text().isEmpty());
    EXPECT_FALSE(ui.cmdAmpelzeit->isEnabled());
    rig.device.clearLog();
    pressKey(ui.txtAmpelzeit, Qt::Key_Return);
    EXPECT_TRUE(rig.frames().empty());

    // Within the layout the chosen entry stays.
    rig.doubleClickOutput(3);
    click(ui.Kreuzung4);
    EXPECT_EQ(rig.ui().Servo->currentRow(), 2);
    EXPECT_TRUE(ui.cmdAmpelzeit->isEnabled());
}

TEST(TrafficLightPanel, ARereadKeepsTheUsersLayoutAndItsOptions)
{
    // The decoder stores the four-way crossing with a pedestrian phase; the
    // user has chosen the two-way T with a demand light and not saved yet.
    AppRig rig({"L9624164"}, 1);
    for (int n = 1; n <= 16; ++n)
        rig.device.setField(n, 2, 8 + 128);
    startWithFirstPhase(rig);
    Ui::TrafficLightPanel& ui = rig.trafficLight();
    ASSERT_TRUE(ui.Fussgaenger->isChecked());
    click(ui.T_Kreuzung2W);
    click(ui.Fussgaenger);
    click(ui.Rufampel);
    rig.doubleClickOutput(5);
    EXPECT_TRUE(ui.T_Kreuzung2W->isChecked());
    EXPECT_TRUE(ui.Rufampel->isChecked());
    EXPECT_FALSE(ui.Fussgaenger->isChecked());
    EXPECT_EQ(rig.ui().Servo->count(), 12);

    // A full identification lists the stored layout's phases; the panel's
    // layout takes its own back.
    ASSERT_TRUE(rig.choose("mnu_com_1"));
    EXPECT_EQ(rig.ui().Servo->count(), 12);
    EXPECT_TRUE(ui.T_Kreuzung2W->isChecked());

    click(ui.cmdAmpelzeit);
    const std::optional<QByteArray> write = frameWith(rig.frames(), commands::ConfigWriteCommand);
    ASSERT_TRUE(write);
    EXPECT_EQ(std::uint8_t(write->at(6)), 16 + 64);
}

TEST(TrafficLightPanel, The2012DecoderOffersPedestriansOnThePlainCrossing)
{
    struct Case {
        const char* id;
        bool pedestrians;
    };
    for (const Case c : {Case{"L7466469", true}, Case{"L1164566", false}, Case{"L9624164", false}}) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        startWithFirstPhase(rig);
        Ui::TrafficLightPanel& ui = rig.trafficLight();
        click(ui.Kreuzung4);
        click(ui.Fussgaenger);
        click(ui.Kreuzung2);
        EXPECT_EQ(ui.Fussgaenger->isVisible(), c.pedestrians);
        EXPECT_FALSE(ui.Fussgaenger->isChecked());
        EXPECT_EQ(ui.Kreuzung2T->isVisible(), !c.pedestrians);
        EXPECT_EQ(ui.Label4_3->isVisible(), !c.pedestrians);
    }
}

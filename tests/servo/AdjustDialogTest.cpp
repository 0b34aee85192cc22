#include "link/CommandCatalogue.h"
#include "servo/AdjustDialog.h"
#include "servo/RunTestDialog.h"
#include "support/AppRig.h"
#include "ui_AdjustDialog.h"
#include "ui_RunTestDialog.h"

#include <QCheckBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;
using qb::test::pressKey;
using qb::test::type;

namespace {

const QColor Red(255, 128, 128);
const QColor Grey(212, 208, 200);

QColor colour(QPushButton* button)
{
    return button->palette().color(QPalette::Button);
}

// What a servo output holds before the test.
struct Servo {
    int left = 14000;
    int right = 8000;
    int actual = 11000;
    int runTimeLeft = 20;
    int runTimeRight = 20;
    std::uint8_t flags = 0x81;  // positive pulse, turnout
    int amount = 0;
};

void setServo(sim::DecoderDevice& device, int n, const Servo& s)
{
    device.setField(n, 1, s.flags);
    device.setValue16(n, 5, s.left);
    device.setValue16(n, 7, s.actual);
    device.setValue16(n, 9, s.right);
    device.setValue16(n, 13, s.runTimeLeft);
    device.setValue16(n, 15, s.amount);
    device.setValue16(n, 17, s.runTimeRight);
}

// The rig started, output n selected, and the adjustment dialog opened on
// it; `use` runs while it is open. A dialog `use` leaves open is taken away.
void withDialog(AppRig& rig, int n, const std::function<void(AdjustDialog&, Ui::AdjustDialog&)>& use)
{
    rig.start();
    rig.doubleClickOutput(n);
    rig.device.clearLog();
    rig.statusLog.clear();
    bool opened = false;
    rig.host.onModal("Einstellen", [&](QDialog& dialog) {
        opened = true;
        auto& adjustDialog = static_cast<AdjustDialog&>(dialog);
        use(adjustDialog, adjustDialog.ui());
        if (dialog.isVisible())
            dialog.done(QDialog::Rejected);
    });
    click(rig.servo().Command3);
    EXPECT_TRUE(opened);
}

QByteArray frame(std::initializer_list<int> bytes)
{
    QByteArray f;
    for (int b : bytes)
        f += char(b);
    return f;
}

// Frames of one command byte, as their parameter texts.
QStringList sent(const AppRig& rig, int command)
{
    QStringList texts;
    for (const QByteArray& f : rig.frames())
        if (static_cast<std::uint8_t>(f[0]) == command)
            texts << QString::fromLatin1(f.mid(1, f.size() - 2));
    return texts;
}

std::vector<int> commandBytes(const AppRig& rig)
{
    std::vector<int> bytes;
    for (const QByteArray& f : rig.frames())
        bytes.push_back(static_cast<std::uint8_t>(f[0]));
    return bytes;
}

void replaceText(QLineEdit* field, const QString& text)
{
    pressKey(field, Qt::Key_A, Qt::ControlModifier);
    type(field, text);
}

const QString Unchanged = QStringLiteral("\r\nDer bisherige Wert bleibt unverändert.");
const QString Crossing = QStringLiteral("\r\nDas führt zu Fehlfunktionen in der Servosteuerung.");

}  // namespace

TEST(AdjustDialog, LoadsCaptionPanelAndColoursForTheOutput)
{
    struct Case {
        const char* id;
        int output;
        std::uint8_t flags;
        int amount;
        const char* caption;
        bool bounceShown, repeatsShown, endlessShown;
        const char* storeCaption;  // empty: hidden
    };
    const Case cases[] = {
        {"R5--XC48", 3, 0x81, 0, "Servo 3 Weiche einstellen", false, false, false, ""},
        {"R5--XC48", 3, 0xA2, 1000, "Servo 3 Flügelsignal einstellen", true, false, false,
         "Neue Werte für das Nachfedern speichern"},
        {"R5--XC48", 2, 0x84, 0, "Servo 2 Bahnschranke einstellen", true, false, false,
         "Neue Werte für das Nachfedern speichern"},
        {"R5--XC48", 1, 0x88, 30, "Servo 1 Wiederholung einstellen", false, true, false, "Wiederholungen speichern"},
        {"R5XC6645", 1, 0x88, 30, "Servo 1 Wiederholung einstellen", false, true, true, "Wiederholungen speichern"},
        // The 4-way turnout's function name has a blank of its own.
        {"V7966445", 4, 0x81, 0, "Servo 2c+2d  4-Wegeweiche einstellen", false, false, false, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.caption);
        AppRig rig({c.id}, 1);
        setServo(rig.device, c.output, {.left = 14000, .right = 8000, .actual = 14000, .flags = c.flags, .amount = c.amount});
        withDialog(rig, c.output, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
            EXPECT_EQ(d.windowTitle(), QString::fromUtf8(c.caption));
            EXPECT_EQ(ui.Linker_Wert->text(), "14000");
            EXPECT_EQ(ui.Rechter_Wert->text(), "8000");
            EXPECT_EQ(ui.IST_Pos->text(), "14000");
            EXPECT_EQ(ui.Frame1->isVisible(), c.bounceShown);
            EXPECT_EQ(ui.Frame2->isVisible(), c.repeatsShown);
            EXPECT_EQ(ui.W_dauernd->isVisible(), c.endlessShown);
            EXPECT_EQ(ui.Command21->isVisible(), *c.storeCaption != 0);
            if (*c.storeCaption) {
                EXPECT_EQ(ui.Command21->text(), QString::fromUtf8(c.storeCaption));
            }
            // The servo stands at its left end.
            EXPECT_FALSE(ui.Command9->isEnabled());
            EXPECT_EQ(colour(ui.Command9), Grey);
            EXPECT_TRUE(ui.Command10->isEnabled());
            EXPECT_EQ(colour(ui.Command10), Red);
            for (QPushButton* b : {ui.Command22, ui.Command23, ui.Command12, ui.Command13})
                EXPECT_EQ(colour(b), Red) << b->objectName().toStdString();
            for (QPushButton* b : {ui.Command4, ui.Command2, ui.Command3_0, ui.Command17_1, ui.Command1_0, ui.Command15_1})
                EXPECT_FALSE(b->isEnabled()) << b->objectName().toStdString();
            EXPECT_TRUE(rig.outputSettings().SuppressPowerOffPush);
            if (c.flags == 0xA2) {
                // Bounce on the left at 1000 of 6000 units.
                EXPECT_TRUE(ui.Nachfedern_links->isChecked());
                EXPECT_FALSE(ui.Nachfedern_rechts->isChecked());
                EXPECT_EQ(ui.Nachfedern_wert->text(), "1000");
                EXPECT_EQ(ui.Nachfedern_prozent->text(), "16,67");
            }
            if (c.id == QByteArray("V7966445")) {
                EXPECT_EQ(ui.Label3_0->text(), "Servo 2c");
                EXPECT_EQ(ui.Label3_1->text(), "Servo 2d");
            }
        });
        EXPECT_FALSE(rig.outputSettings().SuppressPowerOffPush);
        EXPECT_TRUE(rig.frames().empty());  // loading talks to nobody
    }
}

TEST(AdjustDialog, StepChecksComeBeforeTheDecoderIsAsked)
{
    struct Case {
        const char* id;
        int left, right;
        bool leftSide;
        const char* button;
        QString refusal;  // empty: the step goes
        QByteArray step;  // the step frame when it goes
        int reached;
    };
    const Case cases[] = {
        {"R5--XC48", 19990, 8000, true, "Command3_0", {}, frame({236, 0, 10, 13}), 20000},
        {"R5--XC48", 19995, 8000, true, "Command3_0", "Der linke Wert würde jetzt größer als 20000 werden!" + Unchanged, {}, 0},
        {"R5--XC48", 2010, 2000, true, "Command3_1", {}, frame({236, 1, 10, 13}), 2000},
        {"R5--XC48", 2009, 2000, true, "Command3_1", "Der linke Wert würde jetzt kleiner als 2000 werden!" + Unchanged, {}, 0},
        {"R5--XC48", 14000, 2005, false, "Command1_0", "Der rechte Wert würde jetzt kleiner als 2000 werden!!" + Unchanged, {}, 0},
        {"R5--XC48", 14000, 19995, false, "Command1_1", "Der rechte Wert würde jetzt größer als 20000 werden!" + Unchanged, {}, 0},
        {"R5--XC48", 5000, 4950, true, "Command16_1",
         "Der linke Wert würde jetzt kleiner als der rechte Wert werden!" + Crossing + Unchanged, {}, 0},
        {"R5--XC48", 5000, 4900, true, "Command16_1", {}, frame({236, 1, 100, 13}), 4900},
        {"R5--XC48", 5000, 4950, false, "Command14_1",
         "Der rechte Wert würde jetzt größer als der linke Wert werden!" + Crossing + Unchanged, {}, 0},
        {"R5--XC48", 14000, 8000, false, "Command15_0", {}, frame({238, 0, 250, 13}), 7750},
        // The paired outputs may cross.
        {"V7966445", 5000, 4950, true, "Command16_1", {}, frame({236, 1, 100, 13}), 4900},
        {"V7966445", 5000, 4950, false, "Command14_1", {}, frame({238, 1, 100, 13}), 5050},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + c.button + " " + std::to_string(c.left) + "/" + std::to_string(c.right));
        AppRig rig({c.id}, 1);
        setServo(rig.device, 2, {.left = c.left, .right = c.right, .actual = c.left});
        if (!c.refusal.isEmpty())
            rig.host.answerMessage(Answer::Ok, c.refusal);
        withDialog(rig, 2, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
            click(c.leftSide ? ui.Command22 : ui.Command23);
            rig.device.clearLog();
            click(d.findChild<QPushButton*>(c.button));
            QLineEdit* field = c.leftSide ? ui.Linker_Wert : ui.Rechter_Wert;
            if (c.refusal.isEmpty()) {
                EXPECT_EQ(rig.frames(), std::vector<QByteArray>{c.step});
                EXPECT_EQ(field->text(), QString::number(c.reached));
                EXPECT_EQ(ui.IST_Pos->text(), QString::number(c.reached));
                EXPECT_EQ(rig.device.position(2), c.reached);  // the servo went there
            } else {
                EXPECT_TRUE(rig.frames().empty());
                EXPECT_EQ(field->text(), QString::number(c.leftSide ? c.left : c.right));
            }
            // Refused or not, the side counts as changed and its store is next.
            QPushButton* store = c.leftSide ? ui.Command4 : ui.Command2;
            EXPECT_TRUE(store->isEnabled());
            EXPECT_EQ(colour(store), Red);
            EXPECT_FALSE(ui.Frame10->isEnabled());
            EXPECT_FALSE(ui.Command9->isEnabled());
            EXPECT_FALSE(ui.Command10->isEnabled());
            // So closing asks; "Nein" leaves the decoder's stored ends alone.
            rig.host.answerMessage(Answer::No, "Sie haben noch nicht alle Eingaben");
            click(ui.Command11);
        });
        EXPECT_EQ(rig.servo().Linker_Wert->text(), QString::number(c.left));
        EXPECT_EQ(rig.servo().Rechter_Wert->text(), QString::number(c.right));
    }
}

TEST(AdjustDialog, EachEndHasItsStateMachine)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 2, {.left = 10956, .right = 8000, .actual = 8000});
    withDialog(rig, 2, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        // Start and cancel at once: the servo turns to the left twice and all is as before.
        click(ui.Command22);
        EXPECT_EQ(ui.Command22->text(), "Einstellen abbrechen");
        EXPECT_TRUE(ui.Command3_0->isEnabled() && ui.Command17_1->isEnabled());
        EXPECT_FALSE(ui.Command1_0->isEnabled());
        EXPECT_FALSE(ui.Command23->isEnabled());
        EXPECT_EQ(colour(ui.Command23), Grey);
        EXPECT_FALSE(ui.Frame10->isEnabled());
        EXPECT_FALSE(ui.Linker_Wert->isReadOnly());  // protocol variant 2: typed values
        EXPECT_EQ(rig.servo().IST_Pos->text(), "10956");
        click(ui.Command22);
        EXPECT_EQ(ui.Command22->text(), "Servo links einstellen");
        EXPECT_FALSE(ui.Command3_0->isEnabled());
        EXPECT_TRUE(ui.Command23->isEnabled());
        EXPECT_EQ(colour(ui.Command23), Red);
        EXPECT_TRUE(ui.Frame10->isEnabled());
        EXPECT_TRUE(ui.Linker_Wert->isReadOnly());
        // The second turn is a full one again: the servo can be turned to the right.
        EXPECT_FALSE(ui.Command9->isEnabled());
        EXPECT_EQ(colour(ui.Command9), Grey);
        EXPECT_TRUE(ui.Command10->isEnabled());
        EXPECT_EQ(colour(ui.Command10), Red);
        EXPECT_EQ(sent(rig, commands::TurnLeftCommand).size(), 2);
        EXPECT_EQ(rig.statusLog.last(), "Servo 2 nach links drehen!");

        // A step makes the adjustment one that cannot be cancelled.
        click(ui.Command22);
        click(ui.Command16_1);
        EXPECT_EQ(rig.frames().back(), frame({236, 1, 100, 13}));
        EXPECT_EQ(ui.Linker_Wert->text(), "10856");  // answered as 401240
        EXPECT_EQ(rig.statusLog.last(), "Servo 2 nach rechts drehen!");
        click(ui.Command17_0);
        EXPECT_EQ(rig.statusLog.last(), "Servo 2 nach links positionieren!");
        click(ui.Command17_1);
        rig.host.answerMessage(Answer::Ok, "Sie können nicht mehr abbrechen, weil Sie die\r\n"
                                           "linke Servoposition bereits verändert haben!");
        click(ui.Command22);
        EXPECT_EQ(ui.Command22->text(), "Einstellen abbrechen");

        // Only the store ends it.
        rig.device.clearLog();
        click(ui.Command4);
        EXPECT_EQ(sent(rig, commands::SetLeftCommand), QStringList{"22A68"});  // 10856
        EXPECT_EQ(commandBytes(rig), (std::vector<int>{commands::SetLeftCommand, commands::StoreLeftCommand, 242,
                                                       commands::RunTimeLeftCommand}));
        EXPECT_TRUE(rig.statusLog.contains("Servo 2 linke Position gespeichert!"));
        EXPECT_EQ(rig.device.value16(2, 5), 10856);
        EXPECT_EQ(rig.servo().Linker_Wert->text(), "10856");
        EXPECT_EQ(ui.Command22->text(), "Servo links einstellen");
        EXPECT_FALSE(ui.Command4->isEnabled());
        EXPECT_EQ(colour(ui.Command4), Grey);
        EXPECT_EQ(colour(ui.Command9), Grey);
        EXPECT_EQ(colour(ui.Command10), Red);
        EXPECT_TRUE(ui.Command10->isEnabled());
        EXPECT_TRUE(ui.Frame10->isEnabled());
        EXPECT_FALSE(ui.Command3_0->isEnabled());

        // Now the right end: its start turns the servo to the right.
        click(ui.Command23);
        rig.device.clearLog();
        click(ui.Command1_1);
        EXPECT_EQ(commandBytes(rig), (std::vector<int>{commands::RightStepCommand}));
        EXPECT_EQ(ui.Rechter_Wert->text(), "8010");
        EXPECT_EQ(rig.statusLog.last(), "Servo 2 nach rechts drehen!");
        click(ui.Command2);
        EXPECT_EQ(rig.device.value16(2, 9), 8010);
        EXPECT_TRUE(rig.statusLog.contains("Servo 2 rechte Position gespeichert!"));
        EXPECT_EQ(colour(ui.Command9), Red);
        EXPECT_EQ(colour(ui.Command10), Grey);
        click(ui.Command11);  // nothing unstored: no question
    });
    EXPECT_TRUE(rig.host.messages().size() == 1);
    EXPECT_EQ(rig.frames().back(), commands::blockRead(2).bytes);
}

TEST(AdjustDialog, TypedEndValuesInProtocolVariantTwo)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 3, {.left = 14000, .right = 8000, .actual = 14000});
    withDialog(rig, 3, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        click(ui.Command22);
        // A letter is discarded, yet the end counts as changed.
        type(ui.Linker_Wert, "x");
        EXPECT_EQ(ui.Linker_Wert->text(), "14000");
        EXPECT_EQ(colour(ui.Command4), Red);
        rig.host.answerMessage(Answer::Ok, "Sie können nicht mehr abbrechen");
        click(ui.Command22);

        // Refused before anything is sent; the stored value is back.
        const std::pair<QString, QString> refused[] = {
            {"20001", "Der linke Wert würde jetzt größer als 20000 werden!" + Unchanged},
            {"1999", "Der linke Wert würde jetzt kleiner als der rechte Wert werden!" + Crossing + Unchanged},
        };
        rig.device.clearLog();
        for (const auto& [typed, message] : refused) {
            replaceText(ui.Linker_Wert, typed);
            rig.host.answerMessage(Answer::Ok, message);
            click(ui.Command4);
            EXPECT_EQ(ui.Linker_Wert->text(), "14000");
            EXPECT_EQ(ui.Command22->text(), "Servo links einstellen");
            EXPECT_TRUE(ui.Command3_0->isEnabled());
        }
        EXPECT_TRUE(rig.frames().empty());

        replaceText(ui.Linker_Wert, "12000");
        click(ui.Command4);
        const auto frames = rig.frames();
        ASSERT_GE(frames.size(), 2u);
        EXPECT_EQ(frames[0], QByteArray("\xCA" "32EE0\r"));
        EXPECT_EQ(frames[1], frame({235, 13}));
        EXPECT_EQ(rig.device.value16(3, 5), 12000);
        EXPECT_TRUE(ui.Linker_Wert->isReadOnly());

        // The right end's message has one exclamation mark here.
        click(ui.Command23);
        replaceText(ui.Rechter_Wert, "1999");
        rig.device.clearLog();
        rig.host.answerMessage(Answer::Ok, "Der rechte Wert würde jetzt kleiner als 2000 werden!" + Unchanged);
        click(ui.Command2);
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_EQ(ui.Rechter_Wert->text(), "8000");
        EXPECT_EQ(ui.Command23->text(), "Servo rechts einstellen");
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(AdjustDialog, ProtocolVariantOneStoresTheSteppedValueOnly)
{
    AppRig rig({"R5494940"}, 1);
    withDialog(rig, 3, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        click(ui.Command22);
        EXPECT_TRUE(ui.Linker_Wert->isReadOnly());
        type(ui.Linker_Wert, "5");
        EXPECT_FALSE(ui.Command4->isEnabled());  // a key changes nothing
        click(ui.Command3_0);
        rig.device.clearLog();
        click(ui.Command4);
        EXPECT_EQ(commandBytes(rig), (std::vector<int>{commands::StoreLeftCommand, 243, commands::RunTimeLeftCommand}));
        EXPECT_EQ(rig.device.value16(3, 5), 14010);
    });
}

TEST(AdjustDialog, ClosingAsksAndStoresInItsOrder)
{
    struct Case {
        Answer answer;
        std::vector<int> commands;  // sent by the close
        bool stillOpen;
    };
    const Case cases[] = {
        {Answer::Cancel, {}, true},
        {Answer::No, {243}, false},
        {Answer::Yes,
         {commands::SetLeftCommand, commands::StoreLeftCommand, 243, commands::RunTimeLeftCommand,
          commands::StoreRunTimeRightCommand, 243, commands::ConfigWriteCommand, 243, 243},
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 3, {.left = 13000, .right = 2000, .actual = 13000, .flags = 0x82});
        withDialog(rig, 3, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
            replaceText(ui.Laufzeit_rechts, "55");
            click(ui.Nachfedern_rechts);
            click(ui.Command22);
            click(ui.Command3_1);
            rig.device.clearLog();
            rig.host.answerMessage(c.answer, "Sie haben noch nicht alle Eingaben oder Veränderungen gespeichert?\r\n"
                                             "Wollen Sie diese jetzt im Decoder speichern?");
            click(ui.Command11);
            EXPECT_EQ(commandBytes(rig), c.commands);
            EXPECT_EQ(d.isVisible(), c.stillOpen);
        });
        if (c.answer == Answer::Yes) {
            EXPECT_EQ(rig.device.value16(3, 5), 12990);
            EXPECT_EQ(rig.device.value16(3, 17), 55);
            EXPECT_EQ(rig.device.field(3, 1) & 0x30, 0x10);  // bounce on the right
            EXPECT_TRUE(rig.statusLog.contains("Servo 3 Daten für Abfedern geändert!"));
        } else {
            EXPECT_EQ(rig.device.value16(3, 5), 13000);
            EXPECT_EQ(rig.device.value16(3, 17), 20);
        }
        // The main window shows what the decoder holds.
        EXPECT_EQ(rig.servo().Linker_Wert->text().toInt(), rig.device.value16(3, 5));
        EXPECT_EQ(rig.servo().Laufzeit_rechts->text().toInt(), rig.device.value16(3, 17));
    }
}

TEST(AdjustDialog, AFailedStoreKeepsItsChangeForTheCloseQuestion)
{
    struct Case {
        const char* name;
        int command;  // the store the decoder fails
        Fault fault;
        const char* message;
        std::function<void(Ui::AdjustDialog&)> change;
        QPushButton* Ui::AdjustDialog::*store;
    };
    auto stepLeft = [](Ui::AdjustDialog& ui) {
        click(ui.Command22);
        click(ui.Command3_0);
    };
    auto stepRight = [](Ui::AdjustDialog& ui) {
        click(ui.Command23);
        click(ui.Command1_1);
    };
    const Case cases[] = {
        {"left end, no answer", commands::StoreLeftCommand, Fault::NoAnswer, "Timeout von Decoder!", stepLeft,
         &Ui::AdjustDialog::Command4},
        {"left end, refused", commands::StoreLeftCommand, Fault::Refusal, "Datentransfer Fehler!", stepLeft,
         &Ui::AdjustDialog::Command4},
        {"right end, refused", commands::StoreRightCommand, Fault::Refusal, "Datentransfer Fehler!", stepRight,
         &Ui::AdjustDialog::Command2},
        {"left run time, no answer", commands::StoreRunTimeLeftCommand, Fault::NoAnswer, "Timeout von Decoder!",
         [](Ui::AdjustDialog& ui) { replaceText(ui.Laufzeit_links, "30"); }, &Ui::AdjustDialog::Command12},
        {"right run time, refused", commands::StoreRunTimeRightCommand, Fault::Refusal, "Datentransfer Fehler!",
         [](Ui::AdjustDialog& ui) { replaceText(ui.Laufzeit_rechts, "30"); }, &Ui::AdjustDialog::Command13},
        {"bounce, refused", commands::ConfigWriteCommand, Fault::Refusal, "Datentransfer Fehler!",
         [](Ui::AdjustDialog& ui) { replaceText(ui.Nachfedern_prozent, "10"); }, &Ui::AdjustDialog::Command21},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 2, {.left = 13000, .right = 2000, .actual = 13000, .flags = 0xA2, .amount = 0});
        withDialog(rig, 2, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
            c.change(ui);
            rig.device.addStandingFault({c.fault, 0, c.command});
            const QString status = rig.ui().Status->text();
            rig.device.clearLog();
            rig.host.answerMessage(Answer::Ok, c.message);
            click(ui.*c.store);
            EXPECT_EQ(rig.host.messages().back().text, c.message);
            // Nothing is reported as stored, nor read back as if it were.
            EXPECT_EQ(rig.ui().Status->text(), status);
            EXPECT_EQ(commandBytes(rig).back(), c.command);
            EXPECT_TRUE((ui.*c.store)->isEnabled());
            // The change is still offered for storing.
            rig.host.answerMessage(Answer::Cancel, "Wollen Sie diese jetzt im Decoder speichern?");
            click(ui.Command11);
            EXPECT_TRUE(d.isVisible());
            rig.host.answerMessage(Answer::No, "Wollen Sie diese jetzt im Decoder speichern?");
            click(ui.Command11);
        });
    }
}

TEST(AdjustDialog, ARefusedTurnChangesNothing)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 2, {.left = 14000, .right = 8000, .actual = 14000});
    withDialog(rig, 2, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        rig.device.injectFault(Fault::Refusal);
        rig.host.answerMessage(Answer::Ok, "Datentransfer Fehler!");
        click(ui.Command10);
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{frame({229, 13})});
        EXPECT_EQ(ui.IST_Pos->text(), "14000");
        EXPECT_TRUE(ui.Command10->isEnabled());
        EXPECT_EQ(colour(ui.Command10), Red);
        EXPECT_FALSE(ui.Command9->isEnabled());
        // Answered, the turn goes and the buttons follow.
        click(ui.Command10);
        EXPECT_EQ(ui.IST_Pos->text(), "8000");
        EXPECT_EQ(rig.servo().IST_Pos->text(), "8000");
        EXPECT_EQ(rig.statusLog.last(), "Servo 2 nach rechts drehen!");
        EXPECT_EQ(colour(ui.Command10), Grey);
        EXPECT_EQ(colour(ui.Command9), Red);
        EXPECT_EQ(rig.device.position(2), 8000);
    });
    EXPECT_EQ(rig.host.messages().size(), 1u);
}

TEST(AdjustDialog, MiddlePositionDeclinedSendsNothing)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 2, {.left = 14000, .right = 8000, .actual = 14000});
    withDialog(rig, 2, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        rig.host.answerMessage(Answer::No, "wirklich in die Mittelstellung fahren?");
        click(ui.Command18);
        EXPECT_TRUE(rig.frames().empty());
        EXPECT_EQ(ui.IST_Pos->text(), "14000");
    });
    EXPECT_EQ(rig.host.messages().size(), 1u);
}

TEST(AdjustDialog, WindowFrameClosesLikeTheButtonAndAReconnectAsksNothing)
{
    AppRig rig({"R5--XC48"}, 1);
    withDialog(rig, 1, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
        click(ui.Command22);
        click(ui.Command3_0);
        rig.host.answerMessage(Answer::Cancel, "Wollen Sie diese jetzt im Decoder speichern?");
        qb::test::closeByWindowFrame(&d);
        EXPECT_TRUE(d.isVisible());
        rig.host.answerMessage(Answer::Cancel, "Wollen Sie diese jetzt im Decoder speichern?");
        pressKey(ui.Command11, Qt::Key_Escape);
        EXPECT_TRUE(d.isVisible());
        rig.device.clearLog();
        rig.window().closeDecoderWindows();
        EXPECT_FALSE(d.isVisible());
        EXPECT_TRUE(rig.frames().empty());
    });
    EXPECT_EQ(rig.host.messages().size(), 2u);
    EXPECT_FALSE(rig.outputSettings().SuppressPowerOffPush);
}

TEST(AdjustDialog, PowerIsSwitchedBackOnAtTheClose)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 2, {.flags = 0xC1});  // power off after the movement
    rig.start();
    rig.doubleClickOutput(2);
    ASSERT_TRUE(rig.servo().Strom_aus->isChecked());
    rig.device.clearLog();
    rig.host.onModal("Einstellen", [&](QDialog& dialog) {
        auto& ui = static_cast<AdjustDialog&>(dialog).ui();
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::adjustBegin(2).bytes});
        // No answer to the adjust end: the dialog stays for another try.
        rig.device.injectFault(Fault::NoAnswer);
        rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
        click(ui.Command11);
        EXPECT_TRUE(dialog.isVisible());
        EXPECT_TRUE(rig.outputSettings().SuppressPowerOffPush);
        click(ui.Command11);
        EXPECT_FALSE(dialog.isVisible());
    });
    click(rig.servo().Command3);
    EXPECT_EQ(sent(rig, commands::AdjustEndCommand), (QStringList{"2", "2"}));
    EXPECT_TRUE(rig.statusLog.contains("Servo 2 Spannung eingeschaltet!"));
}

TEST(AdjustDialog, NoDialogWhenTheAdjustBeginIsNotAnswered)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 2, {.flags = 0xC1});
    rig.start();
    rig.doubleClickOutput(2);
    rig.device.injectFault(Fault::NoAnswer);
    rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
    click(rig.servo().Command3);
    EXPECT_FALSE(rig.host.modalWindows().contains("Einstellen"));
}

TEST(AdjustDialog, RunTimeReactionCorrectsSendsAndShowsTheTravelTime)
{
    struct Case {
        int left, right;
        QString typed;
        QStringList frames;     // run-time frames, in order
        QString tooHigh;        // the value the message names; empty: none
        QString field, seconds;
    };
    const Case cases[] = {
        {13000, 2000, "150", {"0001", "000F", "0096"}, {}, "150", "1,5"},
        {13000, 2000, "55", {"0005", "0037"}, {}, "55", "4,0"},
        {13000, 2000, "1000", {"0001", "000A", "0064", "03E8"}, {}, "1000", "Maximal"},
        {13000, 2000, "5500", {"0005", "0037", "0226", "157C"}, {}, "5500", "Maximal"},
        {13000, 2000, "6000", {"0006", "003C", "0258", "157C"}, "6000", "5500", "Maximal"},
        // Half of an odd travel: the field shows the half, the decoder gets
        // the even neighbour and its answer is sent once more.
        {7501, 2000, "3000", {"0003", "001E", "012C", "0ABE", "0ABE"}, "3000", "2750", "Maximal"},
        {13000, 2000, "0", {"0000"}, {}, "0", "Maximal"},
        // Letters do not get into a run time.
        {13000, 2000, "1a5", {"0001", "000F"}, {}, "15", "14,7"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 1, {.left = c.left, .right = c.right, .actual = c.left});
        if (!c.tooHigh.isEmpty())
            rig.host.answerMessage(Answer::Ok, "Der eingegebene Wert " + c.tooHigh + " ist zu hoch !\r\n\r\nDer Wert wird korregiert.");
        QStringList shown;
        withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
            QObject::connect(ui.Laufzeit_links, &QLineEdit::textChanged, [&](const QString& t) { shown << t; });
            replaceText(ui.Laufzeit_links, c.typed);
            EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), c.frames);
            EXPECT_EQ(ui.Laufzeit_links->text(), c.field);
            EXPECT_EQ(ui.links_sekunden->text(), c.seconds);
            EXPECT_EQ(rig.device.workingValues().runTimeLeft, c.field.toInt());
            EXPECT_EQ(rig.statusLog.last(), "Servo 1 Drehgeschwindigkeit links!");
            rig.host.answerMessage(Answer::No);
            click(ui.Command11);
        });
        if (c.typed == "3000") {
            EXPECT_TRUE(shown.contains("2750,5"));
        }
        // Not stored: the decoder keeps its run time.
        EXPECT_EQ(rig.device.value16(1, 13), 20);
    }
}

TEST(AdjustDialog, TravelTimesAtLoading)
{
    const std::pair<int, const char*> cases[] = {{55, "4,0"}, {1000, "Maximal"}, {0, "Maximal"}, {40, "5,5"}};
    for (const auto& c : cases) {
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 1, {.left = 13000, .right = 2000, .runTimeLeft = c.first, .runTimeRight = c.first});
        withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
            EXPECT_EQ(ui.links_sekunden->text(), c.second);
            EXPECT_EQ(ui.rechts_sekunden->text(), c.second);
            EXPECT_EQ(ui.Laufzeit_links->text(), QString::number(c.first));
        });
    }
}

TEST(AdjustDialog, RunTimeStoresAndAPositionStoreSendsTheRunTimeAgainUnmarked)
{
    AppRig rig({"R5--XC48"}, 1);
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        replaceText(ui.Laufzeit_links, "35");
        click(ui.Command12);
        EXPECT_EQ(rig.device.value16(1, 13), 35);
        EXPECT_TRUE(rig.statusLog.contains("Servo 1 linke Drehgeschwindigkeit gespeichert!"));
        click(ui.Command23);
        click(ui.Command1_0);
        rig.device.clearLog();
        click(ui.Command2);
        EXPECT_EQ(sent(rig, commands::RunTimeRightCommand), QStringList{"0014"});
        click(ui.Command11);  // the resent run time is no change: no question
    });
    EXPECT_TRUE(rig.host.messages().empty());
}

TEST(AdjustDialog, HeldArrowsRepeatAfterHalfASecondThenEveryTenth)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 1, {.left = 13000, .right = 2000, .runTimeLeft = 20, .runTimeRight = 20000});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        const QPoint inside(12, 12);
        QTest::mousePress(ui.Command6, Qt::LeftButton, {}, inside);
        EXPECT_EQ(ui.Laufzeit_links->text(), "21");  // once at once
        rig.host.advanceMs(450);
        EXPECT_EQ(ui.Laufzeit_links->text(), "21");
        rig.host.advanceMs(300);  // at 500, 600 and 700 ms
        QTest::mouseRelease(ui.Command6, Qt::LeftButton, {}, inside);
        rig.host.advanceMs(500);
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), (QStringList{"0015", "0016", "0017", "0018"}));

        // Leaving the button stops the repetition; coming back starts nothing.
        rig.device.clearLog();
        QTest::mousePress(ui.Command5, Qt::LeftButton, {}, inside);
        rig.host.advanceMs(550);
        QTest::mouseMove(ui.Command5, QPoint(40, 12));
        rig.host.advanceMs(500);
        QTest::mouseMove(ui.Command5, inside);
        rig.host.advanceMs(500);
        QTest::mouseRelease(ui.Command5, Qt::LeftButton, {}, inside);
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), (QStringList{"0017", "0016"}));

        // At the limit the value does not move and nothing is sent.
        rig.device.clearLog();
        QTest::mousePress(ui.Command8, Qt::LeftButton, {}, inside);
        rig.host.advanceMs(800);
        QTest::mouseRelease(ui.Command8, Qt::LeftButton, {}, inside);
        EXPECT_EQ(ui.Laufzeit_rechts->text(), "20000");
        EXPECT_TRUE(rig.frames().empty());
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(AdjustDialog, AHeldArrowSkipsItsStepsWhileTheDecoderIsSilentAndAMessageEndsTheHold)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 1, {.left = 2040, .right = 2000, .runTimeLeft = 5});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        const QPoint inside(12, 12);
        rig.device.injectFault(Fault::NoAnswer);
        rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
        QTest::mousePress(ui.Command6, Qt::LeftButton, {}, inside);
        rig.host.advanceMs(1000);
        // The ticks during the five seconds' wait were left out; the message ended the hold.
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), QStringList{"0006"});
        QTest::mouseRelease(ui.Command6, Qt::LeftButton, {}, inside);
        EXPECT_EQ(rig.host.beeps(), 0);

        // Held into the correction: the message ends the hold too.
        replaceText(ui.Laufzeit_links, "19");
        rig.device.clearLog();
        rig.host.answerMessage(Answer::Ok, "Der eingegebene Wert 21 ist zu hoch !");
        QTest::mousePress(ui.Command6, Qt::LeftButton, {}, inside);
        rig.host.advanceMs(2000);
        QTest::mouseRelease(ui.Command6, Qt::LeftButton, {}, inside);
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), (QStringList{"0014", "0014"}));
        EXPECT_EQ(ui.Laufzeit_links->text(), "20");
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(AdjustDialog, BouncePercentageAndAmount)
{
    struct Case {
        int runTimeLeft, runTimeRight;
        QString typed;
        QString message;  // part of it; empty: none
        QString amount, percent;
    };
    const Case cases[] = {
        {20, 20, "10", {}, "1100", "10"},
        {20, 20, "99", {}, "10890", "99"},
        {20, 20, "99,5", "kann nicht grösser als 99 sein!", "0", "0"},
        {20, 20, "0,5", {}, "55", "0,5"},
        {20, 0, "5", "Wenn die Drehgeschwindigkeit nach rechts null ist,\r\nkann Nachfedern nicht eingestellt werden!", "0", "0"},
        {0, 20, "5", "Wenn die Drehgeschwindigkeit nach links null ist,", "0", "0"},
        {20, 20, "1x2", {}, "1320", "12"},  // letters do not get in
        // No number: no bounce, as for an empty field.
        {20, 20, "1,,5", {}, "0", "0"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString());
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 1, {.left = 13000, .right = 2000, .runTimeLeft = c.runTimeLeft,
                                 .runTimeRight = c.runTimeRight, .flags = 0xA2, .amount = 0});
        if (!c.message.isEmpty())
            rig.host.answerMessage(Answer::Ok, c.message);
        withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
            replaceText(ui.Nachfedern_prozent, c.typed);
            EXPECT_EQ(ui.Nachfedern_wert->text(), c.amount);
            EXPECT_EQ(ui.Nachfedern_prozent->text(), c.percent);
            EXPECT_TRUE(rig.frames().empty());
            rig.device.clearLog();
            click(ui.Command21);
            const QStringList writes = sent(rig, commands::ConfigWriteCommand);
            ASSERT_EQ(writes.size(), 1);
            EXPECT_EQ(writes[0].mid(writes[0].size() - 5, 4), QString("%1").arg(c.amount.toInt(), 4, 16, QChar('0')).toUpper());
        });
        EXPECT_EQ(rig.device.value16(1, 15), c.amount.toInt());
    }
}

TEST(AdjustDialog, ARunTimeSetToZeroTakesTheBounceAway)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 1, {.left = 13000, .right = 2000, .flags = 0xA2, .amount = 1100});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        EXPECT_EQ(ui.Nachfedern_prozent->text(), "10,00");
        replaceText(ui.Laufzeit_links, "0");
        EXPECT_EQ(ui.Nachfedern_wert->text(), "0");
        EXPECT_EQ(ui.Nachfedern_prozent->text(), "0");
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), QStringList{"0000"});
        rig.device.clearLog();
        rig.host.answerMessage(Answer::Yes, "Wollen Sie diese jetzt im Decoder speichern?");
        click(ui.Command11);
        EXPECT_EQ(commandBytes(rig), (std::vector<int>{commands::StoreRunTimeLeftCommand, 241,
                                                       commands::ConfigWriteCommand, 241, 241}));
    });
    EXPECT_EQ(rig.device.value16(1, 15), 0);
    EXPECT_EQ(rig.device.value16(1, 13), 0);
}

TEST(AdjustDialog, BounceSidesAndEqualEnds)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 1, {.left = 9000, .right = 9000, .actual = 9000, .flags = 0x92, .amount = 0});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        EXPECT_TRUE(ui.Nachfedern_rechts->isChecked());
        click(ui.Nachfedern_links);
        replaceText(ui.Nachfedern_prozent, "10");
        EXPECT_EQ(ui.Nachfedern_wert->text(), "???");
        // A store in between reads the decoder's bounce sides back; the boxes stay the user's.
        click(ui.Command12);
        rig.device.clearLog();
        click(ui.Command21);
        EXPECT_EQ(sent(rig, commands::ConfigWriteCommand).value(0).right(6), "300000");
    });
    EXPECT_EQ(rig.device.field(1, 1) & 0x30, 0x30);
}

TEST(AdjustDialog, RepetitionsAreClampedAndEndlessIsStoredAs255)
{
    AppRig rig({"R5XC6645"}, 1);
    setServo(rig.device, 1, {.flags = 0x88, .amount = 5});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        EXPECT_EQ(ui.Wiederholungen->text(), "5");
        rig.host.answerMessage(Answer::Ok, "Mehr als 127 Wiederholungen sind nicht möglich!");
        replaceText(ui.Wiederholungen, "200");
        EXPECT_EQ(ui.Wiederholungen->text(), "127");
        rig.host.answerMessage(Answer::Ok, "Weniger als 2 Wiederholungen sind nicht möglich!");
        replaceText(ui.Wiederholungen, "1");
        EXPECT_EQ(ui.Wiederholungen->text(), "2");
        type(ui.Wiederholungen, "a4");
        EXPECT_EQ(ui.Wiederholungen->text(), "24");

        click(ui.W_dauernd);
        EXPECT_EQ(ui.Wiederholungen->text(), "Endlos");
        EXPECT_FALSE(ui.Wiederholungen->isEnabled());
        rig.device.clearLog();
        click(ui.Command21);
        EXPECT_EQ(sent(rig, commands::ConfigWriteCommand).value(0).right(5), "00FF0");
        EXPECT_EQ(rig.device.value16(1, 15), 255);

        rig.host.answerMessage(Answer::Ok, "Weniger als 2 Wiederholungen");
        click(ui.W_dauernd);
        EXPECT_EQ(ui.Wiederholungen->text(), "2");
        EXPECT_TRUE(ui.Wiederholungen->isEnabled());
        // An empty field stores nothing.
        pressKey(ui.Wiederholungen, Qt::Key_Backspace);
        rig.device.clearLog();
        click(ui.Command21);
        EXPECT_TRUE(rig.frames().empty());
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(AdjustDialog, EndlessRepetitionsLoadAsEndless)
{
    AppRig rig({"R5XC6645"}, 1);
    setServo(rig.device, 1, {.flags = 0x88, .amount = 255});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        EXPECT_EQ(ui.Wiederholungen->text(), "Endlos");
        EXPECT_TRUE(ui.W_dauernd->isChecked());
        EXPECT_FALSE(ui.Wiederholungen->isEnabled());
        click(ui.Command11);  // loading changes nothing
    });
    EXPECT_TRUE(rig.host.messages().empty());
}

TEST(AdjustDialog, MiddlePositionAsksWhenTheEndsWereAdjusted)
{
    struct Case {
        const char* id;
        int output;
        int neutral;
        QString question;  // empty: none
    };
    const QString head = "Die linken/rechten Endstellungen wurden schon eingestellt!\r\n\r\nWollen Sie das ";
    const Case cases[] = {
        {"R5--XC48", 2, 11000, head + "Servo 2 wirklich in die Mittelstellung fahren?\r\n\r\nMittelstellung des Servos [11000]"},
        {"R5--XC48", 2, 14000, {}},
        {"V7966445", 4, 11000,
         head + "Servo 2c+2d wirklich in die Mittelstellung fahren?\r\n\r\nMittelstellung = Stellung Halbrechts des Servos [8514]"},
        {"R0904840", 3, 11000, head + "Servo 2a+2b wirklich in die Mittelstellung fahren?\r\n\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        const int ends = c.question.isEmpty() ? c.neutral : 12000;
        setServo(rig.device, c.output, {.left = ends, .right = c.question.isEmpty() ? ends : 8000, .actual = ends});
        rig.device.setValue16(c.output, 3, c.neutral);
        if (!c.question.isEmpty())
            rig.host.answerMessage(Answer::Yes, {}, {});
        rig.host.answerMessage(Answer::Ok, "Servo ist jetzt in der Mittelstellung");
        withDialog(rig, c.output, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
            click(ui.Command18);
            EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::middlePosition().bytes});
            const QString n = QString::number(c.neutral);
            EXPECT_EQ(ui.IST_Pos->text(), n);
            EXPECT_EQ(rig.servo().IST_Pos->text(), n);
            EXPECT_EQ(rig.servo().SOLL_Pos->text(), n);
            EXPECT_EQ(rig.outputSettings().ActualPos, c.neutral);
            EXPECT_EQ(colour(ui.Command9), Red);
            EXPECT_EQ(colour(ui.Command10), Red);
            EXPECT_TRUE(ui.Command9->isEnabled() && ui.Command10->isEnabled());
        });
        if (!c.question.isEmpty()) {
            EXPECT_EQ(rig.host.messages().front().text, c.question);
            EXPECT_EQ(rig.host.messages().front().buttons, Buttons::YesNo);
        }
    }
}

TEST(AdjustDialog, ATurnClickWhileAStoreWaitsIsRefused)
{
    AppRig rig({"R5--XC48"}, 1);
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        click(ui.Command22);
        click(ui.Command3_0);
        rig.device.clearLog();
        rig.host.at(rig.host.nowMs() + 5, [&] {
            ui.Command10->setEnabled(true);  // even if it could be reached
            click(ui.Command10);
        });
        click(ui.Command4);
        EXPECT_EQ(commandBytes(rig), (std::vector<int>{commands::SetLeftCommand, commands::StoreLeftCommand, 241,
                                                       commands::RunTimeLeftCommand}));
        EXPECT_EQ(rig.host.beeps(), 1);
    });
}

TEST(AdjustDialog, AKeyForTheRunTimeWhileItIsSentIsRefused)
{
    AppRig rig({"R5--XC48"}, 1);
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        rig.host.at(rig.host.nowMs() + 5, [&] { type(ui.Laufzeit_links, "7"); });
        type(ui.Laufzeit_links, "3");
        EXPECT_EQ(ui.Laufzeit_links->text(), "203");
        EXPECT_EQ(sent(rig, commands::RunTimeLeftCommand), QStringList{"00CB"});
        EXPECT_EQ(rig.host.beeps(), 1);
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(AdjustDialog, AStepClickWhileAStepWaitsIsIgnored)
{
    AppRig rig({"R5--XC48"}, 1);
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        click(ui.Command22);
        rig.device.clearLog();
        rig.host.at(rig.host.nowMs() + 5, [&] { click(ui.Command3_0); });
        click(ui.Command16_0);
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{frame({236, 0, 100, 13})});
        EXPECT_EQ(rig.host.beeps(), 0);
        // The step's time-out: the value stays, the next step goes.
        rig.device.injectFault(Fault::NoAnswer);
        rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
        click(ui.Command3_0);
        EXPECT_EQ(ui.Linker_Wert->text(), "14100");
        click(ui.Command3_0);
        EXPECT_EQ(ui.Linker_Wert->text(), "14120");
        rig.host.answerMessage(Answer::No);
        click(ui.Command11);
    });
}

TEST(RunTest, BothDirectionsSendTheirCommandsAndTheStopShowsWhereTheServoStands)
{
    struct Case {
        const char* button;
        const char* window;
        const char* caption;
        const char* startEnd;
        int startCommand, runCommand;
        const char* startStatus;
        const char* runStatus;
    };
    const Case cases[] = {
        {"Command19", "Test_links", "Servo 2 Geschwindigkeitstest von rechts nach links.", "Rechte Position",
         commands::MoveRightCommand, commands::MoveLeftCommand, "Servo 2 dreht auf die rechte Position!",
         "Servo 2 dreht auf die linke Position!"},
        {"Command20", "Test_rechts", "Servo 2 Geschwindigkeitstest von links nach rechts.", "Linke Position",
         commands::MoveLeftCommand, commands::MoveRightCommand, "Servo 2 dreht auf die linke Position!",
         "Servo 2 dreht auf die rechte Position!"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.window);
        AppRig rig({"R5--XC48"}, 1);
        setServo(rig.device, 2, {.left = 14000, .right = 8000, .runTimeLeft = 30, .runTimeRight = 30});
        withDialog(rig, 2, [&](AdjustDialog& d, Ui::AdjustDialog& ui) {
            rig.host.onModal(c.window, [&](QDialog& test) {
                auto* t = &test;
                EXPECT_EQ(t->windowTitle(), c.caption);
                auto* startEnd = t->findChild<QPushButton*>("Command2");
                EXPECT_EQ(startEnd->text(), c.startEnd);
                EXPECT_EQ(t->findChild<QLabel*>("Label1_0")->text(),
                          QString("1. Klicken Sie auf \"%1\" damit das ").arg(c.startEnd));
                rig.device.clearLog();
                click(startEnd);
                EXPECT_EQ(rig.statusLog.last(), c.startStatus);
                // Without an answer to the stop the test stays open.
                rig.device.injectFault(Fault::NoAnswer);
                rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
                click(t->findChild<QPushButton*>("OKButton"));
                EXPECT_TRUE(t->isVisible());
                click(t->findChild<QPushButton*>("Command1"));
                EXPECT_EQ(rig.statusLog.last(), c.runStatus);
                rig.host.advanceMs(1000);  // 50 frames of 30 units
                click(t->findChild<QPushButton*>("OKButton"));
                EXPECT_FALSE(t->isVisible());
                EXPECT_EQ(rig.statusLog.last(), "Servo 2 angehalten!");
                EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{frame({c.startCommand, 2, 13}), frame({c.runCommand, 3, 13}),
                                                                 frame({c.runCommand, 2, 13}), frame({c.runCommand, 3, 13})}));
            });
            click(d.findChild<QPushButton*>(c.button));
            EXPECT_TRUE(rig.host.modalWindows().contains(c.window));
            // Stopped on its way: both windows show where it stands.
            const int stopped = rig.device.position(2);
            EXPECT_NE(stopped, 14000);
            EXPECT_NE(stopped, 8000);
            EXPECT_EQ(ui.IST_Pos->text(), QString::number(stopped));
            EXPECT_EQ(rig.servo().IST_Pos->text(), QString::number(stopped));
            EXPECT_EQ(rig.servo().SOLL_Pos->text(), QString::number(stopped));
        });
    }
}

TEST(RunTest, TheStopAnswerIsReadReversed)
{
    AppRig rig({"R5--XC48"}, 1);
    setServo(rig.device, 1, {.actual = 10856});
    withDialog(rig, 1, [&](AdjustDialog&, Ui::AdjustDialog& ui) {
        rig.host.onModal("Test_links", [&](QDialog& test) { click(test.findChild<QPushButton*>("OKButton")); });
        click(ui.Command19);
        EXPECT_EQ(rig.device.log().back().bytes, QByteArray("401240"));
        EXPECT_EQ(ui.IST_Pos->text(), "10856");
        EXPECT_EQ(rig.servo().SOLL_Pos->text(), "10856");
    });
}

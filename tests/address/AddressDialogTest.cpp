#include "link/CommandCatalogue.h"
#include "support/AppRig.h"

#include <QComboBox>
#include <QDialog>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>
#include <functional>
#include <stdexcept>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::chooseEntry;
using qb::test::click;

namespace {

const QString Question = QStringLiteral("Wollen Sie diese Adresse zum Decoder übertragen ?");
const char* const Dcc = "neueDCC_Addr";
const char* const Motorola = "neueMOT_Addr";

template <class T>
T* ctl(QWidget& window, const char* name)
{
    T* control = window.findChild<T*>(QString::fromLatin1(name));
    if (!control)
        throw std::runtime_error(std::string("no control ") + name);
    return control;
}

QString text(QWidget& window, const char* box)
{
    return ctl<QLineEdit>(window, box)->text();
}

// Replaces the address field's text as the user does: select all, then the keys.
void typeAddress(QDialog& dialog, const QString& digits)
{
    QLineEdit* field = ctl<QLineEdit>(dialog, "DCC_ADDR");
    field->setFocus();
    field->selectAll();
    qb::test::pressKey(field, Qt::Key_Backspace);
    qb::test::type(field, digits);
}

void choose(QDialog& dialog, int block, int keyPair)
{
    chooseEntry(ctl<QComboBox>(dialog, "keyboard"), block);
    chooseEntry(ctl<QComboBox>(dialog, "Taste"), keyPair);
}

QStringList entries(QComboBox* box)
{
    QStringList list;
    for (int i = 0; i < box->count(); ++i)
        list << box->itemText(i);
    return list;
}

// The "Neue Adresse" button of the panel that shows the decoder.
QPushButton* newAddressButton(AppRig& rig)
{
    MainWindow& window = rig.window();
    switch (rig.identity().Mode) {
    case PanelMode::TrafficLight: return window.trafficLightPanel().indicators().ui().Command4;
    case PanelMode::Coil: return window.coilPanel().indicators().ui().Command4;
    case PanelMode::Servo: break;
    }
    return rig.indicators().Command4;
}

QString shownAddress(AppRig& rig)
{
    return newAddressButton(rig)->parentWidget()->findChild<QLineEdit*>("DCC_ADDR")->text();
}

sim::DeviceConfig decoder(const char* id, bool motorola)
{
    sim::DeviceConfig config{id};
    config.motorola = motorola;
    return config;
}

// The main window on a decoder with output n read, the frames cleared.
struct AddressRig {
    AddressRig(const char* id, int output, bool motorola = false) : rig(decoder(id, motorola))
    {
        rig.start();
        rig.doubleClickOutput(output);
        rig.device.clearLog();
    }

    // "Neue Adresse"; the steps run while the dialog is open. Returns whether
    // the steps left it open (it is cancelled then, so that the test goes on).
    bool run(const char* dialogName, const std::function<void(QDialog&)>& steps)
    {
        bool leftOpen = false;
        rig.host.onModal(dialogName, [&](QDialog& dialog) {
            steps(dialog);
            leftOpen = dialog.isVisible();
            if (leftOpen)
                click(ctl<QPushButton>(dialog, "CancelButton"));
        });
        click(newAddressButton(rig));
        return leftOpen;
    }

    // The address writes that went out (command 250 or 186 with parameters).
    std::vector<QByteArray> writes() const
    {
        std::vector<QByteArray> found;
        for (const QByteArray& frame : rig.frames())
            if (commands::answerClass(Frame{frame}) == commands::AnswerClass::Address)
                found.push_back(frame);
        return found;
    }

    AppRig rig;
};

}  // namespace

TEST(AddressDialogs, EachDialogOffersTheKeyboardAndTheKeysOfTheOutput)
{
    struct Case {
        const char* id;
        int output;
        bool motorola;
        QStringList keys;
        const char* title;
        const char* frame;
        const char* label;
        int blocks;
        const char* lastBlock;
    };
    const Case cases[] = {
        // 4 outputs: either half of a block.
        {"R8996640", 3, false, {"3", "7"}, "Neue DCC Adresse", "Decoder an Intellibox / Twin-Center", "DCC-Adresse:",
         250, "1993 - 2000"},
        {"R5--XC45", 6, false, {"6"}, "Neue DCC Adresse", "Decoder an Intellibox / Twin-Center", "DCC-Adresse:", 250,
         "1993 - 2000"},
        {"R5--XC45", 6, true, {"6"}, "Neue Motorola Adresse", "Decoder an Intellibox / Twin Center",
         "Motorola-Adresse:", 40, "313 - 320"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.title);
        AddressRig a(c.id, c.output, c.motorola);
        a.run(c.motorola ? Motorola : Dcc, [&](QDialog& d) {
            EXPECT_EQ(d.windowTitle(), QString::fromUtf8(c.title));
            EXPECT_EQ(ctl<QGroupBox>(d, "Frame6")->title(), QString::fromUtf8(c.frame));
            EXPECT_EQ(ctl<QLabel>(d, "lblDCC_ADDR")->text(), QString::fromUtf8(c.label));
            EXPECT_EQ(ctl<QLineEdit>(d, "DCC_ADDR")->toolTip(), QStringLiteral("Bitte nur ungerade Zahlen eingeben!"));
            const QStringList blocks = entries(ctl<QComboBox>(d, "keyboard"));
            ASSERT_EQ(blocks.size(), c.blocks);
            EXPECT_EQ(blocks.first(), "1 - 8");
            EXPECT_EQ(blocks.last(), c.lastBlock);
            EXPECT_EQ(entries(ctl<QComboBox>(d, "Taste")), c.keys);
            // It starts on the first block and key pair.
            EXPECT_EQ(text(d, "DCC_ADDR"), c.output <= 4 ? "1" : "2");
            EXPECT_EQ(text(d, "Virtuelle_Addr"), QString::number(c.output));
            EXPECT_TRUE(ctl<QLineEdit>(d, "Virtuelle_Addr")->isReadOnly());
        });
    }
}

TEST(AddressDialogs, OkWritesTheAddressAndTheMainWindowShowsTheNewSwitchNumber)
{
    struct Case {
        const char* name;
        const char* id;
        bool motorola;
        int output, block, keyPair;
        const char* field;
        const char* virtualAddress;
        QByteArray frame;
    };
    const Case cases[] = {
        {"4 outputs, output 3, block 9 - 16, key 7", "R8996640", false, 3, 1, 1, "4", "15", "\xFA" "00004\r"},
        {"8 outputs, output 6, block 9 - 16: the first address of the pair", "R5--XC45", false, 6, 1, 0, "4", "14",
         "\xFA" "00003\r"},
        {"8 outputs, output 2, block 1993 - 2000", "R5--XC45", false, 2, 249, 0, "499", "1994", "\xFA" "001F3\r"},
        {"address 1 comes back as 100000000: the switch number is the output", "R5--XC45", false, 3, 0, 0, "1", "3",
         "\xFA" "00001\r"},
        // Motorola: the code comes back as 000300000 for address 1.
        {"Motorola, 4 outputs, output 1, block 1 - 8, key 1", "R8996640", true, 1, 0, 0, "1", "1", "\xFA" "00300\r"},
        {"Motorola, 8 outputs, output 2, block 313 - 320", "R5--XC45", true, 2, 39, 0, "79", "314", "\xFA" "003A8\r"},
        {"Motorola address 57", "R5--XC45", true, 1, 28, 0, "57", "225", "\xFA" "000C8\r"},
        {"Motorola address 3", "R5--XC45", true, 1, 1, 0, "3", "9", "\xFA" "000C0\r"},
        {"Motorola, 8 outputs, output 6: the odd first address of the pair", "R5--XC45", true, 6, 39, 0, "80", "318",
         "\xFA" "003A8\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AddressRig a(c.id, c.output, c.motorola);
        a.rig.device.setValue16(c.output, 22, c.motorola ? 0x00F0 : 77);  // somewhere else before
        a.rig.host.answerMessage(Answer::Yes, Question);
        const bool leftOpen = a.run(c.motorola ? Motorola : Dcc, [&](QDialog& d) {
            choose(d, c.block, c.keyPair);
            EXPECT_EQ(text(d, "DCC_ADDR"), c.field);
            EXPECT_EQ(text(d, "Virtuelle_Addr"), c.virtualAddress);
            click(ctl<QPushButton>(d, "OKButton"));
        });
        EXPECT_FALSE(leftOpen);
        ASSERT_EQ(a.writes().size(), 1u);
        EXPECT_EQ(a.writes()[0], c.frame);
        // Read back: the main window shows what the decoder now holds.
        ASSERT_GE(a.rig.frames().size(), 2u);
        EXPECT_EQ(a.rig.frames().back(), commands::blockRead(c.output).bytes);
        EXPECT_EQ(shownAddress(a.rig), c.virtualAddress);
        EXPECT_EQ(a.rig.ui().Status->text(), c.motorola ? QStringLiteral("Decoder Motorola-Adresse geändert!")
                                                        : QStringLiteral("Decoder DCC-Adresse geändert!"));
        EXPECT_TRUE(newAddressButton(a.rig)->isEnabled());
        EXPECT_EQ(a.rig.host.messageTexts(), QStringList{Question});
    }
}

TEST(AddressDialogs, TheKeyboardAloneWritesOrLeaves)
{
    struct Case {
        const char* name;
        bool motorola;
        Qt::Key key;     // pressed on the key pair list
        QByteArray frame;  // empty: nothing goes out
    };
    const Case cases[] = {
        {"Return is OK", false, Qt::Key_Return, "\xFA" "00004\r"},
        {"Enter is OK", true, Qt::Key_Enter, "\xFA" "003C0\r"},
        {"Escape leaves", false, Qt::Key_Escape, {}},
        {"Escape leaves the Motorola dialog", true, Qt::Key_Escape, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool writes = !c.frame.isEmpty();
        AddressRig a("R8996640", 3, c.motorola);
        if (writes)
            a.rig.host.answerMessage(Answer::Yes, Question);
        const bool leftOpen = a.run(c.motorola ? Motorola : Dcc, [&](QDialog& d) {
            choose(d, 1, 1);  // block 9 - 16, key 7: address 4
            qb::test::pressKey(ctl<QComboBox>(d, "Taste"), c.key);
        });
        EXPECT_FALSE(leftOpen);
        EXPECT_EQ(a.writes().size(), writes ? 1u : 0u);
        if (writes) {
            EXPECT_EQ(a.writes()[0], c.frame);
        }
        EXPECT_EQ(shownAddress(a.rig), writes ? "15" : "3");
        EXPECT_EQ(a.rig.host.messageTexts(), writes ? QStringList{Question} : QStringList{});
    }
}

TEST(AddressDialogs, TheAddressGoesOutWithTheCommandOfTheDecodersGeneration)
{
    struct Case {
        const char* id;
        std::uint8_t command;
    };
    // Traffic lights of generations 2 and 3 know 186, all other decoders 250.
    const Case cases[] = {
        {"R5--XC45", 250}, {"BR5-XC42", 250}, {"L6454348", 250}, {"L9624164", 186}, {"L7466469", 186},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AddressRig a(c.id, 1);
        a.rig.host.answerMessage(Answer::Yes, Question);
        a.run(Dcc, [&](QDialog& d) {
            choose(d, 4, 0);
            click(ctl<QPushButton>(d, "OKButton"));
        });
        ASSERT_EQ(a.writes().size(), 1u);
        EXPECT_EQ(a.writes()[0], QByteArray(1, char(c.command)) + "00009\r");
        EXPECT_EQ(shownAddress(a.rig), "33");
    }
}

TEST(AddressDialogs, TheFieldKeepsToTheHighestAddress)
{
    struct Case {
        const char* dialog;
        bool motorola;
        const char* typed;
        const char* message;
        const char* field;
        const char* virtualAddress;  // output 3 of a 4-output decoder
        QByteArray frame;
    };
    const Case cases[] = {
        {Dcc, false, "600", "Maximale DCC-Adresse ist 511!", "511", "2043", "\xFA" "001FF\r"},
        {Dcc, false, "37", nullptr, "37", "147", "\xFA" "00025\r"},
        {Motorola, true, "81", "Maximale Motorola-Adresse ist 80!", "80", "319", "\xFA" "002A8\r"},
        {Motorola, true, "9", nullptr, "9", "35", "\xFA" "00030\r"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        AddressRig a("R8996640", 3, c.motorola);
        if (c.message)
            a.rig.host.answerMessage(Answer::Ok, c.message);
        a.rig.host.answerMessage(Answer::Yes, Question);
        a.run(c.dialog, [&](QDialog& d) {
            typeAddress(d, c.typed);
            EXPECT_EQ(text(d, "DCC_ADDR"), c.field);
            EXPECT_EQ(text(d, "Virtuelle_Addr"), c.virtualAddress);
            click(ctl<QPushButton>(d, "OKButton"));
        });
        ASSERT_EQ(a.writes().size(), 1u);
        EXPECT_EQ(a.writes()[0], c.frame);
        EXPECT_EQ(shownAddress(a.rig), c.virtualAddress);
        EXPECT_EQ(a.rig.host.unusedAnswers(), 0);
    }
}

TEST(AddressDialogs, NothingIsSentForAnEmptyFieldOrNo)
{
    for (const char* dialog : {Dcc, Motorola}) {
        SCOPED_TRACE(dialog);
        AddressRig a("R5--XC45", 2, dialog == Motorola);
        const QString before = shownAddress(a.rig);
        a.rig.host.answerMessage(Answer::No, Question);
        const bool leftOpen = a.run(dialog, [&](QDialog& d) {
            typeAddress(d, "0");  // no address: the field takes no 0
            EXPECT_EQ(text(d, "DCC_ADDR"), "");
            EXPECT_EQ(text(d, "Virtuelle_Addr"), "");
            click(ctl<QPushButton>(d, "OKButton"));
            EXPECT_TRUE(a.rig.host.messages().empty());  // not even the question
            choose(d, 3, 0);
            click(ctl<QPushButton>(d, "OKButton"));  // "Nein"
            EXPECT_TRUE(d.isVisible());
        });
        EXPECT_TRUE(leftOpen);
        EXPECT_TRUE(a.rig.frames().empty());
        EXPECT_EQ(a.rig.host.messageTexts(), QStringList{Question});
        EXPECT_EQ(shownAddress(a.rig), before);
    }
}

TEST(AddressDialogs, AFailedWriteKeepsTheDialogOpenForAnotherTry)
{
    struct Case {
        const char* name;
        bool motorola;
        Fault fault;
        const char* message;
        bool readBack;  // the decoder answered: the main window shows what it holds now
    };
    const Case cases[] = {
        {"no answer", false, Fault::NoAnswer, "Timeout von Decoder!", false},
        {"a refusal is too short an answer", false, Fault::Refusal, "Timeout von Decoder!", false},
        {"half an answer", true, Fault::ShortAnswer, "Timeout von Decoder!", false},
        {"no digits", false, Fault::Garbage, "Datentransfer Fehler!", true},
        {"DCC address 0", false, Fault::Zeroed, "Datentransfer Fehler!", true},
        {"Motorola code 0000, none of the 80", true, Fault::Zeroed, "Datentransfer Fehler!", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AddressRig a("R5--XC45", 3, c.motorola);
        a.rig.host.answerMessage(Answer::Yes, Question);
        a.rig.host.answerMessage(Answer::Ok, c.message);
        a.rig.host.answerMessage(Answer::Yes, Question);
        a.rig.device.injectFault(c.fault);
        const char* dialog = c.motorola ? Motorola : Dcc;
        const bool leftOpen = a.run(dialog, [&](QDialog& d) {
            choose(d, 2, 0);  // address 5
            click(ctl<QPushButton>(d, "OKButton"));
            EXPECT_TRUE(d.isVisible());
            EXPECT_FALSE(a.rig.ui().Status->text().contains(QStringLiteral("Adresse geändert")));
            EXPECT_EQ(a.rig.frames().back() == commands::blockRead(3).bytes, c.readBack);
            EXPECT_EQ(shownAddress(a.rig), c.readBack ? "19" : "3");
            // Once more, and the decoder answers.
            click(ctl<QPushButton>(d, "OKButton"));
        });
        EXPECT_FALSE(leftOpen);
        EXPECT_EQ(a.writes().size(), 2u);
        EXPECT_EQ(shownAddress(a.rig), "19");
        EXPECT_EQ(a.rig.host.unusedAnswers(), 0);
    }
}

TEST(AddressDialogs, CancelSendsNothing)
{
    for (const char* dialog : {Dcc, Motorola}) {
        SCOPED_TRACE(dialog);
        AddressRig a("R5--XC45", 5, dialog == Motorola);
        bool closed = false;
        a.run(dialog, [&](QDialog& d) {
            choose(d, 7, 0);
            click(ctl<QPushButton>(d, "CancelButton"));
            closed = !d.isVisible();
        });
        EXPECT_TRUE(closed);
        EXPECT_TRUE(a.rig.frames().empty());
        EXPECT_EQ(shownAddress(a.rig), "5");
        EXPECT_TRUE(a.rig.host.messages().empty());
    }
}

TEST(AddressDialogs, TheHelpWindowExplainsTheDecoderAddress)
{
    const QString helpText = QStringLiteral(
        "Sie möchten z.B. die Weiche mit der Nummer 37 über den Servo-Decoder schalten.\n\n"
        "Mit folgender Formel können Sie die Decoder-Adresse errechnen:\n"
        "((Weichennummer : 4) + 1) und dann die Kommastellen entfernen.\n\n"
        "An dem Beispiel für Weiche 37 errechnet, sieht das folgender Maßen aus:\n"
        "Ergibt nach entfernen der Kommastellen die Decoder-Adresse 10.\n"
        "Der Decoder belegt somit den 10. Block der für die Weichen 37 - 40 steht.\n"
        "Die Weiche 38 ist somit die Nummer 2 in dem Block 37 - 40");
    AddressRig a("R5--XC45", 1);
    int shown = 0;
    a.rig.host.onModal("Hilfe_Adr", [&](QDialog& help) {
        ++shown;
        EXPECT_EQ(help.windowTitle(), QStringLiteral("Hilfe zur DCC-Adressen Eingabe"));
        QPlainTextEdit* box = ctl<QPlainTextEdit>(help, "Text1");
        EXPECT_TRUE(box->isReadOnly());
        EXPECT_EQ(box->toPlainText(), helpText);
        click(ctl<QPushButton>(help, "OKButton"));
        EXPECT_FALSE(help.isVisible());
    });
    const bool leftOpen = a.run(Dcc, [&](QDialog& d) {
        click(ctl<QPushButton>(d, "HelpButton"));
        // F1 wherever the focus is in the dialog.
        qb::test::pressKey(ctl<QComboBox>(d, "keyboard"), Qt::Key_F1);
        qb::test::pressKey(ctl<QLineEdit>(d, "DCC_ADDR"), Qt::Key_F1);
        EXPECT_TRUE(d.isVisible());  // the help closes, the dialog stays
    });
    EXPECT_TRUE(leftOpen);
    EXPECT_EQ(shown, 3);
    EXPECT_TRUE(a.rig.frames().empty());
}

TEST(AddressDialogs, AReconnectClosesTheDialogsAndTheHelp)
{
    struct Case {
        const char* dialog;
        bool motorola;
        const char* closed;
    };
    const Case cases[] = {{Dcc, false, Dcc}, {Dcc, false, "Hilfe_Adr"}, {Motorola, true, Motorola}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.closed);
        AddressRig a("R5--XC45", 2, c.motorola);
        auto powerLoss = [&](QDialog&) {
            a.rig.host.answerMessage(Answer::No, "Decoder wurde oder ist ausgeschaltet.");
            a.rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
            a.rig.device.setDsr(false);
            a.rig.host.at(a.rig.host.nowMs() + 1000, [&] { a.rig.device.setDsr(true); });
        };
        bool dialogClosed = false;
        if (c.closed == std::string("Hilfe_Adr"))
            a.rig.host.onModal("Hilfe_Adr", powerLoss);
        a.rig.host.onModal(c.dialog, [&](QDialog& d) {
            if (c.closed == std::string("Hilfe_Adr"))
                click(ctl<QPushButton>(d, "HelpButton"));
            else
                powerLoss(d);
            a.rig.host.advanceMs(5000);
            dialogClosed = !d.isVisible();
            if (!dialogClosed)
                click(ctl<QPushButton>(d, "CancelButton"));
        });
        click(newAddressButton(a.rig));
        EXPECT_TRUE(dialogClosed);
        // The reconnect detected the decoder again.
        ASSERT_FALSE(a.rig.frames().empty());
        EXPECT_EQ(a.rig.frames().front(), commands::blockRead(2).bytes);
        EXPECT_TRUE(a.writes().empty());
    }
}

TEST(AddressDialogs, NotWhileAnotherOperationWaitsForTheDecoder)
{
    AddressRig a("R5--XC45", 2);
    a.rig.host.answerMessage(Answer::Yes, "wirklich in die Mittelstellung fahren?");
    a.rig.host.answerMessage(Answer::Ok, "Timeout von Decoder!");
    // "Neue Adresse" while the middle position waits for an answer that does not come.
    a.rig.device.injectFault(Fault::NoAnswer);
    a.rig.host.at(a.rig.host.nowMs() + 1000, [&] { click(newAddressButton(a.rig)); });
    click(a.rig.servo().Command2);
    EXPECT_EQ(a.rig.host.beeps(), 1);
    EXPECT_FALSE(a.rig.host.modalWindows().contains(Dcc));
    ASSERT_EQ(a.rig.frames().size(), 1u);
    EXPECT_EQ(a.rig.frames()[0], commands::middlePosition().bytes);
    EXPECT_TRUE(a.writes().empty());
}

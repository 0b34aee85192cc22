#include "decoder/DecoderIdentity.h"
#include "servo/ServoTypeDialog.h"
#include "support/TestHost.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace qb;
using qb::test::TestHost;

namespace {

const QString Endless = QStringLiteral("Endlos");
const QString TooMany = QStringLiteral("Mehr als 127 Wiederholungen sind nicht möglich!");
const QString NoBrand = QStringLiteral("Bitte ein Servo Fabrikat auswählen!");
const QString NoFunction = QStringLiteral("Bitte auswählen, was vom Servo gesteuert wird!");
const QString NoPolarity = QStringLiteral("Bitte Pulsform auswählen!");
const QString RepeatsEmpty = QStringLiteral("Im Feld \"Wiederholungen\" muss der Wert > 0 sein!");
const QString RepeatsTooFew = QStringLiteral("Im Feld \"Wiederholungen\" muss der Wert > 1 sein!");
const QString BounceRange = QStringLiteral("Im Feld \"Nachfedern\" sind nur Werte von 0 bis 20000 möglich!");

template <class T>
T& ctl(QWidget& dialog, const char* name)
{
    T* w = dialog.findChild<T*>(QString::fromLatin1(name));
    if (!w)
        throw std::runtime_error(std::string("no control ") + name);
    return *w;
}

void click(QWidget& dialog, const char* name)
{
    ctl<QAbstractButton>(dialog, name).click();
}

// Replaces the text as the user does: select all, then one key per character.
void type(QWidget& dialog, const char* box, const QString& text)
{
    auto& edit = ctl<QLineEdit>(dialog, box);
    edit.selectAll();
    if (text.isEmpty()) {
        QKeyEvent del(QEvent::KeyPress, Qt::Key_Backspace, Qt::NoModifier);
        QApplication::sendEvent(&edit, &del);
    }
    for (QChar c : text) {
        QKeyEvent key(QEvent::KeyPress, c.toUpper().unicode(), Qt::NoModifier, QString(c));
        QApplication::sendEvent(&edit, &key);
    }
}

QString boxText(QWidget& dialog, const char* box)
{
    return ctl<QLineEdit>(dialog, box).text();
}

// The settings a turnout output of a plain 8-fold decoder has after a read.
OutputSettings turnout()
{
    OutputSettings s;
    s.OutputNumber = 3;
    s.Polarity = 2;
    s.PowerOff = 1;
    s.FunctionCode = 1;
    s.Brand = 4;
    s.Neutral = 10432;
    s.NeutralHex = QStringLiteral("28C0");
    s.BounceAmount = 12;
    s.RepeatCount = 12;
    return s;
}

DecoderIdentity identityOf(const QString& id)
{
    DecoderIdentity identity;
    identity.DecoderId = id;
    return identity;
}

struct Rig {
    TestHost host;
    OutputSettings settings = turnout();
    DecoderIdentity identity = identityOf("R5--XC45");
    int variant = 2;

    struct Outcome {
        bool cancelled;
        bool openAfterSteps;  // the steps did not close it
    };
    // Opens the dialog modally and runs the steps while it is open; a dialog
    // the steps left open is cancelled so that the run ends.
    Outcome run(const std::function<void(ServoTypeDialog&)>& steps)
    {
        identity.ProtocolVariant = variant;
        ServoTypeDialog dialog(host, settings, identity);
        bool open = false;
        host.onModal(QStringLiteral("Servotyp"), [&](QDialog&) {
            steps(dialog);
            open = dialog.isVisible();
            if (open)
                click(dialog, "CancelButton");
        });
        host.runModal(dialog);
        return {dialog.cancelled(), open};
    }
};

bool sameServoSettings(const OutputSettings& a, const OutputSettings& b)
{
    return a.Brand == b.Brand && a.NeutralHex == b.NeutralHex && a.FunctionCode == b.FunctionCode &&
           a.Polarity == b.Polarity && a.BounceCode == b.BounceCode && a.BounceAmount == b.BounceAmount &&
           a.RepeatCount == b.RepeatCount && a.PowerOff == b.PowerOff &&
           a.DirectionReversed == b.DirectionReversed && a.TakePowerOffFromDecoder == b.TakePowerOffFromDecoder;
}

}  // namespace

TEST(ServotypOpening, ControlsFollowTheSettings)
{
    struct Case {
        const char* name;
        const char* id;
        int polarity, functionCode, brand, bounceCode, powerOff, bounceAmount, repeatCount;
        const char* polarityOption;
        const char* functionOption;  // "" none
        const char* brandOption;     // "" none
        bool left, right, bounceFrame, repeatFrame;
        const char* bounceText;
        const char* repeatText;
        bool endlessVisible, endlessChecked;
    };
    const Case cases[] = {
        {"turnout", "R5--XC45", 2, 1, 3, 0, 1, 12, 12, "Option12", "Option10", "Option3", false, false, false, false, "12", "", false, false},
        {"semaphore bounces left", "R5--XC45", 1, 2, 7, 2, 0, 500, 500, "Option11", "Option9", "Option13", true, false, true, false, "500", "", false, false},
        {"crossing bounces both", "R5--XC45", 0, 4, 6, 3, 0, 40, 40, "Option11", "Option8", "Option6", true, true, true, false, "40", "", false, false},
        {"crossing bounces right", "R5--XC45", 2, 4, 1, 1, 1, 40, 40, "Option12", "Option8", "Option1", false, true, true, false, "40", "", false, false},
        {"repeats", "R5--XC45", 2, 8, 2, 0, 0, 12, 12, "Option12", "Option7", "Option2", false, false, false, true, "", "12", false, false},
        {"endless where offered", "R5XC6645", 2, 8, 5, 0, 0, 255, 255, "Option12", "Option7", "Option5", false, false, false, true, "", "Endlos", true, true},
        {"endless elsewhere", "N7966445", 2, 8, 5, 0, 0, 255, 255, "Option12", "Option7", "Option5", false, false, false, true, "", "Endlos", false, false},
        {"above 254 is endless", "R5-76645", 2, 8, 5, 0, 0, 300, 300, "Option12", "Option7", "Option5", false, false, false, true, "", "Endlos", true, true},
        {"above 127 is cut quietly", "N7XC6645", 2, 8, 5, 0, 0, 200, 200, "Option12", "Option7", "Option5", false, false, false, true, "", "127", true, false},
        {"nothing chosen yet", "R5--XC45", 2, 0, 0, 0, 0, 0, 0, "Option12", "", "", false, false, false, false, "0", "", false, false},
    };
    const char* functionOptions[] = {"Option7", "Option8", "Option9", "Option10"};
    const char* brandOptions[] = {"Option1", "Option2", "Option3", "Option4", "Option5", "Option6", "Option13"};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.identity.DecoderId = QString::fromLatin1(c.id);
        rig.settings.Polarity = c.polarity;
        rig.settings.FunctionCode = c.functionCode;
        rig.settings.Brand = c.brand;
        rig.settings.BounceCode = c.bounceCode;
        rig.settings.PowerOff = c.powerOff;
        rig.settings.BounceAmount = c.bounceAmount;
        rig.settings.RepeatCount = c.repeatCount;
        const OutputSettings before = rig.settings;
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            EXPECT_EQ(d.objectName(), QStringLiteral("Servotyp"));
            EXPECT_EQ(d.windowTitle(), QStringLiteral("Servofabrikat auswählen"));
            EXPECT_TRUE(ctl<QRadioButton>(d, c.polarityOption).isChecked());
            for (const char* o : functionOptions)
                EXPECT_EQ(ctl<QRadioButton>(d, o).isChecked(), qstrcmp(o, c.functionOption) == 0) << o;
            for (const char* o : brandOptions)
                EXPECT_EQ(ctl<QRadioButton>(d, o).isChecked(), qstrcmp(o, c.brandOption) == 0) << o;
            EXPECT_EQ(ctl<QCheckBox>(d, "Nachfedern_links").isChecked(), c.left);
            EXPECT_EQ(ctl<QCheckBox>(d, "Nachfedern_rechts").isChecked(), c.right);
            EXPECT_EQ(ctl<QCheckBox>(d, "Strom_abschalten").isChecked(), c.powerOff == 1);
            EXPECT_EQ(ctl<QGroupBox>(d, "FrameNachfedern").isVisible(), c.bounceFrame);
            EXPECT_EQ(ctl<QGroupBox>(d, "FrameWiederholungen").isVisible(), c.repeatFrame);
            EXPECT_EQ(boxText(d, "Nachfedern_wert"), QString::fromLatin1(c.bounceText));
            EXPECT_EQ(boxText(d, "Wiederholungen"), QString::fromLatin1(c.repeatText));
            EXPECT_EQ(ctl<QCheckBox>(d, "W_dauernd").isVisible(), c.endlessVisible);
            EXPECT_EQ(ctl<QCheckBox>(d, "W_dauernd").isChecked(), c.endlessChecked);
            // The count can be edited unless endless was chosen with the box.
            EXPECT_EQ(ctl<QLineEdit>(d, "Wiederholungen").isEnabled(), !c.endlessChecked);
            EXPECT_FALSE(ctl<QLabel>(d, "Text1").isVisible());
        });
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_TRUE(rig.host.messages().empty()) << rig.host.messageTexts().join('|').toStdString();
        EXPECT_TRUE(sameServoSettings(rig.settings, before));
    }
}

TEST(ServotypBrand, EachBrandGivesItsNeutralPosition)
{
    struct Case {
        const char* option;
        int brand;
        const char* neutralHex;
    };
    const Case cases[] = {
        {"Option1", 1, "2F04"}, {"Option2", 2, "2F04"}, {"Option3", 3, "3227"}, {"Option4", 4, "28C0"},
        {"Option5", 5, "2F04"}, {"Option13", 7, "28C0"},
    };
    for (const Case& c : cases) {
        for (const char* before : {"", "3549"}) {  // cleared by the caller, or not
            SCOPED_TRACE(std::string(c.option) + " after \"" + before + "\"");
            Rig rig;
            rig.settings.Brand = 6;
            rig.settings.NeutralHex = QString::fromLatin1(before);
            const auto outcome = rig.run([&](ServoTypeDialog& d) {
                click(d, c.option);
                click(d, "OKButton");
            });
            EXPECT_FALSE(outcome.cancelled);
            EXPECT_FALSE(outcome.openAfterSteps);
            EXPECT_EQ(rig.settings.Brand, c.brand);
            EXPECT_EQ(rig.settings.NeutralHex, QString::fromLatin1(c.neutralHex));
            EXPECT_TRUE(rig.host.messages().empty());
            EXPECT_TRUE(rig.host.inputPrompts().empty());
        }
    }
}

TEST(ServotypAnderes, ThePulseWidthAnswerGivesTheNeutralPosition)
{
    struct Case {
        const char* answer;
        const char* neutralHex;
    };
    const Case cases[] = {
        {"1,3", "28C0"}, {"1,4", "2BE2"}, {"1,5", "2F04"}, {"1,6", "3227"}, {"1,7", "3549"},
        {" 1,5 ", "2F04"}, {"1,50", "2F04"},
        {"1.6", "28C0"},  // the German form has a decimal comma
        {"0", "28C0"}, {"", "28C0"}, {"abc", "28C0"}, {"1,8", "28C0"}, {"1,65", "28C0"}, {"16", "28C0"},
        {"-1,5", "28C0"}, {"1,5 ms", "28C0"}, {"99999999999999999999999", "28C0"},
    };
    const QString prompt = QStringLiteral(
        "Geben Sie den Wert für die Mittelstellung\r\nin Millisekunden für das verwendete Servo an!\r\n"
        "Mögliche Werte sind: 1,3  1,4  1,5  1,6  1,7\r\n\r\n"
        "Wenn Sie den Wert nicht wissen, geben Sie eine \"0\" ein.");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        Rig rig;
        rig.host.answerInput(QString::fromUtf8(c.answer));
        const auto outcome = rig.run([](ServoTypeDialog& d) {
            click(d, "Option6");
            click(d, "OKButton");
        });
        EXPECT_FALSE(outcome.cancelled);
        EXPECT_EQ(rig.host.inputPrompts(), QStringList{prompt});
        EXPECT_EQ(rig.settings.Brand, 6);
        EXPECT_EQ(rig.settings.NeutralHex, QString::fromLatin1(c.neutralHex));
        EXPECT_TRUE(rig.host.messages().empty());
    }
}

TEST(ServotypAnderes, AskedOncePerDialogAndACancelledQuestionKeepsItOpen)
{
    Rig rig;
    rig.settings.FunctionCode = 0;
    rig.settings.NeutralHex.clear();
    rig.host.answerInput(std::nullopt);  // the question is cancelled: OK goes no further
    rig.host.answerInput(QStringLiteral("1,7"));
    rig.host.answerMessage(Answer::Ok, NoFunction);
    const auto outcome = rig.run([&](ServoTypeDialog& d) {
        click(d, "Option6");
        click(d, "OKButton");
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(rig.host.messages().empty());
        click(d, "OKButton");  // asked again, then refused for the missing function
        EXPECT_TRUE(d.isVisible());
        EXPECT_TRUE(rig.settings.NeutralHex.isEmpty());
        click(d, "Option1");  // a brand of the table in between does not replace the answer
        click(d, "Option6");
        click(d, "Option10");
        click(d, "OKButton");
    });
    EXPECT_FALSE(outcome.cancelled);
    EXPECT_EQ(rig.host.inputPrompts().size(), 2);
    EXPECT_EQ(rig.host.messageTexts(), QStringList{NoFunction});
    EXPECT_EQ(rig.settings.NeutralHex, QStringLiteral("3549"));
    EXPECT_EQ(rig.settings.Brand, 6);
    EXPECT_EQ(rig.settings.FunctionCode, 1);
}

TEST(ServotypRepetitions, CountsAreLimitedTo127AndOkNeedsMoreThanOne)
{
    struct Case {
        const char* typed;
        bool paste;                 // the whole text at once instead of key by key
        int startCount;
        const char* boxAfter;
        int tooManyMessages;
        const char* okMessage;      // "" accepted
        int repeatCount;            // after an accepted OK
    };
    const Case cases[] = {
        {"5", false, 12, "5", 0, "", 5},
        {"127", false, 12, "127", 0, "", 127},
        {"200", false, 12, "127", 1, "", 127},
        {"128", false, 12, "127", 1, "", 127},
        {"9999999999999", true, 12, "127", 1, "", 127},
        {"200", true, 255, "Endlos", 1, "", 255},  // endless stays endless
        {"1", false, 12, "1", 0, "> 1", 0},
        {"0", false, 12, "0", 0, "> 1", 0},
        {"-3", false, 12, "-3", 0, "> 1", 0},
        {"abc", false, 12, "abc", 0, "> 1", 0},
        {"", false, 12, "", 0, "> 0", 0},
        {"  ", true, 12, "  ", 0, "> 0", 0},
        {"Endlos", true, 12, "Endlos", 0, "", 255},  // what the box shows is what is written
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("\"") + c.typed + "\" from " + std::to_string(c.startCount));
        Rig rig;
        rig.settings.FunctionCode = 8;
        rig.settings.RepeatCount = c.startCount;
        for (int i = 0; i < c.tooManyMessages; ++i)
            rig.host.answerMessage(Answer::Ok, TooMany);
        const QString okMessage = *c.okMessage == 0 ? QString()
                                  : QString::fromLatin1(c.okMessage) == QStringLiteral("> 0") ? RepeatsEmpty
                                                                                               : RepeatsTooFew;
        if (!okMessage.isEmpty())
            rig.host.answerMessage(Answer::Ok, okMessage);
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            if (c.paste) {
                auto& box = ctl<QLineEdit>(d, "Wiederholungen");
                box.selectAll();
                box.insert(QString::fromLatin1(c.typed));
            } else {
                type(d, "Wiederholungen", QString::fromLatin1(c.typed));
            }
            EXPECT_EQ(boxText(d, "Wiederholungen"), QString::fromLatin1(c.boxAfter));
            click(d, "OKButton");
        });
        QStringList expected(c.tooManyMessages, TooMany);
        if (!okMessage.isEmpty())
            expected << okMessage;
        EXPECT_EQ(rig.host.messageTexts(), expected);
        EXPECT_EQ(outcome.openAfterSteps, !okMessage.isEmpty());
        EXPECT_EQ(rig.settings.RepeatCount, okMessage.isEmpty() ? c.repeatCount : c.startCount);
    }
}

TEST(ServotypRepetitions, TheEndlessBox)
{
    struct Case {
        const char* name;
        int startCount;
        std::vector<bool> clicksTo;  // state of "Dauernd Wiederholen" after each click
        const char* boxAfter;
        bool boxEnabled;
        const char* okMessage;
        int repeatCount;
    };
    const Case cases[] = {
        {"checked", 12, {true}, "Endlos", false, "", 255},
        {"unchecked from endless", 255, {false}, "1", true, "> 1", 255},
        {"checked and unchecked", 12, {true, false}, "1", true, "> 1", 12},
        {"unchecked, count typed", 255, {false}, "1", true, "", 40},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.identity.DecoderId = QStringLiteral("N7XC6645");
        rig.settings.FunctionCode = 8;
        rig.settings.RepeatCount = c.startCount;
        if (*c.okMessage)
            rig.host.answerMessage(Answer::Ok, RepeatsTooFew);
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            auto& endless = ctl<QCheckBox>(d, "W_dauernd");
            for (bool state : c.clicksTo) {
                endless.click();
                EXPECT_EQ(endless.isChecked(), state);
            }
            EXPECT_EQ(boxText(d, "Wiederholungen"), QString::fromLatin1(c.boxAfter));
            EXPECT_EQ(ctl<QLineEdit>(d, "Wiederholungen").isEnabled(), c.boxEnabled);
            if (c.repeatCount == 40)
                type(d, "Wiederholungen", QStringLiteral("40"));
            click(d, "OKButton");
        });
        EXPECT_EQ(outcome.openAfterSteps, *c.okMessage != 0);
        EXPECT_EQ(rig.settings.RepeatCount, c.repeatCount);
    }
}

TEST(ServotypOk, ChecksRunInOrderAndARefusalKeepsTheDialogOpen)
{
    struct Case {
        const char* name;
        int brand, functionCode;
        std::function<void(ServoTypeDialog&)> steps;
        QString message;
    };
    auto none = [](ServoTypeDialog&) {};
    const Case cases[] = {
        {"no brand before anything else", 0, 8, [](ServoTypeDialog& d) { type(d, "Wiederholungen", {}); }, NoBrand},
        {"no function", 1, 0, none, NoFunction},
        {"no polarity", 1, 1,
         [](ServoTypeDialog& d) {
             // Not reachable by clicking; the dialog must refuse it all the same.
             auto& positive = ctl<QRadioButton>(d, "Option12");
             positive.setAutoExclusive(false);
             positive.setChecked(false);
             positive.setAutoExclusive(true);
         },
         NoPolarity},
        {"repetitions empty", 1, 8, [](ServoTypeDialog& d) { type(d, "Wiederholungen", {}); }, RepeatsEmpty},
        {"one repetition", 1, 8, [](ServoTypeDialog& d) { type(d, "Wiederholungen", QStringLiteral("1")); }, RepeatsTooFew},
        {"bounce too large", 1, 2, [](ServoTypeDialog& d) { type(d, "Nachfedern_wert", QStringLiteral("20001")); }, BounceRange},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.Brand = c.brand;
        rig.settings.FunctionCode = c.functionCode;
        const OutputSettings before = rig.settings;
        rig.host.answerMessage(Answer::Ok);
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            c.steps(d);
            click(d, "OKButton");
        });
        EXPECT_EQ(rig.host.messageTexts(), QStringList{c.message});
        EXPECT_TRUE(rig.host.messages().at(0).title.isEmpty());
        EXPECT_EQ(rig.host.messages().at(0).buttons, Buttons::Ok);
        EXPECT_TRUE(outcome.openAfterSteps);
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_TRUE(sameServoSettings(rig.settings, before));
    }
}

TEST(ServotypOk, TakesOverWhatWasChosen)
{
    struct Case {
        const char* name;
        std::vector<const char*> clicks;
        const char* bounceTyped;  // nullptr: left alone
        int functionCode, polarity, bounceCode, bounceAmount, powerOff;
        bool takePowerOff, reversed;
    };
    const Case cases[] = {
        {"semaphore bouncing both ends", {"Option9", "Nachfedern_links", "Nachfedern_rechts", "Option11"}, "750", 2, 1, 3, 750, 1, false, false},
        {"crossing, right only, empty amount", {"Option8", "Nachfedern_rechts"}, "", 4, 2, 1, 0, 1, false, false},
        {"crossing at the limit", {"Option8"}, "20000", 4, 2, 0, 20000, 1, false, false},
        {"power-off clicked", {"Strom_abschalten"}, nullptr, 1, 2, 0, 12, 0, true, false},
        {"power-off clicked twice", {"Strom_abschalten", "Strom_abschalten"}, nullptr, 1, 2, 0, 12, 1, true, false},
        {"direction reversed", {"Richtung"}, nullptr, 1, 2, 0, 12, 1, false, true},
        // The bounce boxes are hidden for these functions and count for nothing.
        {"turnout with bounce ticked", {"Option9", "Nachfedern_links", "Option10"}, nullptr, 1, 2, 0, 12, 1, false, false},
        {"repetition with bounce ticked", {"Option9", "Nachfedern_links", "Option7"}, nullptr, 8, 2, 0, 12, 1, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.Brand = 1;
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            for (const char* name : c.clicks)
                click(d, name);
            if (c.bounceTyped)
                type(d, "Nachfedern_wert", QString::fromLatin1(c.bounceTyped));
            click(d, "OKButton");
        });
        EXPECT_FALSE(outcome.cancelled);
        EXPECT_TRUE(rig.host.messages().empty()) << rig.host.messageTexts().join('|').toStdString();
        EXPECT_EQ(rig.settings.FunctionCode, c.functionCode);
        EXPECT_EQ(rig.settings.Polarity, c.polarity);
        EXPECT_EQ(rig.settings.BounceCode, c.bounceCode);
        EXPECT_EQ(rig.settings.BounceAmount, c.bounceAmount);
        EXPECT_EQ(rig.settings.PowerOff, c.powerOff);
        EXPECT_EQ(rig.settings.TakePowerOffFromDecoder, c.takePowerOff);
        EXPECT_EQ(rig.settings.DirectionReversed, c.reversed);
        EXPECT_EQ(rig.settings.RepeatCount, 12);
        EXPECT_EQ(rig.settings.OutputNumber, 3);
    }
}

TEST(ServotypCancel, LeavesTheSettingsUntouchedHoweverTheDialogIsLeft)
{
    const std::pair<const char*, std::function<void(QDialog&)>> exits[] = {
        {"Abbrechen", [](QDialog& d) { click(d, "CancelButton"); }},
        {"Escape",
         [](QDialog& d) {
             QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
             QApplication::sendEvent(&d, &escape);
         }},
        {"close button", [](QDialog& d) { d.close(); }},
    };
    for (const auto& exit : exits) {
        const auto& leave = exit.second;
        SCOPED_TRACE(exit.first);
        Rig rig;
        rig.settings.NeutralHex.clear();  // as the caller hands it over
        const OutputSettings before = rig.settings;
        const auto outcome = rig.run([&](ServoTypeDialog& d) {
            for (const char* c : {"Option6", "Option9", "Nachfedern_links", "Option11", "Strom_abschalten", "Richtung"})
                click(d, c);
            type(d, "Nachfedern_wert", QStringLiteral("99"));
            leave(d);
            EXPECT_FALSE(d.isVisible());
        });
        EXPECT_TRUE(outcome.cancelled);
        EXPECT_FALSE(outcome.openAfterSteps);
        EXPECT_TRUE(rig.host.inputPrompts().empty());
        EXPECT_TRUE(sameServoSettings(rig.settings, before));
    }
}

TEST(ServotypFunction, SwitchingShowsTheMatchingFrame)
{
    struct Case {
        const char* name;
        int bounceCode, bounceAmount, repeatCount;
        std::vector<const char*> clicks;
        bool left, right, bounceFrame, repeatFrame;
        const char* bounceText;
        const char* repeatText;
        int tooManyMessages;
    };
    const Case cases[] = {
        // Switching back sets the named end from the stored code; the other end keeps the user's tick.
        {"left stays with the user's right", 2, 30, 30, {"Option9", "Nachfedern_rechts", "Option10", "Option8"}, true, true, true, false, "30", "", 0},
        {"code 0 clears both", 0, 30, 30, {"Option9", "Nachfedern_rechts", "Option10", "Option8"}, false, false, true, false, "30", "", 0},
        {"to repetitions", 0, 30, 30, {"Option7"}, false, false, false, true, "30", "30", 0},
        {"to repetitions, endless", 0, 30, 255, {"Option7"}, false, false, false, true, "30", "Endlos", 0},
        // The bounce amount doubles as the count; above 127 it is cut with the message.
        {"to repetitions, large amount", 0, 500, 500, {"Option7"}, false, false, false, true, "500", "127", 1},
        {"to turnout", 3, 30, 30, {"Option10"}, true, true, false, false, "30", "", 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.settings.FunctionCode = 2;
        rig.settings.BounceCode = c.bounceCode;
        rig.settings.BounceAmount = c.bounceAmount;
        rig.settings.RepeatCount = c.repeatCount;
        for (int i = 0; i < c.tooManyMessages; ++i)
            rig.host.answerMessage(Answer::Ok, TooMany);
        rig.run([&](ServoTypeDialog& d) {
            for (const char* name : c.clicks)
                click(d, name);
            EXPECT_EQ(ctl<QCheckBox>(d, "Nachfedern_links").isChecked(), c.left);
            EXPECT_EQ(ctl<QCheckBox>(d, "Nachfedern_rechts").isChecked(), c.right);
            EXPECT_EQ(ctl<QGroupBox>(d, "FrameNachfedern").isVisible(), c.bounceFrame);
            EXPECT_EQ(ctl<QGroupBox>(d, "FrameWiederholungen").isVisible(), c.repeatFrame);
            EXPECT_EQ(boxText(d, "Nachfedern_wert"), QString::fromLatin1(c.bounceText));
            EXPECT_EQ(boxText(d, "Wiederholungen"), QString::fromLatin1(c.repeatText));
        });
        EXPECT_EQ(rig.host.messageTexts(), QStringList(c.tooManyMessages, TooMany));
    }
}

TEST(ServotypFunction, TheFourWayTurnoutDecoderOnlyDrivesTurnouts)
{
    struct Case {
        int pairedFamily;
        int variant;
        bool othersEnabled;
    };
    for (const Case& c : {Case{4, 2, false}, Case{4, 1, false}, Case{5, 2, true}, Case{0, 2, true}}) {
        SCOPED_TRACE(testing::Message() << "family " << c.pairedFamily << " variant " << c.variant);
        Rig rig;
        rig.identity.PairedFamily = c.pairedFamily;
        rig.variant = c.variant;
        rig.settings.FunctionCode = 0;
        rig.run([&](ServoTypeDialog& d) {
            EXPECT_TRUE(ctl<QRadioButton>(d, "Option10").isEnabled());
            for (const char* name : {"Option9", "Option8", "Option7"}) {
                EXPECT_EQ(ctl<QRadioButton>(d, name).isEnabled(), c.othersEnabled) << name;
                click(d, name);
                EXPECT_EQ(ctl<QRadioButton>(d, name).isChecked(), c.othersEnabled) << name;
            }
            click(d, "Option10");
            click(d, "OKButton");
        });
        EXPECT_EQ(rig.settings.FunctionCode, 1);
    }
}

TEST(ServotypDirection, OnlyVariantTwoSetsTheDirection)
{
    struct Case {
        int variant;
        bool reversedBefore;
        bool settable;
        bool reversedAfter;  // after one click on "umkehren" and OK
    };
    const Case cases[] = {
        {2, false, true, true}, {2, true, true, false}, {1, true, false, true}, {3, false, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "variant " << c.variant << " reversed " << c.reversedBefore);
        Rig rig;
        rig.variant = c.variant;
        rig.settings.DirectionReversed = c.reversedBefore;
        rig.run([&](ServoTypeDialog& d) {
            auto& box = ctl<QCheckBox>(d, "Richtung");
            EXPECT_EQ(ctl<QGroupBox>(d, "FrameDrehrichtung").isEnabled(), c.settable);
            EXPECT_EQ(box.isVisible(), c.settable);
            if (c.settable) {
                EXPECT_EQ(box.isChecked(), c.reversedBefore);
            }
            if (box.isVisible())
                box.click();
            click(d, "Option4");
            click(d, "OKButton");
        });
        EXPECT_EQ(rig.settings.DirectionReversed, c.reversedAfter);
    }
}

TEST(ServotypHint, ShownWhileCrossingOrSemaphoreHasTheFocus)
{
    const auto hint = [](const char* function) {
        return QStringLiteral("Für die Einstellung ") + QString::fromUtf8(function) +
               QStringLiteral(" wird empfohlen,\r\ndie Option \"Strom abschalten\" auf \"Nein\" zu setzen !\r\n"
                              "Wird der Strom für das Servo abgeschaltet, kann es\r\n"
                              "zu einem Ruckeln des Servos beim Loslaufen kommen.");
    };
    struct Case {
        const char* option;
        const char* function;  // nullptr: no hint
    };
    for (const Case& c : {Case{"Option8", "Bahnschranke"}, Case{"Option9", "Flügelsignal"}, Case{"Option10", nullptr},
                          Case{"Option7", nullptr}}) {
        SCOPED_TRACE(c.option);
        Rig rig;
        rig.run([&](ServoTypeDialog& d) {
            auto& option = ctl<QRadioButton>(d, c.option);
            auto& text = ctl<QLabel>(d, "Text1");
            QFocusEvent in(QEvent::FocusIn, Qt::TabFocusReason);
            QApplication::sendEvent(&option, &in);
            EXPECT_EQ(text.isVisible(), c.function != nullptr);
            if (c.function) {
                EXPECT_EQ(text.text(), hint(c.function));
            }
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(&option, &out);
            EXPECT_FALSE(text.isVisible());
        });
    }
}

#include "link/CommandCatalogue.h"
#include "support/AppRig.h"
#include "ui/InfoWindows.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::AppRig;
using qb::test::click;

namespace {

// The entries a menu's popup shows, "-" for a disabled one.
QStringList shownEntries(QMenu* menu)
{
    QStringList entries;
    for (QAction* action : menu->actions())
        if (action->isVisible() && !action->isSeparator())
            entries << (action->isEnabled() ? action->text() : "-" + action->text());
    return entries;
}

QStringList numbered(const QString& word, int from, int to)
{
    QStringList list;
    for (int i = from; i <= to; ++i)
        list << word + ' ' + QString::number(i);
    return list;
}

}  // namespace

TEST(WhatAUserMeets, EveryMenuOpensFromTheMenuBarWithTheEntriesOfTheDecoder)
{
    struct Case {
        const char* id;
        // Menu title -> entries its popup shows; absent titles are hidden,
        // an empty list means the title is shown disabled.
        std::vector<std::pair<const char*, QStringList>> menus;
    };
    const QStringList ports = numbered("COM", 1, 20);
    const QStringList help = {"Info", "Serielle Anschlüsse suchen", "Protokollmonitor"};
    const QStringList service = {"Servo Einstellungen sichern", "Servo Einstellungen wiederherstellen",
                                 "Sicherung mit Decoder vergleichen"};
    const QStringList turnout = {"Servo 1a+1b", "Servo 1c+1d", "Servo 2a+2b", "Servo 2c+2d",
                                 "Servo 3a+3b", "Servo 3c+3d", "Servo 4a+4b", "Servo 4c+4d"};
    const Case cases[] = {
        {"R5--XC45",
         {{"Datei", {"8-fach Servo-Decoder testen", "Beenden"}},
          {"Serieller Anschluß", ports},
          {"Reset", numbered("Servo", 1, 8) << "Alle"},
          {"Kopieren nach...", numbered("Servo", 1, 8)},
          {"Service", service},
          {"Einstellung", {"Meldung Neutralstellung \"EIN\"", "Servos \"EIN\" beim Einschalten"}},
          {"Hilfe", help}}},
        {"V7966445",
         {{"Datei", {"4-Weg Weichen testen", "Beenden"}},
          {"Serieller Anschluß", ports},
          {"Reset", QStringList(turnout) << "Alle"},
          {"Kopieren nach...", turnout},
          {"Service", service},
          {"Einstellung", {"Meldung Neutralstellung \"EIN\"", "Servos \"EIN\" beim Einschalten"}},
          {"Hilfe", help}}},
        {"L9624164",
         {{"Datei", {"Ampel testen", "Beenden"}},
          {"Serieller Anschluß", ports},
          {"Service", {}},
          {"Einstellung", {}},
          {"Hilfe", help}}},
        {"BR5-XC42",
         {{"Datei", {"Spulen testen", "Beenden"}},
          {"Serieller Anschluß", ports},
          {"Service", {}},
          {"Einstellung", {"Meldung Neutralstellung \"EIN\""}},
          {"Hilfe", help}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        QStringList titles;
        for (QAction* title : rig.window().menuBar()->actions())
            if (title->isVisible())
                titles << title->text();
        QStringList expectedTitles;
        for (const auto& [title, entries] : c.menus)
            expectedTitles << QString::fromUtf8(title);
        EXPECT_EQ(titles, expectedTitles);
        for (const auto& [title, entries] : c.menus) {
            SCOPED_TRACE(title);
            QMenu* menu = nullptr;
            for (QAction* action : rig.window().menuBar()->actions())
                if (action->text() == QString::fromUtf8(title))
                    menu = action->menu();
            ASSERT_NE(menu, nullptr);
            const bool opened = qb::test::openMenu(rig.window(), menu);
            EXPECT_EQ(opened, !entries.isEmpty());
            if (opened) {
                EXPECT_EQ(shownEntries(menu), entries);
            }
            menu->close();
        }
    }
}

TEST(WhatAUserMeets, ResetAndCopyAreReachedThroughTheirMenus)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(3);
    rig.device.clearLog();
    rig.host.answerMessage(Answer::Yes, "Servo 5 auf Standart-Einstellung setzen?");
    ASSERT_TRUE(rig.choose("mnu_RServo_5"));
    EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::outputReset(5).bytes, commands::blockRead(5).bytes}));
    rig.device.clearLog();
    ASSERT_TRUE(rig.choose("mnu_copyx_2"));
    EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{commands::outputCopy(5, 2).bytes, commands::blockRead(2).bytes}));
    EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 2"));
}

TEST(WhatAUserMeets, AFailedReadShowsNothingOfAnotherOutput)
{
    struct Case {
        const char* name;
        Fault fault;
        const char* message;
    };
    const Case cases[] = {
        {"silent", Fault::NoAnswer, "Timeout von Decoder!"},
        {"refusing", Fault::Refusal, "Datenfehler vom Decoder !"},
        {"garbage of the full length", Fault::Garbage, "Datenfehler vom Decoder !"},
        {"cut short", Fault::ShortAnswer, "Datenfehler vom Decoder !"},
        {"shifted by a stray character", Fault::Shifted, "Datenfehler vom Decoder !"},
        {"another output's block", Fault::WrongOutputDigit, "Datenfehler vom Decoder !"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        AppRig rig({"R5--XC48"}, 1);
        rig.device.setValue16(2, 3, 12222);
        rig.device.addStandingFault({c.fault, 3});
        rig.start();
        rig.doubleClickOutput(2);
        ASSERT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("12222"));
        // Already while the user is told, nothing of output 2 is shown.
        QString shownMeanwhile = QStringLiteral("<no message>");
        rig.host.answerMessage(Answer::Ok, QString::fromUtf8(c.message),
                               [&] { shownMeanwhile = rig.servo().Neutralstellung->text(); });
        rig.doubleClickOutput(3);
        EXPECT_EQ(shownMeanwhile, QString());

        ASSERT_FALSE(rig.host.messages().empty()) << rig.ui().Status->text().toStdString();
        EXPECT_EQ(rig.host.messages().back().text, QString::fromUtf8(c.message));
        EXPECT_EQ(rig.ui().Servo_auswahl->text(), QStringLiteral("Servo 3"));
        EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 2 Daten empfangen"));
        for (QLineEdit* box : {rig.servo().Neutralstellung, rig.servo().Linker_Wert, rig.servo().IST_Pos,
                               rig.servo().Laufzeit_links})
            EXPECT_TRUE(box->text().isEmpty()) << box->objectName().toStdString();
        EXPECT_TRUE(rig.servo().Fabrikat->text().isEmpty());
        EXPECT_TRUE(rig.indicators().DCC_ADDR->text().isEmpty());
        for (QPushButton* button : {rig.servo().S_Konfigurieren, rig.servo().Command2, rig.servo().Command3,
                                    rig.indicators().Command4})
            EXPECT_FALSE(button->isEnabled()) << button->objectName().toStdString();
        EXPECT_FALSE(rig.window().menu("mnu_copy")->menuAction()->isEnabled());
        // Nothing of output 2 can be written to output 3.
        rig.device.clearLog();
        {
            const Line::Operation operation = rig.session().operation();
            EXPECT_FALSE(rig.session().writeServoConfig());
        }
        EXPECT_TRUE(rig.frames().empty());
    }
}

TEST(WhatAUserMeets, ABlockShorterThanItsVariantIsStillShown)
{
    // The decoder sends 78 characters where its identification promises 79.
    AppRig rig({"R5--XC48", 1}, 1);
    rig.device.setValue16(3, 3, 13333);
    rig.start();
    rig.doubleClickOutput(3);
    EXPECT_EQ(rig.servo().Neutralstellung->text(), QStringLiteral("13333"));
    EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 3 Daten empfangen"));
    EXPECT_TRUE(rig.servo().S_Konfigurieren->isEnabled());
}

TEST(WhatAUserMeets, AnOutputThatStaysImplausibleIsNotShownEither)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(2);
    rig.device.setValue16(3, 5, 1999);
    rig.device.setResetsIgnored(true);
    for (int i = 0; i < 3; ++i)
        rig.host.answerMessage(Answer::Ok, "Standartwerte");
    rig.doubleClickOutput(3);
    EXPECT_TRUE(rig.servo().Linker_Wert->text().isEmpty());
    EXPECT_FALSE(rig.servo().S_Konfigurieren->isEnabled());
    EXPECT_FALSE(rig.session().selectedOutputRead());
}

TEST(WhatAUserMeets, TheScanDialogLeavesTheLineUsable)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(2);
    ASSERT_TRUE(rig.choose("mnu_search"));
    PortScanDialog* dialog = rig.window().portScanDialog();
    ASSERT_TRUE(dialog->isVisible());
    click(dialog->findChild<QPushButton*>("Command1"));  // "Schließen"
    EXPECT_FALSE(dialog->isVisible());
    EXPECT_TRUE(rig.port.isOpen());
    EXPECT_EQ(rig.port.settings().baud, 4800);
    // The next command reaches the decoder.
    rig.device.clearLog();
    rig.host.answerMessage(Answer::Yes, "wirklich in die Mittelstellung fahren?");
    click(rig.servo().Command2);
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{commands::middlePosition().bytes});
    EXPECT_EQ(rig.ui().Status->text(), QStringLiteral("Servo 2 Mittelstellung angefahren!"));
}

TEST(WhatAUserMeets, TheServoTypeDialogKeepsItsControlsInPlace)
{
    AppRig rig({"R5--XC48"}, 1);
    rig.start();
    rig.doubleClickOutput(2);
    std::vector<QPoint> withHint, withoutHint;
    bool hintShown = false;
    rig.host.onModal("Servotyp", [&](QDialog& dialog) {
        auto* crossing = dialog.findChild<QRadioButton*>("Option8");  // "Bahnschranke"
        const char* lower[] = {"Nachfedern_links", "Nachfedern_rechts", "Nachfedern_wert", "Strom_abschalten",
                               "Richtung", "OKButton"};
        auto positions = [&] {
            QCoreApplication::sendPostedEvents();
            std::vector<QPoint> at;
            for (const char* name : lower)
                at.push_back(dialog.findChild<QWidget*>(name)->mapTo(&dialog, QPoint()));
            return at;
        };
        click(crossing);
        hintShown = dialog.findChild<QLabel*>("Text1")->isVisible();
        withHint = positions();
        // The next click goes to "Links": the focus leaves the option, the hint hides.
        click(dialog.findChild<QAbstractButton*>("Nachfedern_links"));
        EXPECT_FALSE(dialog.findChild<QLabel*>("Text1")->isVisible());
        withoutHint = positions();
        click(dialog.findChild<QPushButton*>("CancelButton"));
    });
    click(rig.servo().S_Konfigurieren);
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(withHint, withoutHint);
}

TEST(WhatAUserMeets, OptionsOfAnotherOutputDoNotStay)
{
    {
        AppRig rig({"R5--XC48"}, 1);
        rig.device.setField(5, 1, 0x84);  // level crossing
        rig.device.setField(6, 1, 0xC0);  // no function bit
        rig.start();
        rig.doubleClickOutput(5);
        ASSERT_TRUE(rig.indicators().Option5->isChecked());
        rig.doubleClickOutput(6);
        for (QRadioButton* option : {rig.indicators().Option3, rig.indicators().Option4, rig.indicators().Option5,
                                     rig.indicators().Option6})
            EXPECT_FALSE(option->isChecked()) << option->objectName().toStdString();
    }
    {
        AppRig rig({"BR5-XC42"}, 1);
        rig.device.setField(2, 1, 0x01);  // input 2 steps on
        rig.device.setField(2, 2, 5);     // chain ends at coil 6
        rig.device.setField(6, 1, 0x01);
        rig.device.setField(6, 2, 9);     // no chain end
        rig.start();
        rig.doubleClickOutput(2);
        ASSERT_TRUE(rig.coil().opt_letzte_Spule_4->isChecked());
        rig.doubleClickOutput(6);
        for (QRadioButton* option : rig.coil().frm_letzte_Spule->findChildren<QRadioButton*>())
            EXPECT_FALSE(option->isChecked()) << option->objectName().toStdString();
    }
}

TEST(WhatAUserMeets, TrafficLightsAndCoilsShowTheirAddressAndFunction)
{
    struct Case {
        const char* id;
        int output;
    };
    for (const Case c : {Case{"L9624164", 3}, Case{"BR5-XC42", 4}}) {
        SCOPED_TRACE(c.id);
        AppRig rig({c.id}, 1);
        rig.start();
        rig.doubleClickOutput(c.output);
        OutputIndicators& indicators = rig.window().activePanel().indicators();
        EXPECT_TRUE(indicators.ui().FrameAdresse->isVisible());
        EXPECT_TRUE(indicators.ui().FrameSteuert->isVisible());
        EXPECT_EQ(indicators.ui().DCC_ADDR->text().toInt(), rig.outputSettings().VirtualAddress);
        EXPECT_EQ(indicators.ui().DCC_ADDR->text(), QString::number(c.output));  // address 1
        EXPECT_FALSE(indicators.ui().lblOption3456->text().isEmpty());
        EXPECT_TRUE(indicators.ui().Command4->isVisible());
        EXPECT_TRUE(indicators.ui().Command4->isEnabled());
    }
}

TEST(WhatAUserMeets, ComingBackFromAnotherWindowRunsTheStartUpAgain)
{
    const std::vector<QByteArray> startUp{commands::blockRead(1).bytes, commands::blockRead(1).bytes,
                                          commands::powerUpStateQuery().bytes};
    {
        // The info window closes: detection and identification as at start.
        AppRig rig({"R5--XC45"}, 1);
        rig.start();
        rig.device.clearLog();
        rig.host.onModal("frmAbout", [](QDialog& d) { click(d.findChild<QPushButton*>("cmdOK")); });
        ASSERT_TRUE(rig.choose("mnu_about"));
        rig.host.advanceMs(5000);
        EXPECT_EQ(rig.frames(), startUp);
    }
    {
        // The servo type dialog works under the dialogs' flag: it stays quiet.
        AppRig rig({"R5--XC45"}, 1);
        rig.start();
        rig.doubleClickOutput(2);
        rig.device.clearLog();
        rig.host.onModal("Servotyp", [](QDialog& d) { click(d.findChild<QPushButton*>("OKButton")); });
        click(rig.servo().S_Konfigurieren);
        rig.host.advanceMs(5000);
        const auto frames = rig.frames();
        ASSERT_EQ(frames.size(), 2u);  // the write and its read-back only
        EXPECT_EQ(frames[1], commands::blockRead(2).bytes);
    }
    {
        // A wait window belongs to the operation that shows it.
        AppRig rig({"R5--XC45"}, 1);
        rig.start();
        rig.doubleClickOutput(1);
        rig.host.answerMessage(Answer::Yes);
        ASSERT_TRUE(rig.choose("mnu_RServo_3"));
        rig.device.clearLog();
        rig.host.advanceMs(5000);
        EXPECT_TRUE(rig.frames().empty());
    }
    {
        // A menu that opens and closes is no other window.
        AppRig rig({"R5--XC45"}, 1);
        rig.start();
        rig.device.clearLog();
        QMenu* help = rig.window().menu("mnu_help");
        ASSERT_TRUE(qb::test::openMenu(rig.window(), help));
        help->close();
        rig.host.activate(rig.window());
        rig.host.advanceMs(5000);
        EXPECT_TRUE(rig.frames().empty());
    }
}

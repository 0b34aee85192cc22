#include "support/AppRig.h"
#include "ui/InfoWindows.h"

#include <QGroupBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace qb;

TEST(InfoWindows, TheInfoWindowNamesTheProgramTwiceAndItsVersion)
{
    test::AppRig rig;
    QString caption, title, version;
    rig.host.onModal("frmAbout", [&](QDialog& dialog) {
        caption = dialog.windowTitle();
        title = dialog.findChild<QLabel*>("lblTitle")->text();
        version = dialog.findChild<QLabel*>("lblVersion")->text();
        dialog.findChild<QPushButton*>("cmdOK")->click();
    });
    rig.ui().mnu_about->trigger();
    EXPECT_EQ(caption, QStringLiteral("Info zu Quenbrix_551"));
    EXPECT_EQ(title, QStringLiteral("Quenbrix_551"));
    EXPECT_EQ(version, QStringLiteral("Version 5.5.1"));
    EXPECT_EQ(rig.host.modalWindows(), QStringList{"frmAbout"});
}

TEST(InfoWindows, HelpShowsTheTitleAndTextOfTheLatestCaller)
{
    test::AppRig rig;
    QStringList seen;
    rig.host.onModal("Hilfe", [&](QDialog& dialog) {
        seen << dialog.findChild<QGroupBox*>("Frame1")->title() + "|" +
                    dialog.findChild<QPlainTextEdit*>("Text1")->toPlainText();
        dialog.findChild<QPushButton*>("cmdClose")->click();
    });
    rig.window().showHelp("Nachfedern links", "erster Text");
    rig.window().showHelp("Wiederholungen", "zweiter Text");
    EXPECT_EQ(seen, (QStringList{"Nachfedern links|erster Text", "Wiederholungen|zweiter Text"}));
}

TEST(InfoWindows, TheHintWindowShowsItsTextWhenPainted)
{
    HintWindow hint;
    EXPECT_EQ(hint.windowTitle(), QStringLiteral("Hinweis"));
    hint.HintText = QStringLiteral("Ampel 1 grün");
    hint.grab();  // paints it
    EXPECT_EQ(hint.findChild<QPlainTextEdit*>("Text1")->toPlainText(), QStringLiteral("Ampel 1 grün"));
}

TEST(InfoWindows, ReconnectClosesOpenInfoWindows)
{
    test::AppRig rig;
    rig.start();
    bool closedByReconnect = false;
    rig.host.onModal("frmAbout", [&](QDialog&) {
        rig.connection().Reconnect();
        closedByReconnect = true;
    });
    rig.ui().mnu_about->trigger();
    EXPECT_TRUE(closedByReconnect);
    EXPECT_EQ(rig.host.modalWindows(), QStringList{"frmAbout"});
}

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
    rig.start();
    QString caption, title, version;
    rig.host.onModal("frmAbout", [&](QDialog& dialog) {
        caption = dialog.windowTitle();
        title = dialog.findChild<QLabel*>("lblTitle")->text();
        version = dialog.findChild<QLabel*>("lblVersion")->text();
        test::click(dialog.findChild<QPushButton*>("cmdOK"));
    });
    ASSERT_TRUE(rig.choose("mnu_about"));
    EXPECT_EQ(caption, QStringLiteral("Info zu Quenbrix_551"));
    EXPECT_EQ(title, QStringLiteral("Quenbrix_551"));
    EXPECT_EQ(version, QStringLiteral("Version 5.5.1"));
    EXPECT_EQ(rig.host.modalWindows(), QStringList{"frmAbout"});
}

TEST(InfoWindows, HelpShowsTheTitleAndTextItWasGiven)
{
    for (const auto& [title, text] : {std::pair{"Nachfedern links", "erster Text"}, std::pair{"Wiederholungen", "zweiter Text"}}) {
        HelpWindow help(QString::fromUtf8(title), QString::fromUtf8(text));
        EXPECT_EQ(help.objectName(), QStringLiteral("Hilfe"));
        EXPECT_EQ(help.findChild<QGroupBox*>("Frame1")->title(), QString::fromUtf8(title));
        EXPECT_EQ(help.findChild<QPlainTextEdit*>("Text1")->toPlainText(), QString::fromUtf8(text));
    }
}

TEST(InfoWindows, TheHintWindowShowsItsTextWhenPainted)
{
    HintWindow hint;
    EXPECT_EQ(hint.windowTitle(), QStringLiteral("Hinweis"));
    hint.HintText = QStringLiteral("Ampel 1 grün");
    hint.grab();  // paints it
    EXPECT_EQ(hint.findChild<QPlainTextEdit*>("Text1")->toPlainText(), QStringLiteral("Ampel 1 grün"));
}

TEST(InfoWindows, AReconnectClosesAnOpenInfoWindow)
{
    test::AppRig rig;
    rig.start();
    qint64 openedAt = -1;
    rig.host.onModal("frmAbout", [&](QDialog&) {
        openedAt = rig.host.nowMs();
        // The decoder loses power while the window is open, and comes back.
        rig.host.answerMessage(Answer::No, "Decoder wurde oder ist ausgeschaltet.");
        rig.host.answerMessage(Answer::Ok, "Schalten Sie den Decoder wieder ein");
        rig.device.setDsr(false);
        rig.host.at(rig.host.nowMs() + 1000, [&] { rig.device.setDsr(true); });
    });
    rig.device.clearLog();
    ASSERT_TRUE(rig.choose("mnu_about"));
    EXPECT_EQ(rig.host.modalWindows(), QStringList{"frmAbout"});
    // The reconnect 2 s later closed the window and detected the decoder again.
    EXPECT_GE(rig.host.nowMs() - openedAt, 2000);
    EXPECT_FALSE(rig.frames().empty());
    EXPECT_EQ(rig.frames().front(), QByteArray("\xF1\r"));
}

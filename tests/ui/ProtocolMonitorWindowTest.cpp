// The protocol monitor as the user opens and uses it.

#include "session/DecoderSession.h"
#include "session/ProtocolMonitor.h"
#include "support/AppRig.h"
#include "ui/ProtocolMonitorWindow.h"

#include <QApplication>
#include <QClipboard>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

using namespace qb;
using namespace qb::test;

namespace {

QStringList shownLines(ProtocolMonitorWindow& window)
{
    return window.findChild<QPlainTextEdit*>("txtProtokoll")->toPlainText().split('\n', Qt::SkipEmptyParts);
}

}  // namespace

TEST(ProtocolMonitorWindow, OpensFromTheHelpMenuAndFollowsTheLine)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    QAction* entry = rig.menuEntry("mnu_monitor");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(entry->text(), QStringLiteral("Protokollmonitor"));
    EXPECT_EQ(menuOf(rig.window(), entry), rig.window().menu("mnu_help"));
    ASSERT_TRUE(rig.choose("mnu_monitor"));
    ProtocolMonitorWindow* window = rig.window().monitorWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(window->isVisible());

    // What happened before it opened: detection, identification, start-up query.
    const QStringList before = shownLines(*window);
    ASSERT_FALSE(before.isEmpty());
    EXPECT_EQ(before, rig.session().monitor().lines());
    EXPECT_TRUE(before.front().endsWith(QStringLiteral("gesendet  Block 1 lesen: F1 0D"))) << before.front().toStdString();

    // Back in the main window: looking at the monitor sent nothing.
    rig.device.clearLog();
    rig.host.activate(rig.window());
    rig.host.advanceMs(5000);
    EXPECT_TRUE(rig.frames().empty());

    // Live: the read of output 4 appears while the window is open.
    rig.doubleClickOutput(4);
    const QStringList after = shownLines(*window);
    ASSERT_EQ(after.size(), before.size() + 2);
    EXPECT_TRUE(after[after.size() - 2].endsWith(QStringLiteral("gesendet  Block 4 lesen: F4 0D")));
    EXPECT_TRUE(after.back().contains(QStringLiteral("empfangen Block 4 lesen: ")));
}

TEST(ProtocolMonitorWindow, CopiesAndClears)
{
    AppRig rig({"R5--XC45"}, 1);
    rig.start();
    ASSERT_TRUE(rig.choose("mnu_monitor"));
    ProtocolMonitorWindow& window = *rig.window().monitorWindow();
    auto* text = window.findChild<QPlainTextEdit*>("txtProtokoll");

    QApplication::clipboard()->clear();
    click(window.findChild<QPushButton*>("cmdKopieren"));
    EXPECT_EQ(QApplication::clipboard()->text(), rig.session().monitor().lines().join('\n'));

    // With a selection only the selected lines: here the first, by keyboard.
    text->setFocus();
    pressKey(text, Qt::Key_Home, Qt::ControlModifier);
    pressKey(text, Qt::Key_End, Qt::ShiftModifier);
    click(window.findChild<QPushButton*>("cmdKopieren"));
    EXPECT_EQ(QApplication::clipboard()->text().toStdString(), rig.session().monitor().lines().front().toStdString());

    click(window.findChild<QPushButton*>("cmdLeeren"));
    EXPECT_TRUE(text->toPlainText().isEmpty());
    EXPECT_TRUE(rig.session().monitor().lines().isEmpty());

    click(window.findChild<QPushButton*>("cmdSchliessen"));
    EXPECT_FALSE(window.isVisible());
    // Opened again, it shows what came meanwhile.
    rig.doubleClickOutput(2);
    ASSERT_TRUE(rig.choose("mnu_monitor"));
    EXPECT_EQ(shownLines(window), rig.session().monitor().lines());
    EXPECT_EQ(shownLines(window).size(), 2);
}

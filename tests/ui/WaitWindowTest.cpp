#include "support/SimRig.h"
#include "ui/WaitWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <gtest/gtest.h>

using namespace qb;
using qb::test::SimRig;

TEST(WaitWindow, TenTicksByFunctionAndReset)
{
    struct Case {
        WaitWindow::Kind kind;
        int functionCode;
        int resetOutput;
        int tickMs;
    };
    const Case cases[] = {
        {WaitWindow::Kind::Servo, 1, 0, 400},        {WaitWindow::Kind::Servo, 2, 0, 1000},
        {WaitWindow::Kind::Servo, 8, 0, 1000},       {WaitWindow::Kind::Servo, 1, 3, 1000},
        {WaitWindow::Kind::TrafficLight, 1, 0, 400}, {WaitWindow::Kind::TrafficLight, 3, 0, 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.functionCode);
        SimRig rig;
        WaitWindow window(rig.host, rig.line, c.kind, c.functionCode, {c.resetOutput, false});
        EXPECT_EQ(window.tickInterval(), c.tickMs);
        EXPECT_EQ(window.progress(), 0);

        rig.host.runModal(window);
        EXPECT_EQ(window.progress(), WaitWindow::Ticks);
        EXPECT_EQ(rig.host.nowMs(), WaitWindow::Ticks * c.tickMs);
        EXPECT_FALSE(window.isVisible());
        EXPECT_TRUE(rig.frames().empty());  // no movement without MoveAfterReset
    }
}

TEST(WaitWindow, ResetMovesTheOutputToBothEndsAtTheFifthTick)
{
    struct Case {
        WaitWindow::Kind kind;
        const char* objectName;
        int pauseMs;
    };
    for (const Case& c : {Case{WaitWindow::Kind::Servo, "Warten", 1000},
                          Case{WaitWindow::Kind::TrafficLight, "Warten_Ampel", 250}}) {
        SCOPED_TRACE(c.objectName);
        SimRig rig({"R5--XC42"});
        WaitWindow window(rig.host, rig.line, c.kind, 1, {6, true});
        EXPECT_EQ(window.objectName(), QString::fromLatin1(c.objectName));
        EXPECT_EQ(window.windowTitle(), QStringLiteral("Bitte warten..."));

        {
            // The window runs inside the operation that shows it.
            const Line::Operation operation = rig.line.begin();
            rig.host.runModal(window);
        }
        const auto& log = rig.device.log();
        ASSERT_EQ(rig.frames().size(), 2u);
        EXPECT_EQ(rig.frames()[0], QByteArray("\x86\r"));
        EXPECT_EQ(rig.frames()[1], QByteArray("\x96\r"));
        EXPECT_NEAR(log.front().timeUs / 1000.0, 5000, 10);  // the frame itself takes 4 ms
        EXPECT_EQ((log.back().timeUs - log.front().timeUs) / 1000, c.pauseMs);
        EXPECT_EQ(window.progress(), WaitWindow::Ticks);
        // A tick that fell due during the pause comes right after it, so the
        // window still closes after ten seconds (plus at most the pause).
        EXPECT_LE(rig.host.nowMs(), 10'000 + c.pauseMs);
        EXPECT_GE(rig.host.nowMs(), 10'000);
    }
}

TEST(WaitWindow, ResetOfADecoderOutsideTheSwitchGroupOnlyWaits)
{
    SimRig rig({"N7966445"});
    WaitWindow window(rig.host, rig.line, WaitWindow::Kind::Servo, 1, {2, true});
    const Line::Operation operation = rig.line.begin();
    rig.host.runModal(window);
    EXPECT_TRUE(rig.frames().empty());
    EXPECT_EQ(window.progress(), WaitWindow::Ticks);
}

TEST(WaitWindow, TheTrafficLightWindowHasItsOwnText)
{
    SimRig rig;
    WaitWindow window(rig.host, rig.line, WaitWindow::Kind::TrafficLight, 2);
    window.setWindowTitle(QStringLiteral("Decoder wird neu gestartet, bitte warten..."));
    auto* label = window.findChild<QLabel*>(QStringLiteral("Label1"));
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), QStringLiteral("Bitte warten bis der Decoder die Daten aktualisiert hat !"));
    EXPECT_NE(window.findChild<QProgressBar*>(QStringLiteral("ProgressBar1")), nullptr);
}

#include "link/CommandCatalogue.h"
#include "support/SimRig.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::reversed;
using qb::test::SimRig;

namespace {

const QString FatalTimeout = QStringLiteral(
    "Timeout von Decoder!\r\nDecoder ist vermutlich nicht eingeschaltet.\r\nProgramm wird beendet.");

QByteArray blockFrame(int n)
{
    return commands::blockRead(n).bytes;
}

}  // namespace

TEST(Transport, ExchangeAwaitsTheAnswerAndReadsTheWholeBuffer)
{
    SimRig rig;
    rig.transport.ExchangeCommand(commands::blockRead(3), 79);

    EXPECT_FALSE(rig.transport.TimedOut);
    ASSERT_EQ(rig.transport.InString.size(), 79);
    EXPECT_EQ(reversed(rig.transport.InString).mid(69, 9), QByteArray("3R5--XC45"));
    EXPECT_EQ(rig.transport.SendFrame, blockFrame(3));
    EXPECT_FALSE(rig.transport.Timer2().isEnabled());
    EXPECT_FALSE(rig.host.busy());
    // 2 characters out, 79 back at 4800 baud, 10 bit times each.
    EXPECT_NEAR(rig.host.nowMs(), 81 * 2.083 + 0.5, 2.0);
}

TEST(Transport, TimeOutSetsTheFlagAndKeepsThePreviousAnswer)
{
    struct Case {
        int timeoutMs;
    };
    for (const Case c : {Case{Transport::StartTimeoutMs}, Case{Transport::DetectedTimeoutMs}}) {
        SCOPED_TRACE(c.timeoutMs);
        SimRig rig;
        rig.transport.InString = "earlier";
        rig.transport.Timer2().setInterval(c.timeoutMs);
        rig.device.injectFault(Fault::NoAnswer);
        rig.transport.ExchangeCommand(commands::blockRead(1), 79);

        EXPECT_TRUE(rig.transport.TimedOut);
        EXPECT_EQ(rig.transport.InString, QByteArray());
        EXPECT_EQ(rig.host.nowMs(), c.timeoutMs);
        EXPECT_FALSE(rig.transport.Timer2().isEnabled());
        EXPECT_FALSE(rig.host.busy());
    }
}

TEST(Transport, AnAnswerLongerThanAwaitedArrivesWhole)
{
    struct Case {
        int awaited;
        int expected;
    };
    // Through a USB adapter that passes characters on every 16 ms the wait
    // ends with more in the buffer than it awaited: all of it is the answer.
    for (const Case c : {Case{1, 5}, Case{79, 82}}) {
        SimRig rig;
        rig.port.setChunkUs(16'000);
        rig.device.injectFault(Fault::ExtraChars);
        rig.transport.ExchangeCommand(commands::blockRead(1), c.awaited);
        EXPECT_FALSE(rig.transport.TimedOut);
        EXPECT_EQ(rig.transport.InString.size(), c.expected) << c.awaited;
        EXPECT_EQ(rig.port.bytesAvailable(), 0);
    }
}

TEST(Transport, InputIsDiscardedBeforeEachFrame)
{
    SimRig rig;
    rig.device.injectFault(Fault::ExtraChars);
    rig.transport.ExchangeCommand(commands::blockRead(1), 79);
    rig.host.advanceMs(50);  // the extra characters land after the wait
    ASSERT_GT(rig.port.bytesAvailable(), 0);

    rig.transport.ExchangeCommand(commands::blockRead(2), 79);
    EXPECT_EQ(rig.transport.InString.size(), 79);
    EXPECT_EQ(reversed(rig.transport.InString)[69], '2');
}

TEST(Transport, ReadBlockAwaitsTheLengthOfTheProtocolVariant)
{
    struct Case {
        const char* id;
        int variant;
        int awaited;
        int sent;
    };
    const Case cases[] = {
        {"R5494940", 1, 78, 78},
        {"R5--XC45", 2, 79, 79},
        {"L9624164", 2, 79, 79},
        {"L1164566", 3, 79, 80},  // stops after 79 of the 80 characters
        {"L7466469", 0, 79, 80},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SimRig rig({c.id});
        rig.transport.ProtocolVariant = c.variant;
        rig.transport.ReadBlock(4);

        EXPECT_EQ(rig.device.blockLength(), c.sent);
        EXPECT_EQ(rig.transport.InString.size(), c.awaited);
        EXPECT_EQ(rig.transport.RetriesLeft, Transport::BlockRetries);
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{blockFrame(4)});
        EXPECT_EQ(rig.programEnds, 0);
    }
}

TEST(Transport, TheLastCharacterOfAVariantThreeBlockIsDiscardedByTheNextFlush)
{
    SimRig rig({"L1164566"});
    rig.transport.ProtocolVariant = 3;
    rig.transport.ReadBlock(1);
    rig.host.advanceMs(10);
    EXPECT_EQ(rig.port.bytesAvailable(), 1);  // the 80th, sent last, is the first of the block

    rig.transport.ExchangeCommand(commands::blockRead(2), 80);
    EXPECT_EQ(rig.transport.InString.size(), 80);
    EXPECT_EQ(reversed(rig.transport.InString).left(3), rig.device.blockText(2).left(3));
}

TEST(Transport, ReadBlockRetriesOnFramingErrors)
{
    struct Case {
        const char* name;
        int framingErrors;
        int attempts;
        bool fatal;
    };
    const Case cases[] = {
        {"one transient error", 1, 2, false},
        {"four errors", 4, 5, false},
        {"errors on every attempt", 5, 5, true},
        {"more errors than attempts", 9, 5, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        rig.transport.ProtocolVariant = 2;
        rig.device.injectFault(Fault::FrameError, c.framingErrors);
        if (c.fatal)
            rig.host.answerMessage(Answer::Ok, FatalTimeout);
        rig.transport.ReadBlock(2);

        EXPECT_EQ(static_cast<int>(rig.frames().size()), c.attempts);
        EXPECT_EQ(rig.programEnds, c.fatal ? 1 : 0);
        EXPECT_EQ(rig.host.messages().size(), c.fatal ? 1u : 0u);
        if (c.fatal) {
            EXPECT_EQ(rig.host.messages()[0].text, FatalTimeout);
            EXPECT_EQ(rig.host.messages()[0].buttons, Buttons::Ok);
            EXPECT_TRUE(rig.host.messages()[0].title.isEmpty());
        } else {
            EXPECT_EQ(rig.transport.InString.size(), 79);
        }
    }
}

TEST(Transport, ATimeOutWithoutFramingErrorCostsOneAttemptAndReturnsWhatArrived)
{
    struct Case {
        Fault fault;
        int length;
    };
    for (const Case c : {Case{Fault::NoAnswer, 0}, Case{Fault::ShortAnswer, 39}}) {
        SimRig rig;
        rig.transport.ProtocolVariant = 2;
        rig.device.injectFault(c.fault);
        rig.transport.ReadBlock(1);

        EXPECT_TRUE(rig.transport.TimedOut);
        EXPECT_EQ(rig.transport.RetriesLeft, Transport::BlockRetries - 1);
        EXPECT_EQ(rig.transport.InString.size(), c.length);
        EXPECT_EQ(rig.frames().size(), 1u);
        EXPECT_TRUE(rig.host.messages().empty());
        EXPECT_EQ(rig.programEnds, 0);
    }
}

TEST(Transport, SwitchOutputOnlyForTheDirectSwitchGroup)
{
    struct Case {
        const char* id;
        int n;
        int s;
        int expectedByte;  // 0: nothing is sent
    };
    const Case cases[] = {
        {"R5--XC45", 1, 0, 129}, {"R5--XC45", 8, 16, 152}, {"V7656642", 3, 16, 147},
        {"R5-7XC42", 4, 0, 132}, {"R5494940", 1, 0, 0},    {"N7966445", 2, 16, 0},
        {"L7466469", 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SimRig rig({c.id});
        rig.transport.InString = "old";
        const int writes = rig.port.writeCount();
        rig.transport.SwitchOutput(c.n, c.s);

        if (c.expectedByte) {
            EXPECT_EQ(rig.frames(), std::vector<QByteArray>{QByteArray(1, char(c.expectedByte)) + '\r'});
            EXPECT_TRUE(rig.transport.InString.isEmpty());
        } else {
            EXPECT_EQ(rig.port.writeCount(), writes);
            EXPECT_TRUE(rig.frames().empty());
        }
        EXPECT_EQ(rig.host.nowMs(), 0);  // nothing is awaited
    }
}

TEST(Transport, DelayWaitsOnTimer4)
{
    for (int ms : {250, 1000}) {
        SimRig rig;
        rig.transport.Delay(ms);
        EXPECT_EQ(rig.host.nowMs(), ms);
        EXPECT_FALSE(rig.transport.DelayRunning);
        EXPECT_FALSE(rig.transport.Timer4().isEnabled());
    }
}

TEST(Transport, ADecoderThatLosesPowerMidExchangeEndsAsATimeOut)
{
    SimRig rig;
    rig.device.injectFault(Fault::DsrDrop);
    rig.transport.ExchangeCommand(commands::blockRead(1), 79);
    EXPECT_TRUE(rig.transport.TimedOut);
    EXPECT_EQ(rig.host.nowMs(), Transport::StartTimeoutMs);
    EXPECT_EQ(rig.events, std::vector<CommEvent>{CommEvent::DsrChange});
    EXPECT_FALSE(rig.port.dsr());
}

TEST(Transport, AWaitEndsAtOnceWhenTheProgramEnds)
{
    SimRig rig;
    rig.device.injectFault(Fault::NoAnswer);
    auto quitter = rig.host.createTimer();
    quitter->setInterval(100);
    quitter->setHandler([&] { rig.host.requestQuit(); });
    quitter->setEnabled(true);
    rig.transport.ExchangeCommand(commands::blockRead(1), 79);
    EXPECT_TRUE(rig.transport.TimedOut);
    EXPECT_EQ(rig.host.nowMs(), 100);
}

TEST(Transport, ANestedExchangeRunsInsideTheOuterWaitWhichStillEnds)
{
    SimRig rig;
    auto menu = rig.host.createTimer();
    menu->setInterval(50);
    QByteArray nestedAnswer;
    menu->setHandler([&] {
        menu->setEnabled(false);
        rig.transport.ExchangeCommand(commands::blockRead(2), 79);
        nestedAnswer = rig.transport.InString;
    });
    menu->setEnabled(true);
    rig.transport.ExchangeCommand(commands::blockRead(1), 79);

    EXPECT_EQ(rig.frames(), (std::vector<QByteArray>{blockFrame(1), blockFrame(2)}));
    EXPECT_EQ(nestedAnswer.size(), 79);
    // The nested exchange took the characters the outer one waited for; the
    // outer wait ends by its time-out instead of waiting for ever.
    EXPECT_TRUE(rig.transport.TimedOut);
    EXPECT_FALSE(rig.transport.Timer2().isEnabled());
    EXPECT_FALSE(rig.host.busy());
    EXPECT_LT(rig.host.nowMs(), 50 + 200 + Transport::StartTimeoutMs);
}

TEST(Transport, AnswersOfAnyLengthOrContentNeverBreakTheExchange)
{
    QRandomGenerator random(551);
    for (int i = 0; i < 300; ++i) {
        SimRig rig;
        rig.transport.ProtocolVariant = random.bounded(4);
        const Fault fault = static_cast<Fault>(random.bounded(8));
        const int times = random.bounded(1, 7);
        rig.device.injectFault(fault, times);
        const bool fatal = fault == Fault::FrameError && times >= Transport::BlockRetries;
        if (fatal)
            rig.host.answerMessage(Answer::Ok, FatalTimeout);
        rig.transport.ReadBlock(random.bounded(1, 17));
        rig.transport.ExchangeCommand(commands::blockRead(random.bounded(1, 17)), random.bounded(1, 200));
        rig.host.advanceMs(1000);

        EXPECT_LE(rig.transport.InString.size(), 83);
        EXPECT_EQ(rig.programEnds, fatal ? 1 : 0);
        EXPECT_EQ(rig.host.messages().size(), fatal ? 1u : 0u);
    }
}

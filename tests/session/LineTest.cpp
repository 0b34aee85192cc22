#include "link/CommandCatalogue.h"
#include "support/SimRig.h"

#include <QRandomGenerator>
#include <gtest/gtest.h>

using namespace qb;
using qb::sim::Fault;
using qb::test::reversed;
using qb::test::SimRig;
using qb::test::TestHost;

namespace {

QByteArray blockFrame(int n)
{
    return commands::blockRead(n).bytes;
}

// A line end that answers every frame with an endless stream of
// acknowledgements, one per millisecond: the wait ends exactly when the
// awaited number has come.
class FloodPort : public SerialPort {
public:
    explicit FloodPort(TestHost& host) : timer_(host.createTimer())
    {
        timer_->setInterval(1);
        timer_->setHandler([this] { input_ += char(commands::ACK); });
    }
    OpenError open(int, const QString&) override { return OpenError::None; }
    void close() override {}
    bool isOpen() const override { return true; }
    QString errorString() const override { return {}; }
    void write(const QByteArray& bytes) override
    {
        written.push_back(bytes);
        timer_->setEnabled(true);
    }
    int bytesAvailable() const override { return static_cast<int>(input_.size()); }
    QByteArray readAll() override { return std::exchange(input_, {}); }
    bool dsr() const override { return true; }

    std::vector<QByteArray> written;

private:
    std::unique_ptr<Timer> timer_;
    QByteArray input_;
};

}  // namespace

TEST(Line, ExchangeAwaitsTheAnswerAndReadsTheWholeBuffer)
{
    SimRig rig;
    {
        const Line::Operation operation = rig.line.begin();
        ASSERT_TRUE(operation);
        EXPECT_TRUE(rig.host.busy());
        const Reply reply = rig.line.exchange(commands::blockRead(3));

        EXPECT_EQ(reply.status, ReplyStatus::Answered);
        ASSERT_EQ(reply.text.size(), 79);
        EXPECT_EQ(reversed(reply.text).mid(69, 9), QByteArray("3R5--XC45"));
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{blockFrame(3)});
        // 2 characters out, 79 back at 4800 baud, 10 bit times each.
        EXPECT_NEAR(rig.host.nowMs(), 81 * 2.083 + 0.5, 2.0);
    }
    EXPECT_FALSE(rig.host.busy());
}

TEST(Line, EveryCommandAwaitsTheLengthOfItsAnswerForm)
{
    const std::vector<Frame> frames = {
        commands::blockRead(1), commands::blockRead(16), commands::powerUpStateQuery(),
        commands::powerUpStateSet(true), commands::outputSwitch(3, 0), commands::ramDump(),
        commands::dccAddressWrite(0, 10), commands::motorolaAddressWrite(2, 10), commands::adjustEnd(1),
        commands::adjustBegin(1), commands::memoryWrite(0x300, "0000000000000000"), commands::memoryWriteEnd(),
        commands::setLeft(1, 9000), commands::setRight(1, 9000), commands::outputCopy(1, 2),
        commands::memoryDump(), commands::outputReset(4), commands::moveRight(commands::RunToEnd),
        commands::moveLeft(commands::StopRun), commands::storeRunTimeRight(), commands::storeRunTimeLeft(),
        commands::turnRight(), commands::turnLeft(), commands::runTimeRight(5), commands::runTimeLeft(5),
        commands::storeLeft(), commands::storeRight(), commands::leftStep(0, 10), commands::rightStep(1, 250),
        commands::servoConfigWrite({.output = 1, .neutralHex = "2EE0"}),
        commands::trafficLightConfigWrite({"2EE0", 1, 1, 0, 0}), commands::middlePosition(),
    };
    for (int variant : {0, 1, 2, 3}) {
        for (const Frame& frame : frames) {
            SCOPED_TRACE(frame.bytes.toHex().toStdString() + " variant " + std::to_string(variant));
            TestHost host;
            FloodPort port(host);
            DecoderIdentity identity;
            identity.ProtocolVariant = variant;
            Line line(host, port, identity);
            line.setResponseTimeout(10'000);
            const Line::Operation operation = line.begin();
            const Reply reply = line.exchange(frame);

            const int awaited = commands::awaitedLength(frame, variant);
            EXPECT_EQ(port.written, std::vector<QByteArray>{frame.bytes});
            EXPECT_EQ(reply.text.size(), awaited);
            EXPECT_EQ(host.nowMs(), awaited);
            EXPECT_EQ(reply.status, ReplyStatus::Answered);
        }
    }
}

TEST(Line, ATimeOutReturnsWhatArrived)
{
    struct Case {
        int timeoutMs;
        Fault fault;
        int arrived;
    };
    for (const Case c : {Case{Line::StartTimeoutMs, Fault::NoAnswer, 0}, Case{Line::DetectedTimeoutMs, Fault::NoAnswer, 0},
                         Case{Line::DetectedTimeoutMs, Fault::ShortAnswer, 39}}) {
        SCOPED_TRACE(c.timeoutMs);
        SimRig rig;
        rig.line.setResponseTimeout(c.timeoutMs);
        rig.device.injectFault(c.fault);
        const Line::Operation operation = rig.line.begin();
        const Reply reply = rig.line.exchange(commands::blockRead(1));

        EXPECT_EQ(reply.status, ReplyStatus::TimedOut);
        EXPECT_EQ(reply.text.size(), c.arrived);
        EXPECT_EQ(rig.host.nowMs(), c.timeoutMs);
        EXPECT_EQ(failureText(reply), QStringLiteral("Timeout von Decoder!"));
    }
}

TEST(Line, ARefusalAndAnAcknowledgement)
{
    SimRig rig;
    const Line::Operation operation = rig.line.begin();
    EXPECT_EQ(rig.line.exchange(commands::setLeft(1, 9000)).status, ReplyStatus::Answered);
    rig.device.injectFault(Fault::Refusal);
    const Reply refused = rig.line.exchange(commands::setLeft(1, 9000));
    EXPECT_EQ(refused.status, ReplyStatus::Refused);
    EXPECT_EQ(failureText(refused), QStringLiteral("Datentransfer Fehler!"));
    // An answer whose content is not examined is no refusal.
    rig.device.injectFault(Fault::Refusal);
    EXPECT_EQ(rig.line.exchange(commands::servoConfigWrite({.output = 1, .neutralHex = "2EE0"})).status,
              ReplyStatus::Answered);
}

TEST(Line, AnAnswerLongerThanAwaitedArrivesWhole)
{
    // Through a USB adapter that passes characters on every 16 ms the wait
    // ends with more in the buffer than it awaited: all of it is the answer.
    SimRig rig;
    rig.port.setChunkUs(16'000);
    rig.device.injectFault(Fault::ExtraChars);
    const Line::Operation operation = rig.line.begin();
    const Reply reply = rig.line.exchange(commands::blockRead(1));
    EXPECT_TRUE(reply.ok());
    EXPECT_EQ(reply.text.size(), 82);
    EXPECT_EQ(rig.port.bytesAvailable(), 0);
}

TEST(Line, InputIsDiscardedBeforeEachFrame)
{
    SimRig rig;
    const Line::Operation operation = rig.line.begin();
    rig.device.injectFault(Fault::ExtraChars);
    rig.line.exchange(commands::blockRead(1));
    rig.host.advanceMs(50);  // the extra characters land after the wait
    ASSERT_GT(rig.port.bytesAvailable(), 0);

    const Reply reply = rig.line.exchange(commands::blockRead(2));
    EXPECT_EQ(reply.text.size(), 79);
    EXPECT_EQ(reversed(reply.text)[69], '2');
}

TEST(Line, ABlockReadAwaitsTheBlockLengthOfTheVariant)
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
        {"L1164566", 3, 80, 80},
        {"L7466469", 0, 80, 80},  // not known: the longest block
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.id);
        SimRig rig({c.id});
        rig.identity.ProtocolVariant = c.variant;
        const Line::Operation operation = rig.line.begin();
        const Reply reply = rig.line.readBlock(4);

        EXPECT_EQ(rig.device.blockLength(), c.sent);
        EXPECT_EQ(reply.status, ReplyStatus::Answered);
        EXPECT_EQ(reply.text.size(), c.awaited);
        EXPECT_EQ(rig.frames(), std::vector<QByteArray>{blockFrame(4)});
    }
}

TEST(Line, ABlockReadTriesAgainOnFramingErrors)
{
    struct Case {
        const char* name;
        int framingErrors;
        int attempts;
        ReplyStatus status;
    };
    const Case cases[] = {
        {"one transient error", 1, 2, ReplyStatus::Answered},
        {"four errors", 4, 5, ReplyStatus::Answered},
        {"errors on every attempt", 5, 5, ReplyStatus::Garbled},
        {"more errors than attempts", 9, 5, ReplyStatus::Garbled},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig;
        rig.device.injectFault(Fault::FrameError, c.framingErrors);
        const Line::Operation operation = rig.line.begin();
        const Reply reply = rig.line.readBlock(2);

        EXPECT_EQ(static_cast<int>(rig.frames().size()), c.attempts);
        EXPECT_EQ(reply.status, c.status);
        if (c.status == ReplyStatus::Answered) {
            EXPECT_EQ(reply.text.size(), 79);
        }
    }
}

TEST(Line, ATimeOutWithoutFramingErrorEndsTheBlockReadAfterOneAttempt)
{
    SimRig rig;
    rig.device.injectFault(Fault::NoAnswer);
    const Line::Operation operation = rig.line.begin();
    const Reply reply = rig.line.readBlock(1);
    EXPECT_EQ(reply.status, ReplyStatus::TimedOut);
    EXPECT_EQ(rig.frames().size(), 1u);
}

TEST(Line, SwitchOutputOnlyForTheDirectSwitchGroup)
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
        const int writes = rig.port.writeCount();
        const Line::Operation operation = rig.line.begin();
        rig.line.switchOutput(c.n, c.s);

        if (c.expectedByte) {
            EXPECT_EQ(rig.frames(), std::vector<QByteArray>{QByteArray(1, char(c.expectedByte)) + '\r'});
        } else {
            EXPECT_EQ(rig.port.writeCount(), writes);
        }
        EXPECT_EQ(rig.host.nowMs(), 0);  // nothing is awaited
    }
}

TEST(Line, DelayLetsTimePassAndNests)
{
    SimRig rig;
    rig.line.delay(250);
    EXPECT_EQ(rig.host.nowMs(), 250);
    // A delay inside another one does not end the outer one early.
    rig.host.at(300, [&] { rig.line.delay(100); });
    rig.line.delay(1000);
    EXPECT_EQ(rig.host.nowMs(), 1250);
}

TEST(Line, ADecoderThatLosesPowerMidExchangeEndsAsATimeOut)
{
    SimRig rig;
    rig.device.injectFault(Fault::DsrDrop);
    const Line::Operation operation = rig.line.begin();
    const Reply reply = rig.line.exchange(commands::blockRead(1));
    EXPECT_EQ(reply.status, ReplyStatus::TimedOut);
    EXPECT_EQ(rig.host.nowMs(), Line::StartTimeoutMs);
    EXPECT_EQ(rig.events, std::vector<CommEvent>{CommEvent::DsrChange});
    EXPECT_FALSE(rig.port.dsr());
}

TEST(Line, AWaitEndsAtOnceWhenTheProgramEnds)
{
    SimRig rig;
    rig.device.injectFault(Fault::NoAnswer);
    rig.host.at(100, [&] { rig.host.requestQuit(); });
    const Line::Operation operation = rig.line.begin();
    const Reply reply = rig.line.exchange(commands::blockRead(1));
    EXPECT_EQ(reply.status, ReplyStatus::Ending);
    EXPECT_EQ(rig.host.nowMs(), 100);
    EXPECT_EQ(rig.line.exchange(commands::blockRead(2)).status, ReplyStatus::Ending);
    EXPECT_EQ(rig.frames().size(), 1u);
}

TEST(Line, OneOperationAtATime)
{
    SimRig rig;
    std::vector<bool> granted;
    std::vector<ReplyStatus> nested;
    // Events during the wait ask for the line and try to exchange.
    rig.host.at(20, [&] {
        const Line::Operation other = rig.line.begin();
        granted.push_back(bool(other));
        const Line::Operation quiet = rig.line.beginQuietly();
        granted.push_back(bool(quiet));
        nested.push_back(rig.line.exchange(commands::blockRead(2)).status);
    });
    const Line::Operation operation = rig.line.begin();
    // The operation's own calls join it.
    {
        const Line::Operation own = rig.line.begin();
        EXPECT_TRUE(own);
    }
    const Reply reply = rig.line.exchange(commands::blockRead(1));

    EXPECT_EQ(granted, (std::vector<bool>{false, false}));
    EXPECT_EQ(rig.host.beeps(), 1);  // only the user's request is answered with a beep
    EXPECT_EQ(nested, std::vector<ReplyStatus>{ReplyStatus::LineBusy});
    EXPECT_EQ(rig.frames(), std::vector<QByteArray>{blockFrame(1)});
    EXPECT_TRUE(reply.ok());
    EXPECT_EQ(reversed(reply.text)[69], '1');
}

TEST(Line, NothingIsSentOutsideAnOperation)
{
    SimRig rig;
    EXPECT_EQ(rig.line.exchange(commands::blockRead(1)).status, ReplyStatus::LineBusy);
    EXPECT_TRUE(rig.frames().empty());
    // Once the operation has ended, the next one gets the line.
    { const Line::Operation first = rig.line.begin(); }
    const Line::Operation second = rig.line.begin();
    EXPECT_TRUE(second);
    EXPECT_TRUE(rig.line.exchange(commands::blockRead(1)).ok());
}

TEST(Line, AnswersOfAnyLengthOrContentNeverBreakTheExchange)
{
    QRandomGenerator random(551);
    for (int i = 0; i < 300; ++i) {
        SimRig rig;
        rig.identity.ProtocolVariant = random.bounded(4);
        const Fault fault = static_cast<Fault>(random.bounded(8));
        const int times = random.bounded(1, 7);
        rig.device.injectFault(fault, times);
        const Line::Operation operation = rig.line.begin();
        const Reply block = rig.line.readBlock(random.bounded(1, 17));
        const Reply other = rig.line.exchange(commands::blockRead(random.bounded(1, 17)));
        rig.host.advanceMs(1000);

        EXPECT_LE(block.text.size(), 83);
        EXPECT_LE(other.text.size(), 83);
        const bool garbled = fault == Fault::FrameError && times >= Line::BlockAttempts;
        EXPECT_EQ(block.status == ReplyStatus::Garbled, garbled);
    }
}

TEST(Line, ALongAnswerHasTimeToTravelAfterAShortPause)
{
    // The RAM image takes 4.8 s on the wire at 4800 baud against the 5 s
    // response time-out: a decoder that pauses half a second first must
    // still be heard out, and a silent one is given up a second after the
    // image could have arrived.
    struct Case {
        const char* name;
        std::optional<Fault> fault;
        ReplyStatus status;
        int size;
        qint64 endMs;
    };
    const qint64 wireMs = commands::RamDumpLength * 10'000 / 4800;
    const Case cases[] = {
        {"prompt", std::nullopt, ReplyStatus::Answered, commands::RamDumpLength, wireMs},
        {"after a pause", Fault::Delayed, ReplyStatus::Answered, commands::RamDumpLength, wireMs + 500},
        {"silent", Fault::NoAnswer, ReplyStatus::TimedOut, 0, wireMs + 1000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SimRig rig({"L1164566"});
        rig.line.setResponseTimeout(Line::DetectedTimeoutMs);
        if (c.fault)
            rig.device.injectFault(*c.fault);
        const Line::Operation operation = rig.line.begin();
        const Reply reply = rig.line.exchange(commands::ramDump());

        EXPECT_EQ(reply.status, c.status);
        EXPECT_EQ(reply.text.size(), c.size);
        EXPECT_NEAR(rig.host.nowMs(), c.endMs, 10);
    }
    // Answers that travel in a fraction of the time-out keep it as it is:
    // blocks while detecting, acknowledgements, blocks and the memory dump after.
    SimRig rig;
    const std::pair<int, int> kept[] = {{Line::StartTimeoutMs, 1},    {Line::StartTimeoutMs, 80},
                                        {Line::DetectedTimeoutMs, 1}, {Line::DetectedTimeoutMs, 80},
                                        {Line::DetectedTimeoutMs, commands::DumpLength}};
    for (const auto& [timeoutMs, awaited] : kept) {
        rig.line.setResponseTimeout(timeoutMs);
        EXPECT_EQ(rig.line.answerTimeoutMs(awaited), timeoutMs) << awaited;
    }
}

#include "simulator/DecoderDevice.h"
#include "decoder/DecoderTables.h"
#include "link/CommandCatalogue.h"
#include "memory/BlockDecode.h"
#include "support/SimRig.h"

#include <gtest/gtest.h>

using namespace qb;
using namespace qb::sim;
using qb::test::reversed;

TEST(DecoderDevice, BlockLayoutByVariant)
{
    struct Case {
        const char* id;
        int variant;
        int length;
    };
    for (const Case c : {Case{"R5494940", 1, 78}, Case{"R8996640", 2, 79}, Case{"L9624164", 2, 79},
                         Case{"L1164566", 3, 80}, Case{"L7466469", 3, 80}}) {
        SCOPED_TRACE(c.id);
        DecoderDevice device({c.id});
        device.setField(5, 1, 0x81);
        device.setField(5, 23, 7);
        device.setStatusDigit(5, '3');
        device.setBusLaneDigit(5, '9');
        EXPECT_EQ(device.variant(), c.variant);
        const QByteArray block = device.blockText(5);
        ASSERT_EQ(block.size(), c.length);
        EXPECT_EQ(block.left(3), "129");
        EXPECT_EQ(block.mid(66, 3), "007");
        EXPECT_EQ(block[69], '5');
        EXPECT_EQ(block.mid(70, 8), QByteArray(c.id));
        if (c.variant >= 2) {
            EXPECT_EQ(block[78], '3');
        }
        if (c.variant == 3) {
            EXPECT_EQ(block[79], '9');
        }
    }
}

TEST(DecoderDevice, AnswersABlockReadLastCharacterFirst)
{
    DecoderDevice device;
    for (int n : {1, 9, 15, 16}) {
        const auto replies = device.receive(commands::blockRead(n).bytes, 4800, 0);
        ASSERT_EQ(replies.size(), 1u) << n;
        EXPECT_EQ(reversed(replies[0].bytes), device.blockText(n));
        EXPECT_EQ(reversed(replies[0].bytes)[69], n == 16 ? '0' : char('0' + n));
    }
    // 240 alone is no block read but the middle position.
    const auto middle = device.receive(QByteArray("\xF0\r"), 4800, 0);
    ASSERT_EQ(middle.size(), 1u);
    EXPECT_EQ(middle[0].bytes.size(), 6);
}

TEST(DecoderDevice, SilentAtTheOtherLineSpeedOrWithoutPower)
{
    DecoderDevice device({"R5--XC45", 0, 9600});
    EXPECT_TRUE(device.receive(commands::blockRead(1).bytes, 4800, 0).empty());
    EXPECT_TRUE(device.log().back().garbled);
    EXPECT_EQ(device.receive(commands::blockRead(1).bytes, 9600, 0).size(), 1u);
    device.setDsr(false);
    EXPECT_TRUE(device.receive(commands::blockRead(1).bytes, 9600, 0).empty());
}

TEST(DecoderDevice, FramesSplitAcrossWritesAreJoined)
{
    DecoderDevice device;
    EXPECT_TRUE(device.receive(QByteArray("\xF3"), 4800, 0).empty());
    EXPECT_EQ(device.receive(QByteArray("\r\xF4\r"), 4800, 0).size(), 2u);
    EXPECT_EQ(device.receivedFrames(), (std::vector<QByteArray>{"\xF3\r", "\xF4\r"}));
}

TEST(DecoderDevice, FaultsShapeTheNextAnswers)
{
    struct Case {
        Fault fault;
        std::function<void(const std::vector<Response>&, const QByteArray& good, const DecoderDevice&)> check;
    };
    const Case cases[] = {
        {Fault::NoAnswer, [](auto& r, auto&, auto&) { EXPECT_TRUE(r.empty()); }},
        {Fault::Refusal, [](auto& r, auto&, auto&) { EXPECT_EQ(r.at(0).bytes, QByteArray("\x15")); }},
        {Fault::Garbage,
         [](auto& r, auto& good, auto&) {
             EXPECT_EQ(r.at(0).bytes.size(), good.size());
             EXPECT_NE(r.at(0).bytes, good);
         }},
        {Fault::ShortAnswer, [](auto& r, auto& good, auto&) { EXPECT_EQ(r.at(0).bytes, good.left(39)); }},
        {Fault::ExtraChars,
         [](auto& r, auto& good, auto&) { EXPECT_EQ(r.at(0).bytes.left(79), good); EXPECT_GT(r.at(0).bytes.size(), 79); }},
        {Fault::FrameError, [](auto& r, auto&, auto&) { EXPECT_TRUE(r.at(0).framingError); }},
        {Fault::DsrDrop, [](auto& r, auto&, auto& d) { EXPECT_TRUE(r.empty()); EXPECT_FALSE(d.dsr()); }},
        {Fault::WrongOutputDigit,
         [](auto& r, auto&, auto&) { EXPECT_EQ(reversed(r.at(0).bytes)[69], '3'); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.fault));
        DecoderDevice device;
        const QByteArray good = device.receive(commands::blockRead(2).bytes, 4800, 0).at(0).bytes;
        device.injectFault(c.fault);
        c.check(device.receive(commands::blockRead(2).bytes, 4800, 0), good, device);
        device.setDsr(true);
        // Only the next answer is affected.
        EXPECT_EQ(device.receive(commands::blockRead(2).bytes, 4800, 0).at(0).bytes, good);
    }
}

TEST(SimulatedPort, PacesTheAnswerAtWireSpeed)
{
    for (int baud : {4800, 9600}) {
        qb::test::SimRig rig({"R5--XC45", 0, baud});
        rig.port.write(commands::blockRead(1).bytes);
        const qint64 charUs = 10'000'000 / baud;
        rig.host.advanceMs((2 + 40) * charUs / 1000);
        EXPECT_NEAR(rig.port.bytesAvailable(), 40, 2) << baud;
        rig.host.advanceMs(100);
        EXPECT_EQ(rig.port.bytesAvailable(), 79);
    }
}

TEST(SimulatedPort, OpensOnlyPortsWithADevice)
{
    qb::test::TestHost host;
    DecoderDevice device;
    SimulatedPort port(host, device);
    port.setAvailablePorts({2});
    EXPECT_EQ(port.open(1, "4800,N,8,1"), OpenError::InvalidPort);
    EXPECT_EQ(port.open(2, "4800,X,8,1"), OpenError::Other);
    EXPECT_EQ(port.open(2, "9600,N,8,1"), OpenError::None);
    EXPECT_EQ(port.settings().baud, 9600);
    port.failOpens(OpenError::AccessDenied, "Gerät belegt");
    port.close();
    EXPECT_EQ(port.open(2, "4800,N,8,1"), OpenError::AccessDenied);
    EXPECT_EQ(port.errorString(), QStringLiteral("Gerät belegt"));
}

namespace {

using namespace qb::commands;

// A device and a clock; frames come from the catalogue so that both sides
// of the line speak the same language.
struct Bench {
    explicit Bench(DeviceConfig config = {}) : device(config) {}

    std::vector<Response> send(const Frame& frame) { return device.receive(frame.bytes, device.baud(), nowUs); }
    // The single answer to a frame; empty when there is none.
    QByteArray ask(const Frame& frame)
    {
        const auto replies = send(frame);
        return replies.empty() ? QByteArray() : replies.front().bytes;
    }
    int position(const Frame& frame) { return positionAnswerValue(ask(frame)).value_or(-1); }
    // Field k of output n as the program reads it from a block answer.
    int blockField(int n, int k)
    {
        return reversed(ask(blockRead(n))).mid(3 * k - 3, 3).toInt();
    }
    int block16(int n, int k) { return blockField(n, k) * 256 + blockField(n, k + 1); }

    DecoderDevice device;
    qint64 nowUs = 0;
};

const QByteArray Ack(1, char(ACK));

}  // namespace

TEST(DecoderDevice, EveryCommandAnswersInItsForm)
{
    struct Case {
        const char* id;
        Frame frame;
    };
    const Case cases[] = {
        {"R5--XC45", blockRead(3)},
        {"R5--XC45", blockRead(16)},
        {"R5--XC45", powerUpStateQuery()},
        {"R5--XC45", powerUpStateSet(false)},
        {"R5--XC45", outputSwitch(2, 0)},
        {"R5--XC45", outputSwitch(2, 16)},
        {"R5--XC45", dccAddressWrite(0, 7)},
        {"R5--XC45", adjustBegin(3)},
        {"R5--XC45", adjustEnd(3)},
        {"R5--XC45", memoryWrite(0x300, "00112233445566FF")},
        {"R5--XC45", memoryWriteEnd()},
        {"R5--XC45", setLeft(3, 12000)},
        {"R5--XC45", setRight(3, 8000)},
        {"R5--XC45", outputCopy(3, 4)},
        {"R5--XC45", memoryDump()},
        {"R5--XC45", outputReset(4)},
        {"R5--XC45", moveRight(RunToEnd)},
        {"R5--XC45", moveRight(StopRun)},
        {"R5--XC45", moveLeft(RunToEnd)},
        {"R5--XC45", moveLeft(StopRun)},
        {"R5--XC45", storeRunTimeRight()},
        {"R5--XC45", storeRunTimeLeft()},
        {"R5--XC45", turnRight()},
        {"R5--XC45", turnLeft()},
        {"R5--XC45", runTimeRight(30)},
        {"R5--XC45", runTimeLeft(40)},
        {"R5--XC45", storeLeft()},
        {"R5--XC45", storeRight()},
        {"R5--XC45", leftStep(StepAwayFromMiddle, 10)},
        {"R5--XC45", rightStep(StepTowardsMiddle, 250)},
        {"R5--XC45", servoConfigWrite({.output = 3, .neutralHex = "2EE0", .brand = 1})},
        {"R5--XC45", middlePosition()},
        {"R5494940", blockRead(1)},
        {"R5494940", servoConfigWrite({.output = 1, .neutralHex = "2EE0", .brand = 1, .withDirection = false})},
        {"L1164566", blockRead(2)},
        {"L1164566", ramDump()},
        {"L1164566", motorolaAddressWrite(3, 12)},
        {"L1164566", trafficLightConfigWrite({"2EE0", 8, 1, 0, 0})},
        {"L9624164", dccAddressWrite(2, 12)},
        {"L6454348", dccAddressWrite(1, 12)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + c.frame.bytes.toHex().toStdString());
        Bench bench({c.id});
        const auto replies = bench.send(c.frame);
        const AnswerClass form = answerClass(c.frame);
        if (form == AnswerClass::None) {
            EXPECT_TRUE(replies.empty());
            continue;
        }
        ASSERT_EQ(replies.size(), 1u);
        const QByteArray answer = replies[0].bytes;
        EXPECT_EQ(answer.size(), awaitedLength(c.frame, bench.device.variant()));
        switch (form) {
        case AnswerClass::Ack:
        case AnswerClass::Any:
            EXPECT_EQ(answer, Ack);
            EXPECT_EQ(bench.device.lastAcknowledged(), c.frame.command());
            break;
        case AnswerClass::Position:
            EXPECT_TRUE(positionAnswerValue(answer));
            break;
        case AnswerClass::Address:
            EXPECT_TRUE(addressAnswer(answer));
            break;
        case AnswerClass::StateDigit:
            EXPECT_TRUE(answer == "1" || answer == "0");
            break;
        case AnswerClass::Dump:
            EXPECT_TRUE(dumpChunks(answer));
            break;
        default:
            break;
        }
    }
}

TEST(DecoderDevice, FramesItDoesNotUnderstandGetNoAnswer)
{
    struct Case {
        const char* name;
        const char* id;
        QByteArray frame;
    };
    const Case cases[] = {
        {"unknown byte", "R5--XC45", bare(17).bytes},
        {"unknown byte 231", "R5--XC45", bare(231).bytes},
        {"state query outside the start-up group", "R5494940", powerUpStateQuery().bytes},
        {"state set outside the start-up group", "R8996640", powerUpStateSet(true).bytes},
        {"state set with another digit", "R5--XC45", QByteArray("\x7F" "2\r")},
        {"RAM dump of a servo decoder", "R5--XC45", ramDump().bytes},
        {"186 on a servo decoder", "R5--XC45", dccAddressWrite(2, 3).bytes},
        {"250 on a generation-2 light", "L9624164", dccAddressWrite(0, 3).bytes},
        {"address without the 0", "R5--XC45", QByteArray("\xFA" "10003\r")},
        {"output 0", "R5--XC45", QByteArray("\xCA" "02EE0\r")},
        {"output 17", "R5--XC45", setLeft(17, 12000).bytes},
        {"lower-case hex", "R5--XC45", QByteArray("\xCA" "32ee0\r")},
        {"value too short", "R5--XC45", QByteArray("\xCA" "2EE0\r")},
        {"step of 20", "R5--XC45", leftStep(StepAwayFromMiddle, 20).bytes},
        {"step direction 2", "R5--XC45", rightStep(2, 10).bytes},
        {"run byte 4", "R5--XC45", moveRight(4).bytes},
        {"run time of two digits", "R5--XC45", QByteArray("\xEA" "12\r")},
        {"memory beyond 0x4FF", "R5--XC45", memoryWrite(0x4F9, "0000000000000000").bytes},
        {"memory below 0x300", "R5--XC45", memoryWrite(0x2F8, "0000000000000000").bytes},
        {"memory data short", "R5--XC45", memoryWrite(0x300, "00000000000000").bytes},
        {"config write of letters", "R5--XC45", QByteArray("\xEF" "3XXXX1120000000\r")},
        {"config write without direction in variant 2", "R5--XC45",
         servoConfigWrite({.output = 3, .neutralHex = "2EE0", .brand = 1, .withDirection = false}).bytes},
        {"servo form to a traffic light", "L9624164",
         servoConfigWrite({.output = 1, .neutralHex = "28C0", .brand = 4}).bytes},
        {"middle position with a parameter", "R5--XC45", QByteArray("\xF0" "1\r")},
        {"block read with a parameter", "R5--XC45", QByteArray("\xF3" "1\r")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        DecoderDevice device({c.id});
        const auto memory = device.memory();
        EXPECT_TRUE(device.receive(c.frame, 4800, 0).empty());
        EXPECT_EQ(device.memory(), memory);
        // The line is in step again for the next frame.
        EXPECT_EQ(device.receive(blockRead(1).bytes, 4800, 0).size(), 1u);
    }
}

TEST(DecoderDevice, StepsMoveTheWorkingEndWhichOnlyAStoreKeeps)
{
    // Fresh outputs have the left end 14000 and the right end 8000.
    struct Case {
        bool left;
        std::uint8_t direction;
        std::uint8_t step;
        int end;
    };
    const Case cases[] = {
        {true, StepAwayFromMiddle, 10, 14010},   {true, StepTowardsMiddle, 100, 13900},
        {true, StepAwayFromMiddle, 250, 14250},  {false, StepAwayFromMiddle, 10, 7990},
        {false, StepTowardsMiddle, 250, 8250},   {false, StepAwayFromMiddle, 100, 7900},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.left) + " " + std::to_string(c.direction) + " " + std::to_string(c.step));
        Bench bench;
        const int endField = c.left ? 5 : 9;
        const int stored = bench.block16(3, endField);
        const Frame stepFrame = c.left ? leftStep(c.direction, c.step) : rightStep(c.direction, c.step);
        EXPECT_EQ(bench.position(stepFrame), c.end);
        EXPECT_EQ(bench.device.position(3), c.end);
        EXPECT_EQ(bench.block16(3, 7), c.end) << "the servo stands at the new end";
        EXPECT_EQ(bench.block16(3, endField), stored) << "not stored yet";

        EXPECT_EQ(bench.ask(c.left ? storeLeft() : storeRight()), Ack);
        EXPECT_EQ(bench.block16(3, endField), c.end);
        EXPECT_EQ(bench.block16(3, c.left ? 9 : 5), c.left ? 8000 : 14000) << "the other end stays";
    }

    Bench bench;
    bench.ask(blockRead(2));
    for (auto step : {100, 100, 10})
        bench.ask(leftStep(step == 10 ? StepTowardsMiddle : StepAwayFromMiddle, std::uint8_t(step)));
    EXPECT_EQ(bench.device.workingValues().left, 14190);
    EXPECT_EQ(bench.device.value16(2, 5), 14000);
}

TEST(DecoderDevice, UnstoredChangesBelongToTheOutputReadLast)
{
    struct Case {
        const char* name;
        std::function<void(Bench&)> between;
        int storedLeft;
        int storedRunTime;
    };
    const Case cases[] = {
        {"the same output read again", [](Bench& b) { b.ask(blockRead(2)); }, 14100, 55},
        {"another output read", [](Bench& b) { b.ask(blockRead(3)); b.ask(blockRead(2)); }, 14000, 20},
        {"a configuration write", [](Bench& b) { b.ask(servoConfigWrite({.output = 2, .neutralHex = "2AF8"})); },
         14100, 55},
        {"the left end set", [](Bench& b) { b.ask(setLeft(2, 15000)); }, 15000, 55},
        {"the output reset", [](Bench& b) { b.send(outputReset(2)); }, 12000, 0},
        {"a memory write into its block", [](Bench& b) { b.ask(memoryWrite(0x300 + 32 + 4, "3A98000000000000")); },
         15000, 20},
        {"a memory write elsewhere", [](Bench& b) { b.ask(memoryWrite(0x300 + 64, "0000000000000000")); },
         14100, 55},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.ask(blockRead(2));
        bench.ask(leftStep(StepAwayFromMiddle, 100));
        bench.ask(runTimeLeft(55));
        c.between(bench);
        EXPECT_EQ(bench.device.selectedOutput(), 2);
        bench.ask(storeLeft());
        bench.ask(storeRunTimeLeft());
        EXPECT_EQ(bench.block16(2, 5), c.storedLeft);
        EXPECT_EQ(bench.block16(2, 13), c.storedRunTime);
    }
}

TEST(DecoderDevice, TurnsAndTheMiddlePositionMoveTheServo)
{
    struct Case {
        const char* name;
        Frame frame;
        int position;
    };
    const Case cases[] = {
        {"turn left", turnLeft(), 14100},  // the working left end after the step below
        {"turn right", turnRight(), 8000},
        {"middle", middlePosition(), 11500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.device.setValue16(4, 3, 11500);
        bench.ask(blockRead(4));
        bench.ask(leftStep(StepAwayFromMiddle, 100));
        const QByteArray answer = bench.ask(c.frame);
        if (c.frame.command() == MiddlePositionCommand)
            EXPECT_EQ(positionAnswerValue(answer), c.position);
        else
            EXPECT_EQ(answer, Ack);
        EXPECT_EQ(bench.device.position(4), c.position);
        EXPECT_EQ(bench.block16(4, 7), c.position);
        EXPECT_EQ(bench.block16(4, 11), c.position);
        EXPECT_EQ(bench.device.position(5), 11000) << "other outputs stay";
    }
}

TEST(DecoderDevice, ARunFollowsTheClockAndStopsWhereItIs)
{
    struct Case {
        const char* name;
        bool toRight;
        int runTime;     // units per 20 ms frame
        qint64 stopUs;   // after the start
        int stoppedAt;
    };
    const Case cases[] = {
        {"one second left", false, 10, 1'000'000, 8500},
        {"within the first frame", false, 10, 19'999, 8000},
        {"past the end", false, 100, 10'000'000, 14000},
        {"full speed", false, 0, 0, 14000},
        {"half a second right", true, 20, 500'000, 13500},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.ask(blockRead(1));
        // Start at the far end.
        bench.ask(c.toRight ? turnLeft() : turnRight());
        bench.position(c.toRight ? runTimeRight(c.runTime) : runTimeLeft(c.runTime));
        bench.nowUs = 5'000'000;
        EXPECT_EQ(bench.ask(c.toRight ? moveRight(RunToEnd) : moveLeft(RunToEnd)), Ack);
        bench.nowUs += c.stopUs;
        EXPECT_EQ(bench.position(c.toRight ? moveRight(StopRun) : moveLeft(StopRun)), c.stoppedAt);
        EXPECT_FALSE(bench.device.running());
        // Stopped means stopped: later frames find it at the same place.
        bench.nowUs += 10'000'000;
        EXPECT_EQ(bench.block16(1, 7), c.stoppedAt);
    }

    // A block read during the run shows the servo on its way.
    Bench bench;
    bench.ask(blockRead(1));
    bench.ask(turnRight());
    bench.ask(moveLeft(RunToEnd));  // run time 20 from the block
    bench.nowUs = 2'000'000;
    EXPECT_EQ(bench.block16(1, 7), 8000 + 100 * 20);
    EXPECT_EQ(bench.block16(1, 11), 14000) << "heading for the left end";
    EXPECT_TRUE(bench.device.running());
    bench.nowUs = 10'000'000;
    EXPECT_EQ(bench.block16(1, 7), 14000);
    EXPECT_FALSE(bench.device.running());
}

TEST(DecoderDevice, RunTimeCommandsAnswerTheRunTimeAndStoreIt)
{
    struct Case {
        bool left;
        int value;
    };
    for (const Case c : {Case{true, 55}, Case{false, 300}, Case{true, 0}, Case{false, 20000}}) {
        SCOPED_TRACE(c.value);
        Bench bench;
        bench.ask(blockRead(6));
        const int field = c.left ? 13 : 17;
        EXPECT_EQ(bench.position(c.left ? runTimeLeft(c.value) : runTimeRight(c.value)), c.value);
        EXPECT_EQ(c.left ? bench.device.workingValues().runTimeLeft : bench.device.workingValues().runTimeRight,
                  c.value);
        EXPECT_EQ(bench.block16(6, field), 20) << "not stored yet";
        EXPECT_EQ(bench.ask(c.left ? storeRunTimeLeft() : storeRunTimeRight()), Ack);
        EXPECT_EQ(bench.block16(6, field), c.value);
        EXPECT_EQ(bench.block16(6, c.left ? 17 : 13), 20);
    }
}

TEST(DecoderDevice, PowerUpStateQueryAndSetting)
{
    Bench bench;
    EXPECT_EQ(bench.ask(powerUpStateQuery()), "1");
    for (bool on : {false, true, false}) {
        EXPECT_EQ(bench.ask(powerUpStateSet(on)), Ack);
        EXPECT_EQ(bench.device.powerUpServosOn(), on);
        EXPECT_EQ(bench.ask(powerUpStateQuery()), on ? "1" : "0");
    }
}

TEST(DecoderDevice, AddressWritesAnswerTheAddressAndChangeEveryBlock)
{
    struct Case {
        const char* name;
        const char* id;
        char status;
        Frame frame;
        int fields2223;
        int field21;  // 0: unchanged
    };
    const Case cases[] = {
        {"DCC 3", "R5--XC45", '0', dccAddressWrite(0, 3), 3, 0},
        {"DCC 499", "R8996640", '1', dccAddressWrite(0, 499), 499, 0},
        {"Motorola 57", "R5--XC45", '2', motorolaAddressWrite(0, 57), 0x00C8, 57},
        {"Motorola 80", "R5-7XC42", ':', motorolaAddressWrite(0, 80), 0x02A8, 80},
        {"generation 2 light", "L9624164", '0', dccAddressWrite(2, 10), 10, 0},
        {"generation 3 light, Motorola 1", "L7466469", '3', motorolaAddressWrite(3, 1), 0x0300, 1},
        {"generation 1 light", "L6454348", '0', dccAddressWrite(1, 200), 200, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench({c.id});
        for (int n = 1; n <= 16; ++n) {
            bench.device.setStatusDigit(n, c.status);
            bench.device.setField(n, 21, 99);
        }
        const auto answer = addressAnswer(bench.ask(c.frame));
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->address(), c.fields2223);
        if (c.field21) {
            EXPECT_EQ(motorolaAddress(answer->motorolaCodeText()), c.field21);
        }
        for (int n : {1, 8, 16}) {
            EXPECT_EQ(bench.block16(n, 22), c.fields2223) << n;
            EXPECT_EQ(bench.blockField(n, 21), c.field21 ? c.field21 : 99) << n;
        }
    }
}

TEST(DecoderDevice, TheDumpShowsTheMemoryTheBlocksComeFrom)
{
    Bench bench;
    bench.device.setField(5, 2, 7);
    bench.device.setValue16(5, 13, 0x1234);
    bench.device.setField(16, 23, 0xAB);
    bench.device.setStatusDigit(9, '3');
    const auto chunks = dumpChunks(bench.ask(memoryDump()));
    ASSERT_TRUE(chunks);
    const QByteArray memory = QByteArray::fromHex(chunks->join());
    ASSERT_EQ(memory.size(), DecoderDevice::MemorySize);
    EXPECT_TRUE(std::equal(memory.begin(), memory.end(), bench.device.memory().begin(),
                           [](char a, std::uint8_t b) { return std::uint8_t(a) == b; }));
    for (int n = 1; n <= 16; ++n) {
        const QByteArray block = reversed(bench.ask(blockRead(n)));
        for (int k = 1; k <= DecoderDevice::FieldCount; ++k)
            ASSERT_EQ(block.mid(3 * k - 3, 3).toInt(), std::uint8_t(memory[(n - 1) * 32 + k - 1])) << n << "/" << k;
        EXPECT_EQ(block[78], char('0' + memory[(n - 1) * 32 + 23])) << n;
    }
    EXPECT_EQ(chunks->at(8).mid(24, 4), "1234") << "output 5, fields 13/14 at file address 0x08C";
}

TEST(DecoderDevice, MemoryWritesReachTheBlocks)
{
    struct Case {
        int address;
        const char* data;
        int output;
        int firstField;
        std::vector<int> fields;
    };
    const Case cases[] = {
        {0x300, "81012AF8332C2AF8", 1, 1, {0x81, 1, 0x2A, 0xF8, 0x33, 0x2C, 0x2A, 0xF8}},
        {0x318, "00000000000000FF", 1, 25, {}},  // bus-lane byte and the unused rest of the slot
        {0x344, "1F401F4000000000", 3, 5, {0x1F, 0x40, 0x1F, 0x40, 0, 0, 0, 0}},
        {0x4F8, "0102030405060708", 16, 25, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.address);
        Bench bench;
        EXPECT_EQ(bench.ask(memoryWrite(c.address, c.data)), Ack);
        const QByteArray expected = QByteArray::fromHex(c.data);
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(bench.device.memory()[c.address - 0x300 + i], std::uint8_t(expected[i]));
        for (std::size_t i = 0; i < c.fields.size(); ++i)
            EXPECT_EQ(bench.blockField(c.output, c.firstField + int(i)), c.fields[i]);
        // The dump shows the same bytes.
        const auto chunks = dumpChunks(bench.ask(memoryDump()));
        const int offset = c.address - 0x300;
        EXPECT_EQ(chunks->at(offset / 16).mid(2 * (offset % 16), 16), QByteArray(c.data));
    }

    Bench bench;
    const auto memory = bench.device.memory();
    EXPECT_TRUE(bench.send(memoryWriteEnd()).empty());
    EXPECT_EQ(bench.device.memory(), memory);
}

TEST(DecoderDevice, RamDumpOfATrafficLightDecoder)
{
    Bench bench({"L1164566"});
    bench.send(outputSwitch(3, 16));
    bench.send(outputSwitch(5, 0));
    QByteArray answer = bench.ask(ramDump());
    ASSERT_EQ(answer.size(), RamDumpLength);
    EXPECT_EQ(answer.left(16), "FFFF01FF00FFFFFF") << "switch states of the eight switches";
    // The configuration memory as it was at power-up follows.
    EXPECT_EQ(answer.mid(2 * DecoderDevice::RamMemoryCopy, 4), "0102") << "automatic, two-way crossing";

    std::array<std::uint8_t, DecoderDevice::RamSize> ram{};
    for (int i = 0; i < DecoderDevice::RamSize; ++i)
        ram[i] = std::uint8_t(i * 7);
    bench.device.setRam(ram);
    answer = bench.ask(ramDump());
    for (int i = 0; i < DecoderDevice::RamSize; ++i)
        ASSERT_EQ(answer.mid(2 * i, 2).toInt(nullptr, 16), ram[i]) << i;
    EXPECT_EQ(answer.mid(2 * 37, 2), "03") << "37 * 7 = 259: upper case, two digits, in address order";
}

TEST(DecoderDevice, OutputSwitchesMoveServosWithoutAnswer)
{
    Bench bench;
    bench.device.setValue16(2, 5, 15000);
    EXPECT_EQ(bench.device.switchState(2), -1);
    struct Step {
        int n, s, state, position;
    };
    for (const Step step : {Step{2, 0, 0, 15000}, Step{2, 16, 1, 8000}, Step{8, 16, 1, 8000}, Step{8, 0, 0, 14000}}) {
        EXPECT_TRUE(bench.send(outputSwitch(step.n, step.s)).empty());
        EXPECT_EQ(bench.device.switchState(step.n), step.state);
        EXPECT_EQ(bench.device.position(step.n), step.position);
    }
    EXPECT_EQ(bench.device.position(1), 11000);
}

TEST(DecoderDevice, ServoConfigurationWriteThenBlockRead)
{
    struct Case {
        const char* name;
        const char* id;
        Frame frame;
        int output;
        int flags;
        int brand;
        int neutral;
        int word;
        char status;
    };
    const ServoConfig example{.output = 3, .neutralHex = "2EE0", .brand = 1, .functionCode = 1, .polarity = 2};
    auto with = [&](auto change) {
        ServoConfig c = example;
        change(c);
        return servoConfigWrite(c);
    };
    const Case cases[] = {
        {"the example", "R5--XC45", servoConfigWrite(example), 3, 0x81, 1, 12000, 0, '0'},
        {"repetition, negative, power off", "R5--XC45",
         with([](auto& c) { c.functionCode = 8; c.repeatCount = 255; c.polarity = 1; c.powerOff = 1; }),
         3, 0x48, 1, 12000, 255, '0'},
        {"semaphore bouncing both ways, reversed", "R5--XC45",
         with([](auto& c) { c.functionCode = 2; c.bounceCode = 3; c.bounceAmount = 1100; c.directionReversed = true; }),
         3, 0xB2, 1, 12000, 1100, '1'},
        {"level crossing, brand 7", "R5--XC45", with([](auto& c) { c.functionCode = 4; c.brand = 7; }), 3, 0x84, 7,
         12000, 0, '0'},
        {"two-digit output", "R5--XC45", with([](auto& c) { c.output = 12; }), 12, 0x81, 1, 12000, 0, '0'},
        {"short neutral", "R5--XC45", with([](auto& c) { c.neutralHex = "FA0"; }), 3, 0x81, 1, 4000, 0, '0'},
        {"shortest neutral", "R5--XC45", with([](auto& c) { c.neutralHex = "8"; }), 3, 0x81, 1, 8, 0, '0'},
        // "12FA0..." reads as output 1 with a four-digit neutral.
        {"ambiguous short neutral", "R5--XC45", with([](auto& c) { c.output = 12; c.neutralHex = "FA0"; }), 1, 0x81, 1,
         0x2FA0, 0, '0'},
        {"variant 1 without direction", "R5494940", with([](auto& c) { c.withDirection = false; }), 3, 0x81, 1, 12000,
         0, 0},
        {"direction clears the reversal only", "R5--XC45", servoConfigWrite(example), 3, 0x81, 1, 12000, 0, '2'},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench({c.id});
        if (c.status == '2')
            bench.device.setStatusDigit(c.output, '3');  // Motorola, reversed
        EXPECT_EQ(bench.ask(c.frame), Ack);
        const QByteArray block = reversed(bench.ask(blockRead(c.output)));
        EXPECT_EQ(block.mid(0, 3).toInt(), c.flags);
        EXPECT_EQ(block.mid(3, 3).toInt(), c.brand);
        EXPECT_EQ(block.mid(6, 3).toInt() * 256 + block.mid(9, 3).toInt(), c.neutral);
        EXPECT_EQ(block.mid(42, 3).toInt() * 256 + block.mid(45, 3).toInt(), c.word);
        if (c.status) {
            EXPECT_EQ(block[78], c.status);
        }
        EXPECT_EQ(block.mid(12, 3).toInt() * 256 + block.mid(15, 3).toInt(), 14000) << "left end untouched";
    }
}

TEST(DecoderDevice, TrafficLightConfigurationWriteWithRawBytes)
{
    struct Case {
        const char* name;
        const char* id;
        TrafficLightConfig config;
        int flags;
        char status;
        char busLane;  // 0: no bus-lane digit in this variant
    };
    const Case cases[] = {
        {"generation 3, lanes A, C, D make a CR", "L1164566", {"2EE0", 80, 2, 13, 8}, 2, '8', char('0' + 13)},
        {"generation 3, crossing code 48 looks like a digit", "L7466469", {"8", 48, 3, 0, 1}, 3, '1', '0'},
        {"generation 2, crossing 'A' after a short neutral", "L9624164", {"3E8", 65, 1, 0, 0}, 1, '0', 0},
        {"generation 2, four ways with flags", "L9624164", {"28C0", 168, 1, 0, 8}, 1, '8', 0},
        {"generation 1", "L6454348", {"28C0", 3, 1, 0, 0}, 1, '0', 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench({c.id});
        bench.device.setStatusDigit(5, '9');  // reversed Austria before: the country is replaced
        // Byte by byte and followed by the next frame, as a slow line delivers it.
        const QByteArray wire = trafficLightConfigWrite(c.config).bytes + blockRead(5).bytes;
        std::vector<Response> replies;
        for (char byte : wire)
            for (const Response& r : bench.device.receive(QByteArray(1, byte), 4800, 0))
                replies.push_back(r);
        ASSERT_EQ(replies.size(), 2u);
        EXPECT_EQ(replies[0].bytes, Ack);
        const QByteArray block = reversed(replies[1].bytes);
        EXPECT_EQ(block.mid(0, 3).toInt(), c.flags);
        EXPECT_EQ(block.mid(3, 3).toInt(), c.config.crossingCode);
        EXPECT_EQ(block.mid(6, 3).toInt() * 256 + block.mid(9, 3).toInt(),
                  c.config.neutralHex.toInt(nullptr, 16));
        EXPECT_EQ(block[78], c.status);
        if (c.busLane) {
            EXPECT_EQ(block[79], c.busLane);
        }
        EXPECT_EQ(bench.blockField(1, 2), c.config.crossingCode) << "the layout is the decoder's";
    }
}

TEST(DecoderDevice, ResetRestoresFactoryValues)
{
    struct Case {
        const char* id;
        int output;
        int left;
        int right;
    };
    const Case cases[] = {
        {"R5--XC45", 2, 12000, 8000}, {"R8996640", 7, 12000, 8000}, {"V7966445", 1, 12000, 10000},
        {"V7966445", 2, 9000, 8000},  {"V7656642", 4, 9000, 8000},  {"V7656642", 3, 12000, 10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.id) + " " + std::to_string(c.output));
        Bench bench({c.id});
        bench.device.setField(c.output, 1, 0x2C);
        bench.device.setValue16(c.output, 15, 700);
        bench.device.setField(c.output, 22, 3);
        bench.device.setStatusDigit(c.output, '3');
        EXPECT_TRUE(bench.send(outputReset(c.output)).empty());
        EXPECT_EQ(bench.blockField(c.output, 1), 0xC1);
        EXPECT_EQ(bench.blockField(c.output, 2), 4);
        EXPECT_EQ(bench.block16(c.output, 3), 10432);
        EXPECT_EQ(bench.block16(c.output, 5), c.left);
        EXPECT_EQ(bench.block16(c.output, 7), 10432) << "the servo goes to the middle";
        EXPECT_EQ(bench.block16(c.output, 9), c.right);
        EXPECT_EQ(bench.block16(c.output, 13), 0);
        EXPECT_EQ(bench.block16(c.output, 15), 0);
        EXPECT_EQ(bench.block16(c.output, 17), 0);
        EXPECT_EQ(bench.blockField(c.output, 22), 3) << "the address stays";
        EXPECT_EQ(reversed(bench.ask(blockRead(c.output)))[78], '2') << "direction normal, protocol kept";
        EXPECT_EQ(bench.block16(c.output % 8 + 1, 5), 14000) << "other outputs stay";
    }
}

TEST(DecoderDevice, CopyMovesABlockToAnotherOutput)
{
    struct Case {
        const char* name;
        QByteArray frame;
        int source;
        int target;
    };
    const Case cases[] = {
        {"3 to 5", outputCopy(3, 5).bytes, 3, 5},
        {"12 to 16", outputCopy(12, 16).bytes, 12, 16},
        {"11 to 2", outputCopy(11, 2).bytes, 11, 2},
        {"1 to 12 reads as 11 to 2", outputCopy(1, 12).bytes, 11, 2},
        {"a target 0 is impossible: 1 to 10", QByteArray("\xCC" "110\r"), 1, 10},
        {"9 to 16", outputCopy(9, 16).bytes, 9, 16},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Bench bench;
        bench.device.setField(c.source, 1, 0x84);
        bench.device.setValue16(c.source, 5, 17000);
        bench.device.setValue16(c.source, 7, 9999);
        bench.device.setValue16(c.source, 17, 44);
        bench.device.setStatusDigit(c.source, '1');
        EXPECT_TRUE(bench.device.receive(c.frame, 4800, 0).empty());
        const QByteArray source = bench.device.blockText(c.source);
        const QByteArray target = bench.device.blockText(c.target);
        EXPECT_EQ(target.left(18), source.left(18));
        EXPECT_EQ(target.mid(18, 6), "042248") << "the target servo stays where it stands (11000)";
        EXPECT_EQ(target.mid(24, 45), source.mid(24, 45));
        EXPECT_EQ(target[78], '1');
    }

    Bench bench;
    const auto memory = bench.device.memory();
    EXPECT_TRUE(bench.send(outputCopy(1, 1)).empty());
    EXPECT_EQ(bench.device.memory(), memory) << "copying onto itself only restarts";
}

TEST(DecoderDevice, FaultsHitAnyAnswerAndARefusedCommandDoesNothing)
{
    {
        Bench bench;
        bench.ask(blockRead(2));
        bench.device.injectFault(Fault::Refusal);
        EXPECT_EQ(bench.ask(setLeft(2, 16000)), QByteArray("\x15"));
        EXPECT_EQ(bench.device.value16(2, 5), 14000);
        EXPECT_NE(bench.device.lastAcknowledged(), SetLeftCommand);
        bench.device.injectFault(Fault::Refusal);
        EXPECT_EQ(bench.ask(leftStep(StepAwayFromMiddle, 250)), QByteArray("\x15"));
        EXPECT_EQ(bench.device.workingValues().left, 14000);
        EXPECT_EQ(bench.ask(setLeft(2, 16000)), Ack);
        EXPECT_EQ(bench.device.lastAcknowledged(), SetLeftCommand);
    }
    {
        // A frame without an answer leaves the fault for the next answer.
        Bench bench;
        bench.device.injectFault(Fault::NoAnswer);
        EXPECT_TRUE(bench.send(outputSwitch(1, 0)).empty());
        EXPECT_TRUE(bench.send(outputReset(1)).empty());
        EXPECT_TRUE(bench.send(middlePosition()).empty());
        EXPECT_EQ(bench.ask(middlePosition()).size(), 6);
    }
    struct Case {
        Fault fault;
        Frame frame;
        std::function<void(const QByteArray&)> check;
    };
    const Case cases[] = {
        {Fault::Garbage, leftStep(0, 10), [](auto& a) { EXPECT_FALSE(positionAnswerValue(a)); }},
        {Fault::ShortAnswer, dccAddressWrite(0, 5), [](auto& a) { EXPECT_EQ(a.size(), 4); }},
        {Fault::ExtraChars, turnLeft(), [](auto& a) { EXPECT_EQ(a, "\x06XYZ"); }},
        {Fault::Garbage, memoryDump(), [](auto& a) { EXPECT_EQ(a, QByteArray(1024, '#')); }},
    };
    for (const Case& c : cases) {
        Bench bench;
        bench.device.injectFault(c.fault);
        c.check(bench.ask(c.frame));
    }
}

TEST(DecoderDevice, RawParameterFramesSplitByShape)
{
    Bench bench;
    std::vector<Response> replies;
    const QByteArray wire = leftStep(StepAwayFromMiddle, 100).bytes + moveLeft(StopRun).bytes + blockRead(1).bytes;
    int from = 0;
    for (int cut : {1, 2, 5, 6, 9, int(wire.size())}) {
        for (const Response& r : bench.device.receive(wire.mid(from, cut - from), 4800, 0))
            replies.push_back(r);
        from = cut;
    }
    ASSERT_EQ(replies.size(), 3u);
    EXPECT_EQ(positionAnswerValue(replies[0].bytes), 14100);
    EXPECT_EQ(positionAnswerValue(replies[1].bytes), 14100);
    EXPECT_EQ(replies[2].bytes.size(), 79);
    EXPECT_EQ(bench.device.receivedFrames(),
              (std::vector<QByteArray>{leftStep(0, 100).bytes, moveLeft(StopRun).bytes, blockRead(1).bytes}));
}

TEST(DecoderDevice, EveryKnownDecoderStartsWithBlocksThatDecodeCleanly)
{
    ASSERT_EQ(KnownIds().size(), 32);
    for (const QString& id : KnownIds()) {
        SCOPED_TRACE(id.toStdString());
        Bench bench({id.toLatin1()});
        DecodeContext context;
        context.DecoderId = id;
        context.PanelMode = id.startsWith("L") ? 1 : id == "BR5-XC42" ? 2 : 0;
        context.ProtocolVariant = bench.device.variant();
        context.TakePowerOffFromDecoder = true;  // as on every output selection
        for (int n = 1; n <= DecoderDevice::OutputSlots; ++n) {
            SCOPED_TRACE(n);
            context.OutputNumber = n;
            const ConfigBlock block(bench.ask(blockRead(n)));
            ASSERT_EQ(block.text(), bench.device.blockText(n));
            const DecodedBlock d = decodeBlock(block, context);
            ASSERT_EQ(d.Outcome, DecodeOutcome::Decoded) << d.Message.toStdString();
            EXPECT_EQ(d.PowerOff, 0) << "no power-off push follows";
            EXPECT_EQ(d.FunctionCode, 1);
            EXPECT_EQ(d.Address, 1);
            EXPECT_EQ(d.VirtualAddress, n);
            if (context.PanelMode == 1) {
                EXPECT_EQ(d.SelectedOption, FunctionOption::Automatic);
                EXPECT_EQ(d.CrossingLayoutCode, 2) << "the two-way crossing";
                ASSERT_TRUE(d.PhaseTime);
                EXPECT_GE(*d.PhaseTime, 100);
                EXPECT_LE(*d.PhaseTime, 60000);
                EXPECT_EQ(d.CountryOption, 0);
            } else if (context.PanelMode == 2) {
                EXPECT_EQ(d.CoilInputOption, 0) << "each input its own coil";
                EXPECT_EQ(coilSwitchOnTime(*d.LeftPos, *d.RightPos, *d.RunTimeLeft), "1");
            } else {
                ASSERT_TRUE(d.LeftPos && d.RightPos && d.Neutral);
                EXPECT_GT(*d.LeftPos, *d.Neutral);
                EXPECT_GT(*d.Neutral, *d.RightPos);
                EXPECT_EQ(d.BrandText, id.startsWith("B5") ? "Kein Servo" : "Graupner");
            }
            // The program's own setting, when it took the decoder's, starts no push.
            DecodeContext again = context;
            again.TakePowerOffFromDecoder = false;
            again.PowerOff = *d.PowerOff;
            EXPECT_EQ(decodeBlock(block, again).Outcome, DecodeOutcome::Decoded);
        }
        // A reset output decodes as well.
        for (int n : {1, 2}) {
            bench.send(outputReset(n));
            context.OutputNumber = n;
            const DecodedBlock d = decodeBlock(ConfigBlock(bench.ask(blockRead(n))), context);
            EXPECT_EQ(d.Outcome, DecodeOutcome::Decoded) << "reset " << n << " " << d.Message.toStdString();
        }
    }
}

TEST(DecoderDevice, StandingFaultsDisturbEveryAnswerToTheirFrames)
{
    Bench bench({"R5--XC45", 0, 4800, {{Fault::NoAnswer, 3}, {Fault::Refusal, 0, SetLeftCommand}}});
    for (int i = 0; i < 3; ++i) {
        EXPECT_TRUE(bench.ask(blockRead(3)).isEmpty());
        EXPECT_EQ(bench.ask(blockRead(2)).size(), 79);
        EXPECT_EQ(bench.ask(setLeft(2, 9000)), QByteArray(1, char(21)));
    }
    EXPECT_NE(bench.device.value16(2, 5), 9000);  // the refused writes did nothing
    bench.device.addStandingFault({Fault::Noise, 2});
    const auto noise = bench.send(blockRead(2));
    ASSERT_EQ(noise.size(), 1u);
    EXPECT_TRUE(noise[0].framingError);
    EXPECT_TRUE(noise[0].bytes.isEmpty());
}

TEST(DecoderDevice, AMotorolaDecoderStartsOnAddressOne)
{
    DeviceConfig config{"R5--XC45"};
    config.motorola = true;
    Bench bench(config);
    for (int n : {1, 8, 16}) {
        EXPECT_EQ(bench.device.blockText(n).mid(78, 1), "2") << n;  // the status digit says Motorola
        EXPECT_EQ(bench.block16(n, 22), 0x0300) << n;        // the code of address 1
    }
    // The code is taken as a Motorola address: field 21 follows it.
    const auto answer = addressAnswer(bench.ask(motorolaAddressWrite(0, 79)));
    ASSERT_TRUE(answer);
    EXPECT_EQ(motorolaAddress(answer->motorolaCodeText()), 79);
    EXPECT_EQ(bench.blockField(4, 21), 79);
}

TEST(DecoderDevice, AZeroedAnswerHasItsLengthAndOnlyZeros)
{
    Bench bench;
    bench.device.injectFault(Fault::Zeroed, 2);
    EXPECT_EQ(bench.ask(dccAddressWrite(0, 12)), "000000000");
    EXPECT_EQ(bench.ask(middlePosition()), "000000");
    EXPECT_EQ(bench.block16(1, 22), 12);  // the write itself took effect
}

TEST(DecoderDevice, TheMovesOfTheOutputsAreRecorded)
{
    using Move = DecoderDevice::Move;
    Bench bench;
    bench.ask(blockRead(3));
    bench.ask(moveRight(RunToEnd));  // the output read last
    bench.send(outputSwitch(2, 0));
    bench.ask(moveRight(RunToEnd));  // already heading there
    bench.device.injectFault(Fault::Refusal);
    bench.ask(moveLeft(RunToEnd));
    std::vector<std::pair<int, int>> moves;
    for (const Move& move : bench.device.moves())
        moves.push_back({move.output, move.to});
    EXPECT_EQ(moves, (std::vector<std::pair<int, int>>{{3, 8000}, {2, 14000}}));
    EXPECT_EQ(bench.device.moves().front().from, 11000);
    bench.device.clearLog();
    EXPECT_TRUE(bench.device.moves().empty());
}
